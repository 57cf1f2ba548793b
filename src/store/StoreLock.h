#pragma once

#include <QString>
#include <memory>

class QLockFile;

// The lock file beside the store ("Mileage.mdb.lock") that says a program has it open: Kelmot
// holds it while it runs, and a restore takes it so that it never pulls the store from under
// a running Kelmot. A lock left by a process that no longer runs is taken over.
class StoreLock
{
public:
    explicit StoreLock(const QString& storePath);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // Takes the lock, waiting up to waitMs for another holder to let go; false when a process
    // that still runs holds it.
    bool tryAcquire(int waitMs = 0);
    // After a failed tryAcquire: true when a running process holds the lock, false when the
    // lock file could not be written at all (a read-only folder).
    bool heldByAnother() const;
    void release();
    bool isHeld() const;
    // True when this lock is held and is the one of the store at storePath.
    bool holdsStore(const QString& storePath) const;
    QString lockPath() const { return lockPath_; }

    // The store's real file (links resolved) and the lock file that goes with it: every
    // program that names the store through another link still finds the same lock.
    static QString RealStorePath(const QString& storePath);
    static QString LockPathFor(const QString& storePath);

    // QLockFile::tryLock, and then takes over a lock file that names no owner (a process killed
    // between making it and writing in it) once no process holds it open.
    static bool TakeOver(QLockFile& file, int waitMs);

private:
    QString lockPath_;
    std::unique_ptr<QLockFile> file_;
};
