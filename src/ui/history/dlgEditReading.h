#pragma once

#include "StoreRows.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

struct SharedState;
class QKeyEvent;

namespace Ui {
class dlgEditReading;
}

// "Add Reading" (empty, for a forgotten reading of any past date) or "Edit Reading" (filled with
// the stored values): the boxes and checks of Record Mileage, except that a reading is checked
// against the readings dated before and after it. OK hands the checked row to store, which
// writes it and may throw (the dialog then stays open with the entries as typed).
class dlgEditReading final : public QDialog
{
    Q_OBJECT

public:
    using Store = std::function<void(const MileageRow&)>;
    dlgEditReading(SharedState& state, const QString& registration,
                   std::optional<MileageEntry> editing, Store store, QWidget* parent = nullptr);
    ~dlgEditReading() override;

    void OKButton_Click();
    void CancelButton_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void saveEntry();
    void refuse(const QString& text);

    SharedState& state_;
    QString registration_;
    std::optional<MileageEntry> editing_;
    Store store_;
    std::unique_ptr<Ui::dlgEditReading> ui;
};
