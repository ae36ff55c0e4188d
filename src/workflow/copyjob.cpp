#include "copyjob.h"

#include "failuretext.h"
#include "jobs.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"

namespace quillmore {
namespace {

// Two reports folded into one with the rule the controller applies to each: the newer name and
// bytes, the file counts never going down.
CopyProgress foldCopyProgress(const CopyProgress &older, const CopyProgress &newer)
{
    CopyProgress folded = newer;
    folded.completedFiles = std::max(older.completedFiles, newer.completedFiles);
    folded.totalFiles = newer.totalFiles != 0 ? newer.totalFiles : older.totalFiles;
    return folded;
}

} // namespace

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

} // namespace quillmore
