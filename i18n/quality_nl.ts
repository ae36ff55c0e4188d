<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>status.quality.file.check</source>
        <translation>Bestanden controleren…</translation>
    </message>
    <message>
        <source>status.quality.duplicates</source>
        <translation>Zoeken naar duplicaten…</translation>
    </message>
    <message>
        <source>status.quality.sharpness</source>
        <translation>Scherpte controleren…</translation>
    </message>
    <message>
        <source>status.quality.tags</source>
        <translation>Finder-labels toevoegen…</translation>
    </message>
    <message>
        <source>quality.error.file.check</source>
        <translation>De bestandscontrole kon voor dit bestand niet worden uitgevoerd.</translation>
    </message>
    <message>
        <source>quality.error.duplicate</source>
        <translation>Dit bestand kon niet worden gelezen om naar duplicaten te zoeken.</translation>
    </message>
    <message>
        <source>quality.error.blur</source>
        <translation>De scherpte van dit bestand kon niet worden gecontroleerd.</translation>
    </message>
    <message>
        <source>quality.error.tags</source>
        <translation>De Finder-labels konden niet naar dit bestand worden geschreven.</translation>
    </message>
</context>
</TS>
