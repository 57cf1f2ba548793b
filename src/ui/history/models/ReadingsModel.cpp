#include "ReadingsModel.h"

#include "TextConversions.h"
#include "UnitWording.h"
#include "VehicleStatistics.h"

#include <limits>

namespace {

double key(const std::optional<double>& value)
{
    return value ? *value : -std::numeric_limits<double>::infinity();
}

QString twoDecimals(const std::optional<double>& value)
{
    return value ? TwoDecimalsForm(*value) : QString();
}

} // namespace

ReadingsModel::ReadingsModel(QObject* parent) : HistoryTableModel(parent) {}

void ReadingsModel::load(QVector<MileageEntry> readings, const QString& unit)
{
    beginResetModel();
    setHeaders({QStringLiteral("Date"), CurrentUnitsCaption(unit), QStringLiteral("Distance"),
                QStringLiteral("Amount"), QStringLiteral("Price Per"), QStringLiteral("Litres"),
                PluralUnit(unit) + QStringLiteral(" per Litre"),
                PluralUnit(unit) + QStringLiteral(" per Gallon"),
                QStringLiteral("Cost per ") + unit});
    entries_ = std::move(readings);
    const size_t count = size_t(entries_.size());
    figures_.resize(entries_.size());
    std::vector<std::vector<double>> keys(ColumnCount, std::vector<double>(count));
    const MileageRow* previous = nullptr;
    for (size_t i = 0; i < count; ++i) {
        const MileageRow& row = entries_[qsizetype(i)].row;
        const FillFigures f = FiguresOfFill(previous, row);
        figures_[qsizetype(i)] = f;
        keys[DateColumn][i] = DateKey(row.Date);
        keys[CurrentColumn][i] = row.CurrentMileage;
        keys[DistanceColumn][i] = key(f.Distance);
        keys[AmountColumn][i] = row.Amount;
        keys[PricePerColumn][i] = row.PricePer;
        keys[LitresColumn][i] = key(f.Litres);
        keys[PerLitreColumn][i] = key(f.DistancePerLitre);
        keys[PerGallonColumn][i] = key(f.DistancePerGallon);
        keys[CostPerColumn][i] = key(f.CostPer);
        previous = &row;
    }
    for (int column = 0; column < ColumnCount; ++column)
        setNumericKeys(column, std::move(keys[size_t(column)]));
    finishLoad(entries_.size());
}

QString ReadingsModel::cellText(qsizetype entry, int column) const
{
    const MileageRow& row = entries_[entry].row;
    const FillFigures& f = figures_[entry];
    switch (column) {
    case DateColumn:
        return DateToText(row.Date);
    case CurrentColumn:
        return ReadingForm(row.CurrentMileage);
    case DistanceColumn:
        return f.Distance ? DistanceToText(*f.Distance) : QString();
    case AmountColumn:
        return CurrencyForm(row.Amount);
    case PricePerColumn:
        return PlainNumber(row.PricePer);
    case LitresColumn:
        return twoDecimals(f.Litres);
    case PerLitreColumn:
        return twoDecimals(f.DistancePerLitre);
    case PerGallonColumn:
        return twoDecimals(f.DistancePerGallon);
    case CostPerColumn:
        return f.CostPer ? CurrencyForm(*f.CostPer) : QString();
    default:
        return {};
    }
}

Qt::Alignment ReadingsModel::alignment(int column) const
{
    return column == DateColumn ? Qt::AlignLeft : Qt::AlignRight;
}
