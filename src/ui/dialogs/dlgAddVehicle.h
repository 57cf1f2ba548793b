#pragma once

#include "AddVehicleForm.h"

#include <memory>

namespace Ui {
class dlgAddVehicle;
}

// Add New Vehicle, opened from the main window without blocking it.
class dlgAddVehicle final : public AddVehicleForm
{
    Q_OBJECT

public:
    dlgAddVehicle(SharedState& state, std::function<void()> onAdded, QWidget* parent);
    ~dlgAddVehicle() override;

private:
    std::unique_ptr<Ui::dlgAddVehicle> ui;
};
