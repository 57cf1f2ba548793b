#pragma once

#include "StoreRows.h"

#include <optional>

// The figures of one fill-up. A figure that cannot be formed (first reading, no fuel, no
// distance, a partial fill, a fill after a missed one) is empty, never 0 or infinite.
struct FillFigures
{
    std::optional<double> Distance;          // this reading - the previous one
    std::optional<double> Litres;            // Amount / Price Per, when both are above 0
    std::optional<double> DistancePerLitre;  // from the last full fill: the full-to-full figure
    std::optional<double> DistancePerGallon; // with the statistics panel's factor
    std::optional<double> CostPer;           // Amount since the last full fill / its distance
};

// Gives each reading of a vehicle, fed in date order, its figures by the full-to-full method: a
// full fill is measured from the full fill before it, with the fuel and cost of the partial fills
// between added to its own. A partial fill has no economy or cost figure. A fill after a missed
// one has none either, and measuring starts again from it when it is full, or else from the next
// full fill. When every fill is full, each is measured against the reading before it.
class FillChain
{
public:
    FillFigures next(const MileageRow& row);

    // Over the fills measured so far: how many, and the distance and litres they cover.
    int MeasuredFills() const { return measured_; }
    double MeasuredDistance() const { return measuredDistance_; }
    double MeasuredLitres() const { return measuredLitres_; }

private:
    std::optional<double> previousReading_;
    std::optional<double> fullReading_; // the full fill measuring starts from; none while broken
    double litresSince_ = 0;            // fuel of the partial fills since then
    double amountSince_ = 0;
    bool litresKnown_ = true; // false once a partial fill's fuel could not be worked out
    int measured_ = 0;
    double measuredDistance_ = 0;
    double measuredLitres_ = 0;
};
