#include "VehicleLog.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QVariant>
#include <cmath>
#include <sqlite3.h>

namespace {

constexpr int kMisuse = 21;   // SQLite's code for use of a closed store
constexpr int kNotFound = 12; // no row to edit
constexpr int kCantOpen = 14; // SQLite's code for a file that cannot be opened
constexpr int kError = 1;     // SQLite's generic code, here: a file without our tables
constexpr int kBusy = 5;
constexpr int kLocked = 6;
constexpr int kBusyRetries = 3;

QAtomicInteger<quint64> connectionCounter;

int codeOf(const QSqlError& error, int fallback = 1)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok && code != 0 ? code : fallback;
}

[[noreturn]] void fail(const QSqlError& error, const QString& what)
{
    throw StoreError(codeOf(error), what + QStringLiteral(": ") + error.text());
}

[[noreturn]] void conversionFailure(const QString& field)
{
    throw StoreError(StoreError::ConversionFailure,
                     QStringLiteral("Data type conversion error in field '%1'.").arg(field));
}

// Stored dates are ISO text: yyyy-MM-dd, or yyyy-MM-ddTHH:mm:ss when a time of day was given.
QString dateText(const QDateTime& value, const QString& field)
{
    if (!value.isValid() || value.date().year() < 100 || value.date().year() > 9999)
        conversionFailure(field);
    const QDate d = value.date();
    QString text = QStringLiteral("%1-%2-%3")
                       .arg(d.year(), 4, 10, QLatin1Char('0'))
                       .arg(d.month(), 2, 10, QLatin1Char('0'))
                       .arg(d.day(), 2, 10, QLatin1Char('0'));
    const QTime t = value.time();
    if (t != QTime(0, 0))
        text += QStringLiteral("T%1:%2:%3")
                    .arg(t.hour(), 2, 10, QLatin1Char('0'))
                    .arg(t.minute(), 2, 10, QLatin1Char('0'))
                    .arg(t.second(), 2, 10, QLatin1Char('0'));
    return text;
}

int digitsAt(const char* s, int at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char c = s[at + i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Hand-rolled because a vehicle may have many thousands of readings to read back.
QDateTime parseStoredDate(const char* s, int size)
{
    if (!s || (size != 10 && size != 19))
        return {};
    const int y = digitsAt(s, 0, 4), mo = digitsAt(s, 5, 2), d = digitsAt(s, 8, 2);
    if (y < 0 || mo < 0 || d < 0 || s[4] != '-' || s[7] != '-')
        return {};
    QTime time(0, 0);
    if (size == 19) {
        const int h = digitsAt(s, 11, 2), mi = digitsAt(s, 14, 2), se = digitsAt(s, 17, 2);
        if (s[10] != 'T' || h < 0 || mi < 0 || se < 0)
            return {};
        time = QTime(h, mi, se);
    }
    return QDateTime(QDate(y, mo, d), time, Qt::UTC);
}

QDateTime parseStoredDate(const QVariant& field)
{
    const QByteArray text = field.toString().toLatin1();
    return parseStoredDate(text.constData(), int(text.size()));
}

double number(double value, const QString& field)
{
    if (!std::isfinite(value))
        conversionFailure(field);
    return value;
}

MileageRow readMileage(const QSqlQuery& q)
{
    MileageRow row;
    row.Registration = q.value(0).toString();
    row.Date = parseStoredDate(q.value(1));
    row.CurrentMileage = q.value(2).toDouble();
    row.Amount = q.value(3).toDouble();
    row.PricePer = q.value(4).toDouble();
    return row;
}

MaintenanceRow readMaintenance(const QSqlQuery& q)
{
    MaintenanceRow row;
    row.Registration = q.value(0).toString();
    row.Date = parseStoredDate(q.value(1));
    row.Cost = q.value(2).toDouble();
    row.Description = q.value(3).toString();
    return row;
}

const char* const kSchema[] = {
    R"(CREATE TABLE "Vehicle Details" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Make" TEXT, "Model" TEXT, "Fuel" TEXT, "Engine Capacity" REAL,
        "Registration Date" TEXT, "Purchase Date" TEXT) STRICT)",
    R"(CREATE UNIQUE INDEX "Vehicle Details by Registration" ON "Vehicle Details" ("Registration"))",
    R"(CREATE TABLE "Mileage" ("Registration" TEXT NOT NULL COLLATE NOCASE, "Date" TEXT NOT NULL,
        "Current Mileage" REAL NOT NULL, "Amount" REAL NOT NULL, "Price Per" REAL NOT NULL) STRICT)",
    R"(CREATE INDEX "Mileage by Registration and Date" ON "Mileage"
        ("Registration", "Date", "Current Mileage"))",
    R"(CREATE TABLE "Maintenance" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Date" TEXT NOT NULL, "Cost" REAL NOT NULL, "Description" TEXT NOT NULL) STRICT)",
    R"(CREATE INDEX "Maintenance by Registration and Date" ON "Maintenance" ("Registration", "Date"))",
};

QString sqliteUri(const QString& path, const char* mode)
{
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setQuery(QStringLiteral("mode=") + QLatin1String(mode));
    return QString::fromUtf8(url.toEncoded());
}

QString newConnectionName()
{
    return QStringLiteral("kelmot-store-%1").arg(connectionCounter.fetchAndAddRelaxed(1));
}

} // namespace

VehicleLog::VehicleLog(QString connectionName, QString path)
    : connection_(std::move(connectionName)), path_(std::move(path))
{
}

VehicleLog::~VehicleLog()
{
    Close();
}

std::unique_ptr<VehicleLog> VehicleLog::Open(const QString& path, int busyTimeoutMs)
{
    if (!QFileInfo(path).isFile())
        throw StoreError(kCantOpen, QStringLiteral("Cannot open the store %1").arg(path));
    std::unique_ptr<VehicleLog> log(new VehicleLog(newConnectionName(), path));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), log->connection_);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        db.setDatabaseName(sqliteUri(path, "rw"));
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(log->connection_);
            throw StoreError(
                codeOf(error, kCantOpen),
                QStringLiteral("Cannot open the store %1: %2").arg(path, error.text()));
        }
    }
    log->open_ = true;
    // Durable appends on a file that may sit on a shared folder: full sync, rollback journal.
    log->execute(QStringLiteral("PRAGMA synchronous=FULL"));
    // Reading the schema also tells a foreign file apart from a store.
    QSqlQuery check(log->database());
    check.setForwardOnly(true);
    if (!check.exec(QStringLiteral("PRAGMA user_version")) || !check.next())
        fail(check.lastError(), QStringLiteral("Cannot read the store %1").arg(path));
    const int version = check.value(0).toInt();
    check.finish();
    if (!check.exec(QStringLiteral(R"(SELECT count(*) FROM sqlite_master WHERE type = 'table'
            AND name IN ('Vehicle Details', 'Mileage', 'Maintenance'))")) ||
        !check.next())
        fail(check.lastError(), QStringLiteral("Cannot read the store %1").arg(path));
    const int tables = check.value(0).toInt();
    check.finish();
    if (tables != 3)
        throw StoreError(kError,
                         QStringLiteral("%1 does not hold the vehicle log's tables.").arg(path));
    // A store that cannot take a write (read-only file or folder, held by another program) is
    // refused now rather than after the user has typed a whole entry. The write is rolled back.
    log->retryWhileBusy(QStringLiteral("BEGIN IMMEDIATE"));
    const bool writable = check.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
    const QSqlError error = check.lastError();
    check.finish();
    log->execute(QStringLiteral("ROLLBACK"));
    if (!writable)
        fail(error, QStringLiteral("Cannot write to the store %1").arg(path));
    return log;
}

void VehicleLog::Create(const QString& path)
{
    if (QFileInfo::exists(path))
        throw StoreError(kCantOpen, QStringLiteral("%1 already exists").arg(path));
    const QString name = newConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(sqliteUri(path, "rwc"));
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
            throw StoreError(codeOf(error, kCantOpen), error.text());
        }
        QSqlQuery q(db);
        bool ok = q.exec(QStringLiteral("PRAGMA journal_mode=DELETE")) && db.transaction();
        for (const char* statement : kSchema)
            ok = ok && q.exec(QString::fromUtf8(statement));
        ok = ok && q.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion)) &&
             db.commit();
        const QSqlError error = q.lastError().isValid() ? q.lastError() : db.lastError();
        q = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        if (!ok) {
            QFile::remove(path);
            throw StoreError(codeOf(error), error.text());
        }
    }
}

void VehicleLog::Close()
{
    if (!open_)
        return;
    open_ = false;
    for (auto* slot : {&list_, &find_, &edit_, &newestMileage_, &chronological_,
                       &maintenanceByDate_, &newestMaintenance_, &insertMileage_,
                       &insertMaintenance_, &insertVehicle_, &dataVersion_})
        slot->reset();
    chronologicalCache_.reset();
    // SQLite cannot close a connection that still has a statement of its own.
    if (chronologicalStatement_) {
        sqlite3_finalize(chronologicalStatement_);
        chronologicalStatement_ = nullptr;
    }
    {
        QSqlDatabase db = database();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

QSqlDatabase VehicleLog::database() const
{
    return QSqlDatabase::database(connection_, false);
}

void VehicleLog::requireOpen() const
{
    if (!open_)
        throw StoreError(kMisuse, QStringLiteral("The vehicle log is closed."));
}

void VehicleLog::execute(const QString& sql)
{
    requireOpen();
    QSqlQuery q(database());
    if (!q.exec(sql))
        fail(q.lastError(), sql);
}

QSqlQuery& VehicleLog::prepared(std::unique_ptr<QSqlQuery>& slot, const char* sql)
{
    requireOpen();
    if (!slot) {
        auto query = std::make_unique<QSqlQuery>(database());
        query->setForwardOnly(true);
        if (!query->prepare(QString::fromUtf8(sql)))
            fail(query->lastError(), QStringLiteral("Cannot prepare a query of the store"));
        slot = std::move(query);
    }
    return *slot;
}

void VehicleLog::run(QSqlQuery& query)
{
    if (!query.exec()) {
        const QSqlError error = query.lastError();
        query.finish();
        fail(error, QStringLiteral("A query of the store failed"));
    }
}

QStringList VehicleLog::ListRegistrations()
{
    QSqlQuery& q = prepared(list_, R"(SELECT "Registration" FROM "Vehicle Details"
        GROUP BY "Registration" ORDER BY "Registration", min(rowid))");
    run(q);
    QStringList result;
    while (q.next())
        result << q.value(0).toString();
    q.finish();
    return result;
}

std::optional<VehicleRow> VehicleLog::FindVehicle(const QString& registration)
{
    QSqlQuery& q = prepared(find_, R"(SELECT "Registration", "Make", "Model", "Fuel",
        "Engine Capacity", "Registration Date", "Purchase Date" FROM "Vehicle Details"
        WHERE "Registration" = ? ORDER BY rowid LIMIT 1)");
    q.bindValue(0, registration);
    run(q);
    std::optional<VehicleRow> result;
    if (q.next()) {
        VehicleRow row;
        row.Registration = q.value(0).toString();
        row.Make = q.value(1).toString();
        row.Model = q.value(2).toString();
        row.Fuel = q.value(3).toString();
        row.EngineCapacity = q.value(4).toDouble();
        row.RegistrationDate = parseStoredDate(q.value(5));
        row.PurchaseDate = parseStoredDate(q.value(6));
        result = row;
    }
    q.finish();
    return result;
}

void VehicleLog::EditVehicle(const QString& registration, const VehicleRow& values)
{
    QSqlQuery& q = prepared(edit_, R"(UPDATE "Vehicle Details" SET "Registration Date" = ?,
        "Purchase Date" = ?, "Engine Capacity" = ?, "Make" = ?, "Model" = ?, "Fuel" = ?
        WHERE rowid = (SELECT rowid FROM "Vehicle Details" WHERE "Registration" = ?
                       ORDER BY rowid LIMIT 1))");
    q.bindValue(0, dateText(values.RegistrationDate, QStringLiteral("Registration Date")));
    q.bindValue(1, dateText(values.PurchaseDate, QStringLiteral("Purchase Date")));
    q.bindValue(2, number(values.EngineCapacity, QStringLiteral("Engine Capacity")));
    q.bindValue(3, values.Make);
    q.bindValue(4, values.Model);
    q.bindValue(5, values.Fuel);
    q.bindValue(6, registration);
    int changed = 0;
    writeTransaction([&] {
        run(q);
        changed = q.numRowsAffected();
        q.finish();
    });
    if (changed < 1)
        throw StoreError(kNotFound,
                         QStringLiteral("No vehicle is stored under %1.").arg(registration));
}

// One vehicle's rows of a prepared query whose only parameter is the registration.
template <typename Row, typename Reader>
QVector<Row> VehicleLog::selectRows(QSqlQuery& q, const QString& registration, Reader read)
{
    q.bindValue(0, registration);
    run(q);
    QVector<Row> rows;
    while (q.next())
        rows.append(read(q));
    q.finish();
    return rows;
}

QVector<MileageRow> VehicleLog::MileageNewestFirst(const QString& registration)
{
    QSqlQuery& q = prepared(newestMileage_, R"(SELECT "Registration", "Date", "Current Mileage",
        "Amount", "Price Per" FROM "Mileage" WHERE "Registration" = ?
        ORDER BY "Date" DESC, "Current Mileage" DESC, rowid DESC)");
    return selectRows<MileageRow>(q, registration, readMileage);
}

QVector<MileageRow> VehicleLog::MileageChronological(const QString& registration)
{
    // The main window reads the same vehicle's readings for the statistics and both graphs in
    // one go; the last answer is kept until this or another process writes to the store.
    const auto stamp = ChangeStamp();
    if (chronologicalCache_ && chronologicalCache_->registration == registration &&
        chronologicalCache_->stamp == stamp)
        return chronologicalCache_->rows;

    // A long log is read straight through SQLite's own interface: going through QSqlQuery
    // and QVariant for every field costs several times more than the query itself.
    sqlite3_stmt* statement = chronologicalStatement();
    const QByteArray key = registration.toUtf8();
    sqlite3_bind_text(statement, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
    QVector<MileageRow> rows;
    QString stored; // the registration as stored, shared by every row that spells it alike
    QByteArray storedBytes;
    int status = SQLITE_ROW;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
        MileageRow row;
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        const int length = sqlite3_column_bytes(statement, 0);
        if (stored.isNull() || QByteArrayView(text, length) != storedBytes) {
            storedBytes = QByteArray(text, length);
            stored = QString::fromUtf8(storedBytes);
        }
        row.Registration = stored;
        row.Date = parseStoredDate(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                                   sqlite3_column_bytes(statement, 1));
        row.CurrentMileage = sqlite3_column_double(statement, 2);
        row.Amount = sqlite3_column_double(statement, 3);
        row.PricePer = sqlite3_column_double(statement, 4);
        rows.append(row);
    }
    const int code = sqlite3_errcode(sqlite3_db_handle(statement));
    const QString message = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(statement)));
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (status != SQLITE_DONE)
        throw StoreError(code, QStringLiteral("A query of the store failed: ") + message);
    chronologicalCache_ = ReadingsCache{registration, stamp, rows};
    return rows;
}

sqlite3_stmt* VehicleLog::chronologicalStatement()
{
    requireOpen();
    if (chronologicalStatement_)
        return chronologicalStatement_;
    const QVariant handle = database().driver()->handle();
    sqlite3* db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                      ? *static_cast<sqlite3* const*>(handle.constData())
                      : nullptr;
    if (!db)
        throw StoreError(kMisuse, QStringLiteral("The store's connection is not SQLite."));
    static const char sql[] = R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
        "Price Per" FROM "Mileage" WHERE "Registration" = ? ORDER BY "Date", "Current Mileage", rowid)";
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &chronologicalStatement_,
                           nullptr) != SQLITE_OK) {
        const int code = sqlite3_errcode(db);
        chronologicalStatement_ = nullptr;
        throw StoreError(code, QStringLiteral("Cannot prepare a query of the store: ") +
                                   QString::fromUtf8(sqlite3_errmsg(db)));
    }
    return chronologicalStatement_;
}

std::pair<qint64, qint64> VehicleLog::ChangeStamp()
{
    // data_version changes when another connection commits; our own writes are counted here.
    QSqlQuery& q = prepared(dataVersion_, "PRAGMA data_version");
    run(q);
    const qint64 version = q.next() ? q.value(0).toLongLong() : -1;
    q.finish();
    return {version, writes_};
}

QVector<MaintenanceRow> VehicleLog::MaintenanceByDate(const QString& registration)
{
    QSqlQuery& q = prepared(maintenanceByDate_, R"(SELECT "Registration", "Date", "Cost",
        "Description" FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date", rowid)");
    return selectRows<MaintenanceRow>(q, registration, readMaintenance);
}

QVector<MaintenanceRow> VehicleLog::MaintenanceNewestFirst(const QString& registration)
{
    QSqlQuery& q = prepared(newestMaintenance_, R"(SELECT "Registration", "Date", "Cost",
        "Description" FROM "Maintenance" WHERE "Registration" = ?
        ORDER BY "Date" DESC, rowid DESC)");
    return selectRows<MaintenanceRow>(q, registration, readMaintenance);
}

std::unique_ptr<MileageCursor> VehicleLog::OpenMileageTable()
{
    mileageInsert();
    return std::make_unique<MileageCursor>(*this);
}

std::unique_ptr<MaintenanceCursor> VehicleLog::OpenMaintenanceTable()
{
    prepared(insertMaintenance_, R"(INSERT INTO "Maintenance" ("Date", "Registration", "Cost",
        "Description") VALUES (?, ?, ?, ?))");
    return std::make_unique<MaintenanceCursor>(*this);
}

std::unique_ptr<VehicleDetailsCursor> VehicleLog::OpenVehicleDetailsTable()
{
    prepared(insertVehicle_, R"(INSERT INTO "Vehicle Details" ("Registration",
        "Registration Date", "Purchase Date", "Make", "Model", "Engine Capacity", "Fuel")
        VALUES (?, ?, ?, ?, ?, ?, ?))");
    return std::make_unique<VehicleDetailsCursor>(*this);
}

void VehicleLog::bindMileage(QSqlQuery& q, const MileageRow& row)
{
    q.bindValue(0, dateText(row.Date, QStringLiteral("Date")));
    q.bindValue(1, row.Registration);
    q.bindValue(2, number(row.CurrentMileage, QStringLiteral("Current Mileage")));
    q.bindValue(3, number(row.Amount, QStringLiteral("Amount")));
    q.bindValue(4, number(row.PricePer, QStringLiteral("Price Per")));
}

QSqlQuery& VehicleLog::mileageInsert()
{
    return prepared(insertMileage_, R"(INSERT INTO "Mileage" ("Date", "Registration",
        "Current Mileage", "Amount", "Price Per") VALUES (?, ?, ?, ?, ?))");
}

void VehicleLog::insertMileage(const MileageRow& row)
{
    QSqlQuery& q = mileageInsert();
    bindMileage(q, row);
    writeTransaction([&] { run(q); });
}

void VehicleLog::insertMaintenance(const MaintenanceRow& row)
{
    QSqlQuery& q = prepared(insertMaintenance_, R"(INSERT INTO "Maintenance" ("Date",
        "Registration", "Cost", "Description") VALUES (?, ?, ?, ?))");
    q.bindValue(0, dateText(row.Date, QStringLiteral("Date")));
    q.bindValue(1, row.Registration);
    q.bindValue(2, number(row.Cost, QStringLiteral("Cost")));
    q.bindValue(3, row.Description);
    writeTransaction([&] { run(q); });
}

void VehicleLog::insertVehicle(const VehicleRow& vehicle, const MileageRow& firstReading)
{
    QSqlQuery& q = prepared(insertVehicle_, R"(INSERT INTO "Vehicle Details" ("Registration",
        "Registration Date", "Purchase Date", "Make", "Model", "Engine Capacity", "Fuel")
        VALUES (?, ?, ?, ?, ?, ?, ?))");
    QSqlQuery& reading = mileageInsert();
    // Convert every value before the transaction starts, so a bad value writes nothing.
    q.bindValue(0, vehicle.Registration);
    q.bindValue(1, dateText(vehicle.RegistrationDate, QStringLiteral("Registration Date")));
    q.bindValue(2, dateText(vehicle.PurchaseDate, QStringLiteral("Purchase Date")));
    q.bindValue(3, vehicle.Make);
    q.bindValue(4, vehicle.Model);
    q.bindValue(5, number(vehicle.EngineCapacity, QStringLiteral("Engine Capacity")));
    q.bindValue(6, vehicle.Fuel);
    bindMileage(reading, firstReading);
    writeTransaction([&] {
        run(q);
        q.finish();
        run(reading);
    });
}

void VehicleLog::writeTransaction(const std::function<void()>& body)
{
    requireOpen();
    ++writes_;
    // IMMEDIATE takes the write lock before anything is read, so a second process sharing the
    // file waits in SQLite's busy handler rather than being refused to avoid a deadlock.
    retryWhileBusy(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        body();
        retryWhileBusy(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery rollback(database());
        rollback.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

void VehicleLog::retryWhileBusy(const QString& sql)
{
    QSqlQuery q(database());
    for (int attempt = 0;; ++attempt) {
        if (q.exec(sql))
            return;
        const int code = codeOf(q.lastError());
        // The busy timeout has already waited; a few more tries cover a writer that holds the
        // lock for longer than that on a slow shared folder.
        if ((code != kBusy && code != kLocked) || attempt >= kBusyRetries)
            fail(q.lastError(), sql);
    }
}
