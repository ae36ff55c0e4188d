#pragma once

// After a copy run: the file check, the duplicate check and the blur check over the copied
// pictures, then a Finder tag for every finding.

#include "copying/interfaces.h"
#include "interfaces.h"

#include <memory>
#include <mutex>

namespace quillmore {

// The key of the status text shown while a check runs ("status.quality.file.check", ...).
const char *statusKey(QualityCheckKind check);

class QualityCheckService : public QualityChecking {
public:
    // What one worker may hold at its peak: the preview of a 24-megapixel RAW file.
    static constexpr qint64 previewPeakBytes = 160LL * 1024 * 1024;

    // maximumWorkers: at most this many files at once; 0 = as many as the machine allows.
    QualityCheckService(std::unique_ptr<FileHashing> hasher, std::unique_ptr<ImageQualityAnalyzing> analyzer,
                        std::unique_ptr<FinderTagging> tagger, int maximumWorkers = 0);

    // Checks the copied RAW and JPEG files of the outcomes (never sidecars), each enabled check
    // over all of them in turn (file check, duplicates, blur), then tags the flagged files. The
    // results are keyed by the standardised destination path. A digest taken while copying is
    // reused; otherwise the copy is hashed. Files with the same content are all flagged.
    // Within a check, files are looked at in parallel, on one thread per usable processor and no
    // more than the free memory allows (see workerCount); the analyzer, hasher and status sink
    // must take calls from several threads. The result is the same as one file at a time.
    QualityCheckBatchResult runChecks(const QList<CopyFileOutcome> &outcomes, const QualityCheckOptions &options,
                                      const QualityStatusSink &status, std::stop_token stop) override;

    // The threads a run over `items` files uses: the usable processors, as many as half the
    // available memory holds previews at their peak, and maximumWorkers, the least of them;
    // at least 1.
    int workerCount(qsizetype items) const;

private:
    std::unique_ptr<FileHashing> m_hasher;
    std::unique_ptr<ImageQualityAnalyzing> m_analyzer;
    std::unique_ptr<FinderTagging> m_tagger;
    int m_maximumWorkers = 0;
    std::mutex m_mutex;
};

} // namespace quillmore
