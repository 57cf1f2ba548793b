#include "Launcher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <memory>

bool DesktopLauncher::open(const QString& path, std::function<void()> failedLater)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        // Watched from the event loop: the window never waits for the viewer.
        auto* process = new QProcess(QCoreApplication::instance());
        process->setProgram(opener);
        process->setArguments({path});
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        auto reported = std::make_shared<bool>(false);
        const auto fail = [failedLater, reported] {
            if (*reported)
                return;
            *reported = true;
            if (failedLater)
                failedLater();
        };
        QObject::connect(process, &QProcess::finished, process,
                         [process, fail](int code, QProcess::ExitStatus status) {
                             if (status != QProcess::NormalExit || code != 0)
                                 fail();
                             process->deleteLater();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, fail](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) {
                                 fail();
                                 process->deleteLater();
                             }
                         });
        process->start();
        return true;
    }
#endif
    (void)failedLater;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
