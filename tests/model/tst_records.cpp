#include "model/records.h"

#include <QTest>

using namespace quillmore;

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void displayName_data();
    void displayName();
    void conflictPolicyDecoding_data();
    void conflictPolicyDecoding();
    void qualityRawValuesAreTheReportWords();
    void flagsListInCaseOrder();
    void candidateRowsAreIdentifiedByURL();
    void extensionSets_data();
    void extensionSets();
};

void TestRecords::displayName_data()
{
    QTest::addColumn<QString>("local");
    QTest::addColumn<QStringList>("screenshots");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("sources");
    QTest::newRow("local file wins") << "/sel/IMG_1.jpg" << QStringList{"/s/a.png"} << "/sel/IMG_1.jpg"
                                     << "a.png";
    QTest::newRow("two screenshots") << QString() << QStringList{"/shots/a.png", "/other/b.png"}
                                     << "IMG_1.jpg [a.png; b.png]"
                                     << "a.png; b.png";
    QTest::newRow("name alone") << QString() << QStringList{} << "IMG_1.jpg"
                                << "";
}

void TestRecords::displayName()
{
    QFETCH(QString, local);
    QFETCH(QStringList, screenshots);
    SelectedJPEG s;
    s.id = makeId();
    s.fileName = QStringLiteral("IMG_1.jpg");
    if (!local.isEmpty())
        s.localURL = local;
    s.sourceScreenshotURLs = screenshots;
    QTEST(s.displayName(), "display");
    QTEST(s.screenshotSourceNames(), "sources");
}

void TestRecords::conflictPolicyDecoding_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<int>("expected"); // -1: no value
    QTest::newRow("skip") << "skip" << int(ConflictPolicy::skip);
    QTest::newRow("keepNumbered") << "keepNumbered" << int(ConflictPolicy::keepNumbered);
    QTest::newRow("wrong case") << "Skip" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("other") << "overwrite" << -1;
}

void TestRecords::conflictPolicyDecoding()
{
    QFETCH(QString, raw);
    QFETCH(int, expected);
    const auto decoded = conflictPolicyFromRaw(raw);
    QCOMPARE(decoded.has_value(), expected >= 0);
    if (decoded)
        QCOMPARE(int(*decoded), expected);
}

void TestRecords::qualityRawValuesAreTheReportWords()
{
    QCOMPARE(rawValue(QualityFlag::possibleUnsharp), QStringLiteral("Possible Unsharp"));
    QCOMPARE(rawValue(QualityFlag::fileCheck), QStringLiteral("File Check"));
    QCOMPARE(rawValue(QualityCheckSkip::fileCheckNotAssessed),
             QStringLiteral("File Check Not Assessed (Preview Unsupported)"));
}

void TestRecords::flagsListInCaseOrder()
{
    const QSet<QualityFlag> flags{QualityFlag::fileCheck, QualityFlag::possibleUnsharp};
    QCOMPARE(orderedRawValues(flags), (QStringList{"Possible Unsharp", "File Check"}));
    QCOMPARE(orderedRawValues(QSet<QualityCheckSkip>{}), QStringList{});
}

void TestRecords::candidateRowsAreIdentifiedByURL()
{
    const RawCandidate a{QStringLiteral("/a/IMG_1.CR3"), 10, std::nullopt, std::nullopt, std::nullopt};
    RawCandidate b = a;
    b.size = 20;
    QVERIFY(a.sameRow(b));
    QVERIFY(!(a == b));
}

void TestRecords::extensionSets_data()
{
    // The one extension rule of the program; the walkers, the planner and the panels all use it.
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("dot");
    QTest::addColumn<bool>("raw");
    QTest::addColumn<bool>("jpeg");
    QTest::addColumn<bool>("screenshot");
    QTest::newRow("CR3 upper") << "IMG_1.CR3" << 5 << true << false << false;
    QTest::newRow("3fr") << "a.3fr" << 1 << true << false << false;
    QTest::newRow("Jpeg mixed") << "a.Jpeg" << 1 << false << true << true;
    QTest::newRow("jpe") << "a.jpe" << 1 << false << false << false;
    QTest::newRow("heic") << "shot.HEIC" << 4 << false << false << true;
    QTest::newRow("last stop counts") << "IMG.jpg.zip" << 7 << false << false << false;
    QTest::newRow("jpg before raw") << "IMG_0001.JPG.CR3" << 12 << true << false << false;
    QTest::newRow("backup suffix") << "IMG_0001.cr3.bak" << 12 << false << false << false;
    QTest::newRow("no extension") << "jpg" << -1 << false << false << false;
    QTest::newRow("leading stop only") << ".jpg" << -1 << false << false << false;
    QTest::newRow("hidden with extension") << ".IMG_1.jpg" << 6 << false << true << true;
    QTest::newRow("trailing stop") << "IMG." << 3 << false << false << false;
    QTest::newRow("non-ASCII extension") << QString::fromUtf8("IMG.jp\u0261") << 3 << false << false << false;
}

void TestRecords::extensionSets()
{
    QFETCH(QString, name);
    QTEST(int(extensionDot(name)), "dot");
    QTEST(hasExtensionIn(name, rawExtensions()), "raw");
    QTEST(hasExtensionIn(name, jpegExtensions()), "jpeg");
    QTEST(hasExtensionIn(name, screenshotImageExtensions()), "screenshot");
    // The test on a name's bytes, as the walkers make it, agrees.
    const QByteArray bytes = name.toUtf8();
    const std::string_view view(bytes.constData(), std::size_t(bytes.size()));
    QCOMPARE(ExtensionSet(rawExtensions()).contains(view), hasExtensionIn(name, rawExtensions()));
    QCOMPARE(ExtensionSet(jpegExtensions()).contains(view), hasExtensionIn(name, jpegExtensions()));
    QCOMPARE(rawExtensions().size(), 15);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
