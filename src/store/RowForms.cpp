#include "RowForms.h"

#include "SqliteDatabase.h"
#include "StoreError.h"
#include "StoredValues.h"
#include "TextConversions.h"

namespace RowForms {

namespace {
constexpr int kPartial = 1;
constexpr int kMissedBefore = 2;

StoreError conversion(const QString& why)
{
    return StoreError(StoreError::ConversionFailure, why + QStringLiteral(" Nothing was stored."));
}

double notNegative(double value, const QString& field)
{
    if (StoredValues::FiniteNumber(value, field) < 0)
        throw conversion(QStringLiteral("The %1 of a reminder cannot be below 0.").arg(field));
    return value;
}
} // namespace

int FillOf(const MileageRow& row)
{
    return (row.PartialFill ? kPartial : 0) | (row.MissedFillBefore ? kMissedBefore : 0);
}

void SetFill(MileageRow& row, qint64 fill)
{
    row.PartialFill = fill & kPartial;
    row.MissedFillBefore = fill & kMissedBefore;
}

StoredMileage stored(const MileageRow& row)
{
    return {StoredValues::DateText(row.Date, QStringLiteral("Date")),
            row.Registration,
            StoredValues::FiniteNumber(row.CurrentMileage, QStringLiteral("Current Mileage")),
            StoredValues::FiniteNumber(row.Amount, QStringLiteral("Amount")),
            StoredValues::FiniteNumber(row.PricePer, QStringLiteral("Price Per")),
            FillOf(row)};
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
            StoredValues::FiniteNumber(row.Cost, QStringLiteral("Cost")), row.Description,
            StoredValues::KnownCategory(row.Category)};
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

StoredReminder stored(const ReminderRow& row)
{
    StoredReminder s;
    s.registration = row.Registration;
    s.title = row.Title.trimmed();
    if (s.title.isEmpty())
        throw conversion(QStringLiteral("A reminder needs a title."));
    s.category = StoredValues::KnownCategory(row.Category);
    if (row.DueDate.isValid())
        s.dueDate =
            StoredValues::DateText(AtMidnight(row.DueDate.date()), QStringLiteral("Due Date"));
    s.dueMileage = notNegative(row.DueMileage, QStringLiteral("Due Mileage"));
    if (s.dueDate.isEmpty() && s.dueMileage == 0)
        throw conversion(QStringLiteral("A reminder is due at a date, at a reading or both."));
    if (row.EveryMonths < 0)
        throw conversion(QStringLiteral("The Every Months of a reminder cannot be below 0."));
    s.everyMonths = row.EveryMonths;
    s.everyMileage = notNegative(row.EveryMileage, QStringLiteral("Every Mileage"));
    return s;
}

void bind(SqliteQuery& q, const StoredReminder& s)
{
    q->bind(1, s.registration);
    q->bind(2, s.title);
    q->bind(3, s.category);
    q->bind(4, s.dueDate);
    q->bind(5, s.dueMileage);
    q->bind(6, s.everyMonths);
    q->bind(7, s.everyMileage);
}

void bind(SqliteQuery& q, const StoredMileage& row)
{
    q->bind(1, row.date);
    q->bind(2, row.registration);
    q->bind(3, row.mileage);
    q->bind(4, row.amount);
    q->bind(5, row.price);
    q->bind(6, qint64(row.fill));
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
    q->bind(6, qint64(FillOf(row)));
}

void bind(SqliteQuery& q, const StoredMaintenance& row)
{
    q->bind(1, row.date);
    q->bind(2, row.registration);
    q->bind(3, row.cost);
    q->bind(4, row.description);
    q->bind(5, row.category);
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
    MileageRow row{q->text(0), StoredValues::ParseDate(q->utf8(1)), q->real(2), q->real(3),
                   q->real(4)};
    SetFill(row, q->integer(5));
    return row;
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
    MileageRow row{registration_, date_, q->real(2), q->real(3), q->real(4)};
    SetFill(row, q->integer(5));
    return row;
}

MaintenanceRow readMaintenance(const SqliteQuery& q)
{
    return MaintenanceRow{q->text(0), StoredValues::ParseDate(q->utf8(1)), q->real(2), q->text(3),
                          q->text(4)};
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
            "Current Mileage", "Amount", "Price Per", "Fill", "Removed At", "Reason",
            "Replaced By")
            SELECT "Registration", "Date", "Current Mileage", "Amount", "Price Per", "Fill", ?, ?,
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
            "Cost", "Description", "Category", "Removed At", "Reason", "Replaced By")
            SELECT "Registration", "Date", "Cost", "Description", "Category", ?, ?,
            NULLIF(?, 0) FROM "Maintenance" WHERE rowid = ?)");
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

qint64 readingsHeld(SqliteDatabase& db, const QString& registration)
{
    SqliteQuery q = db.query(R"(SELECT count(*) FROM (SELECT 1 FROM "Mileage"
        WHERE "Registration" = ? LIMIT 2))");
    q->bind(1, registration);
    return q->step() ? q->integer(0) : 0;
}

void requireAccepted(const EntryChecks::Result& refusal, const QString& tail)
{
    if (!refusal)
        return;
    using EntryChecks::Rule;
    const int code = refusal->rule == Rule::Order         ? StoreError::OutOfOrder
                     : refusal->rule == Rule::OnlyReading ? StoreError::OnlyReading
                                                          : StoreError::Refused;
    throw StoreError(code, refusal->message + tail);
}

} // namespace RowForms
