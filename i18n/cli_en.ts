<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>cli.description</source>
        <translation>Quillmore finds the full files of a selection of pictures and copies them safely.</translation>
    </message>
    <message>
        <source>cli.command.scan</source>
        <translation>Find the full files of a selection and show what was found.</translation>
    </message>
    <message>
        <source>cli.option.selection</source>
        <translation>The selection folder of JPEG files.</translation>
    </message>
    <message>
        <source>cli.option.search</source>
        <translation>A folder or drive to search (repeat for more).</translation>
    </message>
    <message>
        <source>cli.option.dest</source>
        <translation>The destination folder (kept out of the search).</translation>
    </message>
    <message>
        <source>cli.option.target</source>
        <translation>What to look for: raw (camera RAW files) or jpeg (full-size JPEG files).</translation>
    </message>
    <message>
        <source>cli.option.json</source>
        <translation>Write the result as one JSON document.</translation>
    </message>
    <message>
        <source>cli.error.unknownCommand</source>
        <translation>Unknown command “%1”. Try --help.</translation>
    </message>
    <message>
        <source>cli.error.fullProgram</source>
        <translation>Could not start %1, which runs this command: %2. Reinstall Quillmore.</translation>
    </message>
    <message>
        <source>cli.error.noRecognition</source>
        <translation>This program does not read screenshots; run quillmore-cli.</translation>
    </message>
    <message>
        <source>cli.error.noCommand</source>
        <translation>No command given. Try --help.</translation>
    </message>
    <message>
        <source>cli.error.missingOption</source>
        <translation>Missing %1.</translation>
    </message>
    <message>
        <source>cli.error.unusableFolder</source>
        <translation>%1 “%2” cannot be used: %3.</translation>
    </message>
    <message>
        <source>cli.error.badTarget</source>
        <translation>--target must be raw or jpeg, not “%1”.</translation>
    </message>
    <message>
        <source>cli.error.unexpectedArgument</source>
        <translation>Unexpected argument “%1”. Try --help.</translation>
    </message>
    <message>
        <source>cli.progress.scan</source>
        <translation>Checked %1 files, %2 matches</translation>
    </message>
    <message>
        <source>cli.progress.reading</source>
        <translation>Reading the selection…</translation>
    </message>
    <message>
        <source>cli.table.name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>cli.table.status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>cli.table.file</source>
        <translation>File</translation>
    </message>
    <message>
        <source>cli.table.candidates</source>
        <translation>%1 candidates:</translation>
    </message>
    <message>
        <source>cli.summary</source>
        <translation>%1 names: %2 found, %3 not found, %4 ambiguous. %5 files checked.</translation>
    </message>
    <message>
        <source>cli.warnings</source>
        <translation>Warnings:</translation>
    </message>
</context>
</TS>
