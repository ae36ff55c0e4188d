#pragma once

// Crop preparation: one detected box made ready for the line recogniser. Grey, dark text on light
// whatever the box's own colours, a file icon at its start trimmed off without taking a letter,
// the text enlarged to a set height, with a white border. The crop says where it came
// from, so that what is read on it can be placed on the screenshot.

#include <QRect>

#include <opencv2/core.hpp>

#include <optional>

namespace quillmore {

struct PreparedCrop {
    cv::Mat image;      // 8-bit grey; empty when the box holds no ink
    cv::Point2d origin; // the image point the crop's text area starts at
    double scale = 1.0; // enlargement of the text
    int border = 0;     // white border added on every side, in crop pixels
    QRect text;         // the text on it (icon trimmed off), in image coordinates

    bool empty() const { return image.empty(); }
    // The rectangle [left, right) x [top, bottom) of the crop, in image coordinates.
    QRect toImage(int left, int top, int right, int bottom) const;
};

// The height text is brought to for the recogniser, in pixels; a second look at a line reads it
// at another size, where the recogniser's mistakes fall elsewhere.
constexpr double readingTextHeight = 40.0;
constexpr double secondLookTextHeight = 52.0;

// The crop of `box` of the image (`grey` is the image in grey), ready for recognition, its text
// about `textHeight` pixels high.
PreparedCrop prepareCrop(const cv::Mat &bgr, const cv::Mat &grey, const cv::Rect &box,
                         double textHeight = readingTextHeight);

// The column of the box where its text starts: past a sliver the box cut off of something beside
// it, and past a file icon (a colourful shape beside grey text, or a dense blob taller than the
// letters after it and set apart from them), which never takes a letter with it. `colour` is the
// box in colour, `ink` its ink mask (non-zero where the text is); -1 when there is no ink.
int textStartColumn(const cv::Mat &colour, const cv::Mat &ink);

// The case a letter shows that differs from its other case only in its dot and its height (j and
// J): Small when a mark of its own sits over its stem, Capital when its stem alone rises to the
// height of capitals with nothing over it, Unknown when its ink says neither.
enum class LetterCase { Unknown, Small, Capital };
// The letter's ink lies in columns [left, right) of `ink` (non-zero where text is), on a line
// whose baseline is at row `baseline` and whose capitals are `capHeight` high.
LetterCase dottedLetterCase(const cv::Mat &ink, int left, int right, double baseline, double capHeight);

// The mark that holds the stem of the letter in columns [left, right) of `ink`: the tallest that
// stands on the baseline (at row `baseline`), rises to about the capitals' height (`capHeight`)
// and is centred in those columns; nothing when there is none, or it runs into its neighbours.
struct StemMark {
    int left = 0;  // the mark's first column
    int right = 0; // one past its last
    // Ink of its own left of the stem, as a 1 has (its flag, and in many fonts its foot) and an L
    // never has: an L's stem is its leftmost ink.
    bool inkLeftOfStem = false;
};
std::optional<StemMark> stemMark(const cv::Mat &ink, int left, int right, double baseline, double capHeight);

// The accent over a letter, as its ink shows it: Unknown where the ink says none of these (no
// mark, a mark joined to the letter, or one too small to tell its shape).
enum class Accent { Unknown, Acute, Grave, Circumflex, Caron, Diaeresis, Ring };
// The letter lies in columns [left, right) of `grey` (dark text on light), where ink is darker
// than `inkLevel`, on a line whose baseline is at row `baseline` and whose capitals are
// `capHeight` high; one pixel of the screen is `pixel` pixels of `grey`.
Accent accentOver(const cv::Mat &grey, double inkLevel, int left, int right, double baseline, double capHeight,
                  double pixel);

// How far the foot of the letter in columns [left, right) of `ink` runs along the baseline, in
// capital heights: the longest stretch of ink in the bottom rows of its stem's mark. An L's (or
// an Ł's) is about half a capital long, a t's turned-up tail far shorter. Nothing when no stem is
// found there.
std::optional<double> footLength(const cv::Mat &ink, int left, int right, double baseline, double capHeight);
// The shortest foot of an L, in capital heights.
inline constexpr double lFootLength = 0.42;

// Whether the line in `ink` starts with an underscore: its first ink a stroke under the baseline
// as long as an underscore. The letter after it may touch it, and a rule may run under it (a focus
// line, the edge of a highlight); a letter's own foot or hook stays on the baseline, and a rule
// that runs on under the letters is no underscore. The baseline is at row `baseline` in column 0
// and falls by `slope` rows a column; capitals are `capHeight` high.
bool leadingUnderscore(const cv::Mat &ink, double baseline, double slope, double capHeight);

} // namespace quillmore
