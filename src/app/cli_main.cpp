// quillmore-cli: the headless companion of the desktop application.
//
//   quillmore-cli scan --selection DIR --search DIR [--search DIR ...] --dest DIR
//                      [--target raw|jpeg] [--json]
//   quillmore-cli scan --screenshot FILE [--screenshot FILE ...] --search DIR ... --dest DIR ...
//   quillmore-cli read-screenshots FILE [FILE ...] [--json]
//   quillmore-cli gather (--selection DIR | --screenshot FILE ...) --search DIR [--search DIR ...]
//                        --dest DIR [--target raw|jpeg] [--no-xmp] [--on-conflict skip|numbered]
//                        [--check blur,duplicate,file] [--report FILE] [--json]
//
// Exit status: 0 success, 1 the job failed, 2 usage error or unusable input, 130 cancelled.
//
// This program runs the plain scan (and --help, --version) itself and hands every other command
// to quillmore-cli-full, in place of itself. A scan of a warm disk takes about as long as loading
// a program's libraries does, and text recognition and the copy workflow bring most of them: this
// program is linked without them and starts with a fraction of the libraries.

#include "clicommon.h"
#include "scancommand.h"

#include "model/localization.h"
#include "platform/ocrmodels.h"

#include <QCoreApplication>

#include <cerrno>
#include <climits>
#include <malloc.h>
#include <cstring>
#include <string>
#include <unistd.h>

using namespace quillmore;

namespace {

// Whether the command is one this program hands on: everything but a scan of a selection folder,
// help and the version.
bool needsFullProgram(int argc, char **argv)
{
    if (argc < 2)
        return false;
    const char *command = argv[1];
    if (std::strcmp(command, "gather") == 0 || std::strcmp(command, "read-screenshots") == 0)
        return true;
    return std::strcmp(command, "scan") == 0 && cli::mayReadScreenshots(argc, argv);
}

// The full program: beside this one in a build folder, else where the package installs it.
std::string fullProgramPath()
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = length > 0 ? std::string(self, std::size_t(length)) : std::string();
    folder = folder.substr(0, folder.rfind('/') + 1);
    const std::string beside = folder + "quillmore-cli-full";
    if (::access(beside.c_str(), X_OK) == 0)
        return beside;
    return folder + QUILLMORE_CLI_LIBEXEC "/quillmore-cli-full";
}

// Starts the full program in place of this one; returns only when it could not be started.
int runFullProgram(int argc, char **argv)
{
    const std::string program = fullProgramPath();
    if (cli::mayReadScreenshots(argc, argv))
        execWithRecognitionSettings(program.c_str(), argv);
    else
        ::execv(program.c_str(), argv);
    const int error = errno;
    QCoreApplication app(argc, argv);
    cli::printError(localized("cli.error.fullProgram", QString::fromLocal8Bit(program.c_str()),
                              QString::fromLocal8Bit(std::strerror(error))));
    return cli::exitFailure;
}

} // namespace

int main(int argc, char **argv)
{
    if (needsFullProgram(argc, argv))
        return runFullProgram(argc, argv);
    // Memory freed during the scan (a listing for every folder, lists that grew) stays in the
    // process for the next use instead of going back to the system, which would give it back
    // as fresh pages, each costing a page fault when first touched.
    ::mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    cli::blockStopSignals(); // before any thread starts
    return cli::runCommandLine(
        argc, argv, {{"scan", [](const QStringList &arguments) { return runScanCommand(arguments, nullptr); }}});
}
