#pragma once

#include "SharedState.h"
#include "StoreRows.h"
#include "TextConversions.h"

#include <QCoreApplication>
#include <QEvent>
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

// Stores such a vehicle with its first reading, as Add New Vehicle does.
inline void AddPlainVehicle(SharedState& state, const QString& registration, QDateTime date,
                            double reading)
{
    state.VehicleDetailsTable->AppendVehicle(PlainVehicle(registration),
                                             MileageRow{registration, date, reading, 0, 0});
}

// Deletes the windows closed so far, as the event loop would, so the next opening loads afresh.
inline void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A control found by its objectName; a missing one ends the test run with its name.
template <typename T> T* Child(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}
