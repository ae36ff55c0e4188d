#include "summaryview.h"

#include "appearance.h"
#include "model/localization.h"
#include "targettexts.h"
#include "widgets.h"
#include "workflow/workflowviewmodel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillmore {

SummaryView::SummaryView(ScreenContext context, std::function<void()> showProblems, std::function<void()> showFiles,
                         QWidget *parent)
    : QWidget(parent), m_vm(context.viewModel)
{
    setObjectName(QStringLiteral("summaryView"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 10, 0, 0);
    column->setSpacing(14);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    applyTextStyle(m_title, TextStyle::title2);
    column->addWidget(m_title);
    m_space = new SymbolLabel(QStringLiteral("externaldrive.badge.exclamationmark"), QString(),
                              namedColor(NamedColor::red), 18, this);
    m_space->setObjectName(QStringLiteral("insufficientSpace"));
    column->addWidget(m_space);
    auto *lines = new QVBoxLayout();
    lines->setSpacing(10);
    m_found = new SummaryLine(QStringLiteral("checkmark.circle.fill"), this);
    m_found->setObjectName(QStringLiteral("summary.found"));
    m_missing = new SummaryLine(QStringLiteral("questionmark.circle.fill"), this);
    m_missing->setObjectName(QStringLiteral("summary.missing"));
    m_ambiguous = new SummaryLine(QStringLiteral("exclamationmark.triangle.fill"), this);
    m_ambiguous->setObjectName(QStringLiteral("summary.ambiguous"));
    lines->addWidget(m_found);
    lines->addWidget(m_missing);
    lines->addWidget(m_ambiguous);
    m_identical = new QLabel(this);
    m_identical->setObjectName(QStringLiteral("summary.identical"));
    m_identical->setWordWrap(true);
    applyTextStyle(m_identical, TextStyle::secondary);
    lines->addWidget(m_identical);
    m_skipped = new SummaryLine(QStringLiteral("minus.circle"), this);
    m_skipped->setObjectName(QStringLiteral("summary.skipped"));
    lines->addWidget(m_skipped);
    m_existing = new SummaryLine(QStringLiteral("checkmark.circle"), this);
    m_existing->setObjectName(QStringLiteral("summary.existing"));
    lines->addWidget(m_existing);
    column->addLayout(lines);
    column->addSpacing(10);

    auto *actions = new QHBoxLayout();
    actions->setSpacing(8);
    // Back to set-up with every choice kept; a new scan applies the choices made here.
    auto *back = new QPushButton(symbolIcon(QStringLiteral("chevron.left")), localized("summary.back"), this);
    back->setObjectName(QStringLiteral("summary.back"));
    back->setToolTip(localized("summary.back.hint"));
    connect(back, &QPushButton::clicked, this, [this] { m_vm->goBackToSetup(); });
    actions->addWidget(back);
    m_undo = new QPushButton(localized("summary.undo"), this);
    m_undo->setObjectName(QStringLiteral("summary.undo"));
    m_undo->setShortcut(QKeySequence::Undo);
    connect(m_undo, &QPushButton::clicked, this, [this] { m_vm->undoLastChoice(); });
    actions->addWidget(m_undo);
    m_problems = new QPushButton(localized("summary.problems"), this);
    m_problems->setObjectName(QStringLiteral("summary.problems"));
    connect(m_problems, &QPushButton::clicked, this, [showProblems] { showProblems(); });
    auto *files = new QPushButton(localized("summary.files"), this);
    files->setObjectName(QStringLiteral("summary.files"));
    connect(files, &QPushButton::clicked, this, [showFiles] { showFiles(); });
    m_warnings = new QPushButton(symbolIcon(QStringLiteral("exclamationmark.triangle"), namedColor(NamedColor::orange)),
                                 QString(), this);
    m_warnings->setObjectName(QStringLiteral("summary.warnings"));
    connect(m_warnings, &QPushButton::clicked, this, [show = context.showWarnings] {
        if (show)
            show();
    });
    auto *add = new QPushButton(symbolIcon(QStringLiteral("plus")), localized("setup.search.add"), this);
    add->setObjectName(QStringLiteral("summary.addSearchLocation"));
    connect(add, &QPushButton::clicked, this, [this] { m_vm->addSearchLocations(); });
    m_remove = new QToolButton(this);
    m_remove->setObjectName(QStringLiteral("setup.search.remove"));
    m_remove->setText(localized("setup.search.remove"));
    m_remove->setPopupMode(QToolButton::InstantPopup);
    m_remove->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_remove->setMenu(new QMenu(m_remove));
    actions->addWidget(m_problems);
    actions->addWidget(files);
    actions->addWidget(m_warnings);
    actions->addWidget(add);
    actions->addWidget(m_remove);
    actions->addStretch(1);
    m_copy = makeProminentButton(QString(), this);
    setProminent(m_copy, true);
    m_copy->setObjectName(QStringLiteral("summary.copy"));
    connect(m_copy, &QPushButton::clicked, this, [this] { m_vm->startCopy(); });
    bindDefaultKey(this, m_copy);
    actions->addWidget(m_copy);
    column->addLayout(actions);
    column->addStretch(1);
    new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

void SummaryView::refresh()
{
    const QString title = localizedCount(L10N("summary.checked"), qint64(m_vm->results().size()));
    setTextIfChanged(m_title, title);
    m_title->setAccessibleName(title);

    const CopyPreflightIssue *space = nullptr;
    for (const CopyPreflightIssue &issue : m_vm->copyPlan().issues)
        if (issue.kind == CopyPreflightIssueKind::insufficientSpace) {
            space = &issue;
            break;
        }
    m_space->setVisible(space != nullptr);
    m_space->setText(space ? space->message : QString());

    const qint64 found = m_vm->foundResults().size();
    const qint64 missing = m_vm->notFoundResults().size();
    const qint64 ambiguous = m_vm->ambiguousResults().size();
    m_found->set(namedColor(NamedColor::green), countedText(summaryFoundLineKey(m_vm->searchTarget()), found));
    m_missing->set(namedColor(missing > 0 ? NamedColor::orange : NamedColor::secondary),
                   countedText(L10N("summary.missing"), missing));
    m_ambiguous->set(namedColor(ambiguous > 0 ? NamedColor::orange : NamedColor::secondary),
                     countedText(L10N("summary.ambiguous"), ambiguous));
    // Every picture checked is on exactly one of the lines above and these: the ones skipped by
    // the user have their own line, and the found ones already in the destination are told apart.
    qint64 skipped = 0;
    for (const SelectionResult &result : m_vm->results())
        skipped += result.status == SelectionStatus::skipped ? 1 : 0;
    m_skipped->set(namedColor(NamedColor::secondary), countedText(L10N("summary.skipped"), skipped));
    m_skipped->setVisible(skipped > 0);
    QSet<QUuid> existing;
    for (const CopyPreflightIssue &issue : m_vm->copyPlan().issues)
        if (issue.kind == CopyPreflightIssueKind::alreadyExists || issue.kind == CopyPreflightIssueKind::nameConflict)
            existing.unite(issue.selectionIDs);
    for (const SelectionResult &result : m_vm->results())
        if (result.status == SelectionStatus::existsAtDestination)
            existing.insert(result.id());
    m_existing->set(namedColor(NamedColor::secondary), countedText(L10N("summary.existing"), existing.size()));
    m_existing->setVisible(!existing.isEmpty());
    m_problems->setEnabled(missing + ambiguous + m_vm->copyPlan().issues.size() > 0);
    m_undo->setEnabled(m_vm->canUndoChoice());
    const qint64 identical = m_vm->identicalCandidatesMerged();
    m_identical->setVisible(identical > 0);
    setTextIfChanged(m_identical, localizedCount(L10N("summary.identical"), identical));
    const qint64 warnings = m_vm->warnings().size();
    m_warnings->setVisible(warnings > 0);
    const QString warningsTitle = countedText(L10N("summary.warnings"), warnings, true);
    if (m_warnings->text() != warningsTitle)
        m_warnings->setText(warningsTitle);

    QMenu *menu = m_remove->menu();
    menu->clear();
    for (const SearchLocation &location : m_vm->searchLocations()) {
        const QUuid id = location.id;
        menu->addAction(location.url, this, [this, id] { m_vm->removeSearchLocation(id); });
    }
    m_remove->setEnabled(!m_vm->searchLocations().isEmpty());

    const qint64 tasks = m_vm->primaryCopyTasks().size();
    const QString copyTitle = countedText(summaryCopyButtonKey(m_vm->searchTarget()), tasks, true);
    if (m_copy->text() != copyTitle)
        m_copy->setText(copyTitle);
    m_copy->setEnabled(tasks > 0);
}

} // namespace quillmore
