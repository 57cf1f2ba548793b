#include "StoreError.h"
#include "VehicleLog.h"
#include "WindowSupport.h"
#include "dlgRestore.h"
#include "frmMain.h"
#include "ui_frmMain.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

// File > Restore: a backup chosen through the FileChooser seam, confirmed in dlgRestore, then put
// in the log's place with every window let go of the log, and the log shown again afterwards.

namespace {

const QString BackupFilter = QStringLiteral("Kelmot stores (*.mdb);;All files (*)");

bool IsSameFile(const QString& a, const QString& b)
{
    const QFileInfo first(a), second(b);
    return first.exists() && second.exists() &&
           first.canonicalFilePath() == second.canonicalFilePath();
}

} // namespace

void frmMain::Restore_Click()
{
    if (restore_) { // one restore at a time: bring the open one to the front
        ShowOnce(restore_, [] { return nullptr; });
        return;
    }
    const QString backup =
        state_.platform.fileChooser.openFile(QStringLiteral("Restore"), BackupFilter);
    if (backup.isEmpty())
        return;
    // The log's own place, even when an earlier restore could not open it again.
    const QString store =
        state_.LogDatabase
            ? state_.LogDatabase->path()
            : QDir(state_.platform.files.programFolder()).filePath(QStringLiteral("Mileage.mdb"));
    if (IsSameFile(backup, store)) {
        ShowPlainMessage(QStringLiteral("That is the log itself, not a backup of it. Choose a "
                                        "backup; nothing was changed."));
        return;
    }
    dlgRestore::Steps steps;
    steps.release = [this] { ReleaseStoreForRestore(); };
    // Runs on the worker thread: it reads the clock and the program's own lock on the log, which
    // lives until the program ends, and touches nothing else.
    steps.restore = [backup, store, &clock = state_.platform.clock,
                     lock = state_.StoreLockFile.get()] {
        RestoreOptions options;
        options.now = clock.now();
        options.heldLock = lock;
        return VehicleLog::Restore(backup, store, options);
    };
    steps.reopen = [this, store, backup](const QString& safetyCopy, const QString& failure) {
        ReopenAfterRestore(store, backup, safetyCopy, failure);
    };
    ShowOnce(restore_, [&] {
        return new dlgRestore(state_.platform.messages, backup, store, std::move(steps), this);
    });
}

void frmMain::ReleaseStoreForRestore()
{
    // An import being stored writes through a connection of its own: it cannot be cut short.
    if (import_) {
        import_->close();
        if (import_ && import_->isVisible())
            throw std::runtime_error("An import is still being stored. Let it finish, then "
                                     "restore; nothing was changed.");
    }
    for (QPointer<QWidget>* window : {&recordMileage_, &recordMaintenance_, &addVehicle_, &export_,
                                      &removeReading_, &removeMaintenance_, &graphs_})
        if (*window)
            (*window)->close();
    // Nothing in the main window may reach for the log while it is closed.
    centralWidget()->setEnabled(false);
    menuBar()->setEnabled(false);
    state_.CloseStore();
}

void frmMain::ReopenAfterRestore(const QString& storePath, const QString& backup,
                                 const QString& safetyCopy, const QString& failure)
{
    centralWidget()->setEnabled(true);
    menuBar()->setEnabled(true);
    // A new connection's change stamp may equal the old one's: the graphs are drawn afresh.
    graphSource_.clear();
    const QString shownBackup = QDir::toNativeSeparators(backup);
    const QString shownCopy = QDir::toNativeSeparators(safetyCopy);
    try {
        state_.OpenStore(storePath);
    } catch (const StoreError& e) {
        DrawGraphs(); // with no log open, the graphs are only cleared
        state_.platform.messages.show(
            (failure.isEmpty()
                 ? QStringLiteral("The log was restored from %1, but it could not be opened: %2 "
                                  "The log as it was before is kept as %3.")
                       .arg(shownBackup, e.text(), shownCopy)
                 : QStringLiteral("%1 The log could not be opened again: %2")
                       .arg(failure, e.text())) +
                QStringLiteral(" Close Kelmot and start it again."),
            QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
        return;
    }
    // The restored log may lack registrations the list holds: it is filled from empty.
    ui->cmbVehicleReg->clear();
    FillVehicleList();
    ShowVehicleDetails();
    if (failure.isEmpty())
        ShowPlainMessage(
            safetyCopy.isEmpty()
                ? QStringLiteral("The log was restored from %1.").arg(shownBackup)
                : QStringLiteral("The log was restored from %1. The log as it was before is kept "
                                 "as %2.")
                      .arg(shownBackup, shownCopy));
    else
        state_.platform.messages.show(failure, QStringLiteral("Kelmot"),
                                      Messages::Icon::Exclamation);
}
