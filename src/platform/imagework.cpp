#include "imagework.h"

#include <opencv2/core/parallel/backend/parallel_for.tbb.hpp>

#include <memory>

namespace quillmore {

namespace {

// A thread keeps its work while `threadsReading` counts at least `keptWhileAtLeast`; never when
// it has no count.
thread_local const std::atomic<int> *threadsReading = nullptr;
thread_local int keptWhileAtLeast = 0;

bool workStaysOnThisThread()
{
    return threadsReading && threadsReading->load(std::memory_order_relaxed) >= keptWhileAtLeast;
}

// TBB's pool, as OpenCV uses it by default, except on a thread that keeps its work to itself.
class ImageWorkBackend final : public cv::parallel::ParallelForAPI {
public:
    void parallel_for(int tasks, FN_parallel_for_body_cb_t body, void *data) override
    {
        if (workStaysOnThisThread())
            body(0, tasks, data);
        else
            m_pool.parallel_for(tasks, body, data);
    }
    int getThreadNum() const override { return workStaysOnThisThread() ? 0 : m_pool.getThreadNum(); }
    // A loop splits its work into as many pieces as this says; on a thread that keeps its work,
    // one piece is the least overhead.
    int getNumThreads() const override { return workStaysOnThisThread() ? 1 : m_pool.getNumThreads(); }
    int setNumThreads(int threads) override { return m_pool.setNumThreads(threads); }
    const char *getName() const override { return "quillmore"; }

private:
    cv::parallel::tbb::ParallelForBackend m_pool;
};

} // namespace

void installImageWorkBackend()
{
    cv::parallel::setParallelForBackend(std::make_shared<ImageWorkBackend>());
}

void keepImageWorkOnThisThreadWhile(const std::atomic<int> &readers, int processors)
{
    threadsReading = &readers;
    keptWhileAtLeast = processors;
}

} // namespace quillmore
