#include "Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString QtFiles::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

QString QtFiles::tempFolder() const
{
    const QString named = QDir::tempPath();
    if (QFileInfo(named).isDir())
        return named;
#ifdef Q_OS_UNIX
    // What QDir::tempPath() gives without TMPDIR.
    return QStringLiteral("/tmp");
#else
    return named; // the report then says it could not be written there
#endif
}

QString QtFiles::privateFolder() const
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}
