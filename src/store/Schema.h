#pragma once

#include <QString>
#include <QStringList>

class SqliteDatabase;

// The store's tables and their versions (PRAGMA user_version), and the upgrades between them.
namespace Schema {

constexpr int Version = 3;

// Creates every table of the current version in an empty database.
void Create(SqliteDatabase& db);
// Makes sure db holds a vehicle log this program can write: a store of an older version is
// upgraded in one transaction, a newer one is refused untouched (StoreError::TooNew), a file
// without the log's tables is refused. The write lock is taken once, so that a store that cannot
// be written is refused at once rather than after the user has typed a whole entry.
void PrepareForWriting(SqliteDatabase& db, const QString& path);
// The tables a store of the given version should hold and does not.
QStringList MissingTables(SqliteDatabase& db, qint64 version);
// The Removed tables present in a store of the given version that lack their "Reason" column.
QStringList MissingColumns(SqliteDatabase& db, qint64 version);
bool HasLogTables(SqliteDatabase& db);

} // namespace Schema
