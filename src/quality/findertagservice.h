#pragma once

// The tagging policy: one coloured tag in the file browser per quality flag, the user's own tags
// kept. The tags themselves are read and written by the platform (platform/findertags.h).

#include "quality/interfaces.h"

#include <QStringList>

#include <mutex>

namespace quillmore {

class FinderTagService : public FinderTagging {
public:
    static const char *const tagsAttributeName;

    // The tag string written for a flag: its raw value, a line feed, its colour index.
    static QString tagString(QualityFlag flag);
    // The name of a tag string: its text before the first line feed.
    static QString tagName(const QString &tag);

    // The file's tags and their replacement, as readFinderTags() and writeFinderTags().
    static QStringList readTags(const FileURL &file);
    static void writeTags(const QStringList &tags, const FileURL &file);

    // Adds one tag per flag, replacing a tag of the same name in any case and keeping the user's
    // other tags in their order. An empty set leaves the file alone.
    void applyTags(const QSet<QualityFlag> &flags, const FileURL &file, std::stop_token stop) override;

private:
    std::mutex m_mutex;
};

} // namespace quillmore
