#include "Artwork.h"
#include "SqliteDatabase.h"
#include "Startup.h"
#include "TestEnvironment.h"
#include "TextConversions.h"
#include "WindowTesting.h"
#include "frmMain.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <optional>

namespace {

VehicleRow vehicle(const QString& registration)
{
    VehicleRow v;
    v.Registration = registration;
    v.Make = QStringLiteral("Ford");
    v.Model = QStringLiteral("Focus");
    v.Fuel = QStringLiteral("Petrol");
    v.EngineCapacity = 1596;
    v.RegistrationDate = Day(2019, 3, 1);
    v.PurchaseDate = Day(2020, 4, 15);
    return v;
}

void store(SharedState& state, const VehicleRow& v, double reading = 1000)
{
    state.VehicleDetailsTable->AppendVehicle(
        v, MileageRow{v.Registration, Day(2026, 1, 10), reading, 0, 0});
}

QRect twips(int left, int top, int width, int height)
{
    return QRect((left + 7) / 15, (top + 7) / 15, (width + 7) / 15, (height + 7) / 15);
}

// The top-level widgets named name that are open.
int openWindows(const QString& name)
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            ++count;
    return count;
}

// Runs action on the modal dialog as soon as the event loop of its exec() runs.
void whenModal(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            qFatal("no modal dialog");
        action(dialog);
    });
}

// A temporary store and fakes; no splash at load.
struct Env : TestPlatform
{
    Env() { state->SplashMilliseconds = 0; }

    // The main window, loaded and shown as start-up does, after storing the vehicles.
    frmMain& loaded(std::initializer_list<VehicleRow> vehicles)
    {
        for (const VehicleRow& v : vehicles)
            store(*state, v);
        window.emplace(*state);
        window->Form_Load();
        window->show();
        return *window;
    }

    std::optional<frmMain> window; // closed before the store
};

const char* const DetailBoxes[] = {"txtRegistrationDate", "txtPurchaseDate", "txtMake", "txtModel",
                                   "txtEngineCapacity",   "txtFuel"};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PinTestEnvironment(); }

    void windowAndClientArea();
    void menusHaveTheirItemsWithoutKeys();
    void toolbarHasThreePictureButtons();
    void controlsStandWhereDocumented();
    void statisticsFrameHoldsItsLabels();
    void focusOrder();
    void captionsAreTheBoxesBuddies();
    void nothingMovesOnResize();

    void loadFillsTheListAscendingAndShowsTheFirst();
    void kilometreRewordsTheThreeCaptions();
    void notGivenValuesShowEmptyBoxes();
    void typingInAnyBoxShowsTheConfirmControls_data();
    void typingInAnyBoxShowsTheConfirmControls();
    void cancelChangesRestoresTheStoredValues();
    void pickingAnotherVehicleDiscardsTheChange();
    void confirmStoresTheSixBoxes();
    void confirmWithEmptiedBoxesStoresNotGiven();
    void confirmRefusesBadEntries_data();
    void confirmRefusesBadEntries();

    void emptyStoreCancelledEndsSilently();
    void emptyStoreFirstVehicleShowsInTheWindow();
    void addedVehicleJoinsTheListInOrder();
    void eachWindowOpensOnce();
    void toolbarButtonsOpenTheVehicleMenuWindows();
    void closingClosesEveryWindowThenTheStore();
    void unhandledFailureIsShownAndTheWindowGoesOn();
    void activationReportsAFailureOnce();
    void remindersDueAtStartBesideTheReadingAndDone();
};

void TestMainWindow::windowAndClientArea()
{
    Env env;
    frmMain window(*env.state);
    QCOMPARE(window.objectName(), QStringLiteral("frmMain"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Kelmot"));
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.centralWidget()->size(), QSize(774, 558));
    QVERIFY(!window.centralWidget()->autoFillBackground());
    window.close();
}

void TestMainWindow::menusHaveTheirItemsWithoutKeys()
{
    Env env;
    frmMain window(*env.state);
    // "-" stands for a separator. The data commands stand apart from the documented items.
    const QList<QPair<QString, QStringList>> expected = {
        {QStringLiteral("File"),
         {QStringLiteral("Import..."), QStringLiteral("Export..."), QStringLiteral("Back Up..."),
          QStringLiteral("Restore..."), QStringLiteral("-"), QStringLiteral("Exit")}},
        {QStringLiteral("Vehicle"),
         {QStringLiteral("Record Mileage"), QStringLiteral("Record Maintenance"),
          QStringLiteral("Add New Vehicle"), QStringLiteral("-"), QStringLiteral("History..."),
          QStringLiteral("Graphs..."), QStringLiteral("Reminders..."),
          QStringLiteral("Rename Vehicle..."), QStringLiteral("Remove Latest Reading..."),
          QStringLiteral("Remove Latest Maintenance Entry...")}},
        {QStringLiteral("Tools"), {QStringLiteral("Preferences")}},
        {QStringLiteral("Reports"), {QStringLiteral("Maintenance Report")}},
        {QStringLiteral("Help"), {QStringLiteral("Contents"), QStringLiteral("About")}},
    };
    const QList<QAction*> menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), expected.size());
    for (int m = 0; m < menus.size(); ++m) {
        QMenu* menu = menus[m]->menu();
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), expected[m].first);
        QCOMPARE(menu->title(), expected[m].first);
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), expected[m].second.size());
        for (int i = 0; i < items.size(); ++i) {
            const QString caption = expected[m].second[i];
            if (caption == u"-") {
                QVERIFY(items[i]->isSeparator());
                continue;
            }
            QVERIFY(!items[i]->isSeparator());
            QCOMPARE(items[i]->text(), caption);
            QString name = caption;
            name.remove(QStringLiteral("...")).replace(u' ', u'_');
            QCOMPARE(items[i]->objectName(), name);
            QVERIFY(items[i]->shortcut().isEmpty());
            QVERIFY(!items[i]->text().contains(u'&'));
        }
    }
}

void TestMainWindow::toolbarHasThreePictureButtons()
{
    Env env;
    frmMain window(*env.state);
    auto* toolbar = Child<QToolBar>(&window, "Toolbar1");
    QCOMPARE(toolbar->parentWidget(), window.centralWidget());
    QCOMPARE(toolbar->geometry(), QRect(0, 0, 774, 34));
    QCOMPARE(toolbar->iconSize(), QSize(24, 24));
    QCOMPARE(toolbar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    const QStringList tips = {QStringLiteral("Record Mileage"),
                              QStringLiteral("Record Maintenance"),
                              QStringLiteral("Add New Vehicle")};
    const QList<QAction*> buttons = toolbar->actions();
    QCOMPARE(buttons.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(buttons[i]->toolTip(), tips[i]);
        const QImage picture =
            buttons[i]->icon().pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(picture, ToolbarPicture(i).convertToFormat(QImage::Format_ARGB32));
    }
}

void TestMainWindow::controlsStandWhereDocumented()
{
    Env env;
    frmMain window(*env.state);
    QWidget* client = window.centralWidget();
    auto* list = Child<QComboBox>(&window, "cmbVehicleReg");
    QCOMPARE(list->parentWidget(), client);
    QVERIFY(!list->isEditable());
    QCOMPARE(list->pos(), QPoint(40, 40));
    QCOMPARE(list->width(), 201);

    auto* label1 = Child<QLabel>(&window, "Label1");
    QCOMPARE(label1->geometry(), twips(4200, 600, 1695, 375));
    QCOMPARE(label1->text(), QStringLiteral("Current Mileage"));
    QCOMPARE(label1->font().pointSizeF(), 9.75);

    auto* current = Child<QLabel>(&window, "lblCurrentMileage");
    QCOMPARE(current->parentWidget(), client);
    QCOMPARE(current->geometry(), twips(6000, 480, 1335, 495));
    QCOMPARE(current->text(), QStringLiteral("999999"));
    QVERIFY(current->font().bold());
    QCOMPARE(current->font().pointSize(), 18);
    QCOMPARE(current->font().family(), QStringLiteral("MS Sans Serif"));
    QVERIFY(current->alignment() & Qt::AlignRight);
    QCOMPARE(current->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    auto* details = Child<QGroupBox>(&window, "frameVehicleDetails");
    QCOMPARE(details->title(), QStringLiteral("Vehicle Details"));
    QCOMPARE(details->geometry(), twips(480, 1200, 5175, 2655));
    auto* stats = Child<QGroupBox>(&window, "frmMileageStats");
    QCOMPARE(stats->title(), QStringLiteral("Vehicle Statistics"));
    QCOMPARE(stats->geometry(), twips(5880, 1200, 5175, 2655));

    const struct
    {
        const char* caption;
        const char* text;
        const char* box;
        int captionLeft, boxLeft, top;
    } rows[] = {
        {"lblRegistrationDate", "Registration Date", "txtRegistrationDate", 120, 1320, 360},
        {"lblPurchaseDate", "Purchase Date", "txtPurchaseDate", 120, 1320, 960},
        {"lblMake", "Make", "txtMake", 120, 1320, 1440},
        {"lblModel", "Model", "txtModel", 120, 1320, 1920},
        {"lblEngineCapacity", "Engine Capacity", "txtEngineCapacity", 2880, 3840, 360},
        {"lblFuel", "Fuel Type", "txtFuel", 2880, 3840, 840},
    };
    for (const auto& row : rows) {
        auto* caption = Child<QLabel>(details, row.caption);
        auto* box = Child<QLineEdit>(details, row.box);
        QCOMPARE(caption->text(), QString::fromLatin1(row.text));
        QCOMPARE(caption->pos(), twips(row.captionLeft, row.top, 0, 0).topLeft());
        QCOMPARE(box->geometry(), twips(row.boxLeft, row.top, 1095, 285));
    }
    auto* confirmLabel = Child<QLabel>(details, "lblConfirmChanges");
    QCOMPARE(confirmLabel->text(), QStringLiteral("Confirm Changes to Vehicle Details?"));
    QCOMPARE(confirmLabel->pos(), twips(2880, 1320, 0, 0).topLeft());
    QCOMPARE(confirmLabel->width(), 145);
    auto* confirm = Child<QPushButton>(details, "cmdConfirm");
    auto* cancel = Child<QPushButton>(details, "cmdCancel");
    QCOMPARE(confirm->text(), QStringLiteral("Confirm Changes"));
    QCOMPARE(cancel->text(), QStringLiteral("Cancel Changes"));
    QCOMPARE(confirm->size(), twips(0, 0, 855, 495).size());
    QCOMPARE(cancel->size(), confirm->size());
    QCOMPARE(confirm->y(), twips(0, 1800, 0, 0).y());
    QCOMPARE(cancel->y(), confirm->y());
    QVERIFY(cancel->x() >= confirm->x() + confirm->width());
}

void TestMainWindow::statisticsFrameHoldsItsLabels()
{
    Env env;
    frmMain window(*env.state);
    auto* stats = Child<QGroupBox>(&window, "frmMileageStats");
    QCOMPARE(Child<QLabel>(stats, "lblToDate")->geometry(), twips(1920, 240, 855, 255));
    QCOMPARE(Child<QLabel>(stats, "lblToDate")->text(), QStringLiteral("To Date"));
    QCOMPARE(Child<QLabel>(stats, "lblCurrentYear")->geometry(), twips(3360, 240, 1095, 255));
    QCOMPARE(Child<QLabel>(stats, "lblCurrentYear")->text(), QStringLiteral("Current Year"));
    const struct
    {
        int top;
        const char *caption, *text, *toDate, *year;
    } rows[] = {
        {600, "lblMilesL", "Miles Travelled", "lblMiles", "lblMilesDate"},
        {840, "lblMilesPeGallon", "Miles Per Gallon", "lblMilesPerGallonTD", "lblMilesPerGallonYR"},
        {1080, "lblMilesPeLitre", "Miles Per Litre", "lblMilesPerLitreTD", "lblMilesPerLitreYR"},
        {1440, "lblCostPerL", "Cost Per Mile", "lblCostPer", "lblCostPerDate"},
        {1680, "lblCostPerincL", "(inc. Maint.)", "lblCostPerinc", "lblCostPerincDate"},
        {2040, "lblTotalCostL", "Total Cost", "lblCost", "lblCostDate"},
        {2280, "lblTotalCostincL", "(inc. Maint.)", "lblCostinc", "lblCostincDate"},
    };
    for (const auto& row : rows) {
        auto* caption = Child<QLabel>(stats, row.caption);
        QCOMPARE(caption->text(), QString::fromLatin1(row.text));
        QCOMPARE(caption->pos(), twips(120, row.top, 0, 0).topLeft());
        for (const auto& [name, left] : {std::pair{row.toDate, 1920}, std::pair{row.year, 3600}}) {
            auto* value = Child<QLabel>(stats, name);
            QCOMPARE(value->geometry(), twips(left, row.top, 855, 255));
            QCOMPARE(value->text(), QStringLiteral("Label2"));
            QVERIFY(value->alignment() & Qt::AlignRight);
        }
    }
    for (const char* inc : {"lblCostPerincL", "lblTotalCostincL"}) {
        QCOMPARE(Child<QLabel>(stats, inc)->width(), twips(0, 0, 1095, 0).width());
        QVERIFY(Child<QLabel>(stats, inc)->alignment() & Qt::AlignRight);
    }
}

void TestMainWindow::focusOrder()
{
    Env env;
    frmMain window(*env.state);
    // The confirm buttons are hidden until a box changes: show them for the walk.
    window.ShowConfirmChanges(true);
    QStringList order;
    QWidget* start = Child<QWidget>(&window, "cmbVehicleReg");
    QWidget* w = start;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start);
    QCOMPARE(order,
             QStringList({"cmbVehicleReg", "txtRegistrationDate", "txtPurchaseDate", "txtMake",
                          "txtModel", "txtEngineCapacity", "txtFuel", "cmdConfirm", "cmdCancel"}));
    for (QLabel* label : window.findChildren<QLabel*>())
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
}

void TestMainWindow::captionsAreTheBoxesBuddies()
{
    Env env;
    frmMain window(*env.state);
    const QList<QPair<const char*, const char*>> pairs = {
        {"lblRegistrationDate", "txtRegistrationDate"},
        {"lblPurchaseDate", "txtPurchaseDate"},
        {"lblMake", "txtMake"},
        {"lblModel", "txtModel"},
        {"lblEngineCapacity", "txtEngineCapacity"},
        {"lblFuel", "txtFuel"}};
    for (const auto& [label, box] : pairs) {
        auto* caption = Child<QLabel>(&window, label);
        QCOMPARE(caption->buddy(), Child<QWidget>(&window, box));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(caption->buddy());
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name), caption->text());
    }
    QAccessibleInterface* list =
        QAccessible::queryAccessibleInterface(Child<QWidget>(&window, "cmbVehicleReg"));
    QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Vehicle Registration"));
}

void TestMainWindow::nothingMovesOnResize()
{
    Env env;
    frmMain& window = env.loaded({vehicle(QStringLiteral("AB12 CDE"))});
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QMap<QString, QRect> before;
    for (QWidget* w : window.centralWidget()->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_"))
            before[w->objectName()] = w->geometry();
    window.resize(1000, 760);
    QTRY_COMPARE(window.centralWidget()->width(), 1000);
    window.resize(500, 300);
    QTRY_COMPARE(window.centralWidget()->width(), 500);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key() == QStringLiteral("Toolbar1"))
            continue; // the toolbar spans the client area's width
        QCOMPARE(Child<QWidget>(&window, qPrintable(it.key()))->geometry(), it.value());
    }
    QCOMPARE(Child<QWidget>(&window, "Toolbar1")->geometry(), QRect(0, 0, 500, 34));
    window.close();
}

void TestMainWindow::loadFillsTheListAscendingAndShowsTheFirst()
{
    Env env;
    store(*env.state, vehicle(QStringLiteral("M3 MMM")));
    VehicleRow first = vehicle(QStringLiteral("C1 CCC"));
    first.Make = QStringLiteral("Austin");
    first.EngineCapacity = 998.5;
    store(*env.state, first);
    store(*env.state, vehicle(QStringLiteral("X7 XXX")));
    frmMain window(*env.state);
    window.Form_Load();

    auto* list = Child<QComboBox>(&window, "cmbVehicleReg");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(0), QStringLiteral("C1 CCC"));
    QCOMPARE(list->itemText(1), QStringLiteral("M3 MMM"));
    QCOMPARE(list->itemText(2), QStringLiteral("X7 XXX"));
    QCOMPARE(list->currentText(), QStringLiteral("C1 CCC"));
    QCOMPARE(env.state->CurrentRegistration, QStringLiteral("C1 CCC"));
    QVERIFY(!env.state->FirstRunCancelled);
    QCOMPARE(Child<QLineEdit>(&window, "txtMake")->text(), QStringLiteral("Austin"));
    QCOMPARE(Child<QLineEdit>(&window, "txtModel")->text(), QStringLiteral("Focus"));
    QCOMPARE(Child<QLineEdit>(&window, "txtFuel")->text(), QStringLiteral("Petrol"));
    QCOMPARE(Child<QLineEdit>(&window, "txtEngineCapacity")->text(), QStringLiteral("998.5"));
    QCOMPARE(Child<QLineEdit>(&window, "txtRegistrationDate")->text(),
             QStringLiteral("01/03/2019"));
    QCOMPARE(Child<QLineEdit>(&window, "txtPurchaseDate")->text(), QStringLiteral("15/04/2020"));
    for (const char* name : {"lblConfirmChanges", "cmdConfirm", "cmdCancel"})
        QVERIFY(Child<QWidget>(&window, name)->isHidden());
    QCOMPARE(Child<QLabel>(&window, "lblMilesL")->text(), QStringLiteral("Miles Travelled"));
    QCOMPARE(Child<QLabel>(&window, "lblCostPerL")->text(), QStringLiteral("Cost per Mile"));
    QCOMPARE(Child<QLabel>(&window, "Label1")->text(), QStringLiteral("Current Miles"));
    QVERIFY(env.messages.shown.isEmpty());
}

void TestMainWindow::kilometreRewordsTheThreeCaptions()
{
    Env env;
    store(*env.state, vehicle(QStringLiteral("AB12 CDE")));
    env.state->DistanceUnit = QStringLiteral("Kilometre");
    frmMain window(*env.state);
    window.Form_Load();
    QCOMPARE(Child<QLabel>(&window, "lblMilesL")->text(), QStringLiteral("Kilometres Travelled"));
    QCOMPARE(Child<QLabel>(&window, "lblCostPerL")->text(), QStringLiteral("Cost per Kilometre"));
    QCOMPARE(Child<QLabel>(&window, "Label1")->text(), QStringLiteral("Current Kilometres"));
    QCOMPARE(Child<QLabel>(&window, "lblMilesPeGallon")->text(),
             QStringLiteral("Miles Per Gallon"));
    QCOMPARE(Child<QLabel>(&window, "lblMilesPeLitre")->text(), QStringLiteral("Miles Per Litre"));
}

namespace {

VehicleRow notGiven()
{
    VehicleRow v = vehicle(QStringLiteral("ND01 NOT"));
    v.RegistrationDate = NoDate();
    v.PurchaseDate = NoDate();
    v.EngineCapacity = 0;
    return v;
}

bool confirmShown(QWidget* window)
{
    const bool label = !Child<QWidget>(window, "lblConfirmChanges")->isHidden();
    const bool confirm = !Child<QWidget>(window, "cmdConfirm")->isHidden();
    const bool cancel = !Child<QWidget>(window, "cmdCancel")->isHidden();
    if (label != confirm || confirm != cancel)
        qFatal("the confirm controls are not shown together");
    return label;
}

} // namespace

void TestMainWindow::notGivenValuesShowEmptyBoxes()
{
    Env env;
    store(*env.state, notGiven());
    frmMain window(*env.state);
    window.Form_Load();
    QCOMPARE(Child<QLineEdit>(&window, "txtRegistrationDate")->text(), QString());
    QCOMPARE(Child<QLineEdit>(&window, "txtPurchaseDate")->text(), QString());
    QCOMPARE(Child<QLineEdit>(&window, "txtEngineCapacity")->text(), QString());
    QCOMPARE(Child<QLineEdit>(&window, "txtMake")->text(), QStringLiteral("Ford"));
    QVERIFY(!confirmShown(&window));
}

void TestMainWindow::typingInAnyBoxShowsTheConfirmControls_data()
{
    QTest::addColumn<QString>("box");
    for (const char* name : DetailBoxes)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestMainWindow::typingInAnyBoxShowsTheConfirmControls()
{
    QFETCH(QString, box);
    Env env;
    frmMain& window = env.loaded({notGiven()});
    QVERIFY(!confirmShown(&window));
    QTest::keyClicks(Child<QLineEdit>(&window, qPrintable(box)), QStringLiteral("9"));
    QVERIFY(confirmShown(&window));
    window.close();
}

void TestMainWindow::cancelChangesRestoresTheStoredValues()
{
    Env env;
    frmMain& window = env.loaded({notGiven()});
    auto* make = Child<QLineEdit>(&window, "txtMake");
    auto* capacity = Child<QLineEdit>(&window, "txtEngineCapacity");
    make->selectAll();
    QTest::keyClicks(make, QStringLiteral("Vauxhall"));
    QTest::keyClicks(capacity, QStringLiteral("1200"));
    QTest::keyClicks(Child<QLineEdit>(&window, "txtPurchaseDate"), QStringLiteral("01/01/2020"));
    QVERIFY(confirmShown(&window));
    QTest::mouseClick(Child<QPushButton>(&window, "cmdCancel"), Qt::LeftButton);
    QCOMPARE(make->text(), QStringLiteral("Ford"));
    QCOMPARE(capacity->text(), QString());
    QCOMPARE(Child<QLineEdit>(&window, "txtPurchaseDate")->text(), QString());
    QVERIFY(!confirmShown(&window));
    QCOMPARE(env.state->LogDatabase->FindVehicle(QStringLiteral("ND01 NOT"))->Make,
             QStringLiteral("Ford"));
    QVERIFY(env.messages.shown.isEmpty());
    window.close();
}

void TestMainWindow::pickingAnotherVehicleDiscardsTheChange()
{
    Env env;
    store(*env.state, vehicle(QStringLiteral("A1 AAA")));
    VehicleRow second = vehicle(QStringLiteral("B2 BBB"));
    second.Make = QStringLiteral("Rover");
    store(*env.state, second);
    frmMain window(*env.state);
    window.Form_Load();
    window.show();
    auto* make = Child<QLineEdit>(&window, "txtMake");
    make->selectAll();
    QTest::keyClicks(make, QStringLiteral("Changed"));
    QVERIFY(confirmShown(&window));
    auto* list = Child<QComboBox>(&window, "cmbVehicleReg");
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentText(), QStringLiteral("B2 BBB"));
    QCOMPARE(env.state->CurrentRegistration, QStringLiteral("B2 BBB"));
    QCOMPARE(make->text(), QStringLiteral("Rover"));
    QVERIFY(!confirmShown(&window));
    QCOMPARE(env.state->LogDatabase->FindVehicle(QStringLiteral("A1 AAA"))->Make,
             QStringLiteral("Ford"));
    window.close();
}

void TestMainWindow::confirmStoresTheSixBoxes()
{
    Env env;
    frmMain& window = env.loaded({notGiven()});
    const auto type = [&](const char* name, const QString& text) {
        auto* box = Child<QLineEdit>(&window, name);
        box->selectAll();
        QTest::keyClicks(box, text);
    };
    type("txtRegistrationDate", QStringLiteral("2/3/2031"));
    type("txtPurchaseDate", QStringLiteral("03/04/2021 10:30"));
    type("txtMake", QStringLiteral("Vauxhall"));
    type("txtModel", QString());
    Child<QLineEdit>(&window, "txtModel")->clear();
    type("txtEngineCapacity", QStringLiteral("-1,400.5"));
    type("txtFuel", QStringLiteral("Diesel"));
    QTest::mouseClick(Child<QPushButton>(&window, "cmdConfirm"), Qt::LeftButton);
    QVERIFY2(env.messages.shown.isEmpty(), qPrintable(env.messages.lastText()));
    QVERIFY(!confirmShown(&window));
    const VehicleRow stored = *env.state->LogDatabase->FindVehicle(QStringLiteral("ND01 NOT"));
    // A future date and a negative capacity are accepted here, unlike in Add New Vehicle.
    QCOMPARE(stored.RegistrationDate, Day(2031, 3, 2));
    QCOMPARE(stored.PurchaseDate, QDateTime(QDate(2021, 4, 3), QTime(10, 30), Qt::UTC));
    QCOMPARE(stored.Make, QStringLiteral("Vauxhall"));
    QCOMPARE(stored.Model, QString());
    QCOMPARE(stored.EngineCapacity, -1400.5);
    QCOMPARE(stored.Fuel, QStringLiteral("Diesel"));
    QCOMPARE(stored.Registration, QStringLiteral("ND01 NOT"));
    window.close();
}

void TestMainWindow::confirmWithEmptiedBoxesStoresNotGiven()
{
    Env env;
    frmMain& window = env.loaded({vehicle(QStringLiteral("AB12 CDE"))});
    for (const char* name : {"txtRegistrationDate", "txtPurchaseDate", "txtEngineCapacity"}) {
        auto* box = Child<QLineEdit>(&window, name);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->text(), QString());
    }
    QTest::mouseClick(Child<QPushButton>(&window, "cmdConfirm"), Qt::LeftButton);
    QVERIFY(env.messages.shown.isEmpty());
    QVERIFY(!confirmShown(&window));
    const VehicleRow stored = *env.state->LogDatabase->FindVehicle(QStringLiteral("AB12 CDE"));
    QVERIFY(IsNoDate(stored.RegistrationDate));
    QVERIFY(IsNoDate(stored.PurchaseDate));
    QCOMPARE(stored.EngineCapacity, 0.0);
    // Shown again, the stored values read back as the same empty boxes.
    window.cmdCancel_Click();
    for (const char* name : {"txtRegistrationDate", "txtPurchaseDate", "txtEngineCapacity"})
        QCOMPARE(Child<QLineEdit>(&window, name)->text(), QString());
    window.close();
}

void TestMainWindow::confirmRefusesBadEntries_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("registration date 31/02/2001")
        << "txtRegistrationDate"
        << "31/02/2001"
        << "The entry for 'Registration Date' must be in date format";
    QTest::newRow("purchase date 31/02/2001")
        << "txtPurchaseDate"
        << "31/02/2001"
        << "The entry for 'Purchase Date' must be in date format";
    QTest::newRow("engine capacity x") << "txtEngineCapacity"
                                       << "x"
                                       << "The entry for 'Engine Capacity' must be numeric";
}

void TestMainWindow::confirmRefusesBadEntries()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Env env;
    frmMain& window = env.loaded({vehicle(QStringLiteral("AB12 CDE"))});
    auto* make = Child<QLineEdit>(&window, "txtMake");
    make->selectAll();
    QTest::keyClicks(make, QStringLiteral("Changed"));
    auto* bad = Child<QLineEdit>(&window, qPrintable(box));
    bad->selectAll();
    QTest::keyClicks(bad, text);
    QTest::mouseClick(Child<QPushButton>(&window, "cmdConfirm"), Qt::LeftButton);
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown[0].text, message);
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Entry Error"));
    QCOMPARE(env.messages.shown[0].icon, Messages::Icon::Exclamation);
    // Nothing of the change is stored; the typed text stays and the controls stay shown.
    const VehicleRow stored = *env.state->LogDatabase->FindVehicle(QStringLiteral("AB12 CDE"));
    QCOMPARE(stored.Make, QStringLiteral("Ford"));
    QCOMPARE(stored.RegistrationDate, Day(2019, 3, 1));
    QCOMPARE(stored.PurchaseDate, Day(2020, 4, 15));
    QCOMPARE(stored.EngineCapacity, 1596.0);
    QCOMPARE(bad->text(), text);
    QCOMPARE(make->text(), QStringLiteral("Changed"));
    QVERIFY(confirmShown(&window));
    window.close();
}

void TestMainWindow::emptyStoreCancelledEndsSilently()
{
    Env env;
    env.state->CloseStore();
    QString shownTitle;
    whenModal([&](QWidget* dialog) {
        shownTitle = dialog->objectName();
        QTest::mouseClick(Child<QPushButton>(dialog, "CancelButton"), Qt::LeftButton);
    });
    const StartupResult result = Main(*env.state);
    QCOMPARE(shownTitle, QStringLiteral("dlgAddVehicleFIRST"));
    QVERIFY(!result.window);
    QCOMPARE(result.failureCode, WindowUnloadedCode);
    QVERIFY(env.state->FirstRunCancelled);
    QVERIFY(env.messages.shown.isEmpty());
    QVERIFY(!env.state->StoreOpen());
    FlushDeletes();
    QCOMPARE(openWindows(QStringLiteral("frmMain")), 0);
    QCOMPARE(openWindows(QStringLiteral("dlgAddVehicleFIRST")), 0);
}

void TestMainWindow::emptyStoreFirstVehicleShowsInTheWindow()
{
    Env env;
    env.state->CloseStore();
    whenModal([&](QWidget* dialog) {
        QCOMPARE(dialog->objectName(), QStringLiteral("dlgAddVehicleFIRST"));
        QTest::keyClicks(Child<QLineEdit>(dialog, "txtVehicleReg"), QStringLiteral("FR57 RUN"));
        QTest::keyClicks(Child<QLineEdit>(dialog, "txtMake"), QStringLiteral("Skoda"));
        QTest::mouseClick(Child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
    });
    const StartupResult result = Main(*env.state);
    QVERIFY(result.window);
    QVERIFY(result.window->isVisible());
    QVERIFY(!env.state->FirstRunCancelled);
    QVERIFY(env.messages.shown.isEmpty());
    auto* list = Child<QComboBox>(result.window.get(), "cmbVehicleReg");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->currentText(), QStringLiteral("FR57 RUN"));
    QCOMPARE(Child<QLineEdit>(result.window.get(), "txtMake")->text(), QStringLiteral("Skoda"));
    QVERIFY(!confirmShown(result.window.get()));
    result.window->close();
    QVERIFY(!env.state->StoreOpen());
}

void TestMainWindow::addedVehicleJoinsTheListInOrder()
{
    Env env;
    frmMain& window =
        env.loaded({vehicle(QStringLiteral("BB22 BBB")), vehicle(QStringLiteral("DD44 DDD"))});
    auto* list = Child<QComboBox>(&window, "cmbVehicleReg");
    list->setCurrentIndex(1);
    window.cmbVehicleReg_Click();
    QCOMPARE(env.state->CurrentRegistration, QStringLiteral("DD44 DDD"));

    const auto add = [&](const QString& registration, const QString& make) {
        window.Add_New_Vehicle_Click();
        QWidget* dialog = Child<QWidget>(&window, "dlgAddVehicle");
        QTest::keyClicks(Child<QLineEdit>(dialog, "txtVehicleReg"), registration);
        QTest::keyClicks(Child<QLineEdit>(dialog, "txtMake"), make);
        QTest::mouseClick(Child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        FlushDeletes();
    };
    add(QStringLiteral("ZZ99 ZZZ"), QStringLiteral("Zastava"));
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(2), QStringLiteral("ZZ99 ZZZ"));
    QCOMPARE(list->currentText(), QStringLiteral("BB22 BBB"));
    QCOMPARE(env.state->CurrentRegistration, QStringLiteral("BB22 BBB"));
    QCOMPARE(Child<QLineEdit>(&window, "txtMake")->text(), QStringLiteral("Ford"));

    add(QStringLiteral("CC33 CCC"), QStringLiteral("Citroen"));
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    QCOMPARE(items, QStringList({"BB22 BBB", "CC33 CCC", "DD44 DDD", "ZZ99 ZZZ"}));
    QCOMPARE(list->currentText(), QStringLiteral("BB22 BBB"));

    add(QStringLiteral("AA11 AAA"), QStringLiteral("Alfa"));
    QCOMPARE(list->count(), 5);
    QCOMPARE(list->currentText(), QStringLiteral("AA11 AAA"));
    QCOMPARE(Child<QLineEdit>(&window, "txtMake")->text(), QStringLiteral("Alfa"));
    QVERIFY(!confirmShown(&window));
    QVERIFY(env.messages.shown.isEmpty());
    window.close();
}

void TestMainWindow::eachWindowOpensOnce()
{
    Env env;
    frmMain& window = env.loaded({vehicle(QStringLiteral("AB12 CDE"))});
    for (const auto& [item, name] :
         {std::pair{"Record_Mileage", "dlgEnterMileage"},
          std::pair{"Record_Maintenance", "dlgEnterMaintenance"},
          std::pair{"Add_New_Vehicle", "dlgAddVehicle"}, std::pair{"Reminders", "dlgReminders"}}) {
        QAction* action = Child<QAction>(&window, item);
        action->trigger();
        QCOMPARE(openWindows(QString::fromLatin1(name)), 1);
        QWidget* first = Child<QWidget>(&window, name);
        // A typed field survives the second opening: the open window is raised unchanged.
        auto* box = first->findChild<QLineEdit*>();
        QVERIFY(box);
        box->setText(QStringLiteral("typed"));
        action->trigger();
        QCOMPARE(openWindows(QString::fromLatin1(name)), 1);
        QCOMPARE(Child<QWidget>(&window, name), first);
        QCOMPARE(box->text(), QStringLiteral("typed"));
        // Closed, it loads afresh next time.
        first->close();
        FlushDeletes();
        action->trigger();
        QCOMPARE(openWindows(QString::fromLatin1(name)), 1);
        QVERIFY(Child<QWidget>(&window, name)->findChild<QLineEdit*>()->text() !=
                QStringLiteral("typed"));
    }
    window.close();
}

void TestMainWindow::toolbarButtonsOpenTheVehicleMenuWindows()
{
    Env env;
    frmMain& window = env.loaded({vehicle(QStringLiteral("AB12 CDE"))});
    auto* toolbar = Child<QToolBar>(&window, "Toolbar1");
    const char* names[] = {"dlgEnterMileage", "dlgEnterMaintenance", "dlgAddVehicle"};
    for (int i = 0; i < 3; ++i) {
        QToolButton* button =
            qobject_cast<QToolButton*>(toolbar->widgetForAction(toolbar->actions()[i]));
        QVERIFY(button);
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(openWindows(QString::fromLatin1(names[i])), 1);
        // The menu item opens the same window, not a second one.
        Child<QAction>(&window, i == 0   ? "Record_Mileage"
                                : i == 1 ? "Record_Maintenance"
                                         : "Add_New_Vehicle")
            ->trigger();
        QCOMPARE(openWindows(QString::fromLatin1(names[i])), 1);
    }
    // Any other position does nothing.
    const int before = QApplication::topLevelWidgets().size();
    window.Toolbar1_ButtonClick(0);
    window.Toolbar1_ButtonClick(4);
    QCOMPARE(QApplication::topLevelWidgets().size(), before);
    QVERIFY(env.messages.shown.isEmpty());
    window.close();
}

void TestMainWindow::closingClosesEveryWindowThenTheStore()
{
    Env env;
    frmMain& window = env.loaded({vehicle(QStringLiteral("AB12 CDE"))});
    for (const char* item : {"Record_Mileage", "Record_Maintenance", "Add_New_Vehicle"})
        Child<QAction>(&window, item)->trigger();
    QPointer<QWidget> add = Child<QWidget>(&window, "dlgAddVehicle");
    QVERIFY(add->isVisible());
    Child<QAction>(&window, "Exit")->trigger();
    QVERIFY(!window.isVisible());
    QVERIFY(!env.state->StoreOpen());
    for (const char* name : {"dlgEnterMileage", "dlgEnterMaintenance", "dlgAddVehicle"})
        QCOMPARE(openWindows(QString::fromLatin1(name)), 0);
    FlushDeletes();
    QVERIFY(!add);
    QVERIFY(env.messages.shown.isEmpty());
}

void TestMainWindow::unhandledFailureIsShownAndTheWindowGoesOn()
{
    Env env;
    frmMain& window = env.loaded({vehicle(QStringLiteral("AB12 CDE"))});
    env.state->LogDatabase->Close(); // every later store operation fails
    QTest::keyClicks(Child<QLineEdit>(&window, "txtMake"), QStringLiteral("x"));
    QTest::mouseClick(Child<QPushButton>(&window, "cmdCancel"), Qt::LeftButton);
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Kelmot"));
    QVERIFY(!env.messages.shown[0].text.isEmpty());
    QVERIFY(window.isVisible());
    QTest::mouseClick(Child<QPushButton>(&window, "cmdConfirm"), Qt::LeftButton);
    QCOMPARE(env.messages.shown.size(), 2);
    QCOMPARE(env.messages.shown[1].title, QStringLiteral("Kelmot"));
    window.close();
}

namespace {

// Renames the readings table behind the program's back, so that reading it fails.
void renameReadings(const QString& path, const char* from, const char* to)
{
    SqliteDatabase db(path, SqliteDatabase::Mode::ReadWrite, 1000);
    db.execute(QStringLiteral("ALTER TABLE \"%1\" RENAME TO \"%2\"")
                   .arg(QLatin1String(from), QLatin1String(to))
                   .toUtf8()
                   .constData());
}

} // namespace

// Closing the box of a failed drawing activates the window again; the failure is not reported
// in a loop, but once more after a drawing has succeeded in between.
void TestMainWindow::activationReportsAFailureOnce()
{
    Env env;
    frmMain& window = env.loaded({vehicle(QStringLiteral("AB12 CDE"))});
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(env.messages.shown.isEmpty());
    const auto activate = [&] {
        QEvent event(QEvent::ActivationChange);
        QCoreApplication::sendEvent(&window, &event);
    };
    renameReadings(env.storePath(), "Mileage", "Gone");
    activate();
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.shown[0].title, QStringLiteral("Kelmot"));
    activate();
    activate();
    QCOMPARE(env.messages.shown.size(), 1);
    renameReadings(env.storePath(), "Gone", "Mileage");
    activate();
    QCOMPARE(env.messages.shown.size(), 1);
    renameReadings(env.storePath(), "Mileage", "Gone");
    activate();
    QCOMPARE(env.messages.shown.size(), 2);
    // Resizing is no loop: each failure is reported.
    window.resize(800, 600);
    QCOMPARE(env.messages.shown.size(), 3);
    renameReadings(env.storePath(), "Gone", "Mileage");
    window.close();
}

void TestMainWindow::remindersDueAtStartBesideTheReadingAndDone()
{
    Env env;
    VehicleLog& log = *env.state->LogDatabase;
    store(*env.state, vehicle(QStringLiteral("AB12 CDE")));
    store(*env.state, vehicle(QStringLiteral("ZZ99 ZZZ")));
    log.AddReminder(ReminderRow{"AB12 CDE", "MOT", CostCategory::Tax, Day(2026, 6, 1)});
    log.AddReminder(ReminderRow{"ZZ99 ZZZ", "Tyres", CostCategory::Tyres, {}, 1400});
    log.AddReminder(ReminderRow{"ZZ99 ZZZ", "Belt", CostCategory::Service, Day(2027, 1, 1)});
    frmMain& window = env.loaded({});
    QCOMPARE(env.messages.shown.size(), 1);
    QCOMPARE(env.messages.lastText(), QStringLiteral("Reminders overdue or due soon:\n\n"
                                                     "AB12 CDE: Overdue: MOT.\n"
                                                     "ZZ99 ZZZ: Due soon: Tyres."));
    auto* summary = Child<QLabel>(&window, "lblReminders");
    QCOMPARE(summary->text(), QStringLiteral("Overdue: MOT."));

    Child<QAction>(&window, "Reminders")->trigger();
    auto* reminders = Child<QWidget>(&window, "dlgReminders");
    auto* list = Child<QTableWidget>(reminders, "tblReminders");
    QCOMPARE(list->item(0, 1)->text(), QStringLiteral("01/06/2026"));
    QCOMPARE(list->item(0, 2)->text(), QStringLiteral("Overdue"));
    // Done without a cost is refused; with one it records the work and the summary follows.
    list->selectRow(0);
    QTest::mouseClick(Child<QPushButton>(reminders, "cmdDone"), Qt::LeftButton);
    QCOMPARE(env.messages.lastText(),
             QStringLiteral("The entry for 'Amount' must be a positive Value"));
    Child<QLineEdit>(reminders, "txtDoneCost")->setText(QStringLiteral("54.85"));
    QTest::mouseClick(Child<QPushButton>(reminders, "cmdDone"), Qt::LeftButton);
    QCOMPARE(log.MaintenanceEntries(QStringLiteral("AB12 CDE")).size(), 1);
    QCOMPARE(list->rowCount(), 0);
    QCOMPARE(summary->text(), QString());

    // It follows the vehicle shown, and adds from its boxes.
    window.findChild<QComboBox*>(QStringLiteral("cmbVehicleReg"))->setCurrentIndex(1);
    window.cmbVehicleReg_Click();
    QCOMPARE(summary->text(), QStringLiteral("Due soon: Tyres."));
    QCOMPARE(list->item(0, 1)->text(), QStringLiteral("1400 Miles"));
    Child<QLineEdit>(reminders, "txtTitle")->setText(QStringLiteral("Wipers"));
    Child<QLineEdit>(reminders, "txtDueDate")->setText(QStringLiteral("20/06/2026"));
    QTest::mouseClick(Child<QPushButton>(reminders, "cmdAdd"), Qt::LeftButton);
    QCOMPARE(summary->text(), QStringLiteral("Due soon: Tyres, Wipers."));
    window.close();
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
