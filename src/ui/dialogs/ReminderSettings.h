#pragma once

#include "ReminderStatus.h"
#include "SettingsStore.h"

// When a reminder counts as due soon, as the Preferences dialog stored it; the defaults (30 days,
// 500 in the distance unit) for what is not stored.
ReminderThresholds StoredReminderThresholds(const SettingsStore& settings);
