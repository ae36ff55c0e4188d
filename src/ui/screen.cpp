#include "screen.h"

#include "workflow/workflowviewmodel.h"

#include <QAbstractButton>
#include <QEvent>
#include <QShortcut>
#include <QTimer>

namespace quillmore {

RefreshScheduler::RefreshScheduler(QWidget *owner, WorkflowViewModel *vm, std::function<void()> refresh)
    : QObject(owner), m_owner(owner), m_refresh(std::move(refresh))
{
    owner->installEventFilter(this);
    connect(vm, &WorkflowViewModel::changed, this, &RefreshScheduler::schedule);
}

void RefreshScheduler::refreshNow()
{
    m_pending = false;
    m_dirty = false;
    m_refresh();
}

void RefreshScheduler::schedule()
{
    m_dirty = true;
    if (m_pending || !m_owner->isVisible())
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_pending)
            refreshNow();
    });
}

bool RefreshScheduler::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_owner && event->type() == QEvent::Show && m_dirty)
        refreshNow();
    return QObject::eventFilter(watched, event);
}

namespace {

void bindKeys(QWidget *owner, QAbstractButton *button, const QList<QKeySequence> &keys)
{
    for (const QKeySequence &key : keys) {
        auto *shortcut = new QShortcut(key, owner);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled() && button->isVisible())
                button->click();
        });
    }
}

} // namespace

void bindDefaultKey(QWidget *owner, QAbstractButton *button)
{
    bindKeys(owner, button, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
}

void bindCancelKey(QWidget *owner, QAbstractButton *button)
{
    bindKeys(owner, button, {QKeySequence(Qt::Key_Escape)});
}

Sheet::Sheet(const QString &objectName, QSize minimumSize, QWidget *parent) : QDialog(parent)
{
    setObjectName(objectName);
    setWindowModality(Qt::WindowModal);
    setMinimumSize(minimumSize);
    resize(minimumSize + QSize(40, 40));
    setAttribute(Qt::WA_DeleteOnClose);
}

} // namespace quillmore
