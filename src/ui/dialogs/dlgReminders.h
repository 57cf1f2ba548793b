#pragma once

#include "SharedState.h"
#include "StoreRows.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class dlgReminders;
}

// Vehicle > Reminders: the shown vehicle's reminders with their due and status. Add and Edit
// take the boxes below the list; Done records the work as a maintenance entry and moves the
// reminder to its next due. changed() runs after every change, so the main window's summary
// follows.
class dlgReminders final : public QDialog
{
    Q_OBJECT

public:
    dlgReminders(SharedState& state, std::function<void()> changed, QWidget* parent = nullptr);
    ~dlgReminders() override;

    // Lists the reminders of that vehicle (the main window's vehicle, as it changes).
    void ShowVehicle(const QString& registration);

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdDone_Click();

private:
    void FillList();
    void ShowSelected();
    // The reminder the boxes describe; none, after one message, when a box is refused.
    std::optional<ReminderRow> TypedReminder();
    qint64 SelectedId() const;
    void refuse(const QString& text);
    void afterChange();

    SharedState& state_;
    std::function<void()> changed_;
    QString registration_;
    QVector<ReminderEntry> entries_;
    std::unique_ptr<Ui::dlgReminders> ui;
};
