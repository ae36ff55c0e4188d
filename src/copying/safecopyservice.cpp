#include "safecopyservice.h"

#include "copying/sha256filehasher.h"
#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/fileoperations.h"
#include "platform/findertags.h"
#include "platform/paths.h"
#include "platform/sha256.h"

#include <QUuid>

#include <cerrno>
#include <map>

namespace quillmore {
namespace {

// Owns the open files and the temporary file of one copy: closes the files and removes the
// temporary file on every way out, unless the copy reached its final name.
class TemporaryFile {
public:
    TemporaryFile(FileOperations &files, QString path, int fd) : m_files(files), m_path(std::move(path)), m_out(fd) {}
    ~TemporaryFile()
    {
        closeFiles();
        if (!m_placed)
            m_files.remove(m_path);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    const QString &path() const { return m_path; }
    int out() const { return m_out; }
    void setIn(int fd) { m_in = fd; }
    void closeFiles()
    {
        if (m_in >= 0)
            m_files.close(std::exchange(m_in, -1));
        if (m_out >= 0)
            m_files.close(std::exchange(m_out, -1));
    }
    // The file now has its final name; it is no longer ours to remove.
    void placed() { m_placed = true; }

private:
    FileOperations &m_files;
    QString m_path;
    int m_out = -1;
    int m_in = -1;
    bool m_placed = false;
};

bool linksUnsupported(int errorNumber)
{
    return errorNumber == EPERM || errorNumber == EOPNOTSUPP || errorNumber == ENOTSUP || errorNumber == ENOSYS
        || errorNumber == EINVAL;
}

CopyFileOutcome failedOutcome(const CopyTaskItem &task, const Failure &failure, bool withDestination,
                              CopyFailureCause cause = CopyFailureCause::other)
{
    CopyFileOutcome outcome;
    outcome.id = makeId();
    outcome.sourceURL = task.sourceURL;
    if (withDestination)
        outcome.destinationURL = task.destinationURL;
    outcome.kind = task.kind;
    outcome.status = CopyOutcomeStatus::failed;
    outcome.failure = failure;
    outcome.cause = cause;
    return outcome;
}

} // namespace

CopyFailureCause SafeCopyService::causeOf(const FailureError &error, const CopyTaskItem &task)
{
    switch (error.code()) {
    case FailureCode::destinationExists: return CopyFailureCause::alreadyExists;
    case FailureCode::sizeMismatch:
    case FailureCode::checksumMismatch: return CopyFailureCause::notVerified;
    case FailureCode::insufficientSpace: return CopyFailureCause::diskFull;
    case FailureCode::fileOperation: break;
    default: return CopyFailureCause::other;
    }
    // A call on an open file names no path: only the source is read through one.
    const bool atSource = error.path().isEmpty() ? qstrcmp(error.operation(), "read") == 0
                                                 : standardizedPath(error.path()) == standardizedPath(task.sourceURL);
    return causeOf(error.errorNumber(), atSource);
}

CopyFailureCause SafeCopyService::causeOf(int errorNumber, bool atSource)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return atSource ? CopyFailureCause::other : CopyFailureCause::diskFull;
    case EROFS: return atSource ? CopyFailureCause::other : CopyFailureCause::destinationReadOnly;
    case EACCES:
    case EPERM: return atSource ? CopyFailureCause::other : CopyFailureCause::destinationReadOnly;
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case ESTALE:
    case EIO:
    case ENOMEDIUM: return atSource ? CopyFailureCause::sourceMissing : CopyFailureCause::destinationMissing;
    case EEXIST: return atSource ? CopyFailureCause::other : CopyFailureCause::alreadyExists;
    default: return CopyFailureCause::other;
    }
}

SafeCopyService::SafeCopyService(FileOperations *files, std::unique_ptr<FileHashing> hasher)
    : m_files(files ? *files : realFileOperations()),
      m_hasher(hasher ? std::move(hasher) : std::make_unique<SHA256FileHasher>(files))
{
}

SafeCopyService::~SafeCopyService() = default;

QString SafeCopyService::temporaryFileName()
{
    return QStringLiteral(".quillmore-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()
        + QStringLiteral(".tmp");
}

CopiedFile SafeCopyService::copyFile(const CopyTaskItem &task, bool verify, qint64 bytesBefore, qint64 totalBytes,
                                     const CopyProgressSink &progress, std::stop_token stop)
{
    std::lock_guard lock(m_mutex);
    return copyOne(task, verify, bytesBefore, totalBytes, progress, stop);
}

CopiedFile SafeCopyService::copyOne(const CopyTaskItem &task, bool verify, qint64 bytesBefore, qint64 totalBytes,
                                    const CopyProgressSink &progress, const std::stop_token &stop)
{
    const QString destination = task.destinationURL;
    if (m_files.exists(destination, false))
        throw FailureError(FailureCode::destinationExists, 0, destination);

    // A new, hidden, exclusively created file next to the destination.
    const QString temporaryPath = appendingPathComponent(parentPath(destination), temporaryFileName());
    TemporaryFile temporary(m_files, temporaryPath, m_files.createExclusive(temporaryPath));

    const int in = m_files.openForReading(task.sourceURL);
    temporary.setIn(in);
    m_files.adviseSequential(in);

    std::optional<Sha256> digest;
    if (verify)
        digest.emplace();
    const QString currentFile = lastPathComponent(task.sourceURL);
    const auto buffer = std::make_unique_for_overwrite<char[]>(chunkSize);
    qint64 written = 0;
    for (;;) {
        throwIfCancelled(stop);
        const std::size_t n = m_files.read(in, buffer.get(), chunkSize);
        if (n == 0)
            break;
        for (std::size_t done = 0; done < n;)
            done += m_files.write(temporary.out(), buffer.get() + done, n - done);
        if (digest)
            digest->update(buffer.get(), n);
        written += qint64(n);
        if (progress)
            progress(CopyProgress{currentFile, 0, 0, bytesBefore + written, totalBytes});
    }

    m_files.flush(temporary.out());
    throwIfCancelled(stop);

    // The size on the device must be the source's and the count of bytes written.
    const auto sourceAttributes = m_files.attributes(task.sourceURL);
    const auto copyAttributes = m_files.attributes(temporaryPath);
    if (!sourceAttributes || !copyAttributes || sourceAttributes->size != copyAttributes->size
        || copyAttributes->size != written)
        throw FailureError(FailureCode::sizeMismatch, 0, destination);

    std::optional<QString> sha256;
    if (digest) {
        sha256 = digest->finalHex();
        // The flushed pages are still in memory; drop them so the read-back proves what the
        // device holds.
        m_files.dropCachedPages(temporary.out());
        if (m_hasher->sha256Hex(temporaryPath, stop) != *sha256)
            throw FailureError(FailureCode::checksumMismatch, 0, destination);
    }

    if (m_files.exists(destination, false))
        throw FailureError(FailureCode::destinationExists, 0, destination);

    // Best effort: tags first (a read-only mode would forbid them), then dates and permissions.
    carryFinderTags(task.sourceURL, temporaryPath);
    m_files.setModificationTime(temporary.out(), sourceAttributes->modificationTime);
    if (sourceAttributes->creationTime)
        m_files.setCreationTime(temporaryPath, *sourceAttributes->creationTime);
    m_files.setPermissions(temporary.out(), sourceAttributes->permissions & 0777);
    temporary.closeFiles();

    moveIntoPlace(temporaryPath, destination);
    temporary.placed();
    return CopiedFile{written, sha256};
}

// Moves the temporary file to its final name without ever replacing a file there: rename with
// RENAME_NOREPLACE; where the file system lacks it, a hard link under the final name (which
// fails when the name is taken) and removal of the temporary name; where it lacks hard links
// too, a last test for the name followed by a plain rename.
void SafeCopyService::moveIntoPlace(const QString &temporary, const QString &destination)
{
    try {
        m_files.renameNoReplace(temporary, destination);
        return;
    } catch (const FailureError &e) {
        if (e.errorNumber() == EEXIST)
            throw FailureError(FailureCode::destinationExists, 0, destination);
        if (e.errorNumber() != EINVAL)
            throw;
    }
    try {
        m_files.link(temporary, destination);
    } catch (const FailureError &e) {
        if (e.errorNumber() == EEXIST)
            throw FailureError(FailureCode::destinationExists, 0, destination);
        if (!linksUnsupported(e.errorNumber()))
            throw;
        if (m_files.exists(destination, false))
            throw FailureError(FailureCode::destinationExists, 0, destination);
        m_files.rename(temporary, destination);
        return;
    }
    // The copy is in place under both names; the hidden one goes (best effort).
    m_files.remove(temporary);
}

CopyBatchResult SafeCopyService::copyAll(const QList<CopyTaskItem> &tasks, qint64 totalBytes, bool verify,
                                         const CopyProgressSink &progress, std::stop_token stop)
{
    std::lock_guard lock(m_mutex);
    CopyBatchResult result;

    if (!tasks.isEmpty()) {
        const auto available = m_files.availableCapacity(parentPath(tasks.first().destinationURL));
        if (available && *available < totalBytes) {
            const Failure failure{FailureCode::insufficientSpace, 0, parentPath(tasks.first().destinationURL)};
            for (const CopyTaskItem &task : tasks)
                result.outcomes << failedOutcome(task, failure, false, CopyFailureCause::diskFull);
            return result;
        }
    }

    const qint64 totalFiles = tasks.size();
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        const CopyTaskItem &task = tasks.at(i);
        if (stop.stop_requested()) {
            result.wasCancelled = true;
            break;
        }
        if (progress)
            progress(CopyProgress{lastPathComponent(task.sourceURL), i, totalFiles, result.copiedBytes, totalBytes});
        try {
            const CopiedFile copied = copyOne(task, verify, result.copiedBytes, totalBytes, progress, stop);
            CopyFileOutcome outcome;
            outcome.id = makeId();
            outcome.sourceURL = task.sourceURL;
            outcome.destinationURL = task.destinationURL;
            outcome.kind = task.kind;
            outcome.status = CopyOutcomeStatus::copied;
            outcome.sha256 = copied.sha256;
            result.outcomes << outcome;
            result.copiedBytes += copied.bytes;
        } catch (const Cancelled &) {
            result.wasCancelled = true;
            break;
        } catch (const FailureError &e) {
            result.outcomes << failedOutcome(task, e.failure(), true, causeOf(e, task));
        } catch (const std::bad_alloc &) {
            result.outcomes << failedOutcome(task, Failure{FailureCode::outOfMemory, 0, QString()}, true);
        } catch (...) {
            // The hasher's own faults (the digest library failing) have no file system reason.
            result.outcomes << failedOutcome(task, Failure{FailureCode::fileOperation, 0, task.destinationURL}, true);
        }
    }

    // New names reach the device only with their folder: flush each folder that received a
    // copy, once. When a folder cannot be flushed, its copies are complete, verified and in
    // place, but their names may not survive a power cut: they stay copied, and say so.
    std::map<QString, QList<qsizetype>> copiedByFolder;
    for (qsizetype i = 0; i < result.outcomes.size(); ++i) {
        if (result.outcomes.at(i).status == CopyOutcomeStatus::copied)
            copiedByFolder[parentPath(*result.outcomes.at(i).destinationURL)].append(i);
    }
    for (const auto &[folder, members] : copiedByFolder) {
        std::optional<Failure> failure;
        try {
            m_files.flushFolder(folder);
        } catch (const FailureError &e) {
            failure = Failure{FailureCode::folderNotFlushed, e.errorNumber(), folder};
        } catch (...) {
            failure = Failure{FailureCode::folderNotFlushed, 0, folder};
        }
        if (failure) {
            for (qsizetype i : members)
                result.outcomes[i].failure = failure; // still copied: the words say what is uncertain
        }
    }

    if (progress)
        progress(CopyProgress{QString(), result.outcomes.size(), totalFiles, result.copiedBytes, totalBytes});
    return result;
}

} // namespace quillmore
