#include "matching/bookmarkstore.h"

#include "platform/errors.h"
#include "platform/paths.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/mount.h>

using namespace quillmore;

namespace {

// Path tokens that report themselves stale once per folder, as a sandboxed platform may.
class StaleOnceTokens final : public BookmarkTokens {
public:
    QByteArray makeToken(const FileURL &folder) override { return "v2:" + encodePath(folder); }
    std::optional<Resolved> resolve(const QByteArray &token) override
    {
        const QByteArray path = token.startsWith("v2:") ? token.mid(3) : token.left(token.indexOf('\0'));
        if (!QDir(QString::fromUtf8(path)).exists())
            return std::nullopt;
        return Resolved{QString::fromUtf8(path), !token.startsWith("v2:")};
    }
};

} // namespace

class TestBookmarkStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> settings(const QString &name = QStringLiteral("s.ini"))
    {
        return std::make_unique<QSettings>(m_dir.filePath(name), QSettings::IniFormat);
    }
    QString folder(const QString &name)
    {
        QDir(m_dir.path()).mkpath(name);
        return standardizedPath(m_dir.filePath(name));
    }

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("empty list") << QStringList();
        QTest::newRow("one folder") << QStringList{QStringLiteral("Shoot")};
        QTest::newRow("two folders keep their order") << QStringList{QStringLiteral("B"), QStringLiteral("A")};
        QTest::newRow("a name with a comma and quote") << QStringList{QStringLiteral("Card, \"1\"")};
    }
    void roundTrip()
    {
        QFETCH(QStringList, names);
        auto s = settings(QStringLiteral("%1.ini").arg(QTest::currentDataTag()));
        BookmarkStore store(s.get());
        QList<FileURL> folders;
        for (const QString &n : names)
            folders << folder(n);
        store.saveBookmarks(folders, QStringLiteral("bookmark.searches"));
        const QList<RestoredBookmark> loaded = store.loadBookmarks(QStringLiteral("bookmark.searches"));
        QCOMPARE(loaded.size(), folders.size());
        for (qsizetype i = 0; i < folders.size(); ++i)
            QCOMPARE(loaded[i], (RestoredBookmark{folders[i], false}));
    }

    void storedFormatIsJsonArrayOfPathAndData()
    {
        auto s = settings();
        BookmarkStore store(s.get());
        const QString shoot = folder(QStringLiteral("Shoot"));
        store.saveBookmarks({shoot + QStringLiteral("/./")}, QStringLiteral("bookmark.destination"));
        const QByteArray stored = s->value(QStringLiteral("bookmark.destination")).toByteArray();
        const QByteArray expected = "[{\"path\":"
            + QJsonDocument(QJsonArray{shoot}).toJson(QJsonDocument::Compact).mid(1).chopped(1) + ",\"data\":\""
            + (shoot.toUtf8() + '\0' + mountRootOf(shoot).toUtf8()).toBase64() + "\"}]";
        QCOMPARE(stored, expected);
        store.saveBookmarks({}, QStringLiteral("bookmark.destination"));
        QCOMPARE(s->value(QStringLiteral("bookmark.destination")).toByteArray(), QByteArray("[]"));
    }

    void badStoredValuesLoadEmpty_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("not JSON") << QByteArray("{{{");
        QTest::newRow("an object, not a list") << QByteArray("{\"path\":\"/x\",\"data\":\"eA==\"}");
        QTest::newRow("one record lacks data") << QByteArray("[{\"path\":\"/x\",\"data\":\"eA==\"},{\"path\":\"/y\"}]");
        QTest::newRow("data is not Base64") << QByteArray("[{\"path\":\"/x\",\"data\":\"***\"}]");
        QTest::newRow("path is a number") << QByteArray("[{\"path\":5,\"data\":\"eA==\"}]");
    }
    void badStoredValuesLoadEmpty()
    {
        QFETCH(QByteArray, stored);
        auto s = settings(QStringLiteral("bad.ini"));
        s->setValue(QStringLiteral("k"), stored);
        BookmarkStore store(s.get());
        QVERIFY(store.loadBookmarks(QStringLiteral("k")).isEmpty());
        QCOMPARE(s->value(QStringLiteral("k")).toByteArray(), stored); // left as it was
        QVERIFY(store.loadBookmarks(QStringLiteral("absent")).isEmpty());
    }

    void missingFolderNeedsReauthorization()
    {
        auto s = settings(QStringLiteral("gone.ini"));
        BookmarkStore store(s.get());
        const QString kept = folder(QStringLiteral("Kept"));
        const QString gone = folder(QStringLiteral("Gone"));
        store.saveBookmarks({gone, kept}, QStringLiteral("bookmark.searches"));
        QVERIFY(QDir(gone).removeRecursively());
        const auto loaded = store.loadBookmarks(QStringLiteral("bookmark.searches"));
        QCOMPARE(loaded, (QList<RestoredBookmark>{{gone, true}, {kept, false}}));
    }

    void savingAMissingFolderFailsAndKeepsTheOldValue()
    {
        auto s = settings(QStringLiteral("fail.ini"));
        BookmarkStore store(s.get());
        const QString kept = folder(QStringLiteral("Old"));
        store.saveBookmarks({kept}, QStringLiteral("bookmark.selection"));
        const QByteArray before = s->value(QStringLiteral("bookmark.selection")).toByteArray();
        QVERIFY_THROWS_EXCEPTION(
            FailureError,
            store.saveBookmarks({m_dir.filePath(QStringLiteral("nowhere"))}, QStringLiteral("bookmark.selection")));
        QCOMPARE(s->value(QStringLiteral("bookmark.selection")).toByteArray(), before);
    }

    void offlineFolderDoesNotBlockSaving()
    {
        auto s = settings(QStringLiteral("offline.ini"));
        BookmarkStore store(s.get());
        const QString card = folder(QStringLiteral("Card"));
        const QString added = folder(QStringLiteral("Added"));
        store.saveBookmarks({card}, QStringLiteral("bookmark.searches"));
        QVERIFY(QDir(card).removeRecursively()); // the drive is unplugged
        // The list is saved again with a new folder: the offline one keeps its stored token.
        store.saveBookmarks({card, added}, QStringLiteral("bookmark.searches"));
        QCOMPARE(store.loadBookmarks(QStringLiteral("bookmark.searches")),
                 (QList<RestoredBookmark>{{card, true}, {added, false}}));
        QVERIFY(QDir().mkpath(card)); // plugged in again
        QCOMPARE(store.loadBookmarks(QStringLiteral("bookmark.searches")),
                 (QList<RestoredBookmark>{{card, false}, {added, false}}));
    }

    void emptyMountPointNeedsReauthorization()
    {
        auto s = settings(QStringLiteral("mount.ini"));
        BookmarkStore store(s.get());
        const QString card = folder(QStringLiteral("media/card"));
        const QByteArray where = encodePath(card);
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("a file system cannot be mounted here (needs root with the right to mount)");
        QVERIFY(QDir().mkpath(card + QStringLiteral("/DCIM")));
        store.saveBookmarks({card, card + QStringLiteral("/DCIM")}, QStringLiteral("bookmark.searches"));
        ::umount(where.constData());
        // The mount point is still there, empty: the drive is not.
        QCOMPARE(store.loadBookmarks(QStringLiteral("bookmark.searches")),
                 (QList<RestoredBookmark>{{card, true}, {card + QStringLiteral("/DCIM"), true}}));
    }

    void staleTokenIsRenewed()
    {
        auto s = settings(QStringLiteral("stale.ini"));
        const QString a = folder(QStringLiteral("StaleA"));
        const QString b = folder(QStringLiteral("StaleB"));
        {
            BookmarkStore plain(s.get()); // writes path tokens, which the stale-once platform calls stale
            plain.saveBookmarks({a, b}, QStringLiteral("k"));
        }
        BookmarkStore store(s.get(), std::make_unique<StaleOnceTokens>());
        const auto loaded = store.loadBookmarks(QStringLiteral("k"));
        QCOMPARE(loaded, (QList<RestoredBookmark>{{a, false}, {b, false}}));
        const QJsonArray stored = QJsonDocument::fromJson(s->value(QStringLiteral("k")).toByteArray()).array();
        QCOMPARE(stored.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const QString path = i == 0 ? a : b;
            QCOMPARE(stored[i].toObject().value(QStringLiteral("path")).toString(), path);
            QCOMPARE(QByteArray::fromBase64(stored[i].toObject().value(QStringLiteral("data")).toString().toLatin1()),
                     "v2:" + path.toUtf8());
        }
    }

    void init() { QVERIFY(m_dir.isValid()); }
};

QTEST_GUILESS_MAIN(TestBookmarkStore)
#include "tst_bookmarkstore.moc"
