// bench-gather: what the workflow controller adds to a whole job, against the same services
// called directly.
//
//   bench-gather [DATA-FOLDER]
//
// Builds, once, a tree of 200,000 files in 2,000 folders under DATA-FOLDER/gather-tree, among
// which 1,000 small RAW files (16 KiB each) are named by a selection folder of 1,000 JPEG files.
// Each round then runs, alternately:
//   baseline    readSelection, scanCandidates, buildResults, makePlan and copyAll (verified by
//               checksum) called one after another on this thread;
//   controller  WorkflowViewModel driving the same services through its jobs, its progress
//               deliveries to the event loop and its report, with the file check on (so the
//               copier verifies) and a quality checker that does nothing (so only the
//               controller's own cost is added).
// Each run copies into a new folder. Prints the medians and last the ratio
// controller / baseline (target <= 1.10).

#include "platform/paths.h"
#include "workflow/defaultservices.h"
#include "workflow/jobs.h"
#include "workflow/workflowviewmodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace quillmore;

namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 100;
constexpr int kSelected = 1000;
constexpr int kRawBytes = 16 * 1024;
constexpr int kRounds = 7;

QString fileName(int folder, int index)
{
    const int n = folder * kFilesPerFolder + index;
    const char *ext = (index % 10 == 3) ? "JPG" : (index % 10 == 7) ? "xmp" : (folder % 2 ? "CR3" : "NEF");
    return QStringLiteral("IMG_%1.%2").arg(n, 6, 10, QLatin1Char('0')).arg(QLatin1String(ext));
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(encodePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    return ok;
}

// Every (kFolders * kFilesPerFolder / kSelected)-th file is selected; those are RAW files (index
// % 10 == 0) and get content.
bool buildTree(const QString &root, const QString &selection)
{
    const QString marker = root + QStringLiteral("/.complete");
    if (QFile::exists(marker))
        return true;
    std::fprintf(stderr, "building %d files in %d folders under %s (once)...\n", kFolders * kFilesPerFolder, kFolders,
                 qPrintable(root));
    QDir(root).removeRecursively();
    QDir(selection).removeRecursively();
    QDir().mkpath(selection);
    const int step = kFolders * kFilesPerFolder / kSelected;
    QByteArray content(kRawBytes, Qt::Uninitialized);
    for (int f = 0; f < kFolders; ++f) {
        const QString folder = root + QStringLiteral("/card%1/DCIM/%2CANON").arg(f / 100).arg(100 + f % 100);
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const int n = f * kFilesPerFolder + i;
            QByteArray bytes;
            if (n % step == 0) {
                QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(content.data()), kRawBytes / 4);
                bytes = content;
                if (!writeBytes(selection + QStringLiteral("/img_%1.jpg").arg(n, 6, 10, QLatin1Char('0')),
                                "\xFF\xD8\xFF\xD9"))
                    return false;
            }
            if (!writeBytes(folder + QLatin1Char('/') + fileName(f, i), bytes))
                return false;
        }
    }
    QFile m(marker);
    return m.open(QIODevice::WriteOnly);
}

// A quality checker that checks nothing: the controller run pays only for its own work.
class NoChecks final : public QualityChecking {
public:
    QualityCheckBatchResult runChecks(const QList<CopyFileOutcome> &, const QualityCheckOptions &,
                                      const QualityStatusSink &, std::stop_token) override
    {
        return {};
    }
};

struct Run {
    double seconds = 0; // wall time
    double cpu = 0;     // user time of the whole process (every thread): the work done outside the
                        // file system, where the controller's own cost shows
    qint64 copied = 0;
};

double processCpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_utime.tv_sec) + double(r.ru_utime.tv_usec) / 1e6;
}

Run runBaseline(const QString &selection, const QString &tree, const QString &destination)
{
    WorkflowServices s = makeDefaultWorkflowServices(nullptr);
    QElapsedTimer timer;
    const double cpuBefore = processCpuSeconds();
    timer.start();
    const SelectionReadResult read = s.selectionReader->readSelection(selection, {});
    const ScanOutput out = s.scanner->scanCandidates(read.selections, {tree}, SearchTarget::raw, destination, selection,
                                                     [](const ScanProgress &) {}, {});
    const QList<SelectionResult> results = buildResults(out.selections, out.candidatesByKey);
    const CopyPlan plan = s.planner->makePlan(results, destination, SearchTarget::raw, true, ConflictPolicy::skip);
    const CopyBatchResult batch = s.copier->copyAll(plan.tasks, plan.totalBytes, true, [](const CopyProgress &) {}, {});
    Run r{double(timer.nsecsElapsed()) / 1e9, processCpuSeconds() - cpuBefore, 0};
    for (const CopyFileOutcome &o : batch.outcomes)
        r.copied += o.status == CopyOutcomeStatus::copied ? 1 : 0;
    return r;
}

template <typename Pred>
void waitUntil(WorkflowViewModel &vm, Pred done)
{
    QEventLoop loop;
    QObject::connect(&vm, &WorkflowViewModel::changed, &loop, [&] {
        if (done())
            loop.quit();
    });
    if (!done())
        loop.exec();
}

Run runController(const QString &selection, const QString &tree, const QString &destination, const QString &settingsDir)
{
    WorkflowServices services = makeDefaultWorkflowServices(nullptr);
    services.qualityChecker = std::make_unique<NoChecks>();
    auto settings = std::make_unique<QSettings>(settingsDir + QStringLiteral("/bench.ini"), QSettings::IniFormat);
    QElapsedTimer timer;
    const double cpuBefore = processCpuSeconds();
    timer.start();
    qint64 copied = 0;
    {
        WorkflowViewModel vm(std::move(services), std::move(settings));
        vm.setFileCheckEnabled(true);
        vm.setSelectionFolder(selection);
        vm.setSearchLocations({tree});
        vm.setDestinationFolder(destination);
        vm.startScan();
        waitUntil(vm, [&] { return vm.stage() != WorkflowStage::scanning && !vm.isPlanning(); });
        vm.startCopy();
        waitUntil(vm, [&] { return vm.stage() == WorkflowStage::completed || vm.stage() == WorkflowStage::summary; });
        copied = vm.copiedPrimaryOutcomes().size();
    }
    waitForJobs(-1); // every job of the controller has ended before the clock stops
    return Run{double(timer.nsecsElapsed()) / 1e9, processCpuSeconds() - cpuBefore, copied};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString data = standardizedPath(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("bench-data"));
    const QString tree = data + QStringLiteral("/gather-tree");
    const QString selection = data + QStringLiteral("/gather-selection");
    const QString destinations = data + QStringLiteral("/gather-destinations");
    if (!buildTree(tree, selection)) {
        std::fprintf(stderr, "bench-gather: could not build the tree under %s\n", qPrintable(tree));
        return 1;
    }
    QTemporaryDir settingsDir;

    // Every run copies into a folder of its own: creating files where as many were just deleted
    // costs the file system more, and would fall on whichever run comes next.
    int runNumber = 0;
    const auto freshDestination = [&] {
        const QString folder = destinations + QStringLiteral("/run%1").arg(++runNumber);
        QDir().mkpath(folder);
        return folder;
    };
    QDir(destinations).removeRecursively();

    // Warm-up of both.
    runBaseline(selection, tree, freshDestination());
    runController(selection, tree, freshDestination(), settingsDir.path());

    std::vector<double> baseline, controller, baselineCpu, controllerCpu;
    Run lastBase, lastController;
    for (int round = 0; round < kRounds; ++round) {
        // Alternating which goes first, so that neither always follows the other's writes.
        const auto base = [&] {
            lastBase = runBaseline(selection, tree, freshDestination());
            baseline.push_back(lastBase.seconds);
            baselineCpu.push_back(lastBase.cpu);
        };
        const auto viaController = [&] {
            lastController = runController(selection, tree, freshDestination(), settingsDir.path());
            controller.push_back(lastController.seconds);
            controllerCpu.push_back(lastController.cpu);
        };
        if (round % 2 == 0) {
            base();
            viaController();
        } else {
            viaController();
            base();
        }
    }
    QDir(destinations).removeRecursively();
    waitForJobs(-1);

    std::printf("tree: %d files in %d folders, %d selected names, %d RAW files of %d KiB copied with verification\n",
                kFolders * kFilesPerFolder, kFolders, kSelected, kSelected, kRawBytes / 1024);
    std::printf("baseline (services called directly): %.3f s median of %d (%.3f s user CPU), %lld copied\n",
                median(baseline), kRounds, median(baselineCpu), static_cast<long long>(lastBase.copied));
    std::printf("controller (WorkflowViewModel):       %.3f s median of %d (%.3f s user CPU), %lld copied\n",
                median(controller), kRounds, median(controllerCpu), static_cast<long long>(lastController.copied));
    std::printf("ratio controller/baseline (user CPU time of the process): %.3f\n",
                median(controllerCpu) / median(baselineCpu));
    std::printf("ratio controller/baseline (time, lower is better; target <= 1.10): %.3f\n",
                median(controller) / median(baseline));
    return lastBase.copied == kSelected && lastController.copied == kSelected ? 0 : 1;
}
