#include "ReminderSettings.h"
#include "ReminderWords.h"
#include "WindowSupport.h"
#include "dlgReminders.h"
#include "frmMain.h"
#include "ui_frmMain.h"

// Vehicle > Reminders, the one-line summary beside the current reading, and the start-up
// message of what is overdue or due soon.

void frmMain::Reminders_Click()
{
    QWidget* window = ShowOnce(reminders_, [this] {
        return new dlgReminders(
            state_, [this] { ShowReminderSummary(); }, this);
    });
    static_cast<dlgReminders*>(window)->ShowVehicle(state_.CurrentRegistration);
}

void frmMain::ShowReminderSummary()
{
    const QString summary = ReminderSummary(
        RemindersOf(*state_.LogDatabase, state_.CurrentRegistration, state_.platform.clock.today(),
                    StoredReminderThresholds(state_.platform.settings)));
    ui->lblReminders->setText(summary);
    ui->lblReminders->setToolTip(summary);
}

void frmMain::ShowRemindersDue()
{
    Guarded(state_.platform.messages, [this] {
        const ReminderThresholds thresholds = StoredReminderThresholds(state_.platform.settings);
        const QDate today = state_.platform.clock.today();
        QStringList lines;
        for (const QString& registration : state_.LogDatabase->ListRegistrations()) {
            const QString summary =
                ReminderSummary(RemindersOf(*state_.LogDatabase, registration, today, thresholds));
            if (!summary.isEmpty())
                lines << registration + QStringLiteral(": ") + summary;
        }
        const QString message = RemindersDueMessage(lines);
        if (!message.isEmpty())
            state_.platform.messages.show(message, QStringLiteral("Kelmot"),
                                          Messages::Icon::Information);
    });
}
