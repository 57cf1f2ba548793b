#include "frmMain.h"

void frmMain::Preferences_Click()
{
}

void frmMain::Maintenance_Report_Click()
{
}

void frmMain::Contents_Click()
{
}

void frmMain::About_Click()
{
}

void frmMain::ShowSplash()
{
}
