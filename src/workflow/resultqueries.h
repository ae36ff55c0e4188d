#pragma once

// What the screens read off the job's records: the results of each kind, the outcomes of the
// copies, the settled names and the pictures done. Plain functions of the records.

#include "copyreport.h"

#include <optional>

namespace quillmore {

// How a copy run ended, as the completion screen and the status strip tell it.
enum class CompletionKind { allCopied, someFailed, nothingCopied, cancelled, checksCancelled };

// How the finished run ended: cancelled, some or all of it failed, only its checks cancelled, or
// everything copied.
CompletionKind completionKind(const std::optional<CopyBatchResult> &batch, const QList<ResultSettlement> &settlements,
                              bool checksCancelled);
// The status line's message for a run that ended so.
const char *completionStatusKey(CompletionKind kind);

// Results with a file chosen and not skipped.
QList<SelectionResult> foundResults(const QList<SelectionResult> &results);
QList<SelectionResult> resultsWithStatus(const QList<SelectionResult> &results, SelectionStatus status);
// The plan's tasks of the kind searched for.
QList<CopyTaskItem> primaryTasks(const CopyPlan &plan, SearchTarget target);
// The outcomes with this status, of this kind when one is given.
QList<CopyFileOutcome> outcomesWith(const std::optional<CopyBatchResult> &batch, CopyOutcomeStatus status,
                                    std::optional<CopyFileKind> kind = std::nullopt);
QList<CopyReportRow> rowsWith(const QList<CopyReportRow> &rows, CopyOutcomeStatus outcome);
qint64 settledCount(const QList<ResultSettlement> &settlements, ResultOutcome outcome);
// Pictures (main files) done and planned in a copy of this plan that has completed this many
// files; sidecars are not counted.
QPair<qint64, qint64> pictureProgress(const CopyPlan &plan, SearchTarget target, qint64 completedFiles);

} // namespace quillmore
