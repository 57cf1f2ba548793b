#include "StoreLock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

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
    return file_->tryLock(waitMs);
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
