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

// The start-up failure box: the code first, as it has always shown, then what is wrong in plain
// words and the store's file, unless the words name it already.
QString failureText(int code, const QString& words, const QString& storePath)
{
    QString text = QString::number(code);
    if (!words.isEmpty())
        text += u'\n' + words;
    const QString file = QDir::toNativeSeparators(storePath);
    if (!file.isEmpty() && !words.contains(file))
        text += QStringLiteral("\nFile: ") + file;
    return text;
}

} // namespace

StartupResult Main(SharedState& state)
{
    StartupResult result;
    QString words; // what is wrong, for the box
    QString storePath;
    try {
        const QString folder = state.platform.files.programFolder();
        storePath = QDir(folder).filePath(QStringLiteral("Mileage.mdb"));
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
        words = e.text();
    } catch (const StoreLockRefused& e) {
        result.failureCode = StoreError::Busy;
        words = e.message;
    } catch (const StartupFailure& e) {
        result.failureCode = e.code;
    } catch (const std::exception&) {
        result.failureCode = 51; // an internal failure without a code of its own
        words = QStringLiteral("Kelmot met a fault of its own while starting.");
    }
    if (!result.window)
        state.StoreLockFile.reset();
    if (result.failureCode != 0 && result.failureCode != WindowUnloadedCode)
        state.platform.messages.show(failureText(result.failureCode, words, storePath),
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
