// quillmore: the desktop application. One window per user session: starting it again brings the
// running window to the front. Closing the window quits.

#include "model/localization.h"
#include "ui/appearance.h"
#include "ui/mainwindow.h"
#include "ui/singleinstance.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>
#include <cstring>

namespace {

bool hasArgument(int argc, char **argv, const char *wanted)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], wanted) == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Answered before any display is needed.
    if (hasArgument(argc, argv, "--version")) {
        std::printf("quillmore %s\n", QUILLMORE_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmore"));
    QApplication::setApplicationName(QStringLiteral("Quillmore"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmore"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLMORE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quillmore.Quillmore"));
    QApplication::setQuitOnLastWindowClosed(true);

    // Only the whole argument counts ("--uitesting-reset=1" does not). It clears the stored
    // preferences and folder bookmarks before the controller reads them.
    if (QApplication::arguments().mid(1).contains(QStringLiteral("--uitesting-reset"))) {
        QSettings settings;
        settings.clear();
        settings.sync();
    }

    quillmore::SingleInstance instance(quillmore::SingleInstance::defaultName());
    if (instance.notifyRunningInstance())
        return 0;
    instance.listen();

    quillmore::ensureIconTheme();
    quillmore::MainWindow window;
    QObject::connect(&instance, &quillmore::SingleInstance::activationRequested, &window,
                     &quillmore::MainWindow::raiseToFront);
    window.show();
    return app.exec();
}
