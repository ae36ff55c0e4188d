#include "identicalcandidates.h"

#include "model/cancellation.h"

#include <QHash>

namespace quillmore {

IdenticalCandidatesMerge mergeIdenticalCandidates(const QList<SelectionResult> &results, FileHashing &hasher,
                                                  std::stop_token stop)
{
    IdenticalCandidatesMerge merge;
    merge.results = results;
    for (SelectionResult &result : merge.results) {
        if (result.candidates.size() < 2)
            continue;
        QHash<qint64, int> sameSize;
        for (const RawCandidate &candidate : result.candidates)
            ++sameSize[candidate.size];
        QList<RawCandidate> kept;
        QSet<QString> seenContents;
        for (const RawCandidate &candidate : result.candidates) {
            throwIfCancelled(stop);
            QString content = QStringLiteral("size:%1").arg(candidate.size);
            if (sameSize.value(candidate.size) > 1) {
                try {
                    content += QStringLiteral(":") + hasher.sha256Hex(candidate.url, stop);
                } catch (const Cancelled &) {
                    throw;
                } catch (const std::exception &) {
                    content = QStringLiteral("unreadable:") + candidate.url; // never merged
                }
            } else {
                content = QStringLiteral("unique:") + candidate.url;
            }
            if (seenContents.contains(content))
                continue;
            seenContents.insert(content);
            kept.append(candidate);
        }
        if (kept.size() == result.candidates.size())
            continue;
        merge.mergedCandidates += result.candidates.size() - kept.size();
        result.candidates = kept;
        if (kept.size() == 1 && result.status == SelectionStatus::ambiguous) {
            result.chosenRAW = kept.first().url;
            result.status = SelectionStatus::found;
        }
    }
    return merge;
}

} // namespace quillmore
