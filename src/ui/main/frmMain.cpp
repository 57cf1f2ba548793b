#include "frmMain.h"

#include "Artwork.h"
#include "TextConversions.h"
#include "UnitWording.h"
#include "WindowSupport.h"
#include "dlgAddVehicle.h"
#include "dlgAddVehicleFIRST.h"
#include "dlgReminders.h"
#include "frmGraphs.h"
#include "frmHistory.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace {

// "MS Sans Serif" is a Windows face: elsewhere take its metric neighbours rather than whatever
// wide face the font configuration falls back to.
void SubstituteWindowsFaces()
{
    if (QFont::substitutes(QStringLiteral("MS Sans Serif")).isEmpty())
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Microsoft Sans Serif"),
                                    QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
}

} // namespace

frmMain::frmMain(SharedState& state, QWidget* parent)
    : QMainWindow(parent), state_(state), ui(new Ui::frmMain)
{
    SubstituteWindowsFaces();
    ui->setupUi(this);
    setWindowIcon(ProgramIcon());
    ShowTextsLiterally(this);

    QFont captionFont(QStringLiteral("MS Sans Serif"));
    captionFont.setPointSizeF(9.75);
    ui->Label1->setFont(captionFont);

    const QList<QAction*> buttons = ui->Toolbar1->actions();
    for (int i = 0; i < buttons.size(); ++i)
        buttons[i]->setIcon(QIcon(QPixmap::fromImage(ToolbarPicture(i))));

    // The client area is the central widget; the menu bar stands above it.
    resize(774, 558 + menuBar()->sizeHint().height());
    ConnectEvents();
}

frmMain::~frmMain()
{
    delete ui;
}

void frmMain::Handle(void (frmMain::*handler)())
{
    Guarded(state_.platform.messages, [this, handler] { (this->*handler)(); });
}

void frmMain::ConnectEvents()
{
    const auto on = [this](QAction* action, void (frmMain::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { Handle(handler); });
    };
    on(ui->Exit, &frmMain::Exit_Click);
    on(ui->Record_Mileage, &frmMain::Record_Mileage_Click);
    on(ui->Record_Maintenance, &frmMain::Record_Maintenance_Click);
    on(ui->Add_New_Vehicle, &frmMain::Add_New_Vehicle_Click);
    on(ui->Preferences, &frmMain::Preferences_Click);
    on(ui->Maintenance_Report, &frmMain::Maintenance_Report_Click);
    on(ui->Contents, &frmMain::Contents_Click);
    on(ui->About, &frmMain::About_Click);
    on(ui->Import, &frmMain::Import_Click);
    on(ui->Export, &frmMain::Export_Click);
    on(ui->Back_Up, &frmMain::Back_Up_Click);
    on(ui->Restore, &frmMain::Restore_Click);
    on(ui->History, &frmMain::History_Click);
    on(ui->Graphs, &frmMain::Graphs_Click);
    on(ui->Rename_Vehicle, &frmMain::Rename_Vehicle_Click);
    on(ui->Reminders, &frmMain::Reminders_Click);
    on(ui->Remove_Latest_Reading, &frmMain::Remove_Latest_Reading_Click);
    on(ui->Remove_Latest_Maintenance_Entry, &frmMain::Remove_Latest_Maintenance_Entry_Click);

    connect(ui->Toolbar1, &QToolBar::actionTriggered, this, [this](QAction* action) {
        const int position = int(ui->Toolbar1->actions().indexOf(action)) + 1;
        Guarded(state_.platform.messages, [this, position] { Toolbar1_ButtonClick(position); });
    });

    connect(ui->cmbVehicleReg, &QComboBox::activated, this,
            [this] { Handle(&frmMain::cmbVehicleReg_Click); });
    connect(ui->cmdConfirm, &QPushButton::clicked, this,
            [this] { Handle(&frmMain::cmdConfirm_Click); });
    connect(ui->cmdCancel, &QPushButton::clicked, this,
            [this] { Handle(&frmMain::cmdCancel_Click); });

    const auto change = [this](QLineEdit* box, void (frmMain::*handler)()) {
        connect(box, &QLineEdit::textChanged, this, [this, handler] { Handle(handler); });
    };
    change(ui->txtRegistrationDate, &frmMain::txtRegistrationDate_Change);
    change(ui->txtPurchaseDate, &frmMain::txtPurchaseDate_Change);
    change(ui->txtMake, &frmMain::txtMake_Change);
    change(ui->txtModel, &frmMain::txtModel_Change);
    change(ui->txtEngineCapacity, &frmMain::txtEngineCapacity_Change);
    change(ui->txtFuel, &frmMain::txtFuel_Change);
}

// Run by start-up before the window is shown; a failure here goes back to start-up.
void frmMain::Form_Load()
{
    FillVehicleList();
    ShowVehicleDetails();
    RelabelDistanceUnit();
    if (state_.FirstRunCancelled)
        return; // start-up unloads the window and ends silently
    ShowSplash();
    ShowRemindersDue();
}

void frmMain::RunFirstRunDialog()
{
    // FillVehicleList counts the vehicles again once the dialog has closed, so the dialog needs
    // no refresh of its own.
    dlgAddVehicleFIRST dialog(state_, {}, this);
    firstRun_ = &dialog;
    dialog.exec();
}

void frmMain::FillVehicleList()
{
    QStringList registrations = state_.LogDatabase->ListRegistrations();
    if (registrations.isEmpty()) {
        RunFirstRunDialog();
        registrations = state_.LogDatabase->ListRegistrations();
        if (registrations.isEmpty()) {
            state_.FirstRunCancelled = true;
            return;
        }
    }
    // Overwriting in order, appending the rest and dropping what a merge took away leaves
    // exactly the store's registrations, ascending.
    QComboBox* list = ui->cmbVehicleReg;
    for (int position = 0; position < registrations.size(); ++position) {
        if (position < list->count())
            list->setItemText(position, registrations[position]);
        else
            list->addItem(registrations[position]);
    }
    while (list->count() > registrations.size())
        list->removeItem(list->count() - 1);
    list->setCurrentIndex(0);
}

void frmMain::ShowVehicleDetails()
{
    state_.CurrentRegistration = ui->cmbVehicleReg->currentText();
    const std::optional<VehicleRow> vehicle =
        state_.LogDatabase->FindVehicle(state_.CurrentRegistration);
    if (!vehicle)
        return;
    const auto dateText = [](const QDateTime& date) {
        return IsNoDate(date) ? QString() : DateToText(date);
    };
    ui->txtMake->setText(vehicle->Make);
    ui->txtModel->setText(vehicle->Model);
    ui->txtFuel->setText(vehicle->Fuel);
    ui->txtEngineCapacity->setText(
        vehicle->EngineCapacity == 0 ? QString() : PlainNumber(vehicle->EngineCapacity));
    ui->txtRegistrationDate->setText(dateText(vehicle->RegistrationDate));
    ui->txtPurchaseDate->setText(dateText(vehicle->PurchaseDate));
    ShowConfirmChanges(false);
    DrawGraphs();
    ShowVehicleStatistics(state_.CurrentRegistration);
    ShowReminderSummary();
    // An open History, Graphs or Reminders window follows the vehicle shown.
    if (auto* history = qobject_cast<frmHistory*>(history_.data()))
        history->ShowVehicle(state_.CurrentRegistration);
    if (auto* graphs = qobject_cast<frmGraphs*>(graphs_.data()))
        graphs->ShowVehicle(state_.CurrentRegistration);
    if (auto* reminders = qobject_cast<dlgReminders*>(reminders_.data()))
        reminders->ShowVehicle(state_.CurrentRegistration);
}

void frmMain::ShowConfirmChanges(bool visible)
{
    ui->lblConfirmChanges->setVisible(visible);
    ui->cmdConfirm->setVisible(visible);
    ui->cmdCancel->setVisible(visible);
}

void frmMain::RelabelDistanceUnit()
{
    const QString unit = state_.DistanceUnit;
    ui->lblMilesL->setText(unit + QStringLiteral("s Travelled"));
    ui->lblCostPerL->setText(QStringLiteral("Cost per ") + unit);
    ui->Label1->setText(CurrentUnitsCaption(unit));
}

void frmMain::Exit_Click()
{
    close();
}

void frmMain::Add_New_Vehicle_Click()
{
    ShowOnce(addVehicle_, [this] {
        return new dlgAddVehicle(
            state_,
            [this] {
                FillVehicleList();
                ShowVehicleDetails();
            },
            this);
    });
}

void frmMain::Toolbar1_ButtonClick(int position)
{
    switch (position) {
    case 1:
        Record_Mileage_Click();
        break;
    case 2:
        Record_Maintenance_Click();
        break;
    case 3:
        Add_New_Vehicle_Click();
        break;
    default:
        break;
    }
}

void frmMain::cmbVehicleReg_Click()
{
    ShowVehicleDetails();
}

// Stores the six boxes over the shown vehicle's details. An empty date box stores "not given"
// and an empty Engine Capacity stores 0, as they read back.
void frmMain::cmdConfirm_Click()
{
    const auto entryError = [this](const QString& text) {
        state_.platform.messages.show(text, QStringLiteral("Entry Error"),
                                      Messages::Icon::Exclamation);
    };
    VehicleRow values;
    for (auto [box, field, date] :
         {std::tuple{ui->txtRegistrationDate, QStringLiteral("Registration Date"),
                     &values.RegistrationDate},
          std::tuple{ui->txtPurchaseDate, QStringLiteral("Purchase Date"), &values.PurchaseDate}}) {
        const QString text = box->text();
        if (text.isEmpty()) {
            *date = NoDate();
        } else if (IsDateText(text)) {
            *date = TextToDate(text);
        } else {
            return entryError(
                QStringLiteral("The entry for '%1' must be in date format").arg(field));
        }
    }
    const QString capacity = ui->txtEngineCapacity->text();
    if (!capacity.isEmpty() && !IsNumericText(capacity))
        return entryError(QStringLiteral("The entry for 'Engine Capacity' must be numeric"));
    values.EngineCapacity = capacity.isEmpty() ? 0 : TextToNumber(capacity);
    values.Make = ui->txtMake->text();
    values.Model = ui->txtModel->text();
    values.Fuel = ui->txtFuel->text();
    state_.LogDatabase->EditVehicle(state_.CurrentRegistration, values);
    ShowConfirmChanges(false);
}

void frmMain::cmdCancel_Click()
{
    ShowVehicleDetails();
}

void frmMain::txtRegistrationDate_Change()
{
    ShowConfirmChanges(true);
}

void frmMain::txtPurchaseDate_Change()
{
    ShowConfirmChanges(true);
}

void frmMain::txtMake_Change()
{
    ShowConfirmChanges(true);
}

void frmMain::txtModel_Change()
{
    ShowConfirmChanges(true);
}

void frmMain::txtEngineCapacity_Change()
{
    ShowConfirmChanges(true);
}

void frmMain::txtFuel_Change()
{
    ShowConfirmChanges(true);
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // The toolbar spans the client area; nothing else moves or changes size.
    ui->Toolbar1->resize(ui->centralwidget->width(), ui->Toolbar1->height());
    Form_Resize();
}

// Closes every other window of the program first, so that none can touch the closed store.
void frmMain::closeEvent(QCloseEvent* event)
{
    for (QPointer<QWidget>* window :
         {&recordMileage_, &recordMaintenance_, &addVehicle_, &preferences_, &about_, &help_,
          &firstRun_, &import_, &export_, &removeReading_, &removeMaintenance_, &restore_,
          &history_, &graphs_, &renameVehicle_})
        if (*window)
            (*window)->close();
    Form_Unload();
    event->accept();
}

void frmMain::Form_Activate()
{
    // Closing a failure's message box activates the window again: the same failure is reported
    // once, not in an endless round of boxes, until a drawing succeeds again.
    if (activationFailed_) {
        try {
            DrawGraphs();
            activationFailed_ = false;
        } catch (...) {
        }
        return;
    }
    Guarded(state_.platform.messages, [this] {
        activationFailed_ = true;
        DrawGraphs();
        activationFailed_ = false;
    });
}

void frmMain::Form_Resize()
{
    Handle(&frmMain::DrawGraphs);
}

void frmMain::Form_Unload()
{
    state_.CloseStore();
}
