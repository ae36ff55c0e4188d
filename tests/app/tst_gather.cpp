#include "platform/paths.h"
#include "support/fixtures.h"
#include "support/processes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace quillmore;
using quillmore::testing::makeFile;

namespace {

using Run = quillmore::testing::ProcessRun;

Run gather(const QStringList &args, const QStringList &prefix = {})
{
    quillmore::testing::ProcessOptions options;
    options.prefix = prefix;
    return quillmore::testing::runProcess(QStringLiteral(QUILLMORE_CLI), QStringList{QStringLiteral("gather")} + args,
                                          options);
}

// Root writes everywhere, so a read-only destination is tried as an unprivileged user. Empty when
// that user cannot run the program here (no setpriv, or a build folder only root may enter).
QStringList unprivileged()
{
    const QStringList prefix = quillmore::testing::unprivilegedPrefix(QStringLiteral(QUILLMORE_CLI));
    if (prefix == QStringList{QStringLiteral("missing")})
        return {};
    return prefix.isEmpty() ? QStringList{QStringLiteral("env")} : prefix;
}

} // namespace

class TestGather : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString d(const QString &rel) const { return m_dir.filePath(rel); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        makeFile(d("sel/IMG_0001.jpg"));
        makeFile(d("sel/IMG_0002.jpg"));
        makeFile(d("search/IMG_0001.CR3"), QByteArray(100, 'r'));
        makeFile(d("notes.txt"));
        QDir().mkpath(d("dest"));
    }

    // The options only gather has; those it shares with scan are checked with scan's in tst_cli.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        const QStringList place{"--search", d("search"), "--dest", d("dest")};
        QTest::newRow("selection and screenshots")
            << QStringList{"--selection", d("sel"), "--screenshot", d("a.png")} + place;
        QTest::newRow("bad conflict policy")
            << QStringList{"--selection", d("sel"), "--on-conflict", "replace"} + place;
        QTest::newRow("bad check") << QStringList{"--selection", d("sel"), "--check", "blur,sharp"} + place;
        QTest::newRow("screenshot of another type") << QStringList{"--screenshot", d("notes.txt")} + place;
        QTest::newRow("screenshot that does not exist") << QStringList{"--screenshot", d("gone.png")} + place;
        QTest::newRow("report in a missing folder")
            << QStringList{"--selection", d("sel"), "--report", d("no/r.csv")} + place;
        QTest::newRow("report is a folder") << QStringList{"--selection", d("sel"), "--report", d("dest")} + place;
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Run run = gather(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err.count('\n'), 1); // one line
        QVERIFY(run.err.startsWith("quillmore-cli: "));
        QVERIFY(QDir(d("dest")).isEmpty());
    }

    // A whole job: found with its sidecar, ambiguous, not found, and a conflict under each policy.
    void wholeJob_data()
    {
        QTest::addColumn<QString>("policy");
        QTest::addColumn<bool>("xmp");
        QTest::newRow("skip conflicts, with sidecars") << "skip" << true;
        QTest::newRow("numbered copies, no sidecars") << "numbered" << false;
    }
    void wholeJob()
    {
        QFETCH(QString, policy);
        QFETCH(bool, xmp);
        QTemporaryDir dir;
        const auto p = [&](const char *rel) { return standardizedPath(dir.filePath(QString::fromUtf8(rel))); };
        for (const char *n : {"sel/A.jpg", "sel/B.jpg", "sel/C.jpg", "sel/D.jpg"})
            makeFile(p(n));
        makeFile(p("card/A.CR3"), QByteArray(1000, 'a'));
        makeFile(p("card/A.xmp"), "<x:xmpmeta/>");
        makeFile(p("card/B.NEF"), "b1");
        makeFile(p("backup/B.CR3"), "b2");
        makeFile(p("card/D.CR3"), QByteArray(10, 'd'));
        makeFile(p("dest/D.CR3"), "earlier");
        QStringList args{"--selection", p("sel"), "--search", p("card"),       "--search",
                         p("backup"),   "--dest", p("dest"),  "--on-conflict", policy,
                         "--check",     "file",   "--report", p("report.csv"), "--json"};
        if (!xmp)
            args << "--no-xmp";
        const Run run = gather(args);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QJsonParseError error;
        const QJsonObject doc = QJsonDocument::fromJson(run.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc.value("wasCancelled").toBool(true), false);
        QHash<QString, QJsonObject> results;
        for (const QJsonValue &v : doc.value("results").toArray())
            results.insert(v.toObject().value("fileName").toString(), v.toObject());
        QCOMPARE(results.size(), 4);
        QCOMPARE(results["A.jpg"].value("status").toString(), QStringLiteral("copied"));
        QCOMPARE(results["A.jpg"].value("chosen").toString(), p("card/A.CR3"));
        QCOMPARE(results["A.jpg"].value("destination").toString(), p("dest/A.CR3"));
        QCOMPARE(results["B.jpg"].value("status").toString(), QStringLiteral("skipped"));
        QVERIFY(results["B.jpg"].value("chosen").isNull());
        QCOMPARE(results["C.jpg"].value("status").toString(), QStringLiteral("skipped"));
        QCOMPARE(results["D.jpg"].value("status").toString(),
                 policy == "skip" ? QStringLiteral("skipped") : QStringLiteral("copied"));
        // Every copied file carries the digest it was verified with.
        int sidecars = 0;
        for (const QJsonValue &v : doc.value("outcomes").toArray()) {
            const QJsonObject o = v.toObject();
            QCOMPARE(o.value("status").toString(), QStringLiteral("copied"));
            QCOMPARE(o.value("sha256").toString().size(), 64);
            sidecars += o.value("kind").toString() == QLatin1String("xmp") ? 1 : 0;
        }
        QCOMPARE(sidecars, xmp ? 1 : 0);
        QCOMPARE(QFile::exists(p("dest/A.xmp")), xmp);
        QFile earlier(p("dest/D.CR3"));
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier")); // never replaced
        QCOMPARE(doc.value("planIssues").toArray().size(), policy == "skip" ? 1 : 0);
        QVERIFY(doc.value("quality").toObject().contains("flags"));
        // The report: BOM, header, one row per name, CR LF.
        QFile report(p("report.csv"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QByteArray bytes = report.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"
                                 "Selection filename,Screenshot source,Matched file path,Match Type,"
                                 "Destination path,Status,Quality Flags,Error\r\n"));
        QCOMPARE(bytes.count("\r\n"), 5);
        QVERIFY(bytes.endsWith("\r\n"));
        // No temporary file is left in the destination.
        for (const QString &name : QDir(p("dest")).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
    }

    // Nothing to copy (every file already at the destination, or not found): the report still
    // has a row for every name.
    void nothingToCopyStillReportsEveryName()
    {
        QTemporaryDir dir;
        const auto p = [&](const char *rel) { return standardizedPath(dir.filePath(QString::fromUtf8(rel))); };
        makeFile(p("sel/A.jpg"));
        makeFile(p("sel/Z.jpg"));
        makeFile(p("card/A.CR3"), "a");
        makeFile(p("dest/A.CR3"), "earlier");
        const Run run = gather(
            {"--selection", p("sel"), "--search", p("card"), "--dest", p("dest"), "--report", p("report.csv")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QFile report(p("report.csv"));
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = report.readAll().split('\n');
        QCOMPARE(lines.size(), 4); // header, two rows, and the empty end after the last CR LF
        QVERIFY(lines[1].startsWith("A.jpg,") && lines[1].contains(",Skipped,"));
        QVERIFY(lines[2].startsWith("Z.jpg,"));
    }

    // A sidecar stays with its picture when the picture takes a numbered name.
    void numberedPictureKeepsItsSidecar()
    {
        QTemporaryDir dir;
        const auto p = [&](const char *rel) { return standardizedPath(dir.filePath(QString::fromUtf8(rel))); };
        makeFile(p("sel/IMG_0001.jpg"));
        makeFile(p("card/IMG_0001.CR3"), "new");
        makeFile(p("card/IMG_0001.xmp"), "<new/>");
        makeFile(p("dest/IMG_0001.CR3"), "unrelated");
        const Run run = gather(
            {"--selection", p("sel"), "--search", p("card"), "--dest", p("dest"), "--on-conflict", "numbered"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(QFile::exists(p("dest/IMG_0001_2.CR3")));
        QVERIFY(QFile::exists(p("dest/IMG_0001_2.xmp")));
        QVERIFY(!QFile::exists(p("dest/IMG_0001.xmp")));
    }

    // A card file is often read-only, and its copy takes that mode; Linux refuses attributes on
    // such a file to its (unprivileged) owner. The flagged copy is tagged all the same, and
    // keeps the mode. Run as an unprivileged user, since root may write anything.
    void readOnlyCopyIsTaggedAsAnOrdinaryUser()
    {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            QSKIP("setpriv is not installed: the program cannot be run as an unprivileged user here");
        const QStringList prefix{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                 QStringLiteral("--clear-groups")};
        QTemporaryDir dir;
        ::chmod(encodePath(dir.path()).constData(), 0755);
        const auto p = [&](const char *rel) { return standardizedPath(dir.filePath(QString::fromUtf8(rel))); };
        makeFile(p("sel/IMG_1.jpg"));
        makeFile(p("card/IMG_1.jpg"), QByteArray()); // empty: the file check flags it
        QDir().mkpath(p("dest"));
        for (const char *folder : {"sel", "card"})
            ::chmod(encodePath(p(folder)).constData(), 0755);
        ::chmod(encodePath(p("sel/IMG_1.jpg")).constData(), 0444);
        ::chmod(encodePath(p("card/IMG_1.jpg")).constData(), 0444);
        QVERIFY(::chown(encodePath(p("dest")).constData(), 65534, 65534) == 0);
        QProcess probe;
        probe.start(setpriv, prefix + QStringList{QStringLiteral(QUILLMORE_CLI), QStringLiteral("--version")});
        if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
            QSKIP("the program cannot be run as an unprivileged user here (a build folder only root may enter)");
        if (::setxattr(encodePath(p("dest")).constData(), "user.quillmore.probe", "x", 1, 0) != 0)
            QSKIP("the temporary folder's file system keeps no user attributes");
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        run.setProcessEnvironment(env);
        run.start(setpriv,
                  prefix
                      + QStringList{QStringLiteral(QUILLMORE_CLI), QStringLiteral("gather"),
                                    QStringLiteral("--selection"), p("sel"), QStringLiteral("--search"), p("card"),
                                    QStringLiteral("--dest"), p("dest"), QStringLiteral("--target"),
                                    QStringLiteral("jpeg"), QStringLiteral("--check"), QStringLiteral("file"),
                                    QStringLiteral("--json")});
        QVERIFY(run.waitForFinished(120000));
        const QByteArray out = run.readAllStandardOutput();
        QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());
        const QJsonObject quality = QJsonDocument::fromJson(out).object().value("quality").toObject();
        QVERIFY2(quality.value("errors").toObject().isEmpty(), out.constData());
        const QByteArray copy = encodePath(p("dest/IMG_1.jpg"));
        struct stat info {};
        QCOMPARE(::stat(copy.constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0444));
        char value[4096];
        const ssize_t size = ::getxattr(copy.constData(), "user.com.apple.metadata:_kMDItemUserTags", value,
                                        sizeof value);
        QVERIFY2(size > 0, "the flagged copy has no tags");
        QVERIFY(QByteArray(value, int(size)).contains("File Check"));
    }

    void summaryText()
    {
        QTemporaryDir dir;
        const auto p = [&](const char *rel) { return standardizedPath(dir.filePath(QString::fromUtf8(rel))); };
        makeFile(p("sel/A.jpg"));
        makeFile(p("sel/Z.jpg"));
        makeFile(p("card/A.CR3"), "a");
        makeFile(p("card/A.xmp"), "x");
        QDir().mkpath(p("dest"));
        const Run run = gather(
            {"--selection", p("sel"), "--search", p("card"), "--dest", p("dest"), "--check", "duplicate"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QString out = QString::fromUtf8(run.out);
        QVERIFY2(out.contains(QStringLiteral("RAW files copied: 1")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("XMP sidecar files copied: 1")));
        // One word per state, the window's: the missing name is "not found", not "skipped".
        QVERIFY(out.contains(QStringLiteral("Not found: 1")));
        QVERIFY(out.contains(QStringLiteral("Failed: 0")));
        QVERIFY(!out.contains(QStringLiteral("Skipped")));
        QVERIFY(out.contains(QRegularExpression(QStringLiteral("Z\\.jpg +Not found"))));
        QVERIFY(out.contains(QRegularExpression(QStringLiteral("A\\.jpg +Copied"))));
        QVERIFY(out.contains(QStringLiteral("Duplicates: 0")));
        QVERIFY(!out.contains(QStringLiteral("Possibly unsharp")));
        QVERIFY(out.contains(QStringLiteral("Z.jpg")));
    }

    // A destination the user may not write to: nothing is copied, and every picture says why.
    void readOnlyDestination()
    {
        const QStringList prefix = unprivileged();
        if (prefix.isEmpty())
            QSKIP("the program cannot be run as an unprivileged user here (no setpriv, or a build folder only root "
                  "may enter)");
        QTemporaryDir dir;
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        const auto p = [&](const char *rel) { return standardizedPath(dir.filePath(QString::fromUtf8(rel))); };
        makeFile(p("sel/A.jpg"));
        makeFile(p("sel/B.jpg"));
        makeFile(p("card/A.CR3"), "a");
        makeFile(p("card/B.CR3"), "b");
        QDir().mkpath(p("dest"));
        for (const char *rel : {"sel", "sel/A.jpg", "sel/B.jpg", "card", "card/A.CR3", "card/B.CR3"})
            ::chmod(QFile::encodeName(p(rel)).constData(), QFileInfo(p(rel)).isDir() ? 0755 : 0644);
        ::chmod(QFile::encodeName(p("dest")).constData(), 0555);
        const Run run = gather({"--selection", p("sel"), "--search", p("card"), "--dest", p("dest"), "--json"}, prefix);
        ::chmod(QFile::encodeName(p("dest")).constData(), 0755);
        const QJsonObject doc = QJsonDocument::fromJson(run.out).object();
        const QJsonArray results = doc.value(QStringLiteral("results")).toArray();
        QVERIFY2(results.size() == 2, run.err.constData());
        for (const QJsonValue &r : results) {
            QCOMPARE(r.toObject().value(QStringLiteral("outcome")).toString(), QStringLiteral("failed"));
            QCOMPARE(r.toObject().value(QStringLiteral("cause")).toString(), QStringLiteral("destinationReadOnly"));
        }
        QVERIFY(QDir(p("dest")).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

        // The table says it in words.
        ::chmod(QFile::encodeName(p("dest")).constData(), 0555);
        const Run table = gather({"--selection", p("sel"), "--search", p("card"), "--dest", p("dest")}, prefix);
        ::chmod(QFile::encodeName(p("dest")).constData(), 0755);
        const QString out = QString::fromUtf8(table.out);
        QVERIFY2(out.contains(QStringLiteral("The destination is read-only")), qPrintable(out + table.err));
        QVERIFY(out.contains(QStringLiteral("Failed: 2")));
        QVERIFY(out.contains(QStringLiteral("RAW files copied: 0")));
    }

    // Names read from a screenshot of a file list become the selection.
    void fromScreenshot()
    {
        QTemporaryDir dir;
        const auto p = [&](const char *rel) { return standardizedPath(dir.filePath(QString::fromUtf8(rel))); };
        QImage shot(900, 260, QImage::Format_RGB32);
        shot.fill(Qt::white);
        {
            QPainter painter(&shot);
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(24);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(30, 80, QStringLiteral("Portrait_2041.jpg        2.1 MB"));
            painter.drawText(30, 160, QStringLiteral("Wedding-0007.jpg         3.4 MB"));
        }
        QVERIFY(shot.save(p("list.png")));
        makeFile(p("card/Portrait_2041.CR2"), "raw");
        makeFile(p("card/Wedding-0007.NEF"), "raw2");
        QDir().mkpath(p("dest"));
        const Run run = gather({"--screenshot", p("list.png"), "--search", p("card"), "--dest", p("dest"), "--json"});
        const QJsonObject doc = QJsonDocument::fromJson(run.out).object();
        const QJsonArray results = doc.value("results").toArray();
        if (run.exitCode == 0 && results.isEmpty())
            QSKIP("the text recogniser read no names here (no recognition models installed)");
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QStringList copied;
        for (const QJsonValue &v : results)
            if (v.toObject().value("status").toString() == QLatin1String("copied"))
                copied << v.toObject().value("fileName").toString();
        QVERIFY2(copied.contains(QStringLiteral("Portrait_2041.jpg")), qPrintable(copied.join(", ")));
        QVERIFY(QFile::exists(p("dest/Portrait_2041.CR2")));
    }

    void help()
    {
        const Run run = gather({"--help"});
        QCOMPARE(run.exitCode, 0);
        for (const char *option : {"--selection", "--screenshot", "--search", "--dest", "--target", "--no-xmp",
                                   "--on-conflict", "--check", "--report", "--json"})
            QVERIFY2(run.out.contains(option), option);
    }

    // The destination runs out of room during the copy (the free-space check before it passed):
    // the file that did not fit is named on stderr with the reason, and the job fails.
    void fullDestinationIsNamed()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        QTemporaryDir dir;
        makeFile(dir.filePath("sel/IMG_1.jpg"));
        makeFile(dir.filePath("sel/IMG_2.jpg"));
        makeFile(dir.filePath("search/IMG_1.CR3"), QByteArray(1000, '1'));
        makeFile(dir.filePath("search/IMG_2.CR3"), QByteArray(1000, '2'));
        const QString dest = dir.filePath("dest");
        QVERIFY(QDir().mkpath(dest));
        // Room for the folder itself and one file: plenty of bytes, too few entries.
        if (::mount("tmpfs", encodePath(dest).constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m,nr_inodes=2") != 0)
            QSKIP("cannot mount a tmpfs here");
        struct Unmount {
            QByteArray path;
            ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
        } unmount{encodePath(dest)};

        const Run run = gather(
            {"--selection", dir.filePath("sel"), "--search", dir.filePath("search"), "--dest", dest, "--no-xmp"});
        QCOMPARE(run.exitCode, 1);
        const QString err = QString::fromUtf8(run.err);
        QVERIFY2(err.contains(standardizedPath(dir.filePath("search/IMG_2.CR3"))), qPrintable(err));
        QVERIFY2(err.contains("disk is full"), qPrintable(err));
        QCOMPARE(QDir(dest).entryList(QDir::Files | QDir::Hidden), QStringList{"IMG_1.CR3"});
    }
};

QTEST_MAIN(TestGather)
#include "tst_gather.moc"
