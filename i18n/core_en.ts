<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>selection.status.found</source>
        <translation>Found</translation>
    </message>
    <message>
        <source>selection.status.notFound</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>selection.status.ambiguous</source>
        <translation>Several candidates</translation>
    </message>
    <message>
        <source>selection.status.manuallyResolved</source>
        <translation>Chosen by you</translation>
    </message>
    <message>
        <source>selection.status.existsAtDestination</source>
        <translation>Already in the destination</translation>
    </message>
    <message>
        <source>selection.status.readyToCopy</source>
        <translation>Ready to copy</translation>
    </message>
    <message>
        <source>selection.status.copied</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>selection.status.skipped</source>
        <translation>Skipped by you</translation>
    </message>
    <message>
        <source>selection.status.failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>search.target.raw</source>
        <translation>RAW files</translation>
    </message>
    <message>
        <source>search.target.jpeg</source>
        <translation>Full-size JPEGs</translation>
    </message>
    <message>
        <source>setup.scan.raw</source>
        <translation>Find RAW Files</translation>
    </message>
    <message>
        <source>setup.scan.jpeg</source>
        <translation>Find Full-Size JPEGs</translation>
    </message>
    <message>
        <source>scan.title.raw</source>
        <translation>Looking for RAW files…</translation>
    </message>
    <message>
        <source>scan.title.jpeg</source>
        <translation>Looking for full-size JPEGs…</translation>
    </message>
    <message>
        <source>summary.found.raw</source>
        <translation>RAW files found</translation>
    </message>
    <message>
        <source>summary.found.jpeg</source>
        <translation>Full-size JPEGs found</translation>
    </message>
    <message>
        <source>summary.copy.raw</source>
        <translation>Copy RAW Files</translation>
    </message>
    <message>
        <source>summary.copy.jpeg</source>
        <translation>Copy Full-Size JPEGs</translation>
    </message>
    <message>
        <source>problems.not.found.raw</source>
        <translation>No RAW file found</translation>
    </message>
    <message>
        <source>problems.not.found.jpeg</source>
        <translation>No full-size JPEG found</translation>
    </message>
    <message>
        <source>problems.multiple.raw</source>
        <translation>Several RAW files found</translation>
    </message>
    <message>
        <source>problems.multiple.jpeg</source>
        <translation>Several full-size JPEGs found</translation>
    </message>
    <message>
        <source>problems.choose.manual.raw</source>
        <translation>Choose RAW File…</translation>
    </message>
    <message>
        <source>problems.choose.manual.jpeg</source>
        <translation>Choose JPEG File…</translation>
    </message>
    <message>
        <source>problems.use.raw</source>
        <translation>Use This RAW File</translation>
    </message>
    <message>
        <source>problems.use.jpeg</source>
        <translation>Use This JPEG</translation>
    </message>
    <message>
        <source>files.raw</source>
        <translation>RAW File</translation>
    </message>
    <message>
        <source>files.full.jpeg</source>
        <translation>Full-Size JPEG</translation>
    </message>
    <message>
        <source>completion.raw</source>
        <translation>RAW files copied</translation>
    </message>
    <message>
        <source>completion.jpeg</source>
        <translation>Full-size JPEGs copied</translation>
    </message>
</context>
</TS>
