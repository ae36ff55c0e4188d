#pragma once

// Text detection: from a screenshot to the boxes of its text, without reading them. A neural
// text detector (PP-OCRv4 detection through OpenCV's DNN module) finds the text, or a
// morphological line finder when its model is missing or fails. `lineBoxes` (lineboxes.h) then
// sets the boxes to one line each.

#include <QList>
#include <QRect>
#include <QString>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include <vector>

class QImage;

namespace quillmore {

// The image as OpenCV's blue-green-red pixels.
cv::Mat toBgr(const QImage &image);

// The usual height of the letters on a screenshot, in pixels: the median height of the shapes
// its strong contrast outlines, of a plausible size, leaving out those that hold several others
// (highlights, frames) and those inside a letter.
int letterHeight(const cv::Mat &bgr);

class TextDetector {
public:
    // With an empty path, or a model that cannot be loaded, the morphological line finder is used.
    explicit TextDetector(QString modelPath = {});

    // The text boxes found, in no particular order, in image coordinates.
    std::vector<cv::Rect> detect(const cv::Mat &bgr);

    // True when the neural detector is in use (not the morphological fallback).
    bool neural() const { return !m_modelPath.isEmpty() && !m_broken; }

private:
    std::vector<cv::Rect> detectNeural(const cv::Mat &bgr);
    bool prepareNet(cv::Size size);

    QString m_modelPath;
    cv::dnn::Net m_net;
    cv::Size m_netInputSize;
    bool m_broken = false;
};

// Text lines found without a model: strong local contrast, joined along the line.
std::vector<cv::Rect> detectLinesMorphologically(const cv::Mat &bgr);

} // namespace quillmore
