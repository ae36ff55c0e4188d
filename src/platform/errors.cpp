#include "errors.h"

#include <cstring>
#include <string>

namespace quillmore {
namespace {

std::string describe(const Failure &failure, const char *operation)
{
    std::string text = "failure " + std::to_string(int(failure.code));
    if (operation)
        text += std::string(" in ") + operation;
    if (failure.errorNumber != 0)
        text += ": " + systemErrorText(failure.errorNumber).toStdString();
    if (!failure.path.isEmpty())
        text += ": " + failure.path.toStdString();
    return text;
}

} // namespace

FailureError::FailureError(const Failure &failure, const char *operation)
    : std::runtime_error(describe(failure, operation)), m_failure(failure), m_operation(operation)
{
}

QString systemErrorText(int errorNumber)
{
#if defined(__GLIBC__)
    if (const char *text = strerrordesc_np(errorNumber))
        return QString::fromLocal8Bit(text);
    return QString::number(errorNumber);
#else
    char buffer[256] = {};
    if (strerror_r(errorNumber, buffer, sizeof buffer) == 0)
        return QString::fromLocal8Bit(buffer);
    return QString::number(errorNumber);
#endif
}

} // namespace quillmore
