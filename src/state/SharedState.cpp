#include "SharedState.h"

#include <QMetaType>

SharedState::~SharedState()
{
    CloseStore();
}

void SharedState::OpenStore(const QString& path)
{
    CloseStore();
    LogDatabase = VehicleLog::Open(path);
    // The order of the original program: Mileage, Maintenance, Vehicle Details.
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

QString ReadDistanceUnit(const SettingsStore& settings)
{
    const QVariant value = settings.value(QString::fromLatin1(DistanceMeasurementKey));
    if (value.isValid() && value.typeId() == QMetaType::QString)
        return value.toString();
    return QStringLiteral("Mile");
}
