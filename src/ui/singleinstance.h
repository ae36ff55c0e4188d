#pragma once

// One Quillmore per user session: the first start listens on a local socket; a later start finds
// it, asks it to raise its window, and ends.

#include <QObject>
#include <QString>

class QLocalServer;

namespace quillmore {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    // True when another instance answered (it has been asked to come to the front).
    bool notifyRunningInstance();
    // Starts listening; false when the socket cannot be made (the app then runs on its own).
    bool listen();
    static QString defaultName();

signals:
    void activationRequested();

private:
    QString m_name;
    QLocalServer *m_server = nullptr;
};

} // namespace quillmore
