#include "completionview.h"

#include "appearance.h"
#include "confirmations.h"
#include "model/localization.h"
#include "widgets.h"
#include "workflow/screentexts.h"
#include "workflow/workflowviewmodel.h"

#include "platform/paths.h"

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
    auto *titleRow = new QHBoxLayout();
    titleRow->setSpacing(10);
    m_titleIcon = new QLabel(this);
    m_titleIcon->setObjectName(QStringLiteral("completion.icon"));
    m_titleIcon->setFixedSize(28, 28);
    m_title = new QLabel(localized("completion.title"), this);
    m_title->setObjectName(QStringLiteral("completion.title"));
    m_title->setWordWrap(true);
    applyTextStyle(m_title, TextStyle::title);
    markAsHeading(m_title);
    titleRow->addWidget(m_titleIcon, 0, Qt::AlignVCenter);
    titleRow->addWidget(m_title, 1);
    column->addLayout(titleRow);
    m_cancelled = new SymbolLabel(QStringLiteral("exclamationmark.triangle"), localized("completion.cancelled"),
                                  namedColor(NamedColor::orange), 16, this);
    m_cancelled->setObjectName(QStringLiteral("completion.cancelled"));
    column->addWidget(m_cancelled);
    m_checksCancelled = new SymbolLabel(QStringLiteral("exclamationmark.triangle"),
                                        localized("completion.checks.cancelled"), namedColor(NamedColor::orange), 16,
                                        this);
    m_checksCancelled->setObjectName(QStringLiteral("completion.checks.cancelled"));
    column->addWidget(m_checksCancelled);
    auto *linesBox = new QWidget(this);
    linesBox->setObjectName(QStringLiteral("completion.lines"));
    m_lines = new QVBoxLayout(linesBox);
    m_lines->setContentsMargins(0, 0, 0, 0);
    m_lines->setSpacing(7);
    column->addWidget(linesBox);
    m_failuresHeading = new QLabel(localized("completion.failures"), this);
    m_failuresHeading->setObjectName(QStringLiteral("completion.failures.heading"));
    applyTextStyle(m_failuresHeading, TextStyle::headline);
    setTextColor(m_failuresHeading, namedColor(NamedColor::red));
    column->addWidget(m_failuresHeading);
    m_failures = new QLabel(this);
    m_failures->setObjectName(QStringLiteral("completion.failures"));
    m_failures->setWordWrap(true);
    m_failures->setTextFormat(Qt::PlainText);
    m_failures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(m_failures);
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
    m_retry = new QPushButton(localized("completion.retry"), this);
    m_retry->setObjectName(QStringLiteral("completion.retry"));
    connect(m_retry, &QPushButton::clicked, this, [this] { m_vm->retryFailed(); });
    auto *open = makeProminentButton(localized("completion.open.destination"), this);
    setProminent(open, true);
    open->setObjectName(QStringLiteral("completion.open.destination"));
    connect(open, &QPushButton::clicked, this, [this] { m_vm->openDestination(); });
    bindDefaultKey(this, open);
    buttons->addWidget(report);
    buttons->addWidget(again);
    buttons->addStretch(1);
    buttons->addWidget(m_retry);
    buttons->addWidget(open);
    column->addLayout(buttons);
    column->addStretch(1);
    new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

void CompletionView::refresh()
{
    const bool ran = m_vm->copyResult().has_value();
    const CompletionKind kind = m_vm->completionKind();
    const char *titleKey = L10N("completion.title");
    QString symbol = QStringLiteral("checkmark.circle.fill");
    NamedColor tint = NamedColor::green;
    switch (kind) {
    case CompletionKind::allCopied: break;
    case CompletionKind::someFailed:
        titleKey = L10N("completion.title.failed");
        symbol = QStringLiteral("exclamationmark.circle.fill");
        tint = NamedColor::red;
        break;
    case CompletionKind::nothingCopied:
        titleKey = L10N("completion.title.none");
        symbol = QStringLiteral("exclamationmark.circle.fill");
        tint = NamedColor::red;
        break;
    case CompletionKind::cancelled:
        titleKey = L10N("completion.title.cancelled");
        symbol = QStringLiteral("exclamationmark.triangle.fill");
        tint = NamedColor::orange;
        break;
    case CompletionKind::checksCancelled:
        titleKey = L10N("completion.title.checks.cancelled");
        symbol = QStringLiteral("exclamationmark.triangle.fill");
        tint = NamedColor::orange;
        break;
    }
    setTextIfChanged(m_title, localized(titleKey));
    m_title->setAccessibleName(m_title->text());
    if (m_titleIcon->property("symbol").toString() != symbol + QString::number(int(tint))) {
        m_titleIcon->setPixmap(symbolIcon(symbol, namedColor(tint)).pixmap(28, 28));
        m_titleIcon->setProperty("symbol", symbol + QString::number(int(tint)));
    }
    m_titleIcon->setAccessibleName(symbol);
    m_cancelled->setVisible(ran && kind == CompletionKind::cancelled);
    m_checksCancelled->setVisible(ran && kind == CompletionKind::checksCancelled);
    m_retry->setVisible(m_vm->canRetry());
    m_retry->setEnabled(m_vm->canRetry());

    // One line per state a picture can end in: they add up to the pictures checked. The copied
    // line is always there, and so is the failed one; the others only when they hold a picture.
    QStringList lines;
    const SearchTarget target = m_vm->searchTarget();
    const bool settled = !m_vm->settlements().isEmpty();
    lines << countedText(completionLineKey(target),
                         settled ? m_vm->settledCount(ResultOutcome::copied) : m_vm->copiedPrimaryOutcomes().size());
    if (target == SearchTarget::raw)
        lines << countedText(L10N("completion.xmp"), m_vm->copiedSidecarOutcomes().size());
    if (settled) {
        for (ResultOutcome outcome : allResultOutcomes()) {
            if (outcome == ResultOutcome::copied)
                continue;
            const qint64 n = m_vm->settledCount(outcome);
            if (n > 0 || outcome == ResultOutcome::failed)
                lines << localized("format.line.count", outcomeText(outcome), QLocale().toString(n));
        }
    } else {
        lines << countedText(L10N("completion.skipped"), m_vm->skippedReportRows().size());
        lines << countedText(L10N("completion.errors"), m_vm->failedOutcomes().size());
    }
    const QualityCheckOptions &checks = m_vm->completedQualityOptions();
    const QualityCheckBatchResult &quality = m_vm->qualityResult();
    if (checks.blur) {
        lines << countedText(L10N("completion.possible.unsharp"), countFlag(quality, QualityFlag::possibleUnsharp));
        lines << countedText(L10N("completion.blur.not.assessed"),
                             countSkip(quality, QualityCheckSkip::blurNotAssessed));
    }
    if (checks.duplicate)
        lines << countedText(L10N("completion.duplicates"), countFlag(quality, QualityFlag::duplicate));
    if (checks.fileCheck) {
        lines << countedText(L10N("completion.file.check"), countFlag(quality, QualityFlag::fileCheck));
        lines << countedText(L10N("completion.file.check.not.assessed"),
                             countSkip(quality, QualityCheckSkip::fileCheckNotAssessed));
    }

    // Every file that failed, with what the photographer can do about it: the pictures first,
    // then sidecars.
    QStringList failures;
    for (const ResultSettlement &settlement : m_vm->settlements())
        if (settlement.outcome == ResultOutcome::failed)
            failures << localized("format.line.count", settlement.fileName,
                                  failureCauseText(settlement.cause.value_or(CopyFailureCause::other)));
    if (m_vm->copyResult()) {
        for (const CopyFileOutcome &outcome : m_vm->copyResult()->outcomes)
            if (outcome.status == CopyOutcomeStatus::failed && (outcome.kind == CopyFileKind::xmp || !settled))
                failures << localized("format.line.count", lastPathComponent(outcome.sourceURL),
                                      failureCauseText(outcome.cause.value_or(CopyFailureCause::other)));
    }
    if (failures != m_failureTexts) {
        m_failureTexts = failures;
        m_failures->setText(failures.join(QLatin1Char('\n')));
    }
    m_failuresHeading->setVisible(!failures.isEmpty());
    m_failures->setVisible(!failures.isEmpty());

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
