#include "RowForms.h"

#include "SqliteDatabase.h"
#include "StoredValues.h"

namespace RowForms {

StoredMileage stored(const MileageRow& row)
{
    return {StoredValues::DateText(row.Date, QStringLiteral("Date")), row.Registration,
            StoredValues::FiniteNumber(row.CurrentMileage, QStringLiteral("Current Mileage")),
            StoredValues::FiniteNumber(row.Amount, QStringLiteral("Amount")),
            StoredValues::FiniteNumber(row.PricePer, QStringLiteral("Price Per"))};
}

void check(const MileageRow& row)
{
    StoredValues::CheckDate(row.Date, QStringLiteral("Date"));
    StoredValues::FiniteNumber(row.CurrentMileage, QStringLiteral("Current Mileage"));
    StoredValues::FiniteNumber(row.Amount, QStringLiteral("Amount"));
    StoredValues::FiniteNumber(row.PricePer, QStringLiteral("Price Per"));
}

StoredMaintenance stored(const MaintenanceRow& row)
{
    return {StoredValues::DateText(row.Date, QStringLiteral("Date")), row.Registration,
            StoredValues::FiniteNumber(row.Cost, QStringLiteral("Cost")), row.Description};
}

StoredVehicle stored(const VehicleRow& row)
{
    return {row.Registration,
            StoredValues::DateText(row.RegistrationDate, QStringLiteral("Registration Date")),
            StoredValues::DateText(row.PurchaseDate, QStringLiteral("Purchase Date")),
            row.Make,
            row.Model,
            StoredValues::FiniteNumber(row.EngineCapacity, QStringLiteral("Engine Capacity")),
            row.Fuel};
}

void bind(SqliteQuery& q, const StoredMileage& row)
{
    q->bind(1, row.date);
    q->bind(2, row.registration);
    q->bind(3, row.mileage);
    q->bind(4, row.amount);
    q->bind(5, row.price);
}

void MileageBinder::bind(SqliteQuery& q, const MileageRow& row)
{
    const int dateSize = StoredValues::DateChars(row.Date, QStringLiteral("Date"), date_);
    if (!started_ || row.Registration != registration_) {
        started_ = true;
        registration_ = row.Registration;
        registrationUtf8_ = row.Registration.toUtf8();
    }
    q->bindKept(1, QByteArrayView(date_, dateSize));
    q->bindKept(2, registrationUtf8_);
    q->bind(3, StoredValues::FiniteNumber(row.CurrentMileage, QStringLiteral("Current Mileage")));
    q->bind(4, StoredValues::FiniteNumber(row.Amount, QStringLiteral("Amount")));
    q->bind(5, StoredValues::FiniteNumber(row.PricePer, QStringLiteral("Price Per")));
}

void bind(SqliteQuery& q, const StoredMaintenance& row)
{
    q->bind(1, row.date);
    q->bind(2, row.registration);
    q->bind(3, row.cost);
    q->bind(4, row.description);
}

void bind(SqliteQuery& q, const StoredVehicle& row)
{
    q->bind(1, row.registration);
    q->bind(2, row.registrationDate);
    q->bind(3, row.purchaseDate);
    q->bind(4, row.make);
    q->bind(5, row.model);
    q->bind(6, row.capacity);
    q->bind(7, row.fuel);
}

MileageRow readMileage(const SqliteQuery& q)
{
    return MileageRow{q->text(0), StoredValues::ParseDate(q->utf8(1)), q->real(2), q->real(3),
                      q->real(4)};
}

MileageRow MileageListReader::read(const SqliteQuery& q)
{
    const QByteArrayView registration = q->utf8(0);
    if (registration_.isNull() || registration != registrationBytes_) {
        registrationBytes_ = registration.toByteArray();
        registration_ = QString::fromUtf8(registrationBytes_);
    }
    const QByteArrayView date = q->utf8(1);
    if (dateBytes_.isNull() || date != dateBytes_) {
        dateBytes_ = date.toByteArray();
        date_ = StoredValues::ParseDate(date);
    }
    return MileageRow{registration_, date_, q->real(2), q->real(3), q->real(4)};
}

MaintenanceRow readMaintenance(const SqliteQuery& q)
{
    return MaintenanceRow{q->text(0), StoredValues::ParseDate(q->utf8(1)), q->real(2), q->text(3)};
}

namespace {

// An edit keeps the entry's rowid, so the replaced row names its replacement by that rowid;
// bound into NULLIF(?, 0), as rowids start at 1.
void bindReplacement(SqliteQuery& q, int index, qint64 rowid, const QString& reason)
{
    q->bind(index, reason == RemovalReason::ReplacedByEdit ? rowid : qint64(0));
}

// An entry that leaves the log for good replaces nothing any more: its rowid may be given to
// another entry later.
void forgetReplacement(SqliteDatabase& db, const char* sql, qint64 rowid, const QString& reason)
{
    if (reason == RemovalReason::ReplacedByEdit)
        return;
    SqliteQuery q = db.query(sql);
    q->bind(1, rowid);
    q->run();
}

} // namespace

void moveMileageToRemoved(SqliteDatabase& db, qint64 rowid, const QString& removedAt,
                          const QString& reason)
{
    {
        SqliteQuery q = db.query(R"(INSERT INTO "Removed Mileage" ("Registration", "Date",
            "Current Mileage", "Amount", "Price Per", "Removed At", "Reason", "Replaced By")
            SELECT "Registration", "Date", "Current Mileage", "Amount", "Price Per", ?, ?,
            NULLIF(?, 0) FROM "Mileage" WHERE rowid = ?)");
        q->bind(1, removedAt);
        q->bind(2, reason);
        bindReplacement(q, 3, rowid, reason);
        q->bind(4, rowid);
        q->run();
    }
    forgetReplacement(
        db, R"(UPDATE "Removed Mileage" SET "Replaced By" = NULL WHERE "Replaced By" = ?)", rowid,
        reason);
    SqliteQuery q = db.query(R"(DELETE FROM "Mileage" WHERE rowid = ?)");
    q->bind(1, rowid);
    q->run();
}

void moveMaintenanceToRemoved(SqliteDatabase& db, qint64 rowid, const QString& removedAt,
                              const QString& reason)
{
    {
        SqliteQuery q = db.query(R"(INSERT INTO "Removed Maintenance" ("Registration", "Date",
            "Cost", "Description", "Removed At", "Reason", "Replaced By")
            SELECT "Registration", "Date", "Cost", "Description", ?, ?, NULLIF(?, 0)
            FROM "Maintenance" WHERE rowid = ?)");
        q->bind(1, removedAt);
        q->bind(2, reason);
        bindReplacement(q, 3, rowid, reason);
        q->bind(4, rowid);
        q->run();
    }
    forgetReplacement(
        db, R"(UPDATE "Removed Maintenance" SET "Replaced By" = NULL WHERE "Replaced By" = ?)",
        rowid, reason);
    SqliteQuery q = db.query(R"(DELETE FROM "Maintenance" WHERE rowid = ?)");
    q->bind(1, rowid);
    q->run();
}

std::optional<VehicleRow> findVehicle(SqliteDatabase& db, const QString& registration)
{
    SqliteQuery q = db.query(R"(SELECT "Registration", "Make", "Model", "Fuel",
        "Engine Capacity", "Registration Date", "Purchase Date" FROM "Vehicle Details"
        WHERE "Registration" = ? ORDER BY rowid LIMIT 1)");
    q->bind(1, registration);
    if (!q->step())
        return std::nullopt;
    return VehicleRow{q->text(0),
                      q->text(1),
                      q->text(2),
                      q->text(3),
                      q->real(4),
                      StoredValues::ParseDate(q->utf8(5)),
                      StoredValues::ParseDate(q->utf8(6))};
}

} // namespace RowForms
