#include "thumbnails.h"

#include "paths.h"
#include "model/records.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTransform>

#include <libheif/heif.h>
#include <libraw/libraw.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

namespace quillmore {

namespace {

QSize fitted(QSize size, QSize box)
{
    if (size.isEmpty())
        return box;
    if (size.width() <= box.width() && size.height() <= box.height())
        return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage scaledTo(const QImage &image, QSize box)
{
    if (image.isNull())
        return image;
    const QSize target = fitted(image.size(), box);
    if (target == image.size())
        return image;
    return image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Decodes through Qt's readers, asking the reader for a scaled decode so that a large JPEG is
// decoded at a fraction of its size.
QImage readScaled(QIODevice *device, QSize box)
{
    QImageReader reader(device);
    reader.setAutoTransform(true);
    reader.setDecideFormatFromContent(true);
    QSize size = reader.size();
    if (size.isValid()) {
        // The stored size is before orientation; scale within a box that fits either way.
        const QImageIOHandler::Transformations t = reader.transformation();
        if (t & QImageIOHandler::TransformationRotate90)
            size.transpose();
        QSize target = fitted(size, box);
        if (t & QImageIOHandler::TransformationRotate90)
            target.transpose();
        if (target != reader.size())
            reader.setScaledSize(target);
    }
    QImage image = reader.read();
    return scaledTo(image, box);
}

QImage readWithQt(const QString &path, QSize box)
{
    const int fd = ::open(encodePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    return readScaled(&file, box);
}

QImage readHeif(const QString &path, QSize box)
{
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    if (!context)
        return {};
    if (heif_context_read_from_file(context.get(), encodePath(path).constData(), nullptr).code != heif_error_Ok)
        return {};
    heif_image_handle *primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
        return {};
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> primaryHandle(primary,
                                                                                           heif_image_handle_release);
    heif_image_handle *chosen = primary;
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> thumbHandle(nullptr,
                                                                                         heif_image_handle_release);
    heif_item_id thumbId = 0;
    if (heif_image_handle_get_list_of_thumbnail_IDs(primary, &thumbId, 1) == 1) {
        heif_image_handle *thumb = nullptr;
        if (heif_image_handle_get_thumbnail(primary, thumbId, &thumb).code == heif_error_Ok && thumb) {
            thumbHandle.reset(thumb);
            // A stored thumbnail smaller than what is asked for looks blurred; use the picture.
            if (heif_image_handle_get_width(thumb) >= box.width()
                || heif_image_handle_get_height(thumb) >= box.height())
                chosen = thumb;
        }
    }
    heif_image *decoded = nullptr;
    if (heif_decode_image(chosen, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code
        != heif_error_Ok)
        return {};
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(decoded, heif_image_release);
    int stride = 0;
    const uint8_t *data = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    if (!data || width <= 0 || height <= 0)
        return {};
    // Copy out of libheif's buffer before it is released.
    const QImage view(data, width, height, stride, QImage::Format_RGBA8888);
    return scaledTo(view.copy(), box);
}

QImage readRawPreview(const QString &path, QSize box)
{
    auto raw = std::make_unique<LibRaw>();
    if (raw->open_file(encodePath(path).constData()) != LIBRAW_SUCCESS)
        return {};
    if (raw->unpack_thumb() != LIBRAW_SUCCESS)
        return {};
    int error = LIBRAW_SUCCESS;
    libraw_processed_image_t *thumb = raw->dcraw_make_mem_thumb(&error);
    if (!thumb)
        return {};
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> owned(
        thumb, [](libraw_processed_image_t *p) { LibRaw::dcraw_clear_mem(p); });
    QImage image;
    if (thumb->type == LIBRAW_IMAGE_JPEG) {
        QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(thumb->data), int(thumb->data_size));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        image = readScaled(&buffer, box.expandedTo(box.transposed()));
        image = image.copy(); // detach from the LibRaw buffer
    } else if (thumb->type == LIBRAW_IMAGE_BITMAP && thumb->colors == 3 && thumb->bits == 8) {
        const QImage view(thumb->data, thumb->width, thumb->height, thumb->width * 3, QImage::Format_RGB888);
        image = view.copy();
    }
    if (image.isNull())
        return {};
    // The preview is stored as the sensor sees it; the camera's orientation turns it upright.
    QTransform turn;
    switch (raw->imgdata.sizes.flip) {
    case 3: turn.rotate(180); break;
    case 5: turn.rotate(-90); break;
    case 6: turn.rotate(90); break;
    default: break;
    }
    if (!turn.isIdentity())
        image = image.transformed(turn);
    return scaledTo(image, box);
}

} // namespace

QImage loadThumbnailImage(const QString &path, QSize maxPixels)
{
    if (maxPixels.isEmpty())
        return {};
    const QString extension = pathExtension(path).toLower();
    try {
        if (extension == QLatin1String("heic") || extension == QLatin1String("heif"))
            return readHeif(path, maxPixels);
        if (rawExtensions().contains(extension))
            return readRawPreview(path, maxPixels);
        return readWithQt(path, maxPixels);
    } catch (...) {
        // A decoder that throws (out of memory on a damaged file) means no thumbnail.
        return {};
    }
}

} // namespace quillmore
