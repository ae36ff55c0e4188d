#pragma once

// Stand-ins for the services, panels and desktop operations of the workflow controller, so that
// each of its states can be reached quickly and on purpose.

#include "workflow/workflowservices.h"

#include "support/fixtures.h"

#include "model/cancellation.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace quillmore::testing {

// A switch a fake service waits on, so that a test can catch it mid-run.
struct Gate {
    std::atomic<bool> open{true};
    std::atomic<int> entered{0};
    std::atomic<int> passes{0}; // while closed, this many may still pass
    void waitOpen(const std::stop_token &stop)
    {
        ++entered;
        while (!open && passes <= 0 && !stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!open && passes > 0)
            --passes;
    }
};

// Plans one task per result with a chosen file, named after the file; a file of that name in
// the destination becomes an alreadyExists issue under the skip policy.
class FakePlanner final : public CopyPlanning {
public:
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<bool>> reportInsufficientSpace = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    CopyPlan makePlan(const QList<SelectionResult> &results, const FileURL &destination, SearchTarget target,
                      bool includeXMP, ConflictPolicy policy) override
    {
        ++*calls;
        gate->waitOpen({});
        CopyPlan plan;
        for (const SelectionResult &r : results) {
            if (!r.chosenRAW || r.status == SelectionStatus::skipped)
                continue;
            const QString dest = appendingPathComponent(destination, lastPathComponent(*r.chosenRAW));
            if (!QFile::exists(*r.chosenRAW)) {
                plan.issues.append({makeId(),
                                    CopyPreflightIssueKind::sourceUnavailable,
                                    *r.chosenRAW,
                                    {},
                                    {r.id()},
                                    QStringLiteral("gone: ") + lastPathComponent(*r.chosenRAW)});
                continue;
            }
            if (QFile::exists(dest) && policy == ConflictPolicy::skip) {
                plan.issues.append({makeId(),
                                    CopyPreflightIssueKind::alreadyExists,
                                    *r.chosenRAW,
                                    dest,
                                    {r.id()},
                                    QStringLiteral("exists: ") + lastPathComponent(dest)});
                continue;
            }
            const qint64 size = QFileInfo(*r.chosenRAW).size();
            plan.tasks.append({makeId(),
                               *r.chosenRAW,
                               dest,
                               target == SearchTarget::raw ? CopyFileKind::raw : CopyFileKind::jpeg,
                               {r.id()},
                               size});
            plan.totalBytes += size;
            const QString xmp = deletingPathExtension(*r.chosenRAW) + QStringLiteral(".xmp");
            if (includeXMP && QFile::exists(xmp)) {
                plan.tasks.append({makeId(),
                                   xmp,
                                   appendingPathComponent(destination, lastPathComponent(xmp)),
                                   CopyFileKind::xmp,
                                   {r.id()},
                                   QFileInfo(xmp).size()});
                plan.totalBytes += QFileInfo(xmp).size();
            }
        }
        if (*reportInsufficientSpace)
            plan.issues.append(
                {makeId(), CopyPreflightIssueKind::insufficientSpace, {}, destination, {}, QStringLiteral("full")});
        return plan;
    }
};

// Copies with QFile, reporting progress per file and a per-chunk report with counts 0; fails the
// sources named in failNames; waits at the gate before each task.
class FakeCopier final : public SafeCopying {
public:
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::shared_ptr<QStringList> failNames = std::make_shared<QStringList>();
    std::shared_ptr<std::atomic<bool>> lastVerify = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> breaksOff = std::make_shared<std::atomic<bool>>(false); // throws
    CopyBatchResult copyAll(const QList<CopyTaskItem> &tasks, qint64 totalBytes, bool verify,
                            const CopyProgressSink &progress, std::stop_token stop) override
    {
        *lastVerify = verify;
        if (*breaksOff)
            throw std::runtime_error("the copier broke off");
        CopyBatchResult batch;
        qint64 done = 0;
        for (qsizetype i = 0; i < tasks.size(); ++i) {
            gate->waitOpen(stop);
            if (stop.stop_requested()) {
                batch.wasCancelled = true;
                break;
            }
            const CopyTaskItem &t = tasks[i];
            progress({lastPathComponent(t.sourceURL), 0, 0, done, totalBytes});
            CopyFileOutcome o{makeId(), t.sourceURL, t.destinationURL, t.kind, CopyOutcomeStatus::copied, {}, {},
                              {},       {}};
            if (failNames->contains(lastPathComponent(t.sourceURL))) {
                o.status = CopyOutcomeStatus::failed;
                o.destinationURL.reset();
                o.message = QStringLiteral("disk said no");
            } else if (!QFile::copy(t.sourceURL, t.destinationURL)) {
                o.status = CopyOutcomeStatus::skipped;
                o.message = QStringLiteral("exists");
            } else {
                done += t.size;
            }
            batch.outcomes.append(o);
            progress({lastPathComponent(t.sourceURL), i + 1, tasks.size(), done, totalBytes});
        }
        batch.copiedBytes = done;
        return batch;
    }
};

// Flags every copied file with the configured flags; can wait at a gate (to be cancelled there).
class FakeQualityChecker final : public QualityChecking {
public:
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    QSet<QualityFlag> flags{QualityFlag::duplicate};
    std::optional<Failure> fails; // the whole run breaks off with this failure
    QualityCheckBatchResult runChecks(const QList<CopyFileOutcome> &outcomes, const QualityCheckOptions &,
                                      const QualityStatusSink &status, std::stop_token stop) override
    {
        ++*calls;
        if (fails)
            throw FailureError(*fails);
        QualityCheckBatchResult result;
        for (const CopyFileOutcome &o : outcomes) {
            if (o.status != CopyOutcomeStatus::copied || !o.destinationURL || o.kind == CopyFileKind::xmp)
                continue;
            status(lastPathComponent(*o.destinationURL), QualityCheckKind::duplicates);
            gate->waitOpen(stop);
            throwIfCancelled(stop);
            result.flagsByDestinationPath.insert(standardizedPath(*o.destinationURL), flags);
        }
        return result;
    }
};

// Scans nothing but reports progress until stopped: for catching a scan mid-run.
class EndlessScanner final : public RAWScanning {
public:
    ScanOutput scanCandidates(const QList<SelectedJPEG> &selections, const QList<FileURL> &, SearchTarget,
                              const FileURL &, const std::optional<FileURL> &, const ScanProgressCallback &progress,
                              std::stop_token stop) override
    {
        for (qint64 n = 1;; ++n) {
            throwIfCancelled(stop);
            progress({QStringLiteral("/somewhere"), n, 0});
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return {selections, {}, {}, 0};
    }
};

// Returns the configured result after waiting at its gate; reports progress per screenshot.
class FakeScreenshotProcessor final : public ScreenshotOCRProcessing {
public:
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::shared_ptr<ScreenshotOCRResult> result = std::make_shared<ScreenshotOCRResult>();
    std::shared_ptr<std::atomic<bool>> fail = std::make_shared<std::atomic<bool>>(false);
    ScreenshotOCRResult processScreenshots(const QList<FileURL> &screenshots,
                                           const ScreenshotOCRProgressCallback &progress, std::stop_token stop) override
    {
        // When stopped, the names of the screenshots read before are returned, as the real
        // batch does.
        QList<FileURL> read;
        const auto partial = [&] {
            ScreenshotOCRResult kept;
            kept.wasCancelled = true;
            kept.screenshotCount = read.size();
            for (const ScreenshotNameCandidate &c : result->candidates)
                if (!c.sourceScreenshotURLs.isEmpty() && read.contains(c.sourceScreenshotURLs.first())) {
                    kept.candidates << c;
                    ++kept.filenameOccurrences;
                }
            return kept;
        };
        for (qsizetype i = 0; i < screenshots.size(); ++i) {
            if (stop.stop_requested())
                return partial();
            progress({i, screenshots.size(), screenshots[i]});
            gate->waitOpen(stop);
            if (stop.stop_requested())
                return partial();
            read << screenshots[i];
            progress({i + 1, screenshots.size(), screenshots[i]});
        }
        if (*fail)
            throw std::runtime_error("recognizer broke");
        return *result;
    }
};

// Panels answering from queues set by the test.
class FakePanels final : public WorkflowPanels {
public:
    std::shared_ptr<QList<QList<FileURL>>> folders = std::make_shared<QList<QList<FileURL>>>();
    std::shared_ptr<std::optional<FileURL>> candidateFile = std::make_shared<std::optional<FileURL>>();
    std::shared_ptr<std::optional<FileURL>> reportFile = std::make_shared<std::optional<FileURL>>();
    // Each panel's purpose and the folder it was to open in.
    std::shared_ptr<QList<QPair<PanelPurpose, std::optional<FileURL>>>> prepared =
        std::make_shared<QList<QPair<PanelPurpose, std::optional<FileURL>>>>();
    void preparePanel(PanelPurpose purpose, const std::optional<FileURL> &start) override
    {
        prepared->append({purpose, start});
    }
    QList<FileURL> chooseFolders(bool allowsMultiple) override
    {
        if (folders->isEmpty())
            return {};
        QList<FileURL> chosen = folders->takeFirst();
        return allowsMultiple ? chosen : chosen.mid(0, 1);
    }
    QList<FileURL> chooseScreenshots() override { return {}; }
    // Nothing: a file of another type was chosen, unless `dismissed`.
    std::shared_ptr<bool> dismissed = std::make_shared<bool>(false);
    CandidateFileChoice chooseCandidateFile(SearchTarget) override
    {
        if (*candidateFile || *dismissed)
            return *candidateFile;
        return CandidateFileChoice::unsuitableFile();
    }
    std::optional<FileURL> chooseReportDestination() override { return *reportFile; }
};

// Records access opened and closed, and folders opened.
class RecordingPlatform final : public WorkflowPlatform {
public:
    std::shared_ptr<QStringList> started = std::make_shared<QStringList>();
    std::shared_ptr<QStringList> stopped = std::make_shared<QStringList>();
    std::shared_ptr<QStringList> opened = std::make_shared<QStringList>();
    bool startAccess(const FileURL &url) override
    {
        started->append(url);
        return true;
    }
    void stopAccess(const FileURL &url) override { stopped->append(url); }
    std::shared_ptr<bool> browserAvailable = std::make_shared<bool>(true);
    bool openFolder(const FileURL &folder) override
    {
        opened->append(folder);
        return *browserAvailable;
    }
};

} // namespace quillmore::testing
