#include "Clock.h"
#include "DataTool.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    QTextStream out(stdout);
    QTextStream err(stderr);
    SystemClock clock;
    QtSettingsStore settings;
    const int status =
        RunDataTool(args, out, err, {clock, settings, QCoreApplication::applicationDirPath()});
    out.flush();
    err.flush();
    return status;
}
