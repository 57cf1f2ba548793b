#pragma once

#include "ImportPlan.h"

#include <QAbstractTableModel>

// The import preview's table, without widgets: one row per vehicle of the file and what
// importing does to it. The first column is where its rows go; setting it (a new registration or
// one of the log's) asks for the plan to be made again with that choice.
class ImportPlanModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        VehicleColumn,
        ReadingsAdded,
        ReadingsPresent,
        MaintenanceAdded,
        MaintenancePresent,
        RefusedColumn,
        InTheFileColumn,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setPlan(const ImportPlan& plan);
    // The file's key of the vehicle on a row.
    QString keyAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Only the first column: emits registrationChosen; the table changes with the new plan.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    void registrationChosen(const QString& key, const QString& registration);

private:
    QVector<VehicleImportSummary> vehicles_;
};
