#pragma once

#include "StoreRows.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

struct SharedState;
class QKeyEvent;

namespace Ui {
class dlgEditMaintenance;
}

// "Add Maintenance Entry" (empty, for a forgotten receipt of any past date) or "Edit Maintenance
// Entry" (filled with the stored values): the boxes and checks of Record Maintenance, except that
// the date may be any day up to today. OK hands the checked row to store, which
// writes it and may throw (the dialog then stays open with the entries as typed).
class dlgEditMaintenance final : public QDialog
{
    Q_OBJECT

public:
    using Store = std::function<void(const MaintenanceRow&)>;
    dlgEditMaintenance(SharedState& state, const QString& registration,
                       std::optional<MaintenanceEntry> editing, Store store,
                       QWidget* parent = nullptr);
    ~dlgEditMaintenance() override;

    void OKButton_Click();
    void CancelButton_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void saveEntry();
    void refuse(const QString& text);

    SharedState& state_;
    QString registration_;
    std::optional<MaintenanceEntry> editing_;
    Store store_;
    std::unique_ptr<Ui::dlgEditMaintenance> ui;
};
