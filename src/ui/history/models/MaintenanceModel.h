#pragma once

#include "HistoryTableModel.h"
#include "StoreRows.h"

#include <QVector>

// The "Maintenance" tab: every maintenance entry, its description whole with its line breaks, or
// only the entries of one category.
class MaintenanceModel final : public HistoryTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        DateColumn,
        CostColumn,
        DescriptionColumn,
        CategoryColumn,
        ColumnCount
    };

    explicit MaintenanceModel(QObject* parent = nullptr);

    // entries in date order, oldest first.
    void load(QVector<MaintenanceEntry> entries);
    const QVector<MaintenanceEntry>& entries() const { return entries_; }

    qint64 entryKey(qsizetype entry) const override { return entries_[entry].id; }

    // Shows only the entries of category; an empty one shows every entry.
    void showCategory(const QString& category);

protected:
    QString cellText(qsizetype entry, int column) const override;
    QString sortText(qsizetype entry, int column) const override;
    Qt::Alignment alignment(int column) const override;
    bool isShown(qsizetype entry) const override;

private:
    QVector<MaintenanceEntry> entries_;
    QString category_;
};
