#pragma once

// Property lists holding one array of strings, as the file browser's tags are stored: written
// in the binary format (version 1.0, data starting with "bplist00"); read from the binary or the
// XML format. Failures throw FailureError: tagsUnwritable when the list cannot be encoded,
// tagsUnreadable when the data is not a property list or not an array of strings.

#include "platform/errors.h"

#include <QByteArray>
#include <QStringList>

namespace quillmore {

QByteArray binaryPropertyList(const QStringList &strings);
QStringList stringArrayFromPropertyList(const QByteArray &data);

} // namespace quillmore
