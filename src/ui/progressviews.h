#pragma once

// The screens of the two running stages: the scan and the copy (with its quality checks).

#include "screen.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillmore {

class ElidedLabel;

class ScanProgressView : public QWidget {
    Q_OBJECT
public:
    explicit ScanProgressView(ScreenContext context, QWidget *parent = nullptr);
    void refresh();

private:
    WorkflowViewModel *m_vm;
    QLabel *m_title;
    ElidedLabel *m_location;
    QLabel *m_checked;
    QLabel *m_found;
    QPushButton *m_cancel;
};

class CopyProgressView : public QWidget {
    Q_OBJECT
public:
    explicit CopyProgressView(ScreenContext context, QWidget *parent = nullptr);
    void refresh();
    // Copied bytes over total bytes, 0 when nothing is to be copied, at most 1.
    static double copyFraction(qint64 copiedBytes, qint64 totalBytes);

private:
    WorkflowViewModel *m_vm;
    QLabel *m_title;
    ElidedLabel *m_file;
    QProgressBar *m_bar;
    QLabel *m_files;
    QLabel *m_bytes;
    QPushButton *m_cancel;
};

// A byte count in the file style: decimal units ("12.3 MB").
QString fileByteCount(qint64 bytes);

} // namespace quillmore
