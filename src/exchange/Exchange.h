#pragma once

#include "StoreRows.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <stdexcept>

class Clock;
class QIODevice;
class VehicleLog;

// Import of other logbooks' export files and Kelmot's own CSV export, with no widgets, so the
// command-line tool and the main window share it. A UI runs each step on a worker thread with a
// VehicleLog connection of its own: ReadImportFile, then PlanImport (writes nothing: the
// preview), then ApplyImport (one transaction).

// Called now and then with the work done out of the total (any unit); false cancels the step.
using ExchangeProgress = std::function<bool(qint64 done, qint64 total)>;

// A failure of an import or export step in plain words; nothing was stored.
class ExchangeError : public std::runtime_error
{
public:
    explicit ExchangeError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// A file that could not be read at all (no known format, unreadable, empty).
class ImportError : public ExchangeError
{
public:
    using ExchangeError::ExchangeError;
};

// An export refused because its file already exists and replacing it was not asked for.
class ExportFileExists : public ExchangeError
{
public:
    using ExchangeError::ExchangeError;
};

// Thrown when the progress callback returned false; nothing stored.
class ExchangeCancelled : public ExchangeError
{
public:
    ExchangeCancelled();
};

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
};

struct ImportedMaintenance
{
    int line = 0;
    QString vehicleKey;
    QDateTime date;
    double cost = 0;
    QString description;
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

// The names --format takes, in the order detection tries them.
QStringList ImportFormatNames();
// Reads a device record by record in the given format, or the first format whose detection
// accepts its first lines. Throws ImportError when no format fits, the forced one does not
// exist, a line is absurdly long, or memory runs out; nothing is kept then.
ImportFile ReadImportDevice(QIODevice& device, const ImportReadOptions& options = {},
                            const ExchangeProgress& progress = {});
// ReadImportDevice over bytes in memory.
ImportFile ReadImportContent(const QByteArray& content, const ImportReadOptions& options = {},
                             const ExchangeProgress& progress = {});
// Reads a file from disk as ReadImportDevice; an unreadable file is an ImportError too.
ImportFile ReadImportFile(const QString& path, const ImportReadOptions& options = {},
                          const ExchangeProgress& progress = {});

struct ImportOptions
{
    QString logUnit = QStringLiteral("Mile"); // the log's distance unit word: "Mile" or "Kilometre"
    // A file's vehicle key -> the registration to file its rows under (overrides plate/name).
    QMap<QString, QString> registrationFor;
    // File vehicle keys to leave out altogether.
    QSet<QString> skipKeys;
};

// A row the log's rules turn away, with the file line it came from.
struct RefusedRow
{
    int line = 0;
    QString what;                  // "reading", "maintenance" or "row"
    QString reason;                // plain words
    RowKind kind = RowKind::Other; // what it is counted as; a "row" may be either
};

// What an import does to one vehicle.
struct VehicleImportSummary
{
    QString key;             // the file's vehicle key
    QString registration;    // where its rows go; empty when the file names none and none was given
    bool newVehicle = false; // the vehicle is not in the log yet and will be added
    int readingsAdded = 0;
    int readingsPresent = 0;
    int maintenanceAdded = 0;
    int maintenancePresent = 0;
    QVector<RefusedRow> refused; // in line order
    QStringList conversions;     // unit conversions made, in plain words
    QString fileName;            // the plate or name the file gives the vehicle
    QStringList notes;           // other things the plan decided, in plain words
    // Rows equal to an earlier row of the file: one entry made twice, stored once and counted
    // as present.
    QVector<RefusedRow> repeated;
};

// The preview: what ApplyImport will store. Holds the rows themselves.
struct ImportPlan
{
    QString format;
    QVector<VehicleImportSummary> vehicles;
    QVector<RefusedRow> refusedElsewhere; // broken rows that belong to no known vehicle
    int skippedRows = 0;
    QStringList notes; // the file's own notes (ImportFile::notes)
    // The rows to store, in the order they are appended.
    QVector<VehicleRow> newVehicles;
    QVector<MileageRow> newMileage;
    QVector<MaintenanceRow> newMaintenance;
    bool needsRegistration() const; // some vehicle has no registration yet (map it first)
    bool addsNothing() const;
    // The same rows to store, in the same order (a plan made again finds the store unchanged).
    bool storesSameRowsAs(const ImportPlan& other) const;
};

// The registration among registrations that equals name apart from blanks and letter case
// ("AB12CDE" for "AB12 CDE"); empty when there is none.
QString MatchingRegistration(const QString& name, const QStringList& registrations);

// Applies the log's rules to the file's rows against the log as it stands. Writes nothing.
ImportPlan PlanImport(VehicleLog& log, const ImportFile& file, const ImportOptions& options,
                      const Clock& clock, const ExchangeProgress& progress = {});
// Stores the plan's rows in one transaction: all of them or, on any failure, none.
void ApplyImport(VehicleLog& log, const ImportPlan& plan, const ExchangeProgress& progress = {});
// Plans and stores in one transaction under the store's write lock, so that no other writer
// (a second import of the same file) can come in between: rows it stored are found already
// present. With expected (the previewed plan), stores only when the plan made under the lock is
// the same; otherwise stores nothing and returns false, with the new plan in plan. Stores nothing
// either while some vehicle of the file still needs a registration.
bool ImportUnderWriteLock(VehicleLog& log, const ImportFile& file, const ImportOptions& options,
                          const Clock& clock, ImportPlan& plan,
                          const ImportPlan* expected = nullptr,
                          const ExchangeProgress& progress = {});
// The plan in plain words, per vehicle, as kelmot-data prints it and the preview shows it.
QString ImportSummaryText(const ImportPlan& plan, bool applied);
// A count with its noun: "1 row", "3 rows" (many is the plural), as the import's words give it.
QString CountText(qsizetype n, const QString& one, const QString& many);

struct ExportOptions
{
    QString logUnit = QStringLiteral("Mile"); // recorded with every reading
    QString registration;                     // empty: every vehicle
    bool includeRemoved = false;              // also the Removed Mileage / Maintenance rows
    bool replaceExisting = false; // ExportCsvToFile may replace an existing ordinary file
};

// Kelmot's own CSV of the log (UTF-8, RFC 4180), as README.md describes it column by column;
// a text a spreadsheet would run as a formula is guarded (FormulaGuard.h).
// Throws StoreError, and ExchangeError when the registration is not in the log.
QByteArray ExportCsv(VehicleLog& log, const ExportOptions& options,
                     const ExchangeProgress& progress = {});
// Writes ExportCsv, after a byte order mark, to a file, replacing it only once the whole text is
// written. Never replaces the log's store or any other database, never writes through a link and
// never into a folder; a character device or a pipe with a reader is written into directly. An
// existing ordinary file is replaced only with options.replaceExisting (else ExportFileExists).
// Every write is checked: a failure is an ExchangeError in plain words naming the file.
void ExportCsvToFile(VehicleLog& log, const ExportOptions& options, const QString& path,
                     const ExchangeProgress& progress = {});
