#include "extendedattributes.h"

#include "platform/fileoperations.h"
#include "platform/paths.h"

#include <cerrno>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

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
    const QByteArray p = encodePath(path);
    const auto set = [&] { return ::setxattr(p.constData(), name, value.constData(), std::size_t(value.size()), 0); };
    if (set() == 0)
        return;
    const int error = errno;
    // Linux asks for write permission to set a user attribute. A read-only file of our own (a
    // copy that took the mode of a locked card file) gets it for the write, then its mode back.
    struct stat info {};
    if ((error == EACCES || error == EPERM) && ::stat(p.constData(), &info) == 0 && info.st_uid == ::geteuid()
        && S_ISREG(info.st_mode) && !(info.st_mode & S_IWUSR)
        && ::chmod(p.constData(), (info.st_mode & 07777) | S_IWUSR) == 0) {
        const int rc = set();
        const int setError = errno;
        ::chmod(p.constData(), info.st_mode & 07777);
        if (rc == 0)
            return;
        throw FailureError(FailureCode::fileOperation, setError, path, "setxattr");
    }
    throw FailureError(FailureCode::fileOperation, error, path, "setxattr");
}

} // namespace quillmore
