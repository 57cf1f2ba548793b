#include "WindowSupport.h"
#include "dlgRenameVehicle.h"
#include "frmHistory.h"
#include "frmMain.h"
#include "ui_frmMain.h"

// Vehicle > History and Rename Vehicle: every change they make is shown in this window at once.

void frmMain::History_Click()
{
    QWidget* window = ShowOnce(history_, [this] {
        return new frmHistory(
            state_, [this](const QString& registration) { ShowChangedVehicle(registration); },
            this);
    });
    static_cast<frmHistory*>(window)->ShowVehicle(state_.CurrentRegistration);
}

void frmMain::Rename_Vehicle_Click()
{
    if (renameVehicle_) // a rename begun before may name a vehicle no longer shown
        renameVehicle_->close();
    ShowOnce(renameVehicle_, [this] {
        return new dlgRenameVehicle(
            state_, state_.CurrentRegistration,
            [this](const QString& registration) { ShowChangedVehicle(registration); }, this);
    });
}

void frmMain::ShowChangedVehicle(const QString& registration)
{
    FillVehicleList();
    QComboBox* list = ui->cmbVehicleReg;
    const int position = list->findText(registration, Qt::MatchFixedString);
    if (position >= 0)
        list->setCurrentIndex(position);
    ShowVehicleDetails();
}
