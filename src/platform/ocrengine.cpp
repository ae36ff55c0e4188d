#include "ocrengine.h"

#include "model/cancellation.h"
#include "textpolarity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <sched.h>
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
// Letters this high (outline height, in pixels) count as large; the detector reads them brought
// down to about detectionLetter.
constexpr int largeLetter = 18;
constexpr double detectionLetter = 14.0;
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
    std::sort(boxes.begin(), boxes.end(),
              [](const cv::Rect &a, const cv::Rect &b) { return a.y + a.height / 2 < b.y + b.height / 2; });
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

// Boxes the detector cut apart inside one line, most often at an underscore (thin, on the
// baseline): two wide boxes side by side, level with each other, with a gap of less than half
// their height, become one. File icons (about square) and the next column stay apart.
std::vector<cv::Rect> joinPiecesOfOneLine(std::vector<cv::Rect> boxes)
{
    auto wide = [](const cv::Rect &r) { return r.width >= 1.3 * r.height; };
    bool joined = true;
    while (joined) {
        joined = false;
        std::sort(boxes.begin(), boxes.end(), [](const cv::Rect &a, const cv::Rect &b) { return a.x < b.x; });
        for (std::size_t i = 0; i < boxes.size() && !joined; ++i) {
            for (std::size_t j = i + 1; j < boxes.size(); ++j) {
                const cv::Rect &a = boxes[i];
                const cv::Rect &b = boxes[j];
                const int height = std::max(a.height, b.height);
                const int gap = b.x - (a.x + a.width);
                if (gap > 0.5 * height)
                    continue;
                const int overlap = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
                if (!wide(a) || !wide(b) || overlap < 0.6 * std::min(a.height, b.height)
                    || std::abs(a.height - b.height) > 0.3 * height)
                    continue;
                boxes[i] = a | b;
                boxes.erase(boxes.begin() + std::ptrdiff_t(j));
                joined = true;
                break;
            }
        }
    }
    return boxes;
}

bool tesseractCancel(void *token, int)
{
    return static_cast<const std::stop_token *>(token)->stop_requested();
}

// The median value of an 8-bit, one-channel image or region: most of a box is background.
int medianLevel(const cv::Mat &grey)
{
    std::array<long, 256> histogram{};
    for (int y = 0; y < grey.rows; ++y) {
        const uchar *row = grey.ptr<uchar>(y);
        for (int x = 0; x < grey.cols; ++x)
            ++histogram[row[x]];
    }
    const long half = long(grey.total()) / 2;
    long seen = 0;
    for (int level = 0; level < 256; ++level) {
        seen += histogram[std::size_t(level)];
        if (seen > half)
            return level;
    }
    return 255;
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

int concurrentRecognitionLimit()
{
    int processors = 1;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) == 0)
        processors = std::max(1, CPU_COUNT(&set));
    else
        processors = int(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
    // MemAvailable, in kB: what can be used without swapping.
    constexpr qint64 bytesPerRecognition = qint64(1024) * 1024 * 1024;
    qint64 available = -1;
    if (FILE *meminfo = std::fopen("/proc/meminfo", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, meminfo)) {
            long long kib = 0;
            if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) {
                available = qint64(kib) * 1024;
                break;
            }
        }
        std::fclose(meminfo);
    }
    int byMemory = processors;
    if (available >= 0)
        byMemory = int(std::max<qint64>(1, available / bytesPerRecognition));
    return std::max(1, std::min(processors, byMemory));
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

    // Where the last prepared crop came from: a point p on it lies at
    // cropOrigin + (p - border) / cropScale in the image.
    cv::Point2d cropOrigin;
    double cropScale = 1.0;
    QRect cropText; // the text on it (icon trimmed off), in image coordinates

    QByteArray characters; // UTF-8; empty for all the language data knows

    Impl(OcrModelPaths p, const QString &c) : paths(std::move(p)), characters(c.toUtf8()) {}

    QRect fromCrop(int left, int top, int right, int bottom) const
    {
        auto x = [this](int v) { return int(std::lround(cropOrigin.x + (v - recognitionBorder) / cropScale)); };
        auto y = [this](int v) { return int(std::lround(cropOrigin.y + (v - recognitionBorder) / cropScale)); };
        return QRect(QPoint(x(left), y(top)), QPoint(x(right) - 1, y(bottom) - 1));
    }
    ~Impl() { tesseract.End(); }

    void startTesseract()
    {
        if (tesseractReady)
            return;
        // Recognition without dictionary correction: names are not words.
        const std::vector<std::string> names{"load_system_dawg", "load_freq_dawg",    "load_punc_dawg",
                                             "load_number_dawg", "load_unambig_dawg", "load_bigram_dawg"};
        const std::vector<std::string> values(names.size(), "0");
        // Each language's data must be there: Tesseract's own failure does not say which is not.
        if (paths.tessdataDir.isEmpty() || !QFileInfo(paths.tessdataDir).isDir())
            throw FailureError(FailureCode::recognitionUnavailable, ENOENT,
                               paths.tessdataDir.isEmpty() ? QStringLiteral("tessdata") : paths.tessdataDir);
        for (const QString &language : paths.languages.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
            if (!hasLanguage(paths.tessdataDir, language))
                throw FailureError(FailureCode::recognitionUnavailable, ENOENT,
                                   paths.tessdataDir + QLatin1Char('/') + language + QLatin1String(".traineddata"));
        }
        const QByteArray dir = QFile::encodeName(paths.tessdataDir);
        const QByteArray languages = paths.languages.toUtf8();
        if (tesseract.Init(dir.constData(), languages.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0, &names,
                           &values, false)
            != 0)
            throw FailureError(FailureCode::recognitionUnavailable, 0, paths.tessdataDir, "tesseract init");
        tesseract.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
        tesseract.SetVariable("user_defined_dpi", "300");
        // Each crop is already dark on light: no second, inverted reading of doubtful lines.
        tesseract.SetVariable("tessedit_do_invert", "0");
        tesseract.SetVariable("debug_file", "/dev/null");
        if (!characters.isEmpty())
            tesseract.SetVariable("tessedit_char_whitelist", characters.constData());
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
        // Large text (a 2x screen, a big font) is found as well at a smaller size, at a fraction
        // of the cost: letters are brought down to about the size of normal screen text.
        const int letter = typicalLetterHeight(edges(bgr));
        if (letter >= largeLetter)
            scale = std::min(scale, double(detectionLetter) / letter);
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
    // Strong local contrast: the outlines of letters (and of everything else).
    static cv::Mat edges(const cv::Mat &bgr)
    {
        cv::Mat grey;
        cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
        cv::Mat gradient;
        cv::morphologyEx(grey, gradient, cv::MORPH_GRADIENT, cv::getStructuringElement(cv::MORPH_ELLIPSE, {3, 3}));
        cv::Mat binary;
        cv::threshold(gradient, binary, std::max(40.0, otsu(gradient)), 255, cv::THRESH_BINARY);
        return binary;
    }

    // The median height of the outlined shapes of a plausible letter size: on a screenshot,
    // mostly letters and words.
    static int typicalLetterHeight(const cv::Mat &binary)
    {
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(binary.clone(), contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
        std::vector<int> heights;
        for (const auto &contour : contours) {
            const int h = cv::boundingRect(contour).height;
            if (h >= 6 && h <= 120)
                heights.push_back(h);
        }
        if (heights.empty())
            return 12;
        std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
        return heights[heights.size() / 2];
    }

    std::vector<cv::Rect> detectMorphological(const cv::Mat &bgr)
    {
        cv::Mat binary = edges(bgr);
        // Letters of one line are joined across gaps of up to about a letter's height; the wider
        // gaps between columns keep them apart.
        const int letter = typicalLetterHeight(binary);
        std::vector<std::vector<cv::Point>> contours;
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
            r = cv::Rect(r.x - pad, r.y - pad, r.width + 2 * pad, r.height + 2 * pad)
                & cv::Rect(0, 0, bgr.cols, bgr.rows);
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
        if (lightInk(crop))
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

    // The box grown down over a horizontal stroke just below it, across at most a row or two of
    // background: an underscore under the baseline that the detector left out. The next line
    // further down, past a wider gap, stays out, and so does ink that is no stroke.
    cv::Rect extendOverStrokeBelow(const cv::Mat &grey, const cv::Rect &box)
    {
        const cv::Mat inside = grey(box);
        const int median = medianLevel(inside);
        const bool darkBackground = lightInk(inside);
        double lowest = 0, highest = 0;
        cv::minMaxLoc(inside, &lowest, &highest);
        const double contrast = darkBackground ? highest - median : median - lowest;
        if (contrast < 24)
            return box;
        const double threshold = darkBackground ? median + 0.5 * contrast : median - 0.5 * contrast;
        const int allowedGap = std::max(2, box.height / 8);
        const int maxThickness = std::max(2, box.height / 6);
        const int limit = std::min(grey.rows, box.y + box.height + box.height / 2);
        int bottom = box.y + box.height;
        int blank = 0, inkRows = 0, longestRun = 0;
        for (int y = box.y + box.height; y < limit && blank <= allowedGap; ++y) {
            const cv::Mat row = grey(cv::Rect(box.x, y, box.width, 1));
            const cv::Mat inked = darkBackground ? row > threshold : row < threshold;
            if (!cv::countNonZero(inked)) {
                ++blank;
                continue;
            }
            if (++inkRows > maxThickness)
                return box; // more than a stroke: letters of the next line, or a picture
            int run = 0;
            for (int x = 0; x < inked.cols; ++x) {
                run = inked.at<uchar>(0, x) ? run + 1 : 0;
                longestRun = std::max(longestRun, run);
            }
            bottom = y + 1;
            blank = 0;
        }
        if (inkRows == 0 || longestRun < box.height / 2)
            return box;
        return cv::Rect(box.x, box.y, box.width, bottom - box.y);
    }

    // Where a colourful shape at the left of the crop ends (0 when there is none): columns with
    // pixels far more saturated than the background, from within about a letter's height of the
    // left edge, with gaps of at most a few columns.
    static int leadingColourEnd(const cv::Mat &colour, int height)
    {
        cv::Mat hsv;
        cv::cvtColor(colour, hsv, cv::COLOR_BGR2HSV);
        std::vector<cv::Mat> channels;
        cv::split(hsv, channels);
        const cv::Mat &saturation = channels[1];
        const int background = medianLevel(saturation);
        const cv::Mat vivid = saturation > std::min(255, background + 80);
        const int searchFrom = std::min(vivid.cols, height);
        int start = -1, end = 0, gap = 0;
        for (int x = 0; x < vivid.cols; ++x) {
            const bool colourful = cv::countNonZero(vivid.col(x)) >= 2;
            if (start < 0) {
                if (colourful)
                    start = x;
                else if (x >= searchFrom)
                    return 0;
                continue;
            }
            if (colourful) {
                end = x + 1;
                gap = 0;
            } else if (++gap > 3) {
                break;
            }
        }
        // An icon is about as wide as high; a longer colourful stretch is coloured text.
        if (start < 0 || end - start < 3 || end - start > 2 * height)
            return 0;
        return end;
    }

    // The crop of one box, ready for Tesseract: grey, dark text on light, a leading file icon
    // trimmed off, text about 40 pixels high, with a white border. Empty when there is no ink.
    cv::Mat prepareCrop(const cv::Mat &bgr, const cv::Mat &grey, const cv::Rect &box)
    {
        cv::Mat crop = grey(box).clone();
        cv::Mat colour = bgr(box);
        // Background decides the polarity.
        const int median = medianLevel(crop);
        const bool inverted = lightInk(crop);
        if (inverted)
            cv::bitwise_not(crop, crop);
        // Stretch from the darkest ink to the background: the faint, anti-aliased strokes of dots
        // and underscores at small sizes then survive binarisation.
        {
            const int background = inverted ? 255 - median : median;
            double lowest = 0;
            cv::minMaxLoc(crop, &lowest);
            const int darkest = int(lowest);
            if (background - darkest >= 24) {
                cv::Mat lut(1, 256, CV_8U);
                for (int v = 0; v < 256; ++v)
                    lut.at<uchar>(0,
                                  v) = cv::saturate_cast<uchar>(255.0 * (v - darkest) / double(background - darkest));
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
        // A sliver at the left edge is what the box cut off of something beside the text (the
        // edge of an icon): it holds no letter.
        if (runs.size() >= 2 && runs.front().first == 0 && runs.front().second <= std::max(2, ink.rows / 12)
            && runs[1].first - runs.front().second >= 2)
            runs.erase(runs.begin());
        // A picture file's icon at the start: columns more colourful than the background, however
        // its light parts fall in the ink runs. It and what touches it (its grey edge or a folded
        // corner) are left out; the text starts after a gap.
        const int colourEnd = leadingColourEnd(colour, ink.rows);
        if (colourEnd > 0) {
            const int touching = colourEnd + std::max(2, ink.rows / 6);
            while (runs.size() >= 2 && runs.front().first < touching)
                runs.erase(runs.begin());
        }
        int left = runs.front().first;
        // A file icon: the first blob, colourful beside grey letters, or set apart from the text
        // by a clear gap, taller than the letters after it and dense.
        if (runs.size() >= 2 && colourEnd == 0) {
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
            if (iconHeight > 0 && textHeight > 0 && width >= iconHeight * 0.5 && width <= iconHeight * 1.6) {
                const cv::Rect iconRect(s, iconTop, width, iconHeight);
                cv::Mat hsv;
                cv::cvtColor(colour(iconRect), hsv, cv::COLOR_BGR2HSV);
                // Saturation where the blob has ink: letters are grey (or all one colour when
                // selected), a picture file's icon is colourful.
                const double saturation = cv::mean(hsv, ink(iconRect))[1];
                cv::Mat textHsv;
                const cv::Rect textRect(runs[1].first, 0, runs.back().second - runs[1].first, ink.rows);
                cv::cvtColor(colour(textRect), textHsv, cv::COLOR_BGR2HSV);
                const double textSaturation = cv::mean(textHsv, ink(textRect))[1];
                const double density = double(cv::countNonZero(ink(iconRect))) / (width * iconHeight);
                const bool taller = iconHeight >= textHeight * 1.15;
                const bool apart = gapToText >= std::max(2, textHeight / 5);
                if ((saturation > 50 && saturation > textSaturation + 30) || (apart && taller && density > 0.4))
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
                                           bottom - top + 2 * margin)
            & cv::Rect(0, 0, crop.cols, crop.rows);
        cv::Mat text = crop(textRect);
        const double scale = std::clamp(targetTextHeight / double(bottom - top), 0.5, 8.0);
        cv::Mat scaled;
        cv::resize(text, scaled, cv::Size(), scale, scale, scale > 1 ? cv::INTER_LANCZOS4 : cv::INTER_AREA);
        cv::Mat bordered;
        cv::copyMakeBorder(scaled, bordered, recognitionBorder, recognitionBorder, recognitionBorder, recognitionBorder,
                           cv::BORDER_CONSTANT, cv::Scalar(255));
        cropOrigin = cv::Point2d(box.x + textRect.x, box.y + textRect.y);
        cropScale = scale;
        cropText = QRect(box.x + textRect.x, box.y + textRect.y, textRect.width, textRect.height);
        return bordered;
    }

    // The line as read, with the marks that look alike at small sizes set by where their ink
    // lies: a dash on the baseline is an underscore, a dash at middle height a hyphen, and a gap
    // between words with a stroke along the baseline an underscore read as a space.
    QString lineFromSymbols(const cv::Mat &prepared, QList<OcrWord> *words)
    {
        using tesseract::RIL_SYMBOL;
        using tesseract::RIL_TEXTLINE;
        using tesseract::RIL_WORD;
        std::unique_ptr<tesseract::ResultIterator> it(tesseract.GetIterator());
        if (!it || it->Empty(RIL_SYMBOL))
            return {};
        int bx1 = 0, by1 = 0, bx2 = 0, by2 = 0;
        const bool haveBaseline = it->Baseline(RIL_TEXTLINE, &bx1, &by1, &bx2, &by2);
        int lineLeft = 0, lineTop = 0, lineRight = 0, lineBottom = 0;
        it->BoundingBox(RIL_TEXTLINE, &lineLeft, &lineTop, &lineRight, &lineBottom);
        auto baselineAt = [&](double x) {
            if (!haveBaseline)
                return double(lineBottom);
            if (bx2 == bx1)
                return double(by1);
            return by1 + double(by2 - by1) * (x - bx1) / double(bx2 - bx1);
        };
        const double capHeight = std::max(4.0, baselineAt((lineLeft + lineRight) / 2.0) - lineTop);
        const cv::Mat ink = prepared < otsu(prepared);
        // What the columns [from, to) hold: '_' for a thin stroke along the baseline, '-' for
        // one at middle height, nothing otherwise. A stroke must be long: a dot or comma on the
        // baseline is none.
        auto dashIn = [&](int from, int to, double shortestUnderscore = 0.2) -> QChar {
            from = std::max(from, 0);
            to = std::min(to, ink.cols);
            int lowRun = 0, longestLow = 0, middleRun = 0, longestMiddle = 0;
            for (int x = from; x < to; ++x) {
                const double base = baselineAt(x);
                const int y0 = std::clamp(int(std::lround(base - 1.1 * capHeight)), 0, ink.rows);
                const int y1 = std::clamp(int(std::lround(base + 0.4 * capHeight)), 0, ink.rows);
                // The column's ink must be one thin run; where its middle lies says what it is.
                int first = -1, last = -1, runs = 0;
                for (int y = y0; y < y1; ++y) {
                    if (!ink.at<uchar>(y, x))
                        continue;
                    if (last != y - 1)
                        ++runs;
                    if (first < 0)
                        first = y;
                    last = y;
                }
                bool low = false, middle = false;
                if (runs == 1 && last - first + 1 <= 0.3 * capHeight) {
                    const double centre = (first + last) / 2.0;
                    low = centre >= base - 0.12 * capHeight;
                    middle = centre <= base - 0.2 * capHeight && centre >= base - 0.7 * capHeight;
                }
                lowRun = low ? lowRun + 1 : 0;
                middleRun = middle ? middleRun + 1 : 0;
                longestLow = std::max(longestLow, lowRun);
                longestMiddle = std::max(longestMiddle, middleRun);
            }
            if (longestLow >= shortestUnderscore * capHeight)
                return QLatin1Char('_');
            if (longestMiddle >= 0.15 * capHeight && longestLow == 0)
                return QLatin1Char('-');
            return {};
        };
        QString text;
        int previousWordRight = -1;
        QChar separator;
        // The words between spaces, each with the box of its symbols.
        qsizetype wordStart = 0, currentWordStart = 0;
        cv::Rect wordBox;
        bool haveWordBox = false;
        std::vector<std::pair<qsizetype, cv::Rect>> wordBoxes;
        do {
            if (it->Empty(RIL_SYMBOL))
                continue;
            if (it->IsAtBeginningOf(RIL_WORD) && !text.isEmpty()) {
                int l = 0, t = 0, r = 0, b = 0;
                it->BoundingBox(RIL_WORD, &l, &t, &r, &b);
                // Words whose boxes touch were read apart at a stroke under both: look around
                // the join then.
                const int reach = l - previousWordRight <= 2 ? int(0.25 * capHeight) : 0;
                const bool stroke = dashIn(std::min(previousWordRight, l) - reach,
                                           std::max(previousWordRight, l) + reach)
                    == QLatin1Char('_');
                // A wide gap parts two words, or two names, unless an underscore fills it.
                if (l - previousWordRight > (stroke ? 1.2 : 0.6) * capHeight)
                    separator = QLatin1Char(' ');
                else
                    separator = stroke ? QLatin1Char('_') : QLatin1Char('~');
            }
            std::unique_ptr<char[]> utf8(it->GetUTF8Text(RIL_SYMBOL));
            QString symbol = utf8 ? QString::fromUtf8(utf8.get()) : QString();
            // Dashes, and the comma or full stop an underscore is taken for.
            static const QString dashes = QStringLiteral("-_,.\u2010\u2011\u2012\u2013\u2014\u2015\u2212");
            if (symbol.size() == 1 && dashes.contains(symbol.front())) {
                int l = 0, t = 0, r = 0, b = 0;
                // The box's middle: its edges often take in the letters beside it.
                if (it->BoundingBox(RIL_SYMBOL, &l, &t, &r, &b)) {
                    const int inset = (r - l) / 8;
                    // A point stays one unless it ends the line (where a wrap leaves an
                    // underscore alone) and is far longer than a point.
                    const bool point = symbol == QLatin1String(",") || symbol == QLatin1String(".");
                    const QChar dash = dashIn(l + inset, r - inset, point ? 0.3 : 0.2);
                    const bool last = it->IsAtFinalElement(RIL_TEXTLINE, RIL_SYMBOL);
                    if ((dash == QLatin1Char('_') && (!point || last)) || (dash == QLatin1Char('-') && !point))
                        symbol = dash;
                }
            }
            if (!separator.isNull()) {
                // A narrow gap beside an underscore is no gap at all.
                const bool besideUnderscore = text.endsWith(QLatin1Char('_')) || symbol == QLatin1String("_");
                if (separator == QLatin1Char(' ') || !besideUnderscore)
                    text += separator == QLatin1Char('~') ? QLatin1Char(' ') : separator;
                if (text.endsWith(QLatin1Char(' ')))
                    wordStart = text.size();
                separator = QChar();
            }
            text += symbol;
            {
                int l = 0, t = 0, r = 0, b = 0;
                if (it->BoundingBox(RIL_SYMBOL, &l, &t, &r, &b)) {
                    if (wordStart != currentWordStart || !haveWordBox) {
                        if (haveWordBox)
                            wordBoxes.push_back({currentWordStart, wordBox});
                        currentWordStart = wordStart;
                        wordBox = cv::Rect(l, t, r - l, b - t);
                        haveWordBox = true;
                    } else {
                        wordBox |= cv::Rect(l, t, r - l, b - t);
                    }
                }
            }
            if (it->IsAtFinalElement(RIL_WORD, RIL_SYMBOL)) {
                int l = 0, t = 0, r = 0, b = 0;
                it->BoundingBox(RIL_WORD, &l, &t, &r, &b);
                previousWordRight = r;
            }
        } while (it->Next(RIL_SYMBOL));
        if (haveWordBox)
            wordBoxes.push_back({currentWordStart, wordBox});
        if (words && wordBoxes.size() >= 2) {
            for (std::size_t k = 0; k < wordBoxes.size(); ++k) {
                const qsizetype from = wordBoxes[k].first;
                const qsizetype to = k + 1 < wordBoxes.size() ? wordBoxes[k + 1].first : text.size();
                const QString word = text.mid(from, to - from).trimmed();
                const cv::Rect &r = wordBoxes[k].second;
                if (!word.isEmpty())
                    words->append(OcrWord{fromCrop(r.x, r.y, r.x + r.width, r.y + r.height), word});
            }
        }
        return text.trimmed();
    }

    // Each rectangle of the image read as one line, in order; those read as empty are left out.
    // With `retryThickened`, a line that looks like a name whose underscore was lost ('Smith
    // 0042.jpg') is read again with its strokes thickened, and that reading kept when it closes
    // the gap.
    QList<OcrTextBox> readBoxes(const cv::Mat &bgr, const QList<QRect> &rects, bool retryThickened,
                                const std::stop_token &stop)
    {
        cv::Mat grey;
        cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
        static const QRegularExpression lostUnderscore(QStringLiteral("\\p{L} \\d+\\.\\p{L}{3,4}$"),
                                                       QRegularExpression::UseUnicodePropertiesOption);
        QList<OcrTextBox> result;
        for (const QRect &rect : rects) {
            throwIfCancelled(stop);
            const cv::Mat prepared = prepareCrop(bgr, grey, cv::Rect(rect.x(), rect.y(), rect.width(), rect.height()));
            if (prepared.empty())
                continue;
            OcrTextBox box = readBox(prepared, rect, stop);
            if (retryThickened && lostUnderscore.match(box.text).hasMatch()) {
                cv::Mat thick;
                cv::erode(prepared, thick, cv::getStructuringElement(cv::MORPH_RECT, {3, 3}));
                const OcrTextBox again = readBox(thick, rect, stop);
                if (again.text.count(QLatin1Char(' ')) < box.text.count(QLatin1Char(' '))
                    && std::abs(again.text.size() - box.text.size()) <= 1)
                    box = again;
            }
            if (!box.text.isEmpty())
                result.append(box);
        }
        tesseract.Clear();
        throwIfCancelled(stop);
        return result;
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
        // Where the text is: the layout of labels and rows is judged by it, not by the box found.
        box.rect = cropText.isValid() ? cropText : rect;
        if (status != 0)
            return box;
        box.text = lineFromSymbols(prepared, &box.words);
        box.confidence = float(std::clamp(tesseract.MeanTextConf(), 0, 100)) / 100.0f;
        return box;
    }
};

OcrEngine::OcrEngine(OcrModelPaths paths, QString characters)
    : m_paths(std::move(paths)), m_characters(std::move(characters))
{
}

OcrEngine::~OcrEngine() = default;

OcrEngine::Impl &OcrEngine::impl()
{
    if (!m_impl)
        m_impl = std::make_unique<Impl>(m_paths, m_characters);
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

QList<OcrTextBox> OcrEngine::recognizeRegions(const QImage &image, const QList<QRect> &regions,
                                              const std::stop_token &stop)
{
    std::lock_guard lock(m_mutex);
    throwIfCancelled(stop);
    Impl &engine = impl();
    engine.startTesseract();
    if (image.isNull())
        return {};
    QList<QRect> rects;
    for (const QRect &region : regions) {
        const QRect rect = region & image.rect();
        if (rect.width() >= 4 && rect.height() >= 4)
            rects.append(rect);
    }
    return engine.readBoxes(toBgr(image), rects, false, stop);
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
    for (const cv::Rect &box : joinPiecesOfOneLine(engine.detectBoxes(bgr))) {
        for (const cv::Rect &piece : engine.splitAtWideGaps(grey, engine.extendOverStrokeBelow(grey, box)))
            pieces.push_back(piece);
    }
    const QList<QRect> boxes = inReadingOrder(pieces);
    // A short box right before a longer one on its row: the file icon beside a name. It holds
    // no name, and reading it costs as much as reading the name.
    auto iconBesideText = [&boxes](const QRect &rect) {
        if (rect.width() >= 1.5 * rect.height())
            return false;
        for (const QRect &other : boxes) {
            const int gap = other.left() - (rect.left() + rect.width());
            const int overlap = std::min(rect.bottom(), other.bottom()) - std::max(rect.top(), other.top());
            if (other != rect && gap >= -2 && gap <= rect.height() / 2 && overlap >= rect.height() / 2
                && other.width() >= 2 * rect.width())
                return true;
        }
        return false;
    };
    QList<QRect> toRead;
    for (const QRect &rect : boxes) {
        if (!iconBesideText(rect))
            toRead.append(rect);
    }
    throwIfCancelled(stop);
    return engine.readBoxes(bgr, toRead, true, stop);
}

} // namespace quillmore
