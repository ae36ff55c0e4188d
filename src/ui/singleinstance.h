#pragma once

// One Quillmore per user session: the first start listens on a local socket; a later start finds
// it, hands it the folders and screenshots it was started with, asks it to raise its window, and
// ends.

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace quillmore {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    // True when another instance answered: it has been given the locations (file paths, one per
    // line on the socket) and asked to come to the front.
    bool notifyRunningInstance(const QStringList &locations = {});
    // Starts listening; false when the socket cannot be made (the app then runs on its own).
    bool listen();
    static QString defaultName();

signals:
    void activationRequested();
    // A later start handed over what it was started with (never empty).
    void locationsReceived(const QStringList &locations);

private:
    void readMessage(QLocalSocket *socket);
    QString m_name;
    QLocalServer *m_server = nullptr;
    QHash<QObject *, QByteArray> m_buffers; // what each connection has sent so far
};

} // namespace quillmore
