#include "dlgRenameVehicle.h"

#include "SharedState.h"
#include "StoredValues.h"
#include "WindowSupport.h"
#include "ui_dlgRenameVehicle.h"

dlgRenameVehicle::dlgRenameVehicle(SharedState& state, const QString& registration, Renamed renamed,
                                   QWidget* parent)
    : QDialog(parent), state_(state), registration_(registration), renamed_(std::move(renamed)),
      ui(std::make_unique<Ui::dlgRenameVehicle>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, 3075, 1275);
    connect(ui->OKButton, &QPushButton::clicked, this, &dlgRenameVehicle::OKButton_Click);
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgRenameVehicle::CancelButton_Click);
    ui->lblVehicleRegistration->setText(registration_);
    ui->txtNewRegistration->setText(registration_);
    ui->txtNewRegistration->selectAll();
    ui->txtNewRegistration->setFocus();
}

dlgRenameVehicle::~dlgRenameVehicle() = default;

void dlgRenameVehicle::OKButton_Click()
{
    Guarded(state_.platform.messages, [this] { rename(); });
}

void dlgRenameVehicle::CancelButton_Click()
{
    close();
}

void dlgRenameVehicle::rename()
{
    // Blanks around a registration are never part of it, as in Add New Vehicle.
    const QString target = ui->txtNewRegistration->text().trimmed();
    if (target.isEmpty()) {
        state_.platform.messages.show(QStringLiteral("Entry is required in the highlighted fields"),
                                      QStringLiteral("Entry Error"), Messages::Icon::Exclamation);
        return;
    }
    if (target == registration_) {
        close();
        return;
    }
    VehicleLog& log = *state_.LogDatabase;
    const std::optional<VehicleRow> existing = log.FindVehicle(target);
    // The store compares registrations without regard to case: "ab12 cde" is this vehicle, only
    // spelt otherwise, and is a rename.
    if (existing && !StoredValues::SameRegistration(existing->Registration, registration_)) {
        const QString question =
            QStringLiteral("%1 already exists. Merge the records of %2 into it?")
                .arg(existing->Registration, registration_);
        if (!state_.platform.messages.ask(question, QStringLiteral("Rename Vehicle")))
            return;
        log.MergeVehicle(registration_, existing->Registration);
        renamed_(existing->Registration);
    } else {
        log.RenameVehicle(registration_, target);
        renamed_(target);
    }
    close();
}
