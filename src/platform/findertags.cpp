#include "findertags.h"

#include "platform/extendedattributes.h"
#include "platform/propertylist.h"

namespace quillmore {
namespace {

#if defined(__linux__)
constexpr const char *kXdgTagsAttribute = "user.xdg.tags";

// Writes the tag names into the freedesktop attribute, merged with the names already there: a
// name there that matches one of ours (ignoring case) gives way to ours, the others stay in
// their order, and our names follow. A name with a comma cannot be told apart in this list and
// is left out. Best effort: the tags themselves are already written.
void mirrorToXdgTags(const QStringList &tags, const QString &file)
{
    try {
        QStringList ours;
        for (const QString &tag : tags) {
            const QString name = finderTagName(tag);
            if (name.isEmpty() || name.contains(QLatin1Char(',')))
                continue;
            bool seen = false;
            for (const QString &o : ours)
                seen = seen || o.compare(name, Qt::CaseInsensitive) == 0;
            if (!seen)
                ours << name;
        }
        QStringList merged;
        if (const auto existing = readExtendedAttribute(file, kXdgTagsAttribute)) {
            const QStringList theirs = QString::fromUtf8(*existing).split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (const QString &t : theirs) {
                const QString name = t.trimmed();
                bool replaced = false;
                for (const QString &o : ours)
                    replaced = replaced || o.compare(name, Qt::CaseInsensitive) == 0;
                if (!name.isEmpty() && !replaced && !merged.contains(name))
                    merged << name;
            }
        }
        merged << ours;
        if (merged.isEmpty())
            return;
        writeExtendedAttribute(file, kXdgTagsAttribute, merged.join(QLatin1Char(',')).toUtf8());
    } catch (const std::exception &) {
        // The file browser's own list is what counts; this copy of the names is a courtesy.
    }
}
#endif

} // namespace

#if defined(__linux__)
const char *const finderTagsAttributeName = "user.com.apple.metadata:_kMDItemUserTags";
#else
const char *const finderTagsAttributeName = "com.apple.metadata:_kMDItemUserTags";
#endif

QString finderTagName(const QString &tag)
{
    const qsizetype lineFeed = tag.indexOf(QLatin1Char('\n'));
    return lineFeed < 0 ? tag : tag.left(lineFeed);
}

QStringList readFinderTags(const QString &path)
{
    const auto value = readExtendedAttribute(path, finderTagsAttributeName);
    if (!value || value->isEmpty())
        return {};
    return stringArrayFromPropertyList(*value);
}

void writeFinderTags(const QStringList &tags, const QString &path)
{
    writeExtendedAttribute(path, finderTagsAttributeName, binaryPropertyList(tags));
#if defined(__linux__)
    mirrorToXdgTags(tags, path);
#endif
}

void carryFinderTags(const QString &source, const QString &target) noexcept
{
#if defined(__linux__)
    try {
        if (const auto names = readExtendedAttribute(source, kXdgTagsAttribute); names && !names->isEmpty())
            writeExtendedAttribute(target, kXdgTagsAttribute, *names);
    } catch (...) {
    }
#endif
    try {
        const QStringList tags = readFinderTags(source);
        if (!tags.isEmpty())
            writeFinderTags(tags, target);
    } catch (...) {
    }
}

} // namespace quillmore
