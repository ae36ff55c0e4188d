#include "copyplanner.h"

#include "model/localization.h"
#include "platform/fileoperations.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QHash>

#include <algorithm>
#include <map>
#include <vector>

namespace quillmore {
namespace {

struct Source {
    FileURL location;
    QSet<QUuid> ids;
};

struct Pending {
    FileURL location;
    CopyFileKind kind;
    QSet<QUuid> ids;
};

CopyPreflightIssue makeIssue(CopyPreflightIssueKind kind, const std::optional<FileURL> &source,
                             const std::optional<FileURL> &destination, const QSet<QUuid> &ids,
                             const char *messageKey)
{
    CopyPreflightIssue issue;
    issue.id = makeId();
    issue.kind = kind;
    issue.sourceURL = source;
    issue.destinationURL = destination;
    issue.selectionIDs = ids;
    issue.message = localized(messageKey);
    return issue;
}

// base_2.ext, base_3.ext, ... : the first that is free on disk and not yet given to a task.
QString numberedName(FileOperations &files, const FileURL &destination, const QString &fileName,
                     const QSet<QString> &reserved)
{
    const QString base = nfc(deletingPathExtension(fileName));
    const QString extension = pathExtension(fileName);
    for (qint64 n = 2;; ++n) {
        QString name = base + QLatin1Char('_') + QString::number(n);
        if (!extension.isEmpty())
            name += QLatin1Char('.') + extension;
        if (!reserved.contains(name.toLower())
            && !files.exists(appendingPathComponent(destination, name), false))
            return name;
    }
}

} // namespace

bool codePointLess(const QString &a, const QString &b)
{
    const QString x = nfc(a);
    const QString y = nfc(b);
    // UTF-16 code units order the same as code points except that U+E000..U+FFFF sort below the
    // surrogate pairs; walk the code points.
    qsizetype i = 0, j = 0;
    while (i < x.size() && j < y.size()) {
        char32_t cx = x.at(i).unicode();
        char32_t cy = y.at(j).unicode();
        if (QChar::isHighSurrogate(cx) && i + 1 < x.size() && x.at(i + 1).isLowSurrogate())
            cx = QChar::surrogateToUcs4(char16_t(cx), x.at(++i).unicode());
        if (QChar::isHighSurrogate(cy) && j + 1 < y.size() && y.at(j + 1).isLowSurrogate())
            cy = QChar::surrogateToUcs4(char16_t(cy), y.at(++j).unicode());
        if (cx != cy)
            return cx < cy;
        ++i;
        ++j;
    }
    return (x.size() - i) < (y.size() - j);
}

CopyPlanner::CopyPlanner(FileOperations *fileManager)
    : m_fileManager(fileManager ? *fileManager : realFileOperations())
{
}

CopyPlan CopyPlanner::makePlan(const QList<SelectionResult> &results, const FileURL &destinationFolder,
                               SearchTarget searchTarget, bool includeXMP, ConflictPolicy conflictPolicy)
{
    std::lock_guard lock(m_mutex);
    FileOperations &files = m_fileManager;
    const FileURL destination = standardizedPath(destinationFolder);

    // 1. One source per standardised path, holding every selected name that leads to it.
    QHash<QString, qsizetype> indexByPath;
    std::vector<Source> sources;
    for (const SelectionResult &result : results) {
        if (result.status == SelectionStatus::skipped || !result.chosenRAW)
            continue;
        const FileURL location = standardizedPath(*result.chosenRAW);
        const auto found = indexByPath.constFind(location);
        if (found != indexByPath.constEnd()) {
            sources[std::size_t(*found)].ids.insert(result.selection.id);
        } else {
            indexByPath.insert(location, qsizetype(sources.size()));
            sources.push_back(Source{location, {result.selection.id}});
        }
    }

    // 2. Code-point order of the composed paths.
    std::stable_sort(sources.begin(), sources.end(),
                     [](const Source &a, const Source &b) { return codePointLess(a.location, b.location); });

    // 3. Sidecars: base name + .xmp (any case) in the source's own folder.
    const bool wantSidecars = includeXMP && searchTarget == SearchTarget::raw;
    QHash<QString, FileURL> sidecarOf;
    if (wantSidecars) {
        std::map<QString, QList<FileURL>> byFolder;
        for (const Source &s : sources)
            byFolder[parentPath(s.location)].append(s.location);
        for (const auto &[folder, members] : byFolder) {
            const auto names = files.visibleEntryNames(folder);
            if (!names)
                continue;
            QList<FileURL> sidecars;
            for (const QString &name : *names) {
                if (pathExtension(name).toLower() == QLatin1String("xmp"))
                    sidecars << appendingPathComponent(folder, name);
            }
            sortByLocalizedStandard(sidecars, [](const FileURL &p) { return p; });
            QHash<QString, FileURL> byKey;
            for (const FileURL &sidecar : sidecars) {
                const QString key = matchKey(deletingPathExtension(lastPathComponent(sidecar)));
                if (!byKey.contains(key))
                    byKey.insert(key, sidecar);
            }
            for (const FileURL &source : members) {
                const auto match = byKey.constFind(matchKey(deletingPathExtension(lastPathComponent(source))));
                if (match != byKey.constEnd())
                    sidecarOf.insert(source, *match);
            }
        }
    }

    // 4. Main files in order, each followed by its sidecar.
    const CopyFileKind mainKind = searchTarget == SearchTarget::raw ? CopyFileKind::raw : CopyFileKind::jpeg;
    std::vector<Pending> pending;
    pending.reserve(sources.size());
    for (const Source &s : sources) {
        pending.push_back(Pending{s.location, mainKind, s.ids});
        if (wantSidecars) {
            const auto sidecar = sidecarOf.constFind(s.location);
            if (sidecar != sidecarOf.constEnd())
                pending.push_back(Pending{*sidecar, CopyFileKind::xmp, s.ids});
        }
    }

    // 5. Each item against the destination and the names already given out.
    CopyPlan plan;
    QSet<QString> reserved;
    for (const Pending &item : pending) {
        if (!files.exists(item.location, true)) {
            plan.issues << makeIssue(CopyPreflightIssueKind::sourceUnavailable, item.location, std::nullopt,
                                     item.ids, L10N("copy.error.source.unavailable"));
            continue;
        }
        const QString fileName = lastPathComponent(item.location);
        const FileURL candidate = appendingPathComponent(destination, fileName);
        // A symbolic link at the name takes it even when it leads nowhere: the copy could not be
        // moved there without replacing it.
        const bool onDisk = files.exists(candidate, false);
        const bool clash = onDisk || reserved.contains(fileName.toLower());
        FileURL target = candidate;
        if (clash) {
            if (conflictPolicy == ConflictPolicy::skip) {
                plan.issues << makeIssue(onDisk ? CopyPreflightIssueKind::alreadyExists
                                                : CopyPreflightIssueKind::nameConflict,
                                         item.location, candidate, item.ids, L10N("copy.conflict.skipped"));
                continue;
            }
            target = appendingPathComponent(destination, numberedName(files, destination, fileName, reserved));
        }
        reserved.insert(lastPathComponent(target).toLower());
        CopyTaskItem task;
        task.id = makeId();
        task.sourceURL = standardizedPath(item.location);
        task.destinationURL = standardizedPath(target);
        task.kind = item.kind;
        task.selectionIDs = item.ids;
        const auto attributes = files.attributes(item.location);
        task.size = attributes ? attributes->size : 0;
        plan.totalBytes += task.size;
        plan.tasks << task;
    }

    // 7. Free space, without a margin; no check when it cannot be read.
    const auto available = files.availableCapacity(destination);
    if (available && *available < plan.totalBytes) {
        plan.issues << makeIssue(CopyPreflightIssueKind::insufficientSpace, std::nullopt, destination, {},
                                 L10N("error.insufficient.space"));
    }
    return plan;
}

} // namespace quillmore
