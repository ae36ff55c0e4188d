#include "launcharguments.h"

#include "model/records.h"
#include "platform/paths.h"
#include "workflow/workflowviewmodel.h"

#include <QFileInfo>
#include <QUrl>

namespace quillmore {

QStringList launchLocations(const QStringList &arguments)
{
    QStringList out;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.startsWith(QLatin1Char('-')))
            continue;
        const QUrl url(argument);
        if (url.scheme() == QLatin1String("file"))
            out << standardizedPath(url.toLocalFile());
        else if (url.scheme().isEmpty() || argument.startsWith(QLatin1Char('/')))
            out << standardizedPath(argument);
    }
    return out;
}

void applyLaunchLocations(WorkflowViewModel &viewModel, const QStringList &locations)
{
    // A scan or copy under way, or a finished job, is not changed from outside: the window only
    // comes to the front.
    if (viewModel.stage() != WorkflowStage::setup && viewModel.stage() != WorkflowStage::summary)
        return;
    QList<FileURL> folders;
    QList<FileURL> screenshots;
    for (const QString &location : locations) {
        const QFileInfo info(location);
        if (info.isDir())
            folders << location;
        else if (info.isFile() && hasExtensionIn(info.fileName(), screenshotImageExtensions()))
            screenshots << location;
    }
    if (!screenshots.isEmpty())
        viewModel.dropScreenshots(screenshots);
    if (folders.isEmpty())
        return;
    if (!viewModel.selectionFolder() && viewModel.selectionInputMode() == SelectionInputMode::folder
        && screenshots.isEmpty())
        viewModel.dropSelectionFolder({folders.takeFirst()});
    if (!folders.isEmpty())
        viewModel.dropSearchLocations(folders);
}

} // namespace quillmore
