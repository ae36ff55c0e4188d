#pragma once

// The screen after a copy: what was copied, skipped and failed, the results of the checks that
// ran, and the report, a new job, and the destination folder.

#include "screen.h"

#include <functional>

class QLabel;
class QVBoxLayout;

namespace quillmore {

class SymbolLabel;

class CompletionView : public QWidget {
    Q_OBJECT
public:
    CompletionView(ScreenContext context, std::function<void()> showReport, QWidget *parent = nullptr);
    void refresh();
    // The count lines as shown, top to bottom (tests read them).
    QStringList lineTexts() const;

private:
    WorkflowViewModel *m_vm;
    SymbolLabel *m_cancelled;
    QVBoxLayout *m_lines;
};

} // namespace quillmore
