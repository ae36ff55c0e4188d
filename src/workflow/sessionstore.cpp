#include "sessionstore.h"

#include "failuretext.h"

#include "model/localization.h"
#include "platform/errors.h"
#include "platform/paths.h"

namespace quillmore {
namespace {

bool storedBool(const QSettings &settings, const char *key, bool fallback)
{
    const QVariant value = settings.value(QLatin1String(key));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        // Text-based settings files keep a boolean as its word.
        const QString text = value.toString();
        if (text == QLatin1String("true") || text == QLatin1String("false"))
            return text == QLatin1String("true");
    }
    return fallback;
}

const char *panelFolderKey(PanelPurpose purpose)
{
    switch (purpose) {
    case PanelPurpose::selectionFolder: return "panel.folder.selection";
    case PanelPurpose::searchLocations: return "panel.folder.searches";
    case PanelPurpose::destinationFolder: return "panel.folder.destination";
    case PanelPurpose::screenshots: return "panel.folder.screenshots";
    case PanelPurpose::candidateFile: return "panel.folder.candidate";
    case PanelPurpose::report: return "panel.folder.report";
    }
    return "panel.folder.other";
}

} // namespace

SessionStore::SessionStore(std::unique_ptr<QSettings> settings, std::unique_ptr<BookmarkTokens> tokens,
                           WorkflowPlatform *platform)
    : m_settings(settings ? std::move(settings)
                          : std::make_unique<QSettings>(QStringLiteral("Quillmore"), QStringLiteral("Quillmore"))),
      m_bookmarks(std::make_unique<BookmarkStore>(m_settings.get(), std::move(tokens))),
      m_platform(platform)
{
}

SessionStore::~SessionStore()
{
    for (auto it = m_activeScopes.cbegin(); it != m_activeScopes.cend(); ++it)
        m_platform->stopAccess(it.value());
}

SessionStore::Preferences SessionStore::readPreferences() const
{
    Preferences preferences;
    preferences.includeXMP = storedBool(*m_settings, kIncludeXMPKey, true);
    preferences.blurCheck = storedBool(*m_settings, kBlurCheckKey, false);
    preferences.duplicateCheck = storedBool(*m_settings, kDuplicateCheckKey, false);
    preferences.fileCheck = storedBool(*m_settings, kFileCheckKey, false);
    const QVariant policy = m_settings->value(QLatin1String(kConflictPolicyKey));
    preferences.conflictPolicy = policy.typeId() == QMetaType::QString
            && policy.toString() == QLatin1String("keepNumbered")
        ? ConflictPolicy::keepNumbered
        : ConflictPolicy::skip;
    return preferences;
}

void SessionStore::store(const char *key, const QVariant &value)
{
    m_settings->setValue(QLatin1String(key), value);
    m_settings->sync();
}

void SessionStore::remove(const char *key)
{
    m_settings->remove(QLatin1String(key));
    m_settings->sync();
}

SessionStore::Folders SessionStore::restoreBookmarks()
{
    Folders folders;
    const auto restoreOne = [this](const char *key) -> std::optional<Folder> {
        const QList<RestoredBookmark> stored = m_bookmarks->loadBookmarks(QLatin1String(key));
        if (stored.isEmpty())
            return std::nullopt;
        const Folder folder{standardizedPath(stored.first().url), stored.first().requiresReauthorization};
        if (!folder.requiresReauthorization)
            beginAccess(folder.url);
        return folder;
    };
    folders.selection = restoreOne(kSelectionBookmarkKey);
    for (const RestoredBookmark &entry : m_bookmarks->loadBookmarks(QLatin1String(kSearchesBookmarkKey))) {
        const QString path = standardizedPath(entry.url);
        if (!entry.requiresReauthorization)
            beginAccess(path);
        folders.searchLocations.append({makeId(), path, entry.requiresReauthorization});
    }
    folders.destination = restoreOne(kDestinationBookmarkKey);
    return folders;
}

std::optional<QString> SessionStore::saveBookmarks(const QList<FileURL> &urls, const char *key)
{
    try {
        m_bookmarks->saveBookmarks(urls, QLatin1String(key));
    } catch (const FailureError &e) {
        return failureText(e.failure());
    } catch (const std::exception &) {
        return localized("error.bookmark.save.failed");
    }
    return std::nullopt;
}

std::optional<FileURL> SessionStore::panelFolder(PanelPurpose purpose) const
{
    const QString stored = m_settings->value(QLatin1String(panelFolderKey(purpose))).toString();
    if (!stored.isEmpty() && isDirectoryPath(stored))
        return stored;
    return std::nullopt;
}

std::optional<FileURL> SessionStore::panelStart(PanelPurpose purpose, const std::optional<FileURL> &current) const
{
    if (std::optional<FileURL> stored = panelFolder(purpose))
        return stored;
    if (current && isDirectoryPath(purpose == PanelPurpose::report ? *current : parentPath(*current)))
        return purpose == PanelPurpose::report ? *current : parentPath(*current);
    return std::nullopt;
}

void SessionStore::rememberPanelFolder(PanelPurpose purpose, const FileURL &chosen)
{
    m_settings->setValue(QLatin1String(panelFolderKey(purpose)), parentPath(standardizedPath(chosen)));
}

std::optional<QString> SessionStore::takeInterruptedCopy()
{
    const QString interrupted = m_settings->value(QLatin1String(kCopyInProgressKey)).toString();
    if (interrupted.isEmpty())
        return std::nullopt;
    remove(kCopyInProgressKey);
    return interrupted;
}

bool SessionStore::beginAccess(const FileURL &url)
{
    const QString key = standardizedPath(url);
    if (m_activeScopes.contains(key))
        return true;
    if (!m_platform->startAccess(key))
        return false; // silent: a later read reports the problem
    m_activeScopes.insert(key, key);
    return true;
}

void SessionStore::endAccess(const FileURL &url)
{
    const auto it = m_activeScopes.find(standardizedPath(url));
    if (it == m_activeScopes.end())
        return;
    const FileURL opened = it.value();
    m_activeScopes.erase(it);
    m_platform->stopAccess(opened);
}

} // namespace quillmore
