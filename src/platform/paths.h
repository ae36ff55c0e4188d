#pragma once

// File locations. A location is an absolute path in standardised form: "." and ".." resolved
// lexically, repeated and trailing slashes dropped, symbolic links kept. Every map keyed by
// location uses standardizedPath().
//
// Names on disk are bytes. Bytes that are not valid UTF-8 are carried through a QString as lone
// surrogates (U+DC80..U+DCFF, one per byte), so every name read from disk can be written back
// exactly: decodePath() and encodePath() are inverse to each other for any byte string.

#include <QByteArray>
#include <QList>
#include <QString>

#include <string_view>

namespace quillmore {

QString decodePath(std::string_view bytes);
QByteArray encodePath(const QString &path);

// Standardised absolute form. A relative path is taken from the current folder.
QString standardizedPath(const QString &path);

// The path with every symbolic link resolved, or the standardised path when it cannot be
// resolved (for example because it does not exist).
QString resolvingSymlinks(const QString &path);

QString lastPathComponent(const QString &path);
// The file name's extension, without the full stop (the rule of extensionDot); empty when it has
// none.
QString pathExtension(const QString &fileName);
// The file name without its extension and the full stop before it.
QString deletingPathExtension(const QString &fileName);
// The folder that contains the location ("/" for a top-level entry).
QString parentPath(const QString &path);
QString appendingPathComponent(const QString &folder, const QString &name);

// True when the standardised path of `a` is `b` or lies below it, comparing whole components
// exactly (case-sensitive): "/Volumes/Shoot2" is not inside "/Volumes/Shoot".
bool isSameOrInside(const QString &a, const QString &b);

// True when the path names an existing folder (links followed).
bool isDirectoryPath(const QString &path);
// Why the path does not name an existing folder: the error number of looking it up (ENOENT,
// EACCES, ...), ENOTDIR when it is something else; 0 when it is a folder.
int directoryPathError(const QString &path);
// True when the path names an existing regular file (links followed).
bool isRegularFilePath(const QString &path);

// The folder where the file system that holds the path is mounted (the highest folder above it
// on the same device), with symbolic links resolved; empty when the path cannot be read.
QString mountRootOf(const QString &path);
// True when the folder is where a file system is mounted: "/" or a folder on another device
// than its parent. A mount point with nothing mounted on it is not.
bool isMountRoot(const QString &path);
// True when both paths exist and lie on one file system.
bool onSameFileSystem(const QString &a, const QString &b);

// Standardises every location and drops each one whose path repeats an earlier one, keeping the
// order of first occurrences.
QList<QString> uniqueByStandardizedPath(const QList<QString> &locations);

// uniqueByStandardizedPath, then drops every location that lies inside another one of the list,
// so that each folder is walked once, as part of the outermost location.
QList<QString> rootLocations(const QList<QString> &locations);

} // namespace quillmore
