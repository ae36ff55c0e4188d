#include "filepanels.h"

#include "model/localization.h"
#include "platform/paths.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QStandardPaths>

#include <algorithm>

namespace quillmore {

namespace {

QString patternsFor(const QSet<QString> &extensions)
{
    QStringList sorted(extensions.begin(), extensions.end());
    std::sort(sorted.begin(), sorted.end());
    QStringList patterns;
    for (const QString &e : sorted)
        patterns << QStringLiteral("*.") + e << QStringLiteral("*.") + e.toUpper();
    return patterns.join(QLatin1Char(' '));
}

} // namespace

FilePanels::FilePanels(QWidget *parent) : m_parent(parent) {}

void FilePanels::preparePanel(PanelPurpose purpose, const std::optional<FileURL> &startFolder)
{
    m_purpose = purpose;
    m_startFolder = startFolder;
}

void FilePanels::applyPurpose(QFileDialog &dialog, const QString &defaultFolder)
{
    // The title says what to choose.
    if (m_purpose) {
        const char *key = L10N("panel.title.selection");
        switch (*m_purpose) {
        case PanelPurpose::selectionFolder: key = L10N("panel.title.selection"); break;
        case PanelPurpose::searchLocations: key = L10N("panel.title.searches"); break;
        case PanelPurpose::destinationFolder: key = L10N("panel.title.destination"); break;
        case PanelPurpose::screenshots: key = L10N("panel.title.screenshots"); break;
        case PanelPurpose::candidateFile: key = L10N("panel.title.candidate"); break;
        case PanelPurpose::report: key = L10N("panel.title.report"); break;
        }
        dialog.setWindowTitle(localized(key));
    }
    dialog.setDirectory(m_startFolder ? *m_startFolder : defaultFolder);
    m_purpose.reset();
    m_startFolder.reset();
}

QStringList FilePanels::run(QFileDialog &dialog)
{
    dialog.setWindowModality(Qt::WindowModal);
    if (dialogDriver)
        return dialogDriver(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QList<FileURL> FilePanels::chooseFolders(bool allowsMultiple)
{
    QFileDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("panel.folders"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, localized("panel.choose"));
    applyPurpose(dialog, QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    // A plain folder dialog allows one folder; for several, Qt's own dialog can select many.
    if (allowsMultiple) {
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setFileMode(QFileDialog::Directory);
        if (auto *view = dialog.findChild<QAbstractItemView *>(QStringLiteral("listView")))
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        if (auto *tree = dialog.findChild<QAbstractItemView *>(QStringLiteral("treeView")))
            tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    QList<FileURL> chosen;
    for (const QString &path : run(dialog))
        chosen << standardizedPath(path);
    chosen = uniqueByStandardizedPath(chosen);
    if (!allowsMultiple && chosen.size() > 1)
        chosen = chosen.mid(0, 1);
    return chosen;
}

QList<FileURL> FilePanels::filterScreenshots(const QList<FileURL> &chosen)
{
    QList<FileURL> kept;
    for (const FileURL &url : chosen)
        if (hasExtensionIn(lastPathComponent(url), screenshotImageExtensions()))
            kept << url;
    return kept;
}

QStringList FilePanels::screenshotNameFilters()
{
    return {localized("panel.filter.screenshots", patternsFor(screenshotImageExtensions()))};
}

QStringList FilePanels::candidateNameFilters(SearchTarget target)
{
    return {localized(target == SearchTarget::raw ? L10N("panel.filter.raw") : L10N("panel.filter.jpeg"),
                      patternsFor(candidateExtensions(target)))};
}

QList<FileURL> FilePanels::chooseScreenshots()
{
    QFileDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("panel.screenshots"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(screenshotNameFilters());
    dialog.setLabelText(QFileDialog::Accept, localized("screenshot.panel.choose"));
    applyPurpose(dialog, QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    QList<FileURL> chosen;
    for (const QString &path : run(dialog))
        chosen << standardizedPath(path);
    return filterScreenshots(chosen);
}

std::optional<FileURL> FilePanels::acceptCandidateFile(const std::optional<FileURL> &chosen, SearchTarget target)
{
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    if (!hasExtensionIn(lastPathComponent(*chosen), candidateExtensions(target)))
        return std::nullopt;
    return standardizedPath(*chosen);
}

CandidateFileChoice FilePanels::chooseCandidateFile(SearchTarget target)
{
    QFileDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("panel.candidate"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(candidateNameFilters(target));
    dialog.setLabelText(QFileDialog::Accept,
                        localized(target == SearchTarget::raw ? L10N("panel.use.raw") : L10N("panel.use.jpeg")));
    applyPurpose(dialog, QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    const QStringList files = run(dialog);
    if (files.isEmpty() || files.first().isEmpty())
        return CandidateFileChoice(); // dismissed
    const std::optional<FileURL> file = acceptCandidateFile(files.first(), target);
    return file ? CandidateFileChoice(file) : CandidateFileChoice::unsuitableFile();
}

std::optional<FileURL> FilePanels::chooseReportDestination()
{
    QFileDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("panel.report"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({localized("panel.filter.csv")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setOption(QFileDialog::ShowDirsOnly, false);
    applyPurpose(dialog, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog.selectFile(proposedReportName());
    dialog.setLabelText(QFileDialog::Accept, localized("panel.save"));
    const QStringList files = run(dialog);
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return standardizedPath(files.first());
}

} // namespace quillmore
