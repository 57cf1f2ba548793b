#include "frmMain.h"

#include <QCloseEvent>

frmMain::frmMain(SharedState& state, QWidget* parent)
    : QMainWindow(parent), state_(state), ui(nullptr)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kelmot"));
    resize(774, 558);
}

frmMain::~frmMain() = default;

void frmMain::Form_Load()
{
}

void frmMain::FillVehicleList()
{
}

void frmMain::ShowVehicleDetails()
{
}

void frmMain::ShowConfirmChanges(bool visible)
{
    Q_UNUSED(visible);
}

void frmMain::RelabelDistanceUnit()
{
}

void frmMain::Exit_Click()
{
    close();
}

void frmMain::Add_New_Vehicle_Click()
{
}

void frmMain::Toolbar1_ButtonClick(int position)
{
    Q_UNUSED(position);
}

void frmMain::cmbVehicleReg_Click()
{
}

void frmMain::cmdConfirm_Click()
{
}

void frmMain::cmdCancel_Click()
{
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmMain::Form_Activate()
{
}

void frmMain::Form_Resize()
{
}

void frmMain::Form_Unload()
{
    state_.CloseStore();
}
