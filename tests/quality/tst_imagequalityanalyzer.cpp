#include "tst_imagequalityanalyzer.h"

#include "model/cancellation.h"
#include "platform/imagepreview.h"
#include "quality/imagequalityanalyzer.h"
#include "support/testimages.h"

#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTest>

using namespace quillmore;
using namespace quillmore::testing;

namespace {

using Answer = std::optional<bool>;

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray randomBytes(int count, quint32 seed)
{
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

} // namespace

QString TestImageQualityAnalyzer::path(const QString &name) const
{
    return m_dir.filePath(name);
}

void TestImageQualityAnalyzer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QImage sharpSmall = photoLikeScene(400, 300, 1);
    const QImage sharp = photoLikeScene(1024, 768, 2);
    const QImage large = photoLikeScene(3000, 2000, 3);
    QVERIFY(writeJpeg(sharpSmall, path("small.jpg")));
    QVERIFY(writeJpeg(sharp, path("sharp.jpg")));
    QVERIFY(writeJpeg(gaussianBlurred(sharp, 4.0), path("blurred.jpg")));
    QVERIFY(writeJpeg(large, path("large.JPEG")));
    // Blurred the cheap way: a small blurred picture enlarged.
    const QImage largeBlurred = gaussianBlurred(photoLikeScene(750, 500, 3), 1.5)
                                    .scaled(3000, 2000, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QVERIFY(writeJpeg(largeBlurred, path("large-blurred.jpeg")));
    {
        QImageWriter progressive(path("progressive.jpg"), "jpeg");
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(sharp));
    }
    QImage grey(1024, 768, QImage::Format_RGB32);
    grey.fill(QColor(128, 128, 128));
    QVERIFY(writeJpeg(grey, path("grey.jpg")));

    QFile whole(path("sharp.jpg"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    writeBytes(path("truncated.jpg"), bytes.left(bytes.size() / 2));
    writeBytes(path("cut-at-40.jpg"), bytes.left(bytes.size() * 2 / 5));
    QVERIFY(bytes.endsWith("\xFF\xD9"));
    writeBytes(path("no-end-marker.jpg"), bytes.chopped(2));
    {
        QFile progressive(path("progressive.jpg"));
        QVERIFY(progressive.open(QIODevice::ReadOnly));
        const QByteArray p = progressive.readAll();
        QVERIFY(p.endsWith("\xFF\xD9"));
        writeBytes(path("progressive-no-end-marker.jpg"), p.chopped(2));
        writeBytes(path("progressive-cut-at-40.jpg"), p.left(p.size() * 2 / 5));
        // Cut right after a whole scan: every byte read is sound, but later scans are missing.
        const qsizetype lastScan = p.lastIndexOf("\xFF\xDA");
        QVERIFY(lastScan > 0);
        writeBytes(path("progressive-last-scan-missing.jpg"), p.left(lastScan));
    }
    writeBytes(path("header-only.jpg"), bytes.left(600));
    writeBytes(path("empty.jpg"), {});
    writeBytes(path("empty.nef"), {});
    writeBytes(path("empty.tif"), {});
    writeBytes(path("random.nef"), randomBytes(200000, 7));
    writeBytes(path("random.jpg"), randomBytes(200000, 8));
    writeBytes(path("tiff-like.cr2"), QByteArray("II*\0", 4) + randomBytes(5000, 9));
    QVERIFY(sharp.save(path("png-content.jpg"), "png"));
    QVERIFY(sharp.save(path("sharp.png"), "png"));

    QVERIFY(writeDng(sharp, path("sharp.dng")));
    QVERIFY(writeDng(gaussianBlurred(sharp, 4.0), path("blurred.DNG")));
    QVERIFY(writeDng(sharpSmall, path("small.dng")));
    QFile dng(path("sharp.dng"));
    QVERIFY(dng.open(QIODevice::ReadOnly));
    const QByteArray dngBytes = dng.readAll();
    writeBytes(path("truncated.dng"), dngBytes.left(dngBytes.size() / 3));
    writeBytes(path("header-only.dng"), dngBytes.left(300));
    writeBytes(path("noise-body.dng"), dngBytes.left(2000) + randomBytes(dngBytes.size() - 2000, 10));
}

void TestImageQualityAnalyzer::answers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Answer>("fileProblem");
    QTest::addColumn<Answer>("unsharp");

    const Answer none;
    QTest::newRow("sharp JPEG 1024 x 768") << "sharp.jpg" << Answer(false) << Answer(false);
    QTest::newRow("blurred JPEG 1024 x 768") << "blurred.jpg" << Answer(false) << Answer(true);
    QTest::newRow("sharp JPEG 3000 x 2000, upper-case extension") << "large.JPEG" << Answer(false) << Answer(false);
    QTest::newRow("blurred JPEG 3000 x 2000") << "large-blurred.jpeg" << Answer(false) << Answer(true);
    QTest::newRow("progressive JPEG") << "progressive.jpg" << Answer(false) << Answer(false);
    QTest::newRow("JPEG 400 x 300: too small to judge") << "small.jpg" << Answer(false) << none;
    QTest::newRow("uniform grey JPEG: too flat to judge") << "grey.jpg" << Answer(false) << none;
    QTest::newRow("truncated JPEG") << "truncated.jpg" << Answer(true) << none;
    QTest::newRow("JPEG cut at 40 %") << "cut-at-40.jpg" << Answer(true) << none;
    QTest::newRow("JPEG complete but for its end marker") << "no-end-marker.jpg" << Answer(false) << Answer(false);
    QTest::newRow("progressive JPEG without its end marker")
        << "progressive-no-end-marker.jpg" << Answer(false) << Answer(false);
    QTest::newRow("progressive JPEG cut at 40 %") << "progressive-cut-at-40.jpg" << Answer(true) << none;
    QTest::newRow("progressive JPEG without its last scan")
        << "progressive-last-scan-missing.jpg" << Answer(true) << none;
    QTest::newRow("JPEG cut after its header") << "header-only.jpg" << Answer(true) << none;
    QTest::newRow("zero-byte JPEG") << "empty.jpg" << Answer(true) << none;
    QTest::newRow("zero-byte RAW") << "empty.nef" << Answer(true) << none;
    QTest::newRow("zero-byte file of another type") << "empty.tif" << none << none;
    QTest::newRow("random bytes named as a JPEG") << "random.jpg" << Answer(true) << none;
    QTest::newRow("random bytes named as a RAW file") << "random.nef" << none << none;
    QTest::newRow("TIFF-like file no RAW decoder knows") << "tiff-like.cr2" << none << none;
    QTest::newRow("missing JPEG") << "missing.jpg" << Answer(true) << none;
    QTest::newRow("missing RAW file") << "missing.nef" << none << none;
    QTest::newRow("PNG data named as a JPEG") << "png-content.jpg" << Answer(false) << Answer(false);
    QTest::newRow("PNG: not a type the file check knows") << "sharp.png" << none << Answer(false);
    QTest::newRow("sharp DNG") << "sharp.dng" << Answer(false) << Answer(false);
    QTest::newRow("blurred DNG, upper-case extension") << "blurred.DNG" << Answer(false) << Answer(true);
    QTest::newRow("DNG 400 x 300: too small to judge") << "small.dng" << Answer(false) << none;
    // LibRaw knows the format but cannot decode the data: a damaged file, not an unknown camera.
    QTest::newRow("DNG cut short") << "truncated.dng" << Answer(true) << none;
    QTest::newRow("DNG cut inside its header") << "header-only.dng" << none << none;
    QTest::newRow("DNG header with noise for sensor data") << "noise-body.dng" << Answer(false) << Answer(false);
}

void TestImageQualityAnalyzer::answers()
{
    QFETCH(QString, name);
    QFETCH(Answer, fileProblem);
    QFETCH(Answer, unsharp);
    // Asked in both orders, by fresh analyzers, and twice by the same one: the remembered
    // finding gives the same answers as a fresh look.
    ImageQualityAnalyzer first;
    QCOMPARE(first.assessFile(path(name), {}), fileProblem);
    QCOMPARE(first.assessBlur(path(name), {}), unsharp);
    QCOMPARE(first.assessFile(path(name), {}), fileProblem);
    ImageQualityAnalyzer second;
    QCOMPARE(second.assessBlur(path(name), {}), unsharp);
    QCOMPARE(second.assessFile(path(name), {}), fileProblem);
}

void TestImageQualityAnalyzer::previewSizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    QTest::newRow("JPEG 1024 x 768") << "sharp.jpg" << 768 << 576;
    QTest::newRow("JPEG 3000 x 2000") << "large.JPEG" << 768 << 512;
    QTest::newRow("JPEG 400 x 300 keeps its size") << "small.jpg" << 400 << 300;
    QTest::newRow("DNG 1024 x 768, decoded at half size") << "sharp.dng" << 512 << 384;
    QTest::newRow("PNG 1024 x 768") << "sharp.png" << 768 << 576;
}

void TestImageQualityAnalyzer::previewSizes()
{
    QFETCH(QString, name);
    QFETCH(int, width);
    QFETCH(int, height);
    const auto preview = greyPreview(path(name), 768);
    QVERIFY(preview.has_value());
    QCOMPARE(preview->width, width);
    QCOMPARE(preview->height, height);
}

void TestImageQualityAnalyzer::orientationIsApplied_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("orientation");

    QTest::newRow("JPEG as stored") << "jpeg" << 1;
    QTest::newRow("JPEG quarter turn clockwise") << "jpeg" << 6;
    QTest::newRow("JPEG quarter turn anticlockwise") << "jpeg" << 8;
    QTest::newRow("DNG as stored") << "dng" << 1;
    QTest::newRow("DNG quarter turn clockwise") << "dng" << 6;
    QTest::newRow("DNG half turn") << "dng" << 3;
}

void TestImageQualityAnalyzer::orientationIsApplied()
{
    QFETCH(QString, format);
    QFETCH(int, orientation);
    // Stored 1600 × 800: the top half white, the bottom half black.
    QImage image(1600, 800, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 1600; ++x)
            image.setPixel(x, y, qRgb(255, 255, 255));
    const QString file = path(QStringLiteral("turned-%1.%2").arg(orientation).arg(format == "jpeg" ? "jpg" : "dng"));
    if (format == "jpeg") {
        QImageWriter writer(file, "jpeg");
        const QImageIOHandler::Transformations transformation = orientation == 6
            ? QImageIOHandler::TransformationRotate90
            : orientation == 8 ? QImageIOHandler::TransformationRotate270
                               : QImageIOHandler::TransformationNone;
        writer.setTransformation(transformation);
        QVERIFY(writer.write(image));
    } else {
        QVERIFY(writeDng(image, file, orientation));
    }
    const auto preview = greyPreview(file, 768);
    QVERIFY(preview.has_value());
    const bool turned = orientation >= 5;
    const int longest = format == "jpeg" ? 768 : 768; // DNG: half size is 800 × 400, then 768
    QCOMPARE(std::max(preview->width, preview->height), longest);
    QCOMPARE(preview->width > preview->height, !turned);
    // Where the stored top (white) ends up.
    const int w = preview->width;
    const int h = preview->height;
    int whiteX = w / 2, whiteY = h / 4, blackX = w / 2, blackY = 3 * h / 4;
    if (orientation == 6) { // top goes to the right
        whiteX = 3 * w / 4;
        whiteY = h / 2;
        blackX = w / 4;
        blackY = h / 2;
    } else if (orientation == 8) { // top goes to the left
        whiteX = w / 4;
        whiteY = h / 2;
        blackX = 3 * w / 4;
        blackY = h / 2;
    } else if (orientation == 3) { // top goes to the bottom
        std::swap(whiteY, blackY);
    }
    QVERIFY2(preview->at(whiteX, whiteY) > 200, qPrintable(QString::number(preview->at(whiteX, whiteY))));
    QVERIFY2(preview->at(blackX, blackY) < 40, qPrintable(QString::number(preview->at(blackX, blackY))));
}

void TestImageQualityAnalyzer::changedFileIsLookedAtAgain()
{
    // The finding remembered for a file is not used once the file has changed.
    const QString file = path("changing.jpg");
    QVERIFY(QFile::copy(path("sharp.jpg"), file));
    ImageQualityAnalyzer analyzer;
    QCOMPARE(analyzer.assessFile(file, {}), Answer(false));
    QFile sharp(path("sharp.jpg"));
    QVERIFY(sharp.open(QIODevice::ReadOnly));
    const QByteArray bytes = sharp.readAll();
    writeBytes(file, bytes.left(bytes.size() - 4000));
    QCOMPARE(analyzer.assessBlur(file, {}), Answer());
    QCOMPARE(analyzer.assessFile(file, {}), Answer(true));
}

void TestImageQualityAnalyzer::cancellation()
{
    std::stop_source source;
    source.request_stop();
    ImageQualityAnalyzer analyzer;
    QVERIFY_THROWS_EXCEPTION(Cancelled, analyzer.assessFile(path("sharp.jpg"), source.get_token()));
    QVERIFY_THROWS_EXCEPTION(Cancelled, analyzer.assessBlur(path("sharp.dng"), source.get_token()));
    QVERIFY_THROWS_EXCEPTION(Cancelled, greyPreview(path("sharp.dng"), 768, source.get_token()));
}
