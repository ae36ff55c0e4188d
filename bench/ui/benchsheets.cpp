// How long the files and report sheets take to open, and to scroll from top to bottom, with
// 10,000 results, against the same sheets over an empty job (the cost of a sheet itself).
//
//   bench-sheets [count]        (default 10000; runs offscreen when no display is set)

#include "ui/uitestkit.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>

#include <cstdio>

using namespace quillmore;
using namespace quillmore::testing;

namespace {

template <typename Sheet>
double openMs(ContentView *content, void (ContentView::*show)(bool), Sheet *(ContentView::*sheet)() const)
{
    QElapsedTimer timer;
    timer.start();
    (content->*show)(true);
    Sheet *opened = (content->*sheet)();
    QCoreApplication::processEvents();
    opened->repaint();
    const double ms = timer.nsecsElapsed() / 1e6;
    (content->*show)(false);
    QCoreApplication::processEvents();
    return ms;
}

template <typename Sheet>
double scrollMs(ContentView *content, void (ContentView::*show)(bool), Sheet *(ContentView::*sheet)() const)
{
    (content->*show)(true);
    QTableView *table = (content->*sheet)()->table();
    QCoreApplication::processEvents();
    QScrollBar *bar = table->verticalScrollBar();
    QElapsedTimer timer;
    timer.start();
    double worst = 0;
    for (int step = 0; step <= 20; ++step) {
        QElapsedTimer one;
        one.start();
        bar->setValue(bar->maximum() * step / 20);
        table->viewport()->repaint();
        worst = std::max(worst, one.nsecsElapsed() / 1e6);
    }
    (content->*show)(false);
    QCoreApplication::processEvents();
    return worst;
}

void waitUntil(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir dir;
    const QString root = dir.path();
    std::fprintf(stderr, "making %d pictures…\n", count);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("IMG_%1").arg(i, 5, 10, QLatin1Char('0'));
        makeFile(root + QStringLiteral("/sel/") + name + QStringLiteral(".JPG"), QByteArray("j"));
        makeFile(root + QStringLiteral("/card/") + name + QStringLiteral(".CR2"), QByteArray("raw"));
    }
    QDir().mkpath(root + QStringLiteral("/dest"));

    UiHarness empty(root + QStringLiteral("/empty.ini"));
    empty.window->show();
    UiHarness ui(root + QStringLiteral("/settings.ini"));
    ui.window->show();
    WorkflowViewModel *vm = ui.vm();
    vm->setSelectionFolder(root + QStringLiteral("/sel"));
    vm->setSearchLocations({root + QStringLiteral("/card")});
    vm->setDestinationFolder(root + QStringLiteral("/dest"));
    vm->startScan();
    waitUntil([&] { return vm->stage() == WorkflowStage::summary && !vm->isPlanning(); });
    std::fprintf(stderr, "%lld results; copying…\n", qlonglong(vm->results().size()));

    // Warm-up: the first sheet of a process pays for fonts and styles once.
    openMs(empty.content(), &ContentView::setShowFiles, &ContentView::filesSheet);
    openMs(empty.content(), &ContentView::setShowReport, &ContentView::reportSheet);
    const double filesBase = openMs(empty.content(), &ContentView::setShowFiles, &ContentView::filesSheet);
    const double files = openMs(ui.content(), &ContentView::setShowFiles, &ContentView::filesSheet);
    const double filesScroll = scrollMs(ui.content(), &ContentView::setShowFiles, &ContentView::filesSheet);
    vm->startCopy();
    waitUntil([&] { return vm->stage() == WorkflowStage::completed; });
    const double reportBase = openMs(empty.content(), &ContentView::setShowReport, &ContentView::reportSheet);
    const double report = openMs(ui.content(), &ContentView::setShowReport, &ContentView::reportSheet);
    const double reportScroll = scrollMs(ui.content(), &ContentView::setShowReport, &ContentView::reportSheet);

    std::printf("rows: %lld results, %lld report rows\n", qlonglong(vm->results().size()),
                qlonglong(vm->reportRows().size()));
    std::printf("files sheet:  open %.1f ms (empty job %.1f ms, ratio %.2f), slowest scroll step %.1f ms\n", files,
                filesBase, files / std::max(filesBase, 0.01), filesScroll);
    std::printf("report sheet: open %.1f ms (empty job %.1f ms, ratio %.2f), slowest scroll step %.1f ms\n", report,
                reportBase, report / std::max(reportBase, 0.01), reportScroll);
    return 0;
}
