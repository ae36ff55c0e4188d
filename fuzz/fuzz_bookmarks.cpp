// Stored folder bookmarks read back from arbitrary stored bytes.

#include "matching/bookmarkstore.h"

#include <QSettings>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quillmore;
    static QTemporaryDir dir;
    // The settings stay in memory: nothing is written to the file while the target runs.
    static QSettings settings(dir.filePath(QStringLiteral("fuzz.ini")), QSettings::IniFormat);
    static BookmarkStore store(&settings);
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    settings.setValue(QStringLiteral("bookmark.searches"), bytes);
    (void)store.loadBookmarks(QStringLiteral("bookmark.searches"));
    // The same bytes stored under a preference of the wrong type must not matter either.
    settings.setValue(QStringLiteral("bookmark.selection"), QString::fromLatin1(bytes.toHex()));
    (void)store.loadBookmarks(QStringLiteral("bookmark.selection"));
    return 0;
}
