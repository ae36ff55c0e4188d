#include "support/fakes.h"

#include "workflow/copyreport.h"
#include "workflow/failuretext.h"
#include "workflow/jobs.h"
#include "workflow/workflowviewmodel.h"

#include "model/localization.h"

#include <QSignalSpy>
#include <QtTest>

#include <cerrno>

using namespace quillmore;
using namespace quillmore::testing;

namespace {

constexpr int kWait = 10000;

// The services of one controller, with handles on the fakes' shared state.
struct Rig {
    FakePlanner planner;
    FakeCopier copier;
    FakeQualityChecker checker;
    FakeScreenshotProcessor screenshots;
    FakePanels panels;
    RecordingPlatform platform;
    bool endlessScanner = false;

    WorkflowServices services()
    {
        WorkflowServices s;
        s.selectionReader = std::make_unique<SelectionReader>();
        if (endlessScanner)
            s.scanner = std::make_unique<EndlessScanner>();
        else
            s.scanner = std::make_unique<RawScanner>();
        s.planner = std::make_unique<FakePlanner>(planner);
        s.copier = std::make_unique<FakeCopier>(copier);
        s.qualityChecker = std::make_unique<FakeQualityChecker>(checker);
        s.screenshotProcessor = std::make_unique<FakeScreenshotProcessor>(screenshots);
        s.panels = std::make_unique<FakePanels>(panels);
        s.platform = std::make_unique<RecordingPlatform>(platform);
        return s;
    }
};

} // namespace

class TestWorkflowViewModel : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_selection, m_cardA, m_cardB, m_dest;

    QString path(const QString &rel) const { return standardizedPath(m_dir->filePath(rel)); }
    std::unique_ptr<QSettings> settings() const
    {
        return std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }
    std::unique_ptr<WorkflowViewModel> make(Rig &rig) const
    {
        return std::make_unique<WorkflowViewModel>(rig.services(), settings());
    }
    // Selection folder, two search locations and a destination, ready to scan.
    std::unique_ptr<WorkflowViewModel> ready(Rig &rig) const
    {
        auto vm = make(rig);
        vm->setSelectionFolder(m_selection);
        vm->setSearchLocations({m_cardA, m_cardB});
        vm->setDestinationFolder(m_dest);
        return vm;
    }
    static bool scanned(WorkflowViewModel &vm)
    {
        vm.startScan();
        return QTest::qWaitFor([&] { return vm.stage() != WorkflowStage::scanning && !vm.isPlanning(); }, kWait)
            && vm.stage() == WorkflowStage::summary;
    }
    static bool copied(WorkflowViewModel &vm)
    {
        vm.startCopy();
        return QTest::qWaitFor([&] { return vm.stage() == WorkflowStage::completed; }, kWait);
    }
    static const SelectionResult *resultNamed(const WorkflowViewModel &vm, const QString &name)
    {
        for (const SelectionResult &r : vm.results())
            if (r.selection.fileName == name)
                return &r;
        return nullptr;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_selection = path(QStringLiteral("Selection"));
        m_cardA = path(QStringLiteral("Card A"));
        m_cardB = path(QStringLiteral("Card B"));
        m_dest = path(QStringLiteral("Delivery"));
        for (const char *n : {"IMG_1.jpg", "IMG_2.jpg", "IMG_3.jpg", "Cafe\xCC\x81.jpg"})
            makeFile(m_selection + QLatin1Char('/') + QString::fromUtf8(n), "\xFF\xD8\xFF\xD9");
        makeFile(m_cardA + QStringLiteral("/DCIM/img_1.CR3"), QByteArray(100, 'a'));
        makeFile(m_cardA + QStringLiteral("/DCIM/img_1.xmp"), "<xmp/>");
        makeFile(m_cardA + QStringLiteral("/DCIM/IMG_2.CR3"), QByteArray(200, 'b'));
        makeFile(m_cardB + QStringLiteral("/IMG_2.CR3"), QByteArray(300, 'c'));
        makeFile(m_cardB + QString::fromUtf8("/Caf\xC3\xA9.NEF"), QByteArray(50, 'd'));
        QDir().mkpath(m_dest);
    }
    void cleanup() { QVERIFY(waitForJobs(kWait)); }

    // ---- start-up and preferences ----

    void startsWithDefaults_data()
    {
        QTest::addColumn<QVariant>("storedXMP");
        QTest::addColumn<QVariant>("storedPolicy");
        QTest::addColumn<bool>("includeXMP");
        QTest::addColumn<ConflictPolicy>("policy");
        QTest::newRow("nothing stored") << QVariant() << QVariant() << true << ConflictPolicy::skip;
        QTest::newRow("stored values") << QVariant(false) << QVariant(QStringLiteral("keepNumbered")) << false
                                       << ConflictPolicy::keepNumbered;
        QTest::newRow("policy in other case")
            << QVariant(true) << QVariant(QStringLiteral("KeepNumbered")) << true << ConflictPolicy::skip;
        QTest::newRow("XMP not a boolean")
            << QVariant(QStringLiteral("no")) << QVariant(QStringLiteral("x")) << true << ConflictPolicy::skip;
    }
    // Stored state the program cannot use: it starts with its defaults, asks for nothing again and
    // says nothing false.
    void unusableSettingsFileStartsWithDefaults_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("not a settings file") << 0;
        QTest::newRow("a folder where the file should be") << 1;
        QTest::newRow("huge bookmark list") << 2;
    }
    void unusableSettingsFileStartsWithDefaults()
    {
        QFETCH(int, kind);
        const QString file = m_dir->filePath(QStringLiteral("settings.ini"));
        QFile::remove(file);
        if (kind == 0) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray junk(65536, '\0');
            for (int i = 0; i < junk.size(); ++i)
                junk[i] = char((i * 7919) % 251);
            f.write(junk);
        } else if (kind == 1) {
            QVERIFY(QDir().mkpath(file));
        } else {
            QByteArray list("[");
            for (int i = 0; i < 50000; ++i)
                list += QByteArray(i ? "," : "") + "{\"path\":\"/no/such/folder/" + QByteArray::number(i)
                    + "\",\"data\":\"L25vL3N1Y2g=\"}";
            list += "]";
            auto s = settings();
            s->setValue(QStringLiteral("bookmark.searches"), list);
            s->setValue(QStringLiteral("bookmark.selection"),
                        QStringList{QStringLiteral("not"), QStringLiteral("bytes")});
            s->setValue(QStringLiteral("preference.includeXMP"), QVariantList{1, 2});
        }
        Rig rig;
        auto vm = make(rig);
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QVERIFY(vm->includeXMP());
        QCOMPARE(vm->conflictPolicy(), ConflictPolicy::skip);
        QVERIFY(!vm->selectionFolder());
        QVERIFY(!vm->errorMessage());
        QCOMPARE(vm->statusMessage(), localized("status.ready"));
        for (const SearchLocation &l : vm->searchLocations())
            QVERIFY(l.requiresReauthorization); // nothing that does not exist is offered as usable
        if (kind == 1)
            QDir(file).removeRecursively();
        QFile::remove(file);
    }

    void startsWithDefaults()
    {
        QFETCH(QVariant, storedXMP);
        QFETCH(QVariant, storedPolicy);
        QFETCH(bool, includeXMP);
        QFETCH(ConflictPolicy, policy);
        {
            auto s = settings();
            if (storedXMP.isValid())
                s->setValue(QStringLiteral("preference.includeXMP"), storedXMP);
            if (storedPolicy.isValid())
                s->setValue(QStringLiteral("preference.conflictPolicy"), storedPolicy);
        }
        Rig rig;
        auto vm = make(rig);
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QCOMPARE(vm->searchTarget(), SearchTarget::raw);
        QCOMPARE(vm->includeXMP(), includeXMP);
        QCOMPARE(vm->conflictPolicy(), policy);
        QVERIFY(!vm->blurCheckEnabled() && !vm->duplicateCheckEnabled() && !vm->fileCheckEnabled());
        QCOMPARE(vm->statusMessage(), localized("status.ready"));
        QVERIFY(!vm->errorMessage());
        QVERIFY(!vm->canStartScan());
    }

    void preferencesAreStored()
    {
        Rig rig;
        {
            auto vm = make(rig);
            vm->setIncludeXMP(false);
            vm->setConflictPolicy(ConflictPolicy::keepNumbered);
            vm->setFileCheckEnabled(true);           // stored too
            vm->setSearchTarget(SearchTarget::jpeg); // not stored
        }
        auto vm = make(rig);
        QVERIFY(!vm->includeXMP());
        QCOMPARE(vm->conflictPolicy(), ConflictPolicy::keepNumbered);
        QVERIFY(vm->fileCheckEnabled());
        QCOMPARE(vm->searchTarget(), SearchTarget::raw);
    }

    void restoresStoredFolders()
    {
        Rig rig;
        {
            auto vm = ready(rig);
            QVERIFY(vm->canStartScan());
        }
        QVERIFY(QDir(m_cardB).removeRecursively());
        Rig second;
        auto vm = make(second);
        QCOMPARE(vm->selectionFolder(), std::optional<FileURL>(m_selection));
        QTRY_VERIFY(vm->selectionPictureCount()); // the restored folder is counted at launch
        QCOMPARE(vm->destinationFolder(), std::optional<FileURL>(m_dest));
        QCOMPARE(vm->searchLocations().size(), 2);
        QCOMPARE(vm->searchLocations()[0].url, m_cardA);
        QVERIFY(!vm->searchLocations()[0].requiresReauthorization);
        QCOMPARE(vm->searchLocations()[1].url, m_cardB);
        QVERIFY(vm->searchLocations()[1].requiresReauthorization);
        QVERIFY(!vm->canStartScan());
        // Access is opened for the usable folders only.
        QCOMPARE(QSet<QString>(second.platform.started->begin(), second.platform.started->end()),
                 (QSet<QString>{m_selection, m_cardA, m_dest}));
        // Choosing the missing folder again clears the block.
        QDir().mkpath(m_cardB);
        second.panels.folders->append({m_cardB});
        vm->reauthorizeSearchLocation(vm->searchLocations()[1].id);
        QVERIFY(vm->canStartScan());
    }

    void bookmarkSaveFailureKeepsTheFolder()
    {
        Rig rig;
        auto vm = make(rig);
        const QString missing = path(QStringLiteral("not there"));
        vm->setDestinationFolder(missing);
        QCOMPARE(vm->destinationFolder(), std::optional<FileURL>(missing));
        // The message names the folder that could not be kept.
        QCOMPARE(vm->errorMessage(), std::optional<QString>(localized("error.bookmark.folder.missing", "not there")));
    }

    // ---- search locations and drops ----

    void searchLocationChanges()
    {
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        // The same folder again (another spelling of it): one entry, results kept, saved again.
        vm->setSearchLocations({m_cardA, m_cardB, m_cardA + QStringLiteral("/./")});
        QCOMPARE(vm->searchLocations().size(), 2);
        QCOMPARE(vm->stage(), WorkflowStage::summary);
        QVERIFY(!vm->results().isEmpty());
        // Removing one on the summary scans again at once and closes its access.
        vm->removeSearchLocation(vm->searchLocations()[1].id);
        QCOMPARE(vm->stage(), WorkflowStage::scanning);
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::summary && !vm->isPlanning(); }, kWait));
        QCOMPARE(vm->results().size(), 4);
        QVERIFY(rig.platform.stopped->contains(m_cardB));
        QVERIFY(!vm->activeScopePaths().contains(m_cardB));
        // Without locations there is nothing to scan: back to set-up.
        vm->removeSearchLocation(vm->searchLocations()[0].id);
        QVERIFY(vm->searchLocations().isEmpty());
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QVERIFY(vm->results().isEmpty());
        QCOMPARE(settings()->value(QStringLiteral("bookmark.searches")).toByteArray(), QByteArray("[]"));
        // The folder panels: a dismissed panel changes nothing; with several chosen, the first.
        vm->chooseDestinationFolder();
        QCOMPARE(vm->destinationFolder(), std::optional<FileURL>(m_dest));
        rig.panels.folders->append({m_cardA, m_cardB});
        vm->chooseSelectionFolder();
        QCOMPARE(vm->selectionFolder(), std::optional<FileURL>(m_cardA));
        // Adding through the panel appends.
        rig.panels.folders->append({m_cardB, m_cardA});
        vm->addSearchLocations();
        QCOMPARE(vm->searchLocations().size(), 2);
        QCOMPARE(vm->searchLocations()[0].url, m_cardB);
    }

    void drops_data()
    {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("destination");
        QTest::newRow("files then folders")
            << QStringList{"Selection/IMG_1.jpg", "Card B", "Card A"} << true << "Card B";
        QTest::newRow("only files") << QStringList{"Selection/IMG_1.jpg", "Selection/IMG_2.jpg"} << false << "";
        QTest::newRow("missing path") << QStringList{"nowhere"} << false << "";
    }
    void drops()
    {
        QFETCH(QStringList, dropped);
        QFETCH(bool, accepted);
        QFETCH(QString, destination);
        Rig rig;
        auto vm = make(rig);
        QList<FileURL> urls;
        for (const QString &d : dropped)
            urls << path(d);
        QCOMPARE(vm->dropDestinationFolder(urls), accepted);
        QCOMPARE(vm->destinationFolder(),
                 destination.isEmpty() ? std::optional<FileURL>() : std::optional<FileURL>(path(destination)));
        QCOMPARE(vm->dropSearchLocations(urls), accepted);
        QCOMPARE(vm->dropSelectionFolder(urls), accepted);
    }

    void targetChange()
    {
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        QSignalSpy stageSpy(vm.get(), &WorkflowViewModel::stageChanged);
        vm->setSearchTarget(SearchTarget::raw);
        QCOMPARE(stageSpy.count(), 0);
        QCOMPARE(vm->stage(), WorkflowStage::summary);
        vm->setSearchTarget(SearchTarget::jpeg);
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QVERIFY(vm->results().isEmpty());
        QVERIFY(vm->copyPlan().tasks.isEmpty());
    }

    // ---- scanning ----

    void scanFindsAndPlans()
    {
        Rig rig;
        auto vm = ready(rig);
        QSignalSpy progress(vm.get(), &WorkflowViewModel::scanProgressChanged);
        QVERIFY(scanned(*vm));
        QCOMPARE(vm->statusMessage(), localized("status.scan.complete"));
        QCOMPARE(vm->results().size(), 4);
        const SelectionResult *one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"));
        QVERIFY(one);
        QCOMPARE(one->status, SelectionStatus::readyToCopy); // found, then planned
        QCOMPARE(one->chosenRAW, std::optional<FileURL>(m_cardA + QStringLiteral("/DCIM/img_1.CR3")));
        QCOMPARE(one->destinationURL, std::optional<FileURL>(m_dest + QStringLiteral("/img_1.CR3")));
        const SelectionResult *cafe = resultNamed(*vm, QString::fromUtf8("Cafe\xCC\x81.jpg"));
        QVERIFY(cafe); // decomposed name, composed file
        QCOMPARE(cafe->status, SelectionStatus::readyToCopy);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->status, SelectionStatus::ambiguous);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->candidates.size(), 2);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->status, SelectionStatus::notFound);
        QVERIFY(resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->candidates.isEmpty());
        QCOMPARE(vm->foundResults().size(), 2);
        QCOMPARE(vm->notFoundResults().size(), 1);
        QCOMPARE(vm->ambiguousResults().size(), 1);
        QCOMPARE(vm->primaryCopyTasks().size(), 2);
        QCOMPARE(vm->copyPlan().tasks.size(), 3); // with the sidecar
        QVERIFY(progress.count() > 0);
        QVERIFY(vm->scanProgress().checkedFiles > 0);
    }

    void scanCancelled()
    {
        Rig rig;
        rig.endlessScanner = true;
        auto vm = ready(rig);
        vm->setDestinationFolder(path(QStringLiteral("gone"))); // leaves an error message behind
        vm->setDestinationFolder(m_dest);
        const auto error = vm->errorMessage();
        QVERIFY(error);
        vm->startScan();
        QVERIFY(!vm->errorMessage()); // a scan starts with no error
        QVERIFY(QTest::qWaitFor([&] { return vm->scanProgress().checkedFiles > 2; }, kWait));
        vm->cancelOperation();
        QCOMPARE(vm->statusMessage(), localized("status.scan.cancelling"));
        QCOMPARE(vm->stage(), WorkflowStage::scanning);
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::setup; }, kWait));
        QCOMPARE(vm->statusMessage(), localized("status.scan.cancelled"));
        QVERIFY(vm->results().isEmpty());
        QVERIFY(!vm->errorMessage());
    }

    void scanFailsWhenTheSelectionIsGone()
    {
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(QDir(m_selection).removeRecursively());
        vm->startScan();
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::setup; }, kWait));
        // Which folder, and why.
        QCOMPARE(vm->errorMessage(),
                 std::optional<QString>(localized("error.selection.unreadable", standardizedPath(m_selection),
                                                  localized("error.reason.gone"))));
        QCOMPARE(vm->statusMessage(), localized("status.scan.failed"));
        QVERIFY(vm->results().isEmpty());
    }

    void restartingAScanDropsTheOldOne()
    {
        Rig rig;
        rig.endlessScanner = true;
        auto vm = ready(rig);
        vm->startScan();
        QVERIFY(QTest::qWaitFor([&] { return vm->scanProgress().checkedFiles > 2; }, kWait));
        vm->startOver();
        QVERIFY(waitForJobs(kWait));
        QCoreApplication::processEvents();
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QCOMPARE(vm->statusMessage(), localized("status.ready")); // not the old job's "cancelled"
        QCOMPARE(vm->scanProgress(), ScanProgress());
        QCOMPARE(vm->destinationFolder(), std::optional<FileURL>(m_dest));
        QCOMPARE(vm->searchLocations().size(), 2);
        QVERIFY(!vm->selectionFolder());
    }

    // ---- resolving ----

    void resolving()
    {
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        const QUuid two = resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->id();
        const QUuid one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->id();
        // A file that does not suit the target changes nothing.
        const auto before = vm->results();
        vm->chooseCandidate(path(QStringLiteral("Card B/IMG_2.tif")), two);
        vm->chooseCandidate(m_cardB + QStringLiteral("/IMG_2.CR3"), makeId());
        QCOMPARE(vm->results(), before);
        vm->chooseCandidate(m_cardB + QStringLiteral("/./IMG_2.CR3"), two);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->status, SelectionStatus::manuallyResolved);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->chosenRAW,
                 std::optional<FileURL>(m_cardB + QStringLiteral("/IMG_2.CR3")));
        QVERIFY(QTest::qWaitFor([&] { return !vm->isPlanning(); }, kWait));
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->status, SelectionStatus::readyToCopy);
        QCOMPARE(vm->primaryCopyTasks().size(), 3);
        // Skipping clears the chosen file and drops its task.
        vm->skipResult(one);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->status, SelectionStatus::skipped);
        QVERIFY(!resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->chosenRAW);
        QVERIFY(QTest::qWaitFor([&] { return !vm->isPlanning(); }, kWait));
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->status, SelectionStatus::skipped);
        for (const CopyTaskItem &t : vm->copyPlan().tasks)
            QVERIFY(!t.selectionIDs.contains(one));
        // A dismissed panel does nothing; a file of another type is reported; a chosen file
        // resolves the name and opens access to it.
        const QUuid three = resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->id();
        *rig.panels.dismissed = true;
        vm->chooseFileManually(three);
        QVERIFY(!vm->errorMessage());
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->status, SelectionStatus::notFound);
        *rig.panels.dismissed = false;
        vm->chooseFileManually(three);
        QCOMPARE(vm->errorMessage(), std::optional<QString>(localized("error.unsupported.raw")));
        vm->clearErrorMessage();
        const QString byHand = path(QStringLiteral("Elsewhere/IMG_3.ORF"));
        makeFile(byHand, "orf");
        *rig.panels.candidateFile = byHand;
        vm->chooseFileManually(three);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->status, SelectionStatus::manuallyResolved);
        QVERIFY(vm->activeScopePaths().contains(byHand));
    }

    // Cancelling while the scan job plans: the plan is dropped and nobody is left waiting for it.
    void cancelWhilePlanning()
    {
        Rig rig;
        rig.planner.gate->open = false;
        auto vm = ready(rig);
        vm->startScan();
        QVERIFY(QTest::qWaitFor([&] { return rig.planner.gate->entered > 0; }, kWait));
        QCOMPARE(vm->stage(), WorkflowStage::summary);
        QVERIFY(vm->isPlanning());
        vm->startCopy(); // waits for the plan
        vm->cancelOperation();
        rig.planner.gate->open = true;
        QVERIFY(QTest::qWaitFor([&] { return !vm->isPlanning(); }, kWait));
        QVERIFY(vm->copyPlan().tasks.isEmpty());
        QCOMPARE(vm->stage(), WorkflowStage::summary); // the copy that waited does not start
        // A later re-plan brings the plan.
        vm->setIncludeXMP(false);
        QVERIFY(QTest::qWaitFor([&] { return !vm->isPlanning() && !vm->copyPlan().tasks.isEmpty(); }, kWait));
    }

    void conflictUnderSkipPolicy()
    {
        Rig rig;
        makeFile(m_dest + QStringLiteral("/img_1.CR3"), "already here");
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        const SelectionResult *one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"));
        QCOMPARE(one->status, SelectionStatus::existsAtDestination);
        QCOMPARE(one->message, std::optional<QString>(QStringLiteral("exists: img_1.CR3")));
        QVERIFY(copied(*vm));
        one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"));
        QCOMPARE(one->status, SelectionStatus::skipped);
        const CopyReportRow row = vm->reportRows()[vm->results().indexOf(*one)];
        QCOMPARE(row.errorMessage, QStringLiteral("exists: img_1.CR3"));
        QCOMPARE(row.status, localized("report.status.skipped"));
        QCOMPARE(row.outcome, CopyOutcomeStatus::skipped);
        QCOMPARE(row.destinationPath, m_dest + QStringLiteral("/img_1.CR3"));
        // Changing the policy re-plans.
        const int calls = *rig.planner.calls;
        vm->setConflictPolicy(ConflictPolicy::keepNumbered);
        QVERIFY(QTest::qWaitFor([&] { return *rig.planner.calls > calls && !vm->isPlanning(); }, kWait));
    }

    // ---- copying ----

    void copyRun_data()
    {
        QTest::addColumn<bool>("fileCheck");
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("no checks") << false << false;
        QTest::newRow("file check verifies") << true << false;
        QTest::newRow("duplicate check") << false << true;
    }
    void copyRun()
    {
        QFETCH(bool, fileCheck);
        QFETCH(bool, duplicate);
        Rig rig;
        *rig.copier.failNames = {QStringLiteral("img_1.xmp")};
        auto vm = ready(rig);
        vm->setFileCheckEnabled(fileCheck);
        vm->setDuplicateCheckEnabled(duplicate);
        QVERIFY(scanned(*vm));
        QList<CopyProgress> seen;
        connect(vm.get(), &WorkflowViewModel::copyProgressChanged, this, [&] { seen << vm->copyProgress(); });
        QVERIFY(copied(*vm));
        QCOMPARE(bool(*rig.copier.lastVerify), fileCheck);
        QCOMPARE(*rig.checker.calls, (fileCheck || duplicate) ? 1 : 0);
        // A sidecar failed: the run does not read as complete.
        QCOMPARE(vm->statusMessage(), localized("status.copy.failed"));
        QCOMPARE(vm->completionKind(), CompletionKind::someFailed);
        QVERIFY(!vm->copyResult()->wasCancelled);
        QCOMPARE(vm->completedQualityOptions(), (QualityCheckOptions{false, duplicate, fileCheck}));
        // Counts never go down, though the copier reports 0 of 0 between files.
        for (qsizetype i = 1; i < seen.size(); ++i) {
            QVERIFY(seen[i].completedFiles >= seen[i - 1].completedFiles);
            QCOMPARE(seen[i].totalFiles, 3);
        }
        QCOMPARE(vm->copiedPrimaryOutcomes().size(), 2);
        QCOMPARE(vm->copiedSidecarOutcomes().size(), 0);
        QCOMPARE(vm->failedOutcomes().size(), 1);
        QCOMPARE(vm->skippedReportRows().size(), 2); // not found, ambiguous
        QCOMPARE(vm->reportRows().size(), 4);
        const SelectionResult *one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"));
        QCOMPARE(one->status, SelectionStatus::copied);
        QVERIFY(QFile::exists(m_dest + QStringLiteral("/img_1.CR3")));
        const CopyReportRow row = vm->reportRows()[vm->results().indexOf(*one)];
        QCOMPARE(row.errorMessage, QStringLiteral("XMP: disk said no"));
        QCOMPARE(row.qualityFlags, (fileCheck || duplicate) ? QStringLiteral("Duplicate") : QString());
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->status, SelectionStatus::skipped);
        // A new job keeps the folders and options.
        vm->startOver();
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QVERIFY(vm->reportRows().isEmpty() && !vm->copyResult());
        QCOMPARE(vm->destinationFolder(), std::optional<FileURL>(m_dest));
        QCOMPARE(vm->fileCheckEnabled(), fileCheck);
    }

    void insufficientSpaceRefusesToStart()
    {
        Rig rig;
        *rig.planner.reportInsufficientSpace = true;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        vm->startCopy();
        QCOMPARE(vm->stage(), WorkflowStage::summary);
        QCOMPARE(vm->errorMessage(), std::optional<QString>(localized("error.insufficient.space")));
    }

    void cancelDuringCopy()
    {
        Rig rig;
        rig.copier.gate->open = false;
        auto vm = ready(rig);
        vm->setDuplicateCheckEnabled(true);
        QVERIFY(scanned(*vm));
        vm->startCopy();
        QCOMPARE(vm->stage(), WorkflowStage::copying);
        QVERIFY(QTest::qWaitFor([&] { return rig.copier.gate->entered > 0; }, kWait));
        vm->cancelOperation();
        QCOMPARE(vm->statusMessage(), localized("status.copy.cancelling"));
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::completed; }, kWait));
        QCOMPARE(vm->statusMessage(), localized("status.copy.cancelled"));
        QVERIFY(vm->copyResult()->wasCancelled);
        QCOMPARE(*rig.checker.calls, 0);
        QCOMPARE(vm->completedQualityOptions().duplicate, true);
        for (const CopyReportRow &row : vm->reportRows()) {
            QCOMPARE(row.status, localized("report.status.skipped"));
            // Only what was left undone says so; a name that was not found still says that.
            const SelectionResult *result = resultNamed(*vm, row.jpegPath);
            QCOMPARE(row.errorMessage,
                     result->chosenRAW ? localized("report.error.cancelled") : result->message.value_or(QString()));
        }
        QVERIFY(!QFile::exists(m_dest + QStringLiteral("/img_1.CR3")));
        // Each picture in its own word: the two planned ones cancelled, the others as they were.
        QCOMPARE(vm->completionKind(), CompletionKind::cancelled);
        QCOMPARE(vm->settledCount(ResultOutcome::cancelled), 2);
        QCOMPARE(vm->settledCount(ResultOutcome::notChosen), 1);
        QCOMPARE(vm->settledCount(ResultOutcome::notFound), 1);
        QVERIFY(vm->canRetry());

        // The retry copies what was cancelled, and the job is settled whole again.
        rig.copier.gate->open = true;
        vm->retryFailed();
        QCOMPARE(vm->stage(), WorkflowStage::copying);
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::completed; }, kWait));
        QCOMPARE(vm->completionKind(), CompletionKind::allCopied);
        QCOMPARE(vm->statusMessage(), localized("status.copy.complete"));
        QCOMPARE(vm->settledCount(ResultOutcome::copied), 2);
        QCOMPARE(vm->settledCount(ResultOutcome::cancelled), 0);
        QCOMPARE(vm->reportRows().size(), 4);
        QVERIFY(QFile::exists(m_dest + QStringLiteral("/img_1.CR3")));
        QVERIFY(!vm->canRetry());
    }

    // A failed file is copied again by the retry, with the candidate the user chose, and the
    // files already copied are neither copied again nor forgotten.
    void retryCopiesWhatFailed()
    {
        Rig rig;
        *rig.copier.failNames = {QStringLiteral("img_1.CR3")};
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        const QUuid two = resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->id();
        vm->chooseCandidate(m_cardB + QStringLiteral("/IMG_2.CR3"), two);
        QVERIFY(QTest::qWaitFor([&] { return !vm->isPlanning(); }, kWait));
        QVERIFY(copied(*vm));
        QCOMPARE(vm->completionKind(), CompletionKind::someFailed);
        QCOMPARE(vm->statusMessage(), localized("status.copy.failed"));
        QCOMPARE(vm->settledCount(ResultOutcome::copied), 2);
        QCOMPARE(vm->settledCount(ResultOutcome::failed), 1);
        QCOMPARE(vm->settledCount(ResultOutcome::notFound), 1);
        qint64 sum = 0;
        for (ResultOutcome o : allResultOutcomes())
            sum += vm->settledCount(o);
        QCOMPARE(sum, vm->results().size());
        QVERIFY(vm->canRetry());

        // The card is back.
        rig.copier.failNames->clear();
        QFile::remove(m_cardB + QStringLiteral("/IMG_2.CR3")); // copied already: not read again
        vm->retryFailed();
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::completed; }, kWait));
        QCOMPARE(vm->completionKind(), CompletionKind::allCopied);
        QCOMPARE(vm->settledCount(ResultOutcome::copied), 3);
        QCOMPARE(vm->settledCount(ResultOutcome::failed), 0);
        QCOMPARE(vm->copiedPrimaryOutcomes().size(), 3);
        QVERIFY(vm->failedOutcomes().isEmpty());
        QCOMPARE(QFileInfo(m_dest + QStringLiteral("/IMG_2.CR3")).size(), 300); // card B's, as chosen
        QVERIFY(QFile::exists(m_dest + QStringLiteral("/img_1.CR3")));
        const SelectionResult *one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"));
        QCOMPARE(one->status, SelectionStatus::copied);
        QCOMPARE(vm->reportRows()[vm->results().indexOf(*one)].status, localized("report.status.copied"));
        QVERIFY(!vm->canRetry());
    }

    void cancelDuringChecks()
    {
        Rig rig;
        rig.checker.gate->open = false;
        auto vm = ready(rig);
        vm->setBlurCheckEnabled(true);
        QVERIFY(scanned(*vm));
        vm->startCopy();
        QVERIFY(QTest::qWaitFor([&] { return rig.checker.gate->entered > 0; }, kWait));
        QCOMPARE(vm->statusMessage(), localized("status.quality.duplicates"));
        vm->cancelOperation();
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::completed; }, kWait));
        // The copy finished; only the checks were cancelled, and they have no counts to show.
        QVERIFY(!vm->copyResult()->wasCancelled);
        QCOMPARE(vm->copiedPrimaryOutcomes().size(), 2); // the copies stay
        QCOMPARE(vm->qualityResult(), QualityCheckBatchResult());
        QCOMPARE(vm->completedQualityOptions(), QualityCheckOptions());
        QCOMPARE(vm->statusMessage(), localized("status.checks.cancelled"));
        for (const CopyReportRow &row : vm->reportRows()) {
            QVERIFY2(row.errorMessage != localized("report.error.cancelled"), qPrintable(row.jpegPath));
            if (row.rawPath.isEmpty()) // not found: says so still
                QCOMPARE(row.errorMessage, resultNamed(*vm, row.jpegPath)->message.value_or(QString()));
        }
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->status, SelectionStatus::copied);
        QCOMPARE(vm->completionKind(), CompletionKind::checksCancelled);
        QVERIFY(vm->checksWereCancelled());
        QCOMPARE(vm->settledCount(ResultOutcome::copied), 2);
        QVERIFY(!vm->canRetry()); // every file is copied
    }

    // Checks that break off are not passed over in silence: no counts, and the reason is shown.
    void checksThatBreakOffAreTold()
    {
        Rig rig;
        rig.checker.fails = Failure{FailureCode::fileOperation, EIO, m_dest};
        auto vm = ready(rig);
        vm->setBlurCheckEnabled(true);
        QVERIFY(scanned(*vm));
        QVERIFY(copied(*vm));
        QCOMPARE(vm->copiedPrimaryOutcomes().size(), 2); // the copies stay
        QCOMPARE(vm->completedQualityOptions(), QualityCheckOptions());
        QCOMPARE(vm->completionKind(), CompletionKind::checksCancelled);
        QVERIFY(vm->errorMessage());
        QVERIFY2(vm->errorMessage()->contains(reasonText(EIO)), qPrintable(*vm->errorMessage()));
    }

    void copierThatBreaksOffIsNotComplete()
    {
        Rig rig;
        *rig.copier.breaksOff = true;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        QVERIFY(copied(*vm));
        QCOMPARE(vm->statusMessage(), localized("status.copy.failed"));
        QCOMPARE(vm->errorMessage(), std::optional<QString>(localized("error.copy.failed")));
        QVERIFY(vm->copiedPrimaryOutcomes().isEmpty());
        const SelectionResult *one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"));
        QCOMPARE(one->status, SelectionStatus::failed);
        QCOMPARE(vm->reportRows()[vm->results().indexOf(*one)].status, localized("report.status.failed"));
    }

    // A source that vanished before the copy is not ready to copy, and its row says why.
    void sourceGoneBeforeTheCopy()
    {
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        QVERIFY(QFile::remove(m_cardA + QStringLiteral("/DCIM/img_1.CR3")));
        vm->setConflictPolicy(vm->conflictPolicy() == ConflictPolicy::skip ? ConflictPolicy::keepNumbered
                                                                           : ConflictPolicy::skip); // plans again
        QVERIFY(QTest::qWaitFor([&] { return !vm->isPlanning(); }, kWait));
        QVERIFY(QTest::qWaitFor(
            [&] { return resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->status == SelectionStatus::failed; }, kWait));
        QVERIFY(copied(*vm));
        const SelectionResult *one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"));
        QCOMPARE(one->status, SelectionStatus::failed);
        const CopyReportRow row = vm->reportRows()[vm->results().indexOf(*one)];
        QCOMPARE(row.status, localized("report.status.failed"));
        QCOMPARE(row.errorMessage, QStringLiteral("gone: img_1.CR3"));
    }

    void copyWaitsForAPendingPlan()
    {
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        vm->skipResult(resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->id());
        vm->startCopy(); // before the new plan is in
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::completed; }, kWait));
        QVERIFY(!QFile::exists(m_dest + QStringLiteral("/img_1.CR3")));
        QCOMPARE(vm->copiedPrimaryOutcomes().size(), 1);
        // The skip is kept as a state; the report words it.
        const qsizetype skipped = vm->results().indexOf(*resultNamed(*vm, QStringLiteral("IMG_1.jpg")));
        QCOMPARE(vm->reportRows()[skipped].outcome, CopyOutcomeStatus::skipped);
        QCOMPARE(vm->reportRows()[skipped].errorMessage, localized("report.status.skipped"));
        QVERIFY(vm->skippedReportRows().contains(vm->reportRows()[skipped]));
    }

    // ---- the report ----

    void savingTheReport()
    {
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        QVERIFY(copied(*vm));
        const QString status = vm->statusMessage();
        vm->saveReport(); // panel cancelled
        QCOMPARE(vm->statusMessage(), status);
        const QString file = path(QStringLiteral("Reports/Quillmore-report.csv"));
        QDir().mkpath(parentPath(file));
        *rig.panels.reportFile = file;
        QVERIFY(vm->saveReport());
        QCOMPARE(vm->statusMessage(), localized("status.report.saved"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), reportFileBytes(vm->reportRows()));
        *rig.panels.reportFile = path(QStringLiteral("No such folder/r.csv"));
        QVERIFY(!vm->saveReport());
        QCOMPARE(vm->errorMessage(),
                 std::optional<QString>(localized("error.report.write", path(QStringLiteral("No such folder/r.csv")),
                                                  localized("error.reason.gone"))));
        QCOMPARE(vm->statusMessage(), localized("status.report.saved"));
    }

    void openDestination()
    {
        Rig rig;
        auto vm = ready(rig);
        vm->openDestination();
        QCOMPARE(*rig.platform.opened, QStringList{m_dest});
        QVERIFY(!vm->errorMessage());
        // Without a file browser the user is told where the folder is.
        *rig.platform.browserAvailable = false;
        vm->openDestination();
        QCOMPARE(vm->errorMessage(), std::optional<QString>(localized("error.open.folder", m_dest)));
    }

    // ---- screenshots ----

    void screenshotReading()
    {
        Rig rig;
        const QString shotA = path(QStringLiteral("Shots/a.png")), shotB = path(QStringLiteral("Shots/b.PNG"));
        ScreenshotNameCandidate one{makeId(),       QStringLiteral("IMG_1.jpg"),        0.9f,
                                    {shotA, shotB}, {QStringLiteral("IMG_1.jpg 2 MB")}, false};
        ScreenshotNameCandidate two{makeId(), QStringLiteral("IMG_2"), 0.8f, {shotA}, {}, false};
        ScreenshotNameCandidate bad{makeId(), QStringLiteral("IMG_9.png"), 0.4f, {shotB}, {}, false};
        *rig.screenshots.result = {2, 5, {one, two, bad}, {}};
        auto vm = ready(rig);
        vm->selectScreenshots({shotA, shotB, path(QStringLiteral("notes.txt")), shotA});
        QCOMPARE(vm->selectionInputMode(), SelectionInputMode::screenshots);
        QCOMPARE(vm->screenshotURLs(), (QList<FileURL>{shotA, shotB}));
        QVERIFY(QTest::qWaitFor([&] { return !vm->isReadingScreenshots(); }, kWait));
        QVERIFY(vm->isShowingScreenshotReview());
        QCOMPARE(vm->statusMessage(), localized("screenshot.ocr.complete"));
        QCOMPARE(vm->screenshotCandidateList().candidates.size(), 3);
        QCOMPARE(vm->screenshotDuplicatesRemoved(), 2);
        QCOMPARE(vm->screenshotProgress(), (ScreenshotOCRProgress{2, 2, shotB}));
        QVERIFY(!vm->hasSelection()); // "IMG_9.png" is not a valid name
        vm->updateScreenshotFilename(bad.id, QStringLiteral("IMG_9.jpg"));
        QVERIFY(vm->hasSelection());
        vm->removeScreenshotFilename(bad.id);
        vm->addScreenshotFilename();
        QVERIFY(!vm->hasSelection()); // an empty name added
        vm->removeScreenshotFilename(vm->screenshotCandidateList().candidates.last().id);
        QVERIFY(vm->canStartScan());
        QVERIFY(scanned(*vm));
        QCOMPARE(vm->results().size(), 2);
        QCOMPARE(vm->results()[0].selection.sourceScreenshotURLs, (QList<FileURL>{shotA, shotB}));
        QCOMPARE(vm->results()[0].status, SelectionStatus::readyToCopy);
        QCOMPARE(vm->results()[1].status, SelectionStatus::ambiguous);
        QVERIFY(copied(*vm));
        QCOMPARE(vm->reportRows()[0].screenshotSource, QStringLiteral("a.png; b.PNG"));
        // Clearing the screenshots closes their access.
        vm->setSelectionFolder(m_selection);
        QVERIFY(rig.platform.stopped->contains(shotA) && rig.platform.stopped->contains(shotB));
        QVERIFY(vm->screenshotURLs().isEmpty());
    }

    void screenshotChoicesThatChangeNothing()
    {
        Rig rig;
        auto vm = ready(rig);
        const QString status = vm->statusMessage();
        vm->selectScreenshots({path(QStringLiteral("notes.txt"))});
        QCOMPARE(vm->statusMessage(), status);
        QCOMPARE(vm->selectionInputMode(), SelectionInputMode::folder);
        QVERIFY(!vm->dropScreenshots({path(QStringLiteral("notes.txt")), m_selection}));
    }

    void lateScreenshotResultsAreDropped()
    {
        Rig rig;
        rig.screenshots.gate->open = false;
        *rig.screenshots.result = {1, 1, {{makeId(), QStringLiteral("IMG_1.jpg"), 1.0f, {}, {}, false}}, {}};
        auto vm = ready(rig);
        vm->selectScreenshots({path(QStringLiteral("s.png"))});
        QVERIFY(QTest::qWaitFor([&] { return rig.screenshots.gate->entered > 0; }, kWait));
        vm->setSelectionFolder(m_selection);
        rig.screenshots.gate->open = true;
        QVERIFY(waitForJobs(kWait));
        QCoreApplication::processEvents();
        QCOMPARE(vm->selectionInputMode(), SelectionInputMode::folder);
        QVERIFY(vm->screenshotCandidateList().candidates.isEmpty());
        QVERIFY(!vm->isReadingScreenshots());
        QVERIFY(vm->canStartScan());
    }

    void screenshotReadingEnds_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("error");
        QTest::newRow("cancelled") << true << "screenshot.ocr.cancelled" << false;
        QTest::newRow("failed") << false << "screenshot.ocr.failed" << true;
    }
    void screenshotReadingEnds()
    {
        QFETCH(bool, cancel);
        QFETCH(QString, status);
        QFETCH(bool, error);
        Rig rig;
        rig.screenshots.gate->open = false;
        *rig.screenshots.fail = !cancel;
        auto vm = ready(rig);
        vm->selectScreenshots({path(QStringLiteral("s.heic"))});
        QVERIFY(QTest::qWaitFor([&] { return rig.screenshots.gate->entered > 0; }, kWait));
        if (cancel) {
            vm->cancelScreenshotReading();
            QCOMPARE(vm->statusMessage(), localized("screenshot.ocr.cancelling"));
        } else {
            rig.screenshots.gate->open = true;
        }
        QVERIFY(QTest::qWaitFor([&] { return !vm->isReadingScreenshots(); }, kWait));
        QCOMPARE(vm->statusMessage(), localized(status));
        QCOMPARE(vm->errorMessage().has_value(), error);
        QVERIFY(!vm->isShowingScreenshotReview());
    }

    // ---- work kept ----

    void checksAreRemembered()
    {
        {
            Rig rig;
            auto vm = make(rig);
            vm->setBlurCheckEnabled(true);
            vm->setFileCheckEnabled(true);
        }
        Rig rig;
        auto vm = make(rig);
        QVERIFY(vm->blurCheckEnabled());
        QVERIFY(!vm->duplicateCheckEnabled());
        QVERIFY(vm->fileCheckEnabled());
    }

    // Each panel opens where the last folder of its kind was, also after a restart.
    void panelsOpenWhereTheLastFolderOfTheirKindWas()
    {
        Rig rig;
        {
            auto vm = make(rig);
            rig.panels.folders->append({m_dest});
            vm->chooseDestinationFolder();
            rig.panels.folders->append({m_cardB});
            vm->addSearchLocations();
            vm->chooseDestinationFolder(); // dismissed
        }
        auto vm = make(rig);
        vm->chooseSelectionFolder();
        vm->addSearchLocations();
        const auto &prepared = *rig.panels.prepared;
        QCOMPARE(prepared.size(), 5);
        QCOMPARE(prepared[0].first, PanelPurpose::destinationFolder);
        QCOMPARE(prepared[1].first, PanelPurpose::searchLocations);
        QCOMPARE(prepared[2], qMakePair(PanelPurpose::destinationFolder, std::optional<FileURL>(parentPath(m_dest))));
        QCOMPARE(prepared[3].first, PanelPurpose::selectionFolder);
        QVERIFY(!prepared[3].second); // nothing chosen of this kind yet
        QCOMPARE(prepared[4], qMakePair(PanelPurpose::searchLocations, std::optional<FileURL>(parentPath(m_cardB))));
    }

    // The checks after a copy count the files they have reached, each check its own.
    void checksShowTheirOwnProgress()
    {
        Rig rig;
        rig.checker.gate->open = false;
        auto vm = ready(rig);
        vm->setDuplicateCheckEnabled(true);
        QVERIFY(scanned(*vm));
        vm->startCopy();
        using Counts = std::pair<qint64, qint64>;
        QCOMPARE(vm->checkProgress(), Counts(0, 0));
        QVERIFY(QTest::qWaitFor([&] { return vm->checkProgress() == Counts(1, 2); }, kWait));
        rig.checker.gate->passes = 1;
        QVERIFY(QTest::qWaitFor([&] { return vm->checkProgress() == Counts(2, 2); }, kWait));
        rig.checker.gate->open = true;
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::completed; }, kWait));
    }

    void interruptedCopyIsMentionedOnce()
    {
        {
            Rig rig;
            rig.copier.gate->open = false;
            auto vm = ready(rig);
            QVERIFY(scanned(*vm));
            vm->startCopy();
            QCOMPARE(vm->stage(), WorkflowStage::copying);
            QVERIFY(QTest::qWaitFor([&] { return rig.copier.gate->entered > 0; }, kWait));
            // The program ends mid-copy.
        }
        QVERIFY(waitForJobs(kWait));
        {
            Rig rig;
            auto vm = make(rig);
            QVERIFY(vm->errorMessage().has_value());
            QCOMPARE(*vm->errorMessage(), localized("error.copy.interrupted", m_dest));
            // A copy that finishes leaves nothing to mention.
            QVERIFY(scanned(*vm));
            QVERIFY(copied(*vm));
        }
        Rig rig;
        auto vm = make(rig);
        QVERIFY(!vm->errorMessage().has_value());
    }

    void backAndRescanKeepChoices()
    {
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        const QUuid two = resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->id();
        const QUuid three = resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->id();
        const QString pickedB = m_cardB + QStringLiteral("/IMG_2.CR3");
        vm->chooseCandidate(pickedB, two);
        vm->skipResult(three);
        QVERIFY(QTest::qWaitFor([&] { return !vm->isPlanning(); }, kWait));

        vm->goBackToSetup();
        QCOMPARE(vm->stage(), WorkflowStage::setup);
        QVERIFY(vm->results().isEmpty());
        QCOMPARE(vm->selectionFolder(), std::optional<FileURL>(m_selection));
        QCOMPARE(vm->searchLocations().size(), 2);
        QCOMPARE(vm->destinationFolder(), std::optional<FileURL>(m_dest));
        const auto choicesKept = [&] {
            return resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->chosenRAW == std::optional<FileURL>(pickedB)
                && resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->status == SelectionStatus::readyToCopy
                && resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->status == SelectionStatus::skipped;
        };
        QVERIFY(scanned(*vm));
        QVERIFY(choicesKept());

        // A location added on the summary scans again at once, and the choices stay.
        QDir().mkpath(path(QStringLiteral("Card C")));
        vm->setSearchLocations({m_cardA, m_cardB, path(QStringLiteral("Card C"))});
        QCOMPARE(vm->stage(), WorkflowStage::scanning);
        QVERIFY(QTest::qWaitFor([&] { return vm->stage() == WorkflowStage::summary && !vm->isPlanning(); }, kWait));
        QVERIFY(choicesKept());

        // A chosen file that is gone is not applied: the name is as the scan finds it now.
        QVERIFY(QFile::remove(pickedB));
        vm->goBackToSetup();
        QVERIFY(scanned(*vm));
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->chosenRAW,
                 std::optional<FileURL>(m_cardA + QStringLiteral("/DCIM/IMG_2.CR3")));
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->status, SelectionStatus::skipped);

        // A new job forgets them.
        vm->startOver();
        vm->setSelectionFolder(m_selection);
        QVERIFY(scanned(*vm));
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_3.jpg"))->status, SelectionStatus::notFound);
    }

    void undoAndRevert()
    {
        Rig rig;
        const QString byHand = path(QStringLiteral("Elsewhere/IMG_1.CR3"));
        makeFile(byHand, QByteArray(10, 'h'));
        *rig.panels.candidateFile = byHand;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        const auto settled = [&] { return QTest::qWaitFor([&] { return !vm->isPlanning(); }, kWait); };
        const QUuid two = resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->id();
        QVERIFY(!vm->canUndoChoice());

        vm->skipResult(two);
        QVERIFY(settled());
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->status, SelectionStatus::skipped);
        QVERIFY(vm->canUndoChoice());
        vm->undoLastChoice();
        QVERIFY(settled());
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->status, SelectionStatus::ambiguous);
        QVERIFY(!vm->canUndoChoice());

        // A single match overridden by hand, put back as the scan found it, and the put-back undone.
        const QUuid one = resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->id();
        const QString scanned1 = m_cardA + QStringLiteral("/DCIM/img_1.CR3");
        vm->chooseFileManually(one);
        QVERIFY(settled());
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->chosenRAW, std::optional<FileURL>(byHand));
        vm->revertResult(one);
        QVERIFY(settled());
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->chosenRAW, std::optional<FileURL>(scanned1));
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->status, SelectionStatus::readyToCopy);
        vm->undoLastChoice();
        QVERIFY(settled());
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_1.jpg"))->chosenRAW, std::optional<FileURL>(byHand));
        // The plan follows: the hand-picked file is what would be copied.
        bool planned = false;
        for (const CopyTaskItem &task : vm->copyPlan().tasks)
            planned = planned || task.sourceURL == byHand;
        QVERIFY(planned);
    }

    // Both cards of a dual-slot camera: the same name with the same bytes is one file.
    void identicalCandidatesCountOnce()
    {
        makeFile(m_selection + QStringLiteral("/IMG_4.jpg"), "\xFF\xD8\xFF\xD9");
        makeFile(m_selection + QStringLiteral("/IMG_5.jpg"), "\xFF\xD8\xFF\xD9");
        makeFile(m_cardA + QStringLiteral("/DCIM/IMG_3.CR3"), QByteArray(4096, 's'));
        makeFile(m_cardB + QStringLiteral("/IMG_3.CR3"), QByteArray(4096, 's'));
        makeFile(m_cardA + QStringLiteral("/DCIM/IMG_4.CR3"), QByteArray(4096, 'x'));
        makeFile(m_cardB + QStringLiteral("/IMG_4.CR3"), QByteArray(4096, 'y')); // same size, other bytes
        makeFile(m_cardA + QStringLiteral("/DCIM/IMG_5.CR3"), QByteArray(64, 'z'));
        makeFile(m_cardB + QStringLiteral("/IMG_5.CR3"), QByteArray(64, 'z'));
        makeFile(m_cardB + QStringLiteral("/more/IMG_5.CR3"), QByteArray(64, 'z'));
        Rig rig;
        auto vm = ready(rig);
        QVERIFY(scanned(*vm));
        const SelectionResult *three = resultNamed(*vm, QStringLiteral("IMG_3.jpg"));
        QCOMPARE(three->status, SelectionStatus::readyToCopy);
        QCOMPARE(three->candidates.size(), 1);
        QCOMPARE(three->chosenRAW, std::optional<FileURL>(m_cardA + QStringLiteral("/DCIM/IMG_3.CR3")));
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_4.jpg"))->status, SelectionStatus::ambiguous);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_4.jpg"))->candidates.size(), 2);
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_2.jpg"))->status, SelectionStatus::ambiguous); // other sizes
        QCOMPARE(resultNamed(*vm, QStringLiteral("IMG_5.jpg"))->status, SelectionStatus::readyToCopy);
        QCOMPARE(vm->identicalCandidatesMerged(), 3);
    }

    void screenshotsAreAddedToTheList()
    {
        Rig rig;
        const QString a = path(QStringLiteral("Shots/a.png")), b = path(QStringLiteral("Shots/b.png"));
        const QString c = path(QStringLiteral("Shots/c.png"));
        const ScreenshotNameCandidate one{makeId(), QStringLiteral("IMG_1.jpg"), 0.9f, {a}, {}, false};
        *rig.screenshots.result = {1, 1, {one}, {}};
        auto vm = ready(rig);
        vm->selectScreenshots({a});
        QVERIFY(QTest::qWaitFor([&] { return !vm->isReadingScreenshots(); }, kWait));
        QVERIFY(!vm->screenshotListEdited());
        vm->updateScreenshotFilename(one.id, QStringLiteral("IMG_1.JPG"));
        QVERIFY(vm->screenshotListEdited());

        // b read: its names join the list; one read before gains b as a source, keeping its edit.
        const ScreenshotNameCandidate again{makeId(), QStringLiteral("IMG_1.jpg"), 0.9f, {b}, {}, false};
        const ScreenshotNameCandidate two{makeId(), QStringLiteral("IMG_2.jpg"), 0.9f, {b}, {}, false};
        *rig.screenshots.result = {1, 2, {again, two}, {}};
        vm->selectScreenshots({a, b});
        QVERIFY(QTest::qWaitFor([&] { return !vm->isReadingScreenshots(); }, kWait));
        const QList<ScreenshotNameCandidate> &names = vm->screenshotCandidateList().candidates;
        QCOMPARE(names.size(), 2);
        QCOMPARE(names[0].fileName, QStringLiteral("IMG_1.JPG"));
        QCOMPARE(names[0].sourceScreenshotURLs, (QList<FileURL>{a, b}));
        QCOMPARE(names[1].fileName, QStringLiteral("IMG_2.jpg"));
        QCOMPARE(vm->screenshotURLs(), (QList<FileURL>{a, b}));
        QCOMPARE(vm->screenshotCount(), 2);
        QCOMPARE(vm->screenshotFilenameOccurrences(), 3);
        QCOMPARE(vm->screenshotDuplicatesRemoved(), 1);
        QVERIFY(vm->screenshotListEdited());
        // The same screenshots again read nothing.
        vm->selectScreenshots({b});
        QVERIFY(!vm->isReadingScreenshots());

        // Replacing starts a new list.
        const ScreenshotNameCandidate three{makeId(), QStringLiteral("IMG_3.jpg"), 0.9f, {c}, {}, false};
        *rig.screenshots.result = {1, 1, {three}, {}};
        vm->replaceScreenshots({c});
        QVERIFY(QTest::qWaitFor([&] { return !vm->isReadingScreenshots(); }, kWait));
        QCOMPARE(vm->screenshotCandidateList().candidates.size(), 1);
        QCOMPARE(vm->screenshotURLs(), (QList<FileURL>{c}));
        QVERIFY(!vm->screenshotListEdited());
    }

    void cancelledReadingKeepsTheNamesRead()
    {
        Rig rig;
        const QString a = path(QStringLiteral("Shots/a.png")), b = path(QStringLiteral("Shots/b.png"));
        const QString c = path(QStringLiteral("Shots/c.png"));
        const ScreenshotNameCandidate one{makeId(), QStringLiteral("IMG_1.jpg"), 0.9f, {a}, {}, false};
        const ScreenshotNameCandidate two{makeId(), QStringLiteral("IMG_2.jpg"), 0.9f, {b}, {}, false};
        const ScreenshotNameCandidate three{makeId(), QStringLiteral("IMG_3.jpg"), 0.9f, {c}, {}, false};
        *rig.screenshots.result = {3, 3, {one, two, three}, {}};
        rig.screenshots.gate->open = false;
        rig.screenshots.gate->passes = 1; // the first screenshot is read, the second waits
        auto vm = ready(rig);
        vm->selectScreenshots({a, b, c});
        QVERIFY(QTest::qWaitFor([&] { return rig.screenshots.gate->entered >= 2; }, kWait));
        vm->cancelScreenshotReading();
        QVERIFY(QTest::qWaitFor([&] { return !vm->isReadingScreenshots(); }, kWait));
        QCOMPARE(vm->statusMessage(), localized("screenshot.ocr.cancelled"));
        QCOMPARE(vm->screenshotCandidateList().candidates.size(), 1);
        QCOMPARE(vm->screenshotCandidateList().candidates[0].fileName, QStringLiteral("IMG_1.jpg"));
        QCOMPARE(vm->screenshotCount(), 1);
        QVERIFY(!vm->isShowingScreenshotReview());
        QVERIFY(vm->canStartScan()); // the names kept can be searched for
        // The screenshots not reached are read when chosen again; their names join those kept.
        QCOMPARE(vm->screenshotURLs(), QList<FileURL>{a});
        rig.screenshots.gate->open = true;
        *rig.screenshots.result = {2, 2, {two, three}, {}};
        vm->selectScreenshots({a, b, c});
        QVERIFY(QTest::qWaitFor([&] { return !vm->isReadingScreenshots(); }, kWait));
        QCOMPARE(vm->screenshotCandidateList().candidates.size(), 3);
        QCOMPARE(vm->screenshotCount(), 3);
        QCOMPARE(vm->screenshotURLs(), (QList<FileURL>{a, b, c}));
    }

    // A burst of reports reaches the screen paced, in order, and always ends on the last one.
    void progressPacing()
    {
        ProgressPacer<CopyProgress> pacer;
        QList<CopyProgress> delivered;
        const auto fold = [](const CopyProgress &older, const CopyProgress &newer) {
            CopyProgress f = newer;
            f.completedFiles = std::max(older.completedFiles, newer.completedFiles);
            return f;
        };
        const auto deliver = [&](const CopyProgress &p) { delivered << p; };
        for (qint64 i = 1; i <= 2000; ++i) {
            pacer.offer({QStringLiteral("f"), i, 2000, i * 10, 20000}, fold, deliver);  // a file done
            pacer.offer({QStringLiteral("f"), 0, 0, i * 10 + 5, 20000}, fold, deliver); // a chunk
        }
        pacer.flush(deliver);
        QVERIFY(!delivered.isEmpty());
        QVERIFY(delivered.size() < 4000);
        QCOMPARE(delivered.first().completedFiles, 1); // the first goes at once
        QCOMPARE(delivered.last().completedFiles, 2000);
        QCOMPARE(delivered.last().copiedBytes, 20005);
        for (qsizetype i = 1; i < delivered.size(); ++i)
            QVERIFY(delivered[i].copiedBytes > delivered[i - 1].copiedBytes);
        pacer.flush(deliver); // nothing waiting
        QCOMPARE(delivered.last().copiedBytes, 20005);
    }

    // ---- the controller goes away mid-job ----

    void destroyedMidJob_data()
    {
        QTest::addColumn<QString>("job");
        QTest::newRow("scan") << "scan";
        QTest::newRow("copy") << "copy";
        QTest::newRow("checks") << "checks";
        QTest::newRow("screenshots") << "screenshots";
    }
    void destroyedMidJob()
    {
        QFETCH(QString, job);
        Rig rig;
        rig.endlessScanner = job == QLatin1String("scan");
        auto vm = ready(rig);
        const auto access = vm->activeScopePaths();
        if (job == QLatin1String("scan")) {
            vm->startScan();
            QVERIFY(QTest::qWaitFor([&] { return vm->scanProgress().checkedFiles > 2; }, kWait));
        } else if (job == QLatin1String("screenshots")) {
            rig.screenshots.gate->open = false;
            vm->selectScreenshots({path(QStringLiteral("s.png"))});
            QVERIFY(QTest::qWaitFor([&] { return rig.screenshots.gate->entered > 0; }, kWait));
        } else {
            auto gate = job == QLatin1String("copy") ? rig.copier.gate : rig.checker.gate;
            vm->setDuplicateCheckEnabled(true);
            QVERIFY(scanned(*vm));
            gate->open = false;
            vm->startCopy();
            QVERIFY(QTest::qWaitFor([&] { return gate->entered > 0; }, kWait));
        }
        vm.reset(); // while the job is waiting or reporting
        QVERIFY(waitForJobs(kWait));
        QCoreApplication::processEvents(); // late deliveries find the controller gone
        for (const QString &p : access)
            QVERIFY(rig.platform.stopped->contains(p));
    }
};

QTEST_GUILESS_MAIN(TestWorkflowViewModel)
#include "tst_workflowviewmodel.moc"
