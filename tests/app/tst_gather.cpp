#include "platform/paths.h"
#include "support/fixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace quillmore;
using quillmore::testing::makeFile;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run gather(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUILLMORE_CLI), QStringList{QStringLiteral("gather")} + args);
    p.waitForFinished(120000);
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
               p.readAllStandardError()};
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

    void help()
    {
        const Run run = gather({"--help"});
        QCOMPARE(run.exitCode, 0);
        for (const char *option : {"--selection", "--screenshot", "--search", "--dest", "--target", "--no-xmp",
                                   "--on-conflict", "--check", "--report", "--json"})
            QVERIFY2(run.out.contains(option), option);
    }
};

QTEST_GUILESS_MAIN(TestGather)
#include "tst_gather.moc"
