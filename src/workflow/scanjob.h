#pragma once

// The scan job: reads the selection (or takes the names read from screenshots), looks for the
// matching files in the search locations and turns what was found into one result per name. It
// runs on a worker thread; the desktop controller and `quillmore-cli scan` both run it.

#include "copying/interfaces.h"
#include "matching/rawscanner.h"
#include "matching/selectionreader.h"

#include <functional>
#include <optional>
#include <stop_token>

namespace quillmore {

struct ScanJobRequest {
    QList<FileURL> locations;
    SelectionInputMode mode = SelectionInputMode::folder;
    std::optional<FileURL> selectionFolder; // read in folder mode
    QList<SelectedJPEG> screenshotNames;    // searched for in screenshot mode
    SearchTarget target = SearchTarget::raw;
    FileURL destination;
};

// The services the scan uses. Without a hasher, candidates with identical contents are not merged.
struct ScanJobServices {
    SelectionReading *reader = nullptr;
    RAWScanning *scanner = nullptr;
    FileHashing *hasher = nullptr;
};

struct ScanJobResult {
    QList<SelectionResult> results;
    QList<AppWarning> readerWarnings;
    QList<AppWarning> scannerWarnings;
    qint64 checkedFiles = 0;
    qint64 mergedCandidates = 0; // candidate files counted once because an earlier one holds the same bytes
};

// Called on the job's thread with the scan's progress, at most about once a display frame; the last
// value the scanner reports is always handed on before the job returns.
using ScanJobProgress = std::function<void(const ScanProgress &)>;

// Throws Cancelled when asked to stop, FailureError when a service is missing or the selection
// cannot be read, and whatever else the services throw.
ScanJobResult runScanJob(const ScanJobRequest &request, const ScanJobServices &services,
                         const ScanJobProgress &progress, std::stop_token stop);

} // namespace quillmore
