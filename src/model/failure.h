#pragma once

// What went wrong, as facts: what failed (a code), the system's error number where a system call
// failed, and the file or folder concerned. Services throw them (FailureError, platform/errors.h)
// or keep them with a file's outcome; the controller and the command line turn them into words.

#include <QString>

namespace quillmore {

enum class FailureCode {
    fileOperation,          // a system call on a file failed (error number, path)
    selectionUnreadable,    // the selection folder could not be opened or listed (error number, path)
    noSelectionFolder,      // no selection folder was chosen
    destinationExists,      // a file with the copy's name appeared in the destination
    sizeMismatch,           // the copy's size is not the original's
    checksumMismatch,       // the copy read back does not match the original
    insufficientSpace,      // the destination has too little free space for the copies
    folderNotFlushed,       // the destination folder could not be written through to the device
    tagsUnreadable,         // the file's stored tags are not a list of tag names
    tagsUnwritable,         // the tags could not be encoded
    bookmarkFolderMissing,  // a folder to remember is no longer there (path)
    reportUnwritable,       // the report could not be written (error number, path)
    imageUnreadable,        // a screenshot is not a readable image (path)
    notRegularFile,         // a folder, pipe, socket or device named like a picture; not opened (path)
    imageTooLarge,          // a picture larger than a screenshot is read at (path)
    recognitionUnavailable, // the text recognition could not start (path: its data folder)
    outOfMemory,            // not enough memory for the operation
    serviceUnavailable,     // this part of the program is not in this build
};

struct Failure {
    FailureCode code = FailureCode::fileOperation;
    int errorNumber = 0; // 0: no system call failed
    QString path;        // empty: no file or folder concerned

    bool operator==(const Failure &) const = default;
};

} // namespace quillmore
