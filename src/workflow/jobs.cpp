#include "jobs.h"

#include <QThreadPool>

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

} // namespace

void startJob(std::function<void()> body)
{
    jobPool().start(std::move(body));
}

bool waitForJobs(int timeoutMs)
{
    return jobPool().waitForDone(timeoutMs);
}

} // namespace quillmore
