#pragma once

#include "FileValues.h"
#include "StoreRows.h"
#include "TextConversions.h"
#include "VehicleLog.h"

#include <QStringList>

// Rows as exact text (every double to 17 significant digits), so a comparison shows the field
// that differs and never rounds two values into one.
inline QString exact(double value)
{
    return QString::number(value, 'g', 17);
}

// A fill other than full and a kind of cost other than Other end the row's text.
inline QString rowText(const MileageRow& r)
{
    return QStringLiteral("%1|%2|%3|%4|%5%6%7")
        .arg(r.Registration, StoredDateText(r.Date), exact(r.CurrentMileage), exact(r.Amount),
             exact(r.PricePer), QLatin1String(r.PartialFill ? "|partial" : ""),
             QLatin1String(r.MissedFillBefore ? "|missed" : ""));
}

inline QString rowText(const MaintenanceRow& r)
{
    return QStringLiteral("%1|%2|%3|%4%5")
        .arg(r.Registration, StoredDateText(r.Date), exact(r.Cost), r.Description,
             r.Category == CostCategory::Other ? QString() : QLatin1Char('|') + r.Category);
}

inline QString rowText(const VehicleRow& r)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
        .arg(r.Registration, r.Make, r.Model, r.Fuel, exact(r.EngineCapacity),
             StoredDateText(r.RegistrationDate), StoredDateText(r.PurchaseDate));
}

// Every row of the log, vehicle by vehicle, in the store's own orders.
inline QStringList logText(VehicleLog& log)
{
    QStringList out;
    for (const QString& reg : log.ListRegistrations()) {
        out << QStringLiteral("V ") + rowText(*log.FindVehicle(reg));
        for (const auto& m : log.MileageChronological(reg))
            out << QStringLiteral("R ") + rowText(m);
        for (const auto& m : log.MaintenanceByDate(reg))
            out << QStringLiteral("M ") + rowText(m);
    }
    return out;
}
