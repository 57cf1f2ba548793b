#pragma once

#include "EntryChecks.h"
#include "StoreRows.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

class SqliteDatabase;
class SqliteQuery;

// The rows of the log's tables as the store writes and reads them: shared by the store's
// queries and appends and by the mending of entries. Inside the store only.
namespace RowForms {

// Every value of a row converted to what is stored, before any transaction starts.
struct StoredMileage
{
    QString date, registration;
    double mileage, amount, price;
    int fill; // as the "Fill" column has it
};

struct StoredMaintenance
{
    QString date, registration;
    double cost;
    QString description, category;
};

struct StoredVehicle
{
    QString registration, registrationDate, purchaseDate, make, model;
    double capacity;
    QString fuel;
};

// A reminder's values as stored: what it is not due at, or does not repeat by, is NULL.
struct StoredReminder
{
    QString registration, title, category, dueDate;
    double dueMileage = 0;
    qint64 everyMonths = 0;
    double everyMileage = 0;
};

// The "Fill" column's value for a reading's fill flags, and the flags it stands for.
int FillOf(const MileageRow& row);
void SetFill(MileageRow& row, qint64 fill);

StoredMileage stored(const MileageRow& row);
// Throws exactly as stored(row) would, without converting anything.
void check(const MileageRow& row);
StoredMaintenance stored(const MaintenanceRow& row);
StoredVehicle stored(const VehicleRow& row);
// A reminder has a title and a known kind and is due at a date, a reading or both.
StoredReminder stored(const ReminderRow& row);

void bind(SqliteQuery& q, const StoredMileage& row);

// Binds readings one after another, each converted as bind(q, stored(row)) would: the texts stay
// here until the next row, so SQLite need not copy them, and a registration is converted once
// for its run of rows.
class MileageBinder
{
public:
    void bind(SqliteQuery& q, const MileageRow& row);

private:
    bool started_ = false;
    QString registration_;
    QByteArray registrationUtf8_;
    char date_[19] = {};
};
void bind(SqliteQuery& q, const StoredMaintenance& row);
void bind(SqliteQuery& q, const StoredVehicle& row);
// Parameters 1-7 of kInsertReminder (and of the reminder update, which leaves out the first).
void bind(SqliteQuery& q, const StoredReminder& row);

// Columns 0-5 (a reading) and 0-4 (a maintenance entry) as the queries below select them.
MileageRow readMileage(const SqliteQuery& q);

// readMileage for the rows of a long list: the rows that spell their registration alike share
// one string, and readings of one day, which come together, share one parse of their date.
class MileageListReader
{
public:
    MileageRow read(const SqliteQuery& q);

private:
    QString registration_;
    QByteArray registrationBytes_;
    QByteArray dateBytes_;
    QDateTime date_;
};
MaintenanceRow readMaintenance(const SqliteQuery& q);
// The vehicle's details row, if there is one.
std::optional<VehicleRow> findVehicle(SqliteDatabase& db, const QString& registration);

inline constexpr char kInsertMileage[] = R"(INSERT INTO "Mileage" ("Date", "Registration",
    "Current Mileage", "Amount", "Price Per", "Fill") VALUES (?, ?, ?, ?, ?, ?))";
inline constexpr char kInsertMaintenance[] =
    R"(INSERT INTO "Maintenance" ("Date", "Registration", "Cost",
    "Description", "Category") VALUES (?, ?, ?, ?, ?))";
inline constexpr char kInsertVehicle[] = R"(INSERT INTO "Vehicle Details" ("Registration",
    "Registration Date", "Purchase Date", "Make", "Model", "Engine Capacity", "Fuel")
    VALUES (?, ?, ?, ?, ?, ?, ?))";
inline constexpr char kInsertReminder[] =
    R"(INSERT INTO "Reminders" ("Registration", "Title", "Category",
    "Due Date", "Due Mileage", "Every Months", "Every Mileage")
    VALUES (?, ?, ?, NULLIF(?, ''), NULLIF(?, 0), NULLIF(?, 0), NULLIF(?, 0)))";
inline constexpr char kNewestMileage[] =
    R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", "Fill", rowid FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date" DESC, "Current Mileage" DESC, rowid DESC)";
inline constexpr char kLatestMileage[] =
    R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", "Fill", rowid FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date" DESC, "Current Mileage" DESC, rowid DESC LIMIT 1)";
inline constexpr char kChronological[] =
    R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", "Fill" FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date", "Current Mileage", rowid)";
inline constexpr char kMaintenanceByDate[] =
    R"(SELECT "Registration", "Date", "Cost", "Description", "Category", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date", rowid)";
inline constexpr char kNewestMaintenance[] =
    R"(SELECT "Registration", "Date", "Cost", "Description", "Category", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date" DESC, rowid DESC)";
inline constexpr char kLatestMaintenance[] =
    R"(SELECT "Registration", "Date", "Cost", "Description", "Category", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date" DESC, rowid DESC LIMIT 1)";

// Moves one row, by rowid, into its Removed table with its removal time (as MomentText gives
// it) and reason, inside the caller's transaction.
void moveMileageToRemoved(SqliteDatabase& db, qint64 rowid, const QString& removedAt,
                          const QString& reason);
void moveMaintenanceToRemoved(SqliteDatabase& db, qint64 rowid, const QString& removedAt,
                              const QString& reason);

// How many readings the vehicle holds, counted up to 2: enough to know whether one may go.
qint64 readingsHeld(SqliteDatabase& db, const QString& registration);
// The entry checks' refusal as the store throws it, `tail` saying what was left undone: an
// order refusal is StoreError::OutOfOrder, an only reading StoreError::OnlyReading, any other
// StoreError::Refused.
void requireAccepted(const EntryChecks::Result& refusal, const QString& tail);

} // namespace RowForms
