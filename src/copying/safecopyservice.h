#pragma once

#include "copying/interfaces.h"
#include "platform/errors.h"

#include <memory>
#include <mutex>
#include <optional>

namespace quillmore {

class FileOperations;

struct CopiedFile {
    qint64 bytes = 0;
    std::optional<QString> sha256; // only when verifying
};

// Copies files so that a file at its final name is complete (and, when verifying, read back
// from the device and compared by SHA-256) or not there at all, and never replaces a file.
//
// Each file is written to a hidden temporary file ".quillmore-<UUID>.tmp" next to its
// destination, flushed to the device, compared, given the source's dates, permissions and tags,
// and only then moved to its final name by a move that refuses to replace anything. Every
// failure and a cancellation remove the temporary file. After the run, each destination folder
// that received a file is flushed once, so that the new names survive a power cut; when that
// fails, its copies stay copied (they are complete, verified and in place) and carry the
// failure folderNotFlushed, which is worded as a warning where it is shown.
class SafeCopyService : public SafeCopying {
public:
    static constexpr qint64 chunkSize = 1048576;

    // nullptr: the real file system, and a SHA256FileHasher of the service's own.
    explicit SafeCopyService(FileOperations *files = nullptr, std::unique_ptr<FileHashing> hasher = nullptr);
    ~SafeCopyService() override;

    // One file. Throws FailureError (destinationExists, sizeMismatch, checksumMismatch, or a
    // failed file operation with its error number), another error of the hasher, or Cancelled;
    // the temporary file is gone on every one of those paths.
    CopiedFile copyFile(const CopyTaskItem &task, bool verify, qint64 bytesBefore, qint64 totalBytes,
                        const CopyProgressSink &progress, std::stop_token stop);

    CopyBatchResult copyAll(const QList<CopyTaskItem> &tasks, qint64 totalBytes, bool verify,
                            const CopyProgressSink &progress, std::stop_token stop) override;

    // ".quillmore-" + a new UUID in upper case + ".tmp".
    static QString temporaryFileName();
    // What a failed system call means for the photographer, on the source's side or the
    // destination's.
    static CopyFailureCause causeOf(int errorNumber, bool atSource);
    // The cause of a failed task, from the error's code, its number and where it happened.
    static CopyFailureCause causeOf(const FailureError &error, const CopyTaskItem &task);

private:
    CopiedFile copyOne(const CopyTaskItem &task, bool verify, qint64 bytesBefore, qint64 totalBytes,
                       const CopyProgressSink &progress, const std::stop_token &stop);
    void moveIntoPlace(const QString &temporary, const QString &destination);

    FileOperations &m_files;
    std::unique_ptr<FileHashing> m_hasher;
    std::mutex m_mutex;
};

} // namespace quillmore
