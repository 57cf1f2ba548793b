#pragma once

#include "ExchangeErrors.h"
#include "ExchangeProgress.h"
#include "ImportFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// Import of other logbooks' export files and Kelmot's own CSV export, with no widgets, so the
// command-line tool and the main window share it. A UI runs each step on a worker thread with a
// VehicleLog connection of its own: ReadImportFile, then PlanImport (writes nothing: the
// preview), then ApplyImport (one transaction).

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
