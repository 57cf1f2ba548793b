#pragma once

#include "HistoryEntries.h"

#include <QVector>

class VehicleLog;

// A vehicle's entries as the History window lists them, each with its id in the store.
QVector<ReadingEntry> LoadReadings(VehicleLog& log, const QString& registration);
QVector<MaintenanceEntry> LoadMaintenance(VehicleLog& log, const QString& registration);
QVector<RemovedEntry> LoadRemoved(VehicleLog& log, const QString& registration);
