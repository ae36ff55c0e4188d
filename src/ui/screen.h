#pragma once

// The base of every screen and sheet: it watches the controller and redraws from its state,
// coalescing the many change signals of one operation into one redraw.

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <functional>

class QShortcut;
class QAbstractButton;

namespace quillmore {

class WorkflowViewModel;

// What the screens are given: the controller they read and call.
struct ScreenContext {
    WorkflowViewModel *viewModel = nullptr;
    std::function<void()> showWarnings; // presents the warnings sheet
};

// Redraws `refresh` once after any number of controller changes, only while visible (and once
// when shown).
class RefreshScheduler : public QObject {
    Q_OBJECT
public:
    RefreshScheduler(QWidget *owner, WorkflowViewModel *vm, std::function<void()> refresh);
    // Redraws now (tests and first showing).
    void refreshNow();
    void schedule();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_owner;
    std::function<void()> m_refresh;
    bool m_pending = false;
    bool m_dirty = true;
};

// Return (and Enter) clicks the button while the owner is on screen and the button is enabled
// (the shortcut of a hidden screen does not count, so each stage screen can have its own).
void bindDefaultKey(QWidget *owner, QAbstractButton *button);
// Escape clicks the button likewise.
void bindCancelKey(QWidget *owner, QAbstractButton *button);

// A sheet over the main window: window-modal, closes with Escape, and reports its dismissal.
class Sheet : public QDialog {
    Q_OBJECT
public:
    Sheet(const QString &objectName, QSize minimumSize, QWidget *parent);
};

} // namespace quillmore
