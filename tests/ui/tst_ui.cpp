// The desktop app driven as a photographer would: folders chosen through the panels or dropped,
// a scan, problems settled, a copy with checks, the report saved, and a screenshot job through
// the review sheet. Real controller, real reader and scanner, temporary trees.

#include "uitestkit.h"
#include "ui/launcharguments.h"
#include "platform/paths.h"

#include <QUrl>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

#include "model/localization.h"
#include "ui/appearance.h"
#include "ui/completionview.h"
#include "ui/problemsview.h"
#include "ui/progressviews.h"
#include "ui/screenshotreviewview.h"
#include "ui/setupview.h"
#include "ui/targettexts.h"
#include "workflow/jobs.h"
#include "workflow/screentexts.h"
#include "ui/singleinstance.h"
#include "ui/thumbnailservice.h"
#include "ui/summaryview.h"
#include "ui/tables.h"
#include "ui/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QUrl>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>

using namespace quillmore;
using namespace quillmore::testing;

class TestUi : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    QString settingsFile() const { return path(QStringLiteral("settings.ini")); }

    // Selection: four JPEGs. Card A: 0001 (with sidecar) and 0002; card B: 0002 again. 0003 and
    // 0004 are nowhere; "elsewhere" holds a file for 0003 to pick by hand.
    void makeShoot()
    {
        for (const char *name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG", "IMG_0004.JPG"})
            makeFile(path(QStringLiteral("selection/") + QLatin1String(name)), jpegBytes(32, 24));
        makeFile(path(QStringLiteral("cardA/DCIM/IMG_0001.CR2")), QByteArray(4000, 'a'));
        makeFile(path(QStringLiteral("cardA/DCIM/IMG_0001.xmp")), QByteArray(100, 'x'));
        makeFile(path(QStringLiteral("cardA/DCIM/IMG_0002.CR2")), QByteArray(5000, 'b'));
        makeFile(path(QStringLiteral("cardB/IMG_0002.CR2")), QByteArray(5100, 'c'));
        makeFile(path(QStringLiteral("elsewhere/IMG_0003.CR2")), QByteArray(3000, 'd'));
        makeFile(path(QStringLiteral("elsewhere/IMG_0003.JPG")), jpegBytes(8, 8));
        QDir().mkpath(path(QStringLiteral("dest")));
    }

    static void sendDrop(QWidget *target, const QList<QString> &files, bool *accepted, bool *highlighted = nullptr)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromLocalFile(f);
        mime.setUrls(urls);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (highlighted)
            *highlighted = target->property("targeted").toBool();
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        *accepted = drop.isAccepted();
    }

    static QWidget *problemPanel(ProblemsView *sheet, const QString &fileName)
    {
        return sheet->findChild<QWidget *>(QStringLiteral("problem.") + fileName);
    }

    static QString tableText(QTableView *table, int row, int column, int role = Qt::DisplayRole)
    {
        return table->model()->index(row, column).data(role).toString();
    }

    // Answers the next question of this name, once shown, with the button of this name; counts
    // the questions answered.
    static void answerNext(const QString &boxName, const QString &buttonName, int *answered = nullptr, int tries = 500)
    {
        QTimer::singleShot(10, [=] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (!box || box->objectName() != boxName || !box->isVisible())
                    continue;
                if (auto *button = box->findChild<QAbstractButton *>(buttonName)) {
                    if (answered)
                        ++*answered;
                    button->click();
                    return;
                }
            }
            if (tries > 0)
                answerNext(boxName, buttonName, answered, tries - 1);
        });
    }

    // Selection, one card and an empty destination, scanned to the summary.
    void scanToSummary(UiHarness &ui, const QString &destination, const QStringList &cards = {"cardA"})
    {
        QDir(path(destination)).removeRecursively();
        QDir().mkpath(path(destination));
        ui.vm()->setSelectionFolder(path(QStringLiteral("selection")));
        QList<FileURL> locations;
        for (const QString &card : cards)
            locations << path(card);
        ui.vm()->setSearchLocations(locations);
        ui.vm()->setDestinationFolder(path(destination));
        ui.vm()->startScan();
        QTRY_COMPARE(ui.vm()->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!ui.vm()->isPlanning());
        settle();
    }

    static const SelectionResult *resultNamed(const WorkflowViewModel *vm, const QString &name)
    {
        for (const SelectionResult &r : vm->results())
            if (r.selection.fileName == name)
                return &r;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        makeShoot();
    }

    // Every job a window started has ended before the next test, and before the program ends: a
    // reading still under way when the recognition library's own globals are torn down at exit
    // corrupts the heap.
    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(waitForJobs(60000));
        QFile::remove(settingsFile());
    }

    void launchLocationsArePlacedLikeDrops()
    {
        const QString a = path(QStringLiteral("launch/picks"));
        const QString b = path(QStringLiteral("launch/card"));
        const QString c = path(QStringLiteral("launch/backup"));
        for (const QString &folder : {a, b, c})
            QVERIFY(QDir().mkpath(folder));
        const QStringList args{"quillmore",
                               "--uitesting-reset",
                               QUrl::fromLocalFile(a).toString(),
                               b,
                               "-x",
                               c + "/",
                               path(QStringLiteral("launch/missing"))};
        const QStringList locations = launchLocations(args);
        QCOMPARE(locations.size(), 4);
        QCOMPARE(locations.first(), standardizedPath(a));

        UiHarness ui(settingsFile());
        applyLaunchLocations(*ui.vm(), locations);
        QCOMPARE(ui.vm()->selectionFolder(), standardizedPath(a));
        QCOMPARE(ui.vm()->searchLocations().size(), 2);
        QCOMPARE(ui.vm()->searchLocations().at(0).url, standardizedPath(b));
        QCOMPARE(ui.vm()->searchLocations().at(1).url, standardizedPath(c));

        // With a selection chosen, every folder is a search location.
        applyLaunchLocations(*ui.vm(), {standardizedPath(path(QStringLiteral("launch")))});
        QCOMPARE(ui.vm()->selectionFolder(), standardizedPath(a));
        QCOMPARE(ui.vm()->searchLocations().size(), 3);
    }

    void windowStartsOnSetup()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        QCOMPARE(ui.window->windowTitle(), QStringLiteral("Quillmore"));
        QCOMPARE(ui.window->size(), QSize(980, 820));
        QCOMPARE(ui.window->minimumSize(), QSize(860, 740));
        QCOMPARE(ui.content()->currentScreen()->objectName(), QStringLiteral("setupView"));
        QVERIFY(!ui.find(QStringLiteral("setup.scan"))->isEnabled());
        QCOMPARE(ui.content()->statusStrip()->message(), localized("status.ready"));
        // No warnings: the check-mark icon and no count.
        QVERIFY(!ui.find(QStringLiteral("warningCount"))->isVisible());
        QVERIFY(ui.find<QLabel>(QStringLiteral("setup.search.empty"))->isVisible());

        // At the smallest size everything of the setup screen still fits above the status strip.
        ui.window->resize(ui.window->minimumSize());
        settle();
        QWidget *scan = ui.find<QWidget>(QStringLiteral("setup.scan"));
        const QRect scanRect(scan->mapTo(ui.window.get(), QPoint(0, 0)), scan->size());
        const QWidget *strip = ui.content()->statusStrip();
        QVERIFY2(scanRect.bottom() < strip->mapTo(ui.window.get(), QPoint(0, 0)).y(), "scan button under the strip");
        QVERIFY(scanRect.height() >= 42);
    }

    // The whole folder job, from choosing folders to starting over.
    void folderJob()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        QVERIFY(QTest::qWaitForWindowActive(ui.window.get()));
        WorkflowViewModel *vm = ui.vm();

        ui.script->answers = {{path(QStringLiteral("selection"))},
                              {path(QStringLiteral("cardA")), path(QStringLiteral("cardB"))},
                              {path(QStringLiteral("dest"))}};
        ui.find(QStringLiteral("setup.selections.choose"))->click();
        ui.find(QStringLiteral("setup.search.add"))->click();
        ui.find(QStringLiteral("setup.destination.choose"))->click();
        settle();
        QCOMPARE(ui.script->acceptLabels.value(0), localized("panel.choose"));
        QCOMPARE(vm->searchLocations().size(), 2);
        QCOMPARE(ui.find<ElidedLabel>(QStringLiteral("selectedFolder"))->fullText(),
                 standardizedPath(path(QStringLiteral("dest"))));
        QCOMPARE(ui.find<ElidedLabel>(QStringLiteral("detail"), ui.find<QWidget>(QStringLiteral("selection.folder")))
                     ->fullText(),
                 standardizedPath(path(QStringLiteral("selection"))));
        QVERIFY(ui.find(QStringLiteral("setup.scan"))->isEnabled());
        // The selection's size is told as soon as it is counted.
        QTRY_COMPARE(ui.find<QLabel>(QStringLiteral("setup.selection.count"))->text(),
                     localizedCount(L10N("setup.selection.count"), 4));
        QVERIFY(ui.find<QLabel>(QStringLiteral("setup.selection.count"))->isVisible());

        // Copy with the file check.
        ui.find(QStringLiteral("quality.fileCheck"))->click();
        QVERIFY(vm->fileCheckEnabled());
        QCOMPARE(ui.find(QStringLiteral("quality.fileCheck"))->accessibleDescription(), localized("accessibility.on"));

        // Return starts the scan.
        QTest::keyClick(ui.window.get(), Qt::Key_Return);
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        settle();
        QCOMPARE(ui.content()->currentScreen()->objectName(), QStringLiteral("summaryView"));
        auto *found = ui.find<SummaryLine>(QStringLiteral("summary.found"));
        QCOMPARE(found->text(), countedText(summaryFoundLineKey(SearchTarget::raw), 1));
        QCOMPARE(ui.find<SummaryLine>(QStringLiteral("summary.missing"))->color(), namedColor(NamedColor::orange));
        QCOMPARE(ui.find<SummaryLine>(QStringLiteral("summary.ambiguous"))->text(),
                 countedText(L10N("summary.ambiguous"), 1));
        QVERIFY(ui.find(QStringLiteral("summary.problems"))->isEnabled());

        // Problems: pick a candidate, choose one by hand (first a wrong type: the alert), skip one.
        ui.find(QStringLiteral("summary.problems"))->click();
        ProblemsView *problems = ui.content()->problemsSheet();
        QVERIFY(problems);
        QTRY_VERIFY(problems->isVisible());
        QCOMPARE(problems->problemCount(), 3);
        QWidget *ambiguous = problemPanel(problems, QStringLiteral("IMG_0002.JPG"));
        QVERIFY(ambiguous);
        // The client's pick is shown with its pixel size, to compare the candidates with.
        QVERIFY(ambiguous->findChild<QWidget *>(QStringLiteral("pick.thumbnail")));
        QCOMPARE(ambiguous->findChild<QLabel *>(QStringLiteral("pick.details"))->text(),
                 localized("problems.pick") + QStringLiteral(" · ") + pixelSizeText(32, 24));
        const QList<QAbstractButton *> use = ambiguous->findChildren<QAbstractButton *>(QStringLiteral("problems.use"));
        QCOMPARE(use.size(), 2);
        QVERIFY(!ambiguous->findChild<QAbstractButton *>(QStringLiteral("problems.choose.manual")));
        use.first()->click();
        QTRY_VERIFY(!problemPanel(problems, QStringLiteral("IMG_0002.JPG")));

        ui.script->answers = {{path(QStringLiteral("elsewhere/IMG_0003.JPG"))}};
        problemPanel(problems, QStringLiteral("IMG_0003.JPG"))
            ->findChild<QAbstractButton *>(QStringLiteral("problems.choose.manual"))
            ->click();
        QCOMPARE(ui.script->acceptLabels.last(), localized("panel.use.raw"));
        QTRY_VERIFY(ui.content()->errorAlert());
        QMessageBox *alert = ui.content()->errorAlert();
        QCOMPARE(alert->text(), localized("error.title"));
        QCOMPARE(alert->informativeText(), localized("error.unsupported.raw"));
        alert->findChild<QAbstractButton *>(QStringLiteral("button.ok"))->click();
        QTRY_VERIFY(!vm->errorMessage());

        ui.script->answers = {{path(QStringLiteral("elsewhere/IMG_0003.CR2"))}};
        problemPanel(problems, QStringLiteral("IMG_0003.JPG"))
            ->findChild<QAbstractButton *>(QStringLiteral("problems.choose.manual"))
            ->click();
        QTRY_VERIFY(!problemPanel(problems, QStringLiteral("IMG_0003.JPG")));
        problemPanel(problems, QStringLiteral("IMG_0004.JPG"))
            ->findChild<QAbstractButton *>(QStringLiteral("button.skip"))
            ->click();
        QTRY_VERIFY(!problemPanel(problems, QStringLiteral("IMG_0004.JPG")));
        QTRY_VERIFY(problems->findChild<QWidget *>(QStringLiteral("problems.none"))->isVisible());
        QTest::keyClick(problems, Qt::Key_Return); // Done
        QTRY_VERIFY(!ui.content()->problemsSheet());

        // The skipped picture has its own line, so the lines add up to the pictures checked.
        settle();
        auto *skippedLine = ui.find<SummaryLine>(QStringLiteral("summary.skipped"));
        QVERIFY(skippedLine->isVisible());
        QCOMPARE(skippedLine->text(), countedText(L10N("summary.skipped"), 1));

        // Files sheet: every result; the skipped one has no file.
        ui.find(QStringLiteral("summary.files"))->click();
        QTRY_VERIFY(ui.content()->filesSheet());
        QTableView *files = ui.content()->filesSheet()->table();
        QCOMPARE(files->model()->rowCount(), 4);
        QCOMPARE(files->model()->headerData(1, Qt::Horizontal).toString(), localized("files.raw"));
        int skippedRow = -1;
        for (int r = 0; r < 4; ++r)
            if (tableText(files, r, 0) == QLatin1String("IMG_0004.JPG"))
                skippedRow = r;
        QVERIFY(skippedRow >= 0);
        QCOMPARE(tableText(files, skippedRow, 1), QStringLiteral("—"));
        QCOMPARE(tableText(files, skippedRow, 2), localized("selection.status.skipped"));
        ui.content()->filesSheet()->accept();
        QTRY_VERIFY(!ui.content()->filesSheet());

        // Copy: three RAW files and one sidecar.
        QTRY_VERIFY(!vm->isPlanning());
        settle();
        auto *copy = ui.find(QStringLiteral("summary.copy"));
        QCOMPARE(copy->text(), countedText(summaryCopyButtonKey(SearchTarget::raw), 3, true));
        ui.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ui.window.get()));
        QTest::keyClick(ui.window.get(), Qt::Key_Return);
        QTRY_COMPARE(vm->stage(), WorkflowStage::completed);
        settle();
        auto *completion = qobject_cast<CompletionView *>(ui.content()->currentScreen());
        QVERIFY(completion);
        const QStringList lines = completion->lineTexts();
        QCOMPARE(lines.value(0), countedText(completionLineKey(SearchTarget::raw), 3));
        QCOMPARE(lines.value(1), countedText(L10N("completion.xmp"), 1));
        // One word per state, and they add up: 3 copied + 0 failed + 1 skipped by the user.
        QCOMPARE(lines.value(2),
                 localized("format.line.count", outcomeText(ResultOutcome::failed), QStringLiteral("0")));
        QCOMPARE(lines.value(3),
                 localized("format.line.count", outcomeText(ResultOutcome::skippedByYou), QStringLiteral("1")));
        QCOMPARE(lines.size(), 6); // the file check ran: two more lines
        QVERIFY(!completion->findChild<QWidget *>(QStringLiteral("completion.cancelled"))->isVisible());
        QCOMPARE(completion->findChild<QLabel *>(QStringLiteral("completion.title"))->text(),
                 localized("completion.title"));
        QVERIFY(completion->failureTexts().isEmpty());
        QVERIFY(!ui.find(QStringLiteral("completion.retry"))->isVisible());
        QCOMPARE(ui.content()->statusStrip()->tone(), StatusTone::success);
        QCOMPARE(QDir(path(QStringLiteral("dest"))).entryList(QDir::Files).size(), 4);

        // Report sheet and its CSV.
        ui.find(QStringLiteral("completion.report"))->click();
        QTRY_VERIFY(ui.content()->reportSheet());
        ReportView *report = ui.content()->reportSheet();
        QCOMPARE(report->table()->model()->rowCount(), vm->reportRows().size());
        QVERIFY(report->table()->model()->rowCount() >= 4);
        // A selected row shows every field in full under the table.
        QVERIFY(!report->detail()->isVisible());
        report->table()->selectRow(0);
        QTRY_VERIFY(report->detail()->isVisible());
        QVERIFY(report->detail()->text().contains(vm->reportRows().first().destinationPath));
        const QString csv = path(QStringLiteral("out/report.csv"));
        QDir().mkpath(path(QStringLiteral("out")));
        ui.script->answers = {{csv}};
        report->findChild<QAbstractButton *>(QStringLiteral("report.save.csv"))->click();
        QCOMPARE(QFileInfo(ui.script->proposedNames.last()).fileName(), QStringLiteral("Quillmore-report.csv"));
        QCOMPARE(ui.script->acceptLabels.last(), localized("panel.save"));
        QVERIFY(QFileInfo(csv).size() > 0);
        QTRY_COMPARE(ui.content()->statusStrip()->message(), localized("status.report.saved"));
        QVERIFY(report->isVisible()); // saving does not close it
        QTest::keyClick(report, Qt::Key_Return);
        QTRY_VERIFY(!ui.content()->reportSheet());

        // Start over: back to setup; locations and destination stay, the selection goes.
        ui.find(QStringLiteral("completion.new"))->click();
        QTRY_COMPARE(vm->stage(), WorkflowStage::setup);
        QVERIFY(!vm->selectionFolder());
        QCOMPARE(vm->searchLocations().size(), 2);
        QVERIFY(vm->destinationFolder());
        settle();
        QCOMPARE(ui.content()->currentScreen()->objectName(), QStringLiteral("setupView"));
        QVERIFY(!ui.find(QStringLiteral("setup.scan"))->isEnabled());
    }

    // Escape and closing the window both ask before a copy stops; keeping it changes nothing.
    void stoppingACopyAsksFirst()
    {
        UiHarness ui(settingsFile(), true);
        ui.window->show();
        QVERIFY(QTest::qWaitForWindowActive(ui.window.get()));
        WorkflowViewModel *vm = ui.vm();
        scanToSummary(ui, QStringLiteral("dest2"));
        ui.standIns.copyGate->open = false;
        vm->startCopy();
        QTRY_COMPARE(vm->stage(), WorkflowStage::copying);
        settle();
        auto *copying = qobject_cast<CopyProgressView *>(ui.content()->currentScreen());
        QVERIFY(copying);
        QCOMPARE(copying->findChild<ElidedLabel *>(QStringLiteral("currentFile"))->fullText(),
                 localized("copy.preparing"));
        // Pictures are counted, the sidecar is a detail.
        QCOMPARE(copying->findChild<QLabel *>(QStringLiteral("copy.files.complete"))->text(),
                 QStringLiteral("0 / 2  ") + localized("copy.files.detail", QStringLiteral("0"), QStringLiteral("3")));

        int answered = 0;
        answerNext(QStringLiteral("confirmStopCopy"), QStringLiteral("confirm.stop.copy.keep"), &answered);
        QTest::keyClick(ui.window.get(), Qt::Key_Escape);
        QCOMPARE(answered, 1);
        settle();
        QCOMPARE(vm->stage(), WorkflowStage::copying);
        QCOMPARE(vm->statusMessage(), localized("status.copying"));

        answerNext(QStringLiteral("confirmStopCopy"), QStringLiteral("confirm.stop.copy.keep"), &answered);
        QVERIFY(!ui.window->close());
        QCOMPARE(answered, 2);
        QVERIFY(ui.window->isVisible());
        QCOMPARE(vm->stage(), WorkflowStage::copying);

        ui.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ui.window.get()));
        answerNext(QStringLiteral("confirmStopCopy"), QStringLiteral("confirm.stop.copy.stop"), &answered);
        QTest::keyClick(ui.window.get(), Qt::Key_Escape);
        QCOMPARE(answered, 3);
        QCOMPARE(vm->statusMessage(), localized("status.copy.cancelling"));
        ui.standIns.copyGate->open = true;
        QTRY_COMPARE(vm->stage(), WorkflowStage::completed);
        settle();
        auto *completion = qobject_cast<CompletionView *>(ui.content()->currentScreen());
        QVERIFY(completion->findChild<QWidget *>(QStringLiteral("completion.cancelled"))->isVisible());
        QCOMPARE(completion->findChild<QLabel *>(QStringLiteral("completion.title"))->text(),
                 localized("completion.title.cancelled"));
        QCOMPARE(ui.content()->statusStrip()->message(), localized("status.copy.cancelled"));
        QCOMPARE(ui.content()->statusStrip()->tone(), StatusTone::attention);
        QVERIFY(completion->lineTexts().contains(
            localized("format.line.count", outcomeText(ResultOutcome::cancelled), QStringLiteral("2"))));
        QVERIFY(completion->lineTexts().contains(
            localized("format.line.count", outcomeText(ResultOutcome::notFound), QStringLiteral("2"))));

        // Retry copies what the cancel left, and the screen then tells a finished job.
        auto *retry = ui.find(QStringLiteral("completion.retry"));
        QVERIFY(retry->isVisible());
        retry->click();
        QTRY_COMPARE(vm->stage(), WorkflowStage::completed);
        settle();
        QCOMPARE(completion->findChild<QLabel *>(QStringLiteral("completion.title"))->text(),
                 localized("completion.title"));
        QCOMPARE(completion->lineTexts().value(0), countedText(completionLineKey(SearchTarget::raw), 2));
        QCOMPARE(completion->lineTexts().value(1), countedText(L10N("completion.xmp"), 1));
        QVERIFY(!retry->isVisible());
        QCOMPARE(QDir(path(QStringLiteral("dest2"))).entryList(QDir::Files).size(), 3);
    }

    // A card pulled out during the copy: the screen says which pictures were not copied and why,
    // and once the card is back, Retry Failed copies them with every choice kept.
    void cardRemovedMidCopyThenRetry()
    {
        QTemporaryDir dir;
        const auto p = [&](const char *rel) { return dir.filePath(QString::fromLatin1(rel)); };
        for (const char *name : {"sel/IMG_0001.JPG", "sel/IMG_0005.JPG", "sel/IMG_0006.JPG"})
            makeFile(p(name), jpegBytes(8, 8));
        makeFile(p("cardA/IMG_0001.CR2"), QByteArray(2000, 'a'));
        makeFile(p("cardZ/DCIM/IMG_0005.CR2"), QByteArray(3000, 'b'));
        makeFile(p("cardZ/DCIM/IMG_0005.xmp"), QByteArray(50, 'x'));
        makeFile(p("cardZ/DCIM/IMG_0006.CR2"), QByteArray(3000, 'c'));
        QDir().mkpath(p("dest"));
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        vm->setSelectionFolder(p("sel"));
        vm->setSearchLocations({p("cardA"), p("cardZ")});
        vm->setDestinationFolder(p("dest"));
        vm->startScan();
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        // Card Z goes as the copy starts (at its first progress), before its turn comes: the
        // copier waits for every progress report to be shown.
        bool pulled = false;
        auto connection = connect(vm, &WorkflowViewModel::copyProgressChanged, this, [&] {
            if (!pulled)
                pulled = QDir().rename(p("cardZ"), p("cardZ-away"));
        });
        vm->startCopy();
        QTRY_COMPARE(vm->stage(), WorkflowStage::completed);
        disconnect(connection);
        QVERIFY(pulled);
        settle();
        auto *completion = qobject_cast<CompletionView *>(ui.content()->currentScreen());
        QVERIFY(completion);
        QCOMPARE(completion->findChild<QLabel *>(QStringLiteral("completion.title"))->text(),
                 localized("completion.title.failed"));
        QCOMPARE(ui.content()->statusStrip()->message(), localized("status.copy.failed"));
        QCOMPARE(ui.content()->statusStrip()->tone(), StatusTone::failure);
        const QString gone = failureCauseText(CopyFailureCause::sourceMissing);
        QCOMPARE(completion->failureTexts(),
                 (QStringList{localized("format.line.count", QStringLiteral("IMG_0005.JPG"), gone),
                              localized("format.line.count", QStringLiteral("IMG_0006.JPG"), gone),
                              localized("format.line.count", QStringLiteral("IMG_0005.xmp"), gone)}));
        QVERIFY(completion->findChild<QLabel *>(QStringLiteral("completion.failures"))->isVisible());
        QCOMPARE(completion->lineTexts().value(0), countedText(completionLineKey(SearchTarget::raw), 1));
        QVERIFY(completion->lineTexts().contains(
            localized("format.line.count", outcomeText(ResultOutcome::failed), QStringLiteral("2"))));
        // The report tells the same cause.
        for (const CopyReportRow &row : vm->reportRows())
            if (row.jpegPath != QLatin1String("IMG_0001.JPG"))
                QVERIFY2(row.errorMessage.startsWith(gone), qPrintable(row.errorMessage));

        // The card is back.
        QVERIFY(QDir().rename(p("cardZ-away"), p("cardZ")));
        auto *retry = ui.find(QStringLiteral("completion.retry"));
        QVERIFY(retry->isVisible());
        retry->click();
        QTRY_COMPARE(vm->stage(), WorkflowStage::completed);
        settle();
        QCOMPARE(completion->findChild<QLabel *>(QStringLiteral("completion.title"))->text(),
                 localized("completion.title"));
        QVERIFY(completion->failureTexts().isEmpty());
        QCOMPARE(completion->lineTexts().value(0), countedText(completionLineKey(SearchTarget::raw), 3));
        QCOMPARE(ui.content()->statusStrip()->tone(), StatusTone::success);
        QCOMPARE(QDir(p("dest")).entryList(QDir::Files).size(), 4);
        QVERIFY(!retry->isVisible());
    }

    void closingMidCopyStopsIt()
    {
        UiHarness ui(settingsFile(), true);
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        scanToSummary(ui, QStringLiteral("dest3"));
        ui.standIns.copyGate->open = false;
        vm->startCopy();
        QTRY_COMPARE(vm->stage(), WorkflowStage::copying);
        int answered = 0;
        answerNext(QStringLiteral("confirmStopCopy"), QStringLiteral("confirm.stop.copy.stop"), &answered);
        QVERIFY(ui.window->close());
        QCOMPARE(answered, 1);
        QCOMPARE(vm->statusMessage(), localized("status.copy.cancelling"));
        ui.standIns.copyGate->open = true;
        QTRY_COMPARE(vm->stage(), WorkflowStage::completed);
        QVERIFY(vm->copyResult() && vm->copyResult()->wasCancelled);
    }

    // A report not saved is not dropped in silence: New Job and closing ask first.
    void unsavedReportIsAskedAbout()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        scanToSummary(ui, QStringLiteral("dest4"));
        vm->startCopy();
        QTRY_COMPARE(vm->stage(), WorkflowStage::completed);
        settle();
        QVERIFY(vm->hasUnsavedReport());
        int answered = 0;
        answerNext(QStringLiteral("confirmUnsavedReport"), QStringLiteral("button.cancel"), &answered);
        ui.find(QStringLiteral("completion.new"))->click();
        QCOMPARE(answered, 1);
        QCOMPARE(vm->stage(), WorkflowStage::completed);
        answerNext(QStringLiteral("confirmUnsavedReport"), QStringLiteral("button.cancel"), &answered);
        QVERIFY(!ui.window->close());
        QCOMPARE(answered, 2);

        const QString csv = path(QStringLiteral("out/kept-report.csv"));
        QDir().mkpath(path(QStringLiteral("out")));
        ui.script->answers = {{csv}};
        answerNext(QStringLiteral("confirmUnsavedReport"), QStringLiteral("confirm.report.save"), &answered);
        ui.find(QStringLiteral("completion.new"))->click();
        QCOMPARE(answered, 3);
        QVERIFY(QFileInfo(csv).size() > 0);
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QCOMPARE(ui.script->titles.last(), localized("panel.title.report"));
    }

    // Back from the summary keeps every choice; Undo takes the last one back.
    void summaryBackAndUndoKeepChoices()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        scanToSummary(ui, QStringLiteral("dest5"), {"cardA", "cardB"});
        const QUuid four = resultNamed(vm, QStringLiteral("IMG_0004.JPG"))->id();
        const QUuid two = resultNamed(vm, QStringLiteral("IMG_0002.JPG"))->id();
        auto *undo = ui.find(QStringLiteral("summary.undo"));
        QVERIFY(!undo->isEnabled());
        vm->skipResult(four);
        QTRY_VERIFY(undo->isEnabled());
        undo->click();
        QCOMPARE(resultNamed(vm, QStringLiteral("IMG_0004.JPG"))->status, SelectionStatus::notFound);
        vm->skipResult(four);
        const QString fromB = standardizedPath(path(QStringLiteral("cardB/IMG_0002.CR2")));
        vm->chooseCandidate(fromB, two);
        QTRY_VERIFY(!vm->isPlanning());

        ui.find(QStringLiteral("summary.back"))->click();
        settle();
        QCOMPARE(ui.content()->currentScreen()->objectName(), QStringLiteral("setupView"));
        QCOMPARE(vm->selectionFolder(), std::optional<FileURL>(standardizedPath(path(QStringLiteral("selection")))));
        QCOMPARE(vm->searchLocations().size(), 2);
        QVERIFY(ui.find(QStringLiteral("setup.scan"))->isEnabled());
        ui.find(QStringLiteral("setup.scan"))->click();
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        QCOMPARE(resultNamed(vm, QStringLiteral("IMG_0004.JPG"))->status, SelectionStatus::skipped);
        QCOMPARE(resultNamed(vm, QStringLiteral("IMG_0002.JPG"))->chosenRAW, std::optional<FileURL>(fromB));

        // Removing a location on the summary scans again, keeping the choices whose files are there.
        QDir().mkpath(path(QStringLiteral("cardC")));
        vm->setSearchLocations(
            {path(QStringLiteral("cardA")), path(QStringLiteral("cardB")), path(QStringLiteral("cardC"))});
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        QCOMPARE(resultNamed(vm, QStringLiteral("IMG_0004.JPG"))->status, SelectionStatus::skipped);
        QCOMPARE(resultNamed(vm, QStringLiteral("IMG_0002.JPG"))->chosenRAW, std::optional<FileURL>(fromB));
    }

    // The files sheet changes any name's file, a single match too, and puts it back.
    void filesSheetOverridesASingleMatch()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        scanToSummary(ui, QStringLiteral("dest6"));
        ui.find(QStringLiteral("summary.files"))->click();
        QTRY_VERIFY(ui.content()->filesSheet());
        FilesView *sheet = ui.content()->filesSheet();
        int row = -1;
        for (int r = 0; r < vm->results().size(); ++r)
            if (vm->results()[r].selection.fileName == QLatin1String("IMG_0001.JPG"))
                row = r;
        QVERIFY(row >= 0);
        auto *revert = sheet->findChild<QAbstractButton *>(QStringLiteral("files.revert"));
        QVERIFY(!revert->isEnabled());
        sheet->table()->selectRow(row);
        QVERIFY(!revert->isEnabled()); // as the scan found it
        const QString other = standardizedPath(path(QStringLiteral("elsewhere/IMG_0003.CR2")));
        ui.script->answers = {{other}};
        sheet->findChild<QAbstractButton *>(QStringLiteral("files.choose.other"))->click();
        QCOMPARE(ui.script->acceptLabels.last(), localized("panel.use.raw"));
        QTRY_COMPARE(tableText(sheet->table(), row, 1), QStringLiteral("IMG_0003.CR2"));
        QCOMPARE(sheet->selectedID(), resultNamed(vm, QStringLiteral("IMG_0001.JPG"))->id()); // still chosen
        QVERIFY(revert->isEnabled());
        revert->click();
        QTRY_COMPARE(tableText(sheet->table(), row, 1), QStringLiteral("IMG_0001.CR2"));
        QTRY_VERIFY(!vm->isPlanning());
        QCOMPARE(resultNamed(vm, QStringLiteral("IMG_0001.JPG"))->status, SelectionStatus::readyToCopy);
    }

    // A name already in the destination: the problem offers what can be done.
    void clashOffersWhatCanBeDone()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        QDir(path(QStringLiteral("dest7"))).removeRecursively();
        makeFile(path(QStringLiteral("dest7/IMG_0001.CR2")), QByteArray(10, 'o'));
        vm->setSelectionFolder(path(QStringLiteral("selection")));
        vm->setSearchLocations({path(QStringLiteral("cardA"))});
        vm->setDestinationFolder(path(QStringLiteral("dest7")));
        vm->startScan();
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        QTRY_COMPARE(resultNamed(vm, QStringLiteral("IMG_0001.JPG"))->status, SelectionStatus::existsAtDestination);
        ui.find(QStringLiteral("summary.problems"))->click();
        QTRY_VERIFY(ui.content()->problemsSheet());
        ProblemsView *problems = ui.content()->problemsSheet();
        QTRY_VERIFY(problems->findChild<QWidget *>(QStringLiteral("issue.alreadyExists")));
        QWidget *issue = problems->findChild<QWidget *>(QStringLiteral("issue.alreadyExists"));
        QVERIFY(issue->findChild<QAbstractButton *>(QStringLiteral("problems.clash.skip")));
        issue->findChild<QAbstractButton *>(QStringLiteral("problems.clash.numbered"))->click();
        QCOMPARE(vm->conflictPolicy(), ConflictPolicy::keepNumbered);
        QTRY_VERIFY(!vm->isPlanning());
        QTRY_COMPARE(resultNamed(vm, QStringLiteral("IMG_0001.JPG"))->status, SelectionStatus::readyToCopy);
        vm->setConflictPolicy(ConflictPolicy::skip);
    }

    // Both cards of a dual-slot camera hold the same file: counted once, the first used.
    void identicalCandidatesOnTwoCards()
    {
        makeFile(path(QStringLiteral("slot1/DCIM/IMG_0002.CR2")), QByteArray(6000, 'q'));
        makeFile(path(QStringLiteral("slot2/DCIM/IMG_0002.CR2")), QByteArray(6000, 'q'));
        makeFile(path(QStringLiteral("slot1/DCIM/IMG_0001.CR2")), QByteArray(6000, 'r'));
        makeFile(path(QStringLiteral("slot2/DCIM/IMG_0001.CR2")), QByteArray(6000, 's'));
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        scanToSummary(ui, QStringLiteral("dest8"), {"slot1", "slot2"});
        QCOMPARE(resultNamed(vm, QStringLiteral("IMG_0002.JPG"))->chosenRAW,
                 std::optional<FileURL>(standardizedPath(path(QStringLiteral("slot1/DCIM/IMG_0002.CR2")))));
        QCOMPARE(resultNamed(vm, QStringLiteral("IMG_0001.JPG"))->status, SelectionStatus::ambiguous);
        auto *identical = ui.find<QLabel>(QStringLiteral("summary.identical"));
        QVERIFY(identical->isVisible());
        QCOMPARE(identical->text(), QStringLiteral("1 identical copy (same name, same contents) counted once"));
        QCOMPARE(ui.find<SummaryLine>(QStringLiteral("summary.ambiguous"))->text(),
                 countedText(L10N("summary.ambiguous"), 1));
    }

    // Speed and time left follow a real copy as it runs.
    void throughputAndTimeLeftDuringARealCopy()
    {
        const int files = 48;
        for (int i = 0; i < files; ++i) {
            const QString name = QStringLiteral("P_%1").arg(i, 3, 10, QLatin1Char('0'));
            makeFile(path(QStringLiteral("big/selection/") + name + QStringLiteral(".JPG")), jpegBytes(8, 8));
            makeFile(path(QStringLiteral("big/card/") + name + QStringLiteral(".CR2")),
                     QByteArray(4 << 20, char('a' + i % 20)));
        }
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        QDir(path(QStringLiteral("big/dest"))).removeRecursively();
        QDir().mkpath(path(QStringLiteral("big/dest")));
        vm->setSelectionFolder(path(QStringLiteral("big/selection")));
        vm->setSearchLocations({path(QStringLiteral("big/card"))});
        vm->setDestinationFolder(path(QStringLiteral("big/dest")));
        vm->setFileCheckEnabled(true); // digests both sides: a copy long enough to measure
        vm->startScan();
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        auto *view = ui.content()->findChild<CopyProgressView *>();
        QSet<QString> speeds, remaining;
        QElapsedTimer clock;
        qint64 copyPhaseMs = 0;
        connect(vm, &WorkflowViewModel::copyProgressChanged, view, [&] {
            if (vm->stage() != WorkflowStage::copying || vm->checkProgress().second > 0)
                return;
            copyPhaseMs = clock.elapsed();
            view->refresh();
            speeds << view->findChild<QLabel *>(QStringLiteral("copy.speed"))->text();
            remaining << view->findChild<QLabel *>(QStringLiteral("copy.remaining"))->text();
        });
        clock.start();
        vm->startCopy();
        QTRY_VERIFY_WITH_TIMEOUT(vm->stage() == WorkflowStage::completed, 120000);
        vm->setFileCheckEnabled(false);
        disconnect(vm, &WorkflowViewModel::copyProgressChanged, view, nullptr);
        if (copyPhaseMs < 1000 && speeds.size() < 3)
            QSKIP("the copy ended before a pace could be measured");
        speeds.remove(localized("copy.pace.unknown"));
        remaining.remove(localized("copy.pace.unknown"));
        QVERIFY2(speeds.size() >= 2, qPrintable(QStringList(speeds.begin(), speeds.end()).join(QLatin1String(", "))));
        QVERIFY(!remaining.isEmpty());
        QDir(path(QStringLiteral("big"))).removeRecursively();
    }

    // Each name under review shows where it was read, from the screenshot's own pixels.
    void reviewShowsWhereEachNameWasRead()
    {
        UiHarness ui(settingsFile(), false, true);
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        const QString shot = path(QStringLiteral("shots/crop.png"));
        QDir().mkpath(path(QStringLiteral("shots")));
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QRect line(100, 200, 120, 18);
        {
            QPainter p(&image);
            p.fillRect(line, QColor(10, 20, 200)); // the line's ink, a colour found nowhere else
        }
        QVERIFY(image.save(shot));
        ScreenshotNameCandidate read{
            makeId(), QStringLiteral("IMG_0001.JPG"), 0.9f, {shot}, {QStringLiteral("IMG_0001.JPG")}, false, line};
        ScreenshotNameCandidate noBox{makeId(), QStringLiteral("IMG_0002.JPG"), 0.9f, {shot}, {}, false, {}};
        *ui.standIns.ocrResult = {1, 2, {read, noBox}, {}};
        vm->selectScreenshots({shot});
        QTRY_VERIFY(ui.content()->screenshotReviewSheet());
        ScreenshotReviewView *review = ui.content()->screenshotReviewSheet();
        QTRY_VERIFY(review->isVisible());
        settle();
        QCOMPARE(review->rows().size(), 2);
        auto *crop = review->rows()[0]->findChild<ScreenshotCropView *>();
        QVERIFY(crop);
        QVERIFY(!review->rows()[1]->findChild<ScreenshotCropView *>()); // nothing to show
        QTRY_VERIFY(crop->isLoaded());
        const QRect shown = ScreenshotCropView::cropRect(line, image.size());
        QVERIFY(shown.contains(line));
        QCOMPARE(crop->image().size(), shown.size());
        const QPoint inside = line.center() - shown.topLeft();
        QCOMPARE(crop->image().pixelColor(inside), QColor(10, 20, 200));
        QCOMPARE(crop->image().pixelColor(0, 0), QColor(Qt::white));
        // Readable: the line is shown at least at its own size.
        QVERIFY(crop->height() >= line.height() * 2);
    }

    // A long review list loads its pictures as rows scroll into view.
    void reviewThumbnailsLoadAsRowsScrollIntoView()
    {
        UiHarness ui(settingsFile(), false, true);
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        const QString shot = path(QStringLiteral("shots/many.png"));
        QDir().mkpath(path(QStringLiteral("shots")));
        QImage(60, 40, QImage::Format_RGB32).save(shot);
        QList<ScreenshotNameCandidate> names;
        for (int i = 0; i < 80; ++i)
            names << ScreenshotNameCandidate{makeId(),
                                             QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')),
                                             0.9f,
                                             {shot},
                                             {},
                                             false,
                                             QRect(0, 0, 30, 10)};
        *ui.standIns.ocrResult = {1, 80, names, {}};
        vm->selectScreenshots({shot});
        QTRY_VERIFY(ui.content()->screenshotReviewSheet());
        ScreenshotReviewView *review = ui.content()->screenshotReviewSheet();
        QTRY_VERIFY(review->isVisible());
        QTRY_VERIFY(review->rows().first()->findChild<ThumbnailView *>()->isLoaded());
        settle();
        QVERIFY(!review->rows().last()->findChild<ThumbnailView *>()->isLoaded());
        QVERIFY(!review->rows().last()->findChild<ScreenshotCropView *>()->isLoaded());
        auto *scroll = review->findChild<QScrollArea *>();
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        QTRY_VERIFY(review->rows().last()->findChild<ThumbnailView *>()->isLoaded());
        QTRY_VERIFY(review->rows().last()->findChild<ScreenshotCropView *>()->isLoaded());
    }

    // More screenshots add their names to the list; a new list after editing asks first.
    void screenshotsAddUpAndReplacingAsks()
    {
        UiHarness ui(settingsFile(), false, true);
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        QDir().mkpath(path(QStringLiteral("shots")));
        const QString a = path(QStringLiteral("shots/a.png")), b = path(QStringLiteral("shots/b.png"));
        QImage(20, 20, QImage::Format_RGB32).save(a);
        QImage(20, 20, QImage::Format_RGB32).save(b);
        const ScreenshotNameCandidate one{makeId(), QStringLiteral("IMG_0001.JPG"), 0.9f, {a}, {}, false, {}};
        *ui.standIns.ocrResult = {1, 1, {one}, {}};
        bool taken = false;
        sendDrop(ui.find<DropFrame>(QStringLiteral("selection.screenshots")), {a}, &taken);
        QTRY_VERIFY(ui.content()->screenshotReviewSheet());
        ui.content()->screenshotReviewSheet()->rows()[0]->field()->setText(QString());
        QTest::keyClicks(ui.content()->screenshotReviewSheet()->rows()[0]->field(), QStringLiteral("IMG_0009.JPG"));
        ui.content()->screenshotReviewSheet()->accept();
        QTRY_VERIFY(!ui.content()->screenshotReviewSheet());
        settle();
        QCOMPARE(ui.find(QStringLiteral("screenshot.choose"))->text(), localized("screenshot.add"));

        const ScreenshotNameCandidate two{makeId(), QStringLiteral("IMG_0002.JPG"), 0.9f, {b}, {}, false, {}};
        *ui.standIns.ocrResult = {1, 1, {two}, {}};
        sendDrop(ui.find<DropFrame>(QStringLiteral("selection.screenshots")), {b}, &taken);
        QTRY_VERIFY(!vm->isReadingScreenshots());
        QTRY_COMPARE(vm->screenshotCandidateList().candidates.size(), 2);
        QCOMPARE(vm->screenshotCandidateList().candidates[0].fileName, QStringLiteral("IMG_0009.JPG"));
        QTRY_VERIFY(ui.content()->screenshotReviewSheet());
        ui.content()->screenshotReviewSheet()->accept();
        QTRY_VERIFY(!ui.content()->screenshotReviewSheet());

        // The folder tile would replace the edited names: asked, and kept when cancelled.
        int answered = 0;
        answerNext(QStringLiteral("confirmReplaceNames"), QStringLiteral("button.cancel"), &answered);
        ui.script->answers = {{path(QStringLiteral("selection"))}};
        ui.find(QStringLiteral("setup.selections.choose"))->click();
        QCOMPARE(answered, 1);
        QCOMPARE(vm->selectionInputMode(), SelectionInputMode::screenshots);
        QCOMPARE(vm->screenshotCandidateList().candidates.size(), 2);
        answerNext(QStringLiteral("confirmReplaceNames"), QStringLiteral("confirm.replace.names.replace"), &answered);
        ui.find(QStringLiteral("setup.selections.choose"))->click();
        QCOMPARE(answered, 2);
        QCOMPARE(vm->selectionInputMode(), SelectionInputMode::folder);
        // The panel said what to choose.
        QCOMPARE(ui.script->titles.last(), localized("panel.title.selection"));
    }

    // A cancelled reading keeps the names of the screenshots read before the cancel.
    void cancelledReadingKeepsItsNames()
    {
        UiHarness ui(settingsFile(), false, true);
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        QDir().mkpath(path(QStringLiteral("shots")));
        const QString a = path(QStringLiteral("shots/c1.png")), b = path(QStringLiteral("shots/c2.png"));
        QImage(20, 20, QImage::Format_RGB32).save(a);
        QImage(20, 20, QImage::Format_RGB32).save(b);
        *ui.standIns.ocrResult = {2,
                                  2,
                                  {{makeId(), QStringLiteral("IMG_0001.JPG"), 0.9f, {a}, {}, false, {}},
                                   {makeId(), QStringLiteral("IMG_0002.JPG"), 0.9f, {b}, {}, false, {}}},
                                  {}};
        ui.standIns.ocrGate->open = false;
        ui.standIns.ocrGate->passes = 1;
        vm->selectScreenshots({a, b});
        QTRY_VERIFY(ui.standIns.ocrGate->entered >= 2);
        ui.find(QStringLiteral("screenshot.cancel"))->click();
        QTRY_VERIFY(!vm->isReadingScreenshots());
        ui.standIns.ocrGate->open = true;
        settle();
        QCOMPARE(vm->screenshotCandidateList().candidates.size(), 1);
        QCOMPARE(
            ui.find<ElidedLabel>(QStringLiteral("detail"), ui.find<QWidget>(QStringLiteral("selection.screenshots")))
                ->fullText(),
            localized("screenshot.selected.summary", 1, 1));
        QVERIFY(ui.find(QStringLiteral("screenshot.review.button"))->isVisible());
    }

    void copyFraction_data()
    {
        QTest::addColumn<qint64>("copied");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("fraction");
        QTest::newRow("nothing to copy") << qint64(0) << qint64(0) << 0.0;
        QTest::newRow("half") << qint64(50) << qint64(100) << 0.5;
        QTest::newRow("capped") << qint64(150) << qint64(100) << 1.0;
        QTest::newRow("negative total") << qint64(5) << qint64(-1) << 0.0;
    }
    void copyFraction()
    {
        QFETCH(qint64, copied);
        QFETCH(qint64, total);
        QFETCH(double, fraction);
        QCOMPARE(CopyProgressView::copyFraction(copied, total), fraction);
    }

    void drops_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("accepted");
        const QString jpeg = path(QStringLiteral("selection/IMG_0001.JPG"));
        const QString folder = path(QStringLiteral("cardA"));
        QTest::newRow("file on folder tile") << "selection.folder" << QStringList{jpeg} << false;
        QTest::newRow("folder on folder tile") << "selection.folder" << QStringList{jpeg, folder} << true;
        QTest::newRow("folder on screenshot tile") << "selection.screenshots" << QStringList{folder} << false;
        QTest::newRow("image on screenshot tile") << "selection.screenshots" << QStringList{jpeg} << true;
        QTest::newRow("folder on search panel") << "searchLocationsPanel" << QStringList{folder} << true;
        QTest::newRow("file on search panel") << "searchLocationsPanel" << QStringList{jpeg} << false;
        QTest::newRow("file on destination") << "destinationPanel" << QStringList{jpeg} << false;
        QTest::newRow("folder on destination") << "destinationPanel" << QStringList{folder} << true;
    }
    void drops()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, files);
        QFETCH(bool, accepted);
        UiHarness ui(settingsFile());
        ui.window->show();
        auto *frame = ui.find<DropFrame>(target);
        QVERIFY(frame);
        bool taken = false;
        bool highlighted = false;
        sendDrop(frame, files, &taken, &highlighted);
        QVERIFY(highlighted);
        QVERIFY(!frame->isTargeted()); // the highlight lasts only while hovering
        QCOMPARE(taken, accepted);
        WorkflowViewModel *vm = ui.vm();
        if (target == QLatin1String("selection.folder"))
            QCOMPARE(vm->selectionFolder().has_value(), accepted);
        else if (target == QLatin1String("destinationPanel"))
            QCOMPARE(vm->destinationFolder().has_value(), accepted);
        else if (target == QLatin1String("searchLocationsPanel"))
            QCOMPARE(vm->searchLocations().size(), accepted ? 1 : 0);
        else
            QCOMPARE(vm->selectionInputMode() == SelectionInputMode::screenshots, accepted);
    }

    // Folders that vanished since the last start must be chosen again.
    void reauthorisation()
    {
        const QString gone = path(QStringLiteral("gone"));
        QDir().mkpath(gone + QStringLiteral("/sel"));
        QDir().mkpath(gone + QStringLiteral("/search"));
        QDir().mkpath(gone + QStringLiteral("/dest"));
        {
            UiHarness ui(settingsFile());
            ui.vm()->setSelectionFolder(gone + QStringLiteral("/sel"));
            ui.vm()->setSearchLocations({gone + QStringLiteral("/search")});
            ui.vm()->setDestinationFolder(gone + QStringLiteral("/dest"));
        }
        QDir(gone).removeRecursively();
        UiHarness ui(settingsFile());
        ui.window->show();
        settle();
        QVERIFY(ui.vm()->destinationRequiresReauthorization());
        QCOMPARE(ui.find(QStringLiteral("setup.destination.choose"))->text(), localized("setup.choose.again"));
        QCOMPARE(ui.find(QStringLiteral("setup.selections.choose"))->text(), localized("setup.choose.again"));
        QVERIFY(ui.find(QStringLiteral("setup.search.reauthorize")));
        QVERIFY(!ui.find(QStringLiteral("setup.scan"))->isEnabled());
        // Choosing the location again clears its state.
        ui.script->answers = {{path(QStringLiteral("cardA"))}};
        ui.find(QStringLiteral("setup.search.reauthorize"))->click();
        settle();
        QVERIFY(!ui.vm()->searchLocations().first().requiresReauthorization);
        QVERIFY(!ui.find(QStringLiteral("setup.search.reauthorize"))
                || !ui.find(QStringLiteral("setup.search.reauthorize"))->isVisible());
    }

    void targetJpegDisablesSidecars()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        QVERIFY(ui.find(QStringLiteral("setup.include.xmp"))->isEnabled());
        ui.find(QStringLiteral("search.target.jpeg"))->click();
        settle();
        QCOMPARE(ui.vm()->searchTarget(), SearchTarget::jpeg);
        QVERIFY(!ui.find(QStringLiteral("setup.include.xmp"))->isEnabled());
        QVERIFY(ui.vm()->includeXMP()); // the stored value stays
        QCOMPARE(ui.find(QStringLiteral("setup.scan"))->text(), localized("setup.scan.jpeg"));
    }

    void insufficientSpaceLine()
    {
        auto planner = std::make_unique<FakePlanner>();
        *planner->reportInsufficientSpace = true;
        // This case needs a plan that reports a full destination, which a real disk does not
        // give on demand: the stand-in planner supplies it.
        WorkflowServices services = makeDefaultWorkflowServices(std::make_unique<FakePanels>(),
                                                                std::make_unique<RecordingPlatform>());
        services.planner = std::move(planner);
        auto vmOwned = std::make_unique<WorkflowViewModel>(
            std::move(services), std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat));
        MainWindow window(std::move(vmOwned), nullptr);
        window.show();
        WorkflowViewModel *vm = window.contentView()->viewModel();
        vm->setSelectionFolder(path(QStringLiteral("selection")));
        vm->setSearchLocations({path(QStringLiteral("cardA"))});
        vm->setDestinationFolder(path(QStringLiteral("dest")));
        vm->startScan();
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        settle();
        auto *line = window.findChild<SymbolLabel *>(QStringLiteral("insufficientSpace"));
        QVERIFY(line->isVisible());
        QCOMPARE(line->text(), QStringLiteral("full"));
    }

    // Screenshot mode through the review sheet.
    void screenshotJob()
    {
        UiHarness ui(settingsFile(), false, true);
        if (!ui.standIns.ocrResult)
            QSKIP("needs the stand-in recogniser for fixed names");
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        const QString shot = path(QStringLiteral("shots/list.png"));
        QDir().mkpath(path(QStringLiteral("shots")));
        QImage(40, 20, QImage::Format_RGB32).save(shot);
        ui.standIns.ocrResult->screenshotCount = 1;
        ui.standIns.ocrResult->filenameOccurrences = 3;
        ui.standIns.ocrResult->candidates = {
            {makeId(), QStringLiteral("IMG_0001.JPG"), 0.9f, {shot}, {QStringLiteral("IMG_0001.JPG")}, false},
            {makeId(), QStringLiteral("IMG_0002.JPG"), 0.64f, {shot}, {QStringLiteral("IMG_0002.JPG")}, false}};
        ui.standIns.ocrResult->warnings = {makeWarning(shot, L10N("warning.file.unreadable")),
                                           makeWarning(shot, L10N("warning.file.unreadable"))};
        vm->setSearchLocations({path(QStringLiteral("cardA"))});
        vm->setDestinationFolder(path(QStringLiteral("dest")));

        bool taken = false;
        sendDrop(ui.find<DropFrame>(QStringLiteral("selection.screenshots")), {shot}, &taken);
        QVERIFY(taken);
        QTRY_VERIFY(ui.content()->screenshotReviewSheet());
        ScreenshotReviewView *review = ui.content()->screenshotReviewSheet();
        QTRY_VERIFY(review->isVisible());
        settle();
        QCOMPARE(review->rows().size(), 2);
        QVERIFY(!review->rows()[0]->showsCheckNote());
        QVERIFY(review->rows()[1]->showsCheckNote()); // 0.64 is below the limit
        QCOMPARE(review->findChild<QLabel *>(QStringLiteral("screenshot.stats.unique"))->text(),
                 localizedCount(L10N("screenshot.stats.unique"), 2));
        auto *warnings = review->findChild<QAbstractButton *>(QStringLiteral("screenshot.warnings"));
        QCOMPARE(warnings->text(), localizedCount(L10N("screenshot.warnings.title"), 2));
        auto *scan = review->findChild<QAbstractButton *>(QStringLiteral("screenshot.scan"));
        QVERIFY(scan->isEnabled());

        // Edit to an invalid name and back.
        QLineEdit *field = review->rows()[1]->field();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("IMG_2.png"));
        settle();
        QVERIFY(review->rows()[1]->showsInvalidNote());
        QVERIFY(!review->rows()[1]->showsCheckNote()); // edited: no longer doubtful
        QVERIFY(!scan->isEnabled());
        QVERIFY(review->findChild<QLabel *>(QStringLiteral("screenshot.configure.hint"))->isVisible());
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("IMG_0002.JPG"));
        settle();
        QVERIFY(!review->rows()[1]->showsInvalidNote());
        QVERIFY(scan->isEnabled());
        QCOMPARE(field->text(), QStringLiteral("IMG_0002.JPG")); // typing was never disturbed

        // Return in a field confirms the name; it does not start the search.
        QTest::keyClick(field, Qt::Key_Return);
        settle();
        QVERIFY(review->isVisible());
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QCOMPARE(field->text(), QStringLiteral("IMG_0002.JPG"));

        // A name edited into one already listed is marked, and counts once.
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("img_0001.jpg"));
        settle();
        QVERIFY(review->rows()[1]->showsDuplicateNote());
        QVERIFY(!review->rows()[0]->showsDuplicateNote());
        QCOMPARE(review->findChild<QLabel *>(QStringLiteral("screenshot.stats.unique"))->text(),
                 localizedCount(L10N("screenshot.stats.unique"), 1));
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("IMG_0002.JPG"));
        settle();
        QVERIFY(!review->rows()[1]->showsDuplicateNote());

        // Add a name (empty, invalid, with the pencil), then remove it.
        review->findChild<QAbstractButton *>(QStringLiteral("screenshot.add.filename"))->click();
        settle();
        QCOMPARE(review->rows().size(), 3);
        QVERIFY(review->rows()[2]->showsInvalidNote());
        QVERIFY(!review->rows()[2]->showsCheckNote());
        QVERIFY(review->rows()[2]->findChild<QLabel *>(QStringLiteral("manualSymbol")));
        // An empty name is no picture yet.
        QCOMPARE(review->findChild<QLabel *>(QStringLiteral("screenshot.stats.unique"))->text(),
                 localizedCount(L10N("screenshot.stats.unique"), 2));
        QVERIFY(!scan->isEnabled());
        review->rows()[2]->findChild<QAbstractButton *>(QStringLiteral("screenshot.remove.filename"))->click();
        settle();
        QCOMPARE(review->rows().size(), 2);
        QVERIFY(scan->isEnabled());

        // The scan button closes the sheet and searches.
        scan->click();
        QTRY_VERIFY(!ui.content()->screenshotReviewSheet());
        QVERIFY(!vm->isShowingScreenshotReview());
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QCOMPARE(vm->results().size(), 2);
        // The setup tile offers the review again after start-over.
        vm->resetResults();
        settle();
        QVERIFY(ui.find(QStringLiteral("screenshot.review.button"))->isVisible());
    }

    // Names typed in the review: Return confirms a name rather than starting the search, and a
    // name that is already listed is marked and counted once.
    void reviewFieldsConfirmAndMarkDuplicates()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        // A search could start (the search button of the sheet is enabled): Return must not start it.
        vm->setSelectionFolder(path(QStringLiteral("selection")));
        vm->setSearchLocations({path(QStringLiteral("cardA"))});
        vm->setDestinationFolder(path(QStringLiteral("dest")));
        vm->addScreenshotFilename();
        vm->addScreenshotFilename();
        const QList<ScreenshotNameCandidate> candidates = vm->screenshotCandidateList().candidates;
        QCOMPARE(candidates.size(), 2);
        vm->updateScreenshotFilename(candidates[0].id, QStringLiteral("IMG_0001.JPG"));
        vm->setShowingScreenshotReview(true);
        QTRY_VERIFY(ui.content()->screenshotReviewSheet());
        ScreenshotReviewView *review = ui.content()->screenshotReviewSheet();
        QTRY_VERIFY(review->isVisible());
        settle();
        auto *unique = review->findChild<QLabel *>(QStringLiteral("screenshot.stats.unique"));
        QCOMPARE(unique->text(), localizedCount(L10N("screenshot.stats.unique"), 1)); // the empty one is no name

        QLineEdit *field = review->rows()[1]->field();
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("img_0001.jpg"));
        settle();
        QVERIFY(review->rows()[1]->showsDuplicateNote());
        QVERIFY(!review->rows()[0]->showsDuplicateNote());
        QCOMPARE(unique->text(), localizedCount(L10N("screenshot.stats.unique"), 1));
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("IMG_0002.JPG"));
        settle();
        QVERIFY(!review->rows()[1]->showsDuplicateNote());
        QCOMPARE(unique->text(), localizedCount(L10N("screenshot.stats.unique"), 2));

        // Return confirms; the sheet stays and no search starts, though one could.
        QVERIFY(review->findChild<QAbstractButton *>(QStringLiteral("screenshot.scan"))->isEnabled());
        QTest::keyClick(field, Qt::Key_Return);
        settle();
        QVERIFY(review->isVisible());
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QCOMPARE(vm->screenshotCandidateList().candidates[1].fileName, QStringLiteral("IMG_0002.JPG"));
        QCOMPARE(field->selectedText(), QStringLiteral("IMG_0002.JPG"));
    }

    void emptyReviewShowsEmptyState()
    {
        UiHarness ui(settingsFile(), false, true);
        if (!ui.standIns.ocrResult)
            QSKIP("needs the stand-in recogniser");
        ui.window->show();
        const QString shot = path(QStringLiteral("shots/empty.png"));
        QDir().mkpath(path(QStringLiteral("shots")));
        QImage(10, 10, QImage::Format_RGB32).save(shot);
        ui.standIns.ocrResult->screenshotCount = 1;
        ui.vm()->selectScreenshots({shot});
        QTRY_VERIFY(ui.content()->screenshotReviewSheet());
        ScreenshotReviewView *review = ui.content()->screenshotReviewSheet();
        QTRY_VERIFY(review->isVisible());
        settle();
        QVERIFY(review->findChild<QWidget *>(QStringLiteral("screenshot.review.empty"))->isVisible());
        QVERIFY(!review->findChild<QAbstractButton *>(QStringLiteral("screenshot.warnings"))->isVisible());
        QVERIFY(!review->findChild<QAbstractButton *>(QStringLiteral("screenshot.scan"))->isEnabled());
        // Done closes the sheet and the controller's flag follows.
        review->findChild<QAbstractButton *>(QStringLiteral("button.done"))->click();
        QTRY_VERIFY(!ui.vm()->isShowingScreenshotReview());
    }

    void warningCountInStrip()
    {
        UiHarness ui(settingsFile());
        ui.window->show();
        // A search location that does not exist is a warning of the scan.
        ui.vm()->setSelectionFolder(path(QStringLiteral("selection")));
        ui.vm()->setSearchLocations({path(QStringLiteral("cardA")), path(QStringLiteral("nowhere"))});
        ui.vm()->setDestinationFolder(path(QStringLiteral("dest")));
        ui.vm()->startScan();
        QTRY_COMPARE(ui.vm()->stage(), WorkflowStage::summary);
        settle();
        if (ui.vm()->warnings().isEmpty())
            QSKIP("the scanner gave no warning for a missing location");
        auto *count = ui.find(QStringLiteral("warningCount"));
        QVERIFY(count->isVisible());
        QCOMPARE(count->text(), localizedCount(L10N("status.warning.count"), ui.vm()->warnings().size()));

        // The count opens the warnings, each with its place and its message.
        count->click();
        QTRY_VERIFY(ui.content()->warningsSheet());
        WarningsView *sheet = ui.content()->warningsSheet();
        QTRY_VERIFY(sheet->isVisible());
        QCOMPARE(sheet->table()->model()->rowCount(), ui.vm()->warnings().size());
        const AppWarning &first = ui.vm()->warnings().first();
        QCOMPARE(sheet->table()->model()->index(0, 0).data().toString(), first.url.value_or(QStringLiteral("—")));
        QCOMPARE(sheet->table()->model()->index(0, 1).data().toString(), first.message);
        QTest::keyClick(sheet, Qt::Key_Return);
        QTRY_VERIFY(!ui.content()->warningsSheet());

        // The summary offers them too.
        auto *fromSummary = ui.find(QStringLiteral("summary.warnings"));
        QVERIFY(fromSummary->isVisible());
        QCOMPARE(fromSummary->text(), countedText(L10N("summary.warnings"), ui.vm()->warnings().size(), true));
        fromSummary->click();
        QTRY_VERIFY(ui.content()->warningsSheet());
    }

    // A long problems list builds its panels in batches as it scrolls.
    void problemsBuildLazily()
    {
        const QString many = path(QStringLiteral("many"));
        for (int i = 0; i < 100; ++i)
            makeFile(many + QStringLiteral("/P_%1.JPG").arg(i, 3, 10, QLatin1Char('0')), QByteArray("j"));
        UiHarness ui(settingsFile());
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        vm->setSelectionFolder(many);
        vm->setSearchLocations({path(QStringLiteral("cardB"))});
        vm->setDestinationFolder(path(QStringLiteral("dest")));
        vm->startScan();
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        settle();
        ui.content()->setShowProblems(true);
        ProblemsView *problems = ui.content()->problemsSheet();
        QTRY_VERIFY(problems->isVisible());
        settle();
        QCOMPARE(problems->problemCount(), 100);
        QCOMPARE(problems->builtPanelCount(), ProblemsView::kBatch);
        auto *scroll = problems->findChild<QScrollArea *>(QStringLiteral("problemsList"));
        for (int i = 0; i < 5 && problems->builtPanelCount() < 100; ++i) {
            scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
            settle();
        }
        QCOMPARE(problems->builtPanelCount(), 100);
        // Skipping one removes its panel alone; the others are the same widgets as before.
        QWidget *kept = problems->findChild<QWidget *>(QStringLiteral("problem.P_051.JPG"));
        problems->findChild<QWidget *>(QStringLiteral("problem.P_050.JPG"))
            ->findChild<QAbstractButton *>(QStringLiteral("button.skip"))
            ->click();
        QTRY_COMPARE(problems->problemCount(), 99);
        QCOMPARE(problems->builtPanelCount(), 99);
        QVERIFY(!problems->findChild<QWidget *>(QStringLiteral("problem.P_050.JPG")));
        QCOMPARE(problems->findChild<QWidget *>(QStringLiteral("problem.P_051.JPG")), kept);
    }

    void screenshotReadingShowsProgressAndCancels()
    {
        UiHarness ui(settingsFile(), false, true);
        if (!ui.standIns.ocrGate)
            QSKIP("the real recogniser cannot be held mid-run");
        ui.window->show();
        const QString shot = path(QStringLiteral("shots/slow.png"));
        QDir().mkpath(path(QStringLiteral("shots")));
        QImage(10, 10, QImage::Format_RGB32).save(shot);
        ui.standIns.ocrGate->open = false;
        ui.vm()->selectScreenshots({shot});
        settle();
        auto *tile = ui.find<QWidget>(QStringLiteral("selection.screenshots"));
        QCOMPARE(tile->findChild<ElidedLabel *>(QStringLiteral("detail"))->fullText(),
                 localized("screenshot.reading.progress", 1, 1));
        QVERIFY(!ui.find(QStringLiteral("setup.scan"))->isEnabled());
        auto *cancel = ui.find(QStringLiteral("screenshot.cancel"));
        QVERIFY(cancel->isVisible());
        cancel->click();
        QCOMPARE(ui.vm()->statusMessage(), localized("screenshot.ocr.cancelling"));
        ui.standIns.ocrGate->open = true;
        QTRY_VERIFY(!ui.vm()->isReadingScreenshots());
        settle();
        QVERIFY(!ui.find(QStringLiteral("screenshot.cancel"))->isVisible());
    }

    void resetArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("reset");
        QTest::newRow("whole argument") << QStringList{"quillmore", "--uitesting-reset"} << true;
        QTest::newRow("with a value") << QStringList{"quillmore", "--uitesting-reset=1"} << false;
        QTest::newRow("program name only") << QStringList{"--uitesting-reset"} << false;
        QTest::newRow("among others") << QStringList{"quillmore", "-x", "--uitesting-reset"} << true;
        QTest::newRow("none") << QStringList{"quillmore"} << false;
    }
    void resetArgument()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, reset);
        QCOMPARE(resetRequested(arguments), reset);
    }

    // After a reset the first screen has no folders and the default options.
    void resetClearsFoldersAndPreferences()
    {
        {
            UiHarness ui(settingsFile());
            ui.vm()->setSelectionFolder(path(QStringLiteral("selection")));
            ui.vm()->setSearchLocations({path(QStringLiteral("cardA"))});
            ui.vm()->setDestinationFolder(path(QStringLiteral("dest")));
            ui.vm()->setIncludeXMP(false);
            ui.vm()->setConflictPolicy(ConflictPolicy::keepNumbered);
        }
        {
            QSettings settings(settingsFile(), QSettings::IniFormat);
            resetStoredState(settings);
        }
        UiHarness ui(settingsFile());
        QVERIFY(!ui.vm()->selectionFolder());
        QVERIFY(ui.vm()->searchLocations().isEmpty());
        QVERIFY(!ui.vm()->destinationFolder());
        QVERIFY(ui.vm()->includeXMP());
        QCOMPARE(ui.vm()->conflictPolicy(), ConflictPolicy::skip);
    }

    // A destination the user may not write to: nothing is copied, the screen says so, and every
    // picture is listed with the cause. Root writes everywhere, so as root the test runs itself
    // again as an unprivileged user.
    void readOnlyDestination()
    {
        if (::geteuid() == 0) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                QSKIP("setpriv is missing: the test cannot run as an unprivileged user");
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("HOME"), QDir::tempPath());
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            env.remove(QStringLiteral("XDG_CONFIG_HOME"));
            child.setProcessEnvironment(env);
            child.setWorkingDirectory(QDir::tempPath());
            child.start(setpriv,
                        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                         QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                         QStringLiteral("readOnlyDestination")});
            if (!child.waitForStarted(30000))
                QSKIP("the test cannot be started as an unprivileged user here");
            QVERIFY(child.waitForFinished(120000));
            const QByteArray out = child.readAllStandardOutput() + child.readAllStandardError();
            if (child.exitCode() != 0 && !out.contains("Totals:"))
                QSKIP(qPrintable(QStringLiteral("an unprivileged user cannot run the build here (a folder only root "
                                                "may enter): ")
                                 + QString::fromLocal8Bit(out.left(300))));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, out.constData());
            QVERIFY2(!out.contains("SKIP"), out.constData());
            return;
        }
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const auto p = [&](const char *rel) { return dir.filePath(QString::fromLatin1(rel)); };
        makeFile(p("sel/IMG_0001.JPG"), jpegBytes(8, 8));
        makeFile(p("sel/IMG_0002.JPG"), jpegBytes(8, 8));
        makeFile(p("card/IMG_0001.CR2"), QByteArray(1000, 'a'));
        makeFile(p("card/IMG_0002.CR2"), QByteArray(1000, 'b'));
        QDir().mkpath(p("dest"));
        QVERIFY(QFile::setPermissions(p("dest"),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                          | QFileDevice::ExeOther));
        UiHarness ui(dir.filePath(QStringLiteral("settings.ini")));
        ui.window->show();
        WorkflowViewModel *vm = ui.vm();
        vm->setSelectionFolder(p("sel"));
        vm->setSearchLocations({p("card")});
        vm->setDestinationFolder(p("dest"));
        vm->startScan();
        QTRY_COMPARE(vm->stage(), WorkflowStage::summary);
        QTRY_VERIFY(!vm->isPlanning());
        vm->startCopy();
        QTRY_COMPARE_WITH_TIMEOUT(vm->stage(), WorkflowStage::completed, 20000);
        settle();
        auto *completion = qobject_cast<CompletionView *>(ui.content()->currentScreen());
        QVERIFY(completion);
        QCOMPARE(completion->findChild<QLabel *>(QStringLiteral("completion.title"))->text(),
                 localized("completion.title.none"));
        QCOMPARE(ui.content()->statusStrip()->message(), localized("status.copy.nothing"));
        QCOMPARE(ui.content()->statusStrip()->tone(), StatusTone::failure);
        const QString readOnly = failureCauseText(CopyFailureCause::destinationReadOnly);
        QCOMPARE(completion->failureTexts(),
                 (QStringList{localized("format.line.count", QStringLiteral("IMG_0001.JPG"), readOnly),
                              localized("format.line.count", QStringLiteral("IMG_0002.JPG"), readOnly)}));
        QVERIFY(QDir(p("dest")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
        QFile::setPermissions(p("dest"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // A second start with "--uitesting-reset" only hands over to the running window: the
    // settings that window runs on stay.
    void resetSparesARunningInstance_data()
    {
        QTest::addColumn<bool>("anotherRunning");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("alone") << false << true;
        QTest::newRow("another Quillmore runs") << true << false;
    }
    void resetSparesARunningInstance()
    {
        QFETCH(bool, anotherRunning);
        QFETCH(bool, cleared);
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue(QLatin1String(WorkflowViewModel::kIncludeXMPKey), false);
        const QStringList arguments{QStringLiteral("quillmore"), QStringLiteral("--uitesting-reset")};
        QCOMPARE(applyResetArgument(arguments, anotherRunning, settings), cleared);
        QCOMPARE(settings.contains(QLatin1String(WorkflowViewModel::kIncludeXMPKey)), !cleared);
    }

    void singleInstance()
    {
        const QString name = QStringLiteral("quillmore-test-%1").arg(QCoreApplication::applicationPid());
        SingleInstance first(name);
        QVERIFY(!first.notifyRunningInstance());
        QVERIFY(first.listen());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        SingleInstance second(name);
        QVERIFY(second.notifyRunningInstance());
        QTRY_COMPARE(raised.size(), 1);
    }

    // A second start hands the folders it was given to the window already open.
    void secondStartHandsOverItsFolders()
    {
        const QString name = QStringLiteral("quillmore-handover-%1").arg(QCoreApplication::applicationPid());
        SingleInstance first(name);
        QVERIFY(first.listen());
        UiHarness ui(settingsFile());
        connect(&first, &SingleInstance::locationsReceived, ui.vm(),
                [&ui](const QStringList &locations) { applyLaunchLocations(*ui.vm(), locations); });
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        QSignalSpy received(&first, &SingleInstance::locationsReceived);
        const QStringList handed{standardizedPath(path(QStringLiteral("selection"))),
                                 standardizedPath(path(QStringLiteral("cardA"))),
                                 standardizedPath(path(QStringLiteral("card with spaces ü")))};
        QDir().mkpath(handed.last());
        SingleInstance second(name);
        QVERIFY(second.notifyRunningInstance(handed));
        QTRY_COMPARE(raised.size(), 1);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toStringList(), handed);
        QCOMPARE(ui.vm()->selectionFolder(), std::optional<FileURL>(handed[0]));
        QCOMPARE(ui.vm()->searchLocations().size(), 2);
        QCOMPARE(ui.vm()->searchLocations().at(1).url, handed[2]);
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
