#include "Export.h"
#include "ImportPlanModel.h"
#include "StoreError.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "WindowTesting.h"
#include "dlgExport.h"
#include "dlgImport.h"
#include "dlgRemoveLatest.h"
#include "dlgRestore.h"
#include "frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>
#include <sqlite3.h>

namespace {

VehicleRow vehicle(const QString& registration)
{
    VehicleRow v;
    v.Registration = registration;
    v.Make = QStringLiteral("Ford");
    v.Model = QStringLiteral("Focus");
    v.Fuel = QStringLiteral("Petrol");
    v.EngineCapacity = 1596;
    v.RegistrationDate = NoDate();
    v.PurchaseDate = NoDate();
    return v;
}

QString labelText(QObject* parent, const char* name)
{
    return Child<QLabel>(parent, name)->text();
}

// The rows of a removed table as "registration|date|figure|removed at" lines, read with SQLite
// itself so the check does not trust the store's own reading of them.
QStringList removedRows(const QString& storePath, const char* sql)
{
    sqlite3* db = nullptr;
    QStringList rows;
    if (sqlite3_open_v2(storePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        qFatal("cannot open %s", qPrintable(storePath));
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        qFatal("%s", sqlite3_errmsg(db));
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList cells;
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            cells << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
        rows << cells.join(u'|');
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

QStringList removedMileage(const QString& storePath)
{
    return removedRows(storePath, "SELECT Registration, Date, \"Current Mileage\", "
                                  "\"Removed At\" FROM \"Removed Mileage\" ORDER BY rowid");
}

QStringList removedMaintenance(const QString& storePath)
{
    return removedRows(storePath, "SELECT Registration, Date, Cost, Description, \"Removed At\" "
                                  "FROM \"Removed Maintenance\" ORDER BY rowid");
}

// A temporary store with two vehicles, the main window loaded on it; no splash.
struct Env : TestPlatform
{
    Env()
    {
        state->SplashMilliseconds = 0;
        clock.moment = QDateTime(QDate(2026, 6, 15), QTime(9, 30), Qt::UTC);
        state->VehicleDetailsTable->AppendVehicle(
            vehicle(QStringLiteral("AB12 CDE")),
            MileageRow{QStringLiteral("AB12 CDE"), Day(2026, 1, 10), 10000, 0, 0});
        state->MileageTable->AppendMileage(
            {QStringLiteral("AB12 CDE"), Day(2026, 2, 10), 10450, 40.5, 1.459});
        state->MileageTable->AppendMileage(
            {QStringLiteral("AB12 CDE"), Day(2026, 3, 12), 100800, 38.25, 1.479});
        state->MaintenanceTable->AppendMaintenance(
            {QStringLiteral("AB12 CDE"), Day(2026, 2, 1), 120, QStringLiteral("Oil change")});
        state->MaintenanceTable->AppendMaintenance({QStringLiteral("AB12 CDE"), Day(2026, 4, 2),
                                                    89.99, QStringLiteral("Wipers, \"front\"")});
        state->VehicleDetailsTable->AppendVehicle(
            vehicle(QStringLiteral("ZZ99 ONE")),
            MileageRow{QStringLiteral("ZZ99 ONE"), Day(2026, 5, 1), 500, 0, 0});
        window = std::make_unique<frmMain>(*state);
        window->Form_Load();
        window->show();
    }
    ~Env() { window.reset(); }

    void trigger(const char* item) { Child<QAction>(window.get(), item)->trigger(); }
    void showVehicle(const QString& registration)
    {
        auto* list = Child<QComboBox>(window.get(), "cmbVehicleReg");
        list->setCurrentIndex(list->findText(registration));
        window->ShowVehicleDetails();
    }
    template <typename T> T* dialog() { return window->findChild<T*>(); }
    QString tempFile(const QString& name) const { return QDir(temp.path()).filePath(name); }

    std::unique_ptr<frmMain> window;
};

// The preview's table, one "vehicle=column/column..." line per vehicle, sorted.
QStringList previewRows(dlgImport* dialog, std::initializer_list<int> columns)
{
    QAbstractItemModel* model = Child<QTableView>(dialog, "tblVehicles")->model();
    QStringList rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c : columns)
            cells << model->index(r, c).data().toString();
        rows << model->index(r, 0).data().toString() + u'=' + cells.join(u'/');
    }
    rows.sort();
    return rows;
}

// Waits, with the event loop running, until the import or restore dialog reaches a stage.
template <typename Dialog> bool reaches(Dialog* dialog, typename Dialog::Stage stage)
{
    if (dialog->stage() == stage)
        return true;
    QSignalSpy spy(dialog, &Dialog::stageChanged);
    while (spy.wait(20000))
        if (dialog->stage() == stage)
            return true;
    return dialog->stage() == stage;
}

} // namespace

class TestDataCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void removeReadingConfirmationShowsTheLatest();
    void removeReadingMovesTheRowAndRefreshes();
    void removeReadingCancelKeepsIt();
    void onlyReadingIsKeptWithAMessage();
    void removeMaintenanceMovesTheRowAndRefreshes();
    void removeMaintenanceWithoutEntriesSaysSo();
    void confirmationOutdatedByANewReadingRemovesNothing();

    void backUpSuggestsTheDatedNameAndCopiesTheLog_data();
    void backUpSuggestsTheDatedNameAndCopiesTheLog();
    void backUpCancelledOrOntoTheLogWritesNothing_data();
    void backUpCancelledOrOntoTheLogWritesNothing();

    void exportWritesTheChosenVehicles_data();
    void exportWritesTheChosenVehicles();
    void exportNeverOverTheLog();

    void importPreviewsThenStores();
    void importCancelStoresNothing();
    void importOfAFileWithoutRegistrationAsksForOne();
    void importOfAnUnreadableFileSaysSo();
    void importAsksTheDateOrderAFileDoesNotTell_data();
    void importAsksTheDateOrderAFileDoesNotTell();

    void restoreShowsBothLogsThenPutsTheBackupInPlace();
    void unsoundBackupChangesNothing_data();
    void unsoundBackupChangesNothing();
    void restoreCancelledChangesNothing_data();
    void restoreCancelledChangesNothing();
    void restoredLogThatCannotBeOpenedLeavesTheProgramRunning();
    void importProposesTheLogsVehicleAndFilesUnderTheChosenOne();
    void importAfterTheLogChangedShowsTheNewPlan();
};

void TestDataCommands::removeReadingConfirmationShowsTheLatest()
{
    Env env;
    env.trigger("Remove_Latest_Reading");
    auto* confirm = env.dialog<dlgRemoveLatest>();
    QVERIFY(confirm);
    QVERIFY(confirm->isVisible());
    QCOMPARE(confirm->windowTitle(), QStringLiteral("Remove Latest Reading"));
    QVERIFY(labelText(confirm, "lblQuestion").contains(QStringLiteral("AB12 CDE")));
    QCOMPARE(labelText(confirm, "lblDate"), QStringLiteral("12/03/2026"));
    QCOMPARE(labelText(confirm, "lblFigureCaption"), QStringLiteral("Current Miles"));
    QCOMPARE(labelText(confirm, "lblFigure"), QStringLiteral("100800"));
    QCOMPARE(labelText(confirm, "lblAmount"), QStringLiteral("£38.25"));
    QCOMPARE(labelText(confirm, "lblPricePer"), QStringLiteral("1.479"));
    QVERIFY(!Child<QLabel>(confirm, "lblDescription")->isVisible());
    QCOMPARE(Child<QPushButton>(confirm, "RemoveButton")->text(), QStringLiteral("Remove"));
    QCOMPARE(Child<QPushButton>(confirm, "CancelButton")->text(), QStringLiteral("Cancel"));
    QVERIFY(env.messages.shown.isEmpty());
}

void TestDataCommands::removeReadingMovesTheRowAndRefreshes()
{
    Env env;
    QCOMPARE(labelText(env.window.get(), "lblCurrentMileage"), QStringLiteral("100800"));
    env.trigger("Remove_Latest_Reading");
    QTest::mouseClick(Child<QPushButton>(env.dialog<dlgRemoveLatest>(), "RemoveButton"),
                      Qt::LeftButton);
    FlushDeletes();
    QVERIFY(!env.dialog<dlgRemoveLatest>());

    const QVector<MileageRow> left =
        env.state->LogDatabase->MileageNewestFirst(QStringLiteral("AB12 CDE"));
    QCOMPARE(left.size(), 2);
    QCOMPARE(left.first().CurrentMileage, 10450.0);
    QCOMPARE(removedMileage(env.storePath()),
             QStringList{QStringLiteral("AB12 CDE|2026-03-12|100800.0|2026-06-15T09:30:00")});
    // The window shows the vehicle again: the panel's reading is the one now latest.
    QCOMPARE(labelText(env.window.get(), "lblCurrentMileage"), QStringLiteral("010450"));
    QVERIFY(env.messages.shown.isEmpty());
}

void TestDataCommands::removeReadingCancelKeepsIt()
{
    Env env;
    env.trigger("Remove_Latest_Reading");
    QTest::mouseClick(Child<QPushButton>(env.dialog<dlgRemoveLatest>(), "CancelButton"),
                      Qt::LeftButton);
    FlushDeletes();
    QVERIFY(!env.dialog<dlgRemoveLatest>());
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("AB12 CDE")).size(), 3);
    QVERIFY(removedMileage(env.storePath()).isEmpty());
}

void TestDataCommands::onlyReadingIsKeptWithAMessage()
{
    Env env;
    env.showVehicle(QStringLiteral("ZZ99 ONE"));
    env.trigger("Remove_Latest_Reading");
    // Told at once, with no confirmation of a removal that cannot happen.
    QVERIFY(!env.dialog<dlgRemoveLatest>());
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(env.messages.lastText().contains(QStringLiteral("only reading of ZZ99 ONE")));
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("ZZ99 ONE")).size(), 1);
    QVERIFY(removedMileage(env.storePath()).isEmpty());
}

void TestDataCommands::removeMaintenanceMovesTheRowAndRefreshes()
{
    Env env;
    env.trigger("Remove_Latest_Maintenance_Entry");
    auto* confirm = env.dialog<dlgRemoveLatest>();
    QVERIFY(confirm);
    QCOMPARE(confirm->windowTitle(), QStringLiteral("Remove Latest Maintenance Entry"));
    QCOMPARE(labelText(confirm, "lblDate"), QStringLiteral("02/04/2026"));
    QCOMPARE(labelText(confirm, "lblFigureCaption"), QStringLiteral("Cost"));
    QCOMPARE(labelText(confirm, "lblFigure"), QStringLiteral("£89.99"));
    QCOMPARE(labelText(confirm, "lblDescription"), QStringLiteral("Wipers, \"front\""));
    QVERIFY(!Child<QLabel>(confirm, "lblAmount")->isVisible());
    const QString totalBefore = labelText(env.window.get(), "lblCostinc");

    QTest::mouseClick(Child<QPushButton>(confirm, "RemoveButton"), Qt::LeftButton);
    const QVector<MaintenanceRow> left =
        env.state->LogDatabase->MaintenanceNewestFirst(QStringLiteral("AB12 CDE"));
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().Description, QStringLiteral("Oil change"));
    QCOMPARE(removedMaintenance(env.storePath()),
             QStringList{QStringLiteral(
                 "AB12 CDE|2026-04-02|89.99|Wipers, \"front\"|2026-06-15T09:30:00")});
    // The statistics were recomputed: the cost including maintenance went down.
    QVERIFY(labelText(env.window.get(), "lblCostinc") != totalBefore);
}

void TestDataCommands::removeMaintenanceWithoutEntriesSaysSo()
{
    Env env;
    env.showVehicle(QStringLiteral("ZZ99 ONE"));
    env.trigger("Remove_Latest_Maintenance_Entry");
    QVERIFY(!env.dialog<dlgRemoveLatest>());
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.lastText(),
             QStringLiteral("ZZ99 ONE has no maintenance entry to remove."));
}

void TestDataCommands::confirmationOutdatedByANewReadingRemovesNothing()
{
    Env env;
    env.trigger("Remove_Latest_Reading");
    auto* confirm = env.dialog<dlgRemoveLatest>();
    QVERIFY(confirm);
    // Recorded while the confirmation is open: Remove must not take the newer reading instead.
    env.state->MileageTable->AppendMileage(
        {QStringLiteral("AB12 CDE"), Day(2026, 6, 1), 100900, 30, 1.5});
    QTest::mouseClick(Child<QPushButton>(confirm, "RemoveButton"), Qt::LeftButton);
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("AB12 CDE")).size(), 4);
    QVERIFY(removedMileage(env.storePath()).isEmpty());
    QVERIFY(env.messages.lastText().contains(QStringLiteral("nothing was removed")));
}

void TestDataCommands::backUpSuggestsTheDatedNameAndCopiesTheLog_data()
{
    QTest::addColumn<bool>("olderBackup"); // one is there, and the chooser approved replacing it
    QTest::newRow("new file") << false;
    QTest::newRow("over an older backup") << true;
}

void TestDataCommands::backUpSuggestsTheDatedNameAndCopiesTheLog()
{
    QFETCH(bool, olderBackup);
    Env env;
    const QString target = env.tempFile(QStringLiteral("copy.mdb"));
    if (olderBackup)
        VehicleLog::Create(target);
    env.fileChooser.saveAnswer = target;
    env.trigger("Back_Up");
    QCOMPARE(env.fileChooser.suggested, QStringList{QStringLiteral("Mileage-2026-06-15.mdb")});
    QVERIFY(QFile::exists(target));
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY(env.messages.lastText().contains(target));

    const auto copy = VehicleLog::Open(target);
    QCOMPARE(copy->ListRegistrations(), env.state->LogDatabase->ListRegistrations());
    QCOMPARE(copy->MileageNewestFirst(QStringLiteral("AB12 CDE")).size(), 3);
    QCOMPARE(copy->MaintenanceByDate(QStringLiteral("AB12 CDE")).size(), 2);
    QVERIFY(QDir(env.temp.path()).entryList({"*kelmot-temp*"}, QDir::Files).isEmpty());
}

void TestDataCommands::backUpCancelledOrOntoTheLogWritesNothing_data()
{
    QTest::addColumn<bool>("ontoTheLog");
    QTest::addColumn<QString>("ending"); // of the name chosen beside the log
    QTest::newRow("file choice cancelled") << false << "";
    QTest::newRow("the log itself chosen") << true << "";
    QTest::newRow("the log's journal chosen") << true << "-journal";
}

void TestDataCommands::backUpCancelledOrOntoTheLogWritesNothing()
{
    QFETCH(bool, ontoTheLog);
    QFETCH(QString, ending);
    Env env;
    env.fileChooser.saveAnswer = ontoTheLog ? env.storePath() + ending : QString();
    const QString logFolder = QFileInfo(env.storePath()).absolutePath();
    const QStringList before = QDir(env.temp.path()).entryList(QDir::Files);
    const QStringList besideTheLog = QDir(logFolder).entryList(QDir::Files);
    env.trigger("Back_Up");
    QCOMPARE(QDir(env.temp.path()).entryList(QDir::Files), before);
    QCOMPARE(QDir(logFolder).entryList(QDir::Files), besideTheLog);
    QCOMPARE(env.messages.shown.size(), ontoTheLog ? 1 : 0);
    // The log is whole and unchanged.
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("AB12 CDE")).size(), 3);
}

void TestDataCommands::exportWritesTheChosenVehicles_data()
{
    QTest::addColumn<bool>("allVehicles");
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<bool>("olderFile"); // a file is there, and the chooser approved replacing it
    QTest::newRow("all vehicles") << true << QStringLiteral("Kelmot-2026-06-15.csv") << false;
    QTest::newRow("only the vehicle shown")
        << false << QStringLiteral("AB12-CDE-2026-06-15.csv") << false;
    QTest::newRow("over an older export")
        << true << QStringLiteral("Kelmot-2026-06-15.csv") << true;
}

void TestDataCommands::exportWritesTheChosenVehicles()
{
    QFETCH(bool, allVehicles);
    QFETCH(QString, suggested);
    QFETCH(bool, olderFile);
    Env env;
    const QString target = env.tempFile(QStringLiteral("out.csv"));
    if (olderFile) {
        QFile older(target);
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.write("an older export\n");
    }
    env.fileChooser.saveAnswer = target;
    env.trigger("Export");
    auto* choice = env.dialog<dlgExport>();
    QVERIFY(choice);
    QVERIFY(Child<QRadioButton>(choice, "optAllVehicles")->isChecked());
    QCOMPARE(Child<QRadioButton>(choice, "optShownVehicle")->text(),
             QStringLiteral("Only AB12 CDE"));
    if (!allVehicles)
        Child<QRadioButton>(choice, "optShownVehicle")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(choice, "ExportButton"), Qt::LeftButton);
    FlushDeletes();
    QVERIFY(!env.dialog<dlgExport>());
    QCOMPARE(env.fileChooser.suggested, QStringList{suggested});

    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    ExportOptions options;
    options.logUnit = QStringLiteral("Mile");
    options.registration = allVehicles ? QString() : QStringLiteral("AB12 CDE");
    // The file starts with a byte order mark so spreadsheets read it as UTF-8.
    QCOMPARE(written.readAll(), "\xEF\xBB\xBF" + ExportCsv(*env.state->LogDatabase, options));
    QCOMPARE(env.messages.shown.size(), 1);
}

void TestDataCommands::exportNeverOverTheLog()
{
    Env env;
    QFile store(env.storePath());
    QVERIFY(store.open(QIODevice::ReadOnly));
    const QByteArray before = store.readAll();
    store.close();
    env.fileChooser.saveAnswer = env.storePath();
    env.trigger("Export");
    auto* choice = env.dialog<dlgExport>();
    QVERIFY(choice);
    QTest::mouseClick(Child<QPushButton>(choice, "ExportButton"), Qt::LeftButton);
    FlushDeletes();
    QCOMPARE(env.messages.shown.size(), 1);
    QVERIFY2(env.messages.shown[0].text.contains(QStringLiteral("is the store itself")),
             qPrintable(env.messages.shown[0].text));
    QVERIFY(store.open(QIODevice::ReadOnly));
    QCOMPARE(store.readAll(), before);
}

namespace {

// A Fuelly file of two cars, one of them new to the log; a fill-up without an amount and a broken
// row are refused.
QByteArray FuellyFile()
{
    return "car_name,model,mpg,odometer,miles,gallons,price,city_percentage,fuelup_date,"
           "date_added,tags,notes,missed_fuelup,partial_fuelup,latitude,longitude,brand\n"
           "AB12 CDE,Focus,0,10450,450,0,0,0,02/10/2026 0:00,02/10/2026 0:00,,,0,0,,,\n"
           "AB12 CDE,Focus,40.1,101200,400,10,4.50,50,04/20/2026 8:15,04/20/2026 8:15,,,0,0,,,\n"
           "Van,Transit,30.2,20000,0,12,4.00,50,03/01/2026 10:00,03/01/2026 10:00,,,0,0,,,\n"
           "Van,Transit,30.2,20400,400,12,4.10,50,03/15/2026 10:00,03/15/2026 10:00,,,0,0,,,\n"
           "Van,Transit,x,notanumber,400,12,4.10,50,03/20/2026 10:00,03/20/2026,,,0,0,,,\n";
}

QString writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

void TestDataCommands::importPreviewsThenStores()
{
    Env env;
    env.fileChooser.openAnswer =
        writeFile(env.tempFile(QStringLiteral("fuelly.csv")), FuellyFile());
    env.trigger("Import");
    auto* preview = env.dialog<dlgImport>();
    QVERIFY(preview);
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QVERIFY2(env.messages.shown.isEmpty(), qPrintable(env.messages.lastText()));

    // The preview writes nothing.
    QCOMPARE(env.state->LogDatabase->ListRegistrations().size(), 2);
    QCOMPARE(previewRows(preview, {1, 2, 5}),
             (QStringList{QStringLiteral("AB12 CDE=1/0/1"), QStringLiteral("Van (new)=2/0/1")}));
    auto* refused = Child<QListWidget>(preview, "lstRefused");
    QCOMPARE(refused->count(), 2);
    QStringList refusedLines;
    for (int i = 0; i < refused->count(); ++i)
        refusedLines << refused->item(i)->text();
    QVERIFY2(refusedLines.filter(QStringLiteral("Line 2 ")).size() == 1,
             qPrintable(refusedLines.join(u'\n')));
    QVERIFY2(refusedLines.filter(QStringLiteral("Line 6 ")).size() == 1,
             qPrintable(refusedLines.join(u'\n')));
    QVERIFY(Child<QPushButton>(preview, "ImportButton")->isEnabled());

    QTest::mouseClick(Child<QPushButton>(preview, "ImportButton"), Qt::LeftButton);
    QVERIFY(reaches(preview, dlgImport::Stage::Done));
    FlushDeletes();
    QVERIFY(!env.dialog<dlgImport>());
    QCOMPARE(env.state->LogDatabase->ListRegistrations(),
             (QStringList{QStringLiteral("AB12 CDE"), QStringLiteral("Van"),
                          QStringLiteral("ZZ99 ONE")}));
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("Van")).size(), 2);
    const QVector<MileageRow> ab =
        env.state->LogDatabase->MileageNewestFirst(QStringLiteral("AB12 CDE"));
    QCOMPARE(ab.size(), 4);
    QCOMPARE(ab.first().CurrentMileage, 101200.0);
    QCOMPARE(ab.first().Date, QDateTime(QDate(2026, 4, 20), QTime(8, 15), Qt::UTC));
    QCOMPARE(ab.first().Amount, 45.0);
    // The window was refilled and shows its first vehicle again.
    auto* list = Child<QComboBox>(env.window.get(), "cmbVehicleReg");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(1), QStringLiteral("Van"));
    QCOMPARE(labelText(env.window.get(), "lblCurrentMileage"), QStringLiteral("101200"));
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(
        env.messages.lastText(),
        QStringLiteral("The import stored 1 new vehicle, 3 readings and 0 maintenance entries."));

    // The same file again adds nothing: every accepted row is present already.
    env.trigger("Import");
    auto* again = env.dialog<dlgImport>();
    QVERIFY(reaches(again, dlgImport::Stage::Preview));
    QCOMPARE(previewRows(again, {1, 2}),
             (QStringList{QStringLiteral("AB12 CDE=0/1"), QStringLiteral("Van=0/2")}));
    QVERIFY(!Child<QPushButton>(again, "ImportButton")->isEnabled());
}

void TestDataCommands::importCancelStoresNothing()
{
    Env env;
    env.fileChooser.openAnswer =
        writeFile(env.tempFile(QStringLiteral("fuelly.csv")), FuellyFile());
    env.trigger("Import");
    auto* preview = env.dialog<dlgImport>();
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QTest::mouseClick(Child<QPushButton>(preview, "CancelButton"), Qt::LeftButton);
    FlushDeletes();
    QVERIFY(!env.dialog<dlgImport>());
    QCOMPARE(env.state->LogDatabase->ListRegistrations().size(), 2);
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("AB12 CDE")).size(), 3);
    QVERIFY(env.messages.shown.isEmpty());
}

void TestDataCommands::importOfAFileWithoutRegistrationAsksForOne()
{
    Env env;
    env.fileChooser.openAnswer = writeFile(
        env.tempFile(QStringLiteral("fuel.csv")),
        "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes,Tags\n"
        "2026-05-20,900,30,45.00,0,True,False,,\n");
    env.trigger("Import");
    auto* preview = env.dialog<dlgImport>();
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    auto* importButton = Child<QPushButton>(preview, "ImportButton");
    QVERIFY(!importButton->isEnabled());
    QVERIFY(Child<QLineEdit>(preview, "txtRegistration")->isVisible());
    // LubeLogger names no unit of volume: litres unless the user chooses otherwise.
    auto* volume = Child<QComboBox>(preview, "cmbVolumeUnit");
    QVERIFY(volume->isVisible());
    QCOMPARE(volume->currentText(), QStringLiteral("Litres"));
    volume->setCurrentIndex(1);
    emit volume->activated(1);
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QCOMPARE(preview->answers().volume, dlgImport::Answers::Volume::UsGallon);
    volume->setCurrentIndex(0);
    emit volume->activated(0);
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QVERIFY(!Child<QComboBox>(preview, "cmbDateOrder")->isVisible());

    Child<QLineEdit>(preview, "txtRegistration")->setText(QStringLiteral("zz99 one"));
    QTest::mouseClick(Child<QPushButton>(preview, "cmdUseRegistration"), Qt::LeftButton);
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QVERIFY(importButton->isEnabled());
    QTest::mouseClick(importButton, Qt::LeftButton);
    QVERIFY(reaches(preview, dlgImport::Stage::Done));
    const QVector<MileageRow> rows =
        env.state->LogDatabase->MileageNewestFirst(QStringLiteral("ZZ99 ONE"));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.first().CurrentMileage, 900.0);
    QCOMPARE(rows.first().PricePer, 1.5);
}

// No date of the file has a part above 12: nothing is stored until the user says which comes
// first, and the answer decides every date.
void TestDataCommands::importAsksTheDateOrderAFileDoesNotTell_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QDate>("second");
    QTest::newRow("day first") << 1 << QDate(2026, 4, 3);
    QTest::newRow("month first") << 2 << QDate(2026, 3, 4);
}

void TestDataCommands::importAsksTheDateOrderAFileDoesNotTell()
{
    QFETCH(int, choice);
    QFETCH(QDate, second);
    Env env;
    env.fileChooser.openAnswer = writeFile(
        env.tempFile(QStringLiteral("fuel.csv")),
        "Date,Odometer,FuelConsumed,Cost,FuelEconomy,IsFillToFull,MissedFuelUp,Notes,Tags\n"
        "02/02/2026,900,30,45.00,0,True,False,,\n"
        "03/04/2026,1200,30,45.00,0,True,False,,\n");
    env.trigger("Import");
    auto* preview = env.dialog<dlgImport>();
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    auto* order = Child<QComboBox>(preview, "cmbDateOrder");
    QVERIFY(order->isVisible());
    Child<QLineEdit>(preview, "txtRegistration")->setText(QStringLiteral("NEW1 ABC"));
    QTest::mouseClick(Child<QPushButton>(preview, "cmdUseRegistration"), Qt::LeftButton);
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    auto* importButton = Child<QPushButton>(preview, "ImportButton");
    QVERIFY(!importButton->isEnabled()); // unanswered: nothing can be stored

    order->setCurrentIndex(choice);
    emit order->activated(choice);
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QVERIFY(order->isVisible()); // the answer can still be changed
    QVERIFY2(importButton->isEnabled(), qPrintable(labelText(preview, "lblStatus")));
    QTest::mouseClick(importButton, Qt::LeftButton);
    QVERIFY(reaches(preview, dlgImport::Stage::Done));
    const QVector<MileageRow> rows =
        env.state->LogDatabase->MileageNewestFirst(QStringLiteral("NEW1 ABC"));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.first().Date.date(), second);
}

void TestDataCommands::importOfAnUnreadableFileSaysSo()
{
    Env env;
    env.fileChooser.openAnswer =
        writeFile(env.tempFile(QStringLiteral("notes.txt")), "just some words\nand more\n");
    env.trigger("Import");
    auto* preview = env.dialog<dlgImport>();
    QVERIFY(preview);
    QSignalSpy closed(preview, &QObject::destroyed);
    QVERIFY(closed.wait(20000) || closed.count() == 1);
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.state->LogDatabase->ListRegistrations().size(), 2);
}

namespace {

// A backup of one vehicle, NEW1 ABC, with two readings and a maintenance entry.
QString makeBackup(const QString& path)
{
    VehicleLog::Create(path);
    auto log = VehicleLog::Open(path);
    log->OpenVehicleDetailsTable()->AppendVehicle(
        vehicle(QStringLiteral("NEW1 ABC")),
        MileageRow{QStringLiteral("NEW1 ABC"), Day(2025, 11, 3), 2000, 0, 0});
    log->OpenMileageTable()->AppendMileage(
        {QStringLiteral("NEW1 ABC"), Day(2025, 12, 20), 2600, 30, 1.5});
    log->OpenMaintenanceTable()->AppendMaintenance(
        {QStringLiteral("NEW1 ABC"), Day(2025, 12, 1), 60, QStringLiteral("Tyres")});
    return path;
}

void rawExecute(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("cannot change %s: %s", qPrintable(path), sqlite3_errmsg(db));
    sqlite3_close(db);
}

QByteArray hashOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

QStringList listItems(QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

} // namespace

void TestDataCommands::restoreShowsBothLogsThenPutsTheBackupInPlace()
{
    Env env;
    env.fileChooser.openAnswer = makeBackup(env.tempFile(QStringLiteral("backup.mdb")));
    env.trigger("Record_Mileage"); // a window holding the log, open while it is replaced
    QVERIFY(env.window->findChild<QDialog*>(QStringLiteral("dlgEnterMileage")));
    env.trigger("Restore");
    QCOMPARE(env.fileChooser.asked.last(),
             QStringLiteral("Restore|Kelmot stores (*.mdb);;All files (*)"));
    auto* confirm = env.dialog<dlgRestore>();
    QVERIFY(confirm);
    QVERIFY(reaches(confirm, dlgRestore::Stage::Confirm));
    QStringList figures;
    for (const char* side : {"Backup", "Log"})
        for (const char* row : {"Vehicles", "Readings", "Maintenance", "Newest"})
            figures << labelText(confirm, qPrintable(QStringLiteral("lbl%1%2").arg(
                                              QLatin1String(side), QLatin1String(row))));
    QCOMPARE(figures, (QStringList{"1", "2", "1", "20/12/2025", "2", "4", "2", "01/05/2026"}));
    QVERIFY(Child<QPushButton>(confirm, "RestoreButton")->isEnabled());
    QVERIFY(env.messages.shown.isEmpty());

    QTest::mouseClick(Child<QPushButton>(confirm, "RestoreButton"), Qt::LeftButton);
    QVERIFY(reaches(confirm, dlgRestore::Stage::Done));
    FlushDeletes();
    QVERIFY(!env.dialog<dlgRestore>());
    QVERIFY(!env.window->findChild<QDialog*>(QStringLiteral("dlgEnterMileage")));

    // Shown as at start-up: exactly the backup's vehicles, the first of them in full.
    auto* list = Child<QComboBox>(env.window.get(), "cmbVehicleReg");
    QCOMPARE(listItems(list), QStringList{QStringLiteral("NEW1 ABC")});
    QCOMPARE(env.state->CurrentRegistration, QStringLiteral("NEW1 ABC"));
    QCOMPARE(labelText(env.window.get(), "lblCurrentMileage"), QStringLiteral("002600"));
    QCOMPARE(Child<QLineEdit>(env.window.get(), "txtMake")->text(), QStringLiteral("Ford"));
    QVERIFY(env.window->centralWidget()->isEnabled());
    // The log it replaced is kept under a name of its own, dated by the clock.
    const QStringList kept =
        QDir(env.folder.path()).entryList({QStringLiteral("Mileage.mdb.before-restore-*")});
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().contains(QStringLiteral("20260615")), qPrintable(kept.first()));
    const QString safetyCopy = QDir(env.folder.path()).filePath(kept.first());
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.last().icon, Messages::Icon::Information);
    QVERIFY2(env.messages.lastText().contains(QDir::toNativeSeparators(safetyCopy)),
             qPrintable(env.messages.lastText()));

    // The cursors write to the restored log, and the log it replaced is whole beside it.
    env.state->MileageTable->AppendMileage(
        {QStringLiteral("NEW1 ABC"), Day(2026, 6, 1), 2900, 20, 1.4});
    QCOMPARE(VehicleLog::Open(env.storePath())->MileageNewestFirst("NEW1 ABC").size(), 3);
    QCOMPARE(VehicleLog::Open(safetyCopy)->ListRegistrations(),
             (QStringList{QStringLiteral("AB12 CDE"), QStringLiteral("ZZ99 ONE")}));
}

void TestDataCommands::unsoundBackupChangesNothing_data()
{
    QTest::addColumn<QByteArray>("breakage"); // SQL run on a good backup; "text": not a store
    QTest::addColumn<bool>("confirmed");      // the fault shows only when it is restored
    QTest::addColumn<QString>("words");

    QTest::newRow("a text file") << QByteArray("text") << false
                                 << QStringLiteral("is damaged or is not a Kelmot vehicle log.");
    QTest::newRow("another program's database") << QByteArray(R"(DROP TABLE "Mileage")") << false
                                                << QStringLiteral("is not a Kelmot vehicle log.");
    QTest::newRow("a newer Kelmot's log") << QByteArray("PRAGMA user_version = 99") << false
                                          << QStringLiteral("newer version of Kelmot");
    QTest::newRow("no vehicle in it")
        << QByteArray(R"(DELETE FROM "Vehicle Details"; DELETE FROM "Mileage";)") << false
        << QStringLiteral("holds no vehicle");
    QTest::newRow("a reading going down")
        << QByteArray(R"(INSERT INTO "Mileage" VALUES ('NEW1 ABC', '2026-01-05', 10, 1, 1, 0))")
        << true << QStringLiteral("is not a sound vehicle log");
}

void TestDataCommands::unsoundBackupChangesNothing()
{
    QFETCH(QByteArray, breakage);
    QFETCH(bool, confirmed);
    QFETCH(QString, words);
    Env env;
    const QString backup = env.tempFile(QStringLiteral("backup.mdb"));
    if (breakage == "text") {
        writeFile(backup, QByteArray("Date,Odometer\n2026-01-01,100\n").repeated(100));
    } else {
        makeBackup(backup);
        rawExecute(backup, breakage.constData());
    }
    const QByteArray before = hashOf(env.storePath());
    const QStringList files = QDir(env.folder.path()).entryList(QDir::Files);
    env.fileChooser.openAnswer = backup;
    env.trigger("Restore");
    auto* confirm = env.dialog<dlgRestore>();
    QVERIFY(confirm);
    if (confirmed) {
        QVERIFY(reaches(confirm, dlgRestore::Stage::Confirm));
        QTest::mouseClick(Child<QPushButton>(confirm, "RestoreButton"), Qt::LeftButton);
    }
    QVERIFY(reaches(confirm, dlgRestore::Stage::Done));
    FlushDeletes();
    QVERIFY(!env.dialog<dlgRestore>());

    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown.last().icon, Messages::Icon::Exclamation);
    QVERIFY2(env.messages.lastText().contains(words), qPrintable(env.messages.lastText()));
    QVERIFY2(env.messages.lastText().contains(QStringLiteral("othing was changed")),
             qPrintable(env.messages.lastText()));
    QCOMPARE(hashOf(env.storePath()), before);
    QCOMPARE(QDir(env.folder.path()).entryList(QDir::Files), files);
    // The log is open again and shown as before.
    QVERIFY(env.state->StoreOpen());
    QCOMPARE(listItems(Child<QComboBox>(env.window.get(), "cmbVehicleReg")),
             (QStringList{QStringLiteral("AB12 CDE"), QStringLiteral("ZZ99 ONE")}));
    env.state->MileageTable->AppendMileage(
        {QStringLiteral("ZZ99 ONE"), Day(2026, 6, 1), 900, 20, 1.4});
}

void TestDataCommands::restoreCancelledChangesNothing_data()
{
    QTest::addColumn<QString>("step");
    QTest::newRow("file choice cancelled") << QStringLiteral("choice");
    QTest::newRow("the log itself chosen") << QStringLiteral("itself");
    QTest::newRow("cancelled while the backup is read") << QStringLiteral("reading");
    QTest::newRow("cancelled at the confirmation") << QStringLiteral("confirm");
    QTest::newRow("closed at the confirmation") << QStringLiteral("close");
    QTest::newRow("Escape at the confirmation") << QStringLiteral("escape");
}

void TestDataCommands::restoreCancelledChangesNothing()
{
    QFETCH(QString, step);
    Env env;
    const QString backup = makeBackup(env.tempFile(QStringLiteral("backup.mdb")));
    env.fileChooser.openAnswer = step == QLatin1String("choice")   ? QString()
                                 : step == QLatin1String("itself") ? env.storePath()
                                                                   : backup;
    const QByteArray before = hashOf(env.storePath());
    const QStringList files = QDir(env.folder.path()).entryList(QDir::Files);
    env.trigger("Restore");
    auto* confirm = env.dialog<dlgRestore>();
    QCOMPARE(bool(confirm), step != QLatin1String("choice") && step != QLatin1String("itself"));
    if (confirm) {
        if (step != QLatin1String("reading"))
            QVERIFY(reaches(confirm, dlgRestore::Stage::Confirm));
        if (step == QLatin1String("close"))
            confirm->close();
        else if (step == QLatin1String("escape"))
            QTest::keyClick(confirm, Qt::Key_Escape);
        else
            QTest::mouseClick(Child<QPushButton>(confirm, "CancelButton"), Qt::LeftButton);
        QTest::qWait(0); // a summary finishing after a cancel must not bring the dialog back
        FlushDeletes();
        QVERIFY(!env.dialog<dlgRestore>());
    }
    QCOMPARE(env.messages.shown.size(), step == QLatin1String("itself") ? 1 : 0);
    QCOMPARE(hashOf(env.storePath()), before);
    QCOMPARE(QDir(env.folder.path()).entryList(QDir::Files), files);
    QVERIFY(env.state->StoreOpen());
    QCOMPARE(env.state->LogDatabase->ListRegistrations().size(), 2);
}

void TestDataCommands::restoredLogThatCannotBeOpenedLeavesTheProgramRunning()
{
    Env env;
    env.fileChooser.openAnswer = makeBackup(env.tempFile(QStringLiteral("backup.mdb")));
    env.trigger("Restore");
    auto* confirm = env.dialog<dlgRestore>();
    QVERIFY(reaches(confirm, dlgRestore::Stage::Confirm));
    // Between the restore and the reopening, the file in the log's place becomes unreadable.
    connect(confirm, &dlgRestore::stageChanged, this, [&env](dlgRestore::Stage stage) {
        if (stage == dlgRestore::Stage::Done)
            writeFile(env.storePath(), QByteArray("not a store\n").repeated(200));
    });
    QTest::mouseClick(Child<QPushButton>(confirm, "RestoreButton"), Qt::LeftButton);
    QVERIFY(reaches(confirm, dlgRestore::Stage::Done));
    FlushDeletes();

    QCOMPARE(env.messages.shown.size(), 1);
    const QString text = env.messages.lastText();
    QVERIFY2(text.contains(QStringLiteral("could not be opened")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Close Kelmot and start it again.")), qPrintable(text));
    QVERIFY(!env.state->StoreOpen());
    QCOMPARE(
        QDir(env.folder.path()).entryList({QStringLiteral("Mileage.mdb.before-restore-*")}).size(),
        1);
    // Every command still answers, with a message rather than a crash.
    env.trigger("Remove_Latest_Reading");
    QCOMPARE(env.messages.shown.size(), 2);
    QVERIFY(env.window->isVisible());
}

// A plate written without its blank is proposed as the log's vehicle; the drop-down files it
// under another one.
void TestDataCommands::importProposesTheLogsVehicleAndFilesUnderTheChosenOne()
{
    Env env;
    env.fileChooser.openAnswer = writeFile(
        env.tempFile(QStringLiteral("fuelly.csv")),
        "car_name,model,mpg,odometer,miles,gallons,price,city_percentage,fuelup_date,"
        "date_added,tags,notes,missed_fuelup,partial_fuelup,latitude,longitude,brand\n"
        "ab12cde,Focus,40.1,101200,400,10,4.50,50,05/20/2026 8:15,05/20/2026 8:15,,,0,0,,,\n");
    env.trigger("Import");
    auto* preview = env.dialog<dlgImport>();
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QCOMPARE(previewRows(preview, {1, 6}), QStringList{QStringLiteral("AB12 CDE=1/ab12cde")});
    QVERIFY(Child<QLabel>(preview, "lblConversions")->text().contains("filed under AB12 CDE"));

    auto* view = Child<QTableView>(preview, "tblVehicles");
    const QModelIndex vehicle = view->model()->index(0, ImportPlanModel::VehicleColumn);
    view->setCurrentIndex(vehicle);
    view->edit(vehicle);
    auto* box = view->findChild<QComboBox*>(QStringLiteral("cmbFileUnder"));
    QVERIFY(box);
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    QCOMPARE(items, (QStringList{"ab12cde", "AB12 CDE", "ZZ99 ONE"}));
    QCOMPARE(box->currentText(), QStringLiteral("AB12 CDE"));
    // Picking a registration from the list files the rows under it at once.
    box->setCurrentIndex(2);
    emit box->activated(2);
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QCOMPARE(previewRows(preview, {1, 6}), QStringList{QStringLiteral("ZZ99 ONE=1/ab12cde")});

    QTest::mouseClick(Child<QPushButton>(preview, "ImportButton"), Qt::LeftButton);
    QVERIFY(reaches(preview, dlgImport::Stage::Done));
    QCOMPARE(env.state->LogDatabase->LatestMileage(QStringLiteral("ZZ99 ONE"))->CurrentMileage,
             101200.0);
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("AB12 CDE")).size(), 3);
}

// Another program stores one of the file's rows while the preview is open: Import stores
// nothing, shows the import as it now stands, and stores it when asked again.
void TestDataCommands::importAfterTheLogChangedShowsTheNewPlan()
{
    Env env;
    env.fileChooser.openAnswer =
        writeFile(env.tempFile(QStringLiteral("fuelly.csv")), FuellyFile());
    env.trigger("Import");
    auto* preview = env.dialog<dlgImport>();
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QCOMPARE(preview->plan().newMileage.size(), 3);

    env.state->MileageTable->AppendMileage({QStringLiteral("AB12 CDE"),
                                            QDateTime(QDate(2026, 4, 20), QTime(8, 15), Qt::UTC),
                                            101200, 45, 4.5 / 3.785411784});
    QTest::mouseClick(Child<QPushButton>(preview, "ImportButton"), Qt::LeftButton);
    QVERIFY(reaches(preview, dlgImport::Stage::Importing));
    QVERIFY(reaches(preview, dlgImport::Stage::Preview));
    QVERIFY(labelText(preview, "lblStatus").startsWith("The log changed since this preview"));
    QCOMPARE(preview->plan().newMileage.size(), 2);
    QCOMPARE(previewRows(preview, {1, 2}),
             (QStringList{QStringLiteral("AB12 CDE=0/1"), QStringLiteral("Van (new)=2/0")}));
    QVERIFY(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("Van")).isEmpty());

    QTest::mouseClick(Child<QPushButton>(preview, "ImportButton"), Qt::LeftButton);
    QVERIFY(reaches(preview, dlgImport::Stage::Done));
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("AB12 CDE")).size(), 4);
    QCOMPARE(env.state->LogDatabase->MileageNewestFirst(QStringLiteral("Van")).size(), 2);
}

QTEST_MAIN(TestDataCommands)
#include "tst_datacommands.moc"
