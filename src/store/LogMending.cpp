#include "LogRuleWords.h"
#include "LogRules.h"
#include "RowForms.h"
#include "SqliteDatabase.h"
#include "StoredValues.h"
#include "TextConversions.h"
#include "VehicleLog.h"

// Mending the log: entries with their ids, edits, late additions, removals, putting back, and
// renaming or merging vehicles. Each write is one transaction that checks the log's rules again.

using namespace RowForms;

namespace {

const char kMileageEntries[] = R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", rowid FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date", "Current Mileage", rowid)";
const char kMaintenanceEntries[] = R"(SELECT "Registration", "Date", "Cost", "Description",
    rowid FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date", rowid)";
const char kMileageById[] = R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per" FROM "Mileage" WHERE rowid = ?)";
const char kMaintenanceById[] = R"(SELECT "Registration", "Date", "Cost", "Description"
    FROM "Maintenance" WHERE rowid = ?)";
const char kInsertMileageAt[] = R"(INSERT INTO "Mileage" ("Date", "Registration",
    "Current Mileage", "Amount", "Price Per", rowid) VALUES (?, ?, ?, ?, ?, ?))";
const char kInsertMaintenanceAt[] = R"(INSERT INTO "Maintenance" ("Date", "Registration",
    "Cost", "Description", rowid) VALUES (?, ?, ?, ?, ?))";

const QString NothingChanged = QStringLiteral(" Nothing was changed.");

StoreError notFound(const char* what)
{
    return StoreError(StoreError::NotFound,
                      QStringLiteral("That %1 is no longer in the vehicle log; it may have been "
                                     "changed meanwhile.")
                              .arg(QLatin1String(what)) +
                          NothingChanged);
}

std::optional<MileageRow> mileageById(SqliteDatabase& db, qint64 id)
{
    SqliteQuery q = db.query(kMileageById);
    q->bind(1, id);
    if (!q->step())
        return std::nullopt;
    return readMileage(q);
}

std::optional<MaintenanceRow> maintenanceById(SqliteDatabase& db, qint64 id)
{
    SqliteQuery q = db.query(kMaintenanceById);
    q->bind(1, id);
    if (!q->step())
        return std::nullopt;
    return readMaintenance(q);
}

// The neighbours a reading dated `date` (as stored) must lie between, leaving out the row
// `skip`: the highest reading dated before it and the lowest dated after it. Both are range
// reads of the index on registration, date and reading.
LogRules::ReadingBounds storedBounds(SqliteDatabase& db, const QString& registration,
                                     const QString& date, qint64 skip)
{
    LogRules::ReadingBounds bounds;
    const auto read = [&](const char* sql) -> std::optional<MileageRow> {
        SqliteQuery q = db.query(sql);
        q->bind(1, registration);
        q->bind(2, date);
        q->bind(3, skip);
        if (!q->step() || q->integer(3) == 0)
            return std::nullopt;
        return MileageRow{q->text(0), StoredValues::ParseDate(q->utf8(1)), q->real(2), 0, 0};
    };
    bounds.lower = read(R"(SELECT "Registration", "Date", max("Current Mileage"), count(*)
        FROM "Mileage" WHERE "Registration" = ? AND "Date" < ? AND rowid <> ?)");
    bounds.upper = read(R"(SELECT "Registration", "Date", min("Current Mileage"), count(*)
        FROM "Mileage" WHERE "Registration" = ? AND "Date" > ? AND rowid <> ?)");
    return bounds;
}

// The order rule, checked inside the writer's transaction.
void requireFit(SqliteDatabase& db, const QString& registration, const StoredMileage& row,
                qint64 skip, const QString& refusal)
{
    const LogRules::ReadingBounds bounds = storedBounds(db, registration, row.date, skip);
    if (LogRules::Fit(bounds, row.mileage) != LogRules::ReadingFit::Fits)
        throw StoreError(StoreError::OutOfOrder, refusal + LogRuleWords::BoundsPhrase(bounds) +
                                                     QLatin1Char('.') + NothingChanged);
}

qint64 readingsHeld(SqliteDatabase& db, const QString& registration)
{
    SqliteQuery q = db.query(R"(SELECT count(*) FROM (SELECT 1 FROM "Mileage"
        WHERE "Registration" = ? LIMIT 2))");
    q->bind(1, registration);
    return q->step() ? q->integer(0) : 0;
}

QVector<MileageRow> chronological(SqliteDatabase& db, const QString& registration)
{
    SqliteQuery q = db.query(kChronological);
    q->bind(1, registration);
    QVector<MileageRow> rows;
    while (q->step())
        rows.append(readMileage(q));
    return rows;
}

// Every row of the vehicle, in every table, takes the new registration; its details row too
// unless it is being merged away.
void moveRows(SqliteDatabase& db, const QString& from, const QString& to, bool withDetails)
{
    static const char* const updates[] = {
        R"(UPDATE "Mileage" SET "Registration" = ? WHERE "Registration" = ?)",
        R"(UPDATE "Maintenance" SET "Registration" = ? WHERE "Registration" = ?)",
        R"(UPDATE "Removed Mileage" SET "Registration" = ? WHERE "Registration" = ?)",
        R"(UPDATE "Removed Maintenance" SET "Registration" = ? WHERE "Registration" = ?)",
        R"(UPDATE "Vehicle Details" SET "Registration" = ? WHERE "Registration" = ?)"};
    const int count = withDetails ? 5 : 4;
    for (int i = 0; i < count; ++i) {
        SqliteQuery q = db.query(updates[i]);
        q->bind(1, to);
        q->bind(2, from);
        q->run();
    }
}

} // namespace

QVector<MileageEntry> VehicleLog::MileageEntries(const QString& registration)
{
    SqliteQuery q = database().query(kMileageEntries);
    q->bind(1, registration);
    QVector<MileageEntry> rows;
    MileageListReader reader;
    while (q->step())
        rows.append(MileageEntry{q->integer(5), reader.read(q)});
    return rows;
}

QVector<MaintenanceEntry> VehicleLog::MaintenanceEntries(const QString& registration)
{
    SqliteQuery q = database().query(kMaintenanceEntries);
    q->bind(1, registration);
    QVector<MaintenanceEntry> rows;
    while (q->step())
        rows.append(MaintenanceEntry{q->integer(4), readMaintenance(q)});
    return rows;
}

QVector<RemovedEntry> VehicleLog::RemovedEntries(const QString& registration)
{
    SqliteQuery q = database().query(R"(
        SELECT 0, rowid, "Registration", "Date", "Current Mileage", "Amount", "Price Per", 0.0,
            '', "Removed At", "Reason" FROM "Removed Mileage" WHERE "Registration" = ?1
        UNION ALL
        SELECT 1, rowid, "Registration", "Date", 0.0, 0.0, 0.0, "Cost", "Description",
            "Removed At", "Reason" FROM "Removed Maintenance" WHERE "Registration" = ?1
        ORDER BY 10, 1, 2)");
    q->bind(1, registration);
    QVector<RemovedEntry> rows;
    while (q->step()) {
        RemovedEntry e;
        e.id = q->integer(1);
        const QString reg = q->text(2);
        const QDateTime date = StoredValues::ParseDate(q->utf8(3));
        if (q->integer(0) == 0) {
            e.kind = RemovedEntry::Kind::Reading;
            e.reading = MileageRow{reg, date, q->real(4), q->real(5), q->real(6)};
        } else {
            e.kind = RemovedEntry::Kind::Maintenance;
            e.maintenance = MaintenanceRow{reg, date, q->real(7), q->text(8)};
        }
        e.RemovedAt = StoredValues::ParseDate(q->utf8(9));
        e.Reason = q->text(10);
        rows.append(e);
    }
    return rows;
}

void VehicleLog::ReplaceMileage(qint64 id, const MileageRow& newRow, const QDateTime& removedAt)
{
    SqliteDatabase& db = database();
    StoredMileage values = stored(newRow);
    const QString stamp = StoredValues::MomentText(removedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    const auto old = mileageById(db, id);
    if (!old)
        throw notFound("reading");
    values.registration = old->Registration;
    requireFit(db, values.registration, values, id,
               QStringLiteral("The changed reading would break the order of the readings: it "
                              "must "));
    moveMileageToRemoved(db, id, stamp, RemovalReason::ReplacedByEdit);
    SqliteQuery q = db.query(kInsertMileageAt);
    bind(q, values);
    q->bind(6, id);
    q->run();
    transaction.commit();
}

void VehicleLog::ReplaceMaintenance(qint64 id, const MaintenanceRow& newRow,
                                    const QDateTime& removedAt)
{
    SqliteDatabase& db = database();
    StoredMaintenance values = stored(newRow);
    const QString stamp = StoredValues::MomentText(removedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    const auto old = maintenanceById(db, id);
    if (!old)
        throw notFound("maintenance entry");
    values.registration = old->Registration;
    moveMaintenanceToRemoved(db, id, stamp, RemovalReason::ReplacedByEdit);
    SqliteQuery q = db.query(kInsertMaintenanceAt);
    bind(q, values);
    q->bind(5, id);
    q->run();
    transaction.commit();
}

qint64 VehicleLog::AddMileage(const MileageRow& row)
{
    SqliteDatabase& db = database();
    const StoredMileage values = stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    requireFit(db, values.registration, values, -1,
               QStringLiteral("The reading does not fit among the others: it must "));
    {
        SqliteQuery q = db.query(kInsertMileage);
        bind(q, values);
        q->run();
    }
    const qint64 id = db.integer("SELECT last_insert_rowid()");
    transaction.commit();
    return id;
}

qint64 VehicleLog::AddMaintenance(const MaintenanceRow& row)
{
    SqliteDatabase& db = database();
    const StoredMaintenance values = stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    {
        SqliteQuery q = db.query(kInsertMaintenance);
        bind(q, values);
        q->run();
    }
    const qint64 id = db.integer("SELECT last_insert_rowid()");
    transaction.commit();
    return id;
}

void VehicleLog::RemoveMileage(qint64 id, const QDateTime& removedAt)
{
    SqliteDatabase& db = database();
    const QString stamp = StoredValues::MomentText(removedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    const auto row = mileageById(db, id);
    if (!row)
        throw notFound("reading");
    if (!LogRules::CanRemoveReading(readingsHeld(db, row->Registration)))
        throw StoreError(StoreError::OnlyReading,
                         QStringLiteral("The reading of %1 is its only one, and a vehicle "
                                        "always keeps at least one reading. Nothing was "
                                        "removed.")
                             .arg(row->Registration));
    moveMileageToRemoved(db, id, stamp, RemovalReason::Removed);
    transaction.commit();
}

void VehicleLog::RemoveMaintenance(qint64 id, const QDateTime& removedAt)
{
    SqliteDatabase& db = database();
    const QString stamp = StoredValues::MomentText(removedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    if (!maintenanceById(db, id))
        throw notFound("maintenance entry");
    moveMaintenanceToRemoved(db, id, stamp, RemovalReason::Removed);
    transaction.commit();
}

qint64 VehicleLog::PutBackMileage(qint64 removedId)
{
    SqliteDatabase& db = database();
    ++writes_;
    SqliteTransaction transaction(db);
    std::optional<MileageRow> row;
    {
        SqliteQuery q = db.query(R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
            "Price Per" FROM "Removed Mileage" WHERE rowid = ?)");
        q->bind(1, removedId);
        if (q->step())
            row = readMileage(q);
    }
    if (!row)
        throw notFound("removed reading");
    const StoredMileage values = stored(*row);
    requireFit(db, values.registration, values, -1,
               QStringLiteral("The reading of %1 cannot be put back: it must ")
                   .arg(LogRuleWords::ReadingText(*row)));
    {
        SqliteQuery q = db.query(kInsertMileage);
        bind(q, values);
        q->run();
    }
    const qint64 id = db.integer("SELECT last_insert_rowid()");
    {
        SqliteQuery q = db.query(R"(DELETE FROM "Removed Mileage" WHERE rowid = ?)");
        q->bind(1, removedId);
        q->run();
    }
    transaction.commit();
    return id;
}

qint64 VehicleLog::PutBackMaintenance(qint64 removedId)
{
    SqliteDatabase& db = database();
    ++writes_;
    SqliteTransaction transaction(db);
    {
        SqliteQuery q = db.query(R"(SELECT 1 FROM "Removed Maintenance" WHERE rowid = ?)");
        q->bind(1, removedId);
        if (!q->step())
            throw notFound("removed maintenance entry");
    }
    {
        SqliteQuery q = db.query(R"(INSERT INTO "Maintenance" ("Registration", "Date", "Cost",
            "Description") SELECT "Registration", "Date", "Cost", "Description"
            FROM "Removed Maintenance" WHERE rowid = ?)");
        q->bind(1, removedId);
        q->run();
    }
    const qint64 id = db.integer("SELECT last_insert_rowid()");
    {
        SqliteQuery q = db.query(R"(DELETE FROM "Removed Maintenance" WHERE rowid = ?)");
        q->bind(1, removedId);
        q->run();
    }
    transaction.commit();
    return id;
}

void VehicleLog::RenameVehicle(const QString& from, const QString& to)
{
    // Blanks around a registration are never part of it, as Add New Vehicle has it.
    const QString target = to.trimmed();
    if (target.isEmpty())
        throw StoreError(StoreError::Blank,
                         QStringLiteral("A registration of blanks alone is no registration.") +
                             NothingChanged);
    SqliteDatabase& db = database();
    ++writes_;
    SqliteTransaction transaction(db);
    const auto vehicle = RowForms::findVehicle(db, from);
    if (!vehicle)
        throw StoreError(StoreError::NotFound,
                         QStringLiteral("No vehicle is stored under %1.").arg(from) +
                             NothingChanged);
    if (!StoredValues::SameRegistration(vehicle->Registration, target) &&
        RowForms::findVehicle(db, target))
        throw StoreError(StoreError::AlreadyExists,
                         QStringLiteral("%1 already exists.").arg(target) + NothingChanged);
    moveRows(db, vehicle->Registration, target, true);
    transaction.commit();
}

void VehicleLog::MergeVehicle(const QString& from, const QString& into)
{
    SqliteDatabase& db = database();
    ++writes_;
    SqliteTransaction transaction(db);
    const auto source = RowForms::findVehicle(db, from);
    const auto target = RowForms::findVehicle(db, into);
    for (const auto* found : {&source, &target})
        if (!*found)
            throw StoreError(StoreError::NotFound, QStringLiteral("No vehicle is stored under %1.")
                                                           .arg(found == &source ? from : into) +
                                                       NothingChanged);
    if (StoredValues::SameRegistration(source->Registration, target->Registration))
        return; // one vehicle: nothing to merge
    if (const auto conflict = LogRules::FirstMergeConflict(chronological(db, source->Registration),
                                                           chronological(db, target->Registration)))
        throw StoreError(StoreError::OutOfOrder,
                         QStringLiteral("The records of %1 cannot be merged into %2: the reading "
                                        "of %3 (%4) is higher than the reading of %5 (%6) dated "
                                        "after it.")
                                 .arg(source->Registration, target->Registration,
                                      LogRuleWords::ReadingText(conflict->earlier),
                                      conflict->earlier.Registration,
                                      LogRuleWords::ReadingText(conflict->later),
                                      conflict->later.Registration) +
                             NothingChanged);

    // The merged vehicle's details row goes; its details fill the fields that `into` left
    // empty (no make, model or fuel, no capacity, dates not given). Where both vehicles have a
    // value, `into` keeps its own.
    VehicleRow merged = *target;
    const auto fill = [](QString& mine, const QString& theirs) {
        if (mine.isEmpty())
            mine = theirs;
    };
    fill(merged.Make, source->Make);
    fill(merged.Model, source->Model);
    fill(merged.Fuel, source->Fuel);
    if (merged.EngineCapacity == 0)
        merged.EngineCapacity = source->EngineCapacity;
    const auto fillDate = [](QDateTime& mine, const QDateTime& theirs) {
        if (!mine.isValid() || IsNoDate(mine))
            mine = theirs;
    };
    fillDate(merged.RegistrationDate, source->RegistrationDate);
    fillDate(merged.PurchaseDate, source->PurchaseDate);
    const StoredVehicle values = stored(merged);
    {
        SqliteQuery q = db.query(R"(UPDATE "Vehicle Details" SET "Make" = ?, "Model" = ?,
            "Fuel" = ?, "Engine Capacity" = ?, "Registration Date" = ?, "Purchase Date" = ?
            WHERE "Registration" = ?)");
        q->bind(1, values.make);
        q->bind(2, values.model);
        q->bind(3, values.fuel);
        q->bind(4, values.capacity);
        q->bind(5, values.registrationDate);
        q->bind(6, values.purchaseDate);
        q->bind(7, target->Registration);
        q->run();
    }
    moveRows(db, source->Registration, target->Registration, false);
    {
        SqliteQuery q = db.query(R"(DELETE FROM "Vehicle Details" WHERE "Registration" = ?)");
        q->bind(1, source->Registration);
        q->run();
    }
    transaction.commit();
}
