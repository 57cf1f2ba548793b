#include "TestEnvironment.h"
#include "TextConversions.h"
#include "WindowTesting.h"
#include "dlgAddVehicle.h"
#include "dlgAddVehicleFIRST.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

const char* const Variants[] = {"dlgAddVehicle", "dlgAddVehicleFIRST"};

const char* const Boxes[] = {
    "txtVehicleReg", "txtCurrentMileage", "txtRegistrationDate", "txtPurchaseDate",
    "txtMake",       "txtModel",          "txtEngineCapacity",   "txtFuel"};

QRect twips(int left, int top, int width, int height)
{
    return QRect((left + 7) / 15, (top + 7) / 15, (width + 7) / 15, (height + 7) / 15);
}

// One dialog of either variant on a temporary store, with a count of the main window refreshes.
struct Fixture
{
    explicit Fixture(const QString& variant)
    {
        const auto refreshed = [this] { ++refreshes; };
        if (variant == QLatin1String("dlgAddVehicleFIRST"))
            dialog = std::make_unique<dlgAddVehicleFIRST>(*env.state, refreshed, nullptr);
        else
            dialog = std::make_unique<dlgAddVehicle>(*env.state, refreshed, nullptr);
        dialog->show();
    }

    QLineEdit* box(const char* name) { return Child<QLineEdit>(dialog.get(), name); }
    void type(const char* name, const QString& text)
    {
        box(name)->selectAll();
        QTest::keyClick(box(name), Qt::Key_Delete);
        QTest::keyClicks(box(name), text);
    }
    void ok() { QTest::mouseClick(Child<QPushButton>(dialog.get(), "OKButton"), Qt::LeftButton); }
    int vehicles() { return int(env.state->LogDatabase->ListRegistrations().size()); }

    TestPlatform env;
    std::unique_ptr<QDialog> dialog;
    int refreshes = 0;
};

} // namespace

class TestAddVehicle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void variants_data();
    void opensWithItsInitialTexts_data() { variants_data(); }
    void opensWithItsInitialTexts();
    void currentMileageCaptionFollowsTheUnit_data() { variants_data(); }
    void currentMileageCaptionFollowsTheUnit();
    void entryAreaLayout_data() { variants_data(); }
    void entryAreaLayout();
    void dialogFrame();
    void firstRunExtras();
    void noDefaultButtonAndEscapeDoesNotCancel_data() { variants_data(); }
    void noDefaultButtonAndEscapeDoesNotCancel();
    void cancelAndCloseBoxWriteNothing_data() { variants_data(); }
    void cancelAndCloseBoxWriteNothing();

    void checksInOrder_data();
    void checksInOrder();
    void datesOfTodayPass_data() { variants_data(); }
    void datesOfTodayPass();
    void addsTheVehicleWithItsFirstReading_data() { variants_data(); }
    void addsTheVehicleWithItsFirstReading();
    void capacityCheckReadsTheStoredValue_data() { variants_data(); }
    void capacityCheckReadsTheStoredValue();
    void emptyOptionalBoxesStoreNotGiven_data() { variants_data(); }
    void emptyOptionalBoxesStoreNotGiven();
    void datesStayAsTypedAfterAFailedCheck_data() { variants_data(); }
    void datesStayAsTypedAfterAFailedCheck();
    void valueBeyondRangeGetsTheDialogsMessage_data() { variants_data(); }
    void valueBeyondRangeGetsTheDialogsMessage();
    void storeFailureShowsTheKelmotBox_data();
    void storeFailureShowsTheKelmotBox();
    void longTextsStoredWhole_data();
    void longTextsStoredWhole();
};

void TestAddVehicle::variants_data()
{
    QTest::addColumn<QString>("variant");
    for (const char* variant : Variants)
        QTest::newRow(variant) << QString::fromLatin1(variant);
}

void TestAddVehicle::opensWithItsInitialTexts()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    QCOMPARE(f.dialog->objectName(), variant);
    QVERIFY(!f.dialog->windowIcon().isNull());
    for (const char* name : Boxes)
        QCOMPARE(f.box(name)->text(), QLatin1String(name) == QLatin1String("txtCurrentMileage")
                                          ? QStringLiteral("00000")
                                          : QString());
    QCOMPARE(Child<QLabel>(f.dialog.get(), "lblCurrentMileage")->text(),
             QStringLiteral("Current Miles"));
    QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
    QCOMPARE(QApplication::focusWidget(), f.box("txtVehicleReg"));
}

void TestAddVehicle::currentMileageCaptionFollowsTheUnit()
{
    QFETCH(QString, variant);
    TestPlatform env;
    env.state->DistanceUnit = QStringLiteral("Kilometre");
    const std::unique_ptr<QDialog> dialog =
        variant == QLatin1String("dlgAddVehicle")
            ? std::unique_ptr<QDialog>(new dlgAddVehicle(*env.state, {}, nullptr))
            : std::unique_ptr<QDialog>(new dlgAddVehicleFIRST(*env.state, {}, nullptr));
    QCOMPARE(Child<QLabel>(dialog.get(), "lblCurrentMileage")->text(),
             QStringLiteral("Current Kilometres"));
}

void TestAddVehicle::entryAreaLayout()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    const bool first = variant == QLatin1String("dlgAddVehicleFIRST");
    const int labelLeft = first ? 3960 : 240;
    const int boxLeft = first ? 5760 : 2040;
    const struct
    {
        const char *label, *text;
        bool red;
    } rows[] = {
        {"lblVehicleReg", "Vehicle Registration", true},
        {"lblCurrentMileage", "Current Miles", true},
        {"lblRegistrationDate", "Registration Date", false},
        {"lblPurchaseDate", "Purchase Date", false},
        {"lblMake", "Make", false},
        {"lblModel", "Model", false},
        {"lblEngineCapacity", "Engine Capacity", false},
        {"lblFuel", "Fuel Type", false},
    };
    QStringList order;
    for (int i = 0; i < 8; ++i) {
        const int top = 240 + 480 * i;
        auto* label = Child<QLabel>(f.dialog.get(), rows[i].label);
        QLineEdit* box = f.box(Boxes[i]);
        QCOMPARE(label->text(), QString::fromLatin1(rows[i].text));
        QCOMPARE(label->pos(), twips(labelLeft, top, 0, 0).topLeft());
        QCOMPARE(box->geometry(), twips(boxLeft, top, 1215, 285));
        QCOMPARE(label->buddy(), box);
        QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name),
                 label->text());
        const QColor colour = label->palette().color(QPalette::WindowText);
        if (rows[i].red)
            QCOMPARE(colour, QColor(255, 0, 0));
        else
            QVERIFY(colour != QColor(255, 0, 0));
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }
    QWidget* w = f.box("txtVehicleReg");
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != f.box("txtVehicleReg"));
    QCOMPARE(order, QStringList({"txtVehicleReg", "txtCurrentMileage", "txtRegistrationDate",
                                 "txtPurchaseDate", "txtMake", "txtModel", "txtEngineCapacity",
                                 "txtFuel", "OKButton", "CancelButton"}));
    auto* ok = Child<QPushButton>(f.dialog.get(), "OKButton");
    auto* cancel = Child<QPushButton>(f.dialog.get(), "CancelButton");
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QCOMPARE(ok->geometry(), twips(first ? 4320 : 600, 4200, 1215, 375));
    QCOMPARE(cancel->geometry(), twips(first ? 5640 : 1920, 4200, 1215, 375));
}

void TestAddVehicle::dialogFrame()
{
    for (const char* variant : Variants) {
        Fixture f(QString::fromLatin1(variant));
        const bool first = QLatin1String(variant) == QLatin1String("dlgAddVehicleFIRST");
        QCOMPARE(f.dialog->size(), twips(0, 0, first ? 7245 : 3720, 4935).size());
        QCOMPARE(f.dialog->minimumSize(), f.dialog->maximumSize());
        QCOMPARE(f.dialog->pos(),
                 first ? twips(1230, 780, 0, 0).topLeft() : twips(3420, 1455, 0, 0).topLeft());
        const Qt::WindowFlags flags = f.dialog->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    }
}

void TestAddVehicle::firstRunExtras()
{
    Fixture f(QStringLiteral("dlgAddVehicleFIRST"));
    auto* logo = Child<QLabel>(f.dialog.get(), "imgLogo");
    QCOMPARE(logo->geometry(), twips(240, 240, 1815, 2025));
    QVERIFY(logo->hasScaledContents());
    QCOMPARE(logo->pixmap().size(), QSize(484, 487));
    auto* name = Child<QLabel>(f.dialog.get(), "lblProductName");
    QCOMPARE(name->text(), QStringLiteral("Kelmot"));
    QCOMPARE(name->pos(), twips(2160, 480, 0, 0).topLeft());
    QCOMPARE(name->font().family(), QStringLiteral("Arial"));
    QCOMPARE(name->font().pointSizeF(), 27.75);
    QCOMPARE(name->font().weight(), QFont::Bold);
    QCOMPARE(name->size(), name->sizeHint());
    auto* welcome = Child<QLabel>(f.dialog.get(), "Label1");
    QCOMPARE(
        welcome->text(),
        QStringLiteral("Thank you for installing Kelmot.  There are currently no vehicles in the "
                       "database, please enter your first vehicle's details now before "
                       "proceeding.  'Vehicle Registration' and 'Current Mileage' are "
                       "compulsory, 'Current Mileage' is taken from the current date."));
    QVERIFY(welcome->wordWrap());
    QCOMPARE(welcome->geometry(), twips(240, 2520, 3735, 1335));
    QCOMPARE(welcome->font(), f.dialog->font());
    Fixture plain(QStringLiteral("dlgAddVehicle"));
    QVERIFY(!plain.dialog->findChild<QLabel*>(QStringLiteral("imgLogo")));
}

void TestAddVehicle::noDefaultButtonAndEscapeDoesNotCancel()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    for (const char* name : {"OKButton", "CancelButton"}) {
        QVERIFY(!Child<QPushButton>(f.dialog.get(), name)->autoDefault());
        QVERIFY(!Child<QPushButton>(f.dialog.get(), name)->isDefault());
    }
    f.type("txtVehicleReg", QStringLiteral("AB12 CDE"));
    QTest::keyClick(f.box("txtVehicleReg"), Qt::Key_Return);
    QTest::keyClick(f.box("txtVehicleReg"), Qt::Key_Enter);
    QCOMPARE(f.vehicles(), 0);
    QTest::keyClick(f.box("txtVehicleReg"), Qt::Key_Escape);
    QTest::keyClick(f.dialog.get(), Qt::Key_Escape);
    QVERIFY(f.dialog->isVisible());
    QVERIFY(f.env.messages.shown.isEmpty());
}

void TestAddVehicle::cancelAndCloseBoxWriteNothing()
{
    QFETCH(QString, variant);
    {
        Fixture f(variant);
        f.type("txtVehicleReg", QStringLiteral("AB12 CDE"));
        QTest::mouseClick(Child<QPushButton>(f.dialog.get(), "CancelButton"), Qt::LeftButton);
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(f.vehicles(), 0);
        QCOMPARE(f.refreshes, 0);
    }
    {
        Fixture f(variant);
        f.type("txtVehicleReg", QStringLiteral("AB12 CDE"));
        QVERIFY(f.dialog->close());
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.vehicles(), 0);
        QCOMPARE(f.refreshes, 0);
        QVERIFY(f.env.messages.shown.isEmpty());
    }
}

void TestAddVehicle::checksInOrder_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QStringList>("entries"); // box=text pairs, typed in this order
    QTest::addColumn<QString>("message");

    const QString required = QStringLiteral("Entry is required in the highlighted fields");
    const QString tomorrow = QStringLiteral("16/06/2026");
    const struct
    {
        const char* name;
        QStringList entries;
        QString message;
    } cases[] = {
        {"untouched", {}, required},
        {"no registration, mileage typed", {"txtCurrentMileage=100"}, required},
        {"empty mileage", {"txtVehicleReg=NEW 1", "txtCurrentMileage="}, required},
        {"existing in another case",
         {"txtVehicleReg=ab12 cde", "txtCurrentMileage=-1", "txtRegistrationDate=x"},
         QStringLiteral("An entry for this 'Vehicle Registration' already exists")},
        {"mileage -1",
         {"txtVehicleReg=NEW 1", "txtCurrentMileage=-1", "txtRegistrationDate=x"},
         QStringLiteral("The entry for 'Current Mileage' must be a positive value")},
        {"mileage abc",
         {"txtVehicleReg=NEW 1", "txtCurrentMileage=abc", "txtRegistrationDate=x"},
         QStringLiteral("The entry for 'Current Mileage' must be numeric")},
        {"registration date not a date",
         {"txtVehicleReg=NEW 1", "txtRegistrationDate=31/02/2001", "txtPurchaseDate=x"},
         QStringLiteral("The entry for 'Registration Date' must be in date format")},
        {"registration date tomorrow",
         {"txtVehicleReg=NEW 1", "txtRegistrationDate=" + tomorrow, "txtPurchaseDate=x"},
         QStringLiteral("The entry for 'Registration Date' must be in the past")},
        {"registration date today with a time",
         {"txtVehicleReg=NEW 1", "txtRegistrationDate=15/06/2026 09:00"},
         QStringLiteral("The entry for 'Registration Date' must be in the past")},
        {"purchase date not a date",
         {"txtVehicleReg=NEW 1", "txtPurchaseDate=x", "txtEngineCapacity=x"},
         QStringLiteral("The entry for 'Purchase Date' must be in date format")},
        {"purchase date tomorrow",
         {"txtVehicleReg=NEW 1", "txtRegistrationDate=01/01/2000", "txtPurchaseDate=" + tomorrow,
          "txtEngineCapacity=x"},
         QStringLiteral("The entry for 'Purchase Date' must be in the past")},
        {"capacity 0",
         {"txtVehicleReg=NEW 1", "txtEngineCapacity=0"},
         QStringLiteral("The entry for 'Engine Capacity' must be positive")},
        {"capacity -2",
         {"txtVehicleReg=NEW 1", "txtEngineCapacity=-2"},
         QStringLiteral("The entry for 'Engine Capacity' must be positive")},
        {"capacity x",
         {"txtVehicleReg=NEW 1", "txtEngineCapacity=x"},
         QStringLiteral("The entry for 'Engine Capacity' must be numeric")},
        // Two checks failing at once: the earlier one speaks.
        {"no registration and no mileage", {"txtCurrentMileage="}, required},
        {"empty mileage before existing",
         {"txtVehicleReg=AB12 CDE", "txtCurrentMileage="},
         required},
        {"existing before mileage not numeric",
         {"txtVehicleReg=AB12 CDE", "txtCurrentMileage=abc"},
         QStringLiteral("An entry for this 'Vehicle Registration' already exists")},
        // Blanks around a registration are no part of it.
        {"registration of blanks", {"txtVehicleReg=   ", "txtCurrentMileage=-1"}, required},
        {"registration of a tab", {"txtVehicleReg=\t"}, required},
        {"existing with blanks around",
         {"txtVehicleReg=  ab12 cde  ", "txtCurrentMileage=-1"},
         QStringLiteral("An entry for this 'Vehicle Registration' already exists")},
        // Group separators only in their places, and only finite numbers.
        {"capacity 1,6",
         {"txtVehicleReg=NEW 1", "txtEngineCapacity=1,6"},
         QStringLiteral("The entry for 'Engine Capacity' must be numeric")},
        {"capacity 1e400",
         {"txtVehicleReg=NEW 1", "txtEngineCapacity=1e400"},
         QStringLiteral("The entry for 'Engine Capacity' must be numeric")},
        {"mileage 1,5",
         {"txtVehicleReg=NEW 1", "txtCurrentMileage=1,5"},
         QStringLiteral("The entry for 'Current Mileage' must be numeric")},
        {"mileage 1e400",
         {"txtVehicleReg=NEW 1", "txtCurrentMileage=1e400"},
         QStringLiteral("The entry for 'Current Mileage' must be numeric")},
    };
    for (const char* variant : Variants)
        for (const auto& c : cases) {
            const QByteArray name = QByteArray(variant) + ": " + c.name;
            QTest::newRow(name.constData())
                << QString::fromLatin1(variant) << c.entries << c.message;
        }
}

void TestAddVehicle::checksInOrder()
{
    QFETCH(QString, variant);
    QFETCH(QStringList, entries);
    QFETCH(QString, message);
    Fixture f(variant);
    VehicleRow existing;
    existing.Registration = QStringLiteral("AB12 CDE");
    existing.RegistrationDate = NoDate();
    existing.PurchaseDate = NoDate();
    f.env.state->VehicleDetailsTable->AppendVehicle(
        existing, MileageRow{existing.Registration, Day(2026, 1, 1), 5, 0, 0});

    for (const QString& entry : entries) {
        const qsizetype at = entry.indexOf(u'=');
        f.box(qPrintable(entry.left(at)))->setText(entry.mid(at + 1));
    }
    QMap<QString, QString> typed;
    for (const char* name : Boxes)
        typed[QString::fromLatin1(name)] = f.box(name)->text();
    f.ok();

    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown[0].text, message);
    QCOMPARE(f.env.messages.shown[0].title, QStringLiteral("Entry Error"));
    QCOMPARE(f.env.messages.shown[0].icon, Messages::Icon::Exclamation);
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.vehicles(), 1);
    QCOMPARE(f.refreshes, 0);
    // Every box keeps what the user typed.
    for (const char* name : Boxes)
        QCOMPARE(f.box(name)->text(), typed[QString::fromLatin1(name)]);
}

void TestAddVehicle::datesOfTodayPass()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    f.type("txtVehicleReg", QStringLiteral("NEW 1"));
    f.type("txtRegistrationDate", QStringLiteral("15/06/2026"));
    f.type("txtPurchaseDate", QStringLiteral("15/6/26"));
    f.ok();
    QVERIFY(f.env.messages.shown.isEmpty());
    const VehicleRow stored = *f.env.state->LogDatabase->FindVehicle(QStringLiteral("NEW 1"));
    QCOMPARE(stored.RegistrationDate, Day(2026, 6, 15));
    QCOMPARE(stored.PurchaseDate, Day(2026, 6, 15));
}

void TestAddVehicle::addsTheVehicleWithItsFirstReading()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    f.type("txtVehicleReg", QStringLiteral(" Mixed Case 7 "));
    f.type("txtCurrentMileage", QStringLiteral("12,345.5"));
    f.type("txtRegistrationDate", QStringLiteral("01/03/2019"));
    f.type("txtPurchaseDate", QStringLiteral("2/4/20 14:30"));
    f.type("txtMake", QStringLiteral("Ford"));
    f.type("txtModel", QStringLiteral("Focus"));
    f.type("txtEngineCapacity", QStringLiteral("1,596"));
    f.type("txtFuel", QStringLiteral("Petrol"));
    f.ok();
    QVERIFY2(f.env.messages.shown.isEmpty(), qPrintable(f.env.messages.lastText()));
    QVERIFY(!f.dialog->isVisible());
    QCOMPARE(f.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(f.refreshes, 1);

    // Stored without the blanks around it; the box keeps what was typed.
    QCOMPARE(f.box("txtVehicleReg")->text(), QStringLiteral(" Mixed Case 7 "));
    const VehicleRow stored =
        *f.env.state->LogDatabase->FindVehicle(QStringLiteral("Mixed Case 7"));
    QCOMPARE(stored.Registration, QStringLiteral("Mixed Case 7"));
    QCOMPARE(stored.RegistrationDate, Day(2019, 3, 1));
    QCOMPARE(stored.PurchaseDate, QDateTime(QDate(2020, 4, 2), QTime(14, 30), Qt::UTC));
    QCOMPARE(stored.Make, QStringLiteral("Ford"));
    QCOMPARE(stored.Model, QStringLiteral("Focus"));
    QCOMPARE(stored.EngineCapacity, 1596.0);
    QCOMPARE(stored.Fuel, QStringLiteral("Petrol"));
    const QVector<MileageRow> readings =
        f.env.state->LogDatabase->MileageChronological(QStringLiteral("Mixed Case 7"));
    QCOMPARE(readings.size(), 1);
    QCOMPARE(readings[0].CurrentMileage, 12345.5);
    QCOMPARE(readings[0].Date, Day(2026, 6, 15));
}

// "0,500" reads as 500 with the grouping comma skipped, though its leading plain number is 0:
// the positivity check and the store read the same value.
void TestAddVehicle::capacityCheckReadsTheStoredValue()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    QCOMPARE(TextToNumber(QStringLiteral("0,500")), 500.0);
    QCOMPARE(LeadingNumber(QStringLiteral("0,500")), 0.0);
    f.type("txtVehicleReg", QStringLiteral("NEW 1"));
    f.type("txtEngineCapacity", QStringLiteral("0,500"));
    f.ok();
    QVERIFY(f.env.messages.shown.isEmpty());
    QCOMPARE(f.env.state->LogDatabase->FindVehicle(QStringLiteral("NEW 1"))->EngineCapacity, 500.0);
}

void TestAddVehicle::emptyOptionalBoxesStoreNotGiven()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    f.type("txtVehicleReg", QStringLiteral("ZERO 0"));
    f.ok(); // Current Mileage left at 00000
    QVERIFY(f.env.messages.shown.isEmpty());
    QCOMPARE(f.box("txtEngineCapacity")->text(), QStringLiteral("0"));
    QCOMPARE(f.box("txtRegistrationDate")->text(), QString());
    QCOMPARE(f.box("txtPurchaseDate")->text(), QString());
    const VehicleRow stored = *f.env.state->LogDatabase->FindVehicle(QStringLiteral("ZERO 0"));
    QVERIFY(IsNoDate(stored.RegistrationDate));
    QVERIFY(IsNoDate(stored.PurchaseDate));
    QCOMPARE(stored.EngineCapacity, 0.0);
    QCOMPARE(stored.Make, QString());
    QCOMPARE(stored.Model, QString());
    QCOMPARE(stored.Fuel, QString());
    const QVector<MileageRow> readings =
        f.env.state->LogDatabase->MileageChronological(QStringLiteral("ZERO 0"));
    QCOMPARE(readings.size(), 1);
    QCOMPARE(readings[0].CurrentMileage, 0.0);
    QCOMPARE(readings[0].Amount, 0.0);
    QCOMPARE(readings[0].PricePer, 0.0);
    QCOMPARE(readings[0].Date, Day(2026, 6, 15));
}

void TestAddVehicle::datesStayAsTypedAfterAFailedCheck()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    f.type("txtVehicleReg", QStringLiteral("NEW 1"));
    f.type("txtPurchaseDate", QStringLiteral("not a date"));
    f.ok();
    QCOMPARE(f.env.messages.lastText(),
             QStringLiteral("The entry for 'Purchase Date' must be in date format"));
    QCOMPARE(f.box("txtRegistrationDate")->text(), QString());

    f.type("txtRegistrationDate", QStringLiteral("01/01/2001"));
    f.type("txtPurchaseDate", QStringLiteral("02/02/2002"));
    f.type("txtEngineCapacity", QStringLiteral("x"));
    f.ok();
    QCOMPARE(f.env.messages.lastText(),
             QStringLiteral("The entry for 'Engine Capacity' must be numeric"));
    QCOMPARE(f.box("txtRegistrationDate")->text(), QStringLiteral("01/01/2001"));
    QCOMPARE(f.box("txtPurchaseDate")->text(), QStringLiteral("02/02/2002"));

    f.box("txtRegistrationDate")->clear();
    f.type("txtEngineCapacity", QStringLiteral("998"));
    f.ok();
    QCOMPARE(f.env.messages.shown.size(), 2);
    const VehicleRow stored = *f.env.state->LogDatabase->FindVehicle(QStringLiteral("NEW 1"));
    QVERIFY(IsNoDate(stored.RegistrationDate));
    QCOMPARE(stored.PurchaseDate, Day(2002, 2, 2));
    QCOMPARE(stored.EngineCapacity, 998.0);
}

void TestAddVehicle::valueBeyondRangeGetsTheDialogsMessage()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    // A value no field can hold is no number: the dialog's own message, never the store's.
    QVERIFY(!IsNumericText(QStringLiteral("1e400")));
    f.type("txtVehicleReg", QStringLiteral("NEW 1"));
    f.type("txtEngineCapacity", QStringLiteral("1e400"));
    f.ok();
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown[0].text,
             QStringLiteral("The entry for 'Engine Capacity' must be numeric"));
    QCOMPARE(f.env.messages.shown[0].title, QStringLiteral("Entry Error"));
    QCOMPARE(f.env.messages.shown[0].icon, Messages::Icon::Exclamation);
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.vehicles(), 0);
    QVERIFY(f.env.state->LogDatabase->MileageChronological(QStringLiteral("NEW 1")).isEmpty());
    QCOMPARE(f.refreshes, 0);
}

void TestAddVehicle::storeFailureShowsTheKelmotBox_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<bool>("readsFail"); // else only the write fails
    for (const char* variant : Variants) {
        QTest::newRow((QByteArray(variant) + ": store closed").constData())
            << QString::fromLatin1(variant) << true;
        QTest::newRow((QByteArray(variant) + ": write refused").constData())
            << QString::fromLatin1(variant) << false;
    }
}

void TestAddVehicle::storeFailureShowsTheKelmotBox()
{
    QFETCH(QString, variant);
    QFETCH(bool, readsFail);
    Fixture f(variant);
    f.type("txtVehicleReg", QStringLiteral("NEW 1"));
    f.type("txtMake", QStringLiteral("Ford"));
    if (readsFail)
        f.env.state->LogDatabase->Close();
    else
        f.env.state->VehicleDetailsTable.reset(); // lookups work, the append cannot
    f.ok();
    QCOMPARE(f.env.messages.shown.size(), 1);
    QCOMPARE(f.env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QVERIFY(!f.env.messages.shown[0].text.isEmpty());
    QVERIFY(f.dialog->isVisible());
    QCOMPARE(f.box("txtVehicleReg")->text(), QStringLiteral("NEW 1"));
    QCOMPARE(f.box("txtMake")->text(), QStringLiteral("Ford"));
    QCOMPARE(f.refreshes, 0);
}

void TestAddVehicle::longTextsStoredWhole_data()
{
    variants_data();
}

void TestAddVehicle::longTextsStoredWhole()
{
    QFETCH(QString, variant);
    Fixture f(variant);
    const QString make(40000, u'M');
    f.type("txtVehicleReg", QStringLiteral("LONG 1"));
    f.box("txtMake")->setText(make);
    f.ok();
    QVERIFY2(f.env.messages.shown.isEmpty(), qPrintable(f.env.messages.lastText()));
    QCOMPARE(f.env.state->LogDatabase->FindVehicle(QStringLiteral("LONG 1"))->Make, make);
}

QTEST_MAIN(TestAddVehicle)
#include "tst_addvehicle.moc"
