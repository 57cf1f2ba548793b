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

// What version 2 adds to version 1.
const char* const kSchema2 = R"(
    CREATE TABLE "Removed Mileage" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Date" TEXT NOT NULL, "Current Mileage" REAL NOT NULL, "Amount" REAL NOT NULL,
        "Price Per" REAL NOT NULL, "Removed At" TEXT NOT NULL) STRICT;
    CREATE TABLE "Removed Maintenance" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Date" TEXT NOT NULL, "Cost" REAL NOT NULL, "Description" TEXT NOT NULL,
        "Removed At" TEXT NOT NULL) STRICT;
    PRAGMA user_version = 2;
)";

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
    db.execute(kSchema2);
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
    if (version < Version) {
        db.execute(kSchema2);
        transaction.commit();
    } else {
        db.execute("PRAGMA user_version = 2");
    }
}

QStringList MissingTables(SqliteDatabase& db, qint64 version)
{
    QStringList missing;
    tableCount(db, mainTables(), &missing);
    if (version >= 2)
        tableCount(db, removedTables(), &missing);
    return missing;
}

bool HasLogTables(SqliteDatabase& db)
{
    return tableCount(db, mainTables()) == mainTables().size();
}

} // namespace Schema
