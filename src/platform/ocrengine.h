#pragma once

// On-device text recognition of one image: text detection (textdetection.h) finds the boxes,
// each is prepared (textcrop.h: its own polarity, the file icon trimmed off, the text enlarged)
// and Tesseract's LSTM engine reads it as one line. What to read and when to read a box again is
// the caller's policy.

#include "platform/errors.h"
#include "platform/ocrmodels.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

namespace quillmore {

// One word of a recognised box: text between wide gaps, in image coordinates.
struct OcrWord {
    QRect rect;
    QString text;
    bool operator==(const OcrWord &) const = default;
};

// One recognised box, in the coordinates of the image it was read from.
struct OcrTextBox {
    OcrTextBox(QRect r = {}, QString t = {}, float c = 0.0f, QList<OcrWord> w = {})
        : rect(r), text(std::move(t)), confidence(c), words(std::move(w))
    {
    }
    QRect rect;
    QString text;
    float confidence = 0.0f; // 0.0 to 1.0
    QList<OcrWord> words;    // when the engine reports them; their texts joined by spaces make `text`
    bool operator==(const OcrTextBox &) const = default;
};

// What the caller reads for.
struct OcrReadingPolicy {
    // Recognition returns only these characters when any are given.
    QString characters;
    // A box whose reading this accepts is read again with its strokes thickened (thin marks such
    // as underscores then survive), when the caller asks for it ...
    std::function<bool(const QString &reading)> readAgainThickened;
    // ... and the second reading replaces the first when this accepts it.
    std::function<bool(const QString &first, const QString &again)> preferAgain;
};

class OcrEngine {
public:
    explicit OcrEngine(OcrModelPaths paths = locateOcrModels(), OcrReadingPolicy policy = {});
    ~OcrEngine();
    OcrEngine(const OcrEngine &) = delete;
    OcrEngine &operator=(const OcrEngine &) = delete;

    // The boxes of text in reading order (rows top to bottom, left to right within a row), each
    // read as one line; boxes read as empty are left out. Throws Cancelled when `stop` is
    // requested (also while Tesseract is reading a box), FailureError (recognitionUnavailable)
    // when the engine cannot start. Calls are serialised.
    QList<OcrTextBox> recognize(const QImage &image, const std::stop_token &stop);

    // Each region of the image read as one line of text, without detection and without the
    // thickened second look, its text brought to another size than recognize reads at (a second
    // reading of the same lines then errs elsewhere); regions read as empty are left out. Throws
    // as recognize does.
    QList<OcrTextBox> recognizeRegions(const QImage &image, const QList<QRect> &regions, const std::stop_token &stop);

    // The boxes the detector finds, in reading order, without reading them.
    QList<QRect> detect(const QImage &image, const std::stop_token &stop);

    const OcrModelPaths &paths() const { return m_paths; }
    const OcrReadingPolicy &policy() const { return m_policy; }
    // True when the neural detector is in use (not the morphological fallback).
    bool usesNeuralDetector();

private:
    struct Impl;
    OcrModelPaths m_paths;
    OcrReadingPolicy m_policy;
    std::mutex m_mutex;
    std::unique_ptr<Impl> m_impl;
    Impl &impl();
};

} // namespace quillmore
