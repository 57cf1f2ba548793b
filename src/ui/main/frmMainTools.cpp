#include "ChmHelpViewer.h"
#include "MaintenanceReport.h"
#include "WindowSupport.h"
#include "dlgPref.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QComboBox>
#include <QDir>

void frmMain::Preferences_Click()
{
    ShowOnce(preferences_, [this] {
        return new dlgPref(
            state_,
            [this] {
                RelabelDistanceUnit();
                ShowReminderSummary();
            },
            this);
    });
}

void frmMain::Maintenance_Report_Click()
{
    Guarded(state_.platform.messages, [this] {
        const auto* list = findChild<QComboBox*>(QStringLiteral("cmbVehicleReg"));
        MaintenanceReport(state_, list ? list->currentText() : QString());
    });
}

void frmMain::Contents_Click()
{
    ShowHelp(state_.platform.help,
             QDir(state_.platform.files.programFolder()).filePath(QStringLiteral("Kelmot.chm")),
             QStringLiteral("Introduction.htm"));
}

void frmMain::About_Click()
{
    ShowOnce(about_, [this] { return new frmAbout(this); });
}

void frmMain::ShowSplash()
{
    if (state_.SplashMilliseconds <= 0)
        return;
    frmSplash splash(state_.SplashMilliseconds, this);
    splash.exec();
}
