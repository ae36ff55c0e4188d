#include "progressviews.h"

#include "appearance.h"
#include "model/localization.h"
#include "workflow/workflowviewmodel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillmore {

QString fileByteCount(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

namespace {

QLabel *addValueRow(QGridLayout *grid, int row, const char *key, QWidget *parent)
{
    auto *name = new QLabel(localized(key), parent);
    applyTextStyle(name, TextStyle::secondary);
    auto *value = new QLabel(parent);
    value->setObjectName(QString::fromLatin1(key));
    QFont font = value->font();
    font.setWeight(QFont::DemiBold);
    value->setFont(font);
    grid->addWidget(name, row, 0);
    grid->addWidget(value, row, 1);
    return value;
}

// Two labelled counts under the progress bar; the values are named by their label keys.
void addValueRows(QVBoxLayout *column, QWidget *box, const char *firstKey, QLabel **first, const char *secondKey,
                  QLabel **second)
{
    auto *grid = new QGridLayout();
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(6);
    *first = addValueRow(grid, 0, firstKey, box);
    *second = addValueRow(grid, 1, secondKey, box);
    grid->setColumnStretch(2, 1);
    column->addLayout(grid);
}

// The Cancel button of a progress screen, also bound to Escape.
QPushButton *addCancelButton(QWidget *view, QVBoxLayout *column, QWidget *box, WorkflowViewModel *vm)
{
    auto *cancel = new QPushButton(localized("button.cancel"), box);
    cancel->setObjectName(QStringLiteral("button.cancel"));
    QObject::connect(cancel, &QPushButton::clicked, view, [vm] { vm->cancelOperation(); });
    bindCancelKey(view, cancel);
    column->addWidget(cancel, 0, Qt::AlignLeft);
    return cancel;
}

QWidget *centredColumn(QWidget *owner, int maxWidth, QVBoxLayout **column)
{
    auto *outer = new QVBoxLayout(owner);
    outer->setContentsMargins(0, 30, 0, 0);
    auto *box = new QWidget(owner);
    box->setMaximumWidth(maxWidth);
    *column = new QVBoxLayout(box);
    (*column)->setContentsMargins(0, 0, 0, 0);
    (*column)->setSpacing(18);
    outer->addWidget(box, 0, Qt::AlignLeft | Qt::AlignTop);
    outer->addStretch(1);
    return box;
}

} // namespace

ScanProgressView::ScanProgressView(ScreenContext context, QWidget *parent) : QWidget(parent), m_vm(context.viewModel)
{
    setObjectName(QStringLiteral("scanProgressView"));
    QVBoxLayout *column = nullptr;
    QWidget *box = centredColumn(this, 560, &column);
    m_title = new QLabel(box);
    m_title->setObjectName(QStringLiteral("title"));
    applyTextStyle(m_title, TextStyle::title2);
    column->addWidget(m_title);
    auto *bar = new QProgressBar(box);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setMaximumWidth(540);
    bar->setAccessibleName(localized("scan.progress.accessibility"));
    column->addWidget(bar);
    m_location = new ElidedLabel(box);
    m_location->setObjectName(QStringLiteral("location"));
    applyTextStyle(m_location, TextStyle::secondary);
    column->addWidget(m_location);
    addValueRows(column, box, L10N("scan.checked.files"), &m_checked, L10N("scan.found.matches"), &m_found);
    m_cancel = addCancelButton(this, column, box, m_vm);
    new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

void ScanProgressView::refresh()
{
    const QString title = scanScreenTitle(m_vm->searchTarget());
    setTextIfChanged(m_title, title);
    m_title->setAccessibleName(title);
    const ScanProgress &progress = m_vm->scanProgress();
    m_location->setFullText(progress.currentLocation ? *progress.currentLocation : localized("scan.preparing"));
    const QLocale locale;
    setTextIfChanged(m_checked, locale.toString(progress.checkedFiles));
    setTextIfChanged(m_found, locale.toString(progress.foundMatches));
}

double CopyProgressView::copyFraction(qint64 copiedBytes, qint64 totalBytes)
{
    if (totalBytes < 1)
        return 0.0;
    return std::min(1.0, double(copiedBytes) / double(totalBytes));
}

CopyProgressView::CopyProgressView(ScreenContext context, QWidget *parent) : QWidget(parent), m_vm(context.viewModel)
{
    setObjectName(QStringLiteral("copyProgressView"));
    QVBoxLayout *column = nullptr;
    QWidget *box = centredColumn(this, 560, &column);
    box->setMinimumWidth(480);
    m_title = new QLabel(box);
    m_title->setObjectName(QStringLiteral("title"));
    applyTextStyle(m_title, TextStyle::title2);
    column->addWidget(m_title);
    m_file = new ElidedLabel(box);
    m_file->setObjectName(QStringLiteral("currentFile"));
    applyTextStyle(m_file, TextStyle::secondary);
    column->addWidget(m_file);
    m_bar = new QProgressBar(box);
    m_bar->setObjectName(QStringLiteral("copyBar"));
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    column->addWidget(m_bar);
    addValueRows(column, box, L10N("copy.files.complete"), &m_files, L10N("copy.bytes"), &m_bytes);
    m_cancel = addCancelButton(this, column, box, m_vm);
    new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

void CopyProgressView::refresh()
{
    setTextIfChanged(m_title, m_vm->statusMessage());
    m_title->setAccessibleName(m_vm->statusMessage());
    const CopyProgress &progress = m_vm->copyProgress();
    m_file->setFullText(progress.currentFile.isEmpty() ? localized("copy.preparing") : progress.currentFile);
    const double fraction = copyFraction(progress.copiedBytes, progress.totalBytes);
    m_bar->setValue(int(std::lround(fraction * 1000)));
    m_bar->setAccessibleDescription(QLocale().toString(fraction * 100.0, 'f', 0) + QLocale().percent());
    // Pictures, as the photographer counts them; the sidecars copied with them are a detail.
    const auto [pictures, totalPictures] = m_vm->pictureProgress();
    QString files = QString::number(pictures) + QStringLiteral(" / ") + QString::number(totalPictures);
    if (progress.totalFiles != totalPictures)
        files += QStringLiteral("  ") + localized("copy.files.detail", QString::number(progress.completedFiles),
                                                  QString::number(progress.totalFiles));
    setTextIfChanged(m_files, files);
    setTextIfChanged(m_bytes, fileByteCount(progress.copiedBytes) + QStringLiteral(" / ")
                                  + fileByteCount(progress.totalBytes));
}

} // namespace quillmore
