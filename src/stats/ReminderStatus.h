#pragma once

#include "StoreRows.h"

#include <QDate>
#include <QVector>
#include <optional>

// When a reminder counts as due soon: within so many days, or so much distance (in the unit the
// readings are in).
struct ReminderThresholds
{
    int soonDays = 30;
    double soonDistance = 500;
};

// How far a vehicle goes: its latest reading and its recent distance per day.
struct ReadingPace
{
    std::optional<double> latest;
    QDate latestDate;
    std::optional<double> perDay; // none when it cannot be told (too few readings, no distance)
};

// The days before the latest reading over which the distance per day is taken.
inline constexpr int PaceDays = 90;

// Over the readings of the PaceDays before the latest one (or the last two readings when fewer
// lie in that span), the distance between the first and the latest over the days between them.
// readings in MileageChronological's order; one pass.
ReadingPace PaceOf(const QVector<MileageRow>& readings);

enum class ReminderState
{
    Later,
    DueSoon,
    Overdue
};

struct ReminderStatus
{
    ReminderState state = ReminderState::Later;
    // The due date, or for a reminder due at a reading the date it is reckoned to be reached,
    // whichever comes first; null when neither is known.
    QDate due;
    bool estimated = false; // due was reckoned from the distance per day
};

// Overdue once its date has passed or its reading is reached; due soon when its date, its
// reckoned date or its reading lies within the thresholds. A reckoned date alone never makes a
// reminder overdue: only a recorded reading does.
ReminderStatus StatusOf(const ReminderRow& reminder, const ReadingPace& pace, const QDate& today,
                        const ReminderThresholds& thresholds);

class VehicleLog;

// One of a vehicle's reminders with its status today.
struct VehicleReminder
{
    ReminderEntry entry;
    ReminderStatus status;
};

// The vehicle's reminders, in the order they were added, each with its status: one read of its
// readings for them all.
QVector<VehicleReminder> RemindersOf(VehicleLog& log, const QString& registration,
                                     const QDate& today, const ReminderThresholds& thresholds);
