#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

// Plain rows of the three tables. Dates are naive date-times (see TextConversions.h);
// NoDate() stands for a date that was not given and an Engine Capacity of 0 for no capacity.

struct VehicleRow
{
    QString Registration;
    QString Make;
    QString Model;
    QString Fuel;
    double EngineCapacity = 0;
    QDateTime RegistrationDate;
    QDateTime PurchaseDate;
};

struct MileageRow
{
    QString Registration;
    QDateTime Date;
    double CurrentMileage = 0;
    double Amount = 0;
    double PricePer = 0;
};

// Moved, not copied, when a long list of readings grows.
Q_DECLARE_TYPEINFO(MileageRow, Q_RELOCATABLE_TYPE);

struct MaintenanceRow
{
    QString Registration;
    QDateTime Date;
    double Cost = 0;
    QString Description;
};

struct RemovedMileageRow
{
    MileageRow row;
    QDateTime RemovedAt;
};

struct RemovedMaintenanceRow
{
    MaintenanceRow row;
    QDateTime RemovedAt;
};

// Rows written together in one transaction: all stored or none (used by import).
struct LogBatch
{
    QVector<VehicleRow> vehicles;
    QVector<MileageRow> mileage;
    QVector<MaintenanceRow> maintenance;
};
