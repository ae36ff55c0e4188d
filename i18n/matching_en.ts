<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>warning.file.unreadable</source>
        <translation>This item could not be read and was left out.</translation>
    </message>
    <message>
        <source>warning.destination.search.skipped</source>
        <translation>This search location is the destination folder, so it was not searched.</translation>
    </message>
    <message>
        <source>warning.selection.search.skipped</source>
        <translation>This search location lies in the selection folder, so it was not searched for JPEG files.</translation>
    </message>
    <message>
        <source>warning.location.unavailable</source>
        <translation>This search location could not be opened. Is the drive connected?</translation>
    </message>
    <message>
        <source>error.scan.failed</source>
        <translation>The scan could not be completed. Check that the selection folder is still available and try again.</translation>
    </message>
    <message>
        <source>error.selection.none</source>
        <translation>Choose a selection folder first.</translation>
    </message>
    <message>
        <source>error.selection.unreadable</source>
        <translation>The selection folder “%1” could not be read: %2.</translation>
    </message>
    <message>
        <source>status.scan.cancelled</source>
        <translation>Scan cancelled.</translation>
    </message>
</context>
</TS>
