<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>cli.description</source>
        <translation>Quillmore zoekt de volledige bestanden bij een selectie foto's en kopieert ze veilig.</translation>
    </message>
    <message>
        <source>cli.command.scan</source>
        <translation>De volledige bestanden bij een selectie zoeken en tonen wat er gevonden is.</translation>
    </message>
    <message>
        <source>cli.option.selection</source>
        <translation>De selectiemap met JPEG-bestanden.</translation>
    </message>
    <message>
        <source>cli.option.search</source>
        <translation>Een map of schijf om te doorzoeken (herhaal voor meer).</translation>
    </message>
    <message>
        <source>cli.option.dest</source>
        <translation>De doelmap (wordt niet doorzocht).</translation>
    </message>
    <message>
        <source>cli.option.target</source>
        <translation>Waarnaar te zoeken: raw (RAW-bestanden van de camera) of jpeg (JPEG's op volle grootte).</translation>
    </message>
    <message>
        <source>cli.option.json</source>
        <translation>Het resultaat als één JSON-document schrijven.</translation>
    </message>
    <message>
        <source>cli.error.unknownCommand</source>
        <translation>Onbekende opdracht “%1”. Probeer --help.</translation>
    </message>
    <message>
        <source>cli.error.fullProgram</source>
        <translation>%1, dat deze opdracht uitvoert, kon niet starten: %2. Installeer Quillmore opnieuw.</translation>
    </message>
    <message>
        <source>cli.error.noRecognition</source>
        <translation>Dit programma leest geen schermafbeeldingen; gebruik quillmore-cli.</translation>
    </message>
    <message>
        <source>cli.error.noCommand</source>
        <translation>Geen opdracht gegeven. Probeer --help.</translation>
    </message>
    <message>
        <source>cli.error.missingOption</source>
        <translation>%1 ontbreekt.</translation>
    </message>
    <message>
        <source>cli.error.unusableFolder</source>
        <translation>%1 ‘%2’ kan niet worden gebruikt: %3.</translation>
    </message>
    <message>
        <source>cli.error.badTarget</source>
        <translation>--target moet raw of jpeg zijn, niet “%1”.</translation>
    </message>
    <message>
        <source>cli.error.unexpectedArgument</source>
        <translation>Onverwacht argument “%1”. Probeer --help.</translation>
    </message>
    <message>
        <source>cli.progress.scan</source>
        <translation>%1 bestanden bekeken, %2 gevonden</translation>
    </message>
    <message>
        <source>cli.progress.reading</source>
        <translation>De selectie lezen…</translation>
    </message>
    <message>
        <source>cli.table.name</source>
        <translation>Naam</translation>
    </message>
    <message>
        <source>cli.table.status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>cli.table.file</source>
        <translation>Bestand</translation>
    </message>
    <message>
        <source>cli.table.candidates</source>
        <translation>%1 kandidaten:</translation>
    </message>
    <message>
        <source>cli.summary</source>
        <translation>%1 namen: %2 gevonden, %3 niet gevonden, %4 meerdere kandidaten. %5 bestanden bekeken.</translation>
    </message>
    <message>
        <source>cli.warnings</source>
        <translation>Waarschuwingen:</translation>
    </message>
</context>
</TS>
