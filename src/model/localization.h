#pragma once

// Every user-visible text is looked up by its key ("status.scan.complete"). The texts live in
// Qt translation files under i18n/ (<area>_<language>.ts), compiled into the program. English
// is always loaded; the user's language, when it is one we ship, is asked first. A key without
// any text comes back as the key itself.
//
// Keys written in code are either passed as a literal straight to localized() or wrapped in
// L10N() where they are handed around first; a test reads the sources for both forms and
// checks that every such key has an English text.

#include <QString>
#include <QStringList>

#define L10N(key) key

namespace quillmore {

QString localized(const char *key);
QString localized(const QString &key);

namespace detail {
inline QString textArgument(const QString &value)
{
    return value;
}
inline QString textArgument(const char *value)
{
    return QString::fromUtf8(value);
}
template <typename T>
QString textArgument(const T &value)
{
    return QStringLiteral("%1").arg(value);
}
} // namespace detail

// The text with its %1, %2, ... placeholders filled in one pass: a value that itself contains
// "%2" stays as it is.
template <typename... Args>
QString localized(const char *key, const Args &...args)
{
    return localized(key).arg(detail::textArgument(args)...);
}

// The text of a key whose wording depends on a count ("1 picture checked", "2 pictures
// checked"): the language's plural form for `count`, with %n replaced by the count written in
// the user's locale.
QString localizedCount(const char *key, qint64 count);

// Chooses the language of the texts: a language code ("nl", "en"); an empty code means the
// user's own languages. Called once at start, before any text is looked up; texts already
// looked up are not changed.
void setTextLanguage(const QString &languageCode);

} // namespace quillmore
