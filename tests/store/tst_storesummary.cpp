#include "SqliteDatabase.h"
#include "StoreSummary.h"
#include "StoreTestRows.h"
#include "TestEnvironment.h"
#include "VehicleLog.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Makes the file a row describes: "new" is a fresh store, "v1" a version-1 store, "text" and
// "empty" files that are no database; the SQL is then run on it with SQLite directly.
void makeFile(const QString& path, const QByteArray& kind, const QByteArray& sql)
{
    if (kind == "text" || kind == "empty") {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        if (kind == "text")
            f.write(QByteArray("Date,Odometer\n2026-01-01,100\n").repeated(200));
        return;
    }
    if (kind == "new")
        VehicleLog::Create(path);
    SqliteDatabase db(
        path, kind == "v1" ? SqliteDatabase::Mode::Create : SqliteDatabase::Mode::ReadWrite, 1000);
    if (kind == "v1")
        db.execute(
            (QByteArray(StoreTestRows::VersionOneTables) + "PRAGMA user_version = 1;").constData());
    if (!sql.isEmpty())
        db.execute(sql.constData());
}

QByteArray hashOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

// Named columns: read into stores of every version.
constexpr char TwoVehicles[] = R"(
    INSERT INTO "Vehicle Details" VALUES ('AB12 CDE', 'Ford', '', '', 0, '1900-01-01', '1900-01-01');
    INSERT INTO "Vehicle Details" VALUES ('ZZ99 ONE', 'Fiat', '', '', 0, '1900-01-01', '1900-01-01');
    INSERT INTO "Mileage" ("Registration", "Date", "Current Mileage", "Amount", "Price Per")
        VALUES ('AB12 CDE', '2026-01-10', 100, 0, 0),
            ('AB12 CDE', '2026-03-12T08:15:00', 900, 40, 1.5), ('ZZ99 ONE', '2025-12-01', 5, 0, 0);)";

} // namespace

class TestStoreSummary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void countsWhatTheFileHolds_data();
    void countsWhatTheFileHolds();
    void refusesWhatIsNoLog_data();
    void refusesWhatIsNoLog();
    void readsAStoreInUseWithoutWaiting();
};

void TestStoreSummary::countsWhatTheFileHolds_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("sql");
    QTest::addColumn<qint64>("vehicles");
    QTest::addColumn<qint64>("readings");
    QTest::addColumn<qint64>("maintenance");
    QTest::addColumn<QDateTime>("newest");

    QTest::newRow("empty store") << QByteArray("new") << QByteArray() << 0LL << 0LL << 0LL
                                 << QDateTime();
    QTest::newRow("newest is a reading, its time of day kept")
        << QByteArray("new")
        << QByteArray(TwoVehicles) +
               R"(INSERT INTO "Maintenance" VALUES ('AB12 CDE', '2026-03-12', 50, 'Oil', 'Other');)"
        << 2LL << 3LL << 1LL << QDateTime(QDate(2026, 3, 12), QTime(8, 15), Qt::UTC);
    QTest::newRow("newest is a maintenance entry")
        << QByteArray("new")
        << QByteArray(TwoVehicles) +
               R"(INSERT INTO "Maintenance" VALUES ('ZZ99 ONE', '2026-05-02', 80, 'Tyres', 'Tyres');
                  INSERT INTO "Maintenance" VALUES ('ZZ99 ONE', '2026-04-02', 20, 'Wipers', 'Other');)"
        << 2LL << 3LL << 2LL << QDateTime(QDate(2026, 5, 2), QTime(0, 0), Qt::UTC);
    QTest::newRow("removed entries are not counted")
        << QByteArray("new") << QByteArray(TwoVehicles) + R"(INSERT INTO "Removed Mileage" VALUES
                ('AB12 CDE', '2027-01-01', 999, 1, 1, '2027-01-02T00:00:00', 'Removed', NULL, 0);)"
        << 2LL << 3LL << 0LL << QDateTime(QDate(2026, 3, 12), QTime(8, 15), Qt::UTC);
    QTest::newRow("version-1 store, read as it is")
        << QByteArray("v1") << QByteArray(TwoVehicles) << 2LL << 3LL << 0LL
        << QDateTime(QDate(2026, 3, 12), QTime(8, 15), Qt::UTC);
}

void TestStoreSummary::countsWhatTheFileHolds()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, sql);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("backup.mdb"));
    makeFile(path, kind, sql);
    const QByteArray before = hashOf(path);

    const StoreSummary summary = SummarizeStore(path);
    QTEST(summary.vehicles, "vehicles");
    QTEST(summary.readings, "readings");
    QTEST(summary.maintenanceEntries, "maintenance");
    QTEST(summary.newest, "newest");
    // Summarising never writes: a version-1 file is not upgraded, no journal is left.
    QCOMPARE(hashOf(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("backup.mdb")});
}

void TestStoreSummary::refusesWhatIsNoLog_data()
{
    QTest::addColumn<QByteArray>("kind"); // "missing": no file at all
    QTest::addColumn<QByteArray>("sql");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("words");

    QTest::newRow("missing file") << QByteArray("missing") << QByteArray() << StoreError::CantOpen
                                  << QStringLiteral("There is no file at");
    QTest::newRow("a text file") << QByteArray("text") << QByteArray() << 26
                                 << QStringLiteral("is damaged or is not a Kelmot vehicle log.");
    QTest::newRow("an empty file") << QByteArray("empty") << QByteArray() << 26
                                   << QStringLiteral("is not a Kelmot vehicle log.");
    QTest::newRow("another program's database")
        << QByteArray("v1") << QByteArray(R"(DROP TABLE "Mileage")") << 26
        << QStringLiteral("is not a Kelmot vehicle log.");
    QTest::newRow("no version") << QByteArray("new") << QByteArray("PRAGMA user_version = 0") << 26
                                << QStringLiteral("is not a Kelmot vehicle log.");
    QTest::newRow("newer Kelmot") << QByteArray("new") << QByteArray("PRAGMA user_version = 99")
                                  << StoreError::TooNew
                                  << QStringLiteral("was written by a newer version of Kelmot "
                                                    "(version 99 of the log");
}

void TestStoreSummary::refusesWhatIsNoLog()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, sql);
    QFETCH(int, code);
    QFETCH(QString, words);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("backup.mdb"));
    if (kind != "missing")
        makeFile(path, kind, sql);
    const QByteArray before = hashOf(path);
    try {
        SummarizeStore(path);
        QFAIL("the file should be refused");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), code);
        QVERIFY2(e.text().contains(words), qPrintable(e.text()));
        QVERIFY2(e.text().contains(QDir::toNativeSeparators(path)), qPrintable(e.text()));
    }
    QCOMPARE(hashOf(path), before);
}

void TestStoreSummary::readsAStoreInUseWithoutWaiting()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Mileage.mdb"));
    makeFile(path, "new", TwoVehicles);
    // The log in use: another connection holds the write lock, as Kelmot does while storing.
    SqliteDatabase writer(path, SqliteDatabase::Mode::ReadWrite, 0);
    writer.execute("BEGIN IMMEDIATE");
    writer.execute(R"(INSERT INTO "Mileage" VALUES ('ZZ99 ONE', '2026-06-01', 50, 1, 1, 0))");
    QElapsedTimer timer;
    timer.start();
    const StoreSummary summary = SummarizeStore(path);
    QVERIFY(timer.elapsed() < VehicleLog::DefaultBusyTimeoutMs);
    QCOMPARE(summary.readings, 3); // what is committed, not the write under way
    writer.execute("ROLLBACK");
}

QTEST_MAIN(TestStoreSummary)
#include "tst_storesummary.moc"
