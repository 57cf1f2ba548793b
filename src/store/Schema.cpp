#include "Schema.h"

#include "SqliteDatabase.h"

#include <QDir>

namespace {

constexpr int kError = 1; // SQLite's generic code, here: a file without the log's tables

const char* const kSchema1 = R"(
    CREATE TABLE "Vehicle Details" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Make" TEXT, "Model" TEXT, "Fuel" TEXT, "Engine Capacity" REAL,
        "Registration Date" TEXT, "Purchase Date" TEXT) STRICT;
    CREATE UNIQUE INDEX "Vehicle Details by Registration" ON "Vehicle Details" ("Registration");
    CREATE TABLE "Mileage" ("Registration" TEXT NOT NULL COLLATE NOCASE, "Date" TEXT NOT NULL,
        "Current Mileage" REAL NOT NULL, "Amount" REAL NOT NULL, "Price Per" REAL NOT NULL) STRICT;
    CREATE INDEX "Mileage by Registration and Date" ON "Mileage"
        ("Registration", "Date", "Current Mileage");
    CREATE TABLE "Maintenance" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Date" TEXT NOT NULL, "Cost" REAL NOT NULL, "Description" TEXT NOT NULL) STRICT;
    CREATE INDEX "Maintenance by Registration and Date" ON "Maintenance" ("Registration", "Date");
)";

// The tables of removed entries, as version 3 has them: version 2 had them without "Reason".
const char* const kRemovedTables = R"(
    CREATE TABLE "Removed Mileage" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Date" TEXT NOT NULL, "Current Mileage" REAL NOT NULL, "Amount" REAL NOT NULL,
        "Price Per" REAL NOT NULL, "Removed At" TEXT NOT NULL,
        "Reason" TEXT NOT NULL CHECK ("Reason" IN ('Removed', 'Replaced by an edit'))) STRICT;
    CREATE INDEX "Removed Mileage by Registration" ON "Removed Mileage" ("Registration");
    CREATE TABLE "Removed Maintenance" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Date" TEXT NOT NULL, "Cost" REAL NOT NULL, "Description" TEXT NOT NULL,
        "Removed At" TEXT NOT NULL,
        "Reason" TEXT NOT NULL CHECK ("Reason" IN ('Removed', 'Replaced by an edit'))) STRICT;
    CREATE INDEX "Removed Maintenance by Registration" ON "Removed Maintenance" ("Registration");
)";

// Version 2 to 3: the removed tables are made anew, so an upgraded store has the same schema as
// a new one; everything removed until now was removed by a Remove Latest command.
const char* const kKeepVersion2Removed = R"(
    ALTER TABLE "Removed Mileage" RENAME TO "Removed Mileage 2";
    ALTER TABLE "Removed Maintenance" RENAME TO "Removed Maintenance 2";
)";
const char* const kFillFromVersion2 = R"(
    INSERT INTO "Removed Mileage" ("Registration", "Date", "Current Mileage", "Amount",
        "Price Per", "Removed At", "Reason")
        SELECT "Registration", "Date", "Current Mileage", "Amount", "Price Per", "Removed At",
            'Removed' FROM "Removed Mileage 2" ORDER BY rowid;
    INSERT INTO "Removed Maintenance" ("Registration", "Date", "Cost", "Description",
        "Removed At", "Reason")
        SELECT "Registration", "Date", "Cost", "Description", "Removed At", 'Removed'
        FROM "Removed Maintenance 2" ORDER BY rowid;
    DROP TABLE "Removed Mileage 2";
    DROP TABLE "Removed Maintenance 2";
)";

const char* const kSetVersion = "PRAGMA user_version = 3";

int tableCount(SqliteDatabase& db, const QStringList& names, QStringList* missing = nullptr)
{
    int found = 0;
    for (const QString& name : names) {
        SqliteQuery q = db.query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
        q->bind(1, name);
        if (q->step())
            ++found;
        else if (missing)
            *missing << name;
    }
    return found;
}

const QStringList& mainTables()
{
    static const QStringList names{QStringLiteral("Vehicle Details"), QStringLiteral("Mileage"),
                                   QStringLiteral("Maintenance")};
    return names;
}

const QStringList& removedTables()
{
    static const QStringList names{QStringLiteral("Removed Mileage"),
                                   QStringLiteral("Removed Maintenance")};
    return names;
}

} // namespace

namespace Schema {

void Create(SqliteDatabase& db)
{
    db.execute(kSchema1);
    db.execute(kRemovedTables);
    db.execute(kSetVersion);
}

void PrepareForWriting(SqliteDatabase& db, const QString& path)
{
    // Reading the schema also tells a foreign file apart from a store.
    const qint64 version = db.integer("PRAGMA user_version");
    if (version > Version)
        throw StoreError(StoreError::TooNew,
                         QStringLiteral("This vehicle log was written by a newer version of "
                                        "Kelmot. It has been left as it is; open it with that "
                                        "version."));
    if (!HasLogTables(db))
        throw StoreError(
            kError,
            QStringLiteral("%1 does not hold a vehicle log.").arg(QDir::toNativeSeparators(path)));
    // An old store is upgraded by the probing write; otherwise it is rolled back.
    SqliteTransaction transaction(db);
    if (version >= 2 && version < 3)
        db.execute(kKeepVersion2Removed);
    if (version < Version)
        db.execute(kRemovedTables);
    if (version >= 2 && version < 3)
        db.execute(kFillFromVersion2);
    db.execute(kSetVersion);
    if (version < Version)
        transaction.commit();
}

QStringList MissingTables(SqliteDatabase& db, qint64 version)
{
    QStringList missing;
    tableCount(db, mainTables(), &missing);
    if (version >= 2)
        tableCount(db, removedTables(), &missing);
    return missing;
}

QStringList MissingColumns(SqliteDatabase& db, qint64 version)
{
    QStringList missing;
    if (version < 3)
        return missing;
    for (const QString& table : removedTables()) {
        SqliteQuery q = db.query("SELECT 1 FROM pragma_table_info(?) WHERE name = 'Reason'");
        q->bind(1, table);
        if (tableCount(db, {table}) == 1 && !q->step())
            missing << table;
    }
    return missing;
}

bool HasLogTables(SqliteDatabase& db)
{
    return tableCount(db, mainTables()) == mainTables().size();
}

} // namespace Schema
