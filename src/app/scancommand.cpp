#include "scancommand.h"

#include "clicommon.h"
#include "jsonwriter.h"

#include "matching/rawscanner.h"
#include "matching/selectionreader.h"
#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "workflow/scanjob.h"
#include "workflow/screentexts.h"

#include <cstdio>

namespace quillmore {
namespace {

using cli::printable;
using cli::printLine;
using cli::printWarnings;
using cli::warningsJson;

// The scan as one JSON document on stdout, written as it goes: a scan may find thousands of names.
void writeScanDocument(const QList<SelectionResult> &results, const QList<AppWarning> &warnings, qint64 checkedFiles)
{
    cli::JsonWriter json(stdout);
    json.beginObject();
    json.key("checkedFiles").value(checkedFiles);
    json.key("results").beginArray();
    for (const SelectionResult &r : results) {
        json.beginObject();
        json.key("baseName").value(r.selection.baseName);
        json.key("candidates").beginArray();
        for (const RawCandidate &c : r.candidates) {
            json.beginObject();
            if (c.modificationDate)
                json.key("modified").value(c.modificationDate->toUTC().toString(Qt::ISODate));
            else
                json.key("modified").null();
            json.key("path").value(c.url);
            json.key("pixelHeight").value(c.pixelHeight);
            json.key("pixelWidth").value(c.pixelWidth);
            json.key("size").value(c.size);
            json.endObject();
        }
        json.endArray();
        json.key("chosen").value(r.chosenRAW);
        json.key("fileName").value(r.selection.fileName);
        json.key("status").value(rawValue(r.status));
        json.endObject();
    }
    json.endArray();
    json.key("warnings").value(warningsJson(warnings));
    json.endObject();
}

void printTable(const QList<SelectionResult> &results, const QList<AppWarning> &warnings, qint64 checkedFiles)
{
    qsizetype nameWidth = localized("cli.table.name").size();
    qsizetype statusWidth = localized("cli.table.status").size();
    for (const SelectionResult &r : results) {
        nameWidth = std::max(nameWidth, printable(r.selection.fileName).size());
        statusWidth = std::max(statusWidth, statusLabel(r.status).size());
    }
    nameWidth = std::min<qsizetype>(nameWidth, 48);
    printLine(localized("cli.table.name").leftJustified(nameWidth) + QStringLiteral("  ")
              + localized("cli.table.status").leftJustified(statusWidth) + QStringLiteral("  ")
              + localized("cli.table.file"));
    qint64 found = 0, notFound = 0, ambiguous = 0;
    for (const SelectionResult &r : results) {
        const QString name = printable(r.selection.fileName).leftJustified(nameWidth);
        const QString status = statusLabel(r.status).leftJustified(statusWidth);
        switch (r.status) {
        case SelectionStatus::found:
            ++found;
            printLine(name + QStringLiteral("  ") + status + QStringLiteral("  ")
                      + printable(r.chosenRAW.value_or(QString())));
            break;
        case SelectionStatus::ambiguous:
            ++ambiguous;
            printLine(name + QStringLiteral("  ") + status + QStringLiteral("  ")
                      + localized("cli.table.candidates", QString::number(r.candidates.size())));
            for (const RawCandidate &c : r.candidates)
                printLine(QString(nameWidth + statusWidth + 4, QLatin1Char(' ')) + QStringLiteral("- ")
                          + printable(c.url));
            break;
        default:
            ++notFound;
            printLine(name + QStringLiteral("  ") + status);
            break;
        }
    }
    printLine(QString());
    printLine(localized("cli.summary", QString::number(results.size()), QString::number(found),
                        QString::number(notFound), QString::number(ambiguous), QString::number(checkedFiles)));
    printWarnings(warnings);
}

} // namespace

int runScanCommand(const QStringList &arguments, ScreenshotNameReader readScreenshots)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(localized("cli.command.scan"));
    const cli::JobOptions job;
    const QCommandLineOption jsonOption(QStringLiteral("json"), localized("cli.option.json"));
    parser.addOptions(job.all());
    parser.addOption(jsonOption);
    if (const auto status = cli::parseCommand(parser, QStringLiteral("scan"), arguments))
        return *status;

    const bool fromScreenshots = parser.isSet(job.screenshot);
    if (fromScreenshots && !readScreenshots) {
        cli::printError(localized("cli.error.noRecognition"));
        return cli::exitFailure;
    }
    if (fromScreenshots && parser.isSet(job.selection)) {
        cli::printError(localized("cli.error.selectionOrScreenshot"));
        return cli::exitUsage;
    }
    if (!parser.isSet(job.selection) && !fromScreenshots) {
        cli::printError(localized("cli.error.missingOption", QStringLiteral("--selection")));
        return cli::exitUsage;
    }
    if (!parser.isSet(job.search)) {
        cli::printError(localized("cli.error.missingOption", QStringLiteral("--search")));
        return cli::exitUsage;
    }
    if (!parser.isSet(job.dest)) {
        cli::printError(localized("cli.error.missingOption", QStringLiteral("--dest")));
        return cli::exitUsage;
    }
    const auto target = searchTargetFromRaw(parser.value(job.target));
    if (!target) {
        cli::printError(localized("cli.error.badTarget", parser.value(job.target)));
        return cli::exitUsage;
    }
    std::optional<QString> selectionFolder;
    if (!fromScreenshots) {
        selectionFolder = cli::folderOption(QStringLiteral("selection"), parser.value(job.selection));
        if (!selectionFolder)
            return cli::exitUsage;
    }
    const auto searches = cli::folderOptions(parser, job.search);
    if (!searches)
        return cli::exitUsage;
    const auto destination = cli::folderOption(QStringLiteral("dest"), parser.value(job.dest));
    if (!destination)
        return cli::exitUsage;

    std::stop_source stop;
    cli::watchStopSignals(stop);
    cli::ProgressLine progressLine;
    SelectionReader reader;
    RawScanner scanner;
    try {
        ScanJobRequest request;
        request.locations = *searches;
        request.target = *target;
        request.destination = *destination;
        QList<AppWarning> screenshotWarnings;
        if (fromScreenshots) {
            // The names read from the screenshots take the place of a selection folder.
            const ScreenshotNames read = readScreenshots(parser.values(job.screenshot), progressLine, stop.get_token());
            request.mode = SelectionInputMode::screenshots;
            request.screenshotNames = read.names;
            screenshotWarnings = read.warnings;
        } else {
            progressLine.show(localized("cli.progress.reading"));
            request.selectionFolder = *selectionFolder;
        }
        // Identical candidates are listed each: the scan shows every file it found.
        const ScanJobResult scanned = runScanJob(
            request, {&reader, &scanner, nullptr},
            [&](const ScanProgress &p) {
                QString text = localized("cli.progress.scan", QString::number(p.checkedFiles),
                                         QString::number(p.foundMatches));
                if (p.currentLocation)
                    text += QStringLiteral(" — ") + *p.currentLocation;
                progressLine.show(text);
            },
            stop.get_token());
        progressLine.clear();
        const QList<SelectionResult> &results = scanned.results;
        const QList<AppWarning> warnings = screenshotWarnings + scanned.readerWarnings + scanned.scannerWarnings;
        const qint64 checkedFiles = scanned.checkedFiles;
        if (parser.isSet(jsonOption))
            writeScanDocument(results, warnings, checkedFiles);
        else
            printTable(results, warnings, checkedFiles);
        std::fflush(stdout);
        return cli::exitSuccess;
    } catch (const Cancelled &) {
        progressLine.clear();
        cli::printError(localized("status.scan.cancelled"));
        return cli::exitCancelled;
    } catch (const FailureError &e) {
        progressLine.clear();
        cli::printFailure(e);
        return cli::exitFailure;
    } catch (const std::exception &) {
        progressLine.clear();
        cli::printError(localized("error.scan.failed"));
        return cli::exitFailure;
    }
}

} // namespace quillmore
