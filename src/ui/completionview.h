#pragma once

// The screen after a copy: how the run ended (all copied, some failed, nothing copied, cancelled,
// checks cancelled), what became of every picture, the files that failed with their cause, the
// results of the checks that ran, and the report, a retry, a new job and the destination folder.

#include "screen.h"

#include <functional>

class QLabel;
class QPushButton;
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
    // The failed files as listed, one "name: cause" line each.
    QStringList failureTexts() const { return m_failureTexts; }

private:
    WorkflowViewModel *m_vm;
    QLabel *m_title;
    QLabel *m_titleIcon;
    SymbolLabel *m_cancelled;
    SymbolLabel *m_checksCancelled;
    QVBoxLayout *m_lines;
    QLabel *m_failuresHeading;
    QLabel *m_failures;
    QStringList m_failureTexts;
    QPushButton *m_retry;
};

} // namespace quillmore
