#include "defaultservices.h"

#include "copying/copyplanner.h"
#include "copying/findertagservice.h"
#include "copying/safecopyservice.h"
#include "copying/sha256filehasher.h"
#include "quality/imagequalityanalyzer.h"
#include "quality/qualitycheckservice.h"
#include "screenshots/batchprocessor.h"
#include "screenshots/filenamerules.h"
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
    services.qualityChecker = std::make_unique<QualityCheckService>(
        std::make_unique<SHA256FileHasher>(), std::make_unique<ImageQualityAnalyzer>(), std::make_unique<FinderTagService>());
    services.screenshotProcessor =
        std::make_unique<ScreenshotOCRBatchProcessor>(std::make_shared<VisionTextRecognizer>());
    services.screenshotList = screenshotListOperations();
    services.panels = std::move(panels);
    services.platform = platform ? std::move(platform) : std::make_unique<DesktopWorkflowPlatform>();
    return services;
}

ScreenshotListOperations screenshotListOperations()
{
    ScreenshotListOperations ops;
    ops.isValidName = [](const QString &name) { return isValidScreenshotName(name); };
    ops.selectedJPEGs = [](const QList<ScreenshotNameCandidate> &candidates) { return selectedJPEGs(candidates); };
    ops.addManualName = [](QList<ScreenshotNameCandidate> &candidates, const QString &name) {
        ScreenshotCandidateList list{std::move(candidates)};
        const ScreenshotNameCandidate added = list.addManualName(name);
        candidates = std::move(list.candidates);
        return added;
    };
    ops.remove = [](QList<ScreenshotNameCandidate> &candidates, const QUuid &id) {
        ScreenshotCandidateList list{std::move(candidates)};
        list.remove(id);
        candidates = std::move(list.candidates);
    };
    ops.updateFileName = [](QList<ScreenshotNameCandidate> &candidates, const QUuid &id, const QString &name) {
        ScreenshotCandidateList list{std::move(candidates)};
        list.updateFileName(id, name);
        candidates = std::move(list.candidates);
    };
    return ops;
}

} // namespace quillmore
