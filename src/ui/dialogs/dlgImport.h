#pragma once

#include "ExchangeProgress.h"
#include "ImportFile.h"
#include "ImportPlan.h"
#include "ImportPlanModel.h"

#include <QDialog>
#include <QFutureWatcher>
#include <functional>
#include <memory>

struct SharedState;

namespace Ui {
class dlgImport;
}

// Import: reads a file and shows what importing it would do (per vehicle: rows to add, rows
// already present, rows refused with their lines and reasons, conversions and notes), then
// imports it on Import or stores nothing on Cancel. Each vehicle of the file can be filed under
// another registration, new or in the log. Reading, checking and storing run with QtConcurrent
// on a store connection of their own, so the window keeps answering; the progress bar follows
// them and Cancel stops them with nothing stored. Storing plans again under the write lock: if
// the log changed since the preview, nothing is stored and the new plan is shown instead.
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

    // What the user tells of a file that does not say it; the file is read again with it.
    struct Answers
    {
        enum class DateOrder
        {
            Unanswered,
            DayFirst,
            MonthFirst
        };
        enum class Volume
        {
            Litre,
            UsGallon,
            ImperialGallon
        };
        DateOrder dateOrder = DateOrder::Unanswered;
        Volume volume = Volume::Litre;
    };

    // imported refreshes the main window once rows were stored.
    dlgImport(SharedState& state, QString filePath, std::function<void()> imported,
              QWidget* parent = nullptr);
    // Stops the running step (nothing stored when it was still working) and waits for it.
    ~dlgImport() override;

    Stage stage() const { return stage_; }
    const ImportPlan& plan() const { return *plan_; }
    const Answers& answers() const { return answers_; }
    ImportPlanModel& model() { return model_; }

    void ImportButton_Click();
    void CancelButton_Click();
    void cmdUseRegistration_Click();
    void cmbDateOrder_Click();
    void cmbVolumeUnit_Click();

signals:
    // A stage began (after the step before it finished).
    void stageChanged(dlgImport::Stage stage);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    using Work = std::function<void(const ExchangeProgress&)>;
    using Done = std::function<void(const QString& failure, bool cancelled)>;

    void Form_Load();
    void setStage(Stage stage);
    // Runs work with QtConcurrent; then done on this thread with the failure text ("" for
    // success). The work must not touch the dialog: it may outlive a step that was stopped.
    void runStep(const QString& caption, Work work, Done done);
    void stepFinished();
    bool closedAfter(const QString& failure, bool cancelled);
    void read();
    void makePlan();
    void showPlan();
    void chooseRegistration(const QString& key, const QString& registration);
    void finishImport();
    bool running() const;
    // The file leaves a question open that must be answered before anything is imported.
    bool unanswered() const;

    SharedState& state_;
    QString filePath_;
    QString storePath_;
    std::function<void()> imported_;
    std::unique_ptr<Ui::dlgImport> ui;

    Stage stage_ = Stage::Reading;
    std::shared_ptr<const ImportFile> file_;
    std::shared_ptr<const ImportPlan> plan_;
    ImportOptions options_;
    Answers answers_;
    bool asksDateOrder_ = false;
    bool asksVolume_ = false;
    // File vehicle keys that name no registration: the registration box names them.
    QStringList unnamedKeys_;
    ImportPlanModel model_;

    QFutureWatcher<QString> watcher_;
    Done done_;
};
