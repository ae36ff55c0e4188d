#include "filenamerules.h"

#include "model/records.h"
#include "platform/text.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace quillmore {

const char16_t *const filenameTokenPattern =
    u"(?iu)(?<![\\p{L}\\p{N}\\p{M}_-])(((?:_[\\p{L}\\p{N}][\\p{L}\\p{N}\\p{M}_-]{0,126}|[\\p{L}\\p{N}][\\p{L}\\p{N}\\p{"
    u"M}_-]{0,127})\\.(?:jpg|jpeg))|((?=[\\p{L}\\p{N}\\p{M}_-]{1,128}(?![\\p{L}\\p{N}\\p{M}_-]))(?=[\\p{L}\\p{N}\\p{M}_"
    u"-]*\\p{L})(?=[\\p{L}\\p{N}\\p{M}_-]*\\p{N})(?=[\\p{L}\\p{N}\\p{M}_-]*(?:[_-]|\\p{N}{4}))(?:_[\\p{L}\\p{N}][\\p{L}"
    u"\\p{N}\\p{M}_-]{0,126}|[\\p{L}\\p{N}][\\p{L}\\p{N}\\p{M}_-]{0,127})))(?![\\p{L}\\p{N}\\p{M}_-]|\\.[\\p{L}\\p{N}"
    u"\\p{M}])";
const char16_t *const fileNamePattern = u"(?iu)^(?:_[\\p{L}\\p{N}][\\p{L}\\p{N}\\p{M}_-]{0,126}|[\\p{L}\\p{N}][\\p{L}"
                                        u"\\p{N}\\p{M}_-]{0,127})\\.(?:jpg|jpeg)$";
const char16_t *const baseNamePattern =
    u"(?iu)^(?=[\\p{L}\\p{N}\\p{M}_-]*\\p{L})(?=[\\p{L}\\p{N}\\p{M}_-]*\\p{N})(?=[\\p{L}\\p{N}\\p{M}_-]*(?:[_-]|\\p{N}{"
    u"4}))(?:_[\\p{L}\\p{N}][\\p{L}\\p{N}\\p{M}_-]{0,126}|[\\p{L}\\p{N}][\\p{L}\\p{N}\\p{M}_-]{0,127})$";
const char16_t *const nameNumberLinePattern =
    u"(?iu)^\\s*[^\\p{L}\\p{N}]*([\\p{L}][\\p{L}\\p{M}-]{1,63})\\s+(\\p{N}{4,12})[^\\p{L}\\p{N}]*\\s*$";

namespace {

// One compiled pattern, made once; null when it cannot be compiled. Matchers are made per call
// from the shared pattern, which is safe across threads.
class CompiledPattern {
public:
    explicit CompiledPattern(const char16_t *source)
    {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError;
        m_pattern.reset(icu::RegexPattern::compile(icu::UnicodeString(source), 0, parseError, status));
        if (U_FAILURE(status))
            m_pattern.reset();
    }
    // A matcher over `text`, which must outlive it; null when the pattern is unusable.
    std::unique_ptr<icu::RegexMatcher> matcher(const icu::UnicodeString &text) const
    {
        if (!m_pattern)
            return nullptr;
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> m(m_pattern->matcher(text, status));
        if (U_FAILURE(status))
            return nullptr;
        return m;
    }

private:
    std::unique_ptr<icu::RegexPattern> m_pattern;
};

const CompiledPattern &tokenPattern()
{
    static const CompiledPattern p(filenameTokenPattern);
    return p;
}
const CompiledPattern &fullNamePattern()
{
    static const CompiledPattern p(fileNamePattern);
    return p;
}
const CompiledPattern &bareNamePattern()
{
    static const CompiledPattern p(baseNamePattern);
    return p;
}
const CompiledPattern &nameNumberPattern()
{
    static const CompiledPattern p(nameNumberLinePattern);
    return p;
}

icu::UnicodeString toIcu(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t *>(text.utf16()), int32_t(text.size()));
}

bool isTrimmedSpace(UChar32 c)
{
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85)
        return true;
    const int8_t category = u_charType(c);
    return category == U_SPACE_SEPARATOR || category == U_LINE_SEPARATOR || category == U_PARAGRAPH_SEPARATOR;
}

// The text of `group` of the current match; nothing when its range does not map into the text.
std::optional<QString> groupText(icu::RegexMatcher &m, int group, const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t start = m.start(group, status);
    const int32_t end = m.end(group, status);
    if (U_FAILURE(status) || start < 0 || end < start || end > text.size())
        return std::nullopt;
    return text.mid(start, end - start);
}

bool matchesWhole(const CompiledPattern &pattern, const QString &text)
{
    const icu::UnicodeString u = toIcu(text);
    auto m = pattern.matcher(u);
    if (!m)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const bool matched = m->matches(status);
    return U_SUCCESS(status) && matched;
}

// A whole picture file name with inner spaces or dots: name characters, with single spaces and
// dots between them, then the extension.
const CompiledPattern &spacedFileNamePattern()
{
    static const CompiledPattern p(u"(?iu)^[\\p{L}\\p{N}](?:[\\p{L}\\p{N}\\p{M}_-]|[ .](?=[\\p{L}\\p{N}_]))*"
                                   u"\\.(?:jpg|jpeg)$");
    return p;
}

// A bare name with inner spaces or dots.
const CompiledPattern &spacedBaseNamePattern()
{
    static const CompiledPattern p(u"(?iu)^(?=.*\\p{L})(?=.*\\p{N})[\\p{L}\\p{N}_]"
                                   u"(?:[\\p{L}\\p{N}\\p{M}_-]|[ .](?=[\\p{L}\\p{N}_]))*$");
    return p;
}

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_') || c == QLatin1Char('-');
}

bool hasJpegExtension(const QString &name)
{
    return name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)
        || name.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive);
}

// Any name a file can have: no slash, no control character, at most 255 bytes.
bool possibleFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.toUtf8().size() > 255)
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c == QLatin1Char('/') || c.category() == QChar::Other_Control; });
}

} // namespace

QString cleanRecognizedText(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    const icu::UnicodeString u = toIcu(text);
    for (int32_t i = 0; i < u.length();) {
        const UChar32 c = u.char32At(i);
        if (!u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT)) {
            if (U_IS_BMP(c)) {
                kept.append(QChar(char16_t(c)));
            } else {
                kept.append(QChar(U16_LEAD(c)));
                kept.append(QChar(U16_TRAIL(c)));
            }
        }
        i += U16_LENGTH(c);
    }
    const QString composed = nfc(kept);
    const icu::UnicodeString c = toIcu(composed);
    int32_t begin = 0;
    int32_t end = c.length();
    while (begin < end && isTrimmedSpace(c.char32At(begin)))
        begin += U16_LENGTH(c.char32At(begin));
    while (end > begin) {
        const int32_t last = c.moveIndex32(end, -1);
        if (!isTrimmedSpace(c.char32At(last)))
            break;
        end = last;
    }
    return composed.mid(begin, end - begin);
}

QStringList extractFilenameTokens(const QString &line)
{
    QStringList tokens;
    const QString cleaned = cleanRecognizedText(line);
    const icu::UnicodeString u = toIcu(cleaned);
    auto m = tokenPattern().matcher(u);
    if (!m)
        return tokens;
    UErrorCode status = U_ZERO_ERROR;
    while (m->find(status) && U_SUCCESS(status)) {
        if (auto token = groupText(*m, 1, cleaned))
            tokens.append(*token);
    }
    return tokens;
}

// The characters recognition may return: those of file names and the text around them in a file
// list (sizes, dates, kinds), and the letters of the Latin-script names clients have. Left out are
// signs that never stand in a name, and the letters with a dot or a macron of the Baltic and
// Maltese alphabets: at screen sizes they are mostly misreadings of common ones (ė for é).
const QString &screenshotNameCharacters()
{
    static const QString characters = [] {
        QString set = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 _-.,:/'");
        for (char16_t c = 0xC0; c <= 0xFF; ++c) {
            if (c != 0xD7 && c != 0xF7)
                set += QChar(c);
        }
        // Latin Extended-A: the letters of Polish, Czech, Slovak, Hungarian, Romanian, Turkish,
        // Croatian and Slovene names, and the ligatures.
        set += QStringLiteral("\u0104\u0105\u0106\u0107\u010C\u010D\u010E\u010F\u0110\u0111\u0118\u0119"
                              "\u011A\u011B\u011E\u011F\u0130\u0131\u0139\u013A\u013D\u013E\u0141\u0142"
                              "\u0143\u0144\u0147\u0148\u0150\u0151\u0152\u0153\u0154\u0155\u0158\u0159"
                              "\u015A\u015B\u015E\u015F\u0160\u0161\u0162\u0163\u0164\u0165\u016E\u016F"
                              "\u0170\u0171\u0179\u017A\u017B\u017C\u017D\u017E\u0102\u0103");
        set += QStringLiteral("\u0218\u0219\u021A\u021B");
        return set;
    }();
    return characters;
}

namespace {

bool hasPictureExtension(const QString &name)
{
    return hasExtensionIn(name, jpegExtensions());
}

// 'P1000123JPG', 'Okafor-0007_jpg': a bare name that ends in a picture extension without its dot.
bool endsInExtensionWithoutDot(const QString &name)
{
    const QSet<QString> &extensions = jpegExtensions();
    return !hasPictureExtension(name) && std::any_of(extensions.cbegin(), extensions.cend(), [&](const QString &e) {
        return name.endsWith(e, Qt::CaseInsensitive);
    });
}

} // namespace

QStringList screenshotNamesInLine(const QString &line)
{
    const QString cleaned = cleanRecognizedText(line);
    // One box that holds exactly one name with inner spaces or dots. Two names side by side are
    // two names: an extension inside the line parts them.
    // A word of one character, or a first word of two, is a file icon read as letters
    // ('g IMG_2231.jpg', 'Ææ DSCF7316.jpeg'), not part of the name.
    static const QRegularExpression innerExtension(QStringLiteral("\\.jpe?g[ .]"),
                                                   QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression loneCharacter(QStringLiteral("(?:^| )\\S(?: |$)|^\\S\\S "));
    if ((cleaned.contains(QLatin1Char(' ')) || cleaned.count(QLatin1Char('.')) > 1) && !cleaned.contains(innerExtension)
        && !cleaned.contains(loneCharacter) && matchesWhole(spacedFileNamePattern(), cleaned))
        return {cleaned};
    // The runs of name characters that an ellipsis cuts, what touches '…' or '...' (or the '..'
    // a small ellipsis is often read as) on either side, are no names.
    QStringList names;
    const QStringList tokens = extractFilenameTokens(cleaned);
    qsizetype from = 0;
    for (const QString &token : tokens) {
        const qsizetype at = cleaned.indexOf(token, from);
        if (at < 0)
            continue;
        from = at + token.size();
        const QString before = cleaned.left(at);
        const QString after = cleaned.mid(from);
        static const QRegularExpression startsWithEllipsis(QStringLiteral("^\\s?(?:\u2026|\\.{2,}|\\.?\u2026)"));
        if (endsInEllipsis(before) || after.contains(startsWithEllipsis))
            continue;
        // Nor is the tail of a longer name after one of its dots ('…_Bak.0117.jpg', where the
        // ellipsis was read as a dot).
        if (before.size() >= 2 && before.back() == QLatin1Char('.') && isNameCharacter(before.at(before.size() - 2)))
            continue;
        if (endsInExtensionWithoutDot(token))
            continue;
        names.append(token);
    }
    return names;
}

QList<QStringList> screenshotNamesInLines(const QStringList &lines)
{
    QList<QStringList> names;
    qsizetype full = 0, bare = 0;
    for (const QString &line : lines) {
        names.append(screenshotNamesInLine(line));
        for (const QString &name : names.back())
            ++(hasPictureExtension(name) ? full : bare);
    }
    if (full > bare) {
        for (QStringList &inLine : names)
            inLine.removeIf([](const QString &name) { return !hasPictureExtension(name); });
    }
    return names;
}

bool endsInEllipsis(const QString &text)
{
    static const QRegularExpression ellipsisAtEnd(QStringLiteral("(?:\u2026|\\.{2,})\\s?$"));
    return text.contains(ellipsisAtEnd);
}

std::optional<QString> nameNumberCandidate(const QString &line)
{
    const icu::UnicodeString u = toIcu(line);
    auto m = nameNumberPattern().matcher(u);
    if (!m)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    if (!m->find(status) || U_FAILURE(status))
        return std::nullopt;
    if (m->start(status) != 0 || m->end(status) != u.length() || U_FAILURE(status))
        return std::nullopt;
    const auto word = groupText(*m, 1, line);
    const auto number = groupText(*m, 2, line);
    if (!word || !number)
        return std::nullopt;
    return *word + QLatin1Char('_') + *number;
}

bool isValidScreenshotName(const QString &name)
{
    const QString cleaned = cleanRecognizedText(name);
    if (matchesWhole(fullNamePattern(), cleaned) || matchesWhole(bareNamePattern(), cleaned))
        return true;
    if (!possibleFileName(cleaned))
        return false;
    if (hasJpegExtension(cleaned)) {
        const QString base = cleaned.left(cleaned.lastIndexOf(QLatin1Char('.')));
        return std::any_of(base.cbegin(), base.cend(), [](QChar c) { return c.isLetterOrNumber(); });
    }
    // A bare name may hold dots, but does not end in another extension ('IMG_1.png').
    static const QRegularExpression otherExtension(QStringLiteral("\\.\\p{L}{1,5}$"),
                                                   QRegularExpression::UseUnicodePropertiesOption);
    return matchesWhole(spacedBaseNamePattern(), cleaned) && !cleaned.contains(otherExtension);
}

QString screenshotNameKey(const QString &name)
{
    QString cleaned = cleanRecognizedText(name);
    const qsizetype dot = cleaned.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && hasJpegExtension(cleaned))
        cleaned.truncate(dot);
    return nfc(cleaned);
}

} // namespace quillmore
