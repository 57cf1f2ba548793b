#include "VehicleLog.h"

#include "SqliteDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <cmath>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>

namespace {

constexpr int kMisuse = 21; // SQLite's code for use of a closed store
constexpr int kError = 1;   // SQLite's generic code, here: a file without our tables
constexpr int kCorrupt = 11;

[[noreturn]] void conversionFailure(const QString& field)
{
    throw StoreError(
        StoreError::ConversionFailure,
        QStringLiteral("The %1 given cannot be stored: it is not a date or number that "
                       "the vehicle log can hold. Nothing was stored.")
            .arg(field));
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

QDateTime parseStoredDate(QByteArrayView text)
{
    return parseStoredDate(text.data(), int(text.size()));
}

double number(double value, const QString& field)
{
    if (!std::isfinite(value))
        conversionFailure(field);
    return value;
}

// Every value of a row converted to what is stored, before any transaction starts.
struct StoredMileage
{
    QString date, registration;
    double mileage, amount, price;
};

struct StoredMaintenance
{
    QString date, registration;
    double cost;
    QString description;
};

struct StoredVehicle
{
    QString registration, registrationDate, purchaseDate, make, model;
    double capacity;
    QString fuel;
};

StoredMileage stored(const MileageRow& row)
{
    return {dateText(row.Date, QStringLiteral("Date")), row.Registration,
            number(row.CurrentMileage, QStringLiteral("Current Mileage")),
            number(row.Amount, QStringLiteral("Amount")),
            number(row.PricePer, QStringLiteral("Price Per"))};
}

StoredMaintenance stored(const MaintenanceRow& row)
{
    return {dateText(row.Date, QStringLiteral("Date")), row.Registration,
            number(row.Cost, QStringLiteral("Cost")), row.Description};
}

StoredVehicle stored(const VehicleRow& row)
{
    return {row.Registration,
            dateText(row.RegistrationDate, QStringLiteral("Registration Date")),
            dateText(row.PurchaseDate, QStringLiteral("Purchase Date")),
            row.Make,
            row.Model,
            number(row.EngineCapacity, QStringLiteral("Engine Capacity")),
            row.Fuel};
}

// The moment of a removal, always with its time of day.
QString removalText(const QDateTime& value)
{
    if (!value.isValid() || value.date().year() < 100 || value.date().year() > 9999)
        conversionFailure(QStringLiteral("Removed At"));
    return value.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

const char kInsertMileage[] = R"(INSERT INTO "Mileage" ("Date", "Registration",
    "Current Mileage", "Amount", "Price Per") VALUES (?, ?, ?, ?, ?))";
const char kInsertMaintenance[] = R"(INSERT INTO "Maintenance" ("Date", "Registration", "Cost",
    "Description") VALUES (?, ?, ?, ?))";
const char kInsertVehicle[] = R"(INSERT INTO "Vehicle Details" ("Registration",
    "Registration Date", "Purchase Date", "Make", "Model", "Engine Capacity", "Fuel")
    VALUES (?, ?, ?, ?, ?, ?, ?))";
const char kNewestMileage[] = R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", rowid FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date" DESC, "Current Mileage" DESC, rowid DESC)";
const char kLatestMileage[] = R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per", rowid FROM "Mileage" WHERE "Registration" = ?
    ORDER BY "Date" DESC, "Current Mileage" DESC, rowid DESC LIMIT 1)";
const char kChronological[] = R"(SELECT "Registration", "Date", "Current Mileage", "Amount",
    "Price Per" FROM "Mileage" WHERE "Registration" = ? ORDER BY "Date", "Current Mileage", rowid)";
const char kMaintenanceByDate[] = R"(SELECT "Registration", "Date", "Cost", "Description", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date", rowid)";
const char kNewestMaintenance[] = R"(SELECT "Registration", "Date", "Cost", "Description", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date" DESC, rowid DESC)";
const char kLatestMaintenance[] = R"(SELECT "Registration", "Date", "Cost", "Description", rowid
    FROM "Maintenance" WHERE "Registration" = ? ORDER BY "Date" DESC, rowid DESC LIMIT 1)";

void bind(SqliteQuery& q, const StoredMileage& row)
{
    q->bind(1, row.date);
    q->bind(2, row.registration);
    q->bind(3, row.mileage);
    q->bind(4, row.amount);
    q->bind(5, row.price);
}

void bind(SqliteQuery& q, const StoredMaintenance& row)
{
    q->bind(1, row.date);
    q->bind(2, row.registration);
    q->bind(3, row.cost);
    q->bind(4, row.description);
}

void bind(SqliteQuery& q, const StoredVehicle& row)
{
    q->bind(1, row.registration);
    q->bind(2, row.registrationDate);
    q->bind(3, row.purchaseDate);
    q->bind(4, row.make);
    q->bind(5, row.model);
    q->bind(6, row.capacity);
    q->bind(7, row.fuel);
}

MileageRow readMileage(const SqliteQuery& q)
{
    return MileageRow{q->text(0), parseStoredDate(q->utf8(1)), q->real(2), q->real(3), q->real(4)};
}

MaintenanceRow readMaintenance(const SqliteQuery& q)
{
    return MaintenanceRow{q->text(0), parseStoredDate(q->utf8(1)), q->real(2), q->text(3)};
}

template <typename Row, typename Reader>
QVector<Row> rowsOf(SqliteDatabase& db, const char* sql, const QString& registration, Reader read)
{
    SqliteQuery q = db.query(sql);
    q->bind(1, registration);
    QVector<Row> rows;
    while (q->step())
        rows.append(read(q));
    return rows;
}

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

bool sameRegistration(QByteArrayView a, QByteArrayView b)
{
    // NOCASE folds ASCII letters only.
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

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
    QStringList missing;
    tableCount(db, mainTables(), &missing);
    if (version >= 2)
        tableCount(db, removedTables(), &missing);
    for (const QString& name : missing)
        problems << QStringLiteral("The table \"%1\" is missing.").arg(name);
    if (tableCount(db, mainTables()) != mainTables().size())
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
            if (!first && sameRegistration(registration, previous) && mileage < previousMileage)
                problems << QStringLiteral("The vehicle %1 has a reading of %2 on %3, lower than "
                                           "the reading of %4 before it.")
                                .arg(q->text(0), plainNumber(mileage),
                                     plainDate(parseStoredDate(q->utf8(1))),
                                     plainNumber(previousMileage));
            if (first || !sameRegistration(registration, previous))
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

VehicleLog::VehicleLog(std::unique_ptr<SqliteDatabase> db, QString path)
    : db_(std::move(db)), path_(std::move(path))
{
}

VehicleLog::~VehicleLog()
{
    Close();
}

std::unique_ptr<VehicleLog> VehicleLog::Open(const QString& path, int busyTimeoutMs)
{
    if (!QFileInfo(path).isFile())
        throw StoreError(
            StoreError::CantOpen,
            QStringLiteral("There is no vehicle log at %1.").arg(QDir::toNativeSeparators(path)));
    auto db =
        std::make_unique<SqliteDatabase>(path, SqliteDatabase::Mode::ReadWrite, busyTimeoutMs);
    // Durable appends on a file that may sit on a shared folder: full sync, rollback journal.
    db->execute("PRAGMA synchronous=FULL", StoreAction::Open);
    // Reading the schema also tells a foreign file apart from a store.
    const qint64 version = db->integer("PRAGMA user_version");
    if (version > SchemaVersion)
        throw StoreError(StoreError::TooNew,
                         QStringLiteral("This vehicle log was written by a newer version of "
                                        "Kelmot. It has been left as it is; open it with that "
                                        "version."));
    if (tableCount(*db, mainTables()) != mainTables().size())
        throw StoreError(
            kError,
            QStringLiteral("%1 does not hold a vehicle log.").arg(QDir::toNativeSeparators(path)));
    {
        // A store that cannot take a write (read-only file or folder, held by another program)
        // is refused now rather than after the user has typed a whole entry. An old store is
        // upgraded by the same write; otherwise it is rolled back.
        SqliteTransaction transaction(*db);
        if (version < SchemaVersion) {
            db->execute(kSchema2);
            transaction.commit();
        } else {
            db->execute("PRAGMA user_version = 2");
        }
    }
    return std::unique_ptr<VehicleLog>(new VehicleLog(std::move(db), path));
}

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
        db.execute(kSchema1);
        db.execute(kSchema2);
        transaction.commit();
    } catch (const StoreError&) {
        removeCopy(path);
        throw;
    }
}

void VehicleLog::Close()
{
    chronologicalCache_.reset();
    db_.reset();
}

SqliteDatabase& VehicleLog::database()
{
    if (!db_)
        throw StoreError(kMisuse, QStringLiteral("The vehicle log is closed."));
    return *db_;
}

VehicleLogWriteLock::VehicleLogWriteLock(VehicleLog& log)
    : transaction_(std::make_unique<SqliteTransaction>(log.database()))
{
}

VehicleLogWriteLock::~VehicleLogWriteLock() = default;

void VehicleLogWriteLock::commit()
{
    transaction_->commit();
}

QStringList VehicleLog::ListRegistrations()
{
    SqliteQuery q = database().query(R"(SELECT "Registration" FROM "Vehicle Details"
        GROUP BY "Registration" ORDER BY "Registration", min(rowid))");
    QStringList result;
    while (q->step())
        result << q->text(0);
    return result;
}

std::optional<VehicleRow> VehicleLog::FindVehicle(const QString& registration)
{
    SqliteQuery q = database().query(R"(SELECT "Registration", "Make", "Model", "Fuel",
        "Engine Capacity", "Registration Date", "Purchase Date" FROM "Vehicle Details"
        WHERE "Registration" = ? ORDER BY rowid LIMIT 1)");
    q->bind(1, registration);
    if (!q->step())
        return std::nullopt;
    return VehicleRow{q->text(0),
                      q->text(1),
                      q->text(2),
                      q->text(3),
                      q->real(4),
                      parseStoredDate(q->utf8(5)),
                      parseStoredDate(q->utf8(6))};
}

void VehicleLog::EditVehicle(const QString& registration, const VehicleRow& values)
{
    SqliteDatabase& db = database();
    const StoredVehicle row = stored(values);
    ++writes_;
    SqliteTransaction transaction(db);
    {
        SqliteQuery q = db.query(R"(UPDATE "Vehicle Details" SET "Registration Date" = ?,
            "Purchase Date" = ?, "Engine Capacity" = ?, "Make" = ?, "Model" = ?, "Fuel" = ?
            WHERE rowid = (SELECT rowid FROM "Vehicle Details" WHERE "Registration" = ?
                           ORDER BY rowid LIMIT 1))");
        q->bind(1, row.registrationDate);
        q->bind(2, row.purchaseDate);
        q->bind(3, row.capacity);
        q->bind(4, row.make);
        q->bind(5, row.model);
        q->bind(6, row.fuel);
        q->bind(7, registration);
        q->run();
    }
    if (db.changes() < 1)
        throw StoreError(StoreError::NotFound,
                         QStringLiteral("No vehicle is stored under %1.").arg(registration));
    transaction.commit();
}

QVector<MileageRow> VehicleLog::MileageNewestFirst(const QString& registration)
{
    return rowsOf<MileageRow>(database(), kNewestMileage, registration, readMileage);
}

QVector<MileageRow> VehicleLog::MileageChronological(const QString& registration)
{
    // The main window reads the same vehicle's readings for the statistics and both graphs in
    // one go; the last answer is kept until this or another process writes to the store.
    const auto stamp = ChangeStamp();
    if (chronologicalCache_ && chronologicalCache_->registration == registration &&
        chronologicalCache_->stamp == stamp)
        return chronologicalCache_->rows;

    SqliteQuery q = database().query(kChronological);
    q->bind(1, registration);
    QVector<MileageRow> rows;
    QString storedRegistration; // shared by every row that spells it alike
    QByteArray storedBytes;
    QByteArray dateBytes; // readings of one day come together: their date is read once
    QDateTime date;
    while (q->step()) {
        const QByteArrayView text = q->utf8(0);
        if (storedRegistration.isNull() || text != storedBytes) {
            storedBytes = text.toByteArray();
            storedRegistration = QString::fromUtf8(storedBytes);
        }
        const QByteArrayView dateText = q->utf8(1);
        if (dateBytes.isNull() || dateText != dateBytes) {
            dateBytes = dateText.toByteArray();
            date = parseStoredDate(dateText);
        }
        rows.append(MileageRow{storedRegistration, date, q->real(2), q->real(3), q->real(4)});
    }
    chronologicalCache_ = ReadingsCache{registration, stamp, rows};
    return rows;
}

std::pair<qint64, qint64> VehicleLog::ChangeStamp()
{
    // data_version changes when another connection commits; our own writes are counted here.
    return {database().integer("PRAGMA data_version"), writes_};
}

QVector<MaintenanceRow> VehicleLog::MaintenanceByDate(const QString& registration)
{
    return rowsOf<MaintenanceRow>(database(), kMaintenanceByDate, registration, readMaintenance);
}

QVector<MaintenanceRow> VehicleLog::MaintenanceNewestFirst(const QString& registration)
{
    return rowsOf<MaintenanceRow>(database(), kNewestMaintenance, registration, readMaintenance);
}

std::optional<MileageRow> VehicleLog::LatestMileage(const QString& registration)
{
    SqliteQuery q = database().query(kLatestMileage);
    q->bind(1, registration);
    if (!q->step())
        return std::nullopt;
    return readMileage(q);
}

std::optional<MaintenanceRow> VehicleLog::LatestMaintenance(const QString& registration)
{
    SqliteQuery q = database().query(kLatestMaintenance);
    q->bind(1, registration);
    if (!q->step())
        return std::nullopt;
    return readMaintenance(q);
}

std::unique_ptr<MileageCursor> VehicleLog::OpenMileageTable()
{
    database().query(kInsertMileage);
    return std::make_unique<MileageCursor>(*this);
}

std::unique_ptr<MaintenanceCursor> VehicleLog::OpenMaintenanceTable()
{
    database().query(kInsertMaintenance);
    return std::make_unique<MaintenanceCursor>(*this);
}

std::unique_ptr<VehicleDetailsCursor> VehicleLog::OpenVehicleDetailsTable()
{
    database().query(kInsertVehicle);
    return std::make_unique<VehicleDetailsCursor>(*this);
}

void VehicleLog::insertMileage(const MileageRow& row)
{
    SqliteDatabase& db = database();
    const StoredMileage values = stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    {
        SqliteQuery q = db.query(kInsertMileage);
        bind(q, values);
        q->run();
    }
    transaction.commit();
}

void VehicleLog::insertMaintenance(const MaintenanceRow& row)
{
    SqliteDatabase& db = database();
    const StoredMaintenance values = stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    {
        SqliteQuery q = db.query(kInsertMaintenance);
        bind(q, values);
        q->run();
    }
    transaction.commit();
}

void VehicleLog::insertVehicle(const VehicleRow& vehicle, const MileageRow& firstReading)
{
    LogBatch batch;
    batch.vehicles << vehicle;
    batch.mileage << firstReading;
    AppendBatch(batch);
}

void VehicleLog::AppendBatch(const LogBatch& batch)
{
    SqliteDatabase& db = database();
    // Convert every value before the transaction starts, so a bad value writes nothing.
    QVector<StoredVehicle> vehicles;
    QVector<StoredMileage> mileage;
    QVector<StoredMaintenance> maintenance;
    for (const auto& row : batch.vehicles)
        vehicles << stored(row);
    for (const auto& row : batch.mileage)
        mileage << stored(row);
    for (const auto& row : batch.maintenance)
        maintenance << stored(row);
    ++writes_;
    SqliteTransaction transaction(db);
    for (const auto& row : vehicles) {
        SqliteQuery q = db.query(kInsertVehicle);
        bind(q, row);
        q->run();
    }
    for (const auto& row : mileage) {
        SqliteQuery q = db.query(kInsertMileage);
        bind(q, row);
        q->run();
    }
    for (const auto& row : maintenance) {
        SqliteQuery q = db.query(kInsertMaintenance);
        bind(q, row);
        q->run();
    }
    transaction.commit();
}

MileageRow VehicleLog::RemoveLatestMileage(const QString& registration, const QDateTime& removedAt)
{
    SqliteDatabase& db = database();
    const QString stamp = removalText(removedAt);
    ++writes_;
    SqliteTransaction transaction(db);
    MileageRow latest;
    qint64 rowid = 0;
    {
        SqliteQuery q = db.query(kLatestMileage);
        q->bind(1, registration);
        if (!q->step())
            throw StoreError(
                StoreError::NotFound,
                QStringLiteral("There is no mileage reading of %1 to remove.").arg(registration));
        latest = readMileage(q);
        rowid = q->integer(5);
    }
    {
        SqliteQuery q = db.query(R"(SELECT count(*) FROM (SELECT 1 FROM "Mileage"
            WHERE "Registration" = ? LIMIT 2))");
        q->bind(1, registration);
        if (q->step() && q->integer(0) < 2)
            throw StoreError(StoreError::OnlyReading,
                             QStringLiteral("The reading of %1 is its only one, and a vehicle "
                                            "always keeps at least one reading. Nothing was "
                                            "removed.")
                                 .arg(registration));
    }
    {
        SqliteQuery q = db.query(R"(INSERT INTO "Removed Mileage" ("Registration", "Date",
            "Current Mileage", "Amount", "Price Per", "Removed At")
            SELECT "Registration", "Date", "Current Mileage", "Amount", "Price Per", ?
            FROM "Mileage" WHERE rowid = ?)");
        q->bind(1, stamp);
        q->bind(2, rowid);
        q->run();
    }
    {
        SqliteQuery q = db.query(R"(DELETE FROM "Mileage" WHERE rowid = ?)");
        q->bind(1, rowid);
        q->run();
    }
    transaction.commit();
    return latest;
}

MaintenanceRow VehicleLog::RemoveLatestMaintenance(const QString& registration,
                                                   const QDateTime& removedAt)
{
    SqliteDatabase& db = database();
    const QString stamp = removalText(removedAt);
    ++writes_;
    SqliteTransaction transaction(db);
    MaintenanceRow latest;
    qint64 rowid = 0;
    {
        SqliteQuery q = db.query(kLatestMaintenance);
        q->bind(1, registration);
        if (!q->step())
            throw StoreError(
                StoreError::NotFound,
                QStringLiteral("There is no maintenance entry of %1 to remove.").arg(registration));
        latest = readMaintenance(q);
        rowid = q->integer(4);
    }
    {
        SqliteQuery q = db.query(R"(INSERT INTO "Removed Maintenance" ("Registration", "Date",
            "Cost", "Description", "Removed At")
            SELECT "Registration", "Date", "Cost", "Description", ?
            FROM "Maintenance" WHERE rowid = ?)");
        q->bind(1, stamp);
        q->bind(2, rowid);
        q->run();
    }
    {
        SqliteQuery q = db.query(R"(DELETE FROM "Maintenance" WHERE rowid = ?)");
        q->bind(1, rowid);
        q->run();
    }
    transaction.commit();
    return latest;
}

QVector<RemovedMileageRow> VehicleLog::RemovedMileage()
{
    SqliteQuery q = database().query(R"(SELECT "Registration", "Date", "Current Mileage",
        "Amount", "Price Per", "Removed At" FROM "Removed Mileage" ORDER BY rowid)");
    QVector<RemovedMileageRow> rows;
    while (q->step())
        rows.append(RemovedMileageRow{readMileage(q), parseStoredDate(q->utf8(5))});
    return rows;
}

QVector<RemovedMaintenanceRow> VehicleLog::RemovedMaintenance()
{
    SqliteQuery q = database().query(R"(SELECT "Registration", "Date", "Cost", "Description",
        "Removed At" FROM "Removed Maintenance" ORDER BY rowid)");
    QVector<RemovedMaintenanceRow> rows;
    while (q->step())
        rows.append(RemovedMaintenanceRow{readMaintenance(q), parseStoredDate(q->utf8(4))});
    return rows;
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
