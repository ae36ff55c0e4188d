#include "progressviews.h"

#include "appearance.h"
#include "confirmations.h"
#include "model/localization.h"
#include "targettexts.h"
#include "workflow/workflowviewmodel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

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

void ThroughputEstimator::add(qint64 msecs, qint64 copiedBytes)
{
    if (!m_samples.empty() && copiedBytes < m_samples.back().second)
        m_samples.clear(); // a new copy
    m_samples.emplace_back(msecs, copiedBytes);
    while (m_samples.size() > 2 && msecs - m_samples.front().first > windowMs)
        m_samples.pop_front();
}

std::optional<double> ThroughputEstimator::bytesPerSecond() const
{
    if (m_samples.size() < 2)
        return std::nullopt;
    const qint64 span = m_samples.back().first - m_samples.front().first;
    if (span < 500)
        return std::nullopt;
    return double(m_samples.back().second - m_samples.front().second) * 1000.0 / double(span);
}

std::optional<qint64> ThroughputEstimator::secondsLeft(qint64 copiedBytes, qint64 totalBytes) const
{
    const std::optional<double> rate = bytesPerSecond();
    if (!rate || *rate <= 0.0)
        return std::nullopt;
    return qint64(std::ceil(double(std::max<qint64>(0, totalBytes - copiedBytes)) / *rate));
}

QString ThroughputEstimator::remainingText(qint64 seconds)
{
    if (seconds < 60)
        return localized("copy.remaining.seconds", std::max<qint64>(1, seconds));
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes < 60)
        return localized("copy.remaining.minutes", minutes);
    return localized("copy.remaining.hours", minutes / 60, minutes % 60);
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
    auto *grid = new QGridLayout();
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(6);
    m_files = addValueRow(grid, 0, L10N("copy.files.complete"), box);
    m_bytes = addValueRow(grid, 1, L10N("copy.bytes"), box);
    m_speed = addValueRow(grid, 2, L10N("copy.speed"), box);
    m_remaining = addValueRow(grid, 3, L10N("copy.remaining"), box);
    grid->setColumnStretch(2, 1);
    column->addLayout(grid);
    // Stopping a copy asks first: Escape is too easy to press by accident during an hour's copy.
    m_cancel = new QPushButton(localized("button.cancel"), box);
    m_cancel->setObjectName(QStringLiteral("button.cancel"));
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_vm->stage() == WorkflowStage::copying && confirmStopCopy(window()))
            m_vm->cancelOperation();
    });
    bindCancelKey(this, m_cancel);
    column->addWidget(m_cancel, 0, Qt::AlignLeft);
    new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

void CopyProgressView::refresh()
{
    setTextIfChanged(m_title, m_vm->statusMessage());
    m_title->setAccessibleName(m_vm->statusMessage());
    const CopyProgress &progress = m_vm->copyProgress();
    const bool copying = m_vm->stage() == WorkflowStage::copying;
    if (copying && !m_wasCopying) {
        m_pace.reset();
        m_clock.start();
    }
    m_wasCopying = copying;
    const auto [checked, toCheck] = m_vm->checkProgress();
    const bool checking = toCheck > 0;
    if (copying && !checking)
        m_pace.add(m_clock.isValid() ? m_clock.elapsed() : 0, progress.copiedBytes);
    QString file = progress.currentFile.isEmpty() ? localized("copy.preparing") : progress.currentFile;
    if (checking)
        file = localized("copy.check.progress", checked, toCheck) + QStringLiteral(" — ") + file;
    m_file->setFullText(file);
    const std::optional<double> rate = m_pace.bytesPerSecond();
    const std::optional<qint64> left = m_pace.secondsLeft(progress.copiedBytes, progress.totalBytes);
    setTextIfChanged(m_speed,
                     checking || !rate ? localized("copy.pace.unknown")
                                       : localized("copy.speed.value", fileByteCount(qint64(*rate))));
    setTextIfChanged(m_remaining,
                     checking || !left ? localized("copy.pace.unknown") : ThroughputEstimator::remainingText(*left));
    const double fraction = copyFraction(progress.copiedBytes, progress.totalBytes);
    m_bar->setValue(int(std::lround(fraction * 1000)));
    m_bar->setAccessibleDescription(QLocale().toString(fraction * 100.0, 'f', 0) + QLocale().percent());
    // Pictures, as the photographer counts them; the sidecars copied with them are a detail.
    const auto [pictures, totalPictures] = m_vm->pictureProgress();
    QString files = QString::number(pictures) + QStringLiteral(" / ") + QString::number(totalPictures);
    if (progress.totalFiles != totalPictures)
        files += QStringLiteral("  ")
            + localized("copy.files.detail", QString::number(progress.completedFiles),
                        QString::number(progress.totalFiles));
    setTextIfChanged(m_files, files);
    setTextIfChanged(m_bytes,
                     fileByteCount(progress.copiedBytes) + QStringLiteral(" / ") + fileByteCount(progress.totalBytes));
}

} // namespace quillmore
