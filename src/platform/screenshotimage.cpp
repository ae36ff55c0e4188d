#include "screenshotimage.h"

#include "paths.h"
#include "textpolarity.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

#include <libheif/heif.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmore {

namespace {

constexpr qint64 maxScreenshotFileBytes = qint64(512) * 1024 * 1024;

void fail(QString *error, ScreenshotImageProblem *problem, ScreenshotImageProblem kind, const QString &why)
{
    if (error)
        *error = why;
    if (problem)
        *problem = kind;
}

bool readWholeFile(const QString &path, QByteArray &data, QString *error, ScreenshotImageProblem *problem)
{
    // A pipe, socket or device named like a picture is refused by its type before it is opened:
    // opening a pipe waits for a writer that may never come. The file is opened without waiting
    // and its type checked again, in case it was replaced meanwhile.
    const QByteArray encoded = encodePath(path);
    struct stat st {};
    if (::stat(encoded.constData(), &st) != 0) {
        fail(error, problem, ScreenshotImageProblem::Unreadable, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(error, problem, ScreenshotImageProblem::NotRegularFile, QStringLiteral("not a regular file"));
        return false;
    }
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        fail(error, problem, ScreenshotImageProblem::Unreadable, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(error, problem, ScreenshotImageProblem::NotRegularFile, QStringLiteral("not a regular file"));
        ::close(fd);
        return false;
    }
    if (st.st_size > maxScreenshotFileBytes) {
        fail(error, problem, ScreenshotImageProblem::TooLarge, QStringLiteral("file too large"));
        ::close(fd);
        return false;
    }
    data.resize(qsizetype(st.st_size));
    qint64 done = 0;
    while (done < st.st_size) {
        const ssize_t n = ::read(fd, data.data() + done, std::size_t(st.st_size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    data.resize(qsizetype(done));
    return true;
}

bool withinLimits(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= maxScreenshotSide
        && size.height() <= maxScreenshotSide && qint64(size.width()) * size.height() <= maxScreenshotPixels;
}

QImage decodeHeif(const QByteArray &data, QString *error, ScreenshotImageProblem *problem)
{
    auto fail = [error, problem](const heif_error &e) {
        if (error)
            *error = QString::fromUtf8(e.message ? e.message : "HEIF decoding failed");
        if (problem)
            *problem = ScreenshotImageProblem::NotAnImage;
        return QImage();
    };
    std::unique_ptr<heif_context, void (*)(heif_context *)> context(heif_context_alloc(), heif_context_free);
    if (!context)
        return QImage();
    // libheif's own limit, for the tiles and layers inside the file.
    heif_context_set_maximum_image_size_limit(context.get(), maxScreenshotSide);
    heif_error e = heif_context_read_from_memory_without_copy(context.get(), data.constData(), std::size_t(data.size()),
                                                              nullptr);
    if (e.code != heif_error_Ok)
        return fail(e);
    heif_image_handle *rawHandle = nullptr;
    e = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    if (e.code != heif_error_Ok)
        return fail(e);
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle *)> handle(rawHandle,
                                                                                   heif_image_handle_release);
    if (!withinLimits(QSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())))) {
        if (error)
            *error = QStringLiteral("image too large");
        if (problem)
            *problem = ScreenshotImageProblem::TooLarge;
        return QImage();
    }
    heif_image *rawImage = nullptr;
    // Decoding applies the file's rotation and mirroring.
    e = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    if (e.code != heif_error_Ok)
        return fail(e);
    std::unique_ptr<heif_image, void (*)(const heif_image *)> image(rawImage, heif_image_release);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t *pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || width <= 0 || height <= 0)
        return QImage();
    QImage wrapped(pixels, width, height, stride, QImage::Format_RGBA8888);
    return wrapped.convertToFormat(QImage::Format_ARGB32);
}

bool looksLikeHeif(const QByteArray &data)
{
    const heif_filetype_result kind = heif_check_filetype(reinterpret_cast<const uint8_t *>(data.constData()),
                                                          int(std::min<qsizetype>(data.size(), 64)));
    return kind == heif_filetype_yes_supported || kind == heif_filetype_maybe;
}

// The image over white: what shows through transparent parts is the page, not what the file
// happens to store under them.
QImage overWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage canvas(image.size(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, image);
    painter.end();
    return canvas;
}

} // namespace

QImage loadScreenshotImage(const QString &path, QString *error, ScreenshotImageProblem *problem)
{
    if (problem)
        *problem = ScreenshotImageProblem::None;
    QByteArray data;
    if (!readWholeFile(path, data, error, problem))
        return QImage();
    if (data.size() >= 12 && looksLikeHeif(data)) {
        QImage image = decodeHeif(data, error, problem);
        if (!image.isNull())
            return overWhite(image);
        if (problem && *problem == ScreenshotImageProblem::TooLarge)
            return QImage();
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true); // EXIF orientation
    // The size the file declares is checked before anything is decoded; the reader's own
    // allocation limit stops a file that declares less than it holds.
    const QSize declared = reader.size();
    if (declared.isValid() && !withinLimits(declared)) {
        fail(error, problem, ScreenshotImageProblem::TooLarge, QStringLiteral("image too large"));
        return QImage();
    }
    reader.setAllocationLimit(int(maxScreenshotPixels * 4 / (1024 * 1024)) + 1);
    QImage image = reader.read();
    if (image.isNull()) {
        fail(error, problem, ScreenshotImageProblem::NotAnImage, reader.errorString());
        return QImage();
    }
    if (!withinLimits(image.size())) {
        fail(error, problem, ScreenshotImageProblem::TooLarge, QStringLiteral("image too large"));
        return QImage();
    }
    return overWhite(image);
}

double secondPassScale(QSize padded)
{
    const int larger = std::max(padded.width(), padded.height());
    if (larger <= 1)
        return secondPassMaxScale;
    return std::max(1.0, std::min(double(secondPassMaxSide) / double(larger), secondPassMaxScale));
}

QSize secondPassSize(QSize original)
{
    const QSize padded(original.width() + 2 * secondPassBorder, original.height() + 2 * secondPassBorder);
    const double s = secondPassScale(padded);
    return QSize(int(std::lround(padded.width() * s)), int(std::lround(padded.height() * s)));
}

QRect secondPassArea(const QRect &original, int border, double sx, double sy)
{
    return QRectF((original.left() + border) * sx, (original.top() + border) * sy, original.width() * sx,
                  original.height() * sy)
        .toAlignedRect();
}

QImage prepareSecondPassImage(const QImage &image, const QList<QRect> &lines)
{
    if (image.isNull())
        return QImage();
    const QSize padded(image.width() + 2 * secondPassBorder, image.height() + 2 * secondPassBorder);
    const QSize target = secondPassSize(image.size());
    QImage canvas(target, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    const double sx = double(target.width()) / double(padded.width());
    const double sy = double(target.height()) / double(padded.height());
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(sx, sy);
        painter.drawImage(QPointF(secondPassBorder, secondPassBorder), image);
    }
    // 3 x 3 minimum, channel by channel, over each line of dark text, reading the unfiltered
    // canvas around the line.
    QImage result = canvas.copy();
    const cv::Mat source(canvas.height(), canvas.width(), CV_8UC4, const_cast<uchar *>(canvas.constBits()),
                         std::size_t(canvas.bytesPerLine()));
    cv::Mat destination(result.height(), result.width(), CV_8UC4, result.bits(), std::size_t(result.bytesPerLine()));
    const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, {3, 3});
    for (const QRect &line : lines) {
        const QRect inImage = line & image.rect();
        if (inImage.isEmpty())
            continue;
        const QRect area = secondPassArea(inImage, secondPassBorder, sx, sy) & canvas.rect();
        if (area.isEmpty() || hasLightText(canvas.copy(area)))
            continue;
        const cv::Rect roi(area.x(), area.y(), area.width(), area.height());
        cv::Mat filtered = destination(roi);
        cv::erode(source(roi), filtered, square);
    }
    return result;
}

} // namespace quillmore
