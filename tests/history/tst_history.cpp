#include "ReadingsModel.h"
#include "SqliteDatabase.h"
#include "TestEnvironment.h"
#include "TrendDrawing.h"
#include "WindowTesting.h"
#include "dlgEditMaintenance.h"
#include "dlgEditReading.h"
#include "dlgRemoveLatest.h"
#include "dlgRenameVehicle.h"
#include "frmGraphs.h"
#include "frmHistory.h"
#include "frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

namespace {

const QString Reg = QStringLiteral("AB12 CDE");

// AB12 CDE with four readings and two receipts, AB12CDE (the same car, filed apart by an
// import) with two later readings, and ZZ99 ONE with one reading; the main window on the store.
struct Env : TestPlatform
{
    Env()
    {
        state->SplashMilliseconds = 0;
        clock.moment = QDateTime(QDate(2026, 6, 15), QTime(9, 30), Qt::UTC);
        state->VehicleDetailsTable->AppendVehicle(PlainVehicle(Reg),
                                                  MileageRow{Reg, Day(2026, 1, 10), 10000, 0, 0});
        for (const auto& [date, reading] : {std::pair{Day(2026, 2, 10), 10400.0},
                                            {Day(2026, 3, 10), 10800.0},
                                            {Day(2026, 4, 10), 11200.0}})
            state->MileageTable->AppendMileage({Reg, date, reading, 40, 0.8});
        state->MaintenanceTable->AppendMaintenance({Reg, Day(2026, 2, 1), 120, "Oil change"});
        state->MaintenanceTable->AppendMaintenance({Reg, Day(2026, 4, 2), 35, "Wipers"});
        state->VehicleDetailsTable->AppendVehicle(
            PlainVehicle("AB12CDE"), MileageRow{"AB12CDE", Day(2026, 5, 1), 11500, 0, 0});
        state->MileageTable->AppendMileage({"AB12CDE", Day(2026, 6, 1), 11900, 50, 1});
        state->VehicleDetailsTable->AppendVehicle(
            PlainVehicle("ZZ99 ONE"), MileageRow{"ZZ99 ONE", Day(2026, 5, 1), 500, 0, 0});
        window = std::make_unique<frmMain>(*state);
        window->Form_Load();
        window->show();
    }
    ~Env() { window.reset(); }

    void showVehicle(const QString& registration)
    {
        auto* list = Child<QComboBox>(window.get(), "cmbVehicleReg");
        list->setCurrentIndex(list->findText(registration));
        window->ShowVehicleDetails();
    }
    frmHistory* openHistory()
    {
        Child<QAction>(window.get(), "History")->trigger();
        return window->findChild<frmHistory*>();
    }
    QString label(const char* name) { return Child<QLabel>(window.get(), name)->text(); }
    QList<double> readings(const QString& registration)
    {
        QList<double> figures;
        for (const MileageEntry& e : state->LogDatabase->MileageEntries(registration))
            figures << e.row.CurrentMileage;
        return figures;
    }

    std::unique_ptr<frmMain> window;
};

QTableView* table(frmHistory* history, const char* name)
{
    return Child<QTableView>(history, name);
}

// The text of one column down a table, top to bottom.
QStringList column(QTableView* view, int column)
{
    QStringList cells;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        cells << view->model()->index(row, column).data().toString();
    return cells;
}

void selectRow(QTableView* view, int row)
{
    view->setFocus();
    view->setCurrentIndex(view->model()->index(row, 0));
    view->selectRow(row);
}

void showTab(frmHistory* history, int tab)
{
    Child<QTabWidget>(history, "tabHistory")->setCurrentIndex(tab);
}

void fillReading(QWidget* dialog, const QString& date, const QString& reading,
                 const QString& amount, const QString& pricePer)
{
    Child<QLineEdit>(dialog, "txtDate")->setText(date);
    Child<QLineEdit>(dialog, "txtCurrentMileage")->setText(reading);
    Child<QLineEdit>(dialog, "txtAmount")->setText(amount);
    Child<QLineEdit>(dialog, "txtPricePer")->setText(pricePer);
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void cleanup() { FlushDeletes(); }

    void opensOnceAndFollowsTheVehicleShown();
    void editAnOldTypo();
    void editRefusedAsRecordMileageWouldWithBothNeighbours_data();
    void editRefusedAsRecordMileageWouldWithBothNeighbours();
    void addAForgottenReceiptOfAnyPastDate();
    void addAForgottenReading();
    void removeAndPutBack();
    void putBackThatNoLongerFitsSaysWhy();
    void putBackOfAnEditSwapsOrAsks();
    void onlyReadingStays();
    void renameToANewRegistration();
    void renameRefusals_data();
    void renameRefusals();
    void renameIntoAnExistingVehicleMerges();
    void keysEscapeAndCopy();
    void graphsFollowTheVehicleOverItsWholeHistory();
};

void TestHistory::opensOnceAndFollowsTheVehicleShown()
{
    Env env;
    frmHistory* history = env.openHistory();
    QVERIFY(history && history->isVisible());
    QCOMPARE(history->windowTitle(), QStringLiteral("History of AB12 CDE"));
    QVERIFY(!(history->windowFlags() & Qt::MSWindowsFixedSizeDialogHint));
    QCOMPARE(column(table(history, "grdReadings"), ReadingsModel::CurrentColumn),
             (QStringList{"011200", "010800", "010400", "010000"}));
    QCOMPARE(env.openHistory(), history);
    QCOMPARE(env.window->findChildren<frmHistory*>().size(), 1);

    env.showVehicle("AB12CDE");
    QCOMPARE(history->windowTitle(), QStringLiteral("History of AB12CDE"));
    QCOMPARE(column(table(history, "grdReadings"), ReadingsModel::PerLitreColumn),
             (QStringList{"8.00", ""}));
    QCOMPARE(table(history, "grdMaintenance")->model()->rowCount(), 0);
}

void TestHistory::editAnOldTypo()
{
    Env env;
    frmHistory* history = env.openHistory();
    QTableView* readings = table(history, "grdReadings");
    selectRow(readings, 2); // 10400 of 10 February
    QTest::keyClick(readings, Qt::Key_Return);
    auto* edit = history->findChild<dlgEditReading*>();
    QVERIFY(edit && edit->isVisible());
    QCOMPARE(edit->windowTitle(), QStringLiteral("Edit Reading"));
    QStringList boxes;
    for (const char* name : {"txtDate", "txtCurrentMileage", "txtAmount", "txtPricePer"})
        boxes << Child<QLineEdit>(edit, name)->text();
    QCOMPARE(boxes, (QStringList{"10/02/2026", "10400", "40", "0.8"}));

    fillReading(edit, "10/02/2026", "10500", "45", "0.8");
    Child<QCheckBox>(edit, "chkPartialFill")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(edit, "OKButton"), Qt::LeftButton);
    FlushDeletes();
    QVERIFY(!history->findChild<dlgEditReading*>());
    QVERIFY(env.messages.shown.isEmpty());
    QCOMPARE(env.readings(Reg), (QList<double>{10000, 10500, 10800, 11200}));
    QCOMPARE(column(readings, ReadingsModel::DistanceColumn),
             (QStringList{"400", "300", "500", ""}));
    QCOMPARE(readings->currentIndex().row(), 2); // still on the mended reading
    // Its 56.25 litres count towards the full fill after it: 800 miles on 106.25 litres.
    QCOMPARE(column(readings, ReadingsModel::FillColumn),
             (QStringList{"Full", "Full", "Partial", "Full"}));
    QCOMPARE(column(readings, ReadingsModel::PerLitreColumn),
             (QStringList{"8.00", "7.53", "", ""}));
    QCOMPARE(Child<QLabel>(history, "lblExactEconomy")->text(),
             QStringLiteral("Exact economy over 2 full fills: 34.87 Miles per Gallon"));
    // The main window follows at once: fuel to date 40 + 45 + 40.
    QCOMPARE(env.label("lblCost"), QStringLiteral("£125.00"));
    QTableView* removed = table(history, "grdRemoved");
    QCOMPARE(removed->model()->rowCount(), 1);
    QCOMPARE(removed->model()->index(0, 2).data().toString(),
             QStringLiteral("Current Miles 010400, £40.00 at 0.8"));
    QCOMPARE(removed->model()->index(0, 4).data().toString(),
             QStringLiteral("Replaced by an edit"));
    Child<QPushButton>(history, "cmdEdit")->click(); // Edit shows the fill as stored
    edit = history->findChild<dlgEditReading*>();
    QVERIFY(edit && Child<QCheckBox>(edit, "chkPartialFill")->isChecked());
    QVERIFY(!Child<QCheckBox>(edit, "chkMissedFillBefore")->isChecked());
}

void TestHistory::editRefusedAsRecordMileageWouldWithBothNeighbours_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("message");
    const QString between = QStringLiteral(
        "The entry for 'Current Mileage' must lie between 10400 (10/02/2026) and 11200 "
        "(10/04/2026)");
    QTest::newRow("not a date") << QStringList{"31/02/2026", "x", "x", "x"}
                                << "The entry for 'Date' must be in date format";
    QTest::newRow("future before anything else") << QStringList{"16/06/2026", "x", "x", "x"}
                                                 << "The entry for 'Date' cannot be in the future";
    QTest::newRow("reading not numeric") << QStringList{"10/03/2026", "ten", "x", "x"}
                                         << "The entry for 'Current Mileage' must be numeric";
    QTest::newRow("reading below 0, before the neighbours")
        << QStringList{"10/03/2026", "-5", "40", "0.8"}
        << "The entry for 'Current Mileage' must be a positive value";
    QTest::newRow("below the earlier reading, before the amount")
        << QStringList{"10/03/2026", "9000", "x", "x"} << between;
    QTest::newRow("above the later reading")
        << QStringList{"10/03/2026", "11300", "40", "0.8"} << between;
    QTest::newRow("moved after the latest, below it")
        << QStringList{"01/05/2026", "10900", "40", "0.8"}
        << "The entry for 'Current Mileage' must be at least 11200 (10/04/2026)";
    QTest::newRow("amount not numeric")
        << QStringList{"10/03/2026", "10800", "x", "x"} << "The entry for 'Amount' must be numeric";
    QTest::newRow("amount zero") << QStringList{"10/03/2026", "10800", "0", "x"}
                                 << "The entry for 'Amount' must be a positive Value";
    QTest::newRow("price not numeric") << QStringList{"10/03/2026", "10800", "40", ""}
                                       << "The entry for 'Price Per' must be numeric";
    QTest::newRow("price negative") << QStringList{"10/03/2026", "10800", "40", "-1"}
                                    << "The entry for 'Price Per' must be a positive Value";
}

void TestHistory::editRefusedAsRecordMileageWouldWithBothNeighbours()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, message);
    Env env;
    frmHistory* history = env.openHistory();
    QTableView* readings = table(history, "grdReadings");
    selectRow(readings, 1); // 10800 of 10 March
    Child<QPushButton>(history, "cmdEdit")->click();
    auto* edit = history->findChild<dlgEditReading*>();
    QVERIFY(edit);
    fillReading(edit, boxes[0], boxes[1], boxes[2], boxes[3]);
    Child<QPushButton>(edit, "OKButton")->click();
    QCOMPARE(env.messages.lastText(), message);
    QCOMPARE(env.messages.shown.last().title, QStringLiteral("Invalid Entry"));
    QVERIFY(edit->isVisible());
    QCOMPARE(env.readings(Reg), (QList<double>{10000, 10400, 10800, 11200}));
    QCOMPARE(table(history, "grdRemoved")->model()->rowCount(), 0);
}

void TestHistory::addAForgottenReceiptOfAnyPastDate()
{
    Env env;
    frmHistory* history = env.openHistory();
    showTab(history, 1);
    Child<QPushButton>(history, "cmdAdd")->click();
    auto* add = history->findChild<dlgEditMaintenance*>();
    QVERIFY(add);
    QCOMPARE(add->windowTitle(), QStringLiteral("Add Maintenance Entry"));
    QCOMPARE(Child<QLineEdit>(add, "txtDate")->text(), QString());
    // Before the latest entry of 2 April: Record Maintenance would refuse it.
    Child<QLineEdit>(add, "txtDate")->setText("15/03/2026");
    Child<QLineEdit>(add, "txtAmount")->setText("250");
    Child<QPlainTextEdit>(add, "txtDescription")->setPlainText("Tyres\nfront pair");
    Child<QComboBox>(add, "cmbCategory")->setCurrentText(CostCategory::Tyres);
    Child<QPushButton>(add, "OKButton")->click();
    QVERIFY(env.messages.shown.isEmpty());
    QTableView* maintenance = table(history, "grdMaintenance");
    QCOMPARE(column(maintenance, 2), (QStringList{"Wipers", "Tyres\nfront pair", "Oil change"}));
    QCOMPARE(column(maintenance, 3), (QStringList{"Other", "Tyres", "Other"}));
    QCOMPARE(env.label("lblCostinc"), QStringLiteral("£525.00")); // 120 fuel + 405 maintenance

    // Shown alone by its category, it is edited with the category it has, which the edit keeps.
    auto* filter = Child<QComboBox>(history, "cmbCategoryFilter");
    filter->setCurrentText(CostCategory::Tyres);
    QCOMPARE(column(maintenance, 2), QStringList{"Tyres\nfront pair"});
    FlushDeletes(); // the Add dialog
    Child<QPushButton>(history, "cmdEdit")->click();
    auto* edit = history->findChild<dlgEditMaintenance*>();
    QVERIFY(edit);
    QCOMPARE(Child<QComboBox>(edit, "cmbCategory")->currentText(), CostCategory::Tyres);
    Child<QLineEdit>(edit, "txtAmount")->setText("260");
    Child<QPushButton>(edit, "OKButton")->click();
    QCOMPARE(column(maintenance, 1), QStringList{"£260.00"});
}

void TestHistory::addAForgottenReading()
{
    Env env;
    frmHistory* history = env.openHistory();
    Child<QPushButton>(history, "cmdAdd")->click();
    auto* add = history->findChild<dlgEditReading*>();
    QVERIFY(add);
    QCOMPARE(add->windowTitle(), QStringLiteral("Add Reading"));
    fillReading(add, "20/02/2026", "10900", "20", "0.8");
    add->OKButton_Click();
    QCOMPARE(env.messages.lastText(),
             QStringLiteral("The entry for 'Current Mileage' must lie between 10400 (10/02/2026) "
                            "and 10800 (10/03/2026)"));
    fillReading(add, "20/02/2026", "10600", "20", "0.8");
    add->OKButton_Click();
    QCOMPARE(env.readings(Reg), (QList<double>{10000, 10400, 10600, 10800, 11200}));
    QCOMPARE(column(table(history, "grdReadings"), ReadingsModel::PerLitreColumn),
             (QStringList{"8.00", "4.00", "8.00", "8.00", ""}));
}

void TestHistory::removeAndPutBack()
{
    Env env;
    frmHistory* history = env.openHistory();
    QTableView* readings = table(history, "grdReadings");
    selectRow(readings, 1); // 10800
    env.messages.answers = {false};
    QTest::keyClick(readings, Qt::Key_Delete);
    QCOMPARE(env.readings(Reg).size(), 4);
    QTest::keyClick(readings, Qt::Key_Delete);
    QCOMPARE(env.messages.asked.size(), 2);
    QCOMPARE(env.messages.asked.last(),
             QStringLiteral("Remove this reading of AB12 CDE?\n\n10/03/2026\nCurrent Miles "
                            "010800, £40.00 at 0.8"));
    QCOMPARE(env.readings(Reg), (QList<double>{10000, 10400, 11200}));
    QCOMPARE(env.label("lblCost"), QStringLiteral("£80.00"));

    showTab(history, 2);
    QTableView* removed = table(history, "grdRemoved");
    QCOMPARE(column(removed, 4), QStringList{"Removed"});
    QCOMPARE(column(removed, 3), QStringList{"15/06/2026 09:30:00"});
    QVERIFY(Child<QPushButton>(history, "cmdPutBack")->isVisible());
    QVERIFY(!Child<QPushButton>(history, "cmdEdit")->isVisible());
    selectRow(removed, 0);
    Child<QPushButton>(history, "cmdPutBack")->click();
    QCOMPARE(env.readings(Reg), (QList<double>{10000, 10400, 10800, 11200}));
    QCOMPARE(removed->model()->rowCount(), 0);
    QCOMPARE(env.label("lblCost"), QStringLiteral("£120.00"));

    // Maintenance entries go and come back the same way.
    showTab(history, 1);
    QTableView* maintenance = table(history, "grdMaintenance");
    selectRow(maintenance, 0);
    QTest::keyClick(maintenance, Qt::Key_Delete);
    QCOMPARE(env.messages.asked.last(),
             QStringLiteral("Remove this maintenance entry of AB12 CDE?\n\n02/04/2026\n£35.00, "
                            "Wipers"));
    QCOMPARE(column(maintenance, 2), QStringList{"Oil change"});
    QCOMPARE(column(removed, 0), QStringList{"Maintenance"});
}

void TestHistory::putBackThatNoLongerFitsSaysWhy()
{
    Env env;
    frmHistory* history = env.openHistory();
    selectRow(table(history, "grdReadings"), 1);
    Child<QPushButton>(history, "cmdRemove")->click(); // 10800 of 10 March
    env.state->LogDatabase->AddMileage({Reg, Day(2026, 3, 20), 10700, 10, 1});
    env.window->ShowVehicleDetails();
    showTab(history, 2);
    selectRow(table(history, "grdRemoved"), 0);
    Child<QPushButton>(history, "cmdPutBack")->click();
    QVERIFY(env.messages.lastText().contains(QStringLiteral("10700 (20/03/2026)")));
    QCOMPARE(env.readings(Reg), (QList<double>{10000, 10400, 10700, 11200}));
    QCOMPARE(table(history, "grdRemoved")->model()->rowCount(), 1);
}

void TestHistory::putBackOfAnEditSwapsOrAsks()
{
    Env env;
    frmHistory* history = env.openHistory();
    const qint64 march = env.state->LogDatabase->MileageEntries(Reg)[2].id;
    env.state->LogDatabase->ReplaceMileage(march, {Reg, Day(2026, 3, 10), 10850, 40, 0.8},
                                           env.clock.moment);
    env.window->ShowVehicleDetails();
    showTab(history, 2);
    QTableView* removed = table(history, "grdRemoved");
    selectRow(removed, 0);
    Child<QPushButton>(history, "cmdPutBack")->click();
    QVERIFY(env.messages.shown.isEmpty());
    QCOMPARE(env.readings(Reg), (QList<double>{10000, 10400, 10800, 11200}));
    QCOMPARE(column(removed, 2), QStringList{"Current Miles 010850, £40.00 at 0.8"});

    // An edit the store did not link to its replacement asks before it is put back beside.
    SqliteDatabase(env.storePath(), SqliteDatabase::Mode::ReadWrite, 1000)
        .execute(R"(UPDATE "Removed Mileage" SET "Replaced By" = NULL)");
    env.messages.answers = {false, true};
    for (int answer = 0; answer < 2; ++answer) {
        selectRow(removed, 0);
        Child<QPushButton>(history, "cmdPutBack")->click();
    }
    QCOMPARE(env.messages.asked.size(), 2);
    QCOMPARE(env.messages.asked[0],
             QStringLiteral("This reading was replaced by an edit on 15/06/2026 09:30:00, and "
                            "which entry replaced it is not known. If that entry is still in the "
                            "log, putting this one back shows the same fill-up twice.\n\n"
                            "10/03/2026\nCurrent Miles 010850, £40.00 at 0.8\n\nPut it back "
                            "beside the other entries?"));
    QCOMPARE(env.readings(Reg), (QList<double>{10000, 10400, 10800, 10850, 11200}));
}

void TestHistory::onlyReadingStays()
{
    Env env;
    env.showVehicle("ZZ99 ONE");
    frmHistory* history = env.openHistory();
    QTableView* readings = table(history, "grdReadings");
    selectRow(readings, 0);
    QTest::keyClick(readings, Qt::Key_Delete);
    QVERIFY(env.messages.asked.isEmpty());
    QCOMPARE(env.messages.lastText(), dlgRemoveLatest::OnlyReadingText("ZZ99 ONE"));
    QCOMPARE(env.readings("ZZ99 ONE"), QList<double>{500});
}

void TestHistory::renameToANewRegistration()
{
    Env env;
    frmHistory* history = env.openHistory();
    Child<QAction>(env.window.get(), "Rename_Vehicle")->trigger();
    auto* rename = env.window->findChild<dlgRenameVehicle*>();
    QVERIFY(rename && rename->isVisible());
    QCOMPARE(rename->windowTitle(), QStringLiteral("Rename Vehicle"));
    Child<QLineEdit>(rename, "txtNewRegistration")->setText(" AB12 XYZ ");
    Child<QPushButton>(rename, "OKButton")->click();
    QVERIFY(env.messages.shown.isEmpty());
    auto* list = Child<QComboBox>(env.window.get(), "cmbVehicleReg");
    QCOMPARE(list->currentText(), QStringLiteral("AB12 XYZ"));
    QCOMPARE(list->findText(Reg), -1);
    QCOMPARE(history->windowTitle(), QStringLiteral("History of AB12 XYZ"));
    QCOMPARE(env.readings("AB12 XYZ").size(), 4);
}

void TestHistory::renameRefusals_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("before"); // SQL run on the store first
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QString>("message");
    QTest::newRow("blanks only") << Reg << "   " << QByteArray() << QList<bool>{}
                                 << "Entry is required in the highlighted fields";
    QTest::newRow("merge declined")
        << "AB12CDE" << Reg << QByteArray() << QList<bool>{false}
        << "AB12 CDE already exists.\n\nMerging moves 2 readings, 0 maintenance entries and 0 "
           "removed entries of AB12CDE to AB12 CDE.\nNo detail of AB12CDE differs from those of "
           "AB12 CDE.\n\nMerge the records of AB12CDE into AB12 CDE?";
    QTest::newRow("merge of other details and years in common declined")
        << "AB12CDE" << Reg
        << QByteArray(R"(INSERT INTO "Mileage" VALUES ('AB12 CDE', '2024-01-01', 4000, 0, 0, 0);
            INSERT INTO "Mileage" VALUES ('AB12CDE', '2024-06-01', 5000, 0, 0, 0);
            UPDATE "Vehicle Details" SET "Make" = 'Ford', "Fuel" = 'Petrol'
                WHERE "Registration" = 'AB12 CDE';
            UPDATE "Vehicle Details" SET "Make" = 'Vauxhall', "Model" = 'Astra', "Fuel" = 'Diesel'
                WHERE "Registration" = 'AB12CDE')")
        << QList<bool>{false}
        << "AB12 CDE already exists.\n\nMerging moves 3 readings, 0 maintenance entries and 0 "
           "removed entries of AB12CDE to AB12 CDE.\n2 details of AB12CDE that differ from "
           "those of AB12 CDE (Make, Fuel) are kept aside in Removed; AB12 CDE keeps its own."
           "\n\nWarning: both vehicles have readings from 01/06/2024 to 10/04/2026, more than "
           "a year. They may be two different vehicles.\n\nMerge the records of AB12CDE into "
           "AB12 CDE?";
    QTest::newRow("merge that breaks the order")
        << "ZZ99 ONE" << Reg << QByteArray() << QList<bool>{true}
        << "The records of ZZ99 ONE cannot be merged into AB12 CDE: the reading of 11200 on "
           "10/04/2026 (AB12 CDE) is higher than the reading of 500 on 01/05/2026 (ZZ99 ONE) "
           "dated after it. Nothing was changed.";
}

void TestHistory::renameRefusals()
{
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(QByteArray, before);
    QFETCH(QList<bool>, answers);
    QFETCH(QString, message);
    Env env;
    if (!before.isEmpty())
        SqliteDatabase(env.storePath(), SqliteDatabase::Mode::ReadWrite, 1000)
            .execute(before.constData());
    const qsizetype held = env.readings(shown).size();
    env.showVehicle(shown);
    env.messages.answers = answers;
    Child<QAction>(env.window.get(), "Rename_Vehicle")->trigger();
    auto* rename = env.window->findChild<dlgRenameVehicle*>();
    Child<QLineEdit>(rename, "txtNewRegistration")->setText(typed);
    rename->OKButton_Click();
    QCOMPARE(env.messages.lastText(), message);
    QCOMPARE(env.state->LogDatabase->ListRegistrations(),
             (QStringList{"AB12 CDE", "AB12CDE", "ZZ99 ONE"}));
    QCOMPARE(env.readings(shown).size(), held);
}

void TestHistory::renameIntoAnExistingVehicleMerges()
{
    Env env;
    env.showVehicle("AB12CDE");
    frmHistory* history = env.openHistory();
    Child<QAction>(env.window.get(), "Rename_Vehicle")->trigger();
    auto* rename = env.window->findChild<dlgRenameVehicle*>();
    Child<QLineEdit>(rename, "txtNewRegistration")->setText(Reg);
    rename->OKButton_Click();
    QCOMPARE(env.messages.asked.size(), 1);
    QVERIFY(env.messages.asked[0].endsWith("Merge the records of AB12CDE into AB12 CDE?"));
    QCOMPARE(env.state->LogDatabase->ListRegistrations(), (QStringList{"AB12 CDE", "ZZ99 ONE"}));
    auto* list = Child<QComboBox>(env.window.get(), "cmbVehicleReg");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentText(), Reg);
    QCOMPARE(history->windowTitle(), QStringLiteral("History of AB12 CDE"));
    QCOMPARE(column(table(history, "grdReadings"), ReadingsModel::CurrentColumn),
             (QStringList{"011900", "011500", "011200", "010800", "010400", "010000"}));
    QCOMPARE(env.label("lblCurrentMileage"), QStringLiteral("011900"));
    // The merged vehicle's details are kept for the record, not put back.
    showTab(history, 2);
    QTableView* removed = table(history, "grdRemoved");
    QCOMPARE(column(removed, 0), QStringList{"Vehicle Details"});
    QCOMPARE(column(removed, 4), QStringList{"Merged"});
    selectRow(removed, 0);
    Child<QPushButton>(history, "cmdPutBack")->click();
    QVERIFY(env.messages.lastText().contains("cannot be put back"));
    QCOMPARE(removed->model()->rowCount(), 1);
}

void TestHistory::keysEscapeAndCopy()
{
    Env env;
    frmHistory* history = env.openHistory();
    QTableView* readings = table(history, "grdReadings");
    readings->setFocus();
    readings->setCurrentIndex(readings->model()->index(0, 0));
    QTest::keyClick(readings, Qt::Key_Down);
    QCOMPARE(readings->currentIndex().row(), 1);
    QTest::keyClick(readings, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(readings, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(
        QGuiApplication::clipboard()->text(),
        QStringLiteral("Date\tCurrent Miles\tDistance\tAmount\tPrice Per\tLitres\tMiles per "
                       "Litre\tMiles per Gallon\tCost per Mile\tFill\n"
                       "10/03/2026\t010800\t400\t£40.00\t0.8\t50.00\t8.00\t36.32\t£0.10\tFull\n"
                       "10/02/2026\t010400\t400\t£40.00\t0.8\t50.00\t8.00\t36.32\t£0.10\tFull\n"));
    QTest::keyClick(readings, Qt::Key_Escape);
    QVERIFY(!history->isVisible());
}

void TestHistory::graphsFollowTheVehicleOverItsWholeHistory()
{
    Env env;
    Child<QAction>(env.window.get(), "Graphs")->trigger();
    auto* graphs = env.window->findChild<frmGraphs*>();
    QVERIFY(graphs && graphs->isVisible());
    QCOMPARE(graphs->windowTitle(), QStringLiteral("Graphs of AB12 CDE"));
    QCOMPARE(Child<QDateEdit>(graphs, "txtFrom")->date(), QDate(2026, 1, 10));
    QCOMPARE(Child<QDateEdit>(graphs, "txtTo")->date(), QDate(2026, 4, 10));
    QCOMPARE(graphs->shownSeries().Points.size(), 3); // three fills after the first reading
    QCOMPARE(graphs->shownSeries().Points[0].Value, 8 * 4.54);

    Child<QComboBox>(graphs, "cmbGraph")->setCurrentIndex(int(TrendKind::CostPerMonth));
    QList<double> costs;
    for (const TrendPoint& p : graphs->shownSeries().Points)
        costs << p.Value;
    QCOMPARE(costs, (QList<double>{0, 160, 40, 75})); // fuel and receipts, month by month

    env.showVehicle("ZZ99 ONE");
    QCOMPARE(graphs->windowTitle(), QStringLiteral("Graphs of ZZ99 ONE"));
    QCOMPARE(Child<QDateEdit>(graphs, "txtFrom")->date(), QDate(2026, 5, 1));

    // Drawn at a pixel ratio of 1.5, every grid line is one device pixel: none smeared over two.
    QImage image(QSize(600, 300) * 1.5, QImage::Format_RGB32);
    image.setDevicePixelRatio(1.5);
    {
        QPainter painter(&image);
        env.showVehicle(Reg);
        Child<QComboBox>(graphs, "cmbGraph")->setCurrentIndex(int(TrendKind::EconomyPerFill));
        DrawTrend(painter, QRectF(0, 0, 600, 300), graphs->shownSeries(), QDate(2026, 1, 10),
                  QDate(2026, 4, 10));
    }
    const int x = image.width() * 3 / 4;
    int runs = 0;
    for (int y = 0, run = 0; y < image.height(); ++y) {
        const bool grid = image.pixel(x, y) == qRgb(220, 220, 220);
        run = grid ? run + 1 : 0;
        QVERIFY2(run <= 1, qPrintable(QString::number(y)));
        runs += run == 1;
    }
    QVERIFY(runs >= 3);
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
