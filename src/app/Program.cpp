#include "Program.h"

#include "Artwork.h"
#include "ChmHelpViewer.h"
#include "QtFileChooser.h"
#include "QtMessages.h"
#include "Startup.h"
#include "TerminationHandler.h"
#include "frmMain.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>

int RunProgram(int argc, char** argv, const ProgramOptions& options)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelmot"));
    QApplication::setOrganizationName(QStringLiteral("Quelb"));
    QApplication::setApplicationVersion(QStringLiteral(KELMOT_VERSION));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(GaugeIcon())));
    SetUpLocale();

    SystemClock clock;
    QtMessages messages;
    QtSettingsStore settings;
    QtFiles files;
    DesktopLauncher launcher;
    ChmHelpViewer help;
    QtFileChooser fileChooser;
    SharedState state(Platform{clock, messages, settings, files, launcher, help, fileChooser});
    state.SplashMilliseconds = options.splashMilliseconds;

    TerminationHandler termination;
    StartupResult started = Main(state);
    if (!started.window)
        return started.failureCode == 0 || started.failureCode == WindowUnloadedCode ? 0 : 1;
    if (termination.requested()) { // asked to end while the splash was up
        started.window->close();
        return 0;
    }
    if (options.exitOnceShown)
        QTimer::singleShot(0, started.window.get(), [&] { started.window->close(); });
    const int status = QApplication::exec();
    state.CloseStore();
    state.StoreLockFile.reset();
    return status;
}
