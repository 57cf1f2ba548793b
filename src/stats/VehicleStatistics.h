#pragma once

#include "StoreRows.h"

#include <QDate>
#include <QString>
#include <QVector>
#include <optional>

// The statistics panel of the main window, in two pure steps:
// ComputeStatistics turns a vehicle's rows and today's date into figures, and
// FormatStatistics turns the figures into the texts of the panel's fifteen labels.

// One column of the panel: "To Date" (every record) or "Current Year" (records dated on or after
// 1 January of today's year). A derived figure that cannot be formed is empty; the panel then
// shows its zero form.
struct StatisticsColumn
{
    double Distance = 0;    // latest reading - first reading (year base for the current year)
    double FuelCost = 0;    // sum of Amount
    double Maintenance = 0; // sum of Cost
    double Litres = 0;      // sum of Amount / Price Per over readings with both above 0

    double CostIncMaintenance = 0;           // FuelCost + Maintenance
    std::optional<double> CostPer;           // FuelCost / Distance; empty unless Distance > 0
    std::optional<double> CostPerInc;        // CostIncMaintenance / Distance; likewise
    std::optional<double> DistancePerLitre;  // Distance / Litres; empty unless both are above 0
    std::optional<double> DistancePerGallon; // DistancePerLitre * 4.54
};

struct VehicleStatisticsFigures
{
    double FirstReading = 0;  // Current Mileage of the first reading in chronological order
    double LatestReading = 0; // ... of the last one
    bool HasCurrentYearReading = false;
    double YearBase = 0; // first current-year reading; 0 without one
    StatisticsColumn ToDate;
    StatisticsColumn CurrentYear;
};

// Litres per imperial gallon as the panel's figures have always used it (not 4.54609): the
// per-gallon figures people compare with stay the same.
inline constexpr double LitresPerGallon = 4.54;

// The start of the current year: midnight of 1 January of today's year (a naive date-time).
QDateTime StartOfYear(const QDate& today);
// A record dated on or after the start of the current year.
bool IsCurrentYearRecord(const QDateTime& date, const QDate& today);

// readings must be in chronological order (Date, then Current Mileage, ascending), as
// VehicleLog::MileageChronological delivers them; the order of maintenance rows does not matter.
// A vehicle without any reading (never written by the program) gives all-zero figures.
// leavePurchaseOut keeps the price of the vehicle itself out of the maintenance sums, so that the
// "(inc. Maint.)" figures show what running it costs.
VehicleStatisticsFigures ComputeStatistics(const QVector<MileageRow>& readings,
                                           const QVector<MaintenanceRow>& maintenance,
                                           const QDate& today, bool leavePurchaseOut = false);

// The captions of the panel's labels, named after them.
struct VehicleStatisticsTexts
{
    QString lblCurrentMileage;
    QString lblMiles, lblMilesDate;
    QString lblCost, lblCostDate;
    QString lblCostinc, lblCostincDate;
    QString lblCostPer, lblCostPerDate;
    QString lblCostPerinc, lblCostPerincDate;
    QString lblMilesPerLitreTD, lblMilesPerLitreYR;
    QString lblMilesPerGallonTD, lblMilesPerGallonYR;
};

VehicleStatisticsTexts FormatStatistics(const VehicleStatisticsFigures& figures);
