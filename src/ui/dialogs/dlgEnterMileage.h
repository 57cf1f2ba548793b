#pragma once

#include <QDialog>
#include <memory>

struct SharedState;
class QKeyEvent;

namespace Ui {
class dlgEnterMileage;
}

// Record Mileage: one odometer reading with the fuel bought, for the vehicle shown in
// the main window when the dialog opened. Shown modelessly, at most once (ShowOnce). OK and
// Cancel are neither default nor cancel buttons: Enter and Escape do nothing, and the close box
// does what Cancel does.
class dlgEnterMileage final : public QDialog
{
    Q_OBJECT

public:
    explicit dlgEnterMileage(SharedState& state, QWidget* parent = nullptr);
    ~dlgEnterMileage() override;

    void OKButton_Click();
    void CancelButton_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    // The checks and the append; throws what the store throws.
    void saveEntry();
    void refuse(const QString& text);

    SharedState& state_;
    std::unique_ptr<Ui::dlgEnterMileage> ui;
};
