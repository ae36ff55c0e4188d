#include "platform/imagework.h"

#include <QTest>

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace quillmore;

namespace {

// What one parallel loop of `count` indices did: how often it visited each index, and on which
// threads it ran.
struct LoopRun {
    std::vector<int> visits;
    std::set<std::thread::id> threads;
};

LoopRun runLoop(int count)
{
    LoopRun run;
    run.visits.assign(std::size_t(count), 0);
    std::mutex mutex;
    cv::parallel_for_(cv::Range(0, count), [&](const cv::Range &range) {
        std::lock_guard lock(mutex);
        run.threads.insert(std::this_thread::get_id());
        for (int i = range.start; i < range.end; ++i)
            ++run.visits[std::size_t(i)];
    });
    return run;
}

// A picture with detail everywhere, so that resizing it touches every row.
cv::Mat pattern()
{
    cv::Mat image(1200, 1600, CV_8UC3);
    cv::randu(image, cv::Scalar::all(0), cv::Scalar::all(255));
    return image;
}

// Keeps the calling thread's image work to itself for good: one reader of one processor.
void keepImageWork()
{
    static const std::atomic<int> oneReader(1);
    keepImageWorkOnThisThreadWhile(oneReader, 1);
}

cv::Mat resized(const cv::Mat &image)
{
    cv::Mat out;
    cv::resize(image, out, cv::Size(1000, 750), 0, 0, cv::INTER_AREA);
    return out;
}

} // namespace

class TestImageWork : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void loopsVisitEveryIndexOnce_data();
    void loopsVisitEveryIndexOnce();
    void keepingLastsForItsThreadOnly();
    void keptWhileReadersFillTheProcessors_data();
    void keptWhileReadersFillTheProcessors();
    void keptWorkGivesTheSamePictures();
};

void TestImageWork::initTestCase()
{
    installImageWorkBackend(); // before any image work, as a program's main does
}

void TestImageWork::loopsVisitEveryIndexOnce_data()
{
    QTest::addColumn<bool>("kept");
    QTest::addColumn<int>("count");
    for (const bool kept : {false, true}) {
        const char *where = kept ? "kept on its thread" : "on the pool";
        for (const int count : {1, 2, 7, 10000})
            QTest::addRow("%s, %d", where, count) << kept << count;
    }
}

void TestImageWork::loopsVisitEveryIndexOnce()
{
    QFETCH(bool, kept);
    QFETCH(int, count);
    LoopRun run;
    std::thread([&] {
        if (kept)
            keepImageWork();
        run = runLoop(count);
    }).join();
    QVERIFY(std::all_of(run.visits.cbegin(), run.visits.cend(), [](int visits) { return visits == 1; }));
}

void TestImageWork::keepingLastsForItsThreadOnly()
{
    const int poolThreads = cv::getNumThreads();
    std::thread([] { keepImageWork(); }).join();
    int elsewhere = 0;
    std::thread([&] { elsewhere = cv::getNumThreads(); }).join();
    QCOMPARE(elsewhere, poolThreads);
    QCOMPARE(cv::getNumThreads(), poolThreads);
}

void TestImageWork::keptWhileReadersFillTheProcessors_data()
{
    QTest::addColumn<int>("processors");
    QTest::addColumn<QList<int>>("readers"); // how many read, loop after loop
    QTest::addColumn<QList<bool>>("kept");
    QTest::newRow("as many as processors") << 2 << QList<int>{2} << QList<bool>{true};
    QTest::newRow("more than processors") << 4 << QList<int>{6} << QList<bool>{true};
    QTest::newRow("fewer than processors") << 8 << QList<int>{3} << QList<bool>{false};
    QTest::newRow("the others finish") << 2 << QList<int>{2, 1} << QList<bool>{true, false};
    QTest::newRow("one of four left") << 4 << QList<int>{4, 3, 1} << QList<bool>{true, false, false};
}

void TestImageWork::keptWhileReadersFillTheProcessors()
{
    QFETCH(int, processors);
    QFETCH(QList<int>, readers);
    QFETCH(QList<bool>, kept);
    const int poolThreads = cv::getNumThreads();
    std::atomic<int> reading(readers.first());
    QList<bool> seen;
    std::thread([&] {
        keepImageWorkOnThisThreadWhile(reading, processors);
        for (const int count : readers) {
            reading = count;
            const LoopRun run = runLoop(10000);
            const bool alone = run.threads == std::set<std::thread::id>{std::this_thread::get_id()};
            seen.append(alone && cv::getNumThreads() == 1);
        }
    }).join();
    if (poolThreads == 1 && kept.contains(false))
        QSKIP("OpenCV's pool has one thread here: a loop on the pool cannot be told from a kept one");
    QCOMPARE(seen, kept);
}

void TestImageWork::keptWorkGivesTheSamePictures()
{
    const cv::Mat image = pattern();
    const cv::Mat onThePool = resized(image);
    cv::Mat kept;
    std::thread([&] {
        keepImageWork();
        kept = resized(image);
    }).join();
    QCOMPARE(cv::norm(onThePool, kept, cv::NORM_INF), 0.0);
}

QTEST_GUILESS_MAIN(TestImageWork)
#include "tst_imagework.moc"
