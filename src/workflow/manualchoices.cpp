#include "manualchoices.h"

#include "model/localization.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace quillmore {

QString ManualChoices::key(const SelectionResult &result)
{
    return matchKey(result.selection.baseName.isEmpty() ? deletingPathExtension(result.selection.fileName)
                                                        : result.selection.baseName);
}

void ManualChoices::remember(const SelectionResult &before, const std::optional<Choice> &choice)
{
    const QString name = key(before);
    const auto known = m_choices.constFind(name);
    m_steps.append({before, name, known != m_choices.constEnd() ? std::optional<Choice>(*known) : std::nullopt});
    if (choice)
        m_choices.insert(name, *choice);
    else
        m_choices.remove(name);
}

std::optional<ManualChoices::Step> ManualChoices::undo()
{
    if (m_steps.isEmpty())
        return std::nullopt;
    const Step step = m_steps.takeLast();
    if (step.choiceBefore)
        m_choices.insert(step.key, *step.choiceBefore);
    else
        m_choices.remove(step.key);
    return step;
}

void ManualChoices::clear()
{
    m_choices.clear();
    m_steps.clear();
}

QList<SelectionResult> ManualChoices::applied(QList<SelectionResult> results, SearchTarget target) const
{
    for (SelectionResult &result : results) {
        const auto choice = m_choices.constFind(key(result));
        if (choice == m_choices.constEnd())
            continue;
        if (!choice->file) {
            result.chosenRAW.reset();
            result.status = SelectionStatus::skipped;
            result.message = localized("report.status.skipped");
        } else if (isRegularFilePath(*choice->file)
                   && hasExtensionIn(lastPathComponent(*choice->file), candidateExtensions(target))) {
            result.chosenRAW = *choice->file;
            result.status = SelectionStatus::manuallyResolved;
            result.message.reset();
        }
    }
    return results;
}

} // namespace quillmore
