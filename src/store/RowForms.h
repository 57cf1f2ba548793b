#pragma once

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
};

struct StoredMaintenance
{
    QString date, registration;
    double cost;
    QString description;
};

struct StoredVehicle
{
    QString registration, registrationDate, purchaseDate, make, model;
    double capacity;
    QString fuel;
};

StoredMileage stored(const MileageRow& row);
// Throws exactly as stored(row) would, without converting anything.
void check(const MileageRow& row);
StoredMaintenance stored(const MaintenanceRow& row);
StoredVehicle stored(const VehicleRow& row);

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

// Columns 0-4 as the queries below select them.
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
    "Current Mileage", "Amount", "Price Per") VALUES (?, ?, ?, ?, ?))";
inline constexpr char kInsertMaintenance[] =
    R"(INSERT INTO "Maintenance" ("Date", "Registration", "Cost",
    "Description") VALUES (?, ?, ?, ?))";
inline constexpr char kInsertVehicle[] = R"(INSERT INTO "Vehicle Details" ("Registration",
    "Registration Date", "Purchase Date", "Make", "Model", "Engine Capacity", "Fuel")
    VALUES (?, ?, ?, ?, ?, ?, ?))";
inline constexpr char kNewestMileage[] =
    R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", rowid FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date" DESC, "Current Mileage" DESC, rowid DESC)";
inline constexpr char kLatestMileage[] =
    R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", rowid FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date" DESC, "Current Mileage" DESC, rowid DESC LIMIT 1)";
inline constexpr char kChronological[] =
    R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per" FROM "Mileage" WHERE "Registration" = ? ORDER BY "Date", "Current Mileage", rowid)";
inline constexpr char kMaintenanceByDate[] =
    R"(SELECT "Registration", "Date", "Cost", "Description", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date", rowid)";
inline constexpr char kNewestMaintenance[] =
    R"(SELECT "Registration", "Date", "Cost", "Description", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date" DESC, rowid DESC)";
inline constexpr char kLatestMaintenance[] =
    R"(SELECT "Registration", "Date", "Cost", "Description", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date" DESC, rowid DESC LIMIT 1)";

// Moves one row, by rowid, into its Removed table with its removal time (as MomentText gives
// it) and reason, inside the caller's transaction.
void moveMileageToRemoved(SqliteDatabase& db, qint64 rowid, const QString& removedAt,
                          const QString& reason);
void moveMaintenanceToRemoved(SqliteDatabase& db, qint64 rowid, const QString& removedAt,
                              const QString& reason);

} // namespace RowForms
