#pragma once

// The one kind of exception the services throw for a failure (cancellation is Cancelled, in
// model/cancellation.h, and never a failure). It carries facts, not text: the words are chosen
// where the failure is shown.

#include "model/failure.h"

#include <QString>

#include <stdexcept>

namespace quillmore {

class FailureError : public std::runtime_error {
public:
    explicit FailureError(const Failure &failure, const char *operation = nullptr);
    FailureError(FailureCode code, int errorNumber = 0, const QString &path = QString(),
                 const char *operation = nullptr)
        : FailureError(Failure{code, errorNumber, path}, operation)
    {
    }
    const Failure &failure() const { return m_failure; }
    FailureCode code() const { return m_failure.code; }
    int errorNumber() const { return m_failure.errorNumber; }
    const QString &path() const { return m_failure.path; }
    // The system call that failed ("open", "write", ...), for logs and tests; may be null.
    const char *operation() const { return m_operation; }

private:
    Failure m_failure;
    const char *m_operation;
};

// The system's own description of an error number ("No space left on device"), untranslated.
QString systemErrorText(int errorNumber);

} // namespace quillmore
