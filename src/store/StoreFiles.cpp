#include "LogRules.h"
#include "Schema.h"
#include "SqliteDatabase.h"
#include "StoredValues.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>

// The operations on the store's file as a whole: creating it, checking it, backing it up and
// restoring it.

namespace {

constexpr int kCorrupt = 11;

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
    for (const QString& name : Schema::MissingColumns(db, version))
        problems << QStringLiteral("The table \"%1\" has no column \"Reason\".").arg(name);
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

// An empty file beside `target`, with a name of its own, for a copy that is renamed into place.
QString freshFileBeside(const QString& target, const char* purpose)
{
    QTemporaryFile file(target + QLatin1Char('.') + QLatin1String(purpose) +
                        QStringLiteral("-XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open())
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("No file can be written in the folder of %1.")
                             .arg(QDir::toNativeSeparators(target)),
                         file.errorString());
    return file.fileName();
}

// Removes a partial copy and whatever journal SQLite left beside it.
void removeCopy(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
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

void VehicleLog::BackupTo(const QString& destination)
{
    SqliteDatabase& db = database();
    const QString shown = QDir::toNativeSeparators(destination);
    if (QFileInfo::exists(destination))
        throw StoreError(
            StoreError::CantOpen,
            QStringLiteral("A file is already at %1; no backup was written.").arg(shown));
    const QString partial = freshFileBeside(destination, "partial");
    try {
        {
            SqliteDatabase copy(partial, SqliteDatabase::Mode::ReadWrite, DefaultBusyTimeoutMs);
            copyDatabase(db, copy);
            if (!integrityOk(copy))
                throw StoreError(kCorrupt, QStringLiteral("The backup copy did not read back "
                                                          "sound; no backup was written."));
        }
        // Never replaces a file that appeared meanwhile.
        if (!QFile::rename(partial, destination))
            throw StoreError(StoreError::CantOpen,
                             QStringLiteral("The backup could not be put at %1; no backup was "
                                            "written.")
                                 .arg(shown));
    } catch (...) {
        removeCopy(partial);
        throw;
    }
}

void VehicleLog::Restore(const QString& source, const QString& storePath)
{
    const QString shownSource = QDir::toNativeSeparators(source);
    if (!QFileInfo(source).isFile())
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("There is no file at %1 to restore from; nothing was "
                                        "changed.")
                             .arg(shownSource));
    const QString copyPath = freshFileBeside(storePath, "restore");
    try {
        SqliteDatabase from(source, SqliteDatabase::Mode::ReadOnly, DefaultBusyTimeoutMs);
        QStringList problems;
        try {
            problems = problemsOf(from);
        } catch (const StoreError& e) {
            throw StoreError(e.code(),
                             QStringLiteral("%1 cannot be restored: %2 Nothing was changed.")
                                 .arg(shownSource, e.text()),
                             e.detail());
        }
        if (!problems.isEmpty()) {
            const bool newer = from.integer("PRAGMA user_version") > SchemaVersion;
            throw StoreError(newer ? StoreError::TooNew : kCorrupt,
                             QStringLiteral("%1 is not a sound vehicle log, so nothing was "
                                            "changed. %2")
                                 .arg(shownSource, problems.join(QLatin1Char(' '))));
        }
        {
            SqliteDatabase copy(copyPath, SqliteDatabase::Mode::ReadWrite, DefaultBusyTimeoutMs);
            copyDatabase(from, copy);
            if (!integrityOk(copy))
                throw StoreError(kCorrupt, QStringLiteral("The copy of %1 did not read back "
                                                          "sound; nothing was changed.")
                                               .arg(shownSource));
        }
        namespace fs = std::filesystem;
        const fs::path store = fs::path(QFileInfo(storePath).absoluteFilePath().toStdU16String());
        const fs::path kept =
            fs::path((QFileInfo(storePath).absoluteFilePath() + QStringLiteral(".before-restore"))
                         .toStdU16String());
        std::error_code error;
        if (fs::exists(store, error)) {
            fs::copy_file(store, kept, fs::copy_options::overwrite_existing, error);
            if (error)
                throw StoreError(StoreError::CantOpen,
                                 QStringLiteral("The current vehicle log could not be kept "
                                                "beside it; nothing was changed."),
                                 QString::fromStdString(error.message()));
            // A journal left by a crash belongs to the old file: it must not be played into
            // the restored one.
            const fs::path journal = fs::path(store).concat(u"-journal");
            if (fs::exists(journal, error))
                fs::rename(journal, fs::path(kept).concat(u"-journal"), error);
        }
        fs::rename(fs::path(copyPath.toStdU16String()), store, error);
        if (error)
            throw StoreError(StoreError::CantOpen,
                             QStringLiteral("The restored copy could not replace the vehicle "
                                            "log; nothing was changed."),
                             QString::fromStdString(error.message()));
    } catch (...) {
        removeCopy(copyPath);
        throw;
    }
}
