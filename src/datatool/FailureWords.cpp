#include "FailureWords.h"

#include "StoreError.h"

#include <QDir>
#include <QFileDevice>
#include <QTextStream>

namespace {

// SQLite's primary codes as StoreError carries them.
enum Code
{
    Error = 1, // also the store's own code for a file without the log's tables
    Permission = 3,
    Busy = StoreError::Busy,
    Locked = 6,
    NoMemory = 7,
    ReadOnly = 8,
    Io = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = StoreError::CantOpen,
    NotADatabase = 26,
    TooNew = StoreError::TooNew,
};

QString named(const char* what, const QString& path)
{
    return QLatin1String(what) + QLatin1Char(' ') + QDir::toNativeSeparators(path);
}

// The words for a failure about `file` ("the store /x/Mileage.mdb"); empty for a code that has
// none here, whose own text then stands.
QString sentence(const StoreError& e, const QString& file, const QString& outcome)
{
    switch (e.code()) {
    case Busy:
    case Locked:
        return QStringLiteral("%1 is in use by another program, so %2; try again in a moment.")
            .arg(file, outcome);
    case Full:
        return QStringLiteral("the disk that holds %1 is full, so %2.").arg(file, outcome);
    case ReadOnly:
    case Permission:
        return QStringLiteral("%1 cannot be written: the file or its folder is read-only, so %2.")
            .arg(file, outcome);
    case Io:
        return QStringLiteral("%1 could not be read or written because of a disk or network "
                              "fault, so %2.")
            .arg(file, outcome);
    case NotADatabase:
    case Error:
        return QStringLiteral("%1 is not a vehicle log, so %2.").arg(file, outcome);
    case Corrupt:
        return QStringLiteral("%1 is damaged, so %2; kelmot-data check tells more.")
            .arg(file, outcome);
    case CantOpen:
        return QStringLiteral("%1 cannot be opened, so %2.").arg(file, outcome);
    case NoMemory:
        return QStringLiteral("there was not enough memory to work on %1, so %2.")
            .arg(file, outcome);
    case TooNew:
        // The store's own words carry both version numbers.
        return QStringLiteral("%1: %2").arg(file, e.text());
    default:
        return QString();
    }
}

} // namespace

QString StoreFailureWords(const StoreError& e, const FailureContext& context)
{
    const QString store = named("the store", context.store);
    QString words;
    switch (context.step) {
    case FailedStep::UsingStore:
        words = sentence(e, store, context.outcome);
        break;
    case FailedStep::WritingBackup:
        // The store is open and only read; what fails in writing is the backup's.
        if (e.code() == Busy || e.code() == Locked)
            words = sentence(e, store, context.outcome);
        else if (e.code() == Full || e.code() == ReadOnly || e.code() == Permission ||
                 e.code() == Io)
            words = sentence(e, named("the backup", context.other), context.outcome);
        break;
    case FailedStep::Restoring:
        if (e.code() == Busy || e.code() == Locked || e.code() == Full)
            words = sentence(e, store, context.outcome);
        else if (e.code() == NotADatabase || e.code() == Error)
            words = QStringLiteral("%1 is not a sound Kelmot store: it is not a vehicle log, so "
                                   "%2.")
                        .arg(QDir::toNativeSeparators(context.other), context.outcome);
        break;
    }
    // The store's whole-file operations word their own failures with the file they are about.
    return words.isEmpty() ? e.text() : words;
}

QString OutputFailureReason(const QTextStream& out)
{
    if (const auto* file = qobject_cast<const QFileDevice*>(out.device())) {
        if (file->error() == QFileDevice::ResourceError)
            return QStringLiteral("the disk is full");
        if (file->error() != QFileDevice::NoError)
            return file->errorString().toLower(); // "broken pipe" when the reader went away
    }
    // A write cut short tells no reason.
    return QStringLiteral("it stopped taking text: the disk is full or the program reading it "
                          "has ended");
}
