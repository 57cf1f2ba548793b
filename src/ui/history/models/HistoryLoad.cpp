#include "HistoryLoad.h"

#include "StoredValues.h"
#include "VehicleLog.h"

QVector<ReadingEntry> LoadReadings(VehicleLog& log, const QString& registration)
{
    const QVector<MileageRow> rows = log.MileageChronological(registration);
    QVector<ReadingEntry> entries;
    entries.reserve(rows.size());
    for (const MileageRow& row : rows)
        entries.append({entries.size() + 1, row});
    return entries;
}

QVector<MaintenanceEntry> LoadMaintenance(VehicleLog& log, const QString& registration)
{
    const QVector<MaintenanceRow> rows = log.MaintenanceByDate(registration);
    QVector<MaintenanceEntry> entries;
    entries.reserve(rows.size());
    for (const MaintenanceRow& row : rows)
        entries.append({entries.size() + 1, row});
    return entries;
}

QVector<RemovedEntry> LoadRemoved(VehicleLog& log, const QString& registration)
{
    QVector<RemovedEntry> entries;
    for (const RemovedMileageRow& r : log.RemovedMileage()) {
        if (!StoredValues::SameRegistration(r.row.Registration, registration))
            continue;
        RemovedEntry e;
        e.id = entries.size() + 1;
        e.kind = RemovedEntry::Kind::Reading;
        e.reading = r.row;
        e.removedAt = r.RemovedAt;
        e.reason = QStringLiteral("Removed");
        entries.append(e);
    }
    for (const RemovedMaintenanceRow& r : log.RemovedMaintenance()) {
        if (!StoredValues::SameRegistration(r.row.Registration, registration))
            continue;
        RemovedEntry e;
        e.id = entries.size() + 1;
        e.kind = RemovedEntry::Kind::Maintenance;
        e.maintenance = r.row;
        e.removedAt = r.RemovedAt;
        e.reason = QStringLiteral("Removed");
        entries.append(e);
    }
    return entries;
}
