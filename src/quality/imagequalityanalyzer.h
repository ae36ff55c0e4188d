#pragma once

// Possible blur and damaged files, judged on a small grey preview of each copied picture.

#include "interfaces.h"
#include "platform/imagepreview.h"

#include <QHash>

#include <mutex>
#include <optional>
#include <stop_token>

namespace quillmore {

// The sharpness score of a grey picture: the picture is cut into a 4 × 4 grid of tiles (the
// outermost rows and columns never at the centre of a measurement); in each tile the variance
// of the 4-neighbour Laplacian is divided by the variance of the grey values, and the best tile
// counts. Tiles with a grey variance below 64 are too flat to judge and are left out. Nothing
// when the picture is smaller than 8 pixels either way or its longest side is below 512, or
// when no tile qualifies. Scaling or shifting all grey values leaves the score unchanged.
// Tests for cancellation at every 32nd row and throws Cancelled.
std::optional<double> sharpnessScore(const GreyImage &image, std::stop_token stop = {});

// A score below this is possibly unsharp.
inline constexpr double sharpnessThreshold = 0.5;

class ImageQualityAnalyzer : public ImageQualityAnalyzing {
public:
    // The longest side of the preview, in pixels.
    const qint64 maximumPreviewDimension = 768;

    // A JPEG or RAW file that is empty or cannot be decoded is a file problem, except that a RAW
    // file of a format no decoder here knows is not assessed (its camera may simply be unknown
    // here). Other types are not assessed. Both operations may be called from several threads
    // at once.
    std::optional<bool> assessFile(const FileURL &file, std::stop_token stop) override;
    // Flagged when the preview's sharpness score is below the threshold; not assessed when no
    // preview or no score can be made.
    std::optional<bool> assessBlur(const FileURL &file, std::stop_token stop) override;

private:
    // What one preview of a file told; both checks need the same preview, so it is decoded once
    // and remembered for as long as the file keeps its size, modification time and identity.
    struct Finding {
        qint64 size = -1;
        qint64 modifiedNs = 0;
        quint64 device = 0;
        quint64 inode = 0;
        PreviewStatus preview = PreviewStatus::unreadable;
        std::optional<double> score;
    };

    Finding findingFor(const FileURL &file, std::stop_token stop);

    std::mutex m_mutex; // guards the findings; files are looked at in parallel
    QHash<QString, Finding> m_findings;
};

} // namespace quillmore
