// Path standardisation, containment and the byte-exact name round trip.

#include "platform/paths.h"
#include "platform/text.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quillmore;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    // Any bytes from disk survive decoding and encoding unchanged.
    const QString decoded = decodePath(bytes);
    const QByteArray encoded = encodePath(decoded);
    if (std::string_view(encoded.constData(), std::size_t(encoded.size())) != bytes)
        std::abort();

    // Split the input in two paths at the first NUL.
    const std::size_t split = bytes.find('\0');
    const QString a = QStringLiteral("/") + decodePath(bytes.substr(0, split));
    const QString b = split == std::string_view::npos ? QStringLiteral("/")
                                                      : QStringLiteral("/") + decodePath(bytes.substr(split + 1));

    const QString sa = standardizedPath(a);
    if (standardizedPath(sa) != sa) // standardising is idempotent
        std::abort();
    if (!sa.startsWith(QLatin1Char('/')) || sa.contains(QStringLiteral("//")) || sa.contains(QStringLiteral("/./"))
        || (sa.size() > 1 && sa.endsWith(QLatin1Char('/'))))
        std::abort();
    if (!isSameOrInside(a, a))
        std::abort();
    if (isSameOrInside(a, b) && isSameOrInside(b, a) && standardizedPath(a) != standardizedPath(b))
        std::abort(); // containment both ways means the same place
    if (isSameOrInside(a, b) && !isSameOrInside(appendingPathComponent(sa, QStringLiteral("x")), b))
        std::abort(); // what is inside a place is inside everything that contains it
    const QList<QString> roots = rootLocations({a, b, a});
    if (roots.isEmpty() || roots.size() > 2)
        std::abort();

    // Keys are stable: the byte and text forms agree, and a key is its own key.
    const QString key = matchKey(decoded);
    if (decodePath(matchKeyUtf8(bytes)) != key)
        std::abort();
    if (matchKey(key) != key)
        std::abort();
    (void)baseName(decoded);
    (void)localizedStandardCompare(a, b);
    return 0;
}
