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

#include "clicommon.h"
#include "readscreenshotscommand.h"
#include "gathercommand.h"
#include "scancommand.h"

#include "model/localization.h"
#include "platform/ocrengine.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

using namespace quillmore;

static void printUsage(FILE *to)
{
    std::fprintf(to, "%s\n\n", qPrintable(localized("cli.description")));
    std::fprintf(to, "Usage: quillmore-cli <command> [options]\n\nCommands:\n");
    std::fprintf(to, "  scan              %s\n", qPrintable(localized("cli.command.scan")));
    std::fprintf(to, "  gather            %s\n", qPrintable(localized("cli.command.gather")));
    std::fprintf(to, "  read-screenshots  %s\n\n", qPrintable(localized("cli.command.readScreenshots")));
    std::fprintf(to, "Run 'quillmore-cli <command> --help' for the options of a command.\n");
}

// Whether the command may read screenshots. Only then is the program restarted with the
// recognition's settings: a restart loads every library again, which would double the start-up
// of a plain scan.
static bool mayReadScreenshots(int argc, char **argv)
{
    if (argc < 2)
        return false;
    if (std::strcmp(argv[1], "read-screenshots") == 0)
        return true;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], "--screenshot") == 0 || std::strncmp(argv[i], "--screenshot=", 13) == 0)
            return true;
    }
    return false;
}

int main(int argc, char **argv)
{
    if (mayReadScreenshots(argc, argv))
        restartWithSingleThreadedOcr(argv); // first: the OpenMP runtime reads its settings at start
    cli::blockStopSignals();                // before any thread starts
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmore"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillmore"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMORE_VERSION));

    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        cli::printError(localized("cli.error.noCommand"));
        return cli::exitUsage;
    }
    const QString command = args.at(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        printUsage(stdout);
        return cli::exitSuccess;
    }
    if (command == QLatin1String("--version") || command == QLatin1String("-v")) {
        std::printf("quillmore-cli %s\n", QUILLMORE_VERSION);
        return cli::exitSuccess;
    }
    const QStringList rest = args.mid(2);
    if (command == QLatin1String("scan"))
        return runScanCommand(rest);
    if (command == QLatin1String("read-screenshots"))
        return runReadScreenshotsCommand(rest);
    if (command == QLatin1String("gather"))
        return runGatherCommand(rest);

    cli::printError(localized("cli.error.unknownCommand", command));
    return cli::exitUsage;
}
