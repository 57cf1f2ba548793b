#pragma once

#include <QDateTime>
#include <QString>

// What a store file holds, in a few figures: enough to tell a backup from the log in use before
// one replaces the other.
struct StoreSummary
{
    qint64 vehicles = 0;
    qint64 readings = 0;
    qint64 maintenanceEntries = 0;
    // The date of the newest reading or maintenance entry; invalid when there is none.
    QDateTime newest;
};

// Reads the file without changing it: opened read-only, never upgraded, no write lock taken.
// A file that is missing, not a vehicle log, damaged beyond reading or written by a newer Kelmot
// throws StoreError in plain words naming the file.
StoreSummary SummarizeStore(const QString& path);
