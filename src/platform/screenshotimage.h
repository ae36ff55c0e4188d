#pragma once

// Loading screenshot images (PNG, JPEG, HEIC and what else Qt reads) with their orientation
// applied, and the image steps of the thickened second recognition pass.

#include <QImage>
#include <QSize>
#include <QString>

namespace quillmore {

// The image in the file with its orientation applied, as 32-bit RGB. HEIC/HEIF files are decoded
// with libheif, the rest with Qt's readers. A null image when the file cannot be read or holds no
// image we can decode; `error` (when given) then says why, for diagnostics.
QImage loadScreenshotImage(const QString &path, QString *error = nullptr);

// White border added on every side before the second pass.
constexpr int secondPassBorder = 20;
// Largest side the second-pass image is enlarged to, and the enlargement bounds.
constexpr int secondPassMaxSide = 2048;
constexpr double secondPassMaxScale = 2.0;

// The enlargement factor for a padded image of this size: min(2048 / larger side, 2.0), never
// below 1.0; 2.0 when the larger side is at most 1.
double secondPassScale(QSize padded);
// The size of the second-pass image made from an image of `original` size.
QSize secondPassSize(QSize original);

// The second-pass image: the image over a white canvas with a border of 20 pixels, enlarged by
// secondPassScale, then a 3 x 3 morphological minimum per colour channel (dark strokes grow).
// Transparent pixels become white. A null image for a null input.
QImage prepareSecondPassImage(const QImage &image);

} // namespace quillmore
