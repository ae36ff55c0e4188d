#pragma once

// The review of the names read from screenshots: what was read and from where, with doubtful
// and invalid names marked; names can be corrected, removed and added, and the scan started.

#include "screen.h"
#include "model/screenshotrecords.h"

#include <QHash>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace quillmore {

class SymbolLabel;

// The strip of the screenshot where a name was read, enlarged to be read beside the name as
// typed. Loads when first painted (as its row scrolls into view).
class ScreenshotCropView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kSize{300, 48};
    ScreenshotCropView(const QString &screenshot, const QRect &box, QWidget *parent = nullptr);
    // The part of the screenshot shown: the box with a margin, within the image.
    static QRect cropRect(const QRect &box, QSize imageSize);
    bool isLoaded() const { return m_loaded; }
    const QImage &image() const { return m_image; }

signals:
    void loaded();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_path;
    QRect m_box;
    QImage m_image;
    bool m_requested = false;
    bool m_loaded = false;
};

// One name under review.
class ScreenshotNameRow : public QWidget {
    Q_OBJECT
public:
    ScreenshotNameRow(WorkflowViewModel *vm, const ScreenshotNameCandidate &candidate, QWidget *parent = nullptr);
    // Shows the candidate's current state (the field is left alone while it holds the same text);
    // `duplicate`: an earlier row holds the same name.
    void update(const ScreenshotNameCandidate &candidate, bool duplicate = false);
    QLineEdit *field() const { return m_field; }
    bool showsCheckNote() const;
    bool showsInvalidNote() const;
    bool showsDuplicateNote() const;

    static constexpr float kLowConfidence = 0.65f;

private:
    WorkflowViewModel *m_vm;
    QUuid m_id;
    QLineEdit *m_field;
    SymbolLabel *m_check;
    QLabel *m_invalid;
    QLabel *m_duplicate;

protected:
    // Return in the field confirms the name; it does not start the search.
    bool eventFilter(QObject *watched, QEvent *event) override;
};

class ScreenshotReviewView : public Sheet {
    Q_OBJECT
public:
    explicit ScreenshotReviewView(ScreenContext context, QWidget *parent = nullptr);
    void refresh();
    QList<ScreenshotNameRow *> rows() const;

private:
    WorkflowViewModel *m_vm;
    QLabel *m_stats[4];
    QToolButton *m_warningsToggle;
    QLabel *m_warningsList;
    QWidget *m_empty;
    QScrollArea *m_scroll;
    QVBoxLayout *m_rowsLayout;
    QList<QUuid> m_rowIds;
    QHash<QUuid, ScreenshotNameRow *> m_rows;
    QLabel *m_hint;
    QPushButton *m_scan;
};

} // namespace quillmore
