#include "thumbnailservice.h"

#include "appearance.h"
#include "model/localization.h"
#include "platform/thumbnails.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmore {

qreal ThumbnailService::screenScale()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return screen->devicePixelRatio();
    return 2.0;
}

QThreadPool *ThumbnailService::pool()
{
    static QThreadPool *shared = [] {
        auto *p = new QThreadPool();
        p->setMaxThreadCount(2);
        return p;
    }();
    return shared;
}

void ThumbnailService::shutDown()
{
    pool()->clear();
    pool()->waitForDone();
}

void ThumbnailService::load(std::function<QImage()> load, QObject *receiver, std::function<void(QImage)> done)
{
    QPointer<QObject> guard(receiver);
    QThreadPool::globalInstance();
    (void)QtConcurrent::run(pool(), [load = std::move(load), guard, done = std::move(done)] {
        QImage image = load();
        QCoreApplication *application = QCoreApplication::instance();
        if (!application || !guard)
            return;
        QMetaObject::invokeMethod(
            application,
            [guard, done, image] {
                if (guard)
                    done(image);
            },
            Qt::QueuedConnection);
    });
}

void ThumbnailService::thumbnail(const QString &path, QSize sizeInPoints, QObject *receiver,
                                 std::function<void(QImage)> done)
{
    const qreal scale = screenScale();
    const QSize pixels = (QSizeF(sizeInPoints) * scale).toSize();
    QPointer<QObject> guard(receiver);
    QThreadPool::globalInstance(); // make sure the global pool exists before any worker
    (void)QtConcurrent::run(pool(), [path, pixels, scale, guard, done = std::move(done)] {
        QImage image = loadThumbnailImage(path, pixels);
        if (!image.isNull())
            image.setDevicePixelRatio(scale);
        QCoreApplication *application = QCoreApplication::instance();
        if (!application)
            return;
        // Back on the GUI thread (through the application object, which outlives every view);
        // the answer is dropped there if the receiver is gone by then. The guard is read there
        // only: a QPointer is not safe to read on another thread while its object is destroyed.
        QMetaObject::invokeMethod(
            application,
            [guard, done, image] {
                if (guard)
                    done(image);
            },
            Qt::QueuedConnection);
    });
}

ThumbnailView::ThumbnailView(const QString &path, int side, QSize request, const QString &placeholderSymbol,
                             QWidget *parent)
    : QWidget(parent), m_path(path), m_request(request), m_placeholder(placeholderSymbol)
{
    setFixedSize(side, side);
    setAccessibleName(localized("accessibility.file.icon"));
    setObjectName(QStringLiteral("thumbnail"));
}

void ThumbnailView::request()
{
    if (m_requested || m_path.isEmpty())
        return;
    m_requested = true;
    m_service.thumbnail(m_path, m_request, this, [this](QImage image) {
        m_image = std::move(image);
        m_loaded = true;
        update();
        emit loaded();
    });
}

void ThumbnailView::paintEvent(QPaintEvent *)
{
    request(); // rows of a long list are painted, and so loaded, only as they scroll into view
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath clip;
    clip.addRoundedRect(frame, 6, 6);
    p.fillPath(clip, palette().color(QPalette::Base));
    if (!m_image.isNull()) {
        p.save();
        p.setClipPath(clip);
        const QSizeF shown = QSizeF(m_image.size()) / m_image.devicePixelRatio();
        const QSizeF fit = shown.scaled(frame.size() - QSizeF(4, 4), Qt::KeepAspectRatio);
        const QRectF target(frame.center() - QPointF(fit.width() / 2, fit.height() / 2), fit);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, m_image);
        p.restore();
    } else {
        const int side = std::min(width(), height()) / 2;
        const QIcon icon = symbolIcon(m_placeholder, namedColor(NamedColor::secondary));
        icon.paint(&p, QRect((width() - side) / 2, (height() - side) / 2, side, side));
    }
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.drawPath(clip);
}

} // namespace quillmore
