#include "gathercommand.h"

#include "clicommon.h"

#include "model/localization.h"
#include "platform/paths.h"
#include "workflow/defaultservices.h"
#include "workflow/jobs.h"
#include "workflow/screentexts.h"
#include "workflow/workflowviewmodel.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>

namespace quillmore {
namespace {

using cli::optionalJson;
using cli::printable;
using cli::printLine;
using cli::printWarnings;
using cli::warningsJson;

// Panels answered from the command line: only the report destination is ever asked for.
class CommandLinePanels final : public WorkflowPanels {
public:
    explicit CommandLinePanels(std::optional<FileURL> report) : m_report(std::move(report)) {}
    QList<FileURL> chooseFolders(bool) override { return {}; }
    QList<FileURL> chooseScreenshots() override { return {}; }
    CandidateFileChoice chooseCandidateFile(SearchTarget) override { return {}; }
    std::optional<FileURL> chooseReportDestination() override { return m_report; }

private:
    std::optional<FileURL> m_report;
};

QJsonDocument gatherDocument(const WorkflowViewModel &vm, bool wasCancelled)
{
    QJsonArray results;
    const QList<ResultSettlement> &settlements = vm.settlements();
    for (qsizetype i = 0; i < vm.results().size(); ++i) {
        const SelectionResult &r = vm.results().at(i);
        QJsonObject object{{QStringLiteral("fileName"), r.selection.fileName},
                           {QStringLiteral("status"), rawValue(r.status)},
                           {QStringLiteral("chosen"), optionalJson(r.chosenRAW)},
                           {QStringLiteral("destination"), optionalJson(r.destinationURL)},
                           {QStringLiteral("message"), optionalJson(r.message)}};
        if (i < settlements.size()) {
            object.insert(QStringLiteral("outcome"), rawValue(settlements.at(i).outcome));
            if (settlements.at(i).cause)
                object.insert(QStringLiteral("cause"), rawValue(*settlements.at(i).cause));
        }
        results.append(object);
    }
    QJsonArray outcomes;
    if (vm.copyResult())
        for (const CopyFileOutcome &o : vm.copyResult()->outcomes)
            outcomes.append(
                QJsonObject{{QStringLiteral("source"), o.sourceURL},
                            {QStringLiteral("destination"), optionalJson(o.destinationURL)},
                            {QStringLiteral("kind"), rawValue(o.kind)},
                            {QStringLiteral("status"), rawValue(o.status)},
                            {QStringLiteral("message"), optionalJson(o.message)},
                            {QStringLiteral("cause"), o.cause ? QJsonValue(rawValue(*o.cause)) : QJsonValue()},
                            {QStringLiteral("sha256"), optionalJson(o.sha256)}});
    QJsonArray issues;
    for (const CopyPreflightIssue &i : vm.copyPlan().issues)
        issues.append(QJsonObject{{QStringLiteral("kind"), rawValue(i.kind)},
                                  {QStringLiteral("source"), optionalJson(i.sourceURL)},
                                  {QStringLiteral("destination"), optionalJson(i.destinationURL)},
                                  {QStringLiteral("message"), i.message}});
    const QualityCheckBatchResult &q = vm.qualityResult();
    QJsonObject flags, skipped, errors;
    for (auto it = q.flagsByDestinationPath.cbegin(); it != q.flagsByDestinationPath.cend(); ++it)
        flags.insert(it.key(), QJsonArray::fromStringList(orderedRawValues(it.value())));
    for (auto it = q.skippedByDestinationPath.cbegin(); it != q.skippedByDestinationPath.cend(); ++it)
        skipped.insert(it.key(), QJsonArray::fromStringList(orderedRawValues(it.value())));
    for (auto it = q.errorsByDestinationPath.cbegin(); it != q.errorsByDestinationPath.cend(); ++it)
        errors.insert(it.key(), it.value());
    const QJsonArray warnings = warningsJson(vm.warnings());
    return QJsonDocument(QJsonObject{
        {QStringLiteral("wasCancelled"), wasCancelled},
        {QStringLiteral("results"), results},
        {QStringLiteral("outcomes"), outcomes},
        {QStringLiteral("planIssues"), issues},
        {QStringLiteral("quality"),
         QJsonObject{{QStringLiteral("flags"), flags},
                     {QStringLiteral("skipped"), skipped},
                     {QStringLiteral("errors"), errors}}},
        {QStringLiteral("warnings"), warnings},
    });
}

int countFlag(const QualityCheckBatchResult &q, QualityFlag flag)
{
    int n = 0;
    for (const auto &set : q.flagsByDestinationPath)
        n += set.contains(flag) ? 1 : 0;
    return n;
}

int countSkip(const QualityCheckBatchResult &q, QualityCheckSkip skip)
{
    int n = 0;
    for (const auto &set : q.skippedByDestinationPath)
        n += set.contains(skip) ? 1 : 0;
    return n;
}

void printSummary(const WorkflowViewModel &vm, bool wasCancelled)
{
    qsizetype width = 0;
    for (const SelectionResult &r : vm.results())
        width = std::max(width, printable(r.selection.fileName).size());
    width = std::min<qsizetype>(width, 48);
    // One word per picture, the window's: what became of it in the copy.
    const QList<ResultSettlement> &settlements = vm.settlements();
    for (qsizetype i = 0; i < vm.results().size(); ++i) {
        const SelectionResult &r = vm.results().at(i);
        const ResultSettlement *settled = i < settlements.size() ? &settlements.at(i) : nullptr;
        QString line = printable(r.selection.fileName).leftJustified(width) + QStringLiteral("  ")
            + (settled ? outcomeText(settled->outcome) : statusLabel(r.status));
        if (r.destinationURL && (r.status == SelectionStatus::copied || r.status == SelectionStatus::readyToCopy))
            line += QStringLiteral("  → ") + printable(*r.destinationURL);
        else if (!settled && !r.chosenRAW && r.candidates.size() > 1)
            line += QStringLiteral("  (") + statusLabel(SelectionStatus::ambiguous) + QLatin1Char(')');
        else if (!settled && !r.chosenRAW && r.candidates.isEmpty() && r.status != SelectionStatus::notFound)
            line += QStringLiteral("  (") + statusLabel(SelectionStatus::notFound) + QLatin1Char(')');
        if (settled && settled->cause)
            line += QStringLiteral("  (") + failureCauseText(*settled->cause) + QLatin1Char(')');
        else if (!settled && r.message)
            line += QStringLiteral("  (") + printable(*r.message) + QLatin1Char(')');
        printLine(line);
    }
    printLine(QString());
    if (wasCancelled)
        printLine(localized(vm.checksWereCancelled() ? "completion.checks.cancelled" : "completion.cancelled"));
    const auto count = [](const QString &label, qsizetype n) {
        printLine(label + QStringLiteral(": ") + QString::number(n));
    };
    count(localized(completionLineKey(vm.searchTarget())), vm.settledCount(ResultOutcome::copied));
    if (vm.searchTarget() == SearchTarget::raw)
        count(localized("completion.xmp"), vm.copiedSidecarOutcomes().size());
    for (ResultOutcome outcome : allResultOutcomes()) {
        const qint64 n = vm.settledCount(outcome);
        if (outcome != ResultOutcome::copied && (n > 0 || outcome == ResultOutcome::failed))
            count(outcomeText(outcome), n);
    }
    if (vm.copyResult())
        for (const CopyFileOutcome &o : vm.copyResult()->outcomes)
            if (o.status == CopyOutcomeStatus::failed && o.kind == CopyFileKind::xmp)
                printLine(printable(lastPathComponent(o.sourceURL)) + QStringLiteral(": ")
                          + failureCauseText(o.cause.value_or(CopyFailureCause::other)));
    const QualityCheckOptions ran = vm.completedQualityOptions();
    const QualityCheckBatchResult &q = vm.qualityResult();
    if (ran.blur) {
        count(localized("completion.possible.unsharp"), countFlag(q, QualityFlag::possibleUnsharp));
        count(localized("completion.blur.not.assessed"), countSkip(q, QualityCheckSkip::blurNotAssessed));
    }
    if (ran.duplicate)
        count(localized("completion.duplicates"), countFlag(q, QualityFlag::duplicate));
    if (ran.fileCheck) {
        count(localized("completion.file.check"), countFlag(q, QualityFlag::fileCheck));
        count(localized("completion.file.check.not.assessed"), countSkip(q, QualityCheckSkip::fileCheckNotAssessed));
    }
    printWarnings(vm.warnings());
}

QString bar(qint64 done, qint64 total)
{
    constexpr int width = 20;
    const int filled = total > 0 ? int(std::min<qint64>(width, done * width / total)) : 0;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.'))
        + QStringLiteral("] ");
}

QString bytes(qint64 n)
{
    return QLocale().formattedDataSize(n, 1, QLocale::DataSizeSIFormat);
}

void showProgress(cli::ProgressLine &line, const WorkflowViewModel &vm)
{
    switch (vm.stage()) {
    case WorkflowStage::setup:
        if (vm.isReadingScreenshots()) {
            const ScreenshotOCRProgress &p = vm.screenshotProgress();
            line.show(bar(p.completedScreenshots, p.totalScreenshots) + vm.statusMessage() + QStringLiteral(" ")
                      + lastPathComponent(p.currentURL.value_or(QString())));
        }
        break;
    case WorkflowStage::scanning: {
        const ScanProgress &p = vm.scanProgress();
        QString text = localized("cli.progress.scan", QString::number(p.checkedFiles), QString::number(p.foundMatches));
        if (p.currentLocation)
            text += QStringLiteral(" — ") + *p.currentLocation;
        line.show(text);
        break;
    }
    case WorkflowStage::copying: {
        const CopyProgress &p = vm.copyProgress();
        if (!vm.runningQualityCheck())
            line.show(bar(p.copiedBytes, p.totalBytes)
                      + localized("cli.progress.copy", QString::number(p.completedFiles), QString::number(p.totalFiles),
                                  bytes(p.copiedBytes), bytes(p.totalBytes))
                      + QStringLiteral(" ") + p.currentFile);
        else
            line.show(vm.statusMessage() + QStringLiteral(" ") + p.currentFile);
        break;
    }
    default: break;
    }
}

// Runs the event loop until the condition holds.
template <typename Pred>
void waitUntil(WorkflowViewModel &vm, Pred done)
{
    if (done())
        return;
    QEventLoop loop;
    QObject::connect(&vm, &WorkflowViewModel::changed, &loop, [&] {
        if (done())
            loop.quit();
    });
    loop.exec();
}

} // namespace

int runGatherCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(localized("cli.command.gather"));
    const cli::JobOptions job;
    const QCommandLineOption noXmpOption(QStringLiteral("no-xmp"), localized("cli.option.noXmp"));
    const QCommandLineOption conflictOption(QStringLiteral("on-conflict"), localized("cli.option.onConflict"),
                                            QStringLiteral("skip|numbered"), QStringLiteral("skip"));
    const QCommandLineOption checkOption(QStringLiteral("check"), localized("cli.option.check"),
                                         QStringLiteral("blur,duplicate,file"));
    const QCommandLineOption reportOption(QStringLiteral("report"), localized("cli.option.report"),
                                          QStringLiteral("FILE"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), localized("cli.option.json"));
    parser.addOptions(job.all());
    parser.addOptions({noXmpOption, conflictOption, checkOption, reportOption, jsonOption});
    if (const auto status = cli::parseCommand(parser, QStringLiteral("gather"), arguments))
        return *status;

    // ---- options ----
    const bool folderMode = parser.isSet(job.selection);
    if (folderMode == parser.isSet(job.screenshot)) {
        cli::printError(localized("cli.error.selectionOrScreenshots"));
        return cli::exitUsage;
    }
    for (const QCommandLineOption *required : {&job.search, &job.dest}) {
        if (!parser.isSet(*required)) {
            cli::printError(localized("cli.error.missingOption", QStringLiteral("--") + required->names().first()));
            return cli::exitUsage;
        }
    }
    const auto target = searchTargetFromRaw(parser.value(job.target));
    if (!target) {
        cli::printError(localized("cli.error.badTarget", parser.value(job.target)));
        return cli::exitUsage;
    }
    ConflictPolicy policy;
    if (parser.value(conflictOption) == QLatin1String("skip")) {
        policy = ConflictPolicy::skip;
    } else if (parser.value(conflictOption) == QLatin1String("numbered")) {
        policy = ConflictPolicy::keepNumbered;
    } else {
        cli::printError(localized("cli.error.badConflict", parser.value(conflictOption)));
        return cli::exitUsage;
    }
    QualityCheckOptions checks;
    for (const QString &value : parser.values(checkOption)) {
        for (const QString &part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString check = part.trimmed();
            if (check == QLatin1String("blur")) {
                checks.blur = true;
            } else if (check == QLatin1String("duplicate")) {
                checks.duplicate = true;
            } else if (check == QLatin1String("file")) {
                checks.fileCheck = true;
            } else {
                cli::printError(localized("cli.error.badCheck", check));
                return cli::exitUsage;
            }
        }
    }
    std::optional<FileURL> selectionFolder;
    QList<FileURL> screenshots;
    if (folderMode) {
        selectionFolder = cli::folderOption(QStringLiteral("selection"), parser.value(job.selection));
        if (!selectionFolder)
            return cli::exitUsage;
    } else {
        for (const QString &value : parser.values(job.screenshot)) {
            const QString file = standardizedPath(value);
            if (value.isEmpty() || !isRegularFilePath(file)
                || !hasExtensionIn(lastPathComponent(file), screenshotImageExtensions())) {
                cli::printError(localized("cli.error.notAScreenshot", value));
                return cli::exitUsage;
            }
            screenshots << file;
        }
    }
    const auto searches = cli::folderOptions(parser, job.search);
    if (!searches)
        return cli::exitUsage;
    const auto destination = cli::folderOption(QStringLiteral("dest"), parser.value(job.dest));
    if (!destination)
        return cli::exitUsage;
    std::optional<FileURL> reportFile;
    if (parser.isSet(reportOption)) {
        const QString value = parser.value(reportOption);
        reportFile = standardizedPath(value);
        if (value.isEmpty() || !isDirectoryPath(parentPath(*reportFile)) || isDirectoryPath(*reportFile)) {
            cli::printError(localized("cli.error.badReport", value));
            return cli::exitUsage;
        }
    }
    // ---- the job ----
    // Throw-away settings: the desktop app's stored folders and preferences are never touched.
    QTemporaryDir settingsDir;
    if (!settingsDir.isValid()) {
        cli::printError(localized("cli.error.noTemporaryFolder"));
        return cli::exitFailure;
    }
    auto settings = std::make_unique<QSettings>(settingsDir.filePath(QStringLiteral("settings.ini")),
                                                QSettings::IniFormat);
    auto controller = std::make_unique<WorkflowViewModel>(
        makeDefaultWorkflowServices(std::make_unique<CommandLinePanels>(reportFile)), std::move(settings));
    WorkflowViewModel &vm = *controller;
    vm.setSearchTarget(*target);
    vm.setIncludeXMP(!parser.isSet(noXmpOption));
    vm.setConflictPolicy(policy);
    vm.setBlurCheckEnabled(checks.blur);
    vm.setDuplicateCheckEnabled(checks.duplicate);
    vm.setFileCheckEnabled(checks.fileCheck);
    vm.setDestinationFolder(*destination);
    vm.setSearchLocations(*searches);
    vm.clearErrorMessage(); // bookmark bookkeeping of the throw-away settings is of no interest here

    cli::ProgressLine progressLine;
    QObject::connect(&vm, &WorkflowViewModel::changed, &vm, [&] { showProgress(progressLine, vm); });

    // Ctrl-C: cancel the running part through the controller, on its own thread.
    bool cancelRequested = false;
    std::stop_source stop;
    cli::watchStopSignals(stop);
    using StopCallback = std::stop_callback<std::function<void()>>;
    std::optional<StopCallback> onStop;
    onStop.emplace(stop.get_token(), [&vm, &cancelRequested] {
        QMetaObject::invokeMethod(
            &vm,
            [&vm, &cancelRequested] {
                cancelRequested = true;
                if (vm.isReadingScreenshots())
                    vm.cancelScreenshotReading();
                else
                    vm.cancelOperation();
            },
            Qt::QueuedConnection);
    });

    bool failed = false;
    if (folderMode) {
        vm.setSelectionFolder(*selectionFolder);
        vm.clearErrorMessage();
    } else {
        vm.selectScreenshots(screenshots);
        waitUntil(vm, [&] { return !vm.isReadingScreenshots(); });
        if (vm.errorMessage())
            failed = true;
        // Nobody reviews the names here: those that cannot be searched for are left out.
        for (const ScreenshotNameCandidate &c : vm.screenshotCandidateList().candidates)
            if (!vm.isValidScreenshotName(c.fileName))
                vm.removeScreenshotFilename(c.id);
    }

    if (!failed && !cancelRequested && vm.canStartScan()) {
        vm.startScan();
        waitUntil(vm, [&] { return vm.stage() != WorkflowStage::scanning && !vm.isPlanning(); });
        if (vm.stage() == WorkflowStage::setup && vm.errorMessage())
            failed = true;
    } else if (!failed && !cancelRequested && !folderMode && vm.screenshotCandidateList().candidates.isEmpty()) {
        // No names could be read: nothing to search for.
    } else if (!failed && !cancelRequested) {
        cli::printError(localized("cli.error.cannotStart"));
        failed = true;
    }

    // Also with nothing to copy: the job then ends at once, with a report row for every result.
    if (vm.stage() == WorkflowStage::summary && !cancelRequested) {
        vm.startCopy();
        if (vm.stage() == WorkflowStage::summary && vm.errorMessage())
            failed = true; // refused before starting: not enough space
        else
            waitUntil(vm, [&] { return vm.stage() == WorkflowStage::completed; });
    }
    progressLine.clear();

    const bool wasCancelled = cancelRequested || (vm.copyResult() && vm.copyResult()->wasCancelled);
    const QString jobStatus = vm.statusMessage(); // before saving the report says its own
    const std::optional<QString> jobError = vm.errorMessage();
    if (reportFile && !vm.saveReport())
        failed = true;
    if (parser.isSet(jsonOption))
        std::fputs(gatherDocument(vm, wasCancelled).toJson(QJsonDocument::Indented).constData(), stdout);
    else
        printSummary(vm, wasCancelled);
    std::fflush(stdout);
    // Each file that could not be copied, and why.
    for (const CopyFileOutcome &o : vm.failedOutcomes())
        cli::printError(localized("cli.error.copyFailed", printable(o.sourceURL), o.message.value_or(QString())));
    if (jobError)
        cli::printError(*jobError);
    else if (wasCancelled || !vm.failedOutcomes().isEmpty())
        cli::printError(jobStatus); // cancelled, or finished with failures: said as the window says it
    if (vm.errorMessage() != jobError)
        cli::printError(*vm.errorMessage()); // the report could not be saved

    const bool anyCopyFailed = !vm.failedOutcomes().isEmpty();
    // The controller goes first: a job still reporting to it is then let go at once.
    onStop.reset();
    controller.reset();
    waitForJobs(-1);
    if (failed || anyCopyFailed)
        return cli::exitFailure;
    return wasCancelled ? cli::exitCancelled : cli::exitSuccess;
}

} // namespace quillmore
