#include "platform/paths.h"

#include <QDir>
#include <QTest>

using namespace quillmore;

class TestPaths : public QObject {
    Q_OBJECT
private slots:
    void standardized_data();
    void standardized();
    void relativePathsAreTakenFromTheCurrentFolder();
    void nameParts_data();
    void nameParts();
    void sameOrInside_data();
    void sameOrInside();
    void uniqueKeepsFirstOccurrences();
    void rootLocationsDropNestedOnes();
    void undecodableBytesRoundTrip_data();
    void undecodableBytesRoundTrip();
};

void TestPaths::standardized_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("plain") << "/a/b"
                           << "/a/b";
    QTest::newRow("dot") << "/a/./b"
                         << "/a/b";
    QTest::newRow("dotdot") << "/a/x/../b"
                            << "/a/b";
    QTest::newRow("dotdot past root") << "/../../a"
                                      << "/a";
    QTest::newRow("trailing slash") << "/a/b/"
                                    << "/a/b";
    QTest::newRow("double slash") << "/a//b"
                                  << "/a/b";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("dotdot to root") << "/a/.."
                                    << "/";
    QTest::newRow("dots in names kept") << "/a/...b/c."
                                        << "/a/...b/c.";
}

void TestPaths::standardized()
{
    QFETCH(QString, in);
    QTEST(standardizedPath(in), "out");
}

void TestPaths::relativePathsAreTakenFromTheCurrentFolder()
{
    QCOMPARE(standardizedPath(QStringLiteral("x/../y")), QDir::currentPath() + QStringLiteral("/y"));
}

void TestPaths::nameParts_data()
{
    // Where the extension starts is the extension rule's (tst_records); here, the two parts.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("withoutExtension");
    QTest::newRow("two dots") << "a.b.jpg"
                              << "jpg"
                              << "a.b";
    QTest::newRow("leading dot only") << ".hidden"
                                      << ""
                                      << ".hidden";
}

void TestPaths::nameParts()
{
    QFETCH(QString, name);
    QTEST(pathExtension(name), "extension");
    QTEST(deletingPathExtension(name), "withoutExtension");
}

void TestPaths::sameOrInside_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("inside");
    QTest::newRow("same") << "/Volumes/Shoot"
                          << "/Volumes/Shoot" << true;
    QTest::newRow("child") << "/Volumes/Shoot/Day1"
                           << "/Volumes/Shoot" << true;
    QTest::newRow("sibling with prefix") << "/Volumes/Shoot2"
                                         << "/Volumes/Shoot" << false;
    QTest::newRow("parent") << "/Volumes"
                            << "/Volumes/Shoot" << false;
    QTest::newRow("case differs") << "/volumes/shoot/x"
                                  << "/Volumes/Shoot" << false;
    QTest::newRow("unstandardised") << "/Volumes/Shoot/../Shoot/x/"
                                    << "/Volumes/Shoot/" << true;
    QTest::newRow("below root") << "/anything"
                                << "/" << true;
}

void TestPaths::sameOrInside()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QTEST(isSameOrInside(a, b), "inside");
}

void TestPaths::uniqueKeepsFirstOccurrences()
{
    QCOMPARE(uniqueByStandardizedPath({"/b", "/a/", "/b/./", "/a/x/..", "/c"}), (QList<QString>{"/b", "/a", "/c"}));
}

void TestPaths::rootLocationsDropNestedOnes()
{
    QCOMPARE(rootLocations({"/s/day1", "/s", "/t", "/s/day1/", "/s2"}), (QList<QString>{"/s", "/t", "/s2"}));
}

void TestPaths::undecodableBytesRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QByteArray("/a/IMG_1.CR3");
    QTest::newRow("utf8") << QByteArray("/a/Caf\xc3\xa9.jpg");
    QTest::newRow("4-byte utf8") << QByteArray("/a/\xf0\x9f\x93\xb7.jpg");
    QTest::newRow("latin1 byte") << QByteArray("/a/Caf\xe9.jpg");
    QTest::newRow("lone continuation") << QByteArray("/a/\x80\xbf");
    QTest::newRow("overlong slash") << QByteArray("/a/\xc0\xaf");
    QTest::newRow("encoded surrogate") << QByteArray("/a/\xed\xa0\x80");
    QTest::newRow("truncated") << QByteArray("/a/\xe2\x82");
    QTest::newRow("newline") << QByteArray("/a/line\nbreak.jpg");
}

void TestPaths::undecodableBytesRoundTrip()
{
    QFETCH(QByteArray, bytes);
    const QString decoded = decodePath(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    QCOMPARE(encodePath(decoded), bytes);
}

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
