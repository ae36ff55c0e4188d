#pragma once

#include <QString>

#include <optional>

namespace quillmore {

struct PixelSize {
    qint64 width = 0;
    qint64 height = 0;
};

// The pixel size a JPEG file declares for its main image, read from its frame header alone:
// the image data (and any embedded thumbnail) is never decoded. Nothing when the file cannot be
// read or is not a JPEG file.
std::optional<PixelSize> jpegPixelSize(const QString &path);

// The pixel size of the main image of a picture file of any of the formats a picture named
// ".jpg" may really hold: JPEG, PNG or HEIC (told by the file's first bytes, not its name). Only
// headers are read. Nothing when the file cannot be read or its format is none of these.
std::optional<PixelSize> imagePixelSize(const QString &path);

// The same, for JPEG data already in memory.
std::optional<PixelSize> jpegPixelSizeFromData(const unsigned char *data, std::size_t size);

} // namespace quillmore
