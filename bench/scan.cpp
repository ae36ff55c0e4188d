// bench-scan: times the candidate scanner against `find TREE -type f` on the same warm tree, and
// against `find` and `fdfind -j 16` on a tree behind a file system that answers slowly.
//
//   bench-scan [DATA-FOLDER] [local|latency]
//
// Local: builds, once, a tree of 200,000 files in 2,000 folders under DATA-FOLDER/scan-tree (kept
// for later runs), with 1,000 selected names whose RAW files lie among them, and a selection
// folder of those 1,000 names. Then, after a warm-up, runs several rounds of each and prints
// files per second and the ratio scanner time / find time, in process and as a whole
// `quillmore-cli scan --json` process; the peak memory of both over a quarter of the tree and the
// whole tree; and how long a scan takes to stop, when asked, inside a folder of 100,000 entries.
//
// Latency: builds, once, 6,400 files in 64 folders under DATA-FOLDER/latency-tree and one folder
// of 2,000 files under DATA-FOLDER/latency-wide, and mounts each through bench/latencyfs.py (a
// FUSE pass-through that adds 1 ms to every lookup, getattr and readdir and lets the kernel cache
// nothing, as a network share does). Times find, fdfind -j 16 (Debian's fd-find) and the scanner
// there; the scanner also from a local folder that has the share mounted below it; and how long
// a scan there takes to stop when asked. Then unmounts. Needs /dev/fuse, fusermount and
// python3-fusepy (scripts/setup installs them).

#include "matching/rawscanner.h"
#include "model/cancellation.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
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

bool buildTree(const QString &root, int folders = kFolders, int filesPerFolder = kFilesPerFolder)
{
    const QString marker = root + QStringLiteral("/.complete");
    if (QFile::exists(marker))
        return true;
    std::fprintf(stderr, "building %d files in %d folders under %s (once)...\n", folders * filesPerFolder, folders,
                 qPrintable(root));
    QDir(root).removeRecursively();
    for (int f = 0; f < folders; ++f) {
        const QString folder = root + QStringLiteral("/card%1/DCIM/%2CANON").arg(f / 100).arg(100 + f % 100);
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < filesPerFolder; ++i) {
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
    double wall = 0;   // seconds
    double cpu = 0;    // user + system seconds
    long peakKiB = -1; // resident memory high-water mark of a command
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
    return Timing{seconds, cpuSeconds(usage), usage.ru_maxrss};
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

// The time from a stop request, made `afterMs` into a scan, until the scan has returned; -1 when
// the scan ended before the request.
double stopDelay(const QList<SelectedJPEG> &picks, const QList<FileURL> &locations, const QString &destination,
                 int afterMs)
{
    std::stop_source stop;
    std::atomic<bool> ended = false;
    std::thread scan([&] {
        RawScanner scanner;
        try {
            scanner.scanCandidates(
                picks, locations, SearchTarget::raw, destination, std::nullopt, [](const ScanProgress &) {},
                stop.get_token());
        } catch (const Cancelled &) {
        }
        ended = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
    const bool early = ended;
    QElapsedTimer timer;
    timer.start();
    stop.request_stop();
    scan.join();
    return early ? -1 : double(timer.nsecsElapsed()) / 1e6;
}

// latencyfs serving `source` at `mountPoint`, until unmounted.
struct LatencyMount {
    QString mountPoint;
    pid_t server = 0;
    bool mounted = false;

    LatencyMount(const QString &source, const QString &point) : mountPoint(point)
    {
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
        if (posix_spawn(&server, argv[0], nullptr, nullptr, argv, environ) != 0) {
            std::printf("latency tree: /usr/bin/python3 cannot be started\n");
            server = 0;
            return;
        }
        QElapsedTimer waited;
        waited.start();
        while (!isMounted(mountPoint) && waited.elapsed() < 15000) {
            int status = 0;
            if (waitpid(server, &status, WNOHANG) == server) {
                std::printf("latency tree: latencyfs could not mount (no /dev/fuse, no python3-fusepy, or no right "
                            "to mount here)\n");
                server = 0;
                return;
            }
            ::usleep(50000);
        }
        mounted = isMounted(mountPoint);
        if (!mounted)
            std::printf("latency tree: latencyfs did not mount within 15 s\n");
    }
    ~LatencyMount()
    {
        if (mounted)
            unmount(mountPoint);
        if (server > 0) {
            if (!mounted)
                ::kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
        }
    }
};

struct Rounds {
    std::vector<double> times;
    void add(double t) { times.push_back(t); }
    double best() const { return *std::min_element(times.begin(), times.end()); }
    double mid() const { return median(times); }
};

// find, fdfind and the scanner on one tree behind latencyfs. False when it could not be mounted.
bool latencyRows(const QString &what, const QString &source, const QString &mountPoint,
                 const QList<SelectedJPEG> &picks, const QString &destination, const QString &localAbove = {})
{
    constexpr int kLatencyRounds = 3;
    LatencyMount mount(source, mountPoint);
    if (!mount.mounted)
        return false;
    const QByteArray mountBytes = encodePath(mountPoint);
    Rounds find, fd, scan, below;
    ScanRun last;
    for (int round = 0; round < kLatencyRounds; ++round) {
        find.add(runFind(mountPoint).wall);
        fd.add(runCommand({"fdfind", "-j", "16", "-t", "f", "-u", ".", mountBytes}).wall);
        last = runScanner(picks, {mountPoint}, destination);
        scan.add(last.time.wall);
        if (!localAbove.isEmpty())
            below.add(runScanner(picks, {localAbove}, destination).time.wall);
    }
    std::printf("%s\n", qPrintable(what));
    std::printf("  scanner: %lld files checked, %lld candidates found\n", static_cast<long long>(last.checked),
                static_cast<long long>(last.found));
    std::printf("  find -type f:      %7.3f s median, %7.3f s best of %d\n", find.mid(), find.best(), kLatencyRounds);
    const bool haveFd = fd.best() > 0;
    if (haveFd)
        std::printf("  fdfind -j 16 -t f: %7.3f s median, %7.3f s best of %d\n", fd.mid(), fd.best(), kLatencyRounds);
    else
        std::printf("  fdfind -j 16 -t f: not installed (Debian package fd-find)\n");
    std::printf("  RawScanner:        %7.3f s median, %7.3f s best of %d\n", scan.mid(), scan.best(), kLatencyRounds);
    if (!localAbove.isEmpty())
        std::printf("  RawScanner from the local folder above the share: %7.3f s median, %7.3f s best\n", below.mid(),
                    below.best());
    std::printf("  speed-up over find (target >= 10): %.1f median, %.1f best\n", find.mid() / scan.mid(),
                find.best() / scan.best());
    if (haveFd)
        std::printf("  ratio scanner/fdfind (target <= 1.20): %.2f median, %.2f best\n", scan.mid() / fd.mid(),
                    scan.best() / fd.best());
    if (!localAbove.isEmpty()) {
        std::vector<double> delays;
        for (int round = 0; round < 5; ++round)
            delays.push_back(stopDelay(picks, {mountPoint}, destination, 200 + 50 * round));
        std::printf("  stop, asked 200 to 400 ms into the scan, honoured after (target <= 200 ms):");
        for (double d : delays)
            std::printf(d < 0 ? " (ended before)" : " %.0f ms", d);
        std::printf("\n");
    }
    return true;
}

void latencyBench(const QString &data, const QList<SelectedJPEG> &picks, const QString &destination)
{
    constexpr int kLatencyFolders = 64;
    const QString source = data + QStringLiteral("/latency-tree");
    const QString wide = data + QStringLiteral("/latency-wide");
    // The share is mounted below a local folder, as a NAS under a folder of the user's.
    const QString local = data + QStringLiteral("/latency-local");
    if (!buildTree(source, kLatencyFolders) || !buildTree(wide, 1, 2000) || !QDir().mkpath(local + "/share")) {
        std::printf("latency tree: cannot be built under %s\n", qPrintable(data));
        return;
    }
    latencyRows(QStringLiteral("latency tree: %1 files in %2 folders behind FUSE, 1 ms per lookup, getattr and readdir")
                    .arg(kLatencyFolders * kFilesPerFolder)
                    .arg(kLatencyFolders),
                source, local + "/share", picks, destination, local);
    latencyRows(QStringLiteral("latency tree, one folder of 2000 files behind FUSE"), wide,
                data + QStringLiteral("/latency-wide-mount"), picks, destination);
}

// A selection folder of the selected names, as the command-line program takes it.
bool buildSelection(const QString &folder, const QList<SelectedJPEG> &picks)
{
    if (QFile::exists(folder + QStringLiteral("/.complete")))
        return true;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (const SelectedJPEG &s : picks) {
        QFile f(folder + QLatin1Char('/') + s.fileName);
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    QFile m(folder + QStringLiteral("/.complete"));
    return m.open(QIODevice::WriteOnly);
}

// One folder of 100,000 entries, every one a candidate of one of the names.
bool buildCrowd(const QString &root, QList<SelectedJPEG> &picks)
{
    constexpr int kEntries = 100000;
    for (int i = 0; i < kEntries; i += 10) {
        SelectedJPEG s;
        s.id = makeId();
        s.fileName = QStringLiteral("DSC_%1.jpg").arg(i);
        s.baseName = baseName(s.fileName);
        picks << s;
    }
    if (QFile::exists(root + QStringLiteral("/.complete")))
        return true;
    std::fprintf(stderr, "building %d files in one folder under %s (once)...\n", kEntries, qPrintable(root));
    QDir().mkpath(root + QStringLiteral("/crowd"));
    const int folder = ::open(encodePath(root + QStringLiteral("/crowd")).constData(), O_RDONLY | O_DIRECTORY);
    if (folder < 0)
        return false;
    for (int i = 0; i < kEntries; ++i) {
        const QByteArray name = QByteArray("DSC_") + QByteArray::number(i) + ".ARW";
        const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    ::close(folder);
    QFile m(root + QStringLiteral("/.complete"));
    return m.open(QIODevice::WriteOnly);
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
    const QString selection = data + QStringLiteral("/scan-selection");
    if (!buildSelection(selection, picks)) {
        std::fprintf(stderr, "bench-scan: could not build the selection folder %s\n", qPrintable(selection));
        return 1;
    }
    // The whole program, as a user runs it: start-up, the selection, the scan and the JSON.
    const auto runCli = [&](const QList<FileURL> &locations) {
        std::vector<QByteArray> command{QUILLMORE_CLI, "scan", "--selection", encodePath(selection)};
        for (const FileURL &location : locations)
            command.insert(command.end(), {"--search", encodePath(location)});
        command.insert(command.end(), {"--dest", encodePath(destination), "--json"});
        return runCommand(command);
    };

    // Warm the cache for all.
    runFind(tree);
    runScanner(picks, {tree}, destination);
    runCli({tree});

    // Rounds alternate, so that load from elsewhere on the machine falls on all alike.
    std::vector<double> findTimes, scanTimes, cliTimes, findCpu, scanCpu;
    ScanRun last;
    for (int round = 0; round < kRounds; ++round) {
        const Timing f = runFind(tree);
        findTimes.push_back(f.wall);
        findCpu.push_back(f.cpu);
        last = runScanner(picks, {tree}, destination);
        scanTimes.push_back(last.time.wall);
        scanCpu.push_back(last.time.cpu);
        cliTimes.push_back(runCli({tree}).wall);
    }
    const double findSeconds = median(findTimes);
    const double scanSeconds = median(scanTimes);
    const double cliSeconds = median(cliTimes);
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
    const long cliQuarterPeak = runCli(quarter).peakKiB;
    const long cliWholePeak = runCli({tree}).peakKiB;

    // A stop asked for while a folder of 100,000 entries is listed.
    const QString crowd = data + QStringLiteral("/crowd-tree");
    QList<SelectedJPEG> crowdPicks;
    std::vector<double> stopDelays;
    if (buildCrowd(crowd, crowdPicks)) {
        runScanner(crowdPicks, {crowd}, destination); // warm
        for (int afterMs : {5, 20, 40, 60, 80})
            stopDelays.push_back(stopDelay(crowdPicks, {crowd}, destination, afterMs));
    }

    std::printf("tree: %.0f files in %d folders, %d selected names\n", files, kFolders, kSelected);
    std::printf("scanner: %lld files checked, %lld candidates found\n", static_cast<long long>(last.checked),
                static_cast<long long>(last.found));
    std::printf("find -type f: %.3f s median, %.3f s best of %d (%.3f s CPU), %.0f files/s\n", findSeconds,
                *std::min_element(findTimes.begin(), findTimes.end()), kRounds, median(findCpu), files / findSeconds);
    std::printf("RawScanner:   %.3f s median, %.3f s best of %d (%.3f s CPU), %.0f files/s\n", scanSeconds,
                *std::min_element(scanTimes.begin(), scanTimes.end()), kRounds, median(scanCpu), files / scanSeconds);
    std::printf("quillmore-cli scan --json: %.3f s median, %.3f s best of %d\n", cliSeconds,
                *std::min_element(cliTimes.begin(), cliTimes.end()), kRounds);
    std::printf("ratio scanner/find (CPU time): %.2f\n", median(scanCpu) / median(findCpu));
    std::printf("peak resident memory, in process: %ld KiB before, %ld KiB walking 1/4 of the tree, %ld KiB walking "
                "all of it\n",
                before, quarterPeak, wholePeak);
    std::printf("peak resident memory, quillmore-cli: %ld KiB for 1/4 of the tree, %ld KiB for all of it\n",
                cliQuarterPeak, cliWholePeak);
    std::printf("stop in a folder of 100,000 entries, asked 5 to 80 ms into the scan, honoured after (target <= 200 "
                "ms):");
    for (double d : stopDelays)
        std::printf(d < 0 ? " (ended before)" : " %.1f ms", d);
    std::printf("\n");
    std::printf("ratio scanner/find (time, lower is better; target <= 1.00): %.2f median, %.2f best\n",
                scanSeconds / findSeconds,
                *std::min_element(scanTimes.begin(), scanTimes.end())
                    / *std::min_element(findTimes.begin(), findTimes.end()));
    std::printf(
        "ratio quillmore-cli/find (whole process, target <= 1.10): %.2f median, %.2f best\n", cliSeconds / findSeconds,
        *std::min_element(cliTimes.begin(), cliTimes.end()) / *std::min_element(findTimes.begin(), findTimes.end()));
    return 0;
}
