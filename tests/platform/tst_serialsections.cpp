// OpenMP `parallel sections` regions, compiled by GCC as Tesseract's are, run by the program's
// own entry points in the calling thread.

#include "platform/serialsections.h"

#include <QTest>

#include <thread>
#include <vector>

using namespace quillmore;

namespace {

struct Ran {
    int section;
    std::thread::id thread;
};

// A region of three sections; the second opens a region of two inside it when `nested` is set.
std::vector<Ran> runRegion(bool nested)
{
    std::vector<Ran> ran;
    auto note = [&ran](int section) { ran.push_back({section, std::this_thread::get_id()}); };
#pragma omp parallel sections num_threads(4)
    {
#pragma omp section
        note(1);
#pragma omp section
        {
            note(2);
            if (nested) {
#pragma omp parallel sections num_threads(2)
                {
#pragma omp section
                    note(21);
#pragma omp section
                    note(22);
                }
            }
        }
#pragma omp section
        note(3);
    }
    return ran;
}

std::vector<int> sections(const std::vector<Ran> &ran)
{
    std::vector<int> numbers;
    for (const Ran &r : ran)
        numbers.push_back(r.section);
    return numbers;
}

} // namespace

class TestSerialSections : public QObject {
    Q_OBJECT
private slots:
    void eachSectionRunsOnceInTheCallingThread_data()
    {
        QTest::addColumn<bool>("nested");
        QTest::addColumn<std::vector<int>>("expected");
        QTest::newRow("one region") << false << std::vector<int>{1, 2, 3};
        QTest::newRow("a region inside a section") << true << std::vector<int>{1, 2, 21, 22, 3};
    }
    void eachSectionRunsOnceInTheCallingThread()
    {
        QFETCH(bool, nested);
        QFETCH(std::vector<int>, expected);
        const std::vector<Ran> ran = runRegion(nested);
        QCOMPARE(sections(ran), expected);
        for (const Ran &r : ran)
            QCOMPARE(r.thread, std::this_thread::get_id());
        // The next region starts from its first section again.
        QCOMPARE(sections(runRegion(nested)), expected);
    }

    void threadsRunTheirRegionsApart()
    {
        std::vector<std::vector<int>> seen(4);
        std::vector<std::thread> threads;
        for (std::size_t t = 0; t < seen.size(); ++t) {
            threads.emplace_back([&seen, t] {
                for (int k = 0; k < 200; ++k) {
                    if (sections(runRegion(true)) != std::vector<int>{1, 2, 21, 22, 3})
                        return;
                }
                seen[t] = sections(runRegion(false));
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        for (const std::vector<int> &s : seen)
            QCOMPARE(s, (std::vector<int>{1, 2, 3}));
    }
};

QTEST_APPLESS_MAIN(TestSerialSections)
#include "tst_serialsections.moc"
