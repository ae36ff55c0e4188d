#include "qualitycheckservice.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"

#include <exception>

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
        if (outcome.status != CopyOutcomeStatus::copied || outcome.kind == CopyFileKind::xmp
            || !outcome.destinationURL)
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

// Records that the step failed for the file, with the facts when the failure has them.
void noteError(QualityCheckBatchResult &result, const QString &key, const char *messageKey, std::exception_ptr error)
{
    result.errorsByDestinationPath[key] = localized(messageKey);
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
    case QualityCheckKind::fileCheck:
        return L10N("status.quality.file.check");
    case QualityCheckKind::duplicates:
        return L10N("status.quality.duplicates");
    case QualityCheckKind::sharpness:
        return L10N("status.quality.sharpness");
    case QualityCheckKind::tags:
        return L10N("status.quality.tags");
    }
    return L10N("status.quality.file.check");
}

QualityCheckService::QualityCheckService(std::unique_ptr<FileHashing> hasher,
                                         std::unique_ptr<ImageQualityAnalyzing> analyzer,
                                         std::unique_ptr<FinderTagging> tagger)
    : m_hasher(std::move(hasher)), m_analyzer(std::move(analyzer)), m_tagger(std::move(tagger))
{
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

    const auto announce = [&](const Item &item, QualityCheckKind check) {
        throwIfCancelled(stop);
        if (status)
            status(item.name, check);
    };

    if (options.fileCheck) {
        for (const Item &item : items) {
            announce(item, QualityCheckKind::fileCheck);
            const Answer answer = ask([&] { return m_analyzer->assessFile(item.destination, stop); });
            if (answer.value == true)
                result.flagsByDestinationPath[item.key].insert(QualityFlag::fileCheck);
            else if (!answer.value)
                result.skippedByDestinationPath[item.key].insert(QualityCheckSkip::fileCheckNotAssessed);
            if (answer.failed)
                result.errorsByDestinationPath[item.key] = localized("quality.error.file.check");
        }
    }

    if (options.duplicate) {
        // Digest text → keys with that content, in item order.
        QHash<QString, QStringList> byDigest;
        QStringList digestOrder;
        for (const Item &item : items) {
            announce(item, QualityCheckKind::duplicates);
            QString digest;
            if (item.knownDigest && !item.knownDigest->isEmpty()) {
                digest = *item.knownDigest;
            } else {
                try {
                    digest = m_hasher->sha256Hex(item.destination, stop);
                } catch (const Cancelled &) {
                    throw;
                } catch (...) {
                    noteError(result, item.key, L10N("quality.error.duplicate"), std::current_exception());
                    continue;
                }
            }
            digest = digest.toLower();
            if (!byDigest.contains(digest))
                digestOrder.append(digest);
            byDigest[digest].append(item.key);
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
        for (const Item &item : items) {
            announce(item, QualityCheckKind::sharpness);
            const Answer answer = ask([&] { return m_analyzer->assessBlur(item.destination, stop); });
            if (answer.value == true)
                result.flagsByDestinationPath[item.key].insert(QualityFlag::possibleUnsharp);
            else if (!answer.value)
                result.skippedByDestinationPath[item.key].insert(QualityCheckSkip::blurNotAssessed);
            if (answer.failed)
                result.errorsByDestinationPath[item.key] = localized("quality.error.blur");
        }
    }

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
