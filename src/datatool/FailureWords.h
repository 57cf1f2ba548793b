#pragma once

#include <QString>

class QTextStream;
class StoreError;

// The step of a kelmot-data command a store failure happened in, which tells the file it is
// about: a full disk while backing up is the backup's disk, not the store's.
enum class FailedStep
{
    UsingStore,    // opening, reading or writing the store
    WritingBackup, // the store is open; the backup copy is being made
    Restoring,     // a backup is being checked and put in place of the store
};

struct FailureContext
{
    FailedStep step = FailedStep::UsingStore;
    QString store; // the store's path
    QString other; // the backup being written or restored from, when there is one
    QString outcome = QStringLiteral("nothing was changed"); // what it means for the command
};

// A store failure as kelmot-data prints it: what happened, to which file, and the outcome, in
// the words the windows use; never the engine's number. Without the "kelmot-data: " prefix.
QString StoreFailureWords(const StoreError& e, const FailureContext& context);

// Why writing to `out` failed, for a message: "the disk is full" and the like.
QString OutputFailureReason(const QTextStream& out);
