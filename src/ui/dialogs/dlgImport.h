#pragma once

#include "Exchange.h"

#include <QAtomicInteger>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

struct SharedState;
class QThread;

namespace Ui {
class dlgImport;
}

// Import: reads a file and shows what importing it would do (per vehicle: rows to add, rows
// already present, rows refused with their lines and reasons, unit conversions), then imports
// it on Import or stores nothing on Cancel. Reading, checking and storing run on a worker thread
// with a store connection of its own, so the window keeps answering; the progress bar follows
// them and Cancel stops them with nothing stored.
class dlgImport final : public QDialog
{
    Q_OBJECT

public:
    enum class Stage
    {
        Reading,
        Preview,
        Importing,
        Done
    };

    // imported refreshes the main window once rows were stored.
    dlgImport(SharedState& state, QString filePath, std::function<void()> imported,
              QWidget* parent = nullptr);
    // Stops the worker (nothing stored when it was still working) and waits for it.
    ~dlgImport() override;

    Stage stage() const { return stage_; }
    const ImportPlan& plan() const { return *plan_; }

    void ImportButton_Click();
    void CancelButton_Click();
    void cmdUseRegistration_Click();

signals:
    // A stage began (after the worker finished the one before).
    void stageChanged(dlgImport::Stage stage);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void setStage(Stage stage);
    // Runs work on the worker thread; then done on this thread with the failure text, if any
    // ("" for success), unless the dialog is gone by then.
    void runWorker(const QString& caption, std::function<void()> work,
                   std::function<void(const QString& failure, bool cancelled)> done);
    bool closedAfter(const QString& failure, bool cancelled);
    void plan();
    void showPlan();
    void finishImport();
    void stopWorker();
    bool progress(qint64 done, qint64 total);
    void showProgress();

    SharedState& state_;
    QString filePath_;
    QString storePath_;
    std::function<void()> imported_;
    std::unique_ptr<Ui::dlgImport> ui;

    Stage stage_ = Stage::Reading;
    std::shared_ptr<ImportFile> file_;
    std::shared_ptr<ImportPlan> plan_;
    ImportOptions options_;
    // File vehicle keys that name no registration: the registration box names them.
    QStringList unnamedKeys_;

    QThread* worker_ = nullptr;
    // Tells a finished worker's late report from the current worker's.
    int generation_ = 0;
    QAtomicInteger<int> cancel_ = 0;
    QAtomicInteger<qint64> done_ = 0;
    QAtomicInteger<qint64> total_ = 0;
    QTimer progressTimer_;
};
