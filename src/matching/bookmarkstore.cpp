#include "bookmarkstore.h"

#include "platform/errors.h"
#include "platform/paths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace quillmore {
namespace {

// One JSON string literal, escaped as the JSON writer escapes it.
QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2); // drop the brackets
}

} // namespace

QByteArray PathBookmarkTokens::makeToken(const FileURL &folder)
{
    const QString path = standardizedPath(folder);
    if (!isDirectoryPath(path))
        throw FailureError(FailureCode::bookmarkFolderMissing, 0, path);
    return encodePath(path) + '\0' + encodePath(mountRootOf(path));
}

std::optional<BookmarkTokens::Resolved> PathBookmarkTokens::resolve(const QByteArray &token)
{
    if (token.isEmpty())
        return std::nullopt;
    const qsizetype nul = token.indexOf('\0');
    const QByteArray pathBytes = nul < 0 ? token : token.left(nul);
    const QString path = standardizedPath(decodePath(std::string_view(pathBytes.constData(), pathBytes.size())));
    if (!isDirectoryPath(path))
        return std::nullopt;
    if (nul >= 0) {
        // The file system the folder was on must still be mounted where it was, and hold it.
        const QByteArray rootBytes = token.mid(nul + 1);
        const QString mountRoot = decodePath(std::string_view(rootBytes.constData(), rootBytes.size()));
        if (!mountRoot.isEmpty() && (!isMountRoot(mountRoot) || !onSameFileSystem(mountRoot, path)))
            return std::nullopt;
    }
    return Resolved{path, false};
}

BookmarkStore::BookmarkStore(QSettings *settings, std::unique_ptr<BookmarkTokens> tokens)
    : m_settings(settings), m_tokens(tokens ? std::move(tokens) : std::make_unique<PathBookmarkTokens>())
{
}

// Members in the order "path", "data"; the JSON writer would sort them, so the objects are
// written here.
QByteArray BookmarkStore::encode(const QList<StoredBookmark> &records)
{
    QByteArray out = "[";
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (i > 0)
            out += ',';
        out += "{\"path\":" + jsonString(records[i].path)
            + ",\"data\":" + jsonString(QString::fromLatin1(records[i].data.toBase64())) + '}';
    }
    out += ']';
    return out;
}

std::optional<QList<BookmarkStore::StoredBookmark>> BookmarkStore::decode(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QList<StoredBookmark> records;
    for (const QJsonValue &value : doc.array()) {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject object = value.toObject();
        const QJsonValue path = object.value(QLatin1String("path"));
        const QJsonValue data = object.value(QLatin1String("data"));
        if (!path.isString() || !data.isString())
            return std::nullopt;
        const auto token = QByteArray::fromBase64Encoding(data.toString().toLatin1(),
                                                          QByteArray::AbortOnBase64DecodingErrors);
        if (!token)
            return std::nullopt;
        records.append({path.toString(), *token});
    }
    return records;
}

std::optional<QList<BookmarkStore::StoredBookmark>> BookmarkStore::readList(const QString &key) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    return decode(value.toByteArray());
}

void BookmarkStore::saveBookmarks(const QList<FileURL> &folders, const QString &key)
{
    const QList<StoredBookmark> stored = readList(key).value_or(QList<StoredBookmark>());
    QList<StoredBookmark> records;
    records.reserve(folders.size());
    for (const FileURL &folder : folders) {
        const QString path = standardizedPath(folder);
        try {
            records.append({path, m_tokens->makeToken(folder)});
        } catch (const FailureError &) {
            // An offline folder keeps its stored token, to be resolved again when it is back.
            const auto old = std::find_if(stored.begin(), stored.end(),
                                          [&](const StoredBookmark &r) { return r.path == path; });
            if (old == stored.end())
                throw; // nothing written
            records.append(*old);
        }
    }
    m_settings->setValue(key, encode(records));
    m_settings->sync();
}

QList<RestoredBookmark> BookmarkStore::loadBookmarks(const QString &key)
{
    const auto records = readList(key);
    if (!records)
        return {};
    QList<RestoredBookmark> restored;
    for (const StoredBookmark &record : *records) {
        const auto resolved = m_tokens->resolve(record.data);
        if (!resolved) {
            restored.append({standardizedPath(record.path), true});
            continue;
        }
        restored.append({resolved->url, false});
        if (resolved->isStale) {
            try {
                const QByteArray renewed = m_tokens->makeToken(resolved->url);
                refreshBookmark(key, record.path, resolved->url, renewed);
            } catch (const FailureError &) {
                // Kept usable; the stale token is tried again at the next launch.
            }
        }
    }
    return restored;
}

void BookmarkStore::refreshBookmark(const QString &key, const QString &oldPath, const QString &newPath,
                                    const QByteArray &newToken)
{
    auto records = readList(key);
    if (!records)
        return;
    for (StoredBookmark &record : *records) {
        if (record.path == oldPath) {
            record.path = newPath;
            record.data = newToken;
            m_settings->setValue(key, encode(*records));
            m_settings->sync();
            return;
        }
    }
}

} // namespace quillmore
