#include "findertagservice.h"

#include "model/cancellation.h"
#include "platform/findertags.h"

namespace quillmore {
namespace {

int colourIndex(QualityFlag flag)
{
    switch (flag) {
    case QualityFlag::possibleUnsharp: return 6; // red
    case QualityFlag::duplicate: return 3;       // purple
    case QualityFlag::fileCheck: return 5;       // yellow
    }
    return 0;
}

} // namespace

const char *const FinderTagService::tagsAttributeName = finderTagsAttributeName;

QString FinderTagService::tagString(QualityFlag flag)
{
    return rawValue(flag) + QLatin1Char('\n') + QString::number(colourIndex(flag));
}

QString FinderTagService::tagName(const QString &tag)
{
    return finderTagName(tag);
}

QStringList FinderTagService::readTags(const FileURL &file)
{
    return readFinderTags(file);
}

void FinderTagService::writeTags(const QStringList &tags, const FileURL &file)
{
    writeFinderTags(tags, file);
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
