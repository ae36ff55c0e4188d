#include "propertylist.h"

#include <plist/plist.h>

#include <limits>
#include <memory>

namespace quillmore {
namespace {

struct PlistFree {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistFree>;

} // namespace

QByteArray binaryPropertyList(const QStringList &strings)
{
    PlistPtr array(plist_new_array());
    if (!array)
        throw FailureError(FailureCode::tagsUnwritable);
    for (const QString &s : strings) {
        // The library keeps strings as C strings: a NUL would cut the tag short without a word.
        if (s.contains(QChar(0)))
            throw FailureError(FailureCode::tagsUnwritable);
        plist_t item = plist_new_string(s.toUtf8().constData());
        if (!item)
            throw FailureError(FailureCode::tagsUnwritable);
        plist_array_append_item(array.get(), item);
    }
    char *data = nullptr;
    uint32_t length = 0;
    plist_to_bin(array.get(), &data, &length);
    if (!data || length == 0) {
        if (data)
            plist_to_bin_free(data);
        throw FailureError(FailureCode::tagsUnwritable);
    }
    QByteArray out(data, qsizetype(length));
    plist_to_bin_free(data);
    return out;
}

QStringList stringArrayFromPropertyList(const QByteArray &data)
{
    if (data.isEmpty() || quint64(data.size()) > std::numeric_limits<uint32_t>::max())
        throw FailureError(FailureCode::tagsUnreadable);
    plist_t root = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &root);
    PlistPtr owner(root);
    if (!root || plist_get_node_type(root) != PLIST_ARRAY)
        throw FailureError(FailureCode::tagsUnreadable);
    QStringList strings;
    const uint32_t count = plist_array_get_size(root);
    strings.reserve(qsizetype(count));
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(root, i);
        if (!item || plist_get_node_type(item) != PLIST_STRING)
            throw FailureError(FailureCode::tagsUnreadable);
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(item, &length);
        const QString string = QString::fromUtf8(text ? text : "", text ? qsizetype(length) : 0);
        // A tag with a NUL in it could not be written back as it is; such a list is refused
        // rather than changed.
        if (string.contains(QChar(0)))
            throw FailureError(FailureCode::tagsUnreadable);
        strings << string;
    }
    return strings;
}

} // namespace quillmore
