#include "TestEnvironment.h"
#include "TextConversions.h"
#include "WindowTesting.h"
#include "dlgEnterMaintenance.h"
#include "dlgEnterMileage.h"
#include "frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

const QString Reg = QStringLiteral("AB12 CDE");
const QString Other = QStringLiteral("XY99 ZZZ");

// The controls of Record Mileage, found by their names.
struct MileageForm
{
    explicit MileageForm(QWidget* d)
        : dialog(d), date(Child<QLineEdit>(d, "txtDate")),
          mileage(Child<QLineEdit>(d, "txtCurrentMileage")),
          amount(Child<QLineEdit>(d, "txtAmount")), pricePer(Child<QLineEdit>(d, "txtPricePer")),
          ok(Child<QPushButton>(d, "OKButton")), cancel(Child<QPushButton>(d, "CancelButton")),
          registration(Child<QLabel>(d, "lblVehicleRegistration")),
          partial(Child<QCheckBox>(d, "chkPartialFill")),
          missed(Child<QCheckBox>(d, "chkMissedFillBefore"))
    {
    }
    void fill(const QString& d, const QString& m, const QString& a, const QString& p)
    {
        date->setText(d);
        mileage->setText(m);
        amount->setText(a);
        pricePer->setText(p);
    }
    QPointer<QWidget> dialog;
    QLineEdit *date, *mileage, *amount, *pricePer;
    QPushButton *ok, *cancel;
    QLabel* registration;
    QCheckBox *partial, *missed;
};

struct MaintenanceForm
{
    explicit MaintenanceForm(QWidget* d)
        : dialog(d), date(Child<QLineEdit>(d, "txtDate")), amount(Child<QLineEdit>(d, "txtAmount")),
          description(Child<QPlainTextEdit>(d, "txtDescription")),
          ok(Child<QPushButton>(d, "OKButton")), cancel(Child<QPushButton>(d, "CancelButton")),
          registration(Child<QLabel>(d, "lblVehicleRegistration")),
          category(Child<QComboBox>(d, "cmbCategory"))
    {
    }
    void fill(const QString& d, const QString& a, const QString& text)
    {
        date->setText(d);
        amount->setText(a);
        description->setPlainText(text);
    }
    QPointer<QWidget> dialog;
    QLineEdit *date, *amount;
    QPlainTextEdit* description;
    QPushButton *ok, *cancel;
    QLabel* registration;
    QComboBox* category;
};

} // namespace

class TestRecordDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }
    void init();
    void cleanup();

    // Record Mileage
    void mileageOpensWithDefaults();
    void mileageKilometreCaption();
    void mileageLayout();
    void mileageDefaultsAgainstReadingAboveZero();
    void mileageDefaultsAgainstReadingOfZero();
    void mileageEqualDateAndReadingAccepted();
    void mileageChecks_data();
    void mileageChecks();
    void mileageThousandsSeparatorComparedAsStored();
    void mileageChecksTheVehicleTheDialogShows();
    void mileageVehicleWithoutReadings();
    void mileageStoreFailureKeepsTheDialogOpen();
    void mileageFutureCheckedBeforeTheLatestDate();
    void registrationShownAsTyped();
    void everyLabelShowsPlainText();
    void mileageCancelEscapeEnterAndCloseBox();
    void mileageOpenedTwiceShowsOneDialog();
    void mileageReopenedAfterClosingLoadsAfresh();

    // Record Maintenance
    void maintenanceOpensWithDefaults();
    void maintenanceLayout();
    void maintenanceEmptyDescriptionBeforeDateCheck();
    void maintenanceFirstEntryTakesAnyPastDate();
    void maintenanceEqualDateAcceptedDayEarlierRefused();
    void maintenanceChecks_data();
    void maintenanceChecks();
    void maintenanceBlankDescriptionAndLineBreaksStored();
    void maintenanceChecksTheVehicleTheDialogShows();
    void maintenanceFutureCheckedBeforeTheLatestDate();
    void maintenanceEscapeEnterAndCloseBox();
    void maintenanceOpenedTwiceShowsOneDialog();

private:
    std::unique_ptr<TestPlatform> env;
    std::unique_ptr<frmMain> window;
    QWidget* openMileage();
    QWidget* openMaintenance();
    void verifyRefused(const QString& text);
    int mileageRows(const QString& registration = Reg);
};

void TestRecordDialogs::init()
{
    env = std::make_unique<TestPlatform>();
    env->clock.moment = QDateTime(QDate(2026, 6, 15), QTime(12, 0), Qt::UTC);
    AddPlainVehicle(*env->state, Reg, Day(2026, 1, 10), 10000);
    env->state->CurrentRegistration = Reg;
    window = std::make_unique<frmMain>(*env->state);
}

void TestRecordDialogs::cleanup()
{
    window.reset();
    FlushDeletes();
    env.reset();
}

QWidget* TestRecordDialogs::openMileage()
{
    window->Record_Mileage_Click();
    auto* d = window->findChild<dlgEnterMileage*>();
    if (!d)
        qFatal("Record Mileage did not open");
    return d;
}

QWidget* TestRecordDialogs::openMaintenance()
{
    window->Record_Maintenance_Click();
    auto* d = window->findChild<dlgEnterMaintenance*>();
    if (!d)
        qFatal("Record Maintenance did not open");
    return d;
}

void TestRecordDialogs::verifyRefused(const QString& text)
{
    QCOMPARE(env->messages.shown.size(), 1);
    QCOMPARE(env->messages.shown[0].text, text);
    QCOMPARE(env->messages.shown[0].title, QStringLiteral("Invalid Entry"));
    QCOMPARE(env->messages.shown[0].icon, Messages::Icon::Exclamation);
}

int TestRecordDialogs::mileageRows(const QString& registration)
{
    return int(env->state->LogDatabase->MileageChronological(registration).size());
}

// ---------------------------------------------------------------- Record Mileage

void TestRecordDialogs::mileageOpensWithDefaults()
{
    QWidget* d = openMileage();
    MileageForm f(d);
    QVERIFY(d->isVisible());
    QVERIFY(!d->isModal());
    QCOMPARE(d->windowTitle(), QStringLiteral("Enter Mileage Details"));
    QCOMPARE(d->parentWidget(), window.get());
    QCOMPARE(f.registration->text(), Reg);
    QVERIFY(f.registration->font().bold());
    QCOMPARE(f.date->text(), QStringLiteral("15/06/2026"));
    QCOMPARE(f.mileage->text(), QStringLiteral("00000"));
    QCOMPARE(f.amount->text(), QStringLiteral("0.00"));
    QCOMPARE(f.pricePer->text(), QStringLiteral("0.00"));
    QCOMPARE(Child<QLabel>(d, "lblCurrentMileage")->text(), QStringLiteral("Current Miles"));
    QCOMPARE(Child<QLabel>(d, "lblVehicleReg")->text(), QStringLiteral("Vehicle Registration"));
    QCOMPARE(Child<QLabel>(d, "lblDate")->text(), QStringLiteral("Date"));
    QCOMPARE(Child<QLabel>(d, "lblAmountPaid")->text(), QStringLiteral("Amount Paid"));
    QCOMPARE(Child<QLabel>(d, "lblPricePer")->text(), QStringLiteral("Price Per Litre"));
    QCOMPARE(f.ok->text(), QStringLiteral("OK"));
    QCOMPARE(f.cancel->text(), QStringLiteral("Cancel"));
    QVERIFY(!f.ok->isDefault() && !f.ok->autoDefault());
    QVERIFY(!f.cancel->isDefault() && !f.cancel->autoDefault());
    QCOMPARE(d->focusWidget(), f.date);
    // Tab order: the four boxes, the fill, OK, Cancel; labels take no focus.
    QCOMPARE(f.date->nextInFocusChain(), f.mileage);
    QCOMPARE(f.mileage->nextInFocusChain(), f.amount);
    QCOMPARE(f.amount->nextInFocusChain(), f.pricePer);
    QCOMPARE(f.pricePer->nextInFocusChain(), f.partial);
    QCOMPARE(f.partial->nextInFocusChain(), f.missed);
    QCOMPARE(f.missed->nextInFocusChain(), f.ok);
    QVERIFY(!f.partial->isChecked() && !f.missed->isChecked()); // a full fill, as ever
    QCOMPARE(f.ok->nextInFocusChain(), f.cancel);
    for (QLabel* label : d->findChildren<QLabel*>())
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    QCOMPARE(Child<QLabel>(d, "lblDate")->buddy(), f.date);
    QCOMPARE(Child<QLabel>(d, "lblCurrentMileage")->buddy(), f.mileage);
    QCOMPARE(Child<QLabel>(d, "lblAmountPaid")->buddy(), f.amount);
    QCOMPARE(Child<QLabel>(d, "lblPricePer")->buddy(), f.pricePer);
    QVERIFY(env->messages.shown.isEmpty());
}

void TestRecordDialogs::mileageKilometreCaption()
{
    env->state->DistanceUnit = QStringLiteral("Kilometre");
    QWidget* d = openMileage();
    QCOMPARE(Child<QLabel>(d, "lblCurrentMileage")->text(), QStringLiteral("Current Kilometres"));
    QCOMPARE(Child<QLabel>(d, "lblPricePer")->text(), QStringLiteral("Price Per Litre"));
}

void TestRecordDialogs::mileageLayout()
{
    QWidget* d = openMileage();
    MileageForm f(d);
    QCOMPARE(d->size(), QSize(265, 269)); // 3975 x 3495 twips, and the fill boxes below
    QCOMPARE(d->minimumSize(), d->maximumSize());
    QVERIFY(d->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(d->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(d->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(d->pos(), QPoint(205, 85)); // 3075, 1275 twips
    QCOMPARE(f.date->geometry(), QRect(136, 56, 81, 19));
    QCOMPARE(f.mileage->geometry(), QRect(136, 88, 81, 19));
    QCOMPARE(f.amount->geometry(), QRect(136, 120, 81, 19));
    QCOMPARE(f.pricePer->geometry(), QRect(136, 152, 81, 19));
    QCOMPARE(f.ok->geometry(), QRect(40, 192, 81, 25));
    QCOMPARE(f.cancel->geometry(), QRect(144, 192, 81, 25));
    QCOMPARE(f.partial->geometry(), QRect(8, 224, 249, 17));
    QCOMPARE(f.missed->geometry(), QRect(8, 244, 249, 17));
    QCOMPARE(f.registration->x(), 112);
    QVERIFY(!d->windowIcon().isNull());
}

void TestRecordDialogs::mileageDefaultsAgainstReadingAboveZero()
{
    MileageForm f(openMileage());
    f.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Mileage' is less than the most recent entry"));
    QVERIFY(f.dialog && f.dialog->isVisible());
    QCOMPARE(f.mileage->text(), QStringLiteral("00000"));
    QCOMPARE(mileageRows(), 1);
}

void TestRecordDialogs::mileageDefaultsAgainstReadingOfZero()
{
    AddPlainVehicle(*env->state, Other, Day(2026, 2, 1), 0);
    env->state->CurrentRegistration = Other;
    MileageForm f(openMileage());
    f.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Amount' must be a positive Value"));
    QCOMPARE(mileageRows(Other), 1);
}

void TestRecordDialogs::mileageEqualDateAndReadingAccepted()
{
    MileageForm f(openMileage());
    f.fill(QStringLiteral("10/01/2026"), QStringLiteral("10000"), QStringLiteral("40.00"),
           QStringLiteral("0.80"));
    f.partial->setChecked(true);
    f.missed->setChecked(true);
    f.ok->click();
    QVERIFY(env->messages.shown.isEmpty());
    QVERIFY(!f.dialog || !f.dialog->isVisible());
    FlushDeletes();
    QVERIFY(!f.dialog); // closed and gone: the next opening loads afresh
    const auto rows = env->state->LogDatabase->MileageChronological(Reg);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].Registration, Reg);
    QCOMPARE(rows[1].Date, Day(2026, 1, 10));
    QCOMPARE(rows[1].CurrentMileage, 10000.0);
    QCOMPARE(rows[1].Amount, 40.0);
    QCOMPARE(rows[1].PricePer, 0.8);
    QVERIFY(rows[1].PartialFill && rows[1].MissedFillBefore);
}

void TestRecordDialogs::mileageChecks_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("mileage");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("pricePer");
    QTest::addColumn<QString>("message"); // empty: accepted

    const QString future = QStringLiteral("The entry for 'Date' cannot be in the future");
    const QString amountPositive =
        QStringLiteral("The entry for 'Amount' must be a positive Value");
    QTest::newRow("today") << "15/06/2026"
                           << "10500"
                           << "40.00"
                           << "0.80"
                           << "";
    QTest::newRow("tomorrow") << "16/06/2026"
                              << "10500"
                              << "40.00"
                              << "0.80" << future;
    QTest::newRow("today with a time of day") << "15/06/2026 10:30"
                                              << "10500"
                                              << "40.00"
                                              << "0.80" << future;
    QTest::newRow("not a date") << "31/02/2026"
                                << "10500"
                                << "40.00"
                                << "0.80"
                                << "The entry for 'Date' must be in date format";
    QTest::newRow("empty date") << ""
                                << "10500"
                                << "40.00"
                                << "0.80"
                                << "The entry for 'Date' must be in date format";
    QTest::newRow("before the latest reading")
        << "09/01/2026"
        << "10500"
        << "40.00"
        << "0.80"
        << "The entry for 'Date' is before the most recent entry";
    QTest::newRow("reading not numeric") << "15/06/2026"
                                         << "ten"
                                         << "40.00"
                                         << "0.80"
                                         << "The entry for 'Current Mileage' must be numeric";
    QTest::newRow("reading below the latest")
        << "15/06/2026"
        << "9999.9"
        << "40.00"
        << "0.80"
        << "The entry for 'Mileage' is less than the most recent entry";
    QTest::newRow("amount 0") << "15/06/2026"
                              << "10500"
                              << "0"
                              << "0.80" << amountPositive;
    QTest::newRow("amount -5") << "15/06/2026"
                               << "10500"
                               << "-5"
                               << "0.80" << amountPositive;
    QTest::newRow("amount abc") << "15/06/2026"
                                << "10500"
                                << "abc"
                                << "0.80"
                                << "The entry for 'Amount' must be numeric";
    QTest::newRow("price per abc") << "15/06/2026"
                                   << "10500"
                                   << "40.00"
                                   << "abc"
                                   << "The entry for 'Price Per' must be numeric";
    QTest::newRow("price per 0") << "15/06/2026"
                                 << "10500"
                                 << "40.00"
                                 << "0.00"
                                 << "The entry for 'Price Per' must be a positive Value";
    QTest::newRow("price per -1") << "15/06/2026"
                                  << "10500"
                                  << "40.00"
                                  << "-1"
                                  << "The entry for 'Price Per' must be a positive Value";
    // Only the first failing check speaks.
    QTest::newRow("future date and bad amount") << "16/06/2026"
                                                << "1"
                                                << "abc"
                                                << "abc" << future;
    QTest::newRow("not a date before reading not numeric")
        << "x"
        << "ten"
        << "abc"
        << "abc"
        << "The entry for 'Date' must be in date format";
    QTest::newRow("before the latest date before reading not numeric")
        << "09/01/2026"
        << "ten"
        << "40.00"
        << "0.80"
        << "The entry for 'Date' is before the most recent entry";
    QTest::newRow("reading below the latest before amount not numeric")
        << "15/06/2026"
        << "9999"
        << "abc"
        << "0.80"
        << "The entry for 'Mileage' is less than the most recent entry";
    QTest::newRow("amount 0 before price per not numeric") << "15/06/2026"
                                                           << "10500"
                                                           << "0"
                                                           << "abc" << amountPositive;
    // Group separators only in their places; values beyond a double are no numbers.
    const QString amountNumeric = QStringLiteral("The entry for 'Amount' must be numeric");
    QTest::newRow("amount 40,00") << "15/06/2026"
                                  << "10500"
                                  << "40,00"
                                  << "0.80" << amountNumeric;
    QTest::newRow("amount 1e400") << "15/06/2026"
                                  << "10500"
                                  << "1e400"
                                  << "0.80" << amountNumeric;
    QTest::newRow("reading 10,5") << "15/06/2026"
                                  << "10,5"
                                  << "40.00"
                                  << "0.80"
                                  << "The entry for 'Current Mileage' must be numeric";
    QTest::newRow("price per 1,6") << "15/06/2026"
                                   << "10500"
                                   << "40.00"
                                   << "1,6"
                                   << "The entry for 'Price Per' must be numeric";
    QTest::newRow("amount 1,040.00") << "15/06/2026"
                                     << "10500"
                                     << "1,040.00"
                                     << "0.80"
                                     << "";
}

void TestRecordDialogs::mileageChecks()
{
    QFETCH(QString, date);
    QFETCH(QString, mileage);
    QFETCH(QString, amount);
    QFETCH(QString, pricePer);
    QFETCH(QString, message);
    MileageForm f(openMileage());
    f.fill(date, mileage, amount, pricePer);
    f.ok->click();
    if (message.isEmpty()) {
        QVERIFY(env->messages.shown.isEmpty());
        QVERIFY(!f.dialog || !f.dialog->isVisible());
        QCOMPARE(mileageRows(), 2);
        const auto rows = env->state->LogDatabase->MileageChronological(Reg);
        QCOMPARE(rows.last().Amount, TextToNumber(amount));
        QCOMPARE(rows.last().CurrentMileage, TextToNumber(mileage));
        return;
    }
    verifyRefused(message);
    QVERIFY(f.dialog && f.dialog->isVisible());
    // Every box as the user left it, nothing written.
    QCOMPARE(f.date->text(), date);
    QCOMPARE(f.mileage->text(), mileage);
    QCOMPARE(f.amount->text(), amount);
    QCOMPARE(f.pricePer->text(), pricePer);
    QCOMPARE(mileageRows(), 1);
}

// The mend: the reading is compared as it will be stored, so "1,500" is 1500, not 1.
void TestRecordDialogs::mileageThousandsSeparatorComparedAsStored()
{
    AddPlainVehicle(*env->state, Other, Day(2026, 2, 1), 1000);
    env->state->CurrentRegistration = Other;
    MileageForm f(openMileage());
    f.fill(QStringLiteral("15/06/2026"), QStringLiteral("1,500"), QStringLiteral("1,234.50"),
           QStringLiteral("1.25"));
    f.ok->click();
    QVERIFY(env->messages.shown.isEmpty());
    const auto rows = env->state->LogDatabase->MileageChronological(Other);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.last().CurrentMileage, 1500.0);
    QCOMPARE(rows.last().Amount, 1234.5);
    QCOMPARE(rows.last().Date, Day(2026, 6, 15));
}

// The mend: the checks use the vehicle the dialog shows, which is where the row is filed.
void TestRecordDialogs::mileageChecksTheVehicleTheDialogShows()
{
    AddPlainVehicle(*env->state, Other, Day(2026, 5, 1), 50000);
    MileageForm f(openMileage());            // shows Reg, latest reading 10000 on 10/01/2026
    env->state->CurrentRegistration = Other; // the main window moves on to another vehicle
    f.fill(QStringLiteral("01/03/2026"), QStringLiteral("10200"), QStringLiteral("30"),
           QStringLiteral("1.5"));
    f.ok->click();
    QVERIFY(env->messages.shown.isEmpty());
    QCOMPARE(mileageRows(Reg), 2);
    QCOMPARE(mileageRows(Other), 1);

    // And the other way round: a reading fine for Other is too low for the dialog's vehicle.
    env->state->CurrentRegistration = Reg;
    MileageForm g(openMileage());
    env->state->CurrentRegistration = Other;
    QCOMPARE(g.registration->text(), Reg);
    g.fill(QStringLiteral("02/03/2026"), QStringLiteral("10100"), QStringLiteral("30"),
           QStringLiteral("1.5"));
    env->state->CurrentRegistration = Other;
    g.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Mileage' is less than the most recent entry"));
}

// Not made by the program, but possible in a store edited by hand: the latest-reading checks
// are skipped.
void TestRecordDialogs::mileageVehicleWithoutReadings()
{
    env->state->CurrentRegistration = Other; // no Mileage row at all
    MileageForm f(openMileage());
    // No latest reading to be below: the reading is still never below 0.
    f.fill(QStringLiteral("01/01/2000"), QStringLiteral("-5"), QStringLiteral("10"),
           QStringLiteral("1"));
    f.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Current Mileage' must be a positive value"));
    QCOMPARE(mileageRows(Other), 0);
    env->messages.shown.clear();
    f.mileage->setText(QStringLiteral("5"));
    f.ok->click();
    QVERIFY(env->messages.shown.isEmpty());
    QCOMPARE(mileageRows(Other), 1);
}

void TestRecordDialogs::mileageStoreFailureKeepsTheDialogOpen()
{
    MileageForm f(openMileage());
    // Too large for a double: not numeric, so the dialog's own message, not the store's.
    f.fill(QStringLiteral("15/06/2026"), QStringLiteral("1e999"), QStringLiteral("40"),
           QStringLiteral("0.8"));
    f.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Current Mileage' must be numeric"));
    QVERIFY(f.dialog && f.dialog->isVisible());
    QCOMPARE(f.mileage->text(), QStringLiteral("1e999"));
    QCOMPARE(mileageRows(), 1);

    // A closed store (the main window unloaded) fails the same way instead of crashing.
    env->messages.shown.clear();
    f.mileage->setText(QStringLiteral("10500"));
    env->state->CloseStore();
    f.ok->click();
    QCOMPARE(env->messages.shown.size(), 1);
    QCOMPARE(env->messages.shown[0].title, QStringLiteral("Kelmot"));
    QVERIFY(f.dialog && f.dialog->isVisible());
}

// A latest reading dated after today (a clock set wrong when it was typed): a future date that
// is also before it is refused as in the future.
void TestRecordDialogs::mileageFutureCheckedBeforeTheLatestDate()
{
    AddPlainVehicle(*env->state, Other, Day(2027, 1, 1), 100);
    env->state->CurrentRegistration = Other;
    MileageForm f(openMileage());
    f.fill(QStringLiteral("16/06/2026"), QStringLiteral("200"), QStringLiteral("40"),
           QStringLiteral("0.8"));
    f.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Date' cannot be in the future"));
}

void TestRecordDialogs::registrationShownAsTyped()
{
    const QString marked = QStringLiteral("<b>B1</b>");
    AddPlainVehicle(*env->state, marked, Day(2026, 1, 10), 100);
    env->state->CurrentRegistration = marked;
    for (QWidget* d : {openMileage(), openMaintenance()}) {
        auto* label = Child<QLabel>(d, "lblVehicleRegistration");
        QCOMPARE(label->text(), marked);
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
}

void TestRecordDialogs::everyLabelShowsPlainText()
{
    QList<QWidget*> windows{window.get(), openMileage(), openMaintenance()};
    window->Add_New_Vehicle_Click();
    windows << window->findChild<QDialog*>(QStringLiteral("dlgAddVehicle"));
    for (QWidget* w : windows) {
        QVERIFY(w);
        for (QLabel* label : w->findChildren<QLabel*>())
            QVERIFY2(label->textFormat() == Qt::PlainText,
                     qPrintable(w->objectName() + u'.' + label->objectName()));
        // A long text is kept whole, not cut at 32,767 characters.
        for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
            const QString before = box->text();
            const QString longText(40000, u'x');
            box->setText(longText);
            QVERIFY2(box->text() == longText,
                     qPrintable(w->objectName() + u'.' + box->objectName()));
            box->setText(before);
        }
    }
}

void TestRecordDialogs::mileageCancelEscapeEnterAndCloseBox()
{
    MileageForm f(openMileage());
    f.fill(QStringLiteral("15/06/2026"), QStringLiteral("10500"), QStringLiteral("40"),
           QStringLiteral("0.8"));
    // Escape does not cancel, Enter in a box does not press OK.
    QTest::keyClick(f.date, Qt::Key_Escape);
    QTest::keyClick(f.pricePer, Qt::Key_Return);
    QTest::keyClick(f.amount, Qt::Key_Enter);
    QTest::keyClick(f.dialog, Qt::Key_Escape);
    QVERIFY(f.dialog && f.dialog->isVisible());
    QVERIFY(env->messages.shown.isEmpty());
    QCOMPARE(mileageRows(), 1);
    QCOMPARE(f.amount->text(), QStringLiteral("40"));
    // The close box is Cancel: closed, nothing written.
    QVERIFY(f.dialog->close());
    FlushDeletes();
    QVERIFY(!f.dialog);
    QCOMPARE(mileageRows(), 1);
    // Cancel likewise.
    MileageForm g(openMileage());
    g.fill(QStringLiteral("15/06/2026"), QStringLiteral("10500"), QStringLiteral("40"),
           QStringLiteral("0.8"));
    g.cancel->click();
    FlushDeletes();
    QVERIFY(!g.dialog);
    QCOMPARE(mileageRows(), 1);
    QVERIFY(env->messages.shown.isEmpty());
}

void TestRecordDialogs::mileageOpenedTwiceShowsOneDialog()
{
    MileageForm f(openMileage());
    f.mileage->setText(QStringLiteral("12345"));
    f.amount->setText(QStringLiteral("55.5"));
    env->state->CurrentRegistration = Other;
    env->state->DistanceUnit = QStringLiteral("Kilometre");
    QWidget* again = openMileage();
    QCOMPARE(again, f.dialog.data());
    QCOMPARE(window->findChildren<dlgEnterMileage*>().size(), 1);
    QVERIFY(again->isVisible());
    QCOMPARE(f.mileage->text(), QStringLiteral("12345"));
    QCOMPARE(f.amount->text(), QStringLiteral("55.5"));
    QCOMPARE(f.registration->text(), Reg);
    QCOMPARE(Child<QLabel>(again, "lblCurrentMileage")->text(), QStringLiteral("Current Miles"));
    // The toolbar button opens the same dialog.
    window->Toolbar1_ButtonClick(1);
    QCOMPARE(window->findChildren<dlgEnterMileage*>().size(), 1);
}

void TestRecordDialogs::mileageReopenedAfterClosingLoadsAfresh()
{
    MileageForm f(openMileage());
    f.mileage->setText(QStringLiteral("12345"));
    f.cancel->click();
    FlushDeletes();
    env->state->CurrentRegistration = Other;
    env->state->DistanceUnit = QStringLiteral("Kilometre");
    env->clock.moment = QDateTime(QDate(2026, 7, 1), QTime(9, 0), Qt::UTC);
    MileageForm g(openMileage());
    QCOMPARE(g.mileage->text(), QStringLiteral("00000"));
    QCOMPARE(g.registration->text(), Other);
    QCOMPARE(g.date->text(), QStringLiteral("01/07/2026"));
    QCOMPARE(Child<QLabel>(g.dialog, "lblCurrentMileage")->text(),
             QStringLiteral("Current Kilometres"));
}

// ---------------------------------------------------------------- Record Maintenance

void TestRecordDialogs::maintenanceOpensWithDefaults()
{
    QWidget* d = openMaintenance();
    MaintenanceForm f(d);
    QVERIFY(d->isVisible());
    QVERIFY(!d->isModal());
    QCOMPARE(d->windowTitle(), QStringLiteral("Enter Maintenance Costs"));
    QCOMPARE(d->parentWidget(), window.get());
    QCOMPARE(f.registration->text(), Reg);
    QVERIFY(f.registration->font().bold());
    QCOMPARE(f.date->text(), QStringLiteral("15/06/2026"));
    QCOMPARE(f.amount->text(), QStringLiteral("0.00"));
    QCOMPARE(f.description->toPlainText(), QString());
    QCOMPARE(Child<QLabel>(d, "lblVehicleReg")->text(), QStringLiteral("Vehicle Registration"));
    QCOMPARE(Child<QLabel>(d, "lblDate")->text(), QStringLiteral("Date"));
    QCOMPARE(Child<QLabel>(d, "lblAmountPaid")->text(), QStringLiteral("Amount Paid"));
    QCOMPARE(Child<QLabel>(d, "lblDescription")->text(), QStringLiteral("Description"));
    QVERIFY(!f.ok->isDefault() && !f.ok->autoDefault());
    QVERIFY(!f.cancel->isDefault() && !f.cancel->autoDefault());
    QCOMPARE(d->focusWidget(), f.date);
    QCOMPARE(f.date->nextInFocusChain(), f.amount);
    QCOMPARE(f.amount->nextInFocusChain(), f.description);
    QVERIFY(f.description->tabChangesFocus());
    QCOMPARE(Child<QLabel>(d, "lblDate")->buddy(), f.date);
    QCOMPARE(Child<QLabel>(d, "lblAmountPaid")->buddy(), f.amount);
    QCOMPARE(Child<QLabel>(d, "lblDescription")->buddy(), f.description);
    QCOMPARE(Child<QLabel>(d, "lblCategory")->buddy(), f.category);
    QCOMPARE(f.category->currentText(), CostCategory::Other);
    for (QLabel* label : d->findChildren<QLabel*>())
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
}

void TestRecordDialogs::maintenanceLayout()
{
    QWidget* d = openMaintenance();
    MaintenanceForm f(d);
    // 4725 x 3630 twips, and below it the category.
    QCOMPARE(d->size(), QSize(315, 272));
    QCOMPARE(d->minimumSize(), d->maximumSize());
    QCOMPARE(d->pos(), QPoint(160, 85)); // 2400, 1275 twips
    QCOMPARE(f.date->geometry(), QRect(136, 56, 81, 19));
    QCOMPARE(f.amount->geometry(), QRect(136, 88, 81, 19));
    QCOMPARE(f.description->geometry(), QRect(136, 120, 161, 59));
    QCOMPARE(f.ok->geometry(), QRect(48, 200, 81, 25));
    QCOMPARE(f.cancel->geometry(), QRect(176, 200, 81, 25));
    QCOMPARE(Child<QLabel>(d, "lblDate")->x(), 48);
    QVERIFY(!d->windowIcon().isNull());
}

void TestRecordDialogs::maintenanceEmptyDescriptionBeforeDateCheck()
{
    env->state->MaintenanceTable->AppendMaintenance(
        MaintenanceRow{Reg, Day(2026, 5, 1), 100, QStringLiteral("Service")});
    MaintenanceForm f(openMaintenance());
    f.fill(QStringLiteral("01/02/2026"), QStringLiteral("50"), QString());
    f.ok->click();
    verifyRefused(QStringLiteral("Please Enter a Description"));
    QVERIFY(f.dialog && f.dialog->isVisible());
}

void TestRecordDialogs::maintenanceFirstEntryTakesAnyPastDate()
{
    MaintenanceForm f(openMaintenance());
    f.fill(QStringLiteral("03/04/1995"), QStringLiteral("12.50"), QStringLiteral("Tyres"));
    f.category->setCurrentText(CostCategory::Tyres);
    f.ok->click();
    QVERIFY(env->messages.shown.isEmpty());
    QVERIFY(!f.dialog || !f.dialog->isVisible());
    const auto rows = env->state->LogDatabase->MaintenanceByDate(Reg);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].Date, Day(1995, 4, 3));
    QCOMPARE(rows[0].Cost, 12.5);
    QCOMPARE(rows[0].Description, QStringLiteral("Tyres"));
    QCOMPARE(rows[0].Category, CostCategory::Tyres);
    QCOMPARE(rows[0].Registration, Reg);
}

void TestRecordDialogs::maintenanceEqualDateAcceptedDayEarlierRefused()
{
    env->state->MaintenanceTable->AppendMaintenance(
        MaintenanceRow{Reg, Day(2026, 5, 1), 100, QStringLiteral("Service")});
    MaintenanceForm f(openMaintenance());
    f.fill(QStringLiteral("30/04/2026"), QStringLiteral("20"), QStringLiteral("Wipers"));
    f.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Date' is before the most recent entry"));
    QVERIFY(f.dialog && f.dialog->isVisible());
    QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Reg).size(), 1);

    env->messages.shown.clear();
    f.date->setText(QStringLiteral("01/05/2026"));
    f.ok->click();
    QVERIFY(env->messages.shown.isEmpty());
    QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Reg).size(), 2);
}

void TestRecordDialogs::maintenanceChecks_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("message");

    const QString future = QStringLiteral("The entry for 'Date' cannot be in the future");
    const QString positive = QStringLiteral("The entry for 'Amount' must be a positive Value");
    QTest::newRow("today") << "15/06/2026"
                           << "80"
                           << "Oil"
                           << "";
    QTest::newRow("not a date") << "15/13/2026"
                                << "80"
                                << "Oil"
                                << "The entry for 'Date' must be in date format";
    QTest::newRow("tomorrow") << "16/06/2026"
                              << "80"
                              << "Oil" << future;
    QTest::newRow("today with a time of day") << "15/06/2026 08:00"
                                              << "80"
                                              << "Oil" << future;
    QTest::newRow("amount abc") << "15/06/2026"
                                << "abc"
                                << "Oil"
                                << "The entry for 'Amount' must be numeric";
    QTest::newRow("amount 0.00") << "15/06/2026"
                                 << "0.00"
                                 << "Oil" << positive;
    QTest::newRow("amount -5") << "15/06/2026"
                               << "-5"
                               << "Oil" << positive;
    QTest::newRow("no description") << "15/06/2026"
                                    << "80"
                                    << ""
                                    << "Please Enter a Description";
    QTest::newRow("bad amount before no description") << "15/06/2026"
                                                      << "0.00"
                                                      << "" << positive;
    const QString numeric = QStringLiteral("The entry for 'Amount' must be numeric");
    QTest::newRow("not a date before amount not numeric")
        << "x"
        << "abc"
        << ""
        << "The entry for 'Date' must be in date format";
    QTest::newRow("future before amount not numeric") << "16/06/2026"
                                                      << "abc"
                                                      << "" << future;
    QTest::newRow("amount 40,00") << "15/06/2026"
                                  << "40,00"
                                  << "Oil" << numeric;
    QTest::newRow("amount 12,5,0") << "15/06/2026"
                                   << "12,5,0"
                                   << "Oil" << numeric;
    QTest::newRow("amount 1e400") << "15/06/2026"
                                  << "1e400"
                                  << "Oil" << numeric;
    QTest::newRow("amount 1,040.00") << "15/06/2026"
                                     << "1,040.00"
                                     << "Oil"
                                     << "";
}

void TestRecordDialogs::maintenanceChecks()
{
    QFETCH(QString, date);
    QFETCH(QString, amount);
    QFETCH(QString, description);
    QFETCH(QString, message);
    MaintenanceForm f(openMaintenance());
    f.fill(date, amount, description);
    f.ok->click();
    if (message.isEmpty()) {
        QVERIFY(env->messages.shown.isEmpty());
        QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Reg).size(), 1);
        QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Reg)[0].Cost, TextToNumber(amount));
        QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Reg)[0].Category, CostCategory::Other);
        return;
    }
    verifyRefused(message);
    QVERIFY(f.dialog && f.dialog->isVisible());
    QCOMPARE(f.date->text(), date);
    QCOMPARE(f.amount->text(), amount);
    QCOMPARE(f.description->toPlainText(), description);
    QVERIFY(env->state->LogDatabase->MaintenanceByDate(Reg).isEmpty());
}

void TestRecordDialogs::maintenanceFutureCheckedBeforeTheLatestDate()
{
    env->state->MaintenanceTable->AppendMaintenance(
        MaintenanceRow{Reg, Day(2027, 1, 1), 100, QStringLiteral("Service")});
    MaintenanceForm f(openMaintenance());
    f.fill(QStringLiteral("16/06/2026"), QStringLiteral("20"), QStringLiteral("Wipers"));
    f.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Date' cannot be in the future"));
}

void TestRecordDialogs::maintenanceBlankDescriptionAndLineBreaksStored()
{
    MaintenanceForm f(openMaintenance());
    f.fill(QStringLiteral("15/06/2026"), QStringLiteral("10"), QStringLiteral("   "));
    f.ok->click();
    QVERIFY(env->messages.shown.isEmpty());

    MaintenanceForm g(openMaintenance());
    g.fill(QStringLiteral("15/06/2026"), QStringLiteral("20"), QString());
    // Enter in the description is a new line, not OK.
    g.description->setFocus();
    QTest::keyClicks(g.description, QStringLiteral("Brakes"));
    QTest::keyClick(g.description, Qt::Key_Return);
    QTest::keyClicks(g.description, QStringLiteral("and discs"));
    QVERIFY(g.dialog && g.dialog->isVisible());
    QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Reg).size(), 1);
    g.ok->click();
    QVERIFY(env->messages.shown.isEmpty());
    const auto rows = env->state->LogDatabase->MaintenanceByDate(Reg);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].Description, QStringLiteral("   "));
    QCOMPARE(rows[1].Description, QStringLiteral("Brakes\nand discs"));
}

// The mend: the date is compared with the latest entry of the vehicle the dialog shows.
void TestRecordDialogs::maintenanceChecksTheVehicleTheDialogShows()
{
    AddPlainVehicle(*env->state, Other, Day(2026, 1, 1), 100);
    env->state->MaintenanceTable->AppendMaintenance(
        MaintenanceRow{Other, Day(2026, 6, 1), 100, QStringLiteral("Clutch")});
    MaintenanceForm f(openMaintenance()); // shows Reg, which has no maintenance yet
    env->state->CurrentRegistration = Other;
    f.fill(QStringLiteral("01/03/2026"), QStringLiteral("40"), QStringLiteral("Battery"));
    f.ok->click();
    QVERIFY(env->messages.shown.isEmpty());
    QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Reg).size(), 1);
    QCOMPARE(env->state->LogDatabase->MaintenanceByDate(Other).size(), 1);

    env->state->CurrentRegistration = Reg;
    MaintenanceForm g(openMaintenance());
    env->state->CurrentRegistration = Other;
    g.fill(QStringLiteral("28/02/2026"), QStringLiteral("40"), QStringLiteral("Bulb"));
    g.ok->click();
    verifyRefused(QStringLiteral("The entry for 'Date' is before the most recent entry"));
}

void TestRecordDialogs::maintenanceEscapeEnterAndCloseBox()
{
    MaintenanceForm f(openMaintenance());
    f.fill(QStringLiteral("15/06/2026"), QStringLiteral("80"), QStringLiteral("Oil"));
    QTest::keyClick(f.date, Qt::Key_Escape);
    QTest::keyClick(f.amount, Qt::Key_Return);
    QTest::keyClick(f.dialog, Qt::Key_Escape);
    QVERIFY(f.dialog && f.dialog->isVisible());
    QVERIFY(env->state->LogDatabase->MaintenanceByDate(Reg).isEmpty());
    QVERIFY(f.dialog->close());
    FlushDeletes();
    QVERIFY(!f.dialog);
    MaintenanceForm g(openMaintenance());
    QCOMPARE(g.description->toPlainText(), QString());
    g.fill(QStringLiteral("15/06/2026"), QStringLiteral("80"), QStringLiteral("Oil"));
    g.cancel->click();
    FlushDeletes();
    QVERIFY(!g.dialog);
    QVERIFY(env->state->LogDatabase->MaintenanceByDate(Reg).isEmpty());
    QVERIFY(env->messages.shown.isEmpty());
}

void TestRecordDialogs::maintenanceOpenedTwiceShowsOneDialog()
{
    MaintenanceForm f(openMaintenance());
    f.fill(QStringLiteral("01/06/2026"), QStringLiteral("99"), QStringLiteral("Half typed"));
    env->state->CurrentRegistration = Other;
    QWidget* again = openMaintenance();
    QCOMPARE(again, f.dialog.data());
    QCOMPARE(window->findChildren<dlgEnterMaintenance*>().size(), 1);
    QCOMPARE(f.date->text(), QStringLiteral("01/06/2026"));
    QCOMPARE(f.amount->text(), QStringLiteral("99"));
    QCOMPARE(f.description->toPlainText(), QStringLiteral("Half typed"));
    QCOMPARE(f.registration->text(), Reg);
    window->Toolbar1_ButtonClick(2);
    QCOMPARE(window->findChildren<dlgEnterMaintenance*>().size(), 1);
}

QTEST_MAIN(TestRecordDialogs)
#include "tst_recorddialogs.moc"
