#pragma once

#include "StoreSummary.h"

#include <QDialog>
#include <QFutureWatcher>
#include <functional>
#include <memory>
#include <optional>

class Messages;

namespace Ui {
class dlgRestore;
}

// Restore: shows what a backup holds beside what the log holds now and asks before putting the
// backup in the log's place. Both files are read, and the backup restored, on a worker thread so
// the window keeps answering; a backup that cannot be read is told and the dialog closes with
// nothing changed. Cancel and the close box change nothing, until Restore is pressed.
class dlgRestore final : public QDialog
{
    Q_OBJECT

public:
    enum class Stage
    {
        Reading,
        Confirm,
        Restoring,
        Done
    };

    // The main window's part of a restore.
    struct Steps
    {
        // On this thread, before anything is replaced: closes every window that holds the log,
        // and the log itself. Throws, with the log left open, when a window cannot close yet.
        std::function<void()> release;
        // On the worker thread: puts the backup in the log's place and returns the path of the
        // safety copy of the log it replaced; throws StoreError, with nothing changed.
        std::function<QString()> restore;
        // On this thread, afterwards: opens the log again and shows it. failure is empty after a
        // restore, else the reason nothing was changed.
        std::function<void(const QString& safetyCopy, const QString& failure)> reopen;
    };

    dlgRestore(Messages& messages, QString backupPath, QString storePath, Steps steps,
               QWidget* parent = nullptr);
    // Waits for a worker still reading or restoring.
    ~dlgRestore() override;

    Stage stage() const { return stage_; }

    void RestoreButton_Click();
    void CancelButton_Click();

signals:
    void stageChanged(dlgRestore::Stage stage);

public slots:
    // Refused while the backup is being put in place: the log is closed until it is done.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Summaries
    {
        std::optional<StoreSummary> backup;
        QString backupFailure;
        std::optional<StoreSummary> log;
        QString logFailure;
    };
    struct Outcome
    {
        QString safetyCopy;
        QString failure;
    };

    void setStage(Stage stage);
    void showSummaries();
    void finishRestore();

    Messages& messages_;
    QString backupPath_;
    QString storePath_;
    Steps steps_;
    std::unique_ptr<Ui::dlgRestore> ui;
    Stage stage_ = Stage::Reading;
    QFutureWatcher<Summaries> reading_;
    QFutureWatcher<Outcome> restoring_;
};
