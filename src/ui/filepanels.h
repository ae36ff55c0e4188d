#pragma once

// The file panels through which the user chooses every folder and file Quillmore reads or
// writes: QFileDialog (the desktop's own dialog where it offers one), configured per panel, with
// what comes back filtered to what Quillmore can use.

#include "workflow/workflowservices.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QFileDialog;

namespace quillmore {

class FilePanels : public WorkflowPanels {
public:
    explicit FilePanels(QWidget *parent = nullptr);
    // The window the panels are modal to.
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    void preparePanel(PanelPurpose purpose, const std::optional<FileURL> &startFolder) override;
    QList<FileURL> chooseFolders(bool allowsMultiple) override;
    QList<FileURL> chooseScreenshots() override;
    CandidateFileChoice chooseCandidateFile(SearchTarget target) override;
    std::optional<FileURL> chooseReportDestination() override;

    // ---- the rules, apart from the dialogs ----
    // Chosen screenshots kept in order: only the screenshot image extensions.
    static QList<FileURL> filterScreenshots(const QList<FileURL> &chosen);
    // The chosen file when its extension is one of the target's candidate extensions.
    static std::optional<FileURL> acceptCandidateFile(const std::optional<FileURL> &chosen, SearchTarget target);
    // Name filters offered by the panels ("Images (*.png *.PNG ...)").
    static QStringList screenshotNameFilters();
    static QStringList candidateNameFilters(SearchTarget target);
    static QString proposedReportName() { return QStringLiteral("Quillmore-report.csv"); }

    // Tests: given each configured dialog instead of showing it; returns the files the user
    // would have chosen (empty for cancel).
    std::function<QStringList(QFileDialog &)> dialogDriver;

private:
    QStringList run(QFileDialog &dialog);
    // The prepared purpose's title and folder, or the panel's own default folder.
    void applyPurpose(QFileDialog &dialog, const QString &defaultFolder);
    QPointer<QWidget> m_parent;
    std::optional<PanelPurpose> m_purpose;
    std::optional<FileURL> m_startFolder;
};

} // namespace quillmore
