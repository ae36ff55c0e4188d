#include "findertagservice.h"

#include "model/cancellation.h"
#include "platform/extendedattributes.h"
#include "platform/propertylist.h"

namespace quillmore {
namespace {

#if defined(__linux__)
constexpr const char *kXdgTagsAttribute = "user.xdg.tags";
#endif

int colourIndex(QualityFlag flag)
{
    switch (flag) {
    case QualityFlag::possibleUnsharp: return 6; // red
    case QualityFlag::duplicate: return 3;       // purple
    case QualityFlag::fileCheck: return 5;       // yellow
    }
    return 0;
}

#if defined(__linux__)
// Writes the tag names into the freedesktop attribute, merged with the names already there: a
// name there that matches one of ours (ignoring case) gives way to ours, the others stay in
// their order, and our names follow. A name with a comma cannot be told apart in this list and
// is left out. Best effort: the tags themselves are already written.
void mirrorToXdgTags(const QStringList &tags, const FileURL &file)
{
    try {
        QStringList ours;
        for (const QString &tag : tags) {
            const QString name = FinderTagService::tagName(tag);
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
const char *const FinderTagService::tagsAttributeName = "user.com.apple.metadata:_kMDItemUserTags";
#else
const char *const FinderTagService::tagsAttributeName = "com.apple.metadata:_kMDItemUserTags";
#endif

QString FinderTagService::tagString(QualityFlag flag)
{
    return rawValue(flag) + QLatin1Char('\n') + QString::number(colourIndex(flag));
}

QString FinderTagService::tagName(const QString &tag)
{
    const qsizetype lineFeed = tag.indexOf(QLatin1Char('\n'));
    return lineFeed < 0 ? tag : tag.left(lineFeed);
}

QStringList FinderTagService::readTags(const FileURL &file)
{
    const auto value = readExtendedAttribute(file, tagsAttributeName);
    if (!value || value->isEmpty())
        return {};
    return stringArrayFromPropertyList(*value);
}

void FinderTagService::writeTags(const QStringList &tags, const FileURL &file)
{
    writeExtendedAttribute(file, tagsAttributeName, binaryPropertyList(tags));
#if defined(__linux__)
    mirrorToXdgTags(tags, file);
#endif
}

void FinderTagService::carryTags(const FileURL &source, const FileURL &target) noexcept
{
#if defined(__linux__)
    try {
        if (const auto names = readExtendedAttribute(source, kXdgTagsAttribute); names && !names->isEmpty())
            writeExtendedAttribute(target, kXdgTagsAttribute, *names);
    } catch (...) {
    }
#endif
    try {
        const QStringList tags = readTags(source);
        if (!tags.isEmpty())
            writeTags(tags, target);
    } catch (...) {
    }
}

void FinderTagService::applyTags(const QSet<QualityFlag> &flags, const FileURL &file, std::stop_token stop)
{
    std::lock_guard lock(m_mutex);
    if (flags.isEmpty())
        return;
    throwIfCancelled(stop);
    QStringList tags = readTags(file);
    for (QualityFlag flag : allQualityFlags()) {
        if (!flags.contains(flag))
            continue;
        const QString name = rawValue(flag);
        tags.removeIf([&](const QString &tag) { return tagName(tag).compare(name, Qt::CaseInsensitive) == 0; });
        tags << tagString(flag);
    }
    writeTags(tags, file);
}

} // namespace quillmore
