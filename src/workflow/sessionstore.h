#pragma once

// What the controller keeps between launches and the folder access it holds open: the
// preferences and checks chosen, the stored folders (bookmarks), the last folder of each panel,
// the mark of a copy under way, and the access scopes opened on folders and files.

#include "workflowservices.h"

#include <QHash>
#include <QSettings>

#include <memory>
#include <optional>

namespace quillmore {

class SessionStore {
public:
    // Settings keys.
    static constexpr const char *kIncludeXMPKey = "preference.includeXMP";
    static constexpr const char *kConflictPolicyKey = "preference.conflictPolicy";
    static constexpr const char *kSelectionBookmarkKey = "bookmark.selection";
    static constexpr const char *kSearchesBookmarkKey = "bookmark.searches";
    static constexpr const char *kDestinationBookmarkKey = "bookmark.destination";
    static constexpr const char *kBlurCheckKey = "preference.blurCheck";
    static constexpr const char *kDuplicateCheckKey = "preference.duplicateCheck";
    static constexpr const char *kFileCheckKey = "preference.fileCheck";
    // The destination of a copy under way; still there at the next start when the copy was
    // interrupted (the program was closed or ended before the copy finished).
    static constexpr const char *kCopyInProgressKey = "state.copyInProgress";

    struct Preferences {
        bool includeXMP = true;
        ConflictPolicy conflictPolicy = ConflictPolicy::skip;
        bool blurCheck = false;
        bool duplicateCheck = false;
        bool fileCheck = false;
    };

    // A stored folder as restored; its access is open unless it requires reauthorization.
    struct Folder {
        FileURL url;
        bool requiresReauthorization = false;
    };
    struct Folders {
        std::optional<Folder> selection;
        QList<SearchLocation> searchLocations;
        std::optional<Folder> destination;
    };

    // Without a settings object the application's own ("Quillmore", "Quillmore") is used. The
    // platform must outlive the store.
    SessionStore(std::unique_ptr<QSettings> settings, std::unique_ptr<BookmarkTokens> tokens,
                 WorkflowPlatform *platform);
    // Closes every access opened.
    ~SessionStore();

    Preferences readPreferences() const;
    // Stores the value and writes the settings out at once.
    void store(const char *key, const QVariant &value);
    void remove(const char *key);

    // Restores the stored folders and opens access to those that need no reauthorization.
    Folders restoreBookmarks();
    // Stores the folders under the key; the words for the failure when they could not be stored.
    std::optional<QString> saveBookmarks(const QList<FileURL> &urls, const char *key);

    // The folder a panel of this purpose last chose from, when it still exists.
    std::optional<FileURL> panelFolder(PanelPurpose purpose) const;
    void rememberPanelFolder(PanelPurpose purpose, const FileURL &chosen);
    // Where a panel of this purpose opens: where the last folder of its kind was; else beside the
    // folder of its kind in use (in it, for the report).
    std::optional<FileURL> panelStart(PanelPurpose purpose, const std::optional<FileURL> &current) const;

    // The destination of a copy that was under way when the program last ended; forgotten once
    // taken.
    std::optional<QString> takeInterruptedCopy();

    // Opens access to a folder or file, once; false when the platform refuses (a later read
    // reports the problem).
    bool beginAccess(const FileURL &url);
    void endAccess(const FileURL &url);
    // Folders and files whose access is open, by standardised path.
    QList<QString> activeScopePaths() const { return m_activeScopes.keys(); }

private:
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<BookmarkStore> m_bookmarks;
    WorkflowPlatform *m_platform;
    QHash<QString, FileURL> m_activeScopes;
};

} // namespace quillmore
