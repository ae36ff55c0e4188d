#pragma once

// Keeps access to the folders the user chose across launches: for each folder a token from which
// the platform can find it again, stored as a list under one settings key.

#include "model/records.h"

#include <QByteArray>
#include <QList>
#include <QSettings>
#include <QString>

#include <memory>
#include <optional>

namespace quillmore {

// The platform's folder tokens. On Linux there is no sandbox: the token is the folder's path and,
// after a NUL, the folder where its file system was mounted when the token was made. A token is
// never stale; resolving fails when the folder no longer exists, or when its file system is no
// longer mounted there (a card's fixed mount point with no card in the reader).
class BookmarkTokens {
public:
    struct Resolved {
        FileURL url;          // the folder as found again
        bool isStale = false; // the token still works but should be made anew
    };
    virtual ~BookmarkTokens() = default;
    // Throws FailureError (bookmarkFolderMissing) when no token can be made for the folder.
    virtual QByteArray makeToken(const FileURL &folder) = 0;
    // Nothing when the folder cannot be found again.
    virtual std::optional<Resolved> resolve(const QByteArray &token) = 0;
};

class PathBookmarkTokens final : public BookmarkTokens {
public:
    QByteArray makeToken(const FileURL &folder) override;
    std::optional<Resolved> resolve(const QByteArray &token) override;
};

struct RestoredBookmark {
    FileURL url;
    bool requiresReauthorization = false;
    bool operator==(const RestoredBookmark &) const = default;
};

// Writes and reads folder lists. Each key holds the UTF-8 text of a JSON array of
// {"path": the standardised folder path, "data": the token in Base64}, stored as bytes. Used on
// the GUI thread only.
class BookmarkStore {
public:
    // The settings object must outlive the store.
    explicit BookmarkStore(QSettings *settings, std::unique_ptr<BookmarkTokens> tokens = nullptr);

    // Replaces the list under the key. A folder for which no token can be made now (its drive is
    // offline) keeps the token stored for it before. Throws FailureError (and writes nothing)
    // when a folder has neither.
    void saveBookmarks(const QList<FileURL> &folders, const QString &key);
    // The folders under the key, in stored order; empty when nothing usable is stored. A folder
    // whose token no longer resolves comes back with its stored path and requiresReauthorization.
    QList<RestoredBookmark> loadBookmarks(const QString &key);

private:
    struct StoredBookmark {
        QString path;
        QByteArray data;
    };
    static QByteArray encode(const QList<StoredBookmark> &records);
    static std::optional<QList<StoredBookmark>> decode(const QByteArray &bytes);
    std::optional<QList<StoredBookmark>> readList(const QString &key) const;
    void refreshBookmark(const QString &key, const QString &oldPath, const QString &newPath,
                         const QByteArray &newToken);

    QSettings *m_settings;
    std::unique_ptr<BookmarkTokens> m_tokens;
};

} // namespace quillmore
