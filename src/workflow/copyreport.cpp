#include "copyreport.h"

#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"

#include "platform/fileoperations.h"

#include <QHash>
#include <QUuid>

namespace quillmore {
namespace {

QString joinNonEmpty(const QStringList &parts, const QString &separator)
{
    QStringList kept;
    for (const QString &p : parts)
        if (!p.isEmpty())
            kept << p;
    return kept.join(separator);
}

// The outcome of a result the batch has no outcome for and no conflict kept out of the plan.
ResultOutcome noOutcome(const SelectionResult &result, const CopyPlan &plan, bool cancelled,
                        std::optional<CopyFailureCause> *cause)
{
    switch (result.status) {
    case SelectionStatus::notFound: return ResultOutcome::notFound;
    case SelectionStatus::ambiguous: return ResultOutcome::notChosen;
    case SelectionStatus::skipped: return ResultOutcome::skippedByYou;
    case SelectionStatus::existsAtDestination: return ResultOutcome::alreadyInDestination;
    default: break;
    }
    if (!result.chosenRAW)
        return result.candidates.size() > 1 ? ResultOutcome::notChosen : ResultOutcome::notFound;
    for (const CopyPreflightIssue &issue : plan.issues) {
        if (issue.kind == CopyPreflightIssueKind::sourceUnavailable && issue.selectionIDs.contains(result.id())) {
            *cause = CopyFailureCause::sourceMissing;
            return ResultOutcome::failed;
        }
    }
    if (cancelled)
        return ResultOutcome::cancelled;
    if (result.status == SelectionStatus::failed) {
        *cause = CopyFailureCause::other;
        return ResultOutcome::failed;
    }
    // Planned but never attempted, without a cancellation: the copy did not run.
    *cause = CopyFailureCause::other;
    return ResultOutcome::failed;
}

} // namespace

QString rawValue(ResultOutcome v)
{
    switch (v) {
    case ResultOutcome::copied: return QStringLiteral("copied");
    case ResultOutcome::failed: return QStringLiteral("failed");
    case ResultOutcome::cancelled: return QStringLiteral("cancelled");
    case ResultOutcome::alreadyInDestination: return QStringLiteral("alreadyInDestination");
    case ResultOutcome::notFound: return QStringLiteral("notFound");
    case ResultOutcome::notChosen: return QStringLiteral("notChosen");
    case ResultOutcome::skippedByYou: return QStringLiteral("skippedByYou");
    }
    return {};
}

QString outcomeText(ResultOutcome outcome)
{
    return localized(QStringLiteral("outcome.") + rawValue(outcome));
}

// Every outcome key, spelled out so that the key check finds them.
[[maybe_unused]] static const char *const kOutcomeKeys[] = {
    L10N("outcome.copied"),       L10N("outcome.failed"),
    L10N("outcome.cancelled"),    L10N("outcome.alreadyInDestination"),
    L10N("outcome.notFound"),     L10N("outcome.notChosen"),
    L10N("outcome.skippedByYou"),
};

QList<ResultOutcome> allResultOutcomes()
{
    return {ResultOutcome::copied,      ResultOutcome::failed,
            ResultOutcome::cancelled,   ResultOutcome::alreadyInDestination,
            ResultOutcome::notFound,    ResultOutcome::notChosen,
            ResultOutcome::skippedByYou};
}

SettledCopy settleCopy(const QList<SelectionResult> &results, const CopyBatchResult &batch, const CopyPlan &plan,
                       SearchTarget target, const QualityCheckBatchResult &quality)
{
    SettledCopy settled;
    if (results.isEmpty())
        return settled;
    const CopyFileKind primaryKind = target == SearchTarget::raw ? CopyFileKind::raw : CopyFileKind::jpeg;

    // Primary outcomes by source; the first of a path wins.
    QHash<QString, const CopyFileOutcome *> primaryBySource;
    for (const CopyFileOutcome &outcome : batch.outcomes) {
        if (outcome.kind != primaryKind)
            continue;
        const QString key = standardizedPath(outcome.sourceURL);
        if (!primaryBySource.contains(key))
            primaryBySource.insert(key, &outcome);
    }

    // Failed sidecars, per selected name.
    QHash<QString, const CopyFileOutcome *> sidecarBySource; // the first of a path
    for (const CopyFileOutcome &outcome : batch.outcomes) {
        if (outcome.kind != CopyFileKind::xmp)
            continue;
        const QString key = standardizedPath(outcome.sourceURL);
        if (!sidecarBySource.contains(key))
            sidecarBySource.insert(key, &outcome);
    }
    QHash<QUuid, QStringList> xmpErrors;
    // Sidecars that could not be planned (gone, or not a file) are told on their own.
    for (const CopyPreflightIssue &issue : plan.issues) {
        if (issue.kind != CopyPreflightIssueKind::sourceUnavailable || !issue.sourceURL
            || !hasExtensionIn(lastPathComponent(*issue.sourceURL), {QStringLiteral("xmp")}))
            continue;
        for (const QUuid &id : issue.selectionIDs)
            xmpErrors[id].append(QStringLiteral("XMP: ") + issue.message);
    }
    // The main files that had a task: only those were left undone by a cancellation.
    QSet<QString> plannedSources;
    for (const CopyTaskItem &task : plan.tasks)
        if (task.kind == primaryKind)
            plannedSources.insert(standardizedPath(task.sourceURL));
    for (const CopyTaskItem &task : plan.tasks) {
        if (task.kind != CopyFileKind::xmp)
            continue;
        const CopyFileOutcome *outcome = sidecarBySource.value(standardizedPath(task.sourceURL), nullptr);
        if (outcome && outcome->status == CopyOutcomeStatus::failed) {
            const QString text = QStringLiteral("XMP: ")
                + (outcome->message ? *outcome->message : localized("report.status.failed"));
            for (const QUuid &id : task.selectionIDs)
                xmpErrors[id].append(text);
        }
    }

    const QString matchType = target == SearchTarget::raw ? QStringLiteral("RAW") : QStringLiteral("JPEG");
    for (SelectionResult result : results) {
        const CopyFileOutcome *outcome = nullptr;
        if (result.chosenRAW)
            outcome = primaryBySource.value(standardizedPath(*result.chosenRAW), nullptr);
        const CopyPreflightIssue *conflict = nullptr;
        for (const CopyPreflightIssue &issue : plan.issues) {
            if ((issue.kind == CopyPreflightIssueKind::alreadyExists
                 || issue.kind == CopyPreflightIssueKind::nameConflict)
                && issue.selectionIDs.contains(result.id()) && isIssueOfChosenFile(issue, result)) {
                conflict = &issue;
                break;
            }
        }

        CopyOutcomeStatus rowOutcome = CopyOutcomeStatus::skipped;
        QString destinationPath;
        QString errorText;
        ResultSettlement settlement{result.id(), result.selection.fileName, ResultOutcome::notFound, std::nullopt};
        if (outcome) {
            switch (outcome->status) {
            case CopyOutcomeStatus::copied: settlement.outcome = ResultOutcome::copied; break;
            case CopyOutcomeStatus::skipped: settlement.outcome = ResultOutcome::alreadyInDestination; break;
            case CopyOutcomeStatus::failed:
                settlement.outcome = ResultOutcome::failed;
                settlement.cause = outcome->cause.value_or(CopyFailureCause::other);
                break;
            }
        } else if (conflict) {
            settlement.outcome = ResultOutcome::alreadyInDestination;
        } else {
            settlement.outcome = noOutcome(result, plan, batch.wasCancelled, &settlement.cause);
        }
        if (outcome) {
            rowOutcome = outcome->status;
            switch (outcome->status) {
            case CopyOutcomeStatus::copied: result.status = SelectionStatus::copied; break;
            case CopyOutcomeStatus::skipped: result.status = SelectionStatus::skipped; break;
            case CopyOutcomeStatus::failed: result.status = SelectionStatus::failed; break;
            }
            destinationPath = outcome->destinationURL.value_or(QString());
            errorText = outcome->message.value_or(QString());
        } else if (conflict) {
            result.status = SelectionStatus::skipped;
            destinationPath = conflict->destinationURL.value_or(QString());
            errorText = conflict->message;
        } else if (result.status == SelectionStatus::failed) {
            // Failed before the copy (its file had gone): the row says so, whatever came after.
            rowOutcome = CopyOutcomeStatus::failed;
            destinationPath = result.destinationURL.value_or(QString());
            errorText = result.message.value_or(QString());
        } else {
            const bool skippedByUser = result.status == SelectionStatus::skipped;
            result.status = SelectionStatus::skipped;
            destinationPath = result.destinationURL.value_or(QString());
            const bool leftUndone = batch.wasCancelled && result.chosenRAW
                && plannedSources.contains(standardizedPath(*result.chosenRAW));
            if (leftUndone)
                errorText = localized("report.error.cancelled");
            else if (result.message)
                errorText = *result.message;
            else if (skippedByUser)
                errorText = localized("report.status.skipped");
        }

        const QStringList sidecarErrors = xmpErrors.value(result.id());
        if (!sidecarErrors.isEmpty()) {
            QStringList parts;
            if (!errorText.isEmpty())
                parts << errorText;
            parts << sidecarErrors;
            errorText = parts.join(QStringLiteral(" | "));
        }

        QString qualityText;
        if (!destinationPath.isEmpty()) {
            const QString key = standardizedPath(destinationPath);
            QStringList texts = orderedRawValues(quality.flagsByDestinationPath.value(key));
            texts << orderedRawValues(quality.skippedByDestinationPath.value(key));
            qualityText = texts.join(QStringLiteral("; "));
            const auto error = quality.errorsByDestinationPath.constFind(key);
            if (error != quality.errorsByDestinationPath.constEnd())
                errorText = joinNonEmpty({errorText, *error}, QStringLiteral(" | "));
        }

        CopyReportRow row;
        row.id = makeId().toString(QUuid::WithoutBraces);
        row.jpegPath = result.selection.fileName;
        row.screenshotSource = result.selection.screenshotSourceNames();
        row.rawPath = result.chosenRAW.value_or(QString());
        row.matchType = matchType;
        row.destinationPath = destinationPath;
        row.outcome = rowOutcome;
        row.status = rowOutcome == CopyOutcomeStatus::copied ? localized("report.status.copied")
            : rowOutcome == CopyOutcomeStatus::failed        ? localized("report.status.failed")
                                                             : localized("report.status.skipped");
        row.qualityFlags = qualityText;
        row.errorMessage = errorText;
        settled.rows.append(row);
        settled.results.append(result);
        settled.settlements.append(settlement);
    }
    return settled;
}

bool isIssueOfChosenFile(const CopyPreflightIssue &issue, const SelectionResult &result)
{
    return !issue.sourceURL || !result.chosenRAW
        || standardizedPath(*issue.sourceURL) == standardizedPath(*result.chosenRAW);
}

QString csvField(const QString &field)
{
    QString out = field;
    if (!out.isEmpty()) {
        const QChar first = out.front();
        // A spreadsheet reads these as the start of a formula; a tab or carriage return in front
        // of one hides it.
        if (first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-')
            || first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r'))
            out.prepend(QLatin1Char('\''));
    }
    if (out.contains(QLatin1Char(',')) || out.contains(QLatin1Char('"')) || out.contains(QLatin1Char('\n'))
        || out.contains(QLatin1Char('\r'))) {
        out.replace(QLatin1String("\""), QLatin1String("\"\""));
        out = QLatin1Char('"') + out + QLatin1Char('"');
    }
    return out;
}

QString csvText(const QList<CopyReportRow> &rows)
{
    QStringList lines{QString::fromLatin1(kReportHeader)};
    for (const CopyReportRow &row : rows) {
        const QStringList fields{row.jpegPath,        row.screenshotSource, row.rawPath,      row.matchType,
                                 row.destinationPath, row.status,           row.qualityFlags, row.errorMessage};
        QStringList escaped;
        for (const QString &f : fields)
            escaped << csvField(f);
        lines << escaped.join(QLatin1Char(','));
    }
    return lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

QByteArray reportFileBytes(const QList<CopyReportRow> &rows)
{
    return QByteArray("\xEF\xBB\xBF") + csvText(rows).toUtf8();
}

void writeFileAtomically(const FileURL &file, const QByteArray &bytes, FileOperations &files)
{
    const QString target = standardizedPath(file);
    const QString folder = parentPath(target);
    const QString temporary = appendingPathComponent(folder,
                                                     QStringLiteral(".") + lastPathComponent(target) + QLatin1Char('.')
                                                         + QUuid::createUuid().toString(QUuid::Id128).left(12)
                                                         + QStringLiteral(".tmp"));
    const auto fail = [&](const FailureError &error) {
        throw FailureError(FailureCode::reportUnwritable, error.errorNumber(), target);
    };
    int fd = -1;
    try {
        fd = files.createExclusive(temporary);
    } catch (const FailureError &error) {
        fail(error);
    }
    try {
        for (qsizetype written = 0; written < bytes.size();)
            written += qsizetype(files.write(fd, bytes.constData() + written, std::size_t(bytes.size() - written)));
        files.flush(fd);
        files.close(fd);
        fd = -1;
        files.rename(temporary, target);
    } catch (const FailureError &error) {
        try {
            if (fd >= 0)
                files.close(fd);
            files.remove(temporary);
        } catch (const FailureError &) {
            // The write's failure is the one to report.
        }
        fail(error);
    }
    // The new name reaches the device with its folder; the report itself is already whole.
    try {
        files.flushFolder(folder);
    } catch (const FailureError &) {
    }
}

void writeFileAtomically(const FileURL &file, const QByteArray &bytes)
{
    writeFileAtomically(file, bytes, realFileOperations());
}

} // namespace quillmore
