#pragma once

// The interfaces of the quality checks: the one the controller holds and the analyzer it uses.

#include "model/records.h"

#include <QSet>

#include <functional>
#include <optional>
#include <stop_token>

namespace quillmore {

// Two quick judgements on one copied picture, each made on a small preview of it. Answers:
// true = flagged, false = not flagged, nothing = not assessed.
class ImageQualityAnalyzing {
public:
    virtual ~ImageQualityAnalyzing() = default;
    // Whether the file looks damaged or unreadable. Throws only Cancelled.
    virtual std::optional<bool> assessFile(const FileURL &file, std::stop_token stop) = 0;
    // Whether the picture may be unsharp. Throws only Cancelled.
    virtual std::optional<bool> assessBlur(const FileURL &file, std::stop_token stop) = 0;
};

// Marks a file with one tag per quality flag, keeping the user's own tags.
class FinderTagging {
public:
    virtual ~FinderTagging() = default;
    // Throws Cancelled, or an error when the tags cannot be read or written.
    virtual void applyTags(const QSet<QualityFlag> &flags, const FileURL &file, std::stop_token stop) = 0;
};

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
