#include "GraphData.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "TrendSeries.h"

#include <QtTest>

namespace {

MileageRow reading(QDate date, double value)
{
    MileageRow row;
    row.Registration = QStringLiteral("AB12 CDE");
    row.Date = AtMidnight(date);
    row.CurrentMileage = value;
    return row;
}

// The twelve month values of a MonthlyTotals table, January first.
QStringList monthValues(const GraphTable& table)
{
    QStringList values;
    for (int m = 1; m <= 12; ++m)
        values << table[m].YText;
    return values;
}

QStringList zeroesExcept(std::initializer_list<std::pair<int, const char*>> months)
{
    QStringList values(12, QStringLiteral("0"));
    for (const auto& [month, value] : months)
        values[month - 1] = QString::fromLatin1(value);
    return values;
}

bool emptyFrom(const GraphTable& table, qsizetype firstEmpty)
{
    for (qsizetype r = firstEmpty; r < table.size(); ++r)
        if (!table[r].XText.isEmpty() || !table[r].YText.isEmpty())
            return false;
    return true;
}

constexpr int Year = 2026;

MileageRow fill(QDate date, double value, double amount, double pricePer)
{
    MileageRow row = reading(date, value);
    row.Amount = amount;
    row.PricePer = pricePer;
    return row;
}

} // namespace

class TestGraphData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }

    void oneReadingFillsHeaderAndOneRow();
    void readingsKeepTheirOrderAsText();
    void sameDayReadingsAndTheSameMomentElsewhere();
    void moreThan99ReadingsGrowTheTable();
    void shorterVehicleLeavesNoStaleRows();
    void unplaceableReadingsAreLeftOut();

    void monthsOfTheExample();
    void lastYearsDecemberCountsInNoMonth();
    void noReadingThisYearGivesTwelveZeroes();
    void singleAprilReadingGivesZeroes();
    void sameDateReadingsComeInOdometerOrder();
    void carryOverThroughEmptyMonths();
    void openingReadingOfZeroIsReplaced();
    void readingsRoundHalfToEven();
    void wideReadingsDoNotOverflow();
    void fallingReadingsGiveANegativeMonth();
    void monthNamesAreEnglishInAnyLocale();
    void monthlyTableIsRewrittenInFull();

    void trendSeriesOverAPeriod_data();
    void trendSeriesOverAPeriod();
    void axisStepsAreRound_data();
    void axisStepsAreRound();
};

void TestGraphData::oneReadingFillsHeaderAndOneRow()
{
    GraphTable table = EmptyGraphTable();
    LoadGraphPoints(table, {reading(QDate(2026, 3, 5), 1500)});
    QCOMPARE(table.size(), 100);
    QCOMPARE(table[0].XText, QStringLiteral("Date"));
    QCOMPARE(table[0].YText, QStringLiteral("Current Mileage"));
    QCOMPARE(table[1].XText, QStringLiteral("05/03/2026"));
    QCOMPARE(table[1].YText, QStringLiteral("1500"));
    QVERIFY(emptyFrom(table, 2));
    QCOMPARE(GraphDataRowCount(table), 1);
}

void TestGraphData::readingsKeepTheirOrderAsText()
{
    GraphTable table;
    MileageRow timed = reading(QDate(2026, 1, 20), 1234.5);
    timed.Date.setTime(QTime(14, 30));
    LoadGraphPoints(table, {reading(QDate(2025, 12, 31), 999), timed, reading(QDate(2026, 2, 1), -3)});
    QCOMPARE(GraphDataRowCount(table), 3);
    QCOMPARE(table[1].XText, QStringLiteral("31/12/2025"));
    QCOMPARE(table[2].XText, QStringLiteral("20/01/2026 14:30:00"));
    QCOMPARE(TextToDate(table[2].XText).date(), QDate(2026, 1, 20));
    QCOMPARE(table[2].YText, QStringLiteral("1234.5"));
    QCOMPARE(LeadingNumber(table[2].YText), 1234.5);
    QCOMPARE(table[3].YText, QStringLiteral("-3"));
}

// Readings of one day share their date; a time of day, or the same moment given with an offset
// from UTC, is written in its own form.
void TestGraphData::sameDayReadingsAndTheSameMomentElsewhere()
{
    MileageRow timed = reading(QDate(2026, 3, 5), 1030);
    timed.Date.setTime(QTime(9, 15));
    MileageRow offset = reading(QDate(2026, 3, 5), 1040);
    offset.Date = QDateTime(QDate(2026, 3, 5), QTime(1, 0), Qt::OffsetFromUTC, 3600);
    QCOMPARE(offset.Date, reading(QDate(2026, 3, 5), 0).Date); // one moment, two spellings
    GraphTable table;
    LoadGraphPoints(table, {reading(QDate(2026, 3, 5), 1010), reading(QDate(2026, 3, 5), 1020),
                            timed, reading(QDate(2026, 3, 5), 1025), offset,
                            reading(QDate(2026, 3, 5), 1050), reading(QDate(2026, 3, 6), 1060)});
    const QStringList expected = {"05/03/2026", "05/03/2026",          "05/03/2026 09:15:00",
                                  "05/03/2026", "05/03/2026 01:00:00", "05/03/2026",
                                  "06/03/2026"};
    QCOMPARE(GraphDataRowCount(table), expected.size());
    for (qsizetype r = 1; r <= expected.size(); ++r)
        QCOMPARE(table[r].XText, expected[r - 1]);
    QCOMPARE(table[7].YText, QStringLiteral("1060"));
}

void TestGraphData::moreThan99ReadingsGrowTheTable()
{
    QVector<MileageRow> readings;
    for (int i = 0; i < 250; ++i)
        readings << reading(QDate(2020, 1, 1).addDays(i), 1000 + i);
    GraphTable table;

    LoadGraphPoints(table, readings.mid(0, 99));
    QCOMPARE(table.size(), 100);
    QCOMPARE(GraphDataRowCount(table), 99);

    LoadGraphPoints(table, readings);
    QCOMPARE(table.size(), 251);
    QCOMPARE(GraphDataRowCount(table), 250);
    QCOMPARE(table[0].XText, QStringLiteral("Date"));
    QCOMPARE(table[100].YText, QStringLiteral("1099"));
    QCOMPARE(table[250].XText, DateToText(QDate(2020, 1, 1).addDays(249)));
    QCOMPARE(table[250].YText, QStringLiteral("1249"));
}

void TestGraphData::shorterVehicleLeavesNoStaleRows()
{
    QVector<MileageRow> longer;
    for (int i = 0; i < 150; ++i)
        longer << reading(QDate(2024, 1, 1).addDays(i), 10 * i);
    GraphTable points, totals;
    LoadGraphPoints(points, longer);
    LoadMonthlyTotals(totals, longer, 2024);

    const QVector<MileageRow> shorter{reading(QDate(2026, 2, 2), 5), reading(QDate(2026, 2, 3), 9)};
    LoadGraphPoints(points, shorter);
    LoadMonthlyTotals(totals, shorter, Year);
    QCOMPARE(points.size(), 100);
    QCOMPARE(GraphDataRowCount(points), 2);
    QVERIFY(emptyFrom(points, 3));
    QCOMPARE(monthValues(totals), zeroesExcept({{2, "4"}}));
    QVERIFY(emptyFrom(totals, 13));
}

void TestGraphData::unplaceableReadingsAreLeftOut()
{
    MileageRow undated = reading(QDate(2026, 1, 2), 50);
    undated.Date = QDateTime();
    GraphTable table;
    LoadGraphPoints(table, {reading(QDate(2026, 1, 1), 10), undated, reading(QDate(2026, 1, 3), 90)});
    QCOMPARE(GraphDataRowCount(table), 2);
    QCOMPARE(table[2].YText, QStringLiteral("90"));
}

void TestGraphData::monthsOfTheExample()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year, 1, 10), 1000), reading(QDate(Year, 1, 20), 1200),
                              reading(QDate(Year, 3, 5), 1500)},
                      Year);
    QCOMPARE(table.size(), 100);
    QCOMPARE(table[0].XText, QStringLiteral("Date"));
    QCOMPARE(table[0].YText, QStringLiteral("Current Mileage"));
    QCOMPARE(monthValues(table), zeroesExcept({{1, "200"}, {3, "300"}}));
}

void TestGraphData::lastYearsDecemberCountsInNoMonth()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year - 1, 12, 20), 900), reading(QDate(Year, 1, 10), 1000),
                              reading(QDate(Year, 1, 20), 1200)},
                      Year);
    QCOMPARE(monthValues(table), zeroesExcept({{1, "200"}}));
}

void TestGraphData::noReadingThisYearGivesTwelveZeroes()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year - 1, 3, 1), 100), reading(QDate(Year - 1, 9, 1), 800),
                              reading(QDate(Year + 1, 1, 1), 900)},
                      Year);
    QCOMPARE(monthValues(table), zeroesExcept({}));
    QCOMPARE(table[1].XText, QStringLiteral("January"));
    QCOMPARE(table[12].XText, QStringLiteral("December"));
    QVERIFY(emptyFrom(table, 13));

    LoadMonthlyTotals(table, {}, Year);
    QCOMPARE(monthValues(table), zeroesExcept({}));
}

void TestGraphData::singleAprilReadingGivesZeroes()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year, 4, 14), 5000)}, Year);
    QCOMPARE(monthValues(table), zeroesExcept({}));
}

void TestGraphData::sameDateReadingsComeInOdometerOrder()
{
    // Through the store, which orders the day's readings by their value.
    TestPlatform env;
    MileageRow first = reading(QDate(Year, 2, 1), 1000);
    env.state->MileageTable->AppendMileage(first);
    env.state->MileageTable->AppendMileage(reading(QDate(Year, 3, 5), 1500));
    env.state->MileageTable->AppendMileage(reading(QDate(Year, 3, 5), 1400));
    const QVector<MileageRow> readings = env.state->LogDatabase->MileageChronological(first.Registration);

    GraphTable points, totals;
    LoadGraphPoints(points, readings);
    QCOMPARE(points[2].YText, QStringLiteral("1400"));
    QCOMPARE(points[3].YText, QStringLiteral("1500"));
    LoadMonthlyTotals(totals, readings, Year);
    QCOMPARE(monthValues(totals), zeroesExcept({{3, "500"}}));
}

void TestGraphData::carryOverThroughEmptyMonths()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year, 2, 1), 100), reading(QDate(Year, 2, 28), 400),
                              reading(QDate(Year, 5, 2), 1000), reading(QDate(Year, 5, 30), 1100),
                              reading(QDate(Year, 6, 1), 1150)},
                      Year);
    QCOMPARE(monthValues(table), zeroesExcept({{2, "300"}, {5, "700"}, {6, "50"}}));
}

void TestGraphData::openingReadingOfZeroIsReplaced()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year, 1, 5), 0), reading(QDate(Year, 2, 5), 300),
                              reading(QDate(Year, 3, 5), 450)},
                      Year);
    // The opening reading is February's 300: January's 0 fixes nothing.
    QCOMPARE(monthValues(table), zeroesExcept({{3, "150"}}));
}

void TestGraphData::readingsRoundHalfToEven()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year, 1, 1), 1000.5), reading(QDate(Year, 1, 31), 1100.4),
                              reading(QDate(Year, 2, 1), 1201.5)},
                      Year);
    QCOMPARE(monthValues(table), zeroesExcept({{1, "100"}, {2, "102"}}));
}

void TestGraphData::wideReadingsDoNotOverflow()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year, 1, 1), 3000000000.0), reading(QDate(Year, 7, 1), 3000040000.0)},
                      Year);
    QCOMPARE(monthValues(table), zeroesExcept({{7, "40000"}}));
}

void TestGraphData::fallingReadingsGiveANegativeMonth()
{
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year, 1, 1), 500), reading(QDate(Year, 2, 1), 450)}, Year);
    QCOMPARE(monthValues(table), zeroesExcept({{2, "-50"}}));
}

void TestGraphData::monthNamesAreEnglishInAnyLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    GraphTable table;
    LoadMonthlyTotals(table, {reading(QDate(Year, 5, 1), 100)}, Year);
    const QStringList names{"January", "February", "March", "April", "May", "June",
                            "July", "August", "September", "October", "November", "December"};
    for (int m = 1; m <= 12; ++m)
        QCOMPARE(table[m].XText, names[m - 1]);
}

void TestGraphData::monthlyTableIsRewrittenInFull()
{
    GraphTable table(300, GraphRow{QStringLiteral("stale"), QStringLiteral("stale")});
    LoadMonthlyTotals(table, {reading(QDate(Year, 5, 1), 100)}, Year);
    QCOMPARE(table.size(), 100);
    QCOMPARE(GraphDataRowCount(table), 12);
    QVERIFY(emptyFrom(table, 13));
}

QTEST_GUILESS_MAIN(TestGraphData)
#include "tst_graphdata.moc"

void TestGraphData::trendSeriesOverAPeriod_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QStringList>("points");
    const auto economy = int(TrendKind::EconomyPerFill);
    const QDate first(2024, 11, 20), last(2025, 3, 5);
    // 400 miles on 50 litres, then 300 on 30: 8 and 10 a litre, times the panel's 4.54.
    QTest::newRow("economy per gallon, first reading has none")
        << economy << "Mile" << first << last << QStringList{"2024-12-15 36.32", "2025-01-10 45.4"};
    QTest::newRow("economy per litre in kilometres")
        << economy << "Kilometre" << first << last << QStringList{"2024-12-15 8", "2025-01-10 10"};
    QTest::newRow("a period's first fill still counts from the reading before")
        << economy << "Mile" << QDate(2025, 1, 1) << last << QStringList{"2025-01-10 45.4"};
    QTest::newRow("price per litre leaves out readings without a price")
        << int(TrendKind::PricePerLitre) << "Mile" << first << last
        << QStringList{"2024-12-15 1.6", "2025-01-10 1.5"};
    QTest::newRow("cost per month across a new year, fuel and maintenance, empty months too")
        << int(TrendKind::CostPerMonth) << "Mile" << QDate(2024, 11, 1) << QDate(2025, 3, 31)
        << QStringList{"2024-11-01 0", "2024-12-01 80", "2025-01-01 165", "2025-02-01 0",
                       "2025-03-01 0"};
    QTest::newRow("a period the wrong way round holds nothing")
        << int(TrendKind::CostPerMonth) << "Mile" << last << first << QStringList{};
}

void TestGraphData::trendSeriesOverAPeriod()
{
    QFETCH(int, kind);
    QFETCH(QString, unit);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QStringList, points);
    const QVector<MileageRow> readings = {
        fill(QDate(2024, 11, 20), 1000, 0, 0), fill(QDate(2024, 12, 15), 1400, 80, 1.6),
        fill(QDate(2025, 1, 10), 1700, 45, 1.5), fill(QDate(2025, 3, 5), 2000, 0, 0)};
    MaintenanceRow service;
    service.Date = AtMidnight(QDate(2025, 1, 20));
    service.Cost = 120;
    const TrendSeries series =
        MakeTrendSeries(TrendKind(kind), readings, {service}, from, to, unit);
    QStringList got;
    for (const TrendPoint& p : series.Points)
        got << p.Date.toString(Qt::ISODate) + u' ' + QString::number(p.Value, 'g', 10);
    QCOMPARE(got, points);
    QCOMPARE(EntrySpan(readings, {service}), std::pair(QDate(2024, 11, 20), QDate(2025, 3, 5)));
}

void TestGraphData::axisStepsAreRound_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<QList<double>>("steps");
    QTest::newRow("prices") << 1.38 << 1.61 << QList<double>{1.35, 1.4, 1.45, 1.5, 1.55, 1.6, 1.65};
    QTest::newRow("costs from zero") << 0.0 << 165.0 << QList<double>{0, 50, 100, 150, 200};
    QTest::newRow("one value still spans an axis")
        << 40.0 << 40.0 << QList<double>{20, 30, 40, 50, 60};
}

void TestGraphData::axisStepsAreRound()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(QList<double>, steps);
    const QVector<double> got = AxisSteps(low, high, 6);
    QCOMPARE(got.size(), steps.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        QVERIFY2(qFuzzyCompare(got[i] + 1, steps[i] + 1), qPrintable(QString::number(got[i])));
}
