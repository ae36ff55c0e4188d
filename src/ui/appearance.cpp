#include "appearance.h"

#include "model/localization.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QResizeEvent>
#include <QStyle>

#include <cmath>

namespace quillmore {

namespace {

bool darkPalette()
{
    return qApp->palette().color(QPalette::Window).lightness() < 128;
}

// Draws one glyph into a square of side s with pen colour c.
void drawGlyph(QPainter &p, const QString &symbol, qreal s, const QColor &c)
{
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = std::max<qreal>(1.2, s / 12.0);
    QPen pen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF box(w, w, s - 2 * w, s - 2 * w);
    const bool filled = symbol.endsWith(QLatin1String(".fill"));
    const QColor inner = filled ? QColor(Qt::white) : c;

    auto mark = [&](QPainterPath path, const QColor &col) {
        QPen markPen(col, w * 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(markPen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(pen);
    };
    auto circle = [&]() {
        if (filled) {
            p.setBrush(c);
            p.setPen(Qt::NoPen);
        }
        p.drawEllipse(box);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    };
    auto exclamation = [&](QPointF top, qreal length, const QColor &col) {
        QPainterPath path;
        path.moveTo(top);
        path.lineTo(top + QPointF(0, length));
        mark(path, col);
        p.setBrush(col);
        p.setPen(Qt::NoPen);
        p.drawEllipse(top + QPointF(0, length + s * 0.14), w * 0.75, w * 0.75);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    };

    if (symbol.startsWith(QLatin1String("checkmark.circle"))) {
        circle();
        QPainterPath path;
        path.moveTo(s * 0.30, s * 0.52);
        path.lineTo(s * 0.45, s * 0.66);
        path.lineTo(s * 0.71, s * 0.36);
        mark(path, inner);
    } else if (symbol.startsWith(QLatin1String("questionmark.circle"))) {
        circle();
        QPainterPath path;
        path.moveTo(s * 0.38, s * 0.38);
        path.cubicTo(s * 0.38, s * 0.22, s * 0.64, s * 0.22, s * 0.63, s * 0.38);
        path.cubicTo(s * 0.62, s * 0.50, s * 0.50, s * 0.48, s * 0.50, s * 0.60);
        mark(path, inner);
        p.setBrush(inner);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(s * 0.5, s * 0.73), w * 0.75, w * 0.75);
    } else if (symbol.startsWith(QLatin1String("exclamationmark.circle"))) {
        circle();
        exclamation(QPointF(s * 0.5, s * 0.26), s * 0.30, inner);
    } else if (symbol.startsWith(QLatin1String("exclamationmark.triangle"))) {
        QPainterPath tri;
        tri.moveTo(s * 0.5, box.top() + w * 0.5);
        tri.lineTo(box.right(), box.bottom() - w * 0.3);
        tri.lineTo(box.left(), box.bottom() - w * 0.3);
        tri.closeSubpath();
        if (filled) {
            p.setBrush(c);
            p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        }
        p.drawPath(tri);
        p.setBrush(Qt::NoBrush);
        exclamation(QPointF(s * 0.5, s * 0.36), s * 0.24, inner);
    } else if (symbol == QLatin1String("checkmark.square.fill") || symbol == QLatin1String("square")) {
        const QRectF sq = box.adjusted(w, w, -w, -w);
        if (symbol == QLatin1String("square")) {
            p.drawRoundedRect(sq, s * 0.15, s * 0.15);
        } else {
            p.setBrush(c);
            p.drawRoundedRect(sq, s * 0.15, s * 0.15);
            QPainterPath path;
            path.moveTo(s * 0.30, s * 0.52);
            path.lineTo(s * 0.45, s * 0.67);
            path.lineTo(s * 0.71, s * 0.35);
            mark(path, Qt::white);
        }
    } else if (symbol.startsWith(QLatin1String("externaldrive"))) {
        const QRectF body(box.left(), s * 0.32, box.width(), s * 0.40);
        p.drawRoundedRect(body, s * 0.08, s * 0.08);
        p.setBrush(c);
        p.drawEllipse(QPointF(body.right() - s * 0.16, body.center().y()), w * 0.8, w * 0.8);
        p.setBrush(Qt::NoBrush);
        if (symbol.contains(QLatin1String("badge"))) {
            p.setBrush(c);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(s * 0.78, s * 0.24), s * 0.2, s * 0.2);
            p.setPen(QPen(Qt::white, w, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(s * 0.78, s * 0.14), QPointF(s * 0.78, s * 0.25));
            p.drawPoint(QPointF(s * 0.78, s * 0.33));
        }
    } else if (symbol == QLatin1String("folder")) {
        QPainterPath path;
        path.moveTo(box.left(), s * 0.25);
        path.lineTo(s * 0.40, s * 0.25);
        path.lineTo(s * 0.48, s * 0.33);
        path.lineTo(box.right(), s * 0.33);
        path.lineTo(box.right(), s * 0.80);
        path.lineTo(box.left(), s * 0.80);
        path.closeSubpath();
        p.drawPath(path);
    } else if (symbol == QLatin1String("photo.on.rectangle.angled")) {
        p.save();
        p.translate(s * 0.5, s * 0.5);
        p.rotate(-8);
        p.drawRoundedRect(QRectF(-s * 0.40, -s * 0.30, s * 0.70, s * 0.52), s * 0.06, s * 0.06);
        p.restore();
        const QRectF front(s * 0.22, s * 0.30, s * 0.70, s * 0.52);
        p.setBrush(qApp->palette().color(QPalette::Base));
        p.drawRoundedRect(front, s * 0.06, s * 0.06);
        p.setBrush(Qt::NoBrush);
        QPainterPath hill;
        hill.moveTo(front.left() + s * 0.06, front.bottom() - s * 0.06);
        hill.lineTo(front.left() + s * 0.28, front.top() + s * 0.22);
        hill.lineTo(front.left() + s * 0.44, front.bottom() - s * 0.16);
        hill.lineTo(front.left() + s * 0.52, front.top() + s * 0.30);
        hill.lineTo(front.right() - s * 0.06, front.bottom() - s * 0.06);
        p.drawPath(hill);
    } else if (symbol == QLatin1String("plus")) {
        p.drawLine(QPointF(s * 0.5, s * 0.2), QPointF(s * 0.5, s * 0.8));
        p.drawLine(QPointF(s * 0.2, s * 0.5), QPointF(s * 0.8, s * 0.5));
    } else if (symbol == QLatin1String("minus.circle")) {
        circle();
        p.drawLine(QPointF(s * 0.30, s * 0.5), QPointF(s * 0.70, s * 0.5));
    } else if (symbol == QLatin1String("trash")) {
        p.drawLine(QPointF(s * 0.18, s * 0.25), QPointF(s * 0.82, s * 0.25));
        p.drawLine(QPointF(s * 0.40, s * 0.25), QPointF(s * 0.42, s * 0.14));
        p.drawLine(QPointF(s * 0.42, s * 0.14), QPointF(s * 0.58, s * 0.14));
        p.drawLine(QPointF(s * 0.58, s * 0.14), QPointF(s * 0.60, s * 0.25));
        QPainterPath can;
        can.moveTo(s * 0.26, s * 0.25);
        can.lineTo(s * 0.30, s * 0.86);
        can.lineTo(s * 0.70, s * 0.86);
        can.lineTo(s * 0.74, s * 0.25);
        p.drawPath(can);
    } else if (symbol == QLatin1String("square.and.pencil")) {
        p.drawRoundedRect(QRectF(box.left(), s * 0.22, s * 0.62, s * 0.62), s * 0.08, s * 0.08);
        p.drawLine(QPointF(s * 0.42, s * 0.58), QPointF(s * 0.84, s * 0.16));
    } else if (symbol == QLatin1String("doc.richtext")) {
        QPainterPath page;
        page.moveTo(s * 0.22, s * 0.10);
        page.lineTo(s * 0.60, s * 0.10);
        page.lineTo(s * 0.78, s * 0.28);
        page.lineTo(s * 0.78, s * 0.90);
        page.lineTo(s * 0.22, s * 0.90);
        page.closeSubpath();
        p.drawPath(page);
        p.drawLine(QPointF(s * 0.32, s * 0.50), QPointF(s * 0.68, s * 0.50));
        p.drawLine(QPointF(s * 0.32, s * 0.64), QPointF(s * 0.68, s * 0.64));
        p.drawLine(QPointF(s * 0.32, s * 0.78), QPointF(s * 0.56, s * 0.78));
    } else if (symbol == QLatin1String("text.magnifyingglass")) {
        p.drawLine(QPointF(s * 0.10, s * 0.25), QPointF(s * 0.60, s * 0.25));
        p.drawLine(QPointF(s * 0.10, s * 0.42), QPointF(s * 0.40, s * 0.42));
        p.drawEllipse(QPointF(s * 0.60, s * 0.60), s * 0.17, s * 0.17);
        p.drawLine(QPointF(s * 0.72, s * 0.72), QPointF(s * 0.88, s * 0.88));
    } else {
        circle();
    }
}

QPixmap glyphPixmap(const QString &symbol, int side, qreal dpr, const QColor &color)
{
    QPixmap pixmap(QSize(side, side) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawGlyph(painter, symbol, side, color);
    return pixmap;
}

QIcon glyphIcon(const QString &symbol, const QColor &color)
{
    // Drawn once per symbol and colour (GUI thread only).
    static QHash<QString, QIcon> cache;
    const QString key = symbol + QLatin1Char('#') + QString::number(color.rgba(), 16);
    if (const auto it = cache.constFind(key); it != cache.cend())
        return *it;
    QIcon icon;
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    for (int side : {14, 16, 20, 24, 32, 48, 64})
        icon.addPixmap(glyphPixmap(symbol, side, dpr, color));
    cache.insert(key, icon);
    return icon;
}

} // namespace

QColor namedColor(NamedColor color)
{
    const bool dark = darkPalette();
    switch (color) {
    case NamedColor::orange: return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xc9, 0x6a, 0x00);
    case NamedColor::red: return dark ? QColor(0xff, 0x6b, 0x61) : QColor(0xc0, 0x1c, 0x28);
    case NamedColor::green: return dark ? QColor(0x57, 0xe3, 0x89) : QColor(0x26, 0xa2, 0x69);
    case NamedColor::purple: return dark ? QColor(0xc0, 0x61, 0xcb) : QColor(0x91, 0x41, 0xac);
    case NamedColor::yellow: return dark ? QColor(0xf6, 0xd3, 0x2d) : QColor(0xc6, 0x9b, 0x00);
    case NamedColor::secondary: {
        QColor text = qApp->palette().color(QPalette::WindowText);
        const QColor window = qApp->palette().color(QPalette::Window);
        // Between text and background, still well readable.
        return QColor::fromRgbF(text.redF() * 0.62 + window.redF() * 0.38,
                                text.greenF() * 0.62 + window.greenF() * 0.38,
                                text.blueF() * 0.62 + window.blueF() * 0.38);
    }
    case NamedColor::accent: return qApp->palette().color(QPalette::Highlight);
    }
    return {};
}

QString themeIconName(const QString &symbol)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("externaldrive"), QStringLiteral("drive-harddisk")},
        {QStringLiteral("trash"), QStringLiteral("user-trash")},
        {QStringLiteral("plus"), QStringLiteral("list-add")},
        {QStringLiteral("chevron.left"), QStringLiteral("go-previous")},
        {QStringLiteral("minus.circle"), QStringLiteral("list-remove")},
        {QStringLiteral("photo.on.rectangle.angled"), QStringLiteral("image-x-generic")},
        {QStringLiteral("doc.richtext"), QStringLiteral("text-x-generic")},
        {QStringLiteral("square.and.pencil"), QStringLiteral("document-edit")},
        {QStringLiteral("text.magnifyingglass"), QStringLiteral("edit-find")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("dialog-warning")},
        {QStringLiteral("checkmark.circle"), QStringLiteral("emblem-ok")},
    };
    return names.value(symbol);
}

QIcon symbolIcon(const QString &symbol, std::optional<QColor> tint)
{
    if (tint)
        return glyphIcon(symbol, *tint);
    const QString name = themeIconName(symbol);
    if (!name.isEmpty() && QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return glyphIcon(symbol, qApp->palette().color(QPalette::WindowText));
}

void ensureIconTheme()
{
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

QString applicationStyleSheet()
{
    return QStringLiteral(
        "QFrame[tile=\"true\"] { border: 1px solid palette(mid); border-radius: 8px; background: palette(base); }"
        "QFrame[tile=\"true\"][targeted=\"true\"] { border: 2px solid palette(highlight); background: "
        "palette(alternate-base); }"
        "QFrame[panel=\"true\"] { border: 1px solid palette(mid); border-radius: 8px; }"
        "QPushButton[prominent=\"true\"] { background: palette(highlight); color: palette(highlighted-text);"
        "  border: 1px solid palette(highlight); border-radius: 6px; padding: 5px 14px; font-weight: 600; }"
        "QPushButton[prominent=\"true\"]:hover { border-color: palette(dark); }"
        "QPushButton[prominent=\"true\"]:disabled { background: palette(button); color: palette(mid); border-color: "
        "palette(mid); }"
        "QPushButton[large=\"true\"] { min-height: 30px; padding: 6px 18px; }");
}

void applyTextStyle(QWidget *label, TextStyle style)
{
    QFont font = qApp->font();
    const qreal base = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    std::optional<QColor> color;
    switch (style) {
    case TextStyle::largeTitle:
        font.setPointSizeF(base * 2.1);
        font.setWeight(QFont::Bold);
        break;
    case TextStyle::title:
        font.setPointSizeF(base * 1.7);
        font.setWeight(QFont::DemiBold);
        break;
    case TextStyle::title2:
        font.setPointSizeF(base * 1.45);
        font.setWeight(QFont::DemiBold);
        break;
    case TextStyle::title3: font.setPointSizeF(base * 1.2); break;
    case TextStyle::headline:
        font.setPointSizeF(base * 1.05);
        font.setWeight(QFont::DemiBold);
        break;
    case TextStyle::body: break;
    case TextStyle::caption: font.setPointSizeF(base * 0.9); break;
    case TextStyle::secondary: color = namedColor(NamedColor::secondary); break;
    case TextStyle::captionSecondary:
        font.setPointSizeF(base * 0.9);
        color = namedColor(NamedColor::secondary);
        break;
    }
    label->setFont(font);
    if (color)
        setTextColor(label, color);
}

void setTextColor(QWidget *label, std::optional<QColor> color)
{
    QPalette palette = label->palette();
    const QColor c = color ? *color : qApp->palette().color(QPalette::WindowText);
    palette.setColor(QPalette::WindowText, c);
    palette.setColor(QPalette::Text, c);
    label->setPalette(palette);
}

void markAsHeading(QLabel *label)
{
    label->setAccessibleName(label->text());
    label->setProperty("accessibleRole", QStringLiteral("heading"));
}

ElidedLabel::ElidedLabel(QWidget *parent, Qt::TextElideMode mode) : QLabel(parent), m_mode(mode)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void ElidedLabel::setFullText(const QString &text)
{
    if (text == m_full && !QLabel::text().isEmpty() == !text.isEmpty())
        return;
    m_full = text;
    setToolTip(text);
    setAccessibleName(text);
    updateElided();
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(40, fontMetrics().height());
}

QSize ElidedLabel::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(m_full) + 4, fontMetrics().height());
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateElided();
}

void ElidedLabel::updateElided()
{
    const QString shown = fontMetrics().elidedText(m_full, m_mode, std::max(0, width() - 2));
    if (shown != text())
        QLabel::setText(shown);
}

QPushButton *makeProminentButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    setProminent(button);
    return button;
}

void setProminent(QPushButton *button, bool large)
{
    button->setProperty("prominent", true);
    if (large)
        button->setProperty("large", true);
    button->setCursor(Qt::PointingHandCursor);
}

QString countedText(const char *key, qint64 count, bool asButtonTitle)
{
    const QString text = localized(key);
    const QString number = QLocale().toString(count);
    if (text.contains(QLatin1String("%1")))
        return text.arg(number);
    return asButtonTitle ? localized("format.button.count", text, number)
                         : localized("format.line.count", text, number);
}

void setTextIfChanged(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

} // namespace quillmore
