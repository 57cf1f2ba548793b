#include "ReminderStatus.h"

#include "VehicleLog.h"

#include <cmath>

ReadingPace PaceOf(const QVector<MileageRow>& readings)
{
    ReadingPace pace;
    if (readings.isEmpty())
        return pace;
    const MileageRow& latest = readings.last();
    pace.latest = latest.CurrentMileage;
    pace.latestDate = latest.Date.date();
    const QDate from = pace.latestDate.addDays(-PaceDays);
    // The earliest reading inside the span, else the one before the latest.
    qsizetype first = readings.size() - 1;
    while (first > 0 && readings[first - 1].Date.date() >= from)
        --first;
    if (first == readings.size() - 1)
        --first;
    if (first < 0)
        return pace;
    const qint64 days = readings[first].Date.date().daysTo(pace.latestDate);
    const double distance = latest.CurrentMileage - readings[first].CurrentMileage;
    if (days > 0 && distance > 0)
        pace.perDay = distance / static_cast<double>(days);
    return pace;
}

ReminderStatus StatusOf(const ReminderRow& reminder, const ReadingPace& pace, const QDate& today,
                        const ReminderThresholds& thresholds)
{
    ReminderStatus status;
    bool overdue = false;
    bool soon = false;
    if (reminder.DueDate.isValid()) {
        status.due = reminder.DueDate.date();
        const qint64 days = today.daysTo(status.due);
        overdue = days < 0;
        soon = days <= thresholds.soonDays;
    }
    if (reminder.DueMileage > 0 && pace.latest) {
        const double left = reminder.DueMileage - *pace.latest;
        overdue = overdue || left <= 0;
        soon = soon || left <= thresholds.soonDistance;
        if (left > 0 && pace.perDay) {
            const QDate reckoned =
                pace.latestDate.addDays(static_cast<qint64>(std::ceil(left / *pace.perDay)));
            soon = soon || today.daysTo(reckoned) <= thresholds.soonDays;
            if (status.due.isNull() || reckoned < status.due) {
                status.due = reckoned;
                status.estimated = true;
            }
        }
    }
    status.state =
        overdue ? ReminderState::Overdue : (soon ? ReminderState::DueSoon : ReminderState::Later);
    return status;
}

QVector<VehicleReminder> RemindersOf(VehicleLog& log, const QString& registration,
                                     const QDate& today, const ReminderThresholds& thresholds)
{
    QVector<VehicleReminder> out;
    const QVector<ReminderEntry> entries = log.Reminders(registration);
    if (entries.isEmpty())
        return out;
    const ReadingPace pace = PaceOf(log.MileageChronological(registration));
    for (const ReminderEntry& entry : entries)
        out.append({entry, StatusOf(entry.row, pace, today, thresholds)});
    return out;
}
