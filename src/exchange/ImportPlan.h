#pragma once

#include "ExchangeErrors.h"
#include "ExchangeProgress.h"
#include "ImportFile.h"
#include "StoreRows.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class Clock;
class VehicleLog;

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
    int remindersAdded = 0;
    int remindersPresent = 0;
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
    QVector<ReminderRow> newReminders;
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
