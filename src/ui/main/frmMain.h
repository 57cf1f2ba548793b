#pragma once

#include "SharedState.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>

namespace Ui {
class frmMain;
}

// The program's main window: vehicle list and details, statistics panel, the two graphs, and the
// place every other window is opened from. Its member definitions are split by concern:
//   frmMain.cpp            layout, menus, toolbar, vehicle list and details, shut-down
//   frmMainRecords.cpp     Record Mileage and Record Maintenance
//   frmMainStatistics.cpp  the statistics panel
//   frmMainGraphs.cpp      the two graphs and the image they are drawn into; the Graphs window
//   frmMainTools.cpp       Preferences, the maintenance report, help, About and the splash
//   frmMainData.cpp        import, export, backup and removing a mistaken latest entry
//   frmMainRestore.cpp     putting a backup in the log's place and showing it
//   frmMainHistory.cpp     the History window and renaming a vehicle
//   frmMainReminders.cpp   the Reminders window, the reminders summary and start-up message
class frmMain final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(SharedState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    // The load steps, run by start-up before the window is shown.
    void Form_Load();

    // Shared routines of the vehicle list and details.
    void FillVehicleList();
    void ShowVehicleDetails();
    void ShowConfirmChanges(bool visible);
    void ShowVehicleStatistics(const QString& registration);
    void DrawGraphs();
    // Rewords the three captions built from the distance unit.
    void RelabelDistanceUnit();
    // What is overdue or due soon for the vehicle shown, in one line.
    void ShowReminderSummary();

    // Menu and toolbar commands.
    void Exit_Click();
    void Record_Mileage_Click();
    void Record_Maintenance_Click();
    void Add_New_Vehicle_Click();
    void Preferences_Click();
    void Maintenance_Report_Click();
    void Contents_Click();
    void About_Click();
    void Import_Click();
    void Export_Click();
    void Back_Up_Click();
    void Restore_Click();
    void History_Click();
    void Graphs_Click();
    void Rename_Vehicle_Click();
    void Reminders_Click();
    void Remove_Latest_Reading_Click();
    void Remove_Latest_Maintenance_Entry_Click();
    void Toolbar1_ButtonClick(int position);

    // Vehicle list and details events.
    void cmbVehicleReg_Click();
    void cmdConfirm_Click();
    void cmdCancel_Click();
    void txtRegistrationDate_Change();
    void txtPurchaseDate_Change();
    void txtMake_Change();
    void txtModel_Change();
    void txtEngineCapacity_Change();
    void txtFuel_Change();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Activate();
    void Form_Resize();
    void Form_Unload();
    void ShowSplash();
    // Once at start-up: every vehicle's reminders overdue or due soon, when there are any.
    void ShowRemindersDue();
    // Runs a handler at an event boundary: a failure is shown in a "Kelmot" box, never passed on.
    void Handle(void (frmMain::*handler)());
    void ConnectEvents();
    void RunFirstRunDialog();
    void ExportLog(bool allVehicles);
    void RemoveLatestReading(const MileageRow& shown);
    void RemoveLatestMaintenance(const MaintenanceRow& shown);
    void ShowPlainMessage(const QString& text);
    // Restore's steps around the file's replacement: before it, every window holding the log
    // closes, and the log; after it, the log opens again and is shown as at start-up.
    void ReleaseStoreForRestore();
    void ReopenAfterRestore(const QString& storePath, const QString& backup,
                            const QString& safetyCopy, const QString& failure);
    // After the History window or a rename changed the log: the list and the details again,
    // showing the vehicle under the registration it now has.
    void ShowChangedVehicle(const QString& registration);

    SharedState& state_;
    Ui::frmMain* ui;

    // Each window exists at most once; a closed one is deleted and loads afresh next time.
    QPointer<QWidget> recordMileage_;
    QPointer<QWidget> recordMaintenance_;
    QPointer<QWidget> addVehicle_;
    QPointer<QWidget> preferences_;
    QPointer<QWidget> about_;
    QPointer<QWidget> help_;
    QPointer<QWidget> firstRun_;
    QPointer<QWidget> import_;
    QPointer<QWidget> export_;
    QPointer<QWidget> removeReading_;
    QPointer<QWidget> removeMaintenance_;
    QPointer<QWidget> restore_;
    QPointer<QWidget> history_;
    QPointer<QWidget> graphs_;
    QPointer<QWidget> renameVehicle_;
    QPointer<QWidget> reminders_;
    // The last drawing on activation failed and was reported.
    bool activationFailed_ = false;

    // The graphs are drawn into this image of the client area; paintEvent copies it.
    QImage graphImage_;
    // What the image was last drawn from; activation and resizing redraw only when it changed.
    QString graphSource_;
    // A redraw at a new pixel ratio is waiting for the event loop.
    bool ratioRedrawQueued_ = false;
};
