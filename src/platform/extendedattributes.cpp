#include "extendedattributes.h"

#include "platform/fileoperations.h"
#include "platform/paths.h"

#include <cerrno>

#include <sys/xattr.h>

namespace quillmore {

namespace {
bool isMissing(int errorNumber)
{
#ifdef ENOATTR
    if (errorNumber == ENOATTR)
        return true;
#endif
    return errorNumber == ENODATA;
}
} // namespace

std::optional<QByteArray> readExtendedAttribute(const QString &path, const char *name)
{
    const QByteArray p = encodePath(path);
    const ssize_t size = ::getxattr(p.constData(), name, nullptr, 0);
    if (size < 0) {
        if (isMissing(errno))
            return std::nullopt;
        throw FailureError(FailureCode::fileOperation, errno, path, "getxattr");
    }
    if (size == 0)
        return QByteArray();
    QByteArray value(qsizetype(size), Qt::Uninitialized);
    const ssize_t read = ::getxattr(p.constData(), name, value.data(), std::size_t(size));
    if (read < 0) {
        if (isMissing(errno)) // removed in between
            return std::nullopt;
        throw FailureError(FailureCode::fileOperation, errno, path, "getxattr");
    }
    if (read != size)
        throw FailureError(FailureCode::fileOperation, ERANGE, path, "getxattr");
    return value;
}

void writeExtendedAttribute(const QString &path, const char *name, const QByteArray &value)
{
    if (::setxattr(encodePath(path).constData(), name, value.constData(), std::size_t(value.size()), 0) != 0)
        throw FailureError(FailureCode::fileOperation, errno, path, "setxattr");
}

} // namespace quillmore
