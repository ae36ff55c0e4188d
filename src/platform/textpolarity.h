#pragma once

// Which way round the text of one box is: light on dark or dark on light, decided by the box
// alone; and the grey levels that decision and the crops of boxes rest on.

#include <QImage>

namespace cv {
class Mat;
}

namespace quillmore {

// True when the text of the box is lighter than its background. The background is the box's
// median level and the ink the tail of its levels that lies farther from it, so light text on a
// coloured highlight is found however light the highlight, and dark text on a light one too.
bool lightInk(const cv::Mat &grey); // 8-bit, one channel
bool hasLightText(const QImage &box);

// The median value of an 8-bit, one-channel image or region: most of a box is background.
int medianLevel(const cv::Mat &grey);

// The level that best parts the two kinds of pixel of a grey image (Otsu's threshold).
double otsuLevel(const cv::Mat &grey);

} // namespace quillmore
