<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>screenshot.ocr.file.error</source>
        <translation>De schermafbeelding “%1” kon niet worden gelezen. Is het een PNG-, JPEG- of HEIC-afbeelding?</translation>
    </message>
    <message>
        <source>screenshot.ocr.file.memory</source>
        <translation>De schermafbeelding “%1” kon niet worden gelezen: er was niet genoeg geheugen. Sluit andere programma’s en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>screenshot.ocr.unavailable</source>
        <translation>De schermafbeelding “%1” kon niet worden gelezen: tekstherkenning is niet volledig geïnstalleerd (ontbreekt: %2). Installeer Quillmore opnieuw.</translation>
    </message>
    <message>
        <source>screenshot.ocr.file.notRegular</source>
        <translation>“%1” is een map, pipe, socket of apparaat, geen afbeeldingsbestand: het is niet gelezen.</translation>
    </message>
    <message>
        <source>screenshot.ocr.file.tooLarge</source>
        <translation>De schermafbeelding “%1” is te groot om te lezen: schermafbeeldingen tot %2 megapixel worden gelezen.</translation>
    </message>
    <message>
        <source>cli.command.readScreenshots</source>
        <translation>Lees de fotonamen die schermafbeeldingen van een bestandslijst tonen.</translation>
    </message>
    <message>
        <source>cli.option.screenshotFiles</source>
        <translation>Schermafbeeldingen (PNG, JPEG of HEIC) waaruit de namen worden gelezen.</translation>
    </message>
    <message>
        <source>cli.option.screenshot</source>
        <translation>Een schermafbeelding van een bestandslijst waaruit de gekozen namen komen, in plaats van --selection (herhaal voor meer).</translation>
    </message>
    <message>
        <source>cli.error.noScreenshots</source>
        <translation>Geen schermafbeelding opgegeven. Probeer --help.</translation>
    </message>
    <message>
        <source>cli.error.selectionOrScreenshot</source>
        <translation>Geef --selection of --screenshot op, niet allebei.</translation>
    </message>
    <message>
        <source>cli.progress.screenshot</source>
        <translation>Schermafbeelding %1 van %2 lezen</translation>
    </message>
    <message>
        <source>cli.table.confidence</source>
        <translation>Zekerheid</translation>
    </message>
    <message>
        <source>cli.table.screenshots</source>
        <translation>Schermafbeeldingen</translation>
    </message>
    <message>
        <source>cli.screenshots.summary</source>
        <translation>%1 schermafbeeldingen gelezen: %2 namen (%3 keer gevonden).</translation>
    </message>
    <message>
        <source>cli.screenshots.cancelled</source>
        <translation>Het lezen van de schermafbeeldingen is geannuleerd.</translation>
    </message>
</context>
</TS>
