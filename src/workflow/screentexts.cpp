#include "screentexts.h"

#include "model/localization.h"

namespace quillmore {

QString statusLabel(SelectionStatus status)
{
    return localized(QStringLiteral("selection.status.") + rawValue(status));
}

// Every status label key, spelled out so that the key check finds them.
[[maybe_unused]] static const char *const kStatusLabelKeys[] = {
    L10N("selection.status.found"),
    L10N("selection.status.notFound"),
    L10N("selection.status.ambiguous"),
    L10N("selection.status.manuallyResolved"),
    L10N("selection.status.existsAtDestination"),
    L10N("selection.status.readyToCopy"),
    L10N("selection.status.copied"),
    L10N("selection.status.skipped"),
    L10N("selection.status.failed"),
};

QString failureCauseText(CopyFailureCause cause)
{
    return localized(QStringLiteral("copy.cause.") + rawValue(cause));
}

// Every cause key, spelled out so that the key check finds them.
[[maybe_unused]] static const char *const kFailureCauseKeys[] = {
    L10N("copy.cause.other"),
    L10N("copy.cause.sourceMissing"),
    L10N("copy.cause.destinationMissing"),
    L10N("copy.cause.destinationReadOnly"),
    L10N("copy.cause.diskFull"),
    L10N("copy.cause.alreadyExists"),
    L10N("copy.cause.notVerified"),
};

const char *completionLineKey(SearchTarget t)
{
    return t == SearchTarget::raw ? L10N("completion.raw") : L10N("completion.jpeg");
}

} // namespace quillmore
