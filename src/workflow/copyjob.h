#pragma once

// The copy job: copies the tasks of a plan safely into the destination, then runs the quality
// checks chosen on the copies. It runs on a worker thread. A failure of one file is that file's
// outcome; a copy or checks that cannot run at all are told in the result, never thrown.

#include "copying/interfaces.h"
#include "quality/interfaces.h"

#include <functional>
#include <optional>
#include <stop_token>

namespace quillmore {

struct CopyJobServices {
    SafeCopying *copier = nullptr;
    QualityChecking *checker = nullptr; // without one, no checks run
};

struct CopyJobProgress {
    // The copy's progress, at most about once a display frame; the last value the copier reports
    // is always handed on before the checks start.
    std::function<void(const CopyProgress &)> copy;
    // A check has reached a file: the file's name, the check, and the number of files it checks.
    std::function<void(const QString &fileName, QualityCheckKind check, qint64 total)> check;
};

struct CopyJobResult {
    CopyBatchResult batch;
    QualityCheckBatchResult quality;
    std::optional<QString> copierFailure; // the words for a copy that could not run at all
    bool checksCancelled = false;         // the copy ran to its end and the checks did not
    std::optional<QString> checksFailure; // the words for checks that broke off
};

CopyJobResult runCopyJob(const CopyPlan &plan, const QualityCheckOptions &options, const CopyJobServices &services,
                         const CopyJobProgress &progress, std::stop_token stop);

// Two progress reports folded into one, as the copy's progress is shown: the newer name and bytes,
// the file counts never going down.
CopyProgress foldCopyProgress(const CopyProgress &older, const CopyProgress &newer);

// What a copy plan is made from: the results as they stand and the options of the copy.
struct PlanJobRequest {
    QList<SelectionResult> results;
    FileURL destination;
    SearchTarget target = SearchTarget::raw;
    bool includeXMP = false;
    ConflictPolicy policy = ConflictPolicy::skip;
    quint64 generation = 0; // which request of the controller's this is
};

// The plan; nothing without a planner or when it fails, and the plan before then stays.
std::optional<CopyPlan> runPlanJob(const PlanJobRequest &request, CopyPlanning *planner);

// The kind of the files searched for: the pictures the copies are counted by.
CopyFileKind primaryKind(SearchTarget target);

// The results as the plan leaves them: ready to copy to their planned destination, or settled by
// an issue of their chosen file.
QList<SelectionResult> resultsWithPlan(QList<SelectionResult> results, const CopyPlan &plan, SearchTarget target);

// Every task of the job that has no copy yet, to the destination it was planned for: the safe copy
// never leaves a file at a final name it did not finish.
CopyPlan retryPlan(const CopyPlan &jobPlan, const CopyBatchResult &finished);

// A retry's outcomes and checks joined to those of the run before: the earlier outcomes of the
// files not tried again stay, and so do their checks.
void joinRetried(CopyBatchResult &batch, QualityCheckBatchResult &quality, const CopyBatchResult &before,
                 const QualityCheckBatchResult &qualityBefore, const CopyPlan &retried);

// The words for each failed outcome that has none yet: its cause where known, else its failure.
void wordCopyFailures(CopyBatchResult &batch);
// A check's error message gains the reason of the failure behind it, where there is one.
void wordCheckFailures(QualityCheckBatchResult &quality);

} // namespace quillmore
