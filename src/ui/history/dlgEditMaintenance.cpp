#include "dlgEditMaintenance.h"

#include "CategoryBox.h"
#include "EntryChecks.h"
#include "SharedState.h"
#include "TextConversions.h"
#include "WindowSupport.h"
#include "ui_dlgEditMaintenance.h"

#include <QKeyEvent>

namespace {
const QString InvalidEntry = QStringLiteral("Invalid Entry");
}

dlgEditMaintenance::dlgEditMaintenance(SharedState& state, const QString& registration,
                                       std::optional<MaintenanceEntry> editing, Store store,
                                       QWidget* parent)
    : QDialog(parent), state_(state), registration_(registration), editing_(std::move(editing)),
      store_(std::move(store)), ui(std::make_unique<Ui::dlgEditMaintenance>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, 2400, 1275);
    setWindowModality(Qt::WindowModal);
    connect(ui->OKButton, &QPushButton::clicked, this, &dlgEditMaintenance::OKButton_Click);
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgEditMaintenance::CancelButton_Click);
    ui->lblVehicleRegistration->setText(registration_);
    if (editing_) {
        setWindowTitle(QStringLiteral("Edit Maintenance Entry"));
        ui->txtDate->setText(DateToText(editing_->row.Date));
        ui->txtAmount->setText(PlainNumber(editing_->row.Cost));
        ui->txtDescription->setPlainText(editing_->row.Description);
    } else {
        setWindowTitle(QStringLiteral("Add Maintenance Entry"));
    }
    FillCategoryBox(ui->cmbCategory, editing_ ? editing_->row.Category : CostCategory::Other);
    ui->txtDate->setFocus();
}

dlgEditMaintenance::~dlgEditMaintenance() = default;

void dlgEditMaintenance::OKButton_Click()
{
    Guarded(state_.platform.messages, [this] { saveEntry(); });
}

void dlgEditMaintenance::CancelButton_Click()
{
    close();
}

void dlgEditMaintenance::refuse(const QString& text)
{
    state_.platform.messages.show(text, InvalidEntry, Messages::Icon::Exclamation);
}

// Record Maintenance's checks in its order; its last, the date against the latest entry, has no
// place here: a forgotten receipt may carry any past date.
void dlgEditMaintenance::saveEntry()
{
    const EntryChecks::TypedMaintenance typed{EntryChecks::DateFromText(ui->txtDate->text()),
                                              EntryChecks::NumberFromText(ui->txtAmount->text()),
                                              ui->txtDescription->toPlainText()};
    if (const auto refusal =
            EntryChecks::Maintenance(typed, state_.platform.clock.today(), std::nullopt))
        return refuse(refusal->message);

    store_(MaintenanceRow{registration_, typed.date.value, typed.cost.value, typed.description,
                          ui->cmbCategory->currentText()});
    close();
}

void dlgEditMaintenance::keyPressEvent(QKeyEvent* event)
{
    // As in Record Maintenance: Enter in the description is a new line, taken by the box first.
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
