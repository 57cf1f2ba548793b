#pragma once

#include "ExchangeErrors.h"
#include "ExchangeProgress.h"

#include <QByteArray>
#include <QString>

class VehicleLog;

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
// written (AtomicFile.h). Never replaces the log's store, any other database, a read-only file
// or one that is another user's or has a second name; never writes through a link, into a
// folder or onto a name of the store's own files; a character device or a pipe with a reader is
// written into directly. An existing ordinary file is replaced only with
// options.replaceExisting (else ExportFileExists). Every write is checked: a failure is an
// ExchangeError in plain words naming the file.
void ExportCsvToFile(VehicleLog& log, const ExportOptions& options, const QString& path,
                     const ExchangeProgress& progress = {});
