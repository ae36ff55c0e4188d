#include "screenshotreviewview.h"

#include "appearance.h"
#include "model/localization.h"
#include "platform/paths.h"
#include "platform/screenshotimage.h"
#include "targettexts.h"
#include "thumbnailservice.h"
#include "widgets.h"
#include "workflow/workflowviewmodel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QSet>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quillmore {

ScreenshotCropView::ScreenshotCropView(const QString &screenshot, const QRect &box, QWidget *parent)
    : QWidget(parent), m_path(screenshot), m_box(box)
{
    setObjectName(QStringLiteral("screenshot.crop"));
    setFixedSize(kSize);
    setAccessibleName(localized("screenshot.crop.accessibility"));
    setToolTip(lastPathComponent(screenshot));
}

QRect ScreenshotCropView::cropRect(const QRect &box, QSize imageSize)
{
    const int margin = std::max(4, box.height() / 3);
    return box.adjusted(-2 * margin, -margin, 2 * margin, margin) & QRect(QPoint(0, 0), imageSize);
}

void ScreenshotCropView::paintEvent(QPaintEvent *)
{
    if (!m_requested) {
        m_requested = true;
        ThumbnailService::load(
            [path = m_path, box = m_box] {
                const QImage screenshot = loadScreenshotImage(path);
                const QRect crop = cropRect(box, screenshot.size());
                return crop.isEmpty() ? QImage() : screenshot.copy(crop);
            },
            this,
            [this](QImage image) {
                m_image = std::move(image);
                m_loaded = true;
                update();
                emit loaded();
            });
    }
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (!m_image.isNull()) {
        // As large as fits, enlarged at most three times: small type becomes readable.
        const QSizeF room = QSizeF(size()) - QSizeF(8, 8);
        const double scale = std::min({room.width() / m_image.width(), room.height() / m_image.height(), 3.0});
        const QSizeF shown = QSizeF(m_image.size()) * scale;
        const QRectF target(QPointF(4, (height() - shown.height()) / 2), shown);
        p.drawImage(target, m_image);
    }
    p.setPen(palette().color(QPalette::Mid));
    p.drawRoundedRect(frame, 4, 4);
}

ScreenshotNameRow::ScreenshotNameRow(WorkflowViewModel *vm, const ScreenshotNameCandidate &candidate, QWidget *parent)
    : QWidget(parent), m_vm(vm), m_id(candidate.id)
{
    setObjectName(QStringLiteral("screenshotNameRow"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(10);
    if (!candidate.sourceScreenshotURLs.isEmpty())
        layout->addWidget(new ThumbnailView(candidate.sourceScreenshotURLs.first(), 48, QSize(48, 48),
                                            QStringLiteral("photo.on.rectangle.angled"), this));
    else {
        auto *pencil = new QLabel(this);
        pencil->setObjectName(QStringLiteral("manualSymbol"));
        pencil->setFixedSize(48, 48);
        pencil->setAlignment(Qt::AlignCenter);
        pencil->setPixmap(
            symbolIcon(QStringLiteral("square.and.pencil"), namedColor(NamedColor::secondary)).pixmap(26, 26));
        layout->addWidget(pencil);
    }
    // Where the name was read, beside the name as it stands: a wrong letter shows at a glance.
    if (!candidate.sourceScreenshotURLs.isEmpty() && !candidate.sourceBox.isEmpty())
        layout->addWidget(new ScreenshotCropView(candidate.sourceScreenshotURLs.first(), candidate.sourceBox, this));
    auto *column = new QVBoxLayout();
    column->setSpacing(3);
    m_field = new QLineEdit(candidate.fileName, this);
    m_field->setObjectName(QStringLiteral("screenshot.filename"));
    m_field->setPlaceholderText(localized("screenshot.filename.placeholder"));
    m_field->setAccessibleName(localized("screenshot.filename.accessibility"));
    connect(m_field, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_vm->updateScreenshotFilename(m_id, text); });
    m_field->installEventFilter(this);
    column->addWidget(m_field);
    auto *notes = new QHBoxLayout();
    notes->setSpacing(8);
    m_check = new SymbolLabel(QStringLiteral("exclamationmark.circle"), localized("screenshot.check.name"),
                              namedColor(NamedColor::orange), 12, this);
    m_check->setObjectName(QStringLiteral("screenshot.check.name"));
    applyTextStyle(m_check->label(), TextStyle::caption);
    setTextColor(m_check->label(), namedColor(NamedColor::orange));
    m_invalid = new QLabel(localized("screenshot.invalid.name"), this);
    m_invalid->setObjectName(QStringLiteral("screenshot.invalid.name"));
    applyTextStyle(m_invalid, TextStyle::caption);
    setTextColor(m_invalid, namedColor(NamedColor::red));
    m_duplicate = new QLabel(localized("screenshot.duplicate.name"), this);
    m_duplicate->setObjectName(QStringLiteral("screenshot.duplicate.name"));
    applyTextStyle(m_duplicate, TextStyle::caption);
    setTextColor(m_duplicate, namedColor(NamedColor::orange));
    notes->addWidget(m_check);
    notes->addWidget(m_invalid);
    notes->addWidget(m_duplicate);
    notes->addStretch(1);
    column->addLayout(notes);
    layout->addLayout(column, 1);
    auto *remove = new QToolButton(this);
    remove->setObjectName(QStringLiteral("screenshot.remove.filename"));
    remove->setAutoRaise(true);
    remove->setIcon(symbolIcon(QStringLiteral("trash"), namedColor(NamedColor::secondary)));
    remove->setAccessibleName(localized("screenshot.remove.filename"));
    remove->setToolTip(localized("screenshot.remove.filename"));
    connect(remove, &QToolButton::clicked, this, [this] { m_vm->removeScreenshotFilename(m_id); });
    layout->addWidget(remove, 0, Qt::AlignTop);
    update(candidate);
}

bool ScreenshotNameRow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_vm->updateScreenshotFilename(m_id, m_field->text());
            m_field->selectAll(); // the name stands; Return again changes nothing
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ScreenshotNameRow::update(const ScreenshotNameCandidate &candidate, bool duplicate)
{
    if (m_field->text() != candidate.fileName)
        m_field->setText(candidate.fileName);
    const bool doubtful = (candidate.confidence < kLowConfidence || candidate.needsNameCheck)
        && !candidate.wasManuallyEdited;
    m_check->setVisible(doubtful);
    m_check->setProperty("shown", doubtful);
    const bool valid = m_vm->isValidScreenshotName(candidate.fileName);
    m_invalid->setVisible(!valid);
    m_invalid->setProperty("shown", !valid);
    m_duplicate->setVisible(duplicate && valid);
    m_duplicate->setProperty("shown", duplicate && valid);
}

bool ScreenshotNameRow::showsDuplicateNote() const
{
    return m_duplicate->property("shown").toBool();
}

bool ScreenshotNameRow::showsCheckNote() const
{
    return m_check->property("shown").toBool();
}

bool ScreenshotNameRow::showsInvalidNote() const
{
    return m_invalid->property("shown").toBool();
}

ScreenshotReviewView::ScreenshotReviewView(ScreenContext context, QWidget *parent)
    : Sheet(QStringLiteral("screenshotReviewSheet"), QSize(720, 540), parent), m_vm(context.viewModel)
{
    setWindowTitle(localized("screenshot.review.title"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    auto *header = new QHBoxLayout();
    auto *title = new QLabel(localized("screenshot.review.title"), this);
    applyTextStyle(title, TextStyle::title2);
    markAsHeading(title);
    header->addWidget(title, 1);
    auto *done = new QPushButton(localized("button.done"), this);
    done->setObjectName(QStringLiteral("button.done"));
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    header->addWidget(done);
    column->addLayout(header);

    auto *stats = new QHBoxLayout();
    stats->setSpacing(16);
    const char *const names[] = {L10N("screenshot.stats.read"), L10N("screenshot.stats.found"),
                                 L10N("screenshot.stats.unique"), L10N("screenshot.stats.duplicates")};
    for (int i = 0; i < 4; ++i) {
        m_stats[i] = new QLabel(this);
        m_stats[i]->setObjectName(QString::fromLatin1(names[i]));
        applyTextStyle(m_stats[i], TextStyle::captionSecondary);
        stats->addWidget(m_stats[i]);
    }
    stats->addStretch(1);
    column->addLayout(stats);

    m_warningsToggle = new QToolButton(this);
    m_warningsToggle->setObjectName(QStringLiteral("screenshot.warnings"));
    m_warningsToggle->setCheckable(true);
    m_warningsToggle->setChecked(false);
    m_warningsToggle->setAutoRaise(true);
    m_warningsToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_warningsToggle->setArrowType(Qt::RightArrow);
    setTextColor(m_warningsToggle, namedColor(NamedColor::orange));
    m_warningsList = new QLabel(this);
    m_warningsList->setObjectName(QStringLiteral("screenshot.warnings.list"));
    m_warningsList->setTextFormat(Qt::RichText);
    m_warningsList->setWordWrap(true);
    applyTextStyle(m_warningsList, TextStyle::captionSecondary);
    m_warningsList->setVisible(false);
    connect(m_warningsToggle, &QToolButton::toggled, this, [this](bool open) {
        m_warningsToggle->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        m_warningsList->setVisible(open);
    });
    column->addWidget(m_warningsToggle, 0, Qt::AlignLeft);
    column->addWidget(m_warningsList);
    column->addWidget(makeDivider(this));

    m_empty = new QWidget(this);
    m_empty->setObjectName(QStringLiteral("screenshot.review.empty"));
    auto *emptyLayout = new QVBoxLayout(m_empty);
    emptyLayout->addStretch(1);
    auto *emptyIcon = new QLabel(m_empty);
    emptyIcon->setPixmap(
        symbolIcon(QStringLiteral("text.magnifyingglass"), namedColor(NamedColor::secondary)).pixmap(40, 40));
    emptyLayout->addWidget(emptyIcon, 0, Qt::AlignHCenter);
    auto *emptyTitle = new QLabel(localized("screenshot.review.empty.title"), m_empty);
    applyTextStyle(emptyTitle, TextStyle::title3);
    emptyLayout->addWidget(emptyTitle, 0, Qt::AlignHCenter);
    auto *emptyText = new QLabel(localized("screenshot.review.empty.description"), m_empty);
    emptyText->setWordWrap(true);
    emptyText->setAlignment(Qt::AlignHCenter);
    applyTextStyle(emptyText, TextStyle::secondary);
    emptyLayout->addWidget(emptyText);
    emptyLayout->addStretch(1);
    column->addWidget(m_empty, 1);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("screenshotNames"));
    m_scroll->setWidgetResizable(true);
    auto *rowsBox = new QWidget(m_scroll);
    m_rowsLayout = new QVBoxLayout(rowsBox);
    m_rowsLayout->setContentsMargins(4, 4, 4, 4);
    m_rowsLayout->setSpacing(2);
    m_rowsLayout->addStretch(1);
    m_scroll->setWidget(rowsBox);
    column->addWidget(m_scroll, 1);

    auto *footer = new QHBoxLayout();
    footer->setSpacing(10);
    auto *add = new QPushButton(symbolIcon(QStringLiteral("plus")), localized("screenshot.add.filename"), this);
    add->setObjectName(QStringLiteral("screenshot.add.filename"));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, [this] { m_vm->addScreenshotFilename(); });
    footer->addWidget(add);
    m_hint = new QLabel(localized("screenshot.configure.hint"), this);
    m_hint->setObjectName(QStringLiteral("screenshot.configure.hint"));
    m_hint->setWordWrap(true);
    applyTextStyle(m_hint, TextStyle::captionSecondary);
    footer->addWidget(m_hint, 1);
    footer->addStretch();
    m_scan = makeProminentButton(QString(), this);
    m_scan->setObjectName(QStringLiteral("screenshot.scan"));
    m_scan->setDefault(true);
    connect(m_scan, &QPushButton::clicked, this, [this] {
        if (!m_vm->canStartScan())
            return;
        accept();
        m_vm->startScan();
    });
    footer->addWidget(m_scan);
    column->addLayout(footer);

    new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

void ScreenshotReviewView::refresh()
{
    const QList<ScreenshotNameCandidate> &candidates = m_vm->screenshotCandidateList().candidates;
    setTextIfChanged(m_stats[0], localizedCount(L10N("screenshot.stats.read"), m_vm->screenshotCount()));
    setTextIfChanged(m_stats[1], localizedCount(L10N("screenshot.stats.found"), m_vm->screenshotFilenameOccurrences()));
    // Names as the search will take them: the same name twice is one picture.
    QList<bool> duplicates;
    QSet<QString> names;
    for (const ScreenshotNameCandidate &c : candidates) {
        const QString name = c.fileName.trimmed().toCaseFolded();
        duplicates << (!name.isEmpty() && names.contains(name));
        if (!name.isEmpty())
            names.insert(name);
    }
    setTextIfChanged(m_stats[2], localizedCount(L10N("screenshot.stats.unique"), qint64(names.size())));
    setTextIfChanged(m_stats[3],
                     localizedCount(L10N("screenshot.stats.duplicates"), m_vm->screenshotDuplicatesRemoved()));

    const QList<AppWarning> &warnings = m_vm->screenshotWarnings();
    m_warningsToggle->setVisible(!warnings.isEmpty());
    m_warningsToggle->setText(localizedCount(L10N("screenshot.warnings.title"), qint64(warnings.size())));
    QStringList items;
    for (const AppWarning &warning : warnings)
        items << QStringLiteral("⚠ ") + warning.message.toHtmlEscaped();
    m_warningsList->setText(items.join(QStringLiteral("<br>")));
    if (warnings.isEmpty())
        m_warningsList->setVisible(false);

    m_empty->setVisible(candidates.isEmpty());
    m_scroll->setVisible(!candidates.isEmpty());

    // Rows are kept by candidate id, so a row being typed in is never rebuilt.
    QList<QUuid> ids;
    for (const ScreenshotNameCandidate &c : candidates)
        ids << c.id;
    if (ids != m_rowIds) {
        QHash<QUuid, ScreenshotNameRow *> kept;
        for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
            if (ids.contains(it.key()))
                kept.insert(it.key(), it.value());
            else
                it.value()->deleteLater();
        }
        for (ScreenshotNameRow *row : std::as_const(kept))
            m_rowsLayout->removeWidget(row);
        QWidget *box = m_scroll->widget();
        for (int i = 0; i < candidates.size(); ++i) {
            ScreenshotNameRow *row = kept.value(candidates[i].id);
            if (!row) {
                row = new ScreenshotNameRow(m_vm, candidates[i], box);
                kept.insert(candidates[i].id, row);
            }
            m_rowsLayout->insertWidget(i, row);
        }
        m_rows = kept;
        m_rowIds = ids;
        if (!candidates.isEmpty() && candidates.last().fileName.isEmpty()
            && candidates.last().sourceScreenshotURLs.isEmpty())
            m_rows.value(candidates.last().id)->field()->setFocus();
    }
    for (qsizetype i = 0; i < candidates.size(); ++i)
        m_rows.value(candidates[i].id)->update(candidates[i], duplicates[i]);

    const bool canScan = m_vm->canStartScan();
    m_hint->setVisible(!canScan);
    const QString scanTitle = scanButtonTitle(m_vm->searchTarget());
    if (m_scan->text() != scanTitle)
        m_scan->setText(scanTitle);
    m_scan->setEnabled(canScan);
}

QList<ScreenshotNameRow *> ScreenshotReviewView::rows() const
{
    QList<ScreenshotNameRow *> list;
    for (const QUuid &id : m_rowIds)
        list << m_rows.value(id);
    return list;
}

} // namespace quillmore
