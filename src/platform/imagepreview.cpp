#include "imagepreview.h"

#include "model/cancellation.h"
#include "paths.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <libraw.h>
#include <memory>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace quillmore {
namespace {

// ---- content signatures ---------------------------------------------------------------------

enum class Content { missing, empty, jpeg, tiff, other };

Content sniff(const QByteArray &encodedPath)
{
    const int fd = ::open(encodedPath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Content::missing;
    unsigned char b[4] = {};
    const ssize_t n = ::read(fd, b, sizeof b);
    ::close(fd);
    if (n < 0)
        return Content::missing;
    if (n == 0)
        return Content::empty;
    if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return Content::jpeg;
    // Classic TIFF, BigTIFF and the TIFF variants of Olympus and Panasonic RAW files.
    if (n >= 4 && ((b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M')))
        return Content::tiff;
    return Content::other;
}

// ---- EXIF orientation -------------------------------------------------------------------------

// The Orientation entry (tag 0x0112) of the first image directory of an APP1 "Exif" segment;
// 1 when there is none or it cannot be read.
int exifOrientation(const unsigned char *data, std::size_t size)
{
    if (size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 1;
    const unsigned char *tiff = data + 6;
    const std::size_t length = size - 6;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return 1;
    const auto u16 = [&](std::size_t at) -> unsigned {
        return little ? unsigned(tiff[at]) | (unsigned(tiff[at + 1]) << 8) : (unsigned(tiff[at]) << 8) | tiff[at + 1];
    };
    const auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? std::uint32_t(u16(at)) | (std::uint32_t(u16(at + 2)) << 16)
                      : (std::uint32_t(u16(at)) << 16) | std::uint32_t(u16(at + 2));
    };
    if (u16(2) != 42)
        return 1;
    const std::uint32_t ifd = u32(4);
    if (ifd > length - 2 || ifd + 2 > length)
        return 1;
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = std::size_t(ifd) + 2 + std::size_t(i) * 12;
        if (entry + 12 > length)
            return 1;
        if (u16(entry) == 0x0112 && u16(entry + 2) == 3 /* SHORT */) {
            const unsigned value = u16(entry + 8);
            return value >= 1 && value <= 8 ? int(value) : 1;
        }
    }
    return 1;
}

// ---- JPEG through libjpeg-turbo ----------------------------------------------------------------

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool damaged = false;
    bool endOfData = false; // the data ended before the end marker
};

void jpegErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->jump, 1);
}

// Warnings are data the decoder could not read and filled in: the picture is damaged. The end of
// the data alone is not: many programs leave out the final end marker of a complete picture;
// missing picture data shows as the decoder running into that end (JWRN_HIT_MARKER), or, in a
// progressive file, as coefficients left unrefined. Other messages are silenced.
void jpegEmitMessage(j_common_ptr info, int level)
{
    if (level != -1)
        return;
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF: reinterpret_cast<JpegErrors *>(info->err)->endOfData = true; break;
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL: reinterpret_cast<JpegErrors *>(info->err)->damaged = true; break;
    default: break;
    }
}

void jpegOutputMessage(j_common_ptr) {}

enum class JpegResult { decoded, failed, cancelled };

// Everything the decoding touches lives here, outside the frame that calls setjmp, so that a
// jump out of the decoder skips no destructor.
struct JpegJob {
    jpeg_decompress_struct info{};
    JpegErrors errors;
    bool created = false;
    FILE *file = nullptr;
    int maximumDimension = 0;
    std::stop_token stop;
    GreyImage image;
    std::vector<std::uint8_t> row;
    int orientation = 1;
};

// The DCT scale n/8 that gives the smallest picture whose longest side still reaches the
// target: decoding at it does the bulk of the reduction for free.
int dctScaleNumerator(unsigned longest, int target)
{
    for (int n = 1; n < 8; ++n) {
        if ((std::uint64_t(longest) * unsigned(n) + 7) / 8 >= unsigned(target))
            return n;
    }
    return 8;
}

JpegResult runJpeg(JpegJob &job)
{
    jpeg_decompress_struct &info = job.info;
    info.err = jpeg_std_error(&job.errors.manager);
    job.errors.manager.error_exit = jpegErrorExit;
    job.errors.manager.emit_message = jpegEmitMessage;
    job.errors.manager.output_message = jpegOutputMessage;
    if (setjmp(job.errors.jump))
        return JpegResult::failed;
    jpeg_create_decompress(&info);
    job.created = true;
    jpeg_stdio_src(&info, job.file);
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return JpegResult::failed;
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            job.orientation = exifOrientation(m->data, m->data_length);
            break;
        }
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_GRAYSCALE;
    info.scale_num = unsigned(dctScaleNumerator(std::max(info.image_width, info.image_height), job.maximumDimension));
    info.scale_denom = 8;
    if (!jpeg_start_decompress(&info))
        return JpegResult::failed;
    const int width = int(info.output_width);
    const int height = int(info.output_height);
    const int components = info.output_components;
    if (width <= 0 || height <= 0 || (components != 1 && components != 4))
        return JpegResult::failed;
    job.image = GreyImage(width, height);
    job.row.resize(std::size_t(width) * std::size_t(components));
    while (info.output_scanline < info.output_height) {
        if (info.output_scanline % 16 == 0 && job.stop.stop_requested())
            return JpegResult::cancelled;
        const int y = int(info.output_scanline);
        std::uint8_t *target = &job.image.pixels[std::size_t(y) * std::size_t(width)];
        JSAMPROW rowPointer = components == 1 ? target : job.row.data();
        if (jpeg_read_scanlines(&info, &rowPointer, 1) != 1 || job.errors.damaged)
            return JpegResult::failed; // no need to decode the rest of a damaged file
        if (components == 4) {
            // CMYK as Adobe writes it, inverted: each ink's value times black is the colour.
            for (int x = 0; x < width; ++x) {
                const std::uint8_t *p = &job.row[std::size_t(x) * 4];
                const int k = p[3];
                target[x] = lumaOf(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
            }
        }
    }
    if (job.errors.endOfData && info.progressive_mode && !job.errors.damaged) {
        // Every coefficient of every component refined to its last bit, or scans are missing.
        for (int c = 0; c < info.num_components; ++c)
            for (int k = 0; k < DCTSIZE2; ++k)
                if (info.coef_bits[c][k] != 0)
                    return JpegResult::failed;
    }
    jpeg_finish_decompress(&info);
    return job.errors.damaged ? JpegResult::failed : JpegResult::decoded;
}

std::optional<GreyImage> jpegPreview(const QByteArray &encodedPath, int maximumDimension, std::stop_token stop)
{
    JpegJob job;
    job.maximumDimension = maximumDimension;
    job.stop = stop;
    job.file = std::fopen(encodedPath.constData(), "rbe");
    if (!job.file)
        return std::nullopt;
    std::setvbuf(job.file, nullptr, _IOFBF, 1 << 16);
    struct Cleanup {
        JpegJob &job;
        ~Cleanup()
        {
            if (job.created)
                jpeg_destroy_decompress(&job.info);
            std::fclose(job.file);
        }
    } cleanup{job};
    const JpegResult result = runJpeg(job);
    if (result == JpegResult::cancelled)
        throw Cancelled();
    if (result == JpegResult::failed)
        return std::nullopt;
    return oriented(scaledToFit(job.image, maximumDimension), job.orientation);
}

// ---- camera RAW through LibRaw -----------------------------------------------------------------

enum class RawResult { decoded, unsupported, damaged };

int libRawProgress(void *data, LibRaw_progress, int, int)
{
    return static_cast<std::stop_token *>(data)->stop_requested() ? 1 : 0;
}

// LibRaw reports sensor data it cannot read here (and not on the console), and fills it in.
void libRawDataError(void *data, const char *, const int)
{
    *static_cast<bool *>(data) = true;
}

RawResult rawPreview(const QByteArray &encodedPath, int maximumDimension, std::stop_token stop,
                     std::optional<GreyImage> &preview)
{
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    bool dataError = false;
    raw->set_progress_handler(libRawProgress, &stop);
    raw->set_dataerror_handler(libRawDataError, &dataError);
    libraw_output_params_t &params = raw->imgdata.params;
    params.half_size = 1;     // one pixel per colour-filter block: no full-size demosaicing
    params.use_camera_wb = 1; // the white balance the camera chose
    params.output_bps = 8;
    params.output_color = 1; // sRGB
    int rc = raw->open_file(encodedPath.constData());
    if (rc == LIBRAW_CANCELLED_BY_CALLBACK || stop.stop_requested())
        throw Cancelled();
    // From here on LibRaw knows the format: whatever fails is the file's data.
    if (rc != LIBRAW_SUCCESS)
        return rc == LIBRAW_FILE_UNSUPPORTED ? RawResult::unsupported : RawResult::damaged;
    rc = raw->unpack();
    if (rc == LIBRAW_CANCELLED_BY_CALLBACK || stop.stop_requested())
        throw Cancelled();
    if (rc != LIBRAW_SUCCESS || dataError)
        return RawResult::damaged;
    rc = raw->dcraw_process();
    if (rc == LIBRAW_CANCELLED_BY_CALLBACK || stop.stop_requested())
        throw Cancelled();
    if (rc != LIBRAW_SUCCESS || dataError)
        return RawResult::damaged;
    // The bitmap comes with the camera's orientation applied.
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> bitmap(
        raw->dcraw_make_mem_image(&rc), [](libraw_processed_image_t *p) { LibRaw::dcraw_clear_mem(p); });
    if (!bitmap || rc != LIBRAW_SUCCESS || bitmap->type != LIBRAW_IMAGE_BITMAP || bitmap->bits != 8
        || (bitmap->colors != 1 && bitmap->colors != 3) || bitmap->width == 0 || bitmap->height == 0)
        return RawResult::damaged;
    const int width = bitmap->width;
    const int height = bitmap->height;
    const int colors = bitmap->colors;
    if (std::size_t(bitmap->data_size) < std::size_t(width) * std::size_t(height) * std::size_t(colors))
        return RawResult::damaged;
    GreyImage grey(width, height);
    const std::uint8_t *p = bitmap->data;
    for (std::size_t i = 0, n = grey.pixels.size(); i < n; ++i, p += colors)
        grey.pixels[i] = colors == 1 ? p[0] : lumaOf(p[0], p[1], p[2]);
    bitmap.reset();
    raw.reset();
    preview = scaledToFit(grey, maximumDimension);
    return RawResult::decoded;
}

// ---- other image types through Qt ------------------------------------------------------------

std::optional<GreyImage> qtPreview(const QByteArray &encodedPath, int maximumDimension)
{
    const int fd = ::open(encodedPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > maximumDimension)
        reader.setScaledSize(size.scaled(maximumDimension, maximumDimension, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    GreyImage grey(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            grey.at(x, y) = lumaOf(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    return scaledToFit(grey, maximumDimension);
}

// ---- scaling ------------------------------------------------------------------------------------

// For each target index, the source indices it covers and the share of each (summing to 1).
struct Tap {
    int source;
    float weight;
};

std::vector<std::vector<Tap>> areaTaps(int sourceLength, int targetLength)
{
    // Target pixel t covers [t·s, (t+1)·s) in units of 1/targetLength source pixels.
    auto taps = std::vector<std::vector<Tap>>(std::size_t(targetLength));
    const std::int64_t s = sourceLength;
    const std::int64_t d = targetLength;
    for (std::int64_t t = 0; t < d; ++t) {
        const std::int64_t begin = t * s;
        const std::int64_t end = (t + 1) * s;
        for (std::int64_t i = begin / d; i * d < end; ++i) {
            const std::int64_t overlap = std::min(end, (i + 1) * d) - std::max(begin, i * d);
            if (overlap > 0)
                taps[std::size_t(t)].push_back({int(i), float(double(overlap) / double(s))});
        }
    }
    return taps;
}

} // namespace

GreyImage scaledToFit(const GreyImage &image, int maximumDimension)
{
    const int longest = std::max(image.width, image.height);
    if (maximumDimension <= 0 || longest <= maximumDimension)
        return image;
    const double factor = double(maximumDimension) / double(longest);
    const int width = image.width >= image.height ? maximumDimension
                                                  : std::max(1, int(std::lround(image.width * factor)));
    const int height = image.height > image.width ? maximumDimension
                                                  : std::max(1, int(std::lround(image.height * factor)));
    const auto columns = areaTaps(image.width, width);
    const auto rows = areaTaps(image.height, height);
    // Across first, one source row at a time, then down.
    auto across = std::vector<float>(std::size_t(width) * std::size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t *source = &image.pixels[std::size_t(y) * std::size_t(image.width)];
        float *target = &across[std::size_t(y) * std::size_t(width)];
        for (int x = 0; x < width; ++x) {
            float sum = 0;
            for (const Tap &tap : columns[std::size_t(x)])
                sum += tap.weight * source[tap.source];
            target[x] = sum;
        }
    }
    GreyImage result(width, height);
    auto line = std::vector<float>(std::size_t(width));
    for (int y = 0; y < height; ++y) {
        std::fill(line.begin(), line.end(), 0.0f);
        for (const Tap &tap : rows[std::size_t(y)]) {
            const float *source = &across[std::size_t(tap.source) * std::size_t(width)];
            for (int x = 0; x < width; ++x)
                line[std::size_t(x)] += tap.weight * source[x];
        }
        std::uint8_t *target = &result.pixels[std::size_t(y) * std::size_t(width)];
        for (int x = 0; x < width; ++x)
            target[x] = std::uint8_t(std::clamp(std::lround(line[std::size_t(x)]), 0L, 255L));
    }
    return result;
}

GreyImage oriented(const GreyImage &image, int exifOrientation)
{
    if (exifOrientation < 2 || exifOrientation > 8)
        return image;
    const int w = image.width;
    const int h = image.height;
    const bool turned = exifOrientation >= 5;
    GreyImage result(turned ? h : w, turned ? w : h);
    for (int y = 0; y < result.height; ++y) {
        for (int x = 0; x < result.width; ++x) {
            int sx = x, sy = y;
            switch (exifOrientation) {
            case 2:
                sx = w - 1 - x;
                sy = y;
                break; // mirrored
            case 3:
                sx = w - 1 - x;
                sy = h - 1 - y;
                break; // half turn
            case 4:
                sx = x;
                sy = h - 1 - y;
                break; // mirrored upside down
            case 5:
                sx = y;
                sy = x;
                break; // transposed
            case 6:
                sx = y;
                sy = h - 1 - x;
                break; // quarter turn clockwise
            case 7:
                sx = w - 1 - y;
                sy = h - 1 - x;
                break; // transversed
            case 8:
                sx = w - 1 - y;
                sy = x;
                break; // quarter turn anticlockwise
            }
            result.at(x, y) = image.at(sx, sy);
        }
    }
    return result;
}

Preview makePreview(const QString &path, int maximumDimension, std::stop_token stop)
{
    throwIfCancelled(stop);
    const QByteArray encoded = encodePath(path);
    const Content content = sniff(encoded);
    const auto made = [](std::optional<GreyImage> image, PreviewStatus otherwise) {
        return image ? Preview{PreviewStatus::made, std::move(image)} : Preview{otherwise, std::nullopt};
    };
    switch (content) {
    case Content::missing:
    case Content::empty: return Preview{PreviewStatus::unreadable, std::nullopt};
    case Content::jpeg: return made(jpegPreview(encoded, maximumDimension, stop), PreviewStatus::damaged);
    case Content::tiff:
    case Content::other: break;
    }
    std::optional<GreyImage> preview;
    const RawResult raw = rawPreview(encoded, maximumDimension, stop, preview);
    if (raw == RawResult::decoded)
        return Preview{PreviewStatus::made, std::move(preview)};
    if (raw == RawResult::damaged)
        return Preview{PreviewStatus::damaged, std::nullopt};
    // A TIFF-structured file that LibRaw cannot read is a camera format it does not know; a
    // general TIFF reader would show only the small picture such files carry up front.
    if (content == Content::tiff)
        return Preview{PreviewStatus::unknownFormat, std::nullopt};
    return made(qtPreview(encoded, maximumDimension), PreviewStatus::unknownFormat);
}

std::optional<GreyImage> greyPreview(const QString &path, int maximumDimension, std::stop_token stop)
{
    return makePreview(path, maximumDimension, stop).image;
}

} // namespace quillmore
