#include "corpus.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>

namespace {

struct Theme {
    QColor window, text, dim, header, selection, selectionText, stripe;
};

const Theme lightTheme{QColor(0xfa, 0xfa, 0xfa), QColor(0x24, 0x24, 0x24), QColor(0x77, 0x77, 0x77),
                       QColor(0xeb, 0xeb, 0xeb), QColor(0x35, 0x84, 0xe4), Qt::white,
                       QColor(0xf3, 0xf3, 0xf3)};
const Theme darkTheme{QColor(0x24, 0x24, 0x24), QColor(0xee, 0xee, 0xee), QColor(0x9a, 0x9a, 0x9a),
                      QColor(0x30, 0x30, 0x30), QColor(0x1f, 0x5f, 0xb0), Qt::white,
                      QColor(0x2b, 0x2b, 0x2b)};

const std::array<const char *, 4> fontFamilies{"DejaVu Sans", "Cantarell", "Liberation Sans", "Open Sans"};

const QStringList clientNames{QStringLiteral("Zoë"),   QStringLiteral("Łukasz"),  QStringLiteral("François"),
                              QStringLiteral("Søren"), QStringLiteral("José"),    QStringLiteral("Anne-Marie"),
                              QStringLiteral("Smith"), QStringLiteral("Müller"),  QStringLiteral("Çelik"),
                              QStringLiteral("Renée"), QStringLiteral("Jansen"),  QStringLiteral("Björk"),
                              QStringLiteral("Noël"),  QStringLiteral("de_Vries")};
const QStringList longWords{QStringLiteral("Hochzeit_Garten"), QStringLiteral("wedding_ceremony"),
                            QStringLiteral("portrait_session"), QStringLiteral("bruiloft_kerk"),
                            QStringLiteral("family_shoot_beach")};

QString number(std::mt19937 &rng, int digits)
{
    std::uniform_int_distribution<int> d(0, 9);
    QString s;
    for (int i = 0; i < digits; ++i)
        s += QChar('0' + d(rng));
    return s;
}

int pick(std::mt19937 &rng, int n)
{
    return std::uniform_int_distribution<int>(0, n - 1)(rng);
}

// A picture name of one of the kinds clients send.
QString pictureName(std::mt19937 &rng, bool allowLong)
{
    const QStringList jpegExt{QStringLiteral(".jpg"), QStringLiteral(".JPG"), QStringLiteral(".jpeg")};
    const QString ext = jpegExt.at(pick(rng, 5) == 0 ? 2 : pick(rng, 2));
    switch (pick(rng, allowLong ? 8 : 7)) {
    case 0: return QStringLiteral("IMG_") + number(rng, 4) + ext;
    case 1: return QStringLiteral("DSC0") + number(rng, 4) + ext;
    case 2: return QStringLiteral("_MG_") + number(rng, 4) + ext;
    case 3: return QStringLiteral("DSCF") + number(rng, 4) + ext;
    case 4:
    case 5: return clientNames.at(pick(rng, int(clientNames.size()))) + QLatin1Char('_') + number(rng, 4) + ext;
    case 6: return QStringLiteral("P") + number(rng, 7) + ext;
    default: return longWords.at(pick(rng, int(longWords.size()))) + QLatin1Char('_') + number(rng, 4) + ext;
    }
}

QString distractorName(std::mt19937 &rng)
{
    const QStringList raw{QStringLiteral(".CR2"), QStringLiteral(".ARW"), QStringLiteral(".NEF"),
                          QStringLiteral(".RAF"), QStringLiteral(".dng")};
    switch (pick(rng, 6)) {
    case 0: return QStringLiteral("IMG_") + number(rng, 4) + raw.at(pick(rng, 5));
    case 1: return QStringLiteral("DSC0") + number(rng, 4) + raw.at(pick(rng, 5));
    case 2: return QStringLiteral("Invoice ") + number(rng, 4) + QStringLiteral(".pdf");
    case 3: return QStringLiteral("notes.txt");
    case 4: return QStringLiteral("Selects");
    default: return QStringLiteral("contact sheet.png");
    }
}

QString sizeText(std::mt19937 &rng)
{
    return QStringLiteral("%1.%2 MB").arg(1 + pick(rng, 30)).arg(pick(rng, 10));
}

QString dateText(std::mt19937 &rng)
{
    static const QStringList months{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (pick(rng, 2))
        return QStringLiteral("%1 %2 2024 %3:%4")
            .arg(1 + pick(rng, 28))
            .arg(months.at(pick(rng, 12)))
            .arg(8 + pick(rng, 12))
            .arg(pick(rng, 60), 2, 10, QLatin1Char('0'));
    return QStringLiteral("2024-%1-%2")
        .arg(1 + pick(rng, 12), 2, 10, QLatin1Char('0'))
        .arg(1 + pick(rng, 28), 2, 10, QLatin1Char('0'));
}

// A file icon: a coloured page with a folded corner, or a small photo thumbnail.
void drawIcon(QPainter &p, const QRectF &r, std::mt19937 &rng, bool picture)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (picture) {
        QLinearGradient g(r.topLeft(), r.bottomRight());
        g.setColorAt(0, QColor::fromHsv(pick(rng, 360), 120 + pick(rng, 100), 150 + pick(rng, 100)));
        g.setColorAt(1, QColor::fromHsv(pick(rng, 360), 80 + pick(rng, 100), 60 + pick(rng, 120)));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(r.adjusted(r.width() * 0.05, r.height() * 0.15, -r.width() * 0.05, -r.height() * 0.15), 2, 2);
        p.setBrush(QColor(255, 255, 255, 140));
        p.drawEllipse(QRectF(r.left() + r.width() * 0.2, r.top() + r.height() * 0.3, r.width() * 0.2, r.width() * 0.2));
    } else {
        QPainterPath page;
        const double fold = r.width() * 0.3;
        page.moveTo(r.left() + r.width() * 0.15, r.top());
        page.lineTo(r.right() - r.width() * 0.15 - fold, r.top());
        page.lineTo(r.right() - r.width() * 0.15, r.top() + fold);
        page.lineTo(r.right() - r.width() * 0.15, r.bottom());
        page.lineTo(r.left() + r.width() * 0.15, r.bottom());
        page.closeSubpath();
        p.setPen(QPen(QColor(0x88, 0x88, 0x88), 1));
        p.setBrush(QColor(0xe8, 0xe8, 0xe8));
        p.drawPath(page);
        p.fillRect(QRectF(r.left() + r.width() * 0.25, r.top() + r.height() * 0.55, r.width() * 0.5, r.height() * 0.25),
                   QColor::fromHsv(pick(rng, 360), 200, 200));
    }
    p.restore();
}

struct Entry {
    QString name;
    bool picture;
};

QList<Entry> entries(std::mt19937 &rng, int count, bool allowLong, bool hideExtensions, QStringList &truth)
{
    QList<Entry> list;
    QStringList seen;
    while (list.size() < count) {
        const bool picture = pick(rng, 5) != 0;
        QString name = picture ? pictureName(rng, allowLong) : distractorName(rng);
        if (picture && hideExtensions)
            name = name.left(name.lastIndexOf(QLatin1Char('.')));
        if (seen.contains(name))
            continue;
        // A bare name is only a picture name when the rules can know it: letter, number and an
        // underscore, hyphen or four numbers in a row; every generated one qualifies.
        seen << name;
        list.append({name, picture});
        if (picture)
            truth << name;
    }
    return list;
}

void renderList(QPainter &p, const QSize &logical, const Theme &t, QFont font, std::mt19937 &rng, QStringList &truth,
                bool compact)
{
    const QFontMetrics fm(font);
    const int rowHeight = compact ? fm.height() + 6 : std::max(fm.height() + 14, 30);
    const int iconSize = compact ? fm.height() : rowHeight - 10;
    // side bar
    p.fillRect(QRect(0, 0, 180, logical.height()), t.header);
    p.setFont(font);
    p.setPen(t.dim);
    const QStringList places{"Home", "Desktop", "Pictures", "Downloads", "Shoot 2024", "Other Locations"};
    for (int i = 0; i < places.size(); ++i)
        p.drawText(QPoint(24, 70 + i * (fm.height() + 14)), places.at(i));
    const int left = 196;
    p.setPen(t.text);
    p.drawText(QPoint(left, 30), QStringLiteral("Pictures  ›  Shoot 2024  ›  Selects"));
    int y = 52;
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(t.dim);
    if (compact) {
        const bool hideExt = pick(rng, 4) == 0;
        const int columns = std::max(2, (logical.width() - left) / 300);
        const int perColumn = (logical.height() - y - 20) / rowHeight;
        const QList<Entry> list = entries(rng, columns * perColumn - pick(rng, perColumn), false, hideExt, truth);
        p.setFont(font);
        for (int i = 0; i < list.size(); ++i) {
            const int col = i / perColumn;
            const int row = i % perColumn;
            const int x = left + col * 300;
            const int yy = y + row * rowHeight;
            const bool selected = pick(rng, 7) == 0;
            if (selected)
                p.fillRect(QRect(x, yy, 290, rowHeight), t.selection);
            drawIcon(p, QRectF(x + 4, yy + (rowHeight - iconSize) / 2.0, iconSize, iconSize), rng, list.at(i).picture);
            p.setPen(selected ? t.selectionText : t.text);
            p.drawText(QRect(x + iconSize + 10, yy, 280 - iconSize, rowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                       list.at(i).name);
        }
        return;
    }
    const int nameX = left + 12;
    const int sizeX = left + std::max(360, (logical.width() - left) / 2);
    const int dateX = sizeX + 120;
    p.drawText(QPoint(nameX + iconSize + 10, y + fm.ascent()), QStringLiteral("Name"));
    p.drawText(QPoint(sizeX, y + fm.ascent()), QStringLiteral("Size"));
    if (dateX + 150 < logical.width())
        p.drawText(QPoint(dateX, y + fm.ascent()), QStringLiteral("Modified"));
    y += fm.height() + 10;
    p.setFont(font);
    const bool hideExt = pick(rng, 4) == 0;
    const int rows = (logical.height() - y - 10) / rowHeight;
    const QList<Entry> list = entries(rng, std::max(3, rows - pick(rng, 4)), false, hideExt, truth);
    for (int i = 0; i < list.size(); ++i) {
        const int yy = y + i * rowHeight;
        const bool selected = pick(rng, 6) == 0;
        if (selected)
            p.fillRect(QRect(left, yy, logical.width() - left, rowHeight), t.selection);
        else if (i % 2)
            p.fillRect(QRect(left, yy, logical.width() - left, rowHeight), t.stripe);
        drawIcon(p, QRectF(nameX, yy + (rowHeight - iconSize) / 2.0, iconSize, iconSize), rng, list.at(i).picture);
        p.setPen(selected ? t.selectionText : t.text);
        const QRect cell(nameX + iconSize + 10, yy, sizeX - nameX - iconSize - 20, rowHeight);
        p.drawText(cell, Qt::AlignVCenter | Qt::AlignLeft, list.at(i).name);
        p.setPen(selected ? t.selectionText : t.dim);
        p.drawText(QRect(sizeX, yy, 110, rowHeight), Qt::AlignVCenter | Qt::AlignLeft, sizeText(rng));
        if (dateX + 150 < logical.width())
            p.drawText(QRect(dateX, yy, 200, rowHeight), Qt::AlignVCenter | Qt::AlignLeft, dateText(rng));
    }
}

// Splits a label into lines of at most `width`, breaking where a name can break: after "_", "-"
// or ".", else anywhere.
QStringList wrapLabel(const QString &text, const QFontMetrics &fm, int width)
{
    QStringList lines;
    QString rest = text;
    while (!rest.isEmpty() && lines.size() < 3) {
        if (fm.horizontalAdvance(rest) <= width || lines.size() == 2) {
            lines << rest;
            break;
        }
        int cut = 1;
        while (cut < rest.size() && fm.horizontalAdvance(rest.left(cut + 1)) <= width)
            ++cut;
        int breakAt = cut;
        for (int i = cut; i > cut / 2; --i) {
            const QChar c = rest.at(i - 1);
            if (c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
                breakAt = i;
                break;
            }
        }
        lines << rest.left(breakAt);
        rest = rest.mid(breakAt);
    }
    return lines;
}

void renderGrid(QPainter &p, const QSize &logical, const Theme &t, QFont font, std::mt19937 &rng, QStringList &truth)
{
    const QFontMetrics fm(font);
    const int cell = 150 + pick(rng, 3) * 10;
    const int icon = 72 + pick(rng, 3) * 8;
    const int labelWidth = cell - 24;
    p.setFont(font);
    p.setPen(t.text);
    p.drawText(QPoint(20, 28), QStringLiteral("Pictures  ›  Favourites"));
    const int columns = (logical.width() - 40) / cell;
    const int rowHeight = icon + 3 * fm.height() + 24;
    const int rows = std::max(1, (logical.height() - 60) / rowHeight);
    const QList<Entry> list = entries(rng, columns * rows - pick(rng, columns), true, pick(rng, 5) == 0, truth);
    for (int i = 0; i < list.size(); ++i) {
        const int x = 20 + (i % columns) * cell;
        const int y = 50 + (i / columns) * rowHeight;
        drawIcon(p, QRectF(x + (cell - icon) / 2.0, y, icon, icon), rng, list.at(i).picture);
        const QStringList lines = wrapLabel(list.at(i).name, fm, labelWidth);
        const bool selected = pick(rng, 8) == 0;
        int ly = y + icon + 8;
        if (selected) {
            int w = 0;
            for (const QString &line : lines)
                w = std::max(w, fm.horizontalAdvance(line));
            p.setPen(Qt::NoPen);
            p.setBrush(t.selection);
            p.drawRoundedRect(QRect(x + (cell - w) / 2 - 5, ly - 2, w + 10, int(lines.size()) * fm.height() + 4), 4, 4);
        }
        p.setPen(selected ? t.selectionText : t.text);
        for (const QString &line : lines) {
            p.drawText(QRect(x, ly, cell, fm.height()), Qt::AlignHCenter | Qt::AlignTop, line);
            ly += fm.height();
        }
    }
}

} // namespace

CorpusShot renderCorpusShot(int index, unsigned seed)
{
    std::mt19937 rng(seed * 7919u + unsigned(index) * 104729u);
    CorpusShot shot;
    const int layout = index % 3;
    shot.layout = layout == 0 ? QStringLiteral("list")
        : layout == 1         ? QStringLiteral("grid")
                              : QStringLiteral("compact");
    shot.dark = (index / 3) % 2 == 1;
    shot.scale = (index / 6) % 2 == 0 ? 1 : 2;
    const QSize logical = shot.scale == 1 ? QSize(1920, 1080) : QSize(960, 540 + pick(rng, 2) * 100);
    const Theme &theme = shot.dark ? darkTheme : lightTheme;
    QImage image(logical * shot.scale, QImage::Format_RGB32);
    image.fill(theme.window);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(shot.scale, shot.scale);
        QFont font(QString::fromLatin1(fontFamilies.at(std::size_t(pick(rng, int(fontFamilies.size()))))));
        font.setPixelSize(11 + pick(rng, 4));
        font.setHintingPreference(QFont::PreferFullHinting);
        if (layout == 0)
            renderList(p, logical, theme, font, rng, shot.truth, false);
        else if (layout == 1)
            renderGrid(p, logical, theme, font, rng, shot.truth);
        else
            renderList(p, logical, theme, font, rng, shot.truth, true);
    }
    shot.image = image;
    const bool jpeg = (index / 12) % 2 == 1;
    shot.name = QStringLiteral("shot-%1-%2-%3-%4x.%5")
                    .arg(index, 3, 10, QLatin1Char('0'))
                    .arg(shot.layout, shot.dark ? QStringLiteral("dark") : QStringLiteral("light"))
                    .arg(shot.scale)
                    .arg(jpeg ? QStringLiteral("jpg") : QStringLiteral("png"));
    return shot;
}
