#include "ReportFile.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

enum class Outcome
{
    Written,
    InTheWay, // a link, a file of someone else's, not a regular file: try elsewhere
    Failed
};

// Replaces only a regular file of the user's own with no other name, in one step; whatever else
// is at the name, or keeps a file from being made beside it, is in the way and left alone.
Outcome writeSafely(const QString& path, const QString& storePath, const QByteArray& bytes,
                    QString& error)
{
    AtomicFile::Rules rules;
    rules.replaceExisting = true;
    rules.storePath = storePath;
    // Readable by the user alone, as it is written into a shared temporary folder.
    rules.newPermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const AtomicFile::Outcome outcome = AtomicFile::Write(path, {bytes}, rules);
    if (outcome.done)
        return Outcome::Written;
    if (!AtomicFile::MayWrite(outcome.verdict) || (outcome.notCreated && !outcome.noRoom))
        return Outcome::InTheWay;
    error = outcome.error;
    return Outcome::Failed;
}

bool usableFolder(const QString& folder)
{
    return !folder.isEmpty() && QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir();
}

} // namespace

ReportFileResult WriteReportFile(const QString& folder, const QString& privateFolder,
                                 const QString& fileName, const QByteArray& bytes,
                                 const QString& storePath)
{
    const QString path = QDir(folder).filePath(fileName);
    if (!usableFolder(folder))
        return {path, false, QStringLiteral("the folder does not exist")};
    QString error;
    const Outcome outcome = writeSafely(path, storePath, bytes, error);
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
    const Outcome second = writeSafely(own, storePath, bytes, error);
    if (second == Outcome::InTheWay)
        error = QStringLiteral("another file is in the way");
    return {own, second == Outcome::Written, error};
}
