#include "FileSafety.h"

#include "StoreError.h"
#include "StoreLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace FileSafety {

namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString randomSuffix()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix +=
            QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return suffix;
}

} // namespace

QString TempArea::NamePrefix(const QString& storeFileName)
{
    return storeFileName + QStringLiteral(".kelmot-temp-");
}

TempArea::TempArea(const QString& folder, const QString& storeFileName, int waitMs)
    : folder_(folder), prefix_(NamePrefix(storeFileName)),
      lock_(std::make_unique<QLockFile>(
          QDir(folder).filePath(storeFileName + QStringLiteral(".kelmot-temp.lock"))))
{
    lock_->setStaleLockTime(0); // only a lock whose process has gone is taken over
    if (StoreLock::TakeOver(*lock_, waitMs))
        return;
    if (lock_->error() == QLockFile::LockFailedError)
        throw StoreError(StoreError::Busy,
                         QStringLiteral("Another backup or restore is writing into %1; try again "
                                        "when it has finished. (If none is, remove %2.)")
                             .arg(shown(folder), shown(lock_->fileName())));
    if (NoRoomIn(folder))
        throw StoreError(
            13, QStringLiteral("The disk that holds the folder %1 is full.").arg(shown(folder)));
    throw StoreError(StoreError::CantOpen,
                     QStringLiteral("No file can be written in the folder %1: it is read-only or "
                                    "not there.")
                         .arg(shown(folder)));
}

TempArea::~TempArea() = default;

void TempArea::removeLeftovers()
{
    const QDir dir(folder_);
    const QStringList names =
        dir.entryList({prefix_ + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        QFile::remove(dir.filePath(name));
}

QString TempArea::newFile()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = QDir(folder_).filePath(prefix_ + randomSuffix());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return path;
        if (file.error() != QFileDevice::OpenError || !QFileInfo::exists(path)) {
            if (NoRoomIn(folder_))
                throw StoreError(13,
                                 QStringLiteral("The disk that holds the folder %1 is full.")
                                     .arg(shown(folder_)),
                                 file.errorString());
            throw StoreError(
                StoreError::CantOpen,
                QStringLiteral("No file can be written in the folder %1.").arg(shown(folder_)),
                file.errorString());
        }
    }
    throw StoreError(
        StoreError::CantOpen,
        QStringLiteral("No new file name is free in the folder %1.").arg(shown(folder_)));
}

void TempArea::remove(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

bool IsLink(const QString& path)
{
    return QFileInfo(path).isSymLink();
}

bool RenameWithoutReplacing(const QString& from, const QString& to)
{
#ifdef Q_OS_UNIX
    // link() refuses any name already there, a dangling link included, in one step.
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
        // A file system without hard links (some shared folders): check, then rename.
#endif
    if (QFileInfo::exists(to) || IsLink(to))
        return false;
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), error);
    return !error;
}

bool RenameReplacing(const QString& from, const QString& to, QString* why)
{
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()),
                            std::filesystem::path(to.toStdU16String()), error);
    if (error && why)
        *why = QString::fromStdString(error.message());
    return !error;
}

bool NoRoomIn(const QString& folder)
{
    // Less than this is no room for a store's page, its journal and a lock file.
    constexpr qint64 kRoomNeeded = 1 << 20;
    const QStorageInfo disk(folder);
    return disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < kRoomNeeded;
}

void CopyPermissions(const QString& model, const QString& path)
{
    const QFileInfo info(model);
    if (info.exists())
        QFile::setPermissions(path, info.permissions());
}

} // namespace FileSafety
