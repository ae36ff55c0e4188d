#pragma once

// The summary after a scan: how many names were found, missing or ambiguous, the problems and
// files sheets, changing the search locations, and the copy button.

#include "screen.h"

#include <functional>

class QLabel;
class QPushButton;
class QToolButton;

namespace quillmore {

class SummaryLine;
class SymbolLabel;

class SummaryView : public QWidget {
    Q_OBJECT
public:
    SummaryView(ScreenContext context, std::function<void()> showProblems, std::function<void()> showFiles,
                QWidget *parent = nullptr);
    void refresh();

private:
    WorkflowViewModel *m_vm;
    QLabel *m_title;
    SymbolLabel *m_space;
    SummaryLine *m_found;
    SummaryLine *m_missing;
    SummaryLine *m_ambiguous;
    QLabel *m_identical;
    QPushButton *m_problems;
    QPushButton *m_undo;
    QPushButton *m_warnings;
    SummaryLine *m_skipped;
    SummaryLine *m_existing;
    QToolButton *m_remove;
    QPushButton *m_copy;
};

} // namespace quillmore
