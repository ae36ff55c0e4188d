#include "lineboxes.h"

#include "textdetection.h"
#include "textpolarity.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillmore {

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

namespace {

// Where ink begins in a box: `share` of the way from its background (the median level) to its
// strongest ink; nothing when the box has too little contrast to tell ink from background.
struct InkLevel {
    bool darkBackground = false;
    double threshold = 0;
    bool isInk(uchar v) const { return darkBackground ? v > threshold : v < threshold; }
    // The ink among grey pixels, as a mask.
    cv::Mat in(const cv::Mat &grey) const { return darkBackground ? grey > threshold : grey < threshold; }
};

std::optional<InkLevel> inkLevel(const cv::Mat &inside, double share = 0.5)
{
    const int median = medianLevel(inside);
    const bool darkBackground = lightInk(inside);
    double lowest = 0, highest = 0;
    cv::minMaxLoc(inside, &lowest, &highest);
    const double contrast = darkBackground ? highest - median : median - lowest;
    if (contrast < 24)
        return std::nullopt;
    return InkLevel{darkBackground, darkBackground ? median + share * contrast : median - share * contrast};
}

// The ink of a box, column by column: the gaps between letters and between labels are the
// columns without ink. A column inked over the box's whole height is no letter but the edge of a
// highlight: the highlights of neighbouring selected labels nearly touch, parted by a thin line
// of the page. Rows inked across the whole box stay ink: an underscore may run along the edge of
// a highlight, and a row's text must not fall apart at it.
struct ColumnInk {
    std::vector<bool> inked; // per column of the box
    int height = 0;          // from the highest inked row to the lowest
};

std::optional<ColumnInk> columnInk(const cv::Mat &grey, const cv::Rect &box)
{
    const cv::Mat crop = grey(box);
    // Faint ink counts: a thin underscore, blurred by scaling, joins the letters of its name.
    // The page around a highlight lies on the other side of the background, and is no ink.
    const std::optional<InkLevel> level = inkLevel(crop, 0.3);
    if (!level)
        return std::nullopt;
    cv::Mat ink = level->in(crop);
    int rows = 0;
    for (int y = 0; y < ink.rows; ++y)
        rows += cv::countNonZero(ink.row(y)) ? 1 : 0;
    ColumnInk result;
    result.inked.resize(std::size_t(ink.cols));
    for (int x = 0; x < ink.cols; ++x) {
        const int count = cv::countNonZero(ink.col(x));
        result.inked[std::size_t(x)] = count > 0 && (rows < 4 || count < 0.95 * ink.rows);
    }
    int top = -1, bottom = -1;
    for (int y = 0; y < ink.rows; ++y) {
        for (int x = 0; x < ink.cols; ++x) {
            if (result.inked[std::size_t(x)] && ink.at<uchar>(y, x)) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
        }
    }
    if (top < 0)
        return std::nullopt;
    result.height = bottom - top + 1;
    return result;
}

// The box's [from, to) runs of inked columns, parted where at least `gap` columns lack ink.
std::vector<std::pair<int, int>> inkRuns(const std::vector<bool> &inked, int gap)
{
    std::vector<std::pair<int, int>> runs;
    const int width = int(inked.size());
    int x = 0;
    while (x < width) {
        if (!inked[std::size_t(x)]) {
            ++x;
            continue;
        }
        int end = x + 1;
        int blank = 0;
        int lastInk = x;
        for (; end < width; ++end) {
            if (inked[std::size_t(end)]) {
                lastInk = end;
                blank = 0;
            } else if (++blank >= gap) {
                break;
            }
        }
        runs.emplace_back(x, lastInk + 1);
        x = end;
    }
    return runs;
}

} // namespace

// A detected box split where its ink has a gap wider than about a letter's height: the labels
// of neighbouring icons, or a name and the column beside it, that the detector took as one.
// Pieces too narrow to hold a name (a lone icon) are left out.
std::vector<cv::Rect> splitAtWideGaps(const cv::Mat &grey, const cv::Rect &box)
{
    const std::optional<ColumnInk> ink = columnInk(grey, box);
    if (!ink)
        return {};
    const int inkHeight = ink->height;
    const int wideGap = std::max(5, int(std::lround(inkHeight * 0.6)));
    const std::vector<std::pair<int, int>> segments = inkRuns(ink->inked, wideGap);
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

std::vector<cv::Rect> splitBetweenNeighbours(const cv::Mat &grey, const std::vector<cv::Rect> &boxes)
{
    // The boxes right above or right below `box` (the next or previous line of a label), level
    // with each other and lying within its width.
    auto adjacentLines = [&boxes](const cv::Rect &box, bool below) {
        std::vector<cv::Rect> found;
        for (const cv::Rect &other : boxes) {
            if (other == box || other.height < 0.65 * box.height || other.height > 1.5 * box.height)
                continue;
            const int gap = below ? other.y - (box.y + box.height) : box.y - (other.y + other.height);
            if (gap < -0.4 * box.height || gap > 0.8 * box.height)
                continue;
            const int slack = box.height / 2;
            if (other.x < box.x - slack || other.x + other.width > box.x + box.width + slack)
                continue;
            found.push_back(other);
        }
        std::sort(found.begin(), found.end(), [](const cv::Rect &a, const cv::Rect &b) { return a.x < b.x; });
        return found;
    };
    std::vector<cv::Rect> result;
    for (const cv::Rect &box : boxes) {
        // The spans between the centres of two labels side by side, in the box's columns.
        std::vector<std::pair<int, int>> spans;
        for (const bool below : {true, false}) {
            const std::vector<cv::Rect> lines = adjacentLines(box, below);
            for (std::size_t k = 0; k + 1 < lines.size(); ++k) {
                const cv::Rect &left = lines[k];
                const cv::Rect &right = lines[k + 1];
                // Apart by more than a space: two labels, not two words of one.
                if (right.x - (left.x + left.width) < box.height / 2)
                    continue;
                spans.emplace_back(left.x + left.width / 2 - box.x, right.x + right.width / 2 - box.x);
            }
            if (!spans.empty())
                break;
        }
        const std::optional<ColumnInk> ink = spans.empty() ? std::nullopt : columnInk(grey, box);
        // Between two centres, the cut goes through the widest gap in the ink; a gap narrower than
        // a thin letter is inside a word.
        struct Cut {
            int at;
            std::pair<int, int> centres;
        };
        std::vector<Cut> cuts;
        for (const auto &[from, to] : ink ? spans : std::vector<std::pair<int, int>>{}) {
            int best = -1, bestWidth = 0, run = 0;
            for (int x = std::max(0, from); x < std::min(int(ink->inked.size()), to); ++x) {
                run = ink->inked[std::size_t(x)] ? 0 : run + 1;
                if (run > bestWidth) {
                    bestWidth = run;
                    best = x - run / 2;
                }
            }
            if (best > 0 && bestWidth >= std::max(2, ink->height / 8) && (cuts.empty() || cuts.back().at != best))
                cuts.push_back({best, {from, to}});
        }
        std::sort(cuts.begin(), cuts.end(), [](const Cut &a, const Cut &b) { return a.at < b.at; });
        // The ink between two cuts, as [from, to) columns of the box; empty when there is none.
        auto inkBetween = [&ink](int left, int right) {
            int from = left, to = right;
            while (from < to && !ink->inked[std::size_t(from)])
                ++from;
            while (to > from && !ink->inked[std::size_t(to - 1)])
                --to;
            return std::pair{from, to};
        };
        // Labels are centred on their icons: the pieces on either side of each cut are centred on
        // the lines beside them. Rows of a list line up on the left instead, and stay whole.
        bool centred = !cuts.empty();
        for (std::size_t k = 0; k < cuts.size() && centred; ++k) {
            const int before = k == 0 ? 0 : cuts[k - 1].at;
            const int after = k + 1 < cuts.size() ? cuts[k + 1].at : box.width;
            const auto [leftFrom, leftTo] = inkBetween(before, cuts[k].at);
            const auto [rightFrom, rightTo] = inkBetween(cuts[k].at, after);
            auto onCentre = [](int from, int to, int centre) {
                return to > from && std::abs((from + to) / 2 - centre) <= std::max(3, (to - from) / 16);
            };
            centred = onCentre(leftFrom, leftTo, cuts[k].centres.first)
                && onCentre(rightFrom, rightTo, cuts[k].centres.second);
        }
        if (!centred) {
            result.push_back(box);
            continue;
        }
        // Each label's piece, trimmed to its ink as a box of the detector would be.
        const int margin = std::max(2, ink->height / 3);
        int left = 0;
        for (std::size_t k = 0; k <= cuts.size(); ++k) {
            const int right = k < cuts.size() ? cuts[k].at : box.width;
            auto [from, to] = inkBetween(left, right);
            if (to > from) {
                from = std::max(left, from - margin);
                to = std::min(right, to + margin);
                result.emplace_back(box.x + from, box.y, to - from, box.height);
            }
            left = right;
        }
    }
    return result;
}

cv::Rect extendOverMarksAbove(const cv::Mat &grey, const cv::Rect &box)
{
    const std::optional<InkLevel> ink = inkLevel(grey(box));
    if (!ink || box.y == 0 || box.height < 6)
        return box;
    auto inked = [&](int y) { return ink->in(grey(cv::Rect(box.x, y, box.width, 1))); };
    // Only a mark the top edge cuts: ink in the top row that stands apart from the letters, with
    // background right under it. A letter's stem running up to the edge continues downwards.
    const cv::Mat top = inked(box.y);
    if (!cv::countNonZero(top))
        return box;
    cv::Mat under;
    cv::dilate(inked(box.y + 1), under, cv::getStructuringElement(cv::MORPH_RECT, {3, 1}));
    if (cv::countNonZero(top & under))
        return box;
    // Up over the mark while ink goes on right above ink, a few rows at most; a row with more ink
    // than a few marks hold is an edge (of a highlight, or the page beyond it).
    const int reach = std::max(2, box.height / 4);
    int y = box.y;
    cv::Mat below = top;
    while (y > 0 && box.y - y < reach) {
        const cv::Mat above = inked(y - 1);
        cv::Mat near;
        cv::dilate(below, near, cv::getStructuringElement(cv::MORPH_RECT, {3, 1}));
        if (!cv::countNonZero(above & near) || cv::countNonZero(above) > std::max(6, box.height / 2))
            break;
        --y;
        below = above;
    }
    if (y == box.y)
        return box;
    y = std::max(0, y - 1);
    return cv::Rect(box.x, y, box.width, box.y + box.height - y);
}

// The box grown down over a horizontal stroke just below it, across at most a row or two of
// background: an underscore under the baseline that the detector left out. The stroke ends at the
// first row of background after it, so the next line of a label, only a few rows further down,
// stays out; so does ink that is no stroke. A leading underscore may stick out on the left: its
// length is measured with the columns it reaches there.
cv::Rect extendOverStrokeBelow(const cv::Mat &grey, const cv::Rect &box)
{
    const std::optional<InkLevel> ink = inkLevel(grey(box));
    if (!ink)
        return box;
    const int allowedGap = std::max(2, box.height / 8);
    const int maxThickness = std::max(2, box.height / 6);
    const int limit = std::min(grey.rows, box.y + box.height + box.height / 2);
    const int left = std::max(0, box.x - box.height / 2);
    int bottom = box.y + box.height;
    int blank = 0, inkRows = 0, longestRun = 0;
    for (int y = box.y + box.height; y < limit && blank <= allowedGap; ++y) {
        const cv::Mat inked = ink->in(grey(cv::Rect(left, y, box.x + box.width - left, 1)));
        if (!cv::countNonZero(inked.colRange(box.x - left, inked.cols))) {
            // A stroke is solid: background after it ends it.
            if (inkRows > 0)
                break;
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
    }
    // An underscore is at least a third of the box's height long; a point is far shorter.
    if (inkRows == 0 || longestRun < box.height / 3)
        return box;
    return cv::Rect(box.x, box.y, box.width, bottom - box.y);
}

cv::Rect extendOverStrokesAside(const cv::Mat &grey, const cv::Rect &box)
{
    const std::optional<InkLevel> ink = inkLevel(grey(box));
    if (!ink || box.height < 6)
        return box;
    const int lowBand = box.y + int(std::lround(0.55 * box.height));
    const int maxThickness = std::max(2, box.height / 6);
    auto inkedAt = [&](int x, int y) { return ink->isInk(grey.at<uchar>(y, x)); };
    const int reach = box.height;
    // Rows inked across the whole box and on, well beyond its edge, are no stroke of a letter but
    // the page beyond the edge of a highlight, between two selected rows: they would make every
    // column a stroke. A line along the row that stops beyond the edge stays: it may run in the
    // underscore's own rows, and the underscore would go with it.
    std::vector<bool> acrossBox(std::size_t(box.height));
    for (int y = 0; y < box.height; ++y)
        acrossBox[std::size_t(y)] = cv::countNonZero(ink->in(grey(cv::Rect(box.x, box.y + y, box.width, 1))))
            >= 0.8 * box.width;
    auto pageRows = [&](int edge, int step) {
        std::vector<bool> page(std::size_t(box.height), false);
        for (int y = 0; y < box.height; ++y) {
            if (!acrossBox[std::size_t(y)])
                continue;
            // What counts is the row further out, past where an underscore would end; the
            // underscore's own lower edge may cross the page nearer the box.
            int onward = 0, looked = 0;
            for (int k = 2 * reach / 3; k <= reach; ++k, ++looked) {
                const int x = edge + step * k;
                onward += x < 0 || x >= grey.cols || inkedAt(x, box.y + y) ? 1 : 0;
            }
            page[std::size_t(y)] = onward >= 0.8 * looked;
        }
        return page;
    };
    // What column x holds between the box's rows, leaving out the page: nothing, a thin stroke
    // low in the box, or something else; for a stroke, the row its ink starts at.
    enum class Column { Blank, Stroke, Other };
    auto column = [&](int x, const std::vector<bool> &page, int *strokeTop) {
        int top = -1, count = 0;
        for (int y = 0; y < box.height; ++y) {
            if (inkedAt(x, box.y + y) && !page[std::size_t(y)]) {
                if (top < 0)
                    top = y;
                ++count;
            }
        }
        if (top < 0)
            return Column::Blank;
        *strokeTop = top;
        // A focus line under the text may run along below the stroke.
        return box.y + top >= lowBand && count <= 2 * maxThickness ? Column::Stroke : Column::Other;
    };
    // On each side: the first inked column within a few of the edge must be a stroke; the box
    // then takes in the columns of that stroke beyond its edge.
    const int levelTolerance = std::max(1, box.height / 10);
    auto extend = [&](int edge, int step, const std::vector<bool> &page) {
        // An underscore is level: a stroke that rises beyond the box's edge (the slanted edge of
        // an icon) is none.
        int level = -1;
        auto kind = [&](int x) {
            int top = 0;
            const Column found = column(x, page, &top);
            if (found != Column::Stroke)
                return found;
            if (level < 0)
                level = top;
            // Ink only further down (a focus line under the row) ends the underscore; ink higher
            // up is something else.
            if (top > level + levelTolerance)
                return Column::Blank;
            return top >= level - levelTolerance ? Column::Stroke : Column::Other;
        };
        int x = edge;
        for (int k = 0; k < 3 && kind(x) == Column::Blank; ++k)
            x -= step;
        int from = edge;
        if (kind(x) != Column::Stroke) {
            // The edge is at a letter: an underscore may lie wholly outside, across a narrow gap.
            level = -1;
            int k = 1;
            const int gap = std::max(2, box.height / 4);
            auto outside = [&](int n) { return edge + step * n; };
            while (k <= gap && outside(k) >= 0 && outside(k) < grey.cols && kind(outside(k)) == Column::Blank)
                ++k;
            if (k > gap || outside(k) < 0 || outside(k) >= grey.cols || kind(outside(k)) != Column::Stroke)
                return edge;
            // A dot or a comma is no underscore: the stroke must be long.
            int length = 0;
            while (outside(k + length) >= 0 && outside(k + length) < grey.cols
                   && kind(outside(k + length)) == Column::Stroke)
                ++length;
            if (length < std::max(3, box.height / 3) || length > reach)
                return edge;
            from = outside(k + length - 1);
            if (from + step < 0 || from + step >= grey.cols || kind(from + step) != Column::Blank)
                return edge;
            return from;
        }
        // The stroke must end in background within reach: a longer line, or one that runs into
        // something else, is the edge of a highlight or a frame. Inside the box it may be a
        // letter's foot on the baseline, with the underscore's lower line only beyond.
        level = -1;
        for (int k = 1; k <= reach; ++k) {
            const int next = from + step * k;
            if (next < 0 || next >= grey.cols)
                return edge;
            const Column found = kind(next);
            if (found == Column::Blank)
                return next - step;
            if (found == Column::Other)
                return edge;
        }
        return edge;
    };
    const int left = extend(box.x, -1, pageRows(box.x, -1));
    const int right = extend(box.x + box.width - 1, +1, pageRows(box.x + box.width - 1, +1));
    if (left == box.x && right == box.x + box.width - 1)
        return box;
    // A margin beside the stroke, so that the recogniser sees where it ends. Before a name it
    // holds no ink, never a piece of what stands there (an icon, the edge of a side pane, the
    // page beyond a highlight); after it, it may show what follows the stroke (an ellipsis).
    const std::vector<bool> noPage(std::size_t(box.height), false);
    auto plain = [&](int x) {
        int top = 0;
        return x >= 0 && x < grey.cols && column(x, noPage, &top) == Column::Blank;
    };
    const int pad = std::max(1, box.height / 8);
    int x0 = left, x1 = right + 1;
    for (int k = 0; left < box.x && k < pad && plain(x0 - 1); ++k)
        --x0;
    if (right > box.x + box.width - 1)
        x1 = std::min(grey.cols, x1 + pad);
    return cv::Rect(x0, box.y, x1 - x0, box.height);
}

QList<QRect> withoutIconsBesideText(const QList<QRect> &boxes)
{
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
    QList<QRect> kept;
    for (const QRect &rect : boxes) {
        if (!iconBesideText(rect))
            kept.append(rect);
    }
    return kept;
}

QList<QRect> lineBoxes(TextDetector &detector, const cv::Mat &bgr)
{
    cv::Mat grey;
    cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
    std::vector<cv::Rect> pieces;
    for (const cv::Rect &box : joinPiecesOfOneLine(detector.detect(bgr))) {
        for (const cv::Rect &piece :
             splitAtWideGaps(grey, extendOverStrokesAside(grey, extendOverStrokeBelow(grey, box))))
            pieces.push_back(piece);
    }
    return withoutIconsBesideText(inReadingOrder(splitBetweenNeighbours(grey, pieces)));
}

} // namespace quillmore
