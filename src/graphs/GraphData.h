#pragma once

#include "GraphTable.h"
#include "StoreRows.h"

#include <QVector>

// The two graph data tables, filled from one vehicle's readings in chronological order (by Date,
// then by Current Mileage), as VehicleLog::MileageChronological returns them.

// Rewrites table in full: row 1 holds "Date" and "Current Mileage", then one row per reading
// with its date (DateToText) and its odometer reading (PlainNumber), in the readings' order.
// The table grows beyond 100 rows when there are more readings. A reading without a readable
// date or a finite value cannot be placed on the graph and is left out.
void LoadGraphPoints(GraphTable& table, const QVector<MileageRow>& readings);

// Rewrites table in full: row 1 holds "Date" and "Current Mileage", rows 2 to 13 the months
// January to December (in English) of currentYear with the distance that ends in each month:
// the month's last reading minus the last reading of the latest earlier month that had one,
// the opening month measured from the year's first reading, months without readings 0.
void LoadMonthlyTotals(GraphTable& table, const QVector<MileageRow>& readings, int currentYear);
