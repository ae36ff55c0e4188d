#include "setupview.h"

#include "appearance.h"
#include "confirmations.h"
#include "model/localization.h"
#include "targettexts.h"
#include "widgets.h"
#include "workflow/workflowviewmodel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillmore {

SetupView::SetupView(ScreenContext context, QWidget *parent) : QWidget(parent), m_vm(context.viewModel)
{
    setObjectName(QStringLiteral("setupView"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(makeSelectionPanel());
    layout->addWidget(makeSearchPanel(), 1);

    m_destination = new FolderPanel(3, localized("setup.destination.title"), localized("setup.destination.instruction"),
                                    this);
    m_destination->setObjectName(QStringLiteral("destinationPanel"));
    m_destination->button()->setObjectName(QStringLiteral("setup.destination.choose"));
    m_destination->dropAction = [this](const QList<FileURL> &files) { return m_vm->dropDestinationFolder(files); };
    connect(m_destination->button(), &QPushButton::clicked, this, [this] { m_vm->chooseDestinationFolder(); });
    layout->addWidget(m_destination);
    layout->addWidget(makeOptions());

    m_scanButton = makeProminentButton(QString(), this);
    m_scanButton->setObjectName(QStringLiteral("setup.scan"));
    m_scanButton->setMinimumHeight(42);
    m_scanButton->setAccessibleDescription(localized("setup.scan.hint"));
    connect(m_scanButton, &QPushButton::clicked, this, [this] { m_vm->startScan(); });
    bindDefaultKey(this, m_scanButton);
    layout->addWidget(m_scanButton);

    m_scheduler = new RefreshScheduler(this, m_vm, [this] { refresh(); });
    refresh();
}

QWidget *SetupView::makeSelectionPanel()
{
    auto *panel = new QWidget(this);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(makeStepHeading(1, localized("setup.selections.title"), panel));
    auto *tiles = new QHBoxLayout();
    tiles->setSpacing(12);

    m_folderTile = new SelectionDropOption(localized("screenshot.folder.title"),
                                           localized("setup.selections.instruction"), QStringLiteral("folder"), panel);
    m_folderTile->setObjectName(QStringLiteral("selection.folder"));
    m_folderTile->button()->setObjectName(QStringLiteral("setup.selections.choose"));
    // A folder replaces the reviewed screenshot names: asked first when the user has edited them.
    m_folderTile->dropAction = [this](const QList<FileURL> &files) {
        return confirmReplaceNames(window(), m_vm) && m_vm->dropSelectionFolder(files);
    };
    connect(m_folderTile->button(), &QPushButton::clicked, this, [this] {
        if (confirmReplaceNames(window(), m_vm))
            m_vm->chooseSelectionFolder();
    });
    m_selectionCount = new QLabel(m_folderTile);
    m_selectionCount->setObjectName(QStringLiteral("setup.selection.count"));
    applyTextStyle(m_selectionCount, TextStyle::captionSecondary);
    m_selectionCount->setVisible(false);
    m_folderTile->footer()->addWidget(m_selectionCount);

    m_screenshotTile = new SelectionDropOption(localized("screenshot.option.title"),
                                               localized("screenshot.option.instruction"),
                                               QStringLiteral("photo.on.rectangle.angled"), panel);
    m_screenshotTile->setObjectName(QStringLiteral("selection.screenshots"));
    m_screenshotTile->button()->setObjectName(QStringLiteral("screenshot.choose"));
    m_screenshotTile->setButtonTitle(localized("screenshot.choose"));
    m_screenshotTile->dropAction = [this](const QList<FileURL> &files) { return m_vm->dropScreenshots(files); };
    connect(m_screenshotTile->button(), &QPushButton::clicked, this, [this] { m_vm->chooseScreenshots(); });

    auto *readingRow = new QHBoxLayout();
    m_readingProgress = new QProgressBar(m_screenshotTile);
    m_readingProgress->setObjectName(QStringLiteral("screenshot.progress"));
    m_readingProgress->setRange(0, 0);
    m_readingProgress->setTextVisible(false);
    m_readingProgress->setMaximumHeight(8);
    m_cancelReading = new QPushButton(localized("button.cancel"), m_screenshotTile);
    m_cancelReading->setObjectName(QStringLiteral("screenshot.cancel"));
    connect(m_cancelReading, &QPushButton::clicked, this, [this] { m_vm->cancelScreenshotReading(); });
    readingRow->addWidget(m_readingProgress, 1);
    readingRow->addWidget(m_cancelReading);
    m_screenshotTile->footer()->addLayout(readingRow);
    m_reviewButton = new QPushButton(localized("screenshot.review.button"), m_screenshotTile);
    m_reviewButton->setObjectName(QStringLiteral("screenshot.review.button"));
    connect(m_reviewButton, &QPushButton::clicked, this, [this] { m_vm->setShowingScreenshotReview(true); });
    m_replaceButton = new QPushButton(localized("screenshot.replace"), m_screenshotTile);
    m_replaceButton->setObjectName(QStringLiteral("screenshot.replace"));
    m_replaceButton->setToolTip(localized("screenshot.replace.hint"));
    connect(m_replaceButton, &QPushButton::clicked, this, [this] {
        if (confirmReplaceNames(window(), m_vm))
            m_vm->chooseScreenshots(true);
    });
    auto *reviewRow = new QHBoxLayout();
    reviewRow->addWidget(m_reviewButton);
    reviewRow->addWidget(m_replaceButton);
    reviewRow->addStretch(1);
    m_screenshotTile->footer()->addLayout(reviewRow);
    auto *privacy = new QLabel(localized("screenshot.privacy"), m_screenshotTile);
    privacy->setObjectName(QStringLiteral("screenshot.privacy"));
    privacy->setWordWrap(true);
    applyTextStyle(privacy, TextStyle::captionSecondary);
    m_screenshotTile->footer()->addWidget(privacy);

    tiles->addWidget(m_folderTile, 1);
    tiles->addWidget(m_screenshotTile, 1);
    layout->addLayout(tiles);
    return panel;
}

QWidget *SetupView::makeSearchPanel()
{
    m_searchPanel = new DropFrame(this);
    m_searchPanel->setObjectName(QStringLiteral("searchLocationsPanel"));
    m_searchPanel->setProperty("tile", false);
    m_searchPanel->dropAction = [this](const QList<FileURL> &files) { return m_vm->dropSearchLocations(files); };
    auto *layout = new QVBoxLayout(m_searchPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto *header = new QHBoxLayout();
    header->addWidget(makeStepHeading(2, localized("setup.search.title"), m_searchPanel));
    header->addStretch(1);
    auto *add = new QPushButton(symbolIcon(QStringLiteral("plus")), localized("setup.search.add"), m_searchPanel);
    add->setObjectName(QStringLiteral("setup.search.add"));
    connect(add, &QPushButton::clicked, this, [this] { m_vm->addSearchLocations(); });
    header->addWidget(add);
    layout->addLayout(header);

    m_searchEmpty = new QLabel(localized("setup.search.empty"), m_searchPanel);
    m_searchEmpty->setObjectName(QStringLiteral("setup.search.empty"));
    m_searchEmpty->setWordWrap(true);
    m_searchEmpty->setAlignment(Qt::AlignCenter);
    m_searchEmpty->setMinimumHeight(64);
    m_searchEmpty->setMargin(12);
    // An empty drop area framed like the list it becomes.
    m_searchEmpty->setProperty("tile", true);
    applyTextStyle(m_searchEmpty, TextStyle::secondary);
    layout->addWidget(m_searchEmpty, 1);

    auto *scroll = new QScrollArea(m_searchPanel);
    scroll->setObjectName(QStringLiteral("searchLocationsList"));
    m_searchScroll = scroll;
    scroll->setWidgetResizable(true);
    scroll->setMinimumHeight(64);
    scroll->setFrameShape(QFrame::StyledPanel);
    m_searchList = new QWidget(scroll);
    m_searchListLayout = new QVBoxLayout(m_searchList);
    m_searchListLayout->setContentsMargins(8, 4, 8, 4);
    m_searchListLayout->setSpacing(2);
    m_searchListLayout->addStretch(1);
    scroll->setWidget(m_searchList);
    layout->addWidget(scroll, 1);
    return m_searchPanel;
}

QWidget *SetupView::makeOptions()
{
    auto *options = new QWidget(this);
    auto *column = new QVBoxLayout(options);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto *first = new QHBoxLayout();
    first->setSpacing(10);
    auto *targetLabel = new QLabel(localized("search.target.label"), options);
    QFont medium = targetLabel->font();
    medium.setWeight(QFont::Medium);
    targetLabel->setFont(medium);
    first->addWidget(targetLabel);
    m_targetGroup = new QButtonGroup(options);
    m_targetGroup->setExclusive(true);
    auto *segments = new QHBoxLayout();
    segments->setSpacing(0);
    for (SearchTarget target : allSearchTargets()) {
        auto *segment = new QToolButton(options);
        segment->setObjectName(QStringLiteral("search.target.") + rawValue(target));
        segment->setText(targetName(target));
        segment->setCheckable(true);
        segment->setAutoRaise(false);
        segment->setToolButtonStyle(Qt::ToolButtonTextOnly);
        segment->setMinimumWidth(110);
        m_targetGroup->addButton(segment, int(target));
        segments->addWidget(segment);
    }
    connect(m_targetGroup, &QButtonGroup::idClicked, this, [this](int id) { m_vm->setSearchTarget(SearchTarget(id)); });
    first->addLayout(segments);
    first->addSpacing(14);
    m_includeXMP = new QCheckBox(localized("setup.include.xmp"), options);
    m_includeXMP->setObjectName(QStringLiteral("setup.include.xmp"));
    m_includeXMP->setAccessibleDescription(localized("setup.include.xmp.hint"));
    m_includeXMP->setToolTip(localized("setup.include.xmp.hint"));
    connect(m_includeXMP, &QCheckBox::clicked, this, [this](bool on) { m_vm->setIncludeXMP(on); });
    first->addWidget(m_includeXMP);
    first->addStretch(1);
    auto *conflictLabel = new QLabel(localized("setup.conflict.label"), options);
    first->addWidget(conflictLabel);
    m_conflict = new QComboBox(options);
    m_conflict->setObjectName(QStringLiteral("setup.conflict"));
    m_conflict->setAccessibleName(localized("setup.conflict.label"));
    m_conflict->setFixedWidth(150);
    m_conflict->addItem(localized("setup.conflict.skip"), int(ConflictPolicy::skip));
    m_conflict->addItem(localized("setup.conflict.numbered"), int(ConflictPolicy::keepNumbered));
    connect(m_conflict, &QComboBox::activated, this,
            [this](int index) { m_vm->setConflictPolicy(ConflictPolicy(m_conflict->itemData(index).toInt())); });
    first->addWidget(m_conflict);
    column->addLayout(first);

    auto *second = new QHBoxLayout();
    second->setSpacing(16);
    auto *divider = new QFrame(options);
    divider->setFrameShape(QFrame::VLine);
    divider->setFixedHeight(24);
    m_blur = new QualityOptionToggle(localized("setup.check.blur"), namedColor(NamedColor::red),
                                     QStringLiteral("quality.blur"), options);
    m_duplicate = new QualityOptionToggle(localized("setup.check.duplicate"), namedColor(NamedColor::purple),
                                          QStringLiteral("quality.duplicate"), options);
    m_fileCheck = new QualityOptionToggle(localized("setup.check.file"), namedColor(NamedColor::yellow),
                                          QStringLiteral("quality.fileCheck"), options);
    connect(m_blur, &QualityOptionToggle::toggledByUser, this, [this](bool on) { m_vm->setBlurCheckEnabled(on); });
    connect(m_duplicate, &QualityOptionToggle::toggledByUser, this,
            [this](bool on) { m_vm->setDuplicateCheckEnabled(on); });
    connect(m_fileCheck, &QualityOptionToggle::toggledByUser, this, [this](bool on) { m_vm->setFileCheckEnabled(on); });
    auto *checksLabel = new QLabel(localized("setup.checks.label"), options);
    checksLabel->setFont(medium);
    second->addWidget(checksLabel);
    second->addWidget(divider);
    second->addWidget(m_blur);
    second->addWidget(m_duplicate);
    second->addWidget(m_fileCheck);
    second->addStretch(1);
    column->addLayout(second);
    return options;
}

void SetupView::refreshSearchList()
{
    const QList<SearchLocation> &locations = m_vm->searchLocations();
    m_searchEmpty->setVisible(locations.isEmpty());
    m_searchScroll->setVisible(!locations.isEmpty());
    if (m_locationsShown && locations == m_shownLocations)
        return;
    m_locationsShown = true;
    m_shownLocations = locations;
    while (m_searchListLayout->count() > 1) {
        QLayoutItem *item = m_searchListLayout->takeAt(0);
        delete item->widget();
        delete item;
    }
    int index = 0;
    for (const SearchLocation &location : locations) {
        auto *row = new QWidget(m_searchList);
        row->setObjectName(QStringLiteral("searchLocation.%1").arg(index++));
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 2, 0, 2);
        layout->setSpacing(8);
        auto *icon = new QLabel(row);
        const bool stale = location.requiresReauthorization;
        icon->setPixmap(symbolIcon(stale ? QStringLiteral("exclamationmark.triangle") : QStringLiteral("externaldrive"),
                                   namedColor(stale ? NamedColor::orange : NamedColor::secondary))
                            .pixmap(16, 16));
        auto *path = new ElidedLabel(row);
        path->setObjectName(QStringLiteral("path"));
        path->setFullText(location.url);
        layout->addWidget(icon);
        layout->addWidget(path, 1);
        const QUuid id = location.id;
        if (stale) {
            auto *again = new QPushButton(localized("setup.search.reauthorize"), row);
            again->setObjectName(QStringLiteral("setup.search.reauthorize"));
            connect(again, &QPushButton::clicked, this, [this, id] { m_vm->reauthorizeSearchLocation(id); });
            layout->addWidget(again);
        }
        auto *remove = new QToolButton(row);
        remove->setObjectName(QStringLiteral("setup.search.remove"));
        remove->setIcon(symbolIcon(QStringLiteral("minus.circle"), namedColor(NamedColor::secondary)));
        remove->setAutoRaise(true);
        remove->setAccessibleName(localized("setup.search.remove.one"));
        remove->setToolTip(localized("setup.search.remove.one"));
        connect(remove, &QToolButton::clicked, this, [this, id] { m_vm->removeSearchLocation(id); });
        layout->addWidget(remove);
        m_searchListLayout->insertWidget(m_searchListLayout->count() - 1, row);
    }
}

void SetupView::refresh()
{
    const bool folderMode = m_vm->selectionInputMode() == SelectionInputMode::folder;
    m_folderTile->setButtonTitle(m_vm->selectionRequiresReauthorization() ? localized("setup.choose.again")
                                                                          : localized("setup.selections.choose"));
    m_folderTile->setDetail(folderMode ? m_vm->selectionFolder().value_or(QString()) : QString());
    const bool counted = folderMode && m_vm->selectionFolder() && m_vm->selectionPictureCount();
    m_selectionCount->setVisible(counted);
    setTextIfChanged(m_selectionCount,
                     counted ? localizedCount(L10N("setup.selection.count"), *m_vm->selectionPictureCount())
                             : QString());

    const bool reading = m_vm->isReadingScreenshots();
    QString screenshotDetail;
    if (!folderMode) {
        if (reading) {
            const ScreenshotOCRProgress &progress = m_vm->screenshotProgress();
            const qint64 current = std::min(progress.completedScreenshots + 1, progress.totalScreenshots);
            screenshotDetail = localized("screenshot.reading.progress", current, progress.totalScreenshots);
        } else {
            screenshotDetail = localized("screenshot.selected.summary", m_vm->screenshotCount(),
                                         qint64(m_vm->screenshotCandidateList().candidates.size()));
        }
    }
    m_screenshotTile->setDetail(screenshotDetail);
    m_readingProgress->setVisible(reading);
    m_cancelReading->setVisible(reading);
    m_reviewButton->setVisible(!reading && !folderMode && m_vm->screenshotCount() > 0);
    // With names read, more screenshots add to them; a new list is started on purpose.
    const bool hasNames = !folderMode && !m_vm->screenshotURLs().isEmpty();
    m_replaceButton->setVisible(!reading && hasNames);
    m_screenshotTile->setButtonTitle(localized(hasNames ? L10N("screenshot.add") : L10N("screenshot.choose")));

    refreshSearchList();

    m_destination->setSelectedPath(m_vm->destinationFolder());
    m_destination->setButtonTitle(m_vm->destinationRequiresReauthorization() ? localized("setup.choose.again")
                                                                             : localized("setup.destination.choose"));

    if (QAbstractButton *segment = m_targetGroup->button(int(m_vm->searchTarget())); segment && !segment->isChecked())
        segment->setChecked(true);
    m_includeXMP->setChecked(m_vm->includeXMP());
    m_includeXMP->setEnabled(m_vm->searchTarget() != SearchTarget::jpeg);
    m_blur->setOn(m_vm->blurCheckEnabled());
    m_duplicate->setOn(m_vm->duplicateCheckEnabled());
    m_fileCheck->setOn(m_vm->fileCheckEnabled());
    const int policyIndex = m_conflict->findData(int(m_vm->conflictPolicy()));
    if (policyIndex != m_conflict->currentIndex())
        m_conflict->setCurrentIndex(policyIndex);

    const QString scanTitle = scanButtonTitle(m_vm->searchTarget());
    if (m_scanButton->text() != scanTitle)
        m_scanButton->setText(scanTitle);
    m_scanButton->setEnabled(m_vm->canStartScan());
}

} // namespace quillmore
