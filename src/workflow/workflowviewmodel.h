#pragma once

// The controller of one job: holds the user's choices and everything the screens show, and moves
// the job through its stages (setup, scanning, summary, copying, completed). It lives on the GUI
// thread; its long operations run as background jobs that write state back on the GUI thread
// only. Every published field has a getter and a change signal; `changed()` follows every change.

#include "copyreport.h"
#include "published.h"
#include "resultqueries.h"
#include "manualchoices.h"
#include "screenshotselection.h"
#include "sessionstore.h"
#include "setupchoices.h"
#include "workflowservices.h"

#include "screenshots/filenamerules.h"

#include <QHash>
#include <QObject>
#include <QSettings>
#include <QUuid>

#include <memory>
#include <optional>

namespace quillmore {

class Job;
template <typename Controller>
class ControllerLink;
struct ScanJobResult;
struct PlanJobRequest;

class WorkflowViewModel : public QObject {
    Q_OBJECT

public:
    // Settings keys.
    static constexpr const char *kIncludeXMPKey = SessionStore::kIncludeXMPKey;
    static constexpr const char *kConflictPolicyKey = SessionStore::kConflictPolicyKey;
    static constexpr const char *kSelectionBookmarkKey = SessionStore::kSelectionBookmarkKey;
    static constexpr const char *kSearchesBookmarkKey = SessionStore::kSearchesBookmarkKey;
    static constexpr const char *kDestinationBookmarkKey = SessionStore::kDestinationBookmarkKey;
    static constexpr const char *kBlurCheckKey = SessionStore::kBlurCheckKey;
    static constexpr const char *kDuplicateCheckKey = SessionStore::kDuplicateCheckKey;
    static constexpr const char *kFileCheckKey = SessionStore::kFileCheckKey;
    static constexpr const char *kCopyInProgressKey = SessionStore::kCopyInProgressKey;

    // Reads the two preferences and restores the stored folders. Without a settings object the
    // application's own ("Quillmore", "Quillmore") is used.
    explicit WorkflowViewModel(WorkflowServices services, std::unique_ptr<QSettings> settings = nullptr,
                               QObject *parent = nullptr);
    // Cancels the running jobs (they end on their own, touching nothing) and closes every folder
    // access opened.
    ~WorkflowViewModel() override;

    // ---- published state ----
    const std::optional<FileURL> &selectionFolder() const { return m_setup->selectionFolder(); }
    bool selectionRequiresReauthorization() const { return m_setup->selectionRequiresReauthorization(); }
    // The number of pictures in the selection folder, once counted; nothing while counting or
    // without a readable folder.
    std::optional<qint64> selectionPictureCount() const { return m_setup->selectionPictureCount(); }
    SelectionInputMode selectionInputMode() const { return m_setup->selectionInputMode(); }
    const QList<FileURL> &screenshotURLs() const { return m_screenshots->urls(); }
    const ScreenshotCandidateList &screenshotCandidateList() const { return m_screenshots->candidateList(); }
    const ScreenshotOCRProgress &screenshotProgress() const { return m_screenshots->progress(); }
    qint64 screenshotCount() const { return m_screenshots->count(); }
    qint64 screenshotFilenameOccurrences() const { return m_screenshots->filenameOccurrences(); }
    qint64 screenshotDuplicatesRemoved() const { return m_screenshots->duplicatesRemoved(); }
    const QList<AppWarning> &screenshotWarnings() const { return m_screenshots->warnings(); }
    bool isReadingScreenshots() const { return m_screenshots->isReading(); }
    bool isShowingScreenshotReview() const { return m_screenshots->isShowingReview(); }
    const QList<SearchLocation> &searchLocations() const { return m_setup->searchLocations(); }
    const std::optional<FileURL> &destinationFolder() const { return m_setup->destinationFolder(); }
    bool destinationRequiresReauthorization() const { return m_setup->destinationRequiresReauthorization(); }
    SearchTarget searchTarget() const { return m_setup->searchTarget(); }
    bool includeXMP() const { return m_setup->includeXMP(); }
    ConflictPolicy conflictPolicy() const { return m_setup->conflictPolicy(); }
    bool blurCheckEnabled() const { return m_setup->blurCheckEnabled(); }
    bool duplicateCheckEnabled() const { return m_setup->duplicateCheckEnabled(); }
    bool fileCheckEnabled() const { return m_setup->fileCheckEnabled(); }
    WorkflowStage stage() const { return m_stage; }
    const ScanProgress &scanProgress() const { return m_scanProgress; }
    const CopyProgress &copyProgress() const { return m_copyProgress; }
    // The quality check running after the copies, if one is.
    std::optional<QualityCheckKind> runningQualityCheck() const { return m_runningQualityCheck; }
    const QList<SelectionResult> &results() const { return m_results; }
    const QList<AppWarning> &warnings() const { return m_warnings; }
    const CopyPlan &copyPlan() const { return m_copyPlan; }
    const QList<CopyReportRow> &reportRows() const { return m_reportRows; }
    const std::optional<CopyBatchResult> &copyResult() const { return m_copyResult; }
    const QualityCheckBatchResult &qualityResult() const { return m_qualityResult; }
    const QualityCheckOptions &completedQualityOptions() const { return m_completedQualityOptions; }
    // What became of each selected name in the last copy run, in result order.
    const QList<ResultSettlement> &settlements() const { return m_settlements; }
    // The copy ran to its end and the quality checks were then cancelled.
    bool checksWereCancelled() const { return m_checksCancelled; }
    const QString &statusMessage() const { return m_statusMessage; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    // A re-plan has been asked for and its plan is not yet applied.
    bool isPlanning() const { return m_planPending; }
    // Candidate files of the last scan counted once because an earlier one of the same name holds
    // the same bytes.
    qint64 identicalCandidatesMerged() const { return m_identicalCandidatesMerged; }
    // The user has added, removed or edited a name of the screenshot list.
    bool screenshotListEdited() const { return m_screenshots->isEdited(); }
    // A finished copy's report that has not been saved.
    bool hasUnsavedReport() const;
    // A choice made on the results can be taken back.
    bool canUndoChoice() const { return m_choices.canUndo(); }
    // The quality check under way: files it has reached, of the files it checks (0 of 0 before
    // the checks start).
    std::pair<qint64, qint64> checkProgress() const { return {m_checkDone, m_checkTotal}; }

    // ---- derived values ----
    bool hasSelection() const;
    bool canStartScan() const;
    QList<SelectionResult> foundResults() const { return quillmore::foundResults(m_results); }
    QList<SelectionResult> notFoundResults() const { return resultsWithStatus(m_results, SelectionStatus::notFound); }
    QList<SelectionResult> ambiguousResults() const { return resultsWithStatus(m_results, SelectionStatus::ambiguous); }
    QList<CopyTaskItem> primaryCopyTasks() const { return primaryTasks(m_copyPlan, searchTarget()); }
    QList<CopyFileOutcome> copiedPrimaryOutcomes() const;
    QList<CopyFileOutcome> copiedSidecarOutcomes() const
    {
        return outcomesWith(m_copyResult, CopyOutcomeStatus::copied, CopyFileKind::xmp);
    }
    QList<CopyFileOutcome> failedOutcomes() const { return outcomesWith(m_copyResult, CopyOutcomeStatus::failed); }
    QList<CopyReportRow> skippedReportRows() const { return rowsWith(m_reportRows, CopyOutcomeStatus::skipped); }
    qint64 settledCount(ResultOutcome outcome) const { return quillmore::settledCount(m_settlements, outcome); }
    CompletionKind completionKind() const
    {
        return quillmore::completionKind(m_copyResult, m_settlements, m_checksCancelled);
    }
    // Some files of the finished run failed or were never attempted and can be copied again.
    bool canRetry() const;
    // Pictures (main files) done and planned in the running copy; sidecars are not counted.
    QPair<qint64, qint64> pictureProgress() const
    {
        return quillmore::pictureProgress(m_runningPlan, searchTarget(), m_copyProgress.completedFiles);
    }
    // True when a typed or recognised name can be searched for.
    static bool isValidScreenshotName(const QString &name) { return quillmore::isValidScreenshotName(name); }
    // Folders and files whose access is open, by standardised path.
    QList<QString> activeScopePaths() const { return m_session->activeScopePaths(); }

    // ---- set-up ----
    // Open the folder panel for one folder and take the first chosen.
    void chooseSelectionFolder() { m_setup->chooseSelectionFolder(); }
    void chooseDestinationFolder() { m_setup->chooseDestinationFolder(); }
    void setSelectionFolder(const FileURL &url) { m_setup->setSelectionFolder(url); }
    bool dropSelectionFolder(const QList<FileURL> &urls) { return m_setup->dropSelectionFolder(urls); }
    void setDestinationFolder(const FileURL &url) { m_setup->setDestinationFolder(url); }
    bool dropDestinationFolder(const QList<FileURL> &urls) { return m_setup->dropDestinationFolder(urls); }
    void addSearchLocations() { m_setup->addSearchLocations(); }
    bool dropSearchLocations(const QList<FileURL> &urls) { return m_setup->dropSearchLocations(urls); }
    void removeSearchLocation(const QUuid &id) { m_setup->removeSearchLocation(id); }
    void reauthorizeSearchLocation(const QUuid &id) { m_setup->reauthorizeSearchLocation(id); }
    void setSearchLocations(const QList<FileURL> &urls) { m_setup->setSearchLocations(urls); }
    // Reads the screenshots not read yet and adds their names to the list under review.
    void selectScreenshots(const QList<FileURL> &urls) { m_screenshots->select(urls); }
    // Drops the screenshot list, then reads these.
    void replaceScreenshots(const QList<FileURL> &urls) { m_screenshots->replace(urls); }
    bool dropScreenshots(const QList<FileURL> &urls) { return m_screenshots->drop(urls); }
    // Opens the screenshot panel and reads what was chosen: added to the names read before, or,
    // when replacing, in their place.
    void chooseScreenshots(bool replacing = false);
    void cancelScreenshotReading() { m_screenshots->cancelReading(); }
    void addScreenshotFilename() { m_screenshots->addName(); }
    void removeScreenshotFilename(const QUuid &id) { m_screenshots->removeName(id); }
    void updateScreenshotFilename(const QUuid &id, const QString &name) { m_screenshots->updateName(id, name); }
    void setShowingScreenshotReview(bool showing) { m_screenshots->setShowingReview(showing); }
    void setSearchTarget(SearchTarget target) { m_setup->setSearchTarget(target); }
    void setIncludeXMP(bool include) { m_setup->setIncludeXMP(include); }
    void setConflictPolicy(ConflictPolicy policy) { m_setup->setConflictPolicy(policy); }
    void setBlurCheckEnabled(bool enabled) { m_setup->setBlurCheckEnabled(enabled); }
    void setDuplicateCheckEnabled(bool enabled) { m_setup->setDuplicateCheckEnabled(enabled); }
    void setFileCheckEnabled(bool enabled) { m_setup->setFileCheckEnabled(enabled); }
    void clearErrorMessage();

    // ---- the job ----
    void startScan();
    void cancelOperation();
    void chooseCandidate(const FileURL &url, const QUuid &selectionID);
    void chooseFileManually(const QUuid &selectionID);
    void skipResult(const QUuid &selectionID);
    // Puts the result back as the scan found it (the choice made on it is forgotten).
    void revertResult(const QUuid &selectionID);
    // Takes back the last choice, skip or revert.
    void undoLastChoice();
    // From the summary back to set-up, every choice kept: a new scan applies the choices made on
    // names whose files still exist.
    void goBackToSetup();
    void startCopy();
    // Copies again, with every choice kept, the files of the finished run that failed or were
    // cancelled, and settles the whole job anew.
    void retryFailed();
    void openDestination();
    // Asks where and writes the report; true when it was written.
    bool saveReport();
    void startOver();
    void resetResults();
    void schedulePlan();

signals:
    void selectionFolderChanged();
    void selectionRequiresReauthorizationChanged();
    void selectionPictureCountChanged();
    void selectionInputModeChanged();
    void screenshotURLsChanged();
    void screenshotCandidateListChanged();
    void screenshotProgressChanged();
    void screenshotCountChanged();
    void screenshotFilenameOccurrencesChanged();
    void screenshotDuplicatesRemovedChanged();
    void screenshotWarningsChanged();
    void isReadingScreenshotsChanged();
    void isShowingScreenshotReviewChanged();
    void searchLocationsChanged();
    void destinationFolderChanged();
    void destinationRequiresReauthorizationChanged();
    void searchTargetChanged();
    void includeXMPChanged();
    void conflictPolicyChanged();
    void blurCheckEnabledChanged();
    void duplicateCheckEnabledChanged();
    void fileCheckEnabledChanged();
    void stageChanged();
    void scanProgressChanged();
    void copyProgressChanged();
    void resultsChanged();
    void warningsChanged();
    void copyPlanChanged();
    void reportRowsChanged();
    void copyResultChanged();
    void qualityResultChanged();
    void completedQualityOptionsChanged();
    void statusMessageChanged();
    void errorMessageChanged();
    void isPlanningChanged();
    // After any of the above.
    void changed();

private:
    using Link = ControllerLink<WorkflowViewModel>;
    // A helper's change signal and the controller's signal of the same field.
    template <typename Helper>
    using SignalPair = std::pair<void (Helper::*)(), void (WorkflowViewModel::*)()>;
    template <typename Helper>
    void forward(Helper *helper, std::initializer_list<SignalPair<Helper>> signalPairs);

    void setStatus(const char *key);
    void setError(const char *key);
    void setErrorText(const QString &text);
    void connectSetup();
    void connectScreenshots();

    // Drops the results of the job and all that was made from them (plan, copies, report),
    // cancelling its jobs, and moves to the given stage.
    void clearJobState(WorkflowStage stage, const char *statusKey);
    void decide(const QUuid &selectionID, const std::optional<ManualChoices::Choice> &choice);
    void replaceResult(const SelectionResult &result);

    std::optional<PlanJobRequest> makePlanRequest();
    void applyPlanResult(const CopyPlan &plan, quint64 generation, const std::shared_ptr<Job> &job);
    void planDropped(quint64 generation);
    void applyPlan(const CopyPlan &plan);
    void cancel(std::shared_ptr<Job> &job, bool detach);
    bool isCurrentOperation(const std::shared_ptr<Job> &job) const { return job && job == m_operationJob; }

    static void runPlan(const std::shared_ptr<Link> &link, const std::shared_ptr<Job> &job,
                        const std::shared_ptr<CopyPlanning> &planner, const PlanJobRequest &request);
    std::optional<PlanJobRequest> scanSucceeded(const ScanJobResult &scanned);
    void scanEnded(bool cancelled, const QString &error = QString());
    void applyCopyProgress(const CopyProgress &progress);
    void applyQualityStatus(const QString &fileName, QualityCheckKind check, qint64 total);
    void runCopy(const CopyPlan &plan, const QualityCheckOptions &options);
    void copyFinished(CopyBatchResult batch, QualityCheckBatchResult quality, const QualityCheckOptions &options,
                      const CopyPlan &plan, const std::optional<QString> &copierFailure, bool checksCancelled);

    // services
    std::shared_ptr<SelectionReading> m_selectionReader;
    std::shared_ptr<RAWScanning> m_scanner;
    std::shared_ptr<CopyPlanning> m_planner;
    std::shared_ptr<SafeCopying> m_copier;
    std::shared_ptr<QualityChecking> m_qualityChecker;
    std::shared_ptr<FileHashing> m_candidateHasher;
    std::unique_ptr<WorkflowPanels> m_panels;
    std::unique_ptr<WorkflowPlatform> m_platform;
    std::unique_ptr<SessionStore> m_session; // after the platform, whose access it closes
    std::shared_ptr<Link> m_link;
    std::unique_ptr<SetupChoices> m_setup;
    std::unique_ptr<ScreenshotSelection> m_screenshots;

    // published state
    WorkflowStage m_stage = WorkflowStage::setup;
    ScanProgress m_scanProgress;
    CopyProgress m_copyProgress;
    std::optional<QualityCheckKind> m_runningQualityCheck;
    QList<SelectionResult> m_results;
    QList<AppWarning> m_warnings;
    CopyPlan m_copyPlan;
    QList<CopyReportRow> m_reportRows;
    std::optional<CopyBatchResult> m_copyResult;
    QualityCheckBatchResult m_qualityResult;
    QualityCheckOptions m_completedQualityOptions;
    QString m_statusMessage;
    std::optional<QString> m_errorMessage;
    bool m_planPending = false;
    QList<ResultSettlement> m_settlements;
    bool m_checksCancelled = false;

    // private state
    std::shared_ptr<Job> m_operationJob;
    std::shared_ptr<Job> m_planJob;
    quint64 m_planGeneration = 0; // the latest plan asked for; older plans are dropped
    bool m_copyAfterPlan = false; // startCopy waits for the pending plan
    qint64 m_identicalCandidatesMerged = 0;
    bool m_reportSaved = false;
    std::optional<QualityCheckKind> m_checkKind;
    qint64 m_checkDone = 0;
    qint64 m_checkTotal = 0;
    ManualChoices m_choices;
    // The job as it stood when its first copy started: a retry settles it all again from these.
    QList<SelectionResult> m_resultsBeforeCopy;
    CopyPlan m_jobPlan;
    CopyPlan m_runningPlan; // the tasks of the copy running now
    bool m_retrying = false;
};

} // namespace quillmore
