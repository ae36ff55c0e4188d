#include "workflow/copyjob.h"
#include "workflow/copyreport.h"
#include "workflow/failuretext.h"
#include "workflow/resultqueries.h"

#include "model/localization.h"
#include "platform/errors.h"
#include "platform/fileoperations.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillmore;

namespace {

SelectionResult result(const QString &name, std::optional<FileURL> chosen, SelectionStatus status)
{
    SelectionResult r;
    r.selection = {makeId(), name, {}, {}, {}, name.section(QLatin1Char('.'), 0, 0)};
    r.chosenRAW = chosen;
    r.status = status;
    return r;
}

CopyFileOutcome outcome(const QString &source, std::optional<QString> dest, CopyFileKind kind, CopyOutcomeStatus status,
                        std::optional<QString> message = {})
{
    return {makeId(), source, dest, kind, status, message, {}, {}, {}};
}

} // namespace

class TestCopyReport : public QObject {
    Q_OBJECT

private slots:
    void csvFieldEscaping_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "IMG_0001.jpg"
                               << "IMG_0001.jpg";
        QTest::newRow("comma") << "a,b"
                               << "\"a,b\"";
        QTest::newRow("quotes") << "say \"hi\""
                                << "\"say \"\"hi\"\"\"";
        QTest::newRow("minus") << "-5"
                               << "'-5";
        QTest::newRow("plus") << "+DSC1234.jpg"
                              << "'+DSC1234.jpg";
        QTest::newRow("at") << "@x"
                            << "'@x";
        QTest::newRow("formula with comma") << "=1,2"
                                            << "\"'=1,2\"";
        QTest::newRow("line feed") << "a\nb"
                                   << "\"a\nb\"";
        QTest::newRow("carriage return") << "a\rb"
                                         << "\"a\rb\"";
        // A tab or carriage return in front hides a formula from the eye, not from a spreadsheet.
        QTest::newRow("leading tab") << "\t=1+1"
                                     << "'\t=1+1";
        QTest::newRow("leading carriage return") << "\r=1+1"
                                                 << "\"'\r=1+1\"";
        QTest::newRow("minus inside") << "DSC-1"
                                      << "DSC-1";
        QTest::newRow("empty") << ""
                               << "";
    }
    void csvFieldEscaping()
    {
        QFETCH(QString, field);
        QFETCH(QString, written);
        QCOMPARE(csvField(field), written);
    }

    void csvBytes()
    {
        QCOMPARE(QString::fromLatin1(kReportHeader).size(), 109);
        const QByteArray empty = reportFileBytes({});
        QCOMPARE(empty, QByteArray("\xEF\xBB\xBF") + kReportHeader + "\r\n");
        CopyReportRow a{QStringLiteral("id"),
                        QStringLiteral("-DSC1234.jpg"),
                        QString(),
                        QStringLiteral("/in/a,b.NEF"),
                        QStringLiteral("RAW"),
                        QStringLiteral("/out/x.NEF"),
                        QStringLiteral("Copied"),
                        QStringLiteral("Possible Unsharp; Duplicate"),
                        QString()};
        CopyReportRow b{QStringLiteral("id2"),     QStringLiteral("Café.jpg"),
                        QStringLiteral("s.png"),   QString(),
                        QStringLiteral("RAW"),     QString(),
                        QStringLiteral("Skipped"), QString(),
                        QStringLiteral("=boom")};
        const QByteArray bytes = reportFileBytes({a, b});
        QCOMPARE(bytes,
                 QByteArray("\xEF\xBB\xBF") + kReportHeader + "\r\n"
                     + "'-DSC1234.jpg,,\"/in/a,b.NEF\",RAW,/out/x.NEF,Copied,Possible Unsharp; Duplicate,\r\n"
                     + QStringLiteral("Café.jpg,s.png,,RAW,,Skipped,,'=boom\r\n").toUtf8());
    }

    // The error column and quality column for one RAW file and its sidecar.
    void settlingErrorTexts_data()
    {
        QTest::addColumn<int>("rawStatus");
        QTest::addColumn<QString>("rawMessage");
        QTest::addColumn<int>("xmpStatus"); // -1: no sidecar outcome
        QTest::addColumn<QString>("xmpMessage");
        QTest::addColumn<QString>("qualityError");
        QTest::addColumn<QString>("expectedError");
        QTest::addColumn<int>("expectedStatus");
        const int copied = int(CopyOutcomeStatus::copied), failed = int(CopyOutcomeStatus::failed),
                  skipped = int(CopyOutcomeStatus::skipped);
        QTest::newRow("both failed") << failed << "M" << failed << "N"
                                     << ""
                                     << "M | XMP: N" << int(SelectionStatus::failed);
        QTest::newRow("sidecar failed") << copied << "" << failed << "N"
                                        << ""
                                        << "XMP: N" << int(SelectionStatus::copied);
        QTest::newRow("sidecar failed, quality error") << copied << "" << failed << "N"
                                                       << "Q"
                                                       << "XMP: N | Q" << int(SelectionStatus::copied);
        QTest::newRow("sidecar failed without a message")
            << copied << "" << failed << ""
            << ""
            << "XMP: " + localized("report.status.failed") << int(SelectionStatus::copied);
        QTest::newRow("sidecar skipped adds nothing") << copied << "" << skipped << "exists"
                                                      << ""
                                                      << "" << int(SelectionStatus::copied);
        QTest::newRow("sidecar never attempted") << copied << "" << -1 << ""
                                                 << ""
                                                 << "" << int(SelectionStatus::copied);
        QTest::newRow("raw skipped") << skipped << "exists" << -1 << ""
                                     << ""
                                     << "exists" << int(SelectionStatus::skipped);
    }
    void settlingErrorTexts()
    {
        QFETCH(int, rawStatus);
        QFETCH(QString, rawMessage);
        QFETCH(int, xmpStatus);
        QFETCH(QString, xmpMessage);
        QFETCH(QString, qualityError);
        QFETCH(QString, expectedError);
        QFETCH(int, expectedStatus);
        SelectionResult r = result(QStringLiteral("IMG_1.jpg"), QStringLiteral("/in/IMG_1.NEF"),
                                   SelectionStatus::readyToCopy);
        CopyPlan plan;
        plan.tasks = {{makeId(), "/in/IMG_1.NEF", "/out/IMG_1.NEF", CopyFileKind::raw, {r.id()}, 10},
                      {makeId(), "/in/IMG_1.xmp", "/out/IMG_1.xmp", CopyFileKind::xmp, {r.id()}, 1}};
        CopyBatchResult batch;
        const auto rawDest = rawStatus == int(CopyOutcomeStatus::failed) ? std::nullopt
                                                                         : std::optional<QString>("/out/IMG_1.NEF");
        batch.outcomes << outcome("/in/./IMG_1.NEF", rawDest, CopyFileKind::raw, CopyOutcomeStatus(rawStatus),
                                  rawMessage.isEmpty() ? std::nullopt : std::optional<QString>(rawMessage));
        if (xmpStatus >= 0)
            batch.outcomes << outcome("/in/IMG_1.xmp", {}, CopyFileKind::xmp, CopyOutcomeStatus(xmpStatus),
                                      xmpMessage.isEmpty() ? std::nullopt : std::optional<QString>(xmpMessage));
        QualityCheckBatchResult quality;
        if (!qualityError.isEmpty())
            quality.errorsByDestinationPath.insert("/out/IMG_1.NEF", qualityError);
        const SettledCopy settled = settleCopy({r}, batch, plan, SearchTarget::raw, quality);
        QCOMPARE(settled.rows.size(), 1);
        QCOMPARE(settled.rows[0].errorMessage, expectedError);
        QCOMPARE(int(settled.results[0].status), expectedStatus);
        QCOMPARE(settled.rows[0].rawPath, QStringLiteral("/in/IMG_1.NEF"));
        QCOMPARE(settled.rows[0].matchType, QStringLiteral("RAW"));
    }

    void unplannedResults_data()
    {
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("finished run") << false;
        QTest::newRow("cancelled run") << true;
    }
    void unplannedResults()
    {
        QFETCH(bool, cancelled);
        SelectionResult notFound = result(QStringLiteral("GONE.jpg"), {}, SelectionStatus::notFound);
        SelectionResult conflict = result(QStringLiteral("C.jpg"), QStringLiteral("/in/C.NEF"),
                                          SelectionStatus::existsAtDestination);
        conflict.message = QStringLiteral("already there");
        SelectionResult failedBefore = result(QStringLiteral("F.jpg"), QStringLiteral("/in/F.NEF"),
                                              SelectionStatus::failed);
        failedBefore.destinationURL = QStringLiteral("/out/F.NEF");
        failedBefore.message = QStringLiteral("earlier failure");
        CopyPlan plan;
        plan.issues << CopyPreflightIssue{makeId(),        CopyPreflightIssueKind::sourceUnavailable,
                                          "/in/C.NEF",     {},
                                          {conflict.id()}, "gone"}
                    << CopyPreflightIssue{makeId(),        CopyPreflightIssueKind::alreadyExists,
                                          "/in/C.NEF",     "/out/C.NEF",
                                          {conflict.id()}, "C exists"};
        SelectionResult notAttempted = result(QStringLiteral("N.jpg"), QStringLiteral("/in/N.NEF"),
                                              SelectionStatus::readyToCopy);
        notAttempted.destinationURL = QStringLiteral("/out/N.NEF");
        plan.tasks << CopyTaskItem{makeId(), "/in/N.NEF", "/out/N.NEF", CopyFileKind::jpeg, {notAttempted.id()}, 1};
        CopyBatchResult batch;
        batch.wasCancelled = cancelled;
        const SettledCopy settled = settleCopy({notFound, conflict, failedBefore, notAttempted}, batch, plan,
                                               SearchTarget::jpeg, {});
        const QString skipped = localized("report.status.skipped");
        QCOMPARE(settled.results[0].status, SelectionStatus::skipped);
        QCOMPARE(settled.rows[0].status, skipped);
        QCOMPARE(settled.rows[0].rawPath, QString());
        QCOMPARE(settled.rows[0].destinationPath, QString());
        QCOMPARE(settled.rows[0].errorMessage, QString()); // not found: a cancellation changes nothing
        QCOMPARE(settled.rows[0].matchType, QStringLiteral("JPEG"));
        QCOMPARE(settled.results[1].status, SelectionStatus::skipped);
        QCOMPARE(settled.results[1].message, std::optional<QString>("already there")); // only the status changes
        QCOMPARE(settled.rows[1].destinationPath, QStringLiteral("/out/C.NEF"));
        QCOMPARE(settled.rows[1].errorMessage, QStringLiteral("C exists"));
        // Failed before the copy (its file had gone): says so, cancelled or not.
        QCOMPARE(settled.results[2].status, SelectionStatus::failed);
        QCOMPARE(settled.rows[2].status, localized("report.status.failed"));
        QCOMPARE(settled.rows[2].destinationPath, QStringLiteral("/out/F.NEF"));
        QCOMPARE(settled.rows[2].errorMessage, QStringLiteral("earlier failure"));
        // Planned but never attempted: only a cancellation explains that.
        QCOMPARE(settled.results[3].status, SelectionStatus::skipped);
        QCOMPARE(settled.rows[3].errorMessage, cancelled ? localized("report.error.cancelled") : QString());
    }

    // The issues of a sidecar are its own: its picture is copied and not "already there".
    void sidecarIssuesDoNotSettleThePicture()
    {
        SelectionResult r = result(QStringLiteral("IMG_1.jpg"), QStringLiteral("/in/IMG_1.NEF"),
                                   SelectionStatus::readyToCopy);
        CopyPlan plan;
        plan.tasks = {{makeId(), "/in/IMG_1.NEF", "/out/IMG_1.NEF", CopyFileKind::raw, {r.id()}, 10}};
        plan.issues = {
            {makeId(), CopyPreflightIssueKind::alreadyExists, "/in/IMG_1.xmp", "/out/IMG_1.xmp", {r.id()}, "exists"},
            {makeId(), CopyPreflightIssueKind::sourceUnavailable, "/in/IMG_2.xmp", {}, {r.id()}, "gone"}};
        CopyBatchResult batch;
        batch.outcomes << outcome("/in/IMG_1.NEF", "/out/IMG_1.NEF", CopyFileKind::raw, CopyOutcomeStatus::copied);
        const SettledCopy settled = settleCopy({r}, batch, plan, SearchTarget::raw, {});
        QCOMPARE(settled.results[0].status, SelectionStatus::copied);
        QCOMPARE(settled.rows[0].status, localized("report.status.copied"));
        QCOMPARE(settled.rows[0].destinationPath, QStringLiteral("/out/IMG_1.NEF"));
        QCOMPARE(settled.rows[0].errorMessage, QStringLiteral("XMP: gone"));
        const CopyPreflightIssue ofPicture{makeId(), CopyPreflightIssueKind::alreadyExists, "/in/./IMG_1.NEF", {}, {},
                                           {}};
        QVERIFY(isIssueOfChosenFile(ofPicture, r));
        QVERIFY(!isIssueOfChosenFile(plan.issues[0], r));
    }

    // Saving goes through the file operations: a full disk or a failing flush leaves the old
    // report as it was and no temporary file.
    void savingFaults_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("disk full") << 0;
        QTest::newRow("flush fails") << 1;
        QTest::newRow("rename fails") << 2;
    }
    void savingFaults()
    {
        QFETCH(int, fault);
        struct Faulty : PosixFileOperations {
            int fault = 0;
            std::size_t write(int fd, const char *data, std::size_t size) override
            {
                if (fault == 0)
                    throw FailureError(FailureCode::fileOperation, ENOSPC, QString(), "write");
                return PosixFileOperations::write(fd, data, size);
            }
            void flush(int fd) override
            {
                if (fault == 1)
                    throw FailureError(FailureCode::fileOperation, EIO, QString(), "fsync");
                PosixFileOperations::flush(fd);
            }
            void rename(const QString &from, const QString &to) override
            {
                if (fault == 2)
                    throw FailureError(FailureCode::fileOperation, EIO, from, "rename");
                PosixFileOperations::rename(from, to);
            }
        } files;
        files.fault = fault;
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Quillmore-report.csv"));
        writeFileAtomically(target, "earlier");
        try {
            writeFileAtomically(target, "new", files);
            QFAIL("the fault was not reported");
        } catch (const FailureError &e) {
            QCOMPARE(e.code(), FailureCode::reportUnwritable);
            QCOMPARE(e.path(), target);
            QCOMPARE(e.errorNumber(), fault == 0 ? ENOSPC : EIO);
        }
        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("earlier"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Quillmore-report.csv")});
    }

    // Each picture ends in one state of its own, whatever the report's three status texts say,
    // and the states add up to the pictures checked.
    void oneOutcomePerPicture_data()
    {
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("finished run") << false;
        QTest::newRow("cancelled run") << true;
    }
    void oneOutcomePerPicture()
    {
        QFETCH(bool, cancelled);
        QList<SelectionResult> results{
            result(QStringLiteral("COPIED.jpg"), QStringLiteral("/in/COPIED.NEF"), SelectionStatus::readyToCopy),
            result(QStringLiteral("FAILED.jpg"), QStringLiteral("/in/FAILED.NEF"), SelectionStatus::readyToCopy),
            result(QStringLiteral("LATER.jpg"), QStringLiteral("/in/LATER.NEF"), SelectionStatus::manuallyResolved),
            result(QStringLiteral("THERE.jpg"), QStringLiteral("/in/THERE.NEF"), SelectionStatus::existsAtDestination),
            result(QStringLiteral("GONE.jpg"), {}, SelectionStatus::notFound),
            result(QStringLiteral("TWO.jpg"), {}, SelectionStatus::ambiguous),
            result(QStringLiteral("NO.jpg"), {}, SelectionStatus::skipped),
        };
        CopyPlan plan;
        plan.issues << CopyPreflightIssue{makeId(),          CopyPreflightIssueKind::alreadyExists,
                                          "/in/THERE.NEF",   "/out/THERE.NEF",
                                          {results[3].id()}, "exists"};
        CopyBatchResult batch;
        batch.wasCancelled = cancelled;
        batch.outcomes << outcome("/in/COPIED.NEF", "/out/COPIED.NEF", CopyFileKind::raw, CopyOutcomeStatus::copied);
        CopyFileOutcome failed = outcome("/in/FAILED.NEF", {}, CopyFileKind::raw, CopyOutcomeStatus::failed, "gone");
        failed.cause = CopyFailureCause::sourceMissing;
        batch.outcomes << failed;
        const SettledCopy settled = settleCopy(results, batch, plan, SearchTarget::raw, {});
        QCOMPARE(settled.settlements.size(), results.size());
        const QList<ResultOutcome> expected{ResultOutcome::copied,
                                            ResultOutcome::failed,
                                            cancelled ? ResultOutcome::cancelled : ResultOutcome::failed,
                                            ResultOutcome::alreadyInDestination,
                                            ResultOutcome::notFound,
                                            ResultOutcome::notChosen,
                                            ResultOutcome::skippedByYou};
        for (qsizetype i = 0; i < results.size(); ++i) {
            QCOMPARE(settled.settlements[i].id, results[i].id());
            QCOMPARE(settled.settlements[i].fileName, results[i].selection.fileName);
            QCOMPARE(settled.settlements[i].outcome, expected[i]);
        }
        QCOMPARE(settled.settlements[1].cause, std::optional<CopyFailureCause>(CopyFailureCause::sourceMissing));
        QCOMPARE(settled.settlements[0].cause, std::nullopt);
        // The report keeps its three texts.
        QCOMPARE(settled.rows[1].status, localized("report.status.failed"));
        QCOMPARE(settled.rows[1].errorMessage, QStringLiteral("gone"));
        for (int i : {3, 4, 5, 6})
            QCOMPARE(settled.rows[i].status, localized("report.status.skipped"));
        // Every state has a word of its own.
        QSet<QString> all;
        for (ResultOutcome o : allResultOutcomes())
            all.insert(outcomeText(o));
        QCOMPARE(all.size(), allResultOutcomes().size());
        QVERIFY(!all.contains(localized("report.status.skipped")));
    }

    void qualityTextsInFixedOrder()
    {
        SelectionResult r = result(QStringLiteral("A.jpg"), QStringLiteral("/in/A.NEF"), SelectionStatus::readyToCopy);
        CopyBatchResult batch;
        batch.outcomes << outcome("/in/A.NEF", "/out/A.NEF", CopyFileKind::raw, CopyOutcomeStatus::copied);
        QualityCheckBatchResult quality;
        quality.flagsByDestinationPath.insert("/out/A.NEF", {QualityFlag::duplicate, QualityFlag::possibleUnsharp});
        SettledCopy settled = settleCopy({r}, batch, {}, SearchTarget::raw, quality);
        QCOMPARE(settled.rows[0].qualityFlags, QStringLiteral("Possible Unsharp; Duplicate"));
        quality.flagsByDestinationPath.insert("/out/A.NEF", {QualityFlag::duplicate});
        quality.skippedByDestinationPath.insert("/out/A.NEF", {QualityCheckSkip::blurNotAssessed});
        settled = settleCopy({r}, batch, {}, SearchTarget::raw, quality);
        QCOMPARE(settled.rows[0].qualityFlags, QStringLiteral("Duplicate; Blur Not Assessed (Preview Unavailable)"));
        QCOMPARE(settled.rows[0].status, localized("report.status.copied"));
        QVERIFY(settleCopy({}, batch, {}, SearchTarget::raw, quality).rows.isEmpty());
    }

    void screenshotSourceColumn()
    {
        SelectionResult r = result(QStringLiteral("IMG_1.jpg"), {}, SelectionStatus::notFound);
        r.selection.sourceScreenshotURLs = {"/shots/a.png", "/shots/b.png"};
        const SettledCopy settled = settleCopy({r}, {}, {}, SearchTarget::raw, {});
        QCOMPARE(settled.rows[0].screenshotSource, QStringLiteral("a.png; b.png"));
    }

    void atomicWrite()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Quillmore-report.csv"));
        writeFileAtomically(target, "first");
        writeFileAtomically(target, "second"); // replaces
        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("second"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Quillmore-report.csv")});
        // A folder that cannot be written: an error, and nothing left behind.
        if (::geteuid() != 0) {
            const QString locked = dir.filePath(QStringLiteral("locked"));
            QDir().mkpath(locked);
            ::chmod(QFile::encodeName(locked).constData(), 0500);
            QVERIFY_THROWS_EXCEPTION(FailureError, writeFileAtomically(locked + QStringLiteral("/r.csv"), "x"));
            ::chmod(QFile::encodeName(locked).constData(), 0700);
        }
        QVERIFY_THROWS_EXCEPTION(FailureError, writeFileAtomically(dir.filePath(QStringLiteral("no/such/r.csv")), "x"));
        // A target that is a folder: rename fails and the temporary file is removed.
        QDir().mkpath(dir.filePath(QStringLiteral("asfolder/inner")));
        QVERIFY_THROWS_EXCEPTION(FailureError, writeFileAtomically(dir.filePath(QStringLiteral("asfolder")), "x"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 ::geteuid() != 0 ? 3 : 2);
    }

    // After a retry, each check error carries its reason once: the earlier run's were worded when
    // it ended, the retry's are worded now.
    // How a run ended is read from its outcomes and settlements: a failure anywhere outweighs
    // cancelled checks, and a run with no picture copied is told apart from one with some.
    void completionKinds_data()
    {
        QTest::addColumn<bool>("batchCancelled");
        QTest::addColumn<bool>("failedOutcome");
        QTest::addColumn<QList<int>>("outcomes"); // ResultOutcome values of the settled names
        QTest::addColumn<bool>("checksCancelled");
        QTest::addColumn<int>("expected");
        const int copied = int(ResultOutcome::copied), failed = int(ResultOutcome::failed);
        QTest::newRow("all copied") << false << false << QList<int>{copied, copied} << false
                                    << int(CompletionKind::allCopied);
        QTest::newRow("checks cancelled")
            << false << false << QList<int>{copied} << true << int(CompletionKind::checksCancelled);
        QTest::newRow("one failed of two")
            << false << false << QList<int>{copied, failed} << true << int(CompletionKind::someFailed);
        QTest::newRow("sidecar failed, pictures copied")
            << false << true << QList<int>{copied} << false << int(CompletionKind::someFailed);
        QTest::newRow("every name failed")
            << false << true << QList<int>{failed} << false << int(CompletionKind::nothingCopied);
        QTest::newRow("copy cancelled") << true << true << QList<int>{copied, failed} << false
                                        << int(CompletionKind::cancelled);
    }
    void completionKinds()
    {
        QFETCH(bool, batchCancelled);
        QFETCH(bool, failedOutcome);
        QFETCH(QList<int>, outcomes);
        QFETCH(bool, checksCancelled);
        QFETCH(int, expected);
        CopyBatchResult batch;
        batch.wasCancelled = batchCancelled;
        if (failedOutcome)
            batch.outcomes << outcome("/a/x.xmp", std::nullopt, CopyFileKind::xmp, CopyOutcomeStatus::failed);
        QList<ResultSettlement> settlements;
        for (int o : outcomes)
            settlements.append({makeId(), QStringLiteral("x.jpg"), ResultOutcome(o), std::nullopt});
        const CompletionKind kind = completionKind(batch, settlements, checksCancelled);
        QCOMPARE(int(kind), expected);
        QVERIFY(QByteArray(completionStatusKey(kind)).startsWith("status."));
    }

    void retriedCheckFailuresAreWordedOnce()
    {
        QualityCheckBatchResult before;
        before.errorsByDestinationPath[QStringLiteral("/d/A.CR3")] = QStringLiteral("A could not be checked");
        before.failuresByDestinationPath[QStringLiteral("/d/A.CR3")] = Failure{FailureCode::fileOperation, EIO, {}};
        wordCheckFailures(before);
        const QString wordedBefore = before.errorsByDestinationPath.value(QStringLiteral("/d/A.CR3"));

        QualityCheckBatchResult retried;
        retried.errorsByDestinationPath[QStringLiteral("/d/B.CR3")] = QStringLiteral("B could not be checked");
        retried.failuresByDestinationPath[QStringLiteral("/d/B.CR3")] = Failure{FailureCode::fileOperation, EIO, {}};
        CopyBatchResult batch;
        joinRetried(batch, retried, CopyBatchResult(), before, CopyPlan());
        wordCheckFailures(retried);

        QCOMPARE(retried.errorsByDestinationPath.value(QStringLiteral("/d/A.CR3")), wordedBefore);
        QCOMPARE(retried.errorsByDestinationPath.value(QStringLiteral("/d/B.CR3")),
                 localized("error.with.reason", QStringLiteral("B could not be checked"), reasonText(EIO)));
    }
};

QTEST_GUILESS_MAIN(TestCopyReport)
#include "tst_copyreport.moc"
