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

// The characters text recognition may return when it reads screenshots of file lists.
const QString &screenshotNameCharacters();

// The names a recognised line shows: one name when the whole line is exactly one picture file
// name with inner spaces or dots, as editing software exports them ('Smith Wedding-0042.jpg',
// '2024.05.01_shoot_001.jpg'), else the tokens of extractFilenameTokens. A name shortened with an
// ellipsis ('Hendriksen-Bak…0117.jpg', 'Hendriksen-Bakker_Cer...') gives nothing: neither the
// piece before the ellipsis nor the piece after it is a name.
// A bare name whose last letters are a picture extension ('P1000123JPG', 'Okafor-0007_jpg') is a
// full name whose dot was not read, and gives nothing either.
QStringList screenshotNamesInLine(const QString &line);

// The names each line of one screenshot shows, line by line. A file list shows every file's
// extension or none: where most names read on a screenshot carry a picture extension, a name read
// without one is a label that lost its extension (cut, wrapped or misread) or a folder, and gives
// nothing.
QList<QStringList> screenshotNamesInLines(const QStringList &lines);

// True when the text ends in an ellipsis: '…', or the '..' or '...' a small one is read as.
bool endsInEllipsis(const QString &text);

// 'Smith_0042' for a line that reads 'Smith 0042' (a word and a number apart, nothing else but
// punctuation); nothing otherwise. The line is taken as recognised, without cleaning.
std::optional<QString> nameNumberCandidate(const QString &line);

// A full '.jpg'/'.jpeg' file name or a bare base name with a letter, a number and an underscore,
// a hyphen or four numbers in a row; also, as the folder mode takes them, any '.jpg'/'.jpeg' name
// a file can have (inner spaces, dots and signs; no slash or control character, at most 255
// bytes), and a bare name with inner spaces or dots that has a letter and a number.
bool isValidScreenshotName(const QString &name);

// The cleaned name without its '.jpg'/'.jpeg' extension (any other ending is part of a bare name:
// '2024.05.01_shoot_001'), in Form C; case-sensitive.
QString screenshotNameKey(const QString &name);

} // namespace quillmore
