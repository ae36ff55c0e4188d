#pragma once

// From the boxes a text detector found to the boxes of one line each that recognition reads:
// pieces of a line joined, neighbouring columns and the labels of neighbouring icons cut apart,
// an underscore below or beside the line taken in, lone file icons left out. Pure image
// geometry, testable without a model.

#include <QList>
#include <QRect>

#include <opencv2/core.hpp>

#include <vector>

namespace quillmore {

class TextDetector;

// Rows of boxes top to bottom, each row left to right: a box joins the row whose vertical span
// holds its centre.
QList<QRect> inReadingOrder(std::vector<cv::Rect> boxes);

// Boxes the detector cut apart inside one line, most often at an underscore (thin, on the
// baseline): two wide boxes side by side, level with each other, with a gap of less than half
// their height, become one. File icons (about square) and the next column stay apart.
std::vector<cv::Rect> joinPiecesOfOneLine(std::vector<cv::Rect> boxes);

// A detected box split where its ink has a gap wider than about a letter's height: the labels
// of neighbouring icons, or a name and the column beside it, that the detector took as one.
// Pieces too narrow to hold a name (a lone icon) are left out.
std::vector<cv::Rect> splitAtWideGaps(const cv::Mat &grey, const cv::Rect &box);

// The boxes with each box that spans the labels of neighbouring icons cut between them: where
// two labels' lines lie side by side right under it (or right over it), within its width, it is
// cut through the widest gap in its ink between their centres. The labels of an icon grid stand
// so close that the detector, and the recogniser, take a line of two labels as one.
std::vector<cv::Rect> splitBetweenNeighbours(const cv::Mat &grey, const std::vector<cv::Rect> &boxes);

// The box grown up over a mark its top edge cuts through (the acute of an 'Ó' whose upper row
// the detector left out), a few rows at most: only ink in the top row that stands apart from
// the letters below counts, and the line above stays out. What is read grows; the box keeps its
// place among the others.
cv::Rect extendOverMarksAbove(const cv::Mat &grey, const cv::Rect &box);

// The box grown down over a horizontal stroke just below it, across at most a row or two of
// background: an underscore under the baseline that the detector left out. The stroke ends at the
// first row of background after it, so the next line of a label, only a few rows further down,
// stays out; so does ink that is no stroke. A leading underscore may stick out on the left: its
// length is measured with the columns it reaches there.
cv::Rect extendOverStrokeBelow(const cv::Mat &grey, const cv::Rect &box);

// The box grown left or right over a thin stroke low in it that its edge cuts through: the
// underscore that starts or ends a name ('_DSC8812.jpg'), which detectors leave out.
cv::Rect extendOverStrokesAside(const cv::Mat &grey, const cv::Rect &box);

// The boxes without those that are a file icon beside a name: a short box right before a longer
// one on its row. It holds no name, and reading it costs as much as reading the name.
QList<QRect> withoutIconsBesideText(const QList<QRect> &boxes);

// The boxes of one line each that recognition reads, in reading order.
QList<QRect> lineBoxes(TextDetector &detector, const cv::Mat &bgr);

} // namespace quillmore
