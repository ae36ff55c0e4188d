#include "ocrengine.h"

#include "model/cancellation.h"
#include "log.h"
#include "serialsections.h"
#include "textcrop.h"
#include "lineboxes.h"
#include "textdetection.h"
#include "textpolarity.h"

#include <QFile>
#include <QFileInfo>

#include <opencv2/imgproc.hpp>

#include <tesseract/baseapi.h>
#include <tesseract/ltrresultiterator.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace quillmore {

namespace {

bool tesseractCancel(void *token, int)
{
    return static_cast<const std::stop_token *>(token)->stop_requested();
}

// True when the recogniser had `text` among its choices for the symbol at `it`.
bool amongChoices(const tesseract::ResultIterator &it, const QString &text)
{
    tesseract::ChoiceIterator choice(it);
    do {
        const char *utf8 = choice.GetUTF8Text();
        if (utf8 && QString::fromUtf8(utf8) == text)
            return true;
    } while (choice.Next());
    return false;
}

// The box the recogniser gives the symbol at `it`.
std::optional<cv::Rect> symbolBox(const tesseract::ResultIterator &it)
{
    int l = 0, t = 0, r = 0, b = 0;
    if (!it.BoundingBox(tesseract::RIL_SYMBOL, &l, &t, &r, &b))
        return std::nullopt;
    return cv::Rect(l, t, r - l, b - t);
}

// The combining mark of each accent the ink can tell.
constexpr std::pair<Accent, char16_t> accentMarks[] = {
    {Accent::Acute, u'\u0301'}, {Accent::Grave, u'\u0300'},     {Accent::Circumflex, u'\u0302'},
    {Accent::Caron, u'\u030c'}, {Accent::Diaeresis, u'\u0308'}, {Accent::Ring, u'\u030a'},
};

} // namespace

struct OcrEngine::Impl {
    OcrModelPaths paths;
    OcrReadingPolicy policy;
    QByteArray characters; // UTF-8; empty for all the language data knows
    tesseract::TessBaseAPI tesseract;
    bool tesseractReady = false;
    TextDetector detector;

    Impl(OcrModelPaths p, OcrReadingPolicy r)
        : paths(std::move(p)),
          policy(std::move(r)),
          characters(policy.characters.toUtf8()),
          detector(paths.detectionModel)
    {
    }
    ~Impl() { tesseract.End(); }

    void startTesseract()
    {
        if (tesseractReady)
            return;
        // Recognition without dictionary correction: names are not words. These settings keep the
        // word lists of the older engine unloaded; the network's own comes out of the data as read.
        const std::vector<std::string> names{"load_system_dawg", "load_freq_dawg",    "load_punc_dawg",
                                             "load_number_dawg", "load_unambig_dawg", "load_bigram_dawg"};
        const std::vector<std::string> values(names.size(), "0");
        // Each language's data must be there: Tesseract's own failure does not say which is not.
        if (paths.tessdataDir.isEmpty() || !QFileInfo(paths.tessdataDir).isDir())
            throw FailureError(FailureCode::recognitionUnavailable, ENOENT,
                               paths.tessdataDir.isEmpty() ? QStringLiteral("tessdata") : paths.tessdataDir);
        for (const QString &language : paths.languages.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
            if (languageDataFile(paths.tessdataDir, language).isEmpty())
                throw FailureError(FailureCode::recognitionUnavailable, ENOENT,
                                   paths.tessdataDir + QLatin1Char('/') + language + QLatin1String(".traineddata"));
        }
        const QByteArray dir = QFile::encodeName(paths.tessdataDir);
        const QByteArray languages = paths.languages.toUtf8();
        // A size of 0 makes the first argument the folder of the language data, read by the reader.
        if (tesseract.Init(dir.constData(), 0, languages.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0, &names,
                           &values, false, &readLanguageDataWithoutWordList)
            != 0)
            throw FailureError(FailureCode::recognitionUnavailable, 0, paths.tessdataDir, "tesseract init");
        tesseract.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
        tesseract.SetVariable("user_defined_dpi", "300");
        // Each crop is already dark on light: no second, inverted reading of doubtful lines.
        tesseract.SetVariable("tessedit_do_invert", "0");
        tesseract.SetVariable("debug_file", "/dev/null");
        // Each symbol's alternatives, where the ink can decide between them.
        tesseract.SetVariable("lstm_choice_mode", "2");
        if (!characters.isEmpty())
            tesseract.SetVariable("tessedit_char_whitelist", characters.constData());
        if (!sectionsRunInCallingThread())
            qCDebug(lcMatching) << "Tesseract's OpenMP sections run through the OpenMP runtime";
        tesseractReady = true;
    }

    // The line as read, with the marks that look alike at small sizes set by where their ink
    // lies: a dash on the baseline is an underscore, a dash at middle height a hyphen, and a gap
    // between words with a stroke along the baseline an underscore read as a space.
    // `image` is what was read: the crop's own image, or its letters thickened.
    QString lineFromSymbols(const PreparedCrop &crop, const cv::Mat &image, QList<OcrWord> *words)
    {
        using tesseract::RIL_SYMBOL;
        using tesseract::RIL_TEXTLINE;
        using tesseract::RIL_WORD;
        std::unique_ptr<tesseract::ResultIterator> it(tesseract.GetIterator());
        if (!it || it->Empty(RIL_SYMBOL))
            return {};
        int bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
        const bool haveBaseline = it->Baseline(RIL_TEXTLINE, &bx1, &by1, &bx2, &by2);
        int lineLeft = 0, lineTop = 0, lineRight = 0, lineBottom = 0;
        it->BoundingBox(RIL_TEXTLINE, &lineLeft, &lineTop, &lineRight, &lineBottom);
        auto baselineAt = [&](double x) {
            if (!haveBaseline)
                return double(lineBottom);
            if (bx2 == bx1)
                return double(by1);
            return by1 + double(by2 - by1) * (x - bx1) / double(bx2 - bx1);
        };
        const double capHeight = std::max(4.0, baselineAt((lineLeft + lineRight) / 2.0) - lineTop);
        // The height of the line's capitals and digits, as their own ink shows it: the line's top
        // may be an ascender's or an accent's. Measured once, and only for a line that holds a
        // letter it decides (j or J, an accented letter, a t).
        std::optional<double> measuredCapHeight;
        const auto letterCapHeight = [&] {
            if (!measuredCapHeight) {
                std::vector<double> heights;
                std::unique_ptr<tesseract::ResultIterator> symbols(tesseract.GetIterator());
                do {
                    std::unique_ptr<char[]> utf8(symbols->GetUTF8Text(RIL_SYMBOL));
                    const char c = utf8 && utf8[0] && !utf8[1] ? utf8[0] : 0;
                    int l = 0, t = 0, r = 0, b = 0;
                    if (((c >= 'A' && c <= 'Z' && c != 'J' && c != 'Q') || (c >= '0' && c <= '9'))
                        && symbols->BoundingBox(RIL_SYMBOL, &l, &t, &r, &b))
                        heights.push_back(baselineAt((l + r) / 2.0) - t);
                } while (symbols->Next(RIL_SYMBOL));
                measuredCapHeight = capHeight;
                if (heights.size() >= 2) {
                    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
                    measuredCapHeight = std::clamp(heights[heights.size() / 2], 0.6 * capHeight, capHeight);
                }
            }
            return *measuredCapHeight;
        };
        const double inkLevel = otsuLevel(image);
        const cv::Mat ink = image < inkLevel;
        // What the columns [from, to) hold: '_' for a thin stroke along the baseline, '-' for
        // one at middle height, nothing otherwise. A stroke must be long: a dot or comma on the
        // baseline is none.
        auto dashIn = [&](int from, int to, double shortestUnderscore = 0.2) -> QChar {
            from = std::max(from, 0);
            to = std::min(to, ink.cols);
            int lowRun = 0, longestLow = 0, middleRun = 0, longestMiddle = 0;
            for (int x = from; x < to; ++x) {
                const double base = baselineAt(x);
                const int y0 = std::clamp(int(std::lround(base - 1.1 * capHeight)), 0, ink.rows);
                const int y1 = std::clamp(int(std::lround(base + 0.4 * capHeight)), 0, ink.rows);
                // The column's ink must be one thin run; where its middle lies says what it is.
                int first = -1, last = -1, runs = 0;
                for (int y = y0; y < y1; ++y) {
                    if (!ink.at<uchar>(y, x))
                        continue;
                    if (last != y - 1)
                        ++runs;
                    if (first < 0)
                        first = y;
                    last = y;
                }
                bool low = false, middle = false;
                if (runs == 1 && last - first + 1 <= 0.3 * capHeight) {
                    const double centre = (first + last) / 2.0;
                    low = centre >= base - 0.12 * capHeight;
                    middle = centre <= base - 0.2 * capHeight && centre >= base - 0.7 * capHeight;
                }
                lowRun = low ? lowRun + 1 : 0;
                middleRun = middle ? middleRun + 1 : 0;
                longestLow = std::max(longestLow, lowRun);
                longestMiddle = std::max(longestMiddle, middleRun);
            }
            if (longestLow >= shortestUnderscore * capHeight)
                return QLatin1Char('_');
            if (longestMiddle >= 0.15 * capHeight && longestLow == 0)
                return QLatin1Char('-');
            return {};
        };
        QString text;
        int previousWordRight = -1;
        QChar separator;
        // The words between spaces, each with the box of its symbols.
        qsizetype wordStart = 0, currentWordStart = 0;
        cv::Rect wordBox;
        bool haveWordBox = false;
        std::vector<std::pair<qsizetype, cv::Rect>> wordBoxes;
        // The last j or J taken: where it is in the text, and as the recogniser read it.
        struct {
            qsizetype index = -1;
            QChar read;
        } previousJ;
        // The columns of the last symbol taken.
        struct {
            int left = 0, right = 0;
        } previousSymbol;
        do {
            if (it->Empty(RIL_SYMBOL))
                continue;
            if (it->IsAtBeginningOf(RIL_WORD) && !text.isEmpty()) {
                int l = 0, t = 0, r = 0, b = 0;
                it->BoundingBox(RIL_WORD, &l, &t, &r, &b);
                // Words whose boxes touch were read apart at a stroke under both: look around
                // the join then.
                const int reach = l - previousWordRight <= 2 ? int(0.25 * capHeight) : 0;
                const bool stroke = dashIn(std::min(previousWordRight, l) - reach,
                                           std::max(previousWordRight, l) + reach)
                    == QLatin1Char('_');
                // A wide gap parts two words, or two names, unless an underscore fills it.
                if (l - previousWordRight > (stroke ? 1.2 : 0.6) * capHeight)
                    separator = QLatin1Char(' ');
                else
                    separator = stroke ? QLatin1Char('_') : QLatin1Char('~');
            }
            std::unique_ptr<char[]> utf8(it->GetUTF8Text(RIL_SYMBOL));
            QString symbol = utf8 ? QString::fromUtf8(utf8.get()) : QString();
            // Where the symbol lies: its columns [l, r) and the baseline under their middle.
            const std::optional<cv::Rect> glyph = symbolBox(*it);
            const int l = glyph ? glyph->x : 0, r = glyph ? glyph->x + glyph->width : 0;
            const double base = baselineAt((l + r) / 2.0);
            // Dashes, and the comma or full stop an underscore is taken for.
            static const QString dashes = QStringLiteral("-_,.\u2010\u2011\u2012\u2013\u2014\u2015\u2212");
            if (symbol.size() == 1 && dashes.contains(symbol.front())) {
                // The box's middle: its edges often take in the letters beside it.
                if (glyph) {
                    const int inset = (r - l) / 8;
                    // A point stays one unless it ends the line (where a wrap leaves an
                    // underscore alone) and is far longer than a point.
                    const bool point = symbol == QLatin1String(",") || symbol == QLatin1String(".");
                    const QChar dash = dashIn(l + inset, r - inset, point ? 0.3 : 0.2);
                    const bool last = it->IsAtFinalElement(RIL_TEXTLINE, RIL_SYMBOL);
                    if ((dash == QLatin1Char('_') && (!point || last)) || (dash == QLatin1Char('-') && !point))
                        symbol = dash;
                }
            }
            // j and J differ in their dot and their height: where the ink shows the other case
            // than the one read, and the recogniser had that case among its choices, it is taken.
            // The two cases read side by side ('jJ' over one letter's ink) are one letter.
            bool tookJ = false;
            const QChar jRead = symbol.isEmpty() ? QChar() : symbol.front();
            if (symbol == QLatin1String("j") || symbol == QLatin1String("J")) {
                if (glyph) {
                    const LetterCase shape = dottedLetterCase(ink, l, r, base, letterCapHeight());
                    const bool small = symbol == QLatin1String("j");
                    const QString other = small ? QStringLiteral("J") : QStringLiteral("j");
                    const bool overPrevious = separator.isNull() && previousJ.index >= 0
                        && previousJ.index == text.size() - 1 && previousJ.read != symbol.front()
                        && l - previousSymbol.right <= 0.5 * capHeight;
                    if (overPrevious) {
                        if (shape != LetterCase::Unknown)
                            text[previousJ.index] = QLatin1Char(shape == LetterCase::Small ? 'j' : 'J');
                        symbol.clear();
                    } else {
                        if (shape == (small ? LetterCase::Capital : LetterCase::Small) && amongChoices(*it, other))
                            symbol = other;
                        tookJ = true;
                    }
                }
            }
            // A 1 is read as an L after digits ("DSCF7781" as "DSCF778L"), or read twice, as 1 and
            // L over the same ink. The two differ in where the stem stands: an L has no ink left
            // of its stem, a 1 has its flag (and often its foot) there.
            if (symbol == QLatin1String("L") && separator.isNull() && !text.isEmpty() && text.back().isDigit()) {
                if (glyph) {
                    const std::optional<StemMark> mark = stemMark(ink, l, r, base, capHeight);
                    // Read twice: the 1 before has no stem of its own, or the same one.
                    std::optional<StemMark> before;
                    if (mark && text.back() == QLatin1Char('1'))
                        before = stemMark(ink, previousSymbol.left, previousSymbol.right,
                                          baselineAt((previousSymbol.left + previousSymbol.right) / 2.0), capHeight);
                    if (mark && text.back() == QLatin1Char('1') && (!before || before->left == mark->left))
                        symbol.clear();
                    else if (mark && mark->inkLeftOfStem && amongChoices(*it, QStringLiteral("1")))
                        symbol = QStringLiteral("1");
                }
            }
            // An accent read as another (a ring as two dots, an acute as a grave): where the ink over
            // the letter shows another of the marks it can tell, and the recogniser had the letter
            // with that mark among its choices, it is taken. Two dots never replace a caron, whose
            // arms part at small sizes.
            if (const QString parts = symbol.normalized(QString::NormalizationForm_D);
                symbol.size() == 1 && parts.size() == 2) {
                const auto read = std::find_if(std::begin(accentMarks), std::end(accentMarks),
                                               [&parts](const auto &m) { return parts.at(1) == QChar(m.second); });
                if (read != std::end(accentMarks) && glyph) {
                    const Accent seen = accentOver(image, inkLevel, l, r, base, letterCapHeight(), crop.scale);
                    const auto shown = std::find_if(std::begin(accentMarks), std::end(accentMarks),
                                                    [seen](const auto &m) { return m.first == seen; });
                    if (shown != std::end(accentMarks) && shown != read
                        && !(seen == Accent::Diaeresis && read->first == Accent::Caron)) {
                        const QString other = (QString(parts.at(0)) + QChar(shown->second))
                                                  .normalized(QString::NormalizationForm_C);
                        if (other.size() == 1 && amongChoices(*it, other))
                            symbol = other;
                    }
                }
            }
            // An Ł read as a t, or as both t and Ł over the same ink: the Ł stands on a long foot
            // along the baseline, the t on a short turned-up tail. Where the ink shows the foot and
            // the recogniser had the Ł (or an L) among its choices, that is taken.
            const auto overlapsPrevious = [&] {
                if (!glyph)
                    return false;
                const int overlap = std::min(r, previousSymbol.right) - std::max(l, previousSymbol.left);
                return overlap >= 0.5 * std::min(r - l, previousSymbol.right - previousSymbol.left);
            };
            const QString strokedL(QChar(0x0141));
            if ((symbol == QLatin1String("t") || symbol == strokedL) && text.endsWith(strokedL) && separator.isNull()
                && overlapsPrevious()) {
                symbol.clear(); // the one letter's ink, as far as either reading took it
                previousSymbol = {std::min(l, previousSymbol.left), std::max(r, previousSymbol.right)};
            } else if (symbol == strokedL && text.endsWith(QLatin1Char('t')) && separator.isNull()
                       && overlapsPrevious()) {
                text.chop(1);
            } else if (symbol == QLatin1String("t")) {
                if (glyph) {
                    const std::optional<double> foot = footLength(ink, l, r, base, letterCapHeight());
                    if (foot && *foot >= lFootLength) {
                        for (const QString &other : {strokedL, QStringLiteral("L")}) {
                            if (amongChoices(*it, other)) {
                                symbol = other;
                                break;
                            }
                        }
                    }
                }
            }
            if (!separator.isNull()) {
                // A narrow gap beside an underscore is no gap at all.
                const bool besideUnderscore = text.endsWith(QLatin1Char('_')) || symbol == QLatin1String("_");
                if (separator == QLatin1Char(' ') || !besideUnderscore)
                    text += separator == QLatin1Char('~') ? QLatin1Char(' ') : separator;
                if (text.endsWith(QLatin1Char(' ')))
                    wordStart = text.size();
                separator = QChar();
            }
            text += symbol;
            if (!symbol.isEmpty() && glyph)
                previousSymbol = {l, r};
            if (tookJ)
                previousJ = {text.size() - 1, jRead};
            if (glyph) {
                if (wordStart != currentWordStart || !haveWordBox) {
                    if (haveWordBox)
                        wordBoxes.push_back({currentWordStart, wordBox});
                    currentWordStart = wordStart;
                    wordBox = *glyph;
                    haveWordBox = true;
                } else {
                    wordBox |= *glyph;
                }
            }
            if (it->IsAtFinalElement(RIL_WORD, RIL_SYMBOL)) {
                int wordLeft = 0, wordTop = 0, wordRight = 0, wordBottom = 0;
                it->BoundingBox(RIL_WORD, &wordLeft, &wordTop, &wordRight, &wordBottom);
                previousWordRight = wordRight;
            }
        } while (it->Next(RIL_SYMBOL));
        if (haveWordBox)
            wordBoxes.push_back({currentWordStart, wordBox});
        // The recogniser gives nothing for an underscore that starts the line ("_DSC1234.JPG"),
        // or a space.
        const qsizetype spaces = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return !c.isSpace(); })
            - text.cbegin();
        // Judged on the crop as it was: thickening joins an underscore to whatever runs below it
        // (the page under a selected row).
        if (spaces < text.size() && text.at(spaces).isLetterOrNumber()
            && leadingUnderscore(image.data == crop.image.data ? ink : crop.image < otsuLevel(crop.image),
                                 baselineAt(0), baselineAt(1) - baselineAt(0), capHeight)) {
            text.replace(0, spaces, QStringLiteral("_"));
            for (std::size_t k = 0; k < wordBoxes.size(); ++k)
                wordBoxes[k].first = k == 0 ? 0 : wordBoxes[k].first + 1 - spaces;
        }
        if (words && wordBoxes.size() >= 2) {
            for (std::size_t k = 0; k < wordBoxes.size(); ++k) {
                const qsizetype from = wordBoxes[k].first;
                const qsizetype to = k + 1 < wordBoxes.size() ? wordBoxes[k + 1].first : text.size();
                const QString word = text.mid(from, to - from).trimmed();
                const cv::Rect &r = wordBoxes[k].second;
                if (!word.isEmpty())
                    words->append(OcrWord{crop.toImage(r.x, r.y, r.x + r.width, r.y + r.height), word});
            }
        }
        return text.trimmed();
    }

    // Each rectangle of the image read as one line, in order; those read as empty are left out.
    // With `lookAgain`, a reading the policy asks about is read again with the strokes thickened,
    // and the policy chooses between the two.
    QList<OcrTextBox> readBoxes(const cv::Mat &bgr, const QList<QRect> &rects, bool lookAgain, double textHeight,
                                const std::stop_token &stop)
    {
        cv::Mat grey;
        cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
        QList<OcrTextBox> result;
        for (const QRect &rect : rects) {
            throwIfCancelled(stop);
            const cv::Rect region = extendOverMarksAbove(grey,
                                                         cv::Rect(rect.x(), rect.y(), rect.width(), rect.height()));
            PreparedCrop crop = prepareCrop(bgr, grey, region, textHeight);
            if (crop.empty())
                continue;
            OcrTextBox box = readBox(crop, crop.image, rect, stop);
            if (lookAgain && policy.readAgainThickened && policy.readAgainThickened(box.text)) {
                cv::Mat thick;
                cv::erode(crop.image, thick, cv::getStructuringElement(cv::MORPH_RECT, {3, 3}));
                const OcrTextBox again = readBox(crop, thick, rect, stop);
                if (policy.preferAgain && policy.preferAgain(box.text, again.text))
                    box = again;
            }
            if (!box.text.isEmpty())
                result.append(box);
        }
        tesseract.Clear();
        throwIfCancelled(stop);
        return result;
    }

    // The box read from `image`: the crop's own image, or one made from it with the same geometry.
    OcrTextBox readBox(const PreparedCrop &crop, const cv::Mat &image, const QRect &rect, const std::stop_token &stop)
    {
        tesseract.SetImage(image.data, image.cols, image.rows, 1, int(image.step));
        tesseract::ETEXT_DESC monitor;
        monitor.cancel = &tesseractCancel;
        monitor.cancel_this = const_cast<std::stop_token *>(&stop);
        const int status = tesseract.Recognize(&monitor);
        throwIfCancelled(stop);
        OcrTextBox box;
        // Where the text is: the layout of labels and rows is judged by it, not by the box found.
        box.rect = crop.text.isValid() ? crop.text : rect;
        if (status != 0)
            return box;
        box.text = lineFromSymbols(crop, image, &box.words);
        box.confidence = float(std::clamp(tesseract.MeanTextConf(), 0, 100)) / 100.0f;
        return box;
    }
};

OcrEngine::OcrEngine(OcrModelPaths paths, OcrReadingPolicy policy)
    : m_paths(std::move(paths)), m_policy(std::move(policy))
{
}

OcrEngine::~OcrEngine() = default;

OcrEngine::Impl &OcrEngine::impl()
{
    if (!m_impl)
        m_impl = std::make_unique<Impl>(m_paths, m_policy);
    return *m_impl;
}

bool OcrEngine::usesNeuralDetector()
{
    std::lock_guard lock(m_mutex);
    return impl().detector.neural();
}

QList<QRect> OcrEngine::detect(const QImage &image, const std::stop_token &stop)
{
    std::lock_guard lock(m_mutex);
    throwIfCancelled(stop);
    if (image.isNull())
        return {};
    return inReadingOrder(impl().detector.detect(toBgr(image)));
}

QList<OcrTextBox> OcrEngine::recognizeRegions(const QImage &image, const QList<QRect> &regions,
                                              const std::stop_token &stop)
{
    std::lock_guard lock(m_mutex);
    throwIfCancelled(stop);
    Impl &engine = impl();
    engine.startTesseract();
    if (image.isNull())
        return {};
    QList<QRect> rects;
    for (const QRect &region : regions) {
        const QRect rect = region & image.rect();
        if (rect.width() >= 4 && rect.height() >= 4)
            rects.append(rect);
    }
    return engine.readBoxes(toBgr(image), rects, false, secondLookTextHeight, stop);
}

QList<OcrTextBox> OcrEngine::recognize(const QImage &image, const std::stop_token &stop)
{
    std::lock_guard lock(m_mutex);
    throwIfCancelled(stop);
    Impl &engine = impl();
    engine.startTesseract();
    if (image.isNull())
        return {};
    const cv::Mat bgr = toBgr(image);
    const QList<QRect> boxes = lineBoxes(engine.detector, bgr);
    throwIfCancelled(stop);
    return engine.readBoxes(bgr, boxes, true, readingTextHeight, stop);
}

} // namespace quillmore
