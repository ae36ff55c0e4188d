#pragma once

// The end of a copy run: every result settled from the copy outcomes and the plan, one report
// row per selected name, and the report as a CSV file a spreadsheet opens.

#include "model/records.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace quillmore {

class FileOperations;

// What became of one selected name after a copy, in one word each: the report's "Skipped" is
// told apart here as not found, not chosen, skipped by the user, already in the destination or
// cancelled.
enum class ResultOutcome { copied, failed, cancelled, alreadyInDestination, notFound, notChosen, skippedByYou };

QString rawValue(ResultOutcome v);
// The word shown for an outcome: the text of "outcome.<raw value>".
QString outcomeText(ResultOutcome outcome);
QList<ResultOutcome> allResultOutcomes();

struct ResultSettlement {
    QUuid id;
    QString fileName; // the selected name
    ResultOutcome outcome = ResultOutcome::notFound;
    std::optional<CopyFailureCause> cause; // failed only

    bool operator==(const ResultSettlement &) const = default;
};

struct SettledCopy {
    QList<SelectionResult> results;      // the same results, only their status changed
    QList<CopyReportRow> rows;           // one per result, in result order
    QList<ResultSettlement> settlements; // one per result, in result order
};

// Settles every result as copied, skipped or failed and builds the report rows. With no
// results, no rows.
SettledCopy settleCopy(const QList<SelectionResult> &results, const CopyBatchResult &batch, const CopyPlan &plan,
                       SearchTarget target, const QualityCheckBatchResult &quality);

// Whether a plan issue concerns the result's chosen file itself (and not, say, its sidecar).
bool isIssueOfChosenFile(const CopyPreflightIssue &issue, const SelectionResult &result);

inline constexpr const char *kReportHeader =
    "Selection filename,Screenshot source,Matched file path,Match Type,Destination path,Status,Quality Flags,Error";
inline constexpr const char *kDefaultReportFileName = "Quillmore-report.csv";

// One field as written in the CSV: a leading "=", "+", "-", "@", tab or carriage return
// neutralised with an apostrophe,
// then quoted when it holds a comma, a double quote or a line break.
QString csvField(const QString &field);
// The header and one line per row, each ended by CR LF.
QString csvText(const QList<CopyReportRow> &rows);
// The bytes of a saved report: a UTF-8 byte order mark and the CSV text in UTF-8.
QByteArray reportFileBytes(const QList<CopyReportRow> &rows);

// Writes the bytes in full to a hidden temporary file beside the target, flushes it to the
// device and then renames it into place, replacing an existing file. On failure (a full disk, a
// failing flush) the target is untouched and no temporary file is left; throws FailureError
// (reportUnwritable, with the error number).
void writeFileAtomically(const FileURL &file, const QByteArray &bytes, FileOperations &files);
void writeFileAtomically(const FileURL &file, const QByteArray &bytes);

} // namespace quillmore
