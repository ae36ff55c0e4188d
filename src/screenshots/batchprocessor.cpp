#include "batchprocessor.h"

#include "filenamerules.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/imageheader.h"
#include "platform/imagework.h"
#include "platform/log.h"
#include "platform/ocrengine.h"
#include "platform/paths.h"
#include "platform/screenshotimage.h"
#include "platform/systemresources.h"
#include "platform/text.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <numeric>
#include <thread>
#include <vector>

namespace quillmore {

ScreenshotOCRBatchProcessor::ScreenshotOCRBatchProcessor(std::shared_ptr<ScreenshotTextRecognizing> recognizer,
                                                         int concurrentReads)
    : m_recognizer(std::move(recognizer)), m_concurrentReads(concurrentReads)
{
}

namespace {

// What reading one screenshot gave: its lines, or the warning that stands for it.
struct ScreenshotOutcome {
    QList<RecognizedTextLine> lines;
    std::optional<QString> warning;
    bool cancelled = false;
};

ScreenshotOutcome readOne(ScreenshotTextRecognizing &recognizer, const FileURL &url, const std::stop_token &stop)
{
    ScreenshotOutcome outcome;
    const QString name = lastPathComponent(url);
    // A pipe, socket or device named like a picture is refused by its type before anything opens
    // it: opening a pipe would wait for a writer for good.
    if (QFileInfo::exists(url) && !isRegularFilePath(url)) {
        outcome.warning = localized("screenshot.ocr.file.notRegular", name);
        return outcome;
    }
    try {
        outcome.lines = recognizer.recognizeTextLines(url, stop);
    } catch (const Cancelled &) {
        outcome.cancelled = true;
    } catch (const FailureError &e) {
        qCDebug(lcMatching) << "screenshot not recognised:" << e.what();
        switch (e.code()) {
        case FailureCode::outOfMemory: outcome.warning = localized("screenshot.ocr.file.memory", name); break;
        case FailureCode::recognitionUnavailable:
            outcome.warning = localized("screenshot.ocr.unavailable", name, e.path());
            break;
        case FailureCode::notRegularFile: outcome.warning = localized("screenshot.ocr.file.notRegular", name); break;
        case FailureCode::imageTooLarge:
            outcome.warning = localized("screenshot.ocr.file.tooLarge", name,
                                        QString::number(maxScreenshotPixels / 1000000));
            break;
        default: outcome.warning = localized("screenshot.ocr.file.error", name); break;
        }
    } catch (const std::exception &e) {
        qCDebug(lcMatching) << "screenshot not recognised:" << e.what();
        outcome.warning = localized("screenshot.ocr.file.error", name);
    }
    return outcome;
}

} // namespace

ScreenshotOCRResult ScreenshotOCRBatchProcessor::processScreenshots(const QList<FileURL> &screenshots,
                                                                    const ScreenshotOCRProgressCallback &progress,
                                                                    std::stop_token stop)
{
    std::lock_guard lock(m_mutex);
    const QList<FileURL> urls = uniqueByStandardizedPath(screenshots);
    const qint64 total = urls.size();
    QList<DetectedScreenshotFilename> detections;
    QList<AppWarning> warnings;
    auto report = [&](qint64 completed, const FileURL &url) {
        if (progress)
            progress(ScreenshotOCRProgress{completed, total, url});
    };

    qint64 read = 0;
    bool cancelled = false;
    // Screenshots are read by several workers at once, each taking the next one not yet taken;
    // this thread takes their outcomes in the order of the list, reports progress and stops the
    // workers when the job is cancelled (they finish the screenshot in hand, which the stop cuts
    // short).
    const int workers = int(
        std::min<qint64>(total, m_concurrentReads > 0 ? m_concurrentReads : concurrentRecognitionLimit()));
    std::vector<std::optional<ScreenshotOutcome>> outcomes(static_cast<std::size_t>(total));
    std::mutex outcomeMutex;
    std::condition_variable outcomeReady;
    std::stop_source workerStop;
    std::stop_callback forwardStop(stop, [&] {
        workerStop.request_stop();
        std::lock_guard guard(outcomeMutex);
        outcomeReady.notify_all();
    });
    // A screenshot a worker has taken is in its hand until its outcome is stored: a stop waits for
    // those, so that a screenshot read to its end is kept.
    qint64 nextToRead = 0;
    std::vector<bool> inHand(static_cast<std::size_t>(total), false);
    const std::vector<qint64> readingOrder = workers > 1 ? screenshotReadingOrder(urls) : std::vector<qint64>();
    // While the workers reading fill every processor, each keeps OpenCV's loops to itself; the
    // last ones still reading spread theirs over the processors the others have left.
    std::atomic<int> reading(workers);
    const int processors = usableProcessorCount();
    auto work = [&] {
        keepImageWorkOnThisThreadWhile(reading, processors);
        const std::stop_token token = workerStop.get_token();
        for (;;) {
            qint64 i = 0;
            {
                std::lock_guard guard(outcomeMutex);
                if (token.stop_requested() || nextToRead >= total) {
                    --reading;
                    return;
                }
                i = readingOrder[std::size_t(nextToRead++)];
                inHand[std::size_t(i)] = true;
            }
            ScreenshotOutcome outcome = readOne(*m_recognizer, urls.at(i), token);
            std::lock_guard guard(outcomeMutex);
            outcomes[std::size_t(i)] = std::move(outcome);
            inHand[std::size_t(i)] = false;
            outcomeReady.notify_all();
        }
    };
    std::vector<std::jthread> threads;
    struct StopWorkers {
        std::stop_source &source;
        std::vector<std::jthread> &threads;
        ~StopWorkers()
        {
            source.request_stop();
            for (std::jthread &t : threads)
                t.join();
            releaseFreedMemory(); // what the readings kept for each other
        }
    } stopWorkers{workerStop, threads};
    // With one worker the screenshots are read on this thread, in turn.
    if (workers > 1) {
        for (int w = 0; w < workers; ++w)
            threads.emplace_back(work);
    }

    for (qint64 i = 0; i < total; ++i) {
        const FileURL &url = urls.at(i);
        ScreenshotOutcome outcome;
        if (workers > 1) {
            if (!cancelled)
                report(i, url);
            std::unique_lock wait(outcomeMutex);
            outcomeReady.wait(wait, [&] {
                return outcomes[std::size_t(i)].has_value() || (stop.stop_requested() && !inHand[std::size_t(i)]);
            });
            // After a stop, the screenshots read to their end are kept, wherever they stand in the
            // list (the workers do not take them in its order); the others are left out.
            if (!outcomes[std::size_t(i)]) {
                cancelled = true;
                continue;
            }
            outcome = std::move(*outcomes[std::size_t(i)]);
        } else {
            if (stop.stop_requested())
                break;
            report(i, url);
            outcome = readOne(*m_recognizer, url, stop);
        }
        if (outcome.cancelled) {
            cancelled = true; // this screenshot is not counted; the others read to their end are kept
            if (workers == 1)
                break;
            continue;
        }
        QStringList texts;
        for (const RecognizedTextLine &line : outcome.lines)
            texts.append(line.text);
        const QList<QStringList> namesByLine = screenshotNamesInLines(texts);
        for (qsizetype l = 0; l < outcome.lines.size(); ++l) {
            const RecognizedTextLine &line = outcome.lines.at(l);
            // The line as recognised is what is kept, so that a wrong name can be traced to it.
            const QString raw = line.recognizedText.isEmpty() ? line.text : line.recognizedText;
            const QStringList &names = namesByLine.at(l);
            // The mended reading's names, paired with the names read by their order, when it
            // shows as many.
            const QStringList mended = line.unconfirmedMending.isEmpty()
                ? QStringList()
                : screenshotNamesInLine(line.unconfirmedMending);
            for (qsizetype k = 0; k < names.size(); ++k) {
                const QString &token = names.at(k);
                const bool asRecognised = cleanRecognizedText(raw).contains(token);
                const QString other = mended.size() == names.size() && mended.at(k) != token ? mended.at(k) : QString();
                detections.append(
                    DetectedScreenshotFilename{token, line.confidence, url, raw, line.box, !asRecognised, other});
            }
        }
        if (outcome.warning)
            warnings.append(AppWarning{makeId(), url, *outcome.warning});
        ++read;
        if (!cancelled)
            report(i + 1, url);
    }
    cancelled = cancelled || stop.stop_requested();

    ScreenshotOCRResult result;
    result.screenshotCount = read;
    result.wasCancelled = cancelled;
    result.filenameOccurrences = detections.size();
    result.candidates = mergeDetections(detections);
    result.warnings = warnings;
    return result;
}

std::vector<qint64> screenshotReadingOrder(const QList<FileURL> &urls)
{
    std::vector<qint64> pixels(std::size_t(urls.size()), 0);
    for (qsizetype i = 0; i < urls.size(); ++i) {
        if (!isRegularFilePath(urls.at(i)))
            continue;
        if (const std::optional<PixelSize> size = imagePixelSize(urls.at(i)))
            pixels[std::size_t(i)] = size->width * size->height;
    }
    std::vector<qint64> order(pixels.size());
    std::iota(order.begin(), order.end(), qint64(0));
    std::stable_sort(order.begin(), order.end(),
                     [&pixels](qint64 a, qint64 b) { return pixels[std::size_t(a)] > pixels[std::size_t(b)]; });
    return order;
}

QList<ScreenshotNameCandidate> mergeDetections(const QList<DetectedScreenshotFilename> &input)
{
    // A mended name that another reading shows as it stands is confirmed: the reading it was
    // mended from takes it, marked for checking.
    QSet<QString> asTheyStand;
    for (const DetectedScreenshotFilename &detection : input) {
        if (!detection.needsNameCheck && detection.unconfirmedName.isEmpty())
            asTheyStand.insert(screenshotNameKey(detection.fileName));
    }
    QList<DetectedScreenshotFilename> detections = input;
    for (DetectedScreenshotFilename &detection : detections) {
        if (detection.unconfirmedName.isEmpty() || asTheyStand.contains(screenshotNameKey(detection.fileName))
            || !asTheyStand.contains(screenshotNameKey(detection.unconfirmedName)))
            continue;
        detection.fileName = detection.unconfirmedName;
        detection.needsNameCheck = true;
        detection.unconfirmedName.clear();
    }
    QList<ScreenshotNameCandidate> candidates;
    QHash<QString, qsizetype> indexByKey;
    for (const DetectedScreenshotFilename &detection : detections) {
        const QString key = screenshotNameKey(detection.fileName);
        const auto found = indexByKey.constFind(key);
        if (found == indexByKey.constEnd()) {
            indexByKey.insert(key, candidates.size());
            candidates.append(ScreenshotNameCandidate{makeId(),
                                                      detection.fileName,
                                                      detection.confidence,
                                                      {detection.sourceScreenshotURL},
                                                      {detection.rawVisionRecognizedString},
                                                      false,
                                                      detection.sourceBox,
                                                      detection.needsNameCheck});
            continue;
        }
        ScreenshotNameCandidate &candidate = candidates[*found];
        // The same name read as it stands elsewhere confirms a mended reading.
        candidate.needsNameCheck = candidate.needsNameCheck && detection.needsNameCheck;
        candidate.confidence = std::max(candidate.confidence, detection.confidence);
        candidate.sourceScreenshotURLs.append(detection.sourceScreenshotURL);
        candidate.sourceScreenshotURLs = uniqueByStandardizedPath(candidate.sourceScreenshotURLs);
        const QString line = nfc(detection.rawVisionRecognizedString);
        const bool known = std::any_of(candidate.rawVisionRecognizedStrings.cbegin(),
                                       candidate.rawVisionRecognizedStrings.cend(),
                                       [&line](const QString &s) { return nfc(s) == line; });
        if (!known)
            candidate.rawVisionRecognizedStrings.append(detection.rawVisionRecognizedString);
    }
    return candidates;
}

std::optional<SelectedJPEG> toSelectedJPEG(const ScreenshotNameCandidate &candidate, QSet<QString> &seenKeys)
{
    const QString name = cleanRecognizedText(candidate.fileName);
    if (!isValidScreenshotName(name))
        return std::nullopt;
    const QString key = screenshotNameKey(name);
    if (seenKeys.contains(key))
        return std::nullopt;
    seenKeys.insert(key);
    SelectedJPEG selected;
    selected.id = makeId();
    selected.fileName = name;
    selected.sourceScreenshotURLs = uniqueByStandardizedPath(candidate.sourceScreenshotURLs);
    selected.rawVisionRecognizedStrings = candidate.rawVisionRecognizedStrings;
    selected.baseName = key;
    return selected;
}

QList<SelectedJPEG> selectedJPEGs(const QList<ScreenshotNameCandidate> &candidates)
{
    QSet<QString> seenKeys;
    QList<SelectedJPEG> result;
    for (const ScreenshotNameCandidate &candidate : candidates) {
        if (auto selected = toSelectedJPEG(candidate, seenKeys))
            result.append(std::move(*selected));
    }
    return result;
}

} // namespace quillmore
