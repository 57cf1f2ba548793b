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

// Version 3 to 4: a replaced entry names the row that replaced it (the entry keeps its rowid
// through an edit), so that Put Back can swap the two; a merged vehicle's details are kept.
const char* const kVersion4 = R"(
    ALTER TABLE "Removed Mileage" ADD COLUMN "Replaced By" INTEGER;
    CREATE INDEX "Removed Mileage by Replacement" ON "Removed Mileage" ("Replaced By");
    ALTER TABLE "Removed Maintenance" ADD COLUMN "Replaced By" INTEGER;
    CREATE INDEX "Removed Maintenance by Replacement" ON "Removed Maintenance" ("Replaced By");
    CREATE TABLE "Removed Vehicle Details" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Former Registration" TEXT NOT NULL, "Make" TEXT, "Model" TEXT, "Fuel" TEXT,
        "Engine Capacity" REAL, "Registration Date" TEXT, "Purchase Date" TEXT,
        "Removed At" TEXT NOT NULL, "Reason" TEXT NOT NULL CHECK ("Reason" IN ('Merged'))) STRICT;
    CREATE INDEX "Removed Vehicle Details by Registration" ON "Removed Vehicle Details"
        ("Registration");
)";

// Version 4 to 5: how each fill-up filled the tank ("Fill": 1 for a partial fill, plus 2 when a
// fill-up before it went unrecorded; 0, a full fill, for every reading until now), the kind of
// each cost ("Other" until now), and reminders.
const char* const kVersion5 = R"(
    ALTER TABLE "Mileage" ADD COLUMN "Fill" INTEGER NOT NULL DEFAULT 0
        CHECK ("Fill" BETWEEN 0 AND 3);
    ALTER TABLE "Removed Mileage" ADD COLUMN "Fill" INTEGER NOT NULL DEFAULT 0
        CHECK ("Fill" BETWEEN 0 AND 3);
    ALTER TABLE "Maintenance" ADD COLUMN "Category" TEXT NOT NULL DEFAULT 'Other'
        CHECK ("Category" IN ('Service', 'Repair', 'Tyres', 'Insurance', 'Tax', 'Parking',
            'Purchase', 'Other'));
    ALTER TABLE "Removed Maintenance" ADD COLUMN "Category" TEXT NOT NULL DEFAULT 'Other'
        CHECK ("Category" IN ('Service', 'Repair', 'Tyres', 'Insurance', 'Tax', 'Parking',
            'Purchase', 'Other'));
    CREATE TABLE "Reminders" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Title" TEXT NOT NULL, "Category" TEXT NOT NULL DEFAULT 'Service'
        CHECK ("Category" IN ('Service', 'Repair', 'Tyres', 'Insurance', 'Tax', 'Parking',
            'Purchase', 'Other')),
        "Due Date" TEXT, "Due Mileage" REAL, "Every Months" INTEGER, "Every Mileage" REAL) STRICT;
    CREATE INDEX "Reminders by Registration" ON "Reminders" ("Registration");
)";

// An older store read as it is (no upgrade, no write) is shown to the queries as the current
// version: views in the connection's own temporary schema, which unqualified names find first.
const char* const kCurrentViewsOfVersion4 = R"(
    CREATE TEMP VIEW "Mileage" AS SELECT rowid AS rowid, *, 0 AS "Fill" FROM main."Mileage";
    CREATE TEMP VIEW "Maintenance" AS
        SELECT rowid AS rowid, *, 'Other' AS "Category" FROM main."Maintenance";
    CREATE TEMP TABLE "Reminders" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Title" TEXT NOT NULL, "Category" TEXT NOT NULL, "Due Date" TEXT, "Due Mileage" REAL,
        "Every Months" INTEGER, "Every Mileage" REAL);
)";
const char* const kCurrentRemovedViewsOfVersion4 = R"(
    CREATE TEMP VIEW "Removed Mileage" AS
        SELECT rowid AS rowid, *, 0 AS "Fill" FROM main."Removed Mileage";
    CREATE TEMP VIEW "Removed Maintenance" AS
        SELECT rowid AS rowid, *, 'Other' AS "Category" FROM main."Removed Maintenance";
)";

const char* const kSetVersion = "PRAGMA user_version = 5";

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
    db.execute(kVersion4);
    db.execute(kVersion5);
    db.execute(kSetVersion);
}

qint64 RequireReadable(SqliteDatabase& db, const QString& path)
{
    // Reading the schema also tells a foreign file apart from a store.
    const qint64 version = db.integer("PRAGMA user_version");
    if (version > Version)
        throw StoreError(StoreError::TooNew,
                         QStringLiteral("This vehicle log was written by a newer version of "
                                        "Kelmot (version %1 of the log; this Kelmot knows up "
                                        "to version %2). It has been left as it is; open it "
                                        "with that version.")
                             .arg(version)
                             .arg(Version));
    if (!HasLogTables(db))
        throw StoreError(
            kError,
            QStringLiteral("%1 does not hold a vehicle log.").arg(QDir::toNativeSeparators(path)));
    return version;
}

void PrepareForWriting(SqliteDatabase& db, const QString& path)
{
    const qint64 version = RequireReadable(db, path);
    // An old store is upgraded by the probing write; otherwise it is rolled back.
    SqliteTransaction transaction(db);
    if (version >= 2 && version < 3)
        db.execute(kKeepVersion2Removed);
    if (version < 3)
        db.execute(kRemovedTables);
    if (version >= 2 && version < 3)
        db.execute(kFillFromVersion2);
    if (version < 4)
        db.execute(kVersion4);
    if (version < 5)
        db.execute(kVersion5);
    db.execute(kSetVersion);
    if (version < Version)
        transaction.commit();
}

void ShowAsCurrent(SqliteDatabase& db, qint64 version)
{
    if (version >= Version)
        return;
    db.execute(kCurrentViewsOfVersion4);
    if (tableCount(db, removedTables()) == removedTables().size())
        db.execute(kCurrentRemovedViewsOfVersion4);
}

QStringList MissingTables(SqliteDatabase& db, qint64 version)
{
    QStringList missing;
    tableCount(db, mainTables(), &missing);
    if (version >= 2)
        tableCount(db, removedTables(), &missing);
    if (version >= 4)
        tableCount(db, {QStringLiteral("Removed Vehicle Details")}, &missing);
    if (version >= 5)
        tableCount(db, {QStringLiteral("Reminders")}, &missing);
    return missing;
}

QVector<std::pair<QString, QString>> MissingColumns(SqliteDatabase& db, qint64 version)
{
    QVector<std::pair<QString, QString>> wanted;
    for (const QString& table : removedTables()) {
        if (version >= 3)
            wanted.append({table, QStringLiteral("Reason")});
        if (version >= 4)
            wanted.append({table, QStringLiteral("Replaced By")});
    }
    if (version >= 5)
        wanted << std::pair{QStringLiteral("Mileage"), QStringLiteral("Fill")}
               << std::pair{QStringLiteral("Removed Mileage"), QStringLiteral("Fill")}
               << std::pair{QStringLiteral("Maintenance"), QStringLiteral("Category")}
               << std::pair{QStringLiteral("Removed Maintenance"), QStringLiteral("Category")};
    QVector<std::pair<QString, QString>> missing;
    for (const auto& [table, column] : wanted) {
        // The store's own tables, not the views an older store is read through.
        SqliteQuery q = db.query("SELECT 1 FROM pragma_table_info(?, 'main') WHERE name = ?");
        q->bind(1, table);
        q->bind(2, column);
        if (tableCount(db, {table}) == 1 && !q->step())
            missing.append({table, column});
    }
    return missing;
}

bool HasMergedDetails(SqliteDatabase& db)
{
    return tableCount(db, {QStringLiteral("Removed Vehicle Details")}) == 1;
}

bool HasLogTables(SqliteDatabase& db)
{
    return tableCount(db, mainTables()) == mainTables().size();
}

} // namespace Schema
