#pragma once

#include "clicommon.h"

#include "model/records.h"

#include <QStringList>

#include <stop_token>

namespace quillmore {

// The names read from screenshots, as a selection, with the warnings of the reading.
struct ScreenshotNames {
    QList<SelectedJPEG> names;
    QList<AppWarning> warnings;
};
// Reads screenshots for a scan, showing progress on the line. Throws Cancelled.
using ScreenshotNameReader = ScreenshotNames (*)(const QStringList &files, cli::ProgressLine &progressLine,
                                                 std::stop_token stop);

// quillmore-cli scan: reads the selection folder (or, with a reader, the screenshots), searches the
// locations and prints what was found for every selected name. Without a reader, --screenshot is
// refused: the program that runs the plain scan does not carry text recognition.
int runScanCommand(const QStringList &arguments, ScreenshotNameReader readScreenshots);

} // namespace quillmore
