#pragma once

#include "StoreError.h"

#include <QByteArrayView>
#include <QString>
#include <chrono>
#include <map>
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// What the store was doing when SQLite failed; the words the user reads depend on it.
enum class StoreAction
{
    Open,
    Read,
    Write
};

// The one place that turns SQLite's result codes into plain words. The code kept is SQLite's
// primary code; the engine's own text goes to StoreError::detail() only.
StoreError SqliteFailure(int resultCode, StoreAction action, const QString& detail = QString());

// One prepared statement. Owned by a SqliteDatabase's cache or by its user.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* db, const char* sql, bool persistent);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters are numbered from 1, as SQLite numbers them.
    void bind(int index, const QString& value);
    // UTF-8 text that the caller keeps unchanged until the statement has run: not copied.
    void bindKept(int index, QByteArrayView utf8);
    void bind(int index, double value);
    void bind(int index, qint64 value);
    // Runs to the next row: true while there is one.
    bool step(StoreAction action = StoreAction::Read);
    // Runs a statement that yields no row.
    void run(StoreAction action = StoreAction::Write);
    void reset();
    // Ready to run again with every parameter bound anew: what they held is reused, not freed.
    void rewind();

    QString text(int column) const;
    QByteArrayView utf8(int column) const;
    double real(int column) const;
    qint64 integer(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// A use of a statement: reset, bindings cleared, when the use ends however it ends.
class SqliteQuery
{
public:
    explicit SqliteQuery(SqliteStatement& statement) : statement_(&statement) {}
    ~SqliteQuery() { statement_->reset(); }
    SqliteQuery(const SqliteQuery&) = delete;
    SqliteQuery& operator=(const SqliteQuery&) = delete;
    SqliteStatement* operator->() const { return statement_; }

private:
    SqliteStatement* statement_;
};

// One connection, with its prepared statements kept for its whole life.
class SqliteDatabase
{
public:
    enum class Mode
    {
        ReadOnly,
        Unchanging, // read-only, of a file nothing else writes: no lock, no -wal or -shm file
        ReadWrite,
        Create
    };

    SqliteDatabase(const QString& path, Mode mode, int busyTimeoutMs);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Runs SQL text without parameters, one or more statements.
    void execute(const char* sql, StoreAction action = StoreAction::Write);
    // A statement prepared once and kept; each call is a fresh use of it.
    SqliteQuery query(const char* sql);
    // The first column of the first row of a query without parameters.
    qint64 integer(const char* sql);
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;
    bool inTransaction() const;
    sqlite3* handle() const { return db_; }
    [[noreturn]] void fail(int resultCode, StoreAction action) const;

    struct BusyWait
    {
        int limitMs = 0;
        std::chrono::steady_clock::time_point since;
    };

private:
    std::unique_ptr<BusyWait> busyWait_;
    sqlite3* db_ = nullptr;
    std::map<std::string, std::unique_ptr<SqliteStatement>> cache_;
};

// BEGIN IMMEDIATE on construction; rolled back on scope exit unless committed. Inside an open
// transaction it is a savepoint of it, so a batch can be written under a lock already held.
class SqliteTransaction
{
public:
    explicit SqliteTransaction(SqliteDatabase& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteDatabase& db_;
    bool open_ = true;
    bool nested_ = false;
};
