// The JPEG frame-header reader on arbitrary bytes.

#include "platform/imageheader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto pixels = quillmore::jpegPixelSizeFromData(data, size);
    if (pixels && (pixels->width <= 0 || pixels->height <= 0 || pixels->width > 65535 || pixels->height > 65535))
        std::abort();
    return 0;
}
