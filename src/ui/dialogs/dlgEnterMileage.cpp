#include "dlgEnterMileage.h"

#include "LogRuleWords.h"
#include "LogRules.h"
#include "SharedState.h"
#include "TextConversions.h"
#include "UnitWording.h"
#include "WindowSupport.h"
#include "ui_dlgEnterMileage.h"

#include <QKeyEvent>

namespace {
const QString InvalidEntry = QStringLiteral("Invalid Entry");
}

dlgEnterMileage::dlgEnterMileage(SharedState& state, QWidget* parent)
    : QDialog(parent), state_(state), ui(std::make_unique<Ui::dlgEnterMileage>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, 3075, 1275);
    connect(ui->OKButton, &QPushButton::clicked, this, &dlgEnterMileage::OKButton_Click);
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgEnterMileage::CancelButton_Click);
    Form_Load();
}

dlgEnterMileage::~dlgEnterMileage() = default;

// Each opening loads afresh: ShowOnce makes a new dialog once the last one has closed.
void dlgEnterMileage::Form_Load()
{
    ui->lblVehicleRegistration->setText(state_.CurrentRegistration);
    ui->txtDate->setText(DateToText(state_.platform.clock.today()));
    ui->txtCurrentMileage->setText(QStringLiteral("00000"));
    ui->txtAmount->setText(QStringLiteral("0.00"));
    ui->txtPricePer->setText(QStringLiteral("0.00"));
    ui->lblCurrentMileage->setText(CurrentUnitsCaption(state_.DistanceUnit));
    ui->txtDate->setFocus();
}

void dlgEnterMileage::OKButton_Click()
{
    // A store failure shows a "Kelmot" box; the dialog stays open with the entries as typed.
    Guarded(state_.platform.messages, [this] { saveEntry(); });
}

void dlgEnterMileage::CancelButton_Click()
{
    close();
}

void dlgEnterMileage::refuse(const QString& text)
{
    state_.platform.messages.show(text, InvalidEntry, Messages::Icon::Exclamation);
}

void dlgEnterMileage::saveEntry()
{
    // The row is filed under the registration the dialog shows, so that is the vehicle whose
    // latest reading the entry is checked against (whatever the main window shows by now).
    const QString registration = ui->lblVehicleRegistration->text();
    const QVector<MileageRow> newestFirst = state_.LogDatabase->MileageNewestFirst(registration);
    // Newest date first, the highest reading of that date first. A vehicle without any reading
    // (the program never makes one) has nothing to compare with: those two checks are skipped.
    const MileageRow* latest = newestFirst.isEmpty() ? nullptr : &newestFirst.first();

    const QString dateText = ui->txtDate->text();
    const QString mileageText = ui->txtCurrentMileage->text();
    const QString amountText = ui->txtAmount->text();
    const QString pricePerText = ui->txtPricePer->text();

    if (!IsDateText(dateText))
        return refuse(QStringLiteral("The entry for 'Date' must be in date format"));
    const QDateTime date = TextToDate(dateText);
    if (LogRules::IsFuture(date, state_.platform.clock.today()))
        return refuse(QStringLiteral("The entry for 'Date' cannot be in the future"));
    if (latest && LogRules::IsBeforeLatest(date, latest->Date))
        return refuse(QStringLiteral("The entry for 'Date' is before the most recent entry"));
    if (!IsNumericText(mileageText))
        return refuse(QStringLiteral("The entry for 'Current Mileage' must be numeric"));
    // Compared as it will be stored, so "1,500" counts as 1500.
    const double mileage = TextToNumber(mileageText);
    if (latest && LogRules::IsBelowLatest(mileage, latest->CurrentMileage))
        return refuse(QStringLiteral("The entry for 'Mileage' is less than the most recent entry"));
    // After the comparison, so its message stays the one for a reading below the latest; this
    // catches a vehicle whose readings are all below 0 or that has none.
    if (LogRules::IsBelowZero(mileage))
        return refuse(LogRuleWords::BelowZeroMessage());
    if (!IsNumericText(amountText))
        return refuse(QStringLiteral("The entry for 'Amount' must be numeric"));
    const double amount = TextToNumber(amountText);
    if (!LogRules::IsPositive(amount))
        return refuse(QStringLiteral("The entry for 'Amount' must be a positive Value"));
    if (!IsNumericText(pricePerText))
        return refuse(QStringLiteral("The entry for 'Price Per' must be numeric"));
    const double pricePer = TextToNumber(pricePerText);
    if (!LogRules::IsPositive(pricePer))
        return refuse(QStringLiteral("The entry for 'Price Per' must be a positive Value"));

    if (!state_.MileageTable)
        throw StoreError(0, QStringLiteral("The vehicle log is closed."));
    state_.MileageTable->AppendMileage(MileageRow{registration, date, mileage, amount, pricePer,
                                                  ui->chkPartialFill->isChecked(),
                                                  ui->chkMissedFillBefore->isChecked()});
    close();
}

void dlgEnterMileage::keyPressEvent(QKeyEvent* event)
{
    // Neither button is a default or a cancel button.
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
