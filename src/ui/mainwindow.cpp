#include "mainwindow.h"

#include "confirmations.h"
#include "contentview.h"
#include "filepanels.h"
#include "workflow/defaultservices.h"
#include "workflow/workflowviewmodel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace quillmore {

bool resetRequested(const QStringList &arguments)
{
    return arguments.mid(1).contains(QStringLiteral("--uitesting-reset"));
}

void resetStoredState(QSettings &settings)
{
    settings.clear();
    settings.sync();
}

bool applyResetArgument(const QStringList &arguments, bool anotherInstanceAnswered, QSettings &settings)
{
    if (anotherInstanceAnswered || !resetRequested(arguments))
        return false;
    resetStoredState(settings);
    return true;
}

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    auto panels = std::make_unique<FilePanels>(this);
    FilePanels *panelsPointer = panels.get();
    build(std::make_unique<WorkflowViewModel>(makeDefaultWorkflowServices(std::move(panels))), panelsPointer);
}

MainWindow::MainWindow(std::unique_ptr<WorkflowViewModel> viewModel, FilePanels *panels, QWidget *parent)
    : QMainWindow(parent)
{
    build(std::move(viewModel), panels);
}

void MainWindow::build(std::unique_ptr<WorkflowViewModel> viewModel, FilePanels *panels)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Quillmore"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("org.quillmore.Quillmore")));
    m_content = new ContentView(std::move(viewModel), this);
    if (panels)
        panels->setParentWidget(this);
    setCentralWidget(m_content);
    setMinimumSize(kMinimumSize);
    resize(kDefaultSize);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        move(available.center() - rect().center());
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    WorkflowViewModel *vm = m_content->viewModel();
    if (vm->stage() == WorkflowStage::copying) {
        if (!confirmStopCopy(this)) {
            event->ignore();
            return;
        }
        // The copy stops at its next file; the program waits for it before it ends, so that no
        // half-written file is left behind.
        vm->cancelOperation();
    } else if (!settleUnsavedReport(this, vm)) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::raiseToFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

} // namespace quillmore
