#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class Messages;

namespace Ui {
class dlgExport;
}

// Export: all vehicles or only the one shown. Export hands the choice on (true for all
// vehicles) and closes; a failure is shown through Messages and the dialog stays open.
class dlgExport final : public QDialog
{
    Q_OBJECT

public:
    dlgExport(Messages& messages, const QString& shownRegistration,
              std::function<void(bool allVehicles)> exportChosen, QWidget* parent = nullptr);
    ~dlgExport() override;

    void ExportButton_Click();
    void CancelButton_Click();

private:
    Messages& messages_;
    std::function<void(bool)> exportChosen_;
    std::unique_ptr<Ui::dlgExport> ui;
};
