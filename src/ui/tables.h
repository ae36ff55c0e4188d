#pragma once

// The large tables, as models over the controller's lists (no copy of the rows): the files
// sheet's results and the report sheet's rows. They reset only when their own list changes.

#include "screen.h"

#include <QAbstractTableModel>
#include <QUuid>

class QPushButton;

class QLabel;
class QTableView;

namespace quillmore {

class ResultsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultsTableModel(WorkflowViewModel *vm, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    WorkflowViewModel *m_vm;
};

class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportTableModel(WorkflowViewModel *vm, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // A path cell: its last component when the text is an absolute path, else the whole text.
    static QString shortened(const QString &text);

private:
    WorkflowViewModel *m_vm;
};

class WarningsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit WarningsTableModel(WorkflowViewModel *vm, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    WorkflowViewModel *m_vm;
};

// A table view set up for long lists: fixed row heights, no word wrap, elided cells.
QTableView *makeLargeTable(QAbstractItemModel *model, QWidget *parent);

class FilesView : public Sheet {
    Q_OBJECT
public:
    explicit FilesView(ScreenContext context, QWidget *parent = nullptr);
    QTableView *table() const { return m_table; }
    // The selection id of the chosen row; null when none.
    QUuid selectedID() const;

private:
    void updateActions();
    WorkflowViewModel *m_vm;
    QTableView *m_table;
    QPushButton *m_choose;
    QPushButton *m_skip;
    QPushButton *m_revert;
    QUuid m_keptSelection;
};

// Every warning of the job: where it happened and what it says, in full.
class WarningsView : public Sheet {
    Q_OBJECT
public:
    explicit WarningsView(ScreenContext context, QWidget *parent = nullptr);
    QTableView *table() const { return m_table; }

private:
    QTableView *m_table;
};

class ReportView : public Sheet {
    Q_OBJECT
public:
    explicit ReportView(ScreenContext context, QWidget *parent = nullptr);
    QTableView *table() const { return m_table; }
    // The selected row's fields in full.
    QLabel *detail() const { return m_detail; }

private:
    QTableView *m_table;
    QLabel *m_detail;
};

} // namespace quillmore
