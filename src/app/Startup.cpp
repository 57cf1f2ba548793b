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

// Another running Kelmot, or a restore under way, holds the store: not a fault of the store.
struct StoreLockRefused
{
    QString message;
};

// Takes the lock file beside the store before the store is opened. A folder where no lock file
// can be made (read-only) leaves the program running without one: no restore can write there.
void lockStore(SharedState& state, const QString& storePath)
{
    auto lock = std::make_unique<StoreLock>(storePath);
    if (lock->tryAcquire(state.StoreLockWaitMilliseconds)) {
        state.StoreLockFile = std::move(lock);
        return;
    }
    if (lock->heldByAnother())
        throw StoreLockRefused{
            QStringLiteral("The vehicle log %1 is already open in another Kelmot, or is being "
                           "restored. Close the other Kelmot, or let the restore finish, then "
                           "start Kelmot again.")
                .arg(QDir::toNativeSeparators(storePath))};
}

} // namespace

StartupResult Main(SharedState& state)
{
    StartupResult result;
    QString plainMessage; // shown instead of the bare code
    try {
        const QString folder = state.platform.files.programFolder();
        const QString storePath = QDir(folder).filePath(QStringLiteral("Mileage.mdb"));
        lockStore(state, storePath);
        state.OpenStore(storePath);
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
    } catch (const StoreLockRefused& e) {
        result.failureCode = StoreError::Busy;
        plainMessage = e.message;
    } catch (const StartupFailure& e) {
        result.failureCode = e.code;
    } catch (const std::exception&) {
        result.failureCode = 51; // an internal failure without a code of its own
    }
    if (!result.window)
        state.StoreLockFile.reset();
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
