#include "clicommon.h"

#include "model/localization.h"
#include "platform/paths.h"
#include "workflow/failuretext.h"

#include <QDateTime>
#include <QJsonObject>

#include <cerrno>
#include <csignal>
#include <cstdio>
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

} // namespace quillmore::cli
