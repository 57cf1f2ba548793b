#include "Clock.h"
#include "DataTool.h"
#include "SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

int main(int argc, char* argv[])
{
#ifdef Q_OS_UNIX
    // A reader that went away is a write failure to report, not a silent end of the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    // Unbuffered, so every failed write shows in the stream's status rather than vanishing in a
    // C library buffer.
    QFile standardOutput;
    QTextStream err(stderr);
    if (!standardOutput.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        err << "kelmot-data: standard output cannot be written; nothing was done.\n";
        return 1;
    }
    QTextStream out(&standardOutput);
    SystemClock clock;
    QtSettingsStore settings;
    const int status =
        RunDataTool(args, out, err, {clock, settings, QCoreApplication::applicationDirPath()});
    err.flush();
    return status;
}
