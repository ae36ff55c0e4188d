#pragma once

// The selection made from screenshots: the screenshots chosen, the names read from them as the
// user reviews and edits them, and the reading job. Lives on the GUI thread; the reading runs as a
// background job that writes back on the GUI thread only. Each new list, choice of a selection
// folder or start over begins a new generation: whatever an older reading still reports is dropped.

#include "screenshots/interfaces.h"

#include <QObject>
#include <QUuid>

#include <memory>

namespace quillmore {

class Job;
class SessionStore;
template <typename Controller>
class ControllerLink;

class ScreenshotSelection : public QObject {
    Q_OBJECT

public:
    // The session opens and closes the access to the screenshots; it must outlive this object.
    ScreenshotSelection(std::shared_ptr<ScreenshotOCRProcessing> processor, SessionStore *session,
                        QObject *parent = nullptr);
    // Stops the reading (it ends on its own, touching nothing).
    ~ScreenshotSelection() override;

    const QList<FileURL> &urls() const { return m_urls; }
    const ScreenshotCandidateList &candidateList() const { return m_candidateList; }
    const ScreenshotOCRProgress &progress() const { return m_progress; }
    qint64 count() const { return m_count; }
    qint64 filenameOccurrences() const { return m_filenameOccurrences; }
    qint64 duplicatesRemoved() const { return m_duplicatesRemoved; }
    const QList<AppWarning> &warnings() const { return m_warnings; }
    bool isReading() const { return m_isReading; }
    bool isShowingReview() const { return m_isShowingReview; }
    // The user has added, removed or edited a name of the list.
    bool isEdited() const { return m_edited; }
    // The reading has ended with at least one name, and every name can be searched for.
    bool hasSearchableNames() const;

    // Reads the screenshots not read yet: a first choice starts a new list, a later one adds its
    // names to the list under review, and a choice made while reading starts the reading again
    // with the screenshots of both.
    void select(const QList<FileURL> &urls);
    // Drops the list, then reads these.
    void replace(const QList<FileURL> &urls);
    // Reads the dropped picture files; false when none is one.
    bool drop(const QList<FileURL> &urls);
    // The job reports the cancellation itself; the names read so far are kept.
    void cancelReading();
    void addName();
    void removeName(const QUuid &id);
    void updateName(const QUuid &id, const QString &name);
    void setShowingReview(bool showing);
    // Stops the reading, closes the access to every screenshot and empties the list.
    void clear();

signals:
    void urlsChanged();
    void candidateListChanged();
    void progressChanged();
    void countChanged();
    void filenameOccurrencesChanged();
    void duplicatesRemovedChanged();
    void warningsChanged();
    void isReadingChanged();
    void isShowingReviewChanged();
    // After any of the above.
    void changed();
    // A new list is being read: the selection now comes from screenshots.
    void newListStarted();
    // The status line's message for the reading, by its key.
    void statusReported(const char *key);
    void failed(const QString &text);

private:
    using Link = ControllerLink<ScreenshotSelection>;

    // Whatever an earlier reading still reports is dropped from now on.
    void newGeneration();
    void startReading(const QList<FileURL> &urls, bool appending);
    void finishReading(const ScreenshotOCRResult &result, const QList<FileURL> &urls, bool appending);
    void setList(const ScreenshotCandidateList &list);

    std::shared_ptr<ScreenshotOCRProcessing> m_processor;
    SessionStore *m_session;
    std::shared_ptr<Link> m_link;
    std::shared_ptr<Job> m_job;
    QUuid m_generation;

    QList<FileURL> m_urls;
    ScreenshotCandidateList m_candidateList;
    ScreenshotOCRProgress m_progress;
    qint64 m_count = 0;
    qint64 m_filenameOccurrences = 0;
    qint64 m_duplicatesRemoved = 0;
    QList<AppWarning> m_warnings;
    bool m_isReading = false;
    bool m_isShowingReview = false;
    bool m_edited = false;
};

} // namespace quillmore
