#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <utility>

class SqliteDatabase;

// The store's tables and their versions (PRAGMA user_version), and the upgrades between them.
namespace Schema {

constexpr int Version = 5;

// Creates every table of the current version in an empty database.
void Create(SqliteDatabase& db);
// Refuses a store of a newer version (StoreError::TooNew) and a file without the log's tables;
// returns the store's version.
qint64 RequireReadable(SqliteDatabase& db, const QString& path);
// Makes sure db holds a vehicle log this program can write: a store of an older version is
// upgraded in one transaction, a newer one is refused untouched (StoreError::TooNew), a file
// without the log's tables is refused. The write lock is taken once, so that a store that cannot
// be written is refused at once rather than after the user has typed a whole entry.
void PrepareForWriting(SqliteDatabase& db, const QString& path);
// Lets the queries of the current version read a store of an older version as it is, in this
// connection only; nothing is written to the store.
void ShowAsCurrent(SqliteDatabase& db, qint64 version);
// The tables a store of the given version should hold and does not.
QStringList MissingTables(SqliteDatabase& db, qint64 version);
// The columns (table, column) that the Removed tables present in a store of the given version
// should have and lack.
QVector<std::pair<QString, QString>> MissingColumns(SqliteDatabase& db, qint64 version);
// Whether the store keeps merged vehicles' details (version 4 on; an older store read as it is
// has no such table).
bool HasMergedDetails(SqliteDatabase& db);
bool HasLogTables(SqliteDatabase& db);

} // namespace Schema
