#include "platform/filewalk.h"
#include "platform/imageheader.h"
#include "platform/paths.h"

#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/statfs.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quillmore;

namespace {

void touch(const QString &path, const QByteArray &content = {})
{
    QDir().mkpath(parentPath(path));
    const int fd = ::open(encodePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
    ::close(fd);
}

struct Walked {
    QMap<QString, DirectoryWalk::Kind> entries; // relative path -> kind
    QStringList errors;
};

Walked walkAll(const QString &root, const QStringList &skip = {})
{
    Walked out;
    DirectoryWalk walk;
    if (!walk.open(root, [&](const QString &path, int) { out.errors << path; }))
        return out;
    while (walk.next()) {
        const QString rel = decodePath(walk.relativePathBytes());
        out.entries.insert(rel, walk.kind());
        if (skip.contains(rel))
            walk.skipDescendants();
    }
    return out;
}

QByteArray jpegBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

} // namespace

class TestFileWalk : public QObject {
    Q_OBJECT
private slots:
    void reportsFilesAndFoldersButNotHiddenEntries();
    void symbolicLinksAreReportedButNotFollowed();
    void specialFilesAreLeftOut();
    void skippedFoldersAreNotEntered();
    void unopenableRootFails();
    void unreadableFolderIsReportedAndTheWalkGoesOn();
    void oddNamesSurvive();
    void metadataOnDemand();
    void theSameWalkWhateverTheThreads();
    void excludedFoldersAreLeftOutByIdentity();
    void stopEndsTheWalk();
    void stopIsSeenInsideALongListing();
    void slowStorageGetsTheThreads();
    void aShareMountedBelowGetsTheThreads();
    void jpegHeaderSize_data();
    void jpegHeaderSize();
};

void TestFileWalk::reportsFilesAndFoldersButNotHiddenEntries()
{
    QTemporaryDir dir;
    touch(dir.filePath("a.jpg"));
    touch(dir.filePath("sub/deeper/b.CR3"));
    touch(dir.filePath(".hidden.jpg"));
    touch(dir.filePath(".cache/c.jpg"));
    const Walked w = walkAll(dir.path());
    QCOMPARE(w.entries.keys(), (QStringList{"a.jpg", "sub", "sub/deeper", "sub/deeper/b.CR3"}));
    QCOMPARE(w.entries.value("sub"), DirectoryWalk::Kind::directory);
    QCOMPARE(w.entries.value("a.jpg"), DirectoryWalk::Kind::file);
    QVERIFY(w.errors.isEmpty());
}

void TestFileWalk::symbolicLinksAreReportedButNotFollowed()
{
    QTemporaryDir dir;
    touch(dir.filePath("real/x.jpg"));
    QVERIFY(QFile::link(dir.filePath("real"), dir.filePath("linkdir")));
    QVERIFY(QFile::link(dir.filePath("real/x.jpg"), dir.filePath("link.jpg")));
    QVERIFY(QFile::link(dir.filePath("loop"), dir.filePath("loop"))); // a link to itself
    const Walked w = walkAll(dir.path());
    QCOMPARE(w.entries.keys(), (QStringList{"link.jpg", "linkdir", "loop", "real", "real/x.jpg"}));
    QCOMPARE(w.entries.value("linkdir"), DirectoryWalk::Kind::symbolicLink);
    QCOMPARE(w.entries.value("loop"), DirectoryWalk::Kind::symbolicLink);
}

void TestFileWalk::specialFilesAreLeftOut()
{
    QTemporaryDir dir;
    touch(dir.filePath("IMG_1.CR3"));
    QCOMPARE(::mkfifo(encodePath(dir.filePath("IMG_2.CR3")).constData(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray socketPath = encodePath(dir.filePath("IMG_3.CR3"));
    if (socketPath.size() < qsizetype(sizeof addr.sun_path)) {
        std::memcpy(addr.sun_path, socketPath.constData(), std::size_t(socketPath.size()));
        QCOMPARE(::bind(sock, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    }
    ::close(sock);
    QCOMPARE(walkAll(dir.path()).entries.keys(), QStringList{"IMG_1.CR3"});
}

void TestFileWalk::skippedFoldersAreNotEntered()
{
    QTemporaryDir dir;
    touch(dir.filePath("keep/a.jpg"));
    touch(dir.filePath("skip/b.jpg"));
    const Walked w = walkAll(dir.path(), {"skip"});
    QCOMPARE(w.entries.keys(), (QStringList{"keep", "keep/a.jpg", "skip"}));
}

void TestFileWalk::unopenableRootFails()
{
    QTemporaryDir dir;
    touch(dir.filePath("file.jpg"));
    DirectoryWalk walk;
    QVERIFY(!walk.open(dir.filePath("missing"), {}));
    QVERIFY(!walk.open(dir.filePath("file.jpg"), {}));
}

void TestFileWalk::unreadableFolderIsReportedAndTheWalkGoesOn()
{
    if (::geteuid() == 0)
        QSKIP("root reads every folder; the unreadable case is covered by the non-root hardening run");
    QTemporaryDir dir;
    touch(dir.filePath("closed/x.jpg"));
    touch(dir.filePath("open/y.jpg"));
    QVERIFY(::chmod(encodePath(dir.filePath("closed")).constData(), 0) == 0);
    const Walked w = walkAll(dir.path());
    ::chmod(encodePath(dir.filePath("closed")).constData(), 0755);
    QCOMPARE(w.errors, QStringList{standardizedPath(dir.filePath("closed"))});
    QVERIFY(w.entries.contains("open/y.jpg"));
}

void TestFileWalk::oddNamesSurvive()
{
    QTemporaryDir dir;
    const QString latin1 = decodePath("Caf\xe9.jpg");
    const QString newline = QStringLiteral("two\nlines.jpg");
    const QString longName = QString(250, QLatin1Char('x')) + QStringLiteral(".jpg");
    for (const QString &name : {latin1, newline, longName})
        touch(dir.path() + QLatin1Char('/') + name, "data");
    DirectoryWalk walk;
    QVERIFY(walk.open(dir.path(), {}));
    QSet<QString> names;
    while (walk.next()) {
        names.insert(walk.name());
        QCOMPARE(::access(encodePath(walk.path()).constData(), R_OK), 0);
    }
    QCOMPARE(names, (QSet<QString>{latin1, newline, longName}));
}

void TestFileWalk::metadataOnDemand()
{
    QTemporaryDir dir;
    touch(dir.filePath("a.CR3"), QByteArray(1234, 'x'));
    QVERIFY(QFile::link(dir.filePath("a.CR3"), dir.filePath("hard-not.CR3")));
    QCOMPARE(::link(encodePath(dir.filePath("a.CR3")).constData(), encodePath(dir.filePath("b.CR3")).constData()), 0);
    DirectoryWalk walk;
    QVERIFY(walk.open(dir.path(), {}));
    QMap<QString, FileMetadata> seen;
    while (walk.next()) {
        FileMetadata m;
        QVERIFY(walk.readMetadata(m));
        seen.insert(walk.name(), m);
    }
    QCOMPARE(seen.value("a.CR3").size, qint64(1234));
    QVERIFY(seen.value("a.CR3").modificationDate.has_value());
    QCOMPARE(seen.value("a.CR3").identity, seen.value("b.CR3").identity);         // hard links: one file
    QVERIFY(seen.value("hard-not.CR3").identity != seen.value("a.CR3").identity); // the link itself
}

namespace {

// Every entry in walk order, with its kind, the metadata read with the listing and the errors.
QStringList walkOrder(const QString &root, int threads, const QStringList &skip = {},
                      std::vector<FileIdentity> excluded = {}, std::function<bool(unsigned long)> slow = {})
{
    QStringList out;
    DirectoryWalk walk;
    DirectoryWalk::Options options;
    options.threads = threads;
    options.excludedFolders = std::move(excluded);
    options.latencyBound = std::move(slow);
    options.wantsMetadata = [](std::string_view name) { return name.ends_with(".CR3"); };
    if (!walk.open(
            root, [&](const QString &path, int) { out << QStringLiteral("error ") + path; }, options))
        return {QStringLiteral("cannot open")};
    while (walk.next()) {
        const QString rel = decodePath(walk.relativePathBytes());
        FileMetadata m;
        const bool wanted = walk.metadataWanted() && walk.readMetadata(m);
        out << QStringLiteral("%1 %2 %3").arg(rel).arg(int(walk.kind())).arg(wanted ? m.size.value_or(-1) : -2);
        if (skip.contains(rel))
            walk.skipDescendants();
    }
    return out;
}

} // namespace

void TestFileWalk::theSameWalkWhateverTheThreads()
{
    // Folders listed ahead by threads come in one fixed order: names in byte order, depth first.
    QTemporaryDir dir;
    for (int f = 0; f < 12; ++f)
        for (int g = 0; g < 4; ++g)
            for (int i = 0; i < 5; ++i)
                touch(dir.filePath(QStringLiteral("f%1/g%2/IMG_%3.%4").arg(f).arg(g).arg(i).arg(i % 2 ? "CR3" : "jpg")),
                      QByteArray(f + g + i, 'x'));
    QVERIFY(QFile::link(dir.filePath("f1"), dir.filePath("f2/link")));
    const QStringList skip{"f3", "f5/g1"};
    const QStringList one = walkOrder(dir.path(), 1, skip);
    QCOMPARE(one.size(), 12 * 4 * 5 + 12 * 4 + 12 + 1 - 4 * 5 - 4 - 5);
    QVERIFY(one.contains("f0/g0/IMG_1.CR3 0 1"));  // metadata read with the listing
    QVERIFY(one.contains("f0/g0/IMG_0.jpg 0 -2")); // not asked for
    QStringList sorted = one;
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return encodePath(a.section(' ', 0, 0)) < encodePath(b.section(' ', 0, 0));
    });
    QCOMPARE(one, sorted);
    for (int threads : {2, 8, 32})
        for (int round = 0; round < 3; ++round)
            QCOMPARE(walkOrder(dir.path(), threads, skip), one);
    // Listed by the caller, the same entries.
    QStringList caller = walkOrder(dir.path(), -1, skip);
    std::sort(caller.begin(), caller.end());
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(caller, sorted);
}

void TestFileWalk::excludedFoldersAreLeftOutByIdentity()
{
    QTemporaryDir dir;
    touch(dir.filePath("shoot/a.CR3"));
    touch(dir.filePath("shoot/out/b.CR3"));
    QVERIFY(QFile::link(dir.filePath("shoot"), dir.filePath("alias")));
    const auto out = identityOfPath(dir.filePath("shoot/out"));
    QVERIFY(out.has_value());
    for (int threads : {-1, 4}) {
        const QStringList walked = walkOrder(dir.filePath("alias"), threads, {}, {*out});
        QCOMPARE(walked, (QStringList{"a.CR3 0 0", "out 1 -2"}));
    }
}

void TestFileWalk::stopEndsTheWalk()
{
    QTemporaryDir dir;
    for (int f = 0; f < 20; ++f)
        touch(dir.filePath(QStringLiteral("f%1/a.jpg").arg(f)));
    for (int threads : {-1, 4}) {
        std::stop_source stop;
        DirectoryWalk walk;
        DirectoryWalk::Options options;
        options.threads = threads;
        options.stop = stop.get_token();
        QVERIFY(walk.open(dir.path(), {}, options));
        int seen = 0;
        while (walk.next()) {
            if (++seen == 3)
                stop.request_stop();
        }
        QCOMPARE(seen, 3);
    }
}

void TestFileWalk::stopIsSeenInsideALongListing()
{
    // A stop asked for while a long folder is read ends the reading: the rest of its names are
    // not read, nor any entry's values.
    constexpr int kEntries = 20000;
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("crowd")));
    const int folder = ::open(encodePath(dir.filePath("crowd")).constData(), O_RDONLY | O_DIRECTORY);
    QVERIFY(folder >= 0);
    for (int i = 0; i < kEntries; ++i) {
        const int fd = ::openat(folder, (QByteArray("DSC_") + QByteArray::number(i) + ".ARW").constData(),
                                O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    ::close(folder);
    for (int threads : {-1, 4}) {
        std::stop_source stop;
        std::atomic<int> asked = 0;
        DirectoryWalk walk;
        DirectoryWalk::Options options;
        options.threads = threads;
        options.stop = stop.get_token();
        options.wantsMetadata = [&](std::string_view) {
            if (++asked == 100)
                stop.request_stop();
            return true;
        };
        QVERIFY(walk.open(dir.path(), {}, options));
        int seen = 0;
        while (walk.next())
            ++seen;
        QVERIFY(seen <= 1); // at most the folder itself, reported before its listing
        QVERIFY2(asked < kEntries / 2, qPrintable(QString::number(asked)));
    }
}

namespace {

constexpr unsigned long kRamfsType = 0x858458f6UL;

// Whether the walk started threads, after open and at its end, with the given storage counted
// as slow.
QPair<int, int> threadsUsed(const QString &root, std::function<bool(unsigned long)> slow, QStringList *order = nullptr)
{
    DirectoryWalk walk;
    DirectoryWalk::Options options;
    options.latencyBound = std::move(slow);
    if (!walk.open(root, {}, options))
        return {-1, -1};
    const int atOpen = walk.threadCount();
    while (walk.next())
        if (order)
            *order << decodePath(walk.relativePathBytes());
    return {atOpen, walk.threadCount()};
}

} // namespace

void TestFileWalk::slowStorageGetsTheThreads()
{
    QTemporaryDir dir;
    touch(dir.filePath("a/x.CR3"));
    QCOMPARE(threadsUsed(dir.path(), [](unsigned long) { return false; }), qMakePair(0, 0));
    const QPair<int, int> slow = threadsUsed(dir.path(), [](unsigned long) { return true; });
    QVERIFY(slow.first > 0);
    QCOMPARE(slow.second, slow.first);

    // Long folders there have their files' values read in batches by several threads: the same
    // values, in the same order, every time.
    for (int f = 0; f < 3; ++f)
        for (int i = 0; i < 150; ++i)
            touch(dir.filePath(QStringLiteral("long%1/IMG_%2.%3").arg(f).arg(i).arg(i % 3 ? "CR3" : "jpg")),
                  QByteArray(i % 17 + f, 'x'));
    const auto always = [](unsigned long) { return true; };
    const QStringList threaded = walkOrder(dir.path(), 0, {}, {}, always);
    QCOMPARE(threaded.size(), 2 + 3 + 3 * 150);
    QVERIFY(threaded.contains("long2/IMG_149.CR3 0 15"));
    for (int round = 0; round < 3; ++round)
        QCOMPARE(walkOrder(dir.path(), 0, {}, {}, always), threaded);
    QStringList alone = walkOrder(dir.path(), -1);
    QStringList sorted = threaded;
    alone.sort();
    sorted.sort();
    QCOMPARE(sorted, alone);
}

void TestFileWalk::aShareMountedBelowGetsTheThreads()
{
    // A slow file system mounted below a local folder: the walk starts its threads where it
    // meets it. A ramfs stands in for the share.
    QTemporaryDir dir;
    struct statfs rootFs;
    QCOMPARE(::statfs(encodePath(dir.path()).constData(), &rootFs), 0);
    if (static_cast<unsigned long>(rootFs.f_type) == kRamfsType)
        QSKIP("the temporary folder lies on a ramfs itself");
    touch(dir.filePath("local/IMG_1.CR3"));
    QVERIFY(QDir().mkpath(dir.filePath("share")));
    const QByteArray share = encodePath(dir.filePath("share"));
    if (::mount("ramfs", share.constData(), "ramfs", 0, nullptr) != 0)
        QSKIP("a file system cannot be mounted here (needs root with the right to mount)");
    for (const char *name : {"b/IMG_3.CR3", "a/IMG_2.CR3", "c/d/IMG_4.CR3", "a/IMG_1.CR3"})
        touch(dir.filePath("share/") + QLatin1String(name));
    const auto slow = [](unsigned long type) { return type == kRamfsType; };
    QStringList order;
    const QPair<int, int> used = threadsUsed(dir.path(), slow, &order);
    QStringList again;
    threadsUsed(dir.path(), slow, &again);
    QStringList alone;
    threadsUsed(
        dir.path(), [](unsigned long) { return false; }, &alone);
    ::umount(share.constData());
    QCOMPARE(used.first, 0); // the local root is listed by the caller
    QVERIFY(used.second > 0);
    // Below the share, folders come in byte order of their names, and the walk is the same
    // every time and the same as one without threads, but for that order.
    const QStringList below = order.filter(QRegularExpression("^share/"));
    QCOMPARE(below,
             (QStringList{"share/a", "share/a/IMG_1.CR3", "share/a/IMG_2.CR3", "share/b", "share/b/IMG_3.CR3",
                          "share/c", "share/c/d", "share/c/d/IMG_4.CR3"}));
    QCOMPARE(again, order);
    order.sort();
    alone.sort();
    QCOMPARE(order, alone);
}

void TestFileWalk::jpegHeaderSize_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("width"); // 0: no size
    QTest::addColumn<qint64>("height");
    const QByteArray jpeg = jpegBytes(640, 427);
    QTest::newRow("plain") << jpeg << qint64(640) << qint64(427);
    // A large application segment (as EXIF with a thumbnail would be) before the frame header.
    QByteArray padded = jpeg.left(2);
    padded += QByteArray("\xff\xe1\xff\xf0", 4) + QByteArray(0xfff0 - 2, '\0');
    padded += jpeg.mid(2);
    QTest::newRow("after a 64 KiB segment") << padded << qint64(640) << qint64(427);
    QTest::newRow("fill bytes") << (jpeg.left(2) + QByteArray("\xff\xff\xff", 3) + jpeg.mid(3)) << qint64(640)
                                << qint64(427);
    QTest::newRow("truncated") << jpeg.left(20) << qint64(0) << qint64(0);
    QTest::newRow("empty") << QByteArray() << qint64(0) << qint64(0);
    QTest::newRow("not a jpeg") << QByteArray("\x89PNG\r\n\x1a\n", 8) << qint64(0) << qint64(0);
    QTest::newRow("zero length segment") << QByteArray("\xff\xd8\xff\xe0\x00\x00", 6) << qint64(0) << qint64(0);
}

void TestFileWalk::jpegHeaderSize()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, width);
    QFETCH(qint64, height);
    QTemporaryDir dir;
    touch(dir.filePath("x.jpg"), bytes);
    const auto size = jpegPixelSize(dir.filePath("x.jpg"));
    QCOMPARE(size.has_value(), width > 0);
    if (size) {
        QCOMPARE(size->width, width);
        QCOMPARE(size->height, height);
    }
    const auto fromData = jpegPixelSizeFromData(reinterpret_cast<const unsigned char *>(bytes.constData()),
                                                std::size_t(bytes.size()));
    QCOMPARE(fromData.has_value(), size.has_value());
}

QTEST_GUILESS_MAIN(TestFileWalk)
#include "tst_filewalk.moc"
