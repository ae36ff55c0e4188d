#pragma once

// The choices of the set-up screen: where the selection comes from, where to search, where to
// copy to, what to search for and the options of the copy. It keeps the folders across launches
// (as bookmarks, with their access held open) and the options as preferences, opens the folder
// panels where the last folder of their kind was, and counts the pictures of the selection folder
// in the background. Lives on the GUI thread.

#include "workflowservices.h"

#include <QObject>

#include <memory>
#include <optional>

namespace quillmore {

class SessionStore;
template <typename Controller>
class ControllerLink;

class SetupChoices : public QObject {
    Q_OBJECT

public:
    // Reads the preferences and restores the stored folders. The session and the panels (which
    // may be absent) must outlive this object.
    SetupChoices(std::shared_ptr<SelectionReading> selectionReader, SessionStore *session, WorkflowPanels *panels,
                 QObject *parent = nullptr);
    ~SetupChoices() override;

    const std::optional<FileURL> &selectionFolder() const { return m_selectionFolder; }
    bool selectionRequiresReauthorization() const { return m_selectionRequiresReauthorization; }
    // The number of pictures in the selection folder, once counted; nothing while counting or
    // without a readable folder.
    std::optional<qint64> selectionPictureCount() const { return m_selectionPictureCount; }
    SelectionInputMode selectionInputMode() const { return m_selectionInputMode; }
    const QList<SearchLocation> &searchLocations() const { return m_searchLocations; }
    const std::optional<FileURL> &destinationFolder() const { return m_destinationFolder; }
    bool destinationRequiresReauthorization() const { return m_destinationRequiresReauthorization; }
    SearchTarget searchTarget() const { return m_searchTarget; }
    bool includeXMP() const { return m_includeXMP; }
    ConflictPolicy conflictPolicy() const { return m_conflictPolicy; }
    bool blurCheckEnabled() const { return m_blurCheckEnabled; }
    bool duplicateCheckEnabled() const { return m_duplicateCheckEnabled; }
    bool fileCheckEnabled() const { return m_fileCheckEnabled; }
    QualityCheckOptions qualityOptions() const;
    // A destination and at least one search location, none of them waiting for reauthorization.
    bool hasSearchAndDestination() const;

    // Open the folder panel for one folder and take the first chosen.
    void chooseSelectionFolder();
    void chooseDestinationFolder();
    void setSelectionFolder(const FileURL &url);
    // The first folder among dropped items; false when there is none.
    bool dropSelectionFolder(const QList<FileURL> &urls);
    // No selection folder; the selection comes from a folder again.
    void clearSelectionFolder();
    void setSelectionInputMode(SelectionInputMode mode);
    void setDestinationFolder(const FileURL &url);
    bool dropDestinationFolder(const QList<FileURL> &urls);
    void addSearchLocations();
    bool dropSearchLocations(const QList<FileURL> &urls);
    void removeSearchLocation(const QUuid &id);
    void reauthorizeSearchLocation(const QUuid &id);
    void setSearchLocations(const QList<FileURL> &urls);
    void setSearchTarget(SearchTarget target);
    void setIncludeXMP(bool include);
    void setConflictPolicy(ConflictPolicy policy);
    void setBlurCheckEnabled(bool enabled);
    void setDuplicateCheckEnabled(bool enabled);
    void setFileCheckEnabled(bool enabled);

    // Tells the panels what the next one is for and where it opens: where the last folder of its
    // kind was, else beside the folder of its kind in use.
    void preparePanel(PanelPurpose purpose);
    // The chosen file or folder's folder is where the next panel of its kind opens.
    void rememberPanelFolder(PanelPurpose purpose, const FileURL &chosen);

signals:
    void selectionFolderChanged();
    void selectionRequiresReauthorizationChanged();
    void selectionPictureCountChanged();
    void selectionInputModeChanged();
    void searchLocationsChanged();
    void destinationFolderChanged();
    void destinationRequiresReauthorizationChanged();
    void searchTargetChanged();
    void includeXMPChanged();
    void conflictPolicyChanged();
    void blurCheckEnabledChanged();
    void duplicateCheckEnabledChanged();
    void fileCheckEnabledChanged();
    // After any of the above.
    void changed();
    // A selection folder is being chosen, before it is set; otherFolder when it is not the one
    // in use.
    void selectionFolderChosen(bool otherFolder);
    // The search locations were set; changed when they differ from before or some waited for
    // reauthorization.
    void searchLocationsSet(bool changed);
    // A folder could not be stored for the next launch.
    void failed(const QString &text);

private:
    using Link = ControllerLink<SetupChoices>;

    void countSelection();
    void saveBookmarks(const QList<FileURL> &urls, const char *key);
    std::optional<FileURL> chooseOneFolder(PanelPurpose purpose);
    QList<FileURL> searchLocationURLs() const;
    void storeCheck(bool &field, bool enabled, void (SetupChoices::*signal)(), const char *key);

    std::shared_ptr<SelectionReading> m_selectionReader;
    SessionStore *m_session;
    WorkflowPanels *m_panels;
    std::shared_ptr<Link> m_link;
    quint64 m_selectionCountGeneration = 0; // the latest count asked for; older ones are dropped

    std::optional<FileURL> m_selectionFolder;
    bool m_selectionRequiresReauthorization = false;
    std::optional<qint64> m_selectionPictureCount;
    SelectionInputMode m_selectionInputMode = SelectionInputMode::folder;
    QList<SearchLocation> m_searchLocations;
    std::optional<FileURL> m_destinationFolder;
    bool m_destinationRequiresReauthorization = false;
    SearchTarget m_searchTarget = SearchTarget::raw;
    bool m_includeXMP = true;
    ConflictPolicy m_conflictPolicy = ConflictPolicy::skip;
    bool m_blurCheckEnabled = false;
    bool m_duplicateCheckEnabled = false;
    bool m_fileCheckEnabled = false;
};

} // namespace quillmore
