#pragma once

// The one-operation interface of the quality checks, as the controller holds it.

#include "model/records.h"

#include <functional>
#include <stop_token>

namespace quillmore {

enum class QualityCheckKind { fileCheck, duplicates, sharpness, tags };

// Receives (the destination file's name, the check about to run on it); the run waits until it
// returns.
using QualityStatusSink = std::function<void(const QString &fileName, QualityCheckKind check)>;

class QualityChecking {
public:
    virtual ~QualityChecking() = default;
    // Throws Cancelled when asked to stop; partial results are then discarded. Any other problem
    // becomes an error of the file concerned.
    virtual QualityCheckBatchResult runChecks(const QList<CopyFileOutcome> &outcomes,
                                              const QualityCheckOptions &options, const QualityStatusSink &status,
                                              std::stop_token stop) = 0;
};

} // namespace quillmore
