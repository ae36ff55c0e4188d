#pragma once

// Small grey previews of pictures, decoded from the full image (never from a thumbnail embedded
// in the file) with the picture's orientation applied. The full-resolution image is never held
// in memory for a JPEG: the decoder scales while it decodes.

#include <QString>

#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

namespace quillmore {

// An 8-bit grey picture: `height` rows of `width` bytes, top row first.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    GreyImage() = default;
    GreyImage(int w, int h, std::uint8_t fill = 0) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), fill)
    {
    }

    std::uint8_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    std::uint8_t &at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    bool operator==(const GreyImage &) const = default;
};

enum class PreviewStatus {
    made,          // the picture decoded completely
    unreadable,    // the file is missing, empty or cannot be opened
    unknownFormat, // no decoder here knows the file's format
    damaged,       // a decoder knows the format, but the data is cut short or corrupt
};

struct Preview {
    PreviewStatus status = PreviewStatus::unreadable;
    std::optional<GreyImage> image; // only when made
};

// A grey preview as greyPreview() makes it, with the reason when none could be made. A JPEG
// that lacks only its final end marker, but whose picture data is all there, is made; a camera
// RAW file whose format LibRaw recognises but whose data it cannot decode is damaged.
Preview makePreview(const QString &path, int maximumDimension, std::stop_token stop = {});

// A grey preview of the first image of the file, its longest side at most `maximumDimension`
// pixels (a smaller picture keeps its size). The decoder is chosen by the file's content:
// JPEG data through libjpeg-turbo with scaled decoding to grey, camera RAW data through LibRaw
// at half size, other image types through Qt's readers. Nothing when no preview can be made:
// the file is missing or empty, no decoder reads it, or its data is damaged (a JPEG whose data
// ends early or is corrupt counts as damaged, even where the decoder could fill in the rest).
// Throws Cancelled when asked to stop while decoding.
std::optional<GreyImage> greyPreview(const QString &path, int maximumDimension, std::stop_token stop = {});

// The picture scaled down by area averaging so that its longest side is at most
// `maximumDimension`; the other side keeps the proportion, rounded, and is at least 1. A
// picture that already fits comes back unchanged.
GreyImage scaledToFit(const GreyImage &image, int maximumDimension);

// The picture turned and mirrored as the EXIF orientation value says (1 = as stored, 6 = turn
// a quarter clockwise, ...). Values outside 1 to 8 leave it as it is.
GreyImage oriented(const GreyImage &image, int exifOrientation);

// The standard luminance (ITU-R BT.601 weights) of an 8-bit RGB colour, rounded.
inline std::uint8_t lumaOf(int r, int g, int b)
{
    return std::uint8_t((r * 19595 + g * 38470 + b * 7471 + 32768) >> 16);
}

} // namespace quillmore
