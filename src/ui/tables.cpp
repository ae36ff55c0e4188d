#include "tables.h"

#include "appearance.h"
#include "model/localization.h"
#include "targettexts.h"
#include "platform/paths.h"
#include "workflow/screentexts.h"
#include "workflow/workflowviewmodel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace quillmore {

// ---- results ------------------------------------------------------------------------------------

ResultsTableModel::ResultsTableModel(WorkflowViewModel *vm, QObject *parent) : QAbstractTableModel(parent), m_vm(vm)
{
    connect(vm, &WorkflowViewModel::resultsChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(vm, &WorkflowViewModel::searchTargetChanged, this,
            [this] { emit headerDataChanged(Qt::Horizontal, 1, 1); });
}

int ResultsTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_vm->results().size());
}

int ResultsTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant ResultsTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_vm->results().size())
        return {};
    const SelectionResult &result = m_vm->results()[index.row()];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0: return result.selection.fileName;
        case 1: return result.chosenRAW ? lastPathComponent(*result.chosenRAW) : QStringLiteral("—");
        case 2: return statusLabel(result.status);
        }
    } else if (role == Qt::ToolTipRole) {
        switch (index.column()) {
        case 0: return result.selection.displayName();
        case 1: return result.chosenRAW.value_or(QString());
        default: return {};
        }
    }
    return {};
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case 0: return localized("files.jpeg");
    case 1: return filesColumnTitle(m_vm->searchTarget());
    case 2: return localized("files.status");
    }
    return {};
}

// ---- report ---------------------------------------------------------------------------------------

ReportTableModel::ReportTableModel(WorkflowViewModel *vm, QObject *parent) : QAbstractTableModel(parent), m_vm(vm)
{
    connect(vm, &WorkflowViewModel::reportRowsChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

// The full text as a tooltip (none for an empty cell), or the text itself.
static QVariant tipOrText(bool tip, const QString &text)
{
    if (!tip)
        return text;
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QString ReportTableModel::shortened(const QString &text)
{
    return text.startsWith(QLatin1Char('/')) ? lastPathComponent(text) : text;
}

int ReportTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_vm->reportRows().size());
}

int ReportTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 8;
}

QVariant ReportTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_vm->reportRows().size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const CopyReportRow &row = m_vm->reportRows()[index.row()];
    const bool tip = role == Qt::ToolTipRole;
    switch (index.column()) {
    case 0: return tip ? row.jpegPath : shortened(row.jpegPath);
    case 1: return tipOrText(tip, row.screenshotSource);
    case 2: return tip ? row.rawPath : shortened(row.rawPath);
    case 3: return tip ? QVariant() : row.matchType;
    case 4: return tip ? row.destinationPath : shortened(row.destinationPath);
    case 5: return tip ? QVariant() : row.status;
    case 6: return tipOrText(tip, row.qualityFlags);
    case 7: return tipOrText(tip, row.errorMessage);
    }
    return {};
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const keys[] = {L10N("report.selection"),     L10N("report.screenshot.source"),
                                       L10N("report.matched"),       L10N("report.match.type"),
                                       L10N("report.destination"),   L10N("report.status"),
                                       L10N("report.quality.flags"), L10N("report.error")};
    return section >= 0 && section < 8 ? localized(keys[section]) : QVariant();
}

// ---- warnings -------------------------------------------------------------------------------------

WarningsTableModel::WarningsTableModel(WorkflowViewModel *vm, QObject *parent) : QAbstractTableModel(parent), m_vm(vm)
{
    connect(vm, &WorkflowViewModel::warningsChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int WarningsTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_vm->warnings().size());
}

int WarningsTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant WarningsTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_vm->warnings().size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const AppWarning &warning = m_vm->warnings()[index.row()];
    if (index.column() == 0)
        return warning.url ? *warning.url : QStringLiteral("—");
    return warning.message;
}

QVariant WarningsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == 0 ? localized("warnings.place") : localized("warnings.message");
}

// ---- views ------------------------------------------------------------------------------------------

QTableView *makeLargeTable(QAbstractItemModel *model, QWidget *parent)
{
    auto *table = new QTableView(parent);
    table->setModel(model);
    table->setAlternatingRowColors(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->setShowGrid(false);
    table->verticalHeader()->setVisible(false);
    // Fixed heights: the view never measures rows, so 10,000 rows cost what the visible ones do.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return table;
}

namespace {

QHBoxLayout *sheetHeader(QDialog *sheet, const QString &title, QVBoxLayout *column)
{
    auto *header = new QHBoxLayout();
    header->setSpacing(8);
    auto *label = new QLabel(title, sheet);
    applyTextStyle(label, TextStyle::title2);
    markAsHeading(label);
    header->addWidget(label, 1);
    column->addLayout(header);
    return header;
}

QPushButton *doneButton(QDialog *sheet)
{
    auto *done = new QPushButton(localized("button.done"), sheet);
    done->setObjectName(QStringLiteral("button.done"));
    done->setDefault(true);
    QObject::connect(done, &QPushButton::clicked, sheet, &QDialog::accept);
    return done;
}

} // namespace

FilesView::FilesView(ScreenContext context, QWidget *parent)
    : Sheet(QStringLiteral("filesSheet"), QSize(720, 500), parent), m_vm(context.viewModel)
{
    setWindowTitle(localized("files.title"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    QHBoxLayout *header = sheetHeader(this, localized("files.title"), column);
    header->addWidget(doneButton(this));
    m_table = makeLargeTable(new ResultsTableModel(context.viewModel, this), this);
    m_table->setObjectName(QStringLiteral("filesTable"));
    m_table->setColumnWidth(0, 240);
    m_table->setColumnWidth(1, 240);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    column->addWidget(m_table, 1);

    // Any name's file can be changed here, a single match too: another file chosen by hand, the
    // name skipped, or the choice taken back to what the scan found.
    auto *actions = new QHBoxLayout();
    m_choose = new QPushButton(localized("files.choose.other"), this);
    m_choose->setObjectName(QStringLiteral("files.choose.other"));
    m_skip = new QPushButton(localized("button.skip"), this);
    m_skip->setObjectName(QStringLiteral("button.skip"));
    m_revert = new QPushButton(localized("files.revert"), this);
    m_revert->setObjectName(QStringLiteral("files.revert"));
    m_revert->setToolTip(localized("files.revert.hint"));
    for (QPushButton *button : {m_choose, m_skip, m_revert}) {
        button->setAutoDefault(false);
        actions->addWidget(button);
    }
    actions->addStretch(1);
    column->addLayout(actions);
    connect(m_choose, &QPushButton::clicked, this, [this] { m_vm->chooseFileManually(selectedID()); });
    connect(m_skip, &QPushButton::clicked, this, [this] { m_vm->skipResult(selectedID()); });
    connect(m_revert, &QPushButton::clicked, this, [this] { m_vm->revertResult(selectedID()); });
    // The model is rebuilt on every change of the results: the chosen row stays chosen.
    QAbstractItemModel *model = m_table->model();
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_keptSelection = selectedID(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        const QList<SelectionResult> &results = m_vm->results();
        for (int row = 0; row < results.size(); ++row)
            if (results[row].id() == m_keptSelection)
                m_table->selectRow(row);
        updateActions();
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { updateActions(); });
    updateActions();
}

QUuid FilesView::selectedID() const
{
    const QModelIndexList rows = m_table->selectionModel() ? m_table->selectionModel()->selectedRows()
                                                           : QModelIndexList();
    if (rows.isEmpty() || rows.first().row() >= m_vm->results().size())
        return {};
    return m_vm->results()[rows.first().row()].id();
}

void FilesView::updateActions()
{
    const QUuid id = selectedID();
    const SelectionResult *result = nullptr;
    for (const SelectionResult &r : m_vm->results())
        if (r.id() == id)
            result = &r;
    const bool open = result && m_vm->stage() == WorkflowStage::summary;
    m_choose->setEnabled(open);
    m_skip->setEnabled(open && result->status != SelectionStatus::skipped);
    const bool scanState = result
        && (result->status == SelectionStatus::notFound || result->status == SelectionStatus::ambiguous
            || (result->status != SelectionStatus::skipped && result->status != SelectionStatus::manuallyResolved
                && result->candidates.size() == 1 && result->chosenRAW == result->candidates.first().url));
    m_revert->setEnabled(open && !scanState);
}

WarningsView::WarningsView(ScreenContext context, QWidget *parent)
    : Sheet(QStringLiteral("warningsSheet"), QSize(720, 420), parent)
{
    setWindowTitle(localized("warnings.title"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    QHBoxLayout *header = sheetHeader(this, localized("warnings.title"), column);
    header->addWidget(doneButton(this));
    m_table = new QTableView(this);
    m_table->setModel(new WarningsTableModel(context.viewModel, this));
    m_table->setObjectName(QStringLiteral("warningsTable"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(true);
    m_table->setTextElideMode(Qt::ElideLeft); // a long place keeps its end
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->setColumnWidth(0, 280);
    column->addWidget(m_table, 1);
}

ReportView::ReportView(ScreenContext context, QWidget *parent)
    : Sheet(QStringLiteral("reportSheet"), QSize(760, 500), parent)
{
    setWindowTitle(localized("report.title"));
    WorkflowViewModel *vm = context.viewModel;
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    QHBoxLayout *header = sheetHeader(this, localized("report.title"), column);
    auto *save = new QPushButton(localized("report.save.csv"), this);
    save->setObjectName(QStringLiteral("report.save.csv"));
    save->setAutoDefault(false);
    connect(save, &QPushButton::clicked, this, [vm] { vm->saveReport(); });
    header->addWidget(save);
    header->addWidget(doneButton(this));
    m_table = makeLargeTable(new ReportTableModel(vm, this), this);
    m_table->setObjectName(QStringLiteral("reportTable"));
    // The columns share the sheet's width; the long texts (quality flags, error) wrap onto more
    // lines instead of being cut, and every cell shows its full text as a tooltip.
    m_table->setWordWrap(true);
    m_table->setTextElideMode(Qt::ElideMiddle);
    QHeaderView *columns = m_table->horizontalHeader();
    columns->setStretchLastSection(false);
    const int stretch[] = {3, 2, 3, 1, 3, 2, 3, 5};
    for (int c = 0; c < 8; ++c)
        columns->setSectionResizeMode(c, stretch[c] >= 3 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    column->addWidget(m_table, 1);
    // The selected row in full, every field on its own line.
    m_detail = new QLabel(this);
    m_detail->setObjectName(QStringLiteral("report.detail"));
    m_detail->setWordWrap(true);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_detail->setVisible(false);
    applyTextStyle(m_detail, TextStyle::caption);
    column->addWidget(m_detail);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, vm](const QModelIndex &current) {
                const int row = current.row();
                if (row < 0 || row >= vm->reportRows().size()) {
                    m_detail->setVisible(false);
                    return;
                }
                QStringList lines;
                for (int c = 0; c < m_table->model()->columnCount(); ++c) {
                    const QModelIndex index = m_table->model()->index(row, c);
                    QString text = index.data(Qt::ToolTipRole).toString();
                    if (text.isEmpty())
                        text = index.data(Qt::DisplayRole).toString();
                    if (!text.isEmpty())
                        lines << localized("format.line.count",
                                           m_table->model()->headerData(c, Qt::Horizontal).toString(), text);
                }
                m_detail->setText(lines.join(QLatin1Char('\n')));
                m_detail->setVisible(true);
            });
}

} // namespace quillmore
