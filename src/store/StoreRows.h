#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
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
    // How the fill-up filled the tank: full unless it was partial, and whether a fill-up
    // before it went unrecorded. Economy is worked out from one full fill to the next.
    bool PartialFill = false;
    bool MissedFillBefore = false;
};

// Moved, not copied, when a long list of readings grows.
Q_DECLARE_TYPEINFO(MileageRow, Q_RELOCATABLE_TYPE);

// The kinds of cost a maintenance entry can be; the words are stored as they are shown.
namespace CostCategory {
inline const QString Service = QStringLiteral("Service");
inline const QString Repair = QStringLiteral("Repair");
inline const QString Tyres = QStringLiteral("Tyres");
inline const QString Insurance = QStringLiteral("Insurance");
inline const QString Tax = QStringLiteral("Tax");
inline const QString Parking = QStringLiteral("Parking");
inline const QString Purchase = QStringLiteral("Purchase");
inline const QString Other = QStringLiteral("Other");
// Every kind, in the order they are offered.
inline const QStringList All{Service, Repair, Tyres, Insurance, Tax, Parking, Purchase, Other};
} // namespace CostCategory

struct MaintenanceRow
{
    QString Registration;
    QDateTime Date;
    double Cost = 0;
    QString Description;
    QString Category = CostCategory::Other;
};

// Something to be done to a vehicle: due at a date, at a reading, or at whichever comes first,
// and, when it repeats, due again every so many months or miles after it was done. A due
// reading and a repeat distance are in the store's distance unit, as readings are.
struct ReminderRow
{
    QString Registration;
    QString Title;
    QString Category = CostCategory::Service;
    QDateTime DueDate;       // null when it is not due at a date
    double DueMileage = 0;   // 0 when it is not due at a reading
    int EveryMonths = 0;     // 0 when it does not repeat by time
    double EveryMileage = 0; // 0 when it does not repeat by distance
};

struct ReminderEntry
{
    qint64 id = 0;
    ReminderRow row;
};

// Why an entry left the log; the words are stored as they are shown.
namespace RemovalReason {
inline const QString Removed = QStringLiteral("Removed");
inline const QString ReplacedByEdit = QStringLiteral("Replaced by an edit");
// A merged vehicle's details, kept beside the vehicle it was merged into.
inline const QString Merged = QStringLiteral("Merged");
} // namespace RemovalReason

// What Put Back does with an entry replaced by an edit whose replacement is not known.
enum class UnknownReplacement
{
    Refuse,
    PutBeside
};

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

// A removed entry of any kind; id is its rowid in "Removed Mileage", "Removed Maintenance" or
// "Removed Vehicle Details" as kind says, and only the row of that kind is filled. The details
// of a vehicle merged into this one carry the registration it had.
struct RemovedEntry
{
    enum class Kind
    {
        Reading,
        Maintenance,
        Details
    };
    qint64 id = 0;
    Kind kind = Kind::Reading;
    MileageRow reading;
    MaintenanceRow maintenance;
    VehicleRow details;
    QDateTime RemovedAt;
    QString Reason;
};

// What merging one vehicle into another would do, told before the user is asked.
struct MergePreview
{
    // The merged vehicle's rows that move: readings, maintenance entries, removed entries.
    qint64 readings = 0;
    qint64 maintenance = 0;
    qint64 removed = 0;
    // Its details that differ from the other vehicle's, by column name: kept aside, in Removed.
    QStringList keptAside;
    // The dates of each vehicle's first and last reading.
    QDateTime fromFirst, fromLast, intoFirst, intoLast;
};

// Rows written together in one transaction: all stored or none (used by import).
struct LogBatch
{
    QVector<VehicleRow> vehicles;
    QVector<MileageRow> mileage;
    QVector<MaintenanceRow> maintenance;
    QVector<ReminderRow> reminders;
};
