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

using namespace quillmore;
using quillmore::testing::makeFile;

namespace {

using Run = quillmore::testing::ProcessRun;

Run gather(const QStringList &args)
{
    return quillmore::testing::runProcess(QStringLiteral(QUILLMORE_CLI), QStringList{QStringLiteral("gather")} + args);
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

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        const QStringList place{"--search", d("search"), "--dest", d("dest")};
        QTest::newRow("no selection") << place;
        QTest::newRow("selection and screenshots") << QStringList{"--selection", d("sel"), "--screenshot", d("a.png")} + place;
        QTest::newRow("no search") << QStringList{"--selection", d("sel"), "--dest", d("dest")};
        QTest::newRow("no destination") << QStringList{"--selection", d("sel"), "--search", d("search")};
        QTest::newRow("selection is not a folder") << QStringList{"--selection", d("notes.txt")} + place;
        QTest::newRow("missing search folder") << QStringList{"--selection", d("sel"), "--search", d("nope"), "--dest", d("dest")};
        QTest::newRow("bad target") << QStringList{"--selection", d("sel"), "--target", "tiff"} + place;
        QTest::newRow("bad conflict policy") << QStringList{"--selection", d("sel"), "--on-conflict", "replace"} + place;
        QTest::newRow("bad check") << QStringList{"--selection", d("sel"), "--check", "blur,sharp"} + place;
        QTest::newRow("screenshot of another type") << QStringList{"--screenshot", d("notes.txt")} + place;
        QTest::newRow("screenshot that does not exist") << QStringList{"--screenshot", d("gone.png")} + place;
        QTest::newRow("report in a missing folder") << QStringList{"--selection", d("sel"), "--report", d("no/r.csv")} + place;
        QTest::newRow("report is a folder") << QStringList{"--selection", d("sel"), "--report", d("dest")} + place;
        QTest::newRow("unknown option") << QStringList{"--selection", d("sel"), "--fast"} + place;
        QTest::newRow("stray argument") << QStringList{"--selection", d("sel"), "extra"} + place;
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
        QStringList args{"--selection", p("sel"), "--search", p("card"), "--search", p("backup"), "--dest", p("dest"),
                         "--on-conflict", policy, "--check", "file", "--report", p("report.csv"), "--json"};
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
        QCOMPARE(results["D.jpg"].value("status").toString(), policy == "skip" ? QStringLiteral("skipped") : QStringLiteral("copied"));
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
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF" "Selection filename,Screenshot source,Matched file path,Match Type,"
                                 "Destination path,Status,Quality Flags,Error\r\n"));
        QCOMPARE(bytes.count("\r\n"), 5);
        QVERIFY(bytes.endsWith("\r\n"));
        // No temporary file is left in the destination.
        for (const QString &name : QDir(p("dest")).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
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
        const Run run = gather({"--selection", p("sel"), "--search", p("card"), "--dest", p("dest"), "--check", "duplicate"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QString out = QString::fromUtf8(run.out);
        QVERIFY2(out.contains(QStringLiteral("RAW files copied: 1")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("XMP sidecar files copied: 1")));
        QVERIFY(out.contains(QStringLiteral("Skipped: 1")));
        QVERIFY(out.contains(QStringLiteral("Errors: 0")));
        QVERIFY(out.contains(QStringLiteral("Duplicates: 0")));
        QVERIFY(!out.contains(QStringLiteral("Possibly unsharp")));
        QVERIFY(out.contains(QStringLiteral("Z.jpg")));
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
};

QTEST_MAIN(TestGather)
#include "tst_gather.moc"
