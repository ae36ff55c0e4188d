#include "copying/copyplanner.h"
#include "model/localization.h"
#include "platform/paths.h"
#include "support/faultyfileoperations.h"
#include "support/fixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace quillmore;
using namespace quillmore::testing;

namespace {

SelectionResult chosen(const QString &path, SelectionStatus status = SelectionStatus::found)
{
    SelectionResult r;
    r.selection.id = makeId();
    r.selection.fileName = lastPathComponent(path);
    r.chosenRAW = path;
    r.status = status;
    return r;
}

QStringList destinationNames(const CopyPlan &plan)
{
    QStringList names;
    for (const CopyTaskItem &t : plan.tasks)
        names << lastPathComponent(t.destinationURL);
    return names;
}

QStringList sourcePaths(const CopyPlan &plan, const QString &root)
{
    QStringList paths;
    for (const CopyTaskItem &t : plan.tasks)
        paths << t.sourceURL.mid(root.size() + 1);
    return paths;
}

} // namespace

class CopyPlannerTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_root;
    QString m_destination;
    FaultyFileOperations m_files;

    QString file(const QString &relative, qint64 size = 10)
    {
        const QString path = m_root + QLatin1Char('/') + relative;
        makeFile(path, patternBytes(size));
        return path;
    }
    CopyPlan plan(const QList<SelectionResult> &results, SearchTarget target = SearchTarget::raw, bool xmp = true,
                  ConflictPolicy policy = ConflictPolicy::keepNumbered)
    {
        CopyPlanner planner(&m_files);
        return planner.makePlan(results, m_destination, target, xmp, policy);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_root = QDir(m_dir.path()).canonicalPath() + QStringLiteral("/")
            + QString::fromLatin1(QTest::currentTestFunction());
        if (QTest::currentDataTag())
            m_root += QLatin1Char('-')
                + QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        m_destination = m_root + QStringLiteral("/dest");
        QVERIFY(QDir().mkpath(m_destination));
        m_files = FaultyFileOperations();
        m_files.capacity = std::numeric_limits<qint64>::max();
    }

    void emptyResultsGiveAnEmptyPlan()
    {
        const CopyPlan p = plan({});
        QVERIFY(p.tasks.isEmpty());
        QVERIFY(p.issues.isEmpty());
        QCOMPARE(p.totalBytes, 0);
    }

    void oneTaskPerSourceFile_data()
    {
        QTest::addColumn<QString>("second");
        QTest::newRow("same path") << QStringLiteral("a/IMG_1.CR3");
        QTest::newRow("dot components") << QStringLiteral("a/./b/../IMG_1.CR3");
    }
    void oneTaskPerSourceFile()
    {
        QFETCH(QString, second);
        const QString path = file(QStringLiteral("a/IMG_1.CR3"), 1234);
        const SelectionResult r1 = chosen(path);
        const SelectionResult r2 = chosen(m_root + QLatin1Char('/') + second);
        const CopyPlan p = plan({r1, r2});
        QCOMPARE(p.tasks.size(), 1);
        QCOMPARE(p.tasks[0].selectionIDs, (QSet<QUuid>{r1.selection.id, r2.selection.id}));
        QCOMPARE(p.tasks[0].sourceURL, path);
        QCOMPARE(p.tasks[0].destinationURL, m_destination + QStringLiteral("/IMG_1.CR3"));
        QCOMPARE(p.tasks[0].kind, CopyFileKind::raw);
        QCOMPARE(p.tasks[0].size, 1234);
        QCOMPARE(p.totalBytes, 1234);
        QVERIFY(p.issues.isEmpty());
    }

    void resultsWithoutAChosenFileOrSkippedAreLeftOut()
    {
        SelectionResult skipped = chosen(file(QStringLiteral("a/IMG_1.CR3")), SelectionStatus::skipped);
        SelectionResult none;
        none.selection.id = makeId();
        none.status = SelectionStatus::ambiguous;
        const CopyPlan p = plan({skipped, none});
        QVERIFY(p.tasks.isEmpty());
        QVERIFY(p.issues.isEmpty());
    }

    void tasksAreInCodePointOrder()
    {
        const QString nine = file(QStringLiteral("a/IMG_9.CR3"));
        const QString ten = file(QStringLiteral("a/IMG_10.CR3"));
        const QString upper = file(QStringLiteral("a/Z.CR3"));
        const QString lower = file(QStringLiteral("a/a.CR3"));
        const CopyPlan p = plan({chosen(lower), chosen(nine), chosen(upper), chosen(ten)});
        QCOMPARE(sourcePaths(p, m_root), (QStringList{"a/IMG_10.CR3", "a/IMG_9.CR3", "a/Z.CR3", "a/a.CR3"}));
    }

    void codePointOrderIsNotUtf16Order()
    {
        // U+FF21 (fullwidth A) is below U+1F600 as a code point, above it as UTF-16 units.
        const QString fullwidth = QString(QChar(0xFF21));
        const QString emoji = QString::fromUcs4(U"\U0001F600");
        QVERIFY(codePointLess(fullwidth, emoji));
        QVERIFY(!codePointLess(emoji, fullwidth));
        // Composed and decomposed forms are the same text.
        QVERIFY(!codePointLess(QStringLiteral("e\u0301"), QStringLiteral("\u00e9")));
        QVERIFY(codePointLess(QStringLiteral("ab"), QStringLiteral("abc")));
    }

    void sidecars_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<SearchTarget>("target");
        QTest::addColumn<bool>("includeXMP");
        QTest::addColumn<QStringList>("expected"); // destination names, in order

        QTest::newRow("any case follows its file") << QStringList{"IMG_1.CR3", "img_1.XMP"} << SearchTarget::raw << true
                                                   << QStringList{"IMG_1.CR3", "img_1.XMP"};
        QTest::newRow("hidden sidecar ignored")
            << QStringList{"IMG_1.CR3", ".IMG_1.xmp"} << SearchTarget::raw << true << QStringList{"IMG_1.CR3"};
        QTest::newRow("name with the extension kept is not a sidecar")
            << QStringList{"IMG_1.CR3", "IMG_1.CR3.xmp"} << SearchTarget::raw << true << QStringList{"IMG_1.CR3"};
        QTest::newRow("not wanted") << QStringList{"IMG_1.CR3", "IMG_1.xmp"} << SearchTarget::raw << false
                                    << QStringList{"IMG_1.CR3"};
        QTest::newRow("never for jpeg") << QStringList{"IMG_1.jpg", "IMG_1.xmp"} << SearchTarget::jpeg << true
                                        << QStringList{"IMG_1.jpg"};
        QTest::newRow("first in natural order wins")
            << QStringList{"IMG_1.CR3", "img_1.xmp", "IMG_1.XMP"} << SearchTarget::raw << true
            << QStringList{"IMG_1.CR3", "IMG_1.XMP"};
        QTest::newRow("composition does not matter")
            << QStringList{QStringLiteral("Caf\u00e9.CR3"), QStringLiteral("cafe\u0301.xmp")} << SearchTarget::raw
            << true << QStringList{QStringLiteral("Caf\u00e9.CR3"), QStringLiteral("cafe\u0301.xmp")};
    }
    void sidecars()
    {
        QFETCH(QStringList, files);
        QFETCH(SearchTarget, target);
        QFETCH(bool, includeXMP);
        QFETCH(QStringList, expected);
        for (const QString &f : files)
            file(QStringLiteral("src/") + f);
        const SelectionResult r = chosen(m_root + QStringLiteral("/src/") + files.first());
        const CopyPlan p = plan({r}, target, includeXMP);
        const QStringList names = destinationNames(p);
        // Which of two same-key sidecars wins depends on the file browser's order; either one,
        // but exactly one, follows the main file.
        if (QByteArray(QTest::currentDataTag()) == "first in natural order wins") {
            QCOMPARE(names.size(), 2);
            QCOMPARE(names[1].toLower(), QStringLiteral("img_1.xmp"));
        } else {
            QCOMPARE(names, expected);
        }
        QVERIFY(p.issues.isEmpty());
        if (p.tasks.size() == 2) {
            QCOMPARE(p.tasks[1].kind, CopyFileKind::xmp);
            QCOMPARE(p.tasks[1].selectionIDs, QSet<QUuid>{r.selection.id});
        }
    }

    void conflicts_data()
    {
        QTest::addColumn<QStringList>("sources");  // under root, in result order
        QTest::addColumn<QStringList>("existing"); // already in the destination
        QTest::addColumn<ConflictPolicy>("policy");
        QTest::addColumn<QStringList>("expected"); // destination names of the tasks
        QTest::addColumn<QStringList>("issues");   // raw values of the issue kinds

        QTest::newRow("same name, skip") << QStringList{"a/X.CR3", "b/X.CR3"} << QStringList{} << ConflictPolicy::skip
                                         << QStringList{"X.CR3"} << QStringList{"nameConflict"};
        QTest::newRow("same name, numbered")
            << QStringList{"a/X.CR3", "b/X.CR3"} << QStringList{} << ConflictPolicy::keepNumbered
            << QStringList{"X.CR3", "X_2.CR3"} << QStringList{};
        QTest::newRow("on disk, skip") << QStringList{"a/X.CR3"} << QStringList{"X.CR3"} << ConflictPolicy::skip
                                       << QStringList{} << QStringList{"alreadyExists"};
        QTest::newRow("numbers taken on disk")
            << QStringList{"a/X.CR3"} << QStringList{"X.CR3", "X_2.CR3"} << ConflictPolicy::keepNumbered
            << QStringList{"X_3.CR3"} << QStringList{};
        QTest::newRow("case differs") << QStringList{"a/X.CR3", "b/x.cr3"} << QStringList{}
                                      << ConflictPolicy::keepNumbered << QStringList{"X.CR3", "x_2.cr3"}
                                      << QStringList{};
        QTest::newRow("number taken by a task")
            << QStringList{"a/X.CR3", "b/X_2.CR3", "c/X.CR3"} << QStringList{} << ConflictPolicy::keepNumbered
            << QStringList{"X.CR3", "X_2.CR3", "X_3.CR3"} << QStringList{};
        QTest::newRow("no extension") << QStringList{"a/README"} << QStringList{"README"}
                                      << ConflictPolicy::keepNumbered << QStringList{"README_2"} << QStringList{};
        // A sidecar stays with its picture: one numbered base free for both names.
        QTest::newRow("numbered picture takes its sidecar along")
            << QStringList{"a/IMG_0001.CR3", "a/IMG_0001.xmp"} << QStringList{"IMG_0001.CR3"}
            << ConflictPolicy::keepNumbered << QStringList{"IMG_0001_2.CR3", "IMG_0001_2.xmp"} << QStringList{};
        QTest::newRow("numbered sidecar name taken too")
            << QStringList{"a/IMG_0001.CR3", "a/img_0001.XMP"} << QStringList{"IMG_0001.CR3", "IMG_0001_2.xmp"}
            << ConflictPolicy::keepNumbered << QStringList{"IMG_0001_3.CR3", "IMG_0001_3.XMP"} << QStringList{};
        QTest::newRow("numbered when only the sidecar name is taken")
            << QStringList{"a/IMG_0001.CR3", "a/IMG_0001.xmp"} << QStringList{"IMG_0001.xmp"}
            << ConflictPolicy::keepNumbered << QStringList{"IMG_0001_2.CR3", "IMG_0001_2.xmp"} << QStringList{};
        QTest::newRow("numbered sidecar name taken by a task")
            << QStringList{"a/X_2.NEF", "a/X_2.xmp", "b/X.CR3", "b/X.xmp"} << QStringList{"X.CR3"}
            << ConflictPolicy::keepNumbered << QStringList{"X_2.NEF", "X_2.xmp", "X_3.CR3", "X_3.xmp"} << QStringList{};
        QTest::newRow("skipped picture leaves its sidecar")
            << QStringList{"a/IMG_0001.CR3", "a/IMG_0001.xmp"} << QStringList{"IMG_0001.CR3"} << ConflictPolicy::skip
            << QStringList{} << QStringList{"alreadyExists"};
        QTest::newRow("sidecar name taken in another case")
            << QStringList{"a/IMG_0001.CR3", "a/IMG_0001.xmp"} << QStringList{"img_0001.XMP"}
            << ConflictPolicy::keepNumbered << QStringList{"IMG_0001_2.CR3", "IMG_0001_2.xmp"} << QStringList{};
        QTest::newRow("skip: picture goes, sidecar name taken")
            << QStringList{"a/IMG_0001.CR3", "a/IMG_0001.xmp"} << QStringList{"IMG_0001.xmp"} << ConflictPolicy::skip
            << QStringList{"IMG_0001.CR3"} << QStringList{"alreadyExists"};
        QTest::newRow("skip: second picture and its sidecar")
            << QStringList{"a/X.CR3", "a/X.xmp", "b/X.CR3", "b/X.xmp"} << QStringList{} << ConflictPolicy::skip
            << QStringList{"X.CR3", "X.xmp"} << QStringList{"nameConflict"};
        QTest::newRow("dangling link takes the name")
            << QStringList{"a/X.CR3"} << QStringList{"@X.CR3"} << ConflictPolicy::skip << QStringList{}
            << QStringList{"alreadyExists"};
    }
    void conflicts()
    {
        QFETCH(QStringList, sources);
        QFETCH(QStringList, existing);
        QFETCH(ConflictPolicy, policy);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, issues);
        QList<SelectionResult> results;
        for (const QString &s : sources) {
            const QString path = file(s);
            if (!s.endsWith(QLatin1String(".xmp"), Qt::CaseInsensitive))
                results << chosen(path);
        }
        for (const QString &e : existing) {
            if (e.startsWith(QLatin1Char('@')))
                QCOMPARE(::symlink("/nonexistent/target",
                                   encodePath(m_destination + QLatin1Char('/') + e.mid(1)).constData()),
                         0);
            else
                makeFile(m_destination + QLatin1Char('/') + e, "old");
        }
        const CopyPlan p = plan(results, SearchTarget::raw, true, policy);
        QCOMPARE(destinationNames(p), expected);
        QStringList kinds;
        for (const CopyPreflightIssue &i : p.issues) {
            kinds << rawValue(i.kind);
            QCOMPARE(i.message, localized("copy.conflict.skipped"));
            QVERIFY(i.sourceURL);
            QVERIFY(i.destinationURL && i.destinationURL->startsWith(m_destination));
            QCOMPARE(i.selectionIDs.size(), 1);
        }
        QCOMPARE(kinds, issues);
        for (const QString &e : existing) // nothing on disk changed
            if (!e.startsWith(QLatin1Char('@')))
                QCOMPARE(readFile(m_destination + QLatin1Char('/') + e), QByteArray("old"));
    }

    // A sidecar that is gone (a link to nowhere) or is a folder is an issue of its own; its
    // picture is still copied.
    void unusableSidecarIsReportedOnItsOwn_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("gone") << false;
        QTest::newRow("folder") << true;
    }
    void unusableSidecarIsReportedOnItsOwn()
    {
        QFETCH(bool, folder);
        const QString picture = file(QStringLiteral("a/IMG_1.CR3"));
        const QString sidecar = m_root + QStringLiteral("/a/IMG_1.xmp");
        if (folder)
            QVERIFY(QDir().mkpath(sidecar));
        else
            QCOMPARE(::symlink("/nonexistent/IMG_1.xmp", encodePath(sidecar).constData()), 0);
        const SelectionResult r = chosen(picture);
        const CopyPlan p = plan({r});
        QCOMPARE(destinationNames(p), QStringList{"IMG_1.CR3"});
        QCOMPARE(p.issues.size(), 1);
        QCOMPARE(p.issues[0].kind, CopyPreflightIssueKind::sourceUnavailable);
        QCOMPARE(p.issues[0].sourceURL, std::optional<FileURL>(sidecar));
        QCOMPARE(p.issues[0].selectionIDs, QSet<QUuid>{r.selection.id});
    }

    void missingSourceIsAnIssue()
    {
        const QString present = file(QStringLiteral("a/A.CR3"), 5);
        const SelectionResult missing = chosen(m_root + QStringLiteral("/a/B.CR3"));
        const CopyPlan p = plan({chosen(present), missing});
        QCOMPARE(destinationNames(p), QStringList{"A.CR3"});
        QCOMPARE(p.issues.size(), 1);
        QCOMPARE(p.issues[0].kind, CopyPreflightIssueKind::sourceUnavailable);
        QCOMPARE(p.issues[0].sourceURL, std::optional<FileURL>(m_root + QStringLiteral("/a/B.CR3")));
        QVERIFY(!p.issues[0].destinationURL);
        QCOMPARE(p.issues[0].selectionIDs, QSet<QUuid>{missing.selection.id});
        QCOMPARE(p.issues[0].message, localized("copy.error.source.unavailable"));
    }

    void freeSpace_data()
    {
        QTest::addColumn<std::optional<qint64>>("capacity");
        QTest::addColumn<bool>("issue");
        QTest::newRow("equal") << std::optional<qint64>(300) << false;
        QTest::newRow("one byte short") << std::optional<qint64>(299) << true;
        QTest::newRow("unreadable") << std::optional<qint64>() << false;
    }
    void freeSpace()
    {
        QFETCH(std::optional<qint64>, capacity);
        QFETCH(bool, issue);
        m_files.capacity = capacity;
        m_files.capacityUnreadable = !capacity;
        makeFile(m_destination + QStringLiteral("/C.CR3"), "x");
        const CopyPlan p = plan({chosen(file(QStringLiteral("a/A.CR3"), 100)),
                                 chosen(file(QStringLiteral("a/B.CR3"), 200)),
                                 chosen(file(QStringLiteral("a/C.CR3"), 50))},
                                SearchTarget::raw, true, ConflictPolicy::skip);
        QCOMPARE(p.totalBytes, 300);
        QCOMPARE(p.tasks.size(), 2);
        QCOMPARE(p.issues.size(), issue ? 2 : 1);
        QCOMPARE(p.issues.first().kind, CopyPreflightIssueKind::alreadyExists);
        if (issue) {
            const CopyPreflightIssue &space = p.issues.last(); // always last
            QCOMPARE(space.kind, CopyPreflightIssueKind::insufficientSpace);
            QVERIFY(!space.sourceURL);
            QCOMPARE(space.destinationURL, std::optional<FileURL>(m_destination));
            QVERIFY(space.selectionIDs.isEmpty());
            QCOMPARE(space.message, localized("error.insufficient.space"));
        }
    }
};

QTEST_GUILESS_MAIN(CopyPlannerTest)
#include "tst_copyplanner.moc"
