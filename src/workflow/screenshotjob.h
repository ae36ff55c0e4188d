#pragma once

// The screenshot job: reads the names of files from screenshots of a file list. It runs on a
// worker thread; joining what it read to the list under review happens on the GUI thread.

#include "screenshots/interfaces.h"

#include <functional>
#include <stop_token>

namespace quillmore {

// Called on the job's thread as each screenshot is reached; the reading waits until it returns.
using ScreenshotJobProgress = std::function<void(const ScreenshotOCRProgress &)>;

// When stopped mid-way, returns the names read so far, marked wasCancelled. Throws Cancelled when
// stopped before any result, FailureError without a processor, and whatever the processor throws.
ScreenshotOCRResult runScreenshotJob(const QList<FileURL> &screenshots, ScreenshotOCRProcessing *processor,
                                     const ScreenshotJobProgress &progress, std::stop_token stop);

// The names read joined to a list: a new name is appended, and a name already there gains the new
// screenshots as its sources and the new recognised lines.
ScreenshotCandidateList withScreenshotNames(ScreenshotCandidateList list, const QList<ScreenshotNameCandidate> &read);

} // namespace quillmore
