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
