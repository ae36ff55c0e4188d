#pragma once

// Everything the workflow controller is built with: the services behind their one-operation
// interfaces, the file panels and the desktop operations. The
// desktop app and quillmore-cli get theirs from makeDefaultWorkflowServices(); tests pass their
// own.

#include "copying/interfaces.h"
#include "matching/bookmarkstore.h"
#include "matching/rawscanner.h"
#include "matching/selectionreader.h"
#include "model/screenshotrecords.h"
#include "quality/interfaces.h"
#include "screenshots/interfaces.h"

#include <memory>
#include <optional>

namespace quillmore {

// What a panel is opened for: its title says what to choose, and it opens where the last folder
// of its kind was.
enum class PanelPurpose { selectionFolder, searchLocations, destinationFolder, screenshots, candidateFile, report };

// What the panel for one candidate gave: a file of the target's type, nothing (dismissed), or a
// file of another type, which the user is told about.
struct CandidateFileChoice {
    CandidateFileChoice() = default;
    CandidateFileChoice(std::optional<FileURL> chosen) : file(std::move(chosen)) {}
    static CandidateFileChoice unsuitableFile()
    {
        CandidateFileChoice choice;
        choice.unsuitable = true;
        return choice;
    }
    explicit operator bool() const { return file.has_value(); }

    std::optional<FileURL> file;
    bool unsuitable = false;
};

// The file panels the controller opens. Each is modal and returns the user's choice.
class WorkflowPanels {
public:
    virtual ~WorkflowPanels() = default;
    // Called before each panel: what the next one is for, and the folder it opens in (absent: the
    // panel's own default).
    virtual void preparePanel(PanelPurpose, const std::optional<FileURL> &) {}
    // Chosen folders in the panel's order; empty when cancelled. With allowsMultiple false, at
    // most one.
    virtual QList<FileURL> chooseFolders(bool allowsMultiple) = 0;
    // Chosen screenshot image files; empty when cancelled.
    virtual QList<FileURL> chooseScreenshots() = 0;
    // A file of the target's type; nothing when cancelled; unsuitable when the file does not suit.
    virtual CandidateFileChoice chooseCandidateFile(SearchTarget target) = 0;
    // Where to save the report (proposing "Quillmore-report.csv"), or nothing when cancelled.
    virtual std::optional<FileURL> chooseReportDestination() = 0;
};

// What the controller asks of the desktop.
class WorkflowPlatform {
public:
    virtual ~WorkflowPlatform() = default;
    // Opens access to a folder or file the user chose; false when it cannot be opened.
    virtual bool startAccess(const FileURL &url) = 0;
    virtual void stopAccess(const FileURL &url) = 0;
    // Shows the folder in the file browser; false when no file browser could be started.
    virtual bool openFolder(const FileURL &folder) = 0;
};

// Without a sandbox every access succeeds; folders open with the desktop's default handler
// (xdg-open).
class DesktopWorkflowPlatform : public WorkflowPlatform {
public:
    bool startAccess(const FileURL &url) override;
    void stopAccess(const FileURL &url) override;
    bool openFolder(const FileURL &folder) override;
};

struct WorkflowServices {
    std::unique_ptr<SelectionReading> selectionReader;
    std::unique_ptr<RAWScanning> scanner;
    std::unique_ptr<CopyPlanning> planner;
    std::unique_ptr<SafeCopying> copier;
    std::unique_ptr<QualityChecking> qualityChecker;
    std::unique_ptr<ScreenshotOCRProcessing> screenshotProcessor;
    std::unique_ptr<WorkflowPanels> panels;
    std::unique_ptr<WorkflowPlatform> platform;
    // Folder tokens for the bookmark store; the path tokens when absent.
    std::unique_ptr<BookmarkTokens> bookmarkTokens;
};

} // namespace quillmore
