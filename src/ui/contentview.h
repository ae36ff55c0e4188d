#pragma once

// The main window's content: the header, the screen of the current stage, the status strip, the
// sheets and the error alert. It owns the controller for the window's life.

#include "problemsview.h"
#include "screen.h"
#include "screenshotreviewview.h"
#include "tables.h"

#include <QMessageBox>

#include <QPointer>
#include <QWidget>

#include <memory>

class QMessageBox;
class QStackedWidget;

namespace quillmore {

class CompletionView;
class CopyProgressView;
class FilesView;
class ProblemsView;
class ReportView;
class ScanProgressView;
class ScreenshotReviewView;
class SetupView;
class StatusStrip;
class SummaryView;
class WarningsView;

class ContentView : public QWidget {
    Q_OBJECT
public:
    explicit ContentView(std::unique_ptr<WorkflowViewModel> viewModel, QWidget *parent = nullptr);
    ~ContentView() override;

    WorkflowViewModel *viewModel() const { return m_vm.get(); }
    QWidget *currentScreen() const;

    // The sheets; each flag presents its sheet while true.
    void setShowProblems(bool show);
    void setShowFiles(bool show);
    void setShowReport(bool show);
    void setShowWarnings(bool show);
    ProblemsView *problemsSheet() const { return m_problems; }
    FilesView *filesSheet() const { return m_files; }
    ReportView *reportSheet() const { return m_report; }
    WarningsView *warningsSheet() const { return m_warnings; }
    ScreenshotReviewView *screenshotReviewSheet() const { return m_review; }
    QMessageBox *errorAlert() const { return m_alert; }
    StatusStrip *statusStrip() const { return m_strip; }

private:
    void refresh();
    void syncStage();
    void syncReview();
    void syncError();

    std::unique_ptr<WorkflowViewModel> m_vm;
    ScreenContext m_context;
    QStackedWidget *m_stack;
    SetupView *m_setup;
    ScanProgressView *m_scan;
    SummaryView *m_summary;
    CopyProgressView *m_copy;
    CompletionView *m_completion;
    StatusStrip *m_strip;
    QPointer<ProblemsView> m_problems;
    QPointer<FilesView> m_files;
    QPointer<ReportView> m_report;
    QPointer<WarningsView> m_warnings;
    QPointer<ScreenshotReviewView> m_review;
    QPointer<QMessageBox> m_alert;
};

} // namespace quillmore
