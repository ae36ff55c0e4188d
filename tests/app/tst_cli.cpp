#include "platform/paths.h"
#include "support/fixtures.h"
#include "support/processes.h"
#include "support/testimages.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace quillmore;
using quillmore::testing::jpegBytes;
using quillmore::testing::makeFile;

namespace {

using Run = quillmore::testing::ProcessRun;

Run runCli(const QStringList &args, const QString &workingDir = {}, const QStringList &prefix = {})
{
    return quillmore::testing::runProcess(QStringLiteral(QUILLMORE_CLI), args, {workingDir, prefix, 60000});
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void usageErrors_data();
    void usageErrors();
    void jsonDocument();
    void readableTable();
    void unreadableSelectionFailsTheJob();
    void unreadableSearchFolderIsAWarning();
    void selectionInAFolderThatCannotBeEnteredIsAWarning();
    void missingSearchLocationIsNamed();
    void pathsThatAreNotUtf8KeepTheirBytes();
    void heicPixelSizeInAScan();
    void scanRunsWithoutTheFullProgram_data();
    void scanRunsWithoutTheFullProgram();

private:
    QTemporaryDir m_dir;
};

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    makeFile(m_dir.filePath("sel/IMG_0001.jpg"));
    makeFile(m_dir.filePath("sel/sub/IMG_0002.JPG"));
    makeFile(m_dir.filePath("sel/IMG_0003.jpg"));
    makeFile(m_dir.filePath("search/a/img_0001.CR3"), QByteArray(100, 'r'));
    makeFile(m_dir.filePath("search/a/IMG_0002.CR3"));
    makeFile(m_dir.filePath("search/b/IMG_0002.NEF"));
    makeFile(m_dir.filePath("full/IMG_0003.JPG"), jpegBytes(30, 20));
    makeFile(m_dir.filePath("afile"));
    QDir().mkpath(m_dir.filePath("dest"));
}

// The job options scan and gather share are checked the same way by both commands.
void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    const QString d = m_dir.path();
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{"copy-everything"};
    for (const QString &command : {QStringLiteral("scan"), QStringLiteral("gather")}) {
        const auto row = [&](const char *name) -> QTestData & {
            return QTest::addRow("%s: %s", qPrintable(command), name);
        };
        const QStringList good{command, "--selection", d + "/sel", "--search", d + "/search", "--dest", d + "/dest"};
        row("no selection") << QStringList{command, "--search", d + "/search", "--dest", d + "/dest"};
        row("no search") << QStringList{command, "--selection", d + "/sel", "--dest", d + "/dest"};
        row("no dest") << QStringList{command, "--selection", d + "/sel", "--search", d + "/search"};
        row("selection missing") << QStringList{command,       "--selection", d + "/nope", "--search",
                                                d + "/search", "--dest",      d + "/dest"};
        row("selection is a file") << QStringList{command,       "--selection", d + "/afile", "--search",
                                                  d + "/search", "--dest",      d + "/dest"};
        row("search is a file") << QStringList{command,      "--selection", d + "/sel", "--search",
                                               d + "/afile", "--dest",      d + "/dest"};
        row("second search missing") << QStringList{command,    "--selection", d + "/sel", "--search", d + "/search",
                                                    "--search", d + "/nope",   "--dest",   d + "/dest"};
        row("dest missing") << QStringList{command,       "--selection", d + "/sel", "--search",
                                           d + "/search", "--dest",      d + "/nope"};
        row("bad target") << (good + QStringList{"--target", "tiff"});
        row("unknown option") << (good + QStringList{"--frobnicate"});
        row("stray argument") << (good + QStringList{"extra"});
        row("option without value") << QStringList{command, "--selection"};
    }
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, args);
    const Run r = runCli(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.err.startsWith("quillmore-cli: "));
    QVERIFY(QDir(m_dir.filePath("dest")).isEmpty()); // nothing copied
}

void TestCli::jsonDocument()
{
    // Relative paths are taken from the working folder and come back absolute and standardised.
    const Run r = runCli({"scan", "--selection", "sel/./sub/..", "--search", "search", "--search", "dest", "--search",
                          "full", "--dest", "dest", "--json"},
                         m_dir.path());
    QCOMPARE(r.exitCode, 0);
    QJsonParseError error;
    const QJsonObject doc = QJsonDocument::fromJson(r.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(doc.value("checkedFiles").toInt(), 4);
    const QJsonArray results = doc.value("results").toArray();
    QCOMPARE(results.size(), 3);

    const QString root = standardizedPath(m_dir.path());
    const QJsonObject first = results[0].toObject();
    QCOMPARE(first.value("fileName").toString(), QStringLiteral("IMG_0001.jpg"));
    QCOMPARE(first.value("baseName").toString(), QStringLiteral("IMG_0001"));
    QCOMPARE(first.value("status").toString(), QStringLiteral("found"));
    QCOMPARE(first.value("chosen").toString(), root + "/search/a/img_0001.CR3");
    const QJsonObject candidate = first.value("candidates").toArray().at(0).toObject();
    QCOMPARE(candidate.value("size").toInt(), 100);
    QVERIFY(candidate.value("modified").toString().endsWith('Z'));
    QVERIFY(candidate.value("pixelWidth").isNull());
    QVERIFY(candidate.value("pixelHeight").isNull());

    QCOMPARE(results[1].toObject().value("status").toString(), QStringLiteral("notFound")); // IMG_0003, raw search
    QVERIFY(results[1].toObject().value("chosen").isNull());
    const QJsonObject ambiguous = results[2].toObject();
    QCOMPARE(ambiguous.value("status").toString(), QStringLiteral("ambiguous"));
    QCOMPARE(ambiguous.value("candidates").toArray().size(), 2);

    const QJsonArray warnings = doc.value("warnings").toArray();
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings[0].toObject().value("path").toString(), root + "/dest");
    QVERIFY(!warnings[0].toObject().value("message").toString().isEmpty());

    // A JPEG search reads the declared pixel size.
    const Run j = runCli(
        {"scan", "--selection", "sel", "--search", ".", "--dest", "dest", "--target", "jpeg", "--json"}, m_dir.path());
    QCOMPARE(j.exitCode, 0);
    const QJsonArray jr = QJsonDocument::fromJson(j.out).object().value("results").toArray();
    const QJsonObject jpeg = jr[1].toObject().value("candidates").toArray().at(0).toObject();
    QCOMPARE(jpeg.value("path").toString(), root + "/full/IMG_0003.JPG");
    QCOMPARE(jpeg.value("pixelWidth").toInt(), 30);
    QCOMPARE(jpeg.value("pixelHeight").toInt(), 20);
}

void TestCli::readableTable()
{
    const Run r = runCli({"scan", "--selection", "sel", "--search", "search", "--dest", "dest"}, m_dir.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty()); // no progress noise when stderr is not a terminal
    const QString out = QString::fromUtf8(r.out);
    QVERIFY(out.contains("IMG_0001.jpg"));
    QVERIFY(out.contains(standardizedPath(m_dir.filePath("search/a/img_0001.CR3"))));
    QVERIFY(out.contains("3 names: 1 found, 1 not found, 1 ambiguous."));
}

// Root reads every folder, so as root the command runs as an unprivileged user.
static QStringList unprivileged()
{
    return quillmore::testing::unprivilegedPrefix(QStringLiteral(QUILLMORE_CLI));
}

void TestCli::unreadableSelectionFailsTheJob()
{
    const QStringList prefix = unprivileged();
    if (prefix == QStringList{"missing"})
        QSKIP("the program cannot be run as an unprivileged user here (no setpriv, or a build folder only root may "
              "enter)");
    QTemporaryDir dir;
    ::chmod(encodePath(dir.path()).constData(), 0755);
    makeFile(dir.filePath("sel/IMG_1.jpg"));
    QDir().mkpath(dir.filePath("search"));
    QDir().mkpath(dir.filePath("dest"));
    ::chmod(encodePath(dir.filePath("sel")).constData(), 0);
    const Run r = runCli({"scan", "--selection", dir.filePath("sel"), "--search", dir.filePath("search"), "--dest",
                          dir.filePath("dest")},
                         dir.path(), prefix);
    ::chmod(encodePath(dir.filePath("sel")).constData(), 0755);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    // Which folder, and why.
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.contains(standardizedPath(dir.filePath("sel"))), qPrintable(err));
    QVERIFY2(err.contains("you do not have permission"), qPrintable(err));
}

void TestCli::unreadableSearchFolderIsAWarning()
{
    const QStringList prefix = unprivileged();
    if (prefix == QStringList{"missing"})
        QSKIP("the program cannot be run as an unprivileged user here (no setpriv, or a build folder only root may "
              "enter)");
    QTemporaryDir dir;
    ::chmod(encodePath(dir.path()).constData(), 0755);
    makeFile(dir.filePath("sel/IMG_1.jpg"));
    makeFile(dir.filePath("sel/IMG_2.jpg"));
    makeFile(dir.filePath("search/closed/IMG_1.CR3"));
    makeFile(dir.filePath("search/open/IMG_2.CR3"));
    QDir().mkpath(dir.filePath("dest"));
    ::chmod(encodePath(dir.filePath("search/closed")).constData(), 0);
    const Run r = runCli({"scan", "--selection", dir.filePath("sel"), "--search", dir.filePath("search"), "--dest",
                          dir.filePath("dest"), "--json"},
                         dir.path(), prefix);
    ::chmod(encodePath(dir.filePath("search/closed")).constData(), 0755);
    QCOMPARE(r.exitCode, 0);
    const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
    const QJsonArray results = doc.value("results").toArray();
    QCOMPARE(results[0].toObject().value("status").toString(), QStringLiteral("notFound"));
    QCOMPARE(results[1].toObject().value("status").toString(), QStringLiteral("found"));
    const QJsonArray warnings = doc.value("warnings").toArray();
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings[0].toObject().value("path").toString(), standardizedPath(dir.filePath("search/closed")));
}

void TestCli::selectionInAFolderThatCannotBeEnteredIsAWarning()
{
    const QStringList prefix = unprivileged();
    if (prefix == QStringList{"missing"})
        QSKIP("the program cannot be run as an unprivileged user here (no setpriv, or a build folder only root may "
              "enter)");
    QTemporaryDir dir;
    ::chmod(encodePath(dir.path()).constData(), 0755);
    makeFile(dir.filePath("sel/IMG_1.jpg"));
    makeFile(dir.filePath("sel/listable/IMG_2.jpg"));
    makeFile(dir.filePath("search/IMG_1.CR3"));
    makeFile(dir.filePath("search/IMG_2.CR3"));
    QDir().mkpath(dir.filePath("dest"));
    // The folder's names can be read, but not the values of what it holds.
    ::chmod(encodePath(dir.filePath("sel/listable")).constData(), 0444);
    const Run r = runCli({"scan", "--selection", dir.filePath("sel"), "--search", dir.filePath("search"), "--dest",
                          dir.filePath("dest"), "--json"},
                         dir.path(), prefix);
    ::chmod(encodePath(dir.filePath("sel/listable")).constData(), 0755);
    QCOMPARE(r.exitCode, 0);
    const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
    const QJsonArray results = doc.value("results").toArray();
    QCOMPARE(results.size(), 1);
    QCOMPARE(results[0].toObject().value("fileName").toString(), QStringLiteral("IMG_1.jpg"));
    const QJsonArray warnings = doc.value("warnings").toArray();
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings[0].toObject().value("path").toString(), standardizedPath(dir.filePath("sel/listable/IMG_2.jpg")));
    QCOMPARE(warnings[0].toObject().value("message").toString(),
             QStringLiteral("This item could not be read and was left out."));
}

void TestCli::missingSearchLocationIsNamed()
{
    const Run r = runCli({"scan", "--selection", m_dir.filePath("sel"), "--search", m_dir.filePath("search"),
                          "--search", m_dir.filePath("card 2"), "--dest", m_dir.filePath("dest")});
    QCOMPARE(r.exitCode, 2);
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.contains("--search") && err.contains(m_dir.filePath("card 2")), qPrintable(err));
    QVERIFY2(err.contains("it is not there"), qPrintable(err));
    // Something that is not a folder says so.
    const Run file = runCli({"scan", "--selection", m_dir.filePath("afile"), "--search", m_dir.filePath("search"),
                             "--dest", m_dir.filePath("dest")});
    QCOMPARE(file.exitCode, 2);
    QVERIFY2(file.err.contains("it is not a folder"), file.err.constData());
}

void TestCli::pathsThatAreNotUtf8KeepTheirBytes()
{
    // A card written by an old camera or another system: a Latin-1 byte in a folder's name.
    QTemporaryDir dir;
    makeFile(dir.filePath("sel/IMG_0001.jpg"));
    const QString odd = decodePath("Caf\xe9");
    QVERIFY(QDir().mkpath(dir.filePath("search")));
    QCOMPARE(::mkdir(encodePath(dir.filePath("search/") + odd).constData(), 0755), 0);
    makeFile(dir.filePath("search/") + odd + QStringLiteral("/IMG_0001.CR3"));
    QDir().mkpath(dir.filePath("dest"));
    const Run r = runCli({"scan", "--selection", dir.filePath("sel"), "--search", dir.filePath("search"), "--dest",
                          dir.filePath("dest"), "--json"});
    QCOMPARE(r.exitCode, 0);
    // The byte is written as the escape \udce9, and the document stays valid JSON.
    QVERIFY(r.out.contains("/Caf\\udce9/IMG_0001.CR3"));
    QJsonParseError error;
    const QJsonObject doc = QJsonDocument::fromJson(r.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QString path = doc.value("results").toArray()[0].toObject().value("chosen").toString();
    // Read back, the escape gives the real bytes of the file's path.
    QCOMPARE(encodePath(path), encodePath(standardizedPath(dir.filePath("search/") + odd + "/IMG_0001.CR3")));
}

void TestCli::heicPixelSizeInAScan()
{
    // The scanning program opens the HEIC reader only when it meets a HEIC file.
    QTemporaryDir dir;
    makeFile(dir.filePath("sel/IMG_0001.jpg"));
    QVERIFY(QDir().mkpath(dir.filePath("search")));
    if (!quillmore::testing::writeHeic(dir.filePath("search/IMG_0001.jpg"), QSize(34, 22)))
        QSKIP("this libheif cannot encode HEVC, so no HEIC file can be made here");
    QDir().mkpath(dir.filePath("dest"));
    const Run r = runCli({"scan", "--selection", dir.filePath("sel"), "--search", dir.filePath("search"), "--dest",
                          dir.filePath("dest"), "--target", "jpeg", "--json"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject candidate = QJsonDocument::fromJson(r.out)
                                      .object()
                                      .value("results")
                                      .toArray()[0]
                                      .toObject()
                                      .value("candidates")
                                      .toArray()[0]
                                      .toObject();
    QCOMPARE(candidate.value("pixelWidth").toInt(), 34);
    QCOMPARE(candidate.value("pixelHeight").toInt(), 22);
}

void TestCli::scanRunsWithoutTheFullProgram_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("handedOn"); // the command needs the program that reads screenshots and gathers
    const QString d = m_dir.path();
    const QStringList job{"--search", d + "/search", "--dest", d + "/dest"};
    QTest::newRow("scan") << (QStringList{"scan", "--selection", d + "/sel"} + job) << 0 << false;
    QTest::newRow("help") << QStringList{"--help"} << 0 << false;
    QTest::newRow("scan after --") << (QStringList{"scan", "--selection", d + "/sel"} + job
                                       + QStringList{"--", "--screenshot"})
                                   << 2 << false;
    QTest::newRow("scan --screenshot") << (QStringList{"scan", "--screenshot", d + "/shot.png"} + job) << 1 << true;
    QTest::newRow("scan --screenshot=") << (QStringList{"scan", "--screenshot=" + d + "/shot.png"} + job) << 1 << true;
    QTest::newRow("gather") << (QStringList{"gather", "--selection", d + "/sel"} + job) << 1 << true;
    QTest::newRow("read-screenshots") << QStringList{"read-screenshots", "--help"} << 1 << true;
}

void TestCli::scanRunsWithoutTheFullProgram()
{
    // quillmore-cli alone, as when the package's other program is missing: the scan of a
    // selection folder still runs, and every other command says what cannot be started.
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(bool, handedOn);
    QTemporaryDir alone;
    const QString program = alone.filePath("quillmore-cli");
    QVERIFY(QFile::copy(QStringLiteral(QUILLMORE_CLI), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    const Run r = quillmore::testing::runProcess(program, args, {{}, {}, 60000});
    QCOMPARE(r.exitCode, exitCode);
    const QString err = QString::fromUtf8(r.err);
    QCOMPARE(err.contains("quillmore-cli-full"), handedOn);
    if (handedOn) {
        QVERIFY2(err.startsWith("quillmore-cli: ") && err.count('\n') == 1, qPrintable(err));
        QVERIFY(r.out.isEmpty());
    }
    QVERIFY(QDir(m_dir.filePath("dest")).isEmpty());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
