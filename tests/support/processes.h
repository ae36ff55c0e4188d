#pragma once

// Runs a program the way a user would from a shell, and keeps what it said.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillmore::testing {

struct ProcessRun {
    int exitCode = -1; // -1 when the program crashed or did not end in time
    QByteArray out;
    QByteArray err;
};

struct ProcessOptions {
    QString workingDir;
    // Put before the program (for example setpriv and its arguments, to run as another user).
    QStringList prefix;
    int timeoutMs = 120000;
};

// Runs the program with the arguments, with LC_ALL=C.UTF-8 and English texts.
ProcessRun runProcess(const QString &program, const QStringList &arguments, const ProcessOptions &options = {});

// The arguments that run a program as the unprivileged user "nobody" when this test runs as root
// (root reads every folder, so a rule about permissions is tested as that user); empty when not
// root. {"missing"} when no such run is possible here (no setpriv, or the program lies in a
// folder only root may enter): the caller skips and says why.
QStringList unprivilegedPrefix(const QString &program);

} // namespace quillmore::testing
