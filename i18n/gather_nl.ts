<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>cli.command.gather</source>
        <translation>De volledige bestanden van een selectie zoeken, veilig kopiëren en rapporteren</translation>
    </message>
    <message>
        <source>cli.option.noXmp</source>
        <translation>Geen XMP-bestanden meekopiëren.</translation>
    </message>
    <message>
        <source>cli.option.onConflict</source>
        <translation>Als een naam al in de doelmap staat: overslaan, of kopiëren onder een genummerde naam.</translation>
    </message>
    <message>
        <source>cli.option.check</source>
        <translation>Kwaliteitscontroles na het kopiëren; file controleert ook elke kopie met een controlesom.</translation>
    </message>
    <message>
        <source>cli.option.report</source>
        <translation>Het rapport als CSV in dit bestand opslaan.</translation>
    </message>
    <message>
        <source>cli.error.selectionOrScreenshots</source>
        <translation>Geef --selection of --screenshot op.</translation>
    </message>
    <message>
        <source>cli.error.badConflict</source>
        <translation>Onbekende keuze bij conflicten ‘%1’: gebruik skip of numbered.</translation>
    </message>
    <message>
        <source>cli.error.badCheck</source>
        <translation>Onbekende controle ‘%1’: gebruik blur, duplicate of file.</translation>
    </message>
    <message>
        <source>cli.error.notAScreenshot</source>
        <translation>--screenshot: ‘%1’ is geen PNG-, JPEG- of HEIC-bestand.</translation>
    </message>
    <message>
        <source>cli.error.badReport</source>
        <translation>--report: ‘%1’ kan niet worden geschreven (de map bestaat niet, of het is een map).</translation>
    </message>
    <message>
        <source>cli.error.noTemporaryFolder</source>
        <translation>Er kon geen tijdelijke map worden gemaakt.</translation>
    </message>
    <message>
        <source>cli.error.cannotStart</source>
        <translation>Het zoeken kan niet beginnen: controleer de selectie, de zoeklocaties en de doelmap.</translation>
    </message>
    <message>
        <source>cli.error.copyFailed</source>
        <translation>Niet gekopieerd: %1 — %2</translation>
    </message>
    <message>
        <source>cli.progress.copy</source>
        <translation>%1 van %2 bestanden, %3 van %4</translation>
    </message>
</context>
</TS>
