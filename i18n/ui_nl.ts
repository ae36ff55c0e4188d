<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>Quillmore</name>
    <message>
        <source>app.title</source>
        <translation>Quillmore</translation>
    </message>
    <message>
        <source>app.subtitle</source>
        <translation>Vind de volledige bestanden van je geselecteerde foto's en kopieer ze veilig.</translation>
    </message>
    <message>
        <source>accessibility.file.icon</source>
        <translation>Voorbeeld van het bestand</translation>
    </message>
    <message>
        <source>accessibility.on</source>
        <translation>Aan</translation>
    </message>
    <message>
        <source>accessibility.off</source>
        <translation>Uit</translation>
    </message>
    <message>
        <source>accessibility.selected.folder</source>
        <translation>Gekozen map</translation>
    </message>
    <message>
        <source>button.cancel</source>
        <translation>Annuleren</translation>
    </message>
    <message>
        <source>button.done</source>
        <translation>Klaar</translation>
    </message>
    <message>
        <source>button.ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>button.show.finder</source>
        <translation>Toon in Bestanden</translation>
    </message>
    <message>
        <source>button.skip</source>
        <translation>Overslaan</translation>
    </message>
    <message>
        <source>completion.new</source>
        <translation>Nieuwe opdracht</translation>
    </message>
    <message>
        <source>completion.open.destination</source>
        <translation>Doelmap openen</translation>
    </message>
    <message>
        <source>completion.report</source>
        <translation>Rapport tonen</translation>
    </message>
    <message>
        <source>confirm.replace.names.message</source>
        <translation>U hebt namen uit de schermafbeeldingen verbeterd, toegevoegd of verwijderd. Die wijzigingen gaan verloren.</translation>
    </message>
    <message>
        <source>confirm.replace.names.replace</source>
        <translation>Namen vervangen</translation>
    </message>
    <message>
        <source>confirm.replace.names.title</source>
        <translation>De gecontroleerde namen vervangen?</translation>
    </message>
    <message>
        <source>confirm.report.discard</source>
        <translation>Niet bewaren</translation>
    </message>
    <message>
        <source>confirm.report.message</source>
        <translation>Het rapport van deze kopie is niet bewaard. Als u verdergaat, kan het niet meer getoond worden.</translation>
    </message>
    <message>
        <source>confirm.report.save</source>
        <translation>Rapport bewaren…</translation>
    </message>
    <message>
        <source>confirm.report.title</source>
        <translation>Eerst het rapport bewaren?</translation>
    </message>
    <message>
        <source>confirm.stop.copy.keep</source>
        <translation>Doorgaan met kopiëren</translation>
    </message>
    <message>
        <source>confirm.stop.copy.message</source>
        <translation>De tot nu toe gekopieerde bestanden blijven in de bestemming. Het bestand dat nu wordt gekopieerd wordt niet bewaard, en de rest wordt niet gekopieerd.</translation>
    </message>
    <message>
        <source>confirm.stop.copy.stop</source>
        <translation>Kopiëren stoppen</translation>
    </message>
    <message>
        <source>confirm.stop.copy.title</source>
        <translation>Kopiëren stoppen?</translation>
    </message>
    <message>
        <source>completion.retry</source>
        <translation>Mislukte opnieuw proberen</translation>
    </message>
    <message>
        <source>copy.bytes</source>
        <translation>Gekopieerd</translation>
    </message>
    <message>
        <source>copy.check.progress</source>
        <translation>Bestand %1 van %2</translation>
    </message>
    <message>
        <source>copy.files.complete</source>
        <translation>Foto's</translation>
    </message>
    <message>
        <source>copy.files.detail</source>
        <translation>(%1 / %2 bestanden met sidecars)</translation>
    </message>
    <message>
        <source>copy.pace.unknown</source>
        <translation>—</translation>
    </message>
    <message>
        <source>copy.preparing</source>
        <translation>Kopiëren wordt voorbereid…</translation>
    </message>
    <message>
        <source>copy.remaining</source>
        <translation>Resterende tijd</translation>
    </message>
    <message>
        <source>copy.remaining.hours</source>
        <translation>Ongeveer %1 u %2 min</translation>
    </message>
    <message>
        <source>copy.remaining.minutes</source>
        <translation>Ongeveer %1 min</translation>
    </message>
    <message>
        <source>copy.remaining.seconds</source>
        <translation>Ongeveer %1 s</translation>
    </message>
    <message>
        <source>copy.speed</source>
        <translation>Snelheid</translation>
    </message>
    <message>
        <source>copy.speed.value</source>
        <translation>%1/s</translation>
    </message>
    <message>
        <source>error.title</source>
        <translation>Er ging iets mis</translation>
    </message>
    <message>
        <source>files.choose.other</source>
        <translation>Ander bestand kiezen…</translation>
    </message>
    <message>
        <source>files.jpeg</source>
        <translation>Geselecteerde foto</translation>
    </message>
    <message>
        <source>files.revert</source>
        <translation>Keuze ongedaan maken</translation>
    </message>
    <message>
        <source>files.revert.hint</source>
        <translation>Zet de naam terug zoals de zoekactie hem vond.</translation>
    </message>
    <message>
        <source>files.status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>files.title</source>
        <translation>Alle bestanden</translation>
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
        <translation>Kiezen</translation>
    </message>
    <message>
        <source>panel.save</source>
        <translation>Bewaren</translation>
    </message>
    <message>
        <source>panel.title.candidate</source>
        <translation>Kies het volledige bestand voor deze foto</translation>
    </message>
    <message>
        <source>panel.title.destination</source>
        <translation>Kies de bestemmingsmap</translation>
    </message>
    <message>
        <source>panel.title.report</source>
        <translation>Het kopieerrapport bewaren</translation>
    </message>
    <message>
        <source>panel.title.screenshots</source>
        <translation>Kies schermafbeeldingen van de selectie</translation>
    </message>
    <message>
        <source>panel.title.searches</source>
        <translation>Kies mappen of kaarten om te doorzoeken</translation>
    </message>
    <message>
        <source>panel.title.selection</source>
        <translation>Kies de map met geselecteerde foto's</translation>
    </message>
    <message>
        <source>panel.use.raw</source>
        <translation>RAW-bestand gebruiken</translation>
    </message>
    <message>
        <source>problems.clash.numbered</source>
        <translation>Kopiëren onder een genummerde naam</translation>
    </message>
    <message>
        <source>problems.clash.numbered.hint</source>
        <translation>Elke naam die al in de bestemming staat, wordt in plaats daarvan onder een genummerde naam gekopieerd.</translation>
    </message>
    <message>
        <source>problems.clash.skip</source>
        <translation>Weglaten</translation>
    </message>
    <message>
        <source>panel.use.jpeg</source>
        <translation>JPEG gebruiken</translation>
    </message>
    <message>
        <source>panel.filter.csv</source>
        <translation>CSV-bestanden (*.csv)</translation>
    </message>
    <message>
        <source>panel.filter.screenshots</source>
        <translation>Schermafbeeldingen (%1)</translation>
    </message>
    <message>
        <source>panel.filter.raw</source>
        <translation>RAW-bestanden (%1)</translation>
    </message>
    <message>
        <source>panel.filter.jpeg</source>
        <translation>JPEG-bestanden (%1)</translation>
    </message>
    <message>
        <source>problems.none</source>
        <translation>Geen problemen op te lossen</translation>
    </message>
    <message>
        <source>problems.pick</source>
        <translation>De keuze van de klant</translation>
    </message>
    <message>
        <source>problems.title</source>
        <translation>Problemen</translation>
    </message>
    <message>
        <source>report.destination</source>
        <translation>Doel</translation>
    </message>
    <message>
        <source>report.error</source>
        <translation>Fout</translation>
    </message>
    <message>
        <source>report.match.type</source>
        <translation>Overeenkomst</translation>
    </message>
    <message>
        <source>report.matched</source>
        <translation>Gevonden bestand</translation>
    </message>
    <message>
        <source>report.quality.flags</source>
        <translation>Controles</translation>
    </message>
    <message>
        <source>report.save.csv</source>
        <translation>Bewaren als CSV…</translation>
    </message>
    <message>
        <source>report.screenshot.source</source>
        <translation>Schermafbeelding</translation>
    </message>
    <message>
        <source>report.selection</source>
        <translation>Selectie</translation>
    </message>
    <message>
        <source>report.status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>report.title</source>
        <translation>Kopieerrapport</translation>
    </message>
    <message>
        <source>reveal.unavailable</source>
        <translation>Geen bestandsbeheerder kon het bestand tonen. U vindt het hier:
%1</translation>
    </message>
    <message>
        <source>scan.checked.files</source>
        <translation>Bestanden bekeken</translation>
    </message>
    <message>
        <source>scan.found.matches</source>
        <translation>Overeenkomsten gevonden</translation>
    </message>
    <message>
        <source>scan.preparing</source>
        <translation>Zoeken wordt voorbereid…</translation>
    </message>
    <message>
        <source>scan.progress.accessibility</source>
        <translation>Bezig met zoeken</translation>
    </message>
    <message>
        <source>screenshot.add</source>
        <translation>Schermafbeeldingen toevoegen…</translation>
    </message>
    <message>
        <source>screenshot.add.filename</source>
        <translation>Naam toevoegen</translation>
    </message>
    <message>
        <source>screenshot.check.name</source>
        <translation>Controleer deze naam</translation>
    </message>
    <message>
        <source>screenshot.choose</source>
        <translation>Schermafbeeldingen kiezen…</translation>
    </message>
    <message>
        <source>screenshot.configure.hint</source>
        <translation>Verbeter elke naam en kies zoeklocaties en een doelmap om te kunnen zoeken.</translation>
    </message>
    <message>
        <source>screenshot.crop.accessibility</source>
        <translation>Waar de naam op de schermafbeelding gelezen is</translation>
    </message>
    <message>
        <source>screenshot.duplicate.name</source>
        <translation>Staat al in de lijst</translation>
    </message>
    <message>
        <source>screenshot.filename.accessibility</source>
        <translation>Bestandsnaam</translation>
    </message>
    <message>
        <source>screenshot.filename.placeholder</source>
        <translation>IMG_0001.JPG</translation>
    </message>
    <message>
        <source>screenshot.folder.title</source>
        <translation>Map met JPEG's</translation>
    </message>
    <message>
        <source>screenshot.from.sources</source>
        <translation>Uit schermafbeeldingen: %1</translation>
    </message>
    <message>
        <source>screenshot.invalid.name</source>
        <translation>Geen bestandsnaam van een foto</translation>
    </message>
    <message>
        <source>screenshot.option.instruction</source>
        <translation>Schermafbeeldingen van een bestandslijst; de namen worden op deze computer gelezen.</translation>
    </message>
    <message>
        <source>screenshot.option.title</source>
        <translation>Schermafbeeldingen</translation>
    </message>
    <message>
        <source>screenshot.panel.choose</source>
        <translation>Namen lezen</translation>
    </message>
    <message>
        <source>screenshot.privacy</source>
        <translation>Tekstherkenning draait op deze computer. Er wordt niets verstuurd.</translation>
    </message>
    <message>
        <source>screenshot.reading.progress</source>
        <translation>Schermafbeelding %1 van %2 wordt gelezen…</translation>
    </message>
    <message>
        <source>screenshot.remove.filename</source>
        <translation>Naam verwijderen</translation>
    </message>
    <message>
        <source>screenshot.replace</source>
        <translation>Nieuwe lijst beginnen…</translation>
    </message>
    <message>
        <source>screenshot.replace.hint</source>
        <translation>Kies schermafbeeldingen waarvan de namen de lijst vervangen.</translation>
    </message>
    <message>
        <source>screenshot.review.button</source>
        <translation>Namen nakijken…</translation>
    </message>
    <message>
        <source>screenshot.review.empty.description</source>
        <translation>Er zijn geen fotonamen gelezen. Voeg namen met de hand toe of kies andere schermafbeeldingen.</translation>
    </message>
    <message>
        <source>screenshot.review.empty.title</source>
        <translation>Geen namen gevonden</translation>
    </message>
    <message>
        <source>screenshot.review.title</source>
        <translation>Namen nakijken</translation>
    </message>
    <message>
        <source>screenshot.selected.summary</source>
        <translation>%1 schermafbeeldingen, %2 namen</translation>
    </message>
    <message numerus="yes">
        <source>screenshot.stats.duplicates</source>
        <translation>
            <numerusform>%n dubbele verwijderd</numerusform>
            <numerusform>%n dubbele verwijderd</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>screenshot.stats.found</source>
        <translation>
            <numerusform>%n naam gevonden</numerusform>
            <numerusform>%n namen gevonden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>screenshot.stats.read</source>
        <translation>
            <numerusform>%n schermafbeelding gelezen</numerusform>
            <numerusform>%n schermafbeeldingen gelezen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>screenshot.stats.unique</source>
        <translation>
            <numerusform>%n unieke naam</numerusform>
            <numerusform>%n unieke namen</numerusform>
        </translation>
    </message>
    <message>
        <source>screenshot.virtual.selection</source>
        <translation>Met de hand ingevoerd</translation>
    </message>
    <message numerus="yes">
        <source>screenshot.warnings.title</source>
        <translation>
            <numerusform>%n waarschuwing</numerusform>
            <numerusform>%n waarschuwingen</numerusform>
        </translation>
    </message>
    <message>
        <source>search.target.label</source>
        <translation>Zoek naar</translation>
    </message>
    <message>
        <source>setup.check.blur</source>
        <translation>Mogelijke onscherpte</translation>
    </message>
    <message>
        <source>setup.check.duplicate</source>
        <translation>Dubbele bestanden</translation>
    </message>
    <message>
        <source>setup.check.file</source>
        <translation>Bestandscontrole</translation>
    </message>
    <message>
        <source>setup.checks.label</source>
        <translation>Na het kopiëren controleren op</translation>
    </message>
    <message>
        <source>setup.choose.again</source>
        <translation>Opnieuw kiezen…</translation>
    </message>
    <message>
        <source>setup.conflict.label</source>
        <translation>Als een naam al bestaat</translation>
    </message>
    <message>
        <source>setup.conflict.numbered</source>
        <translation>Beide bewaren</translation>
    </message>
    <message>
        <source>setup.conflict.skip</source>
        <translation>Overslaan</translation>
    </message>
    <message>
        <source>setup.destination.choose</source>
        <translation>Doelmap kiezen…</translation>
    </message>
    <message>
        <source>setup.destination.instruction</source>
        <translation>De map die de kopieën krijgt. Bestaande bestanden worden nooit overschreven.</translation>
    </message>
    <message>
        <source>setup.destination.title</source>
        <translation>Doelmap</translation>
    </message>
    <message>
        <source>setup.include.xmp</source>
        <translation>XMP-bestanden meekopiëren</translation>
    </message>
    <message>
        <source>setup.include.xmp.hint</source>
        <translation>Kopieert ook het .xmp-bestand naast elk RAW-bestand.</translation>
    </message>
    <message>
        <source>setup.scan.hint</source>
        <translation>Doorzoekt de locaties naar de geselecteerde foto's.</translation>
    </message>
    <message>
        <source>setup.search.add</source>
        <translation>Locatie toevoegen…</translation>
    </message>
    <message>
        <source>setup.search.empty</source>
        <translation>Voeg de mappen of schijven toe waar de fotosessie staat, of sleep ze hierheen.</translation>
    </message>
    <message>
        <source>setup.search.reauthorize</source>
        <translation>Opnieuw kiezen…</translation>
    </message>
    <message>
        <source>setup.search.remove</source>
        <translation>Locatie verwijderen</translation>
    </message>
    <message>
        <source>setup.search.remove.one</source>
        <translation>Deze locatie verwijderen</translation>
    </message>
    <message>
        <source>setup.search.title</source>
        <translation>Zoeklocaties</translation>
    </message>
    <message numerus="yes">
        <source>setup.selection.count</source>
        <translation>
            <numerusform>%n foto in de selectie</numerusform>
            <numerusform>%n foto's in de selectie</numerusform>
        </translation>
    </message>
    <message>
        <source>setup.selections.choose</source>
        <translation>Map kiezen…</translation>
    </message>
    <message>
        <source>setup.selections.instruction</source>
        <translation>Een map met de JPEG's die je hebt geselecteerd. Sleep hem hierheen of kies hem.</translation>
    </message>
    <message>
        <source>setup.selections.title</source>
        <translation>Selectie</translation>
    </message>
    <message numerus="yes">
        <source>status.warning.count</source>
        <translation>
            <numerusform>%n waarschuwing</numerusform>
            <numerusform>%n waarschuwingen</numerusform>
        </translation>
    </message>
    <message>
        <source>summary.ambiguous</source>
        <translation>Meerdere kandidaten: %1</translation>
    </message>
    <message>
        <source>summary.back</source>
        <translation>Terug</translation>
    </message>
    <message>
        <source>summary.back.hint</source>
        <translation>Terug naar de instellingen, met alle keuzes bewaard. De keuzes die u hier maakte, worden bij de volgende zoekactie opnieuw toegepast.</translation>
    </message>
    <message numerus="yes">
        <source>summary.checked</source>
        <translation>
            <numerusform>%n foto bekeken</numerusform>
            <numerusform>%n foto's bekeken</numerusform>
        </translation>
    </message>
    <message>
        <source>summary.existing</source>
        <translation>Staat al op de bestemming, wordt niet opnieuw gekopieerd: %1</translation>
    </message>
    <message>
        <source>summary.files</source>
        <translation>Alle bestanden…</translation>
    </message>
    <message numerus="yes">
        <source>summary.identical</source>
        <translation>
            <numerusform>%n identieke kopie (zelfde naam, zelfde inhoud) één keer geteld</numerusform>
            <numerusform>%n identieke kopieën (zelfde naam, zelfde inhoud) één keer geteld</numerusform>
        </translation>
    </message>
    <message>
        <source>summary.missing</source>
        <translation>Niet gevonden: %1</translation>
    </message>
    <message>
        <source>summary.problems</source>
        <translation>Problemen oplossen…</translation>
    </message>
    <message>
        <source>summary.undo</source>
        <translation>Keuze ongedaan maken</translation>
    </message>
    <message>
        <source>summary.skipped</source>
        <translation>Door u overgeslagen: %1</translation>
    </message>
    <message>
        <source>summary.warnings</source>
        <translation>Waarschuwingen</translation>
    </message>
    <message>
        <source>warnings.message</source>
        <translation>Melding</translation>
    </message>
    <message>
        <source>warnings.place</source>
        <translation>Plaats</translation>
    </message>
    <message>
        <source>warnings.title</source>
        <translation>Waarschuwingen</translation>
    </message>
</context>
</TS>
