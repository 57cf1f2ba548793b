#include "VehicleStatistics.h"
#include "frmMain.h"
#include "ui_frmMain.h"

// The statistics panel. Reads the vehicle's readings and maintenance rows afresh,
// computes the figures (src/stats) and writes lblCurrentMileage and the fourteen value labels,
// in the documented order. It touches no caption label, heading or shared state; a store failure
// passes to the caller with the labels as they were.
void frmMain::ShowVehicleStatistics(const QString& registration)
{
    const QVector<MileageRow> readings = state_.LogDatabase->MileageChronological(registration);
    const QVector<MaintenanceRow> maintenance = state_.LogDatabase->MaintenanceByDate(registration);
    const VehicleStatisticsTexts t =
        FormatStatistics(ComputeStatistics(readings, maintenance, state_.platform.clock.today(),
                                           ReadLeavePurchaseOut(state_.platform.settings)));

    ui->lblCurrentMileage->setText(t.lblCurrentMileage);
    ui->lblMiles->setText(t.lblMiles);
    ui->lblMilesDate->setText(t.lblMilesDate);
    ui->lblCost->setText(t.lblCost);
    ui->lblCostDate->setText(t.lblCostDate);
    ui->lblCostinc->setText(t.lblCostinc);
    ui->lblCostincDate->setText(t.lblCostincDate);
    ui->lblCostPer->setText(t.lblCostPer);
    ui->lblCostPerinc->setText(t.lblCostPerinc);
    ui->lblMilesPerLitreTD->setText(t.lblMilesPerLitreTD);
    ui->lblMilesPerGallonTD->setText(t.lblMilesPerGallonTD);
    ui->lblCostPerDate->setText(t.lblCostPerDate);
    ui->lblCostPerincDate->setText(t.lblCostPerincDate);
    ui->lblMilesPerLitreYR->setText(t.lblMilesPerLitreYR);
    ui->lblMilesPerGallonYR->setText(t.lblMilesPerGallonYR);
}
