#include "defaultservices.h"

#include "copying/copyplanner.h"
#include "quality/findertagservice.h"
#include "copying/safecopyservice.h"
#include "copying/sha256filehasher.h"
#include "quality/imagequalityanalyzer.h"
#include "quality/qualitycheckservice.h"
#include "screenshots/batchprocessor.h"
#include "screenshots/textrecognizer.h"

namespace quillmore {

WorkflowServices makeDefaultWorkflowServices(std::unique_ptr<WorkflowPanels> panels,
                                             std::unique_ptr<WorkflowPlatform> platform)
{
    WorkflowServices services;
    services.selectionReader = std::make_unique<SelectionReader>();
    services.scanner = std::make_unique<RawScanner>();
    services.planner = std::make_unique<CopyPlanner>();
    // Each service that hashes has a hasher of its own (1 MiB chunks).
    services.copier = std::make_unique<SafeCopyService>(nullptr, std::make_unique<SHA256FileHasher>());
    services.qualityChecker = std::make_unique<QualityCheckService>(std::make_unique<SHA256FileHasher>(),
                                                                    std::make_unique<ImageQualityAnalyzer>(),
                                                                    std::make_unique<FinderTagService>());
    services.screenshotProcessor = std::make_unique<ScreenshotOCRBatchProcessor>(
        std::make_shared<VisionTextRecognizer>());
    services.panels = std::move(panels);
    services.platform = platform ? std::move(platform) : std::make_unique<DesktopWorkflowPlatform>();
    return services;
}

} // namespace quillmore
