// bench-scan: times the candidate scanner against `find TREE -type f` on the same warm tree, and
// against `find` and `fdfind -j 16` on a tree behind a file system that answers slowly.
//
//   bench-scan [DATA-FOLDER] [local|latency]
//
// Local: builds, once, a tree of 200,000 files in 2,000 folders under DATA-FOLDER/scan-tree (kept
// for later runs), with 1,000 selected names whose RAW files lie among them. Then, after a
// warm-up, runs several rounds of each and prints files per second, the scanner's peak memory
// over walking a quarter of the tree and the whole tree, and the ratio scanner time / find time.
//
// Latency: builds, once, 6,400 files in 64 folders under DATA-FOLDER/latency-tree and mounts it
// through bench/latencyfs.py (a FUSE pass-through that adds 1 ms to every lookup, getattr and
// readdir and lets the kernel cache nothing, as a network share does) at
// DATA-FOLDER/latency-mount; times find, fdfind -j 16 (Debian's fd-find) and the scanner there,
// then unmounts. Needs /dev/fuse, fusermount and python3-fusepy (scripts/setup installs them).

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
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
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

bool buildTree(const QString &root, int folders = kFolders)
{
    const QString marker = root + QStringLiteral("/.complete");
    if (QFile::exists(marker))
        return true;
    std::fprintf(stderr, "building %d files in %d folders under %s (once)...\n", folders * kFilesPerFolder, folders,
                 qPrintable(root));
    QDir(root).removeRecursively();
    for (int f = 0; f < folders; ++f) {
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

// Runs a command with its output thrown away; a wall time of 0 when it cannot be started.
Timing runCommand(const std::vector<QByteArray> &command)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const QByteArray &arg : command)
        argv.push_back(const_cast<char *>(arg.constData()));
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        return {};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127)
        return {};
    return Timing{seconds, cpuSeconds(usage)};
}

Timing runFind(const QString &root)
{
    return runCommand({"find", encodePath(root), "-type", "f"});
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

bool isMounted(const QString &folder)
{
    struct stat inner, outer;
    return ::stat(encodePath(folder).constData(), &inner) == 0
        && ::stat(encodePath(parentPath(folder)).constData(), &outer) == 0 && inner.st_dev != outer.st_dev;
}

void unmount(const QString &mountPoint)
{
    for (const char *tool : {"fusermount3", "fusermount"}) {
        if (runCommand({tool, "-u", encodePath(mountPoint)}).wall > 0 && !isMounted(mountPoint))
            return;
    }
}

// The scanner, find and fdfind on a tree behind latencyfs. False when it could not be mounted.
bool latencyBench(const QString &data, const QList<SelectedJPEG> &picks, const QString &destination)
{
    constexpr int kLatencyFolders = 64;
    constexpr int kLatencyRounds = 3;
    const QString source = data + QStringLiteral("/latency-tree");
    const QString mountPoint = data + QStringLiteral("/latency-mount");
    if (!buildTree(source, kLatencyFolders))
        return false;
    QDir().mkpath(mountPoint);
    if (isMounted(mountPoint))
        unmount(mountPoint);

    const QByteArray script = QUILLMORE_LATENCYFS;
    const QByteArray sourceBytes = encodePath(source);
    const QByteArray mountBytes = encodePath(mountPoint);
    char *argv[] = {const_cast<char *>("/usr/bin/python3"),
                    const_cast<char *>(script.constData()),
                    const_cast<char *>(sourceBytes.constData()),
                    const_cast<char *>(mountBytes.constData()),
                    const_cast<char *>("1"),
                    nullptr};
    pid_t server = 0;
    if (posix_spawn(&server, argv[0], nullptr, nullptr, argv, environ) != 0) {
        std::printf("latency tree: /usr/bin/python3 cannot be started\n");
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (!isMounted(mountPoint) && waited.elapsed() < 15000) {
        int status = 0;
        if (waitpid(server, &status, WNOHANG) == server) {
            std::printf("latency tree: latencyfs could not mount (no /dev/fuse, no python3-fusepy, or no right to "
                        "mount here)\n");
            return false;
        }
        ::usleep(50000);
    }
    if (!isMounted(mountPoint)) {
        ::kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
        std::printf("latency tree: latencyfs did not mount within 15 s\n");
        return false;
    }

    std::vector<double> findTimes, fdTimes, scanTimes;
    ScanRun last;
    for (int round = 0; round < kLatencyRounds; ++round) {
        findTimes.push_back(runFind(mountPoint).wall);
        fdTimes.push_back(runCommand({"fdfind", "-j", "16", "-t", "f", "-u", ".", mountBytes}).wall);
        last = runScanner(picks, {mountPoint}, destination);
        scanTimes.push_back(last.time.wall);
    }
    unmount(mountPoint);
    waitpid(server, nullptr, 0);

    const double findSeconds = median(findTimes);
    const double fdSeconds = median(fdTimes);
    const double scanSeconds = median(scanTimes);
    std::printf("latency tree: %d files in %d folders behind FUSE, 1 ms per lookup, getattr and readdir\n",
                kLatencyFolders * kFilesPerFolder, kLatencyFolders);
    std::printf("  scanner: %lld files checked, %lld candidates found\n", static_cast<long long>(last.checked),
                static_cast<long long>(last.found));
    std::printf("  find -type f:      %7.3f s median of %d\n", findSeconds, kLatencyRounds);
    if (fdSeconds > 0)
        std::printf("  fdfind -j 16 -t f: %7.3f s median of %d\n", fdSeconds, kLatencyRounds);
    else
        std::printf("  fdfind -j 16 -t f: not installed (Debian package fd-find)\n");
    std::printf("  RawScanner:        %7.3f s median of %d\n", scanSeconds, kLatencyRounds);
    std::printf("  speed-up over find (target >= 10): %.1f\n", findSeconds / scanSeconds);
    if (fdSeconds > 0)
        std::printf("  ratio scanner/fdfind (target <= 1.20): %.2f\n", scanSeconds / fdSeconds);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString data = standardizedPath(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bench-data"));
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const QString tree = data + QStringLiteral("/scan-tree");
    const QString destination = data + QStringLiteral("/scan-destination");
    QDir().mkpath(destination);
    const QList<SelectedJPEG> latencyPicks = selections();
    if (only != QLatin1String("local")) {
        latencyBench(data, latencyPicks, destination);
        if (only == QLatin1String("latency"))
            return 0;
    }
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
    std::printf("find -type f: %.3f s median of %d (%.3f s CPU), %.0f files/s\n", findSeconds, kRounds, median(findCpu),
                files / findSeconds);
    std::printf("RawScanner:   %.3f s median of %d (%.3f s CPU), %.0f files/s\n", scanSeconds, kRounds, median(scanCpu),
                files / scanSeconds);
    std::printf("ratio scanner/find (CPU time): %.2f\n", median(scanCpu) / median(findCpu));
    std::printf("peak resident memory: %ld KiB before, %ld KiB walking 1/4 of the tree, %ld KiB walking all of it\n",
                before, quarterPeak, wholePeak);
    std::printf("ratio scanner/find (time, lower is better; target <= 1.00): %.2f\n", scanSeconds / findSeconds);
    return 0;
}
