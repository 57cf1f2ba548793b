#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

// Plain rows of the three tables. Dates are naive date-times (see TextConversions.h);
// NoDate() stands for a date that was not given and an Engine Capacity of 0 for no capacity.

struct VehicleRow
{
    QString Registration;
    QString Make;
    QString Model;
    QString Fuel;
    double EngineCapacity = 0;
    QDateTime RegistrationDate;
    QDateTime PurchaseDate;
};

struct MileageRow
{
    QString Registration;
    QDateTime Date;
    double CurrentMileage = 0;
    double Amount = 0;
    double PricePer = 0;
};

// Moved, not copied, when a long list of readings grows.
Q_DECLARE_TYPEINFO(MileageRow, Q_RELOCATABLE_TYPE);

struct MaintenanceRow
{
    QString Registration;
    QDateTime Date;
    double Cost = 0;
    QString Description;
};

// Why an entry left the log; the words are stored as they are shown.
namespace RemovalReason {
inline const QString Removed = QStringLiteral("Removed");
inline const QString ReplacedByEdit = QStringLiteral("Replaced by an edit");
} // namespace RemovalReason

struct RemovedMileageRow
{
    MileageRow row;
    QDateTime RemovedAt;
    QString Reason;
};

struct RemovedMaintenanceRow
{
    MaintenanceRow row;
    QDateTime RemovedAt;
    QString Reason;
};

// A stored entry with its identity (the row's rowid), so that it can be mended or removed.
struct MileageEntry
{
    qint64 id = 0;
    MileageRow row;
};

struct MaintenanceEntry
{
    qint64 id = 0;
    MaintenanceRow row;
};

// A removed entry of either kind; id is its rowid in "Removed Mileage" or "Removed Maintenance"
// as kind says, and only the row of that kind is filled.
struct RemovedEntry
{
    enum class Kind
    {
        Reading,
        Maintenance
    };
    qint64 id = 0;
    Kind kind = Kind::Reading;
    MileageRow reading;
    MaintenanceRow maintenance;
    QDateTime RemovedAt;
    QString Reason;
};

// Rows written together in one transaction: all stored or none (used by import).
struct LogBatch
{
    QVector<VehicleRow> vehicles;
    QVector<MileageRow> mileage;
    QVector<MaintenanceRow> maintenance;
};
