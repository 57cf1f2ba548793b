#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// The settings value that holds the distance unit word.
inline constexpr char DistanceMeasurementKey[] = "Config/Distance_Measurement";
// Whether the cost figures leave purchase costs out: "true" or "false".
inline constexpr char LeavePurchaseOutKey[] = "Config/Leave_Purchase_Out";

// The settings values that say when a reminder counts as due soon: within so many days, or so
// much distance in the distance unit. Written as text, as the unit is.
inline constexpr char ReminderSoonDaysKey[] = "Config/Reminder_Soon_Days";
inline constexpr char ReminderSoonDistanceKey[] = "Config/Reminder_Soon_Distance";

// The per-user settings store; keys are "Group/Name" paths such as "Config/Distance_Measurement".
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // The stored value with its type; an invalid QVariant when there is none.
    virtual QVariant value(const QString& key) const = 0;
    // Creates or opens the store for writing; false when that is impossible.
    virtual bool openForWriting() = 0;
    // Writes a string value and makes it durable; false when it could not be written.
    virtual bool setString(const QString& key, const QString& value) = 0;
};

// QSettings(NativeFormat, UserScope, "Quelb", "Kelmot").
class QtSettingsStore final : public SettingsStore
{
public:
    QVariant value(const QString& key) const override;
    bool openForWriting() override;
    bool setString(const QString& key, const QString& value) override;
};

// The stored distance unit word: only a string value counts, anything else or nothing is "Mile".
QString ReadDistanceUnit(const SettingsStore& settings);

// A number stored under key; none when nothing is stored or it does not read as a number of at
// least 0.
std::optional<double> ReadSettingNumber(const SettingsStore& settings, const char* key);
// Whether purchase costs stay out of the cost figures; anything but a stored "true" is no.
bool ReadLeavePurchaseOut(const SettingsStore& settings);
