#include "EntryChecks.h"
#include "LogRuleWords.h"
#include "LogRules.h"
#include "RowForms.h"
#include "Schema.h"
#include "SqliteDatabase.h"
#include "StoredValues.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <algorithm>
#include <tuple>

// Mending the log: entries with their ids, edits, late additions, removals, putting back, and
// renaming or merging vehicles. Each write is one transaction that checks the log's rules again.

using namespace RowForms;

namespace {

const char kMileageEntries[] = R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", "Fill", rowid FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date", "Current Mileage", rowid)";
const char kMaintenanceEntries[] = R"(SELECT "Registration", "Date", "Cost", "Description",
    "Category", rowid FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date", rowid)";
const char kMileageById[] = R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", "Fill" FROM "Mileage" WHERE rowid = ?)";
const char kMaintenanceById[] = R"(SELECT "Registration", "Date", "Cost", "Description",
    "Category" FROM "Maintenance" WHERE rowid = ?)";
const char kInsertMileageAt[] = R"(INSERT INTO "Mileage" ("Date", "Registration",
    "Current Mileage", "Amount", "Price Per", "Fill", rowid) VALUES (?, ?, ?, ?, ?, ?, ?))";
const char kInsertMaintenanceAt[] = R"(INSERT INTO "Maintenance" ("Date", "Registration",
    "Cost", "Description", "Category", rowid) VALUES (?, ?, ?, ?, ?, ?))";

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
    if (EntryChecks::AmongOthers(bounds, row.mileage))
        throw StoreError(StoreError::OutOfOrder, refusal + LogRuleWords::BoundsPhrase(bounds) +
                                                     QLatin1Char('.') + NothingChanged);
}

// The entry checks of the History window's maintenance editor; a forgotten receipt may carry
// any past date, so no other entry bounds it.
void requireMaintenance(const MaintenanceRow& row)
{
    requireAccepted(
        EntryChecks::Maintenance(EntryChecks::MaintenanceOf(row), std::nullopt, std::nullopt),
        QLatin1Char('.') + NothingChanged);
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
        R"(UPDATE "Removed Vehicle Details" SET "Registration" = ? WHERE "Registration" = ?)",
        R"(UPDATE "Reminders" SET "Registration" = ? WHERE "Registration" = ?)",
        R"(UPDATE "Vehicle Details" SET "Registration" = ? WHERE "Registration" = ?)"};
    const int count = withDetails ? 7 : 6;
    for (int i = 0; i < count; ++i) {
        SqliteQuery q = db.query(updates[i]);
        q->bind(1, to);
        q->bind(2, from);
        q->run();
    }
}

bool given(const QString& value)
{
    return !value.isEmpty();
}
bool given(double capacity)
{
    return capacity != 0;
}
bool given(const QDateTime& date)
{
    return date.isValid() && !IsNoDate(date);
}

// Merging `from` into `into`: `from`'s details fill the ones `into` has not given; where both
// have one and they differ, `into` keeps its own and `from`'s is kept aside (named here).
struct DetailsMerge
{
    VehicleRow merged;
    QStringList keptAside;
};

DetailsMerge mergeDetails(const VehicleRow& from, const VehicleRow& into)
{
    DetailsMerge result{into, {}};
    const auto take = [&result](auto& mine, const auto& theirs, const char* column) {
        if (!given(theirs))
            return;
        if (!given(mine))
            mine = theirs;
        else if (!(mine == theirs))
            result.keptAside << QLatin1String(column);
    };
    VehicleRow& m = result.merged;
    take(m.Make, from.Make, "Make");
    take(m.Model, from.Model, "Model");
    take(m.Fuel, from.Fuel, "Fuel");
    take(m.EngineCapacity, from.EngineCapacity, "Engine Capacity");
    take(m.RegistrationDate, from.RegistrationDate, "Registration Date");
    take(m.PurchaseDate, from.PurchaseDate, "Purchase Date");
    return result;
}

qint64 countOf(SqliteDatabase& db, const char* sql, const QString& registration)
{
    SqliteQuery q = db.query(sql);
    q->bind(1, registration);
    return q->step() ? q->integer(0) : 0;
}

// The dates of a vehicle's first and last reading: two ends of the index.
std::pair<QDateTime, QDateTime> readingSpan(SqliteDatabase& db, const QString& registration)
{
    SqliteQuery q = db.query(R"(SELECT min("Date"), max("Date") FROM "Mileage"
        WHERE "Registration" = ?)");
    q->bind(1, registration);
    if (!q->step() || q->utf8(0).isEmpty())
        return {};
    return {StoredValues::ParseDate(q->utf8(0)), StoredValues::ParseDate(q->utf8(1))};
}

// Both vehicles of a merge, or StoreError::NotFound naming the missing one.
std::pair<VehicleRow, VehicleRow> mergedPair(SqliteDatabase& db, const QString& from,
                                             const QString& into)
{
    const auto source = RowForms::findVehicle(db, from);
    const auto target = RowForms::findVehicle(db, into);
    for (const auto* found : {&source, &target})
        if (!*found)
            throw StoreError(StoreError::NotFound, QStringLiteral("No vehicle is stored under %1.")
                                                           .arg(found == &source ? from : into) +
                                                       NothingChanged);
    return {*source, *target};
}

} // namespace

QVector<MileageEntry> VehicleLog::MileageEntries(const QString& registration)
{
    SqliteQuery q = database().query(kMileageEntries);
    q->bind(1, registration);
    QVector<MileageEntry> rows;
    MileageListReader reader;
    while (q->step())
        rows.append(MileageEntry{q->integer(6), reader.read(q)});
    return rows;
}

QVector<MaintenanceEntry> VehicleLog::MaintenanceEntries(const QString& registration)
{
    SqliteQuery q = database().query(kMaintenanceEntries);
    q->bind(1, registration);
    QVector<MaintenanceEntry> rows;
    while (q->step())
        rows.append(MaintenanceEntry{q->integer(5), readMaintenance(q)});
    return rows;
}

QVector<RemovedEntry> VehicleLog::RemovedEntries(const QString& registration)
{
    SqliteQuery q = database().query(R"(
        SELECT 0, rowid, "Registration", "Date", "Current Mileage", "Amount", "Price Per", 0.0,
            '', "Removed At", "Reason", "Fill", '' FROM "Removed Mileage"
            WHERE "Registration" = ?1
        UNION ALL
        SELECT 1, rowid, "Registration", "Date", 0.0, 0.0, 0.0, "Cost", "Description",
            "Removed At", "Reason", 0, "Category" FROM "Removed Maintenance"
            WHERE "Registration" = ?1
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
            SetFill(e.reading, q->integer(11));
        } else {
            e.kind = RemovedEntry::Kind::Maintenance;
            e.maintenance = MaintenanceRow{reg, date, q->real(7), q->text(8), q->text(12)};
        }
        e.RemovedAt = StoredValues::ParseDate(q->utf8(9));
        e.Reason = q->text(10);
        rows.append(e);
    }
    // A store of an older version, read as it is, keeps no merged details.
    if (!Schema::HasMergedDetails(database()))
        return rows;
    const qsizetype entries = rows.size();
    SqliteQuery d = database().query(R"(SELECT "Former Registration", "Make", "Model", "Fuel",
        "Engine Capacity", "Registration Date", "Purchase Date", rowid, "Removed At", "Reason"
        FROM "Removed Vehicle Details" WHERE "Registration" = ? ORDER BY "Removed At", rowid)");
    d->bind(1, registration);
    while (d->step()) {
        RemovedEntry e;
        e.kind = RemovedEntry::Kind::Details;
        e.details = VehicleRow{d->text(0),
                               d->text(1),
                               d->text(2),
                               d->text(3),
                               d->real(4),
                               StoredValues::ParseDate(d->utf8(5)),
                               StoredValues::ParseDate(d->utf8(6))};
        e.id = d->integer(7);
        e.RemovedAt = StoredValues::ParseDate(d->utf8(8));
        e.Reason = d->text(9);
        rows.append(e);
    }
    // Both runs are in removal order: one linear merge keeps it.
    std::inplace_merge(
        rows.begin(), rows.begin() + entries, rows.end(),
        [](const RemovedEntry& a, const RemovedEntry& b) { return a.RemovedAt < b.RemovedAt; });
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
    q->bind(7, id);
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
    requireMaintenance(newRow);
    values.registration = old->Registration;
    moveMaintenanceToRemoved(db, id, stamp, RemovalReason::ReplacedByEdit);
    SqliteQuery q = db.query(kInsertMaintenanceAt);
    bind(q, values);
    q->bind(6, id);
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
    requireMaintenance(row);
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
    requireAccepted(
        EntryChecks::ReadingRemoval(row->Registration, readingsHeld(db, row->Registration)),
        QString());
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

namespace {

// A removed entry as Put Back needs it: its row's columns 0-4, why it left, and the rowid of
// the entry that replaced it, when that is known (0 otherwise).
struct RemovedRow
{
    QString reason;
    qint64 replacedBy = 0;
};

StoreError replacementUnknown(const char* what)
{
    return StoreError(StoreError::ReplacementUnknown,
                      QStringLiteral("That %1 was replaced by an edit, and the entry that "
                                     "replaced it is not known.")
                              .arg(QLatin1String(what)) +
                          NothingChanged);
}

// The rowid of the live entry that replaced `removed`, if it is known and still in the log.
qint64 liveReplacement(SqliteDatabase& db, const char* byId, const RemovedRow& removed,
                       const QString& registration)
{
    if (removed.reason != RemovalReason::ReplacedByEdit || removed.replacedBy <= 0)
        return 0;
    SqliteQuery q = db.query(byId);
    q->bind(1, removed.replacedBy);
    return q->step() && StoredValues::SameRegistration(q->text(0), registration)
               ? removed.replacedBy
               : 0;
}

void deleteRemoved(SqliteDatabase& db, const char* sql, qint64 removedId)
{
    SqliteQuery q = db.query(sql);
    q->bind(1, removedId);
    q->run();
}

} // namespace

qint64 VehicleLog::PutBackMileage(qint64 removedId, const QDateTime& removedAt,
                                  UnknownReplacement unknown)
{
    SqliteDatabase& db = database();
    const QString stamp = StoredValues::MomentText(removedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    std::optional<MileageRow> row;
    RemovedRow removed;
    {
        SqliteQuery q = db.query(R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
            "Price Per", "Fill", "Reason", ifnull("Replaced By", 0) FROM "Removed Mileage"
            WHERE rowid = ?)");
        q->bind(1, removedId);
        if (q->step()) {
            row = readMileage(q);
            removed = RemovedRow{q->text(6), q->integer(7)};
        }
    }
    if (!row)
        throw notFound("removed reading");
    const StoredMileage values = stored(*row);
    const qint64 replacement = liveReplacement(db, kMileageById, removed, values.registration);
    if (!replacement && removed.reason == RemovalReason::ReplacedByEdit &&
        unknown == UnknownReplacement::Refuse)
        throw replacementUnknown("reading");
    // Swapped back, it is checked without the replacement it pushes out.
    requireFit(db, values.registration, values, replacement ? replacement : -1,
               QStringLiteral("The reading of %1 cannot be put back: it must ")
                   .arg(LogRuleWords::ReadingText(*row)));
    qint64 id = replacement;
    if (replacement) {
        moveMileageToRemoved(db, replacement, stamp, RemovalReason::ReplacedByEdit);
        SqliteQuery q = db.query(kInsertMileageAt);
        bind(q, values);
        q->bind(7, replacement);
        q->run();
    } else {
        SqliteQuery q = db.query(kInsertMileage);
        bind(q, values);
        q->run();
        id = db.integer("SELECT last_insert_rowid()");
    }
    deleteRemoved(db, R"(DELETE FROM "Removed Mileage" WHERE rowid = ?)", removedId);
    transaction.commit();
    return id;
}

qint64 VehicleLog::PutBackMaintenance(qint64 removedId, const QDateTime& removedAt,
                                      UnknownReplacement unknown)
{
    SqliteDatabase& db = database();
    const QString stamp = StoredValues::MomentText(removedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    std::optional<MaintenanceRow> row;
    RemovedRow removed;
    {
        SqliteQuery q = db.query(R"(SELECT "Registration", "Date", "Cost", "Description",
            "Category", "Reason", ifnull("Replaced By", 0) FROM "Removed Maintenance"
            WHERE rowid = ?)");
        q->bind(1, removedId);
        if (q->step()) {
            row = readMaintenance(q);
            removed = RemovedRow{q->text(5), q->integer(6)};
        }
    }
    if (!row)
        throw notFound("removed maintenance entry");
    const StoredMaintenance values = stored(*row);
    const qint64 replacement = liveReplacement(db, kMaintenanceById, removed, values.registration);
    if (!replacement && removed.reason == RemovalReason::ReplacedByEdit &&
        unknown == UnknownReplacement::Refuse)
        throw replacementUnknown("maintenance entry");
    qint64 id = replacement;
    if (replacement) {
        moveMaintenanceToRemoved(db, replacement, stamp, RemovalReason::ReplacedByEdit);
        SqliteQuery q = db.query(kInsertMaintenanceAt);
        bind(q, values);
        q->bind(6, replacement);
        q->run();
    } else {
        SqliteQuery q = db.query(kInsertMaintenance);
        bind(q, values);
        q->run();
        id = db.integer("SELECT last_insert_rowid()");
    }
    deleteRemoved(db, R"(DELETE FROM "Removed Maintenance" WHERE rowid = ?)", removedId);
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

MergePreview VehicleLog::PreviewMerge(const QString& from, const QString& into)
{
    SqliteDatabase& db = database();
    const auto [source, target] = mergedPair(db, from, into);
    MergePreview preview;
    preview.readings = countOf(db, R"(SELECT count(*) FROM "Mileage" WHERE "Registration" = ?)",
                               source.Registration);
    preview.maintenance = countOf(
        db, R"(SELECT count(*) FROM "Maintenance" WHERE "Registration" = ?)", source.Registration);
    preview.removed =
        countOf(db, R"(SELECT count(*) FROM "Removed Mileage" WHERE "Registration" = ?)",
                source.Registration) +
        countOf(db, R"(SELECT count(*) FROM "Removed Maintenance" WHERE "Registration" = ?)",
                source.Registration) +
        countOf(db, R"(SELECT count(*) FROM "Removed Vehicle Details" WHERE "Registration" = ?)",
                source.Registration);
    preview.keptAside = mergeDetails(source, target).keptAside;
    std::tie(preview.fromFirst, preview.fromLast) = readingSpan(db, source.Registration);
    std::tie(preview.intoFirst, preview.intoLast) = readingSpan(db, target.Registration);
    return preview;
}

void VehicleLog::MergeVehicle(const QString& from, const QString& into, const QDateTime& mergedAt)
{
    SqliteDatabase& db = database();
    const QString stamp = StoredValues::MomentText(mergedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    const auto [source, target] = mergedPair(db, from, into);
    if (StoredValues::SameRegistration(source.Registration, target.Registration))
        return; // one vehicle: nothing to merge
    if (const auto conflict = LogRules::FirstMergeConflict(chronological(db, source.Registration),
                                                           chronological(db, target.Registration)))
        throw StoreError(StoreError::OutOfOrder,
                         QStringLiteral("The records of %1 cannot be merged into %2: the reading "
                                        "of %3 (%4) is higher than the reading of %5 (%6) dated "
                                        "after it.")
                                 .arg(source.Registration, target.Registration,
                                      LogRuleWords::ReadingText(conflict->earlier),
                                      conflict->earlier.Registration,
                                      LogRuleWords::ReadingText(conflict->later),
                                      conflict->later.Registration) +
                             NothingChanged);

    const StoredVehicle values = stored(mergeDetails(source, target).merged);
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
        q->bind(7, target.Registration);
        q->run();
    }
    moveRows(db, source.Registration, target.Registration, false);
    // The merged vehicle's details row, whole, with the registration it had: nothing is lost.
    {
        SqliteQuery q = db.query(R"(INSERT INTO "Removed Vehicle Details" ("Registration",
            "Former Registration", "Make", "Model", "Fuel", "Engine Capacity",
            "Registration Date", "Purchase Date", "Removed At", "Reason")
            SELECT ?, "Registration", "Make", "Model", "Fuel", "Engine Capacity",
                "Registration Date", "Purchase Date", ?, ?
            FROM "Vehicle Details" WHERE "Registration" = ?)");
        q->bind(1, target.Registration);
        q->bind(2, stamp);
        q->bind(3, RemovalReason::Merged);
        q->bind(4, source.Registration);
        q->run();
    }
    {
        SqliteQuery q = db.query(R"(DELETE FROM "Vehicle Details" WHERE "Registration" = ?)");
        q->bind(1, source.Registration);
        q->run();
    }
    transaction.commit();
}
