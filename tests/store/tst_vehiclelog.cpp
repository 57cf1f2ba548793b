#include "TestEnvironment.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>
#include <unistd.h>

namespace {

QDateTime day(int y, int m, int d)
{
    return AtMidnight(QDate(y, m, d));
}

VehicleRow vehicle(const QString& registration)
{
    VehicleRow row;
    row.Registration = registration;
    row.Make = QStringLiteral("Ford");
    row.Model = QStringLiteral("Fiesta");
    row.Fuel = QStringLiteral("Petrol");
    row.EngineCapacity = 1.25;
    row.RegistrationDate = day(2001, 4, 1);
    row.PurchaseDate = day(2002, 5, 2);
    return row;
}

MileageRow reading(const QString& registration, QDateTime date, double mileage, double amount = 0,
                   double price = 0)
{
    return MileageRow{registration, date, mileage, amount, price};
}

QStringList mileages(const QVector<MileageRow>& rows)
{
    QStringList out;
    for (const auto& r : rows)
        out << PlainNumber(r.CurrentMileage);
    return out;
}

} // namespace

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
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(path_);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version")) && q.next());
        QCOMPARE(q.value(0).toInt(), VehicleLog::SchemaVersion);
        QVERIFY(q.exec(QStringLiteral(
            "SELECT count(*) FROM sqlite_master WHERE type='index' AND tbl_name='Mileage'")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
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
} // namespace

void TestVehicleLog::lockedStoreRefusedUntouched()
{
    log_->OpenMileageTable()->AppendMileage(reading("L", day(2026, 1, 1), 1));
    log_.reset();
    const QByteArray before = contentOf(path_);
    {
        QSqlDatabase holder =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder.setDatabaseName(path_);
        QVERIFY(holder.open());
        QSqlQuery q(holder);
        QVERIFY(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        try {
            VehicleLog::Open(path_, 50);
            QFAIL("a store held by another program should be refused");
        } catch (const StoreError& e) {
            QCOMPARE(e.code(), 5); // busy
        }
        QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
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

QTEST_GUILESS_MAIN(TestVehicleLog)
#include "tst_vehiclelog.moc"
