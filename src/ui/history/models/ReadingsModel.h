#pragma once

#include "FillFigures.h"
#include "HistoryTableModel.h"
#include "StoreRows.h"

#include <QVector>

// The "Readings" tab: every reading of a vehicle with the figures of its fill-up, worked out once
// per load in one pass over the readings in date order (full to full, see FillChain); the sort
// keys are read off those.
class ReadingsModel final : public HistoryTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        DateColumn,
        CurrentColumn,
        DistanceColumn,
        AmountColumn,
        PricePerColumn,
        LitresColumn,
        PerLitreColumn,
        PerGallonColumn,
        CostPerColumn,
        FillColumn,
        ColumnCount
    };

    explicit ReadingsModel(QObject* parent = nullptr);

    // readings in date order, oldest first (as the store lists them); unit is "Mile" or
    // "Kilometre".
    void load(QVector<MileageEntry> readings, const QString& unit);

    // In load order, that is date order.
    const QVector<MileageEntry>& entries() const { return entries_; }
    const FillFigures& figures(qsizetype entry) const { return figures_[entry]; }
    // The line under the table: the economy over every measured stretch from full fill to full
    // fill, in the unit's figure (per gallon in miles, per litre in kilometres).
    QString exactEconomyText() const { return exactEconomy_; }

    qint64 entryKey(qsizetype entry) const override { return entries_[entry].id; }

protected:
    QString cellText(qsizetype entry, int column) const override;
    // Every column sorts by number; the keys are read off the entries and their figures.
    bool hasNumericKeys(int column) const override;
    double numericKey(qsizetype entry, int column) const override;
    Qt::Alignment alignment(int column) const override;

private:
    QVector<MileageEntry> entries_;
    QVector<FillFigures> figures_;
    QString exactEconomy_;
};
