#pragma once

#include "SqliteDatabase.h"
#include "StoreRows.h"
#include "TextConversions.h"

#include <QStringList>

// Rows for the store's tests.
namespace StoreTestRows {

// The three tables of a version-1 store, before the removed entries had tables of their own.
inline constexpr char VersionOneTables[] = R"(
    CREATE TABLE "Vehicle Details" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Make" TEXT, "Model" TEXT, "Fuel" TEXT, "Engine Capacity" REAL,
        "Registration Date" TEXT, "Purchase Date" TEXT) STRICT;
    CREATE TABLE "Mileage" ("Registration" TEXT NOT NULL COLLATE NOCASE, "Date" TEXT NOT NULL,
        "Current Mileage" REAL NOT NULL, "Amount" REAL NOT NULL, "Price Per" REAL NOT NULL) STRICT;
    CREATE TABLE "Maintenance" ("Registration" TEXT NOT NULL COLLATE NOCASE,
        "Date" TEXT NOT NULL, "Cost" REAL NOT NULL, "Description" TEXT NOT NULL) STRICT;)";

inline QDateTime day(int y, int m, int d)
{
    return AtMidnight(QDate(y, m, d));
}

inline QDateTime at(int y, int m, int d, int h, int mi)
{
    return QDateTime(QDate(y, m, d), QTime(h, mi), Qt::UTC);
}

inline VehicleRow vehicle(const QString& registration)
{
    VehicleRow row;
    row.Registration = registration;
    row.Make = QStringLiteral("Ford");
    row.Model = QStringLiteral("Fiesta");
    row.Fuel = QStringLiteral("Petrol");
    row.EngineCapacity = 1.25;
    row.RegistrationDate = day(2001, 4, 1);
    row.PurchaseDate = day(2002, 5, 2);
    return row;
}

inline MileageRow reading(const QString& registration, QDateTime date, double mileage,
                          double amount = 0, double price = 0)
{
    return MileageRow{registration, date, mileage, amount, price};
}

inline QStringList mileages(const QVector<MileageRow>& rows)
{
    QStringList out;
    for (const auto& r : rows)
        out << PlainNumber(r.CurrentMileage);
    return out;
}

// Another connection to the file, as a second program or a hand edit would have.
inline void rawExecute(const QString& path, const char* sql,
                       SqliteDatabase::Mode mode = SqliteDatabase::Mode::ReadWrite)
{
    SqliteDatabase db(path, mode, 1000);
    db.execute(sql);
}

} // namespace StoreTestRows
