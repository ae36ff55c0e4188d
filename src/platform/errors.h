#pragma once

#include <QString>

#include <stdexcept>

namespace quillmore {

// A failure that carries the localised text shown to the user.
class LocalizedError : public std::runtime_error {
public:
    explicit LocalizedError(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    const QString &localizedDescription() const { return m_description; }

private:
    QString m_description;
};

// A folder or file could not be read.
class FileReadError : public LocalizedError {
public:
    enum class Code { noSuchFile };
    FileReadError(Code code, const QString &path);
    Code code() const { return m_code; }
    const QString &path() const { return m_path; }

private:
    Code m_code;
    QString m_path;
};

} // namespace quillmore
