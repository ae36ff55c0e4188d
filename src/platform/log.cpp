#include "log.h"

namespace quillmore {

Q_LOGGING_CATEGORY(lcMatching, "ExactOCRMatching", QtInfoMsg)

QString privateValue(const QString &value)
{
    static const bool showPrivate = qEnvironmentVariableIntValue("QUILLMORE_LOG_PRIVATE") == 1;
    return showPrivate ? value : QStringLiteral("<private>");
}

} // namespace quillmore
