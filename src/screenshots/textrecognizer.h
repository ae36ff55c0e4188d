#pragma once

// Text recognition of one screenshot: a first pass over the image as it is and, when that pass
// read a name whose underscore looks like a space ('Smith 0042') or a mended name to confirm, a
// second pass over a padded, enlarged copy, thickened where its text is dark on light, whose
// confirming lines are added. The second pass reads only where the first found those lines:
// elsewhere nothing it reads could be kept.

#include "model/screenshotrecords.h"
#include "platform/ocrengine.h"
#include "screenshots/misreadings.h"
#include "screenshots/textlines.h"

#include <QImage>

#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

namespace quillmore {

class ScreenshotTextRecognizing {
public:
    virtual ~ScreenshotTextRecognizing() = default;
    // The recognised lines of the screenshot in reading order. Throws Cancelled when `stop` is
    // requested before or during the recognition, FailureError when the file is not a
    // readable image (imageUnreadable) or cannot be recognised (recognitionUnavailable, outOfMemory).
    virtual QList<RecognizedTextLine> recognizeTextLines(const FileURL &screenshot, std::stop_token stop) = 0;
};

// The second-pass image and where the first pass's boxes lie on it.
struct SecondPassImage {
    QImage image;
    int border = 0;     // white border added on every side, in original pixels
    double scale = 1.0; // enlargement after the border was added
    // A rectangle of the original image on this one.
    QRect fromOriginal(const QRect &rect) const;
};

// The image and recognition operations the recognizer's logic is written against.
class TextRecognitionPlatform {
public:
    virtual ~TextRecognitionPlatform() = default;
    // The boxes read from the image in the file, orientation applied. Throws
    // FailureError (imageUnreadable) for a file that is not a readable image, Cancelled on `stop`.
    virtual QList<OcrTextBox> recognizeFile(const FileURL &screenshot, const std::stop_token &stop) = 0;
    // The second-pass image of the file, made for reading `lines` (rectangles of the original
    // image) again; nothing when the file cannot be loaded.
    virtual std::optional<SecondPassImage> secondPassImage(const FileURL &screenshot, const QList<QRect> &lines) = 0;
    // The boxes read from a prepared image: within `regions` (each read as one line of text)
    // when any are given, else over the whole image.
    virtual QList<OcrTextBox> recognizeImage(const QImage &image, const QList<QRect> &regions,
                                             const std::stop_token &stop) = 0;
};

// What screenshots are read for: the characters of file names, and a second, thickened look at a
// line whose underscore seems lost.
OcrReadingPolicy screenshotReadingPolicy();

// The platform operations on the real engine (neural detection + Tesseract).
class OcrEnginePlatform : public TextRecognitionPlatform {
public:
    explicit OcrEnginePlatform(std::shared_ptr<OcrEngine> engine = nullptr);
    QList<OcrTextBox> recognizeFile(const FileURL &screenshot, const std::stop_token &stop) override;
    std::optional<SecondPassImage> secondPassImage(const FileURL &screenshot, const QList<QRect> &lines) override;
    QList<OcrTextBox> recognizeImage(const QImage &image, const QList<QRect> &regions,
                                     const std::stop_token &stop) override;
    // The first engine, for its paths and for tools.
    OcrEngine &engine();

private:
    // An engine that no other recognition is using, and its return.
    std::shared_ptr<OcrEngine> leaseEngine();
    void returnEngine(std::shared_ptr<OcrEngine> engine);

    std::mutex m_mutex;
    std::shared_ptr<OcrEngine> m_engine;
    bool m_engineLeased = false;
    std::vector<std::shared_ptr<OcrEngine>> m_idleEngines;
};

class VisionTextRecognizer : public ScreenshotTextRecognizing {
public:
    // With no platform given, the real engine is used; its models are loaded on first use.
    explicit VisionTextRecognizer(std::shared_ptr<TextRecognitionPlatform> platform = nullptr);
    // Safe to call from several threads at once when the platform is (the real one is).
    QList<RecognizedTextLine> recognizeTextLines(const FileURL &screenshot, std::stop_token stop) override;

private:
    std::shared_ptr<TextRecognitionPlatform> m_platform;
};

} // namespace quillmore
