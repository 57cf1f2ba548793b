#include "ExchangeTestRows.h"
#include "Export.h"
#include "Fakes.h"
#include "FileFormats.h"
#include "ImportPlan.h"
#include "ImportPlanModel.h"
#include "ImportSummary.h"
#include "ReadImport.h"
#include "TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(KELMOT_FIXTURES) + name;
}

QDateTime at(const char* text)
{
    return *FileDate(QString::fromLatin1(text), DayOrder::YearFirst);
}

// A reading as stored from another program's file: what was worked out kept to 15 digits.
QString R(const QString& reg, const char* date, double mileage, double amount, double price)
{
    return QStringLiteral("R ") +
           rowText(MileageRow{reg, at(date), RoundToFifteenDigits(mileage),
                              RoundToFifteenDigits(amount), RoundToFifteenDigits(price)});
}

QString M(const QString& reg, const char* date, double cost, const QString& description)
{
    return QStringLiteral("M ") + rowText(MaintenanceRow{reg, at(date), cost, description});
}

QString V(const QString& reg, const QString& make, const QString& model, const QString& fuel)
{
    return QStringLiteral("V ") +
           rowText(VehicleRow{reg, make, model, fuel, 0, NoDate(), NoDate()});
}

// Every refused row of the plan, in line order.
QStringList refusedText(const ImportPlan& plan)
{
    QVector<RefusedRow> rows = plan.refusedElsewhere;
    for (const auto& v : plan.vehicles)
        rows += v.refused;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const RefusedRow& a, const RefusedRow& b) { return a.line < b.line; });
    QStringList out;
    for (const auto& r : rows)
        out << QStringLiteral("%1 %2: %3").arg(r.line).arg(r.what, r.reason);
    return out;
}

constexpr double km = 1.609344, usGallon = 3.785411784, impGallon = 4.54609;

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init();
    void cleanup() { log_.reset(); }

    void formats_data();
    void formats();
    void importingTwiceAddsNothing_data() { formats_data(); }
    void importingTwiceAddsNothing();
    void detection_data();
    void detection();
    void filesInNoFormat_data();
    void filesInNoFormat();
    void rules_data();
    void rules();
    void order_data();
    void order();
    void registrationProposed_data();
    void registrationProposed();
    void summaryTellsEverything();
    void planModel();
    void newVehicleWithoutAcceptableReading();
    void registrationsCompareWithoutCase();
    void aFailingApplyStoresNothing();
    void concurrentImportsStoreEveryRowOnce();
    void aChangedStoreIsPlannedAgain();
    void noRegistrationUntilMapped();
    void roundTrip_data();
    void roundTrip();
    void exportRecordsTheUnitAndConvertsOnImport();
    void cancelling();

private:
    ImportPlan importFile(const QString& path, const QString& unit,
                          const QMap<QString, QString>& mapping = {});

    QTemporaryDir dir_;
    std::unique_ptr<VehicleLog> log_;
    FakeClock clock_;
};

void TestExchange::init()
{
    const QString path = dir_.filePath(
        QStringLiteral("Mileage-%1.mdb")
            .arg(QTest::currentDataTag()
                     ? QString::number(qHash(QString::fromUtf8(QTest::currentDataTag())))
                     : QStringLiteral("x")));
    QFile::remove(path);
    VehicleLog::Create(path);
    log_ = VehicleLog::Open(path);
}

ImportPlan TestExchange::importFile(const QString& path, const QString& unit,
                                    const QMap<QString, QString>& mapping)
{
    const ImportFile file = ReadImportFile(path);
    ImportOptions options;
    options.logUnit = unit;
    options.registrationFor = mapping;
    ImportPlan plan = PlanImport(*log_, file, options, clock_);
    ApplyImport(*log_, plan);
    return plan;
}

void TestExchange::formats_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("registration"); // for files that name no vehicle
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("refused");

    const QString golf = QStringLiteral("KM05 ABC");
    QTest::newRow("fuelio km into a Mile log, partial fill, broken number")
        << "fuelio_km.csv"
        << "Mile"
        << ""
        << QStringList{V(golf, "Volkswagen", "Golf", ""),
                       R(golf, "2024-01-05 08:30", RoundToHundredths(12000 / km), 60.75, 1.5),
                       R(golf, "2024-02-10 17:45", RoundToHundredths(12643.7 / km), 57.68, 1.51) +
                           "|partial",
                       R(golf, "2024-03-01 12:00", RoundToHundredths(13100 / km), 1.55 * 20, 1.55),
                       M(golf, "2024-02-01", 89.90, "Oil change - 5W-30, \"long life\"") +
                           "|Service"}
        << QStringList{"9 row: \"x.5\" in Fuel is not a number",
                       "13 maintenance: the cost is 0 or less"};
    QTest::newRow("fuelio two vehicles, imperial and US gallons")
        << "fuelio_gallons.csv"
        << "Mile"
        << ""
        << QStringList{V("MC22 XYZ", "Honda", "CB500", ""),
                       R("MC22 XYZ", "2023-07-01 07:05", 1000, 12, 4 / usGallon),
                       V("Van", "Ford", "Transit", ""),
                       R("Van", "2023-05-01 10:00", 50000, 65, 6.5 / impGallon),
                       R("Van", "2023-06-01 10:00", 50400, 6.6 * 9.5, 6.6 / impGallon)}
        << QStringList{};
    QTest::newRow("acar, US gallons in miles and imperial gallons in km, cut-off row")
        << "acar.csv"
        << "Mile"
        << ""
        << QStringList{V("Estate", "Volvo", "V70", "Diesel"),
                       R("Estate", "2024-01-20 12:00", RoundToHundredths(201500 / km), 6.5 * 9,
                         6.5 / impGallon),
                       V("TX 4411", "Ford", "F-150", "Gasoline"),
                       R("TX 4411", "2024-01-14 07:40", 106421, 79.78, 3.969 / usGallon),
                       R("TX 4411", "2024-02-02 18:05", 106802, 31.19, 3.899 / usGallon) +
                           "|partial",
                       M("TX 4411", "2024-01-30 09:00", 120,
                         "Service - Oil Change, Tire Rotation - synthetic") +
                           "|Service"}
        << QStringList{"16 reading: out of line with the readings around it: " +
                           DistanceToText(201500 / km) + " on 20/01/2024 12:00:00",
                       "17 row: the column Odometer Reading is missing",
                       "22 maintenance: the cost is 0 or less"};
    QTest::newRow("fuelly imperial, two cars, a future date, a missing price")
        << "fuelly_imperial.csv"
        << "Mile"
        << ""
        << QStringList{V("Civic", "", "Civic EX", ""),
                       R("Civic", "2024-01-03 08:15", 30120, 11.2 * 3.459, 3.459 / usGallon),
                       R("Civic", "2024-01-17 17:30", 30480, 11.215 * 3.399, 3.399 / usGallon) +
                           "|partial",
                       V("Miata", "", "MX-5", ""),
                       R("Miata", "2024-02-01 10:00", 8000, 9 * 3.999, 3.999 / usGallon)}
        << QStringList{"5 row: there is no price",
                       "6 reading: the date 01/07/2026 09:00:00 is in the future"};
    QTest::newRow("fuelly metric into a Kilometre log")
        << "fuelly_metric.csv"
        << "Kilometre"
        << ""
        << QStringList{V("Clio", "", "Clio III", ""),
                       R("Clio", "2024-03-05 09:00", 45000, 42.5 * 1.789, 1.789),
                       R("Clio", "2024-03-19 18:20", 45650, 40.3 * 1.759, 1.759)}
        << QStringList{};
    QTest::newRow("spritmonitor, decimal comma, costs, broken and cut-off rows")
        << "spritmonitor.csv"
        << "Kilometre"
        << "SP 123"
        << QStringList{V("SP 123", "", "", "Diesel"),
                       R("SP 123", "2024-01-04", 15230, 78.5, 78.5 / 45.2),
                       R("SP 123", "2024-01-18", 15912.5, 70.1, 70.1 / 41.07),
                       M("SP 123", "2024-01-10", 249, "Inspektion - Ölwechsel \"Longlife\"") +
                           "|Service"}
        << QStringList{"4 reading: the amount paid is 0 or less",
                       "8 row: \"abc\" in Total price is not a number",
                       "9 row: the line is cut off (a quoted field is not closed)"};
    QTest::newRow("lubelogger day-first, decimal comma, BOM, a lower reading")
        << "lubelogger_dayfirst.csv"
        << "Kilometre"
        << "LL 1"
        << QStringList{V("LL 1", "", "", ""),
                       R("LL 1", "2024-01-05", 23456.5, 70.44, 70.44 / 40.25),
                       R("LL 1", "2024-01-20", 23980, 66.99, 66.99 / 38.5) + "|partial"}
        << QStringList{"4 reading: out of line with the readings around it: 23980 on 20/01/2024"};
    QTest::newRow("lubelogger ISO, decimal point, into a Mile log unconverted")
        << "lubelogger_iso.csv"
        << "Mile"
        << "LL 2"
        << QStringList{V("LL 2", "", "", ""),
                       R("LL 2", "2024-01-05", 23456.5, 70.44, 70.44 / 40.25),
                       R("LL 2", "2024-01-20", 23980, 66.99, 66.99 / 38.5) + "|partial"}
        << QStringList{};
}

void TestExchange::formats()
{
    QFETCH(QString, file);
    QFETCH(QString, unit);
    QFETCH(QString, registration);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, refused);
    QMap<QString, QString> mapping;
    if (!registration.isEmpty())
        mapping[QString()] = registration;
    const ImportPlan plan = importFile(fixture(file), unit, mapping);
    QCOMPARE(logText(*log_), rows);
    QCOMPARE(refusedText(plan), refused);
}

void TestExchange::importingTwiceAddsNothing()
{
    QFETCH(QString, file);
    QFETCH(QString, unit);
    QFETCH(QString, registration);
    QMap<QString, QString> mapping;
    if (!registration.isEmpty())
        mapping[QString()] = registration;
    const ImportPlan first = importFile(fixture(file), unit, mapping);
    const QStringList stored = logText(*log_);
    const ImportPlan second = importFile(fixture(file), unit, mapping);
    QVERIFY(second.addsNothing());
    QCOMPARE(logText(*log_), stored);
    int added = 0, present = 0;
    for (const auto& v : first.vehicles)
        added += v.readingsAdded + v.maintenanceAdded;
    for (const auto& v : second.vehicles) {
        present += v.readingsPresent + v.maintenancePresent;
        QVERIFY(!v.newVehicle);
    }
    QCOMPARE(present, added);
}

void TestExchange::detection_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("format");
    QTest::newRow("fuelio") << "fuelio_km.csv"
                            << "fuelio";
    QTest::newRow("acar") << "acar.csv"
                          << "acar";
    QTest::newRow("fuelly") << "fuelly_imperial.csv"
                            << "fuelly";
    QTest::newRow("fuelly metric") << "fuelly_metric.csv"
                                   << "fuelly";
    QTest::newRow("spritmonitor") << "spritmonitor.csv"
                                  << "spritmonitor";
    QTest::newRow("lubelogger with BOM") << "lubelogger_dayfirst.csv"
                                         << "lubelogger";
}

void TestExchange::detection()
{
    QFETCH(QString, file);
    QFETCH(QString, format);
    QCOMPARE(ReadImportFile(fixture(file)).format, format);
    QCOMPARE(ReadImportFile(fixture(file), format.toUpper()).format, format);
}

void TestExchange::filesInNoFormat_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("format");
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("blank lines") << QByteArray("\r\n \n") << "";
    QTest::newRow("some other csv") << QByteArray("a,b,c\n1,2,3\n") << "";
    QTest::newRow("unknown forced format") << QByteArray("a,b\n") << "excel";
    QTest::newRow("forced format that does not fit") << QByteArray("a,b\n1,2\n") << "fuelly";
}

void TestExchange::filesInNoFormat()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, format);
    QVERIFY_THROWS_EXCEPTION(ImportError, ReadImportContent(content, format));
}

void TestExchange::rules_data()
{
    // A stored vehicle with readings 1000 (1 Mar) and 2000 (1 May) and one maintenance row;
    // each case imports one reading or cost and expects it added, present or refused.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("date");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("amount");
    QTest::addColumn<double>("price");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("a reading between the two") << "R"
                                               << "2024-04-01" << 1500.0 << 10.0 << 1.5 << ""
                                               << "added";
    QTest::newRow("equal to the earlier one") << "R"
                                              << "2024-04-01" << 1000.0 << 10.0 << 1.5 << ""
                                              << "added";
    QTest::newRow("lower than an earlier-dated one")
        << "R"
        << "2024-04-01" << 999.0 << 10.0 << 1.5 << ""
        << "out of line with the readings around it: 1000 on 01/03/2024, 2000 on 01/05/2024";
    QTest::newRow("higher than a later-dated one")
        << "R"
        << "2024-04-01" << 2001.0 << 10.0 << 1.5 << ""
        << "out of line with the readings around it: 1000 on 01/03/2024, 2000 on 01/05/2024";
    QTest::newRow("lower, on the same day as a stored one")
        << "R"
        << "2024-05-01" << 1900.0 << 10.0 << 1.5 << ""
        << "added";
    QTest::newRow("after the last one") << "R"
                                        << "2024-06-15T11:59:00" << 2100.0 << 10.0 << 1.5 << ""
                                        << "added";
    QTest::newRow("later today than now") << "R"
                                          << "2024-06-15T12:01:00" << 2100.0 << 10.0 << 1.5 << ""
                                          << "the date 15/06/2024 12:01:00 is in the future";
    QTest::newRow("tomorrow") << "R"
                              << "2024-06-16" << 2100.0 << 10.0 << 1.5 << ""
                              << "the date 16/06/2024 is in the future";
    QTest::newRow("no amount") << "R"
                               << "2024-06-01" << 2100.0 << 0.0 << 1.5 << ""
                               << "the amount paid is 0 or less";
    QTest::newRow("negative price") << "R"
                                    << "2024-06-01" << 2100.0 << 10.0 << -1.0 << ""
                                    << "the price per litre is 0 or less";
    QTest::newRow("the stored reading again") << "R"
                                              << "2024-05-01" << 2000.0 << 20.0 << 0.0 << ""
                                              << "present";
    QTest::newRow("same reading, other amount") << "R"
                                                << "2024-05-01" << 2000.0 << 21.0 << 1.0 << ""
                                                << "added";
    QTest::newRow("a cost") << "M"
                            << "2024-02-01" << 55.5 << 0.0 << 0.0 << "Tyres"
                            << "added";
    QTest::newRow("the stored cost again") << "M"
                                           << "2024-04-02" << 80.0 << 0.0 << 0.0 << "MOT"
                                           << "present";
    QTest::newRow("a cost of 0") << "M"
                                 << "2024-04-02" << 0.0 << 0.0 << 0.0 << "Wash"
                                 << "the cost is 0 or less";
    QTest::newRow("no description") << "M"
                                    << "2024-04-02" << 10.0 << 0.0 << 0.0 << "  "
                                    << "there is no description";
    QTest::newRow("a future cost") << "M"
                                   << "2024-07-01" << 10.0 << 0.0 << 0.0 << "Later"
                                   << "the date 01/07/2024 is in the future";
}

void TestExchange::rules()
{
    QFETCH(QString, kind);
    QFETCH(QString, date);
    QFETCH(double, value);
    QFETCH(double, amount);
    QFETCH(double, price);
    QFETCH(QString, description);
    QFETCH(QString, outcome);
    clock_.moment = at("2024-06-15 12:00");
    const QString reg = QStringLiteral("AB12 CDE");
    auto vehicles = log_->OpenVehicleDetailsTable();
    vehicles->AppendVehicle(VehicleRow{reg, "Ford", "Ka", "Petrol", 1.2, NoDate(), NoDate()},
                            MileageRow{reg, at("2024-03-01"), 1000, 0, 0});
    log_->OpenMileageTable()->AppendMileage({reg, at("2024-05-01"), 2000, 20, 1.4});
    log_->OpenMaintenanceTable()->AppendMaintenance({reg, at("2024-04-02"), 80, "MOT"});
    const QStringList before = logText(*log_);

    ImportFile file;
    file.format = QStringLiteral("test");
    ImportedVehicle v;
    v.key = v.plate = reg;
    file.vehicles << v;
    const QDateTime when = *FileDate(date, DayOrder::YearFirst);
    if (kind == QLatin1String("R"))
        file.readings << ImportedReading{7,      reg,   when,        value, FileDistance::Unknown,
                                         amount, price, {true, true}};
    else
        file.maintenance << ImportedMaintenance{7, reg, when, value, description, "Tyres"};
    ImportOptions options;
    const ImportPlan plan = PlanImport(*log_, file, options, clock_);
    QCOMPARE(plan.vehicles.size(), 1);
    const VehicleImportSummary& s = plan.vehicles.first();
    QVERIFY(!s.newVehicle);
    const int added = s.readingsAdded + s.maintenanceAdded;
    const int present = s.readingsPresent + s.maintenancePresent;
    if (outcome == QLatin1String("added")) {
        QCOMPARE(added, 1);
        ApplyImport(*log_, plan);
        QCOMPARE(logText(*log_).size(), before.size() + 1);
        QVERIFY(logText(*log_).join('\n').contains(kind == "R" ? "|partial|missed" : "|Tyres"));
    } else if (outcome == QLatin1String("present")) {
        QCOMPARE(present, 1);
        QVERIFY(plan.addsNothing());
    } else {
        QCOMPARE(added + present, 0);
        QCOMPARE(s.refused.size(), 1);
        QCOMPARE(s.refused.first().line, 7);
        QCOMPARE(s.refused.first().reason, outcome);
        ApplyImport(*log_, plan);
        QCOMPARE(logText(*log_), before);
    }
}

void TestExchange::order_data()
{
    // Readings as "date value amount" (a trailing "M:desc" makes a cost of that amount, a value
    // ending in "km" is in kilometres); the file's rows are lines 2, 3, ... Outcome: added,
    // present, refused "line: reason", repeated lines.
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("present");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QList<int>>("repeated");
    const QString around = QStringLiteral("out of line with the readings around it: ");
    QTest::newRow("a too-high typo early costs that row only")
        << QStringList{}
        << QStringList{"2024-01-01 100 10", "2024-01-10 9999 10", "2024-01-20 200 10",
                       "2024-01-30 300 10", "2024-02-09 400 10"}
        << "fuelly" << 4 << 0
        << QStringList{"3: " + around + "100 on 01/01/2024, 200 on 20/01/2024"} << QList<int>{};
    QTest::newRow("a too-low typo in the middle")
        << QStringList{"2024-01-01 100 0"}
        << QStringList{"2024-01-10 200 10", "2024-01-20 5 10", "2024-01-30 300 10"} << "fuelly" << 2
        << 0 << QStringList{"3: " + around + "200 on 10/01/2024, 300 on 30/01/2024"}
        << QList<int>{};
    QTest::newRow("a too-low typo last, rows newest first")
        << QStringList{}
        << QStringList{"2024-01-30 50 10", "2024-01-20 300 10", "2024-01-10 200 10",
                       "2024-01-01 100 10"}
        << "fuelly" << 3 << 0 << QStringList{"2: " + around + "300 on 20/01/2024"} << QList<int>{};
    QTest::newRow("of two that contradict each other the later is refused")
        << QStringList{} << QStringList{"2024-01-01 500 10", "2024-01-10 400 10"} << "fuelly" << 1
        << 0 << QStringList{"3: " + around + "500 on 01/01/2024"} << QList<int>{};
    QTest::newRow("stored readings are never displaced by the file's")
        << QStringList{"2024-01-01 100 0", "2024-03-01 150 10"}
        << QStringList{"2024-02-01 200 10", "2024-02-10 210 10", "2024-03-10 220 10"} << "fuelly"
        << 1 << 0
        << QStringList{"2: " + around + "100 on 01/01/2024, 150 on 01/03/2024",
                       "3: " + around + "100 on 01/01/2024, 150 on 01/03/2024"}
        << QList<int>{};
    QTest::newRow("a later date of several readings bounds by its lowest")
        << QStringList{"2024-03-01 1000 0", "2024-05-01 2000 10", "2024-05-01 2100 10"}
        << QStringList{"2024-04-01 2050 10"} << "fuelly" << 0 << 0
        << QStringList{"2: " + around + "1000 on 01/03/2024, 2000 on 01/05/2024"} << QList<int>{};
    QTest::newRow("an earlier date of several readings bounds by its highest")
        << QStringList{"2024-03-01 1000 0", "2024-03-01 1500 10", "2024-05-01 3000 10"}
        << QStringList{"2024-04-01 1200 10", "2024-04-02 1600 10"} << "fuelly" << 1 << 0
        << QStringList{"2: " + around + "1500 on 01/03/2024, 1600 on 02/04/2024"} << QList<int>{};
    QTest::newRow("same day as stored readings, lower, fits")
        << QStringList{"2024-03-01 1000 0", "2024-05-01 2000 10"}
        << QStringList{"2024-05-01 1900 10"} << "fuelly" << 1 << 0 << QStringList{} << QList<int>{};
    QTest::newRow("an entry made twice is stored once")
        << QStringList{}
        << QStringList{"2024-01-01 100 10", "2024-01-10 200 12.5", "2024-01-10 200 12.5",
                       "2024-01-20 50 5 M:Tyres", "2024-01-20 50 5 M:Tyres"}
        << "fuelly" << 3 << 2 << QStringList{} << QList<int>{4, 6};
    QTest::newRow("a stored row is matched by one row of the file only")
        << QStringList{"2024-01-01 100 0", "2024-01-10 200 12.5", "2024-01-11 20 7 M:Wash"}
        << QStringList{"2024-01-10 200 12.5", "2024-01-10 200 12.5", "2024-01-11 20 7 M:Wash",
                       "2024-01-11 20 7 M:Wash"}
        << "kelmot" << 2 << 2 << QStringList{} << QList<int>{};
    QTest::newRow("a repeat of a stored row is present, not added")
        << QStringList{"2024-01-01 100 0", "2024-01-10 200 12.5"}
        << QStringList{"2024-01-10 200 12.5", "2024-01-10 200 12.5"} << "fuelly" << 0 << 2
        << QStringList{} << QList<int>{3};
    QTest::newRow("a km reading stored unrounded by an earlier import is present")
        << QStringList{"2024-01-01 100 0",
                       "2024-01-10 " + ExactNumber(RoundToFifteenDigits(330 / km)) + " 12.5"}
        << QStringList{"2024-01-10 330km 12.5"} << "fuelly" << 0 << 1 << QStringList{}
        << QList<int>{};
    QTest::newRow("a reading below 0 is refused, even as a new vehicle's first")
        << QStringList{} << QStringList{"2024-01-01 -5 0", "2024-01-10 100 10"} << "fuelly" << 1
        << 0 << QStringList{"2: the odometer reading -5 is below 0"} << QList<int>{};
    QTest::newRow("a new vehicle starts at its first storable reading")
        << QStringList{}
        << QStringList{"broken", "2024-01-05 100 0", "2024-01-10 200 0", "2024-01-11 20 7 M:Oil"}
        << "fuelio" << 2 << 0
        << QStringList{"2: fuel measured in kg cannot be stored as litres",
                       "4: the amount paid is 0 or less"}
        << QList<int>{};
}

void TestExchange::order()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, rows);
    QFETCH(QString, format);
    QFETCH(int, added);
    QFETCH(int, present);
    QFETCH(QStringList, refused);
    QFETCH(QList<int>, repeated);
    const QString reg = QStringLiteral("AB12 CDE");
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QStringList p = stored[i].split(u' ');
        const QDateTime date = at(qPrintable(p[0]));
        if (p.size() > 3)
            log_->OpenMaintenanceTable()->AppendMaintenance(
                {reg, date, p[2].toDouble(), p[3].mid(2)});
        else if (i == 0)
            log_->OpenVehicleDetailsTable()->AppendVehicle(
                VehicleRow{reg, "", "", "", 0, NoDate(), NoDate()},
                MileageRow{reg, date, p[1].toDouble(), 0, 0});
        else
            log_->OpenMileageTable()->AppendMileage(
                {reg, date, p[1].toDouble(), p[2].toDouble(), 1.5});
    }
    ImportFile file;
    file.format = format;
    ImportedVehicle v;
    v.key = v.plate = reg;
    file.vehicles << v;
    for (int i = 0; i < rows.size(); ++i) {
        const int line = i + 2;
        const QStringList p = rows[i].split(u' ');
        if (p.first() == QLatin1String("broken"))
            file.broken << BrokenRow{
                line, reg, QStringLiteral("fuel measured in kg cannot be stored as litres")};
        else if (p.size() > 3)
            file.maintenance << ImportedMaintenance{line, reg, at(qPrintable(p[0])),
                                                    p[2].toDouble(), p[3].mid(2)};
        else
            file.readings << ImportedReading{line,
                                             reg,
                                             at(qPrintable(p[0])),
                                             QString(p[1]).remove(QStringLiteral("km")).toDouble(),
                                             p[1].endsWith(QLatin1String("km"))
                                                 ? FileDistance::Kilometres
                                                 : FileDistance::Unknown,
                                             p[2].toDouble(),
                                             1.5};
    }
    const ImportPlan plan = PlanImport(*log_, file, {}, clock_);
    const VehicleImportSummary& s = plan.vehicles.first();
    QStringList refusedRows;
    for (const RefusedRow& r : s.refused)
        refusedRows << QStringLiteral("%1: %2").arg(r.line).arg(r.reason);
    QCOMPARE(refusedRows, refused);
    QList<int> repeatedLines;
    for (const RefusedRow& r : s.repeated) {
        QCOMPARE(r.reason, QStringLiteral("repeated in the file"));
        repeatedLines << r.line;
    }
    QCOMPARE(repeatedLines, repeated);
    QCOMPARE(s.readingsAdded + s.maintenanceAdded, added);
    QCOMPARE(s.readingsPresent + s.maintenancePresent, present);
    QCOMPARE(s.newVehicle, stored.isEmpty() && added > 0);

    // What is stored obeys the order, and a second import of the file adds nothing.
    ApplyImport(*log_, plan);
    const QVector<MileageRow> readings = log_->MileageChronological(reg);
    for (qsizetype i = 1; i < readings.size(); ++i)
        QVERIFY(readings[i].Date == readings[i - 1].Date ||
                readings[i].CurrentMileage >= readings[i - 1].CurrentMileage);
    QVERIFY(PlanImport(*log_, file, {}, clock_).addsNothing());
}

void TestExchange::registrationProposed_data()
{
    QTest::addColumn<QString>("plate");
    QTest::addColumn<QString>("filedUnder");
    QTest::addColumn<bool>("newVehicle");
    QTest::newRow("blanks left out") << "AB12CDE"
                                     << "AB12 CDE" << false;
    QTest::newRow("letter case and blanks") << " ab 12cde"
                                            << "AB12 CDE" << false;
    QTest::newRow("the registration itself") << "ab12 cde"
                                             << "AB12 CDE" << false;
    QTest::newRow("another plate") << "AB12CDF"
                                   << "AB12CDF" << true;
}

void TestExchange::registrationProposed()
{
    QFETCH(QString, plate);
    QFETCH(QString, filedUnder);
    QFETCH(bool, newVehicle);
    log_->OpenVehicleDetailsTable()->AppendVehicle(
        VehicleRow{"AB12 CDE", "", "", "", 0, NoDate(), NoDate()},
        MileageRow{"AB12 CDE", at("2024-01-01"), 10, 0, 0});
    ImportFile file;
    ImportedVehicle v;
    v.key = QStringLiteral("car");
    v.plate = plate;
    file.vehicles << v;
    file.readings << ImportedReading{2, v.key, at("2024-02-01"), 100, FileDistance::Unknown, 5, 1};
    const ImportPlan plan = PlanImport(*log_, file, {}, clock_);
    QCOMPARE(plan.vehicles.first().registration, filedUnder);
    QCOMPARE(plan.vehicles.first().newVehicle, newVehicle);
    QCOMPARE(plan.vehicles.first().fileName, plate);
    // The user's choice wins over the proposal.
    ImportOptions options;
    options.registrationFor[v.key] = QStringLiteral("NEW 1");
    QCOMPARE(PlanImport(*log_, file, options, clock_).vehicles.first().registration,
             QStringLiteral("NEW 1"));
}

// The summary names every conversion, note, repeat and refusal, and no conversion when there
// was none.
void TestExchange::summaryTellsEverything()
{
    log_->OpenVehicleDetailsTable()->AppendVehicle(
        VehicleRow{"AB12 CDE", "", "", "", 0, NoDate(), NoDate()},
        MileageRow{"AB12 CDE", at("2024-01-01"), 10, 0, 0});
    ImportFile file;
    file.format = QStringLiteral("fuelly");
    file.notes << QStringLiteral("prices per US gallon turned into prices per litre");
    ImportedVehicle v;
    v.key = v.plate = QStringLiteral("AB12CDE");
    v.distance = FileDistance::Kilometres;
    file.vehicles << v;
    file.readings << ImportedReading{2,
                                     v.key,
                                     at("2024-02-01"),
                                     160.9344,
                                     FileDistance::Unknown,
                                     18.895 * 1.402,
                                     1.402}
                  << ImportedReading{3,
                                     v.key,
                                     at("2024-02-01"),
                                     160.9344,
                                     FileDistance::Unknown,
                                     18.895 * 1.402,
                                     1.402}
                  << ImportedReading{4, v.key, at("2024-03-01"), 1, FileDistance::Unknown, 5, 1};
    // A reminder's distances in the log's unit; the same one twice is stored once.
    const ImportedReminder belt{7, v.key, "Timing belt", at("2024-06-01"), 160934.4, 0, 16093.44};
    file.reminders << belt << belt;
    // Counted with their kind, when the reader could tell it.
    file.broken << BrokenRow{5, v.key, QStringLiteral("no cost: a reminder"), RowKind::Maintenance}
                << BrokenRow{6, v.key, QStringLiteral("\"x\" is not a kind of record")};
    const ImportPlan plan = PlanImport(*log_, file, {}, clock_);
    QCOMPARE(plan.newMileage.size(), 1);
    QCOMPARE(exact(plan.newMileage.first().Amount), exact(26.49079));
    QCOMPARE(exact(plan.newMileage.first().CurrentMileage), exact(100));
    QCOMPARE(ImportSummaryText(plan, false),
             QStringLiteral(
                 "prices per US gallon turned into prices per litre\n"
                 "Vehicle AB12 CDE\n"
                 "  readings: 1 added, 1 already present, 1 refused\n"
                 "  maintenance: 0 added, 0 already present, 1 refused\n"
                 "  1 reminder added, 1 already present\n"
                 "  other rows: 1 refused\n"
                 "  AB12CDE in the file is filed under AB12 CDE, the log's vehicle of that "
                 "registration\n"
                 "  odometer readings converted from kilometres to miles (1 mile = 1.609344 km)\n"
                 "  line 3: reading repeated in the file\n"
                 "  line 4: reading refused: out of line with the readings around it: 100 on "
                 "01/02/2024\n"
                 "  line 5: row refused: no cost: a reminder\n"
                 "  line 6: row refused: \"x\" is not a kind of record\n"
                 "Nothing stored (dry run): 1 row (0 new vehicles) would be added; 3 rows "
                 "refused.\n"));
    QCOMPARE(plan.newReminders.size(), 1);
    QCOMPARE(plan.newReminders[0].DueMileage, 100000.);
    QCOMPARE(plan.newReminders[0].EveryMileage, 10000.);
    ApplyImport(*log_, plan);
    QCOMPARE(log_->Reminders(QStringLiteral("AB12 CDE")).size(), 1);
    const ImportPlan again = PlanImport(*log_, file, {}, clock_);
    QVERIFY(again.newReminders.isEmpty());
    QCOMPARE(again.vehicles[0].remindersPresent, 2);
}

// The preview's table: a row per vehicle, only where its rows go can be changed, and changing
// it asks for a new plan.
void TestExchange::planModel()
{
    ImportPlanModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    log_->OpenVehicleDetailsTable()->AppendVehicle(
        VehicleRow{"AB12 CDE", "", "", "", 0, NoDate(), NoDate()},
        MileageRow{"AB12 CDE", at("2024-01-01"), 10, 0, 0});
    const ImportFile file = ReadImportFile(fixture("fuelly_imperial.csv"));
    ImportOptions options;
    options.registrationFor[QStringLiteral("Miata")] = QStringLiteral("ab12cde");
    model.setPlan(PlanImport(*log_, file, options, clock_));
    QCOMPARE(model.rowCount(), 2);
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    QCOMPARE(rows, (QStringList{"Civic (new)|2|0|0|0|1|Civic", "ab12cde (new)|1|0|0|0|1|Miata"}));
    QCOMPARE(model.headerData(ImportPlanModel::InTheFileColumn, Qt::Horizontal).toString(),
             QStringLiteral("In the file"));
    QVERIFY(model.flags(model.index(0, ImportPlanModel::VehicleColumn)) & Qt::ItemIsEditable);
    QVERIFY(!(model.flags(model.index(0, ImportPlanModel::RefusedColumn)) & Qt::ItemIsEditable));
    QCOMPARE(model.index(0, 0).data(Qt::EditRole).toString(), QStringLiteral("Civic"));

    QSignalSpy chosen(&model, &ImportPlanModel::registrationChosen);
    QVERIFY(!model.setData(model.index(0, 0), QStringLiteral(" Civic ")));
    QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("  ")));
    QVERIFY(!model.setData(model.index(0, ImportPlanModel::ReadingsAdded), QStringLiteral("9")));
    QVERIFY(model.setData(model.index(0, 0), QStringLiteral(" AB12 CDE ")));
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first(), (QVariantList{QStringLiteral("Civic"), QStringLiteral("AB12 CDE")}));
}

void TestExchange::newVehicleWithoutAcceptableReading()
{
    ImportFile file;
    ImportedVehicle v;
    v.key = v.name = QStringLiteral("Old Car");
    file.vehicles << v;
    file.readings << ImportedReading{2, v.key, at("2030-01-01"), 100, FileDistance::Unknown, 5, 1};
    file.maintenance << ImportedMaintenance{3, v.key, at("2024-01-01"), 50, "Brakes"};
    const ImportPlan plan = PlanImport(*log_, file, {}, clock_);
    QVERIFY(plan.addsNothing());
    QCOMPARE(refusedText(plan),
             QStringList({"2 reading: the date 01/01/2030 is in the future",
                          "3 maintenance: the vehicle Old Car is not added: none of its readings "
                          "can be imported"}));
    ApplyImport(*log_, plan);
    QVERIFY(log_->ListRegistrations().isEmpty());
}

void TestExchange::registrationsCompareWithoutCase()
{
    auto vehicles = log_->OpenVehicleDetailsTable();
    vehicles->AppendVehicle(VehicleRow{"AB12 CDE", "", "", "", 0, NoDate(), NoDate()},
                            MileageRow{"AB12 CDE", at("2024-01-01"), 10, 0, 0});
    ImportFile file;
    ImportedVehicle v;
    v.key = v.plate = QStringLiteral("ab12 cde");
    file.vehicles << v;
    file.readings << ImportedReading{2, v.key, at("2024-02-01"), 100, FileDistance::Unknown, 5, 1};
    const ImportPlan plan = PlanImport(*log_, file, {}, clock_);
    QCOMPARE(plan.newVehicles.size(), 0);
    QCOMPARE(plan.vehicles.first().registration, QStringLiteral("AB12 CDE"));
    ApplyImport(*log_, plan);
    QCOMPARE(log_->ListRegistrations(), QStringList{"AB12 CDE"});
    QCOMPARE(log_->MileageChronological("AB12 CDE").size(), 2);
    QCOMPARE(log_->MileageChronological("AB12 CDE").last().Registration,
             QStringLiteral("AB12 CDE"));
}

void TestExchange::aFailingApplyStoresNothing()
{
    const ImportFile file = ReadImportFile(fixture("acar.csv"));
    const ImportPlan plan = PlanImport(*log_, file, {}, clock_);
    QCOMPARE(plan.newVehicles.size(), 2);
    // Another program adds one of the vehicles between the preview and the import.
    log_->OpenVehicleDetailsTable()->AppendVehicle(
        VehicleRow{"Estate", "", "", "", 0, NoDate(), NoDate()},
        MileageRow{"Estate", at("2024-01-01"), 1, 0, 0});
    const QStringList before = logText(*log_);
    QVERIFY_THROWS_EXCEPTION(StoreError, ApplyImport(*log_, plan));
    QCOMPARE(logText(*log_), before);
}

// Two imports of one file at once, each on its own connection: the rows are stored once and the
// second import finds them already present.
void TestExchange::concurrentImportsStoreEveryRowOnce()
{
    ImportFile file;
    file.format = QStringLiteral("fuelly");
    ImportedVehicle v;
    v.key = v.plate = QStringLiteral("RACE 1");
    file.vehicles << v;
    for (int i = 0; i < 3000; ++i)
        file.readings << ImportedReading{
            i + 2, v.key, at("2020-01-01").addSecs(3600 * i), 1000.0 + i, FileDistance::Unknown,
            20,    1.5};
    log_->OpenVehicleDetailsTable()->AppendVehicle(
        VehicleRow{v.key, "", "", "", 0, NoDate(), NoDate()},
        MileageRow{v.key, at("2019-01-01"), 10, 0, 0});
    const QString path = log_->path();
    // Each import, once planning, waits a little for the other to be planning too: without the
    // write lock both would plan against the empty log.
    QSemaphore planning[2];
    const auto importOnce = [&](int self) {
        auto log = VehicleLog::Open(path);
        bool met = false;
        ImportPlan plan;
        ImportUnderWriteLock(*log, file, {}, clock_, plan, nullptr, [&](qint64, qint64) {
            if (!met) {
                met = true;
                planning[self].release();
                planning[1 - self].tryAcquire(1, 300);
            }
            return true;
        });
        return plan;
    };
    QFuture<ImportPlan> first = QtConcurrent::run(importOnce, 0);
    QFuture<ImportPlan> second = QtConcurrent::run(importOnce, 1);
    const ImportPlan a = first.result(), b = second.result();
    QCOMPARE(a.vehicles.first().readingsAdded + b.vehicles.first().readingsAdded, 3000);
    QCOMPARE(a.vehicles.first().readingsPresent + b.vehicles.first().readingsPresent, 3000);
    QCOMPARE(log_->MileageChronological(v.key).size(), 3001);
}

// The preview was made before another program wrote to the log: the import stores nothing and
// gives the plan made again.
void TestExchange::aChangedStoreIsPlannedAgain()
{
    const ImportFile file = ReadImportFile(fixture("fuelly_metric.csv"));
    ImportOptions options;
    options.logUnit = QStringLiteral("Kilometre");
    const ImportPlan preview = PlanImport(*log_, file, options, clock_);
    ImportPlan plan;
    QVERIFY(ImportUnderWriteLock(*log_, file, options, clock_, plan, &preview));
    const QStringList stored = logText(*log_);
    QCOMPARE(stored.size(), 3);

    const QString other = dir_.filePath(QStringLiteral("changed.mdb"));
    QFile::remove(other);
    VehicleLog::Create(other);
    log_ = VehicleLog::Open(other);
    const ImportPlan early = PlanImport(*log_, file, options, clock_);
    auto second = VehicleLog::Open(other);
    second->OpenVehicleDetailsTable()->AppendVehicle(
        VehicleRow{"Clio", "", "", "", 0, NoDate(), NoDate()},
        MileageRow{"Clio", at("2024-03-05 09:00"), 45000, 42.5 * 1.789, 1.789});
    QVERIFY(!ImportUnderWriteLock(*log_, file, options, clock_, plan, &early));
    QCOMPARE(logText(*log_).size(), 2);
    QCOMPARE(plan.vehicles.first().readingsPresent, 1);
    QCOMPARE(plan.newMileage.size(), 1);
}

void TestExchange::noRegistrationUntilMapped()
{
    const ImportFile file = ReadImportFile(fixture("spritmonitor.csv"));
    const ImportPlan unmapped = PlanImport(*log_, file, {}, clock_);
    QVERIFY(unmapped.needsRegistration());
    QVERIFY(unmapped.addsNothing());
    ImportOptions options;
    options.logUnit = QStringLiteral("Kilometre");
    options.registrationFor[QString()] = QStringLiteral("SP 1");
    const ImportPlan mapped = PlanImport(*log_, file, options, clock_);
    QVERIFY(!mapped.needsRegistration());
    QCOMPARE(mapped.vehicles.first().readingsAdded, 2);
}

void TestExchange::roundTrip_data()
{
    QTest::addColumn<QString>("unit");
    QTest::newRow("Mile") << "Mile";
    QTest::newRow("Kilometre") << "Kilometre";
}

void TestExchange::roundTrip()
{
    QFETCH(QString, unit);
    auto vehicles = log_->OpenVehicleDetailsTable();
    auto mileage = log_->OpenMileageTable();
    auto maintenance = log_->OpenMaintenanceTable();
    vehicles->AppendVehicle(
        VehicleRow{"ZZ \"Q\" 1", "Rover, Ltd", "75\nTourer", "", 0, NoDate(), NoDate()},
        MileageRow{"ZZ \"Q\" 1", at("2020-01-01"), 0, 0, 0});
    vehicles->AppendVehicle(VehicleRow{"AB12 CDE", "Škoda", "Octavia", "Diesel", 1.9,
                                       at("2004-02-29"), at("2010-12-31")},
                            MileageRow{"AB12 CDE", at("2019-06-01"), 100000.5, 0, 0});
    mileage->AppendMileage(
        {"AB12 CDE", at("2019-06-02 23:59:59"), 100000.5 + (0.1 + 0.2), 0.1 + 0.2, 1.0 / 3});
    mileage->AppendMileage(
        {"AB12 CDE", at("2019-06-02 23:59:59"), 100000.5 + (0.1 + 0.2), 0.1 + 0.2, 1.0 / 3});
    mileage->AppendMileage({"AB12 CDE", at("2019-07-01 07:00"), 123456.789, 45.67, 1.234567890123});
    mileage->AppendMileage({"AB12 CDE", at("2019-08-01"), 1e7 + 0.25, 1e-3, 2.5e-5, true, true});
    maintenance->AppendMaintenance(
        {"AB12 CDE", at("2019-06-05"), 0.01, "Said \"fine\", then\r\nleft", "Insurance"});
    maintenance->AppendMaintenance({"AB12 CDE", at("2019-06-05 10:00"), 250.125, " spaces kept "});
    maintenance->AppendMaintenance({"ZZ \"Q\" 1", at("2020-02-02"), 99.99, "a,b;c\nd"});
    const QStringList original = logText(*log_);

    ExportOptions options;
    options.logUnit = unit;
    const QString path = dir_.filePath(QStringLiteral("export-%1.csv").arg(unit));
    ExportCsvToFile(*log_, options, path);

    const QString emptyPath = dir_.filePath(QStringLiteral("empty-%1.mdb").arg(unit));
    QFile::remove(emptyPath);
    VehicleLog::Create(emptyPath);
    log_ = VehicleLog::Open(emptyPath);
    const ImportPlan plan = importFile(path, unit);
    QCOMPARE(plan.format, QStringLiteral("kelmot"));
    QCOMPARE(refusedText(plan).join('\n'), QString());
    QCOMPARE(logText(*log_), original);
    QVERIFY(plan.vehicles.first().conversions.isEmpty());
}

void TestExchange::exportRecordsTheUnitAndConvertsOnImport()
{
    log_->OpenVehicleDetailsTable()->AppendVehicle(
        VehicleRow{"K1", "", "", "", 0, NoDate(), NoDate()},
        MileageRow{"K1", at("2024-01-01"), 16093.44, 0, 0});
    ExportOptions options;
    options.logUnit = QStringLiteral("Kilometre");
    const QByteArray csv = ExportCsv(*log_, options);
    QVERIFY(csv.contains(",Kilometre,"));
    const QString other = dir_.filePath(QStringLiteral("mile.mdb"));
    VehicleLog::Create(other);
    log_ = VehicleLog::Open(other);
    ImportOptions importOptions;
    importOptions.logUnit = QStringLiteral("Mile");
    const ImportPlan plan = PlanImport(*log_, ReadImportContent(csv), importOptions, clock_);
    QCOMPARE(
        plan.vehicles.first().conversions,
        QStringList{"odometer readings converted from kilometres to miles (1 mile = 1.609344 km)"});
    QCOMPARE(exact(plan.newMileage.first().CurrentMileage), exact(10000.0));
}

void TestExchange::cancelling()
{
    QByteArray big(
        "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes,Tags\n");
    for (int i = 0; i < 5000; ++i)
        big += "2024-01-01," + QByteArray::number(i) + ",1,1,0,True,False,,\n";
    int calls = 0;
    QVERIFY_THROWS_EXCEPTION(ExchangeCancelled,
                             ReadImportContent(big, {}, [&](qint64 done, qint64 total) {
                                 ++calls;
                                 return done < total / 2;
                             }));
    QVERIFY(calls >= 2);
    const ImportFile file = ReadImportContent(big);
    ImportOptions options;
    options.registrationFor[QString()] = QStringLiteral("B1");
    QVERIFY_THROWS_EXCEPTION(ExchangeCancelled, PlanImport(*log_, file, options, clock_,
                                                           [](qint64, qint64) { return false; }));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
