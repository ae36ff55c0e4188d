#pragma once

// Thumbnails for the candidate rows and the screenshot review: decoded on a worker thread and
// handed back on the GUI thread, to a receiver that may be gone by then (the answer is dropped).

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <QWidget>

#include <functional>

namespace quillmore {

class ThumbnailService {
public:
    ThumbnailService() = default;

    // Pixels per point of the main screen; 2.0 when there is no screen.
    static qreal screenScale();

    // Asks for a thumbnail of the file fitting sizeInPoints at the screen's scale. `done` runs
    // once on the GUI thread with the image (null when there is none), unless the receiver is
    // destroyed first.
    void thumbnail(const QString &path, QSize sizeInPoints, QObject *receiver, std::function<void(QImage)> done);
    // Runs `load` on the thumbnail pool; `done` as for thumbnail().
    static void load(std::function<QImage()> load, QObject *receiver, std::function<void(QImage)> done);

    // The pool the decoding runs on (at most two at a time, so a long list never floods the
    // machine).
    static QThreadPool *pool();
    // Drops the requests not started yet and waits for the running ones (at exit).
    static void shutDown();
};

// A 64 × 64 framed picture of a file: its thumbnail once loaded, a document symbol until then
// or when there is none. Loads when first painted, that is when it scrolls into view.
class ThumbnailView : public QWidget {
    Q_OBJECT
public:
    explicit ThumbnailView(const QString &path, int side = 64, QSize request = QSize(72, 72),
                           const QString &placeholderSymbol = QStringLiteral("doc.richtext"),
                           QWidget *parent = nullptr);
    bool isLoaded() const { return m_loaded; }
    bool hasImage() const { return !m_image.isNull(); }

signals:
    void loaded();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void request();
    QString m_path;
    QSize m_request;
    QString m_placeholder;
    QImage m_image;
    bool m_loaded = false;
    bool m_requested = false;
    ThumbnailService m_service;
};

} // namespace quillmore
