#include "platform/paths.h"
#include "platform/text.h"

#include <QTest>

using namespace quillmore;

class TestText : public QObject {
    Q_OBJECT
private slots:
    void baseNames_data();
    void baseNames();
    void matchKeys_data();
    void matchKeys();
    void utf8KeyAgreesWithMatchKey_data();
    void utf8KeyAgreesWithMatchKey();
    void finderOrder_data();
    void finderOrder();
    void sortIsStableForTies();
};

void TestText::baseNames_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("extension") << "IMG_0001.jpg"
                               << "IMG_0001";
    QTest::newRow("two dots") << "a.b.jpg"
                              << "a.b";
    QTest::newRow("path") << "/x/y/IMG_0007.JPEG"
                          << "IMG_0007";
    QTest::newRow("case kept") << "img_3.JPG"
                               << "img_3";
    QTest::newRow("decomposed accent composed") << QStringLiteral("Cafe\u0301.jpg") << QStringLiteral("Caf\u00e9");
}

void TestText::baseNames()
{
    QFETCH(QString, in);
    QTEST(baseName(in), "out");
}

void TestText::matchKeys_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("case") << "IMG_0001"
                          << "img_0001" << true;
    QTest::newRow("composition") << QStringLiteral("Caf\u00e9") << QStringLiteral("Cafe\u0301") << true;
    QTest::newRow("accent matters") << "Cafe" << QStringLiteral("Caf\u00e9") << false;
    QTest::newRow("trailing space") << "IMG_0001"
                                    << "IMG_0001 " << false;
    QTest::newRow("full folding sharp s") << QStringLiteral("Stra\u00dfe") << "STRASSE" << true;
    QTest::newRow("no Turkish dotless i") << "IMG" << QStringLiteral("\u0131mg") << false;
    QTest::newRow("Greek final sigma") << QStringLiteral("\u039f\u03a3") << QStringLiteral("\u03bf\u03c2") << true;
    QTest::newRow("width not folded") << "IMG" << QStringLiteral("\uff29MG") << false;
}

void TestText::matchKeys()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QTEST(matchKey(a) == matchKey(b), "same");
}

void TestText::utf8KeyAgreesWithMatchKey_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("ascii") << "IMG_0001";
    QTest::newRow("ascii mixed") << "DSC-Zz_09";
    QTest::newRow("accented") << QStringLiteral("CAFE\u0301");
    QTest::newRow("sharp s") << QStringLiteral("Stra\u00dfe");
    QTest::newRow("kelvin sign") << QStringLiteral("\u212aX");
    QTest::newRow("not UTF-8 on disk") << decodePath("CAF\xe9");
}

void TestText::utf8KeyAgreesWithMatchKey()
{
    QFETCH(QString, name);
    const QByteArray utf8 = encodePath(name);
    QCOMPARE(decodePath(matchKeyUtf8(std::string_view(utf8.constData(), std::size_t(utf8.size())))), matchKey(name));
}

void TestText::finderOrder_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::newRow("numbers by value") << "IMG_2.jpg"
                                      << "IMG_10.jpg";
    QTest::newRow("case ignored before number") << "IMG_2.jpg"
                                                << "img_3.jpg";
    QTest::newRow("lower before upper number") << "img_3.jpg"
                                               << "IMG_10.jpg";
    QTest::newRow("folders") << "/a/x/IMG_9.CR3"
                             << "/a/y/IMG_1.CR3";
}

void TestText::finderOrder()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QVERIFY(localizedStandardCompare(a, b) < 0);
    QVERIFY(localizedStandardCompare(b, a) > 0);
    QVERIFY(localizedStandardSortKey(a) < localizedStandardSortKey(b));
}

void TestText::sortIsStableForTies()
{
    QList<QString> items{"IMG_10", "img_2", "IMG_2", "IMG_1"};
    sortByLocalizedStandard(items, [](const QString &s) { return s; });
    QCOMPARE(items, (QList<QString>{"IMG_1", "img_2", "IMG_2", "IMG_10"}));
}

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
