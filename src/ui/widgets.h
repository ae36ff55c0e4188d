#pragma once

// Small widgets shared by the screens: drop targets with the accent highlight, the status strip,
// the selection tiles, the numbered folder step, the coloured check toggles and the summary lines.

#include "model/records.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <functional>

class QMimeData;
class QHBoxLayout;
class QVBoxLayout;

namespace quillmore {

class ElidedLabel;

// The local files of a drag, as paths (bytes of names that are not UTF-8 kept).
QList<FileURL> droppedFiles(const QMimeData *mime);

// A frame that accepts dropped files: highlighted with the accent colour while a drag with files
// hovers, and handing the files to `dropAction`, whose answer decides whether the drop is taken.
class DropFrame : public QFrame {
    Q_OBJECT
public:
    explicit DropFrame(QWidget *parent = nullptr);
    std::function<bool(const QList<FileURL> &)> dropAction;
    bool isTargeted() const { return m_targeted; }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setTargeted(bool targeted);
    bool m_targeted = false;
};

// The one-line strip at the bottom of the window: an icon, the status text and the warning count.
// How the last message reads: the strip's icon and colour follow it.
enum class StatusTone { neutral, success, attention, failure };

class StatusStrip : public QWidget {
    Q_OBJECT
public:
    explicit StatusStrip(QWidget *parent = nullptr);
    void setStatus(const QString &message, int warningCount, StatusTone tone = StatusTone::neutral);
    QString message() const;
    int warningCount() const { return m_warningCount; }
    StatusTone tone() const { return m_tone; }
    // The warning count, a button that opens the warnings.
    QPushButton *warningsButton() const { return m_count; }

signals:
    void warningsRequested();

private:
    QLabel *m_icon;
    QLabel *m_message;
    QPushButton *m_count;
    int m_warningCount = -1;
    StatusTone m_tone = StatusTone::neutral;
};

// One way of giving the selection: a tile that can be clicked or dropped on.
class SelectionDropOption : public DropFrame {
    Q_OBJECT
public:
    SelectionDropOption(const QString &title, const QString &instruction, const QString &symbol,
                        QWidget *parent = nullptr);
    void setDetail(const QString &detail); // empty: no detail
    void setButtonTitle(const QString &title);
    QPushButton *button() const { return m_button; }
    QVBoxLayout *footer() const { return m_footer; }

private:
    QString m_symbol;
    QLabel *m_detailIcon;
    ElidedLabel *m_detail;
    QWidget *m_detailRow;
    QPushButton *m_button;
    QVBoxLayout *m_footer;
};

// A numbered step that chooses one folder.
class FolderPanel : public DropFrame {
    Q_OBJECT
public:
    FolderPanel(int number, const QString &title, const QString &instruction, QWidget *parent = nullptr);
    void setSelectedPath(const std::optional<QString> &path);
    void setButtonTitle(const QString &title);
    QPushButton *button() const { return m_button; }
    ElidedLabel *pathLabel() const { return m_path; }

private:
    QWidget *m_pathRow;
    ElidedLabel *m_path;
    QPushButton *m_button;
};

// The heading of a numbered step: "1. Title".
QLabel *makeStepHeading(int number, const QString &title, QWidget *parent = nullptr);

// A check switch drawn as a coloured square with a tick; the whole row is one button.
class QualityOptionToggle : public QPushButton {
    Q_OBJECT
public:
    QualityOptionToggle(const QString &title, const QColor &color, const QString &identifier,
                        QWidget *parent = nullptr);
    void setOn(bool on);
    bool isOn() const { return isChecked(); }

signals:
    void toggledByUser(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;
    QSize sizeHint() const override;

private:
    void updateAccessibility();
    QColor m_color;
};

// A coloured symbol followed by a line of body text.
class SummaryLine : public QWidget {
    Q_OBJECT
public:
    explicit SummaryLine(const QString &icon, QWidget *parent = nullptr);
    void set(const QColor &color, const QString &text);
    QString text() const { return m_text->text(); }
    QColor color() const { return m_color; }

private:
    QString m_symbol;
    QColor m_color;
    QLabel *m_icon;
    QLabel *m_text;
};

// A label with a symbol before it (caption-sized rows, notes, warnings).
class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    SymbolLabel(const QString &symbol, const QString &text, std::optional<QColor> color = std::nullopt,
                int iconSide = 16, QWidget *parent = nullptr);
    void setText(const QString &text);
    void setSymbol(const QString &symbol, std::optional<QColor> color);
    QString text() const;
    QLabel *label() const { return m_text; }

private:
    int m_side;
    QLabel *m_icon;
    QLabel *m_text;
};

// A thin horizontal line.
QFrame *makeDivider(QWidget *parent = nullptr);

} // namespace quillmore
