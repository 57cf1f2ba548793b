#include "frmMain.h"

void frmMain::ShowVehicleStatistics(const QString& registration)
{
    Q_UNUSED(registration);
}
