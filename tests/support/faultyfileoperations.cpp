#include "faultyfileoperations.h"

#include "fixtures.h"

#include "platform/paths.h"

#include <cerrno>

namespace quillmore::testing {

void FaultyFileOperations::arm(const QString &path)
{
    const QString name = lastPathComponent(path);
    if (name.startsWith(QLatin1String(".quillmore-")))
        return;
    const bool armed = !faultySource.isEmpty() && name == faultySource;
    if (armed != m_armed || !armed) {
        m_spent = false;
        m_armedWrites = 0;
    }
    m_armed = armed;
}

void FaultyFileOperations::fail(int errorNumber, const char *operation, const QString &path)
{
    throw FailureError(FailureCode::fileOperation, errorNumber, path, operation);
}

bool FaultyFileOperations::exists(const QString &path, bool followLinks)
{
    if (!followLinks)
        arm(path);
    return PosixFileOperations::exists(path, followLinks);
}

std::optional<qint64> FaultyFileOperations::availableCapacity(const QString &path)
{
    if (capacityUnreadable)
        return std::nullopt;
    if (capacity)
        return capacity;
    return PosixFileOperations::availableCapacity(path);
}

int FaultyFileOperations::createExclusive(const QString &path)
{
    calls << QStringLiteral("create ") + lastPathComponent(path);
    if (m_armed && fault == Fault::createFails)
        fail(EACCES, "open", path);
    const int fd = PosixFileOperations::createExclusive(path);
    ++openFiles;
    return fd;
}

int FaultyFileOperations::openForReading(const QString &path)
{
    arm(path);
    calls << QStringLiteral("open ") + lastPathComponent(path);
    if (m_armed && fault == Fault::openSourceFails)
        fail(EACCES, "open", path);
    const int fd = PosixFileOperations::openForReading(path);
    ++openFiles;
    if (!lastPathComponent(path).startsWith(QLatin1String(".quillmore-")))
        m_sourceFds.insert(fd);
    return fd;
}

std::size_t FaultyFileOperations::read(int fd, char *buffer, std::size_t size)
{
    ++readCalls;
    if (m_armed && fault == Fault::ioErrorOnRead && m_sourceFds.contains(fd))
        fail(EIO, "read");
    const std::size_t n = PosixFileOperations::read(fd, buffer, size);
    if (afterRead)
        afterRead();
    return n;
}

std::size_t FaultyFileOperations::write(int fd, const char *data, std::size_t size)
{
    if (!m_armed)
        return PosixFileOperations::write(fd, data, size);
    ++m_armedWrites;
    switch (fault) {
    case Fault::noSpaceOnWrite:
        if (m_armedWrites > 1)
            fail(ENOSPC, "write");
        break;
    case Fault::partialWrites: return PosixFileOperations::write(fd, data, std::max<std::size_t>(1, size / 2));
    case Fault::lostWrite:
        if (!m_spent) {
            m_spent = true;
            return size;
        }
        break;
    case Fault::corruptWrite:
        if (!m_spent) {
            m_spent = true;
            QByteArray changed(data, qsizetype(size));
            changed[changed.size() / 2] = char(changed.at(changed.size() / 2) ^ 0x01);
            return PosixFileOperations::write(fd, changed.constData(), size);
        }
        break;
    default: break;
    }
    return PosixFileOperations::write(fd, data, size);
}

void FaultyFileOperations::flush(int fd)
{
    calls << QStringLiteral("flush");
    if (m_armed && fault == Fault::flushFails)
        fail(EIO, "fsync");
    PosixFileOperations::flush(fd);
}

void FaultyFileOperations::close(int fd) noexcept
{
    --openFiles;
    m_sourceFds.remove(fd);
    PosixFileOperations::close(fd);
}

void FaultyFileOperations::dropCachedPages(int fd) noexcept
{
    calls << QStringLiteral("drop");
    PosixFileOperations::dropCachedPages(fd);
}

void FaultyFileOperations::renameNoReplace(const QString &from, const QString &to)
{
    calls << QStringLiteral("renameNoReplace");
    if (m_armed) {
        switch (fault) {
        case Fault::renameFails: fail(EIO, "renameat2");
        case Fault::destinationAppears: makeFile(to, intruderBytes); break;
        case Fault::renameUnsupported:
        case Fault::linksUnsupported:
        case Fault::destinationAppearsBeforeLink: fail(EINVAL, "renameat2");
        default: break;
        }
    }
    PosixFileOperations::renameNoReplace(from, to);
}

void FaultyFileOperations::link(const QString &from, const QString &to)
{
    calls << QStringLiteral("link");
    if (m_armed && fault == Fault::linksUnsupported)
        fail(EPERM, "link");
    if (m_armed && fault == Fault::destinationAppearsBeforeLink)
        makeFile(to, intruderBytes);
    PosixFileOperations::link(from, to);
}

void FaultyFileOperations::rename(const QString &from, const QString &to)
{
    calls << QStringLiteral("rename");
    PosixFileOperations::rename(from, to);
}

void FaultyFileOperations::flushFolder(const QString &folder)
{
    ++folderFlushes;
    if (folderFlushFails)
        fail(EIO, "fsync");
    PosixFileOperations::flushFolder(folder);
}

} // namespace quillmore::testing
