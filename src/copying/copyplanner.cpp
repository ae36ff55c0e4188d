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
    std::optional<FileURL> sidecar;
};

CopyPreflightIssue makeIssue(CopyPreflightIssueKind kind, const std::optional<FileURL> &source,
                             const std::optional<FileURL> &destination, const QSet<QUuid> &ids, const char *messageKey)
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

CopyPlanner::CopyPlanner(FileOperations *fileManager) : m_fileManager(fileManager ? *fileManager : realFileOperations())
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
        pending.push_back(Pending{s.location, mainKind, s.ids, std::nullopt});
        if (wantSidecars) {
            const auto sidecar = sidecarOf.constFind(s.location);
            if (sidecar != sidecarOf.constEnd())
                pending.back().sidecar = *sidecar;
        }
    }

    // 5. Each main file, with its sidecar, against the destination and the names already given
    // out. A sidecar belongs to its picture: it never lands beside another picture of the same
    // name, and it is not copied when its picture is not.
    CopyPlan plan;
    QSet<QString> reserved;
    const auto taken = [&](const QString &name) {
        return reserved.contains(name.toLower()) || files.exists(appendingPathComponent(destination, name), false);
    };
    // A sidecar belongs to the picture of its name in any case (img_1.XMP to IMG_1.CR3): a
    // sidecar name is taken by an existing file of that name in any case.
    QSet<QString> existingLower;
    if (wantSidecars)
        if (const auto names = files.visibleEntryNames(destination))
            for (const QString &name : *names)
                existingLower.insert(name.toLower());
    const auto sidecarTaken = [&](const QString &name) {
        return taken(name) || existingLower.contains(name.toLower());
    };
    const auto addTask = [&](const FileURL &source, const QString &name, CopyFileKind kind, const QSet<QUuid> &ids) {
        reserved.insert(name.toLower());
        CopyTaskItem task;
        task.id = makeId();
        task.sourceURL = standardizedPath(source);
        task.destinationURL = standardizedPath(appendingPathComponent(destination, name));
        task.kind = kind;
        task.selectionIDs = ids;
        const auto attributes = files.attributes(source);
        task.size = attributes ? attributes->size : 0;
        plan.totalBytes += task.size;
        plan.tasks << task;
    };
    for (const Pending &item : pending) {
        if (!files.exists(item.location, true)) {
            plan.issues << makeIssue(CopyPreflightIssueKind::sourceUnavailable, item.location, std::nullopt, item.ids,
                                     L10N("copy.error.source.unavailable"));
            continue;
        }
        // A sidecar that is gone, or is not a file, is reported on its own; its picture is copied.
        std::optional<FileURL> sidecar = item.sidecar;
        if (sidecar) {
            const auto attributes = files.attributes(*sidecar);
            if (!attributes || !attributes->isRegularFile) {
                plan.issues << makeIssue(CopyPreflightIssueKind::sourceUnavailable, *sidecar, std::nullopt, item.ids,
                                         L10N("copy.error.source.unavailable"));
                sidecar.reset();
            }
        }
        const QString fileName = lastPathComponent(item.location);
        const QString sidecarName = sidecar ? lastPathComponent(*sidecar) : QString();
        // A symbolic link at the name takes it even when it leads nowhere: the copy could not be
        // moved there without replacing it.
        const bool onDisk = files.exists(appendingPathComponent(destination, fileName), false);
        const bool clash = onDisk || reserved.contains(fileName.toLower());
        const bool sidecarClash = sidecar && sidecarTaken(sidecarName);
        if (conflictPolicy == ConflictPolicy::skip || (!clash && !sidecarClash)) {
            if (clash) {
                // The picture is skipped, and so is its sidecar.
                plan.issues << makeIssue(onDisk ? CopyPreflightIssueKind::alreadyExists
                                                : CopyPreflightIssueKind::nameConflict,
                                         item.location, appendingPathComponent(destination, fileName), item.ids,
                                         L10N("copy.conflict.skipped"));
                continue;
            }
            addTask(item.location, fileName, item.kind, item.ids);
            if (!sidecar)
                continue;
            if (sidecarClash) {
                // The picture goes; the sidecar already there is left as it is.
                const FileURL existing = appendingPathComponent(destination, sidecarName);
                plan.issues << makeIssue(files.exists(existing, false) ? CopyPreflightIssueKind::alreadyExists
                                                                       : CopyPreflightIssueKind::nameConflict,
                                         *sidecar, existing, item.ids, L10N("copy.conflict.skipped"));
                continue;
            }
            addTask(*sidecar, sidecarName, CopyFileKind::xmp, item.ids);
            continue;
        }
        // Numbered: the picture and its sidecar take the first numbered base free for both.
        const QString base = nfc(deletingPathExtension(fileName));
        const QString extension = pathExtension(fileName);
        const QString sidecarExtension = pathExtension(sidecarName);
        for (qint64 n = 2;; ++n) {
            const QString numberedBase = base + QLatin1Char('_') + QString::number(n);
            const QString name = extension.isEmpty() ? numberedBase : numberedBase + QLatin1Char('.') + extension;
            const QString numberedSidecar = numberedBase + QLatin1Char('.') + sidecarExtension;
            const bool sidecarBlocked = sidecar
                && (sidecarTaken(numberedSidecar) || numberedSidecar.toLower() == name.toLower());
            if (taken(name) || sidecarBlocked)
                continue;
            addTask(item.location, name, item.kind, item.ids);
            if (sidecar)
                addTask(*sidecar, numberedSidecar, CopyFileKind::xmp, item.ids);
            break;
        }
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
