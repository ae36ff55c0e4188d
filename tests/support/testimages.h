#pragma once

// Pictures made at test time: photo-like scenes, their blurred versions, and a minimal DNG
// writer, so that no binary fixture is kept in the repository.

#include <QImage>
#include <QString>

#include <cstdint>

namespace quillmore::testing {

// A scene with hard edges and fine detail: shapes of many sizes, lines and grain, made from the
// seed alone, so the same seed gives the same picture.
QImage photoLikeScene(int width, int height, std::uint32_t seed);

// The picture blurred by a Gaussian of the given standard deviation, in pixels.
QImage gaussianBlurred(const QImage &image, double sigma);

// Writes the picture as a JPEG file (baseline, 4:2:0, as cameras write them).
bool writeJpeg(const QImage &image, const QString &path, int quality = 92);

// Writes a minimal uncompressed DNG (little-endian TIFF, one 16-bit RGGB colour-filter image of
// the picture's size, sRGB primaries, D65, white balance neutral, the given EXIF orientation).
// The picture's colours are made linear and sampled through the colour filter, as a sensor
// would see them. Width and height must be even.
bool writeDng(const QImage &image, const QString &path, int orientation = 1);

// Writes an HEIC picture of the given size (with a stored thumbnail of the given width, or none
// when 0); false when this libheif cannot encode HEVC.
bool writeHeic(const QString &path, QSize size, int thumbnailWidth = 0);

} // namespace quillmore::testing
