#pragma once

// The one-operation interfaces of the copying services. The controller holds each service
// through its interface, so that tests can stand in for any of them.

#include "model/records.h"

#include <QSet>

#include <functional>
#include <stop_token>

namespace quillmore {

// SHA-256 of a whole file, as 64 lower-case hexadecimal characters.
class FileHashing {
public:
    virtual ~FileHashing() = default;
    // Throws Cancelled when asked to stop, or an error naming why the file could not be read.
    virtual QString sha256Hex(const FileURL &file, std::stop_token stop) = 0;
};

// Turns the current results into a copy plan. Never fails: every problem becomes an issue of the
// plan.
class CopyPlanning {
public:
    virtual ~CopyPlanning() = default;
    virtual CopyPlan makePlan(const QList<SelectionResult> &results, const FileURL &destination,
                              SearchTarget searchTarget, bool includeXMP, ConflictPolicy conflictPolicy) = 0;
};

// Receives copy progress; the run waits until it returns.
using CopyProgressSink = std::function<void(const CopyProgress &)>;

// Copies the tasks of a plan so that a destination file is either complete and verified or not
// there at all. Never fails: every error becomes an outcome, cancellation sets wasCancelled.
class SafeCopying {
public:
    virtual ~SafeCopying() = default;
    virtual CopyBatchResult copyAll(const QList<CopyTaskItem> &tasks, qint64 totalBytes, bool verify,
                                    const CopyProgressSink &progress, std::stop_token stop) = 0;
};

} // namespace quillmore
