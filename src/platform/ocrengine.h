#pragma once

// On-device text recognition of one image: a neural text detector (PP-OCRv4 detection through
// OpenCV's DNN module) finds the text boxes, and Tesseract's LSTM engine reads each box as one
// line, with its own inversion decision, the file icon trimmed off and the text enlarged. When
// the detection model is missing, boxes come from a morphological line finder instead.

#include "platform/errors.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <memory>
#include <mutex>
#include <stop_token>

namespace quillmore {

// Where the recognition models are.
struct OcrModelPaths {
    QString detectionModel;   // ONNX file; empty when none was found
    QString tessdataDir;      // folder with the traineddata files
    QString languages;        // "Latin" (Debian's script model), else "eng+nld"
    bool bestIntData = false; // the tessdata folder is the "best_int" set from set-up
    // The language data recognition is measured with: the Latin model, or the best_int set.
    bool fullLanguageData() const { return languages == QLatin1String("Latin") || bestIntData; }
};

// Looks for the detection model in $QUILLMORE_OCR_MODELS, then <program>/../share/quillmore/
// ocr-models, then the folder set-up fills in the source tree (without it, the morphological line
// finder is used). Language data: Debian's Latin-script model when installed, else the "best_int"
// English and Dutch data from set-up, else Debian's English (and Dutch).
// $QUILLMORE_OCR_LANGUAGES overrides the languages, for measuring.
OcrModelPaths locateOcrModels();

// Tesseract's OpenMP runtime starts and spins threads for every small line it reads, which for one
// box at a time costs far more processor time than it saves. Its thread limit can only be set in
// the environment before the program starts, so a program that reads screenshots calls this first
// thing in main: unless OMP_THREAD_LIMIT is already set, the program is started again, once, with
// OMP_THREAD_LIMIT=1. Returns only when no restart happened (or it failed).
void restartWithSingleThreadedOcr(char **argv);

// How many screenshots can be read at the same time: one per processor this program may use, and
// no more than the memory now available holds at about a gigabyte each. At least one.
int concurrentRecognitionLimit();

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

class OcrEngine {
public:
    // Recognition returns only `characters` when any are given.
    explicit OcrEngine(OcrModelPaths paths = locateOcrModels(), QString characters = {});
    ~OcrEngine();
    OcrEngine(const OcrEngine &) = delete;
    OcrEngine &operator=(const OcrEngine &) = delete;

    // The boxes of text in reading order (rows top to bottom, left to right within a row), each
    // read as one line; boxes read as empty are left out. Throws Cancelled when `stop` is
    // requested (also while Tesseract is reading a box), FailureError (recognitionUnavailable)
    // when the engine cannot start. Calls are serialised.
    QList<OcrTextBox> recognize(const QImage &image, const std::stop_token &stop);

    // Each region of the image read as one line of text, without detection; regions read as
    // empty are left out. Throws as recognize does.
    QList<OcrTextBox> recognizeRegions(const QImage &image, const QList<QRect> &regions, const std::stop_token &stop);

    // The boxes the detector finds, in reading order, without reading them.
    QList<QRect> detect(const QImage &image, const std::stop_token &stop);

    const OcrModelPaths &paths() const { return m_paths; }
    const QString &characters() const { return m_characters; }
    // True when the neural detector is in use (not the morphological fallback).
    bool usesNeuralDetector();

private:
    struct Impl;
    OcrModelPaths m_paths;
    QString m_characters;
    std::mutex m_mutex;
    std::unique_ptr<Impl> m_impl;
    Impl &impl();
};

} // namespace quillmore
