#pragma once

// The one place where the real services are put together for the desktop app and quillmore-cli.

#include "workflowservices.h"

namespace quillmore {

// The real services, with the given panels and desktop operations (the desktop ones when absent).
WorkflowServices makeDefaultWorkflowServices(std::unique_ptr<WorkflowPanels> panels,
                                             std::unique_ptr<WorkflowPlatform> platform = nullptr);

} // namespace quillmore
