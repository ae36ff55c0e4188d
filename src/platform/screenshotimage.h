#pragma once

// Loading screenshot images (PNG, JPEG, HEIC and what else Qt reads) with their orientation
// applied, and the image steps of the thickened second recognition pass.

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

namespace quillmore {

// The largest screenshot read, by side and by pixel count (an 8K screen fits, with room), for every
// decoder: reading one then stays well within a gigabyte.
constexpr int maxScreenshotSide = 32768;
constexpr qint64 maxScreenshotPixels = qint64(64) * 1000 * 1000;

// Why a screenshot could not be loaded.
enum class ScreenshotImageProblem {
    None,
    Unreadable,     // missing, or no permission
    NotRegularFile, // a folder, pipe, socket or device: refused without being opened
    TooLarge,       // beyond the limits above
    NotAnImage,     // no image a decoder understands
};

// The image in the file with its orientation applied, as 32-bit RGB, transparent parts over white.
// HEIC/HEIF files are decoded with libheif, the rest with Qt's readers, all within the same
// limits. A null image when the file cannot be read or holds no image we can decode; `error`
// (when given) then says why, for diagnostics, and `problem` what kind of failure it was.
QImage loadScreenshotImage(const QString &path, QString *error = nullptr, ScreenshotImageProblem *problem = nullptr);

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

// Where a rectangle of the original image lies on an image made from it with a white border of
// `border` pixels on every side, then enlarged by `sx` and `sy`: the whole pixels that cover it.
QRect secondPassArea(const QRect &original, int border, double sx, double sy);

// The second-pass image: the image over a white canvas with a border of 20 pixels, enlarged by
// secondPassScale. Within each of `lines` (rectangles of the original image) whose text is dark on
// light, a 3 x 3 morphological minimum per colour channel makes the strokes grow. Light text is
// left as it is: the same filter would thin its strokes away. Transparent pixels become white. A
// null image for a null input.
QImage prepareSecondPassImage(const QImage &image, const QList<QRect> &lines);

} // namespace quillmore
