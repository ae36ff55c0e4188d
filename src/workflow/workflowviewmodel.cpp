#include "workflowviewmodel.h"

#include "copyreport.h"
#include "failuretext.h"
#include "screentexts.h"
#include "copyjob.h"
#include "jobs.h"
#include "resultqueries.h"
#include "scanjob.h"
#include "screenshotjob.h"

#include "copying/sha256filehasher.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "quality/qualitycheckservice.h"
#include "screenshots/batchprocessor.h"
#include "screenshots/filenamerules.h"

namespace quillmore {
namespace {

bool isDirectory(const FileURL &url)
{
    return isDirectoryPath(standardizedPath(url));
}

// The first folder among dropped items, once each.
std::optional<FileURL> firstFolder(const QList<FileURL> &urls)
{
    for (const FileURL &url : uniqueByStandardizedPath(urls)) {
        if (isDirectory(url))
            return url;
    }
    return std::nullopt;
}

} // namespace

// ---- construction -----------------------------------------------------------------------------

struct WorkflowViewModel::PlanRequest {
    QList<SelectionResult> results;
    FileURL destination;
    SearchTarget target = SearchTarget::raw;
    bool includeXMP = false;
    ConflictPolicy policy = ConflictPolicy::skip;
    quint64 generation = 0;
};

WorkflowViewModel::WorkflowViewModel(WorkflowServices services, std::unique_ptr<QSettings> settings, QObject *parent)
    : QObject(parent),
      m_selectionReader(std::move(services.selectionReader)),
      m_scanner(std::move(services.scanner)),
      m_planner(std::move(services.planner)),
      m_copier(std::move(services.copier)),
      m_qualityChecker(std::move(services.qualityChecker)),
      m_screenshotProcessor(std::move(services.screenshotProcessor)),
      m_candidateHasher(std::make_shared<SHA256FileHasher>()),
      m_panels(std::move(services.panels)),
      m_platform(services.platform ? std::move(services.platform) : std::make_unique<DesktopWorkflowPlatform>()),
      m_session(
          std::make_unique<SessionStore>(std::move(settings), std::move(services.bookmarkTokens), m_platform.get())),
      m_link(std::make_shared<Link>(this)),
      m_statusMessage(localized("status.ready")),
      m_screenshotGeneration(QUuid::createUuid())
{
    connect(this, &WorkflowViewModel::selectionFolderChanged, this, &WorkflowViewModel::countSelection);
    connect(this, &WorkflowViewModel::selectionRequiresReauthorizationChanged, this,
            &WorkflowViewModel::countSelection);
    const SessionStore::Preferences preferences = m_session->readPreferences();
    m_includeXMP = preferences.includeXMP;
    m_conflictPolicy = preferences.conflictPolicy;
    m_blurCheckEnabled = preferences.blurCheck;
    m_duplicateCheckEnabled = preferences.duplicateCheck;
    m_fileCheckEnabled = preferences.fileCheck;
    const SessionStore::Folders folders = m_session->restoreBookmarks();
    if (folders.selection) {
        m_selectionFolder = folders.selection->url;
        m_selectionRequiresReauthorization = folders.selection->requiresReauthorization;
    }
    m_searchLocations = folders.searchLocations;
    if (folders.destination) {
        m_destinationFolder = folders.destination->url;
        m_destinationRequiresReauthorization = folders.destination->requiresReauthorization;
    }
    // A copy that was under way when the program last ended did not finish: say so, once.
    if (const std::optional<QString> interrupted = m_session->takeInterruptedCopy())
        m_errorMessage = localized("error.copy.interrupted", *interrupted);
}

// Counts the pictures of the selection folder in the background, for the setup screen.
void WorkflowViewModel::countSelection()
{
    const quint64 generation = ++m_selectionCountGeneration;
    assign(m_selectionPictureCount, std::optional<qint64>(), &WorkflowViewModel::selectionPictureCountChanged);
    if (!m_selectionFolder || m_selectionRequiresReauthorization || !m_selectionReader)
        return;
    startJob([link = m_link, reader = m_selectionReader, folder = *m_selectionFolder, generation] {
        std::optional<qint64> count;
        try {
            count = reader->readSelection(folder, std::stop_token()).selections.size();
        } catch (const std::exception &) {
            // An unreadable folder shows no count; the scan tells why.
        }
        link->post([count, generation](WorkflowViewModel *vm) {
            if (generation == vm->m_selectionCountGeneration)
                vm->assign(vm->m_selectionPictureCount, count, &WorkflowViewModel::selectionPictureCountChanged);
        });
    });
}

WorkflowViewModel::~WorkflowViewModel()
{
    m_link->release();
    for (auto *job : {&m_operationJob, &m_planJob, &m_screenshotJob})
        if (*job)
            (*job)->requestStop();
    m_session.reset(); // closes every folder access opened
}

// ---- helpers ----------------------------------------------------------------------------------

template <typename T>
void WorkflowViewModel::assign(T &field, const T &value, void (WorkflowViewModel::*signal)())
{
    if (field == value)
        return;
    field = value;
    emit(this->*signal)();
    emit changed();
}

void WorkflowViewModel::setStatus(const char *key)
{
    assign(m_statusMessage, localized(key), &WorkflowViewModel::statusMessageChanged);
}

void WorkflowViewModel::setError(const char *key)
{
    setErrorText(localized(key));
}

void WorkflowViewModel::setErrorText(const QString &text)
{
    assign(m_errorMessage, std::optional<QString>(text), &WorkflowViewModel::errorMessageChanged);
}

void WorkflowViewModel::clearErrorMessage()
{
    assign(m_errorMessage, std::optional<QString>(), &WorkflowViewModel::errorMessageChanged);
}

void WorkflowViewModel::saveBookmarks(const QList<FileURL> &urls, const char *key)
{
    if (const std::optional<QString> failure = m_session->saveBookmarks(urls, key))
        setErrorText(*failure);
}

void WorkflowViewModel::cancel(std::shared_ptr<Job> &job, bool detach)
{
    if (!job)
        return;
    job->requestStop();
    if (detach)
        job.reset();
}

void WorkflowViewModel::newScreenshotGeneration()
{
    m_screenshotGeneration = QUuid::createUuid();
    cancel(m_screenshotJob, true);
}

// ---- derived values ---------------------------------------------------------------------------

bool WorkflowViewModel::isValidScreenshotName(const QString &name)
{
    return quillmore::isValidScreenshotName(name);
}

bool WorkflowViewModel::hasSelection() const
{
    if (m_selectionInputMode == SelectionInputMode::folder)
        return m_selectionFolder.has_value() && !m_selectionRequiresReauthorization;
    if (m_isReadingScreenshots || m_screenshotCandidateList.candidates.isEmpty())
        return false;
    for (const ScreenshotNameCandidate &c : m_screenshotCandidateList.candidates)
        if (!quillmore::isValidScreenshotName(c.fileName))
            return false;
    return true;
}

bool WorkflowViewModel::canStartScan() const
{
    if (!hasSelection() || !m_destinationFolder || m_destinationRequiresReauthorization || m_searchLocations.isEmpty())
        return false;
    for (const SearchLocation &l : m_searchLocations)
        if (l.requiresReauthorization)
            return false;
    return true;
}

QList<SelectionResult> WorkflowViewModel::foundResults() const
{
    return quillmore::foundResults(m_results);
}

QList<SelectionResult> WorkflowViewModel::notFoundResults() const
{
    return resultsWithStatus(m_results, SelectionStatus::notFound);
}

QList<SelectionResult> WorkflowViewModel::ambiguousResults() const
{
    return resultsWithStatus(m_results, SelectionStatus::ambiguous);
}

QList<CopyTaskItem> WorkflowViewModel::primaryCopyTasks() const
{
    return primaryTasks(m_copyPlan, m_searchTarget);
}

QList<CopyFileOutcome> WorkflowViewModel::copiedPrimaryOutcomes() const
{
    return outcomesWith(m_copyResult, CopyOutcomeStatus::copied, primaryKind(m_searchTarget));
}

QList<CopyFileOutcome> WorkflowViewModel::copiedSidecarOutcomes() const
{
    return outcomesWith(m_copyResult, CopyOutcomeStatus::copied, CopyFileKind::xmp);
}

QList<CopyFileOutcome> WorkflowViewModel::failedOutcomes() const
{
    return outcomesWith(m_copyResult, CopyOutcomeStatus::failed);
}

bool WorkflowViewModel::hasUnsavedReport() const
{
    return m_stage == WorkflowStage::completed && !m_reportRows.isEmpty() && !m_reportSaved;
}

qint64 WorkflowViewModel::settledCount(ResultOutcome outcome) const
{
    return quillmore::settledCount(m_settlements, outcome);
}

CompletionKind WorkflowViewModel::completionKind() const
{
    if (m_copyResult && m_copyResult->wasCancelled)
        return CompletionKind::cancelled;
    if (!failedOutcomes().isEmpty() || settledCount(ResultOutcome::failed) > 0)
        return settledCount(ResultOutcome::copied) == 0 ? CompletionKind::nothingCopied : CompletionKind::someFailed;
    // The copy itself finished; only the checks stopped.
    return m_checksCancelled ? CompletionKind::checksCancelled : CompletionKind::allCopied;
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

QPair<qint64, qint64> WorkflowViewModel::pictureProgress() const
{
    return quillmore::pictureProgress(m_runningPlan, m_searchTarget, m_copyProgress.completedFiles);
}

QList<CopyReportRow> WorkflowViewModel::skippedReportRows() const
{
    return rowsWith(m_reportRows, CopyOutcomeStatus::skipped);
}

// ---- set-up -----------------------------------------------------------------------------------

void WorkflowViewModel::preparePanel(PanelPurpose purpose)
{
    if (!m_panels)
        return;
    std::optional<FileURL> current;
    if (purpose == PanelPurpose::selectionFolder)
        current = m_selectionFolder;
    else if (purpose == PanelPurpose::destinationFolder || purpose == PanelPurpose::report)
        current = m_destinationFolder;
    else if (purpose == PanelPurpose::searchLocations && !m_searchLocations.isEmpty())
        current = m_searchLocations.last().url;
    m_panels->preparePanel(purpose, m_session->panelStart(purpose, current));
}

void WorkflowViewModel::rememberPanelFolder(PanelPurpose purpose, const FileURL &chosen)
{
    m_session->rememberPanelFolder(purpose, chosen);
}

std::optional<FileURL> WorkflowViewModel::chooseOneFolder(PanelPurpose purpose)
{
    preparePanel(purpose);
    const QList<FileURL> chosen = m_panels ? m_panels->chooseFolders(false) : QList<FileURL>();
    if (chosen.isEmpty())
        return std::nullopt;
    rememberPanelFolder(purpose, chosen.first());
    return chosen.first();
}

void WorkflowViewModel::chooseSelectionFolder()
{
    if (const std::optional<FileURL> folder = chooseOneFolder(PanelPurpose::selectionFolder))
        setSelectionFolder(*folder);
}

void WorkflowViewModel::chooseDestinationFolder()
{
    if (const std::optional<FileURL> folder = chooseOneFolder(PanelPurpose::destinationFolder))
        setDestinationFolder(*folder);
}

void WorkflowViewModel::setSelectionFolder(const FileURL &url)
{
    newScreenshotGeneration();
    const QString path = standardizedPath(url);
    if (m_selectionFolder != std::optional<FileURL>(path)) {
        m_choices.clear(); // choices belong to the names of one selection
    }
    assign(m_selectionFolder, std::optional<FileURL>(path), &WorkflowViewModel::selectionFolderChanged);
    assign(m_selectionRequiresReauthorization, false, &WorkflowViewModel::selectionRequiresReauthorizationChanged);
    assign(m_selectionInputMode, SelectionInputMode::folder, &WorkflowViewModel::selectionInputModeChanged);
    clearScreenshots();
    m_session->beginAccess(path);
    saveBookmarks({path}, kSelectionBookmarkKey);
}

bool WorkflowViewModel::dropSelectionFolder(const QList<FileURL> &urls)
{
    const std::optional<FileURL> folder = firstFolder(urls);
    if (folder)
        setSelectionFolder(*folder);
    return folder.has_value();
}

void WorkflowViewModel::setDestinationFolder(const FileURL &url)
{
    const QString path = standardizedPath(url);
    assign(m_destinationFolder, std::optional<FileURL>(path), &WorkflowViewModel::destinationFolderChanged);
    assign(m_destinationRequiresReauthorization, false, &WorkflowViewModel::destinationRequiresReauthorizationChanged);
    m_session->beginAccess(path);
    saveBookmarks({path}, kDestinationBookmarkKey);
}

bool WorkflowViewModel::dropDestinationFolder(const QList<FileURL> &urls)
{
    const std::optional<FileURL> folder = firstFolder(urls);
    if (folder)
        setDestinationFolder(*folder);
    return folder.has_value();
}

void WorkflowViewModel::addSearchLocations()
{
    if (!m_panels)
        return;
    preparePanel(PanelPurpose::searchLocations);
    const QList<FileURL> chosen = m_panels->chooseFolders(true);
    if (chosen.isEmpty())
        return;
    rememberPanelFolder(PanelPurpose::searchLocations, chosen.last());
    QList<FileURL> urls;
    for (const SearchLocation &l : m_searchLocations)
        urls << l.url;
    setSearchLocations(urls + chosen);
}

bool WorkflowViewModel::dropSearchLocations(const QList<FileURL> &urls)
{
    QList<FileURL> folders;
    for (const FileURL &url : uniqueByStandardizedPath(urls))
        if (isDirectory(url))
            folders << url;
    if (folders.isEmpty())
        return false;
    QList<FileURL> all;
    for (const SearchLocation &l : m_searchLocations)
        all << l.url;
    setSearchLocations(all + folders);
    return true;
}

void WorkflowViewModel::removeSearchLocation(const QUuid &id)
{
    QList<FileURL> urls;
    for (const SearchLocation &l : m_searchLocations)
        if (l.id != id)
            urls << l.url;
    setSearchLocations(urls);
}

void WorkflowViewModel::reauthorizeSearchLocation(const QUuid &id)
{
    const std::optional<FileURL> chosen = chooseOneFolder(PanelPurpose::searchLocations);
    if (!chosen)
        return;
    QList<FileURL> urls;
    for (const SearchLocation &l : m_searchLocations)
        urls << (l.id == id ? standardizedPath(*chosen) : l.url);
    setSearchLocations(urls);
}

void WorkflowViewModel::setSearchLocations(const QList<FileURL> &given)
{
    const QList<FileURL> urls = uniqueByStandardizedPath(given);
    QStringList currentPaths;
    bool someNeedReauthorization = false;
    for (const SearchLocation &l : m_searchLocations) {
        currentPaths << standardizedPath(l.url);
        someNeedReauthorization = someNeedReauthorization || l.requiresReauthorization;
    }
    const bool changed = currentPaths != QStringList(urls) || someNeedReauthorization;

    for (const QString &path : currentPaths)
        if (!urls.contains(path))
            m_session->endAccess(path);
    QList<SearchLocation> locations;
    for (const FileURL &url : urls) {
        m_session->beginAccess(url);
        locations.append({makeId(), url, false});
    }
    assign(m_searchLocations, locations, &WorkflowViewModel::searchLocationsChanged);
    // On the summary the scan runs again at once; the choices made stay for the names whose
    // files still exist.
    if (changed && m_stage == WorkflowStage::summary && canStartScan())
        startScan();
    else if (changed)
        resetResults();
    saveBookmarks(uniqueByStandardizedPath(urls), kSearchesBookmarkKey);
}

void WorkflowViewModel::clearScreenshots()
{
    for (const FileURL &url : m_screenshotURLs)
        m_session->endAccess(url);
    assign(m_screenshotURLs, QList<FileURL>(), &WorkflowViewModel::screenshotURLsChanged);
    assign(m_screenshotCandidateList, ScreenshotCandidateList(), &WorkflowViewModel::screenshotCandidateListChanged);
    assign(m_screenshotProgress, ScreenshotOCRProgress(), &WorkflowViewModel::screenshotProgressChanged);
    assign(m_screenshotCount, qint64(0), &WorkflowViewModel::screenshotCountChanged);
    assign(m_screenshotFilenameOccurrences, qint64(0), &WorkflowViewModel::screenshotFilenameOccurrencesChanged);
    assign(m_screenshotDuplicatesRemoved, qint64(0), &WorkflowViewModel::screenshotDuplicatesRemovedChanged);
    assign(m_screenshotWarnings, QList<AppWarning>(), &WorkflowViewModel::screenshotWarningsChanged);
    assign(m_isReadingScreenshots, false, &WorkflowViewModel::isReadingScreenshotsChanged);
    assign(m_isShowingScreenshotReview, false, &WorkflowViewModel::isShowingScreenshotReviewChanged);
    m_screenshotListEdited = false;
}

void WorkflowViewModel::addScreenshotFilename()
{
    ScreenshotCandidateList list = m_screenshotCandidateList;
    list.addManualName(QString());
    m_screenshotListEdited = true;
    assign(m_screenshotCandidateList, list, &WorkflowViewModel::screenshotCandidateListChanged);
}

void WorkflowViewModel::removeScreenshotFilename(const QUuid &id)
{
    ScreenshotCandidateList list = m_screenshotCandidateList;
    list.remove(id);
    m_screenshotListEdited = m_screenshotListEdited || list != m_screenshotCandidateList;
    assign(m_screenshotCandidateList, list, &WorkflowViewModel::screenshotCandidateListChanged);
}

void WorkflowViewModel::updateScreenshotFilename(const QUuid &id, const QString &name)
{
    ScreenshotCandidateList list = m_screenshotCandidateList;
    list.updateFileName(id, name);
    m_screenshotListEdited = m_screenshotListEdited || list != m_screenshotCandidateList;
    assign(m_screenshotCandidateList, list, &WorkflowViewModel::screenshotCandidateListChanged);
}

void WorkflowViewModel::setShowingScreenshotReview(bool showing)
{
    assign(m_isShowingScreenshotReview, showing, &WorkflowViewModel::isShowingScreenshotReviewChanged);
}

void WorkflowViewModel::setSearchTarget(SearchTarget target)
{
    if (target == m_searchTarget)
        return;
    assign(m_searchTarget, target, &WorkflowViewModel::searchTargetChanged);
    resetResults();
}

void WorkflowViewModel::setIncludeXMP(bool include)
{
    if (include == m_includeXMP)
        return;
    assign(m_includeXMP, include, &WorkflowViewModel::includeXMPChanged);
    m_session->store(kIncludeXMPKey, include);
    schedulePlan();
}

void WorkflowViewModel::setConflictPolicy(ConflictPolicy policy)
{
    if (policy == m_conflictPolicy)
        return;
    assign(m_conflictPolicy, policy, &WorkflowViewModel::conflictPolicyChanged);
    m_session->store(kConflictPolicyKey, rawValue(policy));
    schedulePlan();
}

// The checks chosen are kept for the next launch.
void WorkflowViewModel::storeCheck(const char *key, bool enabled)
{
    m_session->store(key, enabled);
}

void WorkflowViewModel::setBlurCheckEnabled(bool enabled)
{
    assign(m_blurCheckEnabled, enabled, &WorkflowViewModel::blurCheckEnabledChanged);
    storeCheck(kBlurCheckKey, enabled);
}

void WorkflowViewModel::setDuplicateCheckEnabled(bool enabled)
{
    assign(m_duplicateCheckEnabled, enabled, &WorkflowViewModel::duplicateCheckEnabledChanged);
    storeCheck(kDuplicateCheckKey, enabled);
}

void WorkflowViewModel::setFileCheckEnabled(bool enabled)
{
    assign(m_fileCheckEnabled, enabled, &WorkflowViewModel::fileCheckEnabledChanged);
    storeCheck(kFileCheckKey, enabled);
}

// ---- resetting --------------------------------------------------------------------------------

void WorkflowViewModel::resetResults()
{
    clearJobState(WorkflowStage::setup, L10N("status.ready"));
}

void WorkflowViewModel::startOver()
{
    newScreenshotGeneration();
    m_choices.clear();
    m_identicalCandidatesMerged = 0;
    assign(m_selectionFolder, std::optional<FileURL>(), &WorkflowViewModel::selectionFolderChanged);
    assign(m_selectionRequiresReauthorization, false, &WorkflowViewModel::selectionRequiresReauthorizationChanged);
    assign(m_selectionInputMode, SelectionInputMode::folder, &WorkflowViewModel::selectionInputModeChanged);
    clearScreenshots();
    clearJobState(WorkflowStage::setup, L10N("status.ready"));
}

void WorkflowViewModel::clearJobState(WorkflowStage stage, const char *statusKey)
{
    // Jobs cancelled here are also let go: whatever they still report belongs to a job that no
    // longer exists.
    cancel(m_operationJob, true);
    cancel(m_planJob, true);
    m_copyAfterPlan = false;
    assign(m_planPending, false, &WorkflowViewModel::isPlanningChanged);
    assign(m_errorMessage, std::optional<QString>(), &WorkflowViewModel::errorMessageChanged);
    assign(m_results, QList<SelectionResult>(), &WorkflowViewModel::resultsChanged);
    assign(m_warnings, m_screenshotWarnings, &WorkflowViewModel::warningsChanged);
    assign(m_copyPlan, CopyPlan(), &WorkflowViewModel::copyPlanChanged);
    assign(m_reportRows, QList<CopyReportRow>(), &WorkflowViewModel::reportRowsChanged);
    assign(m_copyResult, std::optional<CopyBatchResult>(), &WorkflowViewModel::copyResultChanged);
    assign(m_qualityResult, QualityCheckBatchResult(), &WorkflowViewModel::qualityResultChanged);
    assign(m_completedQualityOptions, QualityCheckOptions(), &WorkflowViewModel::completedQualityOptionsChanged);
    m_settlements.clear();
    m_checksCancelled = false;
    assign(m_scanProgress, ScanProgress(), &WorkflowViewModel::scanProgressChanged);
    assign(m_copyProgress, CopyProgress(), &WorkflowViewModel::copyProgressChanged);
    assign(m_stage, stage, &WorkflowViewModel::stageChanged);
    setStatus(statusKey);
}

// ---- screenshots ------------------------------------------------------------------------------

void WorkflowViewModel::chooseScreenshots(bool replacing)
{
    if (!m_panels)
        return;
    preparePanel(PanelPurpose::screenshots);
    const QList<FileURL> chosen = m_panels->chooseScreenshots();
    if (chosen.isEmpty())
        return;
    rememberPanelFolder(PanelPurpose::screenshots, chosen.first());
    if (replacing)
        replaceScreenshots(chosen);
    else
        selectScreenshots(chosen);
}

bool WorkflowViewModel::dropScreenshots(const QList<FileURL> &urls)
{
    QList<FileURL> kept;
    for (const FileURL &url : uniqueByStandardizedPath(urls))
        if (hasExtensionIn(lastPathComponent(url), screenshotImageExtensions()) && !isDirectory(url))
            kept << url;
    if (kept.isEmpty())
        return false;
    selectScreenshots(kept);
    return true;
}

void WorkflowViewModel::replaceScreenshots(const QList<FileURL> &urls)
{
    newScreenshotGeneration();
    clearScreenshots();
    selectScreenshots(urls);
}

void WorkflowViewModel::selectScreenshots(const QList<FileURL> &given)
{
    QList<FileURL> urls;
    for (const FileURL &url : uniqueByStandardizedPath(given))
        if (hasExtensionIn(lastPathComponent(url), screenshotImageExtensions()))
            urls << url;
    if (urls.isEmpty())
        return;
    const bool inScreenshotMode = m_selectionInputMode == SelectionInputMode::screenshots;
    if (inScreenshotMode && m_isReadingScreenshots) {
        // Nothing is read yet: the reading starts again with the screenshots of both choices.
        urls = uniqueByStandardizedPath(m_screenshotURLs + urls);
        newScreenshotGeneration();
        clearScreenshots();
    } else if (inScreenshotMode && !m_screenshotURLs.isEmpty()) {
        // New screenshots add their names to the list under review; those read already are not
        // read again.
        QList<FileURL> fresh;
        for (const FileURL &url : urls)
            if (!m_screenshotURLs.contains(url))
                fresh << url;
        if (fresh.isEmpty())
            return;
        newScreenshotGeneration();
        for (const FileURL &url : fresh)
            m_session->beginAccess(url);
        assign(m_screenshotURLs, m_screenshotURLs + fresh, &WorkflowViewModel::screenshotURLsChanged);
        assign(m_screenshotProgress, ScreenshotOCRProgress{0, fresh.size(), fresh.first()},
               &WorkflowViewModel::screenshotProgressChanged);
        assign(m_isReadingScreenshots, true, &WorkflowViewModel::isReadingScreenshotsChanged);
        assign(m_isShowingScreenshotReview, false, &WorkflowViewModel::isShowingScreenshotReviewChanged);
        setStatus(L10N("screenshot.ocr.reading"));
        startScreenshotJob(fresh, true);
        return;
    } else {
        newScreenshotGeneration();
        clearScreenshots();
    }
    for (const FileURL &url : urls)
        m_session->beginAccess(url);
    assign(m_selectionInputMode, SelectionInputMode::screenshots, &WorkflowViewModel::selectionInputModeChanged);
    assign(m_screenshotURLs, urls, &WorkflowViewModel::screenshotURLsChanged);
    assign(m_screenshotProgress, ScreenshotOCRProgress{0, urls.size(), urls.first()},
           &WorkflowViewModel::screenshotProgressChanged);
    assign(m_screenshotCount, qint64(urls.size()), &WorkflowViewModel::screenshotCountChanged);
    assign(m_warnings, QList<AppWarning>(), &WorkflowViewModel::warningsChanged);
    assign(m_isReadingScreenshots, true, &WorkflowViewModel::isReadingScreenshotsChanged);
    setStatus(L10N("screenshot.ocr.reading"));
    startScreenshotJob(urls, false);
}

void WorkflowViewModel::startScreenshotJob(const QList<FileURL> &urls, bool appending)
{
    const QUuid generation = m_screenshotGeneration;
    auto job = std::make_shared<Job>();
    m_screenshotJob = job;
    auto link = m_link;
    auto processor = m_screenshotProcessor;
    startJob([link, job, processor, urls, generation, appending] {
        auto stillCurrent = [generation](WorkflowViewModel *vm) { return vm->m_screenshotGeneration == generation; };
        try {
            const ScreenshotOCRResult result = runScreenshotJob(
                urls, processor.get(),
                [&](const ScreenshotOCRProgress &progress) {
                    link->call([&](WorkflowViewModel *vm) {
                        if (stillCurrent(vm))
                            vm->assign(vm->m_screenshotProgress, progress,
                                       &WorkflowViewModel::screenshotProgressChanged);
                    });
                },
                job->token());
            link->post([result, stillCurrent, job, urls, appending](WorkflowViewModel *vm) {
                if (!stillCurrent(vm))
                    return;
                if (vm->m_screenshotJob == job)
                    vm->m_screenshotJob.reset();
                vm->screenshotsRead(result, urls, appending);
            });
        } catch (const Cancelled &) {
            link->post([stillCurrent](WorkflowViewModel *vm) {
                if (!stillCurrent(vm))
                    return;
                vm->assign(vm->m_isReadingScreenshots, false, &WorkflowViewModel::isReadingScreenshotsChanged);
                vm->setStatus(L10N("screenshot.ocr.cancelled"));
            });
        } catch (const std::exception &e) {
            const auto *failure = dynamic_cast<const FailureError *>(&e);
            const QString text = failure ? failureText(failure->failure()) : localized("error.screenshot.read.failed");
            link->post([stillCurrent, text](WorkflowViewModel *vm) {
                if (!stillCurrent(vm))
                    return;
                vm->assign(vm->m_isReadingScreenshots, false, &WorkflowViewModel::isReadingScreenshotsChanged);
                vm->setErrorText(text);
                vm->setStatus(L10N("screenshot.ocr.failed"));
            });
        }
    });
}

void WorkflowViewModel::screenshotsRead(const ScreenshotOCRResult &result, const QList<FileURL> &urls, bool appending)
{
    if (result.wasCancelled) {
        // The screenshots not reached are let go, so that choosing them again reads them.
        const QList<FileURL> unread = urls.mid(std::min<qsizetype>(urls.size(), result.screenshotCount));
        QList<FileURL> kept = m_screenshotURLs;
        for (const FileURL &url : unread) {
            kept.removeAll(url);
            m_session->endAccess(url);
        }
        assign(m_screenshotURLs, kept, &WorkflowViewModel::screenshotURLsChanged);
    }
    // Names read before a cancel are kept, like those of a finished reading; appended names join
    // the list under review, a name already there gaining the new screenshots as sources.
    const ScreenshotCandidateList list = withScreenshotNames(
        appending ? m_screenshotCandidateList : ScreenshotCandidateList(), result.candidates);
    const qint64 occurrences = (appending ? m_screenshotFilenameOccurrences : 0) + result.filenameOccurrences;
    const qint64 count = (appending ? m_screenshotCount : 0) + result.screenshotCount;
    const QList<AppWarning> warnings = (appending ? m_screenshotWarnings : QList<AppWarning>()) + result.warnings;
    assign(m_screenshotCandidateList, list, &WorkflowViewModel::screenshotCandidateListChanged);
    assign(m_screenshotCount, count, &WorkflowViewModel::screenshotCountChanged);
    assign(m_screenshotFilenameOccurrences, occurrences, &WorkflowViewModel::screenshotFilenameOccurrencesChanged);
    assign(m_screenshotDuplicatesRemoved, std::max<qint64>(0, occurrences - list.candidates.size()),
           &WorkflowViewModel::screenshotDuplicatesRemovedChanged);
    assign(m_screenshotWarnings, warnings, &WorkflowViewModel::screenshotWarningsChanged);
    assign(m_warnings, warnings, &WorkflowViewModel::warningsChanged);
    assign(m_isReadingScreenshots, false, &WorkflowViewModel::isReadingScreenshotsChanged);
    if (result.wasCancelled) {
        setStatus(L10N("screenshot.ocr.cancelled"));
        return;
    }
    assign(m_isShowingScreenshotReview, true, &WorkflowViewModel::isShowingScreenshotReviewChanged);
    setStatus(L10N("screenshot.ocr.complete"));
}

void WorkflowViewModel::cancelScreenshotReading()
{
    if (!m_screenshotJob)
        return;
    m_screenshotJob->requestStop(); // the job itself reports the cancellation
    setStatus(L10N("screenshot.ocr.cancelling"));
}

// ---- scanning ---------------------------------------------------------------------------------

void WorkflowViewModel::startScan()
{
    if (!canStartScan() || !m_destinationFolder)
        return;
    clearJobState(WorkflowStage::scanning, L10N("status.scanning"));

    ScanJobRequest request;
    for (const SearchLocation &l : m_searchLocations)
        request.locations << l.url;
    request.mode = m_selectionInputMode;
    request.selectionFolder = m_selectionFolder;
    if (m_selectionInputMode == SelectionInputMode::screenshots)
        request.screenshotNames = selectedJPEGs(m_screenshotCandidateList.candidates);
    request.target = m_searchTarget;
    request.destination = *m_destinationFolder;

    auto job = std::make_shared<Job>();
    m_operationJob = job;
    m_identicalCandidatesMerged = 0;
    startJob([link = m_link, job, request, reader = m_selectionReader, scanner = m_scanner, planner = m_planner,
              hasher = m_candidateHasher] {
        std::optional<PlanRequest> planRequest;
        try {
            const ScanJobResult scanned = runScanJob(
                request, {reader.get(), scanner.get(), hasher.get()},
                [&](const ScanProgress &progress) {
                    link->call([&](WorkflowViewModel *vm) {
                        if (vm->isCurrentOperation(job))
                            vm->assign(vm->m_scanProgress, progress, &WorkflowViewModel::scanProgressChanged);
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

std::optional<WorkflowViewModel::PlanRequest> WorkflowViewModel::scanSucceeded(const ScanJobResult &scanned)
{
    m_identicalCandidatesMerged = scanned.mergedCandidates;
    m_choices.clearSteps(); // the steps name results of the scan before
    assign(m_results, m_choices.applied(scanned.results, m_searchTarget), &WorkflowViewModel::resultsChanged);
    assign(m_warnings, m_screenshotWarnings + scanned.readerWarnings + scanned.scannerWarnings,
           &WorkflowViewModel::warningsChanged);
    // The plan is asked for before the stage changes, so that whoever sees the summary stage
    // also sees that a plan is on its way.
    auto request = makePlanRequest();
    assign(m_stage, WorkflowStage::summary, &WorkflowViewModel::stageChanged);
    setStatus(L10N("status.scan.complete"));
    return request;
}

void WorkflowViewModel::scanEnded(bool cancelled, const QString &error)
{
    m_operationJob.reset();
    if (!cancelled)
        setErrorText(error);
    assign(m_stage, WorkflowStage::setup, &WorkflowViewModel::stageChanged);
    setStatus(cancelled ? L10N("status.scan.cancelled") : L10N("status.scan.failed"));
}

void WorkflowViewModel::cancelOperation()
{
    if (m_operationJob)
        m_operationJob->requestStop();
    setStatus(m_stage == WorkflowStage::copying ? L10N("status.copy.cancelling") : L10N("status.scan.cancelling"));
}

// ---- planning ---------------------------------------------------------------------------------

std::optional<WorkflowViewModel::PlanRequest> WorkflowViewModel::makePlanRequest()
{
    if (!m_destinationFolder) {
        assign(m_copyPlan, CopyPlan(), &WorkflowViewModel::copyPlanChanged);
        return std::nullopt;
    }
    PlanRequest request;
    request.results = m_results;
    request.destination = *m_destinationFolder;
    request.target = m_searchTarget;
    request.includeXMP = m_searchTarget == SearchTarget::raw && m_includeXMP;
    request.policy = m_conflictPolicy;
    request.generation = ++m_planGeneration;
    assign(m_planPending, true, &WorkflowViewModel::isPlanningChanged);
    return request;
}

void WorkflowViewModel::runPlan(const std::shared_ptr<Link> &link, const std::shared_ptr<Job> &job,
                                const std::shared_ptr<CopyPlanning> &planner, const PlanRequest &request)
{
    try {
        if (!planner)
            throw FailureError(FailureCode::serviceUnavailable);
        const CopyPlan plan = planner->makePlan(request.results, request.destination, request.target,
                                                request.includeXMP, request.policy);
        link->call([&](WorkflowViewModel *vm) { vm->applyPlanResult(plan, request.generation, job); });
    } catch (const std::exception &) {
        // The planner does not fail; should it ever, the previous plan stays.
        link->call([&](WorkflowViewModel *vm) { vm->planDropped(request.generation); });
    }
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
    assign(m_planPending, false, &WorkflowViewModel::isPlanningChanged);
    assign(m_copyPlan, plan, &WorkflowViewModel::copyPlanChanged);
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
    assign(m_planPending, false, &WorkflowViewModel::isPlanningChanged);
}

void WorkflowViewModel::applyPlan(const CopyPlan &plan)
{
    assign(m_results, resultsWithPlan(m_results, plan, m_searchTarget), &WorkflowViewModel::resultsChanged);
}

// ---- resolving --------------------------------------------------------------------------------

void WorkflowViewModel::chooseCandidate(const FileURL &url, const QUuid &selectionID)
{
    if (!hasExtensionIn(lastPathComponent(url), candidateExtensions(m_searchTarget)))
        return;
    for (SelectionResult result : m_results) {
        if (result.id() != selectionID)
            continue;
        m_choices.remember(result, ManualChoices::Choice{standardizedPath(url)});
        result.chosenRAW = standardizedPath(url);
        result.status = SelectionStatus::manuallyResolved;
        result.message.reset();
        replaceResult(result);
        return;
    }
}

void WorkflowViewModel::chooseFileManually(const QUuid &selectionID)
{
    preparePanel(PanelPurpose::candidateFile);
    const CandidateFileChoice choice = m_panels ? m_panels->chooseCandidateFile(m_searchTarget) : CandidateFileChoice();
    if (choice.file)
        rememberPanelFolder(PanelPurpose::candidateFile, *choice.file);
    if (!choice.file) {
        // A dismissed panel changes nothing; a file of another type is explained.
        if (choice.unsuitable)
            setError(m_searchTarget == SearchTarget::raw ? L10N("error.unsupported.raw")
                                                         : L10N("error.unsupported.jpeg"));
        return;
    }
    m_session->beginAccess(*choice.file);
    chooseCandidate(*choice.file, selectionID);
}

void WorkflowViewModel::skipResult(const QUuid &selectionID)
{
    for (SelectionResult result : m_results) {
        if (result.id() != selectionID)
            continue;
        m_choices.remember(result, ManualChoices::Choice{std::nullopt});
        result.chosenRAW.reset();
        result.status = SelectionStatus::skipped;
        result.message.reset(); // the status says it; the report words it
        replaceResult(result);
        return;
    }
}

void WorkflowViewModel::replaceResult(const SelectionResult &changed)
{
    QList<SelectionResult> results = m_results;
    for (SelectionResult &result : results)
        if (result.id() == changed.id())
            result = changed;
    assign(m_results, results, &WorkflowViewModel::resultsChanged);
    schedulePlan();
}

void WorkflowViewModel::revertResult(const QUuid &selectionID)
{
    for (SelectionResult result : m_results) {
        if (result.id() != selectionID)
            continue;
        m_choices.remember(result, std::nullopt);
        // As the scan left it.
        result.destinationURL.reset();
        result.message.reset();
        result.chosenRAW.reset();
        result.status = SelectionStatus::notFound;
        if (result.candidates.size() == 1) {
            result.chosenRAW = result.candidates.first().url;
            result.status = SelectionStatus::found;
        } else if (result.candidates.size() > 1) {
            result.status = SelectionStatus::ambiguous;
        }
        replaceResult(result);
        return;
    }
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
    if (m_copyPlan.tasks.isEmpty()) {
        // Nothing to copy: the job still ends with a report row for every result.
        if (!m_results.isEmpty()) {
            cancel(m_operationJob, true);
            cancel(m_planJob, true);
            m_resultsBeforeCopy = m_results;
            m_jobPlan = m_copyPlan;
            m_retrying = false;
            copyFinished(CopyBatchResult(), QualityCheckBatchResult(),
                         QualityCheckOptions{m_blurCheckEnabled, m_duplicateCheckEnabled, m_fileCheckEnabled},
                         m_copyPlan, std::nullopt, false);
        }
        return;
    }
    for (const CopyPreflightIssue &issue : m_copyPlan.issues) {
        if (issue.kind == CopyPreflightIssueKind::insufficientSpace) {
            setError(L10N("error.insufficient.space"));
            return;
        }
    }
    cancel(m_operationJob, true);
    cancel(m_planJob, true);
    m_resultsBeforeCopy = m_results;
    m_jobPlan = m_copyPlan;
    m_retrying = false;
    runCopy(m_copyPlan, QualityCheckOptions{m_blurCheckEnabled, m_duplicateCheckEnabled, m_fileCheckEnabled});
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
    assign(m_errorMessage, std::optional<QString>(), &WorkflowViewModel::errorMessageChanged);
    m_runningQualityCheck.reset();
    m_runningPlan = plan;
    assign(m_stage, WorkflowStage::copying, &WorkflowViewModel::stageChanged);
    m_session->store(kCopyInProgressKey, *m_destinationFolder);
    m_checkKind.reset();
    m_checkDone = 0;
    m_checkTotal = 0;
    assign(m_copyProgress, CopyProgress{QString(), 0, plan.tasks.size(), 0, plan.totalBytes},
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
    CopyProgress next = m_copyProgress;
    next.currentFile = progress.currentFile;
    next.copiedBytes = progress.copiedBytes;
    next.totalBytes = progress.totalBytes;
    next.completedFiles = std::max(progress.completedFiles, m_copyProgress.completedFiles);
    next.totalFiles = progress.totalFiles != 0 ? progress.totalFiles : m_copyProgress.totalFiles;
    assign(m_copyProgress, next, &WorkflowViewModel::copyProgressChanged);
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
    assign(m_copyProgress, next, &WorkflowViewModel::copyProgressChanged);
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
    assign(m_copyResult, std::optional<CopyBatchResult>(batch), &WorkflowViewModel::copyResultChanged);
    assign(m_qualityResult, quality, &WorkflowViewModel::qualityResultChanged);
    // Checks that did not finish have no counts to show.
    assign(m_completedQualityOptions, checksCancelled ? QualityCheckOptions() : options,
           &WorkflowViewModel::completedQualityOptionsChanged);
    // finishCopy: settle every result and build the report, always from the job as it was
    // before its first copy, so that a retry settles it whole.
    const SettledCopy settled = settleCopy(m_resultsBeforeCopy, batch, m_jobPlan, m_searchTarget, quality);
    m_settlements = settled.settlements;
    m_checksCancelled = checksCancelled;
    if (!m_results.isEmpty())
        assign(m_results, settled.results, &WorkflowViewModel::resultsChanged);
    assign(m_reportRows, settled.rows, &WorkflowViewModel::reportRowsChanged);
    if (copierFailure)
        setErrorText(*copierFailure);
    assign(m_stage, WorkflowStage::completed, &WorkflowViewModel::stageChanged);
    if (copierFailure) {
        setStatus(L10N("status.copy.failed"));
        return;
    }
    switch (completionKind()) {
    case CompletionKind::allCopied: setStatus(L10N("status.copy.complete")); break;
    case CompletionKind::someFailed: setStatus(L10N("status.copy.failed")); break;
    case CompletionKind::nothingCopied: setStatus(L10N("status.copy.nothing")); break;
    case CompletionKind::cancelled: setStatus(L10N("status.copy.cancelled")); break;
    case CompletionKind::checksCancelled: setStatus(L10N("status.checks.cancelled")); break;
    }
}

void WorkflowViewModel::openDestination()
{
    // Without a file browser the user is told where the folder is.
    if (m_destinationFolder && !m_platform->openFolder(*m_destinationFolder))
        assign(m_errorMessage, std::optional<QString>(localized("error.open.folder", *m_destinationFolder)),
               &WorkflowViewModel::errorMessageChanged);
}

// ---- the report -------------------------------------------------------------------------------

bool WorkflowViewModel::saveReport()
{
    preparePanel(PanelPurpose::report);
    const std::optional<FileURL> file = m_panels ? m_panels->chooseReportDestination() : std::nullopt;
    if (!file)
        return false;
    rememberPanelFolder(PanelPurpose::report, *file);
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
