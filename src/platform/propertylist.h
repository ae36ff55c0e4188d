#pragma once

// Property lists holding one array of strings, as the file browser's tags are stored: written
// in the binary format (version 1.0, data starting with "bplist00"); read from the binary or the
// XML format.

#include "platform/errors.h"

#include <QByteArray>
#include <QStringList>

namespace quillmore {

class PropertyListError : public LocalizedError {
public:
    enum class Code {
        readCorrupt,  // the data is not a property list, or not an array of strings
        writeFailed,  // the list could not be encoded
    };
    explicit PropertyListError(Code code);
    Code code() const { return m_code; }

private:
    Code m_code;
};

QByteArray binaryPropertyList(const QStringList &strings);
QStringList stringArrayFromPropertyList(const QByteArray &data);

} // namespace quillmore
