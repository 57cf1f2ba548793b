#include "Startup.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "frmMain.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QtTest>

// Reports > Maintenance Report on the main window: the report of the registration in the list.
class TestReportMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void reportOfTheVehicleInTheList();
    void storeFailureIsShownAndTheProgramGoesOn();

private:
    static void AddVehicle(TestPlatform& env, const QString& registration, double cost)
    {
        VehicleRow v;
        v.Registration = registration;
        v.RegistrationDate = NoDate();
        v.PurchaseDate = NoDate();
        env.state->VehicleDetailsTable->AppendVehicle(
            v, MileageRow{registration, AtMidnight(QDate(2002, 1, 1)), 100, 0, 0});
        env.state->MaintenanceTable->AppendMaintenance(
            MaintenanceRow{registration, AtMidnight(QDate(2002, 3, 5)), cost, registration});
    }
    static QByteArray Report(TestPlatform& env)
    {
        QFile file(QDir(env.temp.path()).filePath(QStringLiteral("Maint_Rep.txt")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }
};

void TestReportMenu::reportOfTheVehicleInTheList()
{
    TestPlatform env;
    env.state->SplashMilliseconds = 0;
    AddVehicle(env, QStringLiteral("AB12 CDE"), 119.75);
    AddVehicle(env, QStringLiteral("XY34 ZZZ"), 42);
    env.state->CloseStore();
    StartupResult started = Main(*env.state);
    QVERIFY(started.window);

    started.window->Maintenance_Report_Click();
    QVERIFY(Report(env).endsWith("\"       05/03/2002        \xC2\xA3"
                                 "119.75     AB12 CDE\"\r\n"));

    auto* list = started.window->findChild<QComboBox*>(QStringLiteral("cmbVehicleReg"));
    QVERIFY(list);
    list->setCurrentIndex(list->findText(QStringLiteral("XY34 ZZZ")));
    started.window->Maintenance_Report_Click();
    QVERIFY(Report(env).endsWith("\"       05/03/2002         \xC2\xA3"
                                 "42.00     XY34 ZZZ\"\r\n"));
    QCOMPARE(env.launcher.opened.size(), 2);
    QVERIFY(env.messages.shown.isEmpty());
    started.window->close();
}

void TestReportMenu::storeFailureIsShownAndTheProgramGoesOn()
{
    TestPlatform env;
    env.state->SplashMilliseconds = 0;
    AddVehicle(env, QStringLiteral("AB12 CDE"), 10);
    env.state->CloseStore();
    StartupResult started = Main(*env.state);
    QVERIFY(started.window);
    env.state->LogDatabase->Close(); // every query now fails

    started.window->Maintenance_Report_Click();
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QVERIFY(env.launcher.opened.isEmpty());
    QVERIFY(started.window->isVisible());
    started.window->close();
}

QTEST_MAIN(TestReportMenu)
#include "tst_reportmenu.moc"
