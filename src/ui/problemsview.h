#pragma once

// The problems sheet: the copy plan's issues and every name that was not found or is ambiguous,
// each with what the user can do about it. Panels are built in batches as the list scrolls, so
// thousands of problems open at once.

#include "screen.h"
#include "model/records.h"

class QScrollArea;
class QVBoxLayout;

namespace quillmore {

class ProblemsView : public Sheet {
    Q_OBJECT
public:
    explicit ProblemsView(ScreenContext context, QWidget *parent = nullptr);
    void refresh();
    // Panels built so far (the rest are built when scrolled to).
    int builtPanelCount() const { return m_built; }
    int problemCount() const { return int(m_issues.size() + m_problems.size()); }
    static constexpr int kBatch = 40;

private:
    void buildMore();
    bool removeSettled(const QList<SelectionResult> &problems);
    QWidget *makeIssuePanel(const CopyPreflightIssue &issue);
    QWidget *makeResultPanel(const SelectionResult &result);
    QWidget *makeCandidateRow(const SelectionResult &result, const RawCandidate &candidate);

    WorkflowViewModel *m_vm;
    QScrollArea *m_scroll;
    QWidget *m_list;
    QVBoxLayout *m_listLayout;
    QWidget *m_empty;
    QList<CopyPreflightIssue> m_issues;
    QList<SelectionResult> m_problems;
    SearchTarget m_target = SearchTarget::raw;
    bool m_shown = false;
    int m_built = 0;
};

// "6000 × 4000 px".
QString pixelSizeText(qint64 width, qint64 height);
// The details line of a candidate: size, pixel size and modification date, those known.
QString candidateDetails(const RawCandidate &candidate);
// Where a selected name came from: its file, or the screenshots it was read from.
QString selectionSourceLine(const SelectedJPEG &selection);

} // namespace quillmore
