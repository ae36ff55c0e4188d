<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>copy.error.destination.exists</source>
        <translation>A file with this name already exists in the destination folder. It was left untouched and this file was not copied.</translation>
    </message>
    <message>
        <source>copy.error.size.mismatch</source>
        <translation>The copy does not have the same size as the original, so it was removed. Check the destination drive and try again.</translation>
    </message>
    <message>
        <source>copy.error.checksum.mismatch</source>
        <translation>The copy read back from the destination does not match the original, so it was removed. The destination drive or its connection may be faulty.</translation>
    </message>
    <message>
        <source>copy.error.failed</source>
        <translation>The file could not be copied. The destination folder received nothing under this name.</translation>
    </message>
    <message>
        <source>copy.error.failed.reason</source>
        <translation>The file could not be copied: %1. The destination folder received nothing under this name.</translation>
    </message>
    <message>
        <source>copy.warning.folder.flush</source>
        <translation>Copied and verified, but the destination drive did not confirm that the new file names are saved: after a power cut or an unplugged drive, check that this file is there.</translation>
    </message>
    <message>
        <source>copy.error.source.unavailable</source>
        <translation>The original file is no longer available. Is the drive connected?</translation>
    </message>
    <message>
        <source>copy.cause.other</source>
        <translation>The file could not be copied.</translation>
    </message>
    <message>
        <source>copy.cause.sourceMissing</source>
        <translation>The card or folder holding this file is no longer there. Reconnect it, then retry.</translation>
    </message>
    <message>
        <source>copy.cause.destinationMissing</source>
        <translation>The destination folder is no longer there. Reconnect the drive, then retry.</translation>
    </message>
    <message>
        <source>copy.cause.destinationReadOnly</source>
        <translation>The destination is read-only. Choose a folder you can write to, or change its permissions, then retry.</translation>
    </message>
    <message>
        <source>copy.cause.diskFull</source>
        <translation>The destination disk is full. Make room, then retry.</translation>
    </message>
    <message>
        <source>copy.cause.alreadyExists</source>
        <translation>A file with this name is already in the destination; it was left untouched.</translation>
    </message>
    <message>
        <source>copy.cause.notVerified</source>
        <translation>The copy could not be confirmed on the destination drive, so it does not count as copied.</translation>
    </message>
    <message>
        <source>copy.conflict.skipped</source>
        <translation>A file with this name is already in the destination folder, so this file will not be copied.</translation>
    </message>
    <message>
        <source>error.insufficient.space</source>
        <translation>There is not enough free space in the destination folder for these files.</translation>
    </message>
    <message>
        <source>error.file.operation</source>
        <translation>A file operation failed: %1.</translation>
    </message>
    <message>
        <source>error.file.operation.path</source>
        <translation>“%1” could not be used: %2.</translation>
    </message>
    <message>
        <source>error.file.operation.unknown</source>
        <translation>A file operation failed.</translation>
    </message>
    <message>
        <source>error.tags.corrupt</source>
        <translation>The file's tags could not be read: they are not a list of tag names.</translation>
    </message>
    <message>
        <source>error.tags.encode</source>
        <translation>The file's tags could not be written.</translation>
    </message>
</context>
</TS>
