#pragma once

#include "GraphTable.h"
#include "Platform.h"
#include "SettingsStore.h"
#include "StoreLock.h"
#include "VehicleLog.h"

#include <QString>
#include <memory>

// The program-wide state: created by start-up and handed by reference to every window and
// routine that reads or writes it. There are no globals, so a test builds its own.
struct SharedState
{
    explicit SharedState(Platform platform) : platform(platform) {}
    SharedState(const SharedState&) = delete;
    SharedState& operator=(const SharedState&) = delete;
    ~SharedState();

    // Opens the store and its three append cursors; throws StoreError.
    void OpenStore(const QString& path);
    // Closes the cursors and the store; nothing can touch the store afterwards.
    void CloseStore();
    bool StoreOpen() const { return LogDatabase && LogDatabase->isOpen(); }

    Platform platform;

    // The lock file beside the store, held from start-up until the program ends, so that no
    // restore replaces the store under the running program. CloseStore leaves it held: the
    // main window's own restore closes the store and reopens it while it keeps the lock.
    std::unique_ptr<StoreLock> StoreLockFile;
    std::unique_ptr<VehicleLog> LogDatabase;
    std::unique_ptr<MileageCursor> MileageTable;
    std::unique_ptr<MaintenanceCursor> MaintenanceTable;
    std::unique_ptr<VehicleDetailsCursor> VehicleDetailsTable;

    QString CurrentRegistration;
    bool FirstRunCancelled = false;
    GraphTable GraphPoints = EmptyGraphTable();
    GraphTable MonthlyTotals = EmptyGraphTable();
    QString DistanceUnit = QStringLiteral("Mile");
    qint32 LastCallResult = 0;

    // How long the splash stays at start-up; tests set 0, which skips it.
    int SplashMilliseconds = 3000;
    // How long start-up waits for another holder of the store's lock file (a restore finishing).
    int StoreLockWaitMilliseconds = 3000;
};
