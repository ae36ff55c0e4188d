#include "contentview.h"

#include "appearance.h"
#include "completionview.h"
#include "model/localization.h"
#include "problemsview.h"
#include "progressviews.h"
#include "screenshotreviewview.h"
#include "setupview.h"
#include "summaryview.h"
#include "tables.h"
#include "widgets.h"
#include "workflow/workflowviewmodel.h"

#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace quillmore {

ContentView::ContentView(std::unique_ptr<WorkflowViewModel> viewModel, QWidget *parent)
    : QWidget(parent), m_vm(std::move(viewModel)), m_context{m_vm.get(), {}}
{
    setObjectName(QStringLiteral("contentView"));
    setStyleSheet(applicationStyleSheet());
    setMinimumSize(860, 740);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto *body = new QWidget(this);
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(30, 26, 30, 20);
    column->setSpacing(22);
    auto *header = new QVBoxLayout();
    header->setSpacing(2);
    auto *title = new QLabel(localized("app.title"), body);
    title->setObjectName(QStringLiteral("app.title"));
    QFont titleFont = title->font();
    titleFont.setPixelSize(34);
    titleFont.setWeight(QFont::Bold);
    title->setFont(titleFont);
    markAsHeading(title);
    auto *subtitle = new QLabel(localized("app.subtitle"), body);
    subtitle->setObjectName(QStringLiteral("app.subtitle"));
    applyTextStyle(subtitle, TextStyle::title3);
    setTextColor(subtitle, namedColor(NamedColor::secondary));
    header->addWidget(title);
    header->addWidget(subtitle);
    column->addLayout(header);

    m_context.showWarnings = [this] { setShowWarnings(true); };
    m_stack = new QStackedWidget(body);
    m_setup = new SetupView(m_context, m_stack);
    m_scan = new ScanProgressView(m_context, m_stack);
    m_summary = new SummaryView(
        m_context, [this] { setShowProblems(true); }, [this] { setShowFiles(true); }, m_stack);
    m_copy = new CopyProgressView(m_context, m_stack);
    m_completion = new CompletionView(
        m_context, [this] { setShowReport(true); }, m_stack);
    m_stack->addWidget(m_setup);
    m_stack->addWidget(m_scan);
    m_stack->addWidget(m_summary);
    m_stack->addWidget(m_copy);
    m_stack->addWidget(m_completion);
    column->addWidget(m_stack, 1);
    outer->addWidget(body, 1);

    m_strip = new StatusStrip(this);
    outer->addWidget(m_strip);
    connect(m_strip, &StatusStrip::warningsRequested, this, [this] { setShowWarnings(true); });

    connect(m_vm.get(), &WorkflowViewModel::stageChanged, this, &ContentView::syncStage);
    connect(m_vm.get(), &WorkflowViewModel::isShowingScreenshotReviewChanged, this, &ContentView::syncReview);
    connect(m_vm.get(), &WorkflowViewModel::errorMessageChanged, this, &ContentView::syncError);
    connect(m_vm.get(), &WorkflowViewModel::statusMessageChanged, this, &ContentView::refresh);
    connect(m_vm.get(), &WorkflowViewModel::warningsChanged, this, &ContentView::refresh);
    connect(m_vm.get(), &WorkflowViewModel::stageChanged, this, &ContentView::refresh);
    syncStage();
    refresh();
    // Folders restored at start-up may already have set an error.
    QMetaObject::invokeMethod(this, &ContentView::syncError, Qt::QueuedConnection);
    QMetaObject::invokeMethod(this, &ContentView::syncReview, Qt::QueuedConnection);
}

ContentView::~ContentView()
{
    // Sheets and the alert first: they watch the controller. Nothing here answers the controller
    // any more.
    m_vm->disconnect(this);
    if (m_alert)
        m_alert->disconnect();
    delete m_problems.data();
    delete m_files.data();
    delete m_report.data();
    delete m_warnings.data();
    delete m_review.data();
    delete m_alert.data();
}

QWidget *ContentView::currentScreen() const
{
    return m_stack->currentWidget();
}

void ContentView::refresh()
{
    StatusTone tone = StatusTone::neutral;
    if (m_vm->stage() == WorkflowStage::completed && m_vm->copyResult()) {
        switch (m_vm->completionKind()) {
        case CompletionKind::allCopied: tone = StatusTone::success; break;
        case CompletionKind::someFailed:
        case CompletionKind::nothingCopied: tone = StatusTone::failure; break;
        case CompletionKind::cancelled:
        case CompletionKind::checksCancelled: tone = StatusTone::attention; break;
        }
    }
    m_strip->setStatus(m_vm->statusMessage(), int(m_vm->warnings().size()), tone);
}

void ContentView::syncStage()
{
    QWidget *screen = m_setup;
    switch (m_vm->stage()) {
    case WorkflowStage::setup: screen = m_setup; break;
    case WorkflowStage::scanning: screen = m_scan; break;
    case WorkflowStage::summary: screen = m_summary; break;
    case WorkflowStage::copying: screen = m_copy; break;
    case WorkflowStage::completed: screen = m_completion; break;
    }
    m_stack->setCurrentWidget(screen);
    // The summary's sheets belong to the summary; the report to the completion screen.
    if (m_vm->stage() != WorkflowStage::summary) {
        setShowProblems(false);
        setShowFiles(false);
    }
    if (m_vm->stage() != WorkflowStage::completed)
        setShowReport(false);
}

namespace {

template <typename SheetType>
void presentSheet(QPointer<SheetType> &slot, bool show, const std::function<SheetType *()> &make)
{
    if (show && !slot) {
        slot = make();
        slot->open();
    } else if (!show && slot) {
        slot->close();
    }
}

} // namespace

void ContentView::setShowProblems(bool show)
{
    presentSheet<ProblemsView>(m_problems, show, [this] { return new ProblemsView(m_context, this); });
}

void ContentView::setShowFiles(bool show)
{
    presentSheet<FilesView>(m_files, show, [this] { return new FilesView(m_context, this); });
}

void ContentView::setShowReport(bool show)
{
    presentSheet<ReportView>(m_report, show, [this] { return new ReportView(m_context, this); });
}

void ContentView::setShowWarnings(bool show)
{
    presentSheet<WarningsView>(m_warnings, show, [this] { return new WarningsView(m_context, this); });
}

void ContentView::syncReview()
{
    const bool show = m_vm->isShowingScreenshotReview();
    if (show && !m_review) {
        m_review = new ScreenshotReviewView(m_context, this);
        // However the sheet closes, the controller's flag follows.
        connect(m_review, &QDialog::finished, this, [this] { m_vm->setShowingScreenshotReview(false); });
        m_review->open();
    } else if (!show && m_review) {
        m_review->close();
    }
}

void ContentView::syncError()
{
    const std::optional<QString> &message = m_vm->errorMessage();
    if (!message) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (m_alert) {
        m_alert->setInformativeText(*message);
        return;
    }
    // Over the sheet the user is looking at, if one is open, so that it is seen at once.
    QWidget *over = this;
    for (QWidget *sheet : std::initializer_list<QWidget *>{m_problems, m_files, m_report, m_warnings, m_review})
        if (sheet && sheet->isVisible())
            over = sheet;
    m_alert = new QMessageBox(QMessageBox::Warning, localized("error.title"), localized("error.title"),
                              QMessageBox::NoButton, over);
    m_alert->setObjectName(QStringLiteral("errorAlert"));
    m_alert->setInformativeText(*message);
    QPushButton *ok = m_alert->addButton(localized("button.ok"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("button.ok"));
    m_alert->setDefaultButton(ok);
    m_alert->setEscapeButton(ok);
    m_alert->setWindowModality(Qt::WindowModal);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    // Dismissed by the button or otherwise, the message is cleared.
    connect(m_alert, &QDialog::finished, this, [this] { m_vm->clearErrorMessage(); });
    // Closed with its sheet: the message is dismissed as well.
    connect(m_alert, &QObject::destroyed, this, [vm = m_vm.get()] {
        if (vm->errorMessage())
            vm->clearErrorMessage();
    });
    m_alert->open();
}

} // namespace quillmore
