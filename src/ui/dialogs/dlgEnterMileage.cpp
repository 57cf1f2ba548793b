#include "dlgEnterMileage.h"

#include "EntryChecks.h"
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

    const EntryChecks::TypedReading typed =
        EntryChecks::ReadingFromTexts(ui->txtDate->text(), ui->txtCurrentMileage->text(),
                                      ui->txtAmount->text(), ui->txtPricePer->text());
    // The reading is compared as it will be stored, so "1,500" counts as 1500.
    if (const auto refusal = EntryChecks::NewReading(typed, state_.platform.clock.today(), latest))
        return refuse(refusal->message);

    if (!state_.MileageTable)
        throw StoreError(0, QStringLiteral("The vehicle log is closed."));
    state_.MileageTable->AppendCheckedMileage(
        MileageRow{registration, typed.date.value, typed.mileage.value, typed.amount.value,
                   typed.pricePer.value, ui->chkPartialFill->isChecked(),
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
