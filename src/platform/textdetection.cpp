#include "textdetection.h"

#include "textpolarity.h"

#include <QFile>
#include <QImage>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillmore {

namespace {

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

// Strong local contrast: the outlines of letters (and of everything else).
cv::Mat edges(const cv::Mat &bgr)
{
    cv::Mat grey;
    cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
    cv::Mat gradient;
    cv::morphologyEx(grey, gradient, cv::MORPH_GRADIENT, cv::getStructuringElement(cv::MORPH_ELLIPSE, {3, 3}));
    cv::Mat binary;
    cv::threshold(gradient, binary, std::max(40.0, otsuLevel(gradient)), 255, cv::THRESH_BINARY);
    return binary;
}

// The median height of the outlined shapes of a plausible letter size: on a screenshot,
// mostly letters and words. A shape that holds several others is no letter but what they stand
// on: the highlight of a selected label or row holds its letters, and on a screenshot of a whole
// selection the highlights would otherwise pass for the letters. The shapes inside a letter's
// outline (the inner edge of an 'o' in thick strokes) are no letters either.
int typicalLetterHeight(const cv::Mat &binary)
{
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy; // next, previous, first child, parent
    cv::findContours(binary.clone(), contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_SIMPLE);
    // How many outlines each outline holds right inside its holes; outlines lie at even depths
    // of the tree, holes at odd ones.
    const int count = int(contours.size());
    auto depth = [&hierarchy](int i) {
        int d = 0;
        for (int p = hierarchy[std::size_t(i)][3]; p >= 0; p = hierarchy[std::size_t(p)][3])
            ++d;
        return d;
    };
    std::vector<int> depths(static_cast<std::size_t>(count), 0), inside(static_cast<std::size_t>(count), 0);
    for (int i = 0; i < count; ++i) {
        depths[std::size_t(i)] = depth(i);
        const int hole = hierarchy[std::size_t(i)][3];
        if (depths[std::size_t(i)] % 2 == 0 && hole >= 0)
            ++inside[std::size_t(hierarchy[std::size_t(hole)][3])];
    }
    auto container = [&inside](int i) { return inside[std::size_t(i)] >= 3; };
    std::vector<int> heights;
    for (int i = 0; i < count; ++i) {
        // A shape counts when it is no container and lies on the page or right inside a container.
        const int hole = hierarchy[std::size_t(i)][3];
        if (depths[std::size_t(i)] % 2 != 0 || container(i)
            || (hole >= 0 && !container(hierarchy[std::size_t(hole)][3])))
            continue;
        const int h = cv::boundingRect(contours[std::size_t(i)]).height;
        if (h >= 6 && h <= 120)
            heights.push_back(h);
    }
    if (heights.empty())
        return 12;
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    return heights[heights.size() / 2];
}

} // namespace

int letterHeight(const cv::Mat &bgr)
{
    return typicalLetterHeight(edges(bgr));
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

TextDetector::TextDetector(QString modelPath) : m_modelPath(std::move(modelPath)) {}

// The network, loaded anew whenever the input size changes (OpenCV 4.6 returns no boxes for a
// new input size on a network that has already run).
bool TextDetector::prepareNet(cv::Size size)
{
    if (!m_net.empty() && size == m_netInputSize)
        return true;
    try {
        m_net = cv::dnn::readNetFromONNX(QFile::encodeName(m_modelPath).toStdString());
        m_net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
        m_netInputSize = size;
        return !m_net.empty();
    } catch (const cv::Exception &) {
        m_broken = true;
        m_net = cv::dnn::Net();
        return false;
    }
}

std::vector<cv::Rect> TextDetector::detectNeural(const cv::Mat &bgr)
{
    const int larger = std::max(bgr.cols, bgr.rows);
    double scale = std::min(double(detectionMaxSide) / larger, detectionMaxUpscale);
    if (larger < 960)
        scale = std::min(scale, 960.0 / larger);
    else
        scale = std::min(scale, 1.0);
    // Large text (a 2x screen, a big font) is found as well at a smaller size, at a fraction
    // of the cost: letters are brought down to about the size of normal screen text.
    const int letter = letterHeight(bgr);
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
        return detectLinesMorphologically(bgr);
    cv::Mat out;
    try {
        m_net.setInput(blob);
        out = m_net.forward();
    } catch (const cv::Exception &) {
        m_broken = true;
        return detectLinesMorphologically(bgr);
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
std::vector<cv::Rect> detectLinesMorphologically(const cv::Mat &bgr)
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
        r = cv::Rect(r.x - pad, r.y - pad, r.width + 2 * pad, r.height + 2 * pad) & cv::Rect(0, 0, bgr.cols, bgr.rows);
        boxes.push_back(r);
    }
    return boxes;
}

std::vector<cv::Rect> TextDetector::detect(const cv::Mat &bgr)
{
    return neural() ? detectNeural(bgr) : detectLinesMorphologically(bgr);
}

} // namespace quillmore
