#pragma once

// The screens of the two running stages: the scan and the copy (with its quality checks).

#include "screen.h"

#include <QElapsedTimer>

#include <deque>
#include <optional>

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

// The pace of a copy over its last few seconds, and the time left at that pace.
class ThroughputEstimator {
public:
    static constexpr qint64 windowMs = 5000;
    void reset() { m_samples.clear(); }
    // Bytes copied so far, `msecs` after any fixed moment.
    void add(qint64 msecs, qint64 copiedBytes);
    // Absent until the readings span half a second.
    std::optional<double> bytesPerSecond() const;
    std::optional<qint64> secondsLeft(qint64 copiedBytes, qint64 totalBytes) const;
    // "About 3 min left" and the like.
    static QString remainingText(qint64 seconds);

private:
    std::deque<std::pair<qint64, qint64>> m_samples;
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
    QLabel *m_speed;
    QLabel *m_remaining;
    QPushButton *m_cancel;
    ThroughputEstimator m_pace;
    QElapsedTimer m_clock;
    bool m_wasCopying = false;
};

// A byte count in the file style: decimal units ("12.3 MB").
QString fileByteCount(qint64 bytes);

} // namespace quillmore
