#include "screenshotjob.h"

#include "platform/errors.h"
#include "platform/paths.h"
#include "screenshots/filenamerules.h"

#include <QHash>

namespace quillmore {

ScreenshotOCRResult runScreenshotJob(const QList<FileURL> &screenshots, ScreenshotOCRProcessing *processor,
                                     const ScreenshotJobProgress &progress, std::stop_token stop)
{
    if (!processor)
        throw FailureError(FailureCode::serviceUnavailable);
    return processor->processScreenshots(
        screenshots,
        [&](const ScreenshotOCRProgress &value) {
            if (progress)
                progress(value);
        },
        stop);
}

ScreenshotCandidateList withScreenshotNames(ScreenshotCandidateList list, const QList<ScreenshotNameCandidate> &read)
{
    QHash<QString, qsizetype> indexByKey;
    for (qsizetype i = 0; i < list.candidates.size(); ++i)
        indexByKey.insert(screenshotNameKey(list.candidates.at(i).fileName), i);
    for (const ScreenshotNameCandidate &candidate : read) {
        const auto known = indexByKey.constFind(screenshotNameKey(candidate.fileName));
        if (known == indexByKey.constEnd()) {
            indexByKey.insert(screenshotNameKey(candidate.fileName), list.candidates.size());
            list.candidates.append(candidate);
            continue;
        }
        ScreenshotNameCandidate &existing = list.candidates[*known];
        existing.sourceScreenshotURLs = uniqueByStandardizedPath(existing.sourceScreenshotURLs
                                                                 + candidate.sourceScreenshotURLs);
        for (const QString &line : candidate.rawVisionRecognizedStrings)
            if (!existing.rawVisionRecognizedStrings.contains(line))
                existing.rawVisionRecognizedStrings.append(line);
    }
    return list;
}

} // namespace quillmore
