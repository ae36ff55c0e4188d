#pragma once

// Texts of the job's states that the desktop screens and the command line both show.

#include "model/records.h"

#include <QString>

namespace quillmore {

// The label of a status: the text of "selection.status.<raw value>".
QString statusLabel(SelectionStatus status);
// What a photographer reads about a failed copy: the text of "copy.cause.<raw value>".
QString failureCauseText(CopyFailureCause cause);

// The key of the completion line that counts the copied files ("completion.raw" or
// "completion.jpeg"), for callers that add the count themselves.
const char *completionLineKey(SearchTarget t);

} // namespace quillmore
