#include "widgets.h"

#include "appearance.h"
#include "model/localization.h"
#include "platform/paths.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QUrl>
#include <QVBoxLayout>

namespace quillmore {

QList<FileURL> droppedFiles(const QMimeData *mime)
{
    QList<FileURL> files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        // Percent-decoding by hand keeps the bytes of names that are not UTF-8.
        const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        files << standardizedPath(decodePath(std::string_view(bytes.constData(), size_t(bytes.size()))));
    }
    return files;
}

// ---- DropFrame ----------------------------------------------------------------------------------

DropFrame::DropFrame(QWidget *parent) : QFrame(parent)
{
    setAcceptDrops(true);
    setProperty("tile", true);
}

void DropFrame::setTargeted(bool targeted)
{
    if (m_targeted == targeted)
        return;
    m_targeted = targeted;
    setProperty("targeted", targeted);
    style()->unpolish(this);
    style()->polish(this);
    update();
}

void DropFrame::dragEnterEvent(QDragEnterEvent *event)
{
    if (!dropAction || droppedFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    setTargeted(true);
    event->acceptProposedAction();
}

void DropFrame::dragLeaveEvent(QDragLeaveEvent *event)
{
    setTargeted(false);
    QFrame::dragLeaveEvent(event);
}

void DropFrame::dropEvent(QDropEvent *event)
{
    setTargeted(false);
    const QList<FileURL> files = droppedFiles(event->mimeData());
    if (dropAction && !files.isEmpty() && dropAction(files))
        event->acceptProposedAction();
    else
        event->ignore();
}

// ---- StatusStrip --------------------------------------------------------------------------------

StatusStrip::StatusStrip(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("statusStrip"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(makeDivider(this));
    auto *row = new QWidget(this);
    row->setFixedHeight(28);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(6);
    m_icon = new QLabel(row);
    m_icon->setFixedSize(14, 14);
    m_message = new QLabel(row);
    m_message->setObjectName(QStringLiteral("statusMessage"));
    m_count = new QPushButton(row);
    m_count->setObjectName(QStringLiteral("warningCount"));
    m_count->setFlat(true);
    m_count->setAutoDefault(false);
    m_count->setFocusPolicy(Qt::TabFocus);
    m_count->setCursor(Qt::PointingHandCursor);
    m_count->setToolTip(localized("warnings.title"));
    connect(m_count, &QPushButton::clicked, this, &StatusStrip::warningsRequested);
    applyTextStyle(m_message, TextStyle::caption);
    applyTextStyle(m_count, TextStyle::captionSecondary);
    layout->addWidget(m_icon);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_count);
    outer->addWidget(row);
    setStatus(QString(), 0);
}

void StatusStrip::setStatus(const QString &message, int warningCount, StatusTone tone)
{
    setTextIfChanged(m_message, message);
    if (warningCount == m_warningCount && tone == m_tone)
        return;
    m_warningCount = warningCount;
    m_tone = tone;
    const bool warn = warningCount >= 1;
    QString symbol = QStringLiteral("checkmark.circle");
    QColor color = namedColor(NamedColor::secondary);
    if (tone == StatusTone::failure) {
        symbol = QStringLiteral("exclamationmark.circle.fill");
        color = namedColor(NamedColor::red);
    } else if (tone == StatusTone::attention || warn) {
        symbol = QStringLiteral("exclamationmark.triangle");
        color = namedColor(NamedColor::orange);
    } else if (tone == StatusTone::success) {
        symbol = QStringLiteral("checkmark.circle.fill");
        color = namedColor(NamedColor::green);
    }
    m_icon->setPixmap(symbolIcon(symbol, color).pixmap(14, 14));
    m_icon->setProperty("symbol", symbol);
    setTextColor(m_message,
                 tone == StatusTone::failure ? std::optional<QColor>(namedColor(NamedColor::red)) : std::nullopt);
    m_count->setVisible(warn);
    m_count->setText(warn ? localizedCount(L10N("status.warning.count"), warningCount) : QString());
}

QString StatusStrip::message() const
{
    return m_message->text();
}

// ---- SelectionDropOption -------------------------------------------------------------------------

SelectionDropOption::SelectionDropOption(const QString &title, const QString &instruction, const QString &symbol,
                                         QWidget *parent)
    : DropFrame(parent), m_symbol(symbol)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(8);
    auto *top = new QHBoxLayout();
    top->setSpacing(10);
    auto *icon = new QLabel(this);
    icon->setPixmap(symbolIcon(symbol, namedColor(NamedColor::accent)).pixmap(28, 28));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout();
    texts->setSpacing(3);
    auto *titleLabel = new QLabel(title, this);
    applyTextStyle(titleLabel, TextStyle::headline);
    auto *instructionLabel = new QLabel(instruction, this);
    instructionLabel->setWordWrap(true);
    applyTextStyle(instructionLabel, TextStyle::secondary);
    texts->addWidget(titleLabel);
    texts->addWidget(instructionLabel);
    top->addLayout(texts, 1);
    layout->addLayout(top);

    m_detailRow = new QWidget(this);
    auto *detailLayout = new QHBoxLayout(m_detailRow);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(5);
    m_detailIcon = new QLabel(m_detailRow);
    m_detailIcon->setPixmap(symbolIcon(symbol, namedColor(NamedColor::secondary)).pixmap(14, 14));
    m_detail = new ElidedLabel(m_detailRow);
    m_detail->setObjectName(QStringLiteral("detail"));
    applyTextStyle(m_detail, TextStyle::caption);
    detailLayout->addWidget(m_detailIcon);
    detailLayout->addWidget(m_detail, 1);
    m_detailRow->setVisible(false);
    layout->addWidget(m_detailRow);

    auto *buttonRow = new QHBoxLayout();
    m_button = new QPushButton(this);
    buttonRow->addWidget(m_button);
    buttonRow->addStretch(1);
    layout->addLayout(buttonRow);
    m_footer = new QVBoxLayout();
    m_footer->setSpacing(6);
    layout->addLayout(m_footer);
    layout->addStretch(1);
}

void SelectionDropOption::setDetail(const QString &detail)
{
    m_detail->setFullText(detail);
    m_detailRow->setVisible(!detail.isEmpty());
}

void SelectionDropOption::setButtonTitle(const QString &title)
{
    if (m_button->text() != title)
        m_button->setText(title);
}

// ---- FolderPanel ---------------------------------------------------------------------------------

QLabel *makeStepHeading(int number, const QString &title, QWidget *parent)
{
    auto *label = new QLabel(QString::number(number) + QStringLiteral(". ") + title, parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.15);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    markAsHeading(label);
    return label;
}

FolderPanel::FolderPanel(int number, const QString &title, const QString &instruction, QWidget *parent)
    : DropFrame(parent)
{
    setProperty("tile", false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(makeStepHeading(number, title, this));
    auto *instructionLabel = new QLabel(instruction, this);
    instructionLabel->setWordWrap(true);
    applyTextStyle(instructionLabel, TextStyle::secondary);
    layout->addWidget(instructionLabel);
    auto *row = new QHBoxLayout();
    row->setSpacing(10);
    m_button = new QPushButton(this);
    row->addWidget(m_button);
    m_pathRow = new QWidget(this);
    auto *pathLayout = new QHBoxLayout(m_pathRow);
    pathLayout->setContentsMargins(0, 0, 0, 0);
    pathLayout->setSpacing(5);
    auto *icon = new QLabel(m_pathRow);
    icon->setPixmap(symbolIcon(QStringLiteral("folder"), namedColor(NamedColor::secondary)).pixmap(14, 14));
    m_path = new ElidedLabel(m_pathRow);
    m_path->setObjectName(QStringLiteral("selectedFolder"));
    applyTextStyle(m_path, TextStyle::caption);
    pathLayout->addWidget(icon);
    pathLayout->addWidget(m_path, 1);
    row->addWidget(m_pathRow, 1);
    row->addStretch(0); // keeps the button its own size while no folder is shown
    layout->addLayout(row);
    m_pathRow->setVisible(false);
}

void FolderPanel::setSelectedPath(const std::optional<QString> &path)
{
    m_pathRow->setVisible(path.has_value());
    m_path->setFullText(path.value_or(QString()));
    m_path->setAccessibleName(localized("accessibility.selected.folder"));
    m_path->setAccessibleDescription(path.value_or(QString()));
}

void FolderPanel::setButtonTitle(const QString &title)
{
    if (m_button->text() != title)
        m_button->setText(title);
}

// ---- QualityOptionToggle ---------------------------------------------------------------------------

QualityOptionToggle::QualityOptionToggle(const QString &title, const QColor &color, const QString &identifier,
                                         QWidget *parent)
    : QPushButton(title, parent), m_color(color)
{
    setObjectName(identifier);
    setCheckable(true);
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QPushButton::clicked, this, [this](bool on) {
        updateAccessibility();
        emit toggledByUser(on);
    });
    updateAccessibility();
}

void QualityOptionToggle::setOn(bool on)
{
    if (isChecked() != on)
        setChecked(on);
    updateAccessibility();
}

void QualityOptionToggle::updateAccessibility()
{
    setAccessibleName(text());
    setAccessibleDescription(isChecked() ? localized("accessibility.on") : localized("accessibility.off"));
    update();
}

QSize QualityOptionToggle::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(20 + 6 + fm.horizontalAdvance(text()) + 8, std::max(22, fm.height() + 8));
}

void QualityOptionToggle::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int side = 16;
    const QRect iconRect(2, (height() - side) / 2, side, side);
    symbolIcon(isChecked() ? QStringLiteral("checkmark.square.fill") : QStringLiteral("square"), m_color)
        .paint(&p, iconRect);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.setFont(font());
    p.drawText(QRect(iconRect.right() + 7, 0, width() - iconRect.right() - 7, height()),
               Qt::AlignVCenter | Qt::AlignLeft, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(0, 1, 0, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

// ---- SummaryLine and SymbolLabel -----------------------------------------------------------------------

SummaryLine::SummaryLine(const QString &icon, QWidget *parent) : QWidget(parent), m_symbol(icon)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(20, 20);
    m_text = new QLabel(this);
    QFont font = m_text->font();
    font.setPointSizeF(font.pointSizeF() * 1.1);
    m_text->setFont(font);
    layout->addWidget(m_icon);
    layout->addWidget(m_text, 1);
}

void SummaryLine::set(const QColor &color, const QString &text)
{
    if (color != m_color) {
        m_color = color;
        m_icon->setPixmap(symbolIcon(m_symbol, color).pixmap(20, 20));
    }
    setTextIfChanged(m_text, text);
    setAccessibleName(text);
}

SymbolLabel::SymbolLabel(const QString &symbol, const QString &text, std::optional<QColor> color, int iconSide,
                         QWidget *parent)
    : QWidget(parent), m_side(iconSide)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(iconSide, iconSide);
    m_text = new QLabel(text, this);
    m_text->setWordWrap(true);
    if (color)
        setTextColor(m_text, color);
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addWidget(m_text, 1);
    setSymbol(symbol, color);
}

void SymbolLabel::setText(const QString &text)
{
    setTextIfChanged(m_text, text);
}

void SymbolLabel::setSymbol(const QString &symbol, std::optional<QColor> color)
{
    m_icon->setProperty("symbol", symbol);
    m_icon->setPixmap(symbolIcon(symbol, color ? color : std::optional<QColor>(namedColor(NamedColor::secondary)))
                          .pixmap(m_side, m_side));
    setTextColor(m_text, color);
}

QString SymbolLabel::text() const
{
    return m_text->text();
}

QFrame *makeDivider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Midlight));
    line->setPalette(palette);
    return line;
}

} // namespace quillmore
