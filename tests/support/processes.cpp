#include "processes.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <unistd.h>

namespace quillmore::testing {

ProcessRun runProcess(const QString &program, const QStringList &arguments, const ProcessOptions &options)
{
    QProcess p;
    p.setWorkingDirectory(options.workingDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    p.setProcessEnvironment(env);
    if (options.prefix.isEmpty())
        p.start(program, arguments);
    else
        p.start(options.prefix.first(), options.prefix.mid(1) + QStringList{program} + arguments);
    p.waitForFinished(options.timeoutMs);
    return ProcessRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                      p.readAllStandardError()};
}

QStringList unprivilegedPrefix(const QString &program)
{
    if (::geteuid() != 0)
        return {};
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        return {QStringLiteral("missing")};
    const QStringList prefix{setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                             QStringLiteral("--clear-groups")};
    // The build may lie in a folder only root may enter (a home folder): then there is no way to
    // run the program as another user here.
    QProcess probe;
    probe.start(setpriv, prefix.mid(1) + QStringList{program, QStringLiteral("--version")});
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
        return {QStringLiteral("missing")};
    return prefix;
}

} // namespace quillmore::testing
