#include "desktop.h"

#include "platform/paths.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QUrl>

namespace quillmore {

namespace {

QUrl fileUrl(const QString &path)
{
    return QUrl::fromLocalFile(path);
}

} // namespace

bool revealInFileBrowser(const QString &path)
{
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()) {
        // Activatable services count as well as running ones.
        const auto registered = bus.interface()->isServiceRegistered(service);
        const auto activatable = bus.interface()->activatableServiceNames();
        if ((registered.isValid() && registered.value())
            || (activatable.isValid() && activatable.value().contains(service))) {
            QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                                               service, QStringLiteral("ShowItems"));
            call << QStringList{fileUrl(path).toString(QUrl::FullyEncoded)} << QString();
            if (bus.send(call))
                return true;
        }
    }
    return openFolderInFileBrowser(parentPath(path));
}

bool openFolderInFileBrowser(const QString &folder)
{
    return QDesktopServices::openUrl(fileUrl(folder));
}

} // namespace quillmore
