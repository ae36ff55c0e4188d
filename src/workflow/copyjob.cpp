#include "copyjob.h"

#include "copyreport.h"
#include "failuretext.h"
#include "jobs.h"
#include "screentexts.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"

#include <QHash>
#include <QSet>

namespace quillmore {
CopyJobResult runCopyJob(const CopyPlan &plan, const QualityCheckOptions &options, const CopyJobServices &services,
                         const CopyJobProgress &progress, std::stop_token stop)
{
    CopyJobResult result;
    CopyBatchResult &batch = result.batch;
    try {
        if (!services.copier)
            throw FailureError(FailureCode::serviceUnavailable);
        ProgressPacer<CopyProgress> pacer;
        const auto deliver = [&](const CopyProgress &value) {
            if (progress.copy)
                progress.copy(value);
        };
        batch = services.copier->copyAll(
            plan.tasks, plan.totalBytes, options.fileCheck,
            [&](const CopyProgress &value) { pacer.offer(value, foldCopyProgress, deliver); }, stop);
        pacer.flush(deliver);
    } catch (const Cancelled &) {
        batch = CopyBatchResult{{}, true, 0};
    } catch (const std::exception &e) {
        // The run broke off: no task is known to be copied.
        const auto *error = dynamic_cast<const FailureError *>(&e);
        result.copierFailure = error ? localized("error.copy.failed.reason", failureText(error->failure()))
                                     : localized("error.copy.failed");
        batch = CopyBatchResult();
        for (const CopyTaskItem &task : plan.tasks) {
            CopyFileOutcome outcome;
            outcome.id = makeId();
            outcome.sourceURL = task.sourceURL;
            outcome.kind = task.kind;
            outcome.status = CopyOutcomeStatus::failed;
            if (error)
                outcome.failure = error->failure();
            else
                outcome.message = localized("copy.error.failed");
            batch.outcomes << outcome;
        }
    }
    if (batch.wasCancelled || result.copierFailure || !options.wantsCheck() || !services.checker)
        return result;
    qint64 checked = 0; // the files the checks look at: the copied pictures
    for (const CopyFileOutcome &o : batch.outcomes)
        if (o.status == CopyOutcomeStatus::copied && o.destinationURL && o.kind != CopyFileKind::xmp)
            ++checked;
    try {
        result.quality = services.checker->runChecks(
            batch.outcomes, options,
            [&](const QString &fileName, QualityCheckKind check) {
                if (progress.check)
                    progress.check(fileName, check, checked);
            },
            stop);
    } catch (const Cancelled &) {
        // The copy itself finished; only the checks stopped.
        result.checksCancelled = true;
        result.quality = QualityCheckBatchResult();
    } catch (const std::exception &e) {
        // The checks broke off: like a cancelled run they have no counts, and the photographer is
        // told why. The copies themselves are complete and verified.
        const auto *error = dynamic_cast<const FailureError *>(&e);
        result.checksFailure = error ? localized("error.quality.failed.reason", failureText(error->failure()))
                                     : localized("error.quality.failed");
        result.checksCancelled = true;
        result.quality = QualityCheckBatchResult();
    }
    return result;
}

CopyProgress foldCopyProgress(const CopyProgress &older, const CopyProgress &newer)
{
    CopyProgress folded = newer;
    folded.completedFiles = std::max(older.completedFiles, newer.completedFiles);
    folded.totalFiles = newer.totalFiles != 0 ? newer.totalFiles : older.totalFiles;
    return folded;
}

std::optional<CopyPlan> runPlanJob(const PlanJobRequest &request, CopyPlanning *planner)
{
    if (!planner)
        return std::nullopt;
    try {
        return planner->makePlan(request.results, request.destination, request.target, request.includeXMP,
                                 request.policy);
    } catch (const std::exception &) {
        return std::nullopt; // the planner does not fail; should it ever, the plan before stays
    }
}

CopyFileKind primaryKind(SearchTarget target)
{
    return target == SearchTarget::raw ? CopyFileKind::raw : CopyFileKind::jpeg;
}

QList<SelectionResult> resultsWithPlan(QList<SelectionResult> results, const CopyPlan &plan, SearchTarget target)
{
    const CopyFileKind kind = primaryKind(target);
    // The destination of the first task of the target's kind that serves each selected name.
    QHash<QUuid, FileURL> destinationByID;
    for (const CopyTaskItem &task : plan.tasks)
        if (task.kind == kind)
            for (const QUuid &id : task.selectionIDs)
                if (!destinationByID.contains(id))
                    destinationByID.insert(id, task.destinationURL);
    for (SelectionResult &result : results) {
        if (!result.chosenRAW || result.status == SelectionStatus::skipped)
            continue;
        result.status = SelectionStatus::readyToCopy;
        const auto found = destinationByID.constFind(result.id());
        result.destinationURL = found != destinationByID.constEnd() ? std::optional<FileURL>(*found) : std::nullopt;
    }
    // Only an issue of the chosen file itself settles a result: a sidecar's issue is its own.
    for (const CopyPreflightIssue &issue : plan.issues) {
        if (issue.kind == CopyPreflightIssueKind::insufficientSpace)
            continue;
        for (SelectionResult &result : results) {
            if (!issue.selectionIDs.contains(result.id()) || !isIssueOfChosenFile(issue, result))
                continue;
            result.status = issue.kind == CopyPreflightIssueKind::sourceUnavailable
                ? SelectionStatus::failed
                : SelectionStatus::existsAtDestination;
            result.destinationURL = issue.destinationURL;
            result.message = issue.message;
        }
    }
    return results;
}

CopyPlan retryPlan(const CopyPlan &jobPlan, const CopyBatchResult &finished)
{
    QSet<QString> copied;
    for (const CopyFileOutcome &o : finished.outcomes)
        if (o.status == CopyOutcomeStatus::copied)
            copied.insert(standardizedPath(o.sourceURL));
    CopyPlan retry;
    for (const CopyPreflightIssue &issue : jobPlan.issues)
        if (issue.kind != CopyPreflightIssueKind::insufficientSpace)
            retry.issues << issue;
    for (const CopyTaskItem &task : jobPlan.tasks) {
        if (copied.contains(standardizedPath(task.sourceURL)))
            continue;
        retry.tasks << task;
        retry.totalBytes += task.size;
    }
    return retry;
}

void joinRetried(CopyBatchResult &batch, QualityCheckBatchResult &quality, const CopyBatchResult &before,
                 const QualityCheckBatchResult &qualityBefore, const CopyPlan &retried)
{
    QSet<QString> retriedPaths;
    for (const CopyTaskItem &task : retried.tasks)
        retriedPaths.insert(standardizedPath(task.sourceURL));
    QList<CopyFileOutcome> merged;
    for (const CopyFileOutcome &o : before.outcomes)
        if (!retriedPaths.contains(standardizedPath(o.sourceURL)))
            merged << o;
    merged << batch.outcomes;
    batch.outcomes = merged;
    batch.copiedBytes += before.copiedBytes;
    QualityCheckBatchResult combined = qualityBefore;
    for (auto it = quality.flagsByDestinationPath.cbegin(); it != quality.flagsByDestinationPath.cend(); ++it)
        combined.flagsByDestinationPath.insert(it.key(), it.value());
    for (auto it = quality.skippedByDestinationPath.cbegin(); it != quality.skippedByDestinationPath.cend(); ++it)
        combined.skippedByDestinationPath.insert(it.key(), it.value());
    for (auto it = quality.errorsByDestinationPath.cbegin(); it != quality.errorsByDestinationPath.cend(); ++it)
        combined.errorsByDestinationPath.insert(it.key(), it.value());
    // The earlier run's errors are worded already; only this run's failures are still to be.
    combined.failuresByDestinationPath = quality.failuresByDestinationPath;
    quality = combined;
}

void wordCopyFailures(CopyBatchResult &batch)
{
    for (CopyFileOutcome &outcome : batch.outcomes) {
        if (!outcome.failure || outcome.message)
            continue;
        const bool knownCause = outcome.cause && *outcome.cause != CopyFailureCause::other;
        outcome.message = knownCause ? failureCauseText(*outcome.cause) : copyFailureText(*outcome.failure);
    }
}

void wordCheckFailures(QualityCheckBatchResult &quality)
{
    for (auto it = quality.failuresByDestinationPath.cbegin(); it != quality.failuresByDestinationPath.cend(); ++it)
        if (it->errorNumber != 0 && quality.errorsByDestinationPath.contains(it.key()))
            quality.errorsByDestinationPath[it.key()] = localized(
                "error.with.reason", quality.errorsByDestinationPath[it.key()], reasonText(it->errorNumber));
}

} // namespace quillmore
