// The reading steps before the recogniser, on drawn boxes: where a box's text starts past its
// file icon, which way round its text is, and how detected boxes become boxes of one line each.
// No models are needed.

#include "platform/textcrop.h"
#include "platform/lineboxes.h"
#include "platform/textdetection.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <opencv2/imgproc.hpp>

using namespace quillmore;

namespace {

enum class Icon { None, Picture, Grey };

struct DrawnLabel {
    QImage image;
    int iconRight = 0; // first column after the icon (0 without one)
    int textLeft = 0;  // first column of the text's ink
    QRect textInk;     // where the text's ink is
};

// A list row: an icon at the left and a name `gap` pixels after it.
DrawnLabel drawLabel(const QString &name, QColor background, QColor ink, Icon icon, int gap, int pixelSize = 13,
                     int iconSize = 0)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    const QFontMetrics metrics(font);
    const int height = pixelSize * 2;
    if (iconSize == 0)
        iconSize = pixelSize + 3;
    const int iconLeft = 4;
    DrawnLabel label;
    label.image = QImage(metrics.horizontalAdvance(name) + iconSize + gap + 24, height, QImage::Format_RGB32);
    label.image.fill(background);
    QPainter p(&label.image);
    const int iconTop = (height - iconSize) / 2;
    if (icon == Icon::Picture) {
        // A photo's thumbnail: sky over land.
        p.fillRect(iconLeft, iconTop, iconSize, iconSize / 2, QColor(60, 140, 230));
        p.fillRect(iconLeft, iconTop + iconSize / 2, iconSize, iconSize - iconSize / 2, QColor(70, 160, 60));
    } else if (icon == Icon::Grey) {
        p.fillRect(iconLeft, iconTop, iconSize, iconSize, ink);
        p.fillRect(iconLeft + 3, iconTop + 3, iconSize - 6, 2, background);
    }
    label.iconRight = icon == Icon::None ? 0 : iconLeft + iconSize;
    p.setFont(font);
    p.setPen(ink);
    const int textStart = (icon == Icon::None ? iconLeft : label.iconRight) + gap;
    // The left side bearing of the first letter is part of the gap: the ink is what counts.
    p.drawText(QRect(textStart - metrics.leftBearing(name.front()), 0, label.image.width(), height), Qt::AlignVCenter,
               name);
    p.end();
    // The text's ink: pixels that differ from the background, right of the icon.
    QRect inkRect;
    for (int y = 0; y < height; ++y) {
        for (int x = label.iconRight; x < label.image.width(); ++x) {
            if (label.image.pixel(x, y) != background.rgb())
                inkRect |= QRect(x, y, 1, 1);
        }
    }
    label.textInk = inkRect;
    label.textLeft = inkRect.left();
    return label;
}

// The image in one grey channel, as detection and cropping see it.
cv::Mat greyOf(const QImage &image)
{
    cv::Mat grey;
    cv::cvtColor(toBgr(image), grey, cv::COLOR_BGR2GRAY);
    return grey;
}

PreparedCrop prepare(const QImage &image)
{
    const cv::Mat bgr = toBgr(image);
    return prepareCrop(bgr, greyOf(image), cv::Rect(0, 0, bgr.cols, bgr.rows));
}

QList<QRect> rects(const std::vector<cv::Rect> &boxes)
{
    QList<QRect> result;
    for (const cv::Rect &r : boxes)
        result.append(QRect(r.x, r.y, r.width, r.height));
    return result;
}

} // namespace

// Desktop fonts the setup installs, whose letters differ in the details the ink tests look at.
QStringList screenFonts()
{
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Cantarell"),
            QStringLiteral("Open Sans")};
}

// A line of text drawn dark on white and its ink, enlarged to letters about 40 pixels high as the
// recogniser's crops are. A rule may run under it, as a focus line or a highlight's edge does.
struct Rule {
    int gap = -1;      // rows between the underscore's lowest ink and the rule; none when negative
    double from = 0;   // where it starts, in ems left of the text
    bool page = false; // the page below a selected row instead of a rule
};

struct RenderedLine {
    static constexpr int margin = 30;
    QFontMetrics metrics;
    QString text;
    double scale;
    double baseline;
    double capHeight;
    cv::Mat grey; // enlarged
    cv::Mat ink;

    RenderedLine(const QString &family, const QString &line, int pixelSize, Rule rule = {})
        : metrics(fontOf(family, pixelSize)),
          text(line),
          scale(40.0 / pixelSize),
          baseline((pixelSize + 5) * scale),
          capHeight(metrics.capHeight() * scale)
    {
        QImage image(metrics.horizontalAdvance(text) + 2 * margin, pixelSize * 2 + 10, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setFont(fontOf(family, pixelSize));
        p.setPen(Qt::black);
        const QRect underscore = metrics.boundingRect(QLatin1Char('_')).translated(margin, pixelSize + 5);
        if (rule.page) {
            // The page below a selected row: level with the underscore beside it, and a row
            // below it under it.
            const int right = margin + metrics.horizontalAdvance(text);
            p.fillRect(margin, underscore.top(), right - margin, pixelSize / 2, Qt::black);
            if (text.startsWith(QLatin1Char('_')))
                p.fillRect(margin, underscore.top(), underscore.width() + 1, underscore.height() + 1, Qt::white);
        }
        p.drawText(QPoint(margin, pixelSize + 5), text);
        if (rule.gap >= 0 && !rule.page) {
            const int under = underscore.bottom() + 1 + rule.gap;
            const int from = margin - int(rule.from * pixelSize);
            p.fillRect(from, under, margin + metrics.horizontalAdvance(text) - from, std::max(1, pixelSize / 12),
                       Qt::black);
        }
        p.end();
        cv::cvtColor(toBgr(image), grey, cv::COLOR_BGR2GRAY);
        cv::resize(grey, grey, cv::Size(), scale, scale, cv::INTER_CUBIC);
        ink = grey < 128;
    }
    // The columns of the letter at `at`, by its advance.
    int left(int at) const { return int((margin + metrics.horizontalAdvance(text.left(at))) * scale); }
    int right(int at) const { return int((margin + metrics.horizontalAdvance(text.left(at + 1))) * scale); }

    static QFont fontOf(const QString &family, int pixelSize)
    {
        QFont font(family);
        font.setPixelSize(pixelSize);
        return font;
    }
};

class TestTextBoxes : public QObject {
    Q_OBJECT

private slots:
    // The icon is trimmed off and never takes the first letter with it, however close the text
    // comes, whatever the colours.
    void iconNeverTakesALetter_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("ink");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("gap");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("iconSize");
        const QColor white(250, 250, 250), dark(36, 36, 36), blue(53, 132, 228);
        const QColor black(30, 30, 30), light(238, 238, 238);
        QTest::newRow("picture icon, wide gap")
            << "Jensen_0815.jpg" << white << black << int(Icon::Picture) << 6 << 13 << 0;
        QTest::newRow("picture icon, close")
            << "Jensen_0815.jpg" << white << black << int(Icon::Picture) << 2 << 13 << 0;
        QTest::newRow("picture icon, dark, close")
            << "Jensen_0815.jpg" << dark << light << int(Icon::Picture) << 2 << 13 << 0;
        QTest::newRow("picture icon, dark, very close")
            << "IMG_0417.JPG" << dark << light << int(Icon::Picture) << 1 << 13 << 0;
        QTest::newRow("picture icon, selected")
            << "Jensen_0815.jpg" << blue << white << int(Icon::Picture) << 3 << 13 << 0;
        QTest::newRow("grey icon") << "Jensen_0815.jpg" << white << black << int(Icon::Grey) << 4 << 13 << 0;
        QTest::newRow("grey icon, dark") << "IMG_0417.JPG" << dark << light << int(Icon::Grey) << 4 << 13 << 0;
        QTest::newRow("no icon") << "Jensen_0815.jpg" << white << black << int(Icon::None) << 4 << 13 << 0;
        QTest::newRow("no icon, first letter thin")
            << "IMG_0417.JPG" << white << black << int(Icon::None) << 4 << 13 << 0;
        QTest::newRow("no icon, dark") << "l_0001.jpg" << dark << light << int(Icon::None) << 4 << 13 << 0;
        // Letters as tall as the icon (a 2x screen with small icons), close to it.
        QTest::newRow("2x, letters as tall as the icon")
            << "GOPR0415.JPG" << dark << light << int(Icon::Picture) << 3 << 28 << 20;
        QTest::newRow("2x, a J under the icon's edge")
            << "José-María_0088.jpg" << dark << light << int(Icon::Picture) << 0 << 28 << 20;
        QTest::newRow("2x, a J's hook reaching in under the icon")
            << "José-María_0088.jpg" << dark << light << int(Icon::Picture) << -3 << 28 << 20;
        // A grey icon no taller than a name with descenders and an underscore.
        QTest::newRow("grey icon, as tall as the name")
            << "IMG_2231.jpg" << dark << light << int(Icon::Grey) << 5 << 13 << 13;
    }
    void iconNeverTakesALetter()
    {
        QFETCH(QString, name);
        QFETCH(QColor, background);
        QFETCH(QColor, ink);
        QFETCH(int, icon);
        QFETCH(int, gap);
        QFETCH(int, pixelSize);
        QFETCH(int, iconSize);
        const DrawnLabel label = drawLabel(name, background, ink, Icon(icon), gap, pixelSize, iconSize);
        const PreparedCrop crop = prepare(label.image);
        QVERIFY(!crop.empty());
        // The first letter is on the crop ...
        QVERIFY2(crop.text.left() <= label.textLeft,
                 qPrintable(QStringLiteral("text from %1, ink from %2").arg(crop.text.left()).arg(label.textLeft)));
        QVERIFY(crop.text.right() >= label.textInk.right());
        // ... and the icon is not: what lies before the first letter is blank.
        if (label.iconRight > 0) {
            const int blankUntil = crop.border + int((label.textLeft - crop.text.left()) * crop.scale) - 2;
            if (blankUntil > 0) {
                double lowest = 0;
                cv::minMaxLoc(crop.image(cv::Rect(0, 0, blankUntil, crop.image.rows)), &lowest);
                QVERIFY2(lowest > 160, qPrintable(QStringLiteral("ink before the text: %1").arg(lowest)));
            }
        }
    }

    // A compressed copy gives dark letters faint colour fringes; they are no icon, and the first
    // letter stays on the crop.
    void compressedLettersAreNoIcon_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("gap");
        QTest::addColumn<QString>("name");
        for (const int q : {80, 60}) {
            for (const bool dark : {false, true}) {
                for (const int gap : {2, 6}) {
                    for (const char *name : {"DSC04410.JPG", "Anne-Marie_0018.jpg"}) {
                        const QString row = QStringLiteral("q%1, %2, gap %3, %4")
                                                .arg(q)
                                                .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"))
                                                .arg(gap)
                                                .arg(QLatin1String(name));
                        QTest::newRow(qPrintable(row)) << q << dark << gap << QString::fromLatin1(name);
                    }
                }
            }
        }
    }
    void compressedLettersAreNoIcon()
    {
        QFETCH(int, quality);
        QFETCH(bool, dark);
        QFETCH(int, gap);
        QFETCH(QString, name);
        const DrawnLabel label = drawLabel(name, dark ? QColor(36, 36, 36) : QColor(250, 250, 250),
                                           dark ? QColor(238, 238, 238) : QColor(30, 30, 30), Icon::Picture, gap, 13);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(label.image.save(&buffer, "JPG", quality));
        QImage compressed;
        QVERIFY(compressed.loadFromData(bytes, "JPG"));
        const PreparedCrop crop = prepare(compressed.convertToFormat(QImage::Format_RGB32));
        QVERIFY(!crop.empty());
        QVERIFY2(crop.text.left() <= label.textLeft,
                 qPrintable(QStringLiteral("text from %1, ink from %2").arg(crop.text.left()).arg(label.textLeft)));
    }

    // Every crop is dark text on white, whichever way round the box was; the crop knows where it
    // came from.
    void cropIsDarkOnLightAndMapsBack_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("ink");
        QTest::newRow("dark on white") << QColor(250, 250, 250) << QColor(30, 30, 30);
        QTest::newRow("light on dark") << QColor(36, 36, 36) << QColor(238, 238, 238);
        QTest::newRow("white on a blue highlight") << QColor(53, 132, 228) << QColor(255, 255, 255);
        QTest::newRow("white on a light blue highlight") << QColor(120, 170, 230) << QColor(255, 255, 255);
        QTest::newRow("dark on a yellow highlight") << QColor(250, 220, 120) << QColor(20, 20, 20);
    }
    void cropIsDarkOnLightAndMapsBack()
    {
        QFETCH(QColor, background);
        QFETCH(QColor, ink);
        const DrawnLabel label = drawLabel(QStringLiteral("Smith_0042.jpg"), background, ink, Icon::None, 4);
        const PreparedCrop crop = prepare(label.image);
        QVERIFY(!crop.empty());
        // Mostly background, which is white: the median is light, the darkest pixels dark.
        cv::Mat sorted = crop.image.reshape(1, 1).clone();
        cv::sort(sorted, sorted, cv::SORT_ASCENDING);
        QVERIFY(sorted.at<uchar>(0, sorted.cols / 2) > 200);
        QVERIFY(sorted.at<uchar>(0, 0) < 60);
        QCOMPARE(crop.image.at<uchar>(0, 0), uchar(255));
        // The crop's text area lies on the image's text, its border outside it.
        const QRect back = crop.toImage(crop.border, crop.border, crop.image.cols - crop.border,
                                        crop.image.rows - crop.border);
        QVERIFY2(std::abs(back.left() - crop.text.left()) <= 1 && std::abs(back.right() - crop.text.right()) <= 1,
                 qPrintable(QStringLiteral("%1..%2 vs %3..%4")
                                .arg(back.left())
                                .arg(back.right())
                                .arg(crop.text.left())
                                .arg(crop.text.right())));
        QVERIFY(crop.text.contains(label.textInk.adjusted(1, 1, -1, -1)));
    }

    void emptyBoxGivesNoCrop()
    {
        QImage blank(80, 20, QImage::Format_RGB32);
        blank.fill(QColor(53, 132, 228));
        QVERIFY(prepare(blank).empty());
    }

    // Detected boxes become boxes of one line each.
    void oneLinePerBox_data()
    {
        QTest::addColumn<QList<QRect>>("detected");
        QTest::addColumn<QList<QRect>>("lines");
        QTest::newRow("pieces cut at an underscore are joined")
            << QList<QRect>{{100, 10, 60, 16}, {164, 10, 50, 16}} << QList<QRect>{{100, 10, 114, 16}};
        QTest::newRow("the next column stays apart")
            << QList<QRect>{{100, 10, 60, 16}, {200, 10, 50, 16}} << QList<QRect>{{100, 10, 60, 16}, {200, 10, 50, 16}};
        QTest::newRow("an icon stays apart from its name")
            << QList<QRect>{{80, 10, 16, 16}, {98, 10, 100, 16}} << QList<QRect>{{80, 10, 16, 16}, {98, 10, 100, 16}};
        QTest::newRow("rows in reading order") << QList<QRect>{{300, 40, 60, 16}, {100, 42, 60, 16}, {100, 10, 60, 16}}
                                               << QList<QRect>{{100, 10, 60, 16}, {100, 42, 60, 16}, {300, 40, 60, 16}};
    }
    void oneLinePerBox()
    {
        QFETCH(QList<QRect>, detected);
        QFETCH(QList<QRect>, lines);
        std::vector<cv::Rect> boxes;
        for (const QRect &r : detected)
            boxes.emplace_back(r.x(), r.y(), r.width(), r.height());
        QCOMPARE(inReadingOrder(joinPiecesOfOneLine(boxes)), lines);
    }

    void iconBesideANameIsNotRead()
    {
        const QList<QRect> boxes{{80, 10, 16, 16}, {98, 10, 100, 16}, {80, 40, 18, 16}, {300, 40, 100, 16}};
        // The second square box has no name right after it: it may be a short name of its own.
        QCOMPARE(withoutIconsBesideText(boxes),
                 (QList<QRect>{{98, 10, 100, 16}, {80, 40, 18, 16}, {300, 40, 100, 16}}));
    }

    // One box over two labels side by side is split where the gap between them is wide; an icon
    // on its own in a piece is left out.
    void boxesSplitAtWideGaps()
    {
        QImage image(360, 24, QImage::Format_RGB32);
        image.fill(QColor(250, 250, 250));
        QPainter p(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        p.setFont(font);
        p.setPen(QColor(30, 30, 30));
        p.drawText(QRect(4, 0, 150, 24), Qt::AlignVCenter, QStringLiteral("Smith_0042.jpg"));
        p.drawText(QRect(200, 0, 150, 24), Qt::AlignVCenter, QStringLiteral("DSC_0815.JPG"));
        p.end();
        const cv::Mat grey = greyOf(image);
        const QList<QRect> pieces = rects(splitAtWideGaps(grey, cv::Rect(0, 0, grey.cols, grey.rows)));
        QCOMPARE(pieces.size(), 2);
        QVERIFY(pieces.at(0).right() < 200 && pieces.at(1).left() > 110);
    }

    // The labels of selected icons stand on highlights parted by a thin line of the page: the
    // line is no ink, so the box over two labels still parts between them.
    void selectedLabelsSplitAtTheirHighlights_data()
    {
        QTest::addColumn<QColor>("page");
        QTest::newRow("light page") << QColor(255, 255, 255);
        QTest::newRow("dark page") << QColor(40, 40, 40);
    }
    void selectedLabelsSplitAtTheirHighlights()
    {
        QFETCH(QColor, page);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        const QFontMetrics metrics(font);
        const QStringList labels{"Noel_1203.j-", "P1000123.J-"};
        // Each highlight a few pixels wider than its label, the next one past a line of the page.
        constexpr int pad = 5, line = 4;
        QImage image(200, 22, QImage::Format_RGB32);
        image.fill(page);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::white);
        int x = 0;
        QList<int> ends;
        for (const QString &label : labels) {
            const int width = metrics.horizontalAdvance(label) + 2 * pad;
            p.fillRect(x, 0, width, 22, QColor(53, 132, 228));
            p.drawText(QRect(x, 0, width, 22), Qt::AlignCenter, label);
            x += width + line;
            ends.append(x - line);
        }
        p.end();
        const cv::Mat grey = greyOf(image);
        const QList<QRect> pieces = rects(splitAtWideGaps(grey, cv::Rect(0, 0, x - line, grey.rows)));
        QCOMPARE(pieces.size(), 2);
        QVERIFY(pieces.at(0).right() < ends.at(0) + line && pieces.at(1).left() >= ends.at(0));
    }

    // Icon labels wrapped in narrow cells stand so close that one box may hold the lines of two
    // labels. Where two lines of labels lie side by side right under it (or right over it), it
    // is cut between them; the lines of one label, or of a list, stay whole.
    void labelsOfNeighbouringIconsAreCut_data()
    {
        QTest::addColumn<QStringList>("upper"); // first line of each label, one cell each
        QTest::addColumn<QStringList>("lower"); // second line of each label
        QTest::addColumn<bool>("boxOverLower"); // else the lower line is one box under two
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("ink");
        QTest::addColumn<int>("pieces");
        const QColor white(255, 255, 255), dark(36, 36, 36), blue(53, 132, 228), black(20, 20, 20);
        QTest::newRow("words apart") << QStringList{"Noël_120", "R001234"} << QStringList{"3.jpeg", "5.JPG"} << true
                                     << dark << white << 2;
        QTest::newRow("an underscore before the cut")
            << QStringList{"van_der_", "Ólafur_09"} << QStringList{"Berg-004", "01.jpg"} << true << white << black << 2;
        QTest::newRow("selected") << QStringList{"Aalbers-", "Anne-"} << QStringList{"van_Dijk_Fa-", "Marie_0018."}
                                  << false << blue << white << 2;
        QTest::newRow("one label over two words")
            << QStringList{"Summer_Wed"} << QStringList{"day", "two.jpg"} << true << white << black << 1;
    }
    void labelsOfNeighbouringIconsAreCut()
    {
        QFETCH(QStringList, upper);
        QFETCH(QStringList, lower);
        QFETCH(bool, boxOverLower);
        QFETCH(QColor, background);
        QFETCH(QColor, ink);
        QFETCH(int, pieces);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(24);
        const QFontMetrics metrics(font);
        // Cells a little wider than their widest line, as a wrapping grid makes them.
        int widest = 0;
        for (const QString &line : upper + lower)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        const int cell = upper.size() == 1 ? widest / 2 + 6 : widest + 12;
        constexpr int lineHeight = 34, top = 10;
        QImage image(cell * 2, top + 2 * lineHeight + 10, QImage::Format_RGB32);
        image.fill(background);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(ink);
        // Each line centred in its cell; one label alone spans both cells and has its second line
        // in two words.
        QList<QRect> upperInk, lowerInk;
        auto draw = [&](const QString &text, int left, int width, int y) {
            const int w = metrics.horizontalAdvance(text);
            const int x = left + (width - w) / 2;
            p.drawText(QRect(x, y, w, lineHeight), Qt::AlignVCenter, text);
            return QRect(x, y + 4, w, lineHeight - 8);
        };
        if (upper.size() == 1) {
            upperInk.append(draw(upper.at(0), 0, cell * 2, top));
            const int spacing = metrics.horizontalAdvance(QLatin1Char(' '));
            const int w0 = metrics.horizontalAdvance(lower.at(0));
            const int total = w0 + spacing + metrics.horizontalAdvance(lower.at(1));
            const int x = (cell * 2 - total) / 2;
            lowerInk.append(draw(lower.at(0), x, w0, top + lineHeight));
            lowerInk.append(draw(lower.at(1), x + w0 + spacing, total - w0 - spacing, top + lineHeight));
        } else {
            for (int k = 0; k < 2; ++k) {
                upperInk.append(draw(upper.at(k), k * cell, cell, top));
                lowerInk.append(draw(lower.at(k), k * cell, cell, top + lineHeight));
            }
        }
        p.end();
        const cv::Mat grey = greyOf(image);
        auto box = [](const QRect &r) { return cv::Rect(r.x(), r.y(), r.width(), r.height()); };
        std::vector<cv::Rect> boxes;
        cv::Rect wide;
        if (boxOverLower || upper.size() == 1) {
            wide = box(upperInk.size() == 1 ? upperInk.at(0) : upperInk.at(0) | upperInk.at(1));
            boxes.push_back(wide);
            for (const QRect &r : lowerInk)
                boxes.push_back(box(r));
        } else {
            for (const QRect &r : upperInk)
                boxes.push_back(box(r));
            wide = box(lowerInk.at(0) | lowerInk.at(1));
            boxes.push_back(wide);
        }
        const std::vector<cv::Rect> result = splitBetweenNeighbours(grey, boxes);
        std::vector<cv::Rect> fromWide;
        for (const cv::Rect &r : result) {
            if ((r & wide) == r && r.y == wide.y && r.height == wide.height)
                fromWide.push_back(r);
        }
        QCOMPARE(int(fromWide.size()), pieces);
        QCOMPARE(int(result.size()), int(boxes.size()) - 1 + pieces);
        if (pieces == 2) {
            // Each piece holds one label's line whole.
            const QList<QRect> own = boxOverLower ? upperInk : lowerInk;
            for (int k = 0; k < 2; ++k) {
                const QRect piece = rects({fromWide[std::size_t(k)]}).first();
                QVERIFY2(piece.left() <= own.at(k).left() + 1 && piece.right() >= own.at(k).right() - 1,
                         qPrintable(QStringLiteral("piece %1 cuts its label").arg(k)));
            }
        }
    }

    // The letters' height, by which large text is brought down before detection, is that of the
    // letters even when every label stands on a highlight much taller than its text.
    void letterHeightOfASelection_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::newRow("nothing selected") << false;
        QTest::newRow("every label selected") << true;
    }
    void letterHeightOfASelection()
    {
        QFETCH(bool, selected);
        QImage image(900, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        p.setFont(font);
        const QStringList names{"_DSC8812.j-", "Anne-", "Dvořák_005", "IMG_0418.", "Noël_1203.j-"};
        for (int row = 0; row < 4; ++row) {
            for (int col = 0; col < names.size(); ++col) {
                const QRect label(10 + col * 170, 20 + row * 70, 150, 44);
                if (selected)
                    p.fillRect(label, QColor(53, 132, 228));
                p.setPen(selected ? Qt::white : QColor(30, 30, 30));
                const QRect text = label.adjusted(5, 5, -5, -5);
                p.drawText(text, Qt::AlignHCenter | Qt::AlignTop, names.at(col));
                p.drawText(text, Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("jpg"));
            }
        }
        p.end();
        const int height = letterHeight(toBgr(image));
        QVERIFY2(height >= 6 && height <= 16, qPrintable(QString::number(height)));
    }

    // A long row of a list over a shorter row and its next column: the rows line up on the left,
    // not centred on icons, and the long row stays whole.
    void longRowOfAListIsNotCut()
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        const QFontMetrics metrics(font);
        QImage image(700, 60, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(QColor(20, 20, 20));
        const QString longName = QStringLiteral("Abbing-Hendriksen_Wedding Ceremony_and_Reception_2023_0117.jpg");
        p.drawText(QRect(4, 4, 690, 20), Qt::AlignVCenter, longName);
        p.drawText(QRect(4, 26, 300, 20), Qt::AlignVCenter, QStringLiteral("Anne-Marie_0018.jpg"));
        p.drawText(QRect(260, 26, 300, 20), Qt::AlignVCenter, QStringLiteral("4.2 MB"));
        p.end();
        const cv::Mat grey = greyOf(image);
        const std::vector<cv::Rect> boxes{
            {2, 4, metrics.horizontalAdvance(longName) + 4, 20},
            {2, 26, metrics.horizontalAdvance(QStringLiteral("Anne-Marie_0018.jpg")) + 4, 20},
            {258, 26, metrics.horizontalAdvance(QStringLiteral("4.2 MB")) + 4, 20}};
        QCOMPARE(rects(splitBetweenNeighbours(grey, boxes)), rects(boxes));
    }

    // A stroke just under the box is taken in, up to the background after it: the next line of
    // a label may begin only a few rows further down. Ink that goes on down is no stroke, and a
    // point is too short to be one.
    void strokesBelowAreTakenIn_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("strokeLength");
        QTest::addColumn<int>("strokeRows");
        QTest::addColumn<int>("nextLineGap"); // rows of background under the stroke
        QTest::addColumn<int>("bottom");      // of the grown box
        QTest::newRow("underscore, next line close under it") << false << 15 << 2 << 3 << 42;
        QTest::newRow("underscore, dark") << true << 15 << 2 << 3 << 42;
        QTest::newRow("underscore, nothing under it") << false << 15 << 2 << 20 << 42;
        QTest::newRow("the top of the next line's letters") << false << 15 << 7 << 3 << 40;
        QTest::newRow("a point") << false << 3 << 2 << 3 << 40;
    }
    void strokesBelowAreTakenIn()
    {
        QFETCH(bool, dark);
        QFETCH(int, strokeLength);
        QFETCH(int, strokeRows);
        QFETCH(int, nextLineGap);
        QFETCH(int, bottom);
        const QColor page = dark ? QColor(53, 132, 228) : QColor(250, 250, 250);
        const QColor ink = dark ? QColor(255, 255, 255) : QColor(30, 30, 30);
        QImage image(240, 90, QImage::Format_RGB32);
        image.fill(page);
        QPainter painter(&image);
        // The detector's box holds rows 10 to 39: letters from row 12 to the baseline at row 37.
        const cv::Rect detected(20, 10, 200, 30);
        for (int x = 24; x < 210; x += 12)
            painter.fillRect(x, 12, 3, 26, ink);
        // The stroke starts in the box's first columns and lies under it, from row 40.
        painter.fillRect(12, 40, strokeLength, strokeRows, ink);
        // The next line.
        for (int x = 30; x < 200; x += 12)
            painter.fillRect(x, 40 + strokeRows + nextLineGap, 3, 20, ink);
        painter.end();
        const cv::Rect grown = extendOverStrokeBelow(greyOf(image), detected);
        QCOMPARE(grown.x, detected.x);
        QCOMPARE(grown.y, detected.y);
        QCOMPARE(grown.width, detected.width);
        QCOMPARE(grown.y + grown.height, bottom);
    }

    // A box whose edge cuts through the underscore that starts or ends a name takes it in; an
    // edge beside a letter stays.
    void underscoresAtTheEdgesAreTakenIn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("grows");
        QTest::addColumn<int>("inset");
        QTest::addColumn<QString>("beside"); // what else the box's rows hold
        QTest::newRow("leading underscore") << "_DSC8812.jpg" << false << true << 4 << "";
        QTest::newRow("leading underscore, dark") << "_Z620815.jpg" << true << true << 4 << "";
        QTest::newRow("leading underscore wholly outside") << "_DSC8812.jpg" << false << true << 11 << "";
        QTest::newRow("trailing underscore") << "Anne-Marie_" << false << true << 4 << "";
        QTest::newRow("a letter at the edge") << "DSC8812.jpg" << false << false << 4 << "";
        QTest::newRow("a full stop beside the edge") << ".DSC8812.jpg" << false << false << 6 << "";
        // A selected row: the box reaches down past its highlight into the page between it and
        // the next one, light across the whole box.
        QTest::newRow("leading underscore, page below") << "_1040062.JPG" << true << true << 6 << "page below";
        QTest::newRow("a letter at the edge, page below") << "1040062.JPG" << true << false << 4 << "page below";
        // A focus line under the row, lower than the underscore, runs on before it.
        QTest::newRow("leading underscore, focus line below") << "_Z620815.jpg" << false << true << 4 << "focus line";
        // The slanted edge of an icon runs low into the box, and ends in background: no underscore.
        QTest::newRow("a slanted edge at the box's start") << "Dvořák_0056.jpg" << false << false << -2 << "slant";
    }
    void underscoresAtTheEdgesAreTakenIn()
    {
        QFETCH(QString, name);
        QFETCH(bool, dark);
        QFETCH(bool, grows);
        QFETCH(int, inset);
        QFETCH(QString, beside);
        const QColor darkBackground = beside == QLatin1String("page below") ? QColor(53, 132, 228) : QColor(36, 36, 36);
        const QColor background = dark ? darkBackground : QColor(250, 250, 250);
        const QColor inkColour = dark ? QColor(238, 238, 238) : QColor(30, 30, 30);
        DrawnLabel label = drawLabel(name, background, inkColour, Icon::None, 10, 16);
        // The detector's box: the ink, less `inset` pixels at its start and 4 at its end.
        const QRect ink = label.textInk;
        const cv::Rect detected(ink.left() + inset, ink.top() - 2, ink.width() - inset - 4, ink.height() + 4);
        QPainter painter(&label.image);
        if (beside == QLatin1String("page below"))
            painter.fillRect(0, detected.y + detected.height - 3, label.image.width(), 3, QColor(250, 250, 250));
        if (beside == QLatin1String("focus line"))
            painter.fillRect(0, detected.y + detected.height - 1, detected.x + detected.width / 2, 1, inkColour);
        if (beside == QLatin1String("slant")) {
            painter.setPen(QPen(inkColour, 1));
            const int bottom = detected.y + detected.height - 2;
            painter.drawLine(detected.x - 6, bottom - 6, detected.x + 1, bottom);
        }
        painter.end();
        const cv::Mat grey = greyOf(label.image);
        const cv::Rect grown = extendOverStrokesAside(grey, detected);
        const bool leading = name.startsWith(QLatin1Char('_')), trailing = name.endsWith(QLatin1Char('_'));
        if (!grows) {
            QCOMPARE(grown, detected);
            return;
        }
        // The underscore's faint, anti-aliased end may stay out; its stroke may not.
        if (leading)
            QVERIFY2(grown.x <= ink.left() + 1, qPrintable(QStringLiteral("%1 > %2").arg(grown.x).arg(ink.left())));
        else
            QCOMPARE(grown.x, detected.x);
        if (trailing)
            QVERIFY(grown.x + grown.width > ink.right());
        else
            QCOMPARE(grown.x + grown.width, detected.x + detected.width);
        QCOMPARE(grown.y, detected.y);
        QCOMPARE(grown.height, detected.height);
    }

    // A box whose top edge cuts through an accent grows up over it, and no further: the line
    // above stays out, and a box that cuts a letter's stem, or nothing, stays as it is.
    void marksAboveTheBoxAreTakenIn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("cut"); // rows of the ink above the detector's box
        QTest::addColumn<bool>("lineAbove");
        QTest::addColumn<bool>("grows");
        QTest::newRow("acute cut") << "Ólafur_0901.jpg" << false << 1 << false << true;
        QTest::newRow("acute cut, light on a highlight") << "Ólafur_0901.jpg" << true << 1 << false << true;
        QTest::newRow("acute cut, line close above") << "Ólafur_0901.jpg" << false << 1 << true << true;
        QTest::newRow("stem cut") << "Olafur_0901.jpg" << false << 1 << false << false;
        QTest::newRow("nothing cut") << "Olafur_0901.jpg" << false << -1 << false << false;
    }
    void marksAboveTheBoxAreTakenIn()
    {
        QFETCH(QString, name);
        QFETCH(bool, dark);
        QFETCH(int, cut);
        QFETCH(bool, lineAbove);
        QFETCH(bool, grows);
        const QColor background = dark ? QColor(53, 132, 228) : QColor(250, 250, 250);
        const QColor inkColour = dark ? QColor(255, 255, 255) : QColor(30, 30, 30);
        const DrawnLabel label = drawLabel(name, background, inkColour, Icon::None, 10, 12);
        // The label under another line, two rows of background between their ink.
        QImage image(label.image.width(), label.image.height() * 2, QImage::Format_RGB32);
        image.fill(background);
        QPainter p(&image);
        QRect above;
        if (lineAbove) {
            const DrawnLabel upper = drawLabel(QStringLiteral("Vandenberghe_0452.jpg"), background, inkColour,
                                               Icon::None, 10, 12);
            const int shift = label.image.height() / 2 + label.textInk.top() - 2 - (upper.textInk.bottom() + 1);
            p.drawImage(0, shift, upper.image);
            above = upper.textInk.translated(0, shift);
        }
        // The label's rows from just above its ink down, over the line above's background.
        const int from = label.textInk.top() - 1;
        p.drawImage(QPoint(0, label.image.height() / 2 + from), label.image,
                    QRect(0, from, label.image.width(), label.image.height() - from));
        p.end();
        const QRect ink = label.textInk.translated(0, label.image.height() / 2);
        const cv::Mat grey = greyOf(image);
        const cv::Rect detected(ink.left() - 2, ink.top() + cut, ink.width() + 4, ink.bottom() + 3 - (ink.top() + cut));
        const cv::Rect grown = extendOverMarksAbove(grey, detected);
        QCOMPARE(grown.y + grown.height, detected.y + detected.height);
        QCOMPARE(grown.x, detected.x);
        QCOMPARE(grown.width, detected.width);
        if (!grows) {
            QCOMPARE(grown.y, detected.y);
            return;
        }
        // The faintest row of anti-aliasing may stay out.
        QVERIFY2(grown.y < detected.y && grown.y <= ink.top() + 1,
                 qPrintable(QStringLiteral("%1 > %2").arg(grown.y).arg(ink.top())));
        if (lineAbove)
            QVERIFY2(grown.y > above.bottom(), qPrintable(QStringLiteral("%1 <= %2").arg(grown.y).arg(above.bottom())));
    }

    // j and J differ in their dot and height alone: the ink of the letter in a line says which.
    void caseOfJFromItsInk_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at"); // the letter's index in the text
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("expected"); // LetterCase
        for (const QString &family : {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}) {
            for (const int size : {40, 11}) {
                const QString where = QStringLiteral(", %1, %2 px").arg(family).arg(size);
                QTest::newRow(qPrintable("capital starting a name" + where))
                    << family << "Jensen_0815" << 0 << size << int(LetterCase::Capital);
                QTest::newRow(qPrintable("capital after a hyphen" + where))
                    << family << "Smith-Jones" << 6 << size << int(LetterCase::Capital);
                QTest::newRow(qPrintable("small in an extension" + where))
                    << family << "0815.jpg" << 5 << size << int(LetterCase::Small);
                QTest::newRow(qPrintable("small starting a word" + where))
                    << family << "jensen_0815" << 0 << size << int(LetterCase::Small);
            }
            // An accent over a capital is no dot.
            QTest::newRow(qPrintable("capital with a circumflex, " + family))
                << family << QStringLiteral("\u0134ensen_01") << 0 << 40 << int(LetterCase::Capital);
        }
        // No stem in the columns: nothing to say.
        QTest::newRow("a low letter") << "DejaVu Sans"
                                      << "ace" << 1 << 40 << int(LetterCase::Unknown);
    }
    void caseOfJFromItsInk()
    {
        QFETCH(QString, family);
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(int, pixelSize);
        QFETCH(int, expected);
        const RenderedLine line(family, text, pixelSize);
        QCOMPARE(int(dottedLetterCase(line.ink, line.left(at), line.right(at), line.baseline, line.capHeight)),
                 expected);
    }

    // A 1 read as an L: an L's stem is its leftmost ink, a 1 has its flag (and in some fonts its
    // foot) left of its stem.
    void oneOrEllFromItsStem_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("expected"); // -1 no stem found, 0 an L's, 1 a 1's
        for (const QString &family : screenFonts()) {
            for (const int size : {40, 12}) {
                const QString where = QStringLiteral(", %1, %2 px").arg(family).arg(size);
                QTest::newRow(qPrintable("1 before a full stop" + where)) << family << "DSCF7781.jpg" << 7 << size << 1;
                QTest::newRow(qPrintable("1 between digits" + where)) << family << "IMG_2219" << 6 << size << 1;
                QTest::newRow(qPrintable("L after digits" + where)) << family << "2023L.jpg" << 4 << size << 0;
                QTest::newRow(qPrintable("L starting a word" + where)) << family << "Lund_0042" << 0 << size << 0;
            }
        }
        QTest::newRow("a round letter is no 1") << "DejaVu Sans"
                                                << "IMG_0" << 4 << 40 << 0;
        QTest::newRow("a low letter") << "DejaVu Sans"
                                      << "ace" << 1 << 40 << -1;
    }
    void oneOrEllFromItsStem()
    {
        QFETCH(QString, family);
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(int, pixelSize);
        QFETCH(int, expected);
        const RenderedLine line(family, text, pixelSize);
        const std::optional<StemMark> mark = stemMark(line.ink, line.left(at), line.right(at), line.baseline,
                                                      line.capHeight);
        QCOMPARE(mark ? int(mark->inkLeftOfStem) : -1, expected);
        if (mark) { // the mark is the letter's own, not its neighbours'
            QVERIFY(mark->left >= line.left(at) - 2);
            QVERIFY(mark->right <= line.right(at) + 2);
        }
    }

    // An Ł read as a t: the Ł stands on a long foot, the t on a short turned-up tail.
    void footOfLOrT_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("longFoot");
        for (const QString &family : screenFonts()) {
            for (const int size : {40, 13, 11}) {
                const QString where = QStringLiteral(", %1, %2 px").arg(family).arg(size);
                QTest::newRow(qPrintable("stroked L" + where))
                    << family << QStringLiteral("\u0141ukasz") << size << true;
                QTest::newRow(qPrintable("L" + where)) << family << QStringLiteral("Lukas") << size << true;
                QTest::newRow(qPrintable("t" + where)) << family << QStringLiteral("tukasz") << size << false;
            }
        }
    }
    void footOfLOrT()
    {
        QFETCH(QString, family);
        QFETCH(QString, text);
        QFETCH(int, pixelSize);
        QFETCH(bool, longFoot);
        const RenderedLine line(family, text, pixelSize);
        const std::optional<double> foot = footLength(line.ink, line.left(0), line.right(0), line.baseline,
                                                      line.capHeight);
        QVERIFY(foot);
        QCOMPARE(*foot >= lFootLength, longFoot);
    }

    // Accents the recogniser takes for each other (a ring for two dots, an acute for a grave) differ
    // in the shape of their ink over the letter.
    void accentFromItsInk_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("expected"); // Accent
        const struct {
            const char *name;
            QString text;
            int at;
            Accent accent;
        } cases[] = {
            {"ring", QStringLiteral("\u00c5ngstr\u00f6m"), 0, Accent::Ring},
            {"two dots over a capital", QStringLiteral("\u00c4ngstr\u00f6m"), 0, Accent::Diaeresis},
            {"acute over a capital", QStringLiteral("\u00d3lafur"), 0, Accent::Acute},
            {"grave over a capital", QStringLiteral("\u00d2lafur"), 0, Accent::Grave},
            {"circumflex over a capital", QStringLiteral("\u00d4lafur"), 0, Accent::Circumflex},
            {"caron over a capital", QStringLiteral("\u0160ebnem"), 0, Accent::Caron},
            {"acute over a small letter", QStringLiteral("Ren\u00e9e"), 3, Accent::Acute},
            {"grave over a small letter", QStringLiteral("Ren\u00e8e"), 3, Accent::Grave},
            {"two dots over a small letter", QStringLiteral("Zo\u00eb_2041"), 2, Accent::Diaeresis},
            {"no accent", QStringLiteral("Angstrom"), 0, Accent::Unknown},
        };
        for (const QString &family : screenFonts()) {
            for (const auto &c : cases)
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(c.name, family)))
                    << family << c.text << c.at << 40 << int(c.accent);
        }
        // At screen sizes a mark may be too small to show its shape: it is then none, never another,
        // but for a caron, whose arms part into two dots (which is why reading never trades a caron
        // for two dots).
        for (const auto &c : cases) {
            for (const int size : {13, 11}) {
                const bool parted = c.accent == Accent::Caron && size == 11;
                QTest::newRow(qPrintable(QStringLiteral("%1, %2 px").arg(c.name).arg(size)))
                    << "DejaVu Sans" << c.text << c.at << size << int(parted ? Accent::Diaeresis : c.accent);
            }
        }
    }
    void accentFromItsInk()
    {
        QFETCH(QString, family);
        QFETCH(QString, text);
        QFETCH(int, at);
        QFETCH(int, pixelSize);
        QFETCH(int, expected);
        const RenderedLine line(family, text, pixelSize);
        const int accent = int(
            accentOver(line.grey, 128, line.left(at), line.right(at), line.baseline, line.capHeight, line.scale));
        if (pixelSize < 20 && accent == int(Accent::Unknown))
            return;
        QCOMPARE(accent, expected);
    }

    // The recogniser gives nothing for an underscore that starts a line; its ink says it is there,
    // whether a focus line runs under it or a highlight's edge, and a rule alone is none.
    void leadingUnderscoreFromItsInk_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("ruleGap");
        QTest::addColumn<double>("ruleFrom");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<bool>("page");
        for (const QString &family : screenFonts()) {
            for (const int size : {40, 12}) {
                const QString where = QStringLiteral(", %1, %2 px").arg(family).arg(size);
                QTest::newRow(qPrintable("underscore" + where))
                    << family << "_DSC8812.jpg" << size << -1 << 0.0 << true << false;
                QTest::newRow(qPrintable("none" + where))
                    << family << "DSC8812.jpg" << size << -1 << 0.0 << false << false;
                QTest::newRow(qPrintable("a J's hook" + where))
                    << family << "Jensen_0815.jpg" << size << -1 << 0.0 << false << false;
                QTest::newRow(qPrintable("on a focus line" + where))
                    << family << "_MG_5123.jpg" << size << 0 << 0.0 << true << false;
                QTest::newRow(qPrintable("over a highlight's edge" + where))
                    << family << "_MG_5123.jpg" << size << 3 << 0.0 << true << false;
                QTest::newRow(qPrintable("over the page below a selected row" + where))
                    << family << "_MG_5123.jpg" << size << 0 << 0.0 << true << true;
                QTest::newRow(qPrintable("the page below alone" + where))
                    << family << "MG_5123.jpg" << size << 0 << 0.0 << false << true;
                QTest::newRow(qPrintable("a rule alone" + where))
                    << family << "MG_5123.jpg" << size << 2 << 0.0 << false << false;
                QTest::newRow(qPrintable("a rule that starts before the text" + where))
                    << family << "MG_5123.jpg" << size << 2 << 0.6 << false << false;
            }
        }
    }
    void leadingUnderscoreFromItsInk()
    {
        QFETCH(QString, family);
        QFETCH(QString, text);
        QFETCH(int, pixelSize);
        QFETCH(int, ruleGap);
        QFETCH(double, ruleFrom);
        QFETCH(bool, expected);
        QFETCH(bool, page);
        const RenderedLine line(family, text, pixelSize, Rule{ruleGap, ruleFrom, page});
        QCOMPARE(leadingUnderscore(line.ink, line.baseline, 0, line.capHeight), expected);
    }

    // Without the detection model, lines are still found.
    void linesWithoutAModel()
    {
        QImage image(400, 120, QImage::Format_RGB32);
        image.fill(QColor(36, 36, 36));
        QPainter p(&image);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(14);
        p.setFont(font);
        p.setPen(QColor(238, 238, 238));
        p.drawText(QPoint(20, 30), QStringLiteral("Jensen_0815.jpg"));
        p.drawText(QPoint(20, 80), QStringLiteral("IMG_0417.JPG"));
        p.end();
        TextDetector detector;
        QVERIFY(!detector.neural());
        const QList<QRect> found = lineBoxes(detector, toBgr(image));
        QCOMPARE(found.size(), 2);
        QVERIFY(found.at(0).bottom() < found.at(1).top());
    }
};

QTEST_MAIN(TestTextBoxes)
#include "tst_textboxes.moc"
