#include "Startup.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "WindowTesting.h"
#include "frmMain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QString Reg = QStringLiteral("AB12 CDE");
const QString Other = QStringLiteral("XY99 ZZZ");

// The fifteen labels ShowVehicleStatistics writes, in the order it writes them.
const char* const PanelLabels[] = {
    "lblCurrentMileage", "lblMiles",           "lblMilesDate",        "lblCost",
    "lblCostDate",       "lblCostinc",         "lblCostincDate",      "lblCostPer",
    "lblCostPerinc",     "lblMilesPerLitreTD", "lblMilesPerGallonTD", "lblCostPerDate",
    "lblCostPerincDate", "lblMilesPerLitreYR", "lblMilesPerGallonYR"};

// The panel's worked example.
void seedWorkedExample(SharedState& state)
{
    AddPlainVehicle(state, Reg, Day(2026, 1, 15), 10000);
    state.MileageTable->AppendMileage(MileageRow{Reg, Day(2026, 2, 10), 10400, 40.00, 0.80});
    state.MileageTable->AppendMileage(MileageRow{Reg, Day(2026, 3, 20), 10800, 40.00, 0.80});
    state.MaintenanceTable->AppendMaintenance(
        MaintenanceRow{Reg, Day(2026, 3, 5), 120.00, QStringLiteral("Service")});
}

QMap<QString, QString> panel(QWidget* window)
{
    QMap<QString, QString> texts;
    for (const char* name : PanelLabels)
        texts[QString::fromLatin1(name)] = Child<QLabel>(window, name)->text();
    return texts;
}

const QMap<QString, QString> WorkedExample = {
    {"lblCurrentMileage", "010800"},  {"lblMiles", "800"},
    {"lblMilesDate", "800"},          {"lblCost", "£80.00"},
    {"lblCostDate", "£80.00"},        {"lblCostinc", "£200.00"},
    {"lblCostincDate", "£200.00"},    {"lblCostPer", "£0.10"},
    {"lblCostPerDate", "£0.10"},      {"lblCostPerinc", "£0.25"},
    {"lblCostPerincDate", "£0.25"},   {"lblMilesPerLitreTD", "8.00"},
    {"lblMilesPerLitreYR", "8.00"},   {"lblMilesPerGallonTD", "36.32"},
    {"lblMilesPerGallonYR", "36.32"},
};

} // namespace

class TestStatisticsPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init();
    void cleanup();

    void workedExample();
    void kilometreGivesIdenticalFigures();
    void noCurrentYearReadingShowsZeroForms();
    void pickingAnotherVehicleRecomputes();
    void recordingKeepsTheFiguresUntilTheVehicleIsShownAgain();
    void purchaseLeftOutWhenPreferred();

private:
    void start();
    std::unique_ptr<TestPlatform> env;
    StartupResult started;
};

void TestStatisticsPanel::init()
{
    env = std::make_unique<TestPlatform>();
    env->clock.moment = QDateTime(QDate(2026, 6, 15), QTime(12, 0), Qt::UTC);
    env->state->SplashMilliseconds = 0;
}

void TestStatisticsPanel::cleanup()
{
    if (started.window)
        started.window->close();
    started = StartupResult();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    env.reset();
}

void TestStatisticsPanel::start()
{
    started = Main(*env->state);
    if (!started.window)
        qFatal("start-up failed with %d", started.failureCode);
}

void TestStatisticsPanel::workedExample()
{
    seedWorkedExample(*env->state);
    start();
    const QMap<QString, QString> shown = panel(started.window.get());
    for (auto it = WorkedExample.cbegin(); it != WorkedExample.cend(); ++it)
        QCOMPARE(it.key() + QLatin1Char('=') + shown.value(it.key()),
                 it.key() + QLatin1Char('=') + it.value());
    QCOMPARE(shown, WorkedExample);
    QVERIFY(env->messages.shown.isEmpty());
}

void TestStatisticsPanel::kilometreGivesIdenticalFigures()
{
    seedWorkedExample(*env->state);
    env->settings.values[QString::fromLatin1(DistanceMeasurementKey)] = QStringLiteral("Kilometre");
    start();
    QCOMPARE(env->state->DistanceUnit, QStringLiteral("Kilometre"));
    QCOMPARE(panel(started.window.get()), WorkedExample);
    // The two economy captions never change with the unit.
    QCOMPARE(Child<QLabel>(started.window.get(), "lblMilesPeGallon")->text(),
             QStringLiteral("Miles Per Gallon"));
    QCOMPARE(Child<QLabel>(started.window.get(), "lblMilesPeLitre")->text(),
             QStringLiteral("Miles Per Litre"));
}

void TestStatisticsPanel::noCurrentYearReadingShowsZeroForms()
{
    AddPlainVehicle(*env->state, Reg, Day(2025, 3, 1), 20000);
    env->state->MileageTable->AppendMileage(MileageRow{Reg, Day(2025, 9, 1), 21000, 50.00, 1.25});
    env->state->MaintenanceTable->AppendMaintenance(
        MaintenanceRow{Reg, Day(2026, 2, 1), 75.00, QStringLiteral("Tyres")});
    start();
    const QMap<QString, QString> shown = panel(started.window.get());
    QCOMPARE(shown.value("lblCurrentMileage"), QStringLiteral("021000"));
    QCOMPARE(shown.value("lblMiles"), QStringLiteral("1000"));
    QCOMPARE(shown.value("lblMilesDate"), QStringLiteral("0"));
    QCOMPARE(shown.value("lblCostDate"), QStringLiteral("£0.00"));
    QCOMPARE(shown.value("lblCostincDate"), QStringLiteral("£75.00"));
    QCOMPARE(shown.value("lblCostPerDate"), QStringLiteral("£0.00"));
    QCOMPARE(shown.value("lblCostPerincDate"), QStringLiteral("£0.00"));
    QCOMPARE(shown.value("lblMilesPerLitreYR"), QStringLiteral("0"));
    QCOMPARE(shown.value("lblMilesPerGallonYR"), QStringLiteral("0"));
    QCOMPARE(shown.value("lblMilesPerLitreTD"), QStringLiteral("25.00"));
    QCOMPARE(shown.value("lblMilesPerGallonTD"), QStringLiteral("113.50"));
}

void TestStatisticsPanel::pickingAnotherVehicleRecomputes()
{
    seedWorkedExample(*env->state);
    AddPlainVehicle(*env->state, Other, Day(2026, 4, 1), 5000);
    start();
    QCOMPARE(panel(started.window.get()), WorkedExample);
    auto* list = Child<QComboBox>(started.window.get(), "cmbVehicleReg");
    list->setCurrentIndex(list->findText(Other));
    started.window->cmbVehicleReg_Click();
    const QMap<QString, QString> shown = panel(started.window.get());
    QCOMPARE(shown.value("lblCurrentMileage"), QStringLiteral("005000"));
    QCOMPARE(shown.value("lblMiles"), QStringLiteral("0"));
    QCOMPARE(shown.value("lblCost"), QStringLiteral("£0.00"));
    QCOMPARE(shown.value("lblMilesPerGallonYR"), QStringLiteral("0"));
}

void TestStatisticsPanel::recordingKeepsTheFiguresUntilTheVehicleIsShownAgain()
{
    seedWorkedExample(*env->state);
    start();
    frmMain* window = started.window.get();
    QCOMPARE(panel(window), WorkedExample);

    window->Record_Mileage_Click();
    QWidget* mileage = window->findChild<QWidget*>(QStringLiteral("dlgEnterMileage"));
    QVERIFY(mileage);
    Child<QLineEdit>(mileage, "txtCurrentMileage")->setText(QStringLiteral("11200"));
    Child<QLineEdit>(mileage, "txtAmount")->setText(QStringLiteral("40.00"));
    Child<QLineEdit>(mileage, "txtPricePer")->setText(QStringLiteral("0.80"));
    Child<QPushButton>(mileage, "OKButton")->click();
    QVERIFY(env->messages.shown.isEmpty());
    QCOMPARE(env->state->LogDatabase->MileageChronological(Reg).size(), 4);

    window->Record_Maintenance_Click();
    QWidget* maintenance = window->findChild<QWidget*>(QStringLiteral("dlgEnterMaintenance"));
    QVERIFY(maintenance);
    Child<QLineEdit>(maintenance, "txtAmount")->setText(QStringLiteral("80"));
    Child<QPlainTextEdit>(maintenance, "txtDescription")->setPlainText(QStringLiteral("Brakes"));
    Child<QPushButton>(maintenance, "OKButton")->click();
    QVERIFY(env->messages.shown.isEmpty());
    QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Reg).size(), 2);

    // Activation and repainting redraw the graphs, never the panel.
    QCoreApplication::processEvents();
    QCOMPARE(panel(window), WorkedExample);

    // Shown again: 1200 travelled, fuel 120, maintenance 200, litres 150.
    window->cmbVehicleReg_Click();
    const QMap<QString, QString> shown = panel(window);
    QCOMPARE(shown.value("lblCurrentMileage"), QStringLiteral("011200"));
    QCOMPARE(shown.value("lblMiles"), QStringLiteral("1200"));
    QCOMPARE(shown.value("lblMilesDate"), QStringLiteral("1200"));
    QCOMPARE(shown.value("lblCost"), QStringLiteral("£120.00"));
    QCOMPARE(shown.value("lblCostinc"), QStringLiteral("£320.00"));
    QCOMPARE(shown.value("lblCostPer"), QStringLiteral("£0.10"));
    QCOMPARE(shown.value("lblMilesPerLitreTD"), QStringLiteral("8.00"));
    QCOMPARE(shown.value("lblMilesPerGallonYR"), QStringLiteral("36.32"));
}

void TestStatisticsPanel::purchaseLeftOutWhenPreferred()
{
    seedWorkedExample(*env->state);
    env->state->MaintenanceTable->AppendMaintenance(
        {Reg, Day(2026, 1, 15), 5000, QStringLiteral("Bought"), CostCategory::Purchase});
    start();
    QCOMPARE(panel(started.window.get()).value("lblCostPerincDate"), QStringLiteral("£6.50"));
    env->settings.values[QString::fromLatin1(LeavePurchaseOutKey)] = QStringLiteral("true");
    started.window->ShowVehicleDetails();
    QCOMPARE(panel(started.window.get()), WorkedExample);
}

QTEST_MAIN(TestStatisticsPanel)
#include "tst_statisticspanel.moc"
