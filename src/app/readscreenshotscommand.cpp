#include "readscreenshotscommand.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/paths.h"
#include "screenshots/batchprocessor.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

namespace quillmore {
namespace {

using cli::optionalJson;
using cli::printable;
using cli::printLine;
using cli::printWarnings;
using cli::warningsJson;

QJsonDocument screenshotDocument(const ScreenshotOCRResult &result)
{
    QJsonArray candidates;
    for (const ScreenshotNameCandidate &c : result.candidates) {
        candidates.append(QJsonObject{
            {QStringLiteral("fileName"), c.fileName},
            {QStringLiteral("confidence"), std::round(double(c.confidence) * 1000.0) / 1000.0},
            {QStringLiteral("sources"), QJsonArray::fromStringList(c.sourceScreenshotURLs)},
            {QStringLiteral("lines"), QJsonArray::fromStringList(c.rawVisionRecognizedStrings)},
            {QStringLiteral("checkName"), c.needsNameCheck},
        });
    }
    const QJsonArray warnings = warningsJson(result.warnings);
    return QJsonDocument(QJsonObject{
        {QStringLiteral("screenshotCount"), double(result.screenshotCount)},
        {QStringLiteral("filenameOccurrences"), double(result.filenameOccurrences)},
        {QStringLiteral("candidates"), candidates},
        {QStringLiteral("warnings"), warnings},
    });
}

void printTable(const ScreenshotOCRResult &result)
{
    qsizetype nameWidth = localized("cli.table.name").size();
    for (const ScreenshotNameCandidate &c : result.candidates)
        nameWidth = std::max(nameWidth, printable(c.fileName).size());
    nameWidth = std::min<qsizetype>(nameWidth, 48);
    const QString confidenceHeader = localized("cli.table.confidence");
    printLine(localized("cli.table.name").leftJustified(nameWidth) + QStringLiteral("  ") + confidenceHeader
              + QStringLiteral("  ") + localized("cli.table.screenshots"));
    for (const ScreenshotNameCandidate &c : result.candidates) {
        QStringList sources;
        for (const FileURL &url : c.sourceScreenshotURLs)
            sources << printable(lastPathComponent(url));
        printLine(printable(c.fileName).leftJustified(nameWidth) + QStringLiteral("  ")
                  + QString::number(double(c.confidence), 'f', 2).leftJustified(confidenceHeader.size())
                  + QStringLiteral("  ") + sources.join(QStringLiteral(", ")));
    }
    printLine(QString());
    printLine(localized("cli.screenshots.summary", QString::number(result.screenshotCount),
                        QString::number(result.candidates.size()), QString::number(result.filenameOccurrences)));
    printWarnings(result.warnings);
}

} // namespace

ScreenshotOCRResult readScreenshotFiles(const QStringList &files, cli::ProgressLine &progressLine, std::stop_token stop)
{
    QList<FileURL> urls;
    for (const QString &file : files)
        urls.append(standardizedPath(file));
    ScreenshotOCRBatchProcessor processor(std::make_shared<VisionTextRecognizer>());
    ScreenshotOCRResult result = processor.processScreenshots(
        urls,
        [&](const ScreenshotOCRProgress &p) {
            const qint64 shown = std::min(p.completedScreenshots + 1, p.totalScreenshots);
            QString text = localized("cli.progress.screenshot", QString::number(shown),
                                     QString::number(p.totalScreenshots));
            if (p.currentURL)
                text += QStringLiteral(" — ") + lastPathComponent(*p.currentURL);
            progressLine.show(text);
        },
        stop);
    if (result.wasCancelled)
        throw Cancelled();
    return result;
}

ScreenshotNames readScreenshotNames(const QStringList &files, cli::ProgressLine &progressLine, std::stop_token stop)
{
    const ScreenshotOCRResult read = readScreenshotFiles(files, progressLine, stop);
    return {selectedJPEGs(read.candidates), read.warnings};
}

int runReadScreenshotsCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(localized("cli.command.readScreenshots"));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption jsonOption(QStringLiteral("json"), localized("cli.option.json"));
    parser.addOptions({help, jsonOption});
    parser.addPositionalArgument(QStringLiteral("FILE"), localized("cli.option.screenshotFiles"),
                                 QStringLiteral("FILE [FILE ...]"));
    QStringList all = arguments;
    all.prepend(QStringLiteral("quillmore-cli read-screenshots"));
    if (!parser.parse(all)) {
        cli::printError(parser.errorText());
        return cli::exitUsage;
    }
    if (parser.isSet(help)) {
        std::printf("%s", parser.helpText().toUtf8().constData());
        return cli::exitSuccess;
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        cli::printError(localized("cli.error.noScreenshots"));
        return cli::exitUsage;
    }

    std::stop_source stop;
    cli::watchStopSignals(stop);
    cli::ProgressLine progressLine;
    try {
        const ScreenshotOCRResult result = readScreenshotFiles(files, progressLine, stop.get_token());
        progressLine.clear();
        if (parser.isSet(jsonOption))
            std::fputs(screenshotDocument(result).toJson(QJsonDocument::Indented).constData(), stdout);
        else
            printTable(result);
        std::fflush(stdout);
        // Nothing could be read at all: the command failed.
        if (result.screenshotCount > 0 && result.warnings.size() == result.screenshotCount)
            return cli::exitFailure;
        return cli::exitSuccess;
    } catch (const Cancelled &) {
        progressLine.clear();
        cli::printError(localized("cli.screenshots.cancelled"));
        return cli::exitCancelled;
    }
}

} // namespace quillmore
