#include "defaultservices.h"

namespace quillmore {

WorkflowServices makeDefaultWorkflowServices(std::unique_ptr<WorkflowPanels> panels,
                                             std::unique_ptr<WorkflowPlatform> platform)
{
    WorkflowServices services;
    services.selectionReader = std::make_unique<SelectionReader>();
    services.scanner = std::make_unique<RawScanner>();
    // Still to come from the copying, quality and screenshot modules: planner, copier, quality
    // checker, screenshot processor and the screenshot list rules.
    services.panels = std::move(panels);
    services.platform = platform ? std::move(platform) : std::make_unique<DesktopWorkflowPlatform>();
    return services;
}

QStringList missingDefaultServices()
{
    return {QStringLiteral("CopyPlanner"), QStringLiteral("SafeCopyService"), QStringLiteral("QualityCheckService"),
            QStringLiteral("ScreenshotOCRBatchProcessor")};
}

} // namespace quillmore
