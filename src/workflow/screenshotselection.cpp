#include "screenshotselection.h"

#include "failuretext.h"
#include "jobs.h"
#include "published.h"
#include "screenshotjob.h"
#include "sessionstore.h"

#include "model/cancellation.h"
#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "screenshots/filenamerules.h"

namespace quillmore {

ScreenshotSelection::ScreenshotSelection(std::shared_ptr<ScreenshotOCRProcessing> processor, SessionStore *session,
                                         QObject *parent)
    : QObject(parent),
      m_processor(std::move(processor)),
      m_session(session),
      m_link(std::make_shared<Link>(this)),
      m_generation(QUuid::createUuid())
{
}

ScreenshotSelection::~ScreenshotSelection()
{
    m_link->release();
    if (m_job)
        m_job->requestStop();
}

bool ScreenshotSelection::hasSearchableNames() const
{
    if (m_isReading || m_candidateList.candidates.isEmpty())
        return false;
    for (const ScreenshotNameCandidate &c : m_candidateList.candidates)
        if (!isValidScreenshotName(c.fileName))
            return false;
    return true;
}

void ScreenshotSelection::newGeneration()
{
    m_generation = QUuid::createUuid();
    if (m_job) {
        m_job->requestStop();
        m_job.reset();
    }
}

void ScreenshotSelection::clear()
{
    newGeneration();
    for (const FileURL &url : m_urls)
        m_session->endAccess(url);
    publish(this, m_urls, QList<FileURL>(), &ScreenshotSelection::urlsChanged);
    publish(this, m_candidateList, ScreenshotCandidateList(), &ScreenshotSelection::candidateListChanged);
    publish(this, m_progress, ScreenshotOCRProgress(), &ScreenshotSelection::progressChanged);
    publish(this, m_count, qint64(0), &ScreenshotSelection::countChanged);
    publish(this, m_filenameOccurrences, qint64(0), &ScreenshotSelection::filenameOccurrencesChanged);
    publish(this, m_duplicatesRemoved, qint64(0), &ScreenshotSelection::duplicatesRemovedChanged);
    publish(this, m_warnings, QList<AppWarning>(), &ScreenshotSelection::warningsChanged);
    publish(this, m_isReading, false, &ScreenshotSelection::isReadingChanged);
    publish(this, m_isShowingReview, false, &ScreenshotSelection::isShowingReviewChanged);
    m_edited = false;
}

// ---- choosing ---------------------------------------------------------------------------------

bool ScreenshotSelection::drop(const QList<FileURL> &urls)
{
    QList<FileURL> kept;
    for (const FileURL &url : uniqueByStandardizedPath(urls))
        if (hasExtensionIn(lastPathComponent(url), screenshotImageExtensions())
            && !isDirectoryPath(standardizedPath(url)))
            kept << url;
    if (kept.isEmpty())
        return false;
    select(kept);
    return true;
}

void ScreenshotSelection::replace(const QList<FileURL> &urls)
{
    clear();
    select(urls);
}

void ScreenshotSelection::select(const QList<FileURL> &given)
{
    QList<FileURL> urls;
    for (const FileURL &url : uniqueByStandardizedPath(given))
        if (hasExtensionIn(lastPathComponent(url), screenshotImageExtensions()))
            urls << url;
    if (urls.isEmpty())
        return;
    if (m_isReading) {
        // Nothing is read yet: the reading starts again with the screenshots of both choices.
        urls = uniqueByStandardizedPath(m_urls + urls);
        clear();
    } else if (!m_urls.isEmpty()) {
        // New screenshots add their names to the list under review; those read already are not
        // read again.
        QList<FileURL> fresh;
        for (const FileURL &url : urls)
            if (!m_urls.contains(url))
                fresh << url;
        if (fresh.isEmpty())
            return;
        newGeneration();
        for (const FileURL &url : fresh)
            m_session->beginAccess(url);
        publish(this, m_urls, m_urls + fresh, &ScreenshotSelection::urlsChanged);
        publish(this, m_progress, ScreenshotOCRProgress{0, fresh.size(), fresh.first()},
                &ScreenshotSelection::progressChanged);
        publish(this, m_isReading, true, &ScreenshotSelection::isReadingChanged);
        publish(this, m_isShowingReview, false, &ScreenshotSelection::isShowingReviewChanged);
        emit statusReported(L10N("screenshot.ocr.reading"));
        startReading(fresh, true);
        return;
    } else {
        clear();
    }
    for (const FileURL &url : urls)
        m_session->beginAccess(url);
    emit newListStarted();
    publish(this, m_urls, urls, &ScreenshotSelection::urlsChanged);
    publish(this, m_progress, ScreenshotOCRProgress{0, urls.size(), urls.first()},
            &ScreenshotSelection::progressChanged);
    publish(this, m_count, qint64(urls.size()), &ScreenshotSelection::countChanged);
    publish(this, m_isReading, true, &ScreenshotSelection::isReadingChanged);
    emit statusReported(L10N("screenshot.ocr.reading"));
    startReading(urls, false);
}

// ---- reading ----------------------------------------------------------------------------------

void ScreenshotSelection::startReading(const QList<FileURL> &urls, bool appending)
{
    const QUuid generation = m_generation;
    auto job = std::make_shared<Job>();
    m_job = job;
    startJob([link = m_link, job, processor = m_processor, urls, generation, appending] {
        auto stillCurrent = [generation](ScreenshotSelection *s) { return s->m_generation == generation; };
        auto ended = [stillCurrent](const char *statusKey, const std::optional<QString> &error) {
            return [stillCurrent, statusKey, error](ScreenshotSelection *s) {
                if (!stillCurrent(s))
                    return;
                publish(s, s->m_isReading, false, &ScreenshotSelection::isReadingChanged);
                if (error)
                    emit s->failed(*error);
                emit s->statusReported(statusKey);
            };
        };
        try {
            const ScreenshotOCRResult result = runScreenshotJob(
                urls, processor.get(),
                [&](const ScreenshotOCRProgress &progress) {
                    link->call([&](ScreenshotSelection *s) {
                        if (stillCurrent(s))
                            publish(s, s->m_progress, progress, &ScreenshotSelection::progressChanged);
                    });
                },
                job->token());
            link->post([result, stillCurrent, job, urls, appending](ScreenshotSelection *s) {
                if (!stillCurrent(s))
                    return;
                if (s->m_job == job)
                    s->m_job.reset();
                s->finishReading(result, urls, appending);
            });
        } catch (const Cancelled &) {
            link->post(ended(L10N("screenshot.ocr.cancelled"), std::nullopt));
        } catch (const std::exception &e) {
            const auto *failure = dynamic_cast<const FailureError *>(&e);
            link->post(ended(L10N("screenshot.ocr.failed"),
                             failure ? failureText(failure->failure()) : localized("error.screenshot.read.failed")));
        }
    });
}

void ScreenshotSelection::finishReading(const ScreenshotOCRResult &result, const QList<FileURL> &urls, bool appending)
{
    if (result.wasCancelled) {
        // The screenshots not reached are let go, so that choosing them again reads them.
        const QList<FileURL> unread = urls.mid(std::min<qsizetype>(urls.size(), result.screenshotCount));
        QList<FileURL> kept = m_urls;
        for (const FileURL &url : unread) {
            kept.removeAll(url);
            m_session->endAccess(url);
        }
        publish(this, m_urls, kept, &ScreenshotSelection::urlsChanged);
    }
    // Names read before a cancel are kept, like those of a finished reading; appended names join
    // the list under review, a name already there gaining the new screenshots as sources.
    const ScreenshotCandidateList list = withScreenshotNames(appending ? m_candidateList : ScreenshotCandidateList(),
                                                             result.candidates);
    const qint64 occurrences = (appending ? m_filenameOccurrences : 0) + result.filenameOccurrences;
    publish(this, m_candidateList, list, &ScreenshotSelection::candidateListChanged);
    publish(this, m_count, (appending ? m_count : 0) + result.screenshotCount, &ScreenshotSelection::countChanged);
    publish(this, m_filenameOccurrences, occurrences, &ScreenshotSelection::filenameOccurrencesChanged);
    publish(this, m_duplicatesRemoved, std::max<qint64>(0, occurrences - list.candidates.size()),
            &ScreenshotSelection::duplicatesRemovedChanged);
    publish(this, m_warnings, (appending ? m_warnings : QList<AppWarning>()) + result.warnings,
            &ScreenshotSelection::warningsChanged);
    publish(this, m_isReading, false, &ScreenshotSelection::isReadingChanged);
    if (result.wasCancelled) {
        emit statusReported(L10N("screenshot.ocr.cancelled"));
        return;
    }
    publish(this, m_isShowingReview, true, &ScreenshotSelection::isShowingReviewChanged);
    emit statusReported(L10N("screenshot.ocr.complete"));
}

void ScreenshotSelection::cancelReading()
{
    if (!m_job)
        return;
    m_job->requestStop(); // the job itself reports the cancellation
    emit statusReported(L10N("screenshot.ocr.cancelling"));
}

// ---- reviewing --------------------------------------------------------------------------------

void ScreenshotSelection::setList(const ScreenshotCandidateList &list)
{
    m_edited = m_edited || list != m_candidateList;
    publish(this, m_candidateList, list, &ScreenshotSelection::candidateListChanged);
}

void ScreenshotSelection::addName()
{
    ScreenshotCandidateList list = m_candidateList;
    list.addManualName(QString());
    setList(list);
}

void ScreenshotSelection::removeName(const QUuid &id)
{
    ScreenshotCandidateList list = m_candidateList;
    list.remove(id);
    setList(list);
}

void ScreenshotSelection::updateName(const QUuid &id, const QString &name)
{
    ScreenshotCandidateList list = m_candidateList;
    list.updateFileName(id, name);
    setList(list);
}

void ScreenshotSelection::setShowingReview(bool showing)
{
    publish(this, m_isShowingReview, showing, &ScreenshotSelection::isShowingReviewChanged);
}

} // namespace quillmore
