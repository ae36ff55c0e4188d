#include "scanjob.h"

#include "identicalcandidates.h"
#include "jobs.h"

#include "model/cancellation.h"
#include "platform/errors.h"

namespace quillmore {

ScanJobResult runScanJob(const ScanJobRequest &request, const ScanJobServices &services,
                         const ScanJobProgress &progress, std::stop_token stop)
{
    ScanJobResult result;
    QList<SelectedJPEG> names;
    if (request.mode == SelectionInputMode::screenshots) {
        names = request.screenshotNames;
    } else {
        if (!request.selectionFolder)
            throw FailureError(FailureCode::noSelectionFolder);
        if (!services.reader)
            throw FailureError(FailureCode::serviceUnavailable);
        SelectionReadResult read = services.reader->readSelection(*request.selectionFolder, stop);
        names = std::move(read.selections);
        result.readerWarnings = std::move(read.warnings);
    }
    if (!services.scanner)
        throw FailureError(FailureCode::serviceUnavailable);
    ProgressPacer<ScanProgress> pacer;
    const auto deliver = [&](const ScanProgress &value) {
        if (progress)
            progress(value);
    };
    const ScanOutput output = services.scanner->scanCandidates(
        names, request.locations, request.target, request.destination,
        request.mode == SelectionInputMode::folder ? request.selectionFolder : std::nullopt,
        [&](const ScanProgress &value) {
            pacer.offer(
                value, [](const ScanProgress &, const ScanProgress &newer) { return newer; }, deliver);
        },
        stop);
    pacer.flush(deliver);
    result.scannerWarnings = output.warnings;
    result.checkedFiles = output.checkedFiles;
    result.results = buildResults(output.selections, output.candidatesByKey);
    if (services.hasher) {
        throwIfCancelled(stop);
        IdenticalCandidatesMerge merged = mergeIdenticalCandidates(result.results, *services.hasher, stop);
        result.results = std::move(merged.results);
        result.mergedCandidates = merged.mergedCandidates;
    }
    return result;
}

} // namespace quillmore
