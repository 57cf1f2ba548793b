#include "SqliteDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <sqlite3.h>

namespace {

using Clock = std::chrono::steady_clock;

// Waits for a lock held by another connection, checking every few milliseconds so that a busy
// writer elsewhere cannot starve this one, and gives up once the whole wait passes the limit.
int waitWhileBusy(void* context, int attempt)
{
    auto* wait = static_cast<SqliteDatabase::BusyWait*>(context);
    const auto now = Clock::now();
    if (attempt == 0)
        wait->since = now;
    if (now - wait->since >= std::chrono::milliseconds(wait->limitMs))
        return 0;
    sqlite3_sleep(attempt < 10 ? 1 : 3);
    return 1;
}

QString engineText(sqlite3* db, int resultCode)
{
    QString text = QString::fromUtf8(sqlite3_errstr(resultCode));
    if (db) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        if (message != text)
            text += QStringLiteral(": ") + message;
    }
    return text;
}

// A file SQLite could not make or grow for want of room is a full disk, whatever code it gave.
int withFullDisk(sqlite3* db, int resultCode)
{
#ifdef Q_OS_UNIX
    const int primary = resultCode & 0xff;
    if (db && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR) &&
        sqlite3_system_errno(db) == ENOSPC)
        return SQLITE_FULL;
#endif
    return resultCode;
}

QString plainWords(int resultCode, StoreAction action)
{
    const bool writing = action == StoreAction::Write;
    const QString nothingStored = writing ? QStringLiteral(" Nothing was stored.") : QString();
    switch (resultCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return writing ? QStringLiteral("The vehicle log is in use by another program. Nothing "
                                        "was stored; try again in a moment.")
                       : QStringLiteral("The vehicle log is in use by another program; try again "
                                        "in a moment.");
    case SQLITE_FULL:
        return QStringLiteral("The disk that holds the vehicle log is full.") + nothingStored;
    case SQLITE_READONLY:
        if (resultCode == SQLITE_READONLY_ROLLBACK)
            return QStringLiteral("The vehicle log has an unfinished write, left by a program "
                                  "that stopped in the middle of it; it is rolled back only by a "
                                  "program that may write the file and its folder.") +
                   nothingStored;
        if (resultCode == SQLITE_READONLY_DBMOVED)
            return QStringLiteral("The vehicle log file was moved or deleted while Kelmot had it "
                                  "open.") +
                   nothingStored;
        [[fallthrough]];
    case SQLITE_PERM:
        return QStringLiteral("The vehicle log file cannot be written: the file or its folder is "
                              "read-only.") +
               nothingStored;
    case SQLITE_CANTOPEN:
        return writing ? QStringLiteral("The vehicle log file cannot be written: the file or its "
                                        "folder is read-only. Nothing was stored.")
                       : QStringLiteral("The vehicle log file cannot be opened.");
    case SQLITE_IOERR:
        return QStringLiteral("The vehicle log file could not be read or written because of a "
                              "disk or network fault.") +
               nothingStored;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("The vehicle log file is damaged or is not a vehicle log.") +
               nothingStored;
    case SQLITE_CONSTRAINT:
        return QStringLiteral("The vehicle log already holds a vehicle with that registration.") +
               nothingStored;
    case SQLITE_NOMEM:
        return QStringLiteral("There was not enough memory to finish the work on the vehicle "
                              "log.") +
               nothingStored;
    case SQLITE_MISUSE:
        return QStringLiteral("The vehicle log is closed.") + nothingStored;
    default:
        return QStringLiteral("The vehicle log could not finish the work asked of it.") +
               nothingStored;
    }
}

} // namespace

StoreError SqliteFailure(int resultCode, StoreAction action, const QString& detail)
{
    const int code =
        resultCode == SQLITE_READONLY_ROLLBACK ? StoreError::UnfinishedWrite : resultCode & 0xff;
    return StoreError(code, plainWords(resultCode, action), detail);
}

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql, bool persistent) : db_(db)
{
    const int rc = sqlite3_prepare_v3(db, sql, -1, persistent ? SQLITE_PREPARE_PERSISTENT : 0,
                                      &statement_, nullptr);
    if (rc != SQLITE_OK) {
        const QString detail = engineText(db, rc);
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        throw SqliteFailure(rc, StoreAction::Read, detail);
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

void SqliteStatement::bind(int index, const QString& value)
{
    // Most texts stored are short and ASCII (dates, registrations): converted on the stack.
    char ascii[64];
    if (value.size() <= qsizetype(sizeof ascii)) {
        qsizetype size = 0;
        for (const QChar c : value) {
            if (c.unicode() >= 0x80)
                break;
            ascii[size++] = char(c.unicode());
        }
        if (size == value.size()) {
            sqlite3_bind_text64(statement_, index, ascii, sqlite3_uint64(size), SQLITE_TRANSIENT,
                                SQLITE_UTF8);
            return;
        }
    }
    const QByteArray utf8 = value.toUtf8();
    // An empty text is still text, never NULL.
    sqlite3_bind_text64(statement_, index, utf8.isNull() ? "" : utf8.constData(),
                        sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteStatement::bindKept(int index, QByteArrayView utf8)
{
    // An empty text is still text, never NULL.
    sqlite3_bind_text64(statement_, index, utf8.isNull() ? "" : utf8.data(),
                        sqlite3_uint64(utf8.size()), SQLITE_STATIC, SQLITE_UTF8);
}

void SqliteStatement::bind(int index, double value)
{
    sqlite3_bind_double(statement_, index, value);
}

void SqliteStatement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(statement_, index, value);
}

bool SqliteStatement::step(StoreAction action)
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString detail = engineText(db_, rc);
    const int code = withFullDisk(db_, rc);
    sqlite3_reset(statement_);
    throw SqliteFailure(code, action, detail);
}

void SqliteStatement::run(StoreAction action)
{
    while (step(action)) {
    }
}

void SqliteStatement::reset()
{
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

void SqliteStatement::rewind()
{
    sqlite3_reset(statement_);
}

QString SqliteStatement::text(int column) const
{
    const QByteArrayView bytes = utf8(column);
    return QString::fromUtf8(bytes.data(), bytes.size());
}

QByteArrayView SqliteStatement::utf8(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QByteArrayView(text, sqlite3_column_bytes(statement_, column));
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(statement_, column);
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

SqliteDatabase::SqliteDatabase(const QString& path, Mode mode, int busyTimeoutMs)
    : busyWait_(std::make_unique<BusyWait>())
{
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::Unchanging:
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        break;
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    const QByteArray name =
        mode == Mode::Unchanging
            ? QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() + "?immutable=1"
            : QDir::toNativeSeparators(path).toUtf8();
    const int rc = sqlite3_open_v2(name.constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString detail = engineText(db_, rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw SqliteFailure(rc, StoreAction::Open, detail);
    }
    sqlite3_extended_result_codes(db_, 1);
    // The whole wait for another program is bounded by this one limit.
    busyWait_->limitMs = busyTimeoutMs;
    sqlite3_busy_handler(db_, waitWhileBusy, busyWait_.get());
}

SqliteDatabase::~SqliteDatabase()
{
    cache_.clear(); // statements first: a connection cannot close under them
    sqlite3_close_v2(db_);
}

void SqliteDatabase::fail(int resultCode, StoreAction action) const
{
    throw SqliteFailure(withFullDisk(db_, resultCode), action, engineText(db_, resultCode));
}

void SqliteDatabase::execute(const char* sql, StoreAction action)
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(sqlite3_extended_errcode(db_), action);
}

SqliteQuery SqliteDatabase::query(const char* sql)
{
    auto& slot = cache_[sql];
    if (!slot)
        slot = std::make_unique<SqliteStatement>(db_, sql, true);
    return SqliteQuery(*slot);
}

qint64 SqliteDatabase::integer(const char* sql)
{
    SqliteQuery q = query(sql);
    return q->step() ? q->integer(0) : 0;
}

int SqliteDatabase::changes() const
{
    return sqlite3_changes(db_);
}

bool SqliteDatabase::inTransaction() const
{
    return sqlite3_get_autocommit(db_) == 0;
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& db) : db_(db), nested_(db.inTransaction())
{
    // IMMEDIATE takes the write lock before anything is read, so a second program sharing the
    // file waits in the busy handler instead of being refused to avoid a deadlock.
    db_.execute(nested_ ? "SAVEPOINT nested" : "BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction()
{
    if (!open_ || !db_.inTransaction())
        return;
    if (nested_)
        sqlite3_exec(db_.handle(), "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
    else
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTransaction::commit()
{
    db_.execute(nested_ ? "RELEASE nested" : "COMMIT");
    open_ = false;
}
