#pragma once

// Helpers that build fixture trees at test time.

#include "platform/paths.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace quillmore::testing {

// Creates the file (and its folders) with the given content; fails the test on error.
inline void makeFile(const QString &path, const QByteArray &content = QByteArray("x"))
{
    QDir().mkpath(parentPath(path));
    const int fd = ::open(encodePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY2(fd >= 0, qPrintable(path));
    QCOMPARE(::write(fd, content.constData(), size_t(content.size())), ssize_t(content.size()));
    ::close(fd);
}

// A small real JPEG file's bytes.
inline QByteArray jpegBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkYellow);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

} // namespace quillmore::testing
