#include "TestEnvironment.h"

#include <QDir>
#include <QLocale>
#include <QStandardPaths>

void PinTestEnvironment()
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

TestPlatform::TestPlatform(bool withStore)
    : files(folder.path(), temp.path())
{
    state = std::make_unique<SharedState>(platform());
    if (withStore) {
        VehicleLog::Create(storePath());
        state->OpenStore(storePath());
    }
}

TestPlatform::~TestPlatform()
{
    state.reset();
}

QString TestPlatform::storePath() const
{
    return QDir(folder.path()).filePath(QStringLiteral("Mileage.mdb"));
}

Platform TestPlatform::platform()
{
    return Platform{clock, messages, settings, files, launcher, help, fileChooser};
}
