#include "ReminderSettings.h"

#include <algorithm>

ReminderThresholds StoredReminderThresholds(const SettingsStore& settings)
{
    ReminderThresholds thresholds;
    if (const auto days = ReadSettingNumber(settings, ReminderSoonDaysKey))
        thresholds.soonDays = static_cast<int>(std::min(*days, 3650.0));
    if (const auto distance = ReadSettingNumber(settings, ReminderSoonDistanceKey))
        thresholds.soonDistance = *distance;
    return thresholds;
}
