#pragma once

// Records of screenshot reading: names found in recognised text, the list under review, and a
// batch's progress and result.

#include "records.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace quillmore {

// One line of recognised text.
struct RecognizedTextLine {
    QString text;            // the reading names are taken from
    float confidence = 0.0f; // 0.0 to 1.0
    QRect box{};             // where the line lies on the screenshot, in its pixels; empty when not known
    // The line exactly as the recogniser returned it (the pieces of a wrapped label one a line),
    // when the reading differs from it; empty when `text` is what was recognised.
    QString recognizedText = {};
    // The line with its likely misreadings mended, when nothing on the screenshot confirmed that
    // reading: a batch takes it where another screenshot shows its names as they stand.
    QString unconfirmedMending = {};
    bool operator==(const RecognizedTextLine &) const = default;
};

// One occurrence of a file name in one recognised line.
struct DetectedScreenshotFilename {
    QString fileName;
    float confidence = 0.0f;
    FileURL sourceScreenshotURL;
    QString rawVisionRecognizedString;
    QRect sourceBox{};           // the line's box on the screenshot
    bool needsNameCheck = false; // the name is not in the line as recognised: it was mended or joined
    // The name as its line would read mended, not yet confirmed; empty when there is none.
    QString unconfirmedName = {};
    bool operator==(const DetectedScreenshotFilename &) const = default;
};

// One distinct name offered for review.
struct ScreenshotNameCandidate {
    QUuid id;
    QString fileName;
    float confidence = 0.0f;
    QList<FileURL> sourceScreenshotURLs;
    QStringList rawVisionRecognizedStrings;
    bool wasManuallyEdited = false;
    // Where the name was first read on its first screenshot; empty when not known.
    QRect sourceBox{};
    // Every reading of the name was mended or joined from pieces: the review asks to check it.
    bool needsNameCheck = false;
    bool operator==(const ScreenshotNameCandidate &) const = default;
};

// The list under review, in display order.
struct ScreenshotCandidateList {
    QList<ScreenshotNameCandidate> candidates;

    // The candidate with this id gets the name as typed and counts as edited; nothing happens when
    // there is none.
    void updateFileName(const QUuid &id, const QString &name)
    {
        for (ScreenshotNameCandidate &candidate : candidates) {
            if (candidate.id == id) {
                candidate.fileName = name;
                candidate.wasManuallyEdited = true;
            }
        }
    }
    // Appends a name the user adds (confidence 1.0, from no screenshot) and returns it.
    ScreenshotNameCandidate addManualName(const QString &name)
    {
        ScreenshotNameCandidate candidate{makeId(), name, 1.0f, {}, {}, true, {}};
        candidates.append(candidate);
        return candidate;
    }
    // Removes every candidate with this id; the others keep their order.
    void remove(const QUuid &id)
    {
        candidates.removeIf([&id](const ScreenshotNameCandidate &c) { return c.id == id; });
    }
    bool operator==(const ScreenshotCandidateList &) const = default;
};

struct ScreenshotOCRProgress {
    qint64 completedScreenshots = 0;
    qint64 totalScreenshots = 0;
    std::optional<FileURL> currentURL;
    bool operator==(const ScreenshotOCRProgress &) const = default;
};

struct ScreenshotOCRResult {
    qint64 screenshotCount = 0;
    qint64 filenameOccurrences = 0;
    QList<ScreenshotNameCandidate> candidates;
    QList<AppWarning> warnings;
    // The reading was stopped: the result holds the screenshots read before that.
    bool wasCancelled = false;
    bool operator==(const ScreenshotOCRResult &) const = default;
};

} // namespace quillmore
