<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>cli.command.gather</source>
        <translation>Find the full files of a selection, copy them safely and report</translation>
    </message>
    <message>
        <source>cli.option.noXmp</source>
        <translation>Do not copy XMP sidecar files.</translation>
    </message>
    <message>
        <source>cli.option.onConflict</source>
        <translation>When a name exists in the destination: skip it, or copy under a numbered name.</translation>
    </message>
    <message>
        <source>cli.option.check</source>
        <translation>Quality checks after copying; file also verifies every copy by checksum.</translation>
    </message>
    <message>
        <source>cli.option.report</source>
        <translation>Save the report as CSV in this file.</translation>
    </message>
    <message>
        <source>cli.error.selectionOrScreenshots</source>
        <translation>Give either --selection or --screenshot.</translation>
    </message>
    <message>
        <source>cli.error.badConflict</source>
        <translation>Unknown conflict policy “%1”: use skip or numbered.</translation>
    </message>
    <message>
        <source>cli.error.badCheck</source>
        <translation>Unknown check “%1”: use blur, duplicate or file.</translation>
    </message>
    <message>
        <source>cli.error.notAScreenshot</source>
        <translation>--screenshot: “%1” is not a PNG, JPEG or HEIC file.</translation>
    </message>
    <message>
        <source>cli.error.badReport</source>
        <translation>--report: “%1” cannot be written (its folder does not exist, or it is a folder).</translation>
    </message>
    <message>
        <source>cli.error.noTemporaryFolder</source>
        <translation>No temporary folder could be made.</translation>
    </message>
    <message>
        <source>cli.error.cannotStart</source>
        <translation>The search cannot start: check the selection, the search locations and the destination.</translation>
    </message>
    <message>
        <source>cli.error.copyFailed</source>
        <translation>Not copied: %1 — %2</translation>
    </message>
    <message>
        <source>cli.progress.copy</source>
        <translation>%1 of %2 files, %3 of %4</translation>
    </message>
</context>
</TS>
