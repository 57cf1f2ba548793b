#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

class Clock;
class SettingsStore;

// What kelmot-data needs from outside the process, so a test can hand in its own.
struct DataToolContext
{
    const Clock& clock;
    const SettingsStore& settings; // the distance-unit preference, read as start-up does
    QString programFolder;         // where Mileage.mdb is when no --store is given
    int busyTimeoutMs = -1;        // how long to wait for another program; -1: the store's own
};

// Exit statuses of kelmot-data.
enum DataToolStatus
{
    DataToolOk = 0,
    DataToolProblems = 1, // check found problems; a store or file failure
    DataToolUsage = 2,    // a usage error, or an import file that is no known format
};

// Runs `kelmot-data [--store PATH] COMMAND ARGS...` (args without the program name), writing
// results to out (and exported CSV when FILE is "-") and messages to err. Returns the exit status.
int RunDataTool(const QStringList& args, QTextStream& out, QTextStream& err,
                const DataToolContext& context);

// The --help text.
QString DataToolHelp();
