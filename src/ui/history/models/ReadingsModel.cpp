#include "ReadingsModel.h"

#include "NumberForms.h"
#include "TextConversions.h"
#include "UnitWording.h"

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
    figures_.resize(entries_.size());
    const MileageRow* previous = nullptr;
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const MileageRow& row = std::as_const(entries_)[i].row;
        figures_[i] = FiguresOfFill(previous, row);
        previous = &row;
    }
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
    default:
        return {};
    }
}

Qt::Alignment ReadingsModel::alignment(int column) const
{
    return column == DateColumn ? Qt::AlignLeft : Qt::AlignRight;
}
