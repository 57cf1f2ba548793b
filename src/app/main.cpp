#include "QtMessages.h"
#include "Startup.h"
#include "frmMain.h"

#include <QApplication>

namespace {
// Help is silent about every failure until a viewer is built in.
class NoHelpViewer final : public HelpViewer
{
public:
    void showTopic(const QString&, const QString&) override {}
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelmot"));
    QApplication::setOrganizationName(QStringLiteral("Quelb"));
    QApplication::setApplicationVersion(QStringLiteral(KELMOT_VERSION));
    SetUpLocale();

    SystemClock clock;
    QtMessages messages;
    QtSettingsStore settings;
    QtFiles files;
    DesktopLauncher launcher;
    NoHelpViewer help;
    SharedState state(Platform{clock, messages, settings, files, launcher, help});

    StartupResult started = Main(state);
    if (!started.window)
        return started.failureCode == 0 || started.failureCode == WindowUnloadedCode ? 0 : 1;
    const int status = QApplication::exec();
    state.CloseStore();
    return status;
}
