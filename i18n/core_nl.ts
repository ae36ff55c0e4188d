<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>selection.status.found</source>
        <translation>Gevonden</translation>
    </message>
    <message>
        <source>selection.status.notFound</source>
        <translation>Niet gevonden</translation>
    </message>
    <message>
        <source>selection.status.ambiguous</source>
        <translation>Meerdere kandidaten</translation>
    </message>
    <message>
        <source>selection.status.manuallyResolved</source>
        <translation>Door jou gekozen</translation>
    </message>
    <message>
        <source>selection.status.existsAtDestination</source>
        <translation>Staat al op de bestemming</translation>
    </message>
    <message>
        <source>selection.status.readyToCopy</source>
        <translation>Klaar om te kopiëren</translation>
    </message>
    <message>
        <source>selection.status.copied</source>
        <translation>Gekopieerd</translation>
    </message>
    <message>
        <source>selection.status.skipped</source>
        <translation>Door u overgeslagen</translation>
    </message>
    <message>
        <source>selection.status.failed</source>
        <translation>Mislukt</translation>
    </message>
    <message>
        <source>search.target.raw</source>
        <translation>RAW-bestanden</translation>
    </message>
    <message>
        <source>search.target.jpeg</source>
        <translation>JPEG's op volle grootte</translation>
    </message>
    <message>
        <source>setup.scan.raw</source>
        <translation>RAW-bestanden zoeken</translation>
    </message>
    <message>
        <source>setup.scan.jpeg</source>
        <translation>JPEG's op volle grootte zoeken</translation>
    </message>
    <message>
        <source>scan.title.raw</source>
        <translation>RAW-bestanden zoeken…</translation>
    </message>
    <message>
        <source>scan.title.jpeg</source>
        <translation>JPEG's op volle grootte zoeken…</translation>
    </message>
    <message>
        <source>summary.found.raw</source>
        <translation>RAW-bestanden gevonden</translation>
    </message>
    <message>
        <source>summary.found.jpeg</source>
        <translation>JPEG's op volle grootte gevonden</translation>
    </message>
    <message>
        <source>summary.copy.raw</source>
        <translation>RAW-bestanden kopiëren</translation>
    </message>
    <message>
        <source>summary.copy.jpeg</source>
        <translation>JPEG's op volle grootte kopiëren</translation>
    </message>
    <message>
        <source>problems.not.found.raw</source>
        <translation>Geen RAW-bestand gevonden</translation>
    </message>
    <message>
        <source>problems.not.found.jpeg</source>
        <translation>Geen JPEG op volle grootte gevonden</translation>
    </message>
    <message>
        <source>problems.multiple.raw</source>
        <translation>Meerdere RAW-bestanden gevonden</translation>
    </message>
    <message>
        <source>problems.multiple.jpeg</source>
        <translation>Meerdere JPEG's op volle grootte gevonden</translation>
    </message>
    <message>
        <source>problems.choose.manual.raw</source>
        <translation>RAW-bestand kiezen…</translation>
    </message>
    <message>
        <source>problems.choose.manual.jpeg</source>
        <translation>JPEG-bestand kiezen…</translation>
    </message>
    <message>
        <source>problems.use.raw</source>
        <translation>Dit RAW-bestand gebruiken</translation>
    </message>
    <message>
        <source>problems.use.jpeg</source>
        <translation>Deze JPEG gebruiken</translation>
    </message>
    <message>
        <source>files.raw</source>
        <translation>RAW-bestand</translation>
    </message>
    <message>
        <source>files.full.jpeg</source>
        <translation>JPEG op volle grootte</translation>
    </message>
    <message>
        <source>completion.raw</source>
        <translation>RAW-bestanden gekopieerd</translation>
    </message>
    <message>
        <source>completion.jpeg</source>
        <translation>JPEG's op volle grootte gekopieerd</translation>
    </message>
</context>
</TS>
