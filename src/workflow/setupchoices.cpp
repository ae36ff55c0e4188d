#include "setupchoices.h"

#include "jobs.h"
#include "published.h"
#include "sessionstore.h"

#include "platform/paths.h"

namespace quillmore {
namespace {

bool isDirectory(const FileURL &url)
{
    return isDirectoryPath(standardizedPath(url));
}

// The first folder among dropped items, once each.
std::optional<FileURL> firstFolder(const QList<FileURL> &urls)
{
    for (const FileURL &url : uniqueByStandardizedPath(urls)) {
        if (isDirectory(url))
            return url;
    }
    return std::nullopt;
}

} // namespace

SetupChoices::SetupChoices(std::shared_ptr<SelectionReading> selectionReader, SessionStore *session,
                           WorkflowPanels *panels, QObject *parent)
    : QObject(parent),
      m_selectionReader(std::move(selectionReader)),
      m_session(session),
      m_panels(panels),
      m_link(std::make_shared<Link>(this))
{
    connect(this, &SetupChoices::selectionFolderChanged, this, &SetupChoices::countSelection);
    connect(this, &SetupChoices::selectionRequiresReauthorizationChanged, this, &SetupChoices::countSelection);
    const SessionStore::Preferences preferences = m_session->readPreferences();
    m_includeXMP = preferences.includeXMP;
    m_conflictPolicy = preferences.conflictPolicy;
    m_blurCheckEnabled = preferences.blurCheck;
    m_duplicateCheckEnabled = preferences.duplicateCheck;
    m_fileCheckEnabled = preferences.fileCheck;
    const SessionStore::Folders folders = m_session->restoreBookmarks();
    if (folders.selection) {
        m_selectionFolder = folders.selection->url;
        m_selectionRequiresReauthorization = folders.selection->requiresReauthorization;
    }
    m_searchLocations = folders.searchLocations;
    if (folders.destination) {
        m_destinationFolder = folders.destination->url;
        m_destinationRequiresReauthorization = folders.destination->requiresReauthorization;
    }
    countSelection(); // the restored folder's count shows at launch too
}

SetupChoices::~SetupChoices()
{
    m_link->release();
}

QualityCheckOptions SetupChoices::qualityOptions() const
{
    return QualityCheckOptions{m_blurCheckEnabled, m_duplicateCheckEnabled, m_fileCheckEnabled};
}

bool SetupChoices::hasSearchAndDestination() const
{
    if (!m_destinationFolder || m_destinationRequiresReauthorization || m_searchLocations.isEmpty())
        return false;
    for (const SearchLocation &l : m_searchLocations)
        if (l.requiresReauthorization)
            return false;
    return true;
}

// Counts the pictures of the selection folder in the background, for the set-up screen.
void SetupChoices::countSelection()
{
    const quint64 generation = ++m_selectionCountGeneration;
    publish(this, m_selectionPictureCount, std::optional<qint64>(), &SetupChoices::selectionPictureCountChanged);
    if (!m_selectionFolder || m_selectionRequiresReauthorization || !m_selectionReader)
        return;
    startJob([link = m_link, reader = m_selectionReader, folder = *m_selectionFolder, generation] {
        std::optional<qint64> count;
        try {
            count = reader->readSelection(folder, std::stop_token()).selections.size();
        } catch (const std::exception &) {
            // An unreadable folder shows no count; the scan tells why.
        }
        link->post([count, generation](SetupChoices *setup) {
            if (generation == setup->m_selectionCountGeneration)
                publish(setup, setup->m_selectionPictureCount, count, &SetupChoices::selectionPictureCountChanged);
        });
    });
}

void SetupChoices::saveBookmarks(const QList<FileURL> &urls, const char *key)
{
    if (const std::optional<QString> failure = m_session->saveBookmarks(urls, key))
        emit failed(*failure);
}

// ---- panels -----------------------------------------------------------------------------------

void SetupChoices::preparePanel(PanelPurpose purpose)
{
    if (!m_panels)
        return;
    std::optional<FileURL> current;
    if (purpose == PanelPurpose::selectionFolder)
        current = m_selectionFolder;
    else if (purpose == PanelPurpose::destinationFolder || purpose == PanelPurpose::report)
        current = m_destinationFolder;
    else if (purpose == PanelPurpose::searchLocations && !m_searchLocations.isEmpty())
        current = m_searchLocations.last().url;
    m_panels->preparePanel(purpose, m_session->panelStart(purpose, current));
}

void SetupChoices::rememberPanelFolder(PanelPurpose purpose, const FileURL &chosen)
{
    m_session->rememberPanelFolder(purpose, chosen);
}

std::optional<FileURL> SetupChoices::chooseOneFolder(PanelPurpose purpose)
{
    preparePanel(purpose);
    const QList<FileURL> chosen = m_panels ? m_panels->chooseFolders(false) : QList<FileURL>();
    if (chosen.isEmpty())
        return std::nullopt;
    rememberPanelFolder(purpose, chosen.first());
    return chosen.first();
}

// ---- the selection and the destination --------------------------------------------------------

void SetupChoices::chooseSelectionFolder()
{
    if (const std::optional<FileURL> folder = chooseOneFolder(PanelPurpose::selectionFolder))
        setSelectionFolder(*folder);
}

void SetupChoices::chooseDestinationFolder()
{
    if (const std::optional<FileURL> folder = chooseOneFolder(PanelPurpose::destinationFolder))
        setDestinationFolder(*folder);
}

void SetupChoices::setSelectionFolder(const FileURL &url)
{
    const QString path = standardizedPath(url);
    emit selectionFolderChosen(m_selectionFolder != std::optional<FileURL>(path));
    publish(this, m_selectionFolder, std::optional<FileURL>(path), &SetupChoices::selectionFolderChanged);
    publish(this, m_selectionRequiresReauthorization, false, &SetupChoices::selectionRequiresReauthorizationChanged);
    setSelectionInputMode(SelectionInputMode::folder);
    m_session->beginAccess(path);
    saveBookmarks({path}, SessionStore::kSelectionBookmarkKey);
}

bool SetupChoices::dropSelectionFolder(const QList<FileURL> &urls)
{
    const std::optional<FileURL> folder = firstFolder(urls);
    if (folder)
        setSelectionFolder(*folder);
    return folder.has_value();
}

void SetupChoices::clearSelectionFolder()
{
    publish(this, m_selectionFolder, std::optional<FileURL>(), &SetupChoices::selectionFolderChanged);
    publish(this, m_selectionRequiresReauthorization, false, &SetupChoices::selectionRequiresReauthorizationChanged);
    setSelectionInputMode(SelectionInputMode::folder);
}

void SetupChoices::setSelectionInputMode(SelectionInputMode mode)
{
    publish(this, m_selectionInputMode, mode, &SetupChoices::selectionInputModeChanged);
}

void SetupChoices::setDestinationFolder(const FileURL &url)
{
    const QString path = standardizedPath(url);
    publish(this, m_destinationFolder, std::optional<FileURL>(path), &SetupChoices::destinationFolderChanged);
    publish(this, m_destinationRequiresReauthorization, false,
            &SetupChoices::destinationRequiresReauthorizationChanged);
    m_session->beginAccess(path);
    saveBookmarks({path}, SessionStore::kDestinationBookmarkKey);
}

bool SetupChoices::dropDestinationFolder(const QList<FileURL> &urls)
{
    const std::optional<FileURL> folder = firstFolder(urls);
    if (folder)
        setDestinationFolder(*folder);
    return folder.has_value();
}

// ---- search locations -------------------------------------------------------------------------

QList<FileURL> SetupChoices::searchLocationURLs() const
{
    QList<FileURL> urls;
    for (const SearchLocation &l : m_searchLocations)
        urls << l.url;
    return urls;
}

void SetupChoices::addSearchLocations()
{
    if (!m_panels)
        return;
    preparePanel(PanelPurpose::searchLocations);
    const QList<FileURL> chosen = m_panels->chooseFolders(true);
    if (chosen.isEmpty())
        return;
    rememberPanelFolder(PanelPurpose::searchLocations, chosen.last());
    setSearchLocations(searchLocationURLs() + chosen);
}

bool SetupChoices::dropSearchLocations(const QList<FileURL> &urls)
{
    QList<FileURL> folders;
    for (const FileURL &url : uniqueByStandardizedPath(urls))
        if (isDirectory(url))
            folders << url;
    if (folders.isEmpty())
        return false;
    setSearchLocations(searchLocationURLs() + folders);
    return true;
}

void SetupChoices::removeSearchLocation(const QUuid &id)
{
    QList<FileURL> urls;
    for (const SearchLocation &l : m_searchLocations)
        if (l.id != id)
            urls << l.url;
    setSearchLocations(urls);
}

void SetupChoices::reauthorizeSearchLocation(const QUuid &id)
{
    const std::optional<FileURL> chosen = chooseOneFolder(PanelPurpose::searchLocations);
    if (!chosen)
        return;
    QList<FileURL> urls;
    for (const SearchLocation &l : m_searchLocations)
        urls << (l.id == id ? standardizedPath(*chosen) : l.url);
    setSearchLocations(urls);
}

void SetupChoices::setSearchLocations(const QList<FileURL> &given)
{
    const QList<FileURL> urls = uniqueByStandardizedPath(given);
    QStringList currentPaths;
    bool someNeedReauthorization = false;
    for (const SearchLocation &l : m_searchLocations) {
        currentPaths << standardizedPath(l.url);
        someNeedReauthorization = someNeedReauthorization || l.requiresReauthorization;
    }
    for (const QString &path : currentPaths)
        if (!urls.contains(path))
            m_session->endAccess(path);
    QList<SearchLocation> locations;
    for (const FileURL &url : urls) {
        m_session->beginAccess(url);
        locations.append({makeId(), url, false});
    }
    publish(this, m_searchLocations, locations, &SetupChoices::searchLocationsChanged);
    emit searchLocationsSet(currentPaths != QStringList(urls) || someNeedReauthorization);
    saveBookmarks(urls, SessionStore::kSearchesBookmarkKey);
}

// ---- options ----------------------------------------------------------------------------------

void SetupChoices::setSearchTarget(SearchTarget target)
{
    publish(this, m_searchTarget, target, &SetupChoices::searchTargetChanged);
}

void SetupChoices::setIncludeXMP(bool include)
{
    if (include == m_includeXMP)
        return;
    m_session->store(SessionStore::kIncludeXMPKey, include);
    publish(this, m_includeXMP, include, &SetupChoices::includeXMPChanged);
}

void SetupChoices::setConflictPolicy(ConflictPolicy policy)
{
    if (policy == m_conflictPolicy)
        return;
    m_session->store(SessionStore::kConflictPolicyKey, rawValue(policy));
    publish(this, m_conflictPolicy, policy, &SetupChoices::conflictPolicyChanged);
}

// The checks chosen are kept for the next launch.
void SetupChoices::storeCheck(bool &field, bool enabled, void (SetupChoices::*signal)(), const char *key)
{
    publish(this, field, enabled, signal);
    m_session->store(key, enabled);
}

void SetupChoices::setBlurCheckEnabled(bool enabled)
{
    storeCheck(m_blurCheckEnabled, enabled, &SetupChoices::blurCheckEnabledChanged, SessionStore::kBlurCheckKey);
}

void SetupChoices::setDuplicateCheckEnabled(bool enabled)
{
    storeCheck(m_duplicateCheckEnabled, enabled, &SetupChoices::duplicateCheckEnabledChanged,
               SessionStore::kDuplicateCheckKey);
}

void SetupChoices::setFileCheckEnabled(bool enabled)
{
    storeCheck(m_fileCheckEnabled, enabled, &SetupChoices::fileCheckEnabledChanged, SessionStore::kFileCheckKey);
}

} // namespace quillmore
