#pragma once

#include "clicommon.h"
#include "scancommand.h"

#include "model/screenshotrecords.h"

#include <QStringList>

#include <stop_token>

namespace quillmore {

// quillmore-cli read-screenshots FILE [FILE ...] [--json]
int runReadScreenshotsCommand(const QStringList &arguments);

// Reads the screenshots with the on-device recognizer, showing progress on the line. Throws
// Cancelled.
ScreenshotOCRResult readScreenshotFiles(const QStringList &files, cli::ProgressLine &progressLine,
                                        std::stop_token stop);
// The same reading, as the selection of a scan: the names of the pictures, with the warnings.
ScreenshotNames readScreenshotNames(const QStringList &files, cli::ProgressLine &progressLine, std::stop_token stop);

} // namespace quillmore
