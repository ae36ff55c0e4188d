#include "textlines.h"

#include "filenamerules.h"
#include "misreadings.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace quillmore {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_') || c == QLatin1Char('-');
}

bool endsWithFullName(const QString &text)
{
    const QStringList tokens = extractFilenameTokens(text);
    if (tokens.isEmpty())
        return false;
    const QString cleaned = cleanRecognizedText(text);
    const QString &last = tokens.last();
    return cleaned.endsWith(last) && last.contains(QLatin1Char('.'));
}

// True when the text ends in the name of a file of another kind: a camera's raw picture, another
// image, a video or a sidecar ('IMG_0418.CR2', 'notes.txt'). Such a label or row is whole.
bool endsWithOtherFileName(const QString &text)
{
    static const QRegularExpression otherFile(
        QStringLiteral("[\\p{L}\\p{N}_-]\\.(?:3fr|arw|cr2|cr3|crw|dcr|dng|erf|iiq|k25|kdc|mef|mos|mrw|nef|nrw|orf|"
                       "pef|raf|raw|rw2|rwl|sr2|srf|srw|x3f|png|gif|bmp|tif|tiff|webp|heic|heif|avif|psd|"
                       "mp4|mov|avi|mts|xmp|txt|pdf)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return cleanRecognizedText(text).contains(otherFile);
}

// The box right under `upper` that continues its label: close below, about as high, centred on
// it.
qsizetype continuationBelow(const QList<OcrTextBox> &boxes, const QList<bool> &used, const OcrTextBox &upper)
{
    const QRect u = upper.rect;
    const double h = u.height();
    qsizetype best = -1;
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        if (used.at(i))
            continue;
        const QRect l = boxes.at(i).rect;
        const double gap = l.top() - (u.top() + u.height());
        if (gap < -0.6 * h || gap > 0.8 * h)
            continue;
        if (l.height() < 0.65 * h || l.height() > 1.5 * h)
            continue;
        const double centreShift = std::abs((l.left() + l.width() / 2.0) - (u.left() + u.width() / 2.0));
        if (centreShift > 0.12 * u.width() + 0.4 * h)
            continue;
        if (l.width() > u.width() * 2.5 + h)
            continue;
        if (best < 0 || l.top() < boxes.at(best).rect.top())
            best = i;
    }
    return best;
}

} // namespace

namespace {

// The text of the pieces written together, each joint either as read or, where a piece ends in a
// hyphen that the wrap may have added, without it (bit j of `dropHyphens` for joint j).
QString joinedPieces(const QStringList &pieces, qsizetype count, unsigned dropHyphens)
{
    QString joined;
    for (qsizetype k = 0; k < count; ++k) {
        QString piece = pieces.at(k);
        if (k + 1 < count && (dropHyphens & (1u << k)) && piece.endsWith(QLatin1Char('-')))
            piece.chop(1);
        joined += piece;
    }
    return joined;
}

// 2 when the whole text is one full file name, 1 when it is one bare name, 0 otherwise.
int wholeNameScore(const QString &text)
{
    const QStringList tokens = extractFilenameTokens(text);
    if (tokens.size() != 1 || tokens.first() != text)
        return 0;
    return text.contains(QLatin1Char('.')) ? 2 : 1;
}

} // namespace

QList<RecognizedTextLine> assembleTextLines(const QList<OcrTextBox> &boxes)
{
    QList<RecognizedTextLine> lines;
    for (const AssembledTextLine &assembled : assembleTextLinesWithBoxes(boxes))
        lines.append(assembled.line);
    return lines;
}

namespace {

// A word's box as tall as its line: the recogniser's word boxes hug the ink, the other boxes are
// whole lines.
QRect onLine(const OcrWord &word, const OcrTextBox &line)
{
    return QRect(word.rect.left(), line.rect.top(), word.rect.width(), line.rect.height());
}

// The labels of neighbouring icons that the engine read as one line ('Smith_0042. Søren_1187.'
// over 'jpg jpg', or 'Hendriks- Marie_00' under 'Abbing-' and 'Anne-'), split into their words
// when two of the words each continue a piece of a wrapped label of their own, above or below.
QList<OcrTextBox> splitNeighbouringLabels(const QList<OcrTextBox> &boxes)
{
    QList<OcrTextBox> result;
    const QList<bool> noneUsed(boxes.size(), false);
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        const OcrTextBox &box = boxes.at(i);
        // The pieces each word continues: the one right under it, and those it lies right under.
        QList<QSet<qsizetype>> related;
        QSet<qsizetype> piecesBelow;
        for (const OcrWord &word : box.words) {
            const OcrTextBox wordBox{onLine(word, box), word.text, box.confidence, {}};
            QSet<qsizetype> pieces;
            if (const qsizetype below = continuationBelow(boxes, noneUsed, wordBox); below >= 0 && below != i) {
                pieces.insert(below);
                piecesBelow.insert(below);
            }
            for (qsizetype k = 0; k < boxes.size(); ++k) {
                if (k != i && continuationBelow({wordBox}, {false}, boxes.at(k)) == 0)
                    pieces.insert(k);
            }
            if (!pieces.isEmpty())
                related.append(pieces);
        }
        // Two words over pieces of their own, or that continue different pieces, are two labels;
        // one label of two words continues one piece.
        bool apart = piecesBelow.size() >= 2;
        for (qsizetype a = 0; a < related.size() && !apart; ++a) {
            for (qsizetype b = a + 1; b < related.size() && !apart; ++b)
                apart = !related.at(a).intersects(related.at(b));
        }
        if (!apart) {
            result.append(box);
            continue;
        }
        for (const OcrWord &word : box.words)
            result.append(OcrTextBox{onLine(word, box), word.text, box.confidence, {}});
    }
    return result;
}

// True when the box lies right under a wider box, centred on it and not lined up with it on the
// left: the last piece of an icon label wrapped under its icon, whose first piece could not be
// joined to it. Rows of a list line up on the left; the next row of icons is an icon's height
// further down.
bool underAWiderLabel(const QList<OcrTextBox> &boxes, qsizetype index)
{
    const QRect l = boxes.at(index).rect;
    for (qsizetype k = 0; k < boxes.size(); ++k) {
        if (k == index)
            continue;
        const QRect u = boxes.at(k).rect;
        const double h = u.height();
        const double gap = l.top() - (u.top() + u.height());
        if (gap < -0.3 * h || gap > 0.8 * h || l.height() < 0.65 * h || l.height() > 1.5 * h)
            continue;
        if (l.width() > 0.8 * u.width() || l.left() - u.left() < std::max(3.0, 0.1 * u.width()))
            continue;
        const double centreShift = std::abs((l.left() + l.width() / 2.0) - (u.left() + u.width() / 2.0));
        if (centreShift <= std::max(3.0, 0.08 * u.width()))
            return true;
    }
    return false;
}

} // namespace

QList<AssembledTextLine> assembleTextLinesWithBoxes(const QList<OcrTextBox> &input)
{
    QList<OcrTextBox> boxes = splitNeighbouringLabels(input);
    // What each box read, kept as it was for the lines' record.
    QStringList recognized;
    for (OcrTextBox &box : boxes) {
        recognized.append(box.text);
        box.text = mendReading(box.text);
    }
    auto lineOf = [&recognized](const QString &text, float confidence, const QList<qsizetype> &from) {
        QStringList pieces;
        for (qsizetype k : from)
            pieces.append(recognized.at(k));
        const QString asRecognised = pieces.join(QLatin1Char('\n'));
        return RecognizedTextLine{text, confidence, QRect(), asRecognised == text ? QString() : asRecognised};
    };
    QList<AssembledTextLine> lines;
    QList<bool> used(boxes.size(), false);
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        if (used.at(i))
            continue;
        used[i] = true;
        // The pieces of a wrapped label: this box and those right under it; three at most, but
        // a selected label is shown whole, over as many lines as it needs.
        constexpr qsizetype mostPieces = 8;
        QList<qsizetype> chain{i};
        QStringList pieces{cleanRecognizedText(boxes.at(i).text)};
        QList<bool> taken = used;
        OcrTextBox current = boxes.at(i);
        bool cutShort = false;
        while (chain.size() < mostPieces) {
            const QString &upper = pieces.last();
            if (upper.isEmpty() || endsWithFullName(upper) || endsWithOtherFileName(upper))
                break;
            const QChar last = upper.back();
            if (!isNameChar(last) && last != QLatin1Char('.'))
                break;
            const qsizetype next = continuationBelow(boxes, taken, current);
            if (next < 0)
                break;
            const OcrTextBox &lower = boxes.at(next);
            const QString lowerText = cleanRecognizedText(lower.text);
            if (lowerText.isEmpty() || (!isNameChar(lowerText.front()) && lowerText.front() != QLatin1Char('.')))
                break;
            // Left-aligned rows where the upper one already ends in a whole name are a list, not
            // a label; a label's pieces are centred, or one of them ends where a name cannot
            // (the lower one cut by the wrap too: 'wedding_20' over '24_0117.jp-' over 'eg').
            const QStringList upperTokens = extractFilenameTokens(upper);
            auto open = [](QChar c) { return c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.'); };
            const bool upperOpen = open(last);
            const bool lowerOpen = open(lowerText.back());
            // A narrower piece centred under the upper one is a label's next line, even when
            // centring moved it by as little as the rows of a list may differ on the left.
            const int leftShift = std::abs(lower.rect.left() - current.rect.left());
            const double centreShift = std::abs((lower.rect.left() + lower.rect.width() / 2.0)
                                                - (current.rect.left() + current.rect.width() / 2.0));
            const bool centredUnder = lower.rect.width() < current.rect.width() && centreShift < leftShift;
            const bool leftAligned = leftShift <= std::max(2.0, 0.12 * current.rect.height()) && !centredUnder;
            if (!upperOpen && !lowerOpen && leftAligned && !upperTokens.isEmpty() && upper.endsWith(upperTokens.last()))
                break;
            // A row of a list that ends in an ellipsis ends there: the next row is a name of its own.
            if (leftAligned && endsInEllipsis(upper))
                break;
            // So does one that ends in a lone dot over a row that is a whole name by itself: at
            // small sizes an ellipsis is read as one dot, and the row is a name cut short.
            if (leftAligned && upper.endsWith(QLatin1Char('.')) && wholeNameScore(lowerText) == 2) {
                cutShort = chain.size() == 1;
                break;
            }
            // Past three lines only a label shown whole goes on, centred (a list lines up left).
            const QRect &head = boxes.at(i).rect;
            if (chain.size() >= 3
                && std::abs(lower.rect.center().x() - head.center().x()) > std::max(3.0, 0.08 * head.width()))
                break;
            taken[next] = true;
            chain.append(next);
            pieces.append(lowerText);
            current = lower;
        }
        // The longest run of pieces that reads as one whole name, a full file name first; a
        // hyphen at a joint is kept unless dropping it is what makes the name.
        qsizetype bestCount = 1;
        QString bestText;
        int bestScore = 0;
        unsigned bestDrop = 0;
        for (qsizetype count = chain.size(); count >= 2 && bestScore == 0; --count) {
            for (unsigned drop = 0; drop < (1u << (count - 1)); ++drop) {
                QString joined = mendExtensionDots(mendNumbers(joinedPieces(pieces, count, drop)));
                // A stray mark after the last piece ('eg.') is no part of the name.
                while (joined.endsWith(QLatin1Char('.')) || joined.endsWith(QLatin1Char(',')))
                    joined.chop(1);
                int score = wholeNameScore(joined);
                // Rows of bare names in a compact list join into a bare name too: a bare name is
                // only taken from pieces cut where a name cannot end.
                if (score == 1) {
                    for (qsizetype k = 0; k + 1 < count; ++k) {
                        const QChar end = pieces.at(k).back();
                        if (end != QLatin1Char('_') && end != QLatin1Char('-'))
                            score = 0;
                    }
                }
                if (score > bestScore) {
                    bestScore = score;
                    bestText = joined;
                    bestCount = count;
                    bestDrop = drop;
                }
            }
        }
        if (bestScore == 0) {
            // A piece that ends in '.', '-' or '_' with a piece right under it is a label cut
            // short: read as one line ('DSC01235.' over 'ARW' is no picture name), never as a name
            // of its own.
            const QChar end = pieces.first().isEmpty() ? QChar() : pieces.first().back();
            const bool open = end == QLatin1Char('.') || end == QLatin1Char('-') || end == QLatin1Char('_');
            // A shorter piece centred under a label that ends in a letter or digit continues it
            // too ('DSC0123' over '5.ARW'): the name only exists whole. Rows of a list line up
            // on the left instead.
            bool centred = false;
            if (chain.size() >= 2) {
                const QRect upper = boxes.at(i).rect;
                const QRect lower = boxes.at(chain.at(1)).rect;
                centred = lower.width() <= 0.8 * upper.width()
                    && lower.left() - upper.left() >= std::max(3.0, 0.1 * upper.width())
                    && std::abs(lower.center().x() - upper.center().x()) <= std::max(3.0, 0.08 * upper.width());
            }
            if (chain.size() >= 2 && (open || centred)) {
                bestText = joinedPieces(pieces, chain.size(), 0);
                bestCount = chain.size();
            } else {
                AssembledTextLine single{
                    lineOf(boxes.at(i).text, boxes.at(i).confidence, {i}), {boxes.at(i).rect}, recognized.at(i)};
                // The last piece of a label whose other pieces were not read gives no name: a
                // tail is often a valid name of another file. Nor does a row cut short.
                if (!screenshotNamesInLine(single.line.text).isEmpty() && (cutShort || underAWiderLabel(boxes, i))) {
                    single.line.recognizedText = recognized.at(i);
                    single.line.text.clear();
                    single.asRead.clear();
                }
                lines.append(single);
                continue;
            }
        }
        // The same pieces as the engine read them, without any mending but one that the layout
        // itself shows: a piece that is an extension alone on its line followed a dot at the
        // wrap ('Müller_0777' over 'jpg'), as a label is never broken inside a word without a
        // hyphen.
        QStringList readPieces;
        for (qsizetype k = 0; k < bestCount; ++k) {
            QString piece = cleanRecognizedText(recognized.at(chain.at(k)));
            static const QRegularExpression extensionAlone(QStringLiteral("^jpe?g$"),
                                                           QRegularExpression::CaseInsensitiveOption);
            if (k > 0 && piece.contains(extensionAlone) && !readPieces.last().endsWith(QLatin1Char('.'))
                && !readPieces.last().endsWith(QLatin1Char('-')))
                readPieces.last().append(QLatin1Char('.'));
            readPieces.append(piece);
        }
        QString asRead = joinedPieces(readPieces, bestCount, bestDrop);
        if (bestScore > 0) {
            while (asRead.endsWith(QLatin1Char('.')) || asRead.endsWith(QLatin1Char(',')))
                asRead.chop(1);
        }
        float confidence = 1.0f;
        QList<QRect> sources;
        for (qsizetype k = 0; k < bestCount; ++k) {
            used[chain.at(k)] = true;
            confidence = std::min(confidence, boxes.at(chain.at(k)).confidence);
            sources.append(boxes.at(chain.at(k)).rect);
        }
        lines.append(AssembledTextLine{lineOf(bestText, confidence, chain.mid(0, bestCount)), sources, asRead});
    }
    return lines;
}

} // namespace quillmore
