#pragma once

// Pieces every quillmore-cli command shares: exit statuses, messages, progress on a terminal,
// cancellation by Ctrl-C, and checks of folder options.

#include "model/records.h"
#include "platform/errors.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <stop_token>

namespace quillmore::cli {

constexpr int exitSuccess = 0;
constexpr int exitFailure = 1;
constexpr int exitUsage = 2;
constexpr int exitCancelled = 130;

// A command of the program: its name on the command line, and what runs it with the arguments
// that follow the name.
struct Command {
    const char *name;
    int (*run)(const QStringList &arguments);
};
// Starts the application object, answers --help and --version, and runs the named command; a
// missing or unknown command is a usage error. Returns the exit status.
int runCommandLine(int argc, char **argv, std::initializer_list<Command> commands);
// Whether the command line may read screenshots (read-screenshots, or --screenshot before any
// "--"): such a program starts with the recognition's process settings. Reads only argv, so it can
// be asked before the application object exists.
bool mayReadScreenshots(int argc, char **argv);

// One line on stderr.
void printError(const QString &message);
// The failure in words, on stderr: what could not be done, with which file or folder, and why.
void printFailure(const FailureError &failure);

// One line on stdout.
void printLine(const QString &line);
// The text with control characters escaped ("\x0a"), so a name cannot break a table's lines.
QString printable(const QString &text);
// The warnings as the commands' JSON writes them: [{"path" (or null), "message"}].
QJsonArray warningsJson(const QList<AppWarning> &warnings);
// The warnings under the "Warnings:" heading, one a line; nothing when there are none.
void printWarnings(const QList<AppWarning> &warnings);
// A value or JSON null.
QJsonValue optionalJson(const std::optional<QString> &value);

// Blocks SIGINT and SIGTERM in the calling thread and every thread it starts, so that
// watchStopSignals() can receive them. Call first thing in main.
void blockStopSignals();
// Starts a thread that requests a stop of `source` on the first SIGINT or SIGTERM and ends the
// process at once on the second.
void watchStopSignals(std::stop_source source);

// A one-line progress indicator on stderr when stderr is a terminal; silent otherwise.
class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine();
    void show(const QString &text);
    void clear();

private:
    bool m_terminal;
    bool m_shown = false;
    qint64 m_lastShownMs = 0;
};

// Parses the command's arguments. On failure or --help prints what is needed and returns the
// exit status to end with; otherwise nothing.
std::optional<int> parseCommand(QCommandLineParser &parser, const QString &command, const QStringList &arguments);

// The option's value as an existing folder, standardised; prints the error, with the reason, and
// gives nothing when it is not one.
std::optional<QString> folderOption(const QString &optionName, const QString &value);
// Every value of a repeatable folder option, each as folderOption() checks it; nothing (the
// error printed) when one is not a folder.
std::optional<QList<QString>> folderOptions(const QCommandLineParser &parser, const QCommandLineOption &option);

// The options of the commands that run a job (scan, gather): where the selection comes from,
// where to search, where the copies go, and what to look for.
struct JobOptions {
    JobOptions();
    QCommandLineOption selection;
    QCommandLineOption screenshot;
    QCommandLineOption search;
    QCommandLineOption dest;
    QCommandLineOption target;
    QList<QCommandLineOption> all() const { return {selection, screenshot, search, dest, target}; }
};

} // namespace quillmore::cli
