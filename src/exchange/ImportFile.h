#pragma once

#include "StoreRows.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// What a file holds once read, in Kelmot's terms, and what the caller tells the reading.

// The distance unit of a file's odometer readings.
enum class FileDistance
{
    Unknown,
    Kilometres,
    Miles
};

// A vehicle as the file describes it. Invalid dates stand for dates the file does not give.
struct ImportedVehicle
{
    QString key;   // how the file's rows name the vehicle ("" when the file names none)
    QString name;  // the file's own name for it, when it has one
    QString plate; // its registration plate, when the file gives one
    QString make;
    QString model;
    QString fuel;
    double engineCapacity = 0;
    QDateTime registrationDate;
    QDateTime purchaseDate;
    FileDistance distance = FileDistance::Unknown; // unit of this vehicle's readings
};

// How a fill-up filled the tank, as the file says; files that say nothing are full fills.
struct FillKind
{
    bool partial = false;
    bool missedBefore = false; // a fill-up before this one was not logged
};

// A fill-up already turned into Kelmot's terms: Amount paid and Price Per litre.
struct ImportedReading
{
    int line = 0; // physical line of the file where the row starts (1 = first line)
    QString vehicleKey;
    QDateTime date;
    double odometer = 0;
    FileDistance distance = FileDistance::Unknown; // Unknown: the vehicle's unit
    double amount = 0;
    double pricePerLitre = 0;
    FillKind fill = {};
};

struct ImportedMaintenance
{
    int line = 0;
    QString vehicleKey;
    QDateTime date;
    double cost = 0;
    QString description;
    QString category = CostCategory::Other; // one of CostCategory::All
};

// A reminder the file sets: due at a date, at an odometer reading (in the vehicle's unit) or
// both, and repeating every so many months or so much distance when it does.
struct ImportedReminder
{
    int line = 0;
    QString vehicleKey;
    QString title;
    QDateTime dueDate; // invalid when it is not due at a date
    double dueOdometer = 0;
    int everyMonths = 0;
    double everyDistance = 0;
};

// What a row of a file stands for, so that a refused one is counted with its kind.
enum class RowKind
{
    Other, // a vehicle's details, or a row whose kind cannot be told
    Reading,
    Maintenance
};

// A row the reader could not make sense of (a bad number, a missing column, a cut-off line), or
// one the log cannot hold (fuel measured in kg): refused alone, the vehicle's other rows still
// count.
struct BrokenRow
{
    int line = 0;
    QString vehicleKey; // when it could still be told
    QString reason;
    RowKind kind = RowKind::Other; // the section or column it was read from tells
};

// How a file's day/month/year dates are read: a file's rows decide it, else its own
// declaration, else the caller (kelmot-data --date-order, the preview's question).
enum class DateOrder
{
    Unknown,
    DayFirst,
    MonthFirst
};

// The unit of volume for files that state none (LubeLogger).
enum class VolumeUnit
{
    Litre,
    UsGallon,
    ImperialGallon
};

// Everything read from one file, before any rule of the log is applied.
struct ImportFile
{
    QString format; // the format's name, as ImportFormatNames() lists it
    QVector<ImportedVehicle> vehicles;
    QVector<ImportedReading> readings;
    QVector<ImportedMaintenance> maintenance;
    QVector<ImportedReminder> reminders;
    QVector<BrokenRow> broken;
    int skippedRows = 0; // rows the format says to leave out (Kelmot's Removed rows)

    QString encoding = QStringLiteral("UTF-8"); // "UTF-8", "UTF-16" or "Windows-1252"
    // The order the file's day/month dates were read in (Unknown: it has none, or undecided),
    // and the line of the first row that decided it (0: declared by the file or given).
    DateOrder dateOrder = DateOrder::Unknown;
    int dateOrderLine = 0;
    // No row, declaration or given order tells day from month: the dates that read two ways
    // are broken rows, and these are their lines. Import nothing until the order is given.
    bool dateOrderUndecided = false;
    QVector<int> undecidedDateLines;
    // What reading did to the file, in plain words (encoding, date order, signs read away),
    // and per vehicle key what it did to that vehicle's rows (gallon prices, units assumed).
    QStringList notes;
    QMap<QString, QStringList> vehicleNotes;
};

// What the caller knows that a file may not say.
struct ImportReadOptions
{
    ImportReadOptions(const QString& formatName = {}) : format(formatName) {}
    ImportReadOptions(const char* formatName) : format(QString::fromUtf8(formatName)) {}
    QString format; // empty: told from the content
    DateOrder dateOrder = DateOrder::Unknown;
    VolumeUnit volumeUnit = VolumeUnit::Litre;
};
