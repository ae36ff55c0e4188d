#pragma once

// The file browser's user tags of a file. They are kept as a binary property list (one array of
// strings, each a tag name optionally followed by a line feed and a colour index) in the
// extended attribute "com.apple.metadata:_kMDItemUserTags" — on Linux in the user namespace,
// "user.com.apple.metadata:_kMDItemUserTags". On Linux the tag names are also mirrored,
// comma-separated, into "user.xdg.tags", which Linux file browsers show.

#include "copying/interfaces.h"

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

    // The file's tags; empty when it has none. Throws FailureError: with the error number when
    // the attribute cannot be read, tagsUnreadable when it does not hold an array of strings.
    static QStringList readTags(const FileURL &file);
    // Replaces the file's tags. Throws FailureError: with the error number when the attribute
    // cannot be written (a file system without extended attributes answers EOPNOTSUPP),
    // tagsUnwritable when the list cannot be encoded.
    static void writeTags(const QStringList &tags, const FileURL &file);

    // Gives `target` the tags of `source`: the file browser's tags and, on Linux, the names in
    // "user.xdg.tags" that Linux file browsers set. Best effort: nothing is reported.
    static void carryTags(const FileURL &source, const FileURL &target) noexcept;

    // Adds one tag per flag, replacing a tag of the same name in any case and keeping the user's
    // other tags in their order. An empty set leaves the file alone.
    void applyTags(const QSet<QualityFlag> &flags, const FileURL &file, std::stop_token stop) override;

private:
    std::mutex m_mutex;
};

} // namespace quillmore
