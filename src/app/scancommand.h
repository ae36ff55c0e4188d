#pragma once

#include <QStringList>

namespace quillmore {

// quillmore-cli scan: reads the selection folder, searches the locations and prints what was
// found for every selected name.
int runScanCommand(const QStringList &arguments);

} // namespace quillmore
