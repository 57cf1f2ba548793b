#include "AddVehicleForm.h"

#include "EntryChecks.h"
#include "SharedState.h"
#include "StoreError.h"
#include "TextConversions.h"
#include "UnitWording.h"
#include "WindowSupport.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

AddVehicleForm::AddVehicleForm(SharedState& state, std::function<void()> onAdded, QWidget* parent)
    : QDialog(parent), state_(state), onAdded_(std::move(onAdded))
{
}

void AddVehicleForm::Form_Load(const Controls& controls)
{
    c_ = controls;
    connect(c_.OKButton, &QPushButton::clicked, this, &AddVehicleForm::OKButton_Click);
    connect(c_.CancelButton, &QPushButton::clicked, this, &AddVehicleForm::CancelButton_Click);

    c_.txtVehicleReg->clear();
    c_.txtCurrentMileage->setText(QStringLiteral("00000"));
    for (QLineEdit* box : {c_.txtRegistrationDate, c_.txtPurchaseDate, c_.txtMake, c_.txtModel,
                           c_.txtEngineCapacity, c_.txtFuel})
        box->clear();
    c_.lblCurrentMileage->setText(CurrentUnitsCaption(state_.DistanceUnit));
}

void AddVehicleForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AddVehicleForm::CancelButton_Click()
{
    reject();
}

void AddVehicleForm::entryError(const QString& text)
{
    state_.platform.messages.show(text, QStringLiteral("Entry Error"), Messages::Icon::Exclamation);
}

// Blanks around a registration are never part of it: "AB12 CDE " is "AB12 CDE", and a
// registration of blanks alone is no registration. The box keeps what was typed.
QString AddVehicleForm::registration() const
{
    return c_.txtVehicleReg->text().trimmed();
}

// The checks of OK in their order; the first that fails shows its message.
bool AddVehicleForm::checksPass()
{
    const EntryChecks::TypedVehicle typed{
        registration(), EntryChecks::NumberFromText(c_.txtCurrentMileage->text()),
        EntryChecks::DateFromText(c_.txtRegistrationDate->text()),
        EntryChecks::DateFromText(c_.txtPurchaseDate->text()),
        EntryChecks::NumberFromText(c_.txtEngineCapacity->text())};
    const auto exists = [this](const QString& registration) {
        if (!state_.LogDatabase)
            throw StoreError(0, QStringLiteral("The vehicle log is closed. Nothing was stored."));
        return state_.LogDatabase->FindVehicle(registration).has_value();
    };
    if (const auto refusal =
            EntryChecks::NewVehicle(typed, state_.platform.clock.today(), exists)) {
        entryError(refusal->message);
        return false;
    }
    // An empty capacity is stored as 0, and the box shows it.
    if (!typed.capacity.given)
        c_.txtEngineCapacity->setText(QStringLiteral("0"));
    return true;
}

// Writes the vehicle and its first reading, dated today, as one unit.
void AddVehicleForm::store()
{
    const auto dateOf = [](const QLineEdit* box) {
        return box->text().isEmpty() ? NoDate() : TextToDate(box->text());
    };
    VehicleRow vehicle;
    vehicle.Registration = registration();
    vehicle.RegistrationDate = dateOf(c_.txtRegistrationDate);
    vehicle.PurchaseDate = dateOf(c_.txtPurchaseDate);
    vehicle.Make = c_.txtMake->text();
    vehicle.Model = c_.txtModel->text();
    vehicle.EngineCapacity = TextToNumber(c_.txtEngineCapacity->text());
    vehicle.Fuel = c_.txtFuel->text();

    MileageRow firstReading;
    firstReading.Registration = vehicle.Registration;
    firstReading.CurrentMileage = TextToNumber(c_.txtCurrentMileage->text());
    firstReading.Date = AtMidnight(state_.platform.clock.today());

    if (!state_.VehicleDetailsTable)
        throw StoreError(0, QStringLiteral("The vehicle log is closed. Nothing was stored."));
    state_.VehicleDetailsTable->AppendVehicle(vehicle, firstReading);
}

void AddVehicleForm::OKButton_Click()
{
    bool stored = false;
    // Every other failure is shown as the main window shows it, in a "Kelmot" box; either way the
    // dialog stays open with the entries as typed.
    Guarded(state_.platform.messages, [this, &stored] {
        try {
            if (!checksPass())
                return;
            store();
            stored = true;
        } catch (const StoreError& e) {
            if (e.code() != StoreError::ConversionFailure)
                throw;
            state_.platform.messages.show(
                QStringLiteral(
                    "The Data Format is incorrect, please check your entry and try again"),
                QStringLiteral("Date Entry Error"), Messages::Icon::Exclamation);
        }
    });
    if (!stored)
        return;
    accept();
    // The dialog has closed: a failure while the main window refreshes is the main window's.
    if (onAdded_)
        Guarded(state_.platform.messages, onAdded_);
}
