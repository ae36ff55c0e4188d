#include "quality/findertagservice.h"
#include "copying/sha256filehasher.h"
#include "model/cancellation.h"
#include "platform/extendedattributes.h"
#include "platform/propertylist.h"
#include "support/faultyfileoperations.h"
#include "support/fixtures.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using namespace quillmore;
using namespace quillmore::testing;

Q_DECLARE_METATYPE(QSet<QualityFlag>)

class HasherAndTagsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

    QString newFile(const QByteArray &bytes)
    {
        const QString path = m_dir.path() + QStringLiteral("/f") + QString::number(++m_serial);
        makeFile(path, bytes);
        return path;
    }
    bool xattrsWork()
    {
        const QString probe = newFile("x");
        try {
            writeExtendedAttribute(probe, "user.quillmore.probe", "1");
            return true;
        } catch (const FailureError &) {
            return false;
        }
    }

private slots:
    // ---- SHA256FileHasher ----

    void digests_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("reads");
        QTest::newRow("empty") << QByteArray()
                               << QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855")
                               << 1;
        QTest::newRow("abc") << QByteArray("abc")
                             << QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad") << 2;
        const QByteArray oneChunk = patternBytes(1048576);
        QTest::newRow("exactly one chunk")
            << oneChunk << QString::fromLatin1(QCryptographicHash::hash(oneChunk, QCryptographicHash::Sha256).toHex())
            << 2;
        const QByteArray more = patternBytes(3 * 1048576 + 17, 7);
        QTest::newRow("three chunks and a bit")
            << more << QString::fromLatin1(QCryptographicHash::hash(more, QCryptographicHash::Sha256).toHex()) << 5;
    }
    void digests()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QFETCH(int, reads);
        FaultyFileOperations files;
        SHA256FileHasher hasher(&files);
        QCOMPARE(hasher.sha256Hex(newFile(content), {}), expected);
        QCOMPARE(files.readCalls, reads);
        QCOMPARE(files.openFiles, 0);
    }

    void missingFileFailsWithTheOpenError()
    {
        SHA256FileHasher hasher;
        try {
            hasher.sha256Hex(m_dir.path() + QStringLiteral("/missing"), {});
            QFAIL("a digest of a missing file");
        } catch (const FailureError &e) {
            QCOMPARE(e.errorNumber(), ENOENT);
            QCOMPARE(e.code(), FailureCode::fileOperation);
        }
    }

    void cancellingBetweenChunksClosesTheFile()
    {
        FaultyFileOperations files;
        std::stop_source stop;
        files.afterRead = [&] { stop.request_stop(); };
        SHA256FileHasher hasher(&files);
        QVERIFY_THROWS_EXCEPTION(Cancelled, hasher.sha256Hex(newFile(patternBytes(3 * 1048576)), stop.get_token()));
        QCOMPARE(files.readCalls, 1);
        QCOMPARE(files.openFiles, 0);
    }

    void readErrorClosesTheFile()
    {
        FaultyFileOperations files;
        files.fault = FaultyFileOperations::Fault::ioErrorOnRead;
        files.faultySource = QStringLiteral("f") + QString::number(m_serial + 1);
        SHA256FileHasher hasher(&files);
        try {
            hasher.sha256Hex(newFile("data"), {});
            QFAIL("read error not reported");
        } catch (const FailureError &e) {
            QCOMPARE(e.errorNumber(), EIO);
        }
        QCOMPARE(files.openFiles, 0);
    }

    // ---- property lists ----

    void propertyListRoundTrip()
    {
        const QStringList tags{QStringLiteral("Red\n6"), QStringLiteral("Ünïcödé 写真"), QString()};
        const QByteArray data = binaryPropertyList(tags);
        QVERIFY(data.startsWith("bplist00"));
        QCOMPARE(stringArrayFromPropertyList(data), tags);
        QCOMPARE(stringArrayFromPropertyList(binaryPropertyList({})), QStringList());
    }

    void corruptPropertyLists_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("garbage") << QByteArray("not a property list at all");
        QTest::newRow("truncated") << binaryPropertyList({QStringLiteral("a"), QStringLiteral("b")}).left(20);
        QTest::newRow("a string, not an array")
            << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><string>x</string></plist>");
        QTest::newRow("array of numbers")
            << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>3</integer></array></plist>");
    }
    void corruptPropertyLists()
    {
        QFETCH(QByteArray, data);
        try {
            stringArrayFromPropertyList(data);
            QFAIL("corrupt data accepted");
        } catch (const FailureError &e) {
            QCOMPARE(e.code(), FailureCode::tagsUnreadable);
        }
    }

    // ---- FinderTagService ----

    void applyTags_data()
    {
        QTest::addColumn<std::optional<QStringList>>("before"); // nothing: no attribute
        QTest::addColumn<QSet<QualityFlag>>("flags");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("no attribute") << std::optional<QStringList>() << QSet<QualityFlag>{QualityFlag::duplicate}
                                      << QStringList{"Duplicate\n3"};
        QTest::newRow("same name in another case replaced")
            << std::optional<QStringList>(QStringList{"Red\n6", "duplicate"})
            << QSet<QualityFlag>{QualityFlag::duplicate} << QStringList{"Red\n6", "Duplicate\n3"};
        QTest::newRow("fixed order") << std::optional<QStringList>()
                                     << QSet<QualityFlag>{QualityFlag::fileCheck, QualityFlag::possibleUnsharp}
                                     << QStringList{"Possible Unsharp\n6", "File Check\n5"};
        QTest::newRow("applied twice") << std::optional<QStringList>(
            QStringList{"Possible Unsharp\n6", "Work", "Duplicate\n3", "File Check\n5"})
                                       << QSet<QualityFlag>{QualityFlag::possibleUnsharp, QualityFlag::duplicate,
                                                            QualityFlag::fileCheck}
                                       << QStringList{"Work", "Possible Unsharp\n6", "Duplicate\n3", "File Check\n5"};
        QTest::newRow("empty list") << std::optional<QStringList>(QStringList{})
                                    << QSet<QualityFlag>{QualityFlag::fileCheck} << QStringList{"File Check\n5"};
    }
    void applyTags()
    {
        QFETCH(std::optional<QStringList>, before);
        QFETCH(QSet<QualityFlag>, flags);
        QFETCH(QStringList, after);
        if (!xattrsWork())
            QSKIP("this file system keeps no extended attributes");
        const QString path = newFile("picture");
        if (before)
            FinderTagService::writeTags(*before, path);
        FinderTagService service;
        service.applyTags(flags, path, {});
        QCOMPARE(FinderTagService::readTags(path), after);
        const auto raw = readExtendedAttribute(path, FinderTagService::tagsAttributeName);
        QVERIFY(raw && raw->startsWith("bplist00"));
        QCOMPARE(readFile(path), QByteArray("picture"));
    }

    void emptyFlagSetLeavesTheFileAlone()
    {
        FinderTagService service;
        // Not even read: a file that does not exist is no error.
        service.applyTags({}, m_dir.path() + QStringLiteral("/missing"), {});
        if (!xattrsWork())
            QSKIP("this file system keeps no extended attributes");
        const QString path = newFile("picture");
        service.applyTags({}, path, {});
        QVERIFY(!readExtendedAttribute(path, FinderTagService::tagsAttributeName));
    }

    void corruptTagsAreNotOverwritten()
    {
        if (!xattrsWork())
            QSKIP("this file system keeps no extended attributes");
        const QString path = newFile("picture");
        const QByteArray notStrings = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict/></plist>";
        writeExtendedAttribute(path, FinderTagService::tagsAttributeName, notStrings);
        FinderTagService service;
        QVERIFY_THROWS_EXCEPTION(FailureError, service.applyTags({QualityFlag::duplicate}, path, {}));
        QCOMPARE(readExtendedAttribute(path, FinderTagService::tagsAttributeName),
                 std::optional<QByteArray>(notStrings));
    }

    void cancelledBeforeReading()
    {
        std::stop_source stop;
        stop.request_stop();
        FinderTagService service;
        QVERIFY_THROWS_EXCEPTION(Cancelled,
                                 service.applyTags({QualityFlag::duplicate}, newFile("x"), stop.get_token()));
    }

    void readingAMissingFileFailsWithItsErrorNumber()
    {
        try {
            FinderTagService::readTags(m_dir.path() + QStringLiteral("/missing"));
            QFAIL("tags of a missing file");
        } catch (const FailureError &e) {
            QCOMPARE(e.errorNumber(), ENOENT);
        }
        const QString missing = m_dir.path() + QStringLiteral("/missing");
        QVERIFY_THROWS_EXCEPTION(FailureError, FinderTagService::writeTags({QStringLiteral("a")}, missing));
    }

    void namesAreMirroredForLinuxFileBrowsers_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("nothing there") << QByteArray() << QByteArray("Red,Duplicate");
        QTest::newRow("merged") << QByteArray("Keep,duplicate") << QByteArray("Keep,Red,Duplicate");
        QTest::newRow("no repeats") << QByteArray("Red,Keep") << QByteArray("Keep,Red,Duplicate");
    }
    void namesAreMirroredForLinuxFileBrowsers()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        if (!xattrsWork())
            QSKIP("this file system keeps no extended attributes");
        const QString path = newFile("picture");
        if (!before.isEmpty())
            writeExtendedAttribute(path, "user.xdg.tags", before);
        FinderTagService::writeTags({QStringLiteral("Red\n6"), QStringLiteral("Duplicate\n3"), QStringLiteral("a,b")},
                                    path);
        QCOMPARE(readExtendedAttribute(path, "user.xdg.tags"), std::optional<QByteArray>(after));
    }
};

QTEST_GUILESS_MAIN(HasherAndTagsTest)
#include "tst_hasherandtags.moc"
