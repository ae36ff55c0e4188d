#pragma once

// Folders and screenshots given on the command line (the desktop entry passes what was dropped
// on the program's icon), placed the way drops on the setup screen place them.

#include <QStringList>

namespace quillmore {

class WorkflowViewModel;

// The file locations among the program's arguments: options are left out, file:// addresses
// become paths, relative paths are taken from the current folder.
QStringList launchLocations(const QStringList &arguments);

// Screenshot images go to the screenshot selection. Folders: the first one becomes the selection
// folder when none is chosen yet, the others (or all, when a selection exists) are added as
// search locations. Nothing changes while a scan or copy runs or a finished job is shown.
void applyLaunchLocations(WorkflowViewModel &viewModel, const QStringList &locations);

} // namespace quillmore
