<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>status.ready</source>
        <translation>Ready.</translation>
    </message>
    <message>
        <source>status.scanning</source>
        <translation>Searching for the files…</translation>
    </message>
    <message>
        <source>status.scan.complete</source>
        <translation>Search complete.</translation>
    </message>
    <message>
        <source>status.scan.cancelling</source>
        <translation>Cancelling the search…</translation>
    </message>
    <message>
        <source>status.scan.failed</source>
        <translation>The search failed.</translation>
    </message>
    <message>
        <source>status.copying</source>
        <translation>Copying…</translation>
    </message>
    <message>
        <source>status.copy.cancelling</source>
        <translation>Cancelling the copy…</translation>
    </message>
    <message>
        <source>status.copy.cancelled</source>
        <translation>Copy cancelled.</translation>
    </message>
    <message>
        <source>status.copy.complete</source>
        <translation>Copy complete.</translation>
    </message>
    <message>
        <source>status.copy.failed</source>
        <translation>The copy could not be run.</translation>
    </message>
    <message>
        <source>status.copy.nothing</source>
        <translation>Nothing was copied.</translation>
    </message>
    <message>
        <source>status.checks.cancelled</source>
        <translation>Files copied; checks cancelled.</translation>
    </message>
    <message>
        <source>status.report.saved</source>
        <translation>Report saved.</translation>
    </message>
    <message>
        <source>screenshot.ocr.reading</source>
        <translation>Reading file names from the screenshots…</translation>
    </message>
    <message>
        <source>screenshot.ocr.complete</source>
        <translation>Screenshots read. Check the file names.</translation>
    </message>
    <message>
        <source>screenshot.ocr.cancelling</source>
        <translation>Cancelling screenshot reading…</translation>
    </message>
    <message>
        <source>screenshot.ocr.cancelled</source>
        <translation>Screenshot reading cancelled.</translation>
    </message>
    <message>
        <source>screenshot.ocr.failed</source>
        <translation>Reading the screenshots failed.</translation>
    </message>
    <message>
        <source>error.quality.failed</source>
        <translation>The quality checks could not finish. The copies are complete and verified.</translation>
    </message>
    <message>
        <source>error.quality.failed.reason</source>
        <translation>The quality checks could not finish: %1. The copies are complete and verified.</translation>
    </message>
    <message>
        <source>error.screenshot.read.failed</source>
        <translation>The screenshots could not be read. Try again or choose other screenshots.</translation>
    </message>
    <message>
        <source>error.screenshot.unreadable</source>
        <translation>“%1” is not a picture Quillmore can read.</translation>
    </message>
    <message>
        <source>error.recognition.unavailable</source>
        <translation>The text recognition could not start: its language data is missing from “%1”.</translation>
    </message>
    <message>
        <source>error.bookmark.save.failed</source>
        <translation>The folder was chosen, but Quillmore could not remember it for the next time.</translation>
    </message>
    <message>
        <source>error.bookmark.folder.missing</source>
        <translation>The folder “%1” could not be found.</translation>
    </message>
    <message>
        <source>error.unsupported.raw</source>
        <translation>No RAW file was chosen. Choose a camera RAW file.</translation>
    </message>
    <message>
        <source>error.unsupported.jpeg</source>
        <translation>No JPEG file was chosen. Choose a .jpg or .jpeg file.</translation>
    </message>
    <message>
        <source>error.copy.failed</source>
        <translation>The copy could not be run. No file was copied.</translation>
    </message>
    <message>
        <source>error.copy.failed.reason</source>
        <translation>The copy could not be run: %1</translation>
    </message>
    <message>
        <source>error.copy.interrupted</source>
        <translation>A copy into %1 was stopped before it finished, the last time Quillmore ran. The files copied then are complete; run the job again to copy the rest.</translation>
    </message>
    <message>
        <source>error.open.folder</source>
        <translation>No file browser could open the folder. You will find it here:
%1</translation>
    </message>
    <message>
        <source>error.report.save.failed</source>
        <translation>The report could not be saved. Choose another place and try again.</translation>
    </message>
    <message>
        <source>error.report.write</source>
        <translation>“%1” could not be written: %2</translation>
    </message>
    <message>
        <source>error.service.unavailable</source>
        <translation>This part of Quillmore is not available in this build.</translation>
    </message>
    <message>
        <source>error.memory</source>
        <translation>There was not enough memory. Close other programs and try again.</translation>
    </message>
    <message>
        <source>error.reason.disconnected</source>
        <translation>the drive or network share is no longer connected</translation>
    </message>
    <message>
        <source>error.reason.full</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>error.reason.gone</source>
        <translation>it is not there (is the card or drive connected?)</translation>
    </message>
    <message>
        <source>error.reason.io</source>
        <translation>the disk could not be read or written; it may be damaged</translation>
    </message>
    <message>
        <source>error.reason.nameTooLong</source>
        <translation>the name is too long for this disk</translation>
    </message>
    <message>
        <source>error.reason.notFolder</source>
        <translation>it is not a folder</translation>
    </message>
    <message>
        <source>error.reason.permission</source>
        <translation>you do not have permission to use it</translation>
    </message>
    <message>
        <source>error.reason.readOnly</source>
        <translation>the disk is read-only</translation>
    </message>
    <message>
        <source>error.reason.unsupported</source>
        <translation>this disk does not support it</translation>
    </message>
    <message>
        <source>error.with.reason</source>
        <translation>%1 Reason: %2.</translation>
    </message>
    <message>
        <source>report.status.copied</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>report.status.skipped</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>report.status.failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>report.error.cancelled</source>
        <translation>Not copied: the copy was cancelled.</translation>
    </message>
    <message>
        <source>outcome.copied</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>outcome.failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>outcome.cancelled</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>outcome.alreadyInDestination</source>
        <translation>Already in the destination</translation>
    </message>
    <message>
        <source>outcome.notFound</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>outcome.notChosen</source>
        <translation>Not chosen</translation>
    </message>
    <message>
        <source>outcome.skippedByYou</source>
        <translation>Skipped by you</translation>
    </message>
    <message>
        <source>completion.title</source>
        <translation>Copy finished</translation>
    </message>
    <message>
        <source>completion.title.failed</source>
        <translation>Copy finished, but some files were not copied</translation>
    </message>
    <message>
        <source>completion.title.none</source>
        <translation>Nothing was copied</translation>
    </message>
    <message>
        <source>completion.title.cancelled</source>
        <translation>Copy cancelled</translation>
    </message>
    <message>
        <source>completion.title.checks.cancelled</source>
        <translation>Files copied, checks cancelled</translation>
    </message>
    <message>
        <source>completion.cancelled</source>
        <translation>The copy was cancelled before all files were copied.</translation>
    </message>
    <message>
        <source>completion.checks.cancelled</source>
        <translation>The quality checks were cancelled; the copied files were not checked.</translation>
    </message>
    <message>
        <source>completion.failures</source>
        <translation>Not copied:</translation>
    </message>
    <message>
        <source>completion.xmp</source>
        <translation>XMP sidecar files copied</translation>
    </message>
    <message>
        <source>completion.skipped</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>completion.errors</source>
        <translation>Errors</translation>
    </message>
    <message>
        <source>completion.possible.unsharp</source>
        <translation>Possibly unsharp</translation>
    </message>
    <message>
        <source>completion.blur.not.assessed</source>
        <translation>Sharpness not assessed</translation>
    </message>
    <message>
        <source>completion.duplicates</source>
        <translation>Duplicates</translation>
    </message>
    <message>
        <source>completion.file.check</source>
        <translation>Failed the file check</translation>
    </message>
    <message>
        <source>completion.file.check.not.assessed</source>
        <translation>File check not possible</translation>
    </message>
</context>
</TS>
