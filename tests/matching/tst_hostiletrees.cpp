// Trees the scanner did not fill: deep paths, crowded folders, loops, special files, folders
// that vanish during the walk and folders it may not read. The scan must finish, warn where it
// could not look, and find everything it could.

#include "matching/rawscanner.h"
#include "matching/selectionreader.h"
#include "model/localization.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/fixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include "model/cancellation.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillmore;
using quillmore::testing::makeFile;

namespace {

SelectedJPEG pick(const QString &fileName)
{
    SelectedJPEG s;
    s.id = makeId();
    s.fileName = fileName;
    s.baseName = baseName(fileName);
    return s;
}

// Makes `depth` nested folders of long names with openat, since the full path is longer than
// the system accepts in one call; returns the descriptor of the innermost one.
int makeDeepFolders(const QString &root, int depth, const QByteArray &name)
{
    int fd = ::open(encodePath(root).constData(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < depth && fd >= 0; ++i) {
        ::mkdirat(fd, name.constData(), 0755);
        const int child = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = child;
    }
    return fd;
}

} // namespace

class TestHostileTrees : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setTextLanguage(QStringLiteral("en")); }
    void pathsLongerThanTheSystemLimit();
    void tenThousandEntriesInOneFolder();
    void foldersRemovedDuringTheWalk();
    void loopsAndSpecialFiles();
    void locationRemovedBeforeItsWalk();
    void depthBeyondTheDescriptorLimit();
    void folderThatContainsItself();
    void cancelInsideAHundredThousandEntryFolder();
};

void TestHostileTrees::pathsLongerThanTheSystemLimit()
{
    QTemporaryDir root, dest;
    const QByteArray name(200, 'd');
    const int fd = makeDeepFolders(root.path(), 40, name); // about 8,000 characters deep
    QVERIFY(fd >= 0);
    const int file = ::openat(fd, "IMG_0001.CR3", O_WRONLY | O_CREAT, 0644);
    QVERIFY(file >= 0);
    ::close(file);
    ::close(fd);
    makeFile(root.filePath("IMG_0002.CR3"));

    RawScanner scanner;
    const ScanOutput out = scanner.scanCandidates({pick("IMG_0001.jpg"), pick("IMG_0002.jpg")}, {root.path()},
                                                  SearchTarget::raw, dest.path(), std::nullopt, {}, {});
    QCOMPARE(out.checkedFiles, 2);
    const auto deep = out.candidatesByKey.value(matchKey("IMG_0001")).value(0);
    QVERIFY(deep.url.size() > 8000);
    QVERIFY(deep.url.endsWith(QLatin1String("/IMG_0001.CR3")));
    QCOMPARE(deep.size, 0); // the metadata was read relative to its folder, not by the long path
    QVERIFY(deep.modificationDate.has_value());
    QCOMPARE(out.candidatesByKey.value(matchKey("IMG_0002")).size(), 1);
}

void TestHostileTrees::tenThousandEntriesInOneFolder()
{
    QTemporaryDir root, dest;
    QVERIFY(QDir().mkpath(root.filePath("crowd")));
    const int folder = ::open(encodePath(root.filePath("crowd")).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(folder >= 0);
    for (int i = 0; i < 10000; ++i) {
        const QByteArray name = QStringLiteral("DSC_%1.ARW").arg(i, 5, 10, QLatin1Char('0')).toLatin1();
        const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    ::close(folder);
    RawScanner scanner;
    int reports = 0;
    const ScanOutput out = scanner.scanCandidates({pick("DSC_09999.jpg"), pick("dsc_00000.JPG")}, {root.path()},
                                                  SearchTarget::raw, dest.path(), std::nullopt,
                                                  [&](const ScanProgress &) { ++reports; }, {});
    QCOMPARE(out.checkedFiles, 10000);
    QCOMPARE(out.candidatesByKey.size(), 2);
    QCOMPARE(reports, 1 + 10000 / 128 + 1);
}

void TestHostileTrees::foldersRemovedDuringTheWalk()
{
    QTemporaryDir root, dest;
    for (int f = 0; f < 5; ++f)
        for (int i = 0; i < 130; ++i)
            makeFile(root.filePath(QStringLiteral("A%1/IMG_%2.CR3").arg(f).arg(f * 1000 + i)), {});
    // At the first report inside a folder, every other folder is taken away.
    QStringList removed;
    RawScanner scanner;
    const ScanOutput out = scanner.scanCandidates(
        {pick("IMG_4001.jpg")}, {root.path()}, SearchTarget::raw, dest.path(), std::nullopt,
        [&](const ScanProgress &p) {
            if (p.checkedFiles != 128 || !removed.isEmpty())
                return;
            for (int f = 0; f < 5; ++f) {
                const QString folder = standardizedPath(root.filePath(QStringLiteral("A%1").arg(f)));
                if (folder != p.currentLocation) {
                    QDir(folder).removeRecursively();
                    removed << folder;
                }
            }
        },
        {});
    QCOMPARE(removed.size(), 4);
    // Folders are listed ahead of the scan, so a removed folder was either listed before it went
    // (its files are examined) or is reported where the scan reaches it; the scan goes on.
    for (const AppWarning &w : out.warnings) {
        QVERIFY(removed.contains(*w.url));
        QCOMPARE(w.message, localized("warning.file.unreadable"));
    }
    QVERIFY(out.checkedFiles >= 130);
    QVERIFY(out.checkedFiles <= 130 * (5 - out.warnings.size()));
}

void TestHostileTrees::loopsAndSpecialFiles()
{
    QTemporaryDir root, dest, elsewhere;
    makeFile(root.filePath("a/IMG_1.CR3"));
    QVERIFY(QFile::link(root.filePath("a"), root.filePath("a/back"))); // a loop through a link
    QVERIFY(QFile::link(elsewhere.filePath("x"), elsewhere.filePath("y")));
    QVERIFY(QFile::link(elsewhere.filePath("y"), elsewhere.filePath("x"))); // two links pointing at each other
    QCOMPARE(::mkfifo(encodePath(root.filePath("a/IMG_2.CR3")).constData(), 0644), 0);
    SelectionReader reader;
    QCOMPARE(::mkfifo(encodePath(root.filePath("a/IMG_3.jpg")).constData(), 0644), 0);
    QVERIFY(reader.readSelection(root.path(), {}).selections.isEmpty());

    RawScanner scanner;
    const ScanOutput out = scanner.scanCandidates({pick("IMG_1.jpg"), pick("IMG_2.jpg")},
                                                  {root.path(), elsewhere.filePath("x")}, SearchTarget::raw,
                                                  dest.path(), std::nullopt, {}, {});
    QCOMPARE(out.checkedFiles, 1);
    QCOMPARE(out.candidatesByKey.keys(), QStringList{matchKey("IMG_1")});
    QCOMPARE(out.warnings.size(), 1); // the location that is a link loop cannot be opened
    QCOMPARE(out.warnings.first().message, localized("warning.location.unavailable"));
}

void TestHostileTrees::locationRemovedBeforeItsWalk()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("one/IMG_1.CR3"));
    makeFile(root.filePath("two/IMG_2.CR3"));
    makeFile(root.filePath("three/IMG_3.CR3"));
    const QString two = standardizedPath(root.filePath("two"));
    RawScanner scanner;
    const ScanOutput out = scanner.scanCandidates(
        {pick("IMG_1.jpg"), pick("IMG_2.jpg"), pick("IMG_3.jpg")}, {root.filePath("one"), two, root.filePath("three")},
        SearchTarget::raw, dest.path(), std::nullopt,
        [&](const ScanProgress &p) {
            if (p.currentLocation == standardizedPath(root.filePath("one")))
                QDir(two).removeRecursively(); // the drive of the second location goes away
        },
        {});
    QCOMPARE(out.warnings.size(), 1);
    QCOMPARE(*out.warnings.first().url, two);
    QCOMPARE(out.warnings.first().message, localized("warning.location.unavailable"));
    QCOMPARE(out.candidatesByKey.size(), 2); // the rest of the scan completes
}

void TestHostileTrees::depthBeyondTheDescriptorLimit()
{
    QTemporaryDir root, dest;
    const int fd = makeDeepFolders(root.path(), 300, "d");
    QVERIFY(fd >= 0);
    const int file = ::openat(fd, "IMG_0001.CR3", O_WRONLY | O_CREAT, 0644);
    QVERIFY(file >= 0);
    ::close(file);
    ::close(fd);
    // Far fewer descriptors than the tree is deep: the walk holds one per folder being listed.
    rlimit old{};
    ::getrlimit(RLIMIT_NOFILE, &old);
    rlimit low = old;
    low.rlim_cur = 100;
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
    RawScanner scanner;
    const ScanOutput out = scanner.scanCandidates({pick("IMG_0001.jpg")}, {root.path()}, SearchTarget::raw, dest.path(),
                                                  std::nullopt, {}, {});
    ::setrlimit(RLIMIT_NOFILE, &old);
    QVERIFY(out.warnings.isEmpty());
    QCOMPARE(out.candidatesByKey.value(matchKey("IMG_0001")).size(), 1);
}

void TestHostileTrees::folderThatContainsItself()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("a/IMG_1.CR3"));
    QVERIFY(QDir().mkpath(root.filePath("a/b/loop")));
    const QByteArray loop = encodePath(root.filePath("a/b/loop"));
    if (::mount(encodePath(root.filePath("a")).constData(), loop.constData(), nullptr, MS_BIND, nullptr) != 0)
        QSKIP("a bind mount cannot be made here (needs root with the right to mount)");
    RawScanner scanner;
    const ScanOutput out = scanner.scanCandidates({pick("IMG_1.jpg")}, {root.path()}, SearchTarget::raw, dest.path(),
                                                  std::nullopt, {}, {});
    ::umount(loop.constData());
    QCOMPARE(out.candidatesByKey.value(matchKey("IMG_1")).size(), 1);
    QCOMPARE(out.warnings.size(), 1); // the loop, where it closes
    QCOMPARE(*out.warnings.first().url, standardizedPath(root.filePath("a/b/loop")));
}

void TestHostileTrees::cancelInsideAHundredThousandEntryFolder()
{
    QTemporaryDir root, dest;
    makeFile(root.filePath("a/IMG_1.CR3"));
    QVERIFY(QDir().mkpath(root.filePath("crowd")));
    const int folder = ::open(encodePath(root.filePath("crowd")).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(folder >= 0);
    for (int i = 0; i < 100000; ++i) {
        const QByteArray name = QByteArray("DSC_") + QByteArray::number(i) + ".ARW";
        const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    ::close(folder);
    // Every entry is a candidate, so the whole folder's values are read while it is listed; the
    // stop comes at the first report, while that listing is under way.
    QList<SelectedJPEG> picks;
    for (int i = 0; i < 100000; i += 1000)
        picks << pick(QStringLiteral("DSC_%1.jpg").arg(i));
    std::stop_source stop;
    RawScanner scanner;
    QVERIFY_THROWS_EXCEPTION(Cancelled,
                             scanner.scanCandidates(
                                 picks, {root.path()}, SearchTarget::raw, dest.path(), std::nullopt,
                                 [&](const ScanProgress &) { stop.request_stop(); }, stop.get_token()));
    // Uncancelled, every entry is examined.
    const ScanOutput out = scanner.scanCandidates(picks, {root.path()}, SearchTarget::raw, dest.path(), std::nullopt,
                                                  {}, {});
    QCOMPARE(out.checkedFiles, 100001);
    QCOMPARE(out.candidatesByKey.size(), 100);
}

QTEST_GUILESS_MAIN(TestHostileTrees)
#include "tst_hostiletrees.moc"
