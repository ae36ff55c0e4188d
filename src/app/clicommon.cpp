#include "clicommon.h"

#include "model/localization.h"
#include "platform/paths.h"
#include "workflow/failuretext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace quillmore::cli {

void printError(const QString &message)
{
    QString oneLine = message;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "quillmore-cli: %s\n", oneLine.toUtf8().constData());
}

void printLine(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

QString printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QJsonValue optionalJson(const std::optional<QString> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonArray warningsJson(const QList<AppWarning> &warnings)
{
    QJsonArray out;
    for (const AppWarning &w : warnings)
        out.append(QJsonObject{{QStringLiteral("path"), optionalJson(w.url)}, {QStringLiteral("message"), w.message}});
    return out;
}

void printWarnings(const QList<AppWarning> &warnings)
{
    if (warnings.isEmpty())
        return;
    printLine(QString());
    printLine(localized("cli.warnings"));
    for (const AppWarning &w : warnings)
        printLine(QStringLiteral("  ") + printable(w.url.value_or(QString())) + QStringLiteral(": ") + w.message);
}

static sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

void blockStopSignals()
{
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void watchStopSignals(std::stop_source source)
{
    std::thread([source]() mutable {
        const sigset_t set = stopSignals();
        int received = 0;
        sigwait(&set, &received);
        source.request_stop();
        sigwait(&set, &received);
        _exit(exitCancelled);
    }).detach();
}

ProgressLine::ProgressLine() : m_terminal(::isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::show(const QString &text)
{
    if (!m_terminal)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_shown && now - m_lastShownMs < 100)
        return; // no faster than a person can read
    m_lastShownMs = now;
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (line.size() > 100)
        line = QStringLiteral("…") + line.right(99);
    std::fprintf(stderr, "\r\033[K%s", line.toUtf8().constData());
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::clear()
{
    if (m_terminal && m_shown) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
    }
    m_shown = false;
}

std::optional<int> parseCommand(QCommandLineParser &parser, const QString &command, const QStringList &arguments)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    parser.addOption(help);
    QStringList all = arguments;
    all.prepend(QStringLiteral("quillmore-cli ") + command);
    if (!parser.parse(all)) {
        printError(parser.errorText());
        return exitUsage;
    }
    if (parser.isSet(help)) {
        std::printf("%s", parser.helpText().toUtf8().constData());
        return exitSuccess;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(localized("cli.error.unexpectedArgument", parser.positionalArguments().first()));
        return exitUsage;
    }
    return std::nullopt;
}

JobOptions::JobOptions()
    : selection(QStringLiteral("selection"), localized("cli.option.selection"), QStringLiteral("DIR")),
      screenshot(QStringLiteral("screenshot"), localized("cli.option.screenshot"), QStringLiteral("FILE")),
      search(QStringLiteral("search"), localized("cli.option.search"), QStringLiteral("DIR")),
      dest(QStringLiteral("dest"), localized("cli.option.dest"), QStringLiteral("DIR")),
      target(QStringLiteral("target"), localized("cli.option.target"), QStringLiteral("raw|jpeg"),
             QStringLiteral("raw"))
{
}

std::optional<QList<QString>> folderOptions(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    QList<QString> folders;
    for (const QString &value : parser.values(option)) {
        const auto folder = folderOption(option.names().first(), value);
        if (!folder)
            return std::nullopt;
        folders.append(*folder);
    }
    return folders;
}

std::optional<QString> folderOption(const QString &optionName, const QString &value)
{
    const QString path = standardizedPath(value);
    const int error = value.isEmpty() ? ENOENT : directoryPathError(path);
    if (error != 0) {
        printError(localized("cli.error.unusableFolder", QStringLiteral("--") + optionName, value, reasonText(error)));
        return std::nullopt;
    }
    return path;
}

void printFailure(const FailureError &failure)
{
    printError(failureText(failure.failure()));
}

static void printUsage(FILE *to)
{
    std::fprintf(to, "%s\n\n", qPrintable(localized("cli.description")));
    std::fprintf(to, "Usage: quillmore-cli <command> [options]\n\nCommands:\n");
    std::fprintf(to, "  scan              %s\n", qPrintable(localized("cli.command.scan")));
    std::fprintf(to, "  gather            %s\n", qPrintable(localized("cli.command.gather")));
    std::fprintf(to, "  read-screenshots  %s\n\n", qPrintable(localized("cli.command.readScreenshots")));
    std::fprintf(to, "Run 'quillmore-cli <command> --help' for the options of a command.\n");
}

bool mayReadScreenshots(int argc, char **argv)
{
    if (argc < 2)
        return false;
    if (std::strcmp(argv[1], "read-screenshots") == 0)
        return true;
    for (int i = 2; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 || std::strncmp(argv[i], "--screenshot=", 13) == 0)
            return true;
    }
    return false;
}

int runCommandLine(int argc, char **argv, std::initializer_list<Command> commands)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmore"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillmore"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMORE_VERSION));

    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        printError(localized("cli.error.noCommand"));
        return exitUsage;
    }
    const QString command = args.at(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        printUsage(stdout);
        return exitSuccess;
    }
    if (command == QLatin1String("--version") || command == QLatin1String("-v")) {
        std::printf("quillmore-cli %s\n", QUILLMORE_VERSION);
        return exitSuccess;
    }
    for (const Command &c : commands) {
        if (command == QLatin1String(c.name))
            return c.run(args.mid(2));
    }
    printError(localized("cli.error.unknownCommand", command));
    return exitUsage;
}

} // namespace quillmore::cli
