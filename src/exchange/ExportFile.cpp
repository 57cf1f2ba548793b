#include "Export.h"
#include "FileSafety.h"
#include "StoreLock.h"
#include "VehicleLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Where an export may go: the rules that keep it from replacing a store, a device or anything
// behind a link, and the checked writing itself.

namespace {

// The byte order mark tells spreadsheets the file is UTF-8.
const QByteArray kByteOrderMark("\xEF\xBB\xBF");

enum class Target
{
    NewFile,      // nothing there yet: written beside it, then renamed into place
    OrdinaryFile, // an ordinary file that may be replaced the same way
    Stream,       // a character device or a pipe: written into, never replaced
};

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

ExchangeError refusal(const QString& path, const char* why)
{
    return ExchangeError(QString::fromLatin1(why).arg(shown(path)));
}

bool sameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// SQLite's database header, and the first bytes of its rollback journal.
bool holdsDatabase(const QString& path)
{
    static const QByteArray database("SQLite format 3", 16); // with its closing NUL
    static const QByteArray journal("\xD9\xD5\x05\xF9\x20\xA1\x63\xD7", 8);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw refusal(path, "%1 cannot be read to make sure it holds no database, so it is "
                            "not replaced; nothing was exported.");
    const QByteArray head = file.read(16);
    return head.startsWith(database) || head.startsWith(journal);
}

// The files SQLite and Kelmot keep beside the store, there or not yet: an export written there
// would be taken for a journal, a lock or a leftover copy, and broken or removed.
bool besideStoreAsItsOwn(const QString& path, const QString& storePath)
{
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity names = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity names = Qt::CaseSensitive;
#endif
    const QFileInfo target(path);
    const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        return false;
    for (const QString& store :
         {QFileInfo(storePath).absoluteFilePath(), StoreLock::RealStorePath(storePath)}) {
        const QFileInfo info(store);
        if (QFileInfo(info.absolutePath()).canonicalFilePath().compare(folder, names) != 0)
            continue;
        const QString name = info.fileName();
        for (const char* suffix : {"-journal", "-wal", "-shm", ".lock", ".kelmot-temp.lock"})
            if (target.fileName().compare(name + QLatin1String(suffix), names) == 0)
                return true;
        if (target.fileName().startsWith(FileSafety::TempArea::NamePrefix(name), names))
            return true;
    }
    return false;
}

// What is at `path` now, or an ExchangeError when an export must not go there.
Target targetAt(const QString& path, const QString& storePath, bool replaceExisting)
{
    const QFileInfo info(path);
    if (info.isSymLink() || info.isJunction())
        throw refusal(path, "%1 is a link; an export is never written through one. Choose the "
                            "file it leads to, or another name; nothing was exported.");
    if (besideStoreAsItsOwn(path, storePath))
        throw refusal(path, "%1 is a name Kelmot keeps for the store's own files (its journal, "
                            "lock and temporary copies); an export never goes there. Choose "
                            "another file; nothing was exported.");
    if (!info.exists())
        return Target::NewFile;
    if (info.isDir())
        throw refusal(path, "%1 is a folder; choose a file name. Nothing was exported.");
#ifdef Q_OS_UNIX
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) == 0 &&
        (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)))
        return Target::Stream;
#endif
    if (!info.isFile())
        throw refusal(path, "%1 is not an ordinary file; nothing was exported.");
    for (const char* part : {"", "-journal", "-wal"})
        if (sameFile(path, storePath + QLatin1String(part)))
            throw refusal(path, "%1 is the store itself; an export never replaces it. Choose "
                                "another file; nothing was exported.");
    if (holdsDatabase(path))
        throw refusal(path, "%1 holds a database (a Kelmot store or another program's); an "
                            "export never replaces one. Choose another file; nothing was "
                            "exported.");
    if (!replaceExisting)
        throw ExportFileExists(
            QStringLiteral("The file %1 already exists; nothing was exported.").arg(shown(path)));
    return Target::OrdinaryFile;
}

QString writeFailure(const QFileDevice& file, const QString& path, const char* outcome)
{
    if (file.error() == QFileDevice::ResourceError ||
        FileSafety::NoRoomIn(QFileInfo(path).absolutePath()))
        return QStringLiteral("There is no room left on the disk for %1; %2.")
            .arg(shown(path), QLatin1String(outcome));
    return QStringLiteral("The file %1 could not be written (%2); %3.")
        .arg(shown(path), file.errorString(), QLatin1String(outcome));
}

void writeReplacing(const QString& path, const QByteArray& bytes, const QString& storePath,
                    bool replaceExisting)
{
    QSaveFile file(path);
    const char* outcome = "nothing was exported";
    if (!file.open(QIODevice::WriteOnly) || file.write(kByteOrderMark) != kByteOrderMark.size() ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw ExchangeError(writeFailure(file, path, outcome));
    // Whatever appeared at the path while the text was written is judged again.
    try {
        if (targetAt(path, storePath, replaceExisting) == Target::Stream)
            throw refusal(path, "%1 changed while the export was made; nothing was exported.");
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        throw ExchangeError(writeFailure(file, path, outcome));
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
    // Only an ordinary file is written on other systems; targetAt never answers Stream there.
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
    const QString storePath = log.path();
    // Judged before the work, so a refusal costs nothing.
    const Target target = targetAt(path, storePath, options.replaceExisting);
    const QByteArray bytes = ExportCsv(log, options, progress);
    if (target == Target::Stream)
        writeInto(path, bytes);
    else
        writeReplacing(path, bytes, storePath, options.replaceExisting);
}
