<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>status.quality.file.check</source>
        <translation>Checking files…</translation>
    </message>
    <message>
        <source>status.quality.duplicates</source>
        <translation>Looking for duplicates…</translation>
    </message>
    <message>
        <source>status.quality.sharpness</source>
        <translation>Checking sharpness…</translation>
    </message>
    <message>
        <source>status.quality.tags</source>
        <translation>Adding Finder tags…</translation>
    </message>
    <message>
        <source>quality.error.file.check</source>
        <translation>The file check could not be made for this file.</translation>
    </message>
    <message>
        <source>quality.error.duplicate</source>
        <translation>This file could not be read to look for duplicates.</translation>
    </message>
    <message>
        <source>quality.error.blur</source>
        <translation>The sharpness of this file could not be checked.</translation>
    </message>
    <message>
        <source>quality.error.tags</source>
        <translation>The Finder tags could not be written to this file.</translation>
    </message>
</context>
</TS>
