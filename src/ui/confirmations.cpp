#include "confirmations.h"

#include "model/localization.h"
#include "workflow/workflowviewmodel.h"

#include <QMessageBox>
#include <QPushButton>

namespace quillmore {
namespace {

QPushButton *addButton(QMessageBox &box, const char *key, QMessageBox::ButtonRole role)
{
    QPushButton *button = box.addButton(localized(key), role);
    button->setObjectName(QString::fromLatin1(key));
    return button;
}

// A question whose safe answer is the default for both Return and Escape: true only when the
// risky button was clicked. The buttons are added in the order given, the risky one first or last.
bool askToConfirm(QWidget *parent, QMessageBox::Icon icon, const char *name, const char *titleKey,
                  const char *messageKey, const char *riskyKey, const char *safeKey, bool riskyFirst)
{
    QMessageBox box(icon, localized(titleKey), localized(titleKey), QMessageBox::NoButton, parent);
    box.setObjectName(QString::fromLatin1(name));
    box.setInformativeText(localized(messageKey));
    QPushButton *risky = riskyFirst ? addButton(box, riskyKey, QMessageBox::DestructiveRole) : nullptr;
    QPushButton *safe = addButton(box, safeKey, QMessageBox::RejectRole);
    if (!risky)
        risky = addButton(box, riskyKey, QMessageBox::DestructiveRole);
    box.setDefaultButton(safe);
    box.setEscapeButton(safe);
    box.exec();
    return box.clickedButton() == risky;
}

} // namespace

bool confirmReplaceNames(QWidget *parent, const WorkflowViewModel *vm)
{
    if (vm->selectionInputMode() != SelectionInputMode::screenshots || !vm->screenshotListEdited())
        return true;
    return askToConfirm(parent, QMessageBox::Question, "confirmReplaceNames", L10N("confirm.replace.names.title"),
                        L10N("confirm.replace.names.message"), L10N("confirm.replace.names.replace"),
                        L10N("button.cancel"), true);
}

bool confirmStopCopy(QWidget *parent)
{
    // Return and Escape both keep the copy going: stopping takes a deliberate click.
    return askToConfirm(parent, QMessageBox::Warning, "confirmStopCopy", L10N("confirm.stop.copy.title"),
                        L10N("confirm.stop.copy.message"), L10N("confirm.stop.copy.stop"),
                        L10N("confirm.stop.copy.keep"), false);
}

bool settleUnsavedReport(QWidget *parent, WorkflowViewModel *vm)
{
    if (!vm->hasUnsavedReport())
        return true;
    QMessageBox box(QMessageBox::Question, localized("confirm.report.title"), localized("confirm.report.title"),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("confirmUnsavedReport"));
    box.setInformativeText(localized("confirm.report.message"));
    QPushButton *save = addButton(box, L10N("confirm.report.save"), QMessageBox::AcceptRole);
    QPushButton *discard = addButton(box, L10N("confirm.report.discard"), QMessageBox::DestructiveRole);
    QPushButton *cancel = addButton(box, L10N("button.cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == discard)
        return true;
    if (box.clickedButton() != save)
        return false;
    vm->saveReport();
    return !vm->hasUnsavedReport();
}

} // namespace quillmore
