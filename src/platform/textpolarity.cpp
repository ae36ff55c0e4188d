#include "textpolarity.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <array>

namespace quillmore {

bool lightInk(const cv::Mat &grey)
{
    std::array<long, 256> histogram{};
    for (int y = 0; y < grey.rows; ++y) {
        const uchar *row = grey.ptr<uchar>(y);
        for (int x = 0; x < grey.cols; ++x)
            ++histogram[row[x]];
    }
    const long total = long(grey.total());
    if (total == 0)
        return false;
    auto level = [&](double fraction) {
        long seen = 0;
        for (int v = 0; v < 256; ++v) {
            seen += histogram[std::size_t(v)];
            if (seen > long(fraction * double(total)))
                return v;
        }
        return 255;
    };
    const int median = level(0.5);
    const int dark = level(0.02);
    const int light = level(0.98);
    if (light - median == median - dark)
        return median < 128;
    return light - median > median - dark;
}

bool hasLightText(const QImage &box)
{
    const QImage grey = box.convertToFormat(QImage::Format_Grayscale8);
    const cv::Mat wrapped(grey.height(), grey.width(), CV_8UC1, const_cast<uchar *>(grey.constBits()),
                          std::size_t(grey.bytesPerLine()));
    return lightInk(wrapped);
}

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

double otsuLevel(const cv::Mat &grey)
{
    cv::Mat ignored;
    return cv::threshold(grey, ignored, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
}

} // namespace quillmore
