#pragma once

// The file operations the copy planner, the safe copy and the file hasher are written against.
// They reach the file system only through a FileOperations object, so that tests can stand in
// for one operation at a time (a full disk, a failing read, a lost write, a failing flush or
// rename, a file that appears at the destination just before the move) and watch what the
// caller does about it. PosixFileOperations is the real one.
//
// Paths are locations as QString (see paths.h); every call passes them through encodePath().
// Operations that can fail for reasons worth telling throw FailureError (code fileOperation, with
// the error number, the path and the call); lookups answer "nothing" instead.

#include "platform/errors.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <ctime>
#include <optional>

namespace quillmore {

struct FileAttributes {
    qint64 size = 0;
    timespec modificationTime{};
    std::optional<timespec> creationTime; // when the file system records one
    unsigned permissions = 0;             // the permission bits (mode & 07777)
    bool isRegularFile = false;
    quint64 device = 0; // with the inode, which file this is
    quint64 inode = 0;
};

class FileOperations {
public:
    virtual ~FileOperations() = default;

    // ---- lookups: never throw ----
    // True when something is at the path. With followLinks false a symbolic link counts as
    // present even when it leads nowhere (the name is taken).
    virtual bool exists(const QString &path, bool followLinks) = 0;
    // Attributes of the file at the path, following symbolic links.
    virtual std::optional<FileAttributes> attributes(const QString &path) = 0;
    // The names of the folder's direct entries, hidden ones (a leading full stop) left out, in
    // no particular order; nothing when the folder cannot be listed.
    virtual std::optional<QStringList> visibleEntryNames(const QString &folder) = 0;
    // Bytes an unprivileged user may still write on the volume that holds the path; nothing
    // when the volume cannot tell.
    virtual std::optional<qint64> availableCapacity(const QString &path) = 0;

    // ---- open files: throw FailureError ----
    // Creates a new, empty file for writing; fails with EEXIST when the name is taken.
    virtual int createExclusive(const QString &path) = 0;
    // Opens a regular file; anything else (a folder, a pipe, a device) fails with EISDIR or
    // EINVAL.
    virtual int openForReading(const QString &path) = 0;
    // Up to `size` bytes; 0 at the end of the file.
    virtual std::size_t read(int fd, char *buffer, std::size_t size) = 0;
    // Writes some of the bytes and answers how many (at least one).
    virtual std::size_t write(int fd, const char *data, std::size_t size) = 0;
    // Flushes the file's data and attributes to the storage device.
    virtual void flush(int fd) = 0;
    virtual void close(int fd) noexcept = 0;

    // ---- best effort: false when it did not work ----
    // Tells the system the whole file will be read once, front to back.
    virtual void adviseSequential(int fd) noexcept = 0;
    // Drops the file's cached pages (those already flushed), so the next read comes from the
    // device.
    virtual void dropCachedPages(int fd) noexcept = 0;
    virtual bool setModificationTime(int fd, const timespec &time) noexcept = 0;
    virtual bool setPermissions(int fd, unsigned permissions) noexcept = 0;
    // Linux cannot set a creation time; other platforms may.
    virtual bool setCreationTime(const QString &path, const timespec &time) noexcept = 0;
    virtual bool remove(const QString &path) noexcept = 0;

    // ---- names: throw FailureError ----
    // Gives the file `from` the name `to`, failing with EEXIST when `to` is taken; never
    // replaces. File systems that cannot do this fail with EINVAL, ENOSYS or EOPNOTSUPP.
    virtual void renameNoReplace(const QString &from, const QString &to) = 0;
    // A second name for the file; EEXIST when `to` is taken.
    virtual void link(const QString &from, const QString &to) = 0;
    // A plain rename, which replaces a file at `to`; callers test for one first.
    virtual void rename(const QString &from, const QString &to) = 0;
    // Flushes the folder's entries (new and removed names) to the storage device.
    virtual void flushFolder(const QString &folder) = 0;
};

// The real file system.
class PosixFileOperations : public FileOperations {
public:
    bool exists(const QString &path, bool followLinks) override;
    std::optional<FileAttributes> attributes(const QString &path) override;
    std::optional<QStringList> visibleEntryNames(const QString &folder) override;
    std::optional<qint64> availableCapacity(const QString &path) override;
    int createExclusive(const QString &path) override;
    int openForReading(const QString &path) override;
    std::size_t read(int fd, char *buffer, std::size_t size) override;
    std::size_t write(int fd, const char *data, std::size_t size) override;
    void flush(int fd) override;
    void close(int fd) noexcept override;
    void adviseSequential(int fd) noexcept override;
    void dropCachedPages(int fd) noexcept override;
    bool setModificationTime(int fd, const timespec &time) noexcept override;
    bool setPermissions(int fd, unsigned permissions) noexcept override;
    bool setCreationTime(const QString &path, const timespec &time) noexcept override;
    bool remove(const QString &path) noexcept override;
    void renameNoReplace(const QString &from, const QString &to) override;
    void link(const QString &from, const QString &to) override;
    void rename(const QString &from, const QString &to) override;
    void flushFolder(const QString &folder) override;
};

// One shared real implementation (it has no state).
FileOperations &realFileOperations();

} // namespace quillmore
