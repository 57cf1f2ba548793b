#pragma once

#include "AddVehicleForm.h"

#include <memory>

namespace Ui {
class dlgAddVehicleFIRST;
}

// Add New Vehicle at the first run, shown modally while the store holds no vehicle: the same
// entry as dlgAddVehicle beside the logo, the product name and a welcome text.
class dlgAddVehicleFIRST final : public AddVehicleForm
{
    Q_OBJECT

public:
    dlgAddVehicleFIRST(SharedState& state, std::function<void()> onAdded, QWidget* parent);
    ~dlgAddVehicleFIRST() override;

private:
    std::unique_ptr<Ui::dlgAddVehicleFIRST> ui;
};
