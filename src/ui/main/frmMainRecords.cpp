#include "WindowSupport.h"
#include "dlgEnterMaintenance.h"
#include "dlgEnterMileage.h"
#include "frmMain.h"

// Both dialogs are modeless and exist at most once: opening an open one brings it to the front
// with the user's typing intact. Neither refreshes the statistics panel; the graphs
// follow when the main window is activated again.

void frmMain::Record_Mileage_Click()
{
    Guarded(state_.platform.messages, [this] {
        ShowOnce(recordMileage_, [this] { return new dlgEnterMileage(state_, this); });
    });
}

void frmMain::Record_Maintenance_Click()
{
    Guarded(state_.platform.messages, [this] {
        ShowOnce(recordMaintenance_, [this] { return new dlgEnterMaintenance(state_, this); });
    });
}
