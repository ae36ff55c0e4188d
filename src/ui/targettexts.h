#pragma once

// Screen texts that name what is searched for: camera RAW files or full-size JPEG files.

#include "model/records.h"

#include <QString>

namespace quillmore {

QString targetName(SearchTarget t);       // set-up target picker
QString scanButtonTitle(SearchTarget t);  // set-up and screenshot review
QString scanScreenTitle(SearchTarget t);  // scan progress screen
QString filesColumnTitle(SearchTarget t); // the results table

// The keys of texts whose callers add placeholders of their own.
const char *summaryFoundLineKey(SearchTarget t);
const char *summaryCopyButtonKey(SearchTarget t);
const char *problemsNotFoundHeadingKey(SearchTarget t);
const char *problemsMultipleHeadingKey(SearchTarget t);
const char *problemsChooseManualButtonKey(SearchTarget t);
const char *problemsUseButtonKey(SearchTarget t);

} // namespace quillmore
