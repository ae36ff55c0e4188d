#include "platform/screenshotimage.h"
#include "platform/textpolarity.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <libheif/heif.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quillmore;

namespace {

// A 40 x 20 image: red left half, blue right half.
QImage halves()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 20, 20, Qt::red);
    return image;
}

bool writeHeic(const QImage &source, const QString &path, QString *why)
{
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) {
        *why = QStringLiteral("libheif has no HEVC encoder here");
        return false;
    }
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    heif_error e = heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    if (e.code != heif_error_Ok) {
        heif_context_free(context);
        *why = QString::fromUtf8(e.message);
        return false;
    }
    heif_encoder_set_lossless(encoder, 1);
    heif_image *image = nullptr;
    heif_image_create(source.width(), source.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, source.width(), source.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + y * stride, rgb.constScanLine(y), std::size_t(rgb.width() * 3));
    e = heif_context_encode_image(context, image, encoder, nullptr, nullptr);
    if (e.code == heif_error_Ok)
        e = heif_context_write_to_file(context, QFile::encodeName(path).constData());
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    if (e.code != heif_error_Ok)
        *why = QString::fromUtf8(e.message);
    return e.code == heif_error_Ok;
}

} // namespace

class TestScreenshotImage : public QObject {
    Q_OBJECT

private slots:
    void loadsPngAndJpeg_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("png") << "png";
        QTest::newRow("jpeg") << "jpg";
    }
    void loadsPngAndJpeg()
    {
        QFETCH(QString, format);
        QTemporaryDir dir;
        // A name with a space and an accent.
        const QString path = dir.path() + QStringLiteral("/shot \u00E9.") + format;
        QVERIFY(halves().save(path, nullptr, 95));
        const QImage loaded = loadScreenshotImage(path);
        QCOMPARE(loaded.size(), QSize(40, 20));
        QVERIFY(qRed(loaded.pixel(5, 10)) > 200);
        QVERIFY(qBlue(loaded.pixel(35, 10)) > 200);
    }

    void appliesJpegOrientation()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/rotated.jpg");
        QImageWriter writer(path);
        if (!writer.supportsOption(QImageIOHandler::ImageTransformation))
            QSKIP("Qt's JPEG writer cannot store an orientation here");
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(halves()));
        const QImage loaded = loadScreenshotImage(path);
        QCOMPARE(loaded.size(), QSize(20, 40));
        QVERIFY(qRed(loaded.pixel(10, 5)) > 200); // the red half is now on top
    }

    void loadsHeic()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/shot.heic");
        QString why;
        if (!writeHeic(halves(), path, &why))
            QSKIP(qPrintable(QStringLiteral("cannot write a HEIC file: ") + why));
        const QImage loaded = loadScreenshotImage(path);
        QCOMPARE(loaded.size(), QSize(40, 20));
        QVERIFY(qRed(loaded.pixel(5, 10)) > 180);
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::newRow("text") << QByteArray("not an image") << "notes.png";
        QTest::newRow("empty") << QByteArray() << "empty.jpg";
        QTest::newRow("truncated PNG") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << "cut.png";
        QTest::newRow("HEIC header only") << QByteArray("\0\0\0\x18"
                                                        "ftypheic\0\0\0\0mif1heic",
                                                        24)
                                          << "cut.heic";
        QTest::newRow("missing") << QByteArray() << "";
    }
    void unreadableFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QTemporaryDir dir;
        QString path = dir.path() + QStringLiteral("/missing.png");
        if (!name.isEmpty()) {
            path = dir.path() + QLatin1Char('/') + name;
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QString why;
        QVERIFY(loadScreenshotImage(path, &why).isNull());
        QVERIFY(!why.isEmpty());
    }

    // Whatever is named like a picture but is no regular file is refused by its type, at once,
    // without being opened: opening a pipe would wait for a writer for good.
    void nonRegularFilesAreRefusedByType_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("socket") << "socket";
        QTest::newRow("device") << "device";
        QTest::newRow("folder") << "folder";
    }
    void nonRegularFilesAreRefusedByType()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/shot.png");
        const QByteArray encoded = QFile::encodeName(path);
        int boundSocket = -1;
        if (kind == QLatin1String("pipe")) {
            QCOMPARE(::mkfifo(encoded.constData(), 0600), 0);
        } else if (kind == QLatin1String("socket")) {
            boundSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (encoded.size() >= qsizetype(sizeof address.sun_path))
                QSKIP("the temporary folder's path is too long for a socket");
            std::memcpy(address.sun_path, encoded.constData(), std::size_t(encoded.size()));
            QCOMPARE(::bind(boundSocket, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        } else if (kind == QLatin1String("device")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else {
            QVERIFY(QDir().mkdir(path));
        }
        QString why;
        ScreenshotImageProblem problem = ScreenshotImageProblem::None;
        QVERIFY(loadScreenshotImage(path, &why, &problem).isNull());
        QCOMPARE(problem, ScreenshotImageProblem::NotRegularFile);
        QVERIFY(!why.isEmpty());
        if (boundSocket >= 0)
            ::close(boundSocket);
    }

    // The same limits hold whatever decodes the file.
    void tooLargeImagesAreRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/wide.png");
        QImage wide(maxScreenshotSide + 1, 1, QImage::Format_RGB32);
        wide.fill(Qt::white);
        QVERIFY(wide.save(path));
        ScreenshotImageProblem problem = ScreenshotImageProblem::None;
        QVERIFY(loadScreenshotImage(path, nullptr, &problem).isNull());
        QCOMPARE(problem, ScreenshotImageProblem::TooLarge);
    }

    // Transparent parts show the white page, not the colour stored under them (often black).
    void transparencyIsCompositedOntoWhite()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/clear.png");
        QImage image(20, 10, QImage::Format_ARGB32);
        image.fill(qRgba(0, 0, 0, 0));
        image.setPixel(2, 2, qRgba(0, 0, 0, 255));
        QVERIFY(image.save(path));
        const QImage loaded = loadScreenshotImage(path);
        QVERIFY(!loaded.hasAlphaChannel());
        QCOMPARE(loaded.pixel(10, 5) & 0xffffff, 0xffffffu);
        QCOMPARE(loaded.pixel(2, 2) & 0xffffff, 0u);
    }

    // Each box's text polarity comes from its own background and ink: light text on a coloured
    // highlight is light text, however light the highlight.
    void polarity_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("ink");
        QTest::addColumn<bool>("withIcon");
        QTest::addColumn<bool>("light");
        QTest::newRow("dark on white") << QColor(255, 255, 255) << QColor(30, 30, 30) << false << false;
        QTest::newRow("light on dark") << QColor(40, 40, 40) << QColor(230, 230, 230) << false << true;
        QTest::newRow("white on light blue highlight")
            << QColor(120, 170, 230) << QColor(255, 255, 255) << false << true;
        QTest::newRow("white on blue highlight, dark icon")
            << QColor(53, 132, 228) << QColor(255, 255, 255) << true << true;
        QTest::newRow("dark on yellow highlight") << QColor(250, 220, 120) << QColor(20, 20, 20) << false << false;
        QTest::newRow("dark on mid grey") << QColor(110, 110, 110) << QColor(0, 0, 0) << false << false;
        QTest::newRow("dark on white, colourful icon") << QColor(255, 255, 255) << QColor(40, 40, 40) << true << false;
    }
    void polarity()
    {
        QFETCH(QColor, background);
        QFETCH(QColor, ink);
        QFETCH(bool, withIcon);
        QFETCH(bool, light);
        // A box 200 x 24 with strokes like letters, and an icon at its left when asked.
        QImage box(200, 24, QImage::Format_RGB32);
        box.fill(background);
        QPainter painter(&box);
        for (int x = 30; x < 190; x += 7)
            painter.fillRect(x, 6, 2, 12, ink);
        if (withIcon) {
            painter.fillRect(2, 2, 20, 20, QColor(20, 60, 20));
            painter.fillRect(6, 6, 8, 8, QColor(200, 40, 40));
        }
        painter.end();
        QCOMPARE(hasLightText(box), light);
    }

    void secondPassSizes_data()
    {
        QTest::addColumn<QSize>("original");
        QTest::addColumn<QSize>("prepared");
        QTest::newRow("small: doubled") << QSize(400, 300) << QSize(880, 680);
        QTest::newRow("medium: to 2048") << QSize(1500, 900) << QSize(2048, 1250);
        QTest::newRow("large: kept") << QSize(3000, 2000) << QSize(3040, 2040);
        QTest::newRow("tiny") << QSize(1, 1) << QSize(82, 82);
    }
    void secondPassSizes()
    {
        QFETCH(QSize, original);
        QFETCH(QSize, prepared);
        QCOMPARE(secondPassSize(original), prepared);
        QCOMPARE(secondPassScale(QSize(1, 1)), 2.0);
        QCOMPARE(secondPassScale(QSize(0, 0)), 2.0);
    }

    void secondPassImageIsPaddedAndThickened_data()
    {
        QTest::addColumn<QRgb>("page");
        QTest::addColumn<QRgb>("ink");
        QTest::addColumn<QList<QRect>>("lines");
        QTest::addColumn<int>("rowsOfInk");
        const QRect across(0, 20, 100, 11);
        // The line, doubled to 2 pixels, grows by one pixel on each side where it is a line to read
        // again and dark on light.
        QTest::newRow("dark on transparent") << qRgba(0, 0, 0, 0) << qRgb(0, 0, 0) << QList<QRect>{across} << 4;
        QTest::newRow("dark on light") << qRgb(235, 235, 235) << qRgb(20, 20, 20) << QList<QRect>{across} << 4;
        QTest::newRow("not a line to read") << qRgb(235, 235, 235) << qRgb(20, 20, 20) << QList<QRect>{} << 2;
        QTest::newRow("another line") << qRgb(235, 235, 235) << qRgb(20, 20, 20) << QList<QRect>{QRect(0, 0, 100, 8)}
                                      << 2;
        // The same filter would thin light strokes away.
        QTest::newRow("light on dark") << qRgb(30, 30, 30) << qRgb(240, 240, 240) << QList<QRect>{across} << 2;
        QTest::newRow("white on a highlight") << qRgb(53, 132, 228) << qRgb(255, 255, 255) << QList<QRect>{across} << 2;
    }
    void secondPassImageIsPaddedAndThickened()
    {
        QFETCH(QRgb, page);
        QFETCH(QRgb, ink);
        QFETCH(QList<QRect>, lines);
        QFETCH(int, rowsOfInk);
        // A 100 x 50 image with a one-pixel line across it, from x 10 to 89.
        QImage image(100, 50, QImage::Format_ARGB32);
        image.fill(page);
        for (int x = 10; x < 90; ++x)
            image.setPixel(x, 25, ink);
        const QImage prepared = prepareSecondPassImage(image, lines);
        QCOMPARE(prepared.size(), QSize(280, 180));
        QCOMPARE(prepared.pixel(5, 5), qRgb(255, 255, 255)); // the white border
        if (qAlpha(page) == 0)
            QCOMPARE(prepared.pixel(100, 60), qRgb(255, 255, 255)); // transparency became white
        const bool darkInk = qGray(ink) < qGray(page) || qAlpha(page) == 0;
        int rows = 0;
        for (int y = 80; y < 110; ++y) {
            const int level = qGray(prepared.pixel(140, y));
            rows += (darkInk ? level < 128 : level > 160) ? 1 : 0;
        }
        QCOMPARE(rows, rowsOfInk);
    }

    void secondPassImageOfNothing() { QVERIFY(prepareSecondPassImage(QImage(), {QRect(0, 0, 10, 10)}).isNull()); }
};

QTEST_GUILESS_MAIN(TestScreenshotImage)
#include "tst_screenshotimage.moc"
