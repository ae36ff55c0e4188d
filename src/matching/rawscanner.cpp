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

// The accepted extensions as lower-cased ASCII bytes. Every accepted extension is short ASCII,
// so the test on a walked name needs no Unicode work and no allocation.
class ExtensionTest {
public:
    explicit ExtensionTest(SearchTarget target)
    {
        for (const QString &ext : candidateExtensions(target))
            m_extensions.push_back(ext.toStdString());
    }

    // True when the name's extension is accepted; `dot` is then the position of its full stop.
    bool accepts(std::string_view name, std::size_t &dot) const
    {
        dot = name.rfind('.');
        if (dot == std::string_view::npos || dot == 0)
            return false;
        const std::string_view ext = name.substr(dot + 1);
        if (ext.empty() || ext.size() > sizeof m_lower)
            return false;
        for (std::size_t i = 0; i < ext.size(); ++i) {
            const char c = ext[i];
            m_lower[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        }
        const std::string_view lower(m_lower, ext.size());
        for (const std::string &accepted : m_extensions)
            if (accepted == lower)
                return true;
        return false;
    }

private:
    std::vector<std::string> m_extensions;
    mutable char m_lower[8] = {};
};

// True when `relative` (a path below the walked location) is `prefix` or lies inside it.
bool relativeSameOrInside(std::string_view relative, const std::string &prefix)
{
    if (relative.size() < prefix.size() || relative.compare(0, prefix.size(), prefix) != 0)
        return false;
    return relative.size() == prefix.size() || relative[prefix.size()] == '/';
}

// The path of `inner` relative to `outer` when it lies strictly inside it.
std::optional<std::string> relativeBelow(const QString &inner, const QString &outer)
{
    if (!isSameOrInside(inner, outer) || standardizedPath(inner) == standardizedPath(outer))
        return std::nullopt;
    const QByteArray in = encodePath(standardizedPath(inner));
    const QByteArray out = encodePath(standardizedPath(outer));
    const qsizetype skip = out == "/" ? 1 : out.size() + 1;
    return in.mid(skip).toStdString();
}

void logDiagnostic(const SelectedJPEG &selection)
{
    const auto d = OCRSelectionMatchingDiagnostic::of(selection);
    QStringList scalars;
    for (quint32 v : d.unicodeScalarValues)
        scalars << QString::number(v);
    qCDebug(lcMatching).noquote() << QStringLiteral("OCR raw Vision=%1 extracted=%2 canonical=%3 scalars=%4 normalized=%5")
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
        if (location == destinationPath) {
            output.warnings.append(makeWarning(location, L10N("warning.destination.search.skipped")));
            continue;
        }
        cleaned.append(location);
    }
    cleaned = rootLocations(cleaned);

    const ExtensionTest extensions(target);
    const bool excludeSelection = target == SearchTarget::jpeg && selectionFolder.has_value();
    const bool debugLog = lcMatching().isDebugEnabled();
    std::string pathKey;

    // B. Each location in turn.
    for (const QString &location : std::as_const(cleaned)) {
        throwIfCancelled(stop);
        report(location, examined, found);

        if (excludeSelection && isSameOrInside(location, *selectionFolder)) {
            output.warnings.append(makeWarning(location, L10N("warning.selection.search.skipped")));
            continue;
        }
        // Folders to leave out, as paths relative to the location.
        const std::optional<std::string> destinationBelow =
            isSameOrInside(destinationPath, location) ? relativeBelow(destinationPath, location) : std::nullopt;
        const std::optional<std::string> selectionBelow =
            excludeSelection ? relativeBelow(*selectionFolder, location) : std::nullopt;

        DirectoryWalk walk;
        const bool opened = walk.open(location, [&](const QString &path, int) {
            output.warnings.append(makeWarning(path, L10N("warning.file.unreadable")));
        });
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
            if ((destinationBelow && relativeSameOrInside(walk.relativePathBytes(), *destinationBelow))
                || (selectionBelow && relativeSameOrInside(walk.relativePathBytes(), *selectionBelow))) {
                walk.skipDescendants();
                continue;
            }
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
            const std::string_view name = walk.nameBytes();
            std::size_t dot = 0;
            if (!extensions.accepts(name, dot)) {
                progressTest();
                continue;
            }
            const std::string_view base = name.substr(0, dot);
            if (debugLog) {
                qCDebug(lcMatching).noquote()
                    << QStringLiteral("Filesystem candidate inspected exactName=%1 normalizedBase=%2")
                           .arg(privateValue(walk.name()), privateValue(nfc(decodePath(base))));
            }
            std::string key = matchKeyUtf8(base);
            if (!selectionKeys.contains(key)) {
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

            FileMetadata metadata;
            const bool haveMetadata = walk.readMetadata(metadata);
            if (haveMetadata && metadata.identity) {
                if (!seenIdentities.insert(IdentityKey{key, *metadata.identity}).second)
                    continue;
            }

            RawCandidate candidate;
            candidate.url = walk.path();
            candidate.size = metadata.size.value_or(0);
            candidate.modificationDate = metadata.modificationDate;
            if (target == SearchTarget::jpeg) {
                if (const auto pixels = jpegPixelSize(candidate.url)) {
                    candidate.pixelWidth = pixels->width;
                    candidate.pixelHeight = pixels->height;
                }
            }
            candidates[key].append(std::move(candidate));
            ++found;
            progressTest();
        }
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
