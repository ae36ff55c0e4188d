#pragma once

// A file system that can be told to fail in one place, for the fault tests of the copying
// services.

#include "platform/fileoperations.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillmore::testing {

// The real file system with hooks. Faults apply to the work on one source file: from the moment
// a file of that name is opened for reading (as a copy source) until another source is opened.
class FaultyFileOperations : public PosixFileOperations {
public:
    enum class Fault {
        none,
        noSpaceOnWrite,               // write fails with ENOSPC after the first chunk
        ioErrorOnRead,                // reading the source fails with EIO
        partialWrites,                // every write takes half of what it is given (legal, must be finished)
        lostWrite,                    // one write reports success but the device keeps nothing
        corruptWrite,                 // one byte arrives changed
        flushFails,                   // fsync of the file fails with EIO
        renameFails,                  // the final move fails with EIO
        destinationAppears,           // another program creates the destination just before the move
        destinationAppearsBeforeLink, // no RENAME_NOREPLACE, and the name is taken before the link
        renameUnsupported,            // the file system has no RENAME_NOREPLACE (hard links instead)
        linksUnsupported,             // neither RENAME_NOREPLACE nor hard links
        createFails,                  // the temporary file cannot be created (EACCES)
        openSourceFails,              // the source cannot be opened (EACCES)
    };

    Fault fault = Fault::none;
    QString faultySource;           // file name of the source the fault applies to
    std::optional<qint64> capacity; // answered instead of the volume's when set
    bool capacityUnreadable = false;
    bool folderFlushFails = false;
    QByteArray intruderBytes = "someone else's file";

    // What happened, in order: "create <name>", "open <name>", "flush", "drop", "rename", ...
    QStringList calls;
    int openFiles = 0;
    int readCalls = 0;
    int folderFlushes = 0;
    std::function<void()> afterRead; // called after every successful read

    bool armed() const { return m_armed; }

    bool exists(const QString &path, bool followLinks) override;
    std::optional<qint64> availableCapacity(const QString &path) override;
    int createExclusive(const QString &path) override;
    int openForReading(const QString &path) override;
    std::size_t read(int fd, char *buffer, std::size_t size) override;
    std::size_t write(int fd, const char *data, std::size_t size) override;
    void flush(int fd) override;
    void close(int fd) noexcept override;
    void dropCachedPages(int fd) noexcept override;
    void renameNoReplace(const QString &from, const QString &to) override;
    void link(const QString &from, const QString &to) override;
    void rename(const QString &from, const QString &to) override;
    void flushFolder(const QString &folder) override;

private:
    void arm(const QString &path);
    // Like the real calls: those given a path name it in the error.
    [[noreturn]] void fail(int errorNumber, const char *operation, const QString &path = QString());

    bool m_armed = false;
    bool m_spent = false; // one-shot faults already fired
    int m_armedWrites = 0;
    QSet<int> m_sourceFds;
};

} // namespace quillmore::testing
