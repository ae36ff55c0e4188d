<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>copy.error.destination.exists</source>
        <translation>Er staat al een bestand met deze naam in de doelmap. Dat bestand is niet aangeraakt en dit bestand is niet gekopieerd.</translation>
    </message>
    <message>
        <source>copy.error.size.mismatch</source>
        <translation>De kopie is niet even groot als het origineel en is daarom verwijderd. Controleer de doelschijf en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>copy.error.checksum.mismatch</source>
        <translation>De kopie die van het doel is teruggelezen komt niet overeen met het origineel en is daarom verwijderd. De doelschijf of de verbinding ermee is mogelijk defect.</translation>
    </message>
    <message>
        <source>copy.error.failed</source>
        <translation>Het bestand kon niet worden gekopieerd. Er is in de doelmap niets onder deze naam geplaatst.</translation>
    </message>
    <message>
        <source>copy.error.failed.reason</source>
        <translation>Het bestand kon niet worden gekopieerd: %1. Er is in de doelmap niets onder deze naam geplaatst.</translation>
    </message>
    <message>
        <source>copy.warning.folder.flush</source>
        <translation>Gekopieerd en gecontroleerd, maar de doelschijf heeft niet bevestigd dat de nieuwe bestandsnamen zijn opgeslagen: controleer na een stroomstoring of een losgekoppelde schijf of dit bestand er staat.</translation>
    </message>
    <message>
        <source>copy.error.source.unavailable</source>
        <translation>Het originele bestand is niet meer beschikbaar. Is de schijf aangesloten?</translation>
    </message>
    <message>
        <source>copy.cause.other</source>
        <translation>Het bestand kon niet worden gekopieerd.</translation>
    </message>
    <message>
        <source>copy.cause.sourceMissing</source>
        <translation>De kaart of map met dit bestand is er niet meer. Sluit hem weer aan en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>copy.cause.destinationMissing</source>
        <translation>De doelmap is er niet meer. Sluit de schijf weer aan en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>copy.cause.destinationReadOnly</source>
        <translation>Het doel is alleen-lezen. Kies een map waarin u kunt schrijven of pas de rechten aan en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>copy.cause.diskFull</source>
        <translation>De doelschijf is vol. Maak ruimte vrij en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>copy.cause.alreadyExists</source>
        <translation>Er staat al een bestand met deze naam in het doel; dat is niet aangeraakt.</translation>
    </message>
    <message>
        <source>copy.cause.notVerified</source>
        <translation>De kopie kon op de doelschijf niet worden bevestigd en telt daarom niet als gekopieerd.</translation>
    </message>
    <message>
        <source>copy.conflict.skipped</source>
        <translation>Er staat al een bestand met deze naam in de doelmap, dus dit bestand wordt niet gekopieerd.</translation>
    </message>
    <message>
        <source>error.insufficient.space</source>
        <translation>Er is niet genoeg vrije ruimte in de doelmap voor deze bestanden.</translation>
    </message>
    <message>
        <source>error.file.operation</source>
        <translation>Een bestandsbewerking is mislukt: %1.</translation>
    </message>
    <message>
        <source>error.file.operation.path</source>
        <translation>‘%1’ kon niet worden gebruikt: %2.</translation>
    </message>
    <message>
        <source>error.file.operation.unknown</source>
        <translation>Een bestandsbewerking is mislukt.</translation>
    </message>
    <message>
        <source>error.tags.corrupt</source>
        <translation>De labels van het bestand konden niet worden gelezen: ze vormen geen lijst met labelnamen.</translation>
    </message>
    <message>
        <source>error.tags.encode</source>
        <translation>De labels van het bestand konden niet worden geschreven.</translation>
    </message>
</context>
</TS>
