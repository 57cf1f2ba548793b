#pragma once

#include "StoreRows.h"
#include "TextConversions.h"

#include <QObject>

// Small helpers shared by the window tests.

// Midnight of a day, as the store keeps dates.
inline QDateTime Day(int y, int m, int d)
{
    return AtMidnight(QDate(y, m, d));
}

// A vehicle with no dates given, for tests that care only about its entries.
inline VehicleRow PlainVehicle(const QString& registration)
{
    VehicleRow v;
    v.Registration = registration;
    v.RegistrationDate = NoDate();
    v.PurchaseDate = NoDate();
    return v;
}

// A control found by its objectName; a missing one ends the test run with its name.
template <typename T> T* Child(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}
