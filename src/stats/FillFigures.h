#pragma once

#include "StoreRows.h"

#include <optional>

// The figures of one fill-up against the reading before it in date order. A figure that cannot
// be formed (first reading, no fuel, no distance) is empty, never 0 or infinite.
struct FillFigures
{
    std::optional<double> Distance;          // this reading - the previous one
    std::optional<double> Litres;            // Amount / Price Per, when both are above 0
    std::optional<double> DistancePerLitre;  // Distance / Litres: the full-to-full figure
    std::optional<double> DistancePerGallon; // with the statistics panel's factor
    std::optional<double> CostPer;           // Amount / Distance
};

// previous is the reading before row in date order; none for the first.
FillFigures FiguresOfFill(const MileageRow* previous, const MileageRow& row);
