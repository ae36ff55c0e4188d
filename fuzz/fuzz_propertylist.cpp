// The tag property-list reader on arbitrary attribute values, and the round trip of what it
// accepts.

#include "platform/propertylist.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quillmore;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList tags;
    try {
        tags = stringArrayFromPropertyList(bytes);
    } catch (const FailureError &) {
        return 0; // refused cleanly
    }
    // What was read can be written and reads back the same.
    QByteArray written;
    try {
        written = binaryPropertyList(tags);
    } catch (const FailureError &) {
        return 0; // strings the encoder refuses (for example lone surrogates)
    }
    if (!written.startsWith("bplist00") || stringArrayFromPropertyList(written) != tags)
        std::abort();
    return 0;
}
