#include "errors.h"

#include "model/localization.h"

namespace quillmore {

FileReadError::FileReadError(Code code, const QString &path)
    : LocalizedError(localized("error.file.read.noSuchFile")), m_code(code), m_path(path)
{
}

} // namespace quillmore
