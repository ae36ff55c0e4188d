#include "imagequalityanalyzer.h"

#include "model/cancellation.h"
#include "platform/fileoperations.h"
#include "platform/paths.h"

#include <array>
#include <cmath>

namespace quillmore {
namespace {

// Per tile: Σp, Σp², ΣL, ΣL² and n. Every term is a whole number well below 2^53, so summing
// in 64-bit integers gives exactly the double-precision sums.
struct TileSums {
    std::int64_t p = 0;
    std::int64_t p2 = 0;
    std::int64_t l = 0;
    std::int64_t l2 = 0;
    std::int64_t n = 0;
};

// The first centre index of each of the four tiles along a side of `length` pixels, and the end
// of the last: tile i runs from max(⌊i·length/4⌋, 1) up to but excluding min(⌊(i+1)·length/4⌋,
// length − 1).
std::array<int, 5> tileBounds(int length)
{
    std::array<int, 5> bounds{};
    for (int i = 0; i <= 4; ++i)
        bounds[std::size_t(i)] = std::clamp(int(std::int64_t(i) * length / 4), 1, length - 1);
    return bounds;
}

// Files this many findings are remembered for at most; then the memory starts afresh.
constexpr qsizetype maximumFindings = 4096;

} // namespace

std::optional<double> sharpnessScore(const GreyImage &image, std::stop_token stop)
{
    const int w = image.width;
    const int h = image.height;
    if (w < 8 || h < 8 || std::max(w, h) < 512)
        return std::nullopt;
    if (image.pixels.size() != std::size_t(w) * std::size_t(h))
        return std::nullopt;
    const auto columns = tileBounds(w);
    const auto rows = tileBounds(h);
    std::array<TileSums, 16> tiles{};
    int tileRow = 0;
    for (int y = 0; y < h; ++y) {
        if (y % 32 == 0)
            throwIfCancelled(stop);
        if (y < 1 || y >= h - 1)
            continue;
        while (tileRow < 3 && y >= rows[std::size_t(tileRow) + 1])
            ++tileRow;
        const std::uint8_t *above = &image.pixels[std::size_t(y - 1) * std::size_t(w)];
        const std::uint8_t *here = above + w;
        const std::uint8_t *below = here + w;
        for (int c = 0; c < 4; ++c) {
            TileSums &sums = tiles[std::size_t(tileRow * 4 + c)];
            std::int64_t p = 0, p2 = 0, l = 0, l2 = 0;
            const int begin = columns[std::size_t(c)];
            const int end = columns[std::size_t(c) + 1];
            for (int x = begin; x < end; ++x) {
                const int v = here[x];
                const int laplacian = 4 * v - here[x - 1] - here[x + 1] - above[x] - below[x];
                p += v;
                p2 += v * v;
                l += laplacian;
                l2 += laplacian * laplacian;
            }
            sums.p += p;
            sums.p2 += p2;
            sums.l += l;
            sums.l2 += l2;
            sums.n += std::max(0, end - begin);
        }
    }
    std::optional<double> best;
    for (const TileSums &sums : tiles) {
        if (sums.n == 0)
            continue;
        const double n = double(sums.n);
        const double meanP = double(sums.p) / n;
        const double variance = double(sums.p2) / n - meanP * meanP;
        if (std::isnan(variance) || variance < 64.0)
            continue;
        const double meanL = double(sums.l) / n;
        const double laplacianVariance = std::max(0.0, double(sums.l2) / n - meanL * meanL);
        const double score = laplacianVariance / variance;
        if (!best || score > *best)
            best = score;
    }
    return best;
}

ImageQualityAnalyzer::Finding ImageQualityAnalyzer::findingFor(const FileURL &file, std::stop_token stop)
{
    const QString key = standardizedPath(file);
    Finding finding;
    const std::optional<FileAttributes> attributes = realFileOperations().attributes(file);
    if (attributes) {
        finding.size = attributes->size;
        finding.modifiedNs = qint64(attributes->modificationTime.tv_sec) * 1'000'000'000
            + qint64(attributes->modificationTime.tv_nsec);
        finding.device = attributes->device;
        finding.inode = attributes->inode;
        std::lock_guard lock(m_mutex);
        const auto remembered = m_findings.constFind(key);
        if (remembered != m_findings.constEnd() && remembered->size == finding.size
            && remembered->modifiedNs == finding.modifiedNs && remembered->device == finding.device
            && remembered->inode == finding.inode)
            return *remembered;
    }
    // Decoded outside the lock: several files may be looked at at once.
    const Preview preview = makePreview(file, int(maximumPreviewDimension), stop);
    finding.preview = preview.status;
    if (preview.image)
        finding.score = sharpnessScore(*preview.image, stop);
    if (attributes) {
        std::lock_guard lock(m_mutex);
        if (m_findings.size() >= maximumFindings)
            m_findings.clear();
        m_findings.insert(key, finding);
    }
    return finding;
}

std::optional<bool> ImageQualityAnalyzer::assessFile(const FileURL &file, std::stop_token stop)
{
    throwIfCancelled(stop);
    const QString name = lastPathComponent(file);
    const bool jpeg = hasExtensionIn(name, jpegExtensions());
    const bool raw = hasExtensionIn(name, rawExtensions());
    if (!jpeg && !raw)
        return std::nullopt;
    const std::optional<FileAttributes> attributes = realFileOperations().attributes(file);
    if (attributes && attributes->size == 0)
        return true;
    switch (findingFor(file, stop).preview) {
    case PreviewStatus::made: return false;
    case PreviewStatus::damaged: return true; // the decoder knows the format, but the data is cut short or corrupt
    case PreviewStatus::unreadable:
    case PreviewStatus::unknownFormat: break;
    }
    // A JPEG nothing can decode is damaged; a RAW file may be of a camera unknown here.
    if (jpeg)
        return true;
    return std::nullopt;
}

std::optional<bool> ImageQualityAnalyzer::assessBlur(const FileURL &file, std::stop_token stop)
{
    throwIfCancelled(stop);
    const Finding finding = findingFor(file, stop);
    if (finding.preview != PreviewStatus::made || !finding.score)
        return std::nullopt;
    return *finding.score < sharpnessThreshold;
}

} // namespace quillmore
