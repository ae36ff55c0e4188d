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

} // namespace

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
            if ((issue.kind == CopyPreflightIssueKind::alreadyExists || issue.kind == CopyPreflightIssueKind::nameConflict)
                && issue.selectionIDs.contains(result.id()) && isIssueOfChosenFile(issue, result)) {
                conflict = &issue;
                break;
            }
        }

        const char *statusKey = L10N("report.status.skipped");
        QString destinationPath;
        QString errorText;
        if (outcome) {
            switch (outcome->status) {
            case CopyOutcomeStatus::copied:
                result.status = SelectionStatus::copied;
                statusKey = L10N("report.status.copied");
                break;
            case CopyOutcomeStatus::skipped:
                result.status = SelectionStatus::skipped;
                statusKey = L10N("report.status.skipped");
                break;
            case CopyOutcomeStatus::failed:
                result.status = SelectionStatus::failed;
                statusKey = L10N("report.status.failed");
                break;
            }
            destinationPath = outcome->destinationURL.value_or(QString());
            errorText = outcome->message.value_or(QString());
        } else if (conflict) {
            result.status = SelectionStatus::skipped;
            destinationPath = conflict->destinationURL.value_or(QString());
            errorText = conflict->message;
        } else if (result.status == SelectionStatus::failed) {
            // Failed before the copy (its file had gone): the row says so, whatever came after.
            statusKey = L10N("report.status.failed");
            destinationPath = result.destinationURL.value_or(QString());
            errorText = result.message.value_or(QString());
        } else {
            result.status = SelectionStatus::skipped;
            destinationPath = result.destinationURL.value_or(QString());
            const bool leftUndone = batch.wasCancelled && result.chosenRAW
                && plannedSources.contains(standardizedPath(*result.chosenRAW));
            errorText = leftUndone ? localized("report.error.cancelled") : result.message.value_or(QString());
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
        row.status = localized(statusKey);
        row.qualityFlags = qualityText;
        row.errorMessage = errorText;
        settled.rows.append(row);
        settled.results.append(result);
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
        const QStringList fields{row.jpegPath,        row.screenshotSource, row.rawPath,
                                 row.matchType,       row.destinationPath,  row.status,
                                 row.qualityFlags,    row.errorMessage};
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
    const QString temporary = appendingPathComponent(
        folder, QStringLiteral(".") + lastPathComponent(target) + QLatin1Char('.')
                    + QUuid::createUuid().toString(QUuid::Id128).left(12) + QStringLiteral(".tmp"));
    const auto fail = [&](const PosixError &error) {
        throw LocalizedError(localized("error.report.write", lastPathComponent(target), error.reason()));
    };
    int fd = -1;
    try {
        fd = files.createExclusive(temporary);
    } catch (const PosixError &error) {
        fail(error);
    }
    try {
        for (qsizetype written = 0; written < bytes.size();)
            written += qsizetype(files.write(fd, bytes.constData() + written, std::size_t(bytes.size() - written)));
        files.flush(fd);
        files.close(fd);
        fd = -1;
        files.rename(temporary, target);
    } catch (const PosixError &error) {
        if (fd >= 0)
            files.close(fd);
        files.remove(temporary);
        fail(error);
    }
    // The new name reaches the device with its folder; the report itself is already whole.
    try {
        files.flushFolder(folder);
    } catch (const PosixError &) {
    }
}

void writeFileAtomically(const FileURL &file, const QByteArray &bytes)
{
    writeFileAtomically(file, bytes, realFileOperations());
}

} // namespace quillmore
