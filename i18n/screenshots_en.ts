<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>screenshot.ocr.file.error</source>
        <translation>The screenshot “%1” could not be read. Is it a PNG, JPEG or HEIC image?</translation>
    </message>
    <message>
        <source>screenshot.ocr.file.memory</source>
        <translation>The screenshot “%1” could not be read: there was not enough memory. Close other programs and try again.</translation>
    </message>
    <message>
        <source>screenshot.ocr.unavailable</source>
        <translation>The screenshot “%1” could not be read: text recognition is not completely installed (missing: %2). Reinstall Quillmore.</translation>
    </message>
    <message>
        <source>screenshot.ocr.file.notRegular</source>
        <translation>“%1” is a folder, pipe, socket or device, not a picture file: it was not read.</translation>
    </message>
    <message>
        <source>screenshot.ocr.file.tooLarge</source>
        <translation>The screenshot “%1” is too large to read: screenshots of up to %2 megapixels are read.</translation>
    </message>
    <message>
        <source>cli.command.readScreenshots</source>
        <translation>Read the picture names shown in screenshots of a file list.</translation>
    </message>
    <message>
        <source>cli.option.screenshotFiles</source>
        <translation>Screenshots (PNG, JPEG or HEIC) to read the names from.</translation>
    </message>
    <message>
        <source>cli.option.screenshot</source>
        <translation>A screenshot of a file list to take the selected names from instead of --selection (repeat for more).</translation>
    </message>
    <message>
        <source>cli.error.noScreenshots</source>
        <translation>No screenshot given. Try --help.</translation>
    </message>
    <message>
        <source>cli.error.selectionOrScreenshot</source>
        <translation>Give either --selection or --screenshot, not both.</translation>
    </message>
    <message>
        <source>cli.progress.screenshot</source>
        <translation>Reading screenshot %1 of %2</translation>
    </message>
    <message>
        <source>cli.table.confidence</source>
        <translation>Confidence</translation>
    </message>
    <message>
        <source>cli.table.screenshots</source>
        <translation>Screenshots</translation>
    </message>
    <message>
        <source>cli.screenshots.summary</source>
        <translation>%1 screenshots read: %2 names (%3 occurrences).</translation>
    </message>
    <message>
        <source>cli.screenshots.cancelled</source>
        <translation>Reading the screenshots was cancelled.</translation>
    </message>
</context>
</TS>
