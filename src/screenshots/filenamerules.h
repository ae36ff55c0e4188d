#pragma once

// Text rules that find picture names in recognised text: cleaning, token extraction, the
// 'word number' repair, the validity test of a typed or recognised name and the key two names
// share when they denote the same picture. Pure functions of strings.

#include <QString>
#include <QStringList>

#include <optional>

namespace quillmore {

// The regular expressions behind the rules, in ICU syntax.
extern const char16_t *const filenameTokenPattern;
extern const char16_t *const fileNamePattern;
extern const char16_t *const baseNamePattern;
extern const char16_t *const nameNumberLinePattern;

// Drops default-ignorable code points, composes to Form C and trims white space and line breaks
// at both ends. Idempotent.
QString cleanRecognizedText(const QString &text);

// The file names in one recognised line, left to right, exactly as the cleaned line shows them.
QStringList extractFilenameTokens(const QString &line);

// 'Smith_0042' for a line that reads 'Smith 0042' (a word and a number apart, nothing else but
// punctuation); nothing otherwise. The line is taken as recognised, without cleaning.
std::optional<QString> nameNumberCandidate(const QString &line);

// A full '.jpg'/'.jpeg' file name or a bare base name with a letter, a number and an underscore,
// a hyphen or four numbers in a row.
bool isValidScreenshotName(const QString &name);

// The cleaned name without its extension, in Form C; case-sensitive.
QString screenshotNameKey(const QString &name);

} // namespace quillmore
