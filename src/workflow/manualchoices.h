#pragma once

// The choices the photographer made on the results (a file chosen, a name skipped), remembered by
// the name's key across scans, and the steps that take them back one by one.

#include "model/records.h"

#include <QHash>

#include <optional>

namespace quillmore {

class ManualChoices {
public:
    struct Choice {
        std::optional<FileURL> file; // absent: skipped
        bool operator==(const Choice &) const = default;
    };
    struct Step {
        SelectionResult before; // the result as it was before the choice
        QString key;
        std::optional<Choice> choiceBefore;
    };

    // Remembers the choice made on the result, or forgets the one made on its name (nothing), with
    // a step that takes it back.
    void remember(const SelectionResult &before, const std::optional<Choice> &choice);
    // Takes back the last step's choice and gives the step; nothing when there is none.
    std::optional<Step> undo();
    bool canUndo() const { return !m_steps.isEmpty(); }
    // The steps name the results of one scan.
    void clearSteps() { m_steps.clear(); }
    // Choices belong to the names of one selection.
    void clear();

    // The results with the choices remembered for their names: a skipped name stays skipped, and a
    // chosen file that still exists and is of the kind searched for stays chosen.
    QList<SelectionResult> applied(QList<SelectionResult> results, SearchTarget target) const;

private:
    static QString key(const SelectionResult &result);

    QHash<QString, Choice> m_choices;
    QList<Step> m_steps;
};

// The result with a choice made on it: the file chosen, or skipped (no file).
SelectionResult withChoice(SelectionResult result, const ManualChoices::Choice &choice);
// The result as the scan left it: its one candidate chosen, ambiguous between several, or not found.
SelectionResult asScanned(SelectionResult result);

} // namespace quillmore
