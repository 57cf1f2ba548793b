#include "dlgEditReading.h"

#include "EntryChecks.h"
#include "SharedState.h"
#include "TextConversions.h"
#include "UnitWording.h"
#include "WindowSupport.h"
#include "ui_dlgEditReading.h"

#include <QKeyEvent>

namespace {
const QString InvalidEntry = QStringLiteral("Invalid Entry");
}

dlgEditReading::dlgEditReading(SharedState& state, const QString& registration,
                               std::optional<MileageEntry> editing, Store store, QWidget* parent)
    : QDialog(parent), state_(state), registration_(registration), editing_(std::move(editing)),
      store_(std::move(store)), ui(std::make_unique<Ui::dlgEditReading>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, 3075, 1275);
    setWindowModality(Qt::WindowModal);
    connect(ui->OKButton, &QPushButton::clicked, this, &dlgEditReading::OKButton_Click);
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgEditReading::CancelButton_Click);
    ui->lblVehicleRegistration->setText(registration_);
    ui->lblCurrentMileage->setText(CurrentUnitsCaption(state_.DistanceUnit));
    if (editing_) {
        setWindowTitle(QStringLiteral("Edit Reading"));
        const MileageRow& row = editing_->row;
        ui->txtDate->setText(DateToText(row.Date));
        ui->txtCurrentMileage->setText(DistanceToText(row.CurrentMileage));
        ui->txtAmount->setText(PlainNumber(row.Amount));
        ui->txtPricePer->setText(PlainNumber(row.PricePer));
        ui->chkPartialFill->setChecked(row.PartialFill);
        ui->chkMissedFillBefore->setChecked(row.MissedFillBefore);
    } else {
        setWindowTitle(QStringLiteral("Add Reading"));
    }
    ui->txtDate->setFocus();
}

dlgEditReading::~dlgEditReading() = default;

void dlgEditReading::OKButton_Click()
{
    Guarded(state_.platform.messages, [this] { saveEntry(); });
}

void dlgEditReading::CancelButton_Click()
{
    close();
}

void dlgEditReading::refuse(const QString& text)
{
    state_.platform.messages.show(text, InvalidEntry, Messages::Icon::Exclamation);
}

void dlgEditReading::saveEntry()
{
    const EntryChecks::TypedReading typed =
        EntryChecks::ReadingFromTexts(ui->txtDate->text(), ui->txtCurrentMileage->text(),
                                      ui->txtAmount->text(), ui->txtPricePer->text());
    // A vehicle's starting reading carries no fuel; mending its figure must not ask for some.
    const bool noFuel = editing_ && editing_->row.Amount == 0 && editing_->row.PricePer == 0;
    const auto boundsAt = [this](const QDateTime& date) {
        return LogRules::BoundsFor(state_.LogDatabase->MileageEntries(registration_), date,
                                   editing_ ? editing_->id : -1);
    };
    if (const auto refusal =
            EntryChecks::MendedReading(typed, state_.platform.clock.today(), boundsAt, noFuel))
        return refuse(refusal->message);

    store_(MileageRow{registration_, typed.date.value, typed.mileage.value, typed.amount.value,
                      typed.pricePer.value, ui->chkPartialFill->isChecked(),
                      ui->chkMissedFillBefore->isChecked()});
    close();
}

void dlgEditReading::keyPressEvent(QKeyEvent* event)
{
    // As in Record Mileage, neither button is a default or a cancel button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
