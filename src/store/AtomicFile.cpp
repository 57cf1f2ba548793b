#include "AtomicFile.h"

#include "FileSafety.h"
#include "StoreLock.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace AtomicFile {

namespace {

bool sameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

// The files SQLite and Kelmot keep beside the store, there or not yet: a file written there
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

// SQLite's database header, and the first bytes of its rollback journal; nullopt when the
// file cannot be read to tell.
std::optional<bool> holdsDatabase(const QString& path)
{
    static const QByteArray database("SQLite format 3", 16); // with its closing NUL
    static const QByteArray journal("\xD9\xD5\x05\xF9\x20\xA1\x63\xD7", 8);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(16);
    return head.startsWith(database) || head.startsWith(journal);
}

// Another user's file, or one with a second name: replacing it would take a name that is not
// the user's alone (another user may plant either in a shared folder).
bool notOwn(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) != 0 ||
           status.st_uid != ::geteuid() || status.st_nlink != 1;
#else
    Q_UNUSED(path);
    return false;
#endif
}

bool noRoomFor(const QFileDevice& file, const QString& path)
{
    return file.error() == QFileDevice::ResourceError ||
           FileSafety::NoRoomIn(QFileInfo(path).absolutePath());
}

} // namespace

Verdict Judge(const QString& path, const Rules& rules)
{
    const QFileInfo info(path);
    if (info.isSymLink() || info.isJunction())
        return Verdict::Link;
    if (!rules.storePath.isEmpty() && besideStoreAsItsOwn(path, rules.storePath))
        return Verdict::StoreSideName;
    if (!info.exists())
        return Verdict::NewFile;
    if (info.isDir())
        return Verdict::Folder;
#ifdef Q_OS_UNIX
    struct stat status;
    if (rules.streams && ::lstat(QFile::encodeName(path).constData(), &status) == 0 &&
        (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)))
        return Verdict::Stream;
#endif
    if (!info.isFile())
        return Verdict::NotOrdinary;
    if (!rules.storePath.isEmpty())
        for (const char* part : {"", "-journal", "-wal"})
            if (sameFile(path, rules.storePath + QLatin1String(part)))
                return Verdict::StoreFile;
    if (rules.content == Content::Text) {
        const std::optional<bool> database = holdsDatabase(path);
        if (!database)
            return Verdict::Unreadable;
        if (*database)
            return Verdict::Database;
    }
    if (notOwn(path))
        return Verdict::NotOwn;
    if (!info.isWritable())
        return Verdict::ReadOnly;
    return rules.replaceExisting ? Verdict::Replace : Verdict::Exists;
}

Outcome Write(const QString& path, const QByteArrayList& parts, const Rules& rules)
{
    Outcome outcome;
    outcome.verdict = Judge(path, rules);
    if (!MayWrite(outcome.verdict))
        return outcome;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        outcome.notCreated = true;
        outcome.noRoom = noRoomFor(file, path);
        outcome.error = file.errorString();
        return outcome;
    }
    if (outcome.verdict == Verdict::NewFile && rules.newPermissions)
        file.setPermissions(rules.newPermissions);
    // A write cut short (a file size limit, a disk just filled) is tried on from where it
    // stopped, so the failure that follows carries the system's reason.
    bool whole = true;
    for (const QByteArray& part : parts) {
        qint64 written = 0;
        while (written < part.size()) {
            const qint64 n = file.write(part.constData() + written, part.size() - written);
            if (n <= 0)
                break;
            written += n;
        }
        whole = written == part.size();
        if (!whole)
            break;
    }
    if (!whole || !file.flush() || file.error() != QFileDevice::NoError) {
        outcome.noRoom = noRoomFor(file, path);
        outcome.error = file.errorString();
        file.cancelWriting();
        return outcome;
    }
    outcome.verdict = Judge(path, rules);
    if (!MayWrite(outcome.verdict)) {
        file.cancelWriting();
        return outcome;
    }
    // QSaveFile puts the file on the disk before it takes the target's name.
    outcome.done = file.commit();
    if (!outcome.done) {
        outcome.noRoom = noRoomFor(file, path);
        outcome.error = file.errorString();
    }
    return outcome;
}

Outcome Commit(const QString& filled, const QString& path, const Rules& rules)
{
    Outcome outcome;
    outcome.verdict = Judge(path, rules);
    if (!MayWrite(outcome.verdict))
        return outcome;
    if (outcome.verdict == Verdict::Replace)
        outcome.done = FileSafety::RenameReplacing(filled, path, &outcome.error);
    else
        outcome.done = FileSafety::RenameWithoutReplacing(filled, path);
    return outcome;
}

} // namespace AtomicFile
