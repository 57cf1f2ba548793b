#pragma once

#include "StoreRows.h"

#include <QDialog>
#include <functional>
#include <memory>

class Messages;

namespace Ui {
class dlgRemoveLatest;
}

// Shows a vehicle's latest reading or maintenance entry and asks whether to remove it.
// Remove runs the removal (a failure is shown through Messages and the dialog stays open);
// Cancel and the close box leave the log as it is.
class dlgRemoveLatest final : public QDialog
{
    Q_OBJECT

public:
    // unit is the distance unit word for the reading's caption.
    dlgRemoveLatest(Messages& messages, const MileageRow& reading, const QString& unit,
                    std::function<void()> remove, QWidget* parent = nullptr);
    dlgRemoveLatest(Messages& messages, const MaintenanceRow& entry, std::function<void()> remove,
                    QWidget* parent = nullptr);
    ~dlgRemoveLatest() override;

    // Why a vehicle's only reading stays, as every removal command says it.
    static QString OnlyReadingText(const QString& registration);

    void RemoveButton_Click();
    void CancelButton_Click();

private:
    dlgRemoveLatest(Messages& messages, std::function<void()> remove, QWidget* parent);

    Messages& messages_;
    std::function<void()> remove_;
    std::unique_ptr<Ui::dlgRemoveLatest> ui;
};
