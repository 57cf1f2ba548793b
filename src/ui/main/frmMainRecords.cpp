#include "frmMain.h"

void frmMain::Record_Mileage_Click()
{
}

void frmMain::Record_Maintenance_Click()
{
}
