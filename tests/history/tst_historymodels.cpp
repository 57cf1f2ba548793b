#include "MaintenanceModel.h"
#include "ReadingsModel.h"
#include "RemovedModel.h"
#include "TableText.h"
#include "TestEnvironment.h"
#include "TextConversions.h"

#include <QElapsedTimer>
#include <QtTest>

// {reading, amount, price per, fill}: the fill as stored, 1 partial, +2 after a missed fill.
using FillRows = QList<std::array<double, 4>>;

namespace {

using Column = ReadingsModel::Column;

QDateTime day(int d)
{
    return AtMidnight(QDate(2026, 1, 1).addDays(d));
}

// Readings one day apart, oldest first.
QVector<MileageEntry> readings(const FillRows& rows)
{
    QVector<MileageEntry> entries;
    for (const auto& [reading, amount, pricePer, fill] : rows)
        entries.append({entries.size() + 1,
                        MileageRow{QStringLiteral("AB12 CDE"), day(int(entries.size())), reading,
                                   amount, pricePer, (int(fill) & 1) != 0, (int(fill) & 2) != 0}});
    return entries;
}

// The text of a table row showing the entry at a load position.
QString cellOf(const ReadingsModel& model, qsizetype entry, int column)
{
    return model.index(model.rowOf(entry), column).data().toString();
}

} // namespace

class TestHistoryModels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void fillFigures_data();
    void fillFigures();
    void headersFollowTheUnit();
    void newestFirstAndSorting_data();
    void newestFirstAndSorting();
    void sortingKeepsTheSelection();
    void maintenanceShowsLineBreaks();
    void maintenanceShowsOneCategory_data();
    void maintenanceShowsOneCategory();
    void removedListsNewestRemovalFirst();
    void tabTextQuotesWhatASpreadsheetWouldSplit();
};

void TestHistoryModels::fillFigures_data()
{
    QTest::addColumn<FillRows>("rows");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QStringList>("cells"); // Distance .. Cost per, as shown

    const FillRows worked{{10000, 0, 0}, {10400, 40, 0.8}, {10800, 40, 0.8}};
    QTest::newRow("worked example, second fill")
        << worked << 2 << QStringList{"400", "£40.00", "0.8", "50.00", "8.00", "36.32", "£0.10"};
    QTest::newRow("worked example, first fill")
        << worked << 1 << QStringList{"400", "£40.00", "0.8", "50.00", "8.00", "36.32", "£0.10"};
    QTest::newRow("first reading: nothing to measure from")
        << worked << 0 << QStringList{"", "£0.00", "0", "", "", "", ""};
    QTest::newRow("zero amount: distance only")
        << FillRows{{10000, 0, 0}, {10300, 0, 0.8}} << 1
        << QStringList{"300", "£0.00", "0.8", "", "", "", ""};
    QTest::newRow("no distance: no economy, no cost per, never inf")
        << FillRows{{10000, 0, 0}, {10000, 30, 1.5}} << 1
        << QStringList{"0", "£30.00", "1.5", "20.00", "", "", ""};
    QTest::newRow("reading that goes down: no figure per distance")
        << FillRows{{10000, 0, 0}, {9000, 30, 1.5}} << 1
        << QStringList{"-1000", "£30.00", "1.5", "20.00", "", "", ""};
    QTest::newRow("price without amount gives no litres")
        << FillRows{{100, 0, 0}, {200, 10, 0}} << 1
        << QStringList{"100", "£10.00", "0", "", "", "", "£0.10"};
    QTest::newRow("fractional readings: the distance as typed")
        << FillRows{{100000.1, 0, 0}, {100400.3, 40, 0.8}} << 1
        << QStringList{"400.2", "£40.00", "0.8", "50.00", "8.00", "36.34", "£0.10"};
    QTest::newRow("kilometres stored in miles: the distance to the hundredth")
        << FillRows{{88094.2 / 1.609344, 0, 0}, {88652.2 / 1.609344, 40, 0.8}} << 1
        << QStringList{"346.73", "£40.00", "0.8", "50.00", "6.93", "31.48", "£0.12"};
    // Full to full: 20 litres (£16) part-filled, then 30 (£24) to the brim, over 400 miles.
    QTest::newRow("partial fill: its fuel and cost go to the next full fill")
        << FillRows{{10000, 0, 0}, {10200, 16, 0.8, 1}, {10400, 24, 0.8}} << 2
        << QStringList{"200", "£24.00", "0.8", "30.00", "8.00", "36.32", "£0.10"};
    QTest::newRow("partial fill of unknown litres: the next full fill has no economy")
        << FillRows{{10000, 0, 0}, {10200, 16, 0, 1}, {10400, 24, 0.8}} << 2
        << QStringList{"200", "£24.00", "0.8", "30.00", "", "", "£0.10"};
    const FillRows missed{{10000, 0, 0}, {10400, 40, 0.8, 2}, {10800, 40, 0.8}};
    QTest::newRow("after a missed fill: no figure")
        << missed << 1 << QStringList{"400", "£40.00", "0.8", "50.00", "", "", ""};
    QTest::newRow("after a missed fill: measured again from that full fill")
        << missed << 2 << QStringList{"400", "£40.00", "0.8", "50.00", "8.00", "36.32", "£0.10"};
    const FillRows partialAfterMissed{
        {10000, 0, 0}, {10200, 16, 0.8, 3}, {10400, 24, 0.8}, {10800, 40, 0.8}};
    QTest::newRow("partial after a missed fill: the next full fill only starts again")
        << partialAfterMissed << 2 << QStringList{"200", "£24.00", "0.8", "30.00", "", "", ""};
    QTest::newRow("partial after a missed fill: the full fill after that is measured")
        << partialAfterMissed << 3
        << QStringList{"400", "£40.00", "0.8", "50.00", "8.00", "36.32", "£0.10"};
}

void TestHistoryModels::fillFigures()
{
    QFETCH(FillRows, rows);
    QFETCH(int, entry);
    QFETCH(QStringList, cells);
    ReadingsModel model;
    model.load(readings(rows), QStringLiteral("Mile"));
    QStringList shown;
    for (int column = Column::DistanceColumn; column <= Column::CostPerColumn; ++column)
        shown << cellOf(model, entry, column);
    QCOMPARE(shown, cells);
}

void TestHistoryModels::headersFollowTheUnit()
{
    ReadingsModel model;
    model.load({}, QStringLiteral("Kilometre"));
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column)
        headers << model.headerData(column, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"Date", "Current Kilometres", "Distance", "Amount", "Price Per",
                                   "Litres", "Kilometres per Litre", "Kilometres per Gallon",
                                   "Cost per Kilometre", "Fill"}));
}

void TestHistoryModels::newestFirstAndSorting_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<QList<qsizetype>>("entries"); // top to bottom

    // Readings 0..3: distances -, 500, 100, 300; litres -, 10, -, 20.
    QTest::newRow("as opened: newest first")
        << -1 << Qt::DescendingOrder << QList<qsizetype>{3, 2, 1, 0};
    QTest::newRow("by date, oldest first")
        << 0 << Qt::AscendingOrder << QList<qsizetype>{0, 1, 2, 3};
    QTest::newRow("by distance, empty lowest")
        << int(Column::DistanceColumn) << Qt::AscendingOrder << QList<qsizetype>{0, 2, 3, 1};
    QTest::newRow("by litres, ties newest first when descending")
        << int(Column::LitresColumn) << Qt::DescendingOrder << QList<qsizetype>{3, 1, 2, 0};
    QTest::newRow("by cost per, empties keep date order")
        << int(Column::CostPerColumn) << Qt::AscendingOrder << QList<qsizetype>{0, 2, 1, 3};
}

void TestHistoryModels::newestFirstAndSorting()
{
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    QFETCH(QList<qsizetype>, entries);
    ReadingsModel model;
    model.load(readings({{1000, 0, 0}, {1500, 15, 1.5}, {1600, 0, 0}, {1900, 30, 1.5}}),
               QStringLiteral("Mile"));
    if (column >= 0)
        model.sort(column, order);
    QList<qsizetype> shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << model.entryAt(row);
    QCOMPARE(shown, entries);
}

void TestHistoryModels::sortingKeepsTheSelection()
{
    ReadingsModel model;
    model.load(readings({{1000, 0, 0}, {1500, 15, 1.5}, {1600, 10, 1}}), QStringLiteral("Mile"));
    const QPersistentModelIndex selected = model.index(model.rowOf(1), 2);
    model.sort(Column::DistanceColumn, Qt::AscendingOrder);
    QCOMPARE(selected.row(), model.rowOf(1));
    QCOMPARE(selected.column(), 2);
    QCOMPARE(selected.data().toString(), QStringLiteral("500"));
}

void TestHistoryModels::maintenanceShowsLineBreaks()
{
    MaintenanceModel model;
    model.load({{7, MaintenanceRow{"AB12 CDE", day(0), 120.5, "Tyres\r\nfront pair\rtracking"}},
                {8, MaintenanceRow{"AB12 CDE", day(3), 35, "wipers"}}});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, MaintenanceModel::DescriptionColumn).data().toString(),
             QStringLiteral("wipers"));
    QCOMPARE(model.index(1, MaintenanceModel::DescriptionColumn).data().toString(),
             QStringLiteral("Tyres\nfront pair\ntracking"));
    QCOMPARE(model.index(1, MaintenanceModel::CostColumn).data().toString(),
             QStringLiteral("£120.50"));
    model.sort(MaintenanceModel::DescriptionColumn, Qt::AscendingOrder);
    QCOMPARE(model.entryAt(0), 0); // "Tyres" before "wipers", whatever the case
}

void TestHistoryModels::maintenanceShowsOneCategory_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<int>("column"); // sorted by, ascending (1: Cost); -1 as opened
    QTest::addColumn<QList<qsizetype>>("entries");
    QTest::newRow("services, newest first") << "Service" << -1 << QList<qsizetype>{2, 0};
    QTest::newRow("services by cost") << "Service" << 1 << QList<qsizetype>{2, 0};
    QTest::newRow("none of the category") << "Tax" << -1 << QList<qsizetype>{};
    QTest::newRow("every category") << "" << 1 << QList<qsizetype>{2, 1, 0, 3};
}

void TestHistoryModels::maintenanceShowsOneCategory()
{
    QFETCH(QString, category);
    QFETCH(int, column);
    QFETCH(QList<qsizetype>, entries);
    MaintenanceModel model;
    model.load({{1, {"AB12 CDE", day(0), 50, "oil", CostCategory::Service}},
                {2, {"AB12 CDE", day(1), 30, "tyre", CostCategory::Tyres}},
                {3, {"AB12 CDE", day(2), 10, "bulb", CostCategory::Service}},
                {4, {"AB12 CDE", day(3), 5000, "bought", CostCategory::Purchase}}});
    model.showCategory(category);
    if (column >= 0)
        model.sort(column, Qt::AscendingOrder);
    QList<qsizetype> shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << model.entryAt(row);
    QCOMPARE(shown, entries);
}

void TestHistoryModels::removedListsNewestRemovalFirst()
{
    RemovedEntry reading;
    reading.id = 4;
    reading.kind = RemovedEntry::Kind::Reading;
    reading.reading = MileageRow{"AB12 CDE", day(2), 27000, 40, 0.8};
    reading.RemovedAt = QDateTime(QDate(2026, 6, 1), QTime(9, 30), Qt::UTC);
    reading.Reason = QStringLiteral("Replaced by an edit");
    RemovedEntry entry;
    entry.id = 2;
    entry.kind = RemovedEntry::Kind::Maintenance;
    entry.maintenance = MaintenanceRow{"AB12 CDE", day(5), 35, "wipers"};
    entry.RemovedAt = QDateTime(QDate(2026, 6, 2), QTime(8, 0), Qt::UTC);
    entry.Reason = QStringLiteral("Removed");

    RemovedEntry details; // of a vehicle merged in, with the same rowid as the reading
    details.id = 4;
    details.kind = RemovedEntry::Kind::Details;
    details.details = VehicleRow{"AB12CDE", "Ford", "Fiesta", "", 1.25, NoDate(), day(40)};
    details.RemovedAt = QDateTime(QDate(2026, 5, 1), QTime(7, 0), Qt::UTC);
    details.Reason = QStringLiteral("Merged");

    RemovedModel model;
    model.load({details, reading, entry}, QStringLiteral("Mile"));
    QStringList top, bottom;
    for (int column = 0; column < model.columnCount(); ++column) {
        top << model.index(0, column).data().toString();
        bottom << model.index(2, column).data().toString();
    }
    QCOMPARE(top, (QStringList{"Maintenance", "06/01/2026", "£35.00, wipers", "02/06/2026 08:00:00",
                               "Removed"}));
    QCOMPARE(model.index(1, RemovedModel::KindColumn).data().toString(), QStringLiteral("Reading"));
    QCOMPARE(bottom, (QStringList{"Vehicle Details", "",
                                  "AB12CDE: Ford Fiesta, 1.25, bought "
                                  "10/02/2026",
                                  "01/05/2026 07:00:00", "Merged"}));
    QCOMPARE(model.rowOfKey(model.entryKey(0)), 2);
    QCOMPARE(model.rowOfKey(model.entryKey(1)), 1);
}

void TestHistoryModels::tabTextQuotesWhatASpreadsheetWouldSplit()
{
    MaintenanceModel model;
    model.load({{1, MaintenanceRow{"AB12 CDE", day(0), 10, "plain"}},
                {2, MaintenanceRow{"AB12 CDE", day(1), 20, "two\nlines, \"quoted\""}}});
    QCOMPARE(RowsAsTabText(model, {1, 0, 1}),
             QStringLiteral("Date\tCost\tDescription\tCategory\n"
                            "02/01/2026\t£20.00\t\"two\nlines, \"\"quoted\"\"\"\tOther\n"
                            "01/01/2026\t£10.00\tplain\tOther\n"));
}

QTEST_GUILESS_MAIN(TestHistoryModels)
#include "tst_historymodels.moc"
