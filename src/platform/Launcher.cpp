#include "Launcher.h"

#include <QDesktopServices>
#include <QUrl>

bool DesktopLauncher::open(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
