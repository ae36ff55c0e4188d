<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>warning.file.unreadable</source>
        <translation>Dit onderdeel kon niet worden gelezen en is overgeslagen.</translation>
    </message>
    <message>
        <source>warning.destination.search.skipped</source>
        <translation>Deze zoeklocatie is de doelmap en is daarom niet doorzocht.</translation>
    </message>
    <message>
        <source>warning.selection.search.skipped</source>
        <translation>Deze zoeklocatie ligt in de selectiemap en is daarom niet doorzocht op JPEG-bestanden.</translation>
    </message>
    <message>
        <source>warning.location.unavailable</source>
        <translation>Deze zoeklocatie kon niet worden geopend. Is de schijf aangesloten?</translation>
    </message>
    <message>
        <source>error.scan.failed</source>
        <translation>Het zoeken kon niet worden voltooid. Controleer of de selectiemap nog beschikbaar is en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>error.selection.none</source>
        <translation>Kies eerst een selectiemap.</translation>
    </message>
    <message>
        <source>error.selection.unreadable</source>
        <translation>De selectiemap ‘%1’ kon niet worden gelezen: %2.</translation>
    </message>
    <message>
        <source>status.scan.cancelled</source>
        <translation>Zoeken geannuleerd.</translation>
    </message>
</context>
</TS>
