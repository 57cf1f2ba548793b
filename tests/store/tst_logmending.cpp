#include "StoreTestRows.h"
#include "TestEnvironment.h"
#include "VehicleLog.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace StoreTestRows;

namespace {

const QString Reg = QStringLiteral("AB12 CDE");

// Everything a vehicle has in the store, one line per row, to show that a refusal changed
// nothing.
QStringList everything(VehicleLog& log, const QString& registration)
{
    QStringList out;
    if (const auto v = log.FindVehicle(registration))
        out << QStringLiteral("vehicle %1 %2 %3").arg(v->Registration, v->Make, v->Model);
    for (const auto& e : log.MileageEntries(registration))
        out << QStringLiteral("reading %1 %2 %3 %4")
                   .arg(e.id)
                   .arg(e.row.Registration, e.row.Date.toString(Qt::ISODate),
                        PlainNumber(e.row.CurrentMileage));
    for (const auto& e : log.MaintenanceEntries(registration))
        out << QStringLiteral("maintenance %1 %2 %3")
                   .arg(e.id)
                   .arg(e.row.Registration, e.row.Description);
    for (const auto& e : log.RemovedEntries(registration))
        out << QStringLiteral("removed %1 %2").arg(e.id).arg(e.Reason);
    return out;
}

} // namespace

class TestLogMending : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init();
    void cleanup();

    void readingAgainstBothNeighbours_data();
    void readingAgainstBothNeighbours();
    void removeAndPutBack();
    void maintenanceEditedRemovedAndPutBack();
    void putBackOfAnEditSwaps_data();
    void putBackOfAnEditSwaps();
    void removedEntriesOfOneVehicleInRemovalOrder();
    void renameCarriesEveryRow_data();
    void renameCarriesEveryRow();
    void merge_data();
    void merge();
    void concurrentWriterCannotBreakTheOrder();
    void reminderMarkedDone_data();
    void reminderMarkedDone();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<VehicleLog> log_;
    QString path_;
    QVector<qint64> ids_; // the three readings of Reg, oldest first
};

void TestLogMending::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    path_ = dir_->filePath(QStringLiteral("Mileage.mdb"));
    VehicleLog::Create(path_);
    log_ = VehicleLog::Open(path_);
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle(Reg),
                                                   reading(Reg, day(2024, 1, 1), 10000));
    auto table = log_->OpenMileageTable();
    table->AppendMileage(reading(Reg, day(2024, 2, 1), 10400, 40, 0.8));
    table->AppendMileage(reading(Reg, day(2024, 3, 1), 10800, 40, 0.8));
    ids_.clear();
    for (const auto& e : log_->MileageEntries(Reg))
        ids_ << e.id;
}

void TestLogMending::cleanup()
{
    log_.reset();
    dir_.reset();
}

// Readings 10000 (1 Jan), 10400 (1 Feb), 10800 (1 Mar).
void TestLogMending::readingAgainstBothNeighbours_data()
{
    // index of the reading edited; -1: a reading added; -2: appended as Record Mileage appends
    QTest::addColumn<int>("replaced");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<double>("mileage");
    QTest::addColumn<QString>("refusal"); // empty: stored

    QTest::newRow("edit within both neighbours") << 1 << day(2024, 2, 1) << 10500. << "";
    QTest::newRow("edit equal to the earlier") << 1 << day(2024, 2, 1) << 10000. << "";
    QTest::newRow("edit below the earlier")
        << 1 << day(2024, 2, 1) << 9999.
        << "must lie between 10000 (01/01/2024) and 10800 (01/03/2024).";
    QTest::newRow("edit above the later")
        << 1 << day(2024, 2, 1) << 10801.
        << "must lie between 10000 (01/01/2024) and 10800 (01/03/2024).";
    QTest::newRow("edit of the first above its later")
        << 0 << day(2024, 1, 1) << 10401. << "must be at most 10400 (01/02/2024).";
    QTest::newRow("edit of the last below its earlier")
        << 2 << day(2024, 3, 1) << 10399. << "must be at least 10400 (01/02/2024).";
    QTest::newRow("edit moving the date between others") << 2 << day(2024, 1, 15) << 10100. << "";
    QTest::newRow("edit moving the date past a lower reading")
        << 0 << day(2024, 2, 15) << 10000. << "must lie between 10400 (01/02/2024) and 10800";
    QTest::newRow("add between") << -1 << day(2024, 2, 15) << 10600. << "";
    QTest::newRow("add on a neighbour's day") << -1 << day(2024, 2, 1) << 10300. << "";
    QTest::newRow("add below the earlier")
        << -1 << day(2024, 2, 15) << 10300.
        << "must lie between 10400 (01/02/2024) and 10800 (01/03/2024).";
    QTest::newRow("add above the later")
        << -1 << day(2024, 2, 15) << 10900.
        << "must lie between 10400 (01/02/2024) and 10800 (01/03/2024).";
    QTest::newRow("add before every reading") << -1 << day(2023, 12, 1) << 9000. << "";
    QTest::newRow("add before every reading, too high")
        << -1 << day(2023, 12, 1) << 10001. << "must be at most 10000 (01/01/2024).";
    QTest::newRow("add after every reading, too low")
        << -1 << day(2024, 4, 1) << 10799. << "must be at least 10800 (01/03/2024).";
    // Refused in the store as the dialog refuses it, whoever bypasses the dialog.
    QTest::newRow("record below the latest")
        << -2 << day(2024, 4, 1) << 10799.
        << "The entry for 'Mileage' is less than the most recent entry.";
    QTest::newRow("record before the latest")
        << -2 << day(2024, 2, 15) << 10900.
        << "The entry for 'Date' is before the most recent entry.";
    QTest::newRow("record on the latest's day and figure") << -2 << day(2024, 3, 1) << 10800. << "";
}

void TestLogMending::readingAgainstBothNeighbours()
{
    QFETCH(int, replaced);
    QFETCH(QDateTime, date);
    QFETCH(double, mileage);
    QFETCH(QString, refusal);
    const QStringList before = everything(*log_, Reg);
    // Another vehicle's higher readings bound nothing.
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("OTHER"),
                                                   reading("OTHER", day(2024, 2, 10), 99999));
    const MileageRow row{QStringLiteral("ignored for an edit"), date, mileage, 30, 1.5};
    const QDateTime when = at(2024, 5, 1, 12, 0);
    try {
        if (replaced >= 0)
            log_->ReplaceMileage(ids_[replaced], row, when);
        else if (replaced == -1)
            log_->AddMileage(MileageRow{Reg, date, mileage, 30, 1.5});
        else
            log_->OpenMileageTable()->AppendCheckedMileage(MileageRow{Reg, date, mileage, 30, 1.5});
        QVERIFY2(refusal.isEmpty(), "the change should have been refused");
    } catch (const StoreError& e) {
        QVERIFY2(!refusal.isEmpty(), qPrintable(e.text()));
        QCOMPARE(e.code(), StoreError::OutOfOrder);
        QVERIFY2(e.text().contains(refusal), qPrintable(e.text()));
        QVERIFY2(e.text().endsWith(QLatin1String("Nothing was changed.")), qPrintable(e.text()));
        QCOMPARE(everything(*log_, Reg), before);
        return;
    }
    const auto entries = log_->MileageEntries(Reg);
    QCOMPARE(entries.size(), replaced >= 0 ? 3 : 4);
    const auto stored = std::find_if(entries.begin(), entries.end(), [&](const MileageEntry& e) {
        return e.row.Date == date && e.row.CurrentMileage == mileage && e.row.Amount == 30;
    });
    QVERIFY(stored != entries.end());
    QCOMPARE(stored->row.Registration, Reg);
    QVERIFY(log_->Check().isEmpty());
    const auto removed = log_->RemovedEntries(Reg);
    if (replaced < 0) {
        QVERIFY(removed.isEmpty());
        return;
    }
    // The entry keeps its id; the old row waits in its Removed table.
    QCOMPARE(stored->id, ids_[replaced]);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed[0].kind, RemovedEntry::Kind::Reading);
    QCOMPARE(removed[0].reading.CurrentMileage, 10000. + 400 * replaced);
    QCOMPARE(removed[0].RemovedAt, when);
    QCOMPARE(removed[0].Reason, QStringLiteral("Replaced by an edit"));
}

void TestLogMending::removeAndPutBack()
{
    log_->RemoveMileage(ids_[1], at(2024, 5, 1, 9, 0));
    QCOMPARE(mileages(log_->MileageChronological(Reg)), QStringList({"10000", "10800"}));
    auto removed = log_->RemovedEntries(Reg);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed[0].reading.CurrentMileage, 10400.);
    QCOMPARE(removed[0].reading.Amount, 40.);
    QCOMPARE(removed[0].Reason, QStringLiteral("Removed"));

    // Put back while it still fits; it comes back whole, and leaves the Removed table.
    const qint64 back = log_->PutBackMileage(removed[0].id, at(2024, 5, 1, 9, 30));
    QCOMPARE(mileages(log_->MileageChronological(Reg)), QStringList({"10000", "10400", "10800"}));
    QCOMPARE(log_->MileageEntries(Reg)[1].id, back);
    QCOMPARE(log_->MileageEntries(Reg)[1].row.PricePer, 0.8);
    QVERIFY(log_->RemovedEntries(Reg).isEmpty());

    // Removed again, then a lower reading is added after its date: it no longer fits.
    log_->RemoveMileage(back, at(2024, 5, 2, 9, 0));
    log_->AddMileage(reading(Reg, day(2024, 2, 20), 10300, 20, 0.8));
    removed = log_->RemovedEntries(Reg);
    const QStringList before = everything(*log_, Reg);
    try {
        log_->PutBackMileage(removed[0].id, at(2024, 5, 2, 9, 30));
        QFAIL("a reading that no longer fits should stay removed");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), StoreError::OutOfOrder);
        QCOMPARE(e.text(), QStringLiteral("The reading of 10400 on 01/02/2024 cannot be put back: "
                                          "it must lie between 10000 (01/01/2024) and 10300 "
                                          "(20/02/2024). Nothing was changed."));
    }
    QCOMPARE(everything(*log_, Reg), before);

    // A vehicle's only reading stays, as with Remove Latest.
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("ONE"),
                                                   reading("ONE", day(2024, 1, 1), 5));
    const qint64 only = log_->MileageEntries("ONE").first().id;
    try {
        log_->RemoveMileage(only, at(2024, 5, 3, 9, 0));
        QFAIL("the only reading should stay");
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), StoreError::OnlyReading);
    }
    QCOMPARE(log_->MileageEntries("ONE").size(), 1);
    QVERIFY_THROWS_EXCEPTION(StoreError, log_->RemoveMileage(only + 1000, at(2024, 5, 3, 9, 0)));
}

void TestLogMending::maintenanceEditedRemovedAndPutBack()
{
    const qint64 oil =
        log_->AddMaintenance(MaintenanceRow{Reg, day(2024, 2, 10), 27000, QStringLiteral("Oil")});
    // Any past date, before the latest entry too.
    const qint64 tyres = log_->AddMaintenance(
        MaintenanceRow{Reg, day(2023, 6, 1), 300, QStringLiteral("Tyres"), CostCategory::Tyres});
    log_->ReplaceMaintenance(
        oil, MaintenanceRow{Reg, day(2024, 2, 10), 270, "Oil\nand filter", CostCategory::Service},
        at(2024, 5, 1, 10, 0));
    QVERIFY_THROWS_EXCEPTION(
        StoreError, log_->AddMaintenance(MaintenanceRow{Reg, day(2024, 1, 1), 1, "x", "Fuel"}));
    auto entries = log_->MaintenanceEntries(Reg);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].id, tyres);
    QCOMPARE(entries[1].id, oil);
    QCOMPARE(entries[1].row.Cost, 270.);
    QCOMPARE(entries[1].row.Description, QStringLiteral("Oil\nand filter"));
    log_->RemoveMaintenance(tyres, at(2024, 5, 1, 11, 0));

    const auto removed = log_->RemovedEntries(Reg);
    QCOMPARE(removed.size(), 2);
    QCOMPARE(removed[0].kind, RemovedEntry::Kind::Maintenance);
    QCOMPARE(removed[0].maintenance.Cost, 27000.);
    QCOMPARE(removed[0].Reason, QStringLiteral("Replaced by an edit"));
    QCOMPARE(removed[1].maintenance.Description, QStringLiteral("Tyres"));
    QCOMPARE(removed[1].Reason, QStringLiteral("Removed"));

    log_->PutBackMaintenance(removed[1].id, at(2024, 5, 1, 12, 0));
    entries = log_->MaintenanceEntries(Reg);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].row.Description, QStringLiteral("Tyres"));
    QCOMPARE(entries[0].row.Category, CostCategory::Tyres);
    QCOMPARE(log_->RemovedEntries(Reg).size(), 1);
    QVERIFY_THROWS_EXCEPTION(StoreError,
                             log_->PutBackMaintenance(removed[1].id, at(2024, 5, 1, 12, 0)));

    // The entry replaced by the edit swaps back with its replacement: no receipt twice.
    QCOMPARE(log_->PutBackMaintenance(removed[0].id, at(2024, 5, 1, 13, 0)), oil);
    QCOMPARE(log_->MaintenanceEntries(Reg)[1].row.Cost, 27000.);
    QCOMPARE(log_->MaintenanceEntries(Reg)[1].row.Category, CostCategory::Other);
    const auto swapped = log_->RemovedEntries(Reg);
    QCOMPARE(swapped.size(), 1);
    QCOMPARE(swapped[0].maintenance.Description, QStringLiteral("Oil\nand filter"));
    QCOMPARE(swapped[0].Reason, RemovalReason::ReplacedByEdit);
    QCOMPARE(swapped[0].maintenance.Category, CostCategory::Service);
}

void TestLogMending::putBackOfAnEditSwaps_data()
{
    QTest::addColumn<int>("edited");            // index of the reading edited
    QTest::addColumn<QVector<double>>("edits"); // the values it is given, in turn
    QTest::addColumn<QString>("then");
    QTest::addColumn<int>("code");            // 0: swapped; else refused, then put back beside
    QTest::addColumn<QStringList>("live");    // the readings after Put Back of the oldest
    QTest::addColumn<QStringList>("removed"); // what Removed then holds
    QTest::newRow("edited once") << 1 << QVector<double>{10500} << "" << 0
                                 << QStringList{"10000", "10400", "10800"}
                                 << QStringList{"10500 partial Replaced by an edit"};
    QTest::newRow("edited twice: the first swaps with the latest")
        << 1 << QVector<double>{10500, 10600} << "" << 0 << QStringList{"10000", "10400", "10800"}
        << QStringList{"10500 partial Replaced by an edit", "10600 partial Replaced by an edit"};
    QTest::newRow("replacement removed, its rowid given to a new reading")
        << 2 << QVector<double>{10900} << "remove, add" << StoreError::ReplacementUnknown
        << QStringList{"10000", "10400", "10800", "11000"} << QStringList{"10900 partial Removed"};
    QTest::newRow("edited before the store linked the two")
        << 1 << QVector<double>{10500} << "unlink" << StoreError::ReplacementUnknown
        << QStringList{"10000", "10400", "10500", "10800"} << QStringList{};
}

void TestLogMending::putBackOfAnEditSwaps()
{
    QFETCH(int, edited);
    QFETCH(QVector<double>, edits);
    QFETCH(QString, then);
    QFETCH(int, code);
    QFETCH(QStringList, live);
    QFETCH(QStringList, removed);
    const qint64 id = ids_[edited];
    const QDateTime date = log_->MileageEntries(Reg)[edited].row.Date;
    int minute = 0;
    for (const double value : edits) {
        // Each edit also marks the fill partial: the flags travel with their entry.
        MileageRow edit = reading(Reg, date, value, 40, 0.8);
        edit.PartialFill = true;
        log_->ReplaceMileage(id, edit, at(2024, 5, 1, 9, minute++));
    }
    if (then == QLatin1String("remove, add")) {
        log_->RemoveMileage(id, at(2024, 5, 2, 9, 0));
        QCOMPARE(log_->AddMileage(reading(Reg, day(2024, 4, 1), 11000)), id);
    } else if (then == QLatin1String("unlink")) {
        rawExecute(path_, R"(UPDATE "Removed Mileage" SET "Replaced By" = NULL)");
    }
    const qint64 oldest = log_->RemovedEntries(Reg).first().id;
    const QStringList before = everything(*log_, Reg);
    try {
        QCOMPARE(log_->PutBackMileage(oldest, at(2024, 6, 1, 9, 0)), id);
        QCOMPARE(0, code);
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), code);
        QCOMPARE(everything(*log_, Reg), before);
        log_->PutBackMileage(oldest, at(2024, 6, 1, 9, 0), UnknownReplacement::PutBeside);
    }
    QCOMPARE(mileages(log_->MileageChronological(Reg)), live);
    if (code == 0)
        QVERIFY(!log_->MileageEntries(Reg)[edited].row.PartialFill);
    QStringList held;
    for (const auto& e : log_->RemovedEntries(Reg))
        held << PlainNumber(e.reading.CurrentMileage) +
                    QLatin1String(e.reading.PartialFill ? " partial " : " ") + e.Reason;
    QCOMPARE(held, removed);
}

void TestLogMending::removedEntriesOfOneVehicleInRemovalOrder()
{
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("OTHER"),
                                                   reading("OTHER", day(2024, 1, 1), 1));
    log_->OpenMileageTable()->AppendMileage(reading("OTHER", day(2024, 1, 2), 2));
    log_->AddMaintenance(MaintenanceRow{Reg, day(2024, 1, 5), 12, QStringLiteral("Wipers")});
    log_->RemoveMaintenance(log_->MaintenanceEntries(Reg)[0].id, at(2024, 5, 1, 8, 0));
    log_->RemoveMileage(ids_[2], at(2024, 5, 1, 9, 0));
    log_->RemoveLatestMileage("OTHER", at(2024, 5, 1, 7, 0));
    log_->RemoveMileage(ids_[1], at(2024, 5, 1, 8, 0));
    QStringList order;
    for (const auto& e : log_->RemovedEntries(QStringLiteral("ab12 cde")))
        order << (e.kind == RemovedEntry::Kind::Reading ? PlainNumber(e.reading.CurrentMileage)
                                                        : e.maintenance.Description);
    // At the same moment a reading comes before a maintenance entry.
    QCOMPARE(order, QStringList({"10400", "Wipers", "10800"}));
}

void TestLogMending::renameCarriesEveryRow_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("stored"); // what the vehicle is then called
    QTest::addColumn<int>("code");       // 0: renamed
    QTest::newRow("a new registration") << "AB12CDE"
                                        << "AB12CDE" << 0;
    QTest::newRow("blanks around are no part of it") << "  KM02 XYZ "
                                                     << "KM02 XYZ" << 0;
    QTest::newRow("letter case alone") << "ab12 cde"
                                       << "ab12 cde" << 0;
    QTest::newRow("blanks only") << " \t "
                                 << "AB12 CDE" << StoreError::Blank;
    QTest::newRow("another vehicle's, in another case") << "other"
                                                        << "AB12 CDE" << StoreError::AlreadyExists;
}

void TestLogMending::renameCarriesEveryRow()
{
    QFETCH(QString, to);
    QFETCH(QString, stored);
    QFETCH(int, code);
    log_->OpenVehicleDetailsTable()->AppendVehicle(vehicle("OTHER"),
                                                   reading("OTHER", day(2024, 1, 1), 1));
    log_->AddMaintenance(MaintenanceRow{Reg, day(2024, 1, 5), 12, QStringLiteral("Wipers")});
    log_->AddMaintenance(MaintenanceRow{Reg, day(2024, 1, 6), 13, QStringLiteral("Bulb")});
    log_->RemoveMaintenance(log_->MaintenanceEntries(Reg)[1].id, at(2024, 5, 1, 8, 0));
    log_->RemoveMileage(ids_[2], at(2024, 5, 1, 9, 0));
    const QStringList before = everything(*log_, Reg);
    try {
        log_->RenameVehicle(QStringLiteral("ab12 CDE"), to);
        QCOMPARE(0, code);
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), code);
        QCOMPARE(everything(*log_, Reg), before);
        return;
    }
    QCOMPARE(log_->ListRegistrations().size(), 2);
    QVERIFY(log_->ListRegistrations().contains(stored));
    QCOMPARE(log_->FindVehicle(stored)->Registration, stored);
    QCOMPARE(log_->FindVehicle(stored)->Make, QStringLiteral("Ford"));
    // Every row went across, spelled as the vehicle now is.
    QStringList after = before;
    after.replaceInStrings(Reg, stored);
    QCOMPARE(everything(*log_, stored), after);
    for (const auto& e : log_->RemovedEntries(stored))
        QCOMPARE(e.kind == RemovedEntry::Kind::Reading ? e.reading.Registration
                                                       : e.maintenance.Registration,
                 stored);
    QVERIFY(log_->Check().isEmpty());
}

void TestLogMending::merge_data()
{
    QTest::addColumn<QVector<MileageRow>>("fromReadings"); // beside its first reading
    QTest::addColumn<QString>("fromModel");                // the other's is "Fiesta"
    QTest::addColumn<QStringList>("keptAside");
    QTest::addColumn<QString>("refusal"); // empty: merged
    QTest::newRow("readings interleave in order, another model kept aside")
        << QVector<MileageRow>{reading("AB12CDE", day(2024, 2, 15), 10600),
                               reading("AB12CDE", day(2024, 3, 1), 10800)}
        << "Focus" << QStringList{"Model"} << "";
    QTest::newRow("details alike: nothing kept aside")
        << QVector<MileageRow>{} << "Fiesta" << QStringList{} << "";
    QTest::newRow("a reading above a later one")
        << QVector<MileageRow>{reading("AB12CDE", day(2024, 2, 15), 10900)} << "Focus"
        << QStringList{"Model"}
        << "The records of AB12CDE cannot be merged into AB12 CDE: the reading of 10900 on "
           "15/02/2024 (AB12CDE) is higher than the reading of 10800 on 01/03/2024 (AB12 CDE) "
           "dated after it. Nothing was changed.";
}

void TestLogMending::merge()
{
    QFETCH(QVector<MileageRow>, fromReadings);
    QFETCH(QString, fromModel);
    QFETCH(QStringList, keptAside);
    QFETCH(QString, refusal);
    const QString from = QStringLiteral("AB12CDE");
    VehicleRow fromVehicle = vehicle(from);
    fromVehicle.Model = fromModel;
    log_->OpenVehicleDetailsTable()->AppendVehicle(fromVehicle,
                                                   reading(from, day(2024, 1, 20), 10200, 0, 0));
    LogBatch batch;
    batch.mileage = fromReadings;
    batch.maintenance << MaintenanceRow{from, day(2024, 2, 2), 50, QStringLiteral("MOT")};
    log_->AppendBatch(batch);
    log_->RemoveMaintenance(log_->MaintenanceEntries(from)[0].id, at(2024, 5, 1, 8, 0));
    // The vehicle merged into has no make: it takes the other's.
    VehicleRow bare = vehicle(Reg);
    bare.Make.clear();
    log_->EditVehicle(Reg, bare);
    const QStringList before = everything(*log_, from) + everything(*log_, Reg);
    const MergePreview preview = log_->PreviewMerge(from, Reg);
    QCOMPARE(preview.readings, 1 + fromReadings.size());
    QCOMPARE(preview.removed, 1);
    QCOMPARE(preview.keptAside, keptAside);
    try {
        log_->MergeVehicle(from, Reg, at(2024, 5, 2, 8, 0));
        QVERIFY(refusal.isEmpty());
    } catch (const StoreError& e) {
        QCOMPARE(e.code(), StoreError::OutOfOrder);
        QCOMPARE(e.text(), refusal);
        QCOMPARE(everything(*log_, from) + everything(*log_, Reg), before);
        return;
    }
    QCOMPARE(log_->ListRegistrations(), QStringList({Reg}));
    QCOMPARE(log_->FindVehicle(Reg)->Make, QStringLiteral("Ford"));
    QCOMPARE(log_->FindVehicle(Reg)->Model, QStringLiteral("Fiesta"));
    QCOMPARE(log_->MileageEntries(Reg).size(), 4 + fromReadings.size());
    // The merged vehicle's details are kept whole, under the registration it had.
    const auto removed = log_->RemovedEntries(Reg);
    QCOMPARE(removed.size(), 2);
    QCOMPARE(removed[1].kind, RemovedEntry::Kind::Details);
    QCOMPARE(removed[1].details.Registration, from);
    QCOMPARE(removed[1].details.Model, fromModel);
    QCOMPARE(removed[1].RemovedAt, at(2024, 5, 2, 8, 0));
    QCOMPARE(removed[1].Reason, RemovalReason::Merged);
    QVERIFY(log_->MileageEntries(from).isEmpty());
    QVERIFY(log_->Check().isEmpty());
    // They follow the vehicle when it is renamed.
    log_->RenameVehicle(Reg, QStringLiteral("NEW 1"));
    QCOMPARE(log_->RemovedEntries(QStringLiteral("NEW 1")).size(), 2);
}

// Another program adds a reading after the dialogs have checked theirs: the store's own check
// inside the transaction still refuses the edit.
void TestLogMending::concurrentWriterCannotBreakTheOrder()
{
    const QStringList before = everything(*log_, Reg);
    auto other = VehicleLog::Open(path_);
    other->AddMileage(reading(Reg, day(2024, 2, 20), 10500));
    QVERIFY_THROWS_EXCEPTION(
        StoreError,
        log_->ReplaceMileage(ids_[1], reading(Reg, day(2024, 2, 1), 10600), at(2024, 5, 1, 9, 0)));
    QCOMPARE(log_->RemovedEntries(Reg).size(), 0);
    QCOMPARE(everything(*log_, Reg).size(), before.size() + 1);
}

void TestLogMending::reminderMarkedDone_data()
{
    QTest::addColumn<QDate>("dueDate");
    QTest::addColumn<double>("dueMileage");
    QTest::addColumn<int>("everyMonths");
    QTest::addColumn<double>("everyMileage");
    QTest::addColumn<bool>("refuseUpdate"); // a trigger fails the move of the next due
    QTest::addColumn<QDate>("nextDate");    // null: no longer due at a date
    QTest::addColumn<double>("nextMileage");
    QTest::addColumn<bool>("kept");
    const QDate none;
    QTest::newRow("one-off is deleted")
        << QDate(2024, 3, 1) << 0. << 0 << 0. << false << none << 0. << false;
    QTest::newRow("every 12 months from the day done")
        << QDate(2024, 3, 1) << 0. << 12 << 0. << false << QDate(2025, 3, 31) << 0. << true;
    QTest::newRow("every 6000 miles from the reading done")
        << none << 16000. << 0 << 6000. << false << none << 16850. << true;
    QTest::newRow("both repeat") << QDate(2024, 3, 1) << 16000. << 12 << 6000. << false
                                 << QDate(2025, 3, 31) << 16850. << true;
    QTest::newRow("a way that does not repeat is spent")
        << QDate(2024, 3, 1) << 16000. << 0 << 6000. << false << none << 16850. << true;
    QTest::newRow("failed move leaves no entry")
        << QDate(2024, 3, 1) << 0. << 12 << 0. << true << QDate(2024, 3, 1) << 0. << true;
}

void TestLogMending::reminderMarkedDone()
{
    QFETCH(QDate, dueDate);
    QFETCH(double, dueMileage);
    QFETCH(int, everyMonths);
    QFETCH(double, everyMileage);
    QFETCH(bool, refuseUpdate);
    QFETCH(QDate, nextDate);
    QFETCH(double, nextMileage);
    QFETCH(bool, kept);
    const ReminderRow row{Reg,
                          QStringLiteral("MOT"),
                          CostCategory::Tax,
                          dueDate.isValid() ? AtMidnight(dueDate) : QDateTime(),
                          dueMileage,
                          everyMonths,
                          everyMileage};
    const qint64 id = log_->AddReminder(row);
    const qint64 other =
        log_->AddReminder(ReminderRow{Reg, "Tyres", CostCategory::Tyres, {}, 20000});
    if (refuseUpdate)
        rawExecute(path_, R"(CREATE TRIGGER refuse BEFORE UPDATE ON "Reminders"
            BEGIN SELECT RAISE(ABORT, 'refused'); END)");
    const QStringList before = everything(*log_, Reg);
    try {
        log_->MarkReminderDone(id, day(2024, 3, 31), 10850, 54.85);
        QVERIFY(!refuseUpdate);
    } catch (const StoreError&) {
        QVERIFY(refuseUpdate);
        QCOMPARE(everything(*log_, Reg), before);
    }
    if (!refuseUpdate) {
        const auto entries = log_->MaintenanceEntries(Reg);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].row.Description, QStringLiteral("MOT"));
        QCOMPARE(entries[0].row.Category, CostCategory::Tax);
        QCOMPARE(entries[0].row.Cost, 54.85);
        QCOMPARE(entries[0].row.Date, day(2024, 3, 31));
    }
    const auto reminders = log_->Reminders(Reg);
    QCOMPARE(reminders.size(), kept ? 2 : 1);
    QCOMPARE(reminders.last().id, other);
    QCOMPARE(reminders.last().row.DueMileage, 20000.);
    if (kept) {
        QCOMPARE(reminders[0].id, id);
        QCOMPARE(reminders[0].row.DueDate.date(), nextDate);
        QCOMPARE(reminders[0].row.DueMileage, nextMileage);
        QCOMPARE(reminders[0].row.EveryMonths, everyMonths);
        return;
    }
    // Edits keep the reminder with its vehicle; what is gone cannot be edited or deleted.
    log_->ReplaceReminder(other,
                          ReminderRow{"OTHER", " Tyres, front ", CostCategory::Tyres, {}, 21000});
    QCOMPARE(log_->Reminders(Reg).last().row.Title, QStringLiteral("Tyres, front"));
    log_->DeleteReminder(other);
    QVERIFY(log_->Reminders(Reg).isEmpty());
    QVERIFY_THROWS_EXCEPTION(StoreError, log_->DeleteReminder(other));
    QVERIFY_THROWS_EXCEPTION(StoreError, log_->MarkReminderDone(id, day(2024, 4, 1), 1, 1));
    for (const ReminderRow& refused :
         {ReminderRow{Reg, " ", CostCategory::Tax, {}, 1}, ReminderRow{Reg, "MOT", "Fines", {}, 1},
          ReminderRow{Reg, "MOT", CostCategory::Tax, {}, 0, 12}})
        QVERIFY_THROWS_EXCEPTION(StoreError, log_->AddReminder(refused));
}

QTEST_GUILESS_MAIN(TestLogMending)
#include "tst_logmending.moc"
