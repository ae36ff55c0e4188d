#include "workflowservices.h"

#include "platform/paths.h"

#include <QProcess>

namespace quillmore {

bool DesktopWorkflowPlatform::startAccess(const FileURL &)
{
    return true; // no sandbox: every folder the user can read is open
}

void DesktopWorkflowPlatform::stopAccess(const FileURL &) {}

bool DesktopWorkflowPlatform::openFolder(const FileURL &folder)
{
    // xdg-open hands the folder to the file browser and ends; it fails at once when there is none.
    QProcess opener;
    opener.start(QStringLiteral("xdg-open"), {standardizedPath(folder)});
    if (!opener.waitForStarted(3000))
        return false;
    if (!opener.waitForFinished(3000))
        return true; // still handing over: a browser was found
    return opener.exitStatus() == QProcess::NormalExit && opener.exitCode() == 0;
}

} // namespace quillmore
