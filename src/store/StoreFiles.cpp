#include "AtomicFile.h"
#include "FileSafety.h"
#include "LogRules.h"
#include "Schema.h"
#include "SqliteDatabase.h"
#include "StoreLock.h"
#include "StoredValues.h"
#include "VehicleLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <sqlite3.h>

// The operations on the store's file as a whole: creating it, checking it, backing it up and
// restoring it.

namespace {

constexpr int kCorrupt = 11;
constexpr int kNotADatabase = 26;

QString plainNumber(double value)
{
    return QLocale().toString(value, 'g', 12);
}

QString plainDate(const QDateTime& value)
{
    return QLocale().toString(value.date(), QLocale::ShortFormat);
}

// The log's problems, one plain sentence each; the checks of Check() and Restore().
QStringList problemsOf(SqliteDatabase& db)
{
    QStringList problems;
    {
        SqliteQuery q = db.query("PRAGMA integrity_check");
        int faults = 0;
        while (q->step())
            if (q->text(0) != QLatin1String("ok"))
                ++faults;
        if (faults > 0)
            problems << QStringLiteral("The file is damaged: its inner structure has %1 fault(s).")
                            .arg(faults);
    }
    const qint64 version = db.integer("PRAGMA user_version");
    if (version > VehicleLog::SchemaVersion)
        problems << QStringLiteral("The vehicle log was written by a newer version of Kelmot "
                                   "(version %1 of the log; this Kelmot knows up to version %2).")
                        .arg(version)
                        .arg(VehicleLog::SchemaVersion);
    else if (version < 1)
        problems << QStringLiteral("The file carries no vehicle log version.");
    for (const QString& name : Schema::MissingTables(db, version))
        problems << QStringLiteral("The table \"%1\" is missing.").arg(name);
    for (const auto& [table, column] : Schema::MissingColumns(db, version))
        problems << QStringLiteral("The table \"%1\" has no column \"%2\".").arg(table, column);
    if (!Schema::HasLogTables(db))
        return problems;

    {
        SqliteQuery q = db.query(R"(SELECT "Registration" FROM "Vehicle Details" AS v
            WHERE NOT EXISTS (SELECT 1 FROM "Mileage" AS m WHERE m."Registration" = v."Registration")
            ORDER BY "Registration", rowid)");
        while (q->step())
            problems << QStringLiteral("The vehicle %1 has no mileage reading.").arg(q->text(0));
    }
    {
        // In the order MileageChronological gives, a reading lower than the one before it.
        SqliteQuery q = db.query(R"(SELECT "Registration", "Date", "Current Mileage" FROM "Mileage"
            ORDER BY "Registration", "Date", "Current Mileage", rowid)");
        QByteArray previous;
        bool first = true;
        double previousMileage = 0;
        while (q->step()) {
            const QByteArrayView registration = q->utf8(0);
            const double mileage = q->real(2);
            if (!first && StoredValues::SameRegistration(registration, previous) &&
                LogRules::GoesDown(previousMileage, mileage))
                problems << QStringLiteral("The vehicle %1 has a reading of %2 on %3, lower than "
                                           "the reading of %4 before it.")
                                .arg(q->text(0), plainNumber(mileage),
                                     plainDate(StoredValues::ParseDate(q->utf8(1))),
                                     plainNumber(previousMileage));
            if (first || !StoredValues::SameRegistration(registration, previous))
                previous = registration.toByteArray();
            first = false;
            previousMileage = mileage;
        }
    }
    return problems;
}

// Copies the whole of `from` into the connection `to` through the online backup API: one step,
// so the copy is one consistent state even while another connection writes.
void copyDatabase(SqliteDatabase& from, SqliteDatabase& to)
{
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup)
        to.fail(sqlite3_extended_errcode(to.handle()), StoreAction::Write);
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        throw SqliteFailure(stepped, StoreAction::Write,
                            QString::fromUtf8(sqlite3_errstr(stepped)));
    if (finished != SQLITE_OK)
        to.fail(finished, StoreAction::Write);
}

bool integrityOk(SqliteDatabase& db)
{
    SqliteQuery q = db.query("PRAGMA integrity_check");
    return q->step() && q->text(0) == QLatin1String("ok") && !q->step();
}

// A backup in WAL mode with no -wal file beside it holds all of itself: it is read as a file
// nothing changes, so that reading it leaves no -wal or -shm file beside it.
SqliteDatabase::Mode sourceMode(const QString& source)
{
    QFile file(source);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(20) : QByteArray();
    const bool wal =
        head.size() == 20 && head.startsWith("SQLite format 3") && head[18] == 2 && head[19] == 2;
    return wal && !QFileInfo::exists(source + QStringLiteral("-wal"))
               ? SqliteDatabase::Mode::Unchanging
               : SqliteDatabase::Mode::ReadOnly;
}

// Removes a partial copy and whatever journal SQLite left beside it.
void removeCopy(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool inUse(const StoreError& e)
{
    return e.code() == 5 || e.code() == 6;
}

// Why a copy could not be written, in words that fit "... could not be written: <why>".
QString whyNotWritten(const StoreError& e)
{
    switch (e.code()) {
    case 13:
        return QStringLiteral("the disk is full");
    case 3:
    case 8:
    case 14:
    case 23:
        return QStringLiteral("the folder is read-only or the file cannot be made there");
    case 10:
        return QStringLiteral("a disk or network fault stopped it");
    default:
        return QStringLiteral("the copy failed");
    }
}

// Writes a consistent copy of `from` into the temporary file `copyPath`, then lets the hook at
// it, closed, so that what is checked afterwards is what is on the disk.
void writeCopy(SqliteDatabase& from, const QString& copyPath, StoreCopy kind,
               const StoreCopyHook& afterCopy)
{
    {
        SqliteDatabase copy(copyPath, SqliteDatabase::Mode::ReadWrite,
                            VehicleLog::DefaultBusyTimeoutMs);
        copyDatabase(from, copy);
        // The copy takes the source's header, WAL mode included: every copy keeps the rollback
        // journal, so it leaves no -wal or -shm file behind, nor makes a restored store WAL.
        copy.execute("PRAGMA journal_mode=DELETE");
    }
    if (afterCopy)
        afterCopy(kind, copyPath);
}

// A fresh connection on the finished copy: its integrity, and the log's own rules when asked.
QStringList problemsOfCopy(const QString& copyPath, bool logRules)
{
    try {
        SqliteDatabase copy(copyPath, SqliteDatabase::Mode::ReadOnly,
                            VehicleLog::DefaultBusyTimeoutMs);
        if (logRules)
            return problemsOf(copy);
        if (!integrityOk(copy))
            return {QStringLiteral("The file is damaged.")};
        return {};
    } catch (const StoreError& e) {
        return {e.text()};
    }
}

// A store SQLite cannot read as a database is kept byte for byte: it is all there is of it.
void copyRawFile(const QString& from, const QString& to)
{
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw StoreError(StoreError::CantOpen, QStringLiteral("The file could not be copied."));
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() && in.error() != QFileDevice::NoError)
            throw StoreError(10, QStringLiteral("The file could not be read."));
        if (out.write(block) != block.size())
            throw StoreError(out.error() == QFileDevice::ResourceError ? 13 : 10,
                             QStringLiteral("The copy could not be written."));
    }
    if (!out.flush())
        throw StoreError(13, QStringLiteral("The copy could not be written."));
}

// "<store>.before-restore-YYYYMMDD-HHMMSS", with -2, -3 ... when that name is taken.
QString renameToSafetyName(const QString& copyPath, const QString& realStore, const QDateTime& now,
                           const QString& untouched)
{
    const QString base = realStore + QStringLiteral(".before-restore-") +
                         now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        if (FileSafety::RenameWithoutReplacing(copyPath, name))
            return name;
        if (!QFileInfo::exists(name) && !FileSafety::IsLink(name))
            break; // the name is free: the rename itself failed
    }
    throw StoreError(StoreError::CantOpen,
                     QStringLiteral("The safety copy of the vehicle log could not be put at %1. %2")
                         .arg(shown(base), untouched));
}

QString untouchedWords(const QString& realStore, const QString& shownSource)
{
    return QStringLiteral("Nothing was changed: the vehicle log %1 and %2 are as they were.")
        .arg(shown(realStore), shownSource);
}

StoreError safetyCopyNotWritten(const StoreError& e, const QString& untouched)
{
    return StoreError(e.code(),
                      QStringLiteral("The safety copy of the vehicle log could not be written: "
                                     "%1. %2")
                          .arg(whyNotWritten(e), untouched),
                      e.detail());
}

QByteArray hashOfFile(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}

// Keeps the store, byte for byte, as the safety copy of a restore and returns its path. It is
// read through the restoring connection's own file while that holds the store's exclusive lock:
// no other writer can slip in between this copy and the restore, and a second handle on the
// store would drop that lock on POSIX systems when closed.
QString keepSafetyCopyUnderLock(SqliteDatabase& store, const QString& realStore,
                                FileSafety::TempArea& temps, const RestoreOptions& options,
                                const QString& shownSource)
{
    const QString untouched = untouchedWords(realStore, shownSource);
    const QString copyPath = temps.newFile();
    try {
        sqlite3_file* file = nullptr;
        if (sqlite3_file_control(store.handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) !=
                SQLITE_OK ||
            !file || !file->pMethods)
            throw StoreError(10, QStringLiteral("The vehicle log could not be read."));
        sqlite3_int64 size = 0;
        if (const int rc = file->pMethods->xFileSize(file, &size); rc != SQLITE_OK)
            throw SqliteFailure(rc, StoreAction::Read);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        QSaveFile out(copyPath);
        if (!out.open(QIODevice::WriteOnly))
            throw StoreError(StoreError::CantOpen, out.errorString());
        QByteArray block;
        for (sqlite3_int64 offset = 0; offset < size; offset += block.size()) {
            block.resize(int(std::min<sqlite3_int64>(size - offset, 1 << 20)));
            if (const int rc = file->pMethods->xRead(file, block.data(), int(block.size()), offset);
                rc != SQLITE_OK)
                throw SqliteFailure(rc, StoreAction::Read);
            hash.addData(block);
            if (out.write(block) != block.size())
                break;
        }
        // QSaveFile writes the copy to the disk before it takes the temporary's name.
        if (out.error() != QFileDevice::NoError || !out.commit())
            throw safetyCopyNotWritten(
                StoreError(out.error() == QFileDevice::ResourceError ? 13 : 10, out.errorString()),
                untouched);
        if (options.afterCopy)
            options.afterCopy(StoreCopy::SafetyCopy, copyPath);
        // The same bytes read back: a damaged store is kept as it is, a sound one stays sound.
        if (hashOfFile(copyPath) != hash.result())
            throw StoreError(kCorrupt,
                             QStringLiteral("The safety copy of the vehicle log did not read back "
                                            "sound. %1")
                                 .arg(untouched));
        FileSafety::CopyPermissions(realStore, copyPath);
        return renameToSafetyName(copyPath, realStore, options.now, untouched);
    } catch (const StoreError& e) {
        FileSafety::TempArea::remove(copyPath);
        if (e.text().contains(untouched))
            throw;
        throw safetyCopyNotWritten(e, untouched);
    } catch (...) {
        FileSafety::TempArea::remove(copyPath);
        throw;
    }
}

// A store SQLite cannot read as a database: kept byte for byte, then replaced by the checked
// copy. No program can be writing into it.
QString replaceUnreadableStore(const QString& copyPath, const QString& realStore,
                               FileSafety::TempArea& temps, const RestoreOptions& options,
                               const QString& shownSource, const StoreError& why)
{
    const QString untouched = untouchedWords(realStore, shownSource);
    // A journal beside it cannot be rolled back, and must never be left to be played into the
    // restored store.
    const QString journal = realStore + QStringLiteral("-journal");
    if (QFileInfo::exists(journal))
        throw StoreError(why.code(),
                         QStringLiteral("The vehicle log %1 is damaged and has an unfinished write "
                                        "beside it (%2). Move both files elsewhere, then "
                                        "restore. %3")
                             .arg(shown(realStore), shown(journal), untouched));
    const QString kept = temps.newFile();
    QString safetyCopy;
    try {
        try {
            copyRawFile(realStore, kept);
        } catch (const StoreError& raw) {
            throw safetyCopyNotWritten(raw, untouched);
        }
        if (options.afterCopy)
            options.afterCopy(StoreCopy::SafetyCopy, kept);
        FileSafety::CopyPermissions(realStore, kept);
        safetyCopy = renameToSafetyName(kept, realStore, options.now, untouched);
    } catch (...) {
        FileSafety::TempArea::remove(kept);
        throw;
    }
    FileSafety::CopyPermissions(realStore, copyPath);
    QString reason;
    if (!FileSafety::RenameReplacing(copyPath, realStore, &reason))
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("The restored copy could not replace the vehicle log; the "
                                        "vehicle log %1 is as it was, and a safety copy of it is "
                                        "at %2.")
                             .arg(shown(realStore), shown(safetyCopy)),
                         reason);
    return safetyCopy;
}

// Writes the checked copy's pages into the store file itself, through SQLite's backup API on a
// connection that holds the store's exclusive lock from before the safety copy is read until
// the restore commits. Every other writer, in this process or another, waits for that lock or
// gives up having stored nothing; one that a crash stopped half way is rolled back first, so no
// journal of another writer outlives the restore, and every writer keeps writing into the
// store that is there.
QString restoreInPlace(const QString& copyPath, const QString& realStore,
                       FileSafety::TempArea& temps, const RestoreOptions& options,
                       const QString& shownSource)
{
    const QString untouched = untouchedWords(realStore, shownSource);
    const int wait = options.busyTimeoutMs;
    SqliteDatabase restored(copyPath, SqliteDatabase::Mode::ReadOnly, wait);
    std::unique_ptr<SqliteDatabase> store;
    sqlite3_backup* backup = nullptr;
    const auto failed = [&](const StoreError& e, const QString& safetyCopy) {
        if (inUse(e))
            return StoreError(e.code(),
                              QStringLiteral("The vehicle log %1 is in use by another program; "
                                             "try again in a moment. %2")
                                  .arg(shown(realStore), untouched));
        if (safetyCopy.isEmpty())
            return StoreError(e.code(),
                              QStringLiteral("The vehicle log %1 could not be restored: %2. %3")
                                  .arg(shown(realStore), whyNotWritten(e), untouched),
                              e.detail());
        return StoreError(e.code(),
                          QStringLiteral("The vehicle log %1 could not be restored: %2. It is as "
                                         "it was, and a safety copy of it is at %3.")
                              .arg(shown(realStore), whyNotWritten(e), shown(safetyCopy)),
                          e.detail());
    };
    try {
        store = std::make_unique<SqliteDatabase>(realStore, SqliteDatabase::Mode::ReadWrite, wait);
        store->execute("PRAGMA synchronous=FULL");
        // A store left in WAL mode goes back to the rollback journal every writer expects.
        store->execute("PRAGMA journal_mode=DELETE");
        backup = sqlite3_backup_init(store->handle(), "main", restored.handle(), "main");
        if (!backup)
            store->fail(sqlite3_extended_errcode(store->handle()), StoreAction::Write);
        // No page yet: this only takes the store's exclusive lock, waiting for other writers.
        if (const int rc = sqlite3_backup_step(backup, 0); rc != SQLITE_OK)
            throw SqliteFailure(rc, StoreAction::Write);
    } catch (const StoreError& e) {
        if (backup)
            sqlite3_backup_finish(backup);
        store.reset();
        if (e.code() == kCorrupt || e.code() == kNotADatabase)
            return replaceUnreadableStore(copyPath, realStore, temps, options, shownSource, e);
        throw failed(e, QString());
    }
    QString safetyCopy;
    try {
        safetyCopy = keepSafetyCopyUnderLock(*store, realStore, temps, options, shownSource);
    } catch (...) {
        sqlite3_backup_finish(backup);
        throw;
    }
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE || finished != SQLITE_OK)
        throw failed(SqliteFailure(stepped != SQLITE_DONE ? stepped : finished, StoreAction::Write),
                     safetyCopy);
    return safetyCopy;
}

} // namespace

void VehicleLog::Create(const QString& path)
{
    if (QFileInfo::exists(path))
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("A file is already at %1; it was left as it is.")
                             .arg(QDir::toNativeSeparators(path)));
    try {
        SqliteDatabase db(path, SqliteDatabase::Mode::Create, DefaultBusyTimeoutMs);
        db.execute("PRAGMA journal_mode=DELETE");
        SqliteTransaction transaction(db);
        Schema::Create(db);
        transaction.commit();
    } catch (const StoreError&) {
        removeCopy(path);
        throw;
    }
}

QStringList VehicleLog::Check()
{
    return problemsOf(database());
}

namespace {

// Why a backup may not go to `destination`, in plain words naming it.
[[noreturn]] void refuseBackup(AtomicFile::Verdict verdict, const QString& destination)
{
    using AtomicFile::Verdict;
    const QString shownDestination = shown(destination);
    switch (verdict) {
    case Verdict::Link:
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("%1 is a link, and a backup is never written through a "
                                        "link: choose another name. No backup was written.")
                             .arg(shownDestination));
    case Verdict::StoreFile:
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("%1 is the vehicle log itself; a backup never replaces "
                                        "it. Choose another file; no backup was written.")
                             .arg(shownDestination));
    case Verdict::StoreSideName:
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("%1 is a name Kelmot keeps for the vehicle log's own "
                                        "files (its journal, lock and temporary copies); a backup "
                                        "never goes there. Choose another file; no backup was "
                                        "written.")
                             .arg(shownDestination));
    case Verdict::NotOwn:
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("%1 belongs to another user or has a second name, so it "
                                        "is not replaced; no backup was written.")
                             .arg(shownDestination));
    case Verdict::ReadOnly:
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("%1 is read-only, so it is not replaced; no backup was "
                                        "written.")
                             .arg(shownDestination));
    default:
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("A file is already at %1; no backup was written.")
                             .arg(shownDestination));
    }
}

} // namespace

void VehicleLog::BackupTo(const QString& destination, const StoreCopyHook& afterCopy,
                          ExistingFile existing)
{
    SqliteDatabase& db = database();
    const QString shownDestination = shown(destination);
    AtomicFile::Rules rules;
    rules.replaceExisting = existing == ExistingFile::Replace;
    rules.content = AtomicFile::Content::Database;
    rules.storePath = path_;
    if (const auto verdict = AtomicFile::Judge(destination, rules); !AtomicFile::MayWrite(verdict))
        refuseBackup(verdict, destination);
    const QFileInfo target(destination);
    if (!target.absoluteDir().exists())
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("The folder of %1 is not there; no backup was written.")
                             .arg(shownDestination));
    FileSafety::TempArea temps(target.absolutePath(), QFileInfo(path_).fileName(),
                               10 * DefaultBusyTimeoutMs);
    temps.removeLeftovers();
    const QString partial = temps.newFile();
    try {
        try {
            writeCopy(db, partial, StoreCopy::Backup, afterCopy);
        } catch (const StoreError& e) {
            if (inUse(e))
                throw StoreError(e.code(),
                                 QStringLiteral("The vehicle log is in use by another program; "
                                                "try again in a moment. No backup was written."),
                                 e.detail());
            throw StoreError(e.code(),
                             QStringLiteral("The backup %1 could not be written: %2. The vehicle "
                                            "log is untouched; no backup was written.")
                                 .arg(shownDestination, whyNotWritten(e)),
                             e.detail());
        }
        if (!problemsOfCopy(partial, false).isEmpty())
            throw StoreError(kCorrupt, QStringLiteral("The backup copy did not read back "
                                                      "sound; no backup was written."));
        FileSafety::CopyPermissions(path_, partial);
        // Judged again: whatever appeared at the destination meanwhile is never replaced
        // against the rules.
        const AtomicFile::Outcome placed = AtomicFile::Commit(partial, destination, rules);
        if (!AtomicFile::MayWrite(placed.verdict))
            refuseBackup(placed.verdict, destination);
        if (!placed.done)
            throw StoreError(StoreError::CantOpen,
                             QStringLiteral("The backup could not be put at %1; no backup was "
                                            "written.")
                                 .arg(shownDestination));
    } catch (...) {
        removeCopy(partial);
        throw;
    }
}

QString VehicleLog::Restore(const QString& source, const QString& storePath,
                            const RestoreOptions& options)
{
    const QString shownSource = shown(source);
    if (!QFileInfo(source).isFile())
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("There is no file at %1 to restore from; nothing was "
                                        "changed.")
                             .arg(shownSource));
    // A linked store is restored where it really is; the link stays as it was.
    const QString realStore = StoreLock::RealStorePath(storePath);
    const QString untouched =
        QStringLiteral("the vehicle log %1 is as it was").arg(shown(realStore));

    // Taken first: a second restore of this store waits here, and is told so, rather than
    // taking the running one for Kelmot.
    std::unique_ptr<FileSafety::TempArea> area;
    try {
        area = std::make_unique<FileSafety::TempArea>(QFileInfo(realStore).absolutePath(),
                                                      QFileInfo(realStore).fileName(),
                                                      10 * options.busyTimeoutMs);
    } catch (const StoreError& e) {
        if (e.code() != StoreError::Busy)
            throw StoreError(e.code(), e.text() + QStringLiteral(" Nothing was changed."),
                             e.detail());
        throw StoreError(e.code(),
                         QStringLiteral("Another restore or backup is writing in the folder of "
                                        "the vehicle log %1; try again when it has finished. "
                                        "Nothing was changed.")
                             .arg(shown(realStore)));
    }
    FileSafety::TempArea& temps = *area;
    std::unique_ptr<StoreLock> ownLock;
    if (!options.heldLock || !options.heldLock->holdsStore(storePath)) {
        ownLock = std::make_unique<StoreLock>(storePath);
        if (!ownLock->tryAcquire(0)) {
            if (ownLock->heldByAnother())
                throw StoreError(StoreError::Busy,
                                 QStringLiteral("Close Kelmot first: it has the vehicle log %1 "
                                                "open, and restoring now would change the log "
                                                "under it. Nothing was changed.")
                                     .arg(shown(storePath)));
            if (FileSafety::NoRoomIn(QFileInfo(realStore).absolutePath()))
                throw StoreError(13, QStringLiteral("The vehicle log %1 cannot be restored: the "
                                                    "disk that holds it is full. Nothing was "
                                                    "changed.")
                                         .arg(shown(realStore)));
            throw StoreError(StoreError::CantOpen,
                             QStringLiteral("The vehicle log %1 cannot be restored: its folder is "
                                            "read-only. Nothing was changed.")
                                 .arg(shown(realStore)));
        }
    }
    temps.removeLeftovers();

    std::unique_ptr<SqliteDatabase> from;
    QStringList problems;
    bool noVehicle = false;
    try {
        from = std::make_unique<SqliteDatabase>(source, sourceMode(source), options.busyTimeoutMs);
        problems = problemsOf(*from);
        noVehicle = problems.isEmpty() &&
                    from->integer(R"(SELECT NOT EXISTS (SELECT 1 FROM "Vehicle Details"))") != 0;
    } catch (const StoreError& e) {
        throw StoreError(e.code(),
                         QStringLiteral("%1 cannot be restored: %2 Nothing was changed.")
                             .arg(shownSource, e.text()),
                         e.detail());
    }
    if (!problems.isEmpty()) {
        const bool newer = from->integer("PRAGMA user_version") > SchemaVersion;
        throw StoreError(newer ? StoreError::TooNew : kCorrupt,
                         QStringLiteral("%1 is not a sound vehicle log, so nothing was "
                                        "changed. %2")
                             .arg(shownSource, problems.join(QLatin1Char(' '))));
    }
    if (noVehicle)
        throw StoreError(StoreError::NotFound,
                         QStringLiteral("%1 holds no vehicle, so restoring it would leave an "
                                        "empty log. Nothing was changed.")
                             .arg(shownSource));

    const QString copyPath = temps.newFile();
    try {
        try {
            writeCopy(*from, copyPath, StoreCopy::RestoredCopy, options.afterCopy);
        } catch (const StoreError& e) {
            throw StoreError(e.code(),
                             QStringLiteral("The copy of %1 could not be written beside the "
                                            "vehicle log: %2. Nothing was changed: %3.")
                                 .arg(shownSource, whyNotWritten(e), untouched),
                             e.detail());
        }
        from.reset();
        if (!problemsOfCopy(copyPath, true).isEmpty())
            throw StoreError(kCorrupt, QStringLiteral("The copy of %1 did not read back "
                                                      "sound; nothing was changed: %2.")
                                           .arg(shownSource, untouched));

        QString safetyCopy;
        if (QFileInfo::exists(realStore)) {
            safetyCopy = restoreInPlace(copyPath, realStore, temps, options, shownSource);
        } else if (!FileSafety::RenameWithoutReplacing(copyPath, realStore)) {
            throw StoreError(StoreError::CantOpen,
                             QStringLiteral("The restored copy could not be put at %1; nothing "
                                            "was changed.")
                                 .arg(shown(realStore)));
        }
        removeCopy(copyPath);
        return safetyCopy;
    } catch (...) {
        removeCopy(copyPath);
        throw;
    }
}
