#include "dlgAddVehicle.h"

#include "WindowSupport.h"
#include "ui_dlgAddVehicle.h"

dlgAddVehicle::dlgAddVehicle(SharedState& state, std::function<void()> onAdded, QWidget* parent)
    : AddVehicleForm(state, std::move(onAdded), parent), ui(std::make_unique<Ui::dlgAddVehicle>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, 3420, 1455);
    Form_Load(ControlsOf(*ui));
}

dlgAddVehicle::~dlgAddVehicle() = default;
