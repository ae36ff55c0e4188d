#include "singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace quillmore {

namespace {

constexpr char kActivate[] = "activate";
constexpr char kLocation[] = "location ";
constexpr qint64 kMessageLimit = 1 << 20; // a message longer than this is not ours

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent), m_name(name) {}

QString SingleInstance::defaultName()
{
    return QStringLiteral("org.quillmore.Quillmore-%1").arg(::getuid());
}

bool SingleInstance::notifyRunningInstance(const QStringList &locations)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(500))
        return false;
    QByteArray message;
    for (const QString &location : locations)
        if (!location.contains(QLatin1Char('\n')))
            message += kLocation + location.toUtf8() + '\n';
    message += QByteArray(kActivate) + '\n';
    socket.write(message);
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(500);
    return true;
}

void SingleInstance::readMessage(QLocalSocket *socket)
{
    // The whole message is read once the sender has written its last line.
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    if (buffer.size() > kMessageLimit) {
        socket->abort();
        return;
    }
    if (!buffer.endsWith(QByteArray(kActivate) + '\n'))
        return;
    QStringList locations;
    for (const QByteArray &line : buffer.split('\n'))
        if (line.startsWith(kLocation))
            locations << QString::fromUtf8(line.mid(int(sizeof kLocation) - 1));
    buffer.clear();
    if (!locations.isEmpty())
        emit locationsReceived(locations);
    emit activationRequested();
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left behind by a crashed instance: nobody answered, so it is stale.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QObject::destroyed, this, [this, socket] { m_buffers.remove(socket); });
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
            connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
                readMessage(socket);
                socket->deleteLater();
            });
            if (socket->bytesAvailable() > 0)
                readMessage(socket);
        }
    });
    return true;
}

} // namespace quillmore
