#pragma once

#include "model/records.h"

#include <QHash>

#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>

namespace quillmore {

struct ScanOutput {
    QList<SelectedJPEG> selections;                      // as passed in
    QHash<QString, QList<RawCandidate>> candidatesByKey; // match key -> candidates, Finder order
    QList<AppWarning> warnings;                          // in the order they arose
    qint64 checkedFiles = 0;                             // files examined
};

// Called with each progress report; the scan waits until it returns.
using ScanProgressCallback = std::function<void(const ScanProgress &)>;

// What the scanner logs about a name read from screenshots, so that a wrong match can be traced
// back to the recognised text.
struct OCRSelectionMatchingDiagnostic {
    QStringList rawVisionRecognizedStrings;
    QString extractedFileName;
    QString canonicalBaseName;
    QList<quint32> unicodeScalarValues;
    QString normalizedBaseName;

    static OCRSelectionMatchingDiagnostic of(const SelectedJPEG &selection);
    bool operator==(const OCRSelectionMatchingDiagnostic &) const = default;
};

class RAWScanning {
public:
    virtual ~RAWScanning() = default;
    // Finds, below the locations, every file of the target type whose base name has the match
    // key of a selection. Throws Cancelled when the token asks to stop; every other problem
    // becomes a warning.
    virtual ScanOutput scanCandidates(const QList<SelectedJPEG> &selections, const QList<FileURL> &locations,
                                      SearchTarget target, const FileURL &destination,
                                      const std::optional<FileURL> &selectionFolder,
                                      const ScanProgressCallback &progress, std::stop_token stop) = 0;
};

// Walks the search locations for candidates. The destination folder is never searched, nor, for
// a JPEG search, the selection folder; a file reached twice (through two locations, or two paths
// to one file) is reported once. One call runs at a time.
class RawScanner final : public RAWScanning {
public:
    ScanOutput scanCandidates(const QList<SelectedJPEG> &selections, const QList<FileURL> &locations,
                              SearchTarget target, const FileURL &destination,
                              const std::optional<FileURL> &selectionFolder, const ScanProgressCallback &progress,
                              std::stop_token stop) override;

private:
    std::mutex m_serial;
};

// One result per selection, in order: found with one candidate, ambiguous with several, not
// found with none.
QList<SelectionResult> buildResults(const QList<SelectedJPEG> &selections,
                                    const QHash<QString, QList<RawCandidate>> &candidatesByKey);

} // namespace quillmore
