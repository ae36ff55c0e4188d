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
    QualityCheckService(std::unique_ptr<FileHashing> hasher, std::unique_ptr<ImageQualityAnalyzing> analyzer,
                        std::unique_ptr<FinderTagging> tagger);

    // Checks the copied RAW and JPEG files of the outcomes (never sidecars), each enabled check
    // over all of them in turn (file check, duplicates, blur), then tags the flagged files. The
    // results are keyed by the standardised destination path. A digest taken while copying is
    // reused; otherwise the copy is hashed. Files with the same content are all flagged.
    QualityCheckBatchResult runChecks(const QList<CopyFileOutcome> &outcomes, const QualityCheckOptions &options,
                                      const QualityStatusSink &status, std::stop_token stop) override;

private:
    std::unique_ptr<FileHashing> m_hasher;
    std::unique_ptr<ImageQualityAnalyzing> m_analyzer;
    std::unique_ptr<FinderTagging> m_tagger;
    std::mutex m_mutex;
};

} // namespace quillmore
