#include "systemresources.h"

#include <QByteArray>
#include <QFile>

#include <sched.h>
#include <unistd.h>

#include <thread>

namespace quillmore {

int usableProcessorCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return count;
    }
    return std::max(1, int(std::thread::hardware_concurrency()));
}

std::optional<qint64> availableMemoryBytes()
{
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : meminfo.readAll().split('\n')) {
            if (!line.startsWith("MemAvailable:"))
                continue;
            bool ok = false;
            const qint64 kilobytes = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
            if (ok)
                return kilobytes * 1024;
        }
    }
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return qint64(pages) * qint64(pageSize);
    return std::nullopt;
}

} // namespace quillmore
