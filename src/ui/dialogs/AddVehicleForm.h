#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
struct SharedState;

// What both Add New Vehicle dialogs share: their entry controls, the checks of OK in their
// order, and the writing of the new vehicle with its first reading. The two variants differ only
// in their form and in how they are opened.
class AddVehicleForm : public QDialog
{
    Q_OBJECT

public:
    // The controls both forms have, by their names.
    struct Controls
    {
        QLineEdit* txtVehicleReg;
        QLineEdit* txtCurrentMileage;
        QLineEdit* txtRegistrationDate;
        QLineEdit* txtPurchaseDate;
        QLineEdit* txtMake;
        QLineEdit* txtModel;
        QLineEdit* txtEngineCapacity;
        QLineEdit* txtFuel;
        QLabel* lblCurrentMileage;
        QPushButton* OKButton;
        QPushButton* CancelButton;
    };

    void OKButton_Click();
    void CancelButton_Click();

protected:
    // onAdded runs after a vehicle was stored and the dialog closed: the main window refills its
    // vehicle list and shows the first vehicle. It may be empty.
    AddVehicleForm(SharedState& state, std::function<void()> onAdded, QWidget* parent);

    template <class Form> static Controls ControlsOf(const Form& ui)
    {
        return {ui.txtVehicleReg,     ui.txtCurrentMileage, ui.txtRegistrationDate,
                ui.txtPurchaseDate,   ui.txtMake,           ui.txtModel,
                ui.txtEngineCapacity, ui.txtFuel,           ui.lblCurrentMileage,
                ui.OKButton,          ui.CancelButton};
    }

    // The opening steps; called by each variant once its form is set up.
    void Form_Load(const Controls& controls);

    // Escape does not cancel a data entry dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void entryError(const QString& text);
    QString registration() const;
    bool checksPass();
    void store();

    SharedState& state_;
    std::function<void()> onAdded_;
    Controls c_{};
};
