#include "ocrengine.h"

#include "model/cancellation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <unistd.h>

#ifndef QUILLMORE_OCR_MODEL_DIR
#define QUILLMORE_OCR_MODEL_DIR ""
#endif

namespace quillmore {

namespace {

const char *const detectionModelFile = "ch_PP-OCRv4_det_opencv.onnx";
const char *const debianTessdata = "/usr/share/tesseract-ocr/5/tessdata";

// Detection: the model crashes on inputs larger than about 1920 pixels, so it reads a copy whose
// larger side is at most this; boxes are mapped back to the full image.
constexpr int detectionMaxSide = 1920;
// Small screenshots are enlarged for detection up to this factor.
constexpr double detectionMaxUpscale = 2.0;
constexpr float binaryThreshold = 0.3f; // probability that counts as text
constexpr double boxThreshold = 0.5;    // mean probability a box needs
constexpr double unclipRatio = 1.6;     // how far a box grows around its text core
// Recognition: each box's text is enlarged to about this height in pixels.
constexpr double targetTextHeight = 40.0;
constexpr int recognitionBorder = 12;

bool hasLanguage(const QString &dir, const QString &language)
{
    return QFileInfo::exists(dir + QLatin1Char('/') + language + QLatin1String(".traineddata"));
}

bool usableModelDir(const QString &dir)
{
    return !dir.isEmpty() && QFileInfo(dir).isDir();
}

cv::Mat toBgr(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    cv::Mat wrapped(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar *>(rgb.constBits()),
                    std::size_t(rgb.bytesPerLine()));
    cv::Mat bgr;
    cv::cvtColor(wrapped, bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

// Rows of boxes top to bottom, each row left to right: a box joins the row whose vertical span
// holds its centre.
QList<QRect> inReadingOrder(std::vector<cv::Rect> boxes)
{
    std::sort(boxes.begin(), boxes.end(), [](const cv::Rect &a, const cv::Rect &b) {
        return a.y + a.height / 2 < b.y + b.height / 2;
    });
    std::vector<std::vector<cv::Rect>> rows;
    std::vector<std::pair<int, int>> spans;
    for (const cv::Rect &box : boxes) {
        const int centre = box.y + box.height / 2;
        if (!rows.empty() && centre >= spans.back().first && centre <= spans.back().second) {
            rows.back().push_back(box);
            continue;
        }
        rows.push_back({box});
        spans.emplace_back(box.y, box.y + box.height);
    }
    QList<QRect> ordered;
    for (auto &row : rows) {
        std::sort(row.begin(), row.end(), [](const cv::Rect &a, const cv::Rect &b) { return a.x < b.x; });
        for (const cv::Rect &r : row)
            ordered.append(QRect(r.x, r.y, r.width, r.height));
    }
    return ordered;
}

bool tesseractCancel(void *token, int)
{
    return static_cast<const std::stop_token *>(token)->stop_requested();
}

// Otsu threshold of a grey image.
double otsu(const cv::Mat &grey)
{
    cv::Mat ignored;
    return cv::threshold(grey, ignored, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
}

} // namespace

void restartWithSingleThreadedOcr(char **argv)
{
    if (std::getenv("OMP_THREAD_LIMIT") || !argv || !argv[0])
        return;
    if (::setenv("OMP_THREAD_LIMIT", "1", 1) != 0)
        return;
    ::execv("/proc/self/exe", argv);
    // Could not restart: go on as we are.
}

OcrModelPaths locateOcrModels()
{
    QStringList dirs;
    if (const char *env = std::getenv("QUILLMORE_OCR_MODELS"); env && *env)
        dirs << QString::fromLocal8Bit(env);
    if (QCoreApplication::instance())
        dirs << QCoreApplication::applicationDirPath() + QLatin1String("/../share/quillmore/ocr-models");
    dirs << QString::fromUtf8(QUILLMORE_OCR_MODEL_DIR);

    OcrModelPaths paths;
    for (const QString &dir : dirs) {
        if (!usableModelDir(dir))
            continue;
        const QString model = dir + QLatin1Char('/') + QLatin1String(detectionModelFile);
        if (paths.detectionModel.isEmpty() && QFileInfo::exists(model))
            paths.detectionModel = QDir::cleanPath(model);
        const QString tessdata = dir + QLatin1String("/tessdata");
        if (paths.tessdataDir.isEmpty() && hasLanguage(tessdata, QStringLiteral("eng"))) {
            paths.tessdataDir = QDir::cleanPath(tessdata);
            paths.bestIntData = true;
        }
    }
    // Debian's Latin-script model reads every Latin letter (ł, ø, ç, ë ...) and, measured on
    // file-list screenshots, more names than English and Dutch together: it comes first.
    const QString debian = QString::fromLatin1(debianTessdata);
    const QString bestIntDir = paths.tessdataDir;
    if (const char *languages = std::getenv("QUILLMORE_OCR_LANGUAGES"); languages && *languages)
        paths.languages = QString::fromLatin1(languages); // for measuring other language sets
    else if (hasLanguage(debian, QStringLiteral("Latin")))
        paths.languages = QStringLiteral("Latin");
    else
        paths.languages = hasLanguage(bestIntDir.isEmpty() ? debian : bestIntDir, QStringLiteral("nld"))
                              ? QStringLiteral("eng+nld")
                              : QStringLiteral("eng");
    if (paths.languages.contains(QLatin1String("Latin")) || bestIntDir.isEmpty()) {
        paths.tessdataDir = debian;
        paths.bestIntData = false;
    }
    return paths;
}

struct OcrEngine::Impl {
    OcrModelPaths paths;
    tesseract::TessBaseAPI tesseract;
    bool tesseractReady = false;
    cv::dnn::Net net;
    cv::Size netInputSize;
    bool detectorBroken = false;

    explicit Impl(OcrModelPaths p) : paths(std::move(p)) {}
    ~Impl() { tesseract.End(); }

    void startTesseract()
    {
        if (tesseractReady)
            return;
        // Recognition without dictionary correction: names are not words.
        const std::vector<std::string> names{"load_system_dawg", "load_freq_dawg", "load_punc_dawg",
                                             "load_number_dawg", "load_unambig_dawg", "load_bigram_dawg"};
        const std::vector<std::string> values(names.size(), "0");
        const QByteArray dir = QFile::encodeName(paths.tessdataDir);
        const QByteArray languages = paths.languages.toUtf8();
        if (tesseract.Init(dir.constData(), languages.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0,
                           &names, &values, false) != 0)
            throw OcrEngineError("Tesseract could not load its language data from " + dir.toStdString());
        tesseract.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
        tesseract.SetVariable("user_defined_dpi", "300");
        // Each crop is already dark on light: no second, inverted reading of doubtful lines.
        tesseract.SetVariable("tessedit_do_invert", "0");
        tesseract.SetVariable("debug_file", "/dev/null");
        tesseractReady = true;
    }

    bool neuralDetector() const { return !paths.detectionModel.isEmpty() && !detectorBroken; }

    // The network, loaded anew whenever the input size changes (OpenCV 4.6 returns no boxes for a
    // new input size on a network that has already run).
    bool prepareNet(cv::Size size)
    {
        if (!net.empty() && size == netInputSize)
            return true;
        try {
            net = cv::dnn::readNetFromONNX(QFile::encodeName(paths.detectionModel).toStdString());
            net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
            netInputSize = size;
            return !net.empty();
        } catch (const cv::Exception &) {
            detectorBroken = true;
            net = cv::dnn::Net();
            return false;
        }
    }

    std::vector<cv::Rect> detectNeural(const cv::Mat &bgr)
    {
        const int larger = std::max(bgr.cols, bgr.rows);
        double scale = std::min(double(detectionMaxSide) / larger, detectionMaxUpscale);
        if (larger < 960)
            scale = std::min(scale, 960.0 / larger);
        else
            scale = std::min(scale, 1.0);
        scale = std::max(scale, 0.05);
        const int w = std::max(32, int(std::lround(bgr.cols * scale / 32.0)) * 32);
        const int h = std::max(32, int(std::lround(bgr.rows * scale / 32.0)) * 32);
        const int clampedW = std::min(w, detectionMaxSide / 32 * 32);
        const int clampedH = std::min(h, detectionMaxSide / 32 * 32);
        cv::Mat resized;
        cv::resize(bgr, resized, cv::Size(clampedW, clampedH), 0, 0, cv::INTER_AREA);
        cv::Mat rgb;
        cv::cvtColor(resized, rgb, cv::COLOR_BGR2RGB);
        cv::Mat input;
        rgb.convertTo(input, CV_32FC3, 1.0 / 255.0);
        input -= cv::Scalar(0.485, 0.456, 0.406);
        cv::divide(input, cv::Scalar(0.229, 0.224, 0.225), input);
        const cv::Mat blob = cv::dnn::blobFromImage(input);
        if (!prepareNet(cv::Size(clampedW, clampedH)))
            return detectMorphological(bgr);
        cv::Mat out;
        try {
            net.setInput(blob);
            out = net.forward();
        } catch (const cv::Exception &) {
            detectorBroken = true;
            return detectMorphological(bgr);
        }
        const cv::Mat prob(out.size[2], out.size[3], CV_32F, out.ptr<float>());
        cv::Mat mask = prob > binaryThreshold;
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(mask, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
        const double sx = double(bgr.cols) / clampedW;
        const double sy = double(bgr.rows) / clampedH;
        std::vector<cv::Rect> boxes;
        for (const auto &contour : contours) {
            const cv::Rect r = cv::boundingRect(contour);
            if (std::min(r.width, r.height) < 2)
                continue;
            cv::Mat contourMask = cv::Mat::zeros(r.size(), CV_8U);
            std::vector<std::vector<cv::Point>> shifted{contour};
            for (auto &p : shifted[0])
                p -= r.tl();
            cv::fillPoly(contourMask, shifted, cv::Scalar(255));
            if (cv::mean(prob(r), contourMask)[0] < boxThreshold)
                continue;
            const double area = cv::contourArea(contour);
            const double perimeter = cv::arcLength(contour, true);
            const double d = perimeter > 0 ? area * unclipRatio / perimeter : 0;
            const int x0 = std::max(0, int(std::floor((r.x - d) * sx)));
            const int y0 = std::max(0, int(std::floor((r.y - d) * sy)));
            const int x1 = std::min(bgr.cols, int(std::ceil((r.x + r.width + d) * sx)));
            const int y1 = std::min(bgr.rows, int(std::ceil((r.y + r.height + d) * sy)));
            if (x1 - x0 >= 4 && y1 - y0 >= 4)
                boxes.emplace_back(x0, y0, x1 - x0, y1 - y0);
        }
        return boxes;
    }

    // Text lines found without a model: strong local contrast, joined along the line.
    std::vector<cv::Rect> detectMorphological(const cv::Mat &bgr)
    {
        cv::Mat grey;
        cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
        cv::Mat gradient;
        cv::morphologyEx(grey, gradient, cv::MORPH_GRADIENT, cv::getStructuringElement(cv::MORPH_ELLIPSE, {3, 3}));
        cv::Mat binary;
        cv::threshold(gradient, binary, std::max(40.0, otsu(gradient)), 255, cv::THRESH_BINARY);
        // Letters of one line are joined across gaps of up to about a letter's height; the wider
        // gaps between columns keep them apart.
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(binary.clone(), contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
        std::vector<int> heights;
        for (const auto &contour : contours) {
            const int h = cv::boundingRect(contour).height;
            if (h >= 6 && h <= 120)
                heights.push_back(h);
        }
        int letter = 12;
        if (!heights.empty()) {
            std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
            letter = heights[heights.size() / 2];
        }
        const int gap = std::max(3, int(std::lround(letter * 0.9)));
        cv::morphologyEx(binary, binary, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, {gap, 1}));
        contours.clear();
        cv::findContours(binary, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
        std::vector<cv::Rect> boxes;
        for (const auto &contour : contours) {
            cv::Rect r = cv::boundingRect(contour);
            if (r.height < 6 || r.height > 120 || r.width < 6 || r.width < r.height)
                continue;
            const int pad = std::max(2, r.height / 4);
            r = cv::Rect(r.x - pad, r.y - pad, r.width + 2 * pad, r.height + 2 * pad) & cv::Rect(0, 0, bgr.cols, bgr.rows);
            boxes.push_back(r);
        }
        return boxes;
    }

    std::vector<cv::Rect> detectBoxes(const cv::Mat &bgr)
    {
        return neuralDetector() ? detectNeural(bgr) : detectMorphological(bgr);
    }

    // A detected box split where its ink has a gap wider than about a letter's height: the labels
    // of neighbouring icons, or a name and the column beside it, that the detector took as one.
    // Pieces too narrow to hold a name (a lone icon) are left out.
    std::vector<cv::Rect> splitAtWideGaps(const cv::Mat &grey, const cv::Rect &box)
    {
        cv::Mat crop = grey(box).clone();
        cv::Mat sorted;
        cv::sort(crop.reshape(1, 1), sorted, cv::SORT_ASCENDING);
        if (sorted.at<uchar>(0, sorted.cols / 2) < 128)
            cv::bitwise_not(crop, crop);
        double lowest = 0, highest = 0;
        cv::minMaxLoc(crop, &lowest, &highest);
        if (highest - lowest < 24)
            return {};
        const cv::Mat ink = crop < otsu(crop);
        std::vector<int> rowsWithInk;
        for (int y = 0; y < ink.rows; ++y) {
            if (cv::countNonZero(ink.row(y)))
                rowsWithInk.push_back(y);
        }
        if (rowsWithInk.empty())
            return {};
        const int inkHeight = rowsWithInk.back() - rowsWithInk.front() + 1;
        const int wideGap = std::max(5, int(std::lround(inkHeight * 0.6)));
        std::vector<std::pair<int, int>> segments;
        int x = 0;
        while (x < ink.cols) {
            if (!cv::countNonZero(ink.col(x))) {
                ++x;
                continue;
            }
            int end = x + 1;
            int gap = 0;
            int lastInk = x;
            for (; end < ink.cols; ++end) {
                if (cv::countNonZero(ink.col(end))) {
                    lastInk = end;
                    gap = 0;
                } else if (++gap >= wideGap) {
                    break;
                }
            }
            segments.emplace_back(x, lastInk + 1);
            x = end;
        }
        std::vector<cv::Rect> pieces;
        const int margin = std::max(2, inkHeight / 3);
        for (const auto &[from, to] : segments) {
            if (to - from < inkHeight * 1.2 && segments.size() > 1)
                continue;
            const int left = std::max(0, from - margin);
            const int right = std::min(box.width, to + margin);
            pieces.emplace_back(box.x + left, box.y, right - left, box.height);
        }
        return pieces;
    }

    // The crop of one box, ready for Tesseract: grey, dark text on light, a leading file icon
    // trimmed off, text about 40 pixels high, with a white border. Empty when there is no ink.
    cv::Mat prepareCrop(const cv::Mat &bgr, const cv::Mat &grey, const cv::Rect &box)
    {
        cv::Mat crop = grey(box).clone();
        cv::Mat colour = bgr(box);
        // Background decides the polarity: most of a box is background.
        cv::Mat sorted = crop.reshape(1, 1).clone();
        cv::Mat sortedRow;
        cv::sort(sorted, sortedRow, cv::SORT_ASCENDING);
        const int median = sortedRow.at<uchar>(0, sortedRow.cols / 2);
        if (median < 128)
            cv::bitwise_not(crop, crop);
        // Stretch from the darkest ink to the background: the faint, anti-aliased strokes of dots
        // and underscores at small sizes then survive binarisation.
        {
            const int background = median < 128 ? 255 - median : median;
            double lowest = 0;
            cv::minMaxLoc(crop, &lowest);
            const int darkest = int(lowest);
            if (background - darkest >= 24) {
                cv::Mat lut(1, 256, CV_8U);
                for (int v = 0; v < 256; ++v)
                    lut.at<uchar>(0, v) = cv::saturate_cast<uchar>(255.0 * (v - darkest) / double(background - darkest));
                cv::LUT(crop, lut, crop);
            }
        }
        const double t = otsu(crop);
        cv::Mat ink = crop < t;
        // Columns that hold ink, and the runs they form.
        std::vector<int> columnInk(std::size_t(ink.cols), 0);
        for (int x = 0; x < ink.cols; ++x)
            columnInk[std::size_t(x)] = cv::countNonZero(ink.col(x));
        std::vector<std::pair<int, int>> runs;
        for (int x = 0; x < ink.cols;) {
            if (!columnInk[std::size_t(x)]) {
                ++x;
                continue;
            }
            int end = x;
            while (end < ink.cols && columnInk[std::size_t(end)])
                ++end;
            runs.emplace_back(x, end);
            x = end;
        }
        if (runs.empty())
            return {};
        int left = runs.front().first;
        // A file icon: the first blob, set apart from the text by a clear gap, taller than the
        // letters after it, and colourful or dense.
        if (runs.size() >= 2) {
            const auto [s, e] = runs.front();
            const int width = e - s;
            const int gapToText = runs[1].first - e;
            auto inkRows = [&ink](int x0, int x1) {
                int top = -1, bottom = -1;
                for (int y = 0; y < ink.rows; ++y) {
                    if (cv::countNonZero(ink(cv::Rect(x0, y, x1 - x0, 1)))) {
                        if (top < 0)
                            top = y;
                        bottom = y + 1;
                    }
                }
                return std::pair{top, bottom};
            };
            const auto [iconTop, iconBottom] = inkRows(s, e);
            const auto [textTop, textBottom] = inkRows(runs[1].first, runs.back().second);
            const int iconHeight = iconBottom - iconTop;
            const int textHeight = textBottom - textTop;
            if (iconHeight > 0 && textHeight > 0 && iconHeight >= textHeight * 1.15 && width >= iconHeight * 0.5 &&
                width <= iconHeight * 1.6 && gapToText >= std::max(2, textHeight / 5)) {
                cv::Mat hsv;
                cv::cvtColor(colour(cv::Rect(s, iconTop, width, iconHeight)), hsv, cv::COLOR_BGR2HSV);
                const double saturation = cv::mean(hsv)[1];
                const double density = double(cv::countNonZero(ink(cv::Rect(s, iconTop, width, iconHeight)))) /
                                       (width * iconHeight);
                if (saturation > 50 || density > 0.4)
                    left = runs[1].first;
            }
        }
        const int right = runs.back().second;
        int top = ink.rows, bottom = 0;
        for (int y = 0; y < ink.rows; ++y) {
            if (cv::countNonZero(ink(cv::Rect(left, y, right - left, 1)))) {
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
        if (bottom <= top)
            return {};
        const int margin = std::max(1, (bottom - top) / 5);
        const cv::Rect textRect = cv::Rect(left - margin, top - margin, right - left + 2 * margin,
                                           bottom - top + 2 * margin) &
                                  cv::Rect(0, 0, crop.cols, crop.rows);
        cv::Mat text = crop(textRect);
        const double scale = std::clamp(targetTextHeight / double(bottom - top), 0.5, 8.0);
        cv::Mat scaled;
        cv::resize(text, scaled, cv::Size(), scale, scale, scale > 1 ? cv::INTER_LANCZOS4 : cv::INTER_AREA);
        cv::Mat bordered;
        cv::copyMakeBorder(scaled, bordered, recognitionBorder, recognitionBorder, recognitionBorder,
                           recognitionBorder, cv::BORDER_CONSTANT, cv::Scalar(255));
        return bordered;
    }

    OcrTextBox readBox(const cv::Mat &prepared, const QRect &rect, const std::stop_token &stop)
    {
        tesseract.SetImage(prepared.data, prepared.cols, prepared.rows, 1, int(prepared.step));
        tesseract::ETEXT_DESC monitor;
        monitor.cancel = &tesseractCancel;
        monitor.cancel_this = const_cast<std::stop_token *>(&stop);
        const int status = tesseract.Recognize(&monitor);
        throwIfCancelled(stop);
        OcrTextBox box;
        box.rect = rect;
        if (status != 0)
            return box;
        std::unique_ptr<char[]> text(tesseract.GetUTF8Text());
        box.text = text ? QString::fromUtf8(text.get()).trimmed() : QString();
        box.text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        box.confidence = float(std::clamp(tesseract.MeanTextConf(), 0, 100)) / 100.0f;
        return box;
    }
};

OcrEngine::OcrEngine(OcrModelPaths paths) : m_paths(std::move(paths)) {}

OcrEngine::~OcrEngine() = default;

OcrEngine::Impl &OcrEngine::impl()
{
    if (!m_impl)
        m_impl = std::make_unique<Impl>(m_paths);
    return *m_impl;
}

bool OcrEngine::usesNeuralDetector()
{
    std::lock_guard lock(m_mutex);
    return impl().neuralDetector();
}

QList<QRect> OcrEngine::detect(const QImage &image, const std::stop_token &stop)
{
    std::lock_guard lock(m_mutex);
    throwIfCancelled(stop);
    if (image.isNull())
        return {};
    return inReadingOrder(impl().detectBoxes(toBgr(image)));
}

QList<OcrTextBox> OcrEngine::recognize(const QImage &image, const std::stop_token &stop)
{
    std::lock_guard lock(m_mutex);
    throwIfCancelled(stop);
    Impl &engine = impl();
    engine.startTesseract();
    if (image.isNull())
        return {};
    const cv::Mat bgr = toBgr(image);
    cv::Mat grey;
    cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
    std::vector<cv::Rect> pieces;
    for (const cv::Rect &box : engine.detectBoxes(bgr)) {
        for (const cv::Rect &piece : engine.splitAtWideGaps(grey, box))
            pieces.push_back(piece);
    }
    const QList<QRect> boxes = inReadingOrder(pieces);
    throwIfCancelled(stop);
    QList<OcrTextBox> result;
    for (const QRect &rect : boxes) {
        throwIfCancelled(stop);
        const cv::Mat prepared = engine.prepareCrop(bgr, grey, cv::Rect(rect.x(), rect.y(), rect.width(), rect.height()));
        if (prepared.empty())
            continue;
        OcrTextBox box = engine.readBox(prepared, rect, stop);
        // 'Smith 0042.jpg': a file name whose thin underscore was lost. A second reading with the
        // strokes thickened keeps it when it reads the name without the gap.
        static const QRegularExpression lostUnderscore(QStringLiteral("\\p{L} \\d+\\.\\p{L}{3,4}$"),
                                                       QRegularExpression::UseUnicodePropertiesOption);
        if (lostUnderscore.match(box.text).hasMatch()) {
            cv::Mat thick;
            cv::erode(prepared, thick, cv::getStructuringElement(cv::MORPH_RECT, {3, 3}));
            const OcrTextBox again = engine.readBox(thick, rect, stop);
            if (again.text.count(QLatin1Char(' ')) < box.text.count(QLatin1Char(' ')) &&
                std::abs(again.text.size() - box.text.size()) <= 1)
                box = again;
        }
        if (!box.text.isEmpty())
            result.append(box);
    }
    engine.tesseract.Clear();
    throwIfCancelled(stop);
    return result;
}

} // namespace quillmore
