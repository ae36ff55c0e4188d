#include "matching/selectionreader.h"
#include "model/cancellation.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "support/fixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <sys/stat.h>

using namespace quillmore;
using quillmore::testing::makeFile;

namespace {

QStringList relativePaths(const SelectionReadResult &r, const QString &root)
{
    QStringList out;
    for (const SelectedJPEG &s : r.selections)
        out << s.localURL->mid(standardizedPath(root).size() + 1);
    return out;
}

} // namespace

class TestSelectionReader : public QObject {
    Q_OBJECT
private slots:
    void emptyFolder();
    void whichFilesAreSelections_data();
    void whichFilesAreSelections();
    void symbolicLinksYieldNothing();
    void finderOrder_data();
    void finderOrder();
    void recordsCarryNameBaseAndLocation();
    void sameNameInTwoFoldersGivesTwoRecords();
    void missingFolderFails();
    void cancellationStopsTheRead();
    void unreadableSubfolderIsAWarning();
};

void TestSelectionReader::emptyFolder()
{
    QTemporaryDir dir;
    SelectionReader reader;
    const auto r = reader.readSelection(dir.path(), {});
    QVERIFY(r.selections.isEmpty());
    QVERIFY(r.warnings.isEmpty());
}

void TestSelectionReader::whichFilesAreSelections_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("selected");
    QTest::newRow("top level") << "IMG_0001.jpg" << true;
    QTest::newRow("subfolder, upper case") << "holiday/IMG_0002.JPG" << true;
    // Extensions follow the one rule (tst_records) and hidden entries are the walk's (tst_filewalk):
    // here only that the reader uses the JPEG set and goes into subfolders.
    QTest::newRow("png") << "IMG_0006.png" << false;
}

void TestSelectionReader::whichFilesAreSelections()
{
    QFETCH(QString, path);
    QFETCH(bool, selected);
    QTemporaryDir dir;
    makeFile(dir.filePath(path));
    SelectionReader reader;
    const auto r = reader.readSelection(dir.path(), {});
    QCOMPARE(relativePaths(r, dir.path()), selected ? QStringList{path} : QStringList{});
}

void TestSelectionReader::symbolicLinksYieldNothing()
{
    QTemporaryDir dir;
    QTemporaryDir outside;
    makeFile(outside.filePath("IMG_0100.jpg"));
    makeFile(outside.filePath("more/IMG_0101.jpg"));
    QVERIFY(QFile::link(outside.filePath("IMG_0100.jpg"), dir.filePath("IMG_0100.jpg")));
    QVERIFY(QFile::link(outside.filePath("more"), dir.filePath("more")));
    SelectionReader reader;
    QVERIFY(reader.readSelection(dir.path(), {}).selections.isEmpty());
}

void TestSelectionReader::finderOrder_data()
{
    QTest::addColumn<QStringList>("files"); // created in this order
    QTest::addColumn<QString>("spelling");  // how the folder is given, after the folder's path
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("numbers by value, case ignored") << QStringList{"IMG_10.jpg", "img_3.jpg", "IMG_2.jpg"} << QString()
                                                    << QStringList{"IMG_2.jpg", "img_3.jpg", "IMG_10.jpg"};
    // Numbers that share their first digits, in names and in folders: 12 before 1000.
    QTest::newRow("shared leading digits")
        << QStringList{"IMG_1000.jpg", "IMG_12.jpg", "day 10/IMG_1.jpg", "day 9/IMG_1.jpg", "IMG_1.jpg"}
        << QStringLiteral("/./")
        << QStringList{"day 9/IMG_1.jpg", "day 10/IMG_1.jpg", "IMG_1.jpg", "IMG_12.jpg", "IMG_1000.jpg"};
    QTest::newRow("folder given with a trailing slash")
        << QStringList{"b/IMG_2.jpg", "A/IMG_3.jpg", "a.jpg"} << QStringLiteral("/")
        << QStringList{"a.jpg", "A/IMG_3.jpg", "b/IMG_2.jpg"};
}

void TestSelectionReader::finderOrder()
{
    QFETCH(QStringList, files);
    QFETCH(QString, spelling);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (const QString &name : files)
        makeFile(dir.filePath(name));
    SelectionReader reader;
    QCOMPARE(relativePaths(reader.readSelection(dir.path() + spelling, {}), dir.path()), expected);
}

void TestSelectionReader::recordsCarryNameBaseAndLocation()
{
    QTemporaryDir dir;
    const QString decomposed = QStringLiteral("Cafe\u0301.jpg");
    makeFile(dir.path() + QStringLiteral("/sub/./") + decomposed);
    SelectionReader reader;
    const auto r = reader.readSelection(dir.path() + QStringLiteral("/sub/.."), {});
    QCOMPARE(r.selections.size(), 1);
    const SelectedJPEG &s = r.selections.first();
    QCOMPARE(s.fileName, decomposed);
    QCOMPARE(s.baseName, QStringLiteral("Caf\u00e9"));
    QCOMPARE(*s.localURL, standardizedPath(dir.path()) + QStringLiteral("/sub/") + decomposed);
    QVERIFY(s.sourceScreenshotURLs.isEmpty());
    QVERIFY(!s.id.isNull());
}

void TestSelectionReader::sameNameInTwoFoldersGivesTwoRecords()
{
    QTemporaryDir dir;
    makeFile(dir.filePath("a/IMG_0001.jpg"));
    makeFile(dir.filePath("b/IMG_0001.jpg"));
    SelectionReader reader;
    const auto r = reader.readSelection(dir.path(), {});
    QCOMPARE(r.selections.size(), 2);
    QCOMPARE(r.selections[0].baseName, r.selections[1].baseName);
    QVERIFY(r.selections[0].localURL != r.selections[1].localURL);
    QVERIFY(r.selections[0].id != r.selections[1].id);
}

void TestSelectionReader::missingFolderFails()
{
    QTemporaryDir dir;
    SelectionReader reader;
    try {
        reader.readSelection(dir.filePath("gone"), {});
        QFAIL("a missing folder must fail");
    } catch (const FailureError &e) {
        QCOMPARE(e.code(), FailureCode::selectionUnreadable);
        QCOMPARE(e.errorNumber(), ENOENT);
        QCOMPARE(e.path(), standardizedPath(dir.filePath("gone")));
    }
}

void TestSelectionReader::cancellationStopsTheRead()
{
    QTemporaryDir dir;
    makeFile(dir.filePath("IMG_1.jpg"));
    std::stop_source stop;
    stop.request_stop();
    SelectionReader reader;
    QVERIFY_THROWS_EXCEPTION(Cancelled, reader.readSelection(dir.path(), stop.get_token()));
}

void TestSelectionReader::unreadableSubfolderIsAWarning()
{
    if (::geteuid() == 0)
        QSKIP("root reads every folder; the unreadable case is covered by the non-root hardening run");
    QTemporaryDir dir;
    makeFile(dir.filePath("closed/IMG_1.jpg"));
    makeFile(dir.filePath("IMG_2.jpg"));
    ::chmod(encodePath(dir.filePath("closed")).constData(), 0);
    SelectionReader reader;
    const auto r = reader.readSelection(dir.path(), {});
    ::chmod(encodePath(dir.filePath("closed")).constData(), 0755);
    QCOMPARE(relativePaths(r, dir.path()), QStringList{"IMG_2.jpg"});
    QCOMPARE(r.warnings.size(), 1);
    QCOMPARE(*r.warnings.first().url, standardizedPath(dir.filePath("closed")));
}

QTEST_GUILESS_MAIN(TestSelectionReader)
#include "tst_selectionreader.moc"
