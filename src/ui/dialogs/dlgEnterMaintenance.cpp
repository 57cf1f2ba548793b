#include "dlgEnterMaintenance.h"

#include "CategoryBox.h"
#include "EntryChecks.h"
#include "SharedState.h"
#include "TextConversions.h"
#include "WindowSupport.h"
#include "ui_dlgEnterMaintenance.h"

#include <QKeyEvent>

namespace {
const QString InvalidEntry = QStringLiteral("Invalid Entry");
}

dlgEnterMaintenance::dlgEnterMaintenance(SharedState& state, QWidget* parent)
    : QDialog(parent), state_(state), ui(std::make_unique<Ui::dlgEnterMaintenance>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, 2400, 1275);
    connect(ui->OKButton, &QPushButton::clicked, this, &dlgEnterMaintenance::OKButton_Click);
    connect(ui->CancelButton, &QPushButton::clicked, this,
            &dlgEnterMaintenance::CancelButton_Click);
    Form_Load();
}

dlgEnterMaintenance::~dlgEnterMaintenance() = default;

// Each opening loads afresh: ShowOnce makes a new dialog once the last one has closed.
void dlgEnterMaintenance::Form_Load()
{
    ui->lblVehicleRegistration->setText(state_.CurrentRegistration);
    ui->txtDate->setText(DateToText(state_.platform.clock.today()));
    ui->txtAmount->setText(QStringLiteral("0.00"));
    ui->txtDescription->clear();
    // Other, as every entry recorded before costs had a category: nothing is claimed for an
    // entry that the user did not say.
    FillCategoryBox(ui->cmbCategory, CostCategory::Other);
    ui->txtDate->setFocus();
}

void dlgEnterMaintenance::OKButton_Click()
{
    // A store failure shows a "Kelmot" box; the dialog stays open with the entries as typed.
    Guarded(state_.platform.messages, [this] { saveEntry(); });
}

void dlgEnterMaintenance::CancelButton_Click()
{
    close();
}

void dlgEnterMaintenance::refuse(const QString& text)
{
    state_.platform.messages.show(text, InvalidEntry, Messages::Icon::Exclamation);
}

void dlgEnterMaintenance::saveEntry()
{
    // The row is filed under the registration the dialog shows, so that is the vehicle whose
    // latest entry the date is checked against (whatever the main window shows by now).
    const QString registration = ui->lblVehicleRegistration->text();
    const QVector<MaintenanceRow> newestFirst =
        state_.LogDatabase->MaintenanceNewestFirst(registration);

    const EntryChecks::TypedMaintenance typed{EntryChecks::DateFromText(ui->txtDate->text()),
                                              EntryChecks::NumberFromText(ui->txtAmount->text()),
                                              ui->txtDescription->toPlainText()};
    // The first entry of a vehicle may carry any date up to today.
    const std::optional<QDateTime> latestDate =
        newestFirst.isEmpty() ? std::nullopt : std::optional(newestFirst.first().Date);
    if (const auto refusal =
            EntryChecks::Maintenance(typed, state_.platform.clock.today(), latestDate))
        return refuse(refusal->message);

    if (!state_.MaintenanceTable)
        throw StoreError(0, QStringLiteral("The vehicle log is closed."));
    state_.MaintenanceTable->AppendCheckedMaintenance(
        MaintenanceRow{registration, typed.date.value, typed.cost.value, typed.description,
                       ui->cmbCategory->currentText()});
    close();
}

void dlgEnterMaintenance::keyPressEvent(QKeyEvent* event)
{
    // Neither button is a default or a cancel button. Enter in the description is a new line,
    // which the box takes before the dialog sees the key.
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
