#include "paths.h"

#include "model/records.h"

#include <QDir>
#include <QSet>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include <sys/stat.h>

namespace quillmore {

QString decodePath(std::string_view bytes)
{
    // Never more UTF-16 units than bytes: written in place, then cut to length.
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    qsizetype written = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            d[written++] = c;
            ++i;
            continue;
        }
        // Length and lowest valid value of the sequence that starts here.
        int len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
            min = 0x10000;
        }
        bool valid = len > 0 && i + std::size_t(len) <= n;
        for (int k = 1; valid && k < len; ++k) {
            const unsigned char cc = p[i + std::size_t(k)];
            if ((cc & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
        if (valid && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            valid = false;
        if (!valid) {
            d[written++] = char16_t(0xDC00 + c);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            d[written++] = QChar::highSurrogate(cp);
            d[written++] = QChar::lowSurrogate(cp);
        } else {
            d[written++] = char16_t(cp);
        }
        i += std::size_t(len);
    }
    out.truncate(written);
    return out;
}

QByteArray encodePath(const QString &path)
{
    QByteArray out;
    out.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = path.at(i).unicode();
        char32_t cp = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
            cp = QChar::surrogateToUcs4(u, path.at(i + 1).unicode());
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out.append(char(u - 0xDC00)); // an undecodable byte carried through
            continue;
        } else if (QChar::isSurrogate(u)) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.append(char(cp));
        } else if (cp < 0x800) {
            out.append(char(0xC0 | (cp >> 6)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.append(char(0xE0 | (cp >> 12)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        } else {
            out.append(char(0xF0 | (cp >> 18)));
            out.append(char(0x80 | ((cp >> 12) & 0x3F)));
            out.append(char(0x80 | ((cp >> 6) & 0x3F)));
            out.append(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

QString standardizedPath(const QString &path)
{
    QString absolute = path;
    if (!absolute.startsWith(QLatin1Char('/')))
        absolute = QDir::currentPath() + QLatin1Char('/') + absolute;
    QList<QStringView> parts;
    for (QStringView part : QStringView(absolute).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    QString out;
    out.reserve(absolute.size());
    for (QStringView part : parts) {
        out.append(QLatin1Char('/'));
        out.append(part);
    }
    return out.isEmpty() ? QStringLiteral("/") : out;
}

QString resolvingSymlinks(const QString &path)
{
    const QString standard = standardizedPath(path);
    char *resolved = ::realpath(encodePath(standard).constData(), nullptr);
    if (!resolved)
        return standard;
    const QString out = decodePath(resolved);
    std::free(resolved);
    return out;
}

QString lastPathComponent(const QString &path)
{
    if (path == QLatin1String("/"))
        return path;
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(QLatin1Char('/')))
        view.chop(1);
    const qsizetype slash = view.lastIndexOf(QLatin1Char('/'));
    return (slash < 0 ? view : view.mid(slash + 1)).toString();
}

QString pathExtension(const QString &fileName)
{
    const qsizetype dot = extensionDot(fileName);
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

QString deletingPathExtension(const QString &fileName)
{
    const qsizetype dot = extensionDot(fileName);
    return dot < 0 ? fileName : fileName.left(dot);
}

QString parentPath(const QString &path)
{
    const QString standard = standardizedPath(path);
    const qsizetype slash = standard.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : standard.left(slash);
}

QString appendingPathComponent(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

bool isSameOrInside(const QString &a, const QString &b)
{
    const QString pa = standardizedPath(a);
    const QString pb = standardizedPath(b);
    if (pb == QLatin1String("/"))
        return true;
    if (!pa.startsWith(pb))
        return false;
    return pa.size() == pb.size() || pa.at(pb.size()) == QLatin1Char('/');
}

QList<QString> uniqueByStandardizedPath(const QList<QString> &locations)
{
    QList<QString> out;
    QSet<QString> seen;
    for (const QString &location : locations) {
        const QString standard = standardizedPath(location);
        if (seen.contains(standard))
            continue;
        seen.insert(standard);
        out.append(standard);
    }
    return out;
}

QList<QString> rootLocations(const QList<QString> &locations)
{
    const QList<QString> unique = uniqueByStandardizedPath(locations);
    QList<QString> out;
    for (const QString &location : unique) {
        bool nested = false;
        for (const QString &other : unique) {
            if (other != location && isSameOrInside(location, other)) {
                nested = true;
                break;
            }
        }
        if (!nested)
            out.append(location);
    }
    return out;
}

bool isDirectoryPath(const QString &path)
{
    struct stat st;
    return !path.isEmpty() && ::stat(encodePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

int directoryPathError(const QString &path)
{
    if (path.isEmpty())
        return ENOENT;
    struct stat st;
    if (::stat(encodePath(path).constData(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

bool isRegularFilePath(const QString &path)
{
    struct stat st;
    return !path.isEmpty() && ::stat(encodePath(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace quillmore

namespace quillmore {

namespace {
std::optional<dev_t> deviceOf(const QString &path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(encodePath(path).constData(), &st) != 0)
        return std::nullopt;
    return st.st_dev;
}
} // namespace

QString mountRootOf(const QString &path)
{
    QString current = resolvingSymlinks(path);
    const auto device = deviceOf(current);
    if (!device)
        return {};
    while (current != QLatin1String("/")) {
        const QString parent = parentPath(current);
        if (deviceOf(parent) != device)
            break;
        current = parent;
    }
    return current;
}

bool isMountRoot(const QString &path)
{
    const QString resolved = resolvingSymlinks(path);
    if (resolved == QLatin1String("/"))
        return true;
    const auto device = deviceOf(resolved);
    return device && deviceOf(parentPath(resolved)) != device;
}

bool onSameFileSystem(const QString &a, const QString &b)
{
    const auto da = deviceOf(a);
    return da && da == deviceOf(b);
}

} // namespace quillmore
