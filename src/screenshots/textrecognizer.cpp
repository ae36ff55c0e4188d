#include "textrecognizer.h"

#include "filenamerules.h"

#include "model/cancellation.h"
#include "platform/errors.h"
#include "platform/log.h"
#include "platform/screenshotimage.h"
#include "platform/text.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <functional>

namespace quillmore {

// ---- platform operations on the real engine ----------------------------------------------------

OcrReadingPolicy screenshotReadingPolicy()
{
    OcrReadingPolicy policy;
    policy.characters = screenshotNameCharacters();
    // A name whose underscore was lost reads as a word and a number apart ('Smith 0042.jpg'):
    // with its strokes thickened, the underscore may show.
    policy.readAgainThickened = [](const QString &reading) {
        static const QRegularExpression lostUnderscore(QStringLiteral("\\p{L} \\d+\\.\\p{L}{3,4}$"),
                                                       QRegularExpression::UseUnicodePropertiesOption);
        return lostUnderscore.match(reading).hasMatch();
    };
    // The second reading is kept when it closes a gap and reads no more or fewer letters.
    policy.preferAgain = [](const QString &first, const QString &again) {
        return again.count(QLatin1Char(' ')) < first.count(QLatin1Char(' '))
            && std::abs(again.size() - first.size()) <= 1;
    };
    return policy;
}

OcrEnginePlatform::OcrEnginePlatform(std::shared_ptr<OcrEngine> engine) : m_engine(std::move(engine)) {}

OcrEngine &OcrEnginePlatform::engine()
{
    std::lock_guard lock(m_mutex);
    if (!m_engine)
        m_engine = std::make_shared<OcrEngine>(locateOcrModels(), screenshotReadingPolicy());
    return *m_engine;
}

std::shared_ptr<OcrEngine> OcrEnginePlatform::leaseEngine()
{
    std::lock_guard lock(m_mutex);
    if (!m_engine)
        m_engine = std::make_shared<OcrEngine>(locateOcrModels(), screenshotReadingPolicy());
    if (!m_engineLeased) {
        m_engineLeased = true;
        return m_engine;
    }
    if (!m_idleEngines.empty()) {
        std::shared_ptr<OcrEngine> engine = std::move(m_idleEngines.back());
        m_idleEngines.pop_back();
        return engine;
    }
    // Another screenshot is being read at the same time: an engine of its own, kept for later.
    return std::make_shared<OcrEngine>(m_engine->paths(), m_engine->policy());
}

void OcrEnginePlatform::returnEngine(std::shared_ptr<OcrEngine> engine)
{
    std::lock_guard lock(m_mutex);
    if (engine == m_engine)
        m_engineLeased = false;
    else
        m_idleEngines.push_back(std::move(engine));
}

QList<OcrTextBox> OcrEnginePlatform::recognizeFile(const FileURL &screenshot, const std::stop_token &stop)
{
    throwIfCancelled(stop);
    QString why;
    ScreenshotImageProblem problem = ScreenshotImageProblem::None;
    const QImage image = loadScreenshotImage(screenshot, &why, &problem);
    if (image.isNull()) {
        qCDebug(lcMatching) << "screenshot not loaded:" << why;
        if (problem == ScreenshotImageProblem::NotRegularFile)
            throw FailureError(FailureCode::notRegularFile, 0, screenshot);
        if (problem == ScreenshotImageProblem::TooLarge)
            throw FailureError(FailureCode::imageTooLarge, 0, screenshot);
        throw FailureError(FailureCode::imageUnreadable, 0, screenshot);
    }
    return recognizeImage(image, {}, stop);
}

QRect SecondPassImage::fromOriginal(const QRect &rect) const
{
    return secondPassArea(rect, border, scale, scale);
}

std::optional<SecondPassImage> OcrEnginePlatform::secondPassImage(const FileURL &screenshot, const QList<QRect> &lines)
{
    const QImage image = loadScreenshotImage(screenshot);
    if (image.isNull())
        return std::nullopt;
    SecondPassImage prepared;
    prepared.image = prepareSecondPassImage(image, lines);
    if (prepared.image.isNull())
        return std::nullopt;
    prepared.border = secondPassBorder;
    prepared.scale = double(prepared.image.width()) / double(image.width() + 2 * secondPassBorder);
    return prepared;
}

QList<OcrTextBox> OcrEnginePlatform::recognizeImage(const QImage &image, const QList<QRect> &regions,
                                                    const std::stop_token &stop)
{
    // Each call reads with an engine no other call is using, so that screenshots can be read at
    // the same time.
    struct Lease {
        OcrEnginePlatform &platform;
        std::shared_ptr<OcrEngine> engine = platform.leaseEngine();
        ~Lease() { platform.returnEngine(std::move(engine)); }
    } lease{*this};
    try {
        return regions.isEmpty() ? lease.engine->recognize(image, stop)
                                 : lease.engine->recognizeRegions(image, regions, stop);
    } catch (const std::bad_alloc &) {
        throw FailureError(FailureCode::outOfMemory);
    }
}

// ---- lines from boxes -------------------------------------------------------------------------

// ---- the recognizer ---------------------------------------------------------------------------

VisionTextRecognizer::VisionTextRecognizer(std::shared_ptr<TextRecognitionPlatform> platform)
    : m_platform(platform ? std::move(platform) : std::make_shared<OcrEnginePlatform>())
{
}

namespace {

QSet<QString> namesIn(const QString &line)
{
    QSet<QString> names;
    for (const QString &name : screenshotNamesInLine(line))
        names.insert(nfc(name));
    return names;
}

// The names a mended line shows that its reading as it stands does not.
QSet<QString> mendedNames(const AssembledTextLine &assembled)
{
    if (assembled.asRead.isEmpty() || cleanRecognizedText(assembled.asRead) == cleanRecognizedText(assembled.line.text))
        return {};
    return namesIn(assembled.line.text) - namesIn(assembled.asRead);
}

} // namespace

QList<RecognizedTextLine> VisionTextRecognizer::recognizeTextLines(const FileURL &screenshot, std::stop_token stop)
{
    // One recognition: checked before, and its result dropped when a stop arrived meanwhile,
    // whatever the engine made of the stop.
    auto recognizeOnce = [&](auto &&perform) -> QList<AssembledTextLine> {
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
        return assembleTextLinesWithBoxes(boxes);
    };

    QList<AssembledTextLine> first = recognizeOnce([&] { return m_platform->recognizeFile(screenshot, stop); });
    // Each line carries where it lies on the screenshot, in the screenshot's own pixels.
    const auto boxed = [](const AssembledTextLine &assembled, const std::function<QRect(const QRect &)> &toOriginal) {
        RecognizedTextLine line = assembled.line;
        for (const QRect &box : assembled.boxes)
            line.box |= toOriginal(box);
        return line;
    };

    // A mended line stands only where its new names are confirmed: read as they stand on
    // another line, or by the second pass. Otherwise the line is given as it was read.
    QSet<QString> asTheyStand;
    for (const AssembledTextLine &assembled : first)
        asTheyStand += namesIn(assembled.asRead.isEmpty() ? assembled.line.text : assembled.asRead);
    QList<QSet<QString>> toConfirm;
    for (const AssembledTextLine &assembled : first) {
        QSet<QString> names = mendedNames(assembled);
        toConfirm.append(names - asTheyStand);
    }
    auto result = [&](const QSet<QString> &confirmedBySecondPass) {
        QList<RecognizedTextLine> lines;
        for (qsizetype k = 0; k < first.size(); ++k) {
            AssembledTextLine assembled = first.at(k);
            const bool mended = !assembled.asRead.isEmpty()
                && cleanRecognizedText(assembled.asRead) != cleanRecognizedText(assembled.line.text);
            const bool confirmed = mendedNames(assembled).isEmpty()
                ? false
                : (toConfirm.at(k) - confirmedBySecondPass).isEmpty();
            if (mended && !confirmed) {
                if (!mendedNames(assembled).isEmpty())
                    assembled.line.unconfirmedMending = assembled.line.text;
                assembled.line.text = assembled.asRead;
                if (cleanRecognizedText(assembled.line.recognizedText) == cleanRecognizedText(assembled.asRead))
                    assembled.line.recognizedText.clear();
            }
            lines.append(boxed(assembled, [](const QRect &box) { return box; }));
        }
        return lines;
    };

    // The names to confirm, and where their lines were read.
    QSet<QString> expected, wordNumberNames;
    QList<QRect> expectedBoxes;
    for (qsizetype k = 0; k < first.size(); ++k) {
        const AssembledTextLine &assembled = first.at(k);
        bool wanted = !toConfirm.at(k).isEmpty();
        expected += toConfirm.at(k);
        if (auto name = nameNumberCandidate(assembled.line.text)) {
            wordNumberNames.insert(nfc(*name));
            wanted = true;
        }
        if (wanted)
            expectedBoxes += assembled.boxes;
    }
    if (expected.isEmpty() && wordNumberNames.isEmpty())
        return result({});

    const std::optional<SecondPassImage> prepared = m_platform->secondPassImage(screenshot, expectedBoxes);
    if (!prepared)
        return result({});
    throwIfCancelled(stop);
    // The second pass re-reads those lines on the prepared image, each where the first pass found
    // its text; reading the rest of the screen again would cost as much as the first pass. A
    // margin around the text would bring back the icon trimmed off before it and the edges of a
    // highlight.
    QList<QRect> regions;
    const QRect bounds = prepared->image.rect();
    for (const QRect &box : expectedBoxes) {
        const QRect region = prepared->fromOriginal(box) & bounds;
        if (!region.isEmpty())
            regions.append(region);
    }
    // The second pass only confirms: when it fails, the first pass's lines still stand.
    QList<AssembledTextLine> second;
    try {
        second = recognizeOnce([&] { return m_platform->recognizeImage(prepared->image, regions, stop); });
    } catch (const Cancelled &) {
        throw;
    } catch (const std::exception &e) {
        qCDebug(lcMatching) << "second recognition pass failed, first pass kept:" << e.what();
        return result({});
    }

    // What the second pass read as it stands confirms mended names; a word-number line it reads
    // with its underscore is added.
    QSet<QString> confirmed;
    for (const AssembledTextLine &assembled : second)
        confirmed += namesIn(assembled.asRead.isEmpty() ? assembled.line.text : assembled.asRead) & expected;
    QList<RecognizedTextLine> lines = result(confirmed);
    for (const AssembledTextLine &assembled : second) {
        const QString asRead = assembled.asRead.isEmpty() ? assembled.line.text : assembled.asRead;
        const QStringList tokens = extractFilenameTokens(asRead);
        if (tokens.size() != 1 || !wordNumberNames.contains(nfc(tokens.first())))
            continue;
        AssembledTextLine kept = assembled;
        kept.line.text = asRead;
        lines.append(boxed(kept, [&prepared](const QRect &box) {
            const double scale = prepared->scale > 0 ? prepared->scale : 1.0;
            return QRect(QPoint(int(box.left() / scale) - prepared->border, int(box.top() / scale) - prepared->border),
                         QSize(int(std::ceil(box.width() / scale)), int(std::ceil(box.height() / scale))));
        }));
    }
    return lines;
}

} // namespace quillmore
