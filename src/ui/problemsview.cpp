#include "problemsview.h"

#include "appearance.h"
#include "desktop.h"
#include "model/localization.h"
#include "platform/imageheader.h"
#include "targettexts.h"
#include "platform/paths.h"
#include "progressviews.h"
#include "thumbnailservice.h"
#include "widgets.h"
#include "workflow/workflowviewmodel.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quillmore {

QString pixelSizeText(qint64 width, qint64 height)
{
    return QString::number(width) + QStringLiteral(" × ") + QString::number(height) + QStringLiteral(" px");
}

QString candidateDetails(const RawCandidate &candidate)
{
    QStringList parts;
    parts << fileByteCount(candidate.size);
    if (candidate.pixelWidth && candidate.pixelHeight)
        parts << pixelSizeText(*candidate.pixelWidth, *candidate.pixelHeight);
    if (candidate.modificationDate) {
        const QLocale locale;
        const QDateTime local = candidate.modificationDate->toLocalTime();
        parts << locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ')
                + locale.toString(local.time(), QLocale::ShortFormat);
    }
    return parts.join(QStringLiteral(" · "));
}

QString selectionSourceLine(const SelectedJPEG &selection)
{
    if (selection.localURL)
        return *selection.localURL;
    if (!selection.sourceScreenshotURLs.isEmpty()) {
        QStringList names;
        for (const FileURL &url : selection.sourceScreenshotURLs)
            names << lastPathComponent(url);
        return localized("screenshot.from.sources", names.join(QStringLiteral(", ")));
    }
    return localized("screenshot.virtual.selection");
}

namespace {

QLabel *selectableCaption(const QString &text, bool secondary, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    applyTextStyle(label, secondary ? TextStyle::captionSecondary : TextStyle::caption);
    return label;
}

QPushButton *revealButton(const QString &path, QWidget *parent)
{
    auto *button = new QPushButton(localized("button.show.finder"), parent);
    button->setObjectName(QStringLiteral("button.show.finder"));
    QObject::connect(button, &QPushButton::clicked, parent, [path, button] {
        if (revealInFileBrowser(path))
            return;
        // No file browser: the place in words, selectable to copy.
        auto *message = new QMessageBox(QMessageBox::Information, localized("button.show.finder"),
                                        localized("reveal.unavailable", path), QMessageBox::Ok, button->window());
        message->setObjectName(QStringLiteral("revealFallback"));
        message->setTextInteractionFlags(Qt::TextSelectableByMouse);
        message->setAttribute(Qt::WA_DeleteOnClose);
        message->open();
    });
    return button;
}

} // namespace

ProblemsView::ProblemsView(ScreenContext context, QWidget *parent)
    : Sheet(QStringLiteral("problemsSheet"), QSize(720, 520), parent), m_vm(context.viewModel)
{
    setWindowTitle(localized("problems.title"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    auto *header = new QHBoxLayout();
    auto *title = new QLabel(localized("problems.title"), this);
    applyTextStyle(title, TextStyle::title2);
    markAsHeading(title);
    header->addWidget(title, 1);
    auto *done = new QPushButton(localized("button.done"), this);
    done->setObjectName(QStringLiteral("button.done"));
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    header->addWidget(done);
    column->addLayout(header);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("problemsList"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_list = new QWidget(m_scroll);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 6, 0);
    m_listLayout->setSpacing(10);
    m_listLayout->addStretch(1);
    m_scroll->setWidget(m_list);
    column->addWidget(m_scroll, 1);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (value >= m_scroll->verticalScrollBar()->maximum() - m_scroll->viewport()->height())
            buildMore();
    });

    m_empty = new QWidget(this);
    m_empty->setObjectName(QStringLiteral("problems.none"));
    auto *emptyLayout = new QVBoxLayout(m_empty);
    emptyLayout->addStretch(1);
    auto *emptyIcon = new QLabel(m_empty);
    emptyIcon->setPixmap(
        symbolIcon(QStringLiteral("checkmark.circle"), namedColor(NamedColor::secondary)).pixmap(40, 40));
    emptyLayout->addWidget(emptyIcon, 0, Qt::AlignHCenter);
    auto *emptyTitle = new QLabel(localized("problems.none"), m_empty);
    applyTextStyle(emptyTitle, TextStyle::title3);
    emptyLayout->addWidget(emptyTitle, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(1);
    column->addWidget(m_empty, 1);

    new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

void ProblemsView::refresh()
{
    QList<SelectionResult> problems;
    for (const SelectionResult &result : m_vm->results())
        if (result.status == SelectionStatus::notFound || result.status == SelectionStatus::ambiguous)
            problems << result;
    const QList<CopyPreflightIssue> &issues = m_vm->copyPlan().issues;
    if (m_shown && problems == m_problems && issues == m_issues && m_target == m_vm->searchTarget())
        return;
    if (m_shown && issues == m_issues && m_target == m_vm->searchTarget() && removeSettled(problems))
        return;
    m_shown = true;
    m_problems = problems;
    m_issues = issues;
    m_target = m_vm->searchTarget();
    const int keepScroll = m_scroll->verticalScrollBar()->value();
    const int wanted = std::max(m_built, kBatch);
    while (m_listLayout->count() > 1) {
        QLayoutItem *item = m_listLayout->takeAt(0);
        delete item->widget();
        delete item;
    }
    m_built = 0;
    const bool empty = problems.isEmpty() && issues.isEmpty();
    m_empty->setVisible(empty);
    m_scroll->setVisible(!empty);
    while (m_built < std::min(wanted, problemCount()))
        buildMore();
    m_scroll->verticalScrollBar()->setValue(keepScroll);
}

bool ProblemsView::removeSettled(const QList<SelectionResult> &problems)
{
    // The common change: some names stopped being problems (a file was chosen, or they were
    // skipped) and the rest are as they were. Only their panels go; the others stay built.
    QList<int> gone;
    qsizetype next = 0;
    for (int i = 0; i < m_problems.size(); ++i) {
        if (next < problems.size() && problems[next] == m_problems[i])
            ++next;
        else
            gone << i;
    }
    if (next != problems.size() || gone.isEmpty())
        return false;
    for (qsizetype k = gone.size() - 1; k >= 0; --k) {
        const int index = int(m_issues.size()) + gone[k];
        if (index >= m_built)
            continue;
        QLayoutItem *item = m_listLayout->takeAt(index);
        delete item->widget();
        delete item;
        --m_built;
    }
    m_problems = problems;
    while (m_built < std::min(kBatch, problemCount()))
        buildMore();
    const bool empty = problemCount() == 0;
    m_empty->setVisible(empty);
    m_scroll->setVisible(!empty);
    return true;
}

void ProblemsView::buildMore()
{
    const int end = std::min(m_built + kBatch, problemCount());
    for (; m_built < end; ++m_built) {
        QWidget *panel = m_built < m_issues.size() ? makeIssuePanel(m_issues[m_built])
                                                   : makeResultPanel(m_problems[m_built - m_issues.size()]);
        m_listLayout->insertWidget(m_listLayout->count() - 1, panel);
    }
}

QWidget *ProblemsView::makeIssuePanel(const CopyPreflightIssue &issue)
{
    auto *panel = new QFrame(m_list);
    panel->setObjectName(QStringLiteral("issue.") + rawValue(issue.kind));
    panel->setProperty("panel", true);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    const bool space = issue.kind == CopyPreflightIssueKind::insufficientSpace;
    auto *message = new SymbolLabel(space ? QStringLiteral("externaldrive.badge.exclamationmark")
                                          : QStringLiteral("exclamationmark.triangle"),
                                    issue.message, namedColor(NamedColor::orange), 16, panel);
    message->setObjectName(QStringLiteral("message"));
    layout->addWidget(message);
    if (issue.sourceURL) {
        auto *row = new QHBoxLayout();
        row->addWidget(selectableCaption(*issue.sourceURL, false, panel), 1);
        row->addWidget(revealButton(*issue.sourceURL, panel));
        layout->addLayout(row);
    }
    if (issue.destinationURL)
        layout->addWidget(selectableCaption(*issue.destinationURL, true, panel));
    // A clash with a file already in the destination: what can be done about it.
    const bool clash = issue.kind == CopyPreflightIssueKind::alreadyExists
        || issue.kind == CopyPreflightIssueKind::nameConflict;
    if (clash && !issue.selectionIDs.isEmpty()) {
        auto *row = new QHBoxLayout();
        if (issue.destinationURL && QFileInfo::exists(*issue.destinationURL))
            row->addWidget(revealButton(*issue.destinationURL, panel));
        if (m_vm->conflictPolicy() == ConflictPolicy::skip) {
            auto *numbered = new QPushButton(localized("problems.clash.numbered"), panel);
            numbered->setObjectName(QStringLiteral("problems.clash.numbered"));
            numbered->setToolTip(localized("problems.clash.numbered.hint"));
            connect(numbered, &QPushButton::clicked, this,
                    [vm = m_vm] { vm->setConflictPolicy(ConflictPolicy::keepNumbered); });
            row->addWidget(numbered);
        }
        auto *leave = new QPushButton(localized("problems.clash.skip"), panel);
        leave->setObjectName(QStringLiteral("problems.clash.skip"));
        const QList<QUuid> ids(issue.selectionIDs.cbegin(), issue.selectionIDs.cend());
        connect(leave, &QPushButton::clicked, this, [vm = m_vm, ids] {
            for (const QUuid &id : ids)
                vm->skipResult(id);
        });
        row->addWidget(leave);
        row->addStretch(1);
        layout->addLayout(row);
    }
    return panel;
}

QWidget *ProblemsView::makeResultPanel(const SelectionResult &result)
{
    auto *panel = new QFrame(m_list);
    panel->setObjectName(QStringLiteral("problem.") + result.selection.fileName);
    panel->setProperty("panel", true);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    // The client's pick itself, to compare the candidates with.
    auto *pick = new QHBoxLayout();
    pick->setSpacing(12);
    if (result.selection.localURL) {
        auto *thumbnail = new ThumbnailView(*result.selection.localURL, 64, QSize(72, 72),
                                            QStringLiteral("photo.on.rectangle.angled"), panel);
        thumbnail->setObjectName(QStringLiteral("pick.thumbnail"));
        pick->addWidget(thumbnail);
    }
    auto *pickTexts = new QVBoxLayout();
    pickTexts->setSpacing(2);
    auto *name = new QLabel(result.selection.fileName, panel);
    applyTextStyle(name, TextStyle::headline);
    pickTexts->addWidget(name);
    auto *source = selectableCaption(selectionSourceLine(result.selection), true, panel);
    source->setObjectName(QStringLiteral("source"));
    pickTexts->addWidget(source);
    if (result.selection.localURL) {
        QString pickLine = localized("problems.pick");
        if (const auto size = jpegPixelSize(*result.selection.localURL))
            pickLine += QStringLiteral(" · ") + pixelSizeText(size->width, size->height);
        auto *pickDetails = selectableCaption(pickLine, true, panel);
        pickDetails->setObjectName(QStringLiteral("pick.details"));
        pickTexts->addWidget(pickDetails);
    }
    pick->addLayout(pickTexts, 1);
    layout->addLayout(pick);
    const bool notFound = result.status == SelectionStatus::notFound;
    auto *heading = new QLabel(
        localized(notFound ? problemsNotFoundHeadingKey(m_target) : problemsMultipleHeadingKey(m_target)), panel);
    heading->setObjectName(QStringLiteral("heading"));
    setTextColor(heading, namedColor(NamedColor::orange));
    layout->addWidget(heading);
    const QUuid id = result.id();
    if (!notFound) {
        for (int i = 0; i < result.candidates.size(); ++i) {
            if (i > 0)
                layout->addWidget(makeDivider(panel));
            layout->addWidget(makeCandidateRow(result, result.candidates[i]));
        }
    }
    auto *buttons = new QHBoxLayout();
    buttons->setSpacing(8);
    if (result.selection.localURL)
        buttons->addWidget(revealButton(*result.selection.localURL, panel));
    if (notFound) {
        auto *manual = new QPushButton(localized(problemsChooseManualButtonKey(m_target)), panel);
        manual->setObjectName(QStringLiteral("problems.choose.manual"));
        connect(manual, &QPushButton::clicked, this, [this, id] { m_vm->chooseFileManually(id); });
        buttons->addWidget(manual);
    }
    auto *skip = new QPushButton(localized("button.skip"), panel);
    skip->setObjectName(QStringLiteral("button.skip"));
    connect(skip, &QPushButton::clicked, this, [this, id] { m_vm->skipResult(id); });
    buttons->addWidget(skip);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return panel;
}

QWidget *ProblemsView::makeCandidateRow(const SelectionResult &result, const RawCandidate &candidate)
{
    auto *row = new QWidget(m_list);
    row->setObjectName(QStringLiteral("candidate.") + lastPathComponent(candidate.url));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(12);
    layout->addWidget(new ThumbnailView(candidate.url, 64, QSize(72, 72), QStringLiteral("doc.richtext"), row));
    auto *texts = new QVBoxLayout();
    texts->setSpacing(2);
    texts->addWidget(new QLabel(lastPathComponent(candidate.url), row));
    texts->addWidget(selectableCaption(candidate.url, true, row));
    auto *details = selectableCaption(candidateDetails(candidate), true, row);
    details->setObjectName(QStringLiteral("details"));
    texts->addWidget(details);
    layout->addLayout(texts, 1);
    layout->addWidget(revealButton(candidate.url, row));
    auto *use = makeProminentButton(localized(problemsUseButtonKey(m_target)), row);
    use->setObjectName(QStringLiteral("problems.use"));
    const QUuid id = result.id();
    const FileURL url = candidate.url;
    connect(use, &QPushButton::clicked, this, [this, url, id] { m_vm->chooseCandidate(url, id); });
    layout->addWidget(use);
    return row;
}

} // namespace quillmore
