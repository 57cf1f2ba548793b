#include "NumberForms.h"
#include "ReminderStatus.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "VehicleStatistics.h"

#include <QtTest>
#include <cmath>
#include <limits>

namespace {

const QString Reg = QStringLiteral("AB12 CDE");

QDateTime day(int y, int m, int d)
{
    return AtMidnight(QDate(y, m, d));
}

MileageRow reading(QDateTime date, double mileage, double amount = 0, double pricePer = 0)
{
    return MileageRow{Reg, date, mileage, amount, pricePer};
}

MaintenanceRow cost(QDateTime date, double amount)
{
    return MaintenanceRow{Reg, date, amount, QStringLiteral("work")};
}

// Every label text, in the panel's order, for comparing whole panels at once.
QStringList all(const VehicleStatisticsTexts& t)
{
    return {t.lblCurrentMileage,  t.lblMiles,
            t.lblMilesDate,       t.lblCost,
            t.lblCostDate,        t.lblCostinc,
            t.lblCostincDate,     t.lblCostPer,
            t.lblCostPerDate,     t.lblCostPerinc,
            t.lblCostPerincDate,  t.lblMilesPerLitreTD,
            t.lblMilesPerLitreYR, t.lblMilesPerGallonTD,
            t.lblMilesPerGallonYR};
}

void verifyNoInfOrNan(const VehicleStatisticsTexts& t)
{
    for (const QString& text : all(t)) {
        QVERIFY2(!text.contains(QStringLiteral("inf"), Qt::CaseInsensitive), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("nan"), Qt::CaseInsensitive), qPrintable(text));
        QVERIFY2(!text.contains(QChar(0x221E)), qPrintable(text));
        QVERIFY2(!text.isEmpty(), "a label left empty");
    }
}

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void displayForms();
    void workedExampleFromTheStore();
    void workedExampleFigures();
    void singleCurrentYearReading();
    void readingOnFirstJanuaryIsCurrentYear();
    void readingOnLastDayOfLastYearIsNot();
    void equalFirstAndLatestReadings();
    void amountWithoutPricePerAddsCostNotLitres();
    void maintenanceOnlyInEarlierYears();
    void noMaintenanceAtAll();
    void noCurrentYearReading();
    void litresZeroWithPositiveDistance();
    void decreasingReadingsGiveZeroForms();
    void noReadingsAtAll();
    void extremeValuesNeverShowInfOrNan();
    void decimalReadingsShowTheDistanceAsTyped();
    void reminderStatus_data();
    void reminderStatus();
};

void TestStatistics::displayForms()
{
    QCOMPARE(ReadingForm(10800), QStringLiteral("010800"));
    QCOMPARE(ReadingForm(0), QStringLiteral("000000"));
    QCOMPARE(ReadingForm(1234567), QStringLiteral("1234567"));
    QCOMPARE(ReadingForm(10800.5), QStringLiteral("010800")); // halves to the even neighbour
    QCOMPARE(ReadingForm(10801.5), QStringLiteral("010802"));
    QCOMPARE(ReadingForm(std::numeric_limits<double>::infinity()), QStringLiteral("000000"));
    QCOMPARE(CurrencyForm(0.1), QStringLiteral("£0.10"));
    QCOMPARE(CurrencyForm(1234.5), QStringLiteral("£1,234.50"));
    QCOMPARE(CurrencyForm(0), QStringLiteral("£0.00"));
    QCOMPARE(CurrencyForm(-0.0), QStringLiteral("£0.00"));
    QCOMPARE(CurrencyForm(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("£0.00"));
    QCOMPARE(TwoDecimalsForm(8), QStringLiteral("8.00"));
    QCOMPARE(TwoDecimalsForm(36.32), QStringLiteral("36.32"));
    QCOMPARE(TwoDecimalsForm(1234.5), QStringLiteral("1234.50"));
    QCOMPARE(TwoDecimalsForm(0.456), QStringLiteral("0.46"));
    QCOMPARE(TwoDecimalsForm(std::numeric_limits<double>::infinity()), QStringLiteral("0"));
    QCOMPARE(ZeroText(), QStringLiteral("0"));
}

// The panel's worked example, read back through a temporary store as the panel reads it.
void TestStatistics::workedExampleFromTheStore()
{
    TestPlatform env;
    env.clock.moment = QDateTime(QDate(2026, 6, 15), QTime(12, 0), Qt::UTC);
    VehicleRow v;
    v.Registration = Reg;
    v.RegistrationDate = NoDate();
    v.PurchaseDate = NoDate();
    env.state->VehicleDetailsTable->AppendVehicle(v, reading(day(2026, 1, 15), 10000));
    // Appended out of date order: the store's chronological order decides first and latest.
    env.state->MileageTable->AppendMileage(reading(day(2026, 3, 20), 10800, 40.00, 0.80));
    env.state->MileageTable->AppendMileage(reading(day(2026, 2, 10), 10400, 40.00, 0.80));
    env.state->MaintenanceTable->AppendMaintenance(cost(day(2026, 3, 5), 120.00));

    const auto figures =
        ComputeStatistics(env.state->LogDatabase->MileageChronological(Reg),
                          env.state->LogDatabase->MaintenanceByDate(Reg), env.clock.today());
    const VehicleStatisticsTexts t = FormatStatistics(figures);
    QCOMPARE(t.lblCurrentMileage, QStringLiteral("010800"));
    QCOMPARE(t.lblMiles, QStringLiteral("800"));
    QCOMPARE(t.lblMilesDate, QStringLiteral("800"));
    QCOMPARE(t.lblCost, QStringLiteral("£80.00"));
    QCOMPARE(t.lblCostDate, QStringLiteral("£80.00"));
    QCOMPARE(t.lblCostinc, QStringLiteral("£200.00"));
    QCOMPARE(t.lblCostincDate, QStringLiteral("£200.00"));
    QCOMPARE(t.lblCostPer, QStringLiteral("£0.10"));
    QCOMPARE(t.lblCostPerDate, QStringLiteral("£0.10"));
    QCOMPARE(t.lblCostPerinc, QStringLiteral("£0.25"));
    QCOMPARE(t.lblCostPerincDate, QStringLiteral("£0.25"));
    QCOMPARE(t.lblMilesPerLitreTD, QStringLiteral("8.00"));
    QCOMPARE(t.lblMilesPerLitreYR, QStringLiteral("8.00"));
    QCOMPARE(t.lblMilesPerGallonTD, QStringLiteral("36.32"));
    QCOMPARE(t.lblMilesPerGallonYR, QStringLiteral("36.32"));
}

void TestStatistics::workedExampleFigures()
{
    const auto f = ComputeStatistics({reading(day(2026, 1, 15), 10000),
                                      reading(day(2026, 2, 10), 10400, 40.00, 0.80),
                                      reading(day(2026, 3, 20), 10800, 40.00, 0.80)},
                                     {cost(day(2026, 3, 5), 120.00)}, QDate(2026, 6, 15));
    QCOMPARE(f.FirstReading, 10000.0);
    QCOMPARE(f.LatestReading, 10800.0);
    QVERIFY(f.HasCurrentYearReading);
    QCOMPARE(f.YearBase, 10000.0);
    for (const StatisticsColumn* c : {&f.ToDate, &f.CurrentYear}) {
        QCOMPARE(c->Distance, 800.0);
        QCOMPARE(c->FuelCost, 80.0);
        QCOMPARE(c->Maintenance, 120.0);
        QCOMPARE(c->Litres, 100.0);
        QCOMPARE(c->CostIncMaintenance, 200.0);
        QCOMPARE(*c->CostPer, 0.1);
        QCOMPARE(*c->CostPerInc, 0.25);
        QCOMPARE(*c->DistancePerLitre, 8.0);
        QCOMPARE(*c->DistancePerGallon, 8.0 * 4.54);
    }
}

void TestStatistics::singleCurrentYearReading()
{
    const auto f =
        ComputeStatistics({reading(day(2026, 4, 1), 5000, 30.00, 1.50)}, {}, QDate(2026, 6, 15));
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(all(t), (QStringList{"005000", "0", "0", "£30.00", "£30.00", "£30.00", "£30.00",
                                  "£0.00", "£0.00", "£0.00", "£0.00", "0", "0", "0", "0"}));
}

// The mend of the issue: on or after 1 January counts, so a reading on 1 January is the year base.
void TestStatistics::readingOnFirstJanuaryIsCurrentYear()
{
    const auto f = ComputeStatistics({reading(day(2025, 12, 1), 9000),
                                      reading(day(2026, 1, 1), 9500, 20.00, 1.00),
                                      reading(day(2026, 3, 1), 9900, 40.00, 1.00)},
                                     {cost(day(2026, 1, 1), 60.00)}, QDate(2026, 6, 15));
    QVERIFY(f.HasCurrentYearReading);
    QCOMPARE(f.YearBase, 9500.0);
    QCOMPARE(f.CurrentYear.Distance, 400.0);
    QCOMPARE(f.CurrentYear.FuelCost, 60.0);
    QCOMPARE(f.CurrentYear.Litres, 60.0);
    QCOMPARE(f.CurrentYear.Maintenance, 60.0);
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(t.lblMiles, QStringLiteral("900"));
    QCOMPARE(t.lblMilesDate, QStringLiteral("400"));
    QCOMPARE(t.lblCostDate, QStringLiteral("£60.00"));
    QCOMPARE(t.lblCostincDate, QStringLiteral("£120.00"));
    QCOMPARE(t.lblCostPerDate, QStringLiteral("£0.15"));
    QCOMPARE(t.lblCostPerincDate, QStringLiteral("£0.30"));
    QCOMPARE(t.lblMilesPerLitreYR, QStringLiteral("6.67"));
    QCOMPARE(t.lblMilesPerGallonYR, QStringLiteral("30.27"));
}

void TestStatistics::readingOnLastDayOfLastYearIsNot()
{
    const QDateTime lateOnNewYearsEve(QDate(2025, 12, 31), QTime(23, 59, 59), Qt::UTC);
    QVERIFY(!IsCurrentYearRecord(lateOnNewYearsEve, QDate(2026, 6, 15)));
    QVERIFY(IsCurrentYearRecord(day(2026, 1, 1), QDate(2026, 6, 15)));
    QVERIFY(IsCurrentYearRecord(day(2026, 1, 1), QDate(2026, 1, 1)));
    const auto f = ComputeStatistics(
        {reading(lateOnNewYearsEve, 100, 10, 1), reading(day(2026, 2, 1), 300, 10, 1)},
        {cost(lateOnNewYearsEve, 5)}, QDate(2026, 6, 15));
    QCOMPARE(f.YearBase, 300.0);
    QCOMPARE(f.CurrentYear.FuelCost, 10.0);
    QCOMPARE(f.CurrentYear.Maintenance, 0.0);
    QCOMPARE(f.ToDate.Maintenance, 5.0);
}

void TestStatistics::equalFirstAndLatestReadings()
{
    const auto f = ComputeStatistics({reading(day(2026, 2, 1), 7000),
                                      reading(day(2026, 3, 1), 7000, 25.00, 1.25),
                                      reading(day(2026, 4, 1), 7000, 15.00, 1.50)},
                                     {cost(day(2026, 3, 2), 60.00)}, QDate(2026, 6, 15));
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(all(t), (QStringList{"007000", "0", "0", "£40.00", "£40.00", "£100.00", "£100.00",
                                  "£0.00", "£0.00", "£0.00", "£0.00", "0", "0", "0", "0"}));
}

void TestStatistics::amountWithoutPricePerAddsCostNotLitres()
{
    const auto f = ComputeStatistics(
        {reading(day(2026, 1, 10), 1000), reading(day(2026, 2, 10), 1200, 20.00, 0),
         reading(day(2026, 3, 10), 1400, 40.00, 0.80), reading(day(2026, 4, 10), 1500, 0, 0.90)},
        {}, QDate(2026, 6, 15));
    QCOMPARE(f.ToDate.FuelCost, 60.0);
    QCOMPARE(f.ToDate.Litres, 50.0);
    QCOMPARE(f.CurrentYear.Litres, 50.0);
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(t.lblCost, QStringLiteral("£60.00"));
    QCOMPARE(t.lblMiles, QStringLiteral("500"));
    QCOMPARE(t.lblMilesPerLitreTD, QStringLiteral("10.00"));
    QCOMPARE(t.lblMilesPerGallonTD, QStringLiteral("45.40"));
    QCOMPARE(t.lblCostPer, QStringLiteral("£0.12"));
}

void TestStatistics::maintenanceOnlyInEarlierYears()
{
    const auto f = ComputeStatistics(
        {reading(day(2025, 6, 1), 2000), reading(day(2026, 2, 1), 2500, 40.00, 0.80),
         reading(day(2026, 3, 1), 2900, 40.00, 0.80)},
        {cost(day(2024, 5, 1), 100.00), cost(day(2025, 7, 1), 50.00)}, QDate(2026, 6, 15));
    QCOMPARE(f.CurrentYear.Maintenance, 0.0);
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(t.lblMiles, QStringLiteral("900"));
    QCOMPARE(t.lblMilesDate, QStringLiteral("400"));
    QCOMPARE(t.lblCostinc, QStringLiteral("£230.00"));
    QCOMPARE(t.lblCostincDate, QStringLiteral("£80.00"));
    QCOMPARE(t.lblCostPerincDate, QStringLiteral("£0.20"));
    QCOMPARE(t.lblCostPerDate, QStringLiteral("£0.20"));
}

void TestStatistics::noMaintenanceAtAll()
{
    const auto f = ComputeStatistics({reading(day(2026, 1, 15), 10000),
                                      reading(day(2026, 2, 10), 10400, 40.00, 0.80),
                                      reading(day(2026, 3, 20), 10800, 40.00, 0.80)},
                                     {}, QDate(2026, 6, 15));
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(t.lblCostinc, t.lblCost);
    QCOMPARE(t.lblCostincDate, t.lblCostDate);
    QCOMPARE(t.lblCostPerinc, t.lblCostPer);
    QCOMPARE(t.lblCostPerincDate, t.lblCostPerDate);
    QCOMPARE(t.lblCostinc, QStringLiteral("£80.00"));
    QCOMPARE(t.lblCostPerinc, QStringLiteral("£0.10"));
}

// The mend of the issue: no current-year reading means no current-year distance, not the whole
// odometer reading; that year's maintenance still counts.
void TestStatistics::noCurrentYearReading()
{
    const auto f = ComputeStatistics(
        {reading(day(2025, 3, 1), 20000), reading(day(2025, 9, 1), 21000, 50.00, 1.25)},
        {cost(day(2026, 2, 1), 75.00), cost(day(2025, 5, 1), 25.00)}, QDate(2026, 6, 15));
    QVERIFY(!f.HasCurrentYearReading);
    QCOMPARE(f.CurrentYear.Distance, 0.0);
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(all(t),
             (QStringList{"021000", "1000", "0", "£50.00", "£0.00", "£150.00", "£75.00", "£0.05",
                          "£0.00", "£0.15", "£0.00", "25.00", "0", "113.50", "0"}));
}

void TestStatistics::litresZeroWithPositiveDistance()
{
    // Fuel paid without a price: distance but no litres, so the economy cannot be formed.
    const auto f = ComputeStatistics(
        {reading(day(2026, 1, 10), 100), reading(day(2026, 2, 10), 600, 30.00, 0)}, {},
        QDate(2026, 6, 15));
    QVERIFY(!f.ToDate.DistancePerLitre);
    QVERIFY(!f.ToDate.DistancePerGallon);
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(t.lblMilesPerLitreTD, QStringLiteral("0"));
    QCOMPARE(t.lblMilesPerGallonTD, QStringLiteral("0"));
    QCOMPARE(t.lblMilesPerLitreYR, QStringLiteral("0"));
    QCOMPARE(t.lblMilesPerGallonYR, QStringLiteral("0"));
    QCOMPARE(t.lblCostPer, QStringLiteral("£0.06"));
    verifyNoInfOrNan(t);
}

void TestStatistics::decreasingReadingsGiveZeroForms()
{
    const auto f = ComputeStatistics(
        {reading(day(2026, 1, 10), 900), reading(day(2026, 2, 10), 700, 30.00, 1.00)}, {},
        QDate(2026, 6, 15));
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(t.lblMiles, QStringLiteral("-200"));
    QCOMPARE(t.lblCostPer, QStringLiteral("£0.00"));
    QCOMPARE(t.lblMilesPerLitreTD, QStringLiteral("0"));
    QCOMPARE(t.lblMilesPerGallonTD, QStringLiteral("0"));
}

void TestStatistics::noReadingsAtAll()
{
    const VehicleStatisticsTexts t =
        FormatStatistics(ComputeStatistics({}, {}, QDate(2026, 6, 15)));
    QCOMPARE(all(t), (QStringList{"000000", "0", "0", "£0.00", "£0.00", "£0.00", "£0.00", "£0.00",
                                  "£0.00", "£0.00", "£0.00", "0", "0", "0", "0"}));
}

void TestStatistics::extremeValuesNeverShowInfOrNan()
{
    const double big = std::numeric_limits<double>::max();
    const auto f = ComputeStatistics(
        {reading(day(2026, 1, 10), -big), reading(day(2026, 2, 10), big, big, 1e-300)},
        {cost(day(2026, 2, 1), big)}, QDate(2026, 6, 15));
    verifyNoInfOrNan(FormatStatistics(f));
    const auto tiny = ComputeStatistics(
        {reading(day(2026, 1, 10), 0), reading(day(2026, 2, 10), 1e-300, 1e-300, 1e300)}, {},
        QDate(2026, 6, 15));
    verifyNoInfOrNan(FormatStatistics(tiny));
}

// 10400.3 - 10000.1 is 400.19999999999891 in binary: the panel shows 400.2.
void TestStatistics::decimalReadingsShowTheDistanceAsTyped()
{
    const auto f =
        ComputeStatistics({reading(day(2025, 12, 1), 10000.1), reading(day(2026, 1, 10), 10000.1),
                           reading(day(2026, 3, 1), 10400.3)},
                          {}, QDate(2026, 6, 15));
    const VehicleStatisticsTexts t = FormatStatistics(f);
    QCOMPARE(t.lblMiles, QStringLiteral("400.2"));
    QCOMPARE(t.lblMilesDate, QStringLiteral("400.2"));
    // Kilometres stored in miles before imports rounded them: no ten decimals of noise.
    const auto noisy = ComputeStatistics(
        {reading(day(2026, 1, 10), 0), reading(day(2026, 3, 1), 88652.8 / 1.609344)}, {},
        QDate(2026, 6, 15));
    QCOMPARE(FormatStatistics(noisy).lblMiles, QStringLiteral("55086.3"));
}

void TestStatistics::reminderStatus_data()
{
    QTest::addColumn<QDate>("dueDate");
    QTest::addColumn<double>("dueMileage");
    QTest::addColumn<int>("soonDays");
    QTest::addColumn<double>("soonDistance");
    QTest::addColumn<int>("state"); // ReminderState
    QTest::addColumn<QDate>("due");
    QTest::addColumn<bool>("estimated");
    const int later = int(ReminderState::Later), soon = int(ReminderState::DueSoon),
              overdue = int(ReminderState::Overdue);
    const QDate none;
    // Today 10 Mar 2024; 15 a day over the last 90 days (10900 on 1 Mar).
    QTest::newRow("date later") << QDate(2024, 5, 1) << 0. << 30 << 500. << later
                                << QDate(2024, 5, 1) << false;
    QTest::newRow("date 30 days off")
        << QDate(2024, 4, 9) << 0. << 30 << 500. << soon << QDate(2024, 4, 9) << false;
    QTest::newRow("date today is not yet overdue")
        << QDate(2024, 3, 10) << 0. << 30 << 500. << soon << QDate(2024, 3, 10) << false;
    QTest::newRow("date passed") << QDate(2024, 3, 9) << 0. << 30 << 500. << overdue
                                 << QDate(2024, 3, 9) << false;
    QTest::newRow("reading reached") << none << 10900. << 30 << 500. << overdue << none << false;
    QTest::newRow("reading 400 off, reckoned in 27 days")
        << none << 11300. << 30 << 500. << soon << QDate(2024, 3, 28) << true;
    QTest::newRow("reading 550 off, reckoned date soon")
        << none << 11450. << 30 << 500. << soon << QDate(2024, 4, 7) << true;
    QTest::newRow("reading 1500 off, reckoned in 100 days")
        << none << 12400. << 30 << 500. << later << QDate(2024, 6, 9) << true;
    QTest::newRow("both, the date first")
        << QDate(2024, 4, 1) << 12400. << 30 << 500. << soon << QDate(2024, 4, 1) << false;
    QTest::newRow("both, the reading first")
        << QDate(2024, 12, 1) << 11450. << 30 << 500. << soon << QDate(2024, 4, 7) << true;
    QTest::newRow("both, the reading reached")
        << QDate(2024, 12, 1) << 10800. << 30 << 500. << overdue << QDate(2024, 12, 1) << false;
    QTest::newRow("7 days") << QDate(2024, 4, 9) << 0. << 7 << 500. << later << QDate(2024, 4, 9)
                            << false;
    QTest::newRow("1000 distance")
        << none << 11800. << 7 << 1000. << soon << QDate(2024, 4, 30) << true;
}

void TestStatistics::reminderStatus()
{
    QFETCH(QDate, dueDate);
    QFETCH(double, dueMileage);
    QFETCH(int, soonDays);
    QFETCH(double, soonDistance);
    QFETCH(int, state);
    QFETCH(QDate, due);
    QFETCH(bool, estimated);
    // The June reading lies outside the 90 days and would make it 21.5 a day.
    const ReadingPace pace =
        PaceOf({reading(day(2023, 6, 1), 5000), reading(day(2024, 1, 1), 10000),
                reading(day(2024, 1, 31), 10300), reading(day(2024, 3, 1), 10900)});
    QCOMPARE(*pace.perDay, 15.);
    ReminderRow row{Reg, QStringLiteral("MOT"), CostCategory::Tax,
                    dueDate.isValid() ? AtMidnight(dueDate) : QDateTime(), dueMileage};
    const ReminderStatus status =
        StatusOf(row, pace, QDate(2024, 3, 10), ReminderThresholds{soonDays, soonDistance});
    QCOMPARE(int(status.state), state);
    QCOMPARE(status.due, due);
    QCOMPARE(status.estimated, estimated);
    // Too few readings to tell a pace: no reckoned date.
    QVERIFY(!PaceOf({reading(day(2024, 3, 1), 10900)}).perDay);
}

QTEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
