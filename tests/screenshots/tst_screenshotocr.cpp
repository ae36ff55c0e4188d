// Reads rendered file-list screenshots with the real recognition engine.

#include "screenshots/batchprocessor.h"
#include "screenshots/textrecognizer.h"

#include "model/cancellation.h"
#include "platform/ocrengine.h"
#include "platform/serialsections.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace quillmore;

namespace {

const QStringList shownNames{"IMG_4821.jpg", "Portrait_2041.jpg", "beach-7730.jpeg", "IMG_5190.JPG"};
const QStringList shownOthers{"IMG_4822.CR2", "notes.txt", "Invoice 2024.pdf"};

// A file browser's list view: icon, name, size and date columns; the third row selected.
QImage renderList(bool dark, int scale)
{
    const QSize logical(760, 300);
    QImage image(logical * scale, QImage::Format_RGB32);
    image.fill(dark ? QColor(0x24, 0x24, 0x24) : QColor(0xfa, 0xfa, 0xfa));
    QPainter p(&image);
    p.scale(scale, scale);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    p.setFont(font);
    const QColor text = dark ? QColor(0xee, 0xee, 0xee) : QColor(0x22, 0x22, 0x22);
    QStringList rows;
    for (int i = 0; i < shownNames.size(); ++i) {
        rows << shownNames.at(i);
        if (i < shownOthers.size())
            rows << shownOthers.at(i);
    }
    int y = 16;
    for (int i = 0; i < rows.size(); ++i, y += 34) {
        const bool selected = i == 2;
        if (selected)
            p.fillRect(QRect(0, y, logical.width(), 34), QColor(0x35, 0x84, 0xe4));
        p.fillRect(QRect(16, y + 8, 18, 18), QColor::fromHsv((i * 47) % 360, 180, 200));
        p.setPen(selected ? QColor(Qt::white) : text);
        p.drawText(QRect(46, y, 300, 34), Qt::AlignVCenter, rows.at(i));
        p.drawText(QRect(400, y, 100, 34), Qt::AlignVCenter, QStringLiteral("%1.4 MB").arg(i + 2));
        p.drawText(QRect(540, y, 200, 34), Qt::AlignVCenter, QStringLiteral("12 May 2024 14:0%1").arg(i));
    }
    return image;
}

bool modelsReady(QString *why)
{
    const OcrModelPaths paths = locateOcrModels();
    if (paths.detectionModel.isEmpty() || !paths.fullLanguageData()) {
        *why = QStringLiteral("the recognition models are not set up (scripts/setup fetches them)");
        return false;
    }
    return true;
}

} // namespace

class TestScreenshotOcr : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<OcrEnginePlatform> m_platform = std::make_shared<OcrEnginePlatform>();

private slots:
    void readsFileListScreenshots_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("format");
        QTest::newRow("light 1x png") << false << 1 << "png";
        QTest::newRow("dark 1x jpeg") << true << 1 << "jpg";
        QTest::newRow("light 2x jpeg") << false << 2 << "jpg";
        QTest::newRow("dark 2x png") << true << 2 << "png";
    }
    void readsFileListScreenshots()
    {
        QFETCH(bool, dark);
        QFETCH(int, scale);
        QFETCH(QString, format);
        QString why;
        if (!modelsReady(&why))
            QSKIP(qPrintable(why));
        const QString path = m_dir.filePath(
            QStringLiteral("%1-%2x.%3").arg(dark ? "dark" : "light").arg(scale).arg(format));
        QVERIFY(renderList(dark, scale).save(path, nullptr, 90));

        ScreenshotOCRBatchProcessor processor(std::make_shared<VisionTextRecognizer>(m_platform));
        std::stop_source stop;
        const ScreenshotOCRResult result = processor.processScreenshots({path}, {}, stop.get_token());
        QStringList read;
        for (const auto &c : result.candidates)
            read << c.fileName;
        int found = 0;
        for (const QString &name : shownNames)
            found += read.contains(name) ? 1 : 0;
        // Allow one miss: the assertion is about the pipeline, not the last percent.
        QVERIFY2(found >= shownNames.size() - 1, qPrintable(read.join(QStringLiteral(", "))));
        for (const QString &name : read) {
            QVERIFY2(!name.contains(QStringLiteral("CR2"), Qt::CaseInsensitive), qPrintable(name));
            QVERIFY(result.candidates.first().confidence > 0.0f && result.candidates.first().confidence <= 1.0f);
        }
        QCOMPARE(result.warnings.size(), 0);
    }

    // At screen sizes an underscore is a faint line on the baseline that the detector leaves
    // out of its box and the recogniser reads as a hyphen or a space; where its ink lies decides.
    void readsUnderscoresAtScreenSizes_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("dark");
        QTest::newRow("DejaVu 11 px light") << "DejaVu Sans" << 11 << false;
        QTest::newRow("DejaVu 13 px dark") << "DejaVu Sans" << 13 << true;
        QTest::newRow("Liberation 12 px light") << "Liberation Sans" << 12 << false;
        QTest::newRow("DejaVu 26 px dark (2x)") << "DejaVu Sans" << 26 << true;
    }
    void readsUnderscoresAtScreenSizes()
    {
        QFETCH(QString, family);
        QFETCH(int, pixels);
        QFETCH(bool, dark);
        QString why;
        if (!modelsReady(&why))
            QSKIP(qPrintable(why));
        const QStringList names{"_MG_5123.jpg", "Smith_0042.jpg", "IMG_4455.JPG", "Bjork_5070.JPG",
                                "de_Vries_1376.jpg"};
        QImage image(pixels * 40, pixels * 3 * int(names.size()), QImage::Format_RGB32);
        image.fill(dark ? QColor(0x24, 0x24, 0x24) : QColor(0xfa, 0xfa, 0xfa));
        {
            QPainter p(&image);
            QFont font(family);
            font.setPixelSize(pixels);
            p.setFont(font);
            p.setPen(dark ? QColor(0xee, 0xee, 0xee) : QColor(0x24, 0x24, 0x24));
            for (int i = 0; i < names.size(); ++i)
                p.drawText(QPoint(pixels * 2, pixels * (3 * i + 2)), names.at(i));
        }
        // Through JPEG, as screenshots are often sent.
        const QString path = m_dir.filePath(QStringLiteral("underscores-%1-%2.jpg").arg(pixels).arg(dark));
        QVERIFY(image.save(path, nullptr, 85));
        std::stop_source stop;
        QStringList read;
        for (const OcrTextBox &box : m_platform->recognizeFile(path, stop.get_token()))
            read << box.text;
        int exact = 0;
        for (const QString &name : names)
            exact += read.contains(name) ? 1 : 0;
        QVERIFY2(exact >= names.size() - 1, qPrintable(read.join(QStringLiteral(" | "))));
        for (const QString &text : read)
            QVERIFY2(!text.contains(QStringLiteral("-MG")) && !text.contains(QStringLiteral(" _")), qPrintable(text));
    }

    // An icon view: names wrapped under their icons into two or three centred pieces, cut after
    // an underscore, inside the number, or with a hyphen added; neighbouring labels close
    // together.
    void readsWrappedIconLabels_data()
    {
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("dark");
        QTest::newRow("1x light") << 13 << false;
        QTest::newRow("2x dark") << 26 << true;
    }
    void readsWrappedIconLabels()
    {
        QFETCH(int, pixels);
        QFETCH(bool, dark);
        QString why;
        if (!modelsReady(&why))
            QSKIP(qPrintable(why));
        const QList<QStringList> labels{{"Sebnem_", "4410.jpg"},
                                        {"DSC0123", "4.JPG"},
                                        {"wedding_20", "24_0117.jp-", "eg"},
                                        {"Portrait_", "0042.jpg"}};
        const QStringList expected{"Sebnem_4410.jpg", "DSC01234.JPG", "wedding_2024_0117.jpeg", "Portrait_0042.jpg"};
        const int cell = pixels * 8;
        QImage image(cell * int(labels.size()) + pixels * 2, pixels * 12, QImage::Format_RGB32);
        image.fill(dark ? QColor(0x24, 0x24, 0x24) : QColor(0xfa, 0xfa, 0xfa));
        {
            QPainter p(&image);
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(pixels);
            p.setFont(font);
            for (int i = 0; i < labels.size(); ++i) {
                const int x = pixels + i * cell;
                p.fillRect(QRect(x + cell / 2 - pixels * 2, pixels, pixels * 4, pixels * 3),
                           QColor::fromHsv(30 + i * 60, 200, 230));
                p.setPen(dark ? QColor(0xee, 0xee, 0xee) : QColor(0x24, 0x24, 0x24));
                for (int line = 0; line < labels.at(i).size(); ++line)
                    p.drawText(QRect(x, pixels * 5 + line * int(pixels * 1.3), cell, int(pixels * 1.3)),
                               Qt::AlignCenter, labels.at(i).at(line));
            }
        }
        const QString path = m_dir.filePath(QStringLiteral("icons-%1-%2.png").arg(pixels).arg(dark));
        QVERIFY(image.save(path));
        ScreenshotOCRBatchProcessor processor(std::make_shared<VisionTextRecognizer>(m_platform));
        std::stop_source stop;
        QStringList read;
        for (const auto &c : processor.processScreenshots({path}, {}, stop.get_token()).candidates)
            read << c.fileName;
        int found = 0;
        for (const QString &name : expected)
            found += read.contains(name) ? 1 : 0;
        QVERIFY2(found >= expected.size() - 1, qPrintable(read.join(QStringLiteral(", "))));
    }

    void tesseractSectionsRunInTheCallingThread()
    {
        // Tesseract's calls for its sections regions are bound to this program's entry points.
        QVERIFY(sectionsRunInCallingThread());
    }

    void installedLanguageDataLosesItsWordList()
    {
        // The installed data is laid out as the reader expects: its word list comes out (the
        // other suites here read with what is left).
        const OcrModelPaths paths = locateOcrModels();
        for (const QString &language : paths.languages.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
            const QString file = languageDataFile(paths.tessdataDir, language);
            if (file.isEmpty())
                QSKIP("the language data is not installed (scripts/setup installs it)");
            std::vector<char> data;
            QVERIFY(readLanguageDataWithoutWordList(QFile::encodeName(file).constData(), &data));
            QVERIFY2(qint64(data.size()) < QFileInfo(file).size(), qPrintable(file));
        }
    }

    // Without the detection model the engine finds lines itself.
    void readsWithoutTheDetectionModel()
    {
        OcrModelPaths paths = locateOcrModels();
        paths.detectionModel.clear();
        OcrEngine engine(paths);
        QImage image(600, 120, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(22);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(QPoint(20, 50), QStringLiteral("IMG_4821.jpg"));
            p.drawText(QPoint(320, 50), QStringLiteral("3.1 MB"));
        }
        std::stop_source stop;
        const QList<OcrTextBox> boxes = engine.recognize(image, stop.get_token());
        QStringList texts;
        for (const auto &b : boxes)
            texts << b.text;
        // The line finder keeps the name apart from the size column and the name is read.
        QVERIFY2(texts.size() >= 2, qPrintable(texts.join(QStringLiteral(" | "))));
        QVERIFY2(texts.first().contains(QStringLiteral("4821.jpg")), qPrintable(texts.join(QStringLiteral(" | "))));
        QVERIFY2(texts.last().contains(QStringLiteral("MB")), qPrintable(texts.join(QStringLiteral(" | "))));
    }

    void cancellationStopsARecognitionInFlight()
    {
        QString why;
        if (!modelsReady(&why))
            QSKIP(qPrintable(why));
        const QString path = m_dir.filePath(QStringLiteral("cancel.png"));
        QVERIFY(renderList(false, 2).save(path));
        VisionTextRecognizer recognizer(m_platform);
        std::stop_source stop;
        std::thread canceller([&stop] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            stop.request_stop();
        });
        bool cancelled = false;
        try {
            recognizer.recognizeTextLines(path, stop.get_token());
        } catch (const Cancelled &) {
            cancelled = true;
        }
        canceller.join();
        // Detection and twenty-odd boxes take far longer than 100 ms: the stop came in flight, and
        // the recognition ended in the cancellation, not with lines.
        QVERIFY(cancelled);
        // A stop already requested never gives lines.
        QVERIFY_THROWS_EXCEPTION(Cancelled, recognizer.recognizeTextLines(path, stop.get_token()));
    }

    // quillmore-cli read-screenshots and scan --screenshot, end to end.
    void commandLine()
    {
        QString why;
        if (!modelsReady(&why))
            QSKIP(qPrintable(why));
        const QString cli = QStringLiteral(QUILLMORE_BINARY_DIR "/src/app/quillmore-cli");
        if (!QFileInfo::exists(cli))
            QSKIP("quillmore-cli is not built");
        const QString shot = m_dir.filePath(QStringLiteral("cli list.png"));
        QVERIFY(renderList(false, 1).save(shot));
        const QString bad = m_dir.filePath(QStringLiteral("broken.heic"));
        QFile badFile(bad);
        QVERIFY(badFile.open(QIODevice::WriteOnly));
        badFile.write("not an image");
        badFile.close();

        QProcess read;
        read.start(cli, {QStringLiteral("read-screenshots"), shot, bad, QStringLiteral("--json")});
        QVERIFY(read.waitForFinished(300000));
        QCOMPARE(read.exitCode(), 0);
        const QJsonObject doc = QJsonDocument::fromJson(read.readAllStandardOutput()).object();
        QCOMPARE(doc.value(QStringLiteral("screenshotCount")).toInt(), 2);
        const QJsonArray warnings = doc.value(QStringLiteral("warnings")).toArray();
        QCOMPARE(warnings.size(), 1);
        QCOMPARE(warnings.at(0).toObject().value(QStringLiteral("path")).toString(), bad);
        QStringList names;
        for (const QJsonValue &c : doc.value(QStringLiteral("candidates")).toArray()) {
            const QJsonObject candidate = c.toObject();
            names << candidate.value(QStringLiteral("fileName")).toString();
            QCOMPARE(candidate.value(QStringLiteral("sources")).toArray().first().toString(), shot);
            QVERIFY(!candidate.value(QStringLiteral("lines")).toArray().isEmpty());
        }
        QVERIFY2(names.contains(QStringLiteral("Portrait_2041.jpg")), qPrintable(names.join(QStringLiteral(", "))));
        QVERIFY(doc.value(QStringLiteral("filenameOccurrences")).toInt() >= names.size());

        // The names read become the selection of a scan: no local files.
        const QString search = m_dir.filePath(QStringLiteral("search"));
        const QString dest = m_dir.filePath(QStringLiteral("dest"));
        QVERIFY(QDir().mkpath(search + QStringLiteral("/day 1")) && QDir().mkpath(dest));
        QFile raw(search + QStringLiteral("/day 1/Portrait_2041.CR2"));
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write("raw");
        raw.close();
        QProcess scan;
        scan.start(cli,
                   {QStringLiteral("scan"), QStringLiteral("--screenshot"), shot, QStringLiteral("--search"), search,
                    QStringLiteral("--dest"), dest, QStringLiteral("--json")});
        QVERIFY(scan.waitForFinished(300000));
        QCOMPARE(scan.exitCode(), 0);
        const QJsonObject result = QJsonDocument::fromJson(scan.readAllStandardOutput()).object();
        bool found = false;
        for (const QJsonValue &r : result.value(QStringLiteral("results")).toArray()) {
            const QJsonObject row = r.toObject();
            if (row.value(QStringLiteral("fileName")).toString() == QStringLiteral("Portrait_2041.jpg")) {
                QCOMPARE(row.value(QStringLiteral("status")).toString(), QStringLiteral("found"));
                found = true;
            }
        }
        QVERIFY(found);

        QProcess both;
        both.start(cli,
                   {QStringLiteral("scan"), QStringLiteral("--screenshot"), shot, QStringLiteral("--selection"), search,
                    QStringLiteral("--search"), search, QStringLiteral("--dest"), dest});
        QVERIFY(both.waitForFinished(60000));
        QCOMPARE(both.exitCode(), 2);
    }

    void unreadableFileFailsThatScreenshotOnly()
    {
        const QString bad = m_dir.filePath(QStringLiteral("bad.png"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("garbage");
        file.close();
        VisionTextRecognizer recognizer(m_platform);
        std::stop_source stop;
        QVERIFY_THROWS_EXCEPTION(FailureError, recognizer.recognizeTextLines(bad, stop.get_token()));
    }
};

QTEST_MAIN(TestScreenshotOcr)
#include "tst_screenshotocr.moc"
