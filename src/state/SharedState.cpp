#include "SharedState.h"

SharedState::~SharedState()
{
    CloseStore();
}

void SharedState::OpenStore(const QString& path)
{
    CloseStore();
    LogDatabase = VehicleLog::Open(path);
    // Always in this order, Mileage, Maintenance, Vehicle Details, so that a store missing a
    // table fails at the same one every time.
    MileageTable = LogDatabase->OpenMileageTable();
    MaintenanceTable = LogDatabase->OpenMaintenanceTable();
    VehicleDetailsTable = LogDatabase->OpenVehicleDetailsTable();
}

void SharedState::CloseStore()
{
    VehicleDetailsTable.reset();
    MaintenanceTable.reset();
    MileageTable.reset();
    if (LogDatabase)
        LogDatabase->Close();
}
