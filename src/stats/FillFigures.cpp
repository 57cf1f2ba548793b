#include "FillFigures.h"

#include "VehicleStatistics.h"

#include <cmath>

namespace {

std::optional<double> finiteOrEmpty(double value)
{
    if (std::isfinite(value))
        return value;
    return std::nullopt;
}

} // namespace

FillFigures FiguresOfFill(const MileageRow* previous, const MileageRow& row)
{
    FillFigures f;
    if (row.Amount > 0 && row.PricePer > 0)
        f.Litres = finiteOrEmpty(row.Amount / row.PricePer);
    if (!previous)
        return f;
    f.Distance = finiteOrEmpty(row.CurrentMileage - previous->CurrentMileage);
    // As on the statistics panel, nothing per distance is formed over no distance.
    if (!f.Distance || !(*f.Distance > 0))
        return f;
    if (f.Litres && *f.Litres > 0) {
        f.DistancePerLitre = finiteOrEmpty(*f.Distance / *f.Litres);
        if (f.DistancePerLitre)
            f.DistancePerGallon = finiteOrEmpty(*f.DistancePerLitre * LitresPerGallon);
    }
    if (row.Amount > 0)
        f.CostPer = finiteOrEmpty(row.Amount / *f.Distance);
    return f;
}
