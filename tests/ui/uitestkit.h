#pragma once

// A main window over the real controller, the real selection reader and candidate scanner, and
// the real file panels driven by the test instead of a person. Services this build does not have
// yet are stood in for by the workflow tests' stand-ins.

#include "support/fakes.h"
#include "support/fixtures.h"

#include "ui/contentview.h"
#include "ui/filepanels.h"
#include "ui/mainwindow.h"
#include "workflow/defaultservices.h"
#include "workflow/workflowviewmodel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <deque>

namespace quillmore::testing {

// The answers the test gives to the panels, in order; each records how its dialog was set up.
struct PanelScript {
    std::deque<QStringList> answers;
    QStringList acceptLabels;
    QStringList proposedNames;
    QList<QStringList> nameFilters;
    QStringList titles;
};

struct StandIns {
    std::shared_ptr<Gate> copyGate;
    std::shared_ptr<QStringList> failNames;
    std::shared_ptr<ScreenshotOCRResult> ocrResult;
    std::shared_ptr<Gate> ocrGate;
    bool qualityStandIn = false;
};

class UiHarness {
public:
    // With `holdableCopier`, the copy goes through the stand-in copier whose gate the test holds.
    // With `standInReader`, screenshots are read by the stand-in whose names the test sets.
    explicit UiHarness(const QString &settingsFile, bool holdableCopier = false, bool standInReader = false)
    {
        auto panels = std::make_unique<FilePanels>();
        panels->dialogDriver = [script = script](QFileDialog &dialog) {
            script->acceptLabels << dialog.labelText(QFileDialog::Accept);
            script->titles << dialog.windowTitle();
            script->nameFilters << dialog.nameFilters();
            script->proposedNames << dialog.selectedFiles().value(0);
            if (script->answers.empty())
                return QStringList();
            QStringList answer = script->answers.front();
            script->answers.pop_front();
            return answer;
        };
        FilePanels *panelsPointer = panels.get();
        WorkflowServices services = makeDefaultWorkflowServices(std::move(panels),
                                                                std::make_unique<RecordingPlatform>());
        if (!services.planner)
            services.planner = std::make_unique<FakePlanner>();
        if (!services.copier || holdableCopier) {
            auto copier = std::make_unique<FakeCopier>();
            standIns.copyGate = copier->gate;
            standIns.failNames = copier->failNames;
            services.copier = std::move(copier);
        }
        if (!services.qualityChecker) {
            services.qualityChecker = std::make_unique<FakeQualityChecker>();
            standIns.qualityStandIn = true;
        }
        if (!services.screenshotProcessor || standInReader) {
            auto processor = std::make_unique<FakeScreenshotProcessor>();
            standIns.ocrResult = processor->result;
            standIns.ocrGate = processor->gate;
            services.screenshotProcessor = std::move(processor);
        }
        auto settings = std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
        auto vm = std::make_unique<WorkflowViewModel>(std::move(services), std::move(settings));
        window = std::make_unique<MainWindow>(std::move(vm), panelsPointer);
    }

    WorkflowViewModel *vm() const { return window->contentView()->viewModel(); }
    ContentView *content() const { return window->contentView(); }

    template <typename T = QAbstractButton>
    T *find(const QString &name, QWidget *root = nullptr) const
    {
        QWidget *base = root ? root : window.get();
        const QList<T *> all = base->findChildren<T *>(name);
        for (T *w : all)
            if (w->isVisibleTo(base))
                return w;
        return all.value(0);
    }

    std::shared_ptr<PanelScript> script = std::make_shared<PanelScript>();
    StandIns standIns;
    std::unique_ptr<MainWindow> window;
};

// Lets the coalesced redraws and queued job results run.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace quillmore::testing
