#include "dlgEditReading.h"

#include "LogRuleWords.h"
#include "LogRules.h"
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
    const QString dateText = ui->txtDate->text();
    const QString mileageText = ui->txtCurrentMileage->text();
    const QString amountText = ui->txtAmount->text();
    const QString pricePerText = ui->txtPricePer->text();
    // A vehicle's starting reading carries no fuel; mending its figure must not ask for some.
    const bool noFuel = editing_ && editing_->row.Amount == 0 && editing_->row.PricePer == 0;

    if (!IsDateText(dateText))
        return refuse(QStringLiteral("The entry for 'Date' must be in date format"));
    const QDateTime date = TextToDate(dateText);
    if (LogRules::IsFuture(date, state_.platform.clock.today()))
        return refuse(QStringLiteral("The entry for 'Date' cannot be in the future"));
    if (!IsNumericText(mileageText))
        return refuse(QStringLiteral("The entry for 'Current Mileage' must be numeric"));
    const double mileage = TextToNumber(mileageText);
    if (LogRules::IsBelowZero(mileage))
        return refuse(LogRuleWords::BelowZeroMessage());

    const LogRules::ReadingBounds bounds = LogRules::BoundsFor(
        state_.LogDatabase->MileageEntries(registration_), date, editing_ ? editing_->id : -1);
    if (LogRules::Fit(bounds, mileage) != LogRules::ReadingFit::Fits)
        return refuse(LogRuleWords::OrderRuleMessage(bounds));

    if (!IsNumericText(amountText))
        return refuse(QStringLiteral("The entry for 'Amount' must be numeric"));
    const double amount = TextToNumber(amountText);
    const bool keepsNoFuel = noFuel && amount == 0 && TextToNumber(pricePerText) == 0;
    if (!LogRules::IsPositive(amount) && !keepsNoFuel)
        return refuse(QStringLiteral("The entry for 'Amount' must be a positive Value"));
    if (!IsNumericText(pricePerText))
        return refuse(QStringLiteral("The entry for 'Price Per' must be numeric"));
    const double pricePer = TextToNumber(pricePerText);
    if (!LogRules::IsPositive(pricePer) && !keepsNoFuel)
        return refuse(QStringLiteral("The entry for 'Price Per' must be a positive Value"));

    store_(MileageRow{registration_, date, mileage, amount, pricePer,
                      ui->chkPartialFill->isChecked(), ui->chkMissedFillBefore->isChecked()});
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
