#pragma once

#include <QDialog>
#include <memory>

struct SharedState;
class QKeyEvent;

namespace Ui {
class dlgEnterMaintenance;
}

// Record Maintenance: one dated maintenance cost with a description and its category, for the
// vehicle shown in the main window when the dialog opened. Window behaviour as dlgEnterMileage.
class dlgEnterMaintenance final : public QDialog
{
    Q_OBJECT

public:
    explicit dlgEnterMaintenance(SharedState& state, QWidget* parent = nullptr);
    ~dlgEnterMaintenance() override;

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
    std::unique_ptr<Ui::dlgEnterMaintenance> ui;
};
