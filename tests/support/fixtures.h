#pragma once

// Files and folders made at test time. A fixture that cannot be made fails loudly: the writer
// prints what it could not make and throws, which ends the test run with a failure (Qt Test
// reports the exception), wherever the writer was called from.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillmore::testing {

// Prints the reason and throws std::runtime_error.
[[noreturn]] void fixtureFailed(const QString &what);

// Creates the file (and its folders) with the given content, through the same path encoding as
// the code under test, so that names which are not UTF-8 are made as the code sees them.
void makeFile(const QString &path, const QByteArray &content = QByteArray("x"));
// The file's bytes; empty when it cannot be read.
QByteArray readFile(const QString &path);
// `size` bytes of a repeatable, not repeating pattern.
QByteArray patternBytes(qint64 size, quint32 seed = 1);
// Names in the folder, hidden ones included.
QStringList allEntries(const QString &folder);
// Names in the folder that look like our temporary files.
QStringList temporaryFiles(const QString &folder);

// A small real JPEG file's bytes.
QByteArray jpegBytes(int width, int height);

} // namespace quillmore::testing
