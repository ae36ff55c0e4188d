#include "screenshots/batchprocessor.h"
#include "screenshots/textrecognizer.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/ocrmodels.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillmore;

namespace {

// Lines per screenshot path; a path not listed fails like an unreadable file. Can request a stop
// while a given screenshot is being read.
class FakeRecognizer : public ScreenshotTextRecognizing {
public:
    std::map<QString, QList<RecognizedTextLine>> lines;
    std::map<QString, int> millisecondsToRead;
    QString stopWhileReading;
    std::stop_source *source = nullptr;
    QStringList calls;
    FailureCode failure = FailureCode::imageUnreadable; // how a path not listed fails
    std::mutex mutex;
    int reading = 0, mostAtOnce = 0;

    QList<RecognizedTextLine> recognizeTextLines(const FileURL &url, std::stop_token stop) override
    {
        {
            std::lock_guard lock(mutex);
            calls << url;
            mostAtOnce = std::max(mostAtOnce, ++reading);
        }
        auto done = qScopeGuard([this] {
            std::lock_guard lock(mutex);
            --reading;
        });
        if (const auto delay = millisecondsToRead.find(url); delay != millisecondsToRead.end())
            std::this_thread::sleep_for(std::chrono::milliseconds(delay->second));
        if (url.endsWith(QLatin1String("uninstalled.png")))
            throw FailureError(FailureCode::recognitionUnavailable, ENOENT,
                               QStringLiteral("/usr/share/tessdata/Latin.traineddata"));
        if (url == stopWhileReading && source) {
            source->request_stop();
            throwIfCancelled(stop);
        }
        const auto it = lines.find(url);
        if (it == lines.end())
            throw FailureError(failure, 0, failure == FailureCode::imageUnreadable ? url : QStringLiteral("/models"));
        return it->second;
    }
};

// Boxes per call; records what the recognizer asked for.
class FakePlatform : public TextRecognitionPlatform {
public:
    QList<OcrTextBox> first;
    QList<OcrTextBox> second;
    bool imageLoads = true;
    bool firstFails = false;
    bool secondFails = false;
    std::stop_source *stopDuringFirst = nullptr;
    int recognitions = 0;

    QList<OcrTextBox> recognizeFile(const FileURL &, const std::stop_token &) override
    {
        ++recognitions;
        if (stopDuringFirst)
            stopDuringFirst->request_stop();
        if (firstFails)
            throw FailureError(FailureCode::recognitionUnavailable);
        return first;
    }
    std::optional<SecondPassImage> secondPassImage(const FileURL &, const QList<QRect> &lines) override
    {
        linesToPrepare = lines;
        if (!imageLoads)
            return std::nullopt;
        return SecondPassImage{QImage(1000, 1000, QImage::Format_RGB32), 20, 2.0};
    }
    QList<QRect> linesToPrepare;
    QList<QRect> regions;
    QList<OcrTextBox> recognizeImage(const QImage &, const QList<QRect> &r, const std::stop_token &) override
    {
        ++recognitions;
        regions = r;
        if (secondFails)
            throw FailureError(FailureCode::recognitionUnavailable);
        return second;
    }
};

QList<OcrTextBox> boxes(const QStringList &texts)
{
    QList<OcrTextBox> result;
    int y = 0;
    for (const QString &text : texts) {
        result.append(OcrTextBox{QRect(0, y, 400, 20), text, 0.8f});
        y += 40; // far apart: never one label
    }
    return result;
}

QStringList texts(const QList<RecognizedTextLine> &lines)
{
    QStringList result;
    for (const auto &line : lines)
        result << line.text;
    return result;
}

// A file that starts like a PNG image of the given size: its header is all the batch reads.
QString writePngHeader(const QString &path, quint32 width, quint32 height)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (const quint32 v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.append(char((v >> shift) & 0xff));
    }
    bytes.append("\x08\x02\0\0\0", 5);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString progressText(const QList<ScreenshotOCRProgress> &calls)
{
    QStringList parts;
    for (const auto &p : calls)
        parts << QStringLiteral("(%1,%2)").arg(p.completedScreenshots).arg(p.totalScreenshots);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestScreenshotBatch : public QObject {
    Q_OBJECT

private slots:
    void recognitionSettingsReachTheProgram_data();
    void recognitionSettingsReachTheProgram();
    void initTestCase() { setTextLanguage(QStringLiteral("en")); }

    void mergesRepeatedNamesAcrossScreenshots()
    {
        auto recognizer = std::make_shared<FakeRecognizer>();
        recognizer->lines["/shots/a.png"] = {{"IMG_0001.jpg", 0.4f}, {"IMG_0002.jpg IMG_0003.jpg", 0.7f}};
        // A list that hides extensions shows the same picture as a bare name. Beside names with
        // their extension, on b.png, it would be a label that lost its extension.
        recognizer->lines["/shots/b.png"] = {{"IMG_0001.jpg", 0.9f}, {"img_0001.jpg", 0.3f}, {"IMG_0009", 0.5f}};
        recognizer->lines["/shots/c.png"] = {{"IMG_0001", 0.5f}};
        ScreenshotOCRBatchProcessor processor(recognizer);
        std::stop_source stop;
        const ScreenshotOCRResult result = processor.processScreenshots(
            {"/shots/a.png", "/shots/b.png", "/shots/c.png"}, {}, stop.get_token());
        QCOMPARE(result.screenshotCount, 3);
        QCOMPARE(result.filenameOccurrences, 6);
        QCOMPARE(result.warnings.size(), 0);
        QCOMPARE(result.candidates.size(), 4);
        const ScreenshotNameCandidate &first = result.candidates.at(0);
        QCOMPARE(first.fileName, QStringLiteral("IMG_0001.jpg")); // the form read first stays
        QCOMPARE(first.confidence, 0.9f);
        QCOMPARE(first.sourceScreenshotURLs, (QList<FileURL>{"/shots/a.png", "/shots/b.png", "/shots/c.png"}));
        QCOMPARE(first.rawVisionRecognizedStrings, (QStringList{"IMG_0001.jpg", "IMG_0001"}));
        QVERIFY(!first.wasManuallyEdited);
        // Two names of one line: same line text and confidence.
        QCOMPARE(result.candidates.at(1).fileName, QStringLiteral("IMG_0002.jpg"));
        QCOMPARE(result.candidates.at(2).fileName, QStringLiteral("IMG_0003.jpg"));
        QCOMPARE(result.candidates.at(1).rawVisionRecognizedStrings,
                 result.candidates.at(2).rawVisionRecognizedStrings);
        QCOMPARE(result.candidates.at(2).confidence, 0.7f);
        // The key is case-sensitive.
        QCOMPARE(result.candidates.at(3).fileName, QStringLiteral("img_0001.jpg"));
    }

    void sameScreenshotTwiceIsReadOnce()
    {
        auto recognizer = std::make_shared<FakeRecognizer>();
        recognizer->lines["/shots/a.png"] = {{"IMG_0001.jpg", 0.5f}};
        ScreenshotOCRBatchProcessor processor(recognizer);
        std::stop_source stop;
        const auto result = processor.processScreenshots({"/shots/a.png", "/shots/./a.png", "/shots/x/../a.png"}, {},
                                                         stop.get_token());
        QCOMPARE(result.screenshotCount, 1);
        QCOMPARE(recognizer->calls, QStringList{"/shots/a.png"});
        QCOMPARE(result.candidates.size(), 1);
        QCOMPARE(result.candidates.at(0).sourceScreenshotURLs.size(), 1);
    }

    void unreadableScreenshotBecomesAWarning()
    {
        auto recognizer = std::make_shared<FakeRecognizer>();
        recognizer->lines["/s/1.png"] = {{"IMG_0001.jpg", 0.5f}};
        recognizer->lines["/s/3.png"] = {{"IMG_0003.jpg", 0.5f}};
        ScreenshotOCRBatchProcessor processor(recognizer);
        QList<ScreenshotOCRProgress> calls;
        std::stop_source stop;
        const auto result = processor.processScreenshots(
            {"/s/1.png", "/s/2 broken.png", "/s/3.png"}, [&](const ScreenshotOCRProgress &p) { calls << p; },
            stop.get_token());
        QCOMPARE(progressText(calls), QStringLiteral("(0,3) (1,3) (1,3) (2,3) (2,3) (3,3)"));
        QCOMPARE(calls.at(2).currentURL.value_or(QString()), QStringLiteral("/s/2 broken.png"));
        QCOMPARE(result.warnings.size(), 1);
        QCOMPARE(result.warnings.at(0).url.value_or(QString()), QStringLiteral("/s/2 broken.png"));
        QCOMPARE(result.warnings.at(0).message, localized("screenshot.ocr.file.error", QStringLiteral("2 broken.png")));
        QVERIFY(result.warnings.at(0).message.contains(QStringLiteral("2 broken.png")));
        QCOMPARE(result.candidates.size(), 2);
        QCOMPARE(result.screenshotCount, 3);
    }

    // The warning says why the screenshot could not be read, not only that it could not.
    void warningKeepsTheReason_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not an image") << int(FailureCode::imageUnreadable)
                                      << localized("screenshot.ocr.file.error", QStringLiteral("2.png"));
        QTest::newRow("out of memory") << int(FailureCode::outOfMemory)
                                       << localized("screenshot.ocr.file.memory", QStringLiteral("2.png"));
        QTest::newRow("no language data")
            << int(FailureCode::recognitionUnavailable)
            << localized("screenshot.ocr.unavailable", QStringLiteral("2.png"), QStringLiteral("/models"));
    }
    void warningKeepsTheReason()
    {
        QFETCH(int, failure);
        QFETCH(QString, expected);
        auto recognizer = std::make_shared<FakeRecognizer>();
        recognizer->failure = FailureCode(failure);
        ScreenshotOCRBatchProcessor processor(recognizer);
        const auto result = processor.processScreenshots({"/s/2.png"}, {}, {});
        QCOMPARE(result.warnings.size(), 1);
        QCOMPARE(result.warnings.at(0).message, expected);
    }

    // A pipe named like a picture is refused by its type: the recognizer never sees it, and the
    // batch neither waits for it nor stops at it.
    void nonRegularFilesAreRefusedByType()
    {
        QTemporaryDir dir;
        const QString pipe = dir.path() + QStringLiteral("/pipe.png");
        const QString folder = dir.path() + QStringLiteral("/folder.jpg");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(QDir().mkdir(folder));
        auto recognizer = std::make_shared<FakeRecognizer>();
        recognizer->lines["/s/1.png"] = {{"IMG_0001.jpg", 0.5f}};
        ScreenshotOCRBatchProcessor processor(recognizer);
        std::stop_source stop;
        const auto result = processor.processScreenshots({pipe, "/s/1.png", folder}, {}, stop.get_token());
        QCOMPARE(recognizer->calls, QStringList{"/s/1.png"});
        QCOMPARE(result.warnings.size(), 2);
        QCOMPARE(result.warnings.at(0).message,
                 localized("screenshot.ocr.file.notRegular", QStringLiteral("pipe.png")));
        QCOMPARE(result.warnings.at(1).message,
                 localized("screenshot.ocr.file.notRegular", QStringLiteral("folder.jpg")));
        QCOMPARE(result.candidates.size(), 1);
    }

    // Missing language data is the installation's problem, and the message names what is missing.
    void missingInstallationIsNamed()
    {
        auto recognizer = std::make_shared<FakeRecognizer>();
        ScreenshotOCRBatchProcessor processor(recognizer);
        std::stop_source stop;
        const auto result = processor.processScreenshots({"/s/uninstalled.png"}, {}, stop.get_token());
        QCOMPARE(result.warnings.size(), 1);
        QCOMPARE(result.warnings.at(0).message,
                 localized("screenshot.ocr.unavailable", QStringLiteral("uninstalled.png"),
                           QStringLiteral("/usr/share/tessdata/Latin.traineddata")));
        QVERIFY(result.warnings.at(0).message.contains(QStringLiteral("Latin.traineddata")));
    }

    // Screenshots are read several at once, yet progress, names and warnings come in the order of
    // the list, whichever finishes first.
    void parallelReadingKeepsTheOrder_data()
    {
        QTest::addColumn<int>("concurrentReads");
        QTest::newRow("one at a time") << 1;
        QTest::newRow("three at once") << 3;
    }
    void parallelReadingKeepsTheOrder()
    {
        QFETCH(int, concurrentReads);
        auto recognizer = std::make_shared<FakeRecognizer>();
        QList<FileURL> urls;
        for (int i = 1; i <= 6; ++i) {
            const QString url = QStringLiteral("/s/%1.png").arg(i);
            urls << url;
            if (i != 4)
                recognizer->lines[url] = {{QStringLiteral("IMG_000%1.jpg").arg(i), 0.5f}};
            recognizer->millisecondsToRead[url] = (7 - i) * 15; // the first take the longest
        }
        ScreenshotOCRBatchProcessor processor(recognizer, concurrentReads);
        QList<ScreenshotOCRProgress> calls;
        std::stop_source stop;
        const auto result = processor.processScreenshots(
            urls, [&](const ScreenshotOCRProgress &p) { calls << p; }, stop.get_token());
        QCOMPARE(progressText(calls),
                 QStringLiteral("(0,6) (1,6) (1,6) (2,6) (2,6) (3,6) (3,6) (4,6) (4,6) (5,6) "
                                "(5,6) (6,6)"));
        for (qsizetype k = 0; k < calls.size(); ++k)
            QCOMPARE(calls.at(k).currentURL.value_or(QString()), urls.at(k / 2));
        QStringList names;
        for (const auto &candidate : result.candidates)
            names << candidate.fileName;
        QCOMPARE(names, QStringList({"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.jpg", "IMG_0005.jpg", "IMG_0006.jpg"}));
        QCOMPARE(result.warnings.size(), 1);
        QCOMPARE(result.warnings.at(0).url.value_or(QString()), QStringLiteral("/s/4.png"));
        QCOMPARE(recognizer->calls.size(), 6);
        QVERIFY(recognizer->mostAtOnce <= concurrentReads);
        if (concurrentReads == 1)
            QCOMPARE(recognizer->calls, QStringList(urls.cbegin(), urls.cend()));
    }

    // Workers take the largest screenshot first, so that a long reading does not start last; a
    // file that is not a picture, or not there, comes after every picture. Results keep the list's order.
    void workersTakeTheLargestFirst()
    {
        QTemporaryDir dir;
        const QString small = writePngHeader(dir.path() + "/small.png", 800, 600);
        const QString large = writePngHeader(dir.path() + "/large.png", 3840, 2160);
        const QString middle = writePngHeader(dir.path() + "/middle.png", 1920, 1080);
        const QString alsoSmall = writePngHeader(dir.path() + "/alsoSmall.png", 600, 800);
        const QString missing = dir.path() + "/missing.png";
        const QString pipe = dir.path() + "/pipe.png";
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QStringList urls{small, missing, large, pipe, middle, alsoSmall};
        QCOMPARE(screenshotReadingOrder(urls), (std::vector<qint64>{2, 4, 0, 5, 1, 3}));

        auto recognizer = std::make_shared<FakeRecognizer>();
        for (const QString &url : {small, large, middle, alsoSmall})
            recognizer->lines[url] = {{QFileInfo(url).baseName() + ".jpg", 0.5f}};
        ScreenshotOCRBatchProcessor processor(recognizer, 2);
        std::stop_source stop;
        const auto result = processor.processScreenshots(urls, {}, stop.get_token());
        QStringList names;
        for (const auto &candidate : result.candidates)
            names << candidate.fileName;
        QCOMPARE(names, QStringList({"small.jpg", "large.jpg", "middle.jpg", "alsoSmall.jpg"}));
        QCOMPARE(result.warnings.size(), 2);
        QCOMPARE(result.warnings.at(0).url.value_or(QString()), missing);
        QCOMPARE(result.warnings.at(1).url.value_or(QString()), pipe);
    }

    // A stop while several are read keeps every screenshot read to its end, even one further down
    // the list than the one the stop cut short.
    void stopKeepsWhatWasReadOutOfOrder()
    {
        QTemporaryDir dir;
        const QString first = writePngHeader(dir.path() + "/first.png", 800, 600);
        const QString second = writePngHeader(dir.path() + "/second.png", 3840, 2160);
        auto recognizer = std::make_shared<FakeRecognizer>();
        recognizer->lines[first] = {{"IMG_0001.jpg", 0.5f}};
        recognizer->lines[second] = {{"IMG_0002.jpg", 0.5f}};
        recognizer->millisecondsToRead[first] = 150; // the second is read meanwhile
        std::stop_source stop;
        recognizer->stopWhileReading = first;
        recognizer->source = &stop;
        ScreenshotOCRBatchProcessor processor(recognizer, 2);
        QList<ScreenshotOCRProgress> calls;
        const auto result = processor.processScreenshots(
            {first, second}, [&](const ScreenshotOCRProgress &p) { calls << p; }, stop.get_token());
        QVERIFY(result.wasCancelled);
        QCOMPARE(result.screenshotCount, qint64(1));
        QCOMPARE(result.candidates.size(), 1);
        QCOMPARE(result.candidates.at(0).fileName, QStringLiteral("IMG_0002.jpg"));
        QCOMPARE(progressText(calls), QStringLiteral("(0,2)")); // no progress after the stop
    }

    // A likely misreading is mended only where something confirms the mended name: the second
    // pass reading it as it stands, or another line of the screenshot showing it. Otherwise the
    // line stands as it was read. The line as recognised is kept, and a mended name is marked
    // for checking.
    void mendingOnlyWhenConfirmed_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("recognized");
        QTest::addColumn<int>("recognitions");
        QTest::newRow("not confirmed: as read")
            << QStringList{"DSCO1234.jpg", "IMG_0001.jpg"} << QStringList{"DSCO1234.jpg"}
            << QStringList{"DSCO1234.jpg", "IMG_0001.jpg"} << QStringList{"", ""} << 2;
        QTest::newRow("confirmed by the second pass")
            << QStringList{"DSCO1234.jpg", "IMG_0001.jpg"} << QStringList{"DSC01234.jpg"}
            << QStringList{"DSC01234.jpg", "IMG_0001.jpg"} << QStringList{"DSCO1234.jpg", ""} << 2;
        QTest::newRow("confirmed by another line")
            << QStringList{"DSCO1234.jpg", "DSC01234.jpg"} << QStringList{}
            << QStringList{"DSC01234.jpg", "DSC01234.jpg"} << QStringList{"DSCO1234.jpg", ""} << 1;
        QTest::newRow("a correct reading is not rewritten") << QStringList{"MG_0417.JPG"} << QStringList{"MG_0417.JPG"}
                                                            << QStringList{"MG_0417.JPG"} << QStringList{""} << 2;
        QTest::newRow("the second pass confirms only what was proposed")
            << QStringList{"MG_0417.JPG"} << QStringList{"IMG_0417.JPG"} << QStringList{"MG_0417.JPG"}
            << QStringList{""} << 2;
        QTest::newRow("a dot put back, confirmed")
            << QStringList{"Smith_0042 jpg 2.1 MB"} << QStringList{"Smith_0042.jpg 2.1 MB"}
            << QStringList{"Smith_0042.jpg 2.1 MB"} << QStringList{"Smith_0042 jpg 2.1 MB"} << 2;
    }
    void mendingOnlyWhenConfirmed()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, recognized);
        QFETCH(int, recognitions);
        auto platform = std::make_shared<FakePlatform>();
        platform->first = boxes(first);
        platform->second = boxes(second);
        auto recognizer = std::make_shared<VisionTextRecognizer>(platform);
        std::stop_source stop;
        const QList<RecognizedTextLine> lines = recognizer->recognizeTextLines("/s/a.png", stop.get_token());
        QCOMPARE(texts(lines), expected);
        QStringList kept;
        for (const RecognizedTextLine &line : lines)
            kept << line.recognizedText;
        QCOMPARE(kept, recognized);
        QCOMPARE(platform->recognitions, recognitions);
        // A mending nothing confirmed travels with its line, for the batch to confirm.
        if (expected == first && first.first().contains(QLatin1String("DSCO")))
            QCOMPARE(lines.first().unconfirmedMending, QStringLiteral("DSC01234.jpg"));

        ScreenshotOCRBatchProcessor processor(recognizer, 1);
        const auto result = processor.processScreenshots({"/s/a.png"}, {}, stop.get_token());
        for (const ScreenshotNameCandidate &candidate : result.candidates) {
            const bool mended = !candidate.rawVisionRecognizedStrings.contains(candidate.fileName)
                && std::none_of(candidate.rawVisionRecognizedStrings.cbegin(),
                                candidate.rawVisionRecognizedStrings.cend(),
                                [&](const QString &raw) { return raw.contains(candidate.fileName); });
            QCOMPARE(candidate.needsNameCheck, mended);
        }
    }

    void mendedNameConfirmedElsewhere_data()
    {
        QTest::addColumn<bool>("firstMended");
        QTest::addColumn<bool>("secondMended");
        QTest::addColumn<bool>("check");
        QTest::newRow("mended twice") << true << true << true;
        QTest::newRow("mended, then read as it stands") << true << false << false;
        QTest::newRow("read as it stands, then mended") << false << true << false;
    }
    void mendedNameConfirmedElsewhere()
    {
        QFETCH(bool, firstMended);
        QFETCH(bool, secondMended);
        QFETCH(bool, check);
        const auto candidates = mergeDetections(
            {{"DSC01234.jpg", 0.5f, "/s/a.png", "DSCO1234.jpg", QRect(), firstMended},
             {"DSC01234.jpg", 0.5f, "/s/b.png", "DSC01234.jpg", QRect(), secondMended}});
        QCOMPARE(candidates.size(), 1);
        QCOMPARE(candidates.at(0).needsNameCheck, check);
    }

    // A mended reading that its screenshot did not confirm is taken when another screenshot of the
    // batch shows the name as it stands.
    void mendingConfirmedElsewhereInTheBatch_data()
    {
        QTest::addColumn<bool>("readElsewhere");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("confirmed by another screenshot") << true << QStringList{"DSC01234.jpg"};
        QTest::newRow("not confirmed: as read") << false << QStringList{"DSCO1234.jpg"};
    }
    void mendingConfirmedElsewhereInTheBatch()
    {
        QFETCH(bool, readElsewhere);
        QFETCH(QStringList, names);
        QList<DetectedScreenshotFilename> detections{
            {"DSCO1234.jpg", 0.5f, "/s/a.png", "DSCO1234.jpg", QRect(), false, "DSC01234.jpg"}};
        if (readElsewhere)
            detections.append({"DSC01234.jpg", 0.5f, "/s/b.png", "DSC01234.jpg", QRect(), false});
        const auto candidates = mergeDetections(detections);
        QStringList read;
        for (const ScreenshotNameCandidate &c : candidates)
            read << c.fileName;
        QCOMPARE(read, names);
        // Both screenshots and what each read stay with the name; it was read as it stands.
        QCOMPARE(candidates.at(0).sourceScreenshotURLs.size(), readElsewhere ? 2 : 1);
        QCOMPARE(candidates.at(0).rawVisionRecognizedStrings.first(), QStringLiteral("DSCO1234.jpg"));
        QVERIFY(!candidates.at(0).needsNameCheck);
    }

    void emptyBatch()
    {
        ScreenshotOCRBatchProcessor processor(std::make_shared<FakeRecognizer>());
        int progressCalls = 0;
        std::stop_source stop;
        const auto result = processor.processScreenshots(
            {}, [&](const ScreenshotOCRProgress &) { ++progressCalls; }, stop.get_token());
        QCOMPARE(result, ScreenshotOCRResult());
        QCOMPARE(progressCalls, 0);
    }

    void cancellation_data()
    {
        QTest::addColumn<int>("when");         // 0 before, 1 while reading the second, 2 in the last progress call
        QTest::addColumn<QStringList>("kept"); // the names of the screenshots read before the stop
        QTest::newRow("before") << 0 << QStringList();
        QTest::newRow("during a recognition") << 1 << QStringList{"IMG_0001.jpg"};
        QTest::newRow("after the last screenshot") << 2 << QStringList{"IMG_0001.jpg", "IMG_0002.jpg"};
    }
    void cancellation()
    {
        QFETCH(int, when);
        auto recognizer = std::make_shared<FakeRecognizer>();
        recognizer->lines["/s/1.png"] = {{"IMG_0001.jpg", 0.5f}};
        recognizer->lines["/s/2.png"] = {{"IMG_0002.jpg", 0.5f}};
        std::stop_source stop;
        if (when == 0)
            stop.request_stop();
        if (when == 1) {
            recognizer->stopWhileReading = "/s/2.png";
            recognizer->source = &stop;
        }
        ScreenshotOCRBatchProcessor processor(recognizer);
        auto progress = [&](const ScreenshotOCRProgress &p) {
            if (when == 2 && p.completedScreenshots == 2)
                stop.request_stop();
        };
        QFETCH(QStringList, kept);
        const ScreenshotOCRResult result = processor.processScreenshots({"/s/1.png", "/s/2.png"}, progress,
                                                                        stop.get_token());
        QVERIFY(result.wasCancelled);
        QStringList names;
        for (const ScreenshotNameCandidate &c : result.candidates)
            names << c.fileName;
        QCOMPARE(names, kept);
        QCOMPARE(result.screenshotCount, qint64(kept.size()));
    }

    void listEdits()
    {
        ScreenshotCandidateList list;
        list.candidates = mergeDetections({{"IMG_1.jpg", 0.5f, "/a.png", "IMG_1.jpg"}});
        const ScreenshotCandidateList before = list;
        list.updateFileName(QUuid::createUuid(), QStringLiteral("other"));
        QCOMPARE(list, before);
        const ScreenshotNameCandidate added = list.addManualName(QString());
        QCOMPARE(list.candidates.size(), 2);
        QCOMPARE(added.confidence, 1.0f);
        QVERIFY(added.wasManuallyEdited);
        QVERIFY(added.sourceScreenshotURLs.isEmpty());
        list.remove(added.id);
        QCOMPARE(list, before);
        list.updateFileName(list.candidates.at(0).id, QStringLiteral(" IMG 2 "));
        QCOMPARE(list.candidates.at(0).fileName, QStringLiteral(" IMG 2 ")); // as typed
        QVERIFY(list.candidates.at(0).wasManuallyEdited);
    }

    void conversionIntoSelection()
    {
        ScreenshotCandidateList list;
        list.candidates = mergeDetections(
            {{"IMG_1.jpg", 0.5f, "/s/a.png", "IMG_1.jpg  2 MB"}, {"IMG_1.jpg", 0.6f, "/s/b.png", "IMG_1.jpg"}});
        const auto second = list.addManualName(QStringLiteral("IMG_1"));
        list.addManualName(QString());
        list.addManualName(QStringLiteral("IMG_2.png"));
        list.addManualName(QStringLiteral(" DSC01234 "));
        list.addManualName(QStringLiteral("Smith Wedding-0042.jpg"));
        const QList<SelectedJPEG> selected = selectedJPEGs(list.candidates);
        QCOMPARE(selected.size(), 3);
        QCOMPARE(selected.at(0).fileName, QStringLiteral("IMG_1.jpg"));
        QCOMPARE(selected.at(0).baseName, QStringLiteral("IMG_1"));
        QVERIFY(!selected.at(0).localURL);
        QCOMPARE(selected.at(0).sourceScreenshotURLs, (QList<FileURL>{"/s/a.png", "/s/b.png"}));
        QCOMPARE(selected.at(0).rawVisionRecognizedStrings, (QStringList{"IMG_1.jpg  2 MB", "IMG_1.jpg"}));
        QCOMPARE(selected.at(1).fileName, QStringLiteral("DSC01234")); // cleaned, nothing appended
        QCOMPARE(selected.at(1).baseName, QStringLiteral("DSC01234"));
        // Any name a picture file can have, inner space and all.
        QCOMPARE(selected.at(2).fileName, QStringLiteral("Smith Wedding-0042.jpg"));
        QCOMPARE(selected.at(2).baseName, QStringLiteral("Smith Wedding-0042"));
        QSet<QString> seen{QStringLiteral("IMG_1")};
        QVERIFY(!toSelectedJPEG(second, seen));
    }

    // ---- the recognizer's two passes ----

    void secondPass_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("recognitions");
        QTest::newRow("no word-number line: one pass")
            << QStringList{"IMG_0001.jpg", "2.3 MB"} << QStringList{"x"} << QStringList{"IMG_0001.jpg", "2.3 MB"} << 1;
        QTest::newRow("confirmed") << QStringList{"Smith 0042"} << QStringList{"Smith_0042", "Jones_0042"}
                                   << QStringList{"Smith 0042", "Smith_0042"} << 2;
        QTest::newRow("read with a space again")
            << QStringList{"Smith 0042"} << QStringList{"Smith 0042"} << QStringList{"Smith 0042"} << 2;
        QTest::newRow("two tokens") << QStringList{"Smith 0042"} << QStringList{"Smith_0042 IMG_0001.jpg"}
                                    << QStringList{"Smith 0042"} << 2;
        QTest::newRow("with extension confirms nothing")
            << QStringList{"Smith 0042"} << QStringList{"Smith_0042.jpg"} << QStringList{"Smith 0042"} << 2;
        QTest::newRow("nothing recognised") << QStringList{} << QStringList{} << QStringList{} << 1;
    }
    void secondPass()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QStringList, expected);
        QFETCH(int, recognitions);
        auto platform = std::make_shared<FakePlatform>();
        platform->first = boxes(first);
        platform->second = boxes(second);
        VisionTextRecognizer recognizer(platform);
        std::stop_source stop;
        QCOMPARE(texts(recognizer.recognizeTextLines("/s/a.png", stop.get_token())), expected);
        QCOMPARE(platform->recognitions, recognitions);
    }

    // Each line carries where it was read, in the screenshot's own pixels, from either pass; the
    // names found on it carry the box to the review.
    void linesCarryWhereTheyWereRead()
    {
        auto platform = std::make_shared<FakePlatform>();
        platform->first = {OcrTextBox{QRect(30, 50, 100, 20), "Smith 0042", 0.8f}};
        // On the second-pass image (border 20, enlarged twice) the same line.
        platform->second = {OcrTextBox{QRect(100, 140, 200, 40), "Smith_0042", 0.9f}};
        VisionTextRecognizer recognizer(platform);
        std::stop_source stop;
        const QList<RecognizedTextLine> lines = recognizer.recognizeTextLines("/s/a.png", stop.get_token());
        QCOMPARE(texts(lines), (QStringList{"Smith 0042", "Smith_0042"}));
        QCOMPARE(lines[0].box, QRect(30, 50, 100, 20));
        QCOMPARE(lines[1].box, QRect(30, 50, 100, 20));

        auto reader = std::make_shared<FakeRecognizer>();
        reader->lines["/s/1.png"] = {{"x IMG_0001.jpg", 0.5f, QRect(5, 6, 70, 12)}};
        ScreenshotOCRBatchProcessor processor(reader);
        const ScreenshotOCRResult result = processor.processScreenshots({"/s/1.png"}, {}, stop.get_token());
        QCOMPARE(result.candidates.size(), 1);
        QCOMPARE(result.candidates[0].sourceBox, QRect(5, 6, 70, 12));
    }

    // The second pass reads again only where the lines to confirm were: each of their boxes, on
    // the padded and enlarged image made for them.
    void secondPassReadsWhereTheLinesToConfirmWere()
    {
        auto platform = std::make_shared<FakePlatform>();
        platform->first = {OcrTextBox{QRect(10, 10, 80, 16), "IMG_0001.jpg", 0.9f},
                           OcrTextBox{QRect(10, 40, 80, 16), "Smith 0042", 0.9f},
                           OcrTextBox{QRect(10, 70, 80, 16), "2.3 MB", 0.9f}};
        platform->second = {OcrTextBox{QRect(56, 112, 184, 48), "Smith_0042", 0.9f}};
        VisionTextRecognizer recognizer(platform);
        std::stop_source stop;
        QCOMPARE(texts(recognizer.recognizeTextLines("/s/a.png", stop.get_token())),
                 (QStringList{"IMG_0001.jpg", "Smith 0042", "2.3 MB", "Smith_0042"}));
        QCOMPARE(platform->linesToPrepare, (QList<QRect>{QRect(10, 40, 80, 16)}));
        // Left (10 + 20) * 2 = 60, top (40 + 20) * 2 = 120, right edge (90 + 20) * 2 = 220, lower
        // edge (56 + 20) * 2 = 152.
        QCOMPARE(platform->regions, (QList<QRect>{QRect(QPoint(60, 120), QPoint(219, 151))}));
    }

    void secondPassImageThatCannotBeMadeKeepsTheFirstPass()
    {
        auto platform = std::make_shared<FakePlatform>();
        platform->first = boxes({"Smith 0042"});
        platform->imageLoads = false;
        VisionTextRecognizer recognizer(platform);
        std::stop_source stop;
        QCOMPARE(texts(recognizer.recognizeTextLines("/s/a.png", stop.get_token())), QStringList{"Smith 0042"});
    }

    void failures_data()
    {
        QTest::addColumn<bool>("firstFails");
        QTest::addColumn<bool>("secondFails");
        QTest::addColumn<bool>("stopDuringFirst");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("first pass fails") << true << false << false << false;
        QTest::newRow("second pass fails, first kept") << false << true << false << false;
        QTest::newRow("stop during the first pass, engine error") << true << false << true << true;
        QTest::newRow("stop during the first pass, engine succeeds") << false << false << true << true;
    }
    void failures()
    {
        QFETCH(bool, firstFails);
        QFETCH(bool, secondFails);
        QFETCH(bool, stopDuringFirst);
        QFETCH(bool, cancelled);
        auto platform = std::make_shared<FakePlatform>();
        platform->first = boxes({"Smith 0042"});
        platform->second = boxes({"Smith_0042"});
        platform->firstFails = firstFails;
        platform->secondFails = secondFails;
        std::stop_source stop;
        if (stopDuringFirst)
            platform->stopDuringFirst = &stop;
        VisionTextRecognizer recognizer(platform);
        if (cancelled)
            QVERIFY_THROWS_EXCEPTION(Cancelled, recognizer.recognizeTextLines("/s/a.png", stop.get_token()));
        else if (firstFails)
            QVERIFY_THROWS_EXCEPTION(FailureError, recognizer.recognizeTextLines("/s/a.png", stop.get_token()));
        else // the second pass only confirms: its failure leaves the first pass's lines
            QCOMPARE(texts(recognizer.recognizeTextLines("/s/a.png", stop.get_token())), QStringList{"Smith 0042"});
    }
};

void TestScreenshotBatch::recognitionSettingsReachTheProgram_data()
{
    // What the environment held before, and what the started program must see.
    QTest::addColumn<QByteArray>("threadsBefore");
    QTest::addColumn<QByteArray>("tunablesBefore");
    QTest::addColumn<QByteArray>("threads");
    QTest::addColumn<QByteArray>("tunables");
    const QByteArray ours = "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432"
                            ":glibc.malloc.trim_threshold=268435456:glibc.malloc.top_pad=67108864";
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray("1") << ours;
    QTest::newRow("own allocator settings kept")
        << QByteArray() << QByteArray("glibc.malloc.check=0") << QByteArray("1") << QByteArray("glibc.malloc.check=0");
    QTest::newRow("own thread limit kept") << QByteArray("4") << QByteArray() << QByteArray("4") << ours;
}

void TestScreenshotBatch::recognitionSettingsReachTheProgram()
{
    QFETCH(QByteArray, threadsBefore);
    QFETCH(QByteArray, tunablesBefore);
    QFETCH(QByteArray, threads);
    QFETCH(QByteArray, tunables);
    int out[2];
    QCOMPARE(::pipe(out), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        const auto set = [](const char *name, const QByteArray &value) {
            if (value.isEmpty())
                ::unsetenv(name);
            else
                ::setenv(name, value.constData(), 1);
        };
        set("OMP_THREAD_LIMIT", threadsBefore);
        set("GLIBC_TUNABLES", tunablesBefore);
        char env[] = "env";
        char *argv[] = {env, nullptr};
        execWithRecognitionSettings("/usr/bin/env", argv);
        ::_exit(127);
    }
    ::close(out[1]);
    QByteArray printed;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        printed.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QList<QByteArray> lines = printed.split('\n');
    QVERIFY2(lines.contains("OMP_THREAD_LIMIT=" + threads), printed.constData());
    QVERIFY2(lines.contains("GLIBC_TUNABLES=" + tunables), printed.constData());
}

QTEST_GUILESS_MAIN(TestScreenshotBatch)
#include "tst_screenshotbatch.moc"
