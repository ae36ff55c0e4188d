#pragma once

// Candidates of one name that hold the same bytes count as one file: the two cards of a
// dual-slot camera carry byte-identical copies, and the photographer should not have to pick
// between them. Sizes are compared first; only files of one name and one size are hashed.

#include "copying/interfaces.h"
#include "model/records.h"

#include <stop_token>

namespace quillmore {

struct IdenticalCandidatesMerge {
    QList<SelectionResult> results;
    // Candidate files dropped because an earlier candidate of the same name has the same bytes.
    qint64 mergedCandidates = 0;
};

// For every result with several candidates, keeps the first candidate of each distinct content,
// in candidate order. A result left with one candidate is found, with that file chosen. A file
// that cannot be read counts as distinct. Throws Cancelled when asked to stop.
IdenticalCandidatesMerge mergeIdenticalCandidates(const QList<SelectionResult> &results, FileHashing &hasher,
                                                  std::stop_token stop);

} // namespace quillmore
