#include "failuretext.h"

#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"

#include <cerrno>

namespace quillmore {

QString reasonText(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT: return localized("error.reason.gone");
    case ENOTDIR: return localized("error.reason.notFolder");
    case EACCES:
    case EPERM: return localized("error.reason.permission");
    case EROFS: return localized("error.reason.readOnly");
    case ENOSPC:
    case EDQUOT: return localized("error.reason.full");
    case EIO: return localized("error.reason.io");
    case ENODEV:
    case ENXIO:
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ETIMEDOUT: return localized("error.reason.disconnected");
    case ENAMETOOLONG: return localized("error.reason.nameTooLong");
    case EOPNOTSUPP: return localized("error.reason.unsupported");
    default: return systemErrorText(errorNumber);
    }
}

QString failureText(const Failure &failure)
{
    const QString &path = failure.path;
    switch (failure.code) {
    case FailureCode::fileOperation:
        if (failure.errorNumber == 0)
            return localized("error.file.operation.unknown");
        if (path.isEmpty())
            return localized("error.file.operation", reasonText(failure.errorNumber));
        return localized("error.file.operation.path", path, reasonText(failure.errorNumber));
    case FailureCode::selectionUnreadable:
        return localized("error.selection.unreadable", path, reasonText(failure.errorNumber));
    case FailureCode::noSelectionFolder: return localized("error.selection.none");
    case FailureCode::destinationExists: return localized("copy.error.destination.exists");
    case FailureCode::sizeMismatch: return localized("copy.error.size.mismatch");
    case FailureCode::checksumMismatch: return localized("copy.error.checksum.mismatch");
    case FailureCode::insufficientSpace: return localized("error.insufficient.space");
    case FailureCode::folderNotFlushed: return localized("copy.warning.folder.flush");
    case FailureCode::tagsUnreadable: return localized("error.tags.corrupt");
    case FailureCode::tagsUnwritable: return localized("error.tags.encode");
    case FailureCode::bookmarkFolderMissing: return localized("error.bookmark.folder.missing", lastPathComponent(path));
    case FailureCode::reportUnwritable: return localized("error.report.write", path, reasonText(failure.errorNumber));
    case FailureCode::imageUnreadable:
    case FailureCode::notRegularFile:
    case FailureCode::imageTooLarge: return localized("error.screenshot.unreadable", lastPathComponent(path));
    case FailureCode::recognitionUnavailable: return localized("error.recognition.unavailable", path);
    case FailureCode::outOfMemory: return localized("error.memory");
    case FailureCode::serviceUnavailable: return localized("error.service.unavailable");
    }
    return localized("error.file.operation.unknown");
}

QString copyFailureText(const Failure &failure)
{
    if (failure.code != FailureCode::fileOperation)
        return failureText(failure);
    if (failure.errorNumber == 0)
        return localized("copy.error.failed");
    return localized("copy.error.failed.reason", reasonText(failure.errorNumber));
}

} // namespace quillmore
