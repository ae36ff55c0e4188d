<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Quillmore</name>
    <message>
        <source>app.title</source>
        <translation>Quillmore</translation>
    </message>
    <message>
        <source>app.subtitle</source>
        <translation>Find the full files of your selected pictures and copy them safely.</translation>
    </message>
    <message>
        <source>accessibility.file.icon</source>
        <translation>File preview</translation>
    </message>
    <message>
        <source>accessibility.on</source>
        <translation>On</translation>
    </message>
    <message>
        <source>accessibility.off</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>accessibility.selected.folder</source>
        <translation>Selected folder</translation>
    </message>
    <message>
        <source>button.cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>button.done</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>button.ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>button.show.finder</source>
        <translation>Show in Files</translation>
    </message>
    <message>
        <source>button.skip</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>completion.new</source>
        <translation>New Job</translation>
    </message>
    <message>
        <source>completion.open.destination</source>
        <translation>Open Destination</translation>
    </message>
    <message>
        <source>completion.report</source>
        <translation>Show Report</translation>
    </message>
    <message>
        <source>confirm.replace.names.message</source>
        <translation>You have corrected, added or removed names read from the screenshots. Those changes will be lost.</translation>
    </message>
    <message>
        <source>confirm.replace.names.replace</source>
        <translation>Replace Names</translation>
    </message>
    <message>
        <source>confirm.replace.names.title</source>
        <translation>Replace the reviewed names?</translation>
    </message>
    <message>
        <source>confirm.report.discard</source>
        <translation>Don't Save</translation>
    </message>
    <message>
        <source>confirm.report.message</source>
        <translation>The report of this copy has not been saved. Once you go on, it cannot be shown again.</translation>
    </message>
    <message>
        <source>confirm.report.save</source>
        <translation>Save Report…</translation>
    </message>
    <message>
        <source>confirm.report.title</source>
        <translation>Save the report first?</translation>
    </message>
    <message>
        <source>confirm.stop.copy.keep</source>
        <translation>Keep Copying</translation>
    </message>
    <message>
        <source>confirm.stop.copy.message</source>
        <translation>The files copied so far stay in the destination. The file being copied now is not kept, and the rest are not copied.</translation>
    </message>
    <message>
        <source>confirm.stop.copy.stop</source>
        <translation>Stop Copy</translation>
    </message>
    <message>
        <source>confirm.stop.copy.title</source>
        <translation>Stop the copy?</translation>
    </message>
    <message>
        <source>completion.retry</source>
        <translation>Retry Failed</translation>
    </message>
    <message>
        <source>copy.bytes</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>copy.check.progress</source>
        <translation>File %1 of %2</translation>
    </message>
    <message>
        <source>copy.files.complete</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>copy.files.detail</source>
        <translation>(%1 / %2 files with sidecars)</translation>
    </message>
    <message>
        <source>copy.pace.unknown</source>
        <translation>—</translation>
    </message>
    <message>
        <source>copy.preparing</source>
        <translation>Preparing the copy…</translation>
    </message>
    <message>
        <source>copy.remaining</source>
        <translation>Time left</translation>
    </message>
    <message>
        <source>copy.remaining.hours</source>
        <translation>About %1 h %2 min</translation>
    </message>
    <message>
        <source>copy.remaining.minutes</source>
        <translation>About %1 min</translation>
    </message>
    <message>
        <source>copy.remaining.seconds</source>
        <translation>About %1 s</translation>
    </message>
    <message>
        <source>copy.speed</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>copy.speed.value</source>
        <translation>%1/s</translation>
    </message>
    <message>
        <source>error.title</source>
        <translation>Something went wrong</translation>
    </message>
    <message>
        <source>files.choose.other</source>
        <translation>Choose Another File…</translation>
    </message>
    <message>
        <source>files.jpeg</source>
        <translation>Selected Picture</translation>
    </message>
    <message>
        <source>files.revert</source>
        <translation>Undo Choice</translation>
    </message>
    <message>
        <source>files.revert.hint</source>
        <translation>Put the name back as the scan found it.</translation>
    </message>
    <message>
        <source>files.status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>files.title</source>
        <translation>All Files</translation>
    </message>
    <message>
        <source>format.button.count</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>format.line.count</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>panel.choose</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>panel.save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>panel.title.candidate</source>
        <translation>Choose the Full File for This Picture</translation>
    </message>
    <message>
        <source>panel.title.destination</source>
        <translation>Choose the Destination Folder</translation>
    </message>
    <message>
        <source>panel.title.report</source>
        <translation>Save the Copy Report</translation>
    </message>
    <message>
        <source>panel.title.screenshots</source>
        <translation>Choose Screenshots of the Selection</translation>
    </message>
    <message>
        <source>panel.title.searches</source>
        <translation>Choose Folders or Cards to Search</translation>
    </message>
    <message>
        <source>panel.title.selection</source>
        <translation>Choose the Folder of Selected Pictures</translation>
    </message>
    <message>
        <source>panel.use.raw</source>
        <translation>Use RAW File</translation>
    </message>
    <message>
        <source>problems.clash.numbered</source>
        <translation>Copy Under a Numbered Name</translation>
    </message>
    <message>
        <source>problems.clash.numbered.hint</source>
        <translation>Every name that already exists in the destination is copied under a numbered name instead.</translation>
    </message>
    <message>
        <source>problems.clash.skip</source>
        <translation>Leave It Out</translation>
    </message>
    <message>
        <source>panel.use.jpeg</source>
        <translation>Use JPEG</translation>
    </message>
    <message>
        <source>panel.filter.csv</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>panel.filter.screenshots</source>
        <translation>Screenshots (%1)</translation>
    </message>
    <message>
        <source>panel.filter.raw</source>
        <translation>RAW files (%1)</translation>
    </message>
    <message>
        <source>panel.filter.jpeg</source>
        <translation>JPEG files (%1)</translation>
    </message>
    <message>
        <source>problems.none</source>
        <translation>No problems to settle</translation>
    </message>
    <message>
        <source>problems.pick</source>
        <translation>The client’s pick</translation>
    </message>
    <message>
        <source>problems.title</source>
        <translation>Problems</translation>
    </message>
    <message>
        <source>report.destination</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>report.error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>report.match.type</source>
        <translation>Match</translation>
    </message>
    <message>
        <source>report.matched</source>
        <translation>Found File</translation>
    </message>
    <message>
        <source>report.quality.flags</source>
        <translation>Checks</translation>
    </message>
    <message>
        <source>report.save.csv</source>
        <translation>Save as CSV…</translation>
    </message>
    <message>
        <source>report.screenshot.source</source>
        <translation>Screenshot</translation>
    </message>
    <message>
        <source>report.selection</source>
        <translation>Selection</translation>
    </message>
    <message>
        <source>report.status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>report.title</source>
        <translation>Copy Report</translation>
    </message>
    <message>
        <source>reveal.unavailable</source>
        <translation>No file browser could show the file. You will find it here:
%1</translation>
    </message>
    <message>
        <source>scan.checked.files</source>
        <translation>Files checked</translation>
    </message>
    <message>
        <source>scan.found.matches</source>
        <translation>Matches found</translation>
    </message>
    <message>
        <source>scan.preparing</source>
        <translation>Preparing the search…</translation>
    </message>
    <message>
        <source>scan.progress.accessibility</source>
        <translation>Searching</translation>
    </message>
    <message>
        <source>screenshot.add</source>
        <translation>Add Screenshots…</translation>
    </message>
    <message>
        <source>screenshot.add.filename</source>
        <translation>Add Name</translation>
    </message>
    <message>
        <source>screenshot.check.name</source>
        <translation>Check this name</translation>
    </message>
    <message>
        <source>screenshot.choose</source>
        <translation>Choose Screenshots…</translation>
    </message>
    <message>
        <source>screenshot.configure.hint</source>
        <translation>Correct every name, and choose search locations and a destination, to start the search.</translation>
    </message>
    <message>
        <source>screenshot.crop.accessibility</source>
        <translation>Where the name was read on the screenshot</translation>
    </message>
    <message>
        <source>screenshot.duplicate.name</source>
        <translation>Already in the list</translation>
    </message>
    <message>
        <source>screenshot.filename.accessibility</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>screenshot.filename.placeholder</source>
        <translation>IMG_0001.JPG</translation>
    </message>
    <message>
        <source>screenshot.folder.title</source>
        <translation>Folder of JPEGs</translation>
    </message>
    <message>
        <source>screenshot.from.sources</source>
        <translation>From screenshots: %1</translation>
    </message>
    <message>
        <source>screenshot.invalid.name</source>
        <translation>Not a picture file name</translation>
    </message>
    <message>
        <source>screenshot.option.instruction</source>
        <translation>Screenshots of a file list; the names are read on this computer.</translation>
    </message>
    <message>
        <source>screenshot.option.title</source>
        <translation>Screenshots</translation>
    </message>
    <message>
        <source>screenshot.panel.choose</source>
        <translation>Read Names</translation>
    </message>
    <message>
        <source>screenshot.privacy</source>
        <translation>Text recognition runs on this computer. Nothing is uploaded.</translation>
    </message>
    <message>
        <source>screenshot.reading.progress</source>
        <translation>Reading screenshot %1 of %2…</translation>
    </message>
    <message>
        <source>screenshot.remove.filename</source>
        <translation>Remove name</translation>
    </message>
    <message>
        <source>screenshot.replace</source>
        <translation>Start a New List…</translation>
    </message>
    <message>
        <source>screenshot.replace.hint</source>
        <translation>Choose screenshots whose names replace the list.</translation>
    </message>
    <message>
        <source>screenshot.review.button</source>
        <translation>Review Names…</translation>
    </message>
    <message>
        <source>screenshot.review.empty.description</source>
        <translation>No picture names were read. Add names by hand, or choose other screenshots.</translation>
    </message>
    <message>
        <source>screenshot.review.empty.title</source>
        <translation>No names found</translation>
    </message>
    <message>
        <source>screenshot.review.title</source>
        <translation>Review Names</translation>
    </message>
    <message>
        <source>screenshot.selected.summary</source>
        <translation>%1 screenshots, %2 names</translation>
    </message>
    <message numerus="yes">
        <source>screenshot.stats.duplicates</source>
        <translation>
            <numerusform>%n duplicate removed</numerusform>
            <numerusform>%n duplicates removed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>screenshot.stats.found</source>
        <translation>
            <numerusform>%n name found</numerusform>
            <numerusform>%n names found</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>screenshot.stats.read</source>
        <translation>
            <numerusform>%n screenshot read</numerusform>
            <numerusform>%n screenshots read</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>screenshot.stats.unique</source>
        <translation>
            <numerusform>%n unique name</numerusform>
            <numerusform>%n unique names</numerusform>
        </translation>
    </message>
    <message>
        <source>screenshot.virtual.selection</source>
        <translation>Typed by hand</translation>
    </message>
    <message numerus="yes">
        <source>screenshot.warnings.title</source>
        <translation>
            <numerusform>%n warning</numerusform>
            <numerusform>%n warnings</numerusform>
        </translation>
    </message>
    <message>
        <source>search.target.label</source>
        <translation>Look for</translation>
    </message>
    <message>
        <source>setup.check.blur</source>
        <translation>Possible blur</translation>
    </message>
    <message>
        <source>setup.check.duplicate</source>
        <translation>Duplicates</translation>
    </message>
    <message>
        <source>setup.check.file</source>
        <translation>File check</translation>
    </message>
    <message>
        <source>setup.checks.label</source>
        <translation>After copying, check for</translation>
    </message>
    <message>
        <source>setup.choose.again</source>
        <translation>Choose Again…</translation>
    </message>
    <message>
        <source>setup.conflict.label</source>
        <translation>If a name exists</translation>
    </message>
    <message>
        <source>setup.conflict.numbered</source>
        <translation>Keep both</translation>
    </message>
    <message>
        <source>setup.conflict.skip</source>
        <translation>Skip it</translation>
    </message>
    <message>
        <source>setup.destination.choose</source>
        <translation>Choose Destination…</translation>
    </message>
    <message>
        <source>setup.destination.instruction</source>
        <translation>The folder that receives the copies. Existing files are never overwritten.</translation>
    </message>
    <message>
        <source>setup.destination.title</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>setup.include.xmp</source>
        <translation>Copy XMP sidecars</translation>
    </message>
    <message>
        <source>setup.include.xmp.hint</source>
        <translation>Also copies the .xmp file next to each RAW file.</translation>
    </message>
    <message>
        <source>setup.scan.hint</source>
        <translation>Searches the locations for the selected pictures.</translation>
    </message>
    <message>
        <source>setup.search.add</source>
        <translation>Add Location…</translation>
    </message>
    <message>
        <source>setup.search.empty</source>
        <translation>Add the folders or drives where the shoot is stored, or drop them here.</translation>
    </message>
    <message>
        <source>setup.search.reauthorize</source>
        <translation>Choose Again…</translation>
    </message>
    <message>
        <source>setup.search.remove</source>
        <translation>Remove Location</translation>
    </message>
    <message>
        <source>setup.search.remove.one</source>
        <translation>Remove this location</translation>
    </message>
    <message>
        <source>setup.search.title</source>
        <translation>Search Locations</translation>
    </message>
    <message numerus="yes">
        <source>setup.selection.count</source>
        <translation>
            <numerusform>%n picture in the selection</numerusform>
            <numerusform>%n pictures in the selection</numerusform>
        </translation>
    </message>
    <message>
        <source>setup.selections.choose</source>
        <translation>Choose Folder…</translation>
    </message>
    <message>
        <source>setup.selections.instruction</source>
        <translation>A folder with the JPEGs you selected. Drop it here or choose it.</translation>
    </message>
    <message>
        <source>setup.selections.title</source>
        <translation>Selection</translation>
    </message>
    <message numerus="yes">
        <source>status.warning.count</source>
        <translation>
            <numerusform>%n warning</numerusform>
            <numerusform>%n warnings</numerusform>
        </translation>
    </message>
    <message>
        <source>summary.ambiguous</source>
        <translation>Several candidates: %1</translation>
    </message>
    <message>
        <source>summary.back</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>summary.back.hint</source>
        <translation>Back to the set-up, with every choice kept. The choices made here are applied again at the next scan.</translation>
    </message>
    <message numerus="yes">
        <source>summary.checked</source>
        <translation>
            <numerusform>%n picture checked</numerusform>
            <numerusform>%n pictures checked</numerusform>
        </translation>
    </message>
    <message>
        <source>summary.existing</source>
        <translation>Already in the destination, not copied again: %1</translation>
    </message>
    <message>
        <source>summary.files</source>
        <translation>All Files…</translation>
    </message>
    <message numerus="yes">
        <source>summary.identical</source>
        <translation>
            <numerusform>%n identical copy (same name, same contents) counted once</numerusform>
            <numerusform>%n identical copies (same name, same contents) counted once</numerusform>
        </translation>
    </message>
    <message>
        <source>summary.missing</source>
        <translation>Not found: %1</translation>
    </message>
    <message>
        <source>summary.problems</source>
        <translation>Settle Problems…</translation>
    </message>
    <message>
        <source>summary.undo</source>
        <translation>Undo Choice</translation>
    </message>
    <message>
        <source>summary.skipped</source>
        <translation>Skipped by you: %1</translation>
    </message>
    <message>
        <source>summary.warnings</source>
        <translation>Warnings</translation>
    </message>
    <message>
        <source>warnings.message</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>warnings.place</source>
        <translation>Place</translation>
    </message>
    <message>
        <source>warnings.title</source>
        <translation>Warnings</translation>
    </message>
</context>
</TS>
