#include "completionview.h"

#include "appearance.h"
#include "confirmations.h"
#include "model/localization.h"
#include "widgets.h"
#include "workflow/screentexts.h"
#include "workflow/workflowviewmodel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillmore {

namespace {

qint64 countFlag(const QualityCheckBatchResult &result, QualityFlag flag)
{
    qint64 n = 0;
    for (auto it = result.flagsByDestinationPath.cbegin(); it != result.flagsByDestinationPath.cend(); ++it)
        n += it.value().contains(flag) ? 1 : 0;
    return n;
}

qint64 countSkip(const QualityCheckBatchResult &result, QualityCheckSkip skip)
{
    qint64 n = 0;
    for (auto it = result.skippedByDestinationPath.cbegin(); it != result.skippedByDestinationPath.cend(); ++it)
        n += it.value().contains(skip) ? 1 : 0;
    return n;
}

} // namespace

CompletionView::CompletionView(ScreenContext context, std::function<void()> showReport, QWidget *parent)
    : QWidget(parent), m_vm(context.viewModel)
{
    setObjectName(QStringLiteral("completionView"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 10, 0, 0);
    column->setSpacing(14);
    auto *title = new QLabel(localized("completion.title"), this);
    title->setObjectName(QStringLiteral("completion.title"));
    applyTextStyle(title, TextStyle::title);
    markAsHeading(title);
    column->addWidget(title);
    m_cancelled = new SymbolLabel(QStringLiteral("exclamationmark.triangle"), localized("completion.cancelled"),
                                  namedColor(NamedColor::orange), 16, this);
    m_cancelled->setObjectName(QStringLiteral("completion.cancelled"));
    column->addWidget(m_cancelled);
    auto *linesBox = new QWidget(this);
    linesBox->setObjectName(QStringLiteral("completion.lines"));
    m_lines = new QVBoxLayout(linesBox);
    m_lines->setContentsMargins(0, 0, 0, 0);
    m_lines->setSpacing(7);
    column->addWidget(linesBox);
    column->addSpacing(12);

    auto *buttons = new QHBoxLayout();
    buttons->setSpacing(8);
    auto *report = new QPushButton(localized("completion.report"), this);
    report->setObjectName(QStringLiteral("completion.report"));
    connect(report, &QPushButton::clicked, this, [showReport] { showReport(); });
    auto *again = new QPushButton(localized("completion.new"), this);
    again->setObjectName(QStringLiteral("completion.new"));
    connect(again, &QPushButton::clicked, this, [this] {
        if (settleUnsavedReport(window(), m_vm))
            m_vm->startOver();
    });
    auto *open = makeProminentButton(localized("completion.open.destination"), this);
    setProminent(open, true);
    open->setObjectName(QStringLiteral("completion.open.destination"));
    connect(open, &QPushButton::clicked, this, [this] { m_vm->openDestination(); });
    bindDefaultKey(this, open);
    buttons->addWidget(report);
    buttons->addWidget(again);
    buttons->addStretch(1);
    buttons->addWidget(open);
    column->addLayout(buttons);
    column->addStretch(1);
    new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

void CompletionView::refresh()
{
    m_cancelled->setVisible(m_vm->copyResult() && m_vm->copyResult()->wasCancelled);

    QStringList lines;
    const SearchTarget target = m_vm->searchTarget();
    lines << countedText(completionLineKey(target), m_vm->copiedPrimaryOutcomes().size());
    if (target == SearchTarget::raw)
        lines << countedText(L10N("completion.xmp"), m_vm->copiedSidecarOutcomes().size());
    lines << countedText(L10N("completion.skipped"), m_vm->skippedReportRows().size());
    lines << countedText(L10N("completion.errors"), m_vm->failedOutcomes().size());
    const QualityCheckOptions &ran = m_vm->completedQualityOptions();
    const QualityCheckBatchResult &quality = m_vm->qualityResult();
    if (ran.blur) {
        lines << countedText(L10N("completion.possible.unsharp"), countFlag(quality, QualityFlag::possibleUnsharp));
        lines << countedText(L10N("completion.blur.not.assessed"),
                             countSkip(quality, QualityCheckSkip::blurNotAssessed));
    }
    if (ran.duplicate)
        lines << countedText(L10N("completion.duplicates"), countFlag(quality, QualityFlag::duplicate));
    if (ran.fileCheck) {
        lines << countedText(L10N("completion.file.check"), countFlag(quality, QualityFlag::fileCheck));
        lines << countedText(L10N("completion.file.check.not.assessed"),
                             countSkip(quality, QualityCheckSkip::fileCheckNotAssessed));
    }
    if (lines == lineTexts())
        return;
    while (QLayoutItem *item = m_lines->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QString &text : lines) {
        auto *label = new QLabel(text, m_lines->parentWidget());
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 1.1);
        label->setFont(font);
        m_lines->addWidget(label);
    }
}

QStringList CompletionView::lineTexts() const
{
    QStringList texts;
    for (int i = 0; i < m_lines->count(); ++i)
        if (auto *label = qobject_cast<QLabel *>(m_lines->itemAt(i)->widget()))
            texts << label->text();
    return texts;
}

} // namespace quillmore
