#include "imageheader.h"

#include "paths.h"

#include <libheif/heif.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string_view>
#include <type_traits>

namespace quillmore {
namespace {

// Reads bytes at an offset; false when fewer than `count` bytes are there.
using ReadAt = std::function<bool(std::uint64_t offset, unsigned char *into, std::size_t count)>;

// The part of libheif that reads a HEIC file's size. The library is opened when the first HEIC
// header is read, not when the program starts: it brings the decoders of four video formats, whose
// loading would cost a program that only scans folders more time than the scan of a warm disk.
// (A program that decodes HEIC links libheif, and then this finds the library already loaded.)
struct HeifSizeReader {
    decltype(&heif_check_filetype) checkFiletype = nullptr;
    decltype(&heif_context_alloc) contextAlloc = nullptr;
    decltype(&heif_context_read_from_file) readFromFile = nullptr;
    decltype(&heif_context_get_primary_image_handle) primaryImageHandle = nullptr;
    decltype(&heif_image_handle_get_width) width = nullptr;
    decltype(&heif_image_handle_get_height) height = nullptr;
    decltype(&heif_image_handle_release) releaseHandle = nullptr;
    decltype(&heif_context_free) contextFree = nullptr;

    bool usable() const
    {
        return checkFiletype && contextAlloc && readFromFile && primaryImageHandle && width && height && releaseHandle
            && contextFree;
    }
};

const HeifSizeReader &heifSizeReader()
{
    static const HeifSizeReader reader = [] {
        HeifSizeReader r;
        void *library = ::dlopen("libheif.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return r;
        const auto resolve = [library](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
        };
        resolve(r.checkFiletype, "heif_check_filetype");
        resolve(r.contextAlloc, "heif_context_alloc");
        resolve(r.readFromFile, "heif_context_read_from_file");
        resolve(r.primaryImageHandle, "heif_context_get_primary_image_handle");
        resolve(r.width, "heif_image_handle_get_width");
        resolve(r.height, "heif_image_handle_get_height");
        resolve(r.releaseHandle, "heif_image_handle_release");
        resolve(r.contextFree, "heif_context_free");
        return r; // the library stays open for the life of the program
    }();
    return reader;
}

std::optional<PixelSize> parseJpeg(const ReadAt &readAt)
{
    unsigned char b[9];
    if (!readAt(0, b, 2) || b[0] != 0xFF || b[1] != 0xD8)
        return std::nullopt;
    std::uint64_t pos = 2;
    // A header with more than this many segments is not one a camera or editor wrote.
    for (int segments = 0; segments < 4096; ++segments) {
        if (!readAt(pos, b, 2))
            return std::nullopt;
        if (b[0] != 0xFF)
            return std::nullopt;
        unsigned char marker = b[1];
        // Fill bytes: any number of 0xFF before a marker.
        while (marker == 0xFF) {
            ++pos;
            if (!readAt(pos, b, 2))
                return std::nullopt;
            marker = b[1];
        }
        pos += 2;
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        if (marker == 0xD9 || marker == 0xDA)
            return std::nullopt; // end of image or start of scan before any frame header
        if (!readAt(pos, b, 2))
            return std::nullopt;
        const unsigned length = (unsigned(b[0]) << 8) | b[1];
        if (length < 2)
            return std::nullopt;
        const bool frameHeader = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader) {
            if (length < 7 || !readAt(pos + 2, b, 5))
                return std::nullopt;
            const qint64 height = (qint64(b[1]) << 8) | b[2];
            const qint64 width = (qint64(b[3]) << 8) | b[4];
            if (width == 0 || height == 0)
                return std::nullopt;
            return PixelSize{width, height};
        }
        pos += length;
    }
    return std::nullopt;
}

} // namespace

std::optional<PixelSize> jpegPixelSize(const QString &path)
{
    const int fd = ::open(encodePath(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    // Headers are read through a small window that moves with the parse.
    unsigned char window[16384];
    std::uint64_t windowStart = 0;
    std::size_t windowSize = 0;
    const auto readAt = [&](std::uint64_t offset, unsigned char *into, std::size_t count) {
        if (offset < windowStart || offset + count > windowStart + windowSize) {
            const ssize_t n = ::pread(fd, window, sizeof window, off_t(offset));
            if (n < 0)
                return false;
            windowStart = offset;
            windowSize = std::size_t(n);
            if (count > windowSize)
                return false;
        }
        std::copy_n(window + (offset - windowStart), count, into);
        return true;
    };
    const auto size = parseJpeg(readAt);
    ::close(fd);
    return size;
}

std::optional<PixelSize> imagePixelSize(const QString &path)
{
    const QByteArray encoded = encodePath(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    unsigned char head[32] = {};
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    if (n < 12)
        return std::nullopt;
    if (head[0] == 0xFF && head[1] == 0xD8)
        return jpegPixelSize(path);
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::equal(png, png + 8, head)) {
        // The first chunk is IHDR: width and height, big-endian, at bytes 16 and 20.
        if (n < 24 || std::string_view(reinterpret_cast<const char *>(head + 12), 4) != "IHDR")
            return std::nullopt;
        const auto be32 = [&](int at) {
            return (qint64(head[at]) << 24) | (qint64(head[at + 1]) << 16) | (qint64(head[at + 2]) << 8) | head[at + 3];
        };
        const PixelSize size{be32(16), be32(20)};
        return size.width > 0 && size.height > 0 ? std::optional(size) : std::nullopt;
    }
    if (std::string_view(reinterpret_cast<const char *>(head + 4), 4) == "ftyp") {
        // HEIC: libheif reads the boxes that describe the images; nothing is decoded.
        const HeifSizeReader &heif = heifSizeReader();
        if (!heif.usable() || heif.checkFiletype(head, int(n)) == heif_filetype_no)
            return std::nullopt;
        heif_context *context = heif.contextAlloc();
        if (!context)
            return std::nullopt;
        std::optional<PixelSize> size;
        if (heif.readFromFile(context, encoded.constData(), nullptr).code == heif_error_Ok) {
            heif_image_handle *handle = nullptr;
            if (heif.primaryImageHandle(context, &handle).code == heif_error_Ok) {
                const int width = heif.width(handle);
                const int height = heif.height(handle);
                if (width > 0 && height > 0)
                    size = PixelSize{width, height};
                heif.releaseHandle(handle);
            }
        }
        heif.contextFree(context);
        return size;
    }
    return std::nullopt;
}

std::optional<PixelSize> jpegPixelSizeFromData(const unsigned char *data, std::size_t size)
{
    return parseJpeg([&](std::uint64_t offset, unsigned char *into, std::size_t count) {
        if (offset > size || count > size - offset)
            return false;
        std::copy_n(data + offset, count, into);
        return true;
    });
}

} // namespace quillmore
