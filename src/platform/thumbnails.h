#pragma once

// Small preview pictures of image files, decoded as cheaply as the format allows: JPEG and PNG
// through Qt's reader with a scaled decode (JPEG decodes at a fraction of its size), HEIC through
// libheif (its stored thumbnail when there is one), camera RAW through LibRaw's embedded preview.
// Slow: call it off the GUI thread. It never throws; a file it cannot read gives a null image.

#include <QImage>
#include <QSize>
#include <QString>

namespace quillmore {

// An image that fits in the box (aspect ratio kept, upright per the file's orientation), or a
// null image when the file has no picture we can read.
QImage loadThumbnailImage(const QString &path, QSize maxPixels);

} // namespace quillmore
