#pragma once

#include "Schema.h"
#include "StoreError.h"
#include "StoreRows.h"

#include <QDateTime>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class SqliteDatabase;
class MileageCursor;
class MaintenanceCursor;
class VehicleDetailsCursor;
class StoreLock;

// The copies a backup or restore writes, each into a temporary file checked before it is used.
enum class StoreCopy
{
    Backup,
    RestoredCopy, // the backup being restored, before it replaces the store
    SafetyCopy    // the store a restore replaces
};
// Called with each copy's temporary file once written and closed, before it is checked: tests
// damage a copy here to prove that a copy that does not read back sound is never used.
using StoreCopyHook = std::function<void(StoreCopy, const QString& path)>;

struct RestoreOptions
{
    // Names the safety copy: "<store>.before-restore-YYYYMMDD-HHMMSS".
    QDateTime now;
    // The caller's own lock on the store (the main window restores while it holds it); without
    // one the restore takes the lock itself and refuses while Kelmot has the store open.
    const StoreLock* heldLock = nullptr;
    StoreCopyHook afterCopy;
    // How long the restore waits for a writer of the store (VehicleLog::DefaultBusyTimeoutMs),
    // and ten times that for another backup or restore in its folder.
    int busyTimeoutMs = 3000;
};
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

    // Opens an existing store read-write; never creates the file. An older store is upgraded in
    // one transaction; a store of a newer version is refused untouched (StoreError::TooNew).
    static std::unique_ptr<VehicleLog> Open(const QString& path,
                                            int busyTimeoutMs = DefaultBusyTimeoutMs);
    // Opens an existing store for reading only: no write lock, no upgrade, so a read-only file
    // or folder can still be checked, exported and backed up, and an older store is read as it
    // is. A newer store or a file without the log's tables is refused as by Open.
    static std::unique_ptr<VehicleLog> OpenReadOnly(const QString& path,
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

    // One vehicle's entries with their ids: readings in MileageChronological's order,
    // maintenance by date then entry, removed entries of every kind by removal time, readings
    // before maintenance before merged details at the same time.
    QVector<MileageEntry> MileageEntries(const QString& registration);
    QVector<MaintenanceEntry> MaintenanceEntries(const QString& registration);
    QVector<RemovedEntry> RemovedEntries(const QString& registration);

    // Mending the log. Each is one transaction that checks the log's rules again inside it, so
    // that another program writing meanwhile cannot slip a broken log past the dialogs' checks:
    // a reading that would go down in date order is StoreError::OutOfOrder naming its
    // neighbours, a maintenance entry its editor refuses StoreError::Refused in the editor's
    // words, an id that is not stored StoreError::NotFound.
    //
    // The old row moves to its Removed table ("Replaced by an edit") and the new one takes its
    // place and its id. The entry stays with its vehicle: newRow's Registration is not read.
    void ReplaceMileage(qint64 id, const MileageRow& newRow, const QDateTime& removedAt);
    void ReplaceMaintenance(qint64 id, const MaintenanceRow& newRow, const QDateTime& removedAt);
    // A forgotten entry of any date; returns its id.
    qint64 AddMileage(const MileageRow& row);
    qint64 AddMaintenance(const MaintenanceRow& row);
    // Moves the entry to its Removed table ("Removed"). A vehicle's only reading stays
    // (StoreError::OnlyReading).
    void RemoveMileage(qint64 id, const QDateTime& removedAt);
    void RemoveMaintenance(qint64 id, const QDateTime& removedAt);
    // Moves a removed entry back into the log when it still fits; returns its id. An entry
    // replaced by an edit takes the place (and id) of the entry that replaced it, which moves to
    // Removed ("Replaced by an edit", stamped removedAt): the two swap, nothing is doubled.
    // When that replacement is not known (an edit made before the store linked the two, or
    // the replacement has left the log since), `unknown` says whether the entry is refused
    // (StoreError::ReplacementUnknown, nothing changed) or put back beside the others.
    qint64 PutBackMileage(qint64 removedId, const QDateTime& removedAt,
                          UnknownReplacement unknown = UnknownReplacement::Refuse);
    qint64 PutBackMaintenance(qint64 removedId, const QDateTime& removedAt,
                              UnknownReplacement unknown = UnknownReplacement::Refuse);
    // Every row of the vehicle, removed ones included, follows the new registration (trimmed).
    // A registration of blanks is StoreError::Blank; one another vehicle holds is
    // StoreError::AlreadyExists, so that the caller may offer MergeVehicle. A change of letter
    // case alone is a rename.
    void RenameVehicle(const QString& from, const QString& to);
    // Moves every entry of `from` to `into` when the merged readings keep their order, and
    // removes `from`'s details row; otherwise StoreError::OutOfOrder names the first two
    // readings that conflict, and nothing changes. `from`'s details fill those `into` lacks;
    // its whole details row is kept in "Removed Vehicle Details" ("Merged", stamped mergedAt),
    // with those that differ from `into`'s.
    void MergeVehicle(const QString& from, const QString& into, const QDateTime& mergedAt);
    // A vehicle's reminders, in the order they were added. Every value is checked (3421)
    // before anything is written: a title, a known kind, due at a date, a reading or both.
    QVector<ReminderEntry> Reminders(const QString& registration);
    qint64 AddReminder(const ReminderRow& row);
    // The reminder stays with its vehicle: row's Registration is not read.
    void ReplaceReminder(qint64 id, const ReminderRow& row);
    void DeleteReminder(qint64 id);
    // In one transaction: records a maintenance entry (the reminder's title and kind, at date
    // and cost) and moves the next due to date + its months and reading + its distance, or
    // deletes a reminder that does not repeat. Returns the maintenance entry's id.
    qint64 MarkReminderDone(qint64 id, const QDateTime& date, double reading, double cost);

    // What MergeVehicle would move and keep aside; StoreError::NotFound for a missing vehicle.
    MergePreview PreviewMerge(const QString& from, const QString& into);

    // Whether a backup may take the place of a file already at its destination.
    enum class ExistingFile
    {
        Keep,    // refused: the file stays
        Replace, // an ordinary file (an older backup) is replaced, once the copy is checked
    };
    // A consistent copy through SQLite's online backup API, checked on the copy, then put in
    // place in one step by AtomicFile's rules: never through a link, never over the store or its
    // side files, and over an existing file only when asked. Leaves no partial file behind on
    // failure (nor any that an interrupted backup into that folder left).
    void BackupTo(const QString& destination, const StoreCopyHook& afterCopy = {},
                  ExistingFile existing = ExistingFile::Keep);
    // Integrity, schema version and the log's own rules, one plain sentence per problem;
    // empty when the store is sound.
    QStringList Check();
    // With Kelmot closed: replaces the store at storePath (its real file, when storePath is a
    // link) by a sound copy of source that holds a vehicle, written into the store file under
    // its exclusive lock, so that every other writer stores into the restored log or stores
    // nothing. The store it replaces is first kept, under that same lock, as a checked safety
    // copy of its own, never overwritten; its path is returned (empty when there was no store).
    // Any failure changes nothing and says which file is untouched.
    static QString Restore(const QString& source, const QString& storePath,
                           const RestoreOptions& options);

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
    // `checked`: the entry checks of Record Mileage / Record Maintenance run again first, inside
    // the transaction, against the latest entry stored.
    void insertMileage(const MileageRow& row, bool checked = false);
    void insertMaintenance(const MaintenanceRow& row, bool checked = false);
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
    // Writes the row as it is given (a log being seeded or copied).
    void AppendMileage(const MileageRow& row) { log_.insertMileage(row); }
    // Record Mileage's append: refused as the dialog refuses it, the future left aside, when the
    // row does not follow the vehicle's latest reading as stored now (StoreError::OutOfOrder)
    // or its figures are refused (StoreError::Refused); nothing is then written.
    void AppendCheckedMileage(const MileageRow& row) { log_.insertMileage(row, true); }

private:
    VehicleLog& log_;
};

// Append cursor on "Maintenance".
class MaintenanceCursor
{
public:
    explicit MaintenanceCursor(VehicleLog& log) : log_(log) {}
    void AppendMaintenance(const MaintenanceRow& row) { log_.insertMaintenance(row); }
    // Record Maintenance's append, refused as AppendCheckedMileage is.
    void AppendCheckedMaintenance(const MaintenanceRow& row) { log_.insertMaintenance(row, true); }

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
