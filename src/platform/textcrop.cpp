#include "textcrop.h"

#include "textpolarity.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace quillmore {

namespace {

// Each crop is given a white border this wide.
constexpr int recognitionBorder = 12;

// Where a colourful shape at the left of the crop ends (0 when there is none): columns with
// pixels far more colourful than the background, from within about a letter's height of the
// left edge, with gaps of at most a few columns. Colour is measured as chroma (the spread of
// the channels), not as saturation, which the faint colour fringes of compressed dark letters
// make as high as an icon's.
int leadingColourEnd(const cv::Mat &colour, int height)
{
    std::vector<cv::Mat> channels;
    cv::split(colour, channels);
    cv::Mat chroma = cv::max(cv::max(channels[0], channels[1]), channels[2])
        - cv::min(cv::min(channels[0], channels[1]), channels[2]);
    const int background = medianLevel(chroma);
    const cv::Mat vivid = chroma > std::min(255, background + 70);
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

// The runs of columns that hold ink, left to right, as [first, end).
std::vector<std::pair<int, int>> inkRuns(const cv::Mat &ink)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < ink.cols;) {
        if (!cv::countNonZero(ink.col(x))) {
            ++x;
            continue;
        }
        int end = x;
        while (end < ink.cols && cv::countNonZero(ink.col(end)))
            ++end;
        runs.emplace_back(x, end);
        x = end;
    }
    return runs;
}

// The first and last-plus-one rows with ink in columns [x0, x1): in at least `share` of them, or
// in any; -1, -1 when none.
std::pair<int, int> inkRows(const cv::Mat &ink, int x0, int x1, double share = 0)
{
    int top = -1, bottom = -1;
    for (int y = 0; y < ink.rows; ++y) {
        const int count = cv::countNonZero(ink(cv::Rect(x0, y, x1 - x0, 1)));
        if (count > 0 && count >= share * (x1 - x0)) {
            if (top < 0)
                top = y;
            bottom = y + 1;
        }
    }
    return {top, bottom};
}

} // namespace

QRect PreparedCrop::toImage(int left, int top, int right, int bottom) const
{
    auto x = [this](int v) { return int(std::lround(origin.x + (v - border) / scale)); };
    auto y = [this](int v) { return int(std::lround(origin.y + (v - border) / scale)); };
    return QRect(QPoint(x(left), y(top)), QPoint(x(right) - 1, y(bottom) - 1));
}

int textStartColumn(const cv::Mat &colour, const cv::Mat &ink)
{
    std::vector<std::pair<int, int>> runs = inkRuns(ink);
    if (runs.empty())
        return -1;
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
        // A run that starts past the colourful columns is a letter when a gap of background
        // parts it from the icon, when it reaches well beyond the icon's rows, or when it keeps
        // within the rows of the text after it and is shorter than the icon: an icon's grey edge
        // or folded corner touches it and is as tall.
        const int touching = colourEnd + std::max(2, ink.rows / 6);
        // The icon's rows are those inked across a good part of it: the hook of a 'J' may reach
        // in under its last columns.
        const auto [iconTop, iconBottom] = inkRows(ink, 0, colourEnd, 0.3);
        auto letter = [&](const std::pair<int, int> &run) {
            int textTop = ink.rows, textBottom = 0;
            for (const auto &later : runs) {
                if (later.first < touching)
                    continue;
                const auto [t, b] = inkRows(ink, later.first, later.second);
                textTop = std::min(textTop, t);
                textBottom = std::max(textBottom, b);
            }
            const auto [top, bottom] = inkRows(ink, run.first, run.second);
            // Ink well above or below the icon is no part of it (the hook of a 'J').
            if (top < iconTop - 2 || bottom > iconBottom + 2)
                return true;
            return textBottom > textTop && top >= textTop - 1 && bottom <= textBottom + 1
                && bottom - top < iconBottom - iconTop;
        };
        int previousEnd = colourEnd;
        while (runs.size() >= 2 && runs.front().first < touching) {
            const std::pair<int, int> run = runs.front();
            if (run.first >= colourEnd && (run.first - std::max(previousEnd, colourEnd) >= 2 || letter(run)))
                break;
            // A letter that touches the icon: the run goes on past the colourful columns with
            // ink beyond the icon's rows.
            if (run.first < colourEnd && run.second > colourEnd + 1) {
                const auto [top, bottom] = inkRows(ink, colourEnd, run.second);
                if (top < iconTop - 2 || bottom > iconBottom + 2)
                    return colourEnd;
            }
            previousEnd = std::max(previousEnd, run.second);
            runs.erase(runs.begin());
        }
        return runs.front().first;
    }
    // A file icon: the first blob set apart from the text by a clear gap, colourful beside grey
    // letters, or taller than the letters after it and dense.
    if (runs.size() < 2)
        return runs.front().first;
    const auto [s, e] = runs.front();
    const int width = e - s;
    const int gapToText = runs[1].first - e;
    const auto [iconTop, iconBottom] = inkRows(ink, s, e);
    const auto [textTop, textBottom] = inkRows(ink, runs[1].first, runs.back().second);
    const int iconHeight = iconBottom - iconTop;
    const int textHeight = textBottom - textTop;
    if (iconHeight <= 0 || textHeight <= 0 || width < iconHeight * 0.5 || width > iconHeight * 1.6)
        return s;
    const cv::Rect iconRect(s, iconTop, width, iconHeight);
    cv::Mat hsv;
    cv::cvtColor(colour(iconRect), hsv, cv::COLOR_BGR2HSV);
    // Saturation where the blob has ink: letters are grey (or all one colour when selected), a
    // picture file's icon is colourful.
    const double saturation = cv::mean(hsv, ink(iconRect))[1];
    cv::Mat textHsv;
    const cv::Rect textRect(runs[1].first, 0, runs.back().second - runs[1].first, ink.rows);
    cv::cvtColor(colour(textRect), textHsv, cv::COLOR_BGR2HSV);
    const double textSaturation = cv::mean(textHsv, ink(textRect))[1];
    const double density = double(cv::countNonZero(ink(iconRect))) / (width * iconHeight);
    const bool taller = iconHeight >= textHeight * 1.15;
    const bool apart = gapToText >= std::max(2, textHeight / 5);
    // A grey icon may be no taller than a name with descenders and underscores; it is then still
    // a solid block as high as the line, which no letter is.
    const bool block = iconHeight >= textHeight * 0.7 && density > 0.75;
    if ((saturation > 50 && saturation > textSaturation + 30) || (apart && (taller || block) && density > 0.4))
        return runs[1].first;
    return s;
}

PreparedCrop prepareCrop(const cv::Mat &bgr, const cv::Mat &grey, const cv::Rect &box, double textHeight)
{
    cv::Mat crop = grey(box).clone();
    const cv::Mat colour = bgr(box);
    // The box's own background decides the polarity.
    const int median = medianLevel(crop);
    const bool inverted = lightInk(crop);
    if (inverted)
        cv::bitwise_not(crop, crop);
    // Stretch from the darkest ink to the background: the faint, anti-aliased strokes of dots
    // and underscores at small sizes then survive binarisation.
    const int background = inverted ? 255 - median : median;
    double lowest = 0;
    cv::minMaxLoc(crop, &lowest);
    const int darkest = int(lowest);
    if (background - darkest >= 24) {
        cv::Mat lut(1, 256, CV_8U);
        for (int v = 0; v < 256; ++v)
            lut.at<uchar>(0, v) = cv::saturate_cast<uchar>(255.0 * (v - darkest) / double(background - darkest));
        cv::LUT(crop, lut, crop);
    }
    const cv::Mat ink = crop < otsuLevel(crop);
    const int left = textStartColumn(colour, ink);
    if (left < 0)
        return {};
    const std::vector<std::pair<int, int>> runs = inkRuns(ink);
    const int right = runs.back().second;
    const auto [top, bottom] = inkRows(ink, left, right);
    if (bottom <= top)
        return {};
    const int margin = std::max(1, (bottom - top) / 5);
    const cv::Rect textRect = cv::Rect(left - margin, top - margin, right - left + 2 * margin,
                                       bottom - top + 2 * margin)
        & cv::Rect(0, 0, crop.cols, crop.rows);
    // The margin left of the text is background, whatever was trimmed off there.
    if (left > textRect.x)
        crop(cv::Rect(textRect.x, textRect.y, left - textRect.x, textRect.height)).setTo(cv::Scalar(255));
    const double scale = std::clamp(textHeight / double(bottom - top), 0.5, 8.0);
    cv::Mat scaled;
    cv::resize(crop(textRect), scaled, cv::Size(), scale, scale, scale > 1 ? cv::INTER_LANCZOS4 : cv::INTER_AREA);
    PreparedCrop prepared;
    cv::copyMakeBorder(scaled, prepared.image, recognitionBorder, recognitionBorder, recognitionBorder,
                       recognitionBorder, cv::BORDER_CONSTANT, cv::Scalar(255));
    prepared.origin = cv::Point2d(box.x + textRect.x, box.y + textRect.y);
    prepared.scale = scale;
    prepared.border = recognitionBorder;
    prepared.text = QRect(box.x + textRect.x, box.y + textRect.y, textRect.width, textRect.height);
    return prepared;
}

LetterCase dottedLetterCase(const cv::Mat &ink, int left, int right, double baseline, double capHeight)
{
    left = std::clamp(left, 0, ink.cols);
    right = std::clamp(right, 0, ink.cols);
    if (right - left < 1 || ink.rows < 2 || capHeight < 4)
        return LetterCase::Unknown;
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink.colRange(left, right) != 0, labels, stats, centroids, 8);
    auto top = [&](int k) { return stats.at<int>(k, cv::CC_STAT_TOP); };
    auto bottom = [&](int k) { return top(k) + stats.at<int>(k, cv::CC_STAT_HEIGHT); }; // one past
    auto from = [&](int k) { return stats.at<int>(k, cv::CC_STAT_LEFT); };
    auto to = [&](int k) { return from(k) + stats.at<int>(k, cv::CC_STAT_WIDTH); };
    // The stem: the tallest mark that comes down to the baseline and rises well above it.
    int stem = -1;
    for (int k = 1; k < count; ++k) {
        if (bottom(k) < baseline - 0.25 * capHeight || top(k) > baseline - 0.4 * capHeight)
            continue;
        if (stem < 0 || bottom(k) - top(k) > bottom(stem) - top(stem))
            stem = k;
    }
    if (stem < 0)
        return LetterCase::Unknown;
    // A stem as high as capitals is a capital's, whatever lies over it (an accent); a lower one
    // with a small mark of its own over it is a small letter's.
    if (top(stem) <= baseline - 0.85 * capHeight)
        return LetterCase::Capital;
    for (int k = 1; k < count; ++k) {
        if (k == stem || bottom(k) > top(stem) || top(k) < baseline - 1.6 * capHeight)
            continue;
        if (bottom(k) - top(k) > 0.4 * capHeight || to(k) <= from(stem) || from(k) >= to(stem))
            continue;
        return LetterCase::Small;
    }
    return LetterCase::Unknown;
}

std::optional<StemMark> stemMark(const cv::Mat &ink, int left, int right, double baseline, double capHeight)
{
    if (ink.rows < 2 || capHeight < 4)
        return std::nullopt;
    // The symbol's box is the recogniser's guess: a flag may stick out of it, so a little more
    // is looked at on each side, and the marks beside it are told apart as their own shapes.
    const int reach = int(std::lround(0.3 * capHeight));
    const int from = std::clamp(left - reach, 0, ink.cols);
    const int to = std::clamp(right + reach, 0, ink.cols);
    if (to - from < 2 || right <= left)
        return std::nullopt;
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink.colRange(from, to) != 0, labels, stats, centroids, 8);
    // The stem's mark: the tallest that stands on the baseline, rises to about the capitals'
    // height and is centred within the symbol's columns.
    int stem = -1;
    for (int k = 1; k < count; ++k) {
        const int top = stats.at<int>(k, cv::CC_STAT_TOP);
        const int bottom = top + stats.at<int>(k, cv::CC_STAT_HEIGHT);
        const double centre = from + stats.at<int>(k, cv::CC_STAT_LEFT) + stats.at<int>(k, cv::CC_STAT_WIDTH) / 2.0;
        if (bottom < baseline - 0.2 * capHeight || bottom > baseline + 0.3 * capHeight
            || top > baseline - 0.75 * capHeight || centre < left || centre > right)
            continue;
        if (stem < 0 || stats.at<int>(k, cv::CC_STAT_HEIGHT) > stats.at<int>(stem, cv::CC_STAT_HEIGHT))
            stem = k;
    }
    if (stem < 0)
        return std::nullopt;
    const int markLeft = stats.at<int>(stem, cv::CC_STAT_LEFT);
    const int markWidth = stats.at<int>(stem, cv::CC_STAT_WIDTH);
    const int markTop = stats.at<int>(stem, cv::CC_STAT_TOP);
    const int markHeight = stats.at<int>(stem, cv::CC_STAT_HEIGHT);
    // A mark wider than a letter runs into its neighbours: it says nothing of this one.
    if (markWidth > 1.2 * capHeight || from + markLeft < left - reach / 2)
        return std::nullopt;
    // The stem's columns: those the mark fills over most of its height.
    std::vector<int> filled(std::size_t(markWidth), 0);
    for (int y = markTop; y < markTop + markHeight; ++y) {
        const int *row = labels.ptr<int>(y);
        for (int x = 0; x < markWidth; ++x)
            filled[std::size_t(x)] += row[markLeft + x] == stem ? 1 : 0;
    }
    const int tallest = *std::max_element(filled.begin(), filled.end());
    if (tallest < 0.7 * markHeight)
        return std::nullopt;
    int stemLeft = 0;
    while (filled[std::size_t(stemLeft)] < 0.7 * tallest)
        ++stemLeft;
    return StemMark{from + markLeft, from + markLeft + markWidth, stemLeft >= std::max(2.0, 0.15 * capHeight)};
}

std::optional<double> footLength(const cv::Mat &ink, int left, int right, double baseline, double capHeight)
{
    const std::optional<StemMark> mark = stemMark(ink, left, right, baseline, capHeight);
    if (!mark)
        return std::nullopt;
    // The mark's lowest rows: those within a tenth of a capital of its bottom.
    int bottom = -1;
    for (int y = std::min(ink.rows - 1, int(baseline + 0.3 * capHeight)); y >= 0 && bottom < 0; --y) {
        if (cv::countNonZero(ink.row(y).colRange(mark->left, mark->right)))
            bottom = y;
    }
    if (bottom < 0)
        return std::nullopt;
    int longest = 0;
    for (int y = std::max(0, bottom - int(std::lround(0.1 * capHeight))); y <= bottom; ++y) {
        int run = 0;
        for (int x = mark->left; x < mark->right; ++x) {
            run = ink.at<uchar>(y, x) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest / capHeight;
}

namespace {

// A mark with the gaps of a pixel or so in its strokes closed, as thresholding leaves them in thin
// anti-aliased curves.
cv::Mat closed(const cv::Mat &mark)
{
    cv::Mat out;
    cv::morphologyEx(mark, out, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_ELLIPSE, {3, 3}));
    return out;
}

// Whether a mark holds background closed in on its left, its right and below, as a ring does even
// where thresholding has broken its thin top.
bool cupped(const cv::Mat &mark)
{
    int inside = 0;
    for (int y = 0; y < mark.rows; ++y) {
        for (int x = 1; x + 1 < mark.cols; ++x) {
            if (mark.at<uchar>(y, x))
                continue;
            bool left = false, right = false, below = false;
            for (int k = x - 1; k >= 0 && !left; --k)
                left = mark.at<uchar>(y, k) != 0;
            for (int k = x + 1; k < mark.cols && !right; ++k)
                right = mark.at<uchar>(y, k) != 0;
            for (int k = y + 1; k < mark.rows && !below; ++k)
                below = mark.at<uchar>(k, x) != 0;
            inside += left && right && below ? 1 : 0;
        }
    }
    return inside >= 2;
}

// An upright mark's kind: the circumflex is narrow near its top, the caron near its foot.
Accent upright(const cv::Mat &mark)
{
    auto span = [&mark](int row) {
        int first = -1, last = -1;
        for (int x = 0; x < mark.cols; ++x) {
            if (mark.at<uchar>(row, x)) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        return first < 0 ? 0 : last - first + 1;
    };
    const auto narrowing = [&span](int upper, int lower) {
        const int top = span(upper), bottom = span(lower);
        return top < 0.5 * bottom ? Accent::Circumflex : bottom < 0.5 * top ? Accent::Caron : Accent::Unknown;
    };
    if (const Accent atEnds = narrowing(0, mark.rows - 1); atEnds != Accent::Unknown)
        return atEnds;
    return narrowing(mark.rows / 4, mark.rows - 1 - mark.rows / 4);
}

} // namespace

Accent accentOver(const cv::Mat &grey, double inkLevel, int left, int right, double baseline, double capHeight,
                  double pixel)
{
    if (grey.rows < 2 || capHeight < 4 || right <= left)
        return Accent::Unknown;
    const cv::Mat ink = grey < inkLevel;
    const int reach = int(std::lround(0.2 * capHeight));
    const int from = std::clamp(left - reach, 0, ink.cols);
    const int to = std::clamp(right + reach, 0, ink.cols);
    if (to - from < 2)
        return Accent::Unknown;
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink.colRange(from, to) != 0, labels, stats, centroids, 8);
    auto top = [&](int k) { return stats.at<int>(k, cv::CC_STAT_TOP); };
    auto height = [&](int k) { return stats.at<int>(k, cv::CC_STAT_HEIGHT); };
    auto bottom = [&](int k) { return top(k) + height(k); }; // one past
    auto centre = [&](int k) {
        return from + stats.at<int>(k, cv::CC_STAT_LEFT) + stats.at<int>(k, cv::CC_STAT_WIDTH) / 2.0;
    };
    // The letter: the tallest mark that stands on the baseline, centred in its columns.
    int body = -1;
    for (int k = 1; k < count; ++k) {
        if (bottom(k) < baseline - 0.2 * capHeight || bottom(k) > baseline + 0.35 * capHeight
            || height(k) < 0.4 * capHeight || centre(k) < left || centre(k) > right)
            continue;
        if (body < 0 || height(k) > height(body))
            body = k;
    }
    if (body < 0)
        return Accent::Unknown;
    const int bodyLeft = from + stats.at<int>(body, cv::CC_STAT_LEFT);
    const int bodyRight = bodyLeft + stats.at<int>(body, cv::CC_STAT_WIDTH);
    // The accent's pieces: small marks over the letter, clear of it.
    std::vector<int> pieces;
    for (int k = 1; k < count; ++k) {
        if (k == body || bottom(k) > top(body) + 0.05 * capHeight || top(k) < top(body) - 0.8 * capHeight
            || height(k) > 0.6 * capHeight || stats.at<int>(k, cv::CC_STAT_AREA) < 3
            || centre(k) < bodyLeft - 0.1 * capHeight || centre(k) > bodyRight + 0.1 * capHeight)
            continue;
        pieces.push_back(k);
    }
    if (pieces.empty()) {
        // A ring may sit on the letter's top: a hole above the height of capitals.
        const int above = int(std::floor(baseline - 0.95 * capHeight)) - top(body);
        if (above < 3)
            return Accent::Unknown;
        const cv::Rect box(stats.at<int>(body, cv::CC_STAT_LEFT), top(body), stats.at<int>(body, cv::CC_STAT_WIDTH),
                           above);
        const cv::Mat crown = labels(box) == body;
        std::vector<std::vector<cv::Point>> contours;
        std::vector<cv::Vec4i> hierarchy;
        cv::findContours(closed(crown), contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
        const bool hole = std::any_of(hierarchy.begin(), hierarchy.end(), [](const cv::Vec4i &h) { return h[3] >= 0; });
        // A caron or circumflex on the letter's top closes in nothing: its arms part upwards or
        // downwards.
        return hole || (cupped(crown) && upright(crown) == Accent::Unknown) ? Accent::Ring : Accent::Unknown;
    }
    if (pieces.size() == 2) {
        // Two dots side by side, of about one size.
        const int a = pieces[0], b = pieces[1];
        const int overlap = std::min(bottom(a), bottom(b)) - std::max(top(a), top(b));
        const double ratio = double(std::max(height(a), height(b))) / std::max(1, std::min(height(a), height(b)));
        // Dots stand apart; the arms of a caron or circumflex broken at a small size nearly meet.
        const int leftOne = stats.at<int>(a, cv::CC_STAT_LEFT) < stats.at<int>(b, cv::CC_STAT_LEFT) ? a : b;
        const int rightOne = leftOne == a ? b : a;
        const int gap = stats.at<int>(rightOne, cv::CC_STAT_LEFT)
            - (stats.at<int>(leftOne, cv::CC_STAT_LEFT) + stats.at<int>(leftOne, cv::CC_STAT_WIDTH));
        const double width = (stats.at<int>(a, cv::CC_STAT_WIDTH) + stats.at<int>(b, cv::CC_STAT_WIDTH)) / 2.0;
        // Each dot about as high as it is wide: the halves of a ring broken by thresholding are
        // arcs, taller than wide.
        const bool dots = height(a) <= 1.6 * stats.at<int>(a, cv::CC_STAT_WIDTH)
            && height(b) <= 1.6 * stats.at<int>(b, cv::CC_STAT_WIDTH);
        return dots && gap >= 0.6 * width && ratio <= 2.0 && overlap >= 0.5 * std::min(height(a), height(b))
            ? Accent::Diaeresis
            : Accent::Unknown;
    }
    if (pieces.size() != 1)
        return Accent::Unknown;
    const int k = pieces.front();
    const cv::Rect box(stats.at<int>(k, cv::CC_STAT_LEFT), top(k), stats.at<int>(k, cv::CC_STAT_WIDTH), height(k));
    // Too small to show its shape: two dots run together, or a caron's arms, look like anything.
    if (box.height < 3 * std::max(1.0, pixel) || box.width < 3 * std::max(1.0, pixel))
        return Accent::Unknown;
    const cv::Mat mark = labels(box) == k;
    // A ring holds a hole.
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(closed(mark), contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
    for (const cv::Vec4i &h : hierarchy) {
        if (h[3] >= 0)
            return Accent::Ring;
    }
    // A stroke that leans: the acute's top lies right of its foot, the grave's left. A stroke
    // crosses each row once; a mark with two arms in a row is upright.
    auto runsIn = [&mark](int row) {
        int runs = 0;
        for (int x = 0; x < mark.cols; ++x)
            runs += mark.at<uchar>(row, x) && (x == 0 || !mark.at<uchar>(row, x - 1)) ? 1 : 0;
        return runs;
    };
    bool oneStroke = true;
    for (int y = 0; y < mark.rows; ++y)
        oneStroke = oneStroke && runsIn(y) <= 1;
    // Its lean is weighed by the darkness of its pixels and those around it: at a small size the
    // anti-aliasing holds most of it.
    const cv::Rect around = cv::Rect(box.x - 1, box.y - 1, box.width + 2, box.height + 1)
        & cv::Rect(0, 0, labels.cols, labels.rows);
    double sumX = 0, sumY = 0, sumXY = 0, sumYY = 0, n = 0;
    for (int y = around.y; y < around.y + around.height; ++y) {
        for (int x = around.x; x < around.x + around.width; ++x) {
            const int label = labels.at<int>(y, x);
            if (label != 0 && label != k)
                continue;
            const double w = std::max(0, 255 - int(grey.at<uchar>(y, from + x)));
            sumX += w * x;
            sumY += w * y;
            sumXY += w * x * y;
            sumYY += w * y * y;
            n += w;
        }
    }
    if (n <= 0)
        return Accent::Unknown;
    const double varY = sumYY / n - (sumY / n) * (sumY / n);
    if (oneStroke && varY > 0) {
        const double lean = (sumXY / n - (sumX / n) * (sumY / n)) / varY; // columns per row, downwards
        if (lean <= -0.4)
            return Accent::Acute;
        if (lean >= 0.4)
            return Accent::Grave;
    }
    return upright(mark);
}

bool leadingUnderscore(const cv::Mat &ink, double baseline, double slope, double capHeight)
{
    if (ink.rows < 2 || capHeight < 4)
        return false;
    int strokeColumns = 0, strokeEnd = 0;
    std::vector<int> strokeTops;
    for (int x = 0; x < ink.cols; ++x) {
        const double base = baseline + slope * x;
        const int y0 = std::clamp(int(std::lround(base - 1.1 * capHeight)), 0, ink.rows);
        const int y1 = std::clamp(int(std::lround(base + 0.45 * capHeight)), 0, ink.rows);
        // The column's topmost run of ink.
        int first = -1, last = -1;
        for (int y = y0; y < y1 && (first < 0 || last == y - 1); ++y) {
            if (!ink.at<uchar>(y, x))
                continue;
            if (first < 0)
                first = y;
            last = y;
        }
        if (first < 0 && strokeColumns == 0)
            continue; // the margin before the line
        // Thin, and under the baseline rather than on it.
        if (first < 0 || last - first + 1 > 0.3 * capHeight || (first + last) / 2.0 < base
            || last < base + 0.05 * capHeight)
            break;
        ++strokeColumns;
        strokeEnd = x + 1;
        strokeTops.push_back(first);
    }
    if (strokeColumns < 0.3 * capHeight)
        return false;
    // A rule's top row runs on under the letters, as thin as the stroke; an underscore's does not.
    // The page below a selected row's highlight may reach up to the stroke's row, but runs on
    // downwards, far thicker than a rule.
    std::nth_element(strokeTops.begin(), strokeTops.begin() + std::ptrdiff_t(strokeTops.size() / 2), strokeTops.end());
    const int top = strokeTops[strokeTops.size() / 2];
    const int thin = std::max(2, int(std::lround(0.3 * capHeight)));
    int runsOn = 0;
    for (int x = strokeEnd; x < ink.cols; ++x) {
        int y = top;
        while (y < ink.rows && y - top <= thin && ink.at<uchar>(y, x))
            ++y;
        runsOn += y > top && y - top <= thin ? 1 : 0;
    }
    return runsOn <= 0.5 * (ink.cols - strokeEnd);
}

} // namespace quillmore
