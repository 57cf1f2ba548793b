#include "Startup.h"

#include "frmMain.h"

#include <QDir>
#include <QLocale>

namespace {

class StartupFailure : public std::exception
{
public:
    explicit StartupFailure(int code) : code(code) {}
    const char* what() const noexcept override { return "start-up ended"; }
    int code;
};

} // namespace

StartupResult Main(SharedState& state)
{
    StartupResult result;
    QString plainMessage; // shown instead of the bare code
    try {
        const QString folder = state.platform.files.programFolder();
        state.OpenStore(QDir(folder).filePath(QStringLiteral("Mileage.mdb")));
        state.DistanceUnit = ReadDistanceUnit(state.platform.settings);

        auto window = std::make_unique<frmMain>(state);
        window->Form_Load();
        if (state.FirstRunCancelled) {
            window->close(); // unloading closes the store
            throw StartupFailure(WindowUnloadedCode);
        }
        window->show();
        result.window = std::move(window);
    } catch (const StoreError& e) {
        result.failureCode = e.code();
        // A store from a newer Kelmot is not broken: say so rather than show a number.
        if (e.code() == StoreError::TooNew)
            plainMessage = e.text();
    } catch (const StartupFailure& e) {
        result.failureCode = e.code;
    } catch (const std::exception&) {
        result.failureCode = 51; // an internal failure without a code of its own
    }
    if (result.failureCode != 0 && result.failureCode != WindowUnloadedCode)
        state.platform.messages.show(plainMessage.isEmpty() ? QString::number(result.failureCode)
                                                            : plainMessage,
                                     QStringLiteral("Kelmot"), Messages::Icon::None);
    return result;
}

void SetUpLocale()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    else
        QLocale::setDefault(system);
}
