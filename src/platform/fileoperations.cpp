#include "fileoperations.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quillmore {
namespace {

[[noreturn]] void fail(const char *operation, const QString &path = QString())
{
    throw FailureError(FailureCode::fileOperation, errno, path, operation);
}

bool unsupported(int errorNumber)
{
    return errorNumber == EINVAL || errorNumber == ENOSYS || errorNumber == EOPNOTSUPP || errorNumber == ENOTSUP;
}

} // namespace

bool PosixFileOperations::exists(const QString &path, bool followLinks)
{
    struct stat st;
    const QByteArray p = encodePath(path);
    return (followLinks ? ::stat(p.constData(), &st) : ::lstat(p.constData(), &st)) == 0;
}

std::optional<FileAttributes> PosixFileOperations::attributes(const QString &path)
{
    struct statx sx;
    if (::statx(AT_FDCWD, encodePath(path).constData(), 0,
                STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_INO, &sx)
        != 0)
        return std::nullopt;
    if (!(sx.stx_mask & STATX_SIZE))
        return std::nullopt;
    FileAttributes a;
    a.size = qint64(sx.stx_size);
    a.modificationTime = timespec{time_t(sx.stx_mtime.tv_sec), long(sx.stx_mtime.tv_nsec)};
    if (sx.stx_mask & STATX_BTIME)
        a.creationTime = timespec{time_t(sx.stx_btime.tv_sec), long(sx.stx_btime.tv_nsec)};
    a.permissions = sx.stx_mode & 07777;
    a.isRegularFile = S_ISREG(sx.stx_mode);
    a.device = (quint64(sx.stx_dev_major) << 32) | quint64(sx.stx_dev_minor);
    a.inode = quint64(sx.stx_ino);
    return a;
}

std::optional<QStringList> PosixFileOperations::visibleEntryNames(const QString &folder)
{
    DIR *dir = ::opendir(encodePath(folder).constData());
    if (!dir)
        return std::nullopt;
    QStringList names;
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names << decodePath(entry->d_name);
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0)
        return std::nullopt;
    return names;
}

std::optional<qint64> PosixFileOperations::availableCapacity(const QString &path)
{
    struct statvfs sv;
    int rc;
    do {
        rc = ::statvfs(encodePath(path).constData(), &sv);
    } while (rc != 0 && errno == EINTR);
    // A file system that reports no size at all (ramfs, some network and FUSE file systems)
    // tells nothing about its free space either.
    if (rc != 0 || sv.f_blocks == 0)
        return std::nullopt;
    const unsigned long long bytes = static_cast<unsigned long long>(sv.f_bavail) * sv.f_frsize;
    return bytes > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX : qint64(bytes);
}

int PosixFileOperations::createExclusive(const QString &path)
{
    int fd;
    do {
        fd = ::open(encodePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        fail("open", path);
    return fd;
}

int PosixFileOperations::openForReading(const QString &path)
{
    // Opened without blocking, so that a named pipe in place of a file cannot hang the caller;
    // only regular files are read (a pipe or a device would give endless or made-up data).
    int fd;
    do {
        fd = ::open(encodePath(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        fail("open", path);
    struct stat st;
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || !S_ISREG(st.st_mode)) {
        const int error = !known ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = error;
        fail("open", path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::size_t PosixFileOperations::read(int fd, char *buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0)
            return std::size_t(n);
        if (errno != EINTR)
            fail("read");
    }
}

std::size_t PosixFileOperations::write(int fd, const char *data, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0)
            return std::size_t(n);
        if (n == 0) {
            // A write that takes nothing and names no error: the device is full.
            errno = ENOSPC;
            fail("write");
        }
        if (errno != EINTR)
            fail("write");
    }
}

void PosixFileOperations::flush(int fd)
{
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        fail("fsync");
}

void PosixFileOperations::close(int fd) noexcept
{
    // Linux frees the descriptor even when close reports an error; never retry.
    ::close(fd);
}

void PosixFileOperations::adviseSequential(int fd) noexcept
{
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void PosixFileOperations::dropCachedPages(int fd) noexcept
{
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}

bool PosixFileOperations::setModificationTime(int fd, const timespec &time) noexcept
{
    const timespec times[2] = {timespec{0, UTIME_OMIT}, time};
    return ::futimens(fd, times) == 0;
}

bool PosixFileOperations::setPermissions(int fd, unsigned permissions) noexcept
{
    return ::fchmod(fd, mode_t(permissions)) == 0;
}

bool PosixFileOperations::setCreationTime(const QString &, const timespec &) noexcept
{
    return false; // Linux keeps the creation time to itself.
}

bool PosixFileOperations::remove(const QString &path) noexcept
{
    return ::unlink(encodePath(path).constData()) == 0;
}

void PosixFileOperations::renameNoReplace(const QString &from, const QString &to)
{
    if (::renameat2(AT_FDCWD, encodePath(from).constData(), AT_FDCWD, encodePath(to).constData(), RENAME_NOREPLACE)
        != 0) {
        if (unsupported(errno))
            errno = EINVAL; // one answer for "this file system cannot"
        fail("renameat2", to);
    }
}

void PosixFileOperations::link(const QString &from, const QString &to)
{
    if (::link(encodePath(from).constData(), encodePath(to).constData()) != 0)
        fail("link", to);
}

void PosixFileOperations::rename(const QString &from, const QString &to)
{
    if (::rename(encodePath(from).constData(), encodePath(to).constData()) != 0)
        fail("rename", to);
}

void PosixFileOperations::flushFolder(const QString &folder)
{
    int fd;
    do {
        fd = ::open(encodePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        fail("open", folder);
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    const int fsyncError = errno;
    ::close(fd);
    // Some file systems cannot flush a folder on its own and say so; their entries reach the
    // device with the file data.
    if (rc != 0 && !(fsyncError == EINVAL || fsyncError == EROFS)) {
        errno = fsyncError;
        fail("fsync", folder);
    }
}

FileOperations &realFileOperations()
{
    static PosixFileOperations operations;
    return operations;
}

} // namespace quillmore
