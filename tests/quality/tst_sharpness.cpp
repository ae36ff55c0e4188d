#include "tst_sharpness.h"

#include "model/cancellation.h"
#include "quality/imagequalityanalyzer.h"

#include <QTest>

#include <cmath>
#include <functional>

using namespace quillmore;

namespace {

GreyImage filled(int w, int h, const std::function<int(int, int)> &value)
{
    GreyImage image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.at(x, y) = std::uint8_t(std::clamp(value(x, y), 0, 255));
    return image;
}

// Squares of `cell` pixels, alternately `low` and `high`.
GreyImage checkerboard(int w, int h, int cell, int low = 0, int high = 255)
{
    return filled(w, h, [=](int x, int y) { return ((x / cell + y / cell) % 2) ? high : low; });
}

GreyImage blurred(const GreyImage &image, double sigma)
{
    const int radius = int(std::ceil(3 * sigma));
    std::vector<double> kernel;
    double total = 0;
    for (int i = -radius; i <= radius; ++i)
        total += kernel.emplace_back(std::exp(-(i * i) / (2 * sigma * sigma)));
    const auto pass = [&](const GreyImage &in, bool across) {
        return filled(in.width, in.height, [&](int x, int y) {
            double sum = 0;
            for (int i = -radius; i <= radius; ++i) {
                const int sx = across ? std::clamp(x + i, 0, in.width - 1) : x;
                const int sy = across ? y : std::clamp(y + i, 0, in.height - 1);
                sum += kernel[std::size_t(i + radius)] * in.at(sx, sy);
            }
            return int(std::lround(sum / total));
        });
    };
    return pass(pass(image, true), false);
}

} // namespace

void TestSharpness::noScore_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("kind"); // 0 checkerboard, 1 uniform grey, 2 detail only on the border

    QTest::newRow("longest side 511") << 511 << 511 << 0;
    QTest::newRow("400 x 300") << 400 << 300 << 0;
    QTest::newRow("narrower than 8") << 7 << 768 << 0;
    QTest::newRow("lower than 8") << 768 << 7 << 0;
    QTest::newRow("uniform grey") << 768 << 512 << 1;
    QTest::newRow("outermost rows and columns are never centre pixels") << 768 << 512 << 2;
}

void TestSharpness::noScore()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, kind);
    GreyImage image;
    if (kind == 0)
        image = checkerboard(width, height, 2);
    else if (kind == 1)
        image = GreyImage(width, height, 128);
    else
        image = filled(width, height, [&](int x, int y) {
            const bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            return border ? ((x * 7 + y * 13) % 2) * 255 : 128;
        });
    QVERIFY(!sharpnessScore(image).has_value());
}

void TestSharpness::checkerboards_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("cell");
    QTest::addColumn<double>("sigma"); // 0 = not blurred
    QTest::addColumn<bool>("sharp");

    QTest::newRow("one-pixel checkerboard") << 768 << 512 << 1 << 0.0 << true;
    QTest::newRow("eight-pixel checkerboard") << 768 << 512 << 8 << 0.0 << true;
    QTest::newRow("eight-pixel checkerboard, blurred") << 768 << 512 << 8 << 3.0 << false;
    QTest::newRow("smallest size that is scored, blurred") << 512 << 8 << 8 << 3.0 << false;
    QTest::newRow("portrait, sixteen-pixel squares") << 512 << 768 << 16 << 0.0 << true;
    QTest::newRow("portrait, sixteen-pixel squares, blurred") << 512 << 768 << 16 << 4.0 << false;
}

void TestSharpness::checkerboards()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, cell);
    QFETCH(double, sigma);
    QFETCH(bool, sharp);
    GreyImage image = checkerboard(width, height, cell);
    if (sigma > 0)
        image = blurred(image, sigma);
    const auto score = sharpnessScore(image);
    QVERIFY(score.has_value());
    if (sharp)
        QVERIFY2(*score >= 1.0, qPrintable(QString::number(*score)));
    else
        QVERIFY2(*score < 0.25, qPrintable(QString::number(*score)));
    if (cell == 1) {
        // Every centre pixel differs from its four neighbours by 255: L = ±1020, and the
        // variance of the grey values is 127.5².
        QVERIFY(std::abs(*score - 1020.0 * 1020.0 / (127.5 * 127.5)) < 0.01);
    }
}

void TestSharpness::sameScoreForScaledOrShiftedGrey()
{
    // Grey values 0..100; doubled and shifted by 30 they stay within 0..255 exactly.
    const GreyImage image = blurred(checkerboard(768, 512, 6, 0, 100), 1.0);
    const GreyImage scaled = filled(768, 512, [&](int x, int y) { return 2 * image.at(x, y) + 30; });
    const GreyImage shifted = filled(768, 512, [&](int x, int y) { return image.at(x, y) + 90; });
    const auto original = sharpnessScore(image);
    QVERIFY(original.has_value());
    QCOMPARE(*sharpnessScore(scaled), *original);
    QCOMPARE(*sharpnessScore(shifted), *original);
}

void TestSharpness::bestTileCounts()
{
    // A soft picture with one sharp tile (192 × 128, the second tile of the third row) is not
    // flagged; without that tile it is.
    const GreyImage soft = blurred(checkerboard(768, 512, 16), 4.0);
    const GreyImage sharp = checkerboard(768, 512, 4);
    const GreyImage mixed = filled(768, 512, [&](int x, int y) {
        const bool inTile = x >= 192 && x < 384 && y >= 256 && y < 384;
        return inTile ? sharp.at(x, y) : soft.at(x, y);
    });
    QVERIFY(*sharpnessScore(soft) < sharpnessThreshold);
    QVERIFY(*sharpnessScore(mixed) >= sharpnessThreshold);
}

void TestSharpness::cancellationIsTestedEvery32Rows()
{
    std::stop_source source;
    source.request_stop();
    QVERIFY_THROWS_EXCEPTION(Cancelled, sharpnessScore(checkerboard(768, 512, 8), source.get_token()));
    // A picture too small to score is answered without reaching a checkpoint.
    QVERIFY(!sharpnessScore(checkerboard(400, 300, 8), source.get_token()).has_value());
}

void TestSharpness::scalingToFit_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expectedWidth");
    QTest::addColumn<int>("expectedHeight");

    QTest::newRow("6000 x 4000") << 6000 << 4000 << 768 << 512;
    QTest::newRow("1500 x 1000") << 1500 << 1000 << 768 << 512;
    QTest::newRow("1024 x 768") << 1024 << 768 << 768 << 576;
    QTest::newRow("portrait 768 x 1024") << 768 << 1024 << 576 << 768;
    QTest::newRow("already fits") << 400 << 300 << 400 << 300;
    QTest::newRow("exactly 768") << 768 << 100 << 768 << 100;
    QTest::newRow("very wide") << 5000 << 2 << 768 << 1;
}

void TestSharpness::scalingToFit()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, expectedWidth);
    QFETCH(int, expectedHeight);
    // A constant picture stays constant: the shares of each target pixel add up to one.
    const GreyImage scaled = scaledToFit(GreyImage(width, height, 201), 768);
    QCOMPARE(scaled.width, expectedWidth);
    QCOMPARE(scaled.height, expectedHeight);
    QCOMPARE(scaled.pixels.size(), std::size_t(expectedWidth) * std::size_t(expectedHeight));
    QVERIFY(std::all_of(scaled.pixels.begin(), scaled.pixels.end(), [](std::uint8_t v) { return v == 201; }));
}

void TestSharpness::orientation_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QString>("expected"); // rows of the turned 3 × 2 picture "abc/def"

    QTest::newRow("1 as stored") << 1 << "abc/def";
    QTest::newRow("2 mirrored") << 2 << "cba/fed";
    QTest::newRow("3 half turn") << 3 << "fed/cba";
    QTest::newRow("4 upside down mirrored") << 4 << "def/abc";
    QTest::newRow("5 transposed") << 5 << "ad/be/cf";
    QTest::newRow("6 quarter turn clockwise") << 6 << "da/eb/fc";
    QTest::newRow("7 transversed") << 7 << "fc/eb/da";
    QTest::newRow("8 quarter turn anticlockwise") << 8 << "cf/be/ad";
    QTest::newRow("out of range") << 9 << "abc/def";
}

void TestSharpness::orientation()
{
    QFETCH(int, orientation);
    QFETCH(QString, expected);
    GreyImage image(3, 2);
    const QByteArray letters = "abcdef";
    std::copy(letters.begin(), letters.end(), image.pixels.begin());
    const GreyImage turned = oriented(image, orientation);
    QStringList rows;
    for (int y = 0; y < turned.height; ++y) {
        QString row;
        for (int x = 0; x < turned.width; ++x)
            row += QChar(turned.at(x, y));
        rows << row;
    }
    QCOMPARE(rows.join(u'/'), expected);
}
