#pragma once

// The questions asked before work could be lost: stopping a copy under way, and leaving a
// finished job whose report has not been saved.

class QWidget;

namespace quillmore {

class WorkflowViewModel;

// When the reviewed screenshot names have been edited, asks before they are replaced; true when
// they may go (or there was nothing to ask about).
bool confirmReplaceNames(QWidget *parent, const WorkflowViewModel *vm);

// Asks before a copy under way is stopped; true when the user chose to stop it.
bool confirmStopCopy(QWidget *parent);

// When the finished job's report has not been saved, asks whether to save it first. True when the
// caller may go on: the report was saved, the user chose not to keep it, or there was nothing to
// ask about. False when the user cancelled (or the save panel was dismissed).
bool settleUnsavedReport(QWidget *parent, WorkflowViewModel *vm);

} // namespace quillmore
