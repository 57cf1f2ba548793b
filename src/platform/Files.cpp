#include "Files.h"

#include <QCoreApplication>
#include <QDir>

QString QtFiles::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

QString QtFiles::tempFolder() const
{
    return QDir::tempPath();
}
