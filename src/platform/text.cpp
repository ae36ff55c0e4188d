#include "text.h"

#include "paths.h"

#include <QLocale>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/sortkey.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace quillmore {

QString nfc(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C);
}

QString caseFolded(const QString &text)
{
    icu::UnicodeString u(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    u.foldCase(U_FOLD_CASE_DEFAULT);
    return QString(reinterpret_cast<const QChar *>(u.getBuffer()), u.length());
}

QString baseName(const QString &pathOrFileName)
{
    return nfc(deletingPathExtension(lastPathComponent(pathOrFileName)));
}

static bool isAscii(std::string_view bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

QString matchKey(const QString &base)
{
    if (std::all_of(base.cbegin(), base.cend(), [](QChar c) { return c.unicode() < 0x80; })) {
        // ASCII is already in Form C, and full case folding maps exactly A-Z to a-z in it.
        QString key = base;
        for (QChar &c : key)
            if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                c = QChar(c.unicode() - 'A' + 'a');
        return key;
    }
    return caseFolded(nfc(base));
}

std::string matchKeyUtf8(std::string_view bytes)
{
    if (isAscii(bytes)) {
        // ASCII is already in Form C, and full case folding maps exactly A-Z to a-z in it.
        std::string key(bytes);
        for (char &c : key)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return key;
    }
    return encodePath(matchKey(decodePath(bytes))).toStdString();
}

namespace {

// Finder order for the user's locale: numeric runs by value, case ignored (secondary strength
// keeps accents apart but not case). The "C" locale has no collation of its own; it gets
// English rules, so digits still sort by value.
std::unique_ptr<icu::Collator> makeCollator()
{
    QString name = QLocale::system().name();
    if (name == QLatin1String("C") || name.isEmpty())
        name = QStringLiteral("en_US");
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(
        icu::Collator::createInstance(icu::Locale(name.toLatin1().constData()), status));
    if (U_FAILURE(status) || !collator) {
        status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    if (collator) {
        collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        collator->setStrength(icu::Collator::SECONDARY);
    }
    return collator;
}

icu::Collator *collator()
{
    // ICU collators may not be shared between threads while in use; each thread has its own.
    thread_local std::unique_ptr<icu::Collator> c = makeCollator();
    return c.get();
}

icu::UnicodeString toIcu(QStringView s)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(s.utf16()), int32_t(s.size()));
}

} // namespace

int localizedStandardCompare(const QString &a, const QString &b)
{
    icu::Collator *c = collator();
    if (!c)
        return a.compare(b, Qt::CaseInsensitive);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = c->compare(toIcu(a), toIcu(b), status);
    if (U_FAILURE(status))
        return a.compare(b, Qt::CaseInsensitive);
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

QByteArray localizedStandardSortKey(QStringView text)
{
    icu::Collator *c = collator();
    if (!c)
        return text.toString().toLower().toUtf8();
    const icu::UnicodeString u = toIcu(text);
    QByteArray key(64, Qt::Uninitialized);
    int32_t needed = c->getSortKey(u, reinterpret_cast<uint8_t *>(key.data()), int32_t(key.size()));
    if (needed > key.size()) {
        key.resize(needed);
        needed = c->getSortKey(u, reinterpret_cast<uint8_t *>(key.data()), int32_t(key.size()));
    }
    // The key ends with a NUL byte that is not part of it.
    key.resize(needed > 0 ? needed - 1 : 0);
    return key;
}

} // namespace quillmore
