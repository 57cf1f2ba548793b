#pragma once

#include "ReminderStatus.h"

#include <QString>
#include <QStringList>

// How reminders are worded in the Reminders window, the main window and the start-up message.

// "Overdue", "Due soon" or "Later".
QString StateWord(ReminderState state);
// When it is due: its date, its reading in the unit's plural, or both joined by "or"; a reckoned
// date follows the reading as "(about dd/MM/yyyy)".
QString DueText(const ReminderRow& row, const ReminderStatus& status, const QString& unit);
// "Overdue: MOT. Due soon: Oil change, Tyres." for what is overdue or due soon; empty when
// nothing is.
QString ReminderSummary(const QVector<VehicleReminder>& reminders);
// The start-up message from "registration: summary" lines; empty when there are none.
QString RemindersDueMessage(const QStringList& vehicleLines);
