#include "qualitycheckservice.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/systemresources.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace quillmore {
namespace {

struct Item {
    FileURL destination;
    QString key;
    QString name;
    std::optional<QString> knownDigest;
};

// The outcomes worth checking: copied RAW and JPEG files with a destination, each destination
// once.
QList<Item> selectItems(const QList<CopyFileOutcome> &outcomes)
{
    QList<Item> items;
    QSet<QString> seen;
    for (const CopyFileOutcome &outcome : outcomes) {
        if (outcome.status != CopyOutcomeStatus::copied || outcome.kind == CopyFileKind::xmp || !outcome.destinationURL)
            continue;
        const QString key = standardizedPath(*outcome.destinationURL);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        items.append({*outcome.destinationURL, key, lastPathComponent(key), outcome.sha256});
    }
    return items;
}

// The answer of one analyzer question, or the error that stood in for it.
struct Answer {
    std::optional<bool> value;
    bool failed = false;
};

template <typename Ask>
Answer ask(Ask &&question)
{
    try {
        return {question(), false};
    } catch (const Cancelled &) {
        throw;
    } catch (...) {
        return {std::nullopt, true};
    }
}

// Runs work(i) for every i below count on up to `workers` threads, the calling one included.
// The first exception (a cancellation) stops the handing out of items and is passed on once
// every thread has finished.
template <typename Work>
void inParallel(qsizetype count, int workers, Work &&work)
{
    std::atomic<qsizetype> next{0};
    std::atomic<bool> stopped{false};
    std::exception_ptr first;
    std::mutex firstMutex;
    const auto run = [&] {
        while (!stopped.load()) {
            const qsizetype i = next.fetch_add(1);
            if (i >= count)
                return;
            try {
                work(i);
            } catch (...) {
                std::lock_guard lock(firstMutex);
                if (!first)
                    first = std::current_exception();
                stopped = true;
                return;
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (qsizetype t = 1; t < std::min<qsizetype>(workers, count); ++t)
            helpers.emplace_back(run);
        run();
    } // the helpers are joined here
    if (first)
        std::rethrow_exception(first);
}

// Records that the step failed for the file, with the facts when the failure has them.
void noteError(QualityCheckBatchResult &result, const QString &key, const char *messageKey, std::exception_ptr error)
{
    result.errorsByDestinationPath[key] = localized(messageKey);
    if (!error)
        return;
    try {
        std::rethrow_exception(error);
    } catch (const FailureError &e) {
        result.failuresByDestinationPath[key] = e.failure();
    } catch (...) {
    }
}

} // namespace

const char *statusKey(QualityCheckKind check)
{
    switch (check) {
    case QualityCheckKind::fileCheck: return L10N("status.quality.file.check");
    case QualityCheckKind::duplicates: return L10N("status.quality.duplicates");
    case QualityCheckKind::sharpness: return L10N("status.quality.sharpness");
    case QualityCheckKind::tags: return L10N("status.quality.tags");
    }
    return L10N("status.quality.file.check");
}

QualityCheckService::QualityCheckService(std::unique_ptr<FileHashing> hasher,
                                         std::unique_ptr<ImageQualityAnalyzing> analyzer,
                                         std::unique_ptr<FinderTagging> tagger, int maximumWorkers)
    : m_hasher(std::move(hasher)),
      m_analyzer(std::move(analyzer)),
      m_tagger(std::move(tagger)),
      m_maximumWorkers(maximumWorkers)
{
}

int QualityCheckService::workerCount(qsizetype items) const
{
    int workers = usableProcessorCount();
    // A RAW preview peaks at about 130 MB: leave the other half of the free memory alone.
    if (const std::optional<qint64> available = availableMemoryBytes())
        workers = int(std::min<qint64>(workers, *available / 2 / previewPeakBytes));
    if (m_maximumWorkers > 0)
        workers = std::min(workers, m_maximumWorkers);
    return int(std::clamp<qsizetype>(std::min<qsizetype>(workers, items), 1, std::max<qsizetype>(items, 1)));
}

QualityCheckBatchResult QualityCheckService::runChecks(const QList<CopyFileOutcome> &outcomes,
                                                       const QualityCheckOptions &options,
                                                       const QualityStatusSink &status, std::stop_token stop)
{
    std::lock_guard lock(m_mutex);
    QualityCheckBatchResult result;
    if (!options.wantsCheck())
        return result;
    const QList<Item> items = selectItems(outcomes);
    if (items.isEmpty())
        return result;
    const int workers = workerCount(items.size());

    // Several files are looked at at once; the status sink hears of them one at a time.
    std::mutex statusMutex;
    const auto announce = [&](const Item &item, QualityCheckKind check) {
        throwIfCancelled(stop);
        if (status) {
            std::lock_guard statusLock(statusMutex);
            status(item.name, check);
        }
    };

    // Each pass fills one answer per item, in parallel, and then records them in item order, so
    // that the result is the same as one file at a time.
    if (options.fileCheck) {
        std::vector<Answer> answers(std::size_t(items.size()));
        inParallel(items.size(), workers, [&](qsizetype i) {
            const Item &item = items[i];
            announce(item, QualityCheckKind::fileCheck);
            answers[std::size_t(i)] = ask([&] { return m_analyzer->assessFile(item.destination, stop); });
        });
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item &item = items[i];
            const Answer &answer = answers[std::size_t(i)];
            if (answer.value == true)
                result.flagsByDestinationPath[item.key].insert(QualityFlag::fileCheck);
            else if (!answer.value)
                result.skippedByDestinationPath[item.key].insert(QualityCheckSkip::fileCheckNotAssessed);
            if (answer.failed)
                result.errorsByDestinationPath[item.key] = localized("quality.error.file.check");
        }
    }

    if (options.duplicate) {
        std::vector<std::optional<QString>> digests(std::size_t(items.size()));
        std::vector<std::exception_ptr> hashErrors(std::size_t(items.size()));
        inParallel(items.size(), workers, [&](qsizetype i) {
            const Item &item = items[i];
            announce(item, QualityCheckKind::duplicates);
            if (item.knownDigest && !item.knownDigest->isEmpty()) {
                digests[std::size_t(i)] = item.knownDigest->toLower();
                return;
            }
            try {
                digests[std::size_t(i)] = m_hasher->sha256Hex(item.destination, stop).toLower();
            } catch (const Cancelled &) {
                throw;
            } catch (...) {
                // No digest: this file takes no further part in the pass.
                hashErrors[std::size_t(i)] = std::current_exception();
            }
        });
        // Digest text → keys with that content, in item order.
        QHash<QString, QStringList> byDigest;
        QStringList digestOrder;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item &item = items[i];
            const std::optional<QString> &digest = digests[std::size_t(i)];
            if (!digest) {
                noteError(result, item.key, L10N("quality.error.duplicate"), hashErrors[std::size_t(i)]);
                continue;
            }
            if (!byDigest.contains(*digest))
                digestOrder.append(*digest);
            byDigest[*digest].append(item.key);
        }
        for (const QString &digest : digestOrder) {
            const QStringList &keys = byDigest[digest];
            if (keys.size() < 2)
                continue;
            for (const QString &key : keys)
                result.flagsByDestinationPath[key].insert(QualityFlag::duplicate);
        }
    }

    if (options.blur) {
        std::vector<Answer> answers(std::size_t(items.size()));
        inParallel(items.size(), workers, [&](qsizetype i) {
            const Item &item = items[i];
            announce(item, QualityCheckKind::sharpness);
            answers[std::size_t(i)] = ask([&] { return m_analyzer->assessBlur(item.destination, stop); });
        });
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item &item = items[i];
            const Answer &answer = answers[std::size_t(i)];
            if (answer.value == true)
                result.flagsByDestinationPath[item.key].insert(QualityFlag::possibleUnsharp);
            else if (!answer.value)
                result.skippedByDestinationPath[item.key].insert(QualityCheckSkip::blurNotAssessed);
            if (answer.failed)
                result.errorsByDestinationPath[item.key] = localized("quality.error.blur");
        }
    }

    // Tags last, one file at a time: a quick write each, and none written when the run is
    // cancelled before.
    for (const Item &item : items) {
        const auto flags = result.flagsByDestinationPath.constFind(item.key);
        if (flags == result.flagsByDestinationPath.constEnd() || flags->isEmpty())
            continue;
        announce(item, QualityCheckKind::tags);
        try {
            m_tagger->applyTags(*flags, item.destination, stop);
        } catch (const Cancelled &) {
            throw;
        } catch (...) {
            noteError(result, item.key, L10N("quality.error.tags"), std::current_exception());
        }
    }
    return result;
}

} // namespace quillmore
