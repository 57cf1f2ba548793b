#include "VehicleStatistics.h"

#include "NumberForms.h"
#include "TextConversions.h"

#include <QLocale>
#include <cmath>

namespace {

// Distance, costs and litres summed: the derived figures follow from them.
void deriveFigures(StatisticsColumn& column)
{
    column.CostIncMaintenance = column.FuelCost + column.Maintenance;
    column.CostPer.reset();
    column.CostPerInc.reset();
    column.DistancePerLitre.reset();
    column.DistancePerGallon.reset();
    if (!(column.Distance > 0) || !std::isfinite(column.Distance))
        return;
    const auto finite = [](double value) -> std::optional<double> {
        if (std::isfinite(value))
            return value;
        return std::nullopt;
    };
    column.CostPer = finite(column.FuelCost / column.Distance);
    column.CostPerInc = finite(column.CostIncMaintenance / column.Distance);
    if (column.Litres > 0) {
        column.DistancePerLitre = finite(column.Distance / column.Litres);
        if (column.DistancePerLitre)
            column.DistancePerGallon = finite(*column.DistancePerLitre * LitresPerGallon);
    }
}

} // namespace

QDateTime StartOfYear(const QDate& today)
{
    return AtMidnight(QDate(today.year(), 1, 1));
}

bool IsCurrentYearRecord(const QDateTime& date, const QDate& today)
{
    return date >= StartOfYear(today);
}

VehicleStatisticsFigures ComputeStatistics(const QVector<MileageRow>& readings,
                                           const QVector<MaintenanceRow>& maintenance,
                                           const QDate& today, bool leavePurchaseOut)
{
    VehicleStatisticsFigures f;
    if (!readings.isEmpty()) {
        f.FirstReading = readings.first().CurrentMileage;
        f.LatestReading = readings.last().CurrentMileage;
    }

    // Made once: a long log would otherwise build it again for every reading.
    const QDateTime yearStart = StartOfYear(today);
    for (const MileageRow& r : readings) {
        const bool thisYear = r.Date >= yearStart;
        if (thisYear && !f.HasCurrentYearReading) {
            f.HasCurrentYearReading = true;
            f.YearBase = r.CurrentMileage;
        }
        if (r.Amount > 0 && r.PricePer > 0) {
            const double litres = r.Amount / r.PricePer;
            f.ToDate.Litres += litres;
            if (thisYear)
                f.CurrentYear.Litres += litres;
        }
        f.ToDate.FuelCost += r.Amount;
        if (thisYear)
            f.CurrentYear.FuelCost += r.Amount;
    }

    for (const MaintenanceRow& m : maintenance) {
        if (leavePurchaseOut && m.Category == CostCategory::Purchase)
            continue;
        f.ToDate.Maintenance += m.Cost;
        if (m.Date >= yearStart)
            f.CurrentYear.Maintenance += m.Cost;
    }

    f.ToDate.Distance = f.LatestReading - f.FirstReading;
    // Without a current-year reading nothing was travelled this year as far as the log knows.
    f.CurrentYear.Distance = f.HasCurrentYearReading ? f.LatestReading - f.YearBase : 0;

    deriveFigures(f.ToDate);
    deriveFigures(f.CurrentYear);
    return f;
}

namespace {

// A converted unit's noise in the readings must not fill the label: hundredths at most.
QString distanceForm(double value)
{
    return std::isfinite(value) ? DistanceToText(value) : ZeroText();
}

QString costPerForm(const std::optional<double>& value)
{
    return CurrencyForm(value.value_or(0));
}

QString economyForm(const std::optional<double>& value)
{
    return value ? TwoDecimalsForm(*value) : ZeroText();
}

} // namespace

VehicleStatisticsTexts FormatStatistics(const VehicleStatisticsFigures& f)
{
    VehicleStatisticsTexts t;
    t.lblCurrentMileage = ReadingForm(f.LatestReading);
    t.lblMiles = distanceForm(f.ToDate.Distance);
    t.lblMilesDate = distanceForm(f.CurrentYear.Distance);
    t.lblCost = CurrencyForm(f.ToDate.FuelCost);
    t.lblCostDate = CurrencyForm(f.CurrentYear.FuelCost);
    t.lblCostinc = CurrencyForm(f.ToDate.CostIncMaintenance);
    t.lblCostincDate = CurrencyForm(f.CurrentYear.CostIncMaintenance);
    t.lblCostPer = costPerForm(f.ToDate.CostPer);
    t.lblCostPerinc = costPerForm(f.ToDate.CostPerInc);
    t.lblMilesPerLitreTD = economyForm(f.ToDate.DistancePerLitre);
    t.lblMilesPerGallonTD = economyForm(f.ToDate.DistancePerGallon);
    t.lblCostPerDate = costPerForm(f.CurrentYear.CostPer);
    t.lblCostPerincDate = costPerForm(f.CurrentYear.CostPerInc);
    t.lblMilesPerLitreYR = economyForm(f.CurrentYear.DistancePerLitre);
    t.lblMilesPerGallonYR = economyForm(f.CurrentYear.DistancePerGallon);
    return t;
}
