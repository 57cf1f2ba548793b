#include "StoreSummary.h"

#include "Schema.h"
#include "SqliteDatabase.h"
#include "StoreError.h"
#include "StoredValues.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int kNotALog = 26; // SQLite's "not a database", the nearest code

QDateTime newestDate(SqliteDatabase& db, const char* sql)
{
    SqliteQuery q = db.query(sql);
    return q->step() ? StoredValues::ParseDate(q->utf8(0)) : QDateTime();
}

} // namespace

StoreSummary SummarizeStore(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile())
        throw StoreError(StoreError::CantOpen,
                         QStringLiteral("There is no file at %1.").arg(shown));
    qint64 version = 0;
    bool logTables = false;
    StoreSummary summary;
    try {
        SqliteDatabase db(path, SqliteDatabase::Mode::ReadOnly, VehicleLog::DefaultBusyTimeoutMs);
        version = db.integer("PRAGMA user_version");
        logTables = Schema::HasLogTables(db);
        if (logTables && version >= 1 && version <= VehicleLog::SchemaVersion) {
            summary.vehicles = db.integer(R"(SELECT count(*) FROM "Vehicle Details")");
            summary.readings = db.integer(R"(SELECT count(*) FROM "Mileage")");
            summary.maintenanceEntries = db.integer(R"(SELECT count(*) FROM "Maintenance")");
            // Dates are ISO text, so the greatest text is the newest date.
            const QDateTime reading = newestDate(db, R"(SELECT max("Date") FROM "Mileage")");
            const QDateTime maintenance =
                newestDate(db, R"(SELECT max("Date") FROM "Maintenance")");
            summary.newest = !maintenance.isValid() || (reading.isValid() && reading >= maintenance)
                                 ? reading
                                 : maintenance;
        }
    } catch (const StoreError& e) {
        // The engine's words speak of "the vehicle log"; here the file is named instead.
        const bool damaged = e.code() == 11 || e.code() == kNotALog;
        throw StoreError(
            e.code(),
            damaged ? QStringLiteral("%1 is damaged or is not a Kelmot vehicle log.").arg(shown)
                    : QStringLiteral("%1 could not be read: %2").arg(shown, e.text()),
            e.detail());
    }
    if (version > VehicleLog::SchemaVersion)
        throw StoreError(StoreError::TooNew,
                         QStringLiteral("%1 was written by a newer version of Kelmot (version %2 "
                                        "of the log; this Kelmot knows up to version %3).")
                             .arg(shown)
                             .arg(version)
                             .arg(VehicleLog::SchemaVersion));
    if (version < 1 || !logTables)
        throw StoreError(kNotALog, QStringLiteral("%1 is not a Kelmot vehicle log.").arg(shown));
    return summary;
}
