#pragma once

// Reading a batch of screenshots into one merged list of candidate names, and the conversion of
// the reviewed list into selected names. (The list's edits are ScreenshotCandidateList's.)

#include "interfaces.h"
#include "textrecognizer.h"

#include <QSet>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace quillmore {

class ScreenshotOCRBatchProcessor : public ScreenshotOCRProcessing {
public:
    // Up to `concurrentReads` screenshots are read at the same time (0: as many as the processors
    // and the memory allow), with a recognizer that is safe to call from several threads then.
    explicit ScreenshotOCRBatchProcessor(std::shared_ptr<ScreenshotTextRecognizing> recognizer,
                                         int concurrentReads = 0);
    ScreenshotOCRResult processScreenshots(const QList<FileURL> &screenshots,
                                           const ScreenshotOCRProgressCallback &progress,
                                           std::stop_token stop) override;

private:
    std::mutex m_mutex;
    std::shared_ptr<ScreenshotTextRecognizing> m_recognizer;
    int m_concurrentReads = 0;
};

// The order in which parallel workers take the screenshots, as indices into `urls`: the largest
// first, so that the last one taken is a short reading and no worker is left alone with a long one
// at the end. Size is judged by the pixels a regular file's header declares; anything else counts
// as nothing (it is refused or fails at once). Equal sizes keep the list's order.
std::vector<qint64> screenshotReadingOrder(const QList<FileURL> &urls);

// One candidate per screenshot name key, in the order each name was first read; the form read
// first is kept, the confidence is the highest read. A reading whose mended name another reading
// of the batch shows as it stands takes that name (marked for checking).
QList<ScreenshotNameCandidate> mergeDetections(const QList<DetectedScreenshotFilename> &detections);

// The selected name a reviewed candidate stands for: nothing when its name is not valid or its key
// is already in `seenKeys` (which it then joins).
std::optional<SelectedJPEG> toSelectedJPEG(const ScreenshotNameCandidate &candidate, QSet<QString> &seenKeys);
// The selected names of the reviewed list, in its order; the first candidate of each key wins.
QList<SelectedJPEG> selectedJPEGs(const QList<ScreenshotNameCandidate> &candidates);

} // namespace quillmore
