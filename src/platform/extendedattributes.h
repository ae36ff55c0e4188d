#pragma once

// Named extended attributes of a file, following symbolic links. Failures throw FailureError with
// the error number; a file system without extended attributes (FAT, exFAT) fails with
// EOPNOTSUPP.

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillmore {

// The attribute's value; nothing when the file has no attribute of that name.
std::optional<QByteArray> readExtendedAttribute(const QString &path, const char *name);
// Sets the attribute's whole value, replacing any earlier one. A read-only file of the user's
// own gets its attribute too: its mode is lifted for the write and put back as it was.
void writeExtendedAttribute(const QString &path, const char *name, const QByteArray &value);

} // namespace quillmore
