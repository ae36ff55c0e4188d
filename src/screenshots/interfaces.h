#pragma once

// The one-operation interface of screenshot reading, as the controller holds it.

#include "model/screenshotrecords.h"

#include <functional>
#include <stop_token>

namespace quillmore {

// Receives batch progress; the batch waits until it returns.
using ScreenshotOCRProgressCallback = std::function<void(const ScreenshotOCRProgress &)>;

class ScreenshotOCRProcessing {
public:
    virtual ~ScreenshotOCRProcessing() = default;
    // Reads every screenshot and merges the names found into one candidate list; a screenshot
    // that cannot be read becomes a warning. When stopped, returns what the screenshots read so
    // far gave, marked wasCancelled.
    virtual ScreenshotOCRResult processScreenshots(const QList<FileURL> &screenshots,
                                                   const ScreenshotOCRProgressCallback &progress,
                                                   std::stop_token stop) = 0;
};

} // namespace quillmore
