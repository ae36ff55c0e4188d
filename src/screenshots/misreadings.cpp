#include "misreadings.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace quillmore {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_') || c == QLatin1Char('-');
}

// The digit a letter read among digits stands for: O is a zero; l, I and L (a 1 with the dot
// after it) are a one. Null for other characters.
QChar digitLookingLike(QChar c)
{
    if (c == QLatin1Char('O') || c == QLatin1Char('o'))
        return QLatin1Char('0');
    if (c == QLatin1Char('l') || c == QLatin1Char('I') || c == QLatin1Char('L'))
        return QLatin1Char('1');
    return {};
}

} // namespace

QString mendCameraNumbers(const QString &text)
{
    // Camera file names: a maker's prefix, then only digits.
    static const QStringList prefixes{QStringLiteral("_DSC"), QStringLiteral("DSCF"), QStringLiteral("DSCN"),
                                      QStringLiteral("DSC"),  QStringLiteral("IMG_"), QStringLiteral("_MG_"),
                                      QStringLiteral("IMGP"), QStringLiteral("CIMG"), QStringLiteral("PICT"),
                                      QStringLiteral("DJI_"), QStringLiteral("GOPR"), QStringLiteral("SAM_"),
                                      QStringLiteral("PXL_"), QStringLiteral("P")};
    QString result = text;
    qsizetype i = 0;
    while (i < result.size()) {
        if (!isNameChar(result.at(i)) || (i > 0 && isNameChar(result.at(i - 1)))) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < result.size() && isNameChar(result.at(end)))
            ++end;
        // Canon's '_MG_1234' loses its thin leading underscore more often than not.
        if (end - i >= 7 && QStringView(result).mid(i, 3) == QLatin1String("MG_") && result.at(i + 3).isDigit()) {
            result.insert(i, QLatin1Char('_'));
            ++end;
        }
        for (const QString &prefix : prefixes) {
            if (end - i <= prefix.size() + 3 || QStringView(result).mid(i, prefix.size()) != prefix)
                continue;
            const qsizetype bodyStart = i + prefix.size();
            int digits = 0;
            bool onlyDigitLike = true;
            for (qsizetype k = bodyStart; k < end; ++k) {
                const QChar c = result.at(k);
                if (c.isDigit())
                    ++digits;
                else if (digitLookingLike(c).isNull())
                    onlyDigitLike = false;
            }
            if (onlyDigitLike && digits >= 2 && digits < end - bodyStart) {
                for (qsizetype k = bodyStart; k < end; ++k) {
                    if (!result.at(k).isDigit())
                        result[k] = digitLookingLike(result.at(k));
                }
            }
            break;
        }
        i = end;
    }
    return result;
}

QString mendStrokedL(const QString &text)
{
    // No name starts 'tŁ' or 'Łt' + vowel: the stroke through an Ł read as a letter of its own.
    static const QRegularExpression strayT(QStringLiteral("(?<![\\p{L}\\p{N}])t?([Łł])t?(?=[aeiouyąęó])"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    QString result = text;
    result.replace(strayT, QStringLiteral("\\1"));
    return result;
}

QString mendExtensionDots(const QString &text)
{
    // A name that ends in a digit, then the extension with its small dot read as a space, a comma
    // or nothing at all.
    static const QRegularExpression lostDot(
        QStringLiteral("(?<=[\\p{L}\\p{N}_-])(\\d)(?: |,|)(jpe?g)(?![\\p{L}\\p{N}\\p{M}_.-])"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    // '.j' read as 'jj' at small sizes, once the pieces of a wrapped label are together.
    static const QRegularExpression dotJ(QStringLiteral("(?<=\\d)jj(pe?g)(?![\\p{L}\\p{N}\\p{M}_.-])"),
                                         QRegularExpression::CaseInsensitiveOption
                                             | QRegularExpression::UseUnicodePropertiesOption);
    // The tail of a lower-case g read as a 9: 'jp9', 'jpe9' after a name's dot.
    static const QRegularExpression tailOfG(
        QStringLiteral("(?<=[\\p{L}\\p{N}_-]\\.)(jpe?)9(?![\\p{L}\\p{N}\\p{M}_.-])"),
        QRegularExpression::UseUnicodePropertiesOption);
    QString result = text;
    result.replace(lostDot, QStringLiteral("\\1.\\2"));
    result.replace(tailOfG, QStringLiteral("\\1g"));
    result.replace(dotJ, QStringLiteral(".j\\1"));
    return result;
}

QString mendNumbers(const QString &text)
{
    // The number after a name's last underscore ('Olafur_09O1', 'Olafur_090l'): digits only, so
    // an O among them is a zero and an l or I a one. At least two real digits say it is one.
    static const QRegularExpression numberRun(
        QStringLiteral("(?<=\\p{L}_)([0-9OolIL]{3,})(?=\\.[A-Za-z]{3,4}(?![\\p{L}\\p{N}])|$|\\s)"),
        QRegularExpression::UseUnicodePropertiesOption);
    QString result = text;
    QRegularExpressionMatchIterator it = numberRun.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QString run = match.captured(1);
        const qsizetype digits = std::count_if(run.cbegin(), run.cend(), [](QChar c) { return c.isDigit(); });
        if (digits < 2 || digits == run.size())
            continue;
        for (QChar &c : run) {
            if (!c.isDigit())
                c = digitLookingLike(c);
        }
        result.replace(match.capturedStart(1), run.size(), run); // same length
    }
    return result;
}

QString mendReading(const QString &text)
{
    return mendExtensionDots(mendNumbers(mendCameraNumbers(mendStrokedL(text))));
}

} // namespace quillmore
