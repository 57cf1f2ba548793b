#pragma once

#include "StoreRows.h"

#include <QList>
#include <QString>

class QAbstractItemModel;

// A stored text with its line breaks as the table shows them: CR LF and lone CRs become LF.
QString WithLineBreaks(const QString& text);

// One line summing up an entry, for the Removed tab and the confirmations.
QString ReadingDetails(const MileageRow& row, const QString& unit);
QString MaintenanceDetails(const MaintenanceRow& row);
// A vehicle's registration and the details it has given.
QString VehicleDetails(const VehicleRow& row);

// The header and the given rows of a table as tab-separated text, one line each, as a
// spreadsheet pastes it: a cell holding a tab, a line break or a quote is quoted.
QString RowsAsTabText(const QAbstractItemModel& model, QList<int> rows);
