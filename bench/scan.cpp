// bench-scan: times the candidate scanner against `find TREE -type f` on the same warm tree.
//
//   bench-scan [DATA-FOLDER]
//
// Builds, once, a tree of 200,000 files in 2,000 folders under DATA-FOLDER/scan-tree (kept for
// later runs), with 1,000 selected names whose RAW files lie among them. Then, after a warm-up,
// runs several rounds of each and prints files per second, the scanner's peak memory over
// walking a quarter of the tree and the whole tree, and last the ratio scanner time / find time.

#include "matching/rawscanner.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

using namespace quillmore;

namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 100;
constexpr int kSelected = 1000;
constexpr int kRounds = 9;

QString fileName(int folder, int index)
{
    // Mostly RAW files, as on a card, with some JPEG and sidecar files among them.
    const int n = folder * kFilesPerFolder + index;
    const char *ext = (index % 10 == 3) ? "JPG" : (index % 10 == 7) ? "xmp" : (folder % 2 ? "CR3" : "NEF");
    return QStringLiteral("IMG_%1.%2").arg(n, 6, 10, QLatin1Char('0')).arg(QLatin1String(ext));
}

bool buildTree(const QString &root)
{
    const QString marker = root + QStringLiteral("/.complete");
    if (QFile::exists(marker))
        return true;
    std::fprintf(stderr, "building %d files in %d folders under %s (once)...\n", kFolders * kFilesPerFolder, kFolders,
                 qPrintable(root));
    QDir(root).removeRecursively();
    for (int f = 0; f < kFolders; ++f) {
        const QString folder = root + QStringLiteral("/card%1/DCIM/%2CANON").arg(f / 100).arg(100 + f % 100);
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const int fd = ::open(encodePath(folder + QLatin1Char('/') + fileName(f, i)).constData(),
                                  O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0)
                return false;
            ::close(fd);
        }
    }
    QFile m(marker);
    return m.open(QIODevice::WriteOnly);
}

QList<SelectedJPEG> selections()
{
    QList<SelectedJPEG> out;
    for (int i = 0; i < kSelected; ++i) {
        // Spread over the tree; every one names a RAW file (index % 10 is 0).
        const int n = i * (kFolders * kFilesPerFolder / kSelected);
        SelectedJPEG s;
        s.id = makeId();
        s.fileName = QStringLiteral("img_%1.jpg").arg(n, 6, 10, QLatin1Char('0'));
        s.baseName = baseName(s.fileName);
        out << s;
    }
    return out;
}

struct Timing {
    double wall = 0; // seconds
    double cpu = 0;  // user + system seconds
};

double cpuSeconds(const rusage &r)
{
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

double threadCpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_THREAD, &r);
    return cpuSeconds(r);
}

Timing runFind(const QString &root)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const QByteArray path = encodePath(root);
    char *argv[] = {const_cast<char *>("find"), const_cast<char *>(path.constData()), const_cast<char *>("-type"),
                    const_cast<char *>("f"), nullptr};
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv, environ) != 0)
        return {};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    posix_spawn_file_actions_destroy(&actions);
    return Timing{seconds, cpuSeconds(usage)};
}

struct ScanRun {
    Timing time;
    qint64 checked = 0;
    qint64 found = 0;
};

ScanRun runScanner(const QList<SelectedJPEG> &picks, const QList<FileURL> &locations, const QString &destination)
{
    RawScanner scanner;
    QElapsedTimer timer;
    const double cpuBefore = threadCpuSeconds();
    timer.start();
    const ScanOutput out = scanner.scanCandidates(picks, locations, SearchTarget::raw, destination, std::nullopt,
                                                  [](const ScanProgress &) {}, {});
    ScanRun r;
    r.time = Timing{double(timer.nsecsElapsed()) / 1e9, threadCpuSeconds() - cpuBefore};
    r.checked = out.checkedFiles;
    for (const auto &list : out.candidatesByKey)
        r.found += list.size();
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Resident memory high-water mark in KiB, and a reset of it.
long peakKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString data = standardizedPath(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bench-data"));
    const QString tree = data + QStringLiteral("/scan-tree");
    const QString destination = data + QStringLiteral("/scan-destination");
    QDir().mkpath(destination);
    if (!buildTree(tree)) {
        std::fprintf(stderr, "bench-scan: could not build the tree under %s\n", qPrintable(tree));
        return 1;
    }
    const QList<SelectedJPEG> picks = selections();

    // Warm the cache for both.
    runFind(tree);
    runScanner(picks, {tree}, destination);

    // Rounds alternate, so that load from elsewhere on the machine falls on both alike.
    std::vector<double> findTimes, scanTimes, findCpu, scanCpu;
    ScanRun last;
    for (int round = 0; round < kRounds; ++round) {
        const Timing f = runFind(tree);
        findTimes.push_back(f.wall);
        findCpu.push_back(f.cpu);
        last = runScanner(picks, {tree}, destination);
        scanTimes.push_back(last.time.wall);
        scanCpu.push_back(last.time.cpu);
    }
    const double findSeconds = median(findTimes);
    const double scanSeconds = median(scanTimes);
    const double files = double(kFolders * kFilesPerFolder);

    // Peak memory of a walk of a quarter of the tree and of the whole tree: equal when memory
    // does not grow with the files walked.
    QList<FileURL> quarter;
    for (int card = 0; card < kFolders / 100 / 4; ++card)
        quarter << tree + QStringLiteral("/card%1").arg(card);
    resetPeak();
    const long before = peakKiB();
    runScanner(picks, quarter, destination);
    const long quarterPeak = peakKiB();
    resetPeak();
    runScanner(picks, {tree}, destination);
    const long wholePeak = peakKiB();

    std::printf("tree: %.0f files in %d folders, %d selected names\n", files, kFolders, kSelected);
    std::printf("scanner: %lld files checked, %lld candidates found\n", static_cast<long long>(last.checked),
                static_cast<long long>(last.found));
    std::printf("find -type f: %.3f s median of %d (%.3f s CPU), %.0f files/s\n", findSeconds, kRounds,
                median(findCpu), files / findSeconds);
    std::printf("RawScanner:   %.3f s median of %d (%.3f s CPU), %.0f files/s\n", scanSeconds, kRounds,
                median(scanCpu), files / scanSeconds);
    std::printf("ratio scanner/find (CPU time): %.2f\n", median(scanCpu) / median(findCpu));
    std::printf("peak resident memory: %ld KiB before, %ld KiB walking 1/4 of the tree, %ld KiB walking all of it\n",
                before, quarterPeak, wholePeak);
    std::printf("ratio scanner/find (time, lower is better; target <= 1.00): %.2f\n", scanSeconds / findSeconds);
    return 0;
}
