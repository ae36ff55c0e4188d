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
            result = withChoice(result, *choice);
            result.message = localized("report.status.skipped");
        } else if (isRegularFilePath(*choice->file)
                   && hasExtensionIn(lastPathComponent(*choice->file), candidateExtensions(target))) {
            result = withChoice(result, *choice);
        }
    }
    return results;
}

SelectionResult withChoice(SelectionResult result, const ManualChoices::Choice &choice)
{
    result.chosenRAW = choice.file;
    result.status = choice.file ? SelectionStatus::manuallyResolved : SelectionStatus::skipped;
    result.message.reset(); // the status says it; the report words it
    return result;
}

SelectionResult asScanned(SelectionResult result)
{
    result.destinationURL.reset();
    result.message.reset();
    result.chosenRAW.reset();
    result.status = SelectionStatus::notFound;
    if (result.candidates.size() == 1) {
        result.chosenRAW = result.candidates.first().url;
        result.status = SelectionStatus::found;
    } else if (result.candidates.size() > 1) {
        result.status = SelectionStatus::ambiguous;
    }
    return result;
}

} // namespace quillmore
