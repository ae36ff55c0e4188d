#include "tst_qualitycheckservice.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "quality/imagequalityanalyzer.h"
#include "quality/qualitycheckservice.h"
#include "copying/sha256filehasher.h"
#include "platform/systemresources.h"
#include "support/testimages.h"

#include <QFile>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <stdexcept>

using namespace quillmore;

namespace {

using Answer = std::optional<bool>;

} // namespace

// What a stand-in service does for one file: answer, fail, or stop the job while answering.
struct Reply {
    Answer answer;
    bool fails = false;
    bool stopsJob = false;
};

Q_DECLARE_METATYPE(Reply)

namespace {

struct Log {
    QStringList calls; // "file:a.jpg", "blur:a.jpg", "hash:a.jpg", "tags:a.jpg=Possible Unsharp,Duplicate"
};

class StandInAnalyzer : public ImageQualityAnalyzing {
public:
    StandInAnalyzer(Log &log, std::stop_source &job) : m_log(log), m_job(job) {}
    QHash<QString, Reply> fileReplies;
    QHash<QString, Reply> blurReplies;

    std::optional<bool> assessFile(const FileURL &file, std::stop_token stop) override
    {
        return reply(QStringLiteral("file"), fileReplies, file, stop);
    }
    std::optional<bool> assessBlur(const FileURL &file, std::stop_token stop) override
    {
        return reply(QStringLiteral("blur"), blurReplies, file, stop);
    }

private:
    Answer reply(const QString &what, const QHash<QString, Reply> &replies, const FileURL &file, std::stop_token stop)
    {
        const QString name = file.section(u'/', -1);
        m_log.calls << what + u':' + name;
        const Reply r = replies.value(name);
        if (r.stopsJob)
            m_job.request_stop();
        throwIfCancelled(stop);
        if (r.fails)
            throw std::runtime_error("cannot decode");
        return r.answer;
    }
    Log &m_log;
    std::stop_source &m_job;
};

class StandInHasher : public FileHashing {
public:
    explicit StandInHasher(Log &log) : m_log(log) {}
    QHash<QString, QString> digests; // by file name; a missing name fails

    QString sha256Hex(const FileURL &file, std::stop_token stop) override
    {
        const QString name = file.section(u'/', -1);
        m_log.calls << u"hash:"_qs + name;
        throwIfCancelled(stop);
        if (!digests.contains(name))
            throw std::runtime_error("cannot read");
        return digests.value(name);
    }

private:
    Log &m_log;
};

class StandInTagger : public FinderTagging {
public:
    explicit StandInTagger(Log &log) : m_log(log) {}
    QSet<QString> failing;

    void applyTags(const QSet<QualityFlag> &flags, const FileURL &file, std::stop_token stop) override
    {
        throwIfCancelled(stop);
        const QString name = file.section(u'/', -1);
        m_log.calls << u"tags:"_qs + name + u'=' + orderedRawValues(flags).join(u',');
        if (failing.contains(name))
            throw FailureError(FailureCode::fileOperation, EOPNOTSUPP, file, "setxattr");
    }

private:
    Log &m_log;
};

CopyFileOutcome copied(const QString &name, CopyFileKind kind = CopyFileKind::jpeg,
                       std::optional<QString> sha256 = std::nullopt)
{
    CopyFileOutcome outcome;
    outcome.id = makeId();
    outcome.sourceURL = u"/shoot/"_qs + name;
    outcome.destinationURL = u"/dest/"_qs + name;
    outcome.kind = kind;
    outcome.status = CopyOutcomeStatus::copied;
    outcome.sha256 = sha256;
    return outcome;
}

QualityCheckOptions allChecks()
{
    return {true, true, true};
}

// A service with stand-ins, and a record of everything it asked and announced. One file at a
// time, so that the record has one order; parallelRunIsTheSerialRun() covers the rest.
struct Fixture {
    Log log;
    std::stop_source job;
    StandInAnalyzer *analyzer;
    StandInHasher *hasher;
    StandInTagger *tagger;
    QualityCheckService service;
    QStringList statuses;

    Fixture()
        : analyzer(new StandInAnalyzer(log, job)),
          hasher(new StandInHasher(log)),
          tagger(new StandInTagger(log)),
          service(std::unique_ptr<FileHashing>(hasher), std::unique_ptr<ImageQualityAnalyzing>(analyzer),
                  std::unique_ptr<FinderTagging>(tagger), 1)
    {
    }

    QualityCheckBatchResult run(const QList<CopyFileOutcome> &outcomes, const QualityCheckOptions &options)
    {
        return service.runChecks(
            outcomes, options,
            [this](const QString &name, QualityCheckKind check) {
                statuses << name + u' ' + QString::fromLatin1(statusKey(check));
            },
            job.get_token());
    }
};

QSet<QualityFlag> flags(std::initializer_list<QualityFlag> list)
{
    return QSet<QualityFlag>(list);
}

// "blurNotAssessed", "fileCheckNotAssessed"
QSet<QualityCheckSkip> skipsNamed(const QStringList &names)
{
    QSet<QualityCheckSkip> skips;
    for (const QString &name : names)
        skips.insert(name == u"blurNotAssessed" ? QualityCheckSkip::blurNotAssessed
                                                : QualityCheckSkip::fileCheckNotAssessed);
    return skips;
}

} // namespace

void TestQualityCheckService::nothingToCheck_data()
{
    QTest::addColumn<QList<CopyFileOutcome>>("outcomes");
    QTest::addColumn<QualityCheckOptions>("options");

    CopyFileOutcome failed = copied("a.jpg");
    failed.status = CopyOutcomeStatus::failed;
    CopyFileOutcome skipped = copied("b.nef", CopyFileKind::raw);
    skipped.status = CopyOutcomeStatus::skipped;
    CopyFileOutcome noDestination = copied("c.jpg");
    noDestination.destinationURL.reset();

    QTest::newRow("every check off") << QList{copied("a.jpg"), copied("b.nef", CopyFileKind::raw)}
                                     << QualityCheckOptions{};
    QTest::newRow("only sidecars copied") << QList{copied("a.xmp", CopyFileKind::xmp)} << allChecks();
    QTest::newRow("only failed and skipped copies") << QList{failed, skipped, noDestination} << allChecks();
    QTest::newRow("no outcomes") << QList<CopyFileOutcome>{} << allChecks();
}

void TestQualityCheckService::nothingToCheck()
{
    QFETCH(QList<CopyFileOutcome>, outcomes);
    QFETCH(QualityCheckOptions, options);
    Fixture f;
    QCOMPARE(f.run(outcomes, options), QualityCheckBatchResult{});
    QCOMPARE(f.statuses, QStringList{});
    QCOMPARE(f.log.calls, QStringList{});
}

void TestQualityCheckService::passesRunInOrderWithStatusBeforeEachItem()
{
    Fixture f;
    f.analyzer->fileReplies["a.jpg"] = {false};
    f.analyzer->fileReplies["b.nef"] = {false};
    f.analyzer->blurReplies["a.jpg"] = {true};
    f.analyzer->blurReplies["b.nef"] = {false};
    f.hasher->digests = {{"a.jpg", "11"}, {"b.nef", "22"}};
    const auto result = f.run({copied("a.jpg"), copied("a.xmp", CopyFileKind::xmp), copied("b.nef", CopyFileKind::raw)},
                              allChecks());
    QCOMPARE(
        f.statuses,
        (QStringList{"a.jpg status.quality.file.check", "b.nef status.quality.file.check",
                     "a.jpg status.quality.duplicates", "b.nef status.quality.duplicates",
                     "a.jpg status.quality.sharpness", "b.nef status.quality.sharpness", "a.jpg status.quality.tags"}));
    QCOMPARE(f.log.calls,
             (QStringList{"file:a.jpg", "file:b.nef", "hash:a.jpg", "hash:b.nef", "blur:a.jpg", "blur:b.nef",
                          "tags:a.jpg=Possible Unsharp"}));
    QCOMPARE(result.flagsByDestinationPath,
             (QMap<QString, QSet<QualityFlag>>{{"/dest/a.jpg", flags({QualityFlag::possibleUnsharp})}}));
    QVERIFY(result.skippedByDestinationPath.isEmpty());
    QVERIFY(result.errorsByDestinationPath.isEmpty());
}

void TestQualityCheckService::analyzerAnswers_data()
{
    QTest::addColumn<bool>("fileCheck");
    QTest::addColumn<bool>("blur");
    QTest::addColumn<Reply>("fileReply");
    QTest::addColumn<Reply>("blurReply");
    QTest::addColumn<QStringList>("expectedFlags");
    QTest::addColumn<QStringList>("expectedSkips");
    QTest::addColumn<QString>("expectedErrorKey");

    const Reply notAssessed{};
    const Reply fails{std::nullopt, true};
    QTest::newRow("file problem") << true << false << Reply{true} << Reply{} << QStringList{"File Check"}
                                  << QStringList{} << "";
    QTest::newRow("file readable") << true << false << Reply{false} << Reply{} << QStringList{} << QStringList{} << "";
    QTest::newRow("file not assessed") << true << false << notAssessed << Reply{} << QStringList{}
                                       << QStringList{"fileCheckNotAssessed"} << "";
    QTest::newRow("file check fails") << true << false << fails << Reply{} << QStringList{}
                                      << QStringList{"fileCheckNotAssessed"} << "quality.error.file.check";
    QTest::newRow("possibly unsharp") << false << true << Reply{} << Reply{true} << QStringList{"Possible Unsharp"}
                                      << QStringList{} << "";
    QTest::newRow("sharp enough") << false << true << Reply{} << Reply{false} << QStringList{} << QStringList{} << "";
    QTest::newRow("blur not assessed") << false << true << Reply{} << notAssessed << QStringList{}
                                       << QStringList{"blurNotAssessed"} << "";
    QTest::newRow("blur check fails") << false << true << Reply{} << fails << QStringList{}
                                      << QStringList{"blurNotAssessed"} << "quality.error.blur";
    QTest::newRow("RAW file nothing decodes: both not assessed")
        << true << true << notAssessed << notAssessed << QStringList{}
        << QStringList{"blurNotAssessed", "fileCheckNotAssessed"} << "";
}

void TestQualityCheckService::analyzerAnswers()
{
    QFETCH(bool, fileCheck);
    QFETCH(bool, blur);
    QFETCH(Reply, fileReply);
    QFETCH(Reply, blurReply);
    QFETCH(QStringList, expectedFlags);
    QFETCH(QStringList, expectedSkips);
    QFETCH(QString, expectedErrorKey);
    Fixture f;
    f.analyzer->fileReplies["x.nef"] = fileReply;
    f.analyzer->blurReplies["x.nef"] = blurReply;
    const auto result = f.run({copied("x.nef", CopyFileKind::raw)}, {blur, false, fileCheck});
    const QString key = "/dest/x.nef";
    QCOMPARE(orderedRawValues(result.flagsByDestinationPath.value(key)), expectedFlags);
    QCOMPARE(result.flagsByDestinationPath.contains(key), !expectedFlags.isEmpty());
    QCOMPARE(result.skippedByDestinationPath.value(key), skipsNamed(expectedSkips));
    QCOMPARE(result.skippedByDestinationPath.contains(key), !expectedSkips.isEmpty());
    if (expectedErrorKey.isEmpty()) {
        QVERIFY(result.errorsByDestinationPath.isEmpty());
    } else {
        QCOMPARE(result.errorsByDestinationPath.value(key), localized(expectedErrorKey));
        QVERIFY(localized(expectedErrorKey) != expectedErrorKey);
    }
    // Tags are written exactly when something was flagged.
    const QStringList tagCalls = f.log.calls.filter("tags:");
    QCOMPARE(tagCalls.size(), expectedFlags.isEmpty() ? 0 : 1);
}

void TestQualityCheckService::duplicates_data()
{
    QTest::addColumn<QList<CopyFileOutcome>>("outcomes");
    QTest::addColumn<QStringList>("hashable"); // name=digest the hasher knows
    QTest::addColumn<QStringList>("expectedDuplicates");
    QTest::addColumn<QStringList>("expectedHashed");
    QTest::addColumn<QStringList>("expectedErrors");

    const QString d1(64, u'a');
    const QString d2(64, u'b');
    QTest::newRow("two identical files under different names, digests from the copy")
        << QList{copied("a.jpg", CopyFileKind::jpeg, d1), copied("b.jpg", CopyFileKind::jpeg, d2),
                 copied("c.jpg", CopyFileKind::jpeg, d1)}
        << QStringList{} << QStringList{"a.jpg", "c.jpg"} << QStringList{} << QStringList{};
    QTest::newRow("three identical files, hashed where no digest was taken")
        << QList{copied("a.nef", CopyFileKind::raw, d1), copied("b.nef", CopyFileKind::raw),
                 copied("c.nef", CopyFileKind::raw)}
        << QStringList{"b.nef=" + d1, "c.nef=" + d1} << QStringList{"a.nef", "b.nef", "c.nef"}
        << QStringList{"b.nef", "c.nef"} << QStringList{};
    QTest::newRow("digest in capitals from a copy matches the hasher's")
        << QList{copied("a.jpg", CopyFileKind::jpeg, d1.toUpper()), copied("b.jpg")} << QStringList{"b.jpg=" + d1}
        << QStringList{"a.jpg", "b.jpg"} << QStringList{"b.jpg"} << QStringList{};
    QTest::newRow("all different") << QList{copied("a.jpg", CopyFileKind::jpeg, d1), copied("b.jpg")}
                                   << QStringList{"b.jpg=" + d2} << QStringList{} << QStringList{"b.jpg"}
                                   << QStringList{};
    QTest::newRow("a file that cannot be hashed takes no part")
        << QList{copied("a.jpg", CopyFileKind::jpeg, d1), copied("b.jpg"), copied("c.jpg")}
        << QStringList{"c.jpg=" + d2} << QStringList{} << QStringList{"b.jpg", "c.jpg"} << QStringList{"b.jpg"};
    QTest::newRow("sidecars with the same content are left out")
        << QList{copied("a.xmp", CopyFileKind::xmp, d1), copied("b.xmp", CopyFileKind::xmp, d1),
                 copied("c.jpg", CopyFileKind::jpeg, d1)}
        << QStringList{} << QStringList{} << QStringList{} << QStringList{};
}

void TestQualityCheckService::duplicates()
{
    QFETCH(QList<CopyFileOutcome>, outcomes);
    QFETCH(QStringList, hashable);
    QFETCH(QStringList, expectedDuplicates);
    QFETCH(QStringList, expectedHashed);
    QFETCH(QStringList, expectedErrors);
    Fixture f;
    for (const QString &entry : hashable)
        f.hasher->digests.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    const auto result = f.run(outcomes, {false, true, false});
    QStringList duplicates;
    for (auto it = result.flagsByDestinationPath.begin(); it != result.flagsByDestinationPath.end(); ++it) {
        QCOMPARE(*it, flags({QualityFlag::duplicate}));
        duplicates << it.key().section(u'/', -1);
    }
    QCOMPARE(duplicates, expectedDuplicates);
    QStringList hashed = f.log.calls.filter("hash:");
    hashed.replaceInStrings("hash:", "");
    QCOMPARE(hashed, expectedHashed);
    QStringList errors;
    for (auto it = result.errorsByDestinationPath.begin(); it != result.errorsByDestinationPath.end(); ++it) {
        QCOMPARE(*it, localized("quality.error.duplicate"));
        errors << it.key().section(u'/', -1);
    }
    QCOMPARE(errors, expectedErrors);
    QVERIFY(result.skippedByDestinationPath.isEmpty());
    // Every duplicate gets its tag.
    QCOMPARE(f.log.calls.filter("tags:").size(), expectedDuplicates.size());
}

void TestQualityCheckService::tagsCarryEveryFlagInOneWrite()
{
    Fixture f;
    const QString d(64, u'c');
    f.analyzer->fileReplies = {{"a.jpg", {true}}, {"b.jpg", {false}}};
    f.analyzer->blurReplies = {{"a.jpg", {true}}, {"b.jpg", {false}}};
    const auto result = f.run({copied("a.jpg", CopyFileKind::jpeg, d), copied("b.jpg", CopyFileKind::jpeg, d)},
                              allChecks());
    QCOMPARE(result.flagsByDestinationPath.value("/dest/a.jpg"),
             flags({QualityFlag::fileCheck, QualityFlag::duplicate, QualityFlag::possibleUnsharp}));
    QCOMPARE(result.flagsByDestinationPath.value("/dest/b.jpg"), flags({QualityFlag::duplicate}));
    QCOMPARE(f.log.calls.filter("tags:"),
             (QStringList{"tags:a.jpg=Possible Unsharp,Duplicate,File Check", "tags:b.jpg=Duplicate"}));
}

void TestQualityCheckService::laterErrorReplacesEarlierOne()
{
    Fixture f;
    f.analyzer->fileReplies["a.jpg"] = {std::nullopt, true};
    f.analyzer->blurReplies["a.jpg"] = {std::nullopt, true};
    CopyFileOutcome outcome = copied("a.jpg");
    outcome.destinationURL = "/dest/sub/../a.jpg";
    const auto result = f.run({outcome}, {true, true, true});
    // Results are keyed by the standardised destination path.
    QCOMPARE(result.errorsByDestinationPath,
             (QMap<QString, QString>{{"/dest/a.jpg", localized("quality.error.blur")}}));
    QCOMPARE(result.skippedByDestinationPath.value("/dest/a.jpg"),
             (QSet<QualityCheckSkip>{QualityCheckSkip::fileCheckNotAssessed, QualityCheckSkip::blurNotAssessed}));
    QVERIFY(result.flagsByDestinationPath.isEmpty());
    // The duplicates pass could not hash it either (the stand-in knows no digest).
    QVERIFY(f.log.calls.contains("hash:a.jpg"));
}

void TestQualityCheckService::tagFailureIsThatFilesError()
{
    Fixture f;
    f.analyzer->fileReplies = {{"a.jpg", {true}}, {"b.jpg", {true}}};
    f.tagger->failing = {"a.jpg"};
    const auto result = f.run({copied("a.jpg"), copied("b.jpg")}, {false, false, true});
    QCOMPARE(result.errorsByDestinationPath,
             (QMap<QString, QString>{{"/dest/a.jpg", localized("quality.error.tags")}}));
    // Why, kept for the words at the edge.
    QCOMPARE(result.failuresByDestinationPath.value("/dest/a.jpg").errorNumber, EOPNOTSUPP);
    QCOMPARE(result.flagsByDestinationPath.size(), 2);
    QCOMPARE(f.log.calls.filter("tags:"), (QStringList{"tags:a.jpg=File Check", "tags:b.jpg=File Check"}));
}

void TestQualityCheckService::cancellation_data()
{
    QTest::addColumn<QString>("stopDuring"); // "file", "blur", "status"
    QTest::newRow("during the file check") << "file";
    QTest::newRow("during the blur check") << "blur";
    QTest::newRow("while a status is shown") << "status";
}

void TestQualityCheckService::cancellation()
{
    QFETCH(QString, stopDuring);
    Fixture f;
    f.analyzer->fileReplies = {{"a.jpg", {true}}, {"b.jpg", {true}}};
    f.analyzer->blurReplies = {{"a.jpg", {true}}, {"b.jpg", {true}}};
    if (stopDuring == "file")
        f.analyzer->fileReplies["b.jpg"].stopsJob = true;
    if (stopDuring == "blur")
        f.analyzer->blurReplies["b.jpg"].stopsJob = true;
    int statusCount = 0;
    const auto run = [&] {
        f.service.runChecks(
            {copied("a.jpg"), copied("b.jpg"), copied("c.jpg")}, {true, false, true},
            [&](const QString &, QualityCheckKind check) {
                const bool blurPass = check == QualityCheckKind::sharpness;
                if (stopDuring == "status" && blurPass && ++statusCount == 2)
                    f.job.request_stop();
            },
            f.job.get_token());
    };
    QVERIFY_THROWS_EXCEPTION(Cancelled, run());
    QCOMPARE(f.log.calls.filter("tags:"), QStringList{});
    // Nothing is asked after the stop.
    if (stopDuring == "file")
        QVERIFY(!f.log.calls.contains("file:c.jpg"));
    QVERIFY(!f.log.calls.contains("blur:c.jpg"));
    if (stopDuring == "status") // b is asked once more and answers with the stop
        QCOMPARE(f.log.calls.filter("blur:"), (QStringList{"blur:a.jpg", "blur:b.jpg"}));
}

void TestQualityCheckService::realAnalyzerOnRealFiles()
{
    // The service with the real analyzer: a RAW file nothing can decode is skipped by both
    // checks and gets no tag; a zero-byte JPEG is a file problem and gets its tag.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        QFile raw(dir.filePath("broken.nef"));
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write(QByteArray(5000, 'x'));
        QFile empty(dir.filePath("empty.jpg"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
    }
    Log log;
    auto *tagger = new StandInTagger(log);
    QualityCheckService service(std::make_unique<StandInHasher>(log), std::make_unique<ImageQualityAnalyzer>(),
                                std::unique_ptr<FinderTagging>(tagger));
    CopyFileOutcome raw = copied("broken.nef", CopyFileKind::raw);
    raw.destinationURL = dir.filePath("broken.nef");
    CopyFileOutcome jpeg = copied("empty.jpg");
    jpeg.destinationURL = dir.filePath("empty.jpg");
    const auto result = service.runChecks({raw, jpeg}, {true, false, true}, {}, {});
    const QString rawKey = standardizedPath(dir.filePath("broken.nef"));
    const QString jpegKey = standardizedPath(dir.filePath("empty.jpg"));
    QCOMPARE(result.flagsByDestinationPath,
             (QMap<QString, QSet<QualityFlag>>{{jpegKey, flags({QualityFlag::fileCheck})}}));
    QCOMPARE(result.skippedByDestinationPath,
             (QMap<QString, QSet<QualityCheckSkip>>{
                 {rawKey, {QualityCheckSkip::fileCheckNotAssessed, QualityCheckSkip::blurNotAssessed}},
                 {jpegKey, {QualityCheckSkip::blurNotAssessed}}}));
    QVERIFY(result.errorsByDestinationPath.isEmpty());
    QCOMPARE(log.calls, QStringList{"tags:empty.jpg=File Check"});
}

// Records the tags asked for; called one file at a time.
class RecordingTagger : public FinderTagging {
public:
    QStringList calls;
    void applyTags(const QSet<QualityFlag> &flags, const FileURL &file, std::stop_token) override
    {
        calls << file.section(u'/', -1) + u'=' + orderedRawValues(flags).join(u',');
    }
};

void TestQualityCheckService::parallelRunIsTheSerialRun()
{
    // Real pictures, the real analyzer and hasher: every answer, flag, skip, error and tag of a
    // run on several threads is that of a run on one.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    using namespace quillmore::testing;
    const QImage scene = photoLikeScene(1024, 768, 5);
    QList<CopyFileOutcome> outcomes;
    const auto add = [&](const QString &name, CopyFileKind kind) {
        CopyFileOutcome o = copied(name, kind);
        o.destinationURL = dir.filePath(name);
        outcomes << o;
    };
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("sharp-%1.jpg").arg(i);
        QVERIFY(writeJpeg(photoLikeScene(1024, 768, 10 + std::uint32_t(i)), dir.filePath(name)));
        add(name, CopyFileKind::jpeg);
    }
    QVERIFY(writeJpeg(gaussianBlurred(scene, 4.0), dir.filePath("blurred.jpg")));
    add("blurred.jpg", CopyFileKind::jpeg);
    QVERIFY(writeJpeg(scene, dir.filePath("same-1.jpg")));
    QVERIFY(QFile::copy(dir.filePath("same-1.jpg"), dir.filePath("same-2.jpg")));
    add("same-1.jpg", CopyFileKind::jpeg);
    add("same-2.jpg", CopyFileKind::jpeg);
    {
        QFile whole(dir.filePath("same-1.jpg"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(dir.filePath("cut.jpg"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.readAll().left(int(whole.size() * 2 / 5)));
    }
    add("cut.jpg", CopyFileKind::jpeg);
    QVERIFY(writeDng(scene, dir.filePath("sharp.dng")));
    add("sharp.dng", CopyFileKind::raw);
    add("missing.jpg", CopyFileKind::jpeg); // cannot be hashed: an error of its own

    const auto runWith = [&](int workers, QStringList &tags, int &mostAtOnce) {
        auto *tagger = new RecordingTagger;
        QualityCheckService service(std::make_unique<SHA256FileHasher>(), std::make_unique<ImageQualityAnalyzer>(),
                                    std::unique_ptr<FinderTagging>(tagger), workers);
        std::atomic<int> inSink{0};
        mostAtOnce = 0;
        const auto result = service.runChecks(outcomes, allChecks(),
                                              [&](const QString &, QualityCheckKind) {
                                                  mostAtOnce = std::max(mostAtOnce, ++inSink);
                                                  --inSink;
                                              },
                                              {});
        tags = tagger->calls;
        return result;
    };
    QStringList serialTags, parallelTags;
    int serialAtOnce = 0, parallelAtOnce = 0;
    const QualityCheckBatchResult serial = runWith(1, serialTags, serialAtOnce);
    const QualityCheckBatchResult parallel = runWith(4, parallelTags, parallelAtOnce);
    QCOMPARE(parallel, serial);
    QCOMPARE(parallelTags, serialTags);
    QCOMPARE(parallelAtOnce, 1); // the status sink hears of one file at a time
    // And the run found what is there.
    const QString key = standardizedPath(dir.filePath("cut.jpg"));
    QVERIFY(serial.flagsByDestinationPath.value(key).contains(QualityFlag::fileCheck));
    QVERIFY(serial.flagsByDestinationPath.value(standardizedPath(dir.filePath("same-2.jpg")))
                .contains(QualityFlag::duplicate));
    QVERIFY(serial.flagsByDestinationPath.value(standardizedPath(dir.filePath("blurred.jpg")))
                .contains(QualityFlag::possibleUnsharp));
    QVERIFY(serial.errorsByDestinationPath.contains(standardizedPath(dir.filePath("missing.jpg"))));
}

void TestQualityCheckService::workersAreBoundedByCoresAndRequest()
{
    QualityCheckService any(std::make_unique<SHA256FileHasher>(), std::make_unique<ImageQualityAnalyzer>(),
                            std::make_unique<RecordingTagger>());
    QCOMPARE(any.workerCount(1), 1);
    QVERIFY(any.workerCount(1000) >= 1);
    QVERIFY(any.workerCount(1000) <= usableProcessorCount());
    QualityCheckService two(std::make_unique<SHA256FileHasher>(), std::make_unique<ImageQualityAnalyzer>(),
                            std::make_unique<RecordingTagger>(), 2);
    QVERIFY(two.workerCount(1000) <= 2);
    QCOMPARE(two.workerCount(0), 1);
}
