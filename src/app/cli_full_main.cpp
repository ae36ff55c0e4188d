// quillmore-cli-full: every command of quillmore-cli, with text recognition and the copy workflow.
// quillmore-cli starts it, in place of itself, for every command but a scan of a selection folder.

#include "clicommon.h"
#include "gathercommand.h"
#include "readscreenshotscommand.h"
#include "scancommand.h"

#include "platform/imagework.h"
#include "platform/ocrmodels.h"

#include <cstring>

using namespace quillmore;

namespace {

int runScan(const QStringList &arguments)
{
    return runScanCommand(arguments, readScreenshotNames);
}

} // namespace

int main(int argc, char **argv)
{
    if (cli::mayReadScreenshots(argc, argv)) {
        restartWithRecognitionSettings(argv); // first: the OpenMP runtime reads its settings at start
        installImageWorkBackend();
    }
    cli::blockStopSignals(); // before any thread starts
    return cli::runCommandLine(
        argc, argv, {{"scan", runScan}, {"read-screenshots", runReadScreenshotsCommand}, {"gather", runGatherCommand}});
}
