// The screenshot name rules and candidate merging on arbitrary recognised text.

#include "platform/paths.h"
#include "screenshots/batchprocessor.h"
#include "screenshots/filenamerules.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace quillmore;
    // The input is recognised lines, one per line break, as a screenshot would give them.
    const QString text = decodePath(std::string_view(reinterpret_cast<const char *>(data), size));
    QList<DetectedScreenshotFilename> detections;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString cleaned = cleanRecognizedText(line);
        if (cleanRecognizedText(cleaned) != cleaned)
            std::abort(); // cleaning is idempotent
        for (const QString &token : extractFilenameTokens(line)) {
            if (!cleaned.contains(token))
                std::abort(); // tokens are taken from the cleaned line as it reads
            detections.append({token, 0.5f, QStringLiteral("/shots/a.png"), line});
        }
        if (const auto name = nameNumberCandidate(line); name && name->isEmpty())
            std::abort();
        if (isValidScreenshotName(line))
            (void)screenshotNameKey(line);
    }
    const QList<ScreenshotNameCandidate> candidates = mergeDetections(detections);
    if (candidates.size() > detections.size())
        std::abort();
    QSet<QString> keys;
    for (const ScreenshotNameCandidate &c : candidates)
        if (keys.contains(screenshotNameKey(c.fileName)) || (keys.insert(screenshotNameKey(c.fileName)), false))
            std::abort(); // one candidate per key
    const QList<SelectedJPEG> selected = selectedJPEGs(candidates);
    if (selected.size() > candidates.size())
        std::abort();
    for (const SelectedJPEG &s : selected)
        if (!isValidScreenshotName(s.fileName))
            std::abort();
    return 0;
}
