// bench-quality: the file check and the blur check on 24-megapixel pictures, as the quality
// check service runs them (the file check over all files, then the blur check over all files).
//
// JPEG: against `djpeg -scale 1/4 -grayscale` of the same file (libjpeg-turbo's own tool; the
// floor, since every check has to entropy-decode the whole file once) and a full-size decode
// with Qt (the naive approach), plus Qt's scaled reader for reference. DNG: both checks per file,
// on one core. Peak memory is the peak resident size of a process that assesses one file.
//
// The parallel run: the quality check service (file check, then blur check) over a delivery of
// 200 JPEG and 50 DNG files, once on one core (`taskset -c 0`, one worker) and once on every core
// (as many workers as the service chooses), each in a process of its own with OMP_NUM_THREADS=1
// so that only the service's workers share the cores. The delivery is made of hard links to the
// generated files (the checks do not know: every link is a file of its own to them), which
// keeps the data set small; the page cache is warm for both runs.
//
//   bench-quality [data-folder] [--files N] [--repeats N] [--delivery JPEGS DNGS]
//
// Generated files are kept in <data-folder>/quality (default ./bench-data) and reused.

#include "copying/sha256filehasher.h"
#include "platform/imagepreview.h"
#include "platform/systemresources.h"
#include "quality/imagequalityanalyzer.h"
#include "quality/qualitycheckservice.h"
#include "support/testimages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QCoreApplication>
#include <QImageReader>
#include <QTemporaryFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <map>
#include <mutex>
#include <thread>
#include <cstdio>
#include <functional>
#include <vector>

extern char **environ;

using namespace quillmore;

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct ChildRun {
    double wallMs = 0;
    int exitCode = -1;
    QByteArray output;
};

// Runs a program to its end; its wall time and what it printed.
ChildRun runChild(const QStringList &arguments, const QStringList &extraEnvironment = {})
{
    ChildRun run;
    QTemporaryFile out;
    if (!out.open())
        return run;
    std::vector<QByteArray> argStore;
    for (const QString &a : arguments)
        argStore.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envStore;
    for (char **e = environ; *e; ++e)
        envStore.emplace_back(*e);
    for (const QString &e : extraEnvironment)
        envStore.push_back(e.toLocal8Bit());
    std::vector<char *> envp;
    for (QByteArray &e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.fileName().toLocal8Bit().constData(), O_WRONLY | O_TRUNC, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.wallMs = double(timer.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    out.seek(0);
    run.output = out.readAll();
    return run;
}

double cpuMsOfProcess()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec)) * 1000.0
        + (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) / 1000.0;
}

// The peak resident size of this process so far, in MB (VmHWM: unlike the rusage of a spawned
// child, it does not count the memory of the parent the child was started from).
double peakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Both checks over the files, in the service's order, by a fresh analyzer; ms per file.
double assessAll(const QStringList &files, int &flagged)
{
    ImageQualityAnalyzer analyzer;
    QElapsedTimer timer;
    timer.start();
    for (const QString &file : files)
        flagged += analyzer.assessFile(file, {}).value_or(false) ? 1 : 0;
    for (const QString &file : files)
        flagged += analyzer.assessBlur(file, {}).value_or(false) ? 1 : 0;
    return double(timer.nsecsElapsed()) / 1e6 / double(files.size());
}

// Child mode: assess one file `repeats` times; prints "<median wall ms> <median cpu ms> <answers>
// <peak MB>".
int assessChild(const QString &file, int repeats)
{
    std::vector<double> wall, cpu;
    QString answers;
    for (int i = 0; i < repeats; ++i) {
        ImageQualityAnalyzer analyzer;
        const double cpuBefore = cpuMsOfProcess();
        QElapsedTimer timer;
        timer.start();
        const auto fileAnswer = analyzer.assessFile(file, {});
        const auto blurAnswer = analyzer.assessBlur(file, {});
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMsOfProcess() - cpuBefore);
        const auto text = [](std::optional<bool> a) { return a ? (*a ? "true" : "false") : "absent"; };
        answers = QStringLiteral("file=%1,blur=%2").arg(text(fileAnswer), text(blurAnswer));
    }
    std::printf("%.2f %.2f %s %.1f\n", median(wall), median(cpu), qPrintable(answers), peakResidentMb());
    return 0;
}

// Tags nothing: the bench's files stay as they are.
class NoTags : public FinderTagging {
public:
    void applyTags(const QSet<QualityFlag> &, const FileURL &, std::stop_token) override {}
};

// The real analyzer, timing the CPU each thread spends in each check. On a machine shared with
// other work the wall time of a run says little about the cores it could use; the busiest
// thread's CPU time per check, summed over the checks, is the wall time the run would take on
// idle cores.
class TimedAnalyzer : public ImageQualityAnalyzing {
public:
    std::optional<bool> assessFile(const FileURL &file, std::stop_token stop) override
    {
        return timed(0, [&] { return m_analyzer.assessFile(file, stop); });
    }
    std::optional<bool> assessBlur(const FileURL &file, std::stop_token stop) override
    {
        return timed(1, [&] { return m_analyzer.assessBlur(file, stop); });
    }
    // Σ over the checks of the largest CPU time one thread spent in it, and the total, in ms.
    std::pair<double, double> busiestAndTotalMs()
    {
        std::lock_guard lock(m_mutex);
        double busiest = 0, total = 0;
        for (const auto &perThread : m_cpuMs) {
            double most = 0;
            for (const auto &[thread, ms] : perThread) {
                most = std::max(most, ms);
                total += ms;
            }
            busiest += most;
        }
        return {busiest, total};
    }

private:
    template <typename Fn>
    std::optional<bool> timed(int check, Fn fn)
    {
        const auto now = [] {
            timespec t{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
            return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
        };
        const double before = now();
        const std::optional<bool> answer = fn();
        const double spent = now() - before;
        std::lock_guard lock(m_mutex);
        m_cpuMs[std::size_t(check)][std::this_thread::get_id()] += spent;
        return answer;
    }
    ImageQualityAnalyzer m_analyzer;
    std::mutex m_mutex;
    std::array<std::map<std::thread::id, double>, 2> m_cpuMs;
};

// Child mode: the service's file and blur checks over the files listed (one a line) in
// `listFile`, with at most `workers` workers (0: the service's choice); prints "<wall ms>
// <workers used> <flags> <skips> <peak MB> <busiest-thread CPU ms> <total CPU ms>".
int serviceChild(const QString &listFile, int workers)
{
    QFile list(listFile);
    if (!list.open(QIODevice::ReadOnly))
        return 1;
    QList<CopyFileOutcome> outcomes;
    for (const QByteArray &line : list.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        CopyFileOutcome o;
        o.sourceURL = QString::fromLocal8Bit(line);
        o.destinationURL = o.sourceURL;
        o.kind = o.sourceURL.endsWith(QLatin1String(".dng")) ? CopyFileKind::raw : CopyFileKind::jpeg;
        o.status = CopyOutcomeStatus::copied;
        outcomes << o;
    }
    auto *analyzer = new TimedAnalyzer;
    QualityCheckService service(std::make_unique<SHA256FileHasher>(), std::unique_ptr<ImageQualityAnalyzing>(analyzer),
                                std::make_unique<NoTags>(), workers);
    QElapsedTimer timer;
    timer.start();
    const QualityCheckBatchResult result = service.runChecks(outcomes, {true, false, true}, {}, {});
    const double wall = double(timer.nsecsElapsed()) / 1e6;
    int flags = 0, skips = 0;
    for (const auto &set : result.flagsByDestinationPath)
        flags += int(set.size());
    for (const auto &set : result.skippedByDestinationPath)
        skips += int(set.size());
    const auto [busiest, total] = analyzer->busiestAndTotalMs();
    std::printf("%.1f %d %d %d %.1f %.1f %.1f\n", wall, service.workerCount(outcomes.size()), flags, skips,
                peakResidentMb(), busiest, total);
    return 0;
}

bool ensureJpeg(const QString &path, std::uint32_t seed)
{
    if (QFileInfo(path).size() > 0)
        return true;
    std::fprintf(stderr, "generating %s\n", qPrintable(path));
    const QString partial = path + QStringLiteral(".part");
    if (!testing::writeJpeg(testing::photoLikeScene(kWidth, kHeight, seed), partial, 95))
        return false;
    return QFile::rename(partial, path);
}

bool ensureDng(const QString &path, std::uint32_t seed)
{
    if (QFileInfo(path).size() > 0)
        return true;
    std::fprintf(stderr, "generating %s\n", qPrintable(path));
    const QString partial = path + QStringLiteral(".part");
    if (!testing::writeDng(testing::photoLikeScene(kWidth, kHeight, seed), partial, 1))
        return false;
    return QFile::rename(partial, path);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const QString self = args.takeFirst();
    if (args.size() >= 1 && args[0] == QStringLiteral("--assess"))
        return assessChild(args.value(1), args.value(2, QStringLiteral("1")).toInt());
    if (args.size() >= 1 && args[0] == QStringLiteral("--service"))
        return serviceChild(args.value(1), args.value(2, QStringLiteral("0")).toInt());
    if (args.size() >= 1 && args[0] == QStringLiteral("--idle")) {
        std::printf("0 0 - %.1f\n", peakResidentMb());
        return 0;
    }

    QString dataFolder = QStringLiteral("bench-data");
    int fileCount = 3;
    int repeats = 5;
    int deliveryJpegs = 200;
    int deliveryDngs = 50;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--delivery") && i + 2 < args.size()) {
            deliveryJpegs = std::max(0, args[++i].toInt());
            deliveryDngs = std::max(0, args[++i].toInt());
        } else if (args[i] == QStringLiteral("--files") && i + 1 < args.size())
            fileCount = std::max(1, args[++i].toInt());
        else if (args[i] == QStringLiteral("--repeats") && i + 1 < args.size())
            repeats = std::max(1, args[++i].toInt());
        else
            dataFolder = args[i];
    }
    const QString folder = QDir(dataFolder).absoluteFilePath(QStringLiteral("quality"));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "bench-quality: cannot make %s\n", qPrintable(folder));
        return 1;
    }
    QStringList jpegs, dngs;
    for (int i = 0; i < fileCount; ++i) {
        jpegs << QDir(folder).filePath(QStringLiteral("photo-%1.jpg").arg(i + 1));
        dngs << QDir(folder).filePath(QStringLiteral("photo-%1.dng").arg(i + 1));
        if (!ensureJpeg(jpegs.last(), 100 + std::uint32_t(i)) || !ensureDng(dngs.last(), 200 + std::uint32_t(i))) {
            std::fprintf(stderr, "bench-quality: cannot write the test files in %s\n", qPrintable(folder));
            return 1;
        }
    }
    qint64 jpegBytes = 0;
    for (const QString &f : jpegs)
        jpegBytes += QFileInfo(f).size();
    std::printf("bench-quality: %d JPEG files %dx%d (%.1f MB each on average), %d DNG files, %d repeats; "
                "medians, ms per file\n",
                fileCount, kWidth, kHeight, double(jpegBytes) / fileCount / 1e6, fileCount, repeats);

    // Warm the page cache so that every method reads from memory.
    for (const QString &f : jpegs + dngs) {
        QFile file(f);
        if (file.open(QIODevice::ReadOnly))
            while (!file.read(1 << 20).isEmpty()) {
            }
    }

    std::vector<double> djpegMs, oursMs, qtFullMs, qtScaledMs;
    int flagged = 0;
    for (int r = 0; r < repeats; ++r) {
        double djpegTotal = 0;
        for (const QString &f : jpegs) {
            const ChildRun run = runChild({QStringLiteral("djpeg"), QStringLiteral("-scale"), QStringLiteral("1/4"),
                                           QStringLiteral("-grayscale"), QStringLiteral("-outfile"),
                                           QStringLiteral("/dev/null"), f});
            if (run.exitCode != 0) {
                std::fprintf(stderr, "bench-quality: djpeg failed (is libjpeg-turbo-progs installed?)\n");
                return 1;
            }
            djpegTotal += run.wallMs;
        }
        djpegMs.push_back(djpegTotal / fileCount);
        oursMs.push_back(assessAll(jpegs, flagged));

        double qtTotal = 0, qtScaledTotal = 0;
        for (const QString &f : jpegs) {
            QElapsedTimer timer;
            timer.start();
            QImageReader full(f);
            const QImage image = full.read();
            qtTotal += double(timer.nsecsElapsed()) / 1e6;
            if (image.isNull())
                std::fprintf(stderr, "bench-quality: Qt could not read %s\n", qPrintable(f));
            timer.restart();
            QImageReader scaled(f);
            scaled.setAutoTransform(true);
            scaled.setScaledSize(QSize(768, 512));
            const QImage grey = scaled.read().convertToFormat(QImage::Format_Grayscale8);
            qtScaledTotal += double(timer.nsecsElapsed()) / 1e6;
        }
        qtFullMs.push_back(qtTotal / fileCount);
        qtScaledMs.push_back(qtScaledTotal / fileCount);
    }

    // Peak memory and one-core time, each in a process of its own.
    const auto fieldsOf = [](const ChildRun &run) {
        return QString::fromLocal8Bit(run.output).split(u' ', Qt::SkipEmptyParts);
    };
    const double idlePeak = fieldsOf(runChild({self, QStringLiteral("--idle")})).value(3).toDouble();
    double oursPeak = 0;
    for (const QString &f : jpegs) {
        const ChildRun run = runChild({self, QStringLiteral("--assess"), f, QStringLiteral("1")});
        oursPeak = std::max(oursPeak, fieldsOf(run).value(3).toDouble());
    }
    std::vector<double> dngWall, dngCpu;
    double dngPeak = 0;
    QString dngAnswers;
    for (const QString &f : dngs) {
        const ChildRun run = runChild({self, QStringLiteral("--assess"), f, QString::number(repeats)},
                                      {QStringLiteral("OMP_NUM_THREADS=1")});
        const QStringList fields = fieldsOf(run);
        if (run.exitCode != 0 || fields.size() < 4) {
            std::fprintf(stderr, "bench-quality: assessing %s failed\n", qPrintable(f));
            return 1;
        }
        dngWall.push_back(fields[0].toDouble());
        dngCpu.push_back(fields[1].toDouble());
        dngAnswers = fields[2].trimmed();
        dngPeak = std::max(dngPeak, fields[3].toDouble());
    }

    const double djpeg = median(djpegMs);
    const double ours = median(oursMs);
    const double qtFull = median(qtFullMs);
    const double qtScaled = median(qtScaledMs);
    std::printf("\nJPEG 24 MP                               ms/file   vs djpeg   peak MB\n");
    std::printf("  djpeg -scale 1/4 -grayscale (floor)   %8.1f   %7.2fx\n", djpeg, 1.0);
    std::printf("  file check + blur check (Quillmore)   %8.1f   %7.2fx   %7.1f\n", ours, ours / djpeg, oursPeak);
    std::printf("  Qt scaled reader to grey (reference)  %8.1f   %7.2fx\n", qtScaled, qtScaled / djpeg);
    std::printf("  Qt full-size decode (naive)           %8.1f   %7.2fx\n", qtFull, qtFull / djpeg);
    std::printf("  (this program doing nothing peaks at %.1f MB)\n", idlePeak);
    std::printf("\nDNG 24 MP, one core (OMP_NUM_THREADS=1): both checks %.1f ms wall, %.1f ms CPU per file, "
                "peak %.1f MB; answers %s\n",
                median(dngWall), median(dngCpu), dngPeak, qPrintable(dngAnswers));
    std::printf("\nratios: JPEG checks / djpeg = %.2f (target <= 1.30); naive Qt / JPEG checks = %.2f; "
                "JPEG peak %.1f MB (target < 64); DNG %.0f ms (target <= 1500)\n",
                ours / djpeg, qtFull / ours, oursPeak, median(dngWall));
    std::printf("(flags raised on the JPEG files over all repeats: %d)\n", flagged);

    // ---- the parallel run ----
    const QString deliveryFolder = QDir(folder).filePath(QStringLiteral("delivery"));
    QDir(deliveryFolder).removeRecursively();
    if (!QDir().mkpath(deliveryFolder))
        return 1;
    QStringList delivery;
    const auto link = [&](const QString &original, int n) {
        const QString name = QDir(deliveryFolder)
                                 .filePath(QStringLiteral("%1-%2.%3")
                                               .arg(QFileInfo(original).baseName())
                                               .arg(n)
                                               .arg(QFileInfo(original).suffix()));
        if (::link(QFile::encodeName(original).constData(), QFile::encodeName(name).constData()) != 0
            && !QFile::copy(original, name))
            return false;
        delivery << name;
        return true;
    };
    for (int i = 0; i < deliveryJpegs; ++i)
        if (!link(jpegs[i % jpegs.size()], i))
            return 1;
    for (int i = 0; i < deliveryDngs; ++i)
        if (!link(dngs[i % dngs.size()], i))
            return 1;
    QTemporaryFile listFile;
    if (!listFile.open())
        return 1;
    listFile.write(QFile::encodeName(delivery.join(QLatin1Char('\n'))));
    listFile.flush();
    const QStringList oneThread{QStringLiteral("OMP_NUM_THREADS=1")};
    std::vector<double> oneCore, allCores, oneBusiest, allBusiest;
    QStringList oneFields, allFields;
    for (int r = 0; r < std::max(1, repeats / 2); ++r) {
        const ChildRun one = runChild({QStringLiteral("taskset"), QStringLiteral("-c"), QStringLiteral("0"), self,
                                       QStringLiteral("--service"), listFile.fileName(), QStringLiteral("1")},
                                      oneThread);
        const ChildRun all = runChild({self, QStringLiteral("--service"), listFile.fileName(), QStringLiteral("0")},
                                      oneThread);
        oneFields = fieldsOf(one);
        allFields = fieldsOf(all);
        if (one.exitCode != 0 || all.exitCode != 0 || oneFields.size() < 7 || allFields.size() < 7) {
            std::fprintf(stderr, "bench-quality: the service run failed (is taskset installed?)\n");
            return 1;
        }
        oneCore.push_back(oneFields[0].toDouble());
        allCores.push_back(allFields[0].toDouble());
        oneBusiest.push_back(oneFields[5].toDouble());
        allBusiest.push_back(allFields[5].toDouble());
    }
    const int cores = usableProcessorCount();
    const double ratio = median(allCores) / median(oneCore);
    const double idleRatio = median(allBusiest) / median(oneBusiest);
    std::printf("\nQuality check service, file + blur checks of %d JPEG + %d DNG files (24 MP), OMP_NUM_THREADS=1\n",
                deliveryJpegs, deliveryDngs);
    std::printf("                                          wall ms   busiest-thread CPU ms   peak MB   flags/skips\n");
    std::printf("  one core (taskset -c 0, 1 worker)   %11.0f   %21.0f   %7.1f   %s/%s\n", median(oneCore),
                median(oneBusiest), oneFields[4].toDouble(), qPrintable(oneFields[2]), qPrintable(oneFields[3]));
    std::printf("  %d cores (%s workers)                %11.0f   %21.0f   %7.1f   %s/%s\n", cores,
                qPrintable(allFields[1]), median(allCores), median(allBusiest), allFields[4].toDouble(),
                qPrintable(allFields[2]), qPrintable(allFields[3]));
    std::printf("ratios, all cores / one core: wall %.2f; on idle cores (busiest thread's CPU) %.2f "
                "(target <= %.2f = 1 / (0.85 x %d))\n",
                ratio, idleRatio, 1.0 / (0.85 * cores), cores);
    if (oneFields[2] != allFields[2] || oneFields[3] != allFields[3])
        std::printf("MISMATCH: the parallel run found other flags or skips than the one-core run\n");
    return 0;
}
