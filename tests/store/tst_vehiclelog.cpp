#include "SqliteDatabase.h"
#include "StoreLock.h"
#include "StoreTestRows.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>
#include <unistd.h>

using namespace StoreTestRows;

Q_DECLARE_METATYPE(MileageRow)

class TestVehicleLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init();
    void cleanup();

    void addedVehicleHasDetailsAndFirstReading();
    void notGivenDatesAndCapacityReadBack();
    void sameDayReadingsComeSmallestFirst();
    void newestFirstOrders();
    void maintenanceOrders();
    void registrationsIgnoreLetterCase();
    void duplicateRegistrationRefused();
    void hostileRegistrationsRoundTrip_data();
    void hostileRegistrationsRoundTrip();
    void failedFirstReadingLeavesNoDetailsRow();
    void unconvertibleValuesRefused_data();
    void unconvertibleValuesRefused();
    void editVehicleChangesOnlyItsRow();
    void timeOfDayIsKept();
    void rowsSurviveReopening();
    void openNeverCreatesTheFile();
    void foreignFilesAreRefusedUntouched_data();
    void foreignFilesAreRefusedUntouched();
    void closedStoreRefusesEverything();
    void createRefusesExistingFile();
    void schemaIsVersioned();
    void repeatedReadsSeeEveryWrite();
    void lockedStoreRefusedUntouched();
    void readOnlyStoreRefusedUntouched();

    void newestFirstBreaksTiesByReadingThenEntry();
    void latestIsFirstOfNewestFirst();
    void batchIsAllOrNothing_data();
    void batchIsAllOrNothing();
    void removeLatestMileageMovesIt();
    void removeLatestRefusals_data();
    void removeLatestRefusals();
    void removeLatestMaintenanceMovesIt();
    void olderStoresAreUpgraded_data();
    void olderStoresAreUpgraded();
    void newerStoreRefusedByteForByte();
    void checkFindsBrokenRules_data();
    void checkFindsBrokenRules();
    void backupIsSoundAndConsistent();
    void backupNeverOverwrites();
    void restoreReplacesAndKeepsTheOld_data();
    void restoreReplacesAndKeepsTheOld();
    void unsoundRestoreChangesNothing_data();
    void unsoundRestoreChangesNothing();
    void busyWriteFailsPlainlyThenSucceeds();
    void refusedWriteLeavesNoTransactionOpen();
    void engineFailuresInPlainWords_data();
    void engineFailuresInPlainWords();
    void deletedFileFailsPlainly();
    void copyFaultsNeverReportedDone_data();
    void copyFaultsNeverReportedDone();
    void restoresKeepEverySafetyCopy_data();
    void restoresKeepEverySafetyCopy();
    void restoreWaitsForTheLockOwner();
    void leftoversOfInterruptedRunsRemoved_data();
    void leftoversOfInterruptedRunsRemoved();
    void backupNeverWritesThroughALink_data();
    void backupNeverWritesThroughALink();
    void restoreThroughALinkKeepsLinkAndPermissions();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<VehicleLog> log_;
    QString path_;
};

void TestVehicleLog::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    path_ = dir_->filePath(QStringLiteral("Mileage.mdb"));
    VehicleLog::Create(path_);
    log_ = VehicleLog::Open(path_);
}

void TestVehicleLog::cleanup()
{
    log_.reset();
    dir_.reset();
}

void TestVehicleLog::addedVehicleHasDetailsAndFirstReading()
{
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("AB12 CDE"),
                                                   reading("AB12 CDE", day(2026, 1, 15), 10000));
    const auto found = log_->FindVehicle(QStringLiteral("AB12 CDE"));
    QVERIFY(found);
    QCOMPARE(found->Make, QStringLiteral("Ford"));
    QCOMPARE(found->Model, QStringLiteral("Fiesta"));
    QCOMPARE(found->Fuel, QStringLiteral("Petrol"));
    QCOMPARE(found->EngineCapacity, 1.25);
    QCOMPARE(found->RegistrationDate, day(2001, 4, 1));
    QCOMPARE(found->PurchaseDate, day(2002, 5, 2));
    const auto readings = log_->MileageChronological(QStringLiteral("AB12 CDE"));
    QCOMPARE(readings.size(), 1);
    QCOMPARE(readings[0].Date, day(2026, 1, 15));
    QCOMPARE(readings[0].CurrentMileage, 10000.0);
    QCOMPARE(readings[0].Amount, 0.0);
    QCOMPARE(readings[0].PricePer, 0.0);
}

void TestVehicleLog::notGivenDatesAndCapacityReadBack()
{
    VehicleRow row;
    row.Registration = QStringLiteral("BARE");
    row.RegistrationDate = NoDate();
    row.PurchaseDate = NoDate();
    log_->OpenVehicleDetailsTable()->AppendVehicle(row, reading("BARE", day(2026, 1, 1), 0));
    const auto found = log_->FindVehicle(QStringLiteral("BARE"));
    QVERIFY(found);
    QVERIFY(IsNoDate(found->RegistrationDate));
    QVERIFY(IsNoDate(found->PurchaseDate));
    QCOMPARE(found->EngineCapacity, 0.0);
    QCOMPARE(found->Make, QString());
}

void TestVehicleLog::sameDayReadingsComeSmallestFirst()
{
    auto table = log_->OpenMileageTable();
    table->AppendMileage(reading("X", day(2026, 3, 1), 1200));
    table->AppendMileage(reading("X", day(2026, 2, 1), 1100));
    table->AppendMileage(reading("X", day(2026, 3, 1), 1150));
    table->AppendMileage(reading("Y", day(2026, 1, 1), 5));
    QCOMPARE(mileages(log_->MileageChronological("X")), QStringList({"1100", "1150", "1200"}));
}

void TestVehicleLog::newestFirstOrders()
{
    auto table = log_->OpenMileageTable();
    table->AppendMileage(reading("X", day(2026, 1, 1), 100));
    table->AppendMileage(reading("X", day(2026, 3, 1), 300));
    table->AppendMileage(reading("X", day(2026, 2, 1), 200));
    QCOMPARE(mileages(log_->MileageNewestFirst("X")), QStringList({"300", "200", "100"}));
    QVERIFY(log_->MileageNewestFirst("nobody").isEmpty());
}

void TestVehicleLog::maintenanceOrders()
{
    auto table = log_->OpenMaintenanceTable();
    table->AppendMaintenance(MaintenanceRow{"X", day(2026, 3, 5), 120, "Service"});
    table->AppendMaintenance(MaintenanceRow{"X", day(2026, 1, 2), 40, "Tyre"});
    table->AppendMaintenance(MaintenanceRow{"x", day(2026, 3, 5), 10, "Wipers"});
    QStringList byDate, newest;
    for (const auto& r : log_->MaintenanceByDate("X"))
        byDate << r.Description;
    for (const auto& r : log_->MaintenanceNewestFirst("X"))
        newest << r.Description;
    QCOMPARE(byDate, QStringList({"Tyre", "Service", "Wipers"}));
    QCOMPARE(newest, QStringList({"Wipers", "Service", "Tyre"}));
}

void TestVehicleLog::registrationsIgnoreLetterCase()
{
    auto details = log_->OpenVehicleDetailsTable();
    details->AppendVehicle(vehicle("KM02 XYZ"), reading("KM02 XYZ", day(2026, 1, 1), 1));
    details->AppendVehicle(vehicle("ab1"), reading("ab1", day(2026, 1, 1), 1));
    log_->OpenMileageTable()->AppendMileage(reading("km02 xyz", day(2026, 2, 1), 2));
    QVERIFY(log_->FindVehicle(QStringLiteral("km02 xyz")));
    QCOMPARE(log_->FindVehicle(QStringLiteral("km02 xyz"))->Registration,
             QStringLiteral("KM02 XYZ"));
    QCOMPARE(log_->ListRegistrations(), QStringList({"ab1", "KM02 XYZ"}));
    QCOMPARE(log_->MileageChronological(QStringLiteral("KM02 XYZ")).size(), 2);
}

void TestVehicleLog::duplicateRegistrationRefused()
{
    auto details = log_->OpenVehicleDetailsTable();
    details->AppendVehicle(vehicle("AB1"), reading("AB1", day(2026, 1, 1), 1));
    QVERIFY_THROWS_EXCEPTION(
        StoreError, details->AppendVehicle(vehicle("ab1"), reading("ab1", day(2026, 1, 1), 9)));
    QCOMPARE(log_->MileageChronological(QStringLiteral("AB1")).size(), 1);
}

void TestVehicleLog::hostileRegistrationsRoundTrip_data()
{
    QTest::addColumn<QString>("registration");
    QTest::newRow("quotes and SQL") << QStringLiteral("AB\"1'; DROP TABLE Mileage;--");
    QTest::newRow("line break") << QStringLiteral("LINE\nBREAK");
    QTest::newRow("non-Latin letters") << QStringLiteral("Ж123 ΩΨ");
    QTest::newRow("ten thousand characters") << QString(10000, QLatin1Char('R'));
}

void TestVehicleLog::hostileRegistrationsRoundTrip()
{
    QFETCH(QString, registration);
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle(registration),
                                                   reading(registration, day(2026, 1, 1), 7));
    log_->OpenMaintenanceTable()->AppendMaintenance(
        MaintenanceRow{registration, day(2026, 1, 2), 1, registration});
    QCOMPARE(log_->ListRegistrations(), QStringList({registration}));
    QCOMPARE(log_->FindVehicle(registration)->Registration, registration);
    QCOMPARE(log_->MileageChronological(registration).size(), 1);
    QCOMPARE(log_->MaintenanceByDate(registration).at(0).Description, registration);
}

void TestVehicleLog::failedFirstReadingLeavesNoDetailsRow()
{
    MileageRow bad = reading("HALF", day(2026, 1, 1), std::numeric_limits<double>::infinity());
    try {
        log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("HALF"), bad);
        QFAIL("the append should have failed");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), StoreError::ConversionFailure);
    }
    QVERIFY(!log_->FindVehicle(QStringLiteral("HALF")));
    QVERIFY(log_->ListRegistrations().isEmpty());
    // The same vehicle can then be added properly.
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("HALF"),
                                                   reading("HALF", day(2026, 1, 1), 5));
    QCOMPARE(log_->MileageChronological(QStringLiteral("HALF")).size(), 1);
}

void TestVehicleLog::unconvertibleValuesRefused_data()
{
    QTest::addColumn<MileageRow>("row");
    QTest::newRow("not a number") << reading("X", day(2026, 1, 1), qQNaN());
    QTest::newRow("infinite amount")
        << reading("X", day(2026, 1, 1), 1, std::numeric_limits<double>::infinity());
    QTest::newRow("invalid date") << reading("X", QDateTime(), 1);
}

void TestVehicleLog::unconvertibleValuesRefused()
{
    QFETCH(MileageRow, row);
    try {
        log_->OpenMileageTable()->AppendMileage(row);
        QFAIL("the append should have failed");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), StoreError::ConversionFailure);
    }
    QVERIFY(log_->MileageChronological(QStringLiteral("X")).isEmpty());
}

void TestVehicleLog::editVehicleChangesOnlyItsRow()
{
    auto details = log_->OpenVehicleDetailsTable();
    details->AppendVehicle(vehicle("A"), reading("A", day(2026, 1, 1), 1));
    details->AppendVehicle(vehicle("B"), reading("B", day(2026, 1, 1), 1));
    VehicleRow values = vehicle("ignored");
    values.Make = QStringLiteral("Vauxhall");
    values.RegistrationDate = NoDate();
    values.EngineCapacity = 0;
    log_->EditVehicle(QStringLiteral("a"), values);
    const auto a = log_->FindVehicle(QStringLiteral("A"));
    QCOMPARE(a->Registration, QStringLiteral("A"));
    QCOMPARE(a->Make, QStringLiteral("Vauxhall"));
    QVERIFY(IsNoDate(a->RegistrationDate));
    QCOMPARE(a->EngineCapacity, 0.0);
    QCOMPARE(log_->FindVehicle(QStringLiteral("B"))->Make, QStringLiteral("Ford"));
    QVERIFY_THROWS_EXCEPTION(StoreError, log_->EditVehicle(QStringLiteral("nobody"), values));
}

void TestVehicleLog::timeOfDayIsKept()
{
    const QDateTime when(QDate(2026, 2, 3), QTime(14, 30, 5), Qt::UTC);
    log_->OpenMileageTable()->AppendMileage(reading("T", when, 10));
    QCOMPARE(log_->MileageChronological(QStringLiteral("T")).at(0).Date, when);
}

void TestVehicleLog::rowsSurviveReopening()
{
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("R"), reading("R", day(2026, 1, 1), 1));
    log_->OpenMileageTable()->AppendMileage(reading("R", day(2026, 1, 2), 2));
    log_->Close();
    log_ = VehicleLog::Open(path_);
    log_->OpenMileageTable()->AppendMileage(reading("R", day(2026, 1, 3), 3));
    log_.reset();
    log_ = VehicleLog::Open(path_);
    QCOMPARE(mileages(log_->MileageChronological("R")), QStringList({"1", "2", "3"}));
}

void TestVehicleLog::openNeverCreatesTheFile()
{
    const QString missing = dir_->filePath(QStringLiteral("missing.mdb"));
    try {
        VehicleLog::Open(missing);
        QFAIL("opening a missing store should fail");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), 14);
    }
    QVERIFY(!QFile::exists(missing));
}

void TestVehicleLog::foreignFilesAreRefusedUntouched_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("garbage")
        << QByteArray("this is not a vehicle log, just some text\n").repeated(200);
    QTest::newRow("empty file") << QByteArray();
}

void TestVehicleLog::foreignFilesAreRefusedUntouched()
{
    QFETCH(QByteArray, content);
    const QString path = dir_->filePath(QStringLiteral("foreign.mdb"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    bool failed = false;
    try {
        auto log = VehicleLog::Open(path);
        // An empty file opens as SQLite, but holds none of the tables.
        log->OpenMileageTable();
    } catch (const StoreError& e) {
        failed = true;
        QVERIFY(e.code() != 0);
    }
    QVERIFY(failed);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
}

void TestVehicleLog::closedStoreRefusesEverything()
{
    auto table = log_->OpenMileageTable();
    log_->Close();
    QVERIFY_THROWS_EXCEPTION(StoreError, log_->ListRegistrations());
    QVERIFY_THROWS_EXCEPTION(StoreError, table->AppendMileage(reading("X", day(2026, 1, 1), 1)));
}

void TestVehicleLog::createRefusesExistingFile()
{
    log_->OpenMileageTable()->AppendMileage(reading("KEEP", day(2026, 1, 1), 1));
    QVERIFY_THROWS_EXCEPTION(StoreError, VehicleLog::Create(path_));
    QCOMPARE(log_->MileageChronological(QStringLiteral("KEEP")).size(), 1);
}

void TestVehicleLog::schemaIsVersioned()
{
    log_.reset();
    SqliteDatabase db(path_, SqliteDatabase::Mode::ReadOnly, 0);
    QCOMPARE(db.integer("PRAGMA user_version"), qint64(VehicleLog::SchemaVersion));
    QCOMPARE(
        db.integer("SELECT count(*) FROM sqlite_master WHERE type='index' AND tbl_name='Mileage'"),
        1);
    QCOMPARE(db.integer("SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN "
                        "('Removed Mileage', 'Removed Maintenance')"),
             2);
}

void TestVehicleLog::repeatedReadsSeeEveryWrite()
{
    auto table = log_->OpenMileageTable();
    table->AppendMileage(reading("C", day(2026, 1, 1), 1));
    QCOMPARE(log_->MileageChronological(QStringLiteral("C")).size(), 1);
    table->AppendMileage(reading("C", day(2026, 1, 2), 2));
    QCOMPARE(log_->MileageChronological(QStringLiteral("C")).size(), 2);
    // A second connection, as another process sharing the file would have.
    auto other = VehicleLog::Open(path_);
    other->OpenMileageTable()->AppendMileage(reading("C", day(2026, 1, 3), 3));
    QCOMPARE(mileages(log_->MileageChronological("C")), QStringList({"1", "2", "3"}));
    QCOMPARE(log_->MileageChronological(QStringLiteral("D")).size(), 0);
    QCOMPARE(log_->MileageChronological(QStringLiteral("C")).size(), 3);
}

namespace {
QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Texts the user may read: never the engine's own words.
bool soundsPlain(const QString& text)
{
    for (const char* engine : {"SQL", "sqlite", "database", "constraint", "UNIQUE", "locked"})
        if (text.contains(QLatin1String(engine), Qt::CaseInsensitive))
            return false;
    return !text.isEmpty();
}
} // namespace

void TestVehicleLog::lockedStoreRefusedUntouched()
{
    log_->OpenMileageTable()->AppendMileage(reading("L", day(2026, 1, 1), 1));
    log_.reset();
    const QByteArray before = contentOf(path_);
    {
        SqliteDatabase holder(path_, SqliteDatabase::Mode::ReadWrite, 0);
        holder.execute("BEGIN EXCLUSIVE");
        try {
            VehicleLog::Open(path_, 50);
            QFAIL("a store held by another program should be refused");
        } catch (const StoreError& e) {
            QCOMPARE(e.code(), 5); // busy
        }
        holder.execute("ROLLBACK");
    }
    QCOMPARE(contentOf(path_), before);
}

void TestVehicleLog::readOnlyStoreRefusedUntouched()
{
    log_.reset();
    const QByteArray before = contentOf(path_);
    // Permissions do not stop root, so there the file is made immutable instead.
    const bool root = ::geteuid() == 0;
    if (root) {
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path_}) != 0)
            QSKIP("this file system cannot make a file immutable");
    } else {
        QFile::setPermissions(path_, QFileDevice::ReadOwner);
    }
    bool refused = false;
    try {
        VehicleLog::Open(path_);
    } catch (const StoreError& e) {
        refused = true;
        QVERIFY(e.code() != 0);
    }
    if (root)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path_});
    else
        QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(refused);
    QCOMPARE(contentOf(path_), before);
}

void TestVehicleLog::newestFirstBreaksTiesByReadingThenEntry()
{
    auto table = log_->OpenMileageTable();
    table->AppendMileage(reading("X", day(2026, 3, 1), 300, 1));
    table->AppendMileage(reading("X", day(2026, 3, 1), 500, 2));
    table->AppendMileage(reading("X", day(2026, 3, 1), 500, 3));
    table->AppendMileage(reading("X", day(2026, 1, 1), 900, 4));
    // Entered last, below two readings of its day: entry order alone would put it first.
    table->AppendMileage(reading("X", day(2026, 3, 1), 400, 5));
    QStringList order;
    for (const auto& r : log_->MileageNewestFirst("X"))
        order << PlainNumber(r.Amount);
    QCOMPARE(order, QStringList({"3", "2", "5", "1", "4"}));
    QStringList entries;
    for (const auto& e : log_->MileageEntries("X"))
        entries << PlainNumber(e.row.Amount);
    QCOMPARE(entries, QStringList({"4", "1", "5", "2", "3"}));
}

void TestVehicleLog::latestIsFirstOfNewestFirst()
{
    auto mileage = log_->OpenMileageTable();
    mileage->AppendMileage(reading("X", day(2026, 3, 1), 300, 1));
    mileage->AppendMileage(reading("X", day(2026, 3, 1), 300, 2));
    mileage->AppendMileage(reading("X", day(2026, 2, 1), 400, 3));
    auto maintenance = log_->OpenMaintenanceTable();
    maintenance->AppendMaintenance(MaintenanceRow{"X", day(2026, 5, 1), 10, "first"});
    maintenance->AppendMaintenance(MaintenanceRow{"X", day(2026, 5, 1), 20, "second"});
    maintenance->AppendMaintenance(MaintenanceRow{"X", day(2026, 4, 1), 30, "older"});
    QCOMPARE(log_->LatestMileage("x")->Amount, log_->MileageNewestFirst("X").first().Amount);
    QCOMPARE(log_->LatestMileage("x")->Amount, 2.0);
    QCOMPARE(log_->LatestMaintenance("x")->Description, QStringLiteral("second"));
    QVERIFY(!log_->LatestMileage("nobody"));
    QVERIFY(!log_->LatestMaintenance("nobody"));
}

Q_DECLARE_METATYPE(LogBatch)

void TestVehicleLog::batchIsAllOrNothing_data()
{
    QTest::addColumn<LogBatch>("batch");
    QTest::addColumn<int>("code"); // 0: stored whole
    LogBatch good;
    good.vehicles << vehicle("B1") << vehicle("B2");
    good.mileage << reading("B1", day(2026, 1, 1), 10) << reading("B2", day(2026, 1, 1), 20)
                 << reading("B1", day(2026, 2, 1), 30);
    good.maintenance << MaintenanceRow{"B2", day(2026, 1, 5), 12.5, "Oil"};
    QTest::newRow("sound batch stored whole") << good << 0;
    LogBatch badLast = good;
    badLast.maintenance << MaintenanceRow{"B2", day(2026, 1, 6), qQNaN(), "Bad"};
    QTest::newRow("bad value in the last row") << badLast << StoreError::ConversionFailure;
    LogBatch badDate = good;
    badDate.vehicles[1].PurchaseDate = QDateTime();
    QTest::newRow("bad date in a vehicle") << badDate << StoreError::ConversionFailure;
    LogBatch twice = good;
    twice.vehicles << vehicle("b1");
    QTest::newRow("same registration twice") << twice << 19; // SQLite's constraint code
}

void TestVehicleLog::batchIsAllOrNothing()
{
    QFETCH(LogBatch, batch);
    QFETCH(int, code);
    try {
        log_->AppendBatch(batch);
        QCOMPARE(0, code);
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), code);
        QVERIFY2(soundsPlain(e.text()), qPrintable(e.text()));
    }
    const bool stored = code == 0;
    QCOMPARE(log_->ListRegistrations().size(), stored ? 2 : 0);
    QCOMPARE(log_->MileageChronological("B1").size(), stored ? 2 : 0);
    QCOMPARE(log_->MaintenanceByDate("B2").size(), stored ? 1 : 0);
}

void TestVehicleLog::removeLatestMileageMovesIt()
{
    auto details = log_->OpenVehicleDetailsTable();
    details->AppendVehicle(vehicle("A"), reading("A", day(2026, 1, 1), 100));
    details->AppendVehicle(vehicle("B"), reading("B", day(2026, 1, 1), 5));
    auto table = log_->OpenMileageTable();
    table->AppendMileage(reading("A", day(2026, 2, 1), 200, 40, 1.5));
    table->AppendMileage(reading("A", day(2026, 1, 15), 150));
    table->AppendMileage(reading("B", day(2026, 3, 1), 50));

    const MileageRow removed = log_->RemoveLatestMileage("a", at(2026, 4, 1, 9, 30));
    QCOMPARE(removed.CurrentMileage, 200.0);
    QCOMPARE(removed.Amount, 40.0);
    log_->RemoveLatestMileage("B", at(2026, 4, 2, 10, 0));
    log_->RemoveLatestMileage("A", at(2026, 4, 3, 11, 0));
    QCOMPARE(mileages(log_->MileageChronological("A")), QStringList({"100"}));
    QCOMPARE(mileages(log_->MileageChronological("B")), QStringList({"5"}));

    const auto gone = log_->RemovedMileage();
    QCOMPARE(gone.size(), 3);
    QCOMPARE(gone[0].row.Registration, QStringLiteral("A"));
    QCOMPARE(gone[0].row.CurrentMileage, 200.0);
    QCOMPARE(gone[0].row.PricePer, 1.5);
    QCOMPARE(gone[0].row.Date, day(2026, 2, 1));
    QCOMPARE(gone[0].RemovedAt, at(2026, 4, 1, 9, 30));
    QCOMPARE(gone[0].Reason, RemovalReason::Removed);
    QCOMPARE(gone[1].row.CurrentMileage, 50.0);
    QCOMPARE(gone[2].row.CurrentMileage, 150.0);
    QCOMPARE(gone[2].RemovedAt, at(2026, 4, 3, 11, 0));
}

void TestVehicleLog::removeLatestRefusals_data()
{
    QTest::addColumn<bool>("mileage");
    QTest::addColumn<QString>("registration");
    QTest::addColumn<int>("code");
    QTest::newRow("only reading") << true << "ONE" << StoreError::OnlyReading;
    QTest::newRow("no reading at all") << true << "nobody" << StoreError::NotFound;
    QTest::newRow("no maintenance entry") << false << "ONE" << StoreError::NotFound;
}

void TestVehicleLog::removeLatestRefusals()
{
    QFETCH(bool, mileage);
    QFETCH(QString, registration);
    QFETCH(int, code);
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("ONE"),
                                                   reading("ONE", day(2026, 1, 1), 1));
    try {
        if (mileage)
            log_->RemoveLatestMileage(registration, at(2026, 2, 1, 8, 0));
        else
            log_->RemoveLatestMaintenance(registration, at(2026, 2, 1, 8, 0));
        QFAIL("the removal should have been refused");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), code);
        QVERIFY2(soundsPlain(e.text()), qPrintable(e.text()));
    }
    QCOMPARE(log_->MileageChronological("ONE").size(), 1);
    QVERIFY(log_->RemovedMileage().isEmpty());
    // The refusal left no transaction behind.
    log_->OpenMileageTable()->AppendMileage(reading("ONE", day(2026, 1, 2), 2));
    QCOMPARE(log_->MileageChronological("ONE").size(), 2);
}

void TestVehicleLog::removeLatestMaintenanceMovesIt()
{
    auto table = log_->OpenMaintenanceTable();
    table->AppendMaintenance(MaintenanceRow{"M", day(2026, 5, 1), 10, "first"});
    table->AppendMaintenance(MaintenanceRow{"M", day(2026, 5, 1), 20, "second"});
    table->AppendMaintenance(MaintenanceRow{"M", day(2026, 4, 1), 30, "older"});
    QCOMPARE(log_->RemoveLatestMaintenance("M", at(2026, 6, 1, 12, 0)).Description,
             QStringLiteral("second"));
    QCOMPARE(log_->RemoveLatestMaintenance("M", at(2026, 6, 1, 12, 5)).Description,
             QStringLiteral("first"));
    QCOMPARE(log_->RemoveLatestMaintenance("M", at(2026, 6, 1, 12, 9)).Cost, 30.0);
    QVERIFY(log_->MaintenanceByDate("M").isEmpty());
    const auto gone = log_->RemovedMaintenance();
    QCOMPARE(gone.size(), 3);
    QCOMPARE(gone[0].row.Cost, 20.0);
    QCOMPARE(gone[1].RemovedAt, at(2026, 6, 1, 12, 5));
    QCOMPARE(gone[2].row.Description, QStringLiteral("older"));
}

void TestVehicleLog::olderStoresAreUpgraded_data()
{
    QTest::addColumn<int>("version");
    QTest::newRow("version 1: no removed entries yet") << 1;
    QTest::newRow("version 2: removed entries without a reason") << 2;
    QTest::newRow("version 3: replaced entries without their replacement") << 3;
    QTest::newRow("version 4: no fill flags, kinds of cost or reminders") << 4;
}

void TestVehicleLog::olderStoresAreUpgraded()
{
    QFETCH(int, version);
    log_.reset();
    const QString old = dir_->filePath(QStringLiteral("old.mdb"));
    QByteArray sql = QByteArray(VersionOneTables) + R"(
        INSERT INTO "Vehicle Details" VALUES ('OLD1', 'Ford', '', '', 0, '1900-01-01',
            '1900-01-01');
        INSERT INTO "Mileage" VALUES ('OLD1', '2020-01-01', 10, 0, 0);
        INSERT INTO "Mileage" VALUES ('OLD1', '2020-02-01', 20, 30, 1.2);
        PRAGMA user_version = 1;)";
    if (version == 2)
        sql += R"(
        CREATE TABLE "Removed Mileage" ("Registration" TEXT NOT NULL COLLATE NOCASE,
            "Date" TEXT NOT NULL, "Current Mileage" REAL NOT NULL, "Amount" REAL NOT NULL,
            "Price Per" REAL NOT NULL, "Removed At" TEXT NOT NULL) STRICT;
        CREATE TABLE "Removed Maintenance" ("Registration" TEXT NOT NULL COLLATE NOCASE,
            "Date" TEXT NOT NULL, "Cost" REAL NOT NULL, "Description" TEXT NOT NULL,
            "Removed At" TEXT NOT NULL) STRICT;
        INSERT INTO "Removed Mileage" VALUES ('OLD1', '2020-03-01', 30, 5, 1, '2020-03-02T08:00:00');
        INSERT INTO "Removed Mileage" VALUES ('OLD1', '2020-03-03', 35, 5, 1, '2020-03-04T08:00:00');
        INSERT INTO "Removed Maintenance" VALUES ('OLD1', '2020-01-05', 12, 'Oil',
            '2020-01-06T09:00:00');
        PRAGMA user_version = 2;)";
    if (version >= 3)
        sql += R"(
        CREATE TABLE "Removed Mileage" ("Registration" TEXT NOT NULL COLLATE NOCASE,
            "Date" TEXT NOT NULL, "Current Mileage" REAL NOT NULL, "Amount" REAL NOT NULL,
            "Price Per" REAL NOT NULL, "Removed At" TEXT NOT NULL, "Reason" TEXT NOT NULL) STRICT;
        CREATE TABLE "Removed Maintenance" ("Registration" TEXT NOT NULL COLLATE NOCASE,
            "Date" TEXT NOT NULL, "Cost" REAL NOT NULL, "Description" TEXT NOT NULL,
            "Removed At" TEXT NOT NULL, "Reason" TEXT NOT NULL) STRICT;
        INSERT INTO "Removed Mileage" VALUES ('OLD1', '2020-03-01', 30, 5, 1,
            '2020-03-02T08:00:00', 'Removed');
        INSERT INTO "Maintenance" VALUES ('OLD1', '2020-01-05', 12, 'Oil');
        PRAGMA user_version = 3;)";
    if (version == 4)
        sql += R"(
        ALTER TABLE "Removed Mileage" ADD COLUMN "Replaced By" INTEGER;
        ALTER TABLE "Removed Maintenance" ADD COLUMN "Replaced By" INTEGER;
        CREATE TABLE "Removed Vehicle Details" ("Registration" TEXT NOT NULL COLLATE NOCASE,
            "Former Registration" TEXT NOT NULL, "Make" TEXT, "Model" TEXT, "Fuel" TEXT,
            "Engine Capacity" REAL, "Registration Date" TEXT, "Purchase Date" TEXT,
            "Removed At" TEXT NOT NULL, "Reason" TEXT NOT NULL) STRICT;
        PRAGMA user_version = 4;)";
    rawExecute(old, sql.constData(), SqliteDatabase::Mode::Create);
    const int kept = version == 2 ? 2 : version >= 3 ? 1 : 0;
    {
        // Read as it is: no upgrade, no write.
        auto reader = VehicleLog::OpenReadOnly(old);
        QCOMPARE(mileages(reader->MileageChronological("OLD1")), QStringList({"10", "20"}));
        QVERIFY(reader->Check().isEmpty());
        if (version >= 3)
            QCOMPARE(reader->MaintenanceByDate("OLD1").at(0).Category, CostCategory::Other);
        QVERIFY_THROWS_EXCEPTION(StoreError, reader->OpenMileageTable()->AppendMileage(
                                                 reading("OLD1", day(2021, 1, 1), 30)));
    }
    QCOMPARE(SqliteDatabase(old, SqliteDatabase::Mode::ReadOnly, 0).integer("PRAGMA user_version"),
             version);
    auto log = VehicleLog::Open(old);
    QCOMPARE(mileages(log->MileageChronological("OLD1")), QStringList({"10", "20"}));
    QCOMPARE(log->RemovedMileage().size(), kept);
    for (const auto& r : log->RemovedMileage())
        QCOMPARE(r.Reason, RemovalReason::Removed);
    if (version == 2) {
        QCOMPARE(log->RemovedMileage().at(1).row.CurrentMileage, 35.0);
        QCOMPARE(log->RemovedMaintenance().at(0).RemovedAt, at(2020, 1, 6, 9, 0));
        QCOMPARE(log->RemovedMaintenance().at(0).Reason, RemovalReason::Removed);
    }
    for (const auto& r : log->MileageChronological("OLD1"))
        QVERIFY(!r.PartialFill && !r.MissedFillBefore);
    QCOMPARE(log->RemoveLatestMileage("OLD1", at(2026, 1, 1, 0, 0)).CurrentMileage, 20.0);
    QCOMPARE(log->RemovedMileage().size(), kept + 1);
    QVERIFY(log->Check().isEmpty());
    log.reset();
    SqliteDatabase peek(old, SqliteDatabase::Mode::ReadOnly, 0);
    QCOMPARE(peek.integer("PRAGMA user_version"), qint64(VehicleLog::SchemaVersion));
    QCOMPARE(peek.integer("SELECT count(*) FROM sqlite_master WHERE name LIKE '% 2'"), 0);
}

void TestVehicleLog::newerStoreRefusedByteForByte()
{
    log_.reset();
    rawExecute(path_, "PRAGMA user_version = 99");
    const QByteArray before = contentOf(path_);
    try {
        VehicleLog::Open(path_);
        QFAIL("a store of a newer version should be refused");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), StoreError::TooNew);
        QVERIFY(e.text().contains(QLatin1String("newer version of Kelmot")));
    }
    QCOMPARE(contentOf(path_), before);
    QVERIFY(!QFile::exists(path_ + QStringLiteral("-journal")));
}

void TestVehicleLog::checkFindsBrokenRules_data()
{
    QTest::addColumn<QByteArray>("breakage");
    QTest::addColumn<QStringList>("words"); // one problem each, in this order
    QTest::newRow("sound") << QByteArray() << QStringList();
    QTest::newRow("vehicle without a reading")
        << QByteArray(R"(DELETE FROM "Mileage" WHERE "Registration" = 'B')")
        << QStringList({"B has no mileage reading"});
    QTest::newRow("readings going down twice")
        << QByteArray(R"(INSERT INTO "Mileage" VALUES ('a', '2026-03-01', 150, 0, 0, 0);
                         INSERT INTO "Mileage" VALUES ('A', '2026-04-01', 120, 0, 0, 0))")
        << QStringList({"reading of 150 on 01/03/2026", "reading of 120 on 01/04/2026"});
    QTest::newRow("same day is not going down")
        << QByteArray(R"(INSERT INTO "Mileage" VALUES ('A', '2026-02-01', 180, 0, 0, 0))")
        << QStringList();
    QTest::newRow("version missing")
        << QByteArray("PRAGMA user_version = 0") << QStringList({"no vehicle log version"});
    QTest::newRow("removed table missing") << QByteArray(R"(DROP TABLE "Removed Maintenance")")
                                           << QStringList({"\"Removed Maintenance\" is missing"});
    QTest::newRow("reason column missing")
        << QByteArray(R"(ALTER TABLE "Removed Mileage" DROP COLUMN "Reason")")
        << QStringList({"\"Removed Mileage\" has no column \"Reason\""});
    QTest::newRow("replacement column missing")
        << QByteArray(R"(DROP INDEX "Removed Maintenance by Replacement";
                         ALTER TABLE "Removed Maintenance" DROP COLUMN "Replaced By")")
        << QStringList({"\"Removed Maintenance\" has no column \"Replaced By\""});
    QTest::newRow("fill column missing")
        << QByteArray(R"(ALTER TABLE "Mileage" DROP COLUMN "Fill")")
        << QStringList({"\"Mileage\" has no column \"Fill\""});
    QTest::newRow("reminders table missing") << QByteArray(R"(DROP TABLE "Reminders")")
                                             << QStringList({"\"Reminders\" is missing"});
    QTest::newRow("merged details table missing")
        << QByteArray(R"(DROP TABLE "Removed Vehicle Details")")
        << QStringList({"\"Removed Vehicle Details\" is missing"});
}

void TestVehicleLog::checkFindsBrokenRules()
{
    QFETCH(QByteArray, breakage);
    QFETCH(QStringList, words);
    auto details = log_->OpenVehicleDetailsTable();
    details->AppendVehicle(vehicle("A"), reading("A", day(2026, 1, 1), 100));
    details->AppendVehicle(vehicle("B"), reading("B", day(2026, 1, 1), 50));
    log_->OpenMileageTable()->AppendMileage(reading("A", day(2026, 2, 1), 200));
    // B's readings are lower than A's: no fault, they are another vehicle's.
    log_->OpenMileageTable()->AppendMileage(reading("B", day(2026, 2, 1), 90));
    if (!breakage.isEmpty())
        rawExecute(path_, breakage.constData());
    const QStringList problems = log_->Check();
    QCOMPARE(problems.size(), words.size());
    for (int i = 0; i < words.size(); ++i)
        QVERIFY2(problems[i].contains(words[i]), qPrintable(problems[i]));
}

void TestVehicleLog::backupIsSoundAndConsistent()
{
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("K"), reading("K", day(2026, 1, 1), 1));
    log_->OpenMileageTable()->AppendMileage(reading("K", day(2026, 1, 2), 2));
    // Another connection is in the middle of a write it has not committed.
    SqliteDatabase writer(path_, SqliteDatabase::Mode::ReadWrite, 0);
    writer.execute(R"(BEGIN IMMEDIATE;
        INSERT INTO "Mileage" VALUES ('K', '2026-01-03', 3, 0, 0, 0))");
    const QString copy = dir_->filePath(QStringLiteral("copy.mdb"));
    log_->BackupTo(copy);
    writer.execute("COMMIT");
    auto backup = VehicleLog::Open(copy);
    QCOMPARE(mileages(backup->MileageChronological("K")), QStringList({"1", "2"}));
    QVERIFY(backup->FindVehicle("K"));
    QVERIFY(backup->Check().isEmpty());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 2); // nothing left over
}

void TestVehicleLog::backupNeverOverwrites()
{
    const QString taken = dir_->filePath(QStringLiteral("taken.mdb"));
    {
        QFile f(taken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    QVERIFY_THROWS_EXCEPTION(StoreError, log_->BackupTo(taken));
    QCOMPARE(contentOf(taken), QByteArray("keep me"));
    const QString nowhere = dir_->filePath(QStringLiteral("no/such/folder/copy.mdb"));
    QVERIFY_THROWS_EXCEPTION(StoreError, log_->BackupTo(nowhere));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 2);
}

void TestVehicleLog::restoreReplacesAndKeepsTheOld_data()
{
    QTest::addColumn<QByteArray>("sourceMode"); // the backup's journal mode
    QTest::newRow("backup with a rollback journal") << QByteArray("DELETE");
    QTest::newRow("backup in WAL mode: the store keeps its journal") << QByteArray("WAL");
}

void TestVehicleLog::restoreReplacesAndKeepsTheOld()
{
    QFETCH(QByteArray, sourceMode);
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("OLD"),
                                                   reading("OLD", day(2026, 1, 1), 1));
    const QString source = dir_->filePath(QStringLiteral("source.mdb"));
    VehicleLog::Create(source);
    {
        auto other = VehicleLog::Open(source);
        other->OpenVehicleDetailsTable()->AppendVehicle(vehicle("NEW"),
                                                        reading("NEW", day(2026, 1, 1), 9));
    }
    rawExecute(source, ("PRAGMA journal_mode=" + sourceMode).constData());
    log_.reset();
    const QByteArray sourceBytes = contentOf(source);
    const QString kept = VehicleLog::Restore(source, path_, {at(2026, 6, 15, 9, 5), nullptr, {}});
    QCOMPARE(kept, path_ + QStringLiteral(".before-restore-20260615-090500"));
    QCOMPARE(VehicleLog::OpenReadOnly(kept)->ListRegistrations(), QStringList({"OLD"}));
    QCOMPARE(contentOf(source), sourceBytes);
    log_ = VehicleLog::Open(path_);
    QCOMPARE(log_->ListRegistrations(), QStringList({"NEW"}));
    // No temporary, journal, lock, -wal or -shm file is left, not even while the store is open.
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 3);
}

void TestVehicleLog::unsoundRestoreChangesNothing_data()
{
    QTest::addColumn<QByteArray>("breakage"); // SQL run on a good store; "garbage": not SQLite
    QTest::addColumn<int>("code");
    QTest::newRow("not a database") << QByteArray("garbage") << 26;
    QTest::newRow("newer version") << QByteArray("PRAGMA user_version = 99") << StoreError::TooNew;
    QTest::newRow("reading goes down")
        << QByteArray(R"(INSERT INTO "Mileage" VALUES ('S', '2029-01-01', 1, 0, 0, 0))") << 11;
    QTest::newRow("tables missing") << QByteArray(R"(DROP TABLE "Maintenance")") << 11;
    QTest::newRow("missing file") << QByteArray("missing") << StoreError::CantOpen;
    QTest::newRow("no vehicle") << QByteArray(R"(DELETE FROM "Vehicle Details")")
                                << StoreError::NotFound;
}

void TestVehicleLog::unsoundRestoreChangesNothing()
{
    QFETCH(QByteArray, breakage);
    QFETCH(int, code);
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("OLD"),
                                                   reading("OLD", day(2026, 1, 1), 1));
    log_.reset();
    const QString source = dir_->filePath(QStringLiteral("source.mdb"));
    if (breakage == "garbage") {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("not a vehicle log\n").repeated(300));
    } else if (breakage != "missing") {
        VehicleLog::Create(source);
        VehicleLog::Open(source)->OpenVehicleDetailsTable()->AppendVehicle(
            vehicle("S"), reading("S", day(2028, 1, 1), 100));
        rawExecute(source, breakage.constData());
    }
    const QByteArray before = contentOf(path_);
    const QStringList files = QDir(dir_->path()).entryList(QDir::Files);
    try {
        VehicleLog::Restore(source, path_, {at(2026, 6, 15, 9, 5), nullptr, {}});
        QFAIL("an unsound source should be refused");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), code);
        QVERIFY2(soundsPlain(e.text()), qPrintable(e.text()));
    }
    QCOMPARE(contentOf(path_), before);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), files);
}

void TestVehicleLog::busyWriteFailsPlainlyThenSucceeds()
{
    log_ = VehicleLog::Open(path_, 100);
    auto table = log_->OpenMileageTable();
    SqliteDatabase holder(path_, SqliteDatabase::Mode::ReadWrite, 0);
    holder.execute("BEGIN IMMEDIATE");
    const MileageRow row = reading("W", day(2026, 1, 1), 1);
    try {
        table->AppendMileage(row);
        QFAIL("the write should wait, then fail");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), 5);
        QCOMPARE(e.text(), QStringLiteral("The vehicle log is in use by another program. Nothing "
                                          "was stored; try again in a moment."));
        QVERIFY(!e.detail().isEmpty());
    }
    holder.execute("ROLLBACK");
    table->AppendMileage(row);
    QCOMPARE(log_->MileageChronological("W").size(), 1);
}

void TestVehicleLog::refusedWriteLeavesNoTransactionOpen()
{
    auto details = log_->OpenVehicleDetailsTable();
    details->AppendVehicle(vehicle("D"), reading("D", day(2026, 1, 1), 1));
    QVERIFY_THROWS_EXCEPTION(
        StoreError, details->AppendVehicle(vehicle("d"), reading("d", day(2026, 1, 1), 1)));
    QVERIFY_THROWS_EXCEPTION(StoreError, log_->EditVehicle("nobody", vehicle("x")));
    // Were a transaction still open, this second connection could not write.
    rawExecute(path_, R"(INSERT INTO "Mileage" VALUES ('D', '2026-01-05', 5, 0, 0, 0))");
    log_->OpenMileageTable()->AppendMileage(reading("D", day(2026, 1, 9), 9));
    QCOMPARE(mileages(log_->MileageChronological("D")), QStringList({"1", "5", "9"}));
}

void TestVehicleLog::engineFailuresInPlainWords_data()
{
    QTest::addColumn<int>("result"); // SQLite's result code, extended where it tells more
    QTest::addColumn<bool>("writing");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("words");
    QTest::newRow("busy") << 5 << true << 5 << "in use by another program";
    QTest::newRow("locked, extended") << (6 | (1 << 8)) << true << 6 << "try again in a moment";
    QTest::newRow("disk full") << 13 << true << 13 << "disk that holds the vehicle log is full";
    QTest::newRow("read-only file") << 8 << true << 8 << "cannot be written";
    QTest::newRow("cannot open on writing") << 14 << true << 14 << "cannot be written";
    QTest::newRow("cannot open on reading") << 14 << false << 14 << "cannot be opened";
    QTest::newRow("moved or deleted") << (8 | (4 << 8)) << true << 8 << "moved or deleted";
    QTest::newRow("a crash's write left to roll back, on reading")
        << (8 | (3 << 8)) << false << StoreError::UnfinishedWrite << "unfinished write";
    QTest::newRow("disk fault, extended") << (10 | (4 << 8)) << true << 10 << "disk or network";
    QTest::newRow("damaged") << 11 << false << 11 << "damaged";
    QTest::newRow("not a database") << 26 << false << 26 << "not a vehicle log";
    QTest::newRow("anything else") << 1 << true << 1 << "could not finish";
}

void TestVehicleLog::engineFailuresInPlainWords()
{
    QFETCH(int, result);
    QFETCH(bool, writing);
    QFETCH(int, code);
    QFETCH(QString, words);
    const StoreError e = SqliteFailure(result, writing ? StoreAction::Write : StoreAction::Read,
                                       QStringLiteral("engine text"));
    QCOMPARE(e.code(), code);
    QVERIFY2(e.text().contains(words), qPrintable(e.text()));
    QVERIFY2(soundsPlain(e.text()), qPrintable(e.text()));
    QCOMPARE(e.text().endsWith(QLatin1String("Nothing was stored.")) ||
                 e.text().contains(QLatin1String("Nothing was stored;")),
             writing);
    QCOMPARE(e.detail(), QStringLiteral("engine text"));
}

void TestVehicleLog::deletedFileFailsPlainly()
{
    auto table = log_->OpenMileageTable();
    table->AppendMileage(reading("G", day(2026, 1, 1), 1));
    QVERIFY(QFile::remove(path_));
    try {
        table->AppendMileage(reading("G", day(2026, 1, 2), 2));
        QFAIL("a write to a deleted file should fail");
    } catch (const StoreError& e) {
        QVERIFY(e.code() != 0);
        QVERIFY2(soundsPlain(e.text()), qPrintable(e.text()));
        QVERIFY2(e.text().contains(QLatin1String("Nothing was stored")), qPrintable(e.text()));
    }
}

namespace {

// Overwrites the copy's second page, where a table's tree begins, as a failing disk would.
void damagePage(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.size() > 3 * 4096);
    f.seek(4096);
    f.write(QByteArray(4096, '\x5a'));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

Q_DECLARE_METATYPE(StoreCopy)

void TestVehicleLog::copyFaultsNeverReportedDone_data()
{
    QTest::addColumn<StoreCopy>("stage");
    QTest::addColumn<bool>("diskFull"); // else the copy is damaged after it was written
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("words");
    QTest::newRow("backup damaged")
        << StoreCopy::Backup << false << 11 << "The backup copy did not read back sound";
    QTest::newRow("backup on a full disk")
        << StoreCopy::Backup << true << 13
        << "could not be written: the disk is full. The vehicle log is untouched";
    QTest::newRow("restored copy damaged")
        << StoreCopy::RestoredCopy << false << 11 << "did not read back sound; nothing was changed";
    QTest::newRow("restored copy on a full disk")
        << StoreCopy::RestoredCopy << true << 13
        << "could not be written beside the vehicle log: the disk is full. Nothing was changed";
    QTest::newRow("safety copy damaged") << StoreCopy::SafetyCopy << false << 11
                                         << "The safety copy of the vehicle log did not read back";
    QTest::newRow("safety copy on a full disk")
        << StoreCopy::SafetyCopy << true << 13
        << "The safety copy of the vehicle log could not be written: the disk is full. Nothing "
           "was changed";
}

void TestVehicleLog::copyFaultsNeverReportedDone()
{
    QFETCH(StoreCopy, stage);
    QFETCH(bool, diskFull);
    QFETCH(int, code);
    QFETCH(QString, words);
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("OLD"),
                                                   reading("OLD", day(2026, 1, 1), 1));
    const QString source = dir_->filePath(QStringLiteral("source.mdb"));
    VehicleLog::Create(source);
    VehicleLog::Open(source)->OpenVehicleDetailsTable()->AppendVehicle(
        vehicle("NEW"), reading("NEW", day(2026, 1, 1), 9));
    const QStringList files = filesIn(dir_->path());
    int calls = 0;
    const StoreCopyHook fault = [&](StoreCopy copy, const QString& path) {
        if (copy != stage)
            return;
        ++calls;
        if (diskFull)
            throw SqliteFailure(13, StoreAction::Write, QStringLiteral("engine text"));
        damagePage(path);
    };
    try {
        if (stage == StoreCopy::Backup) {
            log_->BackupTo(dir_->filePath(QStringLiteral("copy.mdb")), fault);
        } else {
            log_.reset();
            VehicleLog::Restore(source, path_, {at(2026, 6, 15, 9, 5), nullptr, fault});
        }
        QFAIL("a copy that is not sound was reported done");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), code);
        QVERIFY2(e.text().contains(words), qPrintable(e.text()));
        QVERIFY2(soundsPlain(e.text()), qPrintable(e.text()));
    }
    QCOMPARE(calls, 1);
    QCOMPARE(filesIn(dir_->path()), files); // no copy, temporary or lock left
    QCOMPARE(VehicleLog::Open(path_)->ListRegistrations(), QStringList({"OLD"}));
}

void TestVehicleLog::restoresKeepEverySafetyCopy_data()
{
    QTest::addColumn<QList<QDateTime>>("moments"); // one restore at each
    QTest::addColumn<QStringList>("names");        // the safety copies, in order
    QTest::newRow("once") << QList<QDateTime>{at(2026, 6, 15, 9, 5)}
                          << QStringList{"Mileage.mdb.before-restore-20260615-090500"};
    QTest::newRow("twice, a day apart")
        << QList<QDateTime>{at(2026, 6, 15, 9, 5), at(2026, 6, 16, 23, 59)}
        << QStringList{"Mileage.mdb.before-restore-20260615-090500",
                       "Mileage.mdb.before-restore-20260616-235900"};
    QTest::newRow("three times in one second")
        << QList<QDateTime>{at(2026, 6, 15, 9, 5), at(2026, 6, 15, 9, 5), at(2026, 6, 15, 9, 5)}
        << QStringList{"Mileage.mdb.before-restore-20260615-090500",
                       "Mileage.mdb.before-restore-20260615-090500-2",
                       "Mileage.mdb.before-restore-20260615-090500-3"};
}

void TestVehicleLog::restoresKeepEverySafetyCopy()
{
    QFETCH(QList<QDateTime>, moments);
    QFETCH(QStringList, names);
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("S0"),
                                                   reading("S0", day(2026, 1, 1), 1));
    log_.reset();
    // Restore n puts backup n in place; the store it replaces held S<n-1>.
    for (int n = 1; n <= moments.size(); ++n) {
        const QString source = dir_->filePath(QStringLiteral("backup%1.mdb").arg(n));
        const QString registration = QStringLiteral("S%1").arg(n);
        VehicleLog::Create(source);
        VehicleLog::Open(source)->OpenVehicleDetailsTable()->AppendVehicle(
            vehicle(registration), reading(registration, day(2026, 1, 1), n));
        const QString kept = VehicleLog::Restore(source, path_, {moments[n - 1], nullptr, {}});
        QCOMPARE(kept, dir_->filePath(names[n - 1]));
    }
    for (int n = 0; n < names.size(); ++n) {
        auto kept = VehicleLog::OpenReadOnly(dir_->filePath(names[n]));
        QVERIFY(kept->Check().isEmpty());
        QCOMPARE(kept->ListRegistrations(), QStringList{QStringLiteral("S%1").arg(n)});
    }
    QCOMPARE(VehicleLog::Open(path_)->ListRegistrations(),
             QStringList{QStringLiteral("S%1").arg(moments.size())});
    QCOMPARE(filesIn(dir_->path()).size(), 1 + 2 * moments.size());
}

void TestVehicleLog::restoreWaitsForTheLockOwner()
{
    log_.reset();
    const QString source = dir_->filePath(QStringLiteral("source.mdb"));
    VehicleLog::Create(source);
    VehicleLog::Open(source)->OpenVehicleDetailsTable()->AppendVehicle(
        vehicle("NEW"), reading("NEW", day(2026, 1, 1), 9));
    StoreLock running(path_); // as Kelmot holds it
    QVERIFY(running.tryAcquire(0));
    const QStringList files = filesIn(dir_->path());
    try {
        VehicleLog::Restore(source, path_, {at(2026, 6, 15, 9, 5), nullptr, {}});
        QFAIL("a restore under a running Kelmot");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), StoreError::Busy);
        QVERIFY2(e.text().startsWith(QLatin1String("Close Kelmot first")), qPrintable(e.text()));
    }
    QCOMPARE(filesIn(dir_->path()), files);
    // The lock's owner restores while it keeps holding it.
    QVERIFY(!VehicleLog::Restore(source, path_, {at(2026, 6, 15, 9, 5), &running, {}}).isEmpty());
    QVERIFY(running.isHeld());
    QCOMPARE(VehicleLog::Open(path_)->ListRegistrations(), QStringList{"NEW"});

    // A lock file naming no owner, as a kill between making it and writing it leaves, is taken
    // over once no process holds it.
    running.release();
    {
        QFile empty(StoreLock::LockPathFor(path_));
        QVERIFY(empty.open(QIODevice::WriteOnly));
    }
    StoreLock next(path_);
    QVERIFY(next.tryAcquire(0));
}

void TestVehicleLog::leftoversOfInterruptedRunsRemoved_data()
{
    QTest::addColumn<bool>("restore"); // else a backup into the store's folder
    QTest::newRow("by the next backup") << false;
    QTest::newRow("by the next restore") << true;
}

void TestVehicleLog::leftoversOfInterruptedRunsRemoved()
{
    QFETCH(bool, restore);
    const QStringList leftovers{"Mileage.mdb.kelmot-temp-a1B2c3",
                                "Mileage.mdb.kelmot-temp-a1B2c3-journal"};
    const QStringList others{"Other.mdb.kelmot-temp-zzzzzz", "Mileage.mdb.kelmot-tempest",
                             "notes.txt"};
    for (const QString& name : leftovers + others) {
        QFile f(dir_->filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("left over");
    }
    if (restore) {
        log_.reset();
        const QString source = dir_->filePath(QStringLiteral("source.mdb"));
        VehicleLog::Create(source);
        VehicleLog::Open(source)->OpenVehicleDetailsTable()->AppendVehicle(
            vehicle("NEW"), reading("NEW", day(2026, 1, 1), 9));
        VehicleLog::Restore(source, path_, {at(2026, 6, 15, 9, 5), nullptr, {}});
    } else {
        log_->BackupTo(dir_->filePath(QStringLiteral("source.mdb")));
    }
    QStringList expected = others;
    expected << "Mileage.mdb"
             << "source.mdb";
    if (restore)
        expected << "Mileage.mdb.before-restore-20260615-090500";
    expected.sort();
    QCOMPARE(filesIn(dir_->path()), expected);
}

void TestVehicleLog::backupNeverWritesThroughALink_data()
{
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("dangling link") << false;
    QTest::newRow("link to a file") << true;
}

void TestVehicleLog::backupNeverWritesThroughALink()
{
    QFETCH(bool, targetExists);
    const QString target = dir_->filePath(QStringLiteral("elsewhere.mdb"));
    if (targetExists) {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    const QString link = dir_->filePath(QStringLiteral("copy.mdb"));
    QVERIFY(QFile::link(target, link));
    try {
        log_->BackupTo(link);
        QFAIL("a backup was written through a link");
    } catch (const StoreError& e) {
        QVERIFY2(e.text().contains(QLatin1String("never written through a link")),
                 qPrintable(e.text()));
    }
    QCOMPARE(QFileInfo::exists(target), targetExists);
    if (targetExists)
        QCOMPARE(contentOf(target), QByteArray("keep me"));
    QVERIFY(QFileInfo(link).isSymLink());
}

void TestVehicleLog::restoreThroughALinkKeepsLinkAndPermissions()
{
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("OLD"),
                                                   reading("OLD", day(2026, 1, 1), 1));
    log_.reset();
    // The real store is in a synced folder; the program folder holds a link to it.
    const QString synced = dir_->filePath(QStringLiteral("synced"));
    QVERIFY(QDir().mkdir(synced));
    const QString real = QDir(synced).filePath(QStringLiteral("log.mdb"));
    QVERIFY(QFile::rename(path_, real));
    QVERIFY(QFile::link(real, path_));
    const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther; // 0644, where new files are made 0600
    QVERIFY(QFile::setPermissions(real, shared));
    const QString source = dir_->filePath(QStringLiteral("source.mdb"));
    VehicleLog::Create(source);
    VehicleLog::Open(source)->OpenVehicleDetailsTable()->AppendVehicle(
        vehicle("NEW"), reading("NEW", day(2026, 1, 1), 9));

    const QString kept = VehicleLog::Restore(source, path_, {at(2026, 6, 15, 9, 5), nullptr, {}});
    QCOMPARE(kept, real + QStringLiteral(".before-restore-20260615-090500"));
    QVERIFY(QFileInfo(path_).isSymLink());
    QCOMPARE(QFileInfo(path_).symLinkTarget(), real);
    QCOMPARE(VehicleLog::Open(path_)->ListRegistrations(), QStringList{"NEW"});
    QCOMPARE(VehicleLog::Open(kept)->ListRegistrations(), QStringList{"OLD"});
    const QString backup = dir_->filePath(QStringLiteral("backup.mdb"));
    VehicleLog::Open(path_)->BackupTo(backup);
    for (const QString& made : {real, kept, backup})
        QCOMPARE(QFileInfo(made).permissions() & 0x7077, shared & 0x7077); // owner, group, other
}

QTEST_GUILESS_MAIN(TestVehicleLog)
#include "tst_vehiclelog.moc"
