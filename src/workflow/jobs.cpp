#include "jobs.h"

#include <QThreadPool>

#include <deque>
#include <mutex>

namespace quillmore {
namespace {

QThreadPool &jobPool()
{
    // Scan or copy, re-plan and screenshot reading may overlap, and a cancelled job may still be
    // finishing its current file: room for all of them.
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(8);
        return p;
    }();
    return *pool;
}

// The jobs not yet taken by a pool thread. A job's closure reaches its thread through this queue
// and its mutex rather than through the pool's own hand-over, so that ThreadSanitizer (which
// cannot see inside Qt) checks everything a job shares with the GUI thread.
std::mutex queueMutex;
std::deque<std::function<void()>> queue;

void runNextJob()
{
    std::function<void()> body;
    {
        std::lock_guard lock(queueMutex);
        body = std::move(queue.front());
        queue.pop_front();
    }
    body();
}

} // namespace

void startJob(std::function<void()> body)
{
    {
        std::lock_guard lock(queueMutex);
        queue.push_back(std::move(body));
    }
    jobPool().start(runNextJob); // one run per job queued
}

bool waitForJobs(int timeoutMs)
{
    return jobPool().waitForDone(timeoutMs);
}

} // namespace quillmore
