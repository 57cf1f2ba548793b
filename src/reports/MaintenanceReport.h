#pragma once

#include "StoreRows.h"

#include <QString>
#include <QVector>

struct SharedState;

// The report's file name; it is written in the temporary folder and never deleted.
inline constexpr char MaintenanceReportFileName[] = "Maint_Rep.txt";

// The whole text of the report, as the file holds it: every line in its pair of double quotes and
// ended by CR LF. The rows are listed in the order given; dates and costs read the default QLocale.
QString MaintenanceReportText(const QVector<MaintenanceRow>& rows);

// Writes the report of the registration's maintenance rows, oldest first, to Maint_Rep.txt in the
// temporary folder (UTF-8), then opens it in the desktop's text viewer without waiting.
// A file that cannot be written, or a viewer that cannot be started, is told through the Messages
// seam and the routine returns; a store failure is thrown (StoreError).
void MaintenanceReport(SharedState& state, const QString& registration);
