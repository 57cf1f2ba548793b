#include "AtomicFile.h"
#include "Export.h"
#include "FileSafety.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Where an export may go, in the words of the export: the rules are AtomicFile's, which keep it
// from replacing a store, a database or anything behind a link. A device or a pipe is written
// into directly, as nothing can be renamed over it.

namespace {

// The byte order mark tells spreadsheets the file is UTF-8.
const QByteArray kByteOrderMark("\xEF\xBB\xBF");

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

ExchangeError refusal(const QString& path, const char* why)
{
    return ExchangeError(QString::fromLatin1(why).arg(shown(path)));
}

// Why an export may not go to `path`, in plain words naming it.
[[noreturn]] void refuse(AtomicFile::Verdict verdict, const QString& path)
{
    using AtomicFile::Verdict;
    switch (verdict) {
    case Verdict::Link:
        throw refusal(path, "%1 is a link; an export is never written through one. Choose the "
                            "file it leads to, or another name; nothing was exported.");
    case Verdict::StoreSideName:
        throw refusal(path, "%1 is a name Kelmot keeps for the store's own files (its journal, "
                            "lock and temporary copies); an export never goes there. Choose "
                            "another file; nothing was exported.");
    case Verdict::Folder:
        throw refusal(path, "%1 is a folder; choose a file name. Nothing was exported.");
    case Verdict::StoreFile:
        throw refusal(path, "%1 is the store itself; an export never replaces it. Choose "
                            "another file; nothing was exported.");
    case Verdict::Unreadable:
        throw refusal(path, "%1 cannot be read to make sure it holds no database, so it is "
                            "not replaced; nothing was exported.");
    case Verdict::Database:
        throw refusal(path, "%1 holds a database (a Kelmot store or another program's); an "
                            "export never replaces one. Choose another file; nothing was "
                            "exported.");
    case Verdict::NotOwn:
        throw refusal(path, "%1 belongs to another user or has a second name; an export never "
                            "replaces such a file. Choose another file; nothing was exported.");
    case Verdict::ReadOnly:
        throw refusal(path, "%1 is read-only, so it is not replaced; nothing was exported.");
    case Verdict::Exists:
        throw ExportFileExists(
            QStringLiteral("The file %1 already exists; nothing was exported.").arg(shown(path)));
    case Verdict::Stream: // only met after the text was written: the name was taken meanwhile
        throw refusal(path, "%1 changed while the export was made; nothing was exported.");
    case Verdict::NotOrdinary:
    case Verdict::NewFile:
    case Verdict::Replace:
        break;
    }
    throw refusal(path, "%1 is not an ordinary file; nothing was exported.");
}

AtomicFile::Rules rulesFor(const ExportOptions& options, const QString& storePath)
{
    AtomicFile::Rules rules;
    rules.replaceExisting = options.replaceExisting;
    rules.storePath = storePath;
    rules.streams = true;
    return rules;
}

QString writeFailure(const QString& path, bool noRoom, const QString& error, const char* outcome)
{
    if (noRoom)
        return QStringLiteral("There is no room left on the disk for %1; %2.")
            .arg(shown(path), QLatin1String(outcome));
    return QStringLiteral("The file %1 could not be written (%2); %3.")
        .arg(shown(path), error, QLatin1String(outcome));
}

QString writeFailure(const QFileDevice& file, const QString& path, const char* outcome)
{
    return writeFailure(path,
                        file.error() == QFileDevice::ResourceError ||
                            FileSafety::NoRoomIn(QFileInfo(path).absolutePath()),
                        file.errorString(), outcome);
}

void writeReplacing(const QString& path, const QByteArray& bytes, const AtomicFile::Rules& rules)
{
    const AtomicFile::Outcome written = AtomicFile::Write(path, {kByteOrderMark, bytes}, rules);
    if (!AtomicFile::MayWrite(written.verdict))
        refuse(written.verdict, path);
    if (!written.done)
        throw ExchangeError(
            writeFailure(path, written.noRoom, written.error, "nothing was exported"));
}

void writeInto(const QString& path, const QByteArray& bytes)
{
#ifdef Q_OS_UNIX
    // Without a reader a pipe would block for ever; O_NOFOLLOW keeps a link swapped in since the
    // check from being followed.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENXIO)
            throw refusal(path, "Nothing is reading from %1; nothing was exported.");
        throw refusal(path, "%1 cannot be written; nothing was exported.");
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !(S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode))) {
        ::close(fd);
        throw refusal(path, "%1 changed while the export was made; nothing was exported.");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFile::AutoCloseHandle)) {
        ::close(fd);
        throw refusal(path, "%1 cannot be written; nothing was exported.");
    }
#else
    // Only an ordinary file is written on other systems; Judge never answers Stream there.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        throw refusal(path, "%1 cannot be written; nothing was exported.");
#endif
    const char* outcome = "what was written into it is incomplete";
    if (file.write(kByteOrderMark) != kByteOrderMark.size() || file.write(bytes) != bytes.size() ||
        !file.flush())
        throw ExchangeError(writeFailure(file, path, outcome));
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw ExchangeError(writeFailure(file, path, outcome));
}

} // namespace

void ExportCsvToFile(VehicleLog& log, const ExportOptions& options, const QString& path,
                     const ExchangeProgress& progress)
{
    const AtomicFile::Rules rules = rulesFor(options, log.path());
    // Judged before the work, so a refusal costs nothing.
    const AtomicFile::Verdict target = AtomicFile::Judge(path, rules);
    if (!AtomicFile::MayWrite(target) && target != AtomicFile::Verdict::Stream)
        refuse(target, path);
    const QByteArray bytes = ExportCsv(log, options, progress);
    if (target == AtomicFile::Verdict::Stream)
        writeInto(path, bytes);
    else
        writeReplacing(path, bytes, rules);
}
