#pragma once

#include "Schema.h"
#include "StoreError.h"
#include "StoreRows.h"

#include <QStringList>
#include <QVector>
#include <memory>
#include <optional>
#include <utility>

class SqliteDatabase;
class MileageCursor;
class MaintenanceCursor;
class VehicleDetailsCursor;
class SqliteTransaction;

// The vehicle log store: one SQLite file holding "Vehicle Details", "Mileage" and "Maintenance",
// and the entries removed from the last two. Every query binds the registration as a parameter,
// and registrations compare without regard to letter case. Every failure is thrown as
// StoreError, in plain words.
class VehicleLog
{
public:
    static constexpr int SchemaVersion = Schema::Version;
    // How long a write waits for another program sharing the file, all told.
    static constexpr int DefaultBusyTimeoutMs = 3000;

    // Opens an existing store read-write; never creates the file. A version-1 store is upgraded
    // in one transaction; a store of a newer version is refused untouched (StoreError::TooNew).
    static std::unique_ptr<VehicleLog> Open(const QString& path,
                                            int busyTimeoutMs = DefaultBusyTimeoutMs);
    // Creates a new, empty store; refuses to touch a file that already exists.
    static void Create(const QString& path);

    ~VehicleLog();
    VehicleLog(const VehicleLog&) = delete;
    VehicleLog& operator=(const VehicleLog&) = delete;

    // Closes the store; every later operation, on it or its cursors, throws.
    void Close();
    bool isOpen() const { return db_ != nullptr; }
    QString path() const { return path_; }

    QStringList ListRegistrations();
    // The vehicle's details row, if there is one.
    std::optional<VehicleRow> FindVehicle(const QString& registration);
    // Replaces the six editable fields of the vehicle's row; Registration never changes.
    void EditVehicle(const QString& registration, const VehicleRow& values);
    QVector<MileageRow> MileageNewestFirst(const QString& registration);
    QVector<MileageRow> MileageChronological(const QString& registration);
    QVector<MaintenanceRow> MaintenanceByDate(const QString& registration);
    QVector<MaintenanceRow> MaintenanceNewestFirst(const QString& registration);
    // The first row of MileageNewestFirst / MaintenanceNewestFirst.
    std::optional<MileageRow> LatestMileage(const QString& registration);
    std::optional<MaintenanceRow> LatestMaintenance(const QString& registration);

    // Writes every row of the batch in one transaction: all stored or none. Every value is
    // checked (3421) before anything is written.
    void AppendBatch(const LogBatch& batch);

    // Moves the latest entry, stamped with removedAt, into "Removed Mileage" / "Removed
    // Maintenance" in one transaction and returns it. A vehicle's only reading is never removed
    // (StoreError::OnlyReading); no entry at all is StoreError::NotFound.
    MileageRow RemoveLatestMileage(const QString& registration, const QDateTime& removedAt);
    MaintenanceRow RemoveLatestMaintenance(const QString& registration, const QDateTime& removedAt);
    // Every vehicle's removed entries, in the order they were removed.
    QVector<RemovedMileageRow> RemovedMileage();
    QVector<RemovedMaintenanceRow> RemovedMaintenance();

    // A consistent copy through SQLite's online backup API, checked on the copy; refuses to
    // overwrite an existing file and leaves no partial file behind on failure.
    void BackupTo(const QString& destination);
    // Integrity, schema version and the log's own rules, one plain sentence per problem;
    // empty when the store is sound.
    QStringList Check();
    // With Kelmot closed: replaces the store at storePath by a sound copy of source, keeping the
    // old store as "<storePath>.before-restore". A source that is not sound changes nothing.
    static void Restore(const QString& source, const QString& storePath);

    // Changes whenever this or another process has written to the store since the last call
    // that returned the same value; lets readers keep what they made from unchanged data.
    std::pair<qint64, qint64> ChangeStamp();

    // The append cursors, opened once at start-up and kept until the store closes.
    std::unique_ptr<MileageCursor> OpenMileageTable();
    std::unique_ptr<MaintenanceCursor> OpenMaintenanceTable();
    std::unique_ptr<VehicleDetailsCursor> OpenVehicleDetailsTable();

private:
    friend class VehicleLogWriteLock;
    friend class MileageCursor;
    friend class MaintenanceCursor;
    friend class VehicleDetailsCursor;

    VehicleLog(std::unique_ptr<SqliteDatabase> db, QString path);
    SqliteDatabase& database();
    void insertMileage(const MileageRow& row);
    void insertMaintenance(const MaintenanceRow& row);
    void insertVehicle(const VehicleRow& vehicle, const MileageRow& firstReading);

    struct ReadingsCache
    {
        QString registration;
        std::pair<qint64, qint64> stamp;
        QVector<MileageRow> rows;
    };

    std::unique_ptr<SqliteDatabase> db_;
    QString path_;
    qint64 writes_ = 0;
    std::optional<ReadingsCache> chronologicalCache_;
};

// Holds the store's write lock from construction: what is read through the log stays true and
// what is written is one transaction until commit(); dropped uncommitted, it is all rolled back.
// Waits for another writer as long as the store's busy timeout.
class VehicleLogWriteLock
{
public:
    explicit VehicleLogWriteLock(VehicleLog& log);
    ~VehicleLogWriteLock();
    VehicleLogWriteLock(const VehicleLogWriteLock&) = delete;
    VehicleLogWriteLock& operator=(const VehicleLogWriteLock&) = delete;
    void commit();

private:
    std::unique_ptr<SqliteTransaction> transaction_;
};

// Append cursor on "Mileage".
class MileageCursor
{
public:
    explicit MileageCursor(VehicleLog& log) : log_(log) {}
    void AppendMileage(const MileageRow& row) { log_.insertMileage(row); }

private:
    VehicleLog& log_;
};

// Append cursor on "Maintenance".
class MaintenanceCursor
{
public:
    explicit MaintenanceCursor(VehicleLog& log) : log_(log) {}
    void AppendMaintenance(const MaintenanceRow& row) { log_.insertMaintenance(row); }

private:
    VehicleLog& log_;
};

// Append cursor on "Vehicle Details". A new vehicle's details row and its first reading
// are written in one transaction: either both are stored or neither.
class VehicleDetailsCursor
{
public:
    explicit VehicleDetailsCursor(VehicleLog& log) : log_(log) {}
    void AppendVehicle(const VehicleRow& vehicle, const MileageRow& firstReading)
    {
        log_.insertVehicle(vehicle, firstReading);
    }

private:
    VehicleLog& log_;
};
