#include "ReadingsModel.h"

#include "NumberForms.h"
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

QString fillText(const MileageRow& row)
{
    const QString fill = row.PartialFill ? QStringLiteral("Partial") : QStringLiteral("Full");
    return row.MissedFillBefore ? fill + QStringLiteral(", after a missed fill") : fill;
}

QString exactEconomy(const FillChain& chain, const QString& unit)
{
    const int fills = chain.MeasuredFills();
    if (fills == 0)
        return QStringLiteral("Exact economy: needs two full fills with none missed between");
    const bool perLitre = LogUnitOf(unit) == DistanceUnitKind::Kilometre;
    const double litres = chain.MeasuredLitres() / (perLitre ? 1 : LitresPerGallon);
    return QStringLiteral("Exact economy over %1 full fill%2: %3 %4")
        .arg(fills)
        .arg(fills == 1 ? QString() : QStringLiteral("s"))
        .arg(TwoDecimalsForm(chain.MeasuredDistance() / litres))
        .arg(PluralUnit(unit) +
             (perLitre ? QStringLiteral(" per Litre") : QStringLiteral(" per Gallon")));
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
                QStringLiteral("Cost per ") + unit, QStringLiteral("Fill")});
    entries_ = std::move(readings);
    figures_.resize(entries_.size());
    FillChain chain;
    for (qsizetype i = 0; i < entries_.size(); ++i)
        figures_[i] = chain.next(std::as_const(entries_)[i].row);
    exactEconomy_ = exactEconomy(chain, unit);
    finishLoad(entries_.size());
}

bool ReadingsModel::hasNumericKeys(int column) const
{
    return column >= 0 && column < ColumnCount;
}

double ReadingsModel::numericKey(qsizetype entry, int column) const
{
    const MileageRow& row = entries_[entry].row;
    const FillFigures& f = figures_[entry];
    switch (column) {
    case DateColumn:
        return DateKey(row.Date);
    case CurrentColumn:
        return row.CurrentMileage;
    case DistanceColumn:
        return key(f.Distance);
    case AmountColumn:
        return row.Amount;
    case PricePerColumn:
        return row.PricePer;
    case LitresColumn:
        return key(f.Litres);
    case PerLitreColumn:
        return key(f.DistancePerLitre);
    case PerGallonColumn:
        return key(f.DistancePerGallon);
    case CostPerColumn:
        return key(f.CostPer);
    case FillColumn:
        return (row.PartialFill ? 1 : 0) + (row.MissedFillBefore ? 2 : 0);
    default:
        return emptyKey();
    }
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
    case FillColumn:
        return fillText(row);
    default:
        return {};
    }
}

Qt::Alignment ReadingsModel::alignment(int column) const
{
    return column == DateColumn || column == FillColumn ? Qt::AlignLeft : Qt::AlignRight;
}
