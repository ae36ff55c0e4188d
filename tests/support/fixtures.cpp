#include "fixtures.h"

#include "platform/paths.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace quillmore::testing {

void fixtureFailed(const QString &what)
{
    qCritical().noquote() << "fixture:" << what;
    throw std::runtime_error(what.toStdString());
}

void makeFile(const QString &path, const QByteArray &content)
{
    if (!QDir().mkpath(parentPath(path)))
        fixtureFailed(QStringLiteral("cannot make the folder of ") + path);
    const int fd = ::open(encodePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fixtureFailed(QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    const ssize_t written = ::write(fd, content.constData(), std::size_t(content.size()));
    const int error = errno;
    ::close(fd);
    if (written != content.size())
        fixtureFailed(QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
}

QByteArray readFile(const QString &path)
{
    const int fd = ::open(encodePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray out;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, n);
    ::close(fd);
    return out;
}

QByteArray patternBytes(qint64 size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    quint32 x = seed * 2654435761u + 1;
    for (qint64 i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = char(x & 0xFF);
    }
    return out;
}

QStringList allEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList temporaryFiles(const QString &folder)
{
    return allEntries(folder).filter(QStringLiteral(".quillmore-"));
}

QByteArray jpegBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkYellow);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG"))
        fixtureFailed(QStringLiteral("cannot encode a JPEG"));
    return bytes;
}

} // namespace quillmore::testing
