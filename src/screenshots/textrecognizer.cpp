#include "textrecognizer.h"

#include "filenamerules.h"

#include "model/cancellation.h"
#include "platform/screenshotimage.h"
#include "platform/text.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace quillmore {

// ---- platform operations on the real engine ----------------------------------------------------

OcrEnginePlatform::OcrEnginePlatform(std::shared_ptr<OcrEngine> engine) : m_engine(std::move(engine)) {}

OcrEngine &OcrEnginePlatform::engine()
{
    std::lock_guard lock(m_mutex);
    if (!m_engine)
        m_engine = std::make_shared<OcrEngine>();
    return *m_engine;
}

QList<OcrTextBox> OcrEnginePlatform::recognizeFile(const FileURL &screenshot, const std::stop_token &stop)
{
    throwIfCancelled(stop);
    QString why;
    const QImage image = loadScreenshotImage(screenshot, &why);
    if (image.isNull())
        throw ScreenshotRecognitionError("not a readable image: " + why.toStdString());
    return recognizeImage(image, stop);
}

std::optional<QImage> OcrEnginePlatform::secondPassImage(const FileURL &screenshot)
{
    const QImage image = loadScreenshotImage(screenshot);
    if (image.isNull())
        return std::nullopt;
    QImage prepared = prepareSecondPassImage(image);
    if (prepared.isNull())
        return std::nullopt;
    return prepared;
}

QList<OcrTextBox> OcrEnginePlatform::recognizeImage(const QImage &image, const std::stop_token &stop)
{
    try {
        return engine().recognize(image, stop);
    } catch (const OcrEngineError &e) {
        throw ScreenshotRecognitionError(e.what());
    } catch (const std::bad_alloc &) {
        throw ScreenshotRecognitionError("out of memory while recognising");
    }
}

// ---- lines from boxes -------------------------------------------------------------------------

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

// Whether `upper` and `lower` written together hold a name that begins where `upper` begins and
// runs on into `lower`, as the pieces of one wrapped label do.
bool formsOneName(const QString &upper, const QString &lower)
{
    const QString joined = upper + lower;
    const QStringList tokens = extractFilenameTokens(joined);
    return !tokens.isEmpty() && joined.startsWith(tokens.first()) && tokens.first().size() > upper.size();
}

// The box right under `upper` that continues its label: close below, about as high, centred on
// it and not wider.
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
        if (l.width() > u.width() * 1.15 + 0.5 * h)
            continue;
        if (best < 0 || l.top() < boxes.at(best).rect.top())
            best = i;
    }
    return best;
}

} // namespace

QString repairCameraNumbers(const QString &text)
{
    // Camera file names: a maker's prefix, then only digits.
    static const QStringList prefixes{QStringLiteral("_DSC"), QStringLiteral("DSCF"), QStringLiteral("DSCN"),
                                      QStringLiteral("DSC"),  QStringLiteral("IMG_"), QStringLiteral("_MG_"),
                                      QStringLiteral("IMGP"), QStringLiteral("CIMG"), QStringLiteral("PICT"),
                                      QStringLiteral("DJI_"), QStringLiteral("GOPR"), QStringLiteral("SAM_"),
                                      QStringLiteral("PXL_"), QStringLiteral("P")};
    QString result = text;
    qsizetype i = 0;
    while (i < result.size()) {
        if (!isNameChar(result.at(i)) || (i > 0 && isNameChar(result.at(i - 1)))) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < result.size() && isNameChar(result.at(end)))
            ++end;
        // Canon's '_MG_1234' loses its thin leading underscore more often than not.
        if (end - i >= 7 && QStringView(result).mid(i, 3) == QLatin1String("MG_") && result.at(i + 3).isDigit()) {
            result.insert(i, QLatin1Char('_'));
            ++end;
        }
        for (const QString &prefix : prefixes) {
            if (end - i <= prefix.size() + 3 || QStringView(result).mid(i, prefix.size()) != prefix)
                continue;
            const qsizetype bodyStart = i + prefix.size();
            int digits = 0;
            bool onlyDigitsAndOs = true;
            for (qsizetype k = bodyStart; k < end; ++k) {
                const QChar c = result.at(k);
                if (c.isDigit())
                    ++digits;
                else if (c != QLatin1Char('O') && c != QLatin1Char('o'))
                    onlyDigitsAndOs = false;
            }
            if (onlyDigitsAndOs && digits >= 2 && digits < end - bodyStart) {
                for (qsizetype k = bodyStart; k < end; ++k) {
                    if (result.at(k) == QLatin1Char('O') || result.at(k) == QLatin1Char('o'))
                        result[k] = QLatin1Char('0');
                }
            }
            break;
        }
        i = end;
    }
    return result;
}

QString repairExtensionDots(const QString &text)
{
    // A name that ends in a digit, then the extension with its small dot read as a space, a comma
    // or nothing at all.
    static const QRegularExpression lostDot(
        QStringLiteral("(?<=[\\p{L}\\p{N}_-])(\\d)(?: |,|)(jpe?g)(?![\\p{L}\\p{N}\\p{M}_.-])"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    QString result = text;
    result.replace(lostDot, QStringLiteral("\\1.\\2"));
    return result;
}

QList<RecognizedTextLine> assembleTextLines(const QList<OcrTextBox> &input)
{
    QList<OcrTextBox> boxes = input;
    for (OcrTextBox &box : boxes)
        box.text = repairExtensionDots(repairCameraNumbers(box.text));
    QList<RecognizedTextLine> lines;
    QList<bool> used(boxes.size(), false);
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        if (used.at(i))
            continue;
        used[i] = true;
        OcrTextBox current = boxes.at(i);
        QString text = current.text;
        float confidence = current.confidence;
        // Up to two more pieces of a wrapped label.
        for (int piece = 0; piece < 2; ++piece) {
            const QString trimmed = cleanRecognizedText(text);
            if (trimmed.isEmpty() || endsWithFullName(trimmed))
                break;
            const QChar last = trimmed.back();
            if (!isNameChar(last) && last != QLatin1Char('.'))
                break;
            const qsizetype next = continuationBelow(boxes, used, current);
            if (next < 0)
                break;
            const OcrTextBox &lower = boxes.at(next);
            const QString lowerText = cleanRecognizedText(lower.text);
            if (lowerText.isEmpty() || (!isNameChar(lowerText.front()) && lowerText.front() != QLatin1Char('.')))
                break;
            // A piece that already ends in a whole name is a row of a list, not the first part of
            // a label, unless it ends where a name cannot end.
            const QStringList upperTokens = extractFilenameTokens(trimmed);
            const bool upperOpen = last == QLatin1Char('_') || last == QLatin1Char('-') || last == QLatin1Char('.');
            if (!upperOpen && !upperTokens.isEmpty() && trimmed.endsWith(upperTokens.last()))
                break;
            if (!formsOneName(trimmed, lowerText))
                break;
            used[next] = true;
            text = trimmed + lowerText;
            confidence = std::min(confidence, lower.confidence);
            current = OcrTextBox{lower.rect, text, confidence};
            current.rect.setLeft(std::min(lower.rect.left(), boxes.at(i).rect.left()));
            current.rect.setWidth(std::max(lower.rect.width(), boxes.at(i).rect.width()));
            current.rect = QRect(current.rect.left(), lower.rect.top(), current.rect.width(), lower.rect.height());
        }
        lines.append(RecognizedTextLine{text, confidence});
    }
    return lines;
}

// ---- the recognizer ---------------------------------------------------------------------------

VisionTextRecognizer::VisionTextRecognizer(std::shared_ptr<TextRecognitionPlatform> platform)
    : m_platform(platform ? std::move(platform) : std::make_shared<OcrEnginePlatform>())
{
}

QList<RecognizedTextLine> VisionTextRecognizer::recognizeTextLines(const FileURL &screenshot, std::stop_token stop)
{
    std::lock_guard lock(m_mutex);
    // One recognition: checked before, and its result dropped when a stop arrived meanwhile,
    // whatever the engine made of the stop.
    auto recognizeOnce = [&](auto &&perform) -> QList<RecognizedTextLine> {
        throwIfCancelled(stop);
        QList<OcrTextBox> boxes;
        try {
            boxes = perform();
        } catch (const Cancelled &) {
            throw;
        } catch (...) {
            throwIfCancelled(stop);
            throw;
        }
        throwIfCancelled(stop);
        return assembleTextLines(boxes);
    };

    const QList<RecognizedTextLine> first =
        recognizeOnce([&] { return m_platform->recognizeFile(screenshot, stop); });

    QSet<QString> expected;
    for (const RecognizedTextLine &line : first) {
        if (auto name = nameNumberCandidate(line.text))
            expected.insert(nfc(*name));
    }
    if (expected.isEmpty())
        return first;

    const std::optional<QImage> prepared = m_platform->secondPassImage(screenshot);
    if (!prepared)
        return first;
    throwIfCancelled(stop);
    const QList<RecognizedTextLine> second =
        recognizeOnce([&] { return m_platform->recognizeImage(*prepared, stop); });

    QList<RecognizedTextLine> result = first;
    for (const RecognizedTextLine &line : second) {
        const QStringList tokens = extractFilenameTokens(line.text);
        if (tokens.size() == 1 && expected.contains(nfc(tokens.first())))
            result.append(line);
    }
    return result;
}

} // namespace quillmore
