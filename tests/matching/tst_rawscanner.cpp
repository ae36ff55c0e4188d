#include "matching/rawscanner.h"
#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/fixtures.h"
#include "support/testimages.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <QImage>

#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillmore;
using quillmore::testing::jpegBytes;
using quillmore::testing::makeFile;

namespace {

SelectedJPEG selection(const QString &fileName)
{
    SelectedJPEG s;
    s.id = makeId();
    s.fileName = fileName;
    s.baseName = baseName(fileName);
    return s;
}

struct Scan {
    ScanOutput output;
    QList<ScanProgress> progress;
};

Scan scan(const QStringList &names, const QList<FileURL> &locations, const QString &destination,
          SearchTarget target = SearchTarget::raw, const std::optional<FileURL> &selectionFolder = std::nullopt)
{
    QList<SelectedJPEG> selections;
    for (const QString &n : names)
        selections << selection(n);
    Scan s;
    RawScanner scanner;
    s.output = scanner.scanCandidates(selections, locations, target, destination, selectionFolder,
                                      [&](const ScanProgress &p) { s.progress << p; }, {});
    return s;
}

// Candidate paths of a key, relative to root.
QStringList found(const Scan &s, const QString &name, const QString &root)
{
    QStringList out;
    for (const RawCandidate &c : s.output.candidatesByKey.value(matchKey(baseName(name))))
        out << c.url.mid(standardizedPath(root).size() + 1);
    return out;
}

QStringList warningKeys(const Scan &s)
{
    QStringList out;
    for (const AppWarning &w : s.output.warnings) {
        for (const char *key : {"warning.destination.search.skipped", "warning.selection.search.skipped",
                                "warning.location.unavailable", "warning.file.unreadable"})
            if (w.message == localized(key))
                out << QString::fromLatin1(key);
    }
    return out;
}

} // namespace

class TestRawScanner : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setTextLanguage(QStringLiteral("en")); }
    void noLocations();
    void whichFilesAreCandidates_data();
    void whichFilesAreCandidates();
    void twoCandidatesAreAmbiguousInFinderOrder();
    void nestedAndRepeatedLocationsAreWalkedOnce();
    void destinationHandling();
    void jpegSearchKeepsTheSelectionFolderOut();
    void rawSearchDoesNotExcludeTheSelectionFolder();
    void oneFileReachedTwiceIsOneCandidate();
    void progressEvery128Files();
    void candidateValues();
    void unavailableLocationIsAWarning();
    void cancellationStopsTheScan();
    void buildResultsDecidesStatuses();
    void oddNamesMatchAndStayUsable();
    void diagnosticsKeepNamesPrivate();
    void foldersAreKeptOutByIdentity();
    void locationInsideTheDestinationIsWalked();
    void entryThatCannotBeEnteredIsUnreadable();
    void systemFileSystemsAreSkippedAndDrivesWalked();
    void pixelSizeComesFromTheRealFormat_data();
    void pixelSizeComesFromTheRealFormat();
};

void TestRawScanner::noLocations()
{
    QTemporaryDir dest;
    const Scan s = scan({"IMG_1.jpg"}, {dest.path()}, dest.path());
    QVERIFY(s.output.candidatesByKey.isEmpty());
    QCOMPARE(s.progress, (QList<ScanProgress>{ScanProgress{}}));
    QCOMPARE(warningKeys(s), QStringList{"warning.destination.search.skipped"});
    const auto results = buildResults(s.output.selections, s.output.candidatesByKey);
    QCOMPARE(results.size(), 1);
    QCOMPARE(results.first().status, SelectionStatus::notFound);
}

void TestRawScanner::whichFilesAreCandidates_data()
{
    // Extensions follow the one rule (tst_records), hidden entries the walk's (tst_filewalk).
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("candidate");
    QTest::newRow("case differs") << "img_0001.CR3" << true;
    QTest::newRow("deep folder") << "a/b/c/IMG_0001.nef" << true;
    QTest::newRow("jpg before raw extension") << "IMG_0001.JPG.CR3" << false;
    QTest::newRow("jpeg is not raw") << "IMG_0001.jpg" << false;
    QTest::newRow("trailing space") << "IMG_0001 .CR3" << false;
}

void TestRawScanner::whichFilesAreCandidates()
{
    QFETCH(QString, file);
    QFETCH(bool, candidate);
    QTemporaryDir root, dest;
    makeFile(root.filePath(file));
    const Scan s = scan({"IMG_0001.jpg"}, {root.path()}, dest.path());
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), candidate ? QStringList{file} : QStringList{});
    QCOMPARE(s.output.checkedFiles, file.contains(QLatin1String("/.")) || file.startsWith('.') ? 0 : 1);
}

void TestRawScanner::twoCandidatesAreAmbiguousInFinderOrder()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("IMG_0001.NEF"));
    makeFile(root.filePath("IMG_0001.CR3"));
    makeFile(root.filePath("day10/IMG_0002.CR3"));
    makeFile(root.filePath("day9/img_0002.cr2"));
    const Scan s = scan({"IMG_0001.jpg", "IMG_0002.jpg"}, {root.path()}, dest.path());
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), (QStringList{"IMG_0001.CR3", "IMG_0001.NEF"}));
    QCOMPARE(found(s, "IMG_0002.jpg", root.path()), (QStringList{"day9/img_0002.cr2", "day10/IMG_0002.CR3"}));
    const auto results = buildResults(s.output.selections, s.output.candidatesByKey);
    QCOMPARE(results[0].status, SelectionStatus::ambiguous);
    QVERIFY(!results[0].chosenRAW.has_value());
}

void TestRawScanner::nestedAndRepeatedLocationsAreWalkedOnce()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("day1/IMG_0001.CR3"));
    const Scan s = scan({"IMG_0001.jpg"},
                        {root.filePath("day1"), root.path(), root.path() + "/./", root.filePath("day1")}, dest.path());
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"day1/IMG_0001.CR3"});
    QCOMPARE(s.output.checkedFiles, 1);
    QVERIFY(s.output.warnings.isEmpty());
}

void TestRawScanner::destinationHandling()
{
    QTemporaryDir root;
    makeFile(root.filePath("shoot/IMG_0001.CR3"));
    makeFile(root.filePath("shoot/out/IMG_0001.CR3"));    // a copy already in the destination
    makeFile(root.filePath("shoot/out/in/IMG_0002.CR3")); // below the destination
    const QString destination = root.filePath("shoot/out");

    // A location containing the destination: the destination's subtree is skipped silently.
    Scan s = scan({"IMG_0001.jpg", "IMG_0002.jpg"}, {root.filePath("shoot")}, destination);
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"shoot/IMG_0001.CR3"});
    QVERIFY(found(s, "IMG_0002.jpg", root.path()).isEmpty());
    QVERIFY(s.output.warnings.isEmpty());

    // A location strictly inside the destination is walked like any other.
    s = scan({"IMG_0002.jpg"}, {root.filePath("shoot/out/in")}, destination);
    QCOMPARE(found(s, "IMG_0002.jpg", root.path()), QStringList{"shoot/out/in/IMG_0002.CR3"});

    // The destination itself: a warning, not walked.
    s = scan({"IMG_0001.jpg"}, {destination + "/"}, destination);
    QVERIFY(s.output.candidatesByKey.isEmpty());
    QCOMPARE(warningKeys(s), QStringList{"warning.destination.search.skipped"});
    QCOMPARE(*s.output.warnings.first().url, standardizedPath(destination));
}

void TestRawScanner::jpegSearchKeepsTheSelectionFolderOut()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("picks/IMG_0001.jpg"));
    makeFile(root.filePath("full/IMG_0001.JPG"), jpegBytes(64, 48));
    Scan s = scan({"IMG_0001.jpg"}, {root.path()}, dest.path(), SearchTarget::jpeg, root.filePath("picks"));
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"full/IMG_0001.JPG"});
    QVERIFY(s.output.warnings.isEmpty());

    // A location inside the selection folder is refused with a warning.
    s = scan({"IMG_0001.jpg"}, {root.filePath("picks")}, dest.path(), SearchTarget::jpeg, root.filePath("picks"));
    QCOMPARE(warningKeys(s), QStringList{"warning.selection.search.skipped"});
    QVERIFY(s.output.candidatesByKey.isEmpty());
}

void TestRawScanner::rawSearchDoesNotExcludeTheSelectionFolder()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("picks/IMG_0001.jpg"));
    makeFile(root.filePath("picks/IMG_0001.CR3"));
    const Scan s = scan({"IMG_0001.jpg"}, {root.filePath("picks")}, dest.path(), SearchTarget::raw,
                        root.filePath("picks"));
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"picks/IMG_0001.CR3"});
}

void TestRawScanner::oneFileReachedTwiceIsOneCandidate()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("card/IMG_0001.CR3"));
    QVERIFY(QFile::link(root.filePath("card"), root.filePath("alias")));
    QVERIFY(QDir().mkpath(root.filePath("hard")));
    QCOMPARE(::link(encodePath(root.filePath("card/IMG_0001.CR3")).constData(),
                    encodePath(root.filePath("hard/IMG_0001.CR3")).constData()),
             0);
    QVERIFY(QFile::link(root.filePath("card/IMG_0001.CR3"), root.filePath("card/link.CR3")));
    // The symbolic link to the folder is given as a location of its own: its files resolve to
    // the same paths; the hard link has the same identity.
    const Scan s = scan({"IMG_0001.jpg"}, {root.filePath("card"), root.filePath("alias"), root.filePath("hard")},
                        dest.path());
    QCOMPARE(s.output.candidatesByKey.value(matchKey("IMG_0001")).size(), 1);
}

void TestRawScanner::progressEvery128Files()
{
    QTemporaryDir root, dest;
    for (int i = 0; i < 300; ++i)
        makeFile(root.filePath(QStringLiteral("f/IMG_%1.CR3").arg(i)));
    makeFile(root.filePath("f/IMG_7.CR3"));
    const Scan s = scan({"IMG_7.jpg"}, {root.path()}, dest.path());
    QCOMPARE(s.progress.size(), 4);
    QCOMPARE(s.progress[0], (ScanProgress{standardizedPath(root.path()), 0, 0}));
    QCOMPARE(s.progress[1].checkedFiles, 128);
    QCOMPARE(s.progress[1].currentLocation, standardizedPath(root.filePath("f")));
    QCOMPARE(s.progress[2].checkedFiles, 256);
    QCOMPARE(s.progress[3], (ScanProgress{std::nullopt, 300, 1}));
    QCOMPARE(s.output.checkedFiles, 300);
}

void TestRawScanner::candidateValues()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("IMG_0001.CR3"), QByteArray(4321, 'r'));
    makeFile(root.filePath("IMG_0002.jpg"), jpegBytes(120, 80));
    makeFile(root.filePath("IMG_0003.jpg"), QByteArray("not really a jpeg"));
    Scan s = scan({"IMG_0001.jpg"}, {root.path()}, dest.path(), SearchTarget::raw);
    const RawCandidate raw = s.output.candidatesByKey.value("img_0001").value(0);
    QCOMPARE(raw.url, standardizedPath(root.filePath("IMG_0001.CR3")));
    QCOMPARE(raw.size, 4321);
    QVERIFY(raw.modificationDate.has_value());
    QVERIFY(!raw.pixelWidth && !raw.pixelHeight);

    s = scan({"IMG_0002.jpg", "IMG_0003.jpg"}, {root.path()}, dest.path(), SearchTarget::jpeg, std::nullopt);
    const RawCandidate jpeg = s.output.candidatesByKey.value("img_0002").value(0);
    QCOMPARE(jpeg.pixelWidth, 120);
    QCOMPARE(jpeg.pixelHeight, 80);
    const RawCandidate broken = s.output.candidatesByKey.value("img_0003").value(0);
    QVERIFY(!broken.url.isEmpty());
    QVERIFY(!broken.pixelWidth && !broken.pixelHeight);
}

void TestRawScanner::unavailableLocationIsAWarning()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("ok/IMG_1.CR3"));
    const Scan s = scan({"IMG_1.jpg"}, {root.filePath("gone"), root.filePath("ok")}, dest.path());
    QCOMPARE(warningKeys(s), QStringList{"warning.location.unavailable"});
    QCOMPARE(found(s, "IMG_1.jpg", root.path()), QStringList{"ok/IMG_1.CR3"});
}

void TestRawScanner::cancellationStopsTheScan()
{
    QTemporaryDir root, dest;
    for (int i = 0; i < 200; ++i)
        makeFile(root.filePath(QStringLiteral("IMG_%1.CR3").arg(i)));
    std::stop_source stop;
    RawScanner scanner;
    int reports = 0;
    QVERIFY_THROWS_EXCEPTION(Cancelled,
                             scanner.scanCandidates(
                                 {selection("IMG_1.jpg")}, {root.path()}, SearchTarget::raw, dest.path(), std::nullopt,
                                 [&](const ScanProgress &) {
                                     ++reports;
                                     stop.request_stop();
                                 },
                                 stop.get_token()));
    QCOMPARE(reports, 1);
}

void TestRawScanner::buildResultsDecidesStatuses()
{
    const RawCandidate a{QStringLiteral("/x/IMG_1.CR3"), 1, {}, {}, {}};
    const RawCandidate b{QStringLiteral("/y/IMG_1.NEF"), 2, {}, {}, {}};
    const RawCandidate c{QStringLiteral("/x/IMG_2.CR3"), 3, {}, {}, {}};
    const QHash<QString, QList<RawCandidate>> map{{matchKey("IMG_1"), {a, b}}, {matchKey("IMG_2"), {c}}};
    const QList<SelectedJPEG> selections{selection("img_2.jpg"), selection("IMG_1.jpg"), selection("IMG_3.jpg"),
                                         selection("IMG_2.JPG")};
    const auto results = buildResults(selections, map);
    QCOMPARE(results.size(), 4);
    QCOMPARE(results[0].status, SelectionStatus::found);
    QCOMPARE(results[0].chosenRAW, c.url);
    QCOMPARE(results[1].status, SelectionStatus::ambiguous);
    QCOMPARE(results[1].candidates, (QList<RawCandidate>{a, b}));
    QCOMPARE(results[2].status, SelectionStatus::notFound);
    QVERIFY(results[2].candidates.isEmpty());
    QCOMPARE(results[3].candidates, results[0].candidates); // equal keys share candidates
    for (const auto &r : results) {
        QVERIFY(!r.destinationURL && !r.message);
        QCOMPARE(r.id(), r.selection.id);
    }
}

void TestRawScanner::oddNamesMatchAndStayUsable()
{
    QTemporaryDir root, dest;
    const QString latin1 = decodePath("Caf\xe9_1"); // not UTF-8 on disk
    const QString withNewline = QStringLiteral("line\nbreak");
    makeFile(root.path() + "/" + decodePath("CAF\xe9_1.CR3"));
    makeFile(root.path() + "/" + withNewline + ".NEF");
    const Scan s = scan({latin1 + ".jpg", withNewline + ".jpg"}, {root.path()}, dest.path());
    const auto results = buildResults(s.output.selections, s.output.candidatesByKey);
    QCOMPARE(results[0].status, SelectionStatus::found);
    QCOMPARE(results[1].status, SelectionStatus::found);
    for (const auto &r : results)
        QCOMPARE(::access(encodePath(*r.chosenRAW).constData(), R_OK), 0);
}

void TestRawScanner::diagnosticsKeepNamesPrivate()
{
    static QStringList messages;
    messages.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("ExactOCRMatching.debug=true"));
    const auto previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &context, const QString &msg) {
        if (QByteArray(context.category) == "ExactOCRMatching")
            messages << msg;
    });
    QTemporaryDir root, dest;
    makeFile(root.filePath("Secret_42.CR3"));
    SelectedJPEG read = selection("Secret_42.jpg");
    read.sourceScreenshotURLs = {QStringLiteral("/shots/a.png")};
    read.rawVisionRecognizedStrings = {QStringLiteral("Secret_42.jpg 2 MB")};
    RawScanner scanner;
    scanner.scanCandidates({read}, {root.path()}, SearchTarget::raw, dest.path(), std::nullopt, {}, {});
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());

    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages[0],
             QStringLiteral("OCR raw Vision=<private> extracted=<private> canonical=<private> "
                            "scalars=<private> normalized=<private>"));
    QCOMPARE(messages[1],
             QStringLiteral("Filesystem candidate inspected exactName=<private> normalizedBase=<private>"));
}

void TestRawScanner::foldersAreKeptOutByIdentity()
{
    QTemporaryDir root;
    makeFile(root.filePath("shoot/IMG_0001.CR3"));
    makeFile(root.filePath("shoot/out/IMG_0001.CR3")); // an earlier copy in the destination
    QVERIFY(QFile::link(root.filePath("shoot"), root.filePath("alias")));
    // The search location reaches the destination through a symbolic link.
    Scan s = scan({"IMG_0001.jpg"}, {root.filePath("alias")}, root.filePath("shoot/out"));
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"alias/IMG_0001.CR3"});
    // The destination spelled through the link, the location spelled directly.
    s = scan({"IMG_0001.jpg"}, {root.filePath("shoot")}, root.filePath("alias/out"));
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"shoot/IMG_0001.CR3"});
    // The destination itself, through the link: a warning, not walked.
    s = scan({"IMG_0001.jpg"}, {root.filePath("alias/out")}, root.filePath("shoot/out"));
    QCOMPARE(warningKeys(s), QStringList{"warning.destination.search.skipped"});
    QVERIFY(s.output.candidatesByKey.isEmpty());

    // A JPEG search: the selected pictures never match themselves, whatever the spelling.
    makeFile(root.filePath("shoot/picks/IMG_0001.jpg"), jpegBytes(8, 8));
    makeFile(root.filePath("shoot/full/IMG_0001.jpg"), jpegBytes(8, 8));
    s = scan({"IMG_0001.jpg"}, {root.filePath("alias")}, root.filePath("shoot/out"), SearchTarget::jpeg,
             root.filePath("shoot/picks"));
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"alias/full/IMG_0001.jpg"});
    s = scan({"IMG_0001.jpg"}, {root.filePath("alias/picks")}, root.filePath("shoot/out"), SearchTarget::jpeg,
             root.filePath("shoot/picks"));
    QCOMPARE(warningKeys(s), QStringList{"warning.selection.search.skipped"});
}

void TestRawScanner::locationInsideTheDestinationIsWalked()
{
    QTemporaryDir root;
    makeFile(root.filePath("shoot/IMG_0001.CR3"));
    makeFile(root.filePath("shoot/out/IMG_0001.CR3"));
    makeFile(root.filePath("shoot/out/in/IMG_0002.CR3"));
    // The outer location contains the destination, the inner one lies strictly inside it.
    const Scan s = scan({"IMG_0001.jpg", "IMG_0002.jpg"}, {root.filePath("shoot"), root.filePath("shoot/out/in")},
                        root.filePath("shoot/out"));
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"shoot/IMG_0001.CR3"});
    QCOMPARE(found(s, "IMG_0002.jpg", root.path()), QStringList{"shoot/out/in/IMG_0002.CR3"});
    QVERIFY(s.output.warnings.isEmpty());
}

void TestRawScanner::entryThatCannotBeEnteredIsUnreadable()
{
    // Root reads every folder, so the scan runs in a child process as an unprivileged user.
    if (::geteuid() != 0 && ::geteuid() != 65534)
        QSKIP("needs root, to become the unprivileged user 65534 for the scan");
    QTemporaryDir root("/tmp/quillmore-unreadable-XXXXXX"), dest;
    ::chmod(encodePath(root.path()).constData(), 0755);
    ::chmod(encodePath(dest.path()).constData(), 0755);
    makeFile(root.filePath("listable/IMG_0001.CR3"), QByteArray(100, 'r'));
    makeFile(root.filePath("open/IMG_0002.CR3"), QByteArray(100, 'r'));
    // The folder can be listed but not entered: its entries' values cannot be read.
    ::chmod(encodePath(root.filePath("listable")).constData(), 0444);
    int channel[2];
    QCOMPARE(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0
            || ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(3);
        const Scan s = scan({"IMG_0001.jpg", "IMG_0002.jpg"}, {root.path()}, dest.path());
        QStringList lines = warningKeys(s);
        for (const auto &[key, list] : s.output.candidatesByKey.asKeyValueRange())
            for (const RawCandidate &c : list)
                lines << QStringLiteral("%1 %2").arg(c.url.mid(root.path().size() + 1)).arg(c.size);
        const QByteArray out = lines.join('\n').toUtf8();
        [[maybe_unused]] auto n = ::write(channel[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray out;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(encodePath(root.filePath("listable")).constData(), 0755);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        QSKIP("the unprivileged user 65534 cannot be taken on here");
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(QString::fromUtf8(out).split('\n'), (QStringList{"warning.file.unreadable", "open/IMG_0002.CR3 100"}));
}

void TestRawScanner::systemFileSystemsAreSkippedAndDrivesWalked()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("shoot/IMG_0001.CR3"));
    QVERIFY(QDir().mkpath(root.filePath("proc")));
    QVERIFY(QDir().mkpath(root.filePath("media/card")));
    const QByteArray proc = encodePath(root.filePath("proc"));
    const QByteArray card = encodePath(root.filePath("media/card"));
    if (::mount("proc", proc.constData(), "proc", 0, nullptr) != 0)
        QSKIP("file systems cannot be mounted here (needs root with the right to mount)");
    if (::mount("tmpfs", card.constData(), "tmpfs", 0, "size=1m") != 0) {
        ::umount(proc.constData());
        QSKIP("a tmpfs cannot be mounted here");
    }
    makeFile(root.filePath("media/card/DCIM/IMG_0002.CR3"));
    const Scan s = scan({"IMG_0001.jpg", "IMG_0002.jpg"}, {root.path()}, dest.path());
    ::umount(card.constData());
    ::umount(proc.constData());
    QCOMPARE(found(s, "IMG_0002.jpg", root.path()), QStringList{"media/card/DCIM/IMG_0002.CR3"});
    QCOMPARE(found(s, "IMG_0001.jpg", root.path()), QStringList{"shoot/IMG_0001.CR3"});
    QCOMPARE(s.output.checkedFiles, 2); // nothing below proc was examined
    QVERIFY(s.output.warnings.isEmpty());
}

void TestRawScanner::pixelSizeComesFromTheRealFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("PNG bytes") << QStringLiteral("png");
    QTest::newRow("HEIC bytes") << QStringLiteral("heic");
}

void TestRawScanner::pixelSizeComesFromTheRealFormat()
{
    // A file named .jpg whose bytes are another format, as phones and converters leave them.
    QFETCH(QString, format);
    QTemporaryDir root, dest;
    const QString path = root.filePath("IMG_0001.jpg");
    if (format == QLatin1String("png")) {
        QImage image(33, 21, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(path, "PNG"));
    } else if (!quillmore::testing::writeHeic(path, QSize(34, 22))) {
        QSKIP("this libheif cannot encode HEVC, so no HEIC file can be made here");
    }
    const Scan s = scan({"IMG_0001.jpg"}, {root.path()}, dest.path(), SearchTarget::jpeg);
    const RawCandidate c = s.output.candidatesByKey.value("img_0001").value(0);
    QCOMPARE(c.pixelWidth, format == QLatin1String("png") ? 33 : 34);
    QCOMPARE(c.pixelHeight, format == QLatin1String("png") ? 21 : 22);
}

QTEST_GUILESS_MAIN(TestRawScanner)
#include "tst_rawscanner.moc"
