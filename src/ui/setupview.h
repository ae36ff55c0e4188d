#pragma once

// The setup screen: the selection (a folder of JPEG files or screenshots), the search locations,
// the destination, the options and quality checks, and the button that starts the scan.

#include "screen.h"
#include "model/records.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace quillmore {

class DropFrame;
class FolderPanel;
class QualityOptionToggle;
class SelectionDropOption;

class SetupView : public QWidget {
    Q_OBJECT
public:
    explicit SetupView(ScreenContext context, QWidget *parent = nullptr);
    void refresh();

private:
    QWidget *makeSelectionPanel();
    QWidget *makeSearchPanel();
    QWidget *makeOptions();
    void refreshSearchList();

    WorkflowViewModel *m_vm;
    SelectionDropOption *m_folderTile;
    QLabel *m_selectionCount;
    SelectionDropOption *m_screenshotTile;
    QProgressBar *m_readingProgress;
    QPushButton *m_cancelReading;
    QPushButton *m_reviewButton;
    QPushButton *m_replaceButton;
    DropFrame *m_searchPanel;
    QLabel *m_searchEmpty;
    QWidget *m_searchScroll;
    QWidget *m_searchList;
    QVBoxLayout *m_searchListLayout;
    QList<SearchLocation> m_shownLocations;
    bool m_locationsShown = false;
    FolderPanel *m_destination;
    QButtonGroup *m_targetGroup;
    QCheckBox *m_includeXMP;
    QualityOptionToggle *m_blur;
    QualityOptionToggle *m_duplicate;
    QualityOptionToggle *m_fileCheck;
    QComboBox *m_conflict;
    QPushButton *m_scanButton;
    RefreshScheduler *m_scheduler;
};

} // namespace quillmore
