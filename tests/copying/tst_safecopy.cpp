#include "copying/safecopyservice.h"
#include "copying/sha256filehasher.h"
#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/extendedattributes.h"
#include "platform/findertags.h"
#include "platform/paths.h"
#include "quality/findertagservice.h"
#include "support/faultyfileoperations.h"
#include "support/fixtures.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillmore;
using namespace quillmore::testing;

using Fault = FaultyFileOperations::Fault;
Q_DECLARE_METATYPE(FaultyFileOperations::Fault)
Q_DECLARE_METATYPE(quillmore::CopyFailureCause)

namespace {

QString sha256Of(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// A hasher that answers a fixed digest, as a copy damaged on its way to the device would.
class WrongHasher : public FileHashing {
public:
    QString sha256Hex(const FileURL &, std::stop_token) override { return QString(64, QLatin1Char('0')); }
};

} // namespace

class SafeCopyTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_sources;
    QString m_destination;
    QList<CopyProgress> m_progress;

    CopyTaskItem task(const QString &name, const QByteArray &content, const QString &destinationFolder = QString())
    {
        CopyTaskItem t;
        t.id = makeId();
        t.sourceURL = m_sources + QLatin1Char('/') + name;
        t.destinationURL = (destinationFolder.isEmpty() ? m_destination : destinationFolder) + QLatin1Char('/') + name;
        t.kind = name.endsWith(QLatin1String(".xmp")) ? CopyFileKind::xmp : CopyFileKind::raw;
        t.size = content.size();
        makeFile(t.sourceURL, content);
        return t;
    }
    static qint64 total(const QList<CopyTaskItem> &tasks)
    {
        qint64 sum = 0;
        for (const CopyTaskItem &t : tasks)
            sum += t.size;
        return sum;
    }
    CopyProgressSink recorder()
    {
        return [this](const CopyProgress &p) { m_progress << p; };
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QString root = m_dir.path() + QLatin1Char('/') + QString::fromLatin1(QTest::currentTestFunction());
        if (QTest::currentDataTag())
            root += QLatin1Char('-')
                + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        m_sources = root + QStringLiteral("/src");
        m_destination = root + QStringLiteral("/dest");
        QVERIFY(QDir().mkpath(m_sources));
        QVERIFY(QDir().mkpath(m_destination));
        m_progress.clear();
    }

    void copiesAndVerifies_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::newRow("verified") << true;
        QTest::newRow("not verified") << false;
    }
    void copiesAndVerifies()
    {
        QFETCH(bool, verify);
        const QByteArray big = patternBytes(2 * 1048576 + 100, 3);
        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), big), task(QStringLiteral("A.xmp"), "<x/>")};
        FaultyFileOperations files;
        SafeCopyService service(&files);
        const CopyBatchResult r = service.copyAll(tasks, total(tasks), verify, recorder(), {});
        QCOMPARE(r.outcomes.size(), 2);
        QVERIFY(!r.wasCancelled);
        QCOMPARE(r.copiedBytes, total(tasks));
        for (int i = 0; i < 2; ++i) {
            const CopyFileOutcome &o = r.outcomes[i];
            QCOMPARE(o.status, CopyOutcomeStatus::copied);
            QCOMPARE(o.sourceURL, tasks[i].sourceURL);
            QCOMPARE(o.destinationURL, std::optional<FileURL>(tasks[i].destinationURL));
            QCOMPARE(o.kind, tasks[i].kind);
            QVERIFY(o.id != tasks[i].id);
            QVERIFY(!o.message);
            QVERIFY(!o.failure);
            QCOMPARE(readFile(tasks[i].destinationURL), readFile(tasks[i].sourceURL));
            if (verify)
                QCOMPARE(o.sha256, std::optional<QString>(sha256Of(readFile(tasks[i].sourceURL))));
            else
                QVERIFY(!o.sha256);
        }
        QCOMPARE(allEntries(m_destination), (QStringList{"A.CR3", "A.xmp"}));
        QCOMPARE(files.openFiles, 0);

        // Progress: run start, three chunks, next task, one chunk, the end.
        QCOMPARE(m_progress.size(), 7);
        QCOMPARE(m_progress[0], (CopyProgress{QStringLiteral("A.CR3"), 0, 2, 0, total(tasks)}));
        QCOMPARE(m_progress[1], (CopyProgress{QStringLiteral("A.CR3"), 0, 0, 1048576, total(tasks)}));
        QCOMPARE(m_progress[3], (CopyProgress{QStringLiteral("A.CR3"), 0, 0, big.size(), total(tasks)}));
        QCOMPARE(m_progress[4], (CopyProgress{QStringLiteral("A.xmp"), 1, 2, big.size(), total(tasks)}));
        QCOMPARE(m_progress[5], (CopyProgress{QStringLiteral("A.xmp"), 0, 0, total(tasks), total(tasks)}));
        QCOMPARE(m_progress[6], (CopyProgress{QString(), 2, 2, total(tasks), total(tasks)}));
    }

    void emptyFile()
    {
        const QList<CopyTaskItem> tasks{task(QStringLiteral("empty.CR3"), QByteArray())};
        SafeCopyService service;
        const CopyBatchResult r = service.copyAll(tasks, 0, true, recorder(), {});
        QCOMPARE(r.outcomes.size(), 1);
        QCOMPARE(r.outcomes[0].status, CopyOutcomeStatus::copied);
        QCOMPARE(
            r.outcomes[0].sha256,
            std::optional<QString>(QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855")));
        QVERIFY(QFileInfo::exists(tasks[0].destinationURL));
        QCOMPARE(QFileInfo(tasks[0].destinationURL).size(), 0);
        QCOMPARE(m_progress.size(), 2); // start and end, no chunk
    }

    void temporaryFileIsHiddenAndUnique()
    {
        const QRegularExpression form(
            QStringLiteral("^\\.quillmore-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.tmp$"));
        const QString a = SafeCopyService::temporaryFileName();
        QVERIFY2(form.match(a).hasMatch(), qPrintable(a));
        QVERIFY(a != SafeCopyService::temporaryFileName());
        FaultyFileOperations files;
        SafeCopyService service(&files);
        service.copyAll({task(QStringLiteral("A.CR3"), "abc")}, 3, false, {}, {});
        const QStringList created = files.calls.filter(QRegularExpression(QStringLiteral("^create ")));
        QCOMPARE(created.size(), 1);
        QVERIFY(form.match(created[0].mid(7)).hasMatch());
    }

    void existingDestinationIsNeverTouched()
    {
        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), "new"), task(QStringLiteral("B.CR3"), "bee")};
        makeFile(tasks[0].destinationURL, "precious");
        SafeCopyService service;
        const CopyBatchResult r = service.copyAll(tasks, total(tasks), true, {}, {});
        QCOMPARE(r.outcomes[0].status, CopyOutcomeStatus::failed);
        QCOMPARE(r.outcomes[0].failure->code, FailureCode::destinationExists);
        QCOMPARE(r.outcomes[0].destinationURL, std::optional<FileURL>(tasks[0].destinationURL));
        QVERIFY(!r.outcomes[0].sha256);
        QCOMPARE(readFile(tasks[0].destinationURL), QByteArray("precious"));
        QCOMPARE(r.outcomes[1].status, CopyOutcomeStatus::copied);
        QCOMPARE(r.copiedBytes, 3);
        QVERIFY(temporaryFiles(m_destination).isEmpty());
    }

    // Every fault hits the second of three files: that one fails with the right reason and leaves
    // nothing behind; the first and the third are copied; nothing else changes.
    void faults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<int>("code");               // the FailureCode expected; -1: the copy succeeds
        QTest::addColumn<int>("errorNumber");        // the system's reason passed on, 0 for none
        QTest::addColumn<bool>("intruder");          // someone else's file ends up at the name
        QTest::addColumn<CopyFailureCause>("cause"); // what the photographer is told

        const int failed = int(FailureCode::fileOperation);
        const int exists = int(FailureCode::destinationExists);
        QTest::newRow("disk full on write")
            << Fault::noSpaceOnWrite << true << failed << ENOSPC << false << CopyFailureCause::diskFull;
        QTest::newRow("read error") << Fault::ioErrorOnRead << false << failed << EIO << false
                                    << CopyFailureCause::sourceMissing;
        QTest::newRow("lost write") << Fault::lostWrite << false << int(FailureCode::sizeMismatch) << 0 << false
                                    << CopyFailureCause::notVerified;
        QTest::newRow("corrupt write, verified") << Fault::corruptWrite << true << int(FailureCode::checksumMismatch)
                                                 << 0 << false << CopyFailureCause::notVerified;
        QTest::newRow("flush fails") << Fault::flushFails << true << failed << EIO << false
                                     << CopyFailureCause::destinationMissing;
        QTest::newRow("rename fails") << Fault::renameFails << true << failed << EIO << false
                                      << CopyFailureCause::destinationMissing;
        QTest::newRow("destination appears before the move")
            << Fault::destinationAppears << true << exists << 0 << true << CopyFailureCause::alreadyExists;
        QTest::newRow("destination appears before the link")
            << Fault::destinationAppearsBeforeLink << false << exists << 0 << true << CopyFailureCause::alreadyExists;
        QTest::newRow("temporary file cannot be created")
            << Fault::createFails << true << failed << EACCES << false << CopyFailureCause::destinationReadOnly;
        QTest::newRow("source cannot be opened")
            << Fault::openSourceFails << true << failed << EACCES << false << CopyFailureCause::other;
        QTest::newRow("partial writes are finished")
            << Fault::partialWrites << true << -1 << 0 << false << CopyFailureCause::other;
        QTest::newRow("no RENAME_NOREPLACE: hard link")
            << Fault::renameUnsupported << true << -1 << 0 << false << CopyFailureCause::other;
        QTest::newRow("no hard links either: checked rename")
            << Fault::linksUnsupported << true << -1 << 0 << false << CopyFailureCause::other;
    }
    void faults()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, verify);
        QFETCH(int, code);
        QFETCH(int, errorNumber);
        QFETCH(bool, intruder);
        QFETCH(CopyFailureCause, cause);
        const QByteArray b = patternBytes(3 * 1048576 + 5, 11);
        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), patternBytes(1000, 1)),
                                        task(QStringLiteral("B.CR3"), b),
                                        task(QStringLiteral("C.CR3"), patternBytes(2 * 1048576, 2))};
        makeFile(m_destination + QStringLiteral("/Other.CR3"), "not ours");
        FaultyFileOperations files;
        files.fault = fault;
        files.faultySource = QStringLiteral("B.CR3");
        SafeCopyService service(&files);
        const CopyBatchResult r = service.copyAll(tasks, total(tasks), verify, {}, {});

        QCOMPARE(r.outcomes.size(), 3);
        QVERIFY(!r.wasCancelled);
        QCOMPARE(r.outcomes[0].status, CopyOutcomeStatus::copied);
        QCOMPARE(r.outcomes[2].status, CopyOutcomeStatus::copied);
        QCOMPARE(readFile(tasks[0].destinationURL), readFile(tasks[0].sourceURL));
        QCOMPARE(readFile(tasks[2].destinationURL), readFile(tasks[2].sourceURL));
        QCOMPARE(readFile(tasks[1].sourceURL), b); // the source is only read
        QCOMPARE(readFile(m_destination + QStringLiteral("/Other.CR3")), QByteArray("not ours"));
        QVERIFY2(temporaryFiles(m_destination).isEmpty(), qPrintable(temporaryFiles(m_destination).join(' ')));
        QCOMPARE(files.openFiles, 0);

        const CopyFileOutcome &o = r.outcomes[1];
        if (code < 0) {
            QCOMPARE(o.status, CopyOutcomeStatus::copied);
            QCOMPARE(readFile(tasks[1].destinationURL), b);
            QCOMPARE(r.copiedBytes, total(tasks));
            QCOMPARE(allEntries(m_destination), (QStringList{"A.CR3", "B.CR3", "C.CR3", "Other.CR3"}));
            return;
        }
        QCOMPARE(o.status, CopyOutcomeStatus::failed);
        QVERIFY(o.failure);
        QCOMPARE(int(o.failure->code), code);
        QCOMPARE(o.failure->errorNumber, errorNumber);
        QCOMPARE(o.cause, std::optional<CopyFailureCause>(cause));
        QCOMPARE(o.destinationURL, std::optional<FileURL>(tasks[1].destinationURL));
        QVERIFY(!o.sha256);
        QCOMPARE(r.copiedBytes, tasks[0].size + tasks[2].size);
        if (intruder) {
            QCOMPARE(readFile(tasks[1].destinationURL), files.intruderBytes);
            QCOMPARE(allEntries(m_destination), (QStringList{"A.CR3", "B.CR3", "C.CR3", "Other.CR3"}));
        } else {
            QCOMPARE(allEntries(m_destination), (QStringList{"A.CR3", "C.CR3", "Other.CR3"}));
        }
    }

    void wrongDigestOnReadBack()
    {
        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), "data")};
        SafeCopyService service(nullptr, std::make_unique<WrongHasher>());
        const CopyBatchResult r = service.copyAll(tasks, 4, true, {}, {});
        QCOMPARE(r.outcomes[0].failure->code, FailureCode::checksumMismatch);
        QVERIFY(allEntries(m_destination).isEmpty());
        // Not verifying, the hasher is not asked.
        QCOMPARE(service.copyAll(tasks, 4, false, {}, {}).outcomes[0].status, CopyOutcomeStatus::copied);
    }

    void cancellingDuringTheThirdOfFiveTasks()
    {
        QList<CopyTaskItem> tasks;
        for (const char *name : {"1.CR3", "2.CR3", "3.CR3", "4.CR3", "5.CR3"})
            tasks << task(QString::fromLatin1(name), patternBytes(2 * 1048576 + 1));
        std::stop_source stop;
        SafeCopyService service;
        const CopyBatchResult r = service.copyAll(
            tasks, total(tasks), true,
            [&](const CopyProgress &p) {
                m_progress << p;
                if (p.currentFile == QLatin1String("3.CR3") && p.totalFiles == 0)
                    stop.request_stop(); // after its first chunk
            },
            stop.get_token());
        QVERIFY(r.wasCancelled);
        QCOMPARE(r.outcomes.size(), 2);
        QCOMPARE(r.outcomes[0].status, CopyOutcomeStatus::copied);
        QCOMPARE(r.outcomes[1].status, CopyOutcomeStatus::copied);
        QCOMPARE(r.copiedBytes, tasks[0].size + tasks[1].size);
        QCOMPARE(allEntries(m_destination), (QStringList{"1.CR3", "2.CR3"}));
        QCOMPARE(m_progress.last(), (CopyProgress{QString(), 2, 5, r.copiedBytes, total(tasks)}));
    }

    void cancellingDuringTheReadBack()
    {
        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), patternBytes(3 * 1048576))};
        FaultyFileOperations files;
        std::stop_source stop;
        files.afterRead = [&] {
            if (files.calls.contains(QStringLiteral("drop")))
                stop.request_stop();
        };
        SafeCopyService service(&files);
        const CopyBatchResult r = service.copyAll(tasks, total(tasks), true, {}, stop.get_token());
        QVERIFY(r.wasCancelled);
        QVERIFY(r.outcomes.isEmpty());
        QVERIFY(allEntries(m_destination).isEmpty());
        QCOMPARE(files.openFiles, 0);
    }

    void notEnoughSpaceCopiesNothing()
    {
        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), "0123456789"),
                                        task(QStringLiteral("B.CR3"), "01234")};
        FaultyFileOperations files;
        files.capacity = 14;
        SafeCopyService service(&files);
        const CopyBatchResult r = service.copyAll(tasks, 15, true, recorder(), {});
        QCOMPARE(r.outcomes.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(r.outcomes[i].status, CopyOutcomeStatus::failed);
            QCOMPARE(r.outcomes[i].sourceURL, tasks[i].sourceURL);
            QVERIFY(!r.outcomes[i].destinationURL);
            QCOMPARE(r.outcomes[i].failure->code, FailureCode::insufficientSpace);
        }
        QCOMPARE(r.copiedBytes, 0);
        QVERIFY(!r.wasCancelled);
        QVERIFY(m_progress.isEmpty());
        QVERIFY(allEntries(m_destination).isEmpty());

        files.capacity = 15; // exactly enough
        QCOMPARE(service.copyAll(tasks, 15, true, {}, {}).copiedBytes, 15);
    }

    void metadataIsCarriedOver()
    {
        CopyTaskItem t = task(QStringLiteral("A.CR3"), "picture");
        const QByteArray source = encodePath(t.sourceURL);
        QCOMPARE(::chmod(source.constData(), 0640), 0);
        const timespec times[2] = {{1000000000, 0}, {1234567890, 123456789}};
        QCOMPARE(::utimensat(AT_FDCWD, source.constData(), times, 0), 0);
        bool tagged = true;
        try {
            // A tag set by a Linux file browser, then the file browser's tags (mirrored by name).
            writeExtendedAttribute(t.sourceURL, "user.xdg.tags", "Client");
            writeFinderTags({QStringLiteral("Red\n6"), QStringLiteral("Client")}, t.sourceURL);
        } catch (const FailureError &) {
            tagged = false;
        }
        SafeCopyService service;
        QCOMPARE(service.copyAll({t}, t.size, true, {}, {}).outcomes[0].status, CopyOutcomeStatus::copied);
        struct stat st;
        QCOMPARE(::stat(encodePath(t.destinationURL).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0640u);
        QCOMPARE(qint64(st.st_mtim.tv_sec), 1234567890);
        QCOMPARE(qint64(st.st_mtim.tv_nsec), 123456789);
        if (tagged) {
            QCOMPARE(readFinderTags(t.destinationURL), (QStringList{"Red\n6", "Client"}));
            QCOMPARE(readExtendedAttribute(t.destinationURL, "user.xdg.tags"), std::optional<QByteArray>("Red,Client"));
        }
        // Linux cannot set a creation time; the copy's is its own.
    }

    void linuxFileBrowserTagsTravelToo()
    {
        CopyTaskItem t = task(QStringLiteral("A.CR3"), "picture");
        try {
            writeExtendedAttribute(t.sourceURL, "user.xdg.tags", "Pick,Client");
        } catch (const FailureError &) {
            QSKIP("this file system keeps no extended attributes");
        }
        SafeCopyService service;
        QCOMPARE(service.copyAll({t}, t.size, false, {}, {}).outcomes[0].status, CopyOutcomeStatus::copied);
        QCOMPARE(readExtendedAttribute(t.destinationURL, "user.xdg.tags"), std::optional<QByteArray>("Pick,Client"));
        QVERIFY(!readExtendedAttribute(t.destinationURL, finderTagsAttributeName));
    }

    void readOnlySourceStillGetsItsTags()
    {
        CopyTaskItem t = task(QStringLiteral("A.CR3"), "picture");
        try {
            writeFinderTags({QStringLiteral("Blue\n4")}, t.sourceURL);
        } catch (const FailureError &) {
            QSKIP("this file system keeps no extended attributes");
        }
        QCOMPARE(::chmod(encodePath(t.sourceURL).constData(), 0444), 0);
        SafeCopyService service;
        QCOMPARE(service.copyAll({t}, t.size, false, {}, {}).outcomes[0].status, CopyOutcomeStatus::copied);
        QCOMPARE(readFinderTags(t.destinationURL), QStringList{"Blue\n4"});
        QCOMPARE(QFileInfo(t.destinationURL).permissions() & QFile::WriteOwner, QFile::Permissions());
    }

    // Every destination folder is flushed: a failing flush fails the files of both folders.
    void unflushableFolderIsNotReportedAsSafe()
    {
        const QString second = m_destination + QStringLiteral("/sub");
        QVERIFY(QDir().mkpath(second));
        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), "a"), task(QStringLiteral("B.CR3"), "bb"),
                                        task(QStringLiteral("C.CR3"), "c", second)};
        FaultyFileOperations files;
        files.folderFlushFails = true;
        SafeCopyService service(&files);
        const CopyBatchResult r = service.copyAll(tasks, 4, true, {}, {});
        QCOMPARE(r.outcomes.size(), 3);
        // The copies are verified and in place, but their names may not survive a power cut: not
        // a failure (a second run would meet them as "already there"), and not a plain copy either.
        for (const CopyFileOutcome &o : r.outcomes) {
            QCOMPARE(o.status, CopyOutcomeStatus::copied);
            QCOMPARE(o.failure->code, FailureCode::folderNotFlushed);
            QCOMPARE(o.failure->errorNumber, EIO);
            QVERIFY(o.sha256);
            QVERIFY(QFile::exists(*o.destinationURL));
            QCOMPARE(o.failure->path, parentPath(*o.destinationURL)); // each folder was tried
        }
        QCOMPARE(r.copiedBytes, 4);
    }

    void missingDestinationFolder()
    {
        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), "a", m_destination + QStringLiteral("/gone"))};
        SafeCopyService service;
        const CopyBatchResult r = service.copyAll(tasks, 1, true, {}, {});
        QCOMPARE(r.outcomes[0].status, CopyOutcomeStatus::failed);
        QCOMPARE(r.outcomes[0].failure->code, FailureCode::fileOperation);
        QCOMPARE(r.outcomes[0].failure->errorNumber, ENOENT);
        QCOMPARE(r.outcomes[0].cause, std::optional<CopyFailureCause>(CopyFailureCause::destinationMissing));
    }

    void onlyRegularFilesAreCopied()
    {
        CopyTaskItem pipe = task(QStringLiteral("P.CR3"), "");
        ::unlink(encodePath(pipe.sourceURL).constData());
        QCOMPARE(::mkfifo(encodePath(pipe.sourceURL).constData(), 0644), 0);
        CopyTaskItem folder = task(QStringLiteral("F.CR3"), "");
        ::unlink(encodePath(folder.sourceURL).constData());
        QVERIFY(QDir().mkpath(folder.sourceURL));
        SafeCopyService service;
        const CopyBatchResult r = service.copyAll({pipe, folder}, 0, true, {}, {});
        QCOMPARE(r.outcomes.size(), 2);
        for (const CopyFileOutcome &o : r.outcomes)
            QCOMPARE(o.failure->code, FailureCode::fileOperation);
        QVERIFY(allEntries(m_destination).isEmpty());
        SHA256FileHasher hasher;
        QVERIFY_THROWS_EXCEPTION(FailureError, hasher.sha256Hex(pipe.sourceURL, {}));
    }

    void nonUtf8NamesSurvive()
    {
        const QString name = decodePath("caf\xe9-\xff.CR3");
        const QList<CopyTaskItem> tasks{task(name, "bytes")};
        SafeCopyService service;
        QCOMPARE(service.copyAll(tasks, 5, true, {}, {}).outcomes[0].status, CopyOutcomeStatus::copied);
        const QByteArray copy = encodePath(m_destination) + "/caf\xe9-\xff.CR3";
        QVERIFY(::access(copy.constData(), F_OK) == 0);
        // QTemporaryDir cannot remove names that are not UTF-8.
        ::unlink(copy.constData());
        ::unlink(encodePath(tasks[0].sourceURL).constData());
    }

    // A file system without extended attributes (as FAT and exFAT on camera cards): the copy
    // succeeds, writing tags fails with the error number.
    void fileSystemWithoutExtendedAttributes()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a file system needs root");
        const QString mountPoint = m_destination + QStringLiteral("/plain");
        QVERIFY(QDir().mkpath(mountPoint));
        if (::mount("ramfs", encodePath(mountPoint).constData(), "ramfs", MS_NOSUID | MS_NODEV, nullptr) != 0)
            QSKIP("cannot mount a ramfs here");
        struct Unmount {
            QByteArray path;
            ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
        } unmount{encodePath(mountPoint)};

        CopyTaskItem t = task(QStringLiteral("A.CR3"), "picture", mountPoint);
        try {
            writeFinderTags({QStringLiteral("Red\n6")}, t.sourceURL);
        } catch (const FailureError &) {
            QSKIP("the source's file system keeps no extended attributes either");
        }
        SafeCopyService service;
        // ramfs reports no size: the free-space check is skipped rather than failing everything.
        QCOMPARE(service.copyAll({t}, t.size, true, {}, {}).outcomes[0].status, CopyOutcomeStatus::copied);
        QCOMPARE(readFile(t.destinationURL), QByteArray("picture"));
        try {
            writeFinderTags({QStringLiteral("Red\n6")}, t.destinationURL);
            QFAIL("tags written where there are no extended attributes");
        } catch (const FailureError &e) {
            QCOMPARE(e.errorNumber(), EOPNOTSUPP);
        }
        FinderTagService tagger;
        QVERIFY_THROWS_EXCEPTION(FailureError, tagger.applyTags({QualityFlag::fileCheck}, t.destinationURL, {}));
        QCOMPARE(readFile(t.destinationURL), QByteArray("picture"));
    }

    // A real file system that fills up: a small tmpfs, mounted when the test runs as root.
    void fullFileSystem()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        const QString mountPoint = m_destination + QStringLiteral("/small");
        QVERIFY(QDir().mkpath(mountPoint));
        if (::mount("tmpfs", encodePath(mountPoint).constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0)
            QSKIP("cannot mount a tmpfs here");
        struct Unmount {
            QByteArray path;
            ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
        } unmount{encodePath(mountPoint)};

        const QList<CopyTaskItem> tasks{task(QStringLiteral("A.CR3"), patternBytes(100000, 1), mountPoint),
                                        task(QStringLiteral("B.CR3"), patternBytes(2 * 1048576, 2), mountPoint),
                                        task(QStringLiteral("C.CR3"), patternBytes(200000, 3), mountPoint)};
        SafeCopyService service;
        // The run was planned when the space was there; someone else has taken it since.
        const CopyBatchResult r = service.copyAll(tasks, 0, true, {}, {});
        QCOMPARE(r.outcomes.size(), 3);
        QCOMPARE(r.outcomes[0].status, CopyOutcomeStatus::copied);
        QCOMPARE(r.outcomes[1].status, CopyOutcomeStatus::failed);
        QCOMPARE(r.outcomes[1].failure->code, FailureCode::fileOperation);
        QCOMPARE(r.outcomes[1].failure->errorNumber, ENOSPC);
        QCOMPARE(r.outcomes[1].cause, std::optional<CopyFailureCause>(CopyFailureCause::diskFull));
        QCOMPARE(r.outcomes[2].status, CopyOutcomeStatus::copied);
        QCOMPARE(allEntries(mountPoint), (QStringList{"A.CR3", "C.CR3"}));
        QCOMPARE(readFile(tasks[2].destinationURL), readFile(tasks[2].sourceURL));

        // And the whole run refused up front when the plan does not fit.
        const CopyTaskItem big = task(QStringLiteral("D.CR3"), patternBytes(2 * 1048576, 4), mountPoint);
        const CopyBatchResult refused = service.copyAll({big}, big.size, true, {}, {});
        QCOMPARE(refused.outcomes[0].failure->code, FailureCode::insufficientSpace);
        QCOMPARE(allEntries(mountPoint), (QStringList{"A.CR3", "C.CR3"}));
    }
};

QTEST_GUILESS_MAIN(SafeCopyTest)
#include "tst_safecopy.moc"
