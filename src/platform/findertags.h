#pragma once

// The file browser's user tags of a file, as stored: a binary property list (one array of
// strings, each a tag name optionally followed by a line feed and a colour index) in the
// extended attribute "com.apple.metadata:_kMDItemUserTags" — on Linux in the user namespace,
// "user.com.apple.metadata:_kMDItemUserTags". On Linux the tag names are also mirrored,
// comma-separated, into "user.xdg.tags", which Linux file browsers show.

#include <QString>
#include <QStringList>

namespace quillmore {

extern const char *const finderTagsAttributeName;

// The name of a tag string: its text before the first line feed.
QString finderTagName(const QString &tag);

// The file's tags; empty when it has none. Throws FailureError: with the error number when the
// attribute cannot be read, tagsUnreadable when it does not hold an array of strings.
QStringList readFinderTags(const QString &path);
// Replaces the file's tags (a read-only file of the user's own included). Throws FailureError:
// with the error number when the attribute cannot be written (a file system without extended
// attributes answers EOPNOTSUPP), tagsUnwritable when the list cannot be encoded.
void writeFinderTags(const QStringList &tags, const QString &path);

// Gives `target` the tags of `source`: the file browser's tags and, on Linux, the names in
// "user.xdg.tags" that Linux file browsers set. Best effort: nothing is reported.
void carryFinderTags(const QString &source, const QString &target) noexcept;

} // namespace quillmore
