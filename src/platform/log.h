#pragma once

#include <QLoggingCategory>
#include <QString>

namespace quillmore {

// The matching diagnostics channel. Debug messages are off unless enabled with
// QT_LOGGING_RULES="ExactOCRMatching.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcMatching)

// A value that may identify the user's files: written as "<private>" unless the process was
// started with QUILLMORE_LOG_PRIVATE=1.
QString privateValue(const QString &value);

} // namespace quillmore
