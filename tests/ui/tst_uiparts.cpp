// The file panels' settings and filters, and thumbnails decoded off the GUI thread.

#include "support/fixtures.h"
#include "support/testimages.h"

#include "model/localization.h"
#include "platform/thumbnails.h"
#include "ui/filepanels.h"
#include "ui/progressviews.h"
#include "ui/tables.h"
#include "ui/thumbnailservice.h"

#include <QApplication>
#include <QFileDialog>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

using namespace quillmore;
using namespace quillmore::testing;

using Samples = QList<QPair<qint64, qint64>>; // readings of a copy: (ms, bytes copied)

class TestUiParts : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void filterScreenshots_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("png kept, text dropped")
            << QStringList{"/s/list.PNG", "/s/notes.txt"} << QStringList{"/s/list.PNG"};
        QTest::newRow("order kept") << QStringList{"/s/b.heic", "/s/a.jpeg", "/s/c.JPG"}
                                    << QStringList{"/s/b.heic", "/s/a.jpeg", "/s/c.JPG"};
        QTest::newRow("no extension") << QStringList{"/s/png"} << QStringList{};
        QTest::newRow("gif") << QStringList{"/s/x.gif"} << QStringList{};
    }
    void filterScreenshots()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, kept);
        QCOMPARE(FilePanels::filterScreenshots(chosen), kept);
    }

    void candidateFile_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("jpeg for raw") << "/c/IMG_0001.JPG" << int(SearchTarget::raw) << false;
        QTest::newRow("orf for raw") << "/c/IMG_0001.ORF" << int(SearchTarget::raw) << true;
        QTest::newRow("jpeg for jpeg") << "/c/IMG_0001.jpeg" << int(SearchTarget::jpeg) << true;
        QTest::newRow("raw for jpeg") << "/c/IMG_0001.CR3" << int(SearchTarget::jpeg) << false;
        QTest::newRow("cancelled") << "" << int(SearchTarget::raw) << false;
    }
    void candidateFile()
    {
        QFETCH(QString, chosen);
        QFETCH(int, target);
        QFETCH(bool, accepted);
        const auto result = FilePanels::acceptCandidateFile(
            chosen.isEmpty() ? std::nullopt : std::optional<FileURL>(chosen), SearchTarget(target));
        QCOMPARE(result.has_value(), accepted);
        if (accepted)
            QCOMPARE(*result, chosen);
    }

    // Each panel is set up with its prompt and filters; what comes back is filtered.
    void panelSettings()
    {
        FilePanels panels;
        QStringList labels;
        QList<QFileDialog::FileMode> modes;
        QStringList proposed;
        QStringList filters;
        QStringList answer;
        panels.dialogDriver = [&](QFileDialog &dialog) {
            labels << dialog.labelText(QFileDialog::Accept);
            modes << dialog.fileMode();
            proposed << QFileInfo(dialog.selectedFiles().value(0)).fileName();
            filters << dialog.nameFilters().join(QLatin1Char(';'));
            return answer;
        };
        answer = {QStringLiteral("/a/one"), QStringLiteral("/a/two")};
        QCOMPARE(panels.chooseFolders(false), QList<FileURL>{QStringLiteral("/a/one")});
        QCOMPARE(panels.chooseFolders(true).size(), 2);
        answer = {QStringLiteral("/s/list.PNG"), QStringLiteral("/s/notes.txt")};
        QCOMPARE(panels.chooseScreenshots(), QList<FileURL>{QStringLiteral("/s/list.PNG")});
        answer = {QStringLiteral("/c/IMG_0001.JPG")};
        QVERIFY(!panels.chooseCandidateFile(SearchTarget::raw));
        QVERIFY(panels.chooseCandidateFile(SearchTarget::raw).unsuitable);
        answer = {};
        QVERIFY(!panels.chooseCandidateFile(SearchTarget::raw).unsuitable); // dismissed: nothing to tell
        answer = {QStringLiteral("/c/IMG_0001.CR2")};
        QCOMPARE(panels.chooseCandidateFile(SearchTarget::raw).file,
                 std::optional<FileURL>(QStringLiteral("/c/IMG_0001.CR2")));
        answer = {QStringLiteral("/d/Quillmore-report.csv")};
        QCOMPARE(panels.chooseReportDestination(), std::optional<FileURL>(QStringLiteral("/d/Quillmore-report.csv")));
        answer = {};
        QVERIFY(!panels.chooseReportDestination());
        QVERIFY(panels.chooseFolders(true).isEmpty());

        QCOMPARE(labels.value(0), localized("panel.choose"));
        QCOMPARE(modes.value(0), QFileDialog::Directory);
        QCOMPARE(labels.value(2), localized("screenshot.panel.choose"));
        QCOMPARE(modes.value(2), QFileDialog::ExistingFiles);
        QVERIFY(filters.value(2).contains(QLatin1String("*.heic")));
        QCOMPARE(labels.value(3), localized("panel.use.raw"));
        QVERIFY(filters.value(3).contains(QLatin1String("*.CR2")));
        QVERIFY(!filters.value(3).contains(QLatin1String("*.jpg")));
        QCOMPARE(labels.value(7), localized("panel.save")); // after four candidate panels
        QCOMPARE(proposed.value(7), QStringLiteral("Quillmore-report.csv"));
    }

    // A prepared panel says what to choose and opens where asked, once.
    void panelPurpose()
    {
        QTemporaryDir dir;
        FilePanels panels;
        QStringList titles, folders;
        panels.dialogDriver = [&](QFileDialog &dialog) {
            titles << dialog.windowTitle();
            folders << dialog.directory().absolutePath();
            return QStringList();
        };
        panels.preparePanel(PanelPurpose::destinationFolder, dir.path());
        panels.chooseFolders(false);
        panels.chooseFolders(false);
        panels.preparePanel(PanelPurpose::report, std::nullopt);
        panels.chooseReportDestination();
        QCOMPARE(titles.value(0), localized("panel.title.destination"));
        QCOMPARE(folders.value(0), QDir(dir.path()).absolutePath());
        QVERIFY(titles.value(1) != localized("panel.title.destination"));
        QVERIFY(folders.value(1) != QDir(dir.path()).absolutePath());
        QCOMPARE(titles.value(2), localized("panel.title.report"));
    }

    void throughput_data()
    {
        QTest::addColumn<Samples>("samples"); // (ms, bytes copied)
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("rate"); // bytes per second; < 0: not known yet
        QTest::addColumn<qint64>("left");
        using S = Samples;
        QTest::newRow("one reading") << S{{0, 0}} << qint64(1000) << -1.0 << qint64(-1);
        QTest::newRow("too short to tell") << S{{0, 0}, {200, 500}} << qint64(1000) << -1.0 << qint64(-1);
        QTest::newRow("steady") << S{{0, 0}, {1000, 10'000'000}} << qint64(100'000'000) << 1e7 << qint64(9);
        // Only the last five seconds count: a slow start is forgotten.
        QTest::newRow("window") << S{{0, 0}, {1000, 100}, {7000, 100 + 6'000'000}, {8000, 100 + 8'000'000}}
                                << qint64(100'000'000) << 2e6 << qint64(46);
        // Fewer bytes than before: another copy, measured afresh.
        QTest::newRow("new copy") << S{{0, 0}, {1000, 5'000'000}, {1100, 1000}, {2100, 1'001'000}} << qint64(2'001'000)
                                  << 1e6 << qint64(1);
        QTest::newRow("nothing moving") << S{{0, 500}, {2000, 500}} << qint64(1000) << 0.0 << qint64(-1);
    }
    void throughput()
    {
        QFETCH(Samples, samples);
        QFETCH(qint64, total);
        QFETCH(double, rate);
        QFETCH(qint64, left);
        ThroughputEstimator pace;
        for (const auto &[ms, bytes] : samples)
            pace.add(ms, bytes);
        const std::optional<double> measured = pace.bytesPerSecond();
        QCOMPARE(measured.has_value(), rate >= 0);
        if (measured)
            QCOMPARE(*measured, rate);
        const std::optional<qint64> remaining = pace.secondsLeft(samples.last().second, total);
        QCOMPARE(remaining.value_or(-1), left);
    }

    void remainingText_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("none left") << qint64(0) << localized("copy.remaining.seconds", 1);
        QTest::newRow("seconds") << qint64(42) << localized("copy.remaining.seconds", 42);
        QTest::newRow("a minute and a half") << qint64(90) << localized("copy.remaining.minutes", 2);
        QTest::newRow("hours") << qint64(2 * 3600 + 5 * 60) << localized("copy.remaining.hours", 2, 5);
    }
    void remainingText()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(ThroughputEstimator::remainingText(seconds), text);
    }

    void reportCellShortening_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("path") << "/Volumes/Card/DCIM/IMG_0001.CR2"
                              << "IMG_0001.CR2";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("not a path") << "IMG_0001.JPG (list.png)"
                                    << "IMG_0001.JPG (list.png)";
    }
    void reportCellShortening()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(ReportTableModel::shortened(text), shown);
    }

    void thumbnails_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("hasImage");
        QTest::newRow("large jpeg") << "big.jpg" << true;
        QTest::newRow("png") << "shot.png" << true;
        QTest::newRow("text posing as raw") << "fake.CR2" << false;
        QTest::newRow("text posing as heic") << "fake.heic" << false;
        QTest::newRow("missing") << "nothing.jpg" << false;
        QTest::newRow("text posing as jpeg") << "fake.jpg" << false;
        QTest::newRow("dng without embedded preview") << "plain.dng" << false;
    }
    void thumbnails()
    {
        QFETCH(QString, file);
        QFETCH(bool, hasImage);
        QImage big(3000, 2000, QImage::Format_RGB32);
        big.fill(Qt::darkGreen);
        big.save(path(QStringLiteral("big.jpg")), "JPEG");
        QImage(300, 600, QImage::Format_ARGB32).save(path(QStringLiteral("shot.png")));
        makeFile(path(QStringLiteral("fake.CR2")), QByteArray("not a raw file"));
        makeFile(path(QStringLiteral("fake.heic")), QByteArray("not a heic file"));
        makeFile(path(QStringLiteral("fake.jpg")), QByteArray("not a jpeg"));
        QVERIFY(writeDng(photoLikeScene(64, 48, 7), path(QStringLiteral("plain.dng"))));
        const QImage image = loadThumbnailImage(path(file), QSize(144, 144));
        QCOMPARE(!image.isNull(), hasImage);
        if (hasImage) {
            QVERIFY(image.width() <= 144 && image.height() <= 144);
            QVERIFY(std::max(image.width(), image.height()) >= 140); // fits the box, not tiny
        }
    }

    // The service answers on the GUI thread, and not at all once the receiver is gone.
    void serviceDeliversOnGuiThread()
    {
        QImage(200, 100, QImage::Format_RGB32).save(path(QStringLiteral("t.png")));
        ThumbnailService service;
        QObject receiver;
        bool called = false;
        bool onGuiThread = false;
        QImage got;
        service.thumbnail(path(QStringLiteral("t.png")), QSize(72, 72), &receiver, [&](QImage image) {
            called = true;
            onGuiThread = QThread::currentThread() == qApp->thread();
            got = image;
        });
        QTRY_VERIFY(called);
        QVERIFY(onGuiThread);
        QVERIFY(!got.isNull());
        QCOMPARE(got.devicePixelRatio(), ThumbnailService::screenScale());

        bool lateCall = false;
        {
            QObject gone;
            service.thumbnail(path(QStringLiteral("t.png")), QSize(72, 72), &gone, [&](QImage) { lateCall = true; });
        }
        ThumbnailService::pool()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(!lateCall);
    }

    void heicThumbnails_data()
    {
        QTest::addColumn<int>("thumbnailWidth");
        QTest::newRow("stored thumbnail") << 160;
        QTest::newRow("no stored thumbnail") << 0;
        QTest::newRow("stored thumbnail too small, picture used") << 32;
    }
    void heicThumbnails()
    {
        QFETCH(int, thumbnailWidth);
        const QString file = path(QStringLiteral("shot-%1.heic").arg(thumbnailWidth));
        if (!writeHeic(file, QSize(640, 480), thumbnailWidth))
            QSKIP("this libheif cannot write HEIC");
        const QImage image = loadThumbnailImage(file, QSize(144, 144));
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(144, 108)); // aspect kept, fits the box
    }

    void viewShowsPlaceholderWhenNoThumbnail()
    {
        ThumbnailView view(path(QStringLiteral("nothing.CR2")));
        QCOMPARE(view.size(), QSize(64, 64));
        QCOMPARE(view.accessibleName(), localized("accessibility.file.icon"));
        view.show();
        QTRY_VERIFY(view.isLoaded());
        QVERIFY(!view.hasImage());
    }
};

QTEST_MAIN(TestUiParts)
#include "tst_uiparts.moc"
