#include "VehicleLog.h"

#include "RowForms.h"
#include "Schema.h"
#include "SqliteDatabase.h"
#include "StoredValues.h"

#include <QDir>
#include <QFileInfo>

using namespace RowForms;

namespace {

constexpr int kMisuse = 21; // SQLite's code for use of a closed store
// Ends a refusal of a checked append.
const QString NothingChanged = QStringLiteral(". Nothing was changed.");

template <typename Row, typename Reader>
QVector<Row> rowsOf(SqliteDatabase& db, const char* sql, const QString& registration, Reader read)
{
    SqliteQuery q = db.query(sql);
    q->bind(1, registration);
    QVector<Row> rows;
    while (q->step())
        rows.append(read(q));
    return rows;
}

std::optional<MileageRow> latestMileage(SqliteDatabase& db, const QString& registration)
{
    SqliteQuery q = db.query(kLatestMileage);
    q->bind(1, registration);
    if (!q->step())
        return std::nullopt;
    return readMileage(q);
}

std::optional<MaintenanceRow> latestMaintenance(SqliteDatabase& db, const QString& registration)
{
    SqliteQuery q = db.query(kLatestMaintenance);
    q->bind(1, registration);
    if (!q->step())
        return std::nullopt;
    return readMaintenance(q);
}

} // namespace

VehicleLog::VehicleLog(std::unique_ptr<SqliteDatabase> db, QString path)
    : db_(std::move(db)), path_(std::move(path))
{
}

VehicleLog::~VehicleLog()
{
    Close();
}

std::unique_ptr<VehicleLog> VehicleLog::Open(const QString& path, int busyTimeoutMs)
{
    if (!QFileInfo(path).isFile())
        throw StoreError(
            StoreError::CantOpen,
            QStringLiteral("There is no vehicle log at %1.").arg(QDir::toNativeSeparators(path)));
    auto db =
        std::make_unique<SqliteDatabase>(path, SqliteDatabase::Mode::ReadWrite, busyTimeoutMs);
    // Durable appends on a file that may sit on a shared folder: full sync, rollback journal.
    db->execute("PRAGMA synchronous=FULL", StoreAction::Open);
    Schema::PrepareForWriting(*db, path);
    return std::unique_ptr<VehicleLog>(new VehicleLog(std::move(db), path));
}

std::unique_ptr<VehicleLog> VehicleLog::OpenReadOnly(const QString& path, int busyTimeoutMs)
{
    if (!QFileInfo(path).isFile())
        throw StoreError(
            StoreError::CantOpen,
            QStringLiteral("There is no vehicle log at %1.").arg(QDir::toNativeSeparators(path)));
    const auto open = [&] {
        auto db =
            std::make_unique<SqliteDatabase>(path, SqliteDatabase::Mode::ReadOnly, busyTimeoutMs);
        Schema::ShowAsCurrent(*db, Schema::RequireReadable(*db, path));
        return std::unique_ptr<VehicleLog>(new VehicleLog(std::move(db), path));
    };
    try {
        return open();
    } catch (const StoreError& e) {
        if (e.code() != StoreError::UnfinishedWrite)
            throw;
    }
    // A write left half done by a program that stopped: rolled back as any writer would, under
    // SQLite's own lock, and nothing else written (no upgrade).
    try {
        SqliteDatabase writer(path, SqliteDatabase::Mode::ReadWrite, busyTimeoutMs);
        writer.integer("PRAGMA user_version");
    } catch (const StoreError& e) {
        throw StoreError(StoreError::UnfinishedWrite,
                         QStringLiteral("The vehicle log %1 has an unfinished write, left by a "
                                        "program that stopped in the middle of it (%2), and it "
                                        "cannot be read until that write is rolled back, which "
                                        "needs the right to write the file and its folder.")
                             .arg(QDir::toNativeSeparators(path),
                                  QDir::toNativeSeparators(path + QStringLiteral("-journal"))),
                         e.detail());
    }
    return open();
}

void VehicleLog::Close()
{
    chronologicalCache_.reset();
    db_.reset();
}

SqliteDatabase& VehicleLog::database()
{
    if (!db_)
        throw StoreError(kMisuse, QStringLiteral("The vehicle log is closed."));
    return *db_;
}

VehicleLogWriteLock::VehicleLogWriteLock(VehicleLog& log)
    : transaction_(std::make_unique<SqliteTransaction>(log.database()))
{
}

VehicleLogWriteLock::~VehicleLogWriteLock() = default;

void VehicleLogWriteLock::commit()
{
    transaction_->commit();
}

QStringList VehicleLog::ListRegistrations()
{
    SqliteQuery q = database().query(R"(SELECT "Registration" FROM "Vehicle Details"
        GROUP BY "Registration" ORDER BY "Registration", min(rowid))");
    QStringList result;
    while (q->step())
        result << q->text(0);
    return result;
}

std::optional<VehicleRow> VehicleLog::FindVehicle(const QString& registration)
{
    return RowForms::findVehicle(database(), registration);
}

void VehicleLog::EditVehicle(const QString& registration, const VehicleRow& values)
{
    SqliteDatabase& db = database();
    const StoredVehicle row = stored(values);
    ++writes_;
    SqliteTransaction transaction(db);
    {
        SqliteQuery q = db.query(R"(UPDATE "Vehicle Details" SET "Registration Date" = ?,
            "Purchase Date" = ?, "Engine Capacity" = ?, "Make" = ?, "Model" = ?, "Fuel" = ?
            WHERE rowid = (SELECT rowid FROM "Vehicle Details" WHERE "Registration" = ?
                           ORDER BY rowid LIMIT 1))");
        q->bind(1, row.registrationDate);
        q->bind(2, row.purchaseDate);
        q->bind(3, row.capacity);
        q->bind(4, row.make);
        q->bind(5, row.model);
        q->bind(6, row.fuel);
        q->bind(7, registration);
        q->run();
    }
    if (db.changes() < 1)
        throw StoreError(StoreError::NotFound,
                         QStringLiteral("No vehicle is stored under %1.").arg(registration));
    transaction.commit();
}

QVector<MileageRow> VehicleLog::MileageNewestFirst(const QString& registration)
{
    return rowsOf<MileageRow>(database(), kNewestMileage, registration, readMileage);
}

QVector<MileageRow> VehicleLog::MileageChronological(const QString& registration)
{
    // The main window reads the same vehicle's readings for the statistics and both graphs in
    // one go; the last answer is kept until this or another process writes to the store.
    const auto stamp = ChangeStamp();
    if (chronologicalCache_ && chronologicalCache_->registration == registration &&
        chronologicalCache_->stamp == stamp)
        return chronologicalCache_->rows;

    SqliteQuery q = database().query(kChronological);
    q->bind(1, registration);
    QVector<MileageRow> rows;
    MileageListReader reader;
    while (q->step())
        rows.append(reader.read(q));
    chronologicalCache_ = ReadingsCache{registration, stamp, rows};
    return rows;
}

std::pair<qint64, qint64> VehicleLog::ChangeStamp()
{
    // data_version changes when another connection commits; our own writes are counted here.
    return {database().integer("PRAGMA data_version"), writes_};
}

QVector<MaintenanceRow> VehicleLog::MaintenanceByDate(const QString& registration)
{
    return rowsOf<MaintenanceRow>(database(), kMaintenanceByDate, registration, readMaintenance);
}

QVector<MaintenanceRow> VehicleLog::MaintenanceNewestFirst(const QString& registration)
{
    return rowsOf<MaintenanceRow>(database(), kNewestMaintenance, registration, readMaintenance);
}

std::optional<MileageRow> VehicleLog::LatestMileage(const QString& registration)
{
    return latestMileage(database(), registration);
}

std::optional<MaintenanceRow> VehicleLog::LatestMaintenance(const QString& registration)
{
    return latestMaintenance(database(), registration);
}

std::unique_ptr<MileageCursor> VehicleLog::OpenMileageTable()
{
    database().query(kInsertMileage);
    return std::make_unique<MileageCursor>(*this);
}

std::unique_ptr<MaintenanceCursor> VehicleLog::OpenMaintenanceTable()
{
    database().query(kInsertMaintenance);
    return std::make_unique<MaintenanceCursor>(*this);
}

std::unique_ptr<VehicleDetailsCursor> VehicleLog::OpenVehicleDetailsTable()
{
    database().query(kInsertVehicle);
    return std::make_unique<VehicleDetailsCursor>(*this);
}

void VehicleLog::insertMileage(const MileageRow& row, bool checked)
{
    SqliteDatabase& db = database();
    const StoredMileage values = stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    if (checked) {
        const std::optional<MileageRow> latest = latestMileage(db, values.registration);
        requireAccepted(EntryChecks::NewReading(EntryChecks::ReadingOf(row), std::nullopt,
                                                latest ? &*latest : nullptr),
                        NothingChanged);
    }
    {
        SqliteQuery q = db.query(kInsertMileage);
        bind(q, values);
        q->run();
    }
    transaction.commit();
}

void VehicleLog::insertMaintenance(const MaintenanceRow& row, bool checked)
{
    SqliteDatabase& db = database();
    const StoredMaintenance values = stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    if (checked) {
        const std::optional<MaintenanceRow> latest = latestMaintenance(db, values.registration);
        requireAccepted(
            EntryChecks::Maintenance(EntryChecks::MaintenanceOf(row), std::nullopt,
                                     latest ? std::optional(latest->Date) : std::nullopt),
            NothingChanged);
    }
    {
        SqliteQuery q = db.query(kInsertMaintenance);
        bind(q, values);
        q->run();
    }
    transaction.commit();
}

void VehicleLog::insertVehicle(const VehicleRow& vehicle, const MileageRow& firstReading)
{
    LogBatch batch;
    batch.vehicles << vehicle;
    batch.mileage << firstReading;
    AppendBatch(batch);
}

void VehicleLog::AppendBatch(const LogBatch& batch)
{
    SqliteDatabase& db = database();
    // Check every value before the transaction starts, so a bad value writes nothing. The
    // readings, an import's bulk, are converted one at a time as they are written, so that a
    // large batch is never held twice over.
    QVector<StoredVehicle> vehicles;
    QVector<StoredMaintenance> maintenance;
    for (const auto& row : batch.vehicles)
        vehicles << stored(row);
    for (const auto& row : batch.mileage)
        RowForms::check(row);
    for (const auto& row : batch.maintenance)
        maintenance << stored(row);
    QVector<StoredReminder> reminders;
    for (const auto& row : batch.reminders)
        reminders << stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    // One use of each statement for the whole batch; each row binds every parameter anew.
    {
        SqliteQuery q = db.query(kInsertVehicle);
        for (const auto& row : vehicles) {
            bind(q, row);
            q->run();
            q->rewind();
        }
    }
    {
        RowForms::MileageBinder binder; // outlives the query, which clears what it bound
        SqliteQuery q = db.query(kInsertMileage);
        for (const auto& row : batch.mileage) {
            binder.bind(q, row);
            q->run();
            q->rewind();
        }
    }
    {
        SqliteQuery q = db.query(kInsertMaintenance);
        for (const auto& row : maintenance) {
            bind(q, row);
            q->run();
            q->rewind();
        }
    }
    {
        SqliteQuery q = db.query(kInsertReminder);
        for (const auto& row : reminders) {
            bind(q, row);
            q->run();
            q->rewind();
        }
    }
    transaction.commit();
}

MileageRow VehicleLog::RemoveLatestMileage(const QString& registration, const QDateTime& removedAt)
{
    SqliteDatabase& db = database();
    const QString stamp = StoredValues::MomentText(removedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    MileageRow latest;
    qint64 rowid = 0;
    {
        SqliteQuery q = db.query(kLatestMileage);
        q->bind(1, registration);
        if (!q->step())
            throw StoreError(
                StoreError::NotFound,
                QStringLiteral("There is no mileage reading of %1 to remove.").arg(registration));
        latest = readMileage(q);
        rowid = q->integer(6);
    }
    requireAccepted(EntryChecks::ReadingRemoval(registration, readingsHeld(db, registration)),
                    QString());
    moveMileageToRemoved(db, rowid, stamp, RemovalReason::Removed);
    transaction.commit();
    return latest;
}

MaintenanceRow VehicleLog::RemoveLatestMaintenance(const QString& registration,
                                                   const QDateTime& removedAt)
{
    SqliteDatabase& db = database();
    const QString stamp = StoredValues::MomentText(removedAt, QStringLiteral("Removed At"));
    ++writes_;
    SqliteTransaction transaction(db);
    MaintenanceRow latest;
    qint64 rowid = 0;
    {
        SqliteQuery q = db.query(kLatestMaintenance);
        q->bind(1, registration);
        if (!q->step())
            throw StoreError(
                StoreError::NotFound,
                QStringLiteral("There is no maintenance entry of %1 to remove.").arg(registration));
        latest = readMaintenance(q);
        rowid = q->integer(5);
    }
    moveMaintenanceToRemoved(db, rowid, stamp, RemovalReason::Removed);
    transaction.commit();
    return latest;
}

QVector<RemovedMileageRow> VehicleLog::RemovedMileage()
{
    SqliteQuery q = database().query(R"(SELECT "Registration", "Date", "Current Mileage",
        "Amount", "Price Per", "Fill", "Removed At", "Reason" FROM "Removed Mileage"
        ORDER BY rowid)");
    QVector<RemovedMileageRow> rows;
    while (q->step())
        rows.append(
            RemovedMileageRow{readMileage(q), StoredValues::ParseDate(q->utf8(6)), q->text(7)});
    return rows;
}

QVector<RemovedMaintenanceRow> VehicleLog::RemovedMaintenance()
{
    SqliteQuery q = database().query(R"(SELECT "Registration", "Date", "Cost", "Description",
        "Category", "Removed At", "Reason" FROM "Removed Maintenance" ORDER BY rowid)");
    QVector<RemovedMaintenanceRow> rows;
    while (q->step())
        rows.append(RemovedMaintenanceRow{readMaintenance(q), StoredValues::ParseDate(q->utf8(5)),
                                          q->text(6)});
    return rows;
}
