#include "workflowviewmodel.h"

#include "copyjob.h"
#include "copyreport.h"
#include "failuretext.h"
#include "jobs.h"
#include "resultqueries.h"
#include "scanjob.h"

#include "copying/sha256filehasher.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "quality/qualitycheckservice.h"
#include "screenshots/batchprocessor.h"

namespace quillmore {

// ---- construction -----------------------------------------------------------------------------

WorkflowViewModel::WorkflowViewModel(WorkflowServices services, std::unique_ptr<QSettings> settings, QObject *parent)
    : QObject(parent),
      m_selectionReader(std::move(services.selectionReader)),
      m_scanner(std::move(services.scanner)),
      m_planner(std::move(services.planner)),
      m_copier(std::move(services.copier)),
      m_qualityChecker(std::move(services.qualityChecker)),
      m_candidateHasher(std::make_shared<SHA256FileHasher>()),
      m_panels(std::move(services.panels)),
      m_platform(services.platform ? std::move(services.platform) : std::make_unique<DesktopWorkflowPlatform>()),
      m_session(
          std::make_unique<SessionStore>(std::move(settings), std::move(services.bookmarkTokens), m_platform.get())),
      m_link(std::make_shared<Link>(this)),
      m_setup(std::make_unique<SetupChoices>(m_selectionReader, m_session.get(), m_panels.get())),
      m_screenshots(std::make_unique<ScreenshotSelection>(std::move(services.screenshotProcessor), m_session.get())),
      m_statusMessage(localized("status.ready"))
{
    connectSetup();
    connectScreenshots();
    // A copy that was under way when the program last ended did not finish: say so, once.
    if (const std::optional<QString> interrupted = m_session->takeInterruptedCopy())
        m_errorMessage = localized("error.copy.interrupted", *interrupted);
}

template <typename Helper>
void WorkflowViewModel::forward(Helper *helper, std::initializer_list<SignalPair<Helper>> signalPairs)
{
    for (const auto &[from, to] : signalPairs)
        connect(helper, from, this, to);
}

// The set-up's own signals are the controller's; a change of what to search for or where drops
// the results or scans again, and a change of a copy option plans again.
void WorkflowViewModel::connectSetup()
{
    SetupChoices *setup = m_setup.get();
    using S = SetupChoices;
    using C = WorkflowViewModel;
    forward(setup,
            {{&S::selectionFolderChanged, &C::selectionFolderChanged},
             {&S::selectionRequiresReauthorizationChanged, &C::selectionRequiresReauthorizationChanged},
             {&S::selectionPictureCountChanged, &C::selectionPictureCountChanged},
             {&S::selectionInputModeChanged, &C::selectionInputModeChanged},
             {&S::searchLocationsChanged, &C::searchLocationsChanged},
             {&S::destinationFolderChanged, &C::destinationFolderChanged},
             {&S::destinationRequiresReauthorizationChanged, &C::destinationRequiresReauthorizationChanged},
             {&S::searchTargetChanged, &C::searchTargetChanged},
             {&S::includeXMPChanged, &C::includeXMPChanged},
             {&S::conflictPolicyChanged, &C::conflictPolicyChanged},
             {&S::blurCheckEnabledChanged, &C::blurCheckEnabledChanged},
             {&S::duplicateCheckEnabledChanged, &C::duplicateCheckEnabledChanged},
             {&S::fileCheckEnabledChanged, &C::fileCheckEnabledChanged},
             {&S::changed, &C::changed}});

    connect(setup, &SetupChoices::selectionFolderChosen, this, [this](bool otherFolder) {
        if (otherFolder)
            m_choices.clear(); // choices belong to the names of one selection
        m_screenshots->clear();
    });
    connect(setup, &SetupChoices::searchLocationsSet, this, [this](bool changed) {
        // On the summary the scan runs again at once; the choices made stay for the names whose
        // files still exist.
        if (changed && m_stage == WorkflowStage::summary && canStartScan())
            startScan();
        else if (changed)
            resetResults();
    });
    connect(setup, &SetupChoices::searchTargetChanged, this, &WorkflowViewModel::resetResults);
    connect(setup, &SetupChoices::includeXMPChanged, this, &WorkflowViewModel::schedulePlan);
    connect(setup, &SetupChoices::conflictPolicyChanged, this, &WorkflowViewModel::schedulePlan);
    connect(setup, &SetupChoices::failed, this, &WorkflowViewModel::setErrorText);
}

// The screenshot list's own signals are the controller's; its warnings are those of the set-up
// screen, and a new list makes the screenshots the selection.
void WorkflowViewModel::connectScreenshots()
{
    ScreenshotSelection *screenshots = m_screenshots.get();
    using S = ScreenshotSelection;
    using C = WorkflowViewModel;
    forward(screenshots,
            {{&S::urlsChanged, &C::screenshotURLsChanged},
             {&S::candidateListChanged, &C::screenshotCandidateListChanged},
             {&S::progressChanged, &C::screenshotProgressChanged},
             {&S::countChanged, &C::screenshotCountChanged},
             {&S::filenameOccurrencesChanged, &C::screenshotFilenameOccurrencesChanged},
             {&S::duplicatesRemovedChanged, &C::screenshotDuplicatesRemovedChanged},
             {&S::warningsChanged, &C::screenshotWarningsChanged},
             {&S::isReadingChanged, &C::isReadingScreenshotsChanged},
             {&S::isShowingReviewChanged, &C::isShowingScreenshotReviewChanged},
             {&S::changed, &C::changed}});

    connect(screenshots, &ScreenshotSelection::newListStarted, this, [this] {
        m_setup->setSelectionInputMode(SelectionInputMode::screenshots);
        publish(this, m_warnings, QList<AppWarning>(), &WorkflowViewModel::warningsChanged);
    });
    connect(screenshots, &ScreenshotSelection::warningsChanged, this, [this] {
        if (m_stage == WorkflowStage::setup)
            publish(this, m_warnings, m_screenshots->warnings(), &WorkflowViewModel::warningsChanged);
    });
    connect(screenshots, &ScreenshotSelection::statusReported, this, &WorkflowViewModel::setStatus);
    connect(screenshots, &ScreenshotSelection::failed, this, &WorkflowViewModel::setErrorText);
}

WorkflowViewModel::~WorkflowViewModel()
{
    m_link->release();
    for (auto *job : {&m_operationJob, &m_planJob})
        if (*job)
            (*job)->requestStop();
    m_screenshots.reset(); // stops the reading
    m_setup.reset();
    m_session.reset(); // closes every folder access opened
}

// ---- helpers ----------------------------------------------------------------------------------

void WorkflowViewModel::setStatus(const char *key)
{
    publish(this, m_statusMessage, localized(key), &WorkflowViewModel::statusMessageChanged);
}

void WorkflowViewModel::setError(const char *key)
{
    setErrorText(localized(key));
}

void WorkflowViewModel::setErrorText(const QString &text)
{
    publish(this, m_errorMessage, std::optional<QString>(text), &WorkflowViewModel::errorMessageChanged);
}

void WorkflowViewModel::clearErrorMessage()
{
    publish(this, m_errorMessage, std::optional<QString>(), &WorkflowViewModel::errorMessageChanged);
}

void WorkflowViewModel::cancel(std::shared_ptr<Job> &job, bool detach)
{
    if (!job)
        return;
    job->requestStop();
    if (detach)
        job.reset();
}

// ---- derived values ---------------------------------------------------------------------------

bool WorkflowViewModel::hasSelection() const
{
    if (selectionInputMode() == SelectionInputMode::folder)
        return selectionFolder().has_value() && !selectionRequiresReauthorization();
    return m_screenshots->hasSearchableNames();
}

bool WorkflowViewModel::canStartScan() const
{
    return hasSelection() && m_setup->hasSearchAndDestination();
}

QList<CopyFileOutcome> WorkflowViewModel::copiedPrimaryOutcomes() const
{
    return outcomesWith(m_copyResult, CopyOutcomeStatus::copied, primaryKind(searchTarget()));
}

bool WorkflowViewModel::hasUnsavedReport() const
{
    return m_stage == WorkflowStage::completed && !m_reportRows.isEmpty() && !m_reportSaved;
}

bool WorkflowViewModel::canRetry() const
{
    if (m_stage != WorkflowStage::completed || !m_copyResult || m_operationJob)
        return false;
    for (const CopyFileOutcome &o : m_copyResult->outcomes)
        if (o.status == CopyOutcomeStatus::failed)
            return true;
    return settledCount(ResultOutcome::cancelled) > 0;
}

// ---- resetting --------------------------------------------------------------------------------

void WorkflowViewModel::resetResults()
{
    clearJobState(WorkflowStage::setup, L10N("status.ready"));
}

void WorkflowViewModel::startOver()
{
    m_choices.clear();
    m_identicalCandidatesMerged = 0;
    m_screenshots->clear();
    m_setup->clearSelectionFolder();
    clearJobState(WorkflowStage::setup, L10N("status.ready"));
}

void WorkflowViewModel::clearJobState(WorkflowStage stage, const char *statusKey)
{
    // Jobs cancelled here are also let go: whatever they still report belongs to a job that no
    // longer exists.
    cancel(m_operationJob, true);
    cancel(m_planJob, true);
    m_copyAfterPlan = false;
    publish(this, m_planPending, false, &WorkflowViewModel::isPlanningChanged);
    publish(this, m_errorMessage, std::optional<QString>(), &WorkflowViewModel::errorMessageChanged);
    publish(this, m_results, QList<SelectionResult>(), &WorkflowViewModel::resultsChanged);
    publish(this, m_warnings, m_screenshots->warnings(), &WorkflowViewModel::warningsChanged);
    publish(this, m_copyPlan, CopyPlan(), &WorkflowViewModel::copyPlanChanged);
    publish(this, m_reportRows, QList<CopyReportRow>(), &WorkflowViewModel::reportRowsChanged);
    publish(this, m_copyResult, std::optional<CopyBatchResult>(), &WorkflowViewModel::copyResultChanged);
    publish(this, m_qualityResult, QualityCheckBatchResult(), &WorkflowViewModel::qualityResultChanged);
    publish(this, m_completedQualityOptions, QualityCheckOptions(), &WorkflowViewModel::completedQualityOptionsChanged);
    m_settlements.clear();
    m_checksCancelled = false;
    publish(this, m_scanProgress, ScanProgress(), &WorkflowViewModel::scanProgressChanged);
    publish(this, m_copyProgress, CopyProgress(), &WorkflowViewModel::copyProgressChanged);
    publish(this, m_stage, stage, &WorkflowViewModel::stageChanged);
    setStatus(statusKey);
}

// ---- screenshots ------------------------------------------------------------------------------

void WorkflowViewModel::chooseScreenshots(bool replacing)
{
    if (!m_panels)
        return;
    m_setup->preparePanel(PanelPurpose::screenshots);
    const QList<FileURL> chosen = m_panels->chooseScreenshots();
    if (chosen.isEmpty())
        return;
    m_setup->rememberPanelFolder(PanelPurpose::screenshots, chosen.first());
    if (replacing)
        m_screenshots->replace(chosen);
    else
        m_screenshots->select(chosen);
}

// ---- scanning ---------------------------------------------------------------------------------

void WorkflowViewModel::startScan()
{
    if (!canStartScan() || !destinationFolder())
        return;
    clearJobState(WorkflowStage::scanning, L10N("status.scanning"));

    ScanJobRequest request;
    for (const SearchLocation &l : searchLocations())
        request.locations << l.url;
    request.mode = selectionInputMode();
    request.selectionFolder = selectionFolder();
    if (selectionInputMode() == SelectionInputMode::screenshots)
        request.screenshotNames = selectedJPEGs(screenshotCandidateList().candidates);
    request.target = searchTarget();
    request.destination = *destinationFolder();

    auto job = std::make_shared<Job>();
    m_operationJob = job;
    m_identicalCandidatesMerged = 0;
    startJob([link = m_link, job, request, reader = m_selectionReader, scanner = m_scanner, planner = m_planner,
              hasher = m_candidateHasher] {
        std::optional<PlanJobRequest> planRequest;
        try {
            const ScanJobResult scanned = runScanJob(
                request, {reader.get(), scanner.get(), hasher.get()},
                [&](const ScanProgress &progress) {
                    link->call([&](WorkflowViewModel *vm) {
                        if (vm->isCurrentOperation(job))
                            publish(vm, vm->m_scanProgress, progress, &WorkflowViewModel::scanProgressChanged);
                    });
                },
                job->token());
            link->call([&](WorkflowViewModel *vm) {
                if (vm->isCurrentOperation(job))
                    planRequest = vm->scanSucceeded(scanned);
            });
        } catch (const Cancelled &) {
            link->post([job](WorkflowViewModel *vm) {
                if (vm->isCurrentOperation(job))
                    vm->scanEnded(true);
            });
            return;
        } catch (const std::exception &e) {
            const auto *failure = dynamic_cast<const FailureError *>(&e);
            const QString text = failure ? failureText(failure->failure()) : localized("error.scan.failed");
            link->post([job, text](WorkflowViewModel *vm) {
                if (vm->isCurrentOperation(job))
                    vm->scanEnded(false, text);
            });
            return;
        }
        if (planRequest)
            runPlan(link, job, planner, *planRequest);
        link->post([job](WorkflowViewModel *vm) {
            if (vm->m_operationJob == job)
                vm->m_operationJob.reset();
        });
    });
}

std::optional<PlanJobRequest> WorkflowViewModel::scanSucceeded(const ScanJobResult &scanned)
{
    m_identicalCandidatesMerged = scanned.mergedCandidates;
    m_choices.clearSteps(); // the steps name results of the scan before
    publish(this, m_results, m_choices.applied(scanned.results, searchTarget()), &WorkflowViewModel::resultsChanged);
    publish(this, m_warnings, m_screenshots->warnings() + scanned.readerWarnings + scanned.scannerWarnings,
            &WorkflowViewModel::warningsChanged);
    // The plan is asked for before the stage changes, so that whoever sees the summary stage
    // also sees that a plan is on its way.
    auto request = makePlanRequest();
    publish(this, m_stage, WorkflowStage::summary, &WorkflowViewModel::stageChanged);
    setStatus(L10N("status.scan.complete"));
    return request;
}

void WorkflowViewModel::scanEnded(bool cancelled, const QString &error)
{
    m_operationJob.reset();
    if (!cancelled)
        setErrorText(error);
    publish(this, m_stage, WorkflowStage::setup, &WorkflowViewModel::stageChanged);
    setStatus(cancelled ? L10N("status.scan.cancelled") : L10N("status.scan.failed"));
}

void WorkflowViewModel::cancelOperation()
{
    if (m_operationJob)
        m_operationJob->requestStop();
    setStatus(m_stage == WorkflowStage::copying ? L10N("status.copy.cancelling") : L10N("status.scan.cancelling"));
}

// ---- planning ---------------------------------------------------------------------------------

std::optional<PlanJobRequest> WorkflowViewModel::makePlanRequest()
{
    if (!destinationFolder()) {
        publish(this, m_copyPlan, CopyPlan(), &WorkflowViewModel::copyPlanChanged);
        return std::nullopt;
    }
    PlanJobRequest request;
    request.results = m_results;
    request.destination = *destinationFolder();
    request.target = searchTarget();
    request.includeXMP = searchTarget() == SearchTarget::raw && includeXMP();
    request.policy = conflictPolicy();
    request.generation = ++m_planGeneration;
    publish(this, m_planPending, true, &WorkflowViewModel::isPlanningChanged);
    return request;
}

void WorkflowViewModel::runPlan(const std::shared_ptr<Link> &link, const std::shared_ptr<Job> &job,
                                const std::shared_ptr<CopyPlanning> &planner, const PlanJobRequest &request)
{
    const std::optional<CopyPlan> plan = runPlanJob(request, planner.get());
    link->call([&](WorkflowViewModel *vm) {
        if (plan)
            vm->applyPlanResult(*plan, request.generation, job);
        else
            vm->planDropped(request.generation);
    });
}

void WorkflowViewModel::schedulePlan()
{
    if (m_stage != WorkflowStage::summary && m_stage != WorkflowStage::completed)
        return;
    cancel(m_planJob, false);
    const auto request = makePlanRequest();
    if (!request)
        return;
    auto job = std::make_shared<Job>();
    m_planJob = job;
    startJob([link = m_link, job, planner = m_planner, request = *request] { runPlan(link, job, planner, request); });
}

void WorkflowViewModel::applyPlanResult(const CopyPlan &plan, quint64 generation, const std::shared_ptr<Job> &job)
{
    // A plan from a cancelled job, or older than one asked for since, is dropped; so is one that
    // arrives when the job has moved on to copying or back to set-up.
    if (job->stopRequested() || generation != m_planGeneration
        || (m_stage != WorkflowStage::summary && m_stage != WorkflowStage::completed)) {
        planDropped(generation); // no longer waited for, if it was the latest
        return;
    }
    if (m_planJob == job)
        m_planJob.reset();
    publish(this, m_planPending, false, &WorkflowViewModel::isPlanningChanged);
    publish(this, m_copyPlan, plan, &WorkflowViewModel::copyPlanChanged);
    applyPlan(plan);
    if (m_copyAfterPlan) {
        m_copyAfterPlan = false;
        startCopy();
    }
}

void WorkflowViewModel::planDropped(quint64 generation)
{
    if (generation != m_planGeneration)
        return;
    m_copyAfterPlan = false;
    publish(this, m_planPending, false, &WorkflowViewModel::isPlanningChanged);
}

void WorkflowViewModel::applyPlan(const CopyPlan &plan)
{
    publish(this, m_results, resultsWithPlan(m_results, plan, searchTarget()), &WorkflowViewModel::resultsChanged);
}

// ---- resolving --------------------------------------------------------------------------------

void WorkflowViewModel::chooseCandidate(const FileURL &url, const QUuid &selectionID)
{
    if (hasExtensionIn(lastPathComponent(url), candidateExtensions(searchTarget())))
        decide(selectionID, ManualChoices::Choice{standardizedPath(url)});
}

void WorkflowViewModel::chooseFileManually(const QUuid &selectionID)
{
    m_setup->preparePanel(PanelPurpose::candidateFile);
    const CandidateFileChoice choice = m_panels ? m_panels->chooseCandidateFile(searchTarget()) : CandidateFileChoice();
    if (choice.file)
        m_setup->rememberPanelFolder(PanelPurpose::candidateFile, *choice.file);
    if (!choice.file) {
        // A dismissed panel changes nothing; a file of another type is explained.
        if (choice.unsuitable)
            setError(searchTarget() == SearchTarget::raw ? L10N("error.unsupported.raw")
                                                         : L10N("error.unsupported.jpeg"));
        return;
    }
    m_session->beginAccess(*choice.file);
    chooseCandidate(*choice.file, selectionID);
}

void WorkflowViewModel::skipResult(const QUuid &selectionID)
{
    decide(selectionID, ManualChoices::Choice{std::nullopt});
}

void WorkflowViewModel::revertResult(const QUuid &selectionID)
{
    decide(selectionID, std::nullopt);
}

// Remembers the choice made on the result (nothing: puts it back as the scan left it) and plans
// again.
void WorkflowViewModel::decide(const QUuid &selectionID, const std::optional<ManualChoices::Choice> &choice)
{
    for (const SelectionResult &result : m_results)
        if (result.id() == selectionID) {
            m_choices.remember(result, choice);
            replaceResult(choice ? withChoice(result, *choice) : asScanned(result));
            return;
        }
}

void WorkflowViewModel::replaceResult(const SelectionResult &changed)
{
    QList<SelectionResult> results = m_results;
    for (SelectionResult &result : results)
        if (result.id() == changed.id())
            result = changed;
    publish(this, m_results, results, &WorkflowViewModel::resultsChanged);
    schedulePlan();
}

void WorkflowViewModel::undoLastChoice()
{
    const std::optional<ManualChoices::Step> step = m_choices.undo();
    if (!step)
        return;
    for (const SelectionResult &result : m_results)
        if (result.id() == step->before.id()) {
            replaceResult(step->before);
            return;
        }
}

void WorkflowViewModel::goBackToSetup()
{
    if (m_stage != WorkflowStage::summary)
        return;
    // The results go; the choices made on them stay for the next scan.
    resetResults();
}

// ---- copying ----------------------------------------------------------------------------------

void WorkflowViewModel::startCopy()
{
    if (m_stage != WorkflowStage::summary)
        return;
    if (m_planPending) {
        // The plan on screen is about to be replaced; copy the one that reflects the user's
        // latest choices.
        m_copyAfterPlan = true;
        return;
    }
    const bool nothingToCopy = m_copyPlan.tasks.isEmpty();
    if (nothingToCopy && m_results.isEmpty())
        return;
    for (const CopyPreflightIssue &issue : m_copyPlan.issues) {
        if (issue.kind == CopyPreflightIssueKind::insufficientSpace && !nothingToCopy) {
            setError(L10N("error.insufficient.space"));
            return;
        }
    }
    cancel(m_operationJob, true);
    cancel(m_planJob, true);
    m_resultsBeforeCopy = m_results;
    m_jobPlan = m_copyPlan;
    m_retrying = false;
    if (nothingToCopy) // the job still ends with a report row for every result
        copyFinished(CopyBatchResult(), QualityCheckBatchResult(), m_setup->qualityOptions(), m_copyPlan, std::nullopt,
                     false);
    else
        runCopy(m_copyPlan, m_setup->qualityOptions());
}

void WorkflowViewModel::retryFailed()
{
    if (!canRetry())
        return;
    const CopyPlan retry = retryPlan(m_jobPlan, *m_copyResult);
    if (retry.tasks.isEmpty())
        return;
    m_retrying = true;
    runCopy(retry, m_completedQualityOptions);
}

void WorkflowViewModel::runCopy(const CopyPlan &plan, const QualityCheckOptions &options)
{
    publish(this, m_errorMessage, std::optional<QString>(), &WorkflowViewModel::errorMessageChanged);
    m_runningQualityCheck.reset();
    m_runningPlan = plan;
    publish(this, m_stage, WorkflowStage::copying, &WorkflowViewModel::stageChanged);
    m_session->store(kCopyInProgressKey, *destinationFolder());
    m_checkKind.reset();
    m_checkDone = 0;
    m_checkTotal = 0;
    publish(this, m_copyProgress, CopyProgress{QString(), 0, plan.tasks.size(), 0, plan.totalBytes},
            &WorkflowViewModel::copyProgressChanged);
    setStatus(L10N("status.copying"));

    auto job = std::make_shared<Job>();
    m_operationJob = job;
    startJob([link = m_link, job, plan, options, copier = m_copier, checker = m_qualityChecker] {
        CopyJobProgress progress;
        progress.copy = [&](const CopyProgress &value) {
            link->call([&](WorkflowViewModel *vm) {
                if (vm->isCurrentOperation(job))
                    vm->applyCopyProgress(value);
            });
        };
        progress.check = [&](const QString &fileName, QualityCheckKind check, qint64 total) {
            link->call([&](WorkflowViewModel *vm) {
                if (vm->isCurrentOperation(job))
                    vm->applyQualityStatus(fileName, check, total);
            });
        };
        const CopyJobResult copied = runCopyJob(plan, options, {copier.get(), checker.get()}, progress, job->token());
        link->post([job, copied, options, plan](WorkflowViewModel *vm) {
            if (!vm->isCurrentOperation(job))
                return;
            vm->copyFinished(copied.batch, copied.quality, options, plan, copied.copierFailure, copied.checksCancelled);
            if (copied.checksFailure)
                vm->setErrorText(*copied.checksFailure);
        });
    });
}

void WorkflowViewModel::applyCopyProgress(const CopyProgress &progress)
{
    publish(this, m_copyProgress, foldCopyProgress(m_copyProgress, progress), &WorkflowViewModel::copyProgressChanged);
}

void WorkflowViewModel::applyQualityStatus(const QString &fileName, QualityCheckKind check, qint64 total)
{
    // Each check counts its own files.
    if (m_checkKind != check) {
        m_checkKind = check;
        m_checkDone = 0;
    }
    m_checkDone = std::min(total, m_checkDone + 1);
    m_checkTotal = total;
    emit changed();
    CopyProgress next = m_copyProgress;
    next.currentFile = fileName;
    m_runningQualityCheck = check;
    publish(this, m_copyProgress, next, &WorkflowViewModel::copyProgressChanged);
    setStatus(statusKey(check)); // the quality module's text for the check
}

void WorkflowViewModel::copyFinished(CopyBatchResult batch, QualityCheckBatchResult quality,
                                     const QualityCheckOptions &options, const CopyPlan &plan,
                                     const std::optional<QString> &copierFailure, bool checksCancelled)
{
    m_operationJob.reset();
    m_runningQualityCheck.reset();
    m_session->remove(kCopyInProgressKey);
    m_reportSaved = false;
    wordCopyFailures(batch);
    if (m_retrying && m_copyResult)
        joinRetried(batch, quality, *m_copyResult, m_qualityResult, plan);
    m_runningPlan = CopyPlan();
    wordCheckFailures(quality);
    publish(this, m_copyResult, std::optional<CopyBatchResult>(batch), &WorkflowViewModel::copyResultChanged);
    publish(this, m_qualityResult, quality, &WorkflowViewModel::qualityResultChanged);
    // Checks that did not finish have no counts to show.
    publish(this, m_completedQualityOptions, checksCancelled ? QualityCheckOptions() : options,
            &WorkflowViewModel::completedQualityOptionsChanged);
    // finishCopy: settle every result and build the report, always from the job as it was
    // before its first copy, so that a retry settles it whole.
    const SettledCopy settled = settleCopy(m_resultsBeforeCopy, batch, m_jobPlan, searchTarget(), quality);
    m_settlements = settled.settlements;
    m_checksCancelled = checksCancelled;
    if (!m_results.isEmpty())
        publish(this, m_results, settled.results, &WorkflowViewModel::resultsChanged);
    publish(this, m_reportRows, settled.rows, &WorkflowViewModel::reportRowsChanged);
    if (copierFailure)
        setErrorText(*copierFailure);
    publish(this, m_stage, WorkflowStage::completed, &WorkflowViewModel::stageChanged);
    if (copierFailure)
        setStatus(L10N("status.copy.failed"));
    else
        setStatus(completionStatusKey(completionKind()));
}

void WorkflowViewModel::openDestination()
{
    // Without a file browser the user is told where the folder is.
    if (destinationFolder() && !m_platform->openFolder(*destinationFolder()))
        publish(this, m_errorMessage, std::optional<QString>(localized("error.open.folder", *destinationFolder())),
                &WorkflowViewModel::errorMessageChanged);
}

// ---- the report -------------------------------------------------------------------------------

bool WorkflowViewModel::saveReport()
{
    m_setup->preparePanel(PanelPurpose::report);
    const std::optional<FileURL> file = m_panels ? m_panels->chooseReportDestination() : std::nullopt;
    if (!file)
        return false;
    m_setup->rememberPanelFolder(PanelPurpose::report, *file);
    try {
        writeFileAtomically(*file, reportFileBytes(m_reportRows));
        m_reportSaved = true;
        setStatus(L10N("status.report.saved"));
        return true;
    } catch (const FailureError &e) {
        setErrorText(failureText(e.failure()));
    } catch (const std::exception &) {
        setError(L10N("error.report.save.failed"));
    }
    return false;
}

} // namespace quillmore
