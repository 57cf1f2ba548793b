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

FillFigures FillChain::next(const MileageRow& row)
{
    FillFigures f;
    if (row.Amount > 0 && row.PricePer > 0)
        f.Litres = finiteOrEmpty(row.Amount / row.PricePer);
    if (previousReading_)
        f.Distance = finiteOrEmpty(row.CurrentMileage - *previousReading_);
    previousReading_ = row.CurrentMileage;
    // Fuel bought without being recorded: the tank's level here says nothing of what went before.
    if (row.MissedFillBefore)
        fullReading_.reset();
    // A fill whose fuel is not known (an amount without a price) cannot be measured.
    const bool litresKnown = f.Litres || !(row.Amount > 0);
    if (row.PartialFill) {
        if (fullReading_) {
            litresSince_ += f.Litres.value_or(0);
            amountSince_ += row.Amount > 0 ? row.Amount : 0;
            litresKnown_ = litresKnown_ && litresKnown;
        }
        return f;
    }
    if (fullReading_) {
        // As on the statistics panel, nothing per distance is formed over no distance.
        const std::optional<double> distance = finiteOrEmpty(row.CurrentMileage - *fullReading_);
        const double litres = litresSince_ + f.Litres.value_or(0);
        const double amount = amountSince_ + (row.Amount > 0 ? row.Amount : 0);
        if (distance && *distance > 0) {
            if (litresKnown_ && litresKnown && litres > 0) {
                f.DistancePerLitre = finiteOrEmpty(*distance / litres);
                if (f.DistancePerLitre) {
                    f.DistancePerGallon = finiteOrEmpty(*f.DistancePerLitre * LitresPerGallon);
                    ++measured_;
                    measuredDistance_ += *distance;
                    measuredLitres_ += litres;
                }
            }
            if (amount > 0)
                f.CostPer = finiteOrEmpty(amount / *distance);
        }
    }
    fullReading_ = row.CurrentMileage;
    litresSince_ = 0;
    amountSince_ = 0;
    litresKnown_ = true;
    return f;
}
