<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>status.ready</source>
        <translation>Gereed.</translation>
    </message>
    <message>
        <source>status.scanning</source>
        <translation>Bestanden zoeken…</translation>
    </message>
    <message>
        <source>status.scan.complete</source>
        <translation>Zoeken voltooid.</translation>
    </message>
    <message>
        <source>status.scan.cancelling</source>
        <translation>Zoeken wordt geannuleerd…</translation>
    </message>
    <message>
        <source>status.scan.failed</source>
        <translation>Het zoeken is mislukt.</translation>
    </message>
    <message>
        <source>status.copying</source>
        <translation>Kopiëren…</translation>
    </message>
    <message>
        <source>status.copy.cancelling</source>
        <translation>Kopiëren wordt geannuleerd…</translation>
    </message>
    <message>
        <source>status.copy.cancelled</source>
        <translation>Kopiëren geannuleerd.</translation>
    </message>
    <message>
        <source>status.copy.complete</source>
        <translation>Kopiëren voltooid.</translation>
    </message>
    <message>
        <source>status.copy.failed</source>
        <translation>Het kopiëren kon niet worden uitgevoerd.</translation>
    </message>
    <message>
        <source>status.copy.nothing</source>
        <translation>Er is niets gekopieerd.</translation>
    </message>
    <message>
        <source>status.checks.cancelled</source>
        <translation>Bestanden gekopieerd; controles geannuleerd.</translation>
    </message>
    <message>
        <source>status.report.saved</source>
        <translation>Rapport opgeslagen.</translation>
    </message>
    <message>
        <source>screenshot.ocr.reading</source>
        <translation>Bestandsnamen uit de schermafbeeldingen lezen…</translation>
    </message>
    <message>
        <source>screenshot.ocr.complete</source>
        <translation>Schermafbeeldingen gelezen. Controleer de bestandsnamen.</translation>
    </message>
    <message>
        <source>screenshot.ocr.cancelling</source>
        <translation>Lezen van schermafbeeldingen wordt geannuleerd…</translation>
    </message>
    <message>
        <source>screenshot.ocr.cancelled</source>
        <translation>Lezen van schermafbeeldingen geannuleerd.</translation>
    </message>
    <message>
        <source>screenshot.ocr.failed</source>
        <translation>Het lezen van de schermafbeeldingen is mislukt.</translation>
    </message>
    <message>
        <source>error.quality.failed</source>
        <translation>De kwaliteitscontroles konden niet worden afgerond. De kopieën zijn volledig en gecontroleerd.</translation>
    </message>
    <message>
        <source>error.quality.failed.reason</source>
        <translation>De kwaliteitscontroles konden niet worden afgerond: %1. De kopieën zijn volledig en gecontroleerd.</translation>
    </message>
    <message>
        <source>error.screenshot.read.failed</source>
        <translation>De schermafbeeldingen konden niet worden gelezen. Probeer het opnieuw of kies andere schermafbeeldingen.</translation>
    </message>
    <message>
        <source>error.screenshot.unreadable</source>
        <translation>‘%1’ is geen afbeelding die Quillmore kan lezen.</translation>
    </message>
    <message>
        <source>error.recognition.unavailable</source>
        <translation>De tekstherkenning kon niet starten: de taalgegevens ontbreken in ‘%1’.</translation>
    </message>
    <message>
        <source>error.bookmark.save.failed</source>
        <translation>De map is gekozen, maar Quillmore kon hem niet onthouden voor de volgende keer.</translation>
    </message>
    <message>
        <source>error.bookmark.folder.missing</source>
        <translation>De map ‘%1’ kon niet worden gevonden.</translation>
    </message>
    <message>
        <source>error.unsupported.raw</source>
        <translation>Er is geen RAW-bestand gekozen. Kies een RAW-bestand van een camera.</translation>
    </message>
    <message>
        <source>error.unsupported.jpeg</source>
        <translation>Er is geen JPEG-bestand gekozen. Kies een .jpg- of .jpeg-bestand.</translation>
    </message>
    <message>
        <source>error.copy.failed</source>
        <translation>Het kopiëren kon niet worden uitgevoerd. Er is geen bestand gekopieerd.</translation>
    </message>
    <message>
        <source>error.copy.failed.reason</source>
        <translation>Het kopiëren kon niet worden uitgevoerd: %1</translation>
    </message>
    <message>
        <source>error.copy.interrupted</source>
        <translation>Een kopie naar %1 is de vorige keer dat Quillmore draaide gestopt voordat ze klaar was. De toen gekopieerde bestanden zijn compleet; voer de taak opnieuw uit om de rest te kopiëren.</translation>
    </message>
    <message>
        <source>error.open.folder</source>
        <translation>Geen bestandsbeheerder kon de map openen. U vindt hem hier:
%1</translation>
    </message>
    <message>
        <source>error.report.save.failed</source>
        <translation>Het rapport kon niet worden opgeslagen. Kies een andere plek en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>error.report.write</source>
        <translation>‘%1’ kon niet worden geschreven: %2</translation>
    </message>
    <message>
        <source>error.service.unavailable</source>
        <translation>Dit onderdeel van Quillmore is niet beschikbaar in deze versie.</translation>
    </message>
    <message>
        <source>error.memory</source>
        <translation>Er was niet genoeg geheugen. Sluit andere programma’s en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>error.reason.disconnected</source>
        <translation>de schijf of netwerkmap is niet meer verbonden</translation>
    </message>
    <message>
        <source>error.reason.full</source>
        <translation>de schijf is vol</translation>
    </message>
    <message>
        <source>error.reason.gone</source>
        <translation>het is er niet (is de kaart of schijf aangesloten?)</translation>
    </message>
    <message>
        <source>error.reason.io</source>
        <translation>de schijf kon niet worden gelezen of beschreven; misschien is ze beschadigd</translation>
    </message>
    <message>
        <source>error.reason.nameTooLong</source>
        <translation>de naam is te lang voor deze schijf</translation>
    </message>
    <message>
        <source>error.reason.notFolder</source>
        <translation>het is geen map</translation>
    </message>
    <message>
        <source>error.reason.permission</source>
        <translation>je hebt geen toestemming om het te gebruiken</translation>
    </message>
    <message>
        <source>error.reason.readOnly</source>
        <translation>de schijf is alleen-lezen</translation>
    </message>
    <message>
        <source>error.reason.unsupported</source>
        <translation>deze schijf ondersteunt dat niet</translation>
    </message>
    <message>
        <source>error.with.reason</source>
        <translation>%1 Reden: %2.</translation>
    </message>
    <message>
        <source>report.status.copied</source>
        <translation>Gekopieerd</translation>
    </message>
    <message>
        <source>report.status.skipped</source>
        <translation>Overgeslagen</translation>
    </message>
    <message>
        <source>report.status.failed</source>
        <translation>Mislukt</translation>
    </message>
    <message>
        <source>report.error.cancelled</source>
        <translation>Niet gekopieerd: het kopiëren is geannuleerd.</translation>
    </message>
    <message>
        <source>outcome.copied</source>
        <translation>Gekopieerd</translation>
    </message>
    <message>
        <source>outcome.failed</source>
        <translation>Mislukt</translation>
    </message>
    <message>
        <source>outcome.cancelled</source>
        <translation>Geannuleerd</translation>
    </message>
    <message>
        <source>outcome.alreadyInDestination</source>
        <translation>Staat al op de bestemming</translation>
    </message>
    <message>
        <source>outcome.notFound</source>
        <translation>Niet gevonden</translation>
    </message>
    <message>
        <source>outcome.notChosen</source>
        <translation>Niet gekozen</translation>
    </message>
    <message>
        <source>outcome.skippedByYou</source>
        <translation>Door u overgeslagen</translation>
    </message>
    <message>
        <source>completion.title</source>
        <translation>Kopiëren klaar</translation>
    </message>
    <message>
        <source>completion.title.failed</source>
        <translation>Kopiëren klaar, maar niet alle bestanden zijn gekopieerd</translation>
    </message>
    <message>
        <source>completion.title.none</source>
        <translation>Er is niets gekopieerd</translation>
    </message>
    <message>
        <source>completion.title.cancelled</source>
        <translation>Kopiëren geannuleerd</translation>
    </message>
    <message>
        <source>completion.title.checks.cancelled</source>
        <translation>Bestanden gekopieerd, controles geannuleerd</translation>
    </message>
    <message>
        <source>completion.cancelled</source>
        <translation>Het kopiëren is geannuleerd voordat alle bestanden waren gekopieerd.</translation>
    </message>
    <message>
        <source>completion.checks.cancelled</source>
        <translation>De kwaliteitscontroles zijn geannuleerd; de gekopieerde bestanden zijn niet gecontroleerd.</translation>
    </message>
    <message>
        <source>completion.failures</source>
        <translation>Niet gekopieerd:</translation>
    </message>
    <message>
        <source>completion.xmp</source>
        <translation>XMP-bestanden gekopieerd</translation>
    </message>
    <message>
        <source>completion.skipped</source>
        <translation>Overgeslagen</translation>
    </message>
    <message>
        <source>completion.errors</source>
        <translation>Fouten</translation>
    </message>
    <message>
        <source>completion.possible.unsharp</source>
        <translation>Mogelijk onscherp</translation>
    </message>
    <message>
        <source>completion.blur.not.assessed</source>
        <translation>Scherpte niet beoordeeld</translation>
    </message>
    <message>
        <source>completion.duplicates</source>
        <translation>Dubbele bestanden</translation>
    </message>
    <message>
        <source>completion.file.check</source>
        <translation>Afgekeurd bij de bestandscontrole</translation>
    </message>
    <message>
        <source>completion.file.check.not.assessed</source>
        <translation>Bestandscontrole niet mogelijk</translation>
    </message>
</context>
</TS>
