#include "rawscanner.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/filewalk.h"
#include "platform/imageheader.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace quillmore {
namespace {

struct IdentityKey {
    std::string key;
    FileIdentity identity;
    bool operator==(const IdentityKey &) const = default;
};

struct IdentityKeyHash {
    std::size_t operator()(const IdentityKey &k) const noexcept
    {
        std::size_t h = std::hash<std::string>()(k.key);
        h ^= std::hash<std::uint64_t>()(k.identity.volume) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        h ^= std::hash<std::uint64_t>()(k.identity.file) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        return h;
    }
};

// True when the location lies in the folder, by the spelling of their paths or once every
// symbolic link in both is resolved.
bool liesIn(const QString &location, const QString &folder)
{
    return isSameOrInside(location, folder) || isSameOrInside(resolvingSymlinks(location), resolvingSymlinks(folder));
}

// True when the two paths name one folder: the same path, or the same device and inode.
bool sameFolder(const QString &a, const QString &b)
{
    if (standardizedPath(a) == standardizedPath(b))
        return true;
    const auto ia = identityOfPath(a);
    return ia && ia == identityOfPath(b);
}

// The locations to walk: each once, and not the ones that the walk of another location reaches.
// A location strictly inside the destination is not reached by the walk of a location that
// contains the destination (that walk leaves the destination out), so it is kept.
QList<QString> locationsToWalk(const QList<QString> &locations, const QString &destination)
{
    const QList<QString> unique = uniqueByStandardizedPath(locations);
    QList<QString> out;
    for (const QString &location : unique) {
        bool reached = false;
        for (const QString &other : unique) {
            if (other == location || !isSameOrInside(location, other))
                continue;
            if (isSameOrInside(location, destination) && isSameOrInside(destination, other))
                continue; // the destination lies between them
            reached = true;
            break;
        }
        if (!reached)
            out.append(location);
    }
    return out;
}

void logDiagnostic(const SelectedJPEG &selection)
{
    const auto d = OCRSelectionMatchingDiagnostic::of(selection);
    QStringList scalars;
    for (quint32 v : d.unicodeScalarValues)
        scalars << QString::number(v);
    qCDebug(lcMatching).noquote() << QStringLiteral(
                                         "OCR raw Vision=%1 extracted=%2 canonical=%3 scalars=%4 normalized=%5")
                                         .arg(privateValue(d.rawVisionRecognizedStrings.join(QStringLiteral(" | "))),
                                              privateValue(d.extractedFileName), privateValue(d.canonicalBaseName),
                                              privateValue(scalars.join(QLatin1Char(','))),
                                              privateValue(d.normalizedBaseName));
}

} // namespace

OCRSelectionMatchingDiagnostic OCRSelectionMatchingDiagnostic::of(const SelectedJPEG &selection)
{
    OCRSelectionMatchingDiagnostic d;
    d.rawVisionRecognizedStrings = selection.rawVisionRecognizedStrings;
    d.extractedFileName = selection.fileName;
    d.canonicalBaseName = selection.baseName;
    for (char32_t cp : selection.baseName.toUcs4())
        d.unicodeScalarValues.append(quint32(cp));
    d.normalizedBaseName = nfc(selection.baseName);
    return d;
}

ScanOutput RawScanner::scanCandidates(const QList<SelectedJPEG> &selections, const QList<FileURL> &locations,
                                      SearchTarget target, const FileURL &destination,
                                      const std::optional<FileURL> &selectionFolder,
                                      const ScanProgressCallback &progress, std::stop_token stop)
{
    std::lock_guard serial(m_serial);
    const auto report = [&](const std::optional<FileURL> &location, qint64 examined, qint64 found) {
        if (progress)
            progress(ScanProgress{location, examined, found});
    };

    // A. Preparation.
    std::unordered_set<std::string> selectionKeys;
    for (const SelectedJPEG &s : selections)
        selectionKeys.insert(encodePath(matchKey(s.baseName)).toStdString());
    if (lcMatching().isDebugEnabled()) {
        for (const SelectedJPEG &s : selections)
            if (!s.sourceScreenshotURLs.isEmpty())
                logDiagnostic(s);
    }

    ScanOutput output;
    output.selections = selections;
    std::unordered_map<std::string, QList<RawCandidate>> candidates;
    std::unordered_set<std::string> seenPaths;
    std::unordered_set<IdentityKey, IdentityKeyHash> seenIdentities;
    qint64 examined = 0;
    qint64 found = 0;

    const QString destinationPath = standardizedPath(destination);
    QList<FileURL> cleaned;
    for (const QString &location : uniqueByStandardizedPath(locations)) {
        if (sameFolder(location, destinationPath)) {
            output.warnings.append(makeWarning(location, L10N("warning.destination.search.skipped")));
            continue;
        }
        cleaned.append(location);
    }
    cleaned = locationsToWalk(cleaned, destinationPath);

    const ExtensionSet extensions(candidateExtensions(target));
    const bool excludeSelection = target == SearchTarget::jpeg && selectionFolder.has_value();
    const bool debugLog = lcMatching().isDebugEnabled();
    std::string pathKey;

    // Folders kept out of every walk, by identity, however the walk reaches them.
    DirectoryWalk::Options options;
    if (const auto identity = identityOfPath(destinationPath))
        options.excludedFolders.push_back(*identity);
    if (excludeSelection) {
        if (const auto identity = identityOfPath(*selectionFolder))
            options.excludedFolders.push_back(*identity);
    }
    // The values of a file are read along with its folder's listing when it may be a candidate.
    options.wantsMetadata = [&extensions, &selectionKeys](std::string_view name) {
        if (!extensions.contains(name))
            return false;
        return selectionKeys.contains(matchKeyUtf8(name.substr(0, std::size_t(extensionDot(name)))));
    };
    options.stop = stop;

    // B. Each location in turn.
    for (const QString &location : std::as_const(cleaned)) {
        throwIfCancelled(stop);
        report(location, examined, found);

        if (excludeSelection && liesIn(location, *selectionFolder)) {
            output.warnings.append(makeWarning(location, L10N("warning.selection.search.skipped")));
            continue;
        }

        DirectoryWalk walk;
        const bool opened = walk.open(
            location,
            [&](const QString &path, int) {
                output.warnings.append(makeWarning(path, L10N("warning.file.unreadable")));
            },
            options);
        if (!opened) {
            output.warnings.append(makeWarning(location, L10N("warning.location.unavailable")));
            continue;
        }
        const std::string resolvedRoot = encodePath(resolvingSymlinks(location)).toStdString();

        const auto progressTest = [&] {
            if (examined % 128 == 0)
                report(parentPath(walk.path()), examined, found);
        };

        while (walk.next()) {
            throwIfCancelled(stop);
            if (!walk.valuesReadable()) {
                output.warnings.append(makeWarning(walk.path(), L10N("warning.file.unreadable")));
                progressTest();
                continue;
            }
            if (walk.kind() == DirectoryWalk::Kind::symbolicLink) {
                walk.skipDescendants();
                continue;
            }
            if (walk.kind() == DirectoryWalk::Kind::directory)
                continue;

            ++examined;
            // The walk asked wantsMetadata (extension, then key) while it listed the folder: only
            // files whose key is a selection's have their values read.
            const bool wanted = walk.metadataWanted();
            const std::string_view name = walk.nameBytes();
            if (debugLog && (wanted || extensions.contains(name))) {
                const std::string_view base = name.substr(0, std::size_t(extensionDot(name)));
                qCDebug(lcMatching).noquote()
                    << QStringLiteral("Filesystem candidate inspected exactName=%1 normalizedBase=%2")
                           .arg(privateValue(walk.name()), privateValue(nfc(decodePath(base))));
            }
            if (!wanted) {
                progressTest();
                continue;
            }
            const std::string_view base = name.substr(0, std::size_t(extensionDot(name)));
            std::string key = matchKeyUtf8(base);

            // A file whose values cannot be read is no candidate: its size, date and identity
            // would be made up.
            FileMetadata metadata;
            if (!walk.readMetadata(metadata)) {
                output.warnings.append(makeWarning(walk.path(), L10N("warning.file.unreadable")));
                progressTest();
                continue;
            }

            pathKey.assign(key);
            pathKey.push_back('\0');
            pathKey.append(resolvedRoot == "/" ? std::string() : resolvedRoot);
            pathKey.push_back('/');
            pathKey.append(walk.relativePathBytes());
            if (!seenPaths.insert(pathKey).second)
                continue;
            if (metadata.identity && !seenIdentities.insert(IdentityKey{key, *metadata.identity}).second)
                continue;

            RawCandidate candidate;
            candidate.url = walk.path();
            candidate.size = metadata.size.value_or(0);
            candidate.modificationDate = metadata.modificationDate;
            if (target == SearchTarget::jpeg) {
                if (const auto pixels = imagePixelSize(candidate.url)) {
                    candidate.pixelWidth = pixels->width;
                    candidate.pixelHeight = pixels->height;
                }
            }
            candidates[key].append(std::move(candidate));
            ++found;
            progressTest();
        }
        throwIfCancelled(stop);
    }

    // C. Completion.
    for (auto &[key, list] : candidates) {
        sortByLocalizedStandard(list, [](const RawCandidate &c) { return c.url; });
        output.candidatesByKey.insert(decodePath(key), std::move(list));
    }
    report(std::nullopt, examined, found);
    output.checkedFiles = examined;
    return output;
}

QList<SelectionResult> buildResults(const QList<SelectedJPEG> &selections,
                                    const QHash<QString, QList<RawCandidate>> &candidatesByKey)
{
    QList<SelectionResult> results;
    results.reserve(selections.size());
    for (const SelectedJPEG &selection : selections) {
        SelectionResult result;
        result.selection = selection;
        const auto it = candidatesByKey.constFind(matchKey(selection.baseName));
        if (it == candidatesByKey.cend() || it->isEmpty()) {
            result.status = SelectionStatus::notFound;
        } else if (it->size() == 1) {
            result.candidates = *it;
            result.chosenRAW = it->first().url;
            result.status = SelectionStatus::found;
        } else {
            result.candidates = *it;
            result.status = SelectionStatus::ambiguous;
        }
        results.append(std::move(result));
    }
    return results;
}

} // namespace quillmore
