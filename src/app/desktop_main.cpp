// quillmore: the desktop application. One window per user session: starting it again brings the
// running window to the front. Closing the window quits.

#include "model/localization.h"
#include "ui/appearance.h"
#include "ui/mainwindow.h"
#include "ui/singleinstance.h"
#include "ui/thumbnailservice.h"

#include "platform/imagework.h"
#include "platform/ocrengine.h"
#include "ui/launcharguments.h"
#include "ui/contentview.h"
#include "workflow/jobs.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

bool hasArgument(int argc, char **argv, const char *wanted)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], wanted) == 0)
            return true;
    return false;
}

#ifdef Q_OS_MACOS
// On macOS the application stays open without a window; clicking its Dock icon then brings the
// one window back (the same window each time), and a visible window is simply raised.
class ReopenFilter : public QObject {
public:
    explicit ReopenFilter(quillmore::MainWindow *window) : m_window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ApplicationActivate && !m_window->isVisible())
            m_window->raiseToFront();
        return QObject::eventFilter(watched, event);
    }

private:
    quillmore::MainWindow *m_window;
};
#endif

} // namespace

int main(int argc, char **argv)
{
    // Answered before any display is needed.
    if (hasArgument(argc, argv, "--version")) {
        std::printf("quillmore %s\n", QUILLMORE_VERSION);
        return 0;
    }

    quillmore::restartWithRecognitionSettings(argv); // before any thread: the OpenMP runtime reads it at start
    quillmore::installImageWorkBackend();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmore"));
    QApplication::setApplicationName(QStringLiteral("Quillmore"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmore"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLMORE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quillmore.Quillmore"));
#ifdef Q_OS_MACOS
    QApplication::setQuitOnLastWindowClosed(false);
#else
    QApplication::setQuitOnLastWindowClosed(true); // closing the window quits
#endif

    // Qt's own texts (file dialog buttons, context menus) in the user's language, when installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // Folders and screenshots given at start (dropped on the program's icon, or "Open with"); a
    // second start hands them to the window already open.
    const QStringList locations = quillmore::launchLocations(QApplication::arguments());
    quillmore::SingleInstance instance(quillmore::SingleInstance::defaultName());
    const bool handedOver = instance.notifyRunningInstance(locations);
    // Only the whole argument counts ("--uitesting-reset=1" does not). It clears the stored
    // preferences and folder bookmarks before the controller reads them, and only when no other
    // Quillmore is running on them.
    {
        QSettings settings;
        quillmore::applyResetArgument(QApplication::arguments(), handedOver, settings);
    }
    if (handedOver)
        return 0;
    instance.listen();

    quillmore::ensureIconTheme();
    auto window = std::make_unique<quillmore::MainWindow>();
    QObject::connect(&instance, &quillmore::SingleInstance::activationRequested, window.get(),
                     &quillmore::MainWindow::raiseToFront);
    QObject::connect(&instance, &quillmore::SingleInstance::locationsReceived, window.get(),
                     [w = window.get()](const QStringList &handed) {
                         quillmore::applyLaunchLocations(*w->contentView()->viewModel(), handed);
                     });
#ifdef Q_OS_MACOS
    ReopenFilter reopen(window.get());
    app.installEventFilter(&reopen);
#endif
    quillmore::applyLaunchLocations(*window->contentView()->viewModel(), locations);
    window->show();
    const int status = app.exec();
    // The window's controller stops its jobs as it goes; a copy stopped at the close finishes its
    // current file's clean-up before the program ends, so nothing half-written is left.
    window.reset();
    quillmore::waitForJobs(60000);
    quillmore::ThumbnailService::shutDown();
    return status;
}
