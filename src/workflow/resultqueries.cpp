#include "resultqueries.h"

#include "copyjob.h"

#include "model/localization.h"

namespace quillmore {
namespace {

template <typename T, typename Keep>
QList<T> filtered(const QList<T> &items, Keep keep)
{
    QList<T> out;
    for (const T &item : items)
        if (keep(item))
            out << item;
    return out;
}

} // namespace

QList<SelectionResult> foundResults(const QList<SelectionResult> &results)
{
    return filtered(results,
                    [](const SelectionResult &r) { return r.chosenRAW && r.status != SelectionStatus::skipped; });
}

QList<SelectionResult> resultsWithStatus(const QList<SelectionResult> &results, SelectionStatus status)
{
    return filtered(results, [status](const SelectionResult &r) { return r.status == status; });
}

QList<CopyTaskItem> primaryTasks(const CopyPlan &plan, SearchTarget target)
{
    const CopyFileKind primary = primaryKind(target);
    return filtered(plan.tasks, [primary](const CopyTaskItem &t) { return t.kind == primary; });
}

QList<CopyFileOutcome> outcomesWith(const std::optional<CopyBatchResult> &batch, CopyOutcomeStatus status,
                                    std::optional<CopyFileKind> kind)
{
    if (!batch)
        return {};
    return filtered(batch->outcomes,
                    [&](const CopyFileOutcome &o) { return o.status == status && (!kind || o.kind == *kind); });
}

QList<CopyReportRow> rowsWith(const QList<CopyReportRow> &rows, CopyOutcomeStatus outcome)
{
    return filtered(rows, [outcome](const CopyReportRow &row) { return row.outcome == outcome; });
}

qint64 settledCount(const QList<ResultSettlement> &settlements, ResultOutcome outcome)
{
    qint64 n = 0;
    for (const ResultSettlement &settlement : settlements)
        n += settlement.outcome == outcome ? 1 : 0;
    return n;
}

QPair<qint64, qint64> pictureProgress(const CopyPlan &plan, SearchTarget target, qint64 completedFiles)
{
    const CopyFileKind primary = primaryKind(target);
    qint64 done = 0;
    qint64 total = 0;
    for (qsizetype i = 0; i < plan.tasks.size(); ++i) {
        if (plan.tasks.at(i).kind != primary)
            continue;
        ++total;
        done += i < completedFiles ? 1 : 0;
    }
    return {done, total};
}

CompletionKind completionKind(const std::optional<CopyBatchResult> &batch, const QList<ResultSettlement> &settlements,
                              bool checksCancelled)
{
    if (batch && batch->wasCancelled)
        return CompletionKind::cancelled;
    if (!outcomesWith(batch, CopyOutcomeStatus::failed).isEmpty()
        || settledCount(settlements, ResultOutcome::failed) > 0)
        return settledCount(settlements, ResultOutcome::copied) == 0 ? CompletionKind::nothingCopied
                                                                     : CompletionKind::someFailed;
    // The copy itself finished; only the checks stopped.
    return checksCancelled ? CompletionKind::checksCancelled : CompletionKind::allCopied;
}

const char *completionStatusKey(CompletionKind kind)
{
    switch (kind) {
    case CompletionKind::allCopied: return L10N("status.copy.complete");
    case CompletionKind::someFailed: return L10N("status.copy.failed");
    case CompletionKind::nothingCopied: return L10N("status.copy.nothing");
    case CompletionKind::cancelled: return L10N("status.copy.cancelled");
    case CompletionKind::checksCancelled: return L10N("status.checks.cancelled");
    }
    return L10N("status.copy.complete");
}

} // namespace quillmore
