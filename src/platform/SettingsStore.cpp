#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QSettings>
#include <QtNumeric>

QVariant QtSettingsStore::value(const QString& key) const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quelb"),
                       QStringLiteral("Kelmot"));
    return settings.value(key);
}

bool QtSettingsStore::openForWriting()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quelb"),
                       QStringLiteral("Kelmot"));
    if (!settings.isWritable())
        return false;
    // QSettings creates its folder lazily; make sure the place exists and takes a file.
    const QFileInfo file(settings.fileName());
    return QDir().mkpath(file.absolutePath()) && QFileInfo(file.absolutePath()).isWritable();
}

bool QtSettingsStore::setString(const QString& key, const QString& value)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quelb"),
                       QStringLiteral("Kelmot"));
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString ReadDistanceUnit(const SettingsStore& settings)
{
    const QVariant value = settings.value(QString::fromLatin1(DistanceMeasurementKey));
    if (value.isValid() && value.typeId() == QMetaType::QString)
        return value.toString();
    return QStringLiteral("Mile");
}

std::optional<double> ReadSettingNumber(const SettingsStore& settings, const char* key)
{
    bool ok = false;
    const double number = settings.value(QString::fromLatin1(key)).toString().toDouble(&ok);
    if (!ok || !qIsFinite(number) || number < 0)
        return std::nullopt;
    return number;
}

bool ReadLeavePurchaseOut(const SettingsStore& settings)
{
    return settings.value(QString::fromLatin1(LeavePurchaseOutKey)).toString() ==
           QStringLiteral("true");
}
