#include "StoreLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

// A lock file that says no owner (a process killed between making it and writing its name in
// it) is never stale by its owner: it is abandoned when no process keeps it open and locked.
bool abandoned(const QString& path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
#else
    // Elsewhere the owner holds the file open without sharing: removing it fails while it runs.
    Q_UNUSED(path);
    return true;
#endif
}

} // namespace

StoreLock::StoreLock(const QString& storePath)
    : lockPath_(LockPathFor(storePath)), file_(std::make_unique<QLockFile>(lockPath_))
{
    // Kelmot may run for days: only a lock whose process has gone is stale, never an old one.
    file_->setStaleLockTime(0);
}

StoreLock::~StoreLock() = default;

bool StoreLock::tryAcquire(int waitMs)
{
    if (file_->isLocked())
        return true;
    return TakeOver(*file_, waitMs);
}

bool StoreLock::TakeOver(QLockFile& file, int waitMs)
{
    if (file.tryLock(waitMs))
        return true;
    qint64 pid = 0;
    QString host, application;
    if (file.error() != QLockFile::LockFailedError || file.getLockInfo(&pid, &host, &application) ||
        !abandoned(file.fileName()))
        return false;
    return file.removeStaleLockFile() && file.tryLock(0);
}

bool StoreLock::heldByAnother() const
{
    return file_->error() == QLockFile::LockFailedError;
}

void StoreLock::release()
{
    file_->unlock();
}

bool StoreLock::isHeld() const
{
    return file_->isLocked();
}

bool StoreLock::holdsStore(const QString& storePath) const
{
    return isHeld() && LockPathFor(storePath) == lockPath_;
}

QString StoreLock::RealStorePath(const QString& storePath)
{
    const QFileInfo info(storePath);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // A link to a store that is not there yet: its target is where the store belongs.
    if (info.isSymLink())
        return QFileInfo(info.symLinkTarget()).absoluteFilePath();
    return info.absoluteFilePath();
}

QString StoreLock::LockPathFor(const QString& storePath)
{
    return RealStorePath(storePath) + QStringLiteral(".lock");
}
