#pragma once

#include "StoreRows.h"

#include <QDateTime>
#include <QString>

// The entries the History window lists, each with the store's id so an edit or removal reaches
// exactly the row that was shown.

struct ReadingEntry
{
    qint64 id = 0;
    MileageRow row;
};

struct MaintenanceEntry
{
    qint64 id = 0;
    MaintenanceRow row;
};

// A removed or replaced entry of either table.
struct RemovedEntry
{
    enum class Kind
    {
        Reading,
        Maintenance
    };
    qint64 id = 0;
    Kind kind = Kind::Reading;
    MileageRow reading;         // when kind is Reading
    MaintenanceRow maintenance; // when kind is Maintenance
    QDateTime removedAt;
    QString reason;

    QDateTime date() const { return kind == Kind::Reading ? reading.Date : maintenance.Date; }
};
