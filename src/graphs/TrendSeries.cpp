#include "TrendSeries.h"

#include "FillFigures.h"
#include "UnitWording.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

bool within(const QDateTime& at, QDate from, QDate to)
{
    const QDate day = at.date();
    return day >= from && day <= to;
}

QDate monthOf(const QDateTime& at)
{
    return QDate(at.date().year(), at.date().month(), 1);
}

bool kilometres(const QString& distanceUnit)
{
    return LogUnitOf(distanceUnit) == DistanceUnitKind::Kilometre;
}

void addEconomy(TrendSeries& series, const QVector<MileageRow>& readings, QDate from, QDate to,
                bool perLitre)
{
    // The chain runs over the whole history: a period's first fill is measured from the full fill
    // before it.
    FillChain chain;
    for (const MileageRow& row : readings) {
        const FillFigures f = chain.next(row);
        if (!within(row.Date, from, to))
            continue;
        const auto& value = perLitre ? f.DistancePerLitre : f.DistancePerGallon;
        if (value)
            series.Points.append({row.Date.date(), *value});
    }
}

void addCostPerMonth(TrendSeries& series, const QVector<MileageRow>& readings,
                     const QVector<MaintenanceRow>& maintenance, QDate from, QDate to)
{
    std::map<QDate, double> totals;
    for (QDate month(from.year(), from.month(), 1); month <= to; month = month.addMonths(1))
        totals[month] = 0;
    for (const MileageRow& r : readings)
        if (within(r.Date, from, to) && std::isfinite(r.Amount))
            totals[monthOf(r.Date)] += r.Amount;
    for (const MaintenanceRow& m : maintenance)
        if (within(m.Date, from, to) && std::isfinite(m.Cost))
            totals[monthOf(m.Date)] += m.Cost;
    for (const auto& [month, total] : totals)
        series.Points.append({month, total});
}

} // namespace

TrendSeries MakeTrendSeries(TrendKind kind, const QVector<MileageRow>& readings,
                            const QVector<MaintenanceRow>& maintenance, QDate from, QDate to,
                            const QString& distanceUnit)
{
    TrendSeries series;
    series.Kind = kind;
    const QString units = PluralUnit(distanceUnit);
    const bool perLitre = kilometres(distanceUnit);
    switch (kind) {
    case TrendKind::EconomyPerFill:
        series.ValueName =
            units + (perLitre ? QStringLiteral(" per Litre") : QStringLiteral(" per Gallon"));
        series.Title = series.ValueName + QStringLiteral(" of each fill");
        if (from.isValid() && to.isValid())
            addEconomy(series, readings, from, to, perLitre);
        break;
    case TrendKind::PricePerLitre:
        series.ValueName = QStringLiteral("Price per Litre");
        series.Title = QStringLiteral("Price per Litre paid");
        if (from.isValid() && to.isValid())
            for (const MileageRow& r : readings)
                if (within(r.Date, from, to) && r.PricePer > 0 && std::isfinite(r.PricePer))
                    series.Points.append({r.Date.date(), r.PricePer});
        break;
    case TrendKind::CostPerMonth:
        series.ValueName = QStringLiteral("Cost");
        series.Title = QStringLiteral("Cost per month, fuel and maintenance");
        series.Bars = true;
        if (from.isValid() && to.isValid() && from <= to)
            addCostPerMonth(series, readings, maintenance, from, to);
        break;
    }
    return series;
}

std::pair<QDate, QDate> EntrySpan(const QVector<MileageRow>& readings,
                                  const QVector<MaintenanceRow>& maintenance)
{
    QDate first, last;
    const auto take = [&](const QDateTime& at) {
        const QDate day = at.date();
        if (!day.isValid())
            return;
        if (!first.isValid() || day < first)
            first = day;
        if (!last.isValid() || day > last)
            last = day;
    };
    for (const MileageRow& r : readings)
        take(r.Date);
    for (const MaintenanceRow& m : maintenance)
        take(m.Date);
    return {first, last};
}

QVector<double> AxisSteps(double low, double high, int count)
{
    if (!std::isfinite(low) || !std::isfinite(high) || count < 1)
        return {};
    if (high < low)
        std::swap(low, high);
    if (high == low) {
        // A flat series still gets an axis around its one value.
        const double half = low == 0 ? 1 : std::abs(low) / 2;
        low -= half;
        high += half;
    }
    const double rough = (high - low) / count;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * power;
        if (step >= rough)
            break;
    }
    QVector<double> steps;
    const double first = std::floor(low / step);
    for (int i = 0; steps.size() <= count * 3; ++i) {
        const double value = (first + i) * step;
        steps.append(value);
        if (value >= high - step * 1e-9)
            break;
    }
    return steps;
}
