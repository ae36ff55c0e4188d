#include "testimages.h"

#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace quillmore::testing {

QImage photoLikeScene(int width, int height, std::uint32_t seed)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(90, 140, 200));
    sky.setColorAt(1, QColor(200, 180, 150));
    painter.fillRect(image.rect(), sky);
    const double scale = std::max(width, height) / 1000.0;
    const auto colour = [&] { return QColor(random.bounded(256), random.bounded(256), random.bounded(256)); };
    // Large soft shapes, then smaller hard ones, then thin lines: detail at every scale.
    for (int i = 0; i < 40; ++i) {
        const double r = (60 + random.bounded(200)) * scale;
        QRadialGradient fill(random.bounded(width), random.bounded(height), r);
        fill.setColorAt(0, colour());
        fill.setColorAt(1, colour());
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(fill.center(), r, r * (0.5 + random.generateDouble()));
    }
    for (int i = 0; i < 400; ++i) {
        painter.setPen(QPen(colour(), 1 + random.bounded(3)));
        painter.setBrush(colour());
        const double w = (4 + random.bounded(80)) * scale;
        const double h = (4 + random.bounded(80)) * scale;
        const QRectF box(random.bounded(width), random.bounded(height), w, h);
        if (i % 3 == 0)
            painter.drawRect(box);
        else if (i % 3 == 1)
            painter.drawEllipse(box);
        else
            painter.drawPolygon(QPolygonF{box.topLeft(), box.bottomRight(), box.bottomLeft()});
    }
    for (int i = 0; i < 600; ++i) {
        painter.setPen(QPen(colour(), 0.8 + random.generateDouble() * 1.5 * scale));
        const QPointF start(random.bounded(width), random.bounded(height));
        painter.drawLine(start,
                         start
                             + QPointF((random.generateDouble() - 0.5) * 200 * scale,
                                       (random.generateDouble() - 0.5) * 200 * scale));
    }
    painter.end();
    // Grain, as a sensor adds it.
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(9)) - 4;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                           std::clamp(qBlue(p) + grain, 0, 255));
        }
    }
    return image;
}

QImage gaussianBlurred(const QImage &source, double sigma)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int radius = std::max(1, int(std::ceil(3 * sigma)));
    std::vector<float> kernel(std::size_t(2 * radius + 1));
    float total = 0;
    for (int i = -radius; i <= radius; ++i)
        total += kernel[std::size_t(i + radius)] = float(std::exp(-(i * i) / (2 * sigma * sigma)));
    for (float &k : kernel)
        k /= total;
    const int w = image.width();
    const int h = image.height();
    std::vector<float> across(std::size_t(w) * std::size_t(h) * 3);
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            float r = 0, g = 0, b = 0;
            for (int i = -radius; i <= radius; ++i) {
                const QRgb p = line[std::clamp(x + i, 0, w - 1)];
                const float k = kernel[std::size_t(i + radius)];
                r += k * qRed(p);
                g += k * qGreen(p);
                b += k * qBlue(p);
            }
            float *out = &across[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
            out[0] = r;
            out[1] = g;
            out[2] = b;
        }
    }
    QImage result(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < w; ++x) {
            float c[3] = {0, 0, 0};
            for (int i = -radius; i <= radius; ++i) {
                const std::size_t row = std::size_t(std::clamp(y + i, 0, h - 1));
                const float *in = &across[(row * std::size_t(w) + std::size_t(x)) * 3];
                const float k = kernel[std::size_t(i + radius)];
                c[0] += k * in[0];
                c[1] += k * in[1];
                c[2] += k * in[2];
            }
            line[x] = qRgb(std::clamp(int(std::lround(c[0])), 0, 255), std::clamp(int(std::lround(c[1])), 0, 255),
                           std::clamp(int(std::lround(c[2])), 0, 255));
        }
    }
    return result;
}

bool writeJpeg(const QImage &image, const QString &path, int quality)
{
    QImageWriter writer(path, "jpeg");
    writer.setQuality(quality);
    return writer.write(image);
}

namespace {

class TiffBuilder {
public:
    void u16(std::vector<char> &into, unsigned v) const
    {
        into.push_back(char(v & 0xFF));
        into.push_back(char((v >> 8) & 0xFF));
    }
    void u32(std::vector<char> &into, std::uint32_t v) const
    {
        u16(into, v & 0xFFFF);
        u16(into, v >> 16);
    }

    // One directory entry; values longer than four bytes go to the data area after the
    // directory, whose offset is fixed before the entries are laid out.
    void entry(unsigned tag, unsigned type, std::uint32_t count, const std::vector<char> &value)
    {
        entries.push_back({tag, type, count, value});
    }
    void shortEntry(unsigned tag, std::vector<unsigned> values)
    {
        std::vector<char> bytes;
        for (unsigned v : values)
            u16(bytes, v);
        entry(tag, 3, std::uint32_t(values.size()), bytes);
    }
    void longEntry(unsigned tag, std::uint32_t value)
    {
        std::vector<char> bytes;
        u32(bytes, value);
        entry(tag, 4, 1, bytes);
    }
    void byteEntry(unsigned tag, std::vector<unsigned> values)
    {
        std::vector<char> bytes;
        for (unsigned v : values)
            bytes.push_back(char(v));
        entry(tag, 1, std::uint32_t(values.size()), bytes);
    }
    void asciiEntry(unsigned tag, const char *text)
    {
        std::vector<char> bytes(text, text + std::strlen(text) + 1);
        entry(tag, 2, std::uint32_t(bytes.size()), bytes);
    }
    void rationalEntry(unsigned tag, unsigned type, std::vector<double> values)
    {
        std::vector<char> bytes;
        for (double v : values) {
            u32(bytes, std::uint32_t(std::int32_t(std::lround(v * 10000))));
            u32(bytes, 10000);
        }
        entry(tag, type, std::uint32_t(values.size()), bytes);
    }

    // The header and the directory, then its data area; `imageOffset` is where the image data
    // begins (the caller writes it right after).
    std::vector<char> build(std::uint32_t &imageOffset, unsigned stripOffsetTag)
    {
        std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
        const std::uint32_t directorySize = std::uint32_t(2 + entries.size() * 12 + 4);
        std::uint32_t dataSize = 0;
        for (const Entry &e : entries)
            if (e.value.size() > 4)
                dataSize += std::uint32_t((e.value.size() + 1) & ~std::size_t(1));
        imageOffset = (8 + directorySize + dataSize + 15) & ~15u;
        for (Entry &e : entries)
            if (e.tag == stripOffsetTag) {
                e.value.clear();
                u32(e.value, imageOffset);
            }
        std::vector<char> out{'I', 'I'};
        u16(out, 42);
        u32(out, 8);
        u16(out, unsigned(entries.size()));
        std::vector<char> data;
        std::uint32_t dataOffset = 8 + directorySize;
        for (const Entry &e : entries) {
            u16(out, e.tag);
            u16(out, e.type);
            u32(out, e.count);
            if (e.value.size() <= 4) {
                std::vector<char> inline4 = e.value;
                inline4.resize(4, 0);
                out.insert(out.end(), inline4.begin(), inline4.end());
            } else {
                u32(out, dataOffset + std::uint32_t(data.size()));
                data.insert(data.end(), e.value.begin(), e.value.end());
                if (data.size() % 2)
                    data.push_back(0);
            }
        }
        u32(out, 0);
        out.insert(out.end(), data.begin(), data.end());
        out.resize(imageOffset, 0);
        return out;
    }

private:
    struct Entry {
        unsigned tag;
        unsigned type;
        std::uint32_t count;
        std::vector<char> value;
    };
    std::vector<Entry> entries;
};

} // namespace

bool writeDng(const QImage &source, const QString &path, int orientation)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    if (w < 2 || h < 2 || w % 2 || h % 2)
        return false;
    constexpr unsigned whiteLevel = 16383; // 14-bit sensor data
    constexpr unsigned blackLevel = 256;
    std::uint16_t linear[256];
    for (int v = 0; v < 256; ++v) {
        const double c = v / 255.0;
        const double l = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        linear[v] = std::uint16_t(blackLevel + std::lround(l * (whiteLevel - blackLevel)));
    }
    const std::uint32_t imageBytes = std::uint32_t(w) * std::uint32_t(h) * 2;
    TiffBuilder tiff;
    tiff.longEntry(254, 0);
    tiff.longEntry(256, std::uint32_t(w));
    tiff.longEntry(257, std::uint32_t(h));
    tiff.shortEntry(258, {16});
    tiff.shortEntry(259, {1});
    tiff.shortEntry(262, {32803}); // colour filter array
    tiff.asciiEntry(271, "Quillmore");
    tiff.asciiEntry(272, "Test Sensor");
    tiff.longEntry(273, 0); // strip offset, set by build()
    tiff.shortEntry(274, {unsigned(orientation)});
    tiff.shortEntry(277, {1});
    tiff.longEntry(278, std::uint32_t(h));
    tiff.longEntry(279, imageBytes);
    tiff.shortEntry(284, {1});
    tiff.shortEntry(33421, {2, 2});
    tiff.byteEntry(33422, {0, 1, 1, 2}); // R G / G B
    tiff.byteEntry(50706, {1, 4, 0, 0});
    tiff.byteEntry(50707, {1, 1, 0, 0});
    tiff.asciiEntry(50708, "Quillmore Test Sensor");
    tiff.shortEntry(50714, {blackLevel});
    tiff.shortEntry(50717, {whiteLevel});
    // XYZ (D65) to the sensor's colours, here the sRGB primaries.
    tiff.rationalEntry(50721, 10, {3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570});
    tiff.rationalEntry(50728, 5, {1, 1, 1});
    tiff.shortEntry(50778, {21}); // D65
    std::uint32_t imageOffset = 0;
    const std::vector<char> header = tiff.build(imageOffset, 273);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (file.write(header.data(), qint64(header.size())) != qint64(header.size()))
        return false;
    std::vector<char> row(std::size_t(w) * 2);
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb p = line[x];
            const int channel = (y % 2) * 2 + (x % 2); // 0 R, 1 and 2 G, 3 B
            const int value = channel == 0 ? qRed(p) : channel == 3 ? qBlue(p) : qGreen(p);
            const std::uint16_t sample = linear[value];
            row[std::size_t(x) * 2] = char(sample & 0xFF);
            row[std::size_t(x) * 2 + 1] = char(sample >> 8);
        }
        if (file.write(row.data(), qint64(row.size())) != qint64(row.size()))
            return false;
    }
    return file.flush();
}

bool writeHeic(const QString &path, QSize size, int thumbnailWidth)
{
    if (!heif_have_encoder_for_format(heif_compression_HEVC))
        return false;
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    bool ok = heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok;
    heif_image *image = nullptr;
    ok = ok
        && heif_image_create(size.width(), size.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code
            == heif_error_Ok;
    ok = ok
        && heif_image_add_plane(image, heif_channel_interleaved, size.width(), size.height(), 8).code == heif_error_Ok;
    if (ok) {
        int stride = 0;
        uint8_t *data = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                data[y * stride + x * 3] = uint8_t(x);
                data[y * stride + x * 3 + 1] = uint8_t(y);
                data[y * stride + x * 3 + 2] = 128;
            }
        heif_image_handle *handle = nullptr;
        ok = heif_context_encode_image(context, image, encoder, nullptr, &handle).code == heif_error_Ok;
        if (ok && thumbnailWidth > 0)
            ok = heif_context_encode_thumbnail(context, image, handle, encoder, nullptr, thumbnailWidth, nullptr).code
                == heif_error_Ok;
        if (handle)
            heif_image_handle_release(handle);
        ok = ok && heif_context_write_to_file(context, path.toUtf8().constData()).code == heif_error_Ok;
    }
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    return ok;
}

} // namespace quillmore::testing
