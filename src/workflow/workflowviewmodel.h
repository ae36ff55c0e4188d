#pragma once

// The controller of one job: holds the user's choices and everything the screens show, and moves
// the job through its stages (setup, scanning, summary, copying, completed). It lives on the GUI
// thread; its long operations run as background jobs that write state back on the GUI thread
// only. Every published field has a getter and a change signal; `changed()` follows every change.

#include "copyreport.h"
#include "manualchoices.h"
#include "sessionstore.h"
#include "workflowservices.h"

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

// How a copy run ended, as the completion screen and the status strip tell it.
enum class CompletionKind { allCopied, someFailed, nothingCopied, cancelled, checksCancelled };

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
    const std::optional<FileURL> &selectionFolder() const { return m_selectionFolder; }
    bool selectionRequiresReauthorization() const { return m_selectionRequiresReauthorization; }
    // The number of pictures in the selection folder, once counted; nothing while counting or
    // without a readable folder.
    std::optional<qint64> selectionPictureCount() const { return m_selectionPictureCount; }
    SelectionInputMode selectionInputMode() const { return m_selectionInputMode; }
    const QList<FileURL> &screenshotURLs() const { return m_screenshotURLs; }
    const ScreenshotCandidateList &screenshotCandidateList() const { return m_screenshotCandidateList; }
    const ScreenshotOCRProgress &screenshotProgress() const { return m_screenshotProgress; }
    qint64 screenshotCount() const { return m_screenshotCount; }
    qint64 screenshotFilenameOccurrences() const { return m_screenshotFilenameOccurrences; }
    qint64 screenshotDuplicatesRemoved() const { return m_screenshotDuplicatesRemoved; }
    const QList<AppWarning> &screenshotWarnings() const { return m_screenshotWarnings; }
    bool isReadingScreenshots() const { return m_isReadingScreenshots; }
    bool isShowingScreenshotReview() const { return m_isShowingScreenshotReview; }
    const QList<SearchLocation> &searchLocations() const { return m_searchLocations; }
    const std::optional<FileURL> &destinationFolder() const { return m_destinationFolder; }
    bool destinationRequiresReauthorization() const { return m_destinationRequiresReauthorization; }
    SearchTarget searchTarget() const { return m_searchTarget; }
    bool includeXMP() const { return m_includeXMP; }
    ConflictPolicy conflictPolicy() const { return m_conflictPolicy; }
    bool blurCheckEnabled() const { return m_blurCheckEnabled; }
    bool duplicateCheckEnabled() const { return m_duplicateCheckEnabled; }
    bool fileCheckEnabled() const { return m_fileCheckEnabled; }
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
    bool screenshotListEdited() const { return m_screenshotListEdited; }
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
    QList<SelectionResult> foundResults() const;
    QList<SelectionResult> notFoundResults() const;
    QList<SelectionResult> ambiguousResults() const;
    QList<CopyTaskItem> primaryCopyTasks() const;
    QList<CopyFileOutcome> copiedPrimaryOutcomes() const;
    QList<CopyFileOutcome> copiedSidecarOutcomes() const;
    QList<CopyFileOutcome> failedOutcomes() const;
    QList<CopyReportRow> skippedReportRows() const;
    qint64 settledCount(ResultOutcome outcome) const;
    CompletionKind completionKind() const;
    // Some files of the finished run failed or were never attempted and can be copied again.
    bool canRetry() const;
    // Pictures (main files) done and planned in the running copy; sidecars are not counted.
    QPair<qint64, qint64> pictureProgress() const;
    // True when a typed or recognised name can be searched for.
    static bool isValidScreenshotName(const QString &name);
    // Folders and files whose access is open, by standardised path.
    QList<QString> activeScopePaths() const { return m_session->activeScopePaths(); }

    // ---- set-up ----
    // Open the folder panel for one folder and take the first chosen.
    void chooseSelectionFolder();
    void chooseDestinationFolder();
    void setSelectionFolder(const FileURL &url);
    bool dropSelectionFolder(const QList<FileURL> &urls);
    void setDestinationFolder(const FileURL &url);
    bool dropDestinationFolder(const QList<FileURL> &urls);
    void addSearchLocations();
    bool dropSearchLocations(const QList<FileURL> &urls);
    void removeSearchLocation(const QUuid &id);
    void reauthorizeSearchLocation(const QUuid &id);
    void setSearchLocations(const QList<FileURL> &urls);
    // Reads the screenshots not read yet and adds their names to the list under review.
    void selectScreenshots(const QList<FileURL> &urls);
    // Drops the screenshot list, then reads these.
    void replaceScreenshots(const QList<FileURL> &urls);
    bool dropScreenshots(const QList<FileURL> &urls);
    // Opens the screenshot panel and reads what was chosen: added to the names read before, or,
    // when replacing, in their place.
    void chooseScreenshots(bool replacing = false);
    void cancelScreenshotReading();
    void addScreenshotFilename();
    void removeScreenshotFilename(const QUuid &id);
    void updateScreenshotFilename(const QUuid &id, const QString &name);
    void setShowingScreenshotReview(bool showing);
    void setSearchTarget(SearchTarget target);
    void setIncludeXMP(bool include);
    void setConflictPolicy(ConflictPolicy policy);
    void setBlurCheckEnabled(bool enabled);
    void setDuplicateCheckEnabled(bool enabled);
    void setFileCheckEnabled(bool enabled);
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
    struct PlanRequest;

    template <typename T>
    void assign(T &field, const T &value, void (WorkflowViewModel::*signal)());
    void setStatus(const char *key);
    void setError(const char *key);
    void setErrorText(const QString &text);

    void countSelection();
    void saveBookmarks(const QList<FileURL> &urls, const char *key);
    void clearScreenshots();
    // Drops the results of the job and all that was made from them (plan, copies, report),
    // cancelling its jobs, and moves to the given stage.
    void clearJobState(WorkflowStage stage, const char *statusKey);
    void newScreenshotGeneration();
    void storeCheck(const char *key, bool enabled);
    void preparePanel(PanelPurpose purpose);
    // Opens the folder panel for one folder; the folder chosen, remembered for the next panel of its kind.
    std::optional<FileURL> chooseOneFolder(PanelPurpose purpose);
    void rememberPanelFolder(PanelPurpose purpose, const FileURL &chosen);
    void startScreenshotJob(const QList<FileURL> &urls, bool appending);
    void screenshotsRead(const ScreenshotOCRResult &result, const QList<FileURL> &urls, bool appending);
    void replaceResult(const SelectionResult &result);

    std::optional<PlanRequest> makePlanRequest();
    void applyPlanResult(const CopyPlan &plan, quint64 generation, const std::shared_ptr<Job> &job);
    void planDropped(quint64 generation);
    void applyPlan(const CopyPlan &plan);
    void cancel(std::shared_ptr<Job> &job, bool detach);
    bool isCurrentOperation(const std::shared_ptr<Job> &job) const { return job && job == m_operationJob; }

    static void runPlan(const std::shared_ptr<Link> &link, const std::shared_ptr<Job> &job,
                        const std::shared_ptr<CopyPlanning> &planner, const PlanRequest &request);
    std::optional<PlanRequest> scanSucceeded(const ScanJobResult &scanned);
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
    std::shared_ptr<ScreenshotOCRProcessing> m_screenshotProcessor;
    std::shared_ptr<FileHashing> m_candidateHasher;
    std::unique_ptr<WorkflowPanels> m_panels;
    std::unique_ptr<WorkflowPlatform> m_platform;
    std::unique_ptr<SessionStore> m_session; // after the platform, whose access it closes
    std::shared_ptr<Link> m_link;

    // published state
    std::optional<FileURL> m_selectionFolder;
    bool m_selectionRequiresReauthorization = false;
    std::optional<qint64> m_selectionPictureCount;
    SelectionInputMode m_selectionInputMode = SelectionInputMode::folder;
    QList<FileURL> m_screenshotURLs;
    ScreenshotCandidateList m_screenshotCandidateList;
    ScreenshotOCRProgress m_screenshotProgress;
    qint64 m_screenshotCount = 0;
    qint64 m_screenshotFilenameOccurrences = 0;
    qint64 m_screenshotDuplicatesRemoved = 0;
    QList<AppWarning> m_screenshotWarnings;
    bool m_isReadingScreenshots = false;
    bool m_isShowingScreenshotReview = false;
    QList<SearchLocation> m_searchLocations;
    std::optional<FileURL> m_destinationFolder;
    bool m_destinationRequiresReauthorization = false;
    SearchTarget m_searchTarget = SearchTarget::raw;
    bool m_includeXMP = true;
    ConflictPolicy m_conflictPolicy = ConflictPolicy::skip;
    bool m_blurCheckEnabled = false;
    bool m_duplicateCheckEnabled = false;
    bool m_fileCheckEnabled = false;
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
    std::shared_ptr<Job> m_screenshotJob;
    QUuid m_screenshotGeneration;
    quint64 m_planGeneration = 0; // the latest plan asked for; older plans are dropped
    bool m_copyAfterPlan = false; // startCopy waits for the pending plan
    qint64 m_identicalCandidatesMerged = 0;
    bool m_screenshotListEdited = false;
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
    quint64 m_selectionCountGeneration = 0; // the latest count asked for; older ones are dropped
};

} // namespace quillmore
