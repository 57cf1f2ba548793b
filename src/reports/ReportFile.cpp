#include "ReportFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

enum class Outcome
{
    Written,
    InTheWay, // a link, a file of someone else's, not a regular file: try elsewhere
    Failed
};

bool writeAll(QFile& file, const QByteArray& bytes, QString& error)
{
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
        return false;
    }
    return true;
}

#ifdef Q_OS_UNIX
// Opens without following a link and without blocking on a pipe, then checks what was opened
// before emptying it: only a regular file of the user's own with no other name will do.
Outcome writeSafely(const QString& path, const QByteArray& bytes, QString& error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd =
        ::open(native.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENXIO || errno == EISDIR || errno == EACCES ||
            errno == EPERM || errno == EWOULDBLOCK)
            return Outcome::InTheWay;
        error = QString::fromLocal8Bit(std::strerror(errno));
        return Outcome::Failed;
    }
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        info.st_nlink != 1) {
        ::close(fd);
        return Outcome::InTheWay;
    }
    if (::ftruncate(fd, 0) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return Outcome::Failed;
    }
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        error = file.errorString();
        ::close(fd);
        return Outcome::Failed;
    }
    return writeAll(file, bytes, error) ? Outcome::Written : Outcome::Failed;
}
#else
// Without O_NOFOLLOW: the same refusals, checked before the file is opened.
Outcome writeSafely(const QString& path, const QByteArray& bytes, QString& error)
{
    const QFileInfo info(path);
    if (info.isSymLink() || info.isShortcut() || (info.exists() && !info.isFile()))
        return Outcome::InTheWay;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = file.errorString();
        return Outcome::Failed;
    }
    return writeAll(file, bytes, error) ? Outcome::Written : Outcome::Failed;
}
#endif

bool usableFolder(const QString& folder)
{
    return !folder.isEmpty() && QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir();
}

} // namespace

ReportFileResult WriteReportFile(const QString& folder, const QString& privateFolder,
                                 const QString& fileName, const QByteArray& bytes)
{
    const QString path = QDir(folder).filePath(fileName);
    if (!usableFolder(folder))
        return {path, false, QStringLiteral("the folder does not exist")};
    QString error;
    const Outcome outcome = writeSafely(path, bytes, error);
    if (outcome != Outcome::InTheWay)
        return {path, outcome == Outcome::Written, error};

    // Something not the user's own is in the way in the shared folder: use the user's own.
    if (privateFolder.isEmpty() || !QDir::isAbsolutePath(privateFolder) ||
        !QDir().mkpath(privateFolder) || !usableFolder(privateFolder))
        return {path, false,
                QStringLiteral("another file is in the way and no private folder could be made")};
    QFile::setPermissions(privateFolder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString own = QDir(privateFolder).filePath(fileName);
    const Outcome second = writeSafely(own, bytes, error);
    if (second == Outcome::InTheWay)
        error = QStringLiteral("another file is in the way");
    return {own, second == Outcome::Written, error};
}
