#pragma once

#include "StoreRows.h"

#include <QDate>
#include <QString>
#include <QVector>

// The Graphs window's three series over any period, worked out without widgets.
enum class TrendKind
{
    EconomyPerFill,
    PricePerLitre,
    CostPerMonth
};

struct TrendPoint
{
    QDate Date; // the fill's day; for a month, its first day
    double Value = 0;

    friend bool operator==(const TrendPoint&, const TrendPoint&) = default;
};

struct TrendSeries
{
    TrendKind Kind = TrendKind::EconomyPerFill;
    QString Title;     // "Miles per Gallon of each fill", ...
    QString ValueName; // the value axis: "Miles per Gallon", "Price per Litre", "Cost"
    bool Bars = false; // one bar a month rather than a line through the fills
    QVector<TrendPoint> Points;
};

// The series of kind for one vehicle between from and to, both days included. readings are in
// date order (MileageChronological); maintenance is read only for the cost per month.
// Economy is distance per gallon in miles and per litre in kilometres, each full fill from the
// full fill before it (FillChain), whether or not that one lies in the period; a fill whose figure
// cannot be formed (a partial fill, one after a missed fill) is left out. The cost per month has
// a bar for every month of the period, empty ones too.
TrendSeries MakeTrendSeries(TrendKind kind, const QVector<MileageRow>& readings,
                            const QVector<MaintenanceRow>& maintenance, QDate from, QDate to,
                            const QString& distanceUnit);

// The days the vehicle's entries span: its first and last reading or maintenance entry; an
// invalid pair when it has none.
std::pair<QDate, QDate> EntrySpan(const QVector<MileageRow>& readings,
                                  const QVector<MaintenanceRow>& maintenance);

// Round values for an axis from low to high, about count of them, steps of 1, 2 or 5 times a
// power of ten, the first at or below low and the last at or above high.
QVector<double> AxisSteps(double low, double high, int count);
