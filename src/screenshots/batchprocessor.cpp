#include "batchprocessor.h"

#include "filenamerules.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QHash>

#include <algorithm>

namespace quillmore {

ScreenshotOCRBatchProcessor::ScreenshotOCRBatchProcessor(std::shared_ptr<ScreenshotTextRecognizing> recognizer)
    : m_recognizer(std::move(recognizer))
{
}

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
    for (qint64 i = 0; i < total && !cancelled; ++i) {
        const FileURL &url = urls.at(i);
        if (stop.stop_requested())
            break;
        report(i, url);
        try {
            const QList<RecognizedTextLine> lines = m_recognizer->recognizeTextLines(url, stop);
            for (const RecognizedTextLine &line : lines) {
                for (const QString &token : extractFilenameTokens(line.text))
                    detections.append(DetectedScreenshotFilename{token, line.confidence, url, line.text, line.box});
            }
        } catch (const Cancelled &) {
            cancelled = true; // this screenshot is not counted; the earlier ones are kept
            break;
        } catch (const FailureError &e) {
            qCDebug(lcMatching) << "screenshot not recognised:" << e.what();
            const QString name = lastPathComponent(url);
            QString message;
            switch (e.code()) {
            case FailureCode::outOfMemory: message = localized("screenshot.ocr.file.memory", name); break;
            case FailureCode::recognitionUnavailable:
                message = localized("screenshot.ocr.unavailable", name, e.path());
                break;
            default: message = localized("screenshot.ocr.file.error", name); break;
            }
            warnings.append(AppWarning{makeId(), url, message});
        } catch (const std::exception &e) {
            qCDebug(lcMatching) << "screenshot not recognised:" << e.what();
            warnings.append(AppWarning{makeId(), url, localized("screenshot.ocr.file.error", lastPathComponent(url))});
        }
        ++read;
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

QList<ScreenshotNameCandidate> mergeDetections(const QList<DetectedScreenshotFilename> &detections)
{
    QList<ScreenshotNameCandidate> candidates;
    QHash<QString, qsizetype> indexByKey;
    for (const DetectedScreenshotFilename &detection : detections) {
        const QString key = screenshotNameKey(detection.fileName);
        const auto found = indexByKey.constFind(key);
        if (found == indexByKey.constEnd()) {
            indexByKey.insert(key, candidates.size());
            candidates.append(ScreenshotNameCandidate{makeId(), detection.fileName, detection.confidence,
                                                      {detection.sourceScreenshotURL},
                                                      {detection.rawVisionRecognizedString}, false,
                                                      detection.sourceBox});
            continue;
        }
        ScreenshotNameCandidate &candidate = candidates[*found];
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
