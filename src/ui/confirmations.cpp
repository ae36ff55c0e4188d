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

} // namespace

bool confirmReplaceNames(QWidget *parent, const WorkflowViewModel *vm)
{
    if (vm->selectionInputMode() != SelectionInputMode::screenshots || !vm->screenshotListEdited())
        return true;
    QMessageBox box(QMessageBox::Question, localized("confirm.replace.names.title"),
                    localized("confirm.replace.names.title"), QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("confirmReplaceNames"));
    box.setInformativeText(localized("confirm.replace.names.message"));
    QPushButton *replace = addButton(box, L10N("confirm.replace.names.replace"), QMessageBox::DestructiveRole);
    QPushButton *keep = addButton(box, L10N("button.cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == replace;
}

bool confirmStopCopy(QWidget *parent)
{
    QMessageBox box(QMessageBox::Warning, localized("confirm.stop.copy.title"), localized("confirm.stop.copy.title"),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("confirmStopCopy"));
    box.setInformativeText(localized("confirm.stop.copy.message"));
    QPushButton *keep = addButton(box, L10N("confirm.stop.copy.keep"), QMessageBox::RejectRole);
    QPushButton *stop = addButton(box, L10N("confirm.stop.copy.stop"), QMessageBox::DestructiveRole);
    // Return and Escape both keep the copy going: stopping takes a deliberate click.
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == stop;
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
