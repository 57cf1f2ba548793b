#pragma once

#include "LogRules.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

// The checks of the entry forms, in each form's order and in its words, without widgets: Record
// Mileage, Record Maintenance, the History window's reading and maintenance editors and Add New
// Vehicle. Each returns the first refusal, or none. The store's writes run the same checks again
// inside their transactions, where another program may have changed the log since the form
// checked it; without a clock there, they leave out the future.
namespace EntryChecks {

// The box a refusal concerns.
enum class Field
{
    None,
    VehicleReg,
    Date,
    CurrentMileage,
    Amount,
    PricePer,
    Description,
    RegistrationDate,
    PurchaseDate,
    EngineCapacity
};

// What kind of rule refused, by which the store picks its error code.
enum class Rule
{
    Required,
    Exists,
    Format,
    Future,
    NotPositive,
    BelowZero,
    Order, // against the log's other readings or entries
    OnlyReading
};

struct Refusal
{
    Field field;
    Rule rule;
    QString message;
};
using Result = std::optional<Refusal>;

// A box's text as the checks read it: whether anything was typed, whether it reads as a date or
// a number, and the value it reads as (NaN or an invalid date when it does not). A stored value
// is given and valid.
struct TypedDate
{
    bool given = true;
    bool valid = true;
    QDateTime value;
};
struct TypedNumber
{
    bool given = true;
    bool valid = true;
    double value = 0;
};
TypedDate DateFromText(const QString& text);
TypedNumber NumberFromText(const QString& text);

struct TypedReading
{
    TypedDate date;
    TypedNumber mileage, amount, pricePer;
};
TypedReading ReadingFromTexts(const QString& date, const QString& mileage, const QString& amount,
                              const QString& pricePer);
TypedReading ReadingOf(const MileageRow& row);

struct TypedMaintenance
{
    TypedDate date;
    TypedNumber cost;
    QString description;
};
TypedMaintenance MaintenanceOf(const MaintenanceRow& row);

struct TypedVehicle
{
    QString registration; // trimmed
    TypedNumber mileage;
    TypedDate registrationDate, purchaseDate;
    TypedNumber capacity;
};

// `today` none: the future is not checked (the store's own check).

// Record Mileage. `latest`: the vehicle's latest reading (the latest date, its highest
// reading); without one the date and the reading are not compared with it.
Result NewReading(const TypedReading& r, std::optional<QDate> today, const MileageRow* latest);
// The History window's Add and Edit Reading: the reading among those dated before and after
// it, whose bounds `boundsAt` gives once the date and reading have passed. `withoutFuel`: the
// reading edited was stored without fuel (a starting reading), and may stay so.
Result MendedReading(const TypedReading& r, std::optional<QDate> today,
                     const std::function<LogRules::ReadingBounds(const QDateTime&)>& boundsAt,
                     bool withoutFuel);
// MendedReading's order rule alone.
Result AmongOthers(const LogRules::ReadingBounds& bounds, double mileage);
// Record Maintenance, and with no `latestDate` the History window's maintenance editor (a
// forgotten receipt may carry any past date, as may a vehicle's first entry).
Result Maintenance(const TypedMaintenance& m, std::optional<QDate> today,
                   std::optional<QDateTime> latestDate);
// Add New Vehicle. `exists` looks the registration up once the required boxes are filled.
Result NewVehicle(const TypedVehicle& v, const QDate& today,
                  const std::function<bool(const QString&)>& exists);
// Removing one of a vehicle's readings, which always keeps one.
Result ReadingRemoval(const QString& registration, qsizetype readingsHeld);

// An imported date is in the future only past the moment of the import, not from midnight on:
// a file of this morning's fill-ups imports this afternoon.
bool IsFutureImport(const QDateTime& date, const QDate& today, const QDateTime& now);

} // namespace EntryChecks
