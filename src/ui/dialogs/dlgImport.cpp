#include "dlgImport.h"

#include "ImportSummary.h"
#include "ReadImport.h"
#include "SharedState.h"
#include "StoreError.h"
#include "VehicleLog.h"
#include "WindowSupport.h"
#include "ui_dlgImport.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QtConcurrent>

namespace {
constexpr int LeftTwips = 1800;
constexpr int TopTwips = 1200;

QString Counts(qsizetype vehicles, qsizetype readings, qsizetype maintenance)
{
    return QStringLiteral("%1, %2 and %3")
        .arg(CountText(vehicles, QStringLiteral("new vehicle"), QStringLiteral("new vehicles")),
             CountText(readings, QStringLiteral("reading"), QStringLiteral("readings")),
             CountText(maintenance, QStringLiteral("maintenance entry"),
                       QStringLiteral("maintenance entries")));
}

QString rowLine(const RefusedRow& row)
{
    return QStringLiteral("Line %1 (%2): %3").arg(row.line).arg(row.what, row.reason);
}

// The drop-down of the Vehicle column: the file's own name for the vehicle and every
// registration of the log; a new registration may be typed.
class RegistrationDelegate final : public QStyledItemDelegate
{
public:
    RegistrationDelegate(std::function<QStringList()> registrations, QObject* parent)
        : QStyledItemDelegate(parent), registrations_(std::move(registrations))
    {
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override
    {
        auto* box = new QComboBox(parent);
        box->setObjectName(QStringLiteral("cmbFileUnder"));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        const QString own =
            index.siblingAtColumn(ImportPlanModel::InTheFileColumn).data().toString();
        const QStringList registrations = registrations_();
        if (!own.isEmpty() && !registrations.contains(own, Qt::CaseInsensitive))
            box->addItem(own);
        box->addItems(registrations);
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
        // Picking from the list is the choice: the rows are filed at once.
        auto* self = const_cast<RegistrationDelegate*>(this);
        connect(box, &QComboBox::activated, self, [self, box] {
            emit self->commitData(box);
            emit self->closeEditor(box);
        });
        return box;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QComboBox*>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText());
    }

private:
    std::function<QStringList()> registrations_;
};

} // namespace

dlgImport::dlgImport(SharedState& state, QString filePath, std::function<void()> imported,
                     QWidget* parent)
    : QDialog(parent), state_(state), filePath_(std::move(filePath)),
      storePath_(state.LogDatabase ? state.LogDatabase->path() : QString()),
      imported_(std::move(imported)), ui(std::make_unique<Ui::dlgImport>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, LeftTwips, TopTwips);
    Messages& messages = state_.platform.messages;
    connect(ui->ImportButton, &QPushButton::clicked, this,
            [this, &messages] { Guarded(messages, [this] { ImportButton_Click(); }); });
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgImport::CancelButton_Click);
    connect(ui->cmdUseRegistration, &QPushButton::clicked, this,
            [this, &messages] { Guarded(messages, [this] { cmdUseRegistration_Click(); }); });
    connect(ui->cmbDateOrder, &QComboBox::activated, this,
            [this, &messages] { Guarded(messages, [this] { cmbDateOrder_Click(); }); });
    connect(ui->cmbVolumeUnit, &QComboBox::activated, this,
            [this, &messages] { Guarded(messages, [this] { cmbVolumeUnit_Click(); }); });
    connect(&model_, &ImportPlanModel::registrationChosen, this,
            [this, &messages](const QString& key, const QString& registration) {
                Guarded(messages, [&] { chooseRegistration(key, registration); });
            });
    connect(&watcher_, &QFutureWatcher<QString>::progressValueChanged, this, [this](int value) {
        ui->prgProgress->setRange(0, 1000);
        ui->prgProgress->setValue(value);
    });
    connect(&watcher_, &QFutureWatcher<QString>::finished, this, &dlgImport::stepFinished);
    Form_Load();
}

dlgImport::~dlgImport()
{
    if (running()) {
        watcher_.disconnect(this);
        watcher_.cancel();
        watcher_.waitForFinished();
    }
}

void dlgImport::Form_Load()
{
    ui->lblFile->setText(QFileInfo(filePath_).fileName());
    ui->tblVehicles->setModel(&model_);
    ui->tblVehicles->setItemDelegateForColumn(
        ImportPlanModel::VehicleColumn,
        new RegistrationDelegate(
            [this] {
                return state_.LogDatabase ? state_.LogDatabase->ListRegistrations() : QStringList();
            },
            this));
    options_.logUnit = state_.DistanceUnit;
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->lblRegistration, ui->txtRegistration, ui->cmdUseRegistration, ui->lblDateOrder,
             ui->cmbDateOrder, ui->lblVolumeUnit, ui->cmbVolumeUnit})
        w->hide();
    read();
}

// Reads the file (again, once a question about it was answered), then plans.
void dlgImport::read()
{
    setStage(Stage::Reading);
    auto file = std::make_shared<ImportFile>();
    const QString path = filePath_;
    ImportReadOptions readOptions;
    if (answers_.dateOrder == Answers::DateOrder::DayFirst)
        readOptions.dateOrder = DateOrder::DayFirst;
    else if (answers_.dateOrder == Answers::DateOrder::MonthFirst)
        readOptions.dateOrder = DateOrder::MonthFirst;
    readOptions.volumeUnit = answers_.volume == Answers::Volume::UsGallon ? VolumeUnit::UsGallon
                             : answers_.volume == Answers::Volume::ImperialGallon
                                 ? VolumeUnit::ImperialGallon
                                 : VolumeUnit::Litre;
    runStep(
        QStringLiteral("Reading the file..."),
        [file, path, readOptions](const ExchangeProgress& progress) {
            *file = ReadImportFile(path, readOptions, progress);
        },
        [this, file](const QString& failure, bool cancelled) {
            if (closedAfter(failure, cancelled))
                return;
            file_ = file;
            // LubeLogger states no unit of volume: litres unless the user says otherwise.
            asksVolume_ = file->format == QLatin1String("lubelogger");
            // Asked once nothing in the file tells day from month; kept once answered.
            asksDateOrder_ = asksDateOrder_ || file->dateOrderUndecided;
            makePlan();
        });
}

// Before the preview, a cancelled or failed step ends the dialog (a failure is told first).
bool dlgImport::closedAfter(const QString& failure, bool cancelled)
{
    if (!cancelled && failure.isEmpty())
        return false;
    if (!cancelled)
        state_.platform.messages.show(failure, QStringLiteral("Kelmot"),
                                      Messages::Icon::Exclamation);
    close();
    return true;
}

// Checks the file's rows against the log as it stands; writes nothing.
void dlgImport::makePlan()
{
    setStage(Stage::Reading);
    auto result = std::make_shared<ImportPlan>();
    const auto file = file_;
    const ImportOptions options = options_;
    const QString store = storePath_;
    const Clock& clock = state_.platform.clock;
    runStep(
        QStringLiteral("Checking the rows against the log..."),
        [result, file, options, store, &clock](const ExchangeProgress& progress) {
            const auto log = VehicleLog::Open(store);
            *result = PlanImport(*log, *file, options, clock, progress);
        },
        [this, result](const QString& failure, bool cancelled) {
            if (closedAfter(failure, cancelled))
                return;
            plan_ = result;
            showPlan();
            setStage(Stage::Preview);
        });
}

void dlgImport::showPlan()
{
    const ImportPlan& p = *plan_;
    ui->lblFile->setText(QStringLiteral("%1 (%2)").arg(QFileInfo(filePath_).fileName(), p.format));
    model_.setPlan(p);
    ui->tblVehicles->resizeColumnsToContents();

    QStringList refused;
    QStringList notes = p.notes;
    for (const VehicleImportSummary& v : p.vehicles) {
        const QString who =
            v.registration.isEmpty() ? QString() : v.registration + QStringLiteral(": ");
        for (const RefusedRow& row : v.refused)
            refused << who + rowLine(row);
        for (const QString& c : v.notes + v.conversions)
            notes << who + c;
        for (const RefusedRow& row : v.repeated)
            notes << who + rowLine(row);
    }
    for (const RefusedRow& row : p.refusedElsewhere)
        refused << rowLine(row);
    ui->lstRefused->clear();
    ui->lstRefused->addItems(refused);
    ui->lblRefused->setText(QStringLiteral("Rows refused: %1").arg(refused.size()));
    ui->lblConversions->setText(notes.isEmpty() ? QStringLiteral("No unit conversions.")
                                                : notes.join(u'\n'));

    ui->lblDateOrder->setVisible(asksDateOrder_);
    ui->cmbDateOrder->setVisible(asksDateOrder_);
    ui->lblVolumeUnit->setVisible(asksVolume_);
    ui->cmbVolumeUnit->setVisible(asksVolume_);

    // Files that name no vehicle (one vehicle per file) need a registration first.
    unnamedKeys_.clear();
    for (const VehicleImportSummary& v : p.vehicles)
        if (v.fileName.isEmpty())
            unnamedKeys_ << v.key;
    const bool naming = !unnamedKeys_.isEmpty();
    ui->lblRegistration->setVisible(naming);
    ui->txtRegistration->setVisible(naming);
    ui->cmdUseRegistration->setVisible(naming);
    if (unanswered())
        ui->lblStatus->setText(QStringLiteral(
            "The dates of this file can be read day first or month first: choose which, and "
            "nothing is imported until you do."));
    else if (p.needsRegistration())
        ui->lblStatus->setText(
            QStringLiteral("This file does not say which vehicle it belongs to: type its "
                           "registration and press Use."));
    else if (p.addsNothing())
        ui->lblStatus->setText(QStringLiteral("Importing this file would add nothing."));
    else
        ui->lblStatus->setText(
            QStringLiteral("Importing adds %1.")
                .arg(Counts(p.newVehicles.size(), p.newMileage.size(), p.newMaintenance.size())));
}

bool dlgImport::unanswered() const
{
    return asksDateOrder_ && answers_.dateOrder == Answers::DateOrder::Unanswered;
}

void dlgImport::cmdUseRegistration_Click()
{
    const QString registration = ui->txtRegistration->text().trimmed();
    if (registration.isEmpty()) {
        state_.platform.messages.show(QStringLiteral("Type the vehicle's registration first."),
                                      QStringLiteral("Kelmot"), Messages::Icon::Exclamation);
        return;
    }
    for (const QString& key : std::as_const(unnamedKeys_))
        options_.registrationFor[key] = registration;
    makePlan();
}

void dlgImport::chooseRegistration(const QString& key, const QString& registration)
{
    if (stage_ != Stage::Preview)
        return;
    options_.registrationFor[key] = registration;
    makePlan();
}

void dlgImport::cmbDateOrder_Click()
{
    const int choice = ui->cmbDateOrder->currentIndex();
    const auto order = choice == 1   ? Answers::DateOrder::DayFirst
                       : choice == 2 ? Answers::DateOrder::MonthFirst
                                     : Answers::DateOrder::Unanswered;
    if (stage_ != Stage::Preview || order == answers_.dateOrder)
        return;
    answers_.dateOrder = order;
    read();
}

void dlgImport::cmbVolumeUnit_Click()
{
    const int choice = ui->cmbVolumeUnit->currentIndex();
    const auto volume = choice == 1   ? Answers::Volume::UsGallon
                        : choice == 2 ? Answers::Volume::ImperialGallon
                                      : Answers::Volume::Litre;
    if (stage_ != Stage::Preview || volume == answers_.volume)
        return;
    answers_.volume = volume;
    read();
}

void dlgImport::ImportButton_Click()
{
    if (stage_ != Stage::Preview || !plan_ || unanswered() || plan_->needsRegistration() ||
        plan_->addsNothing())
        return;
    setStage(Stage::Importing);
    const auto preview = plan_;
    const auto file = file_;
    const ImportOptions options = options_;
    const QString store = storePath_;
    const Clock& clock = state_.platform.clock;
    auto fresh = std::make_shared<ImportPlan>();
    auto stored = std::make_shared<bool>(false);
    runStep(
        QStringLiteral("Importing..."),
        [preview, file, options, store, &clock, fresh, stored](const ExchangeProgress& progress) {
            const auto log = VehicleLog::Open(store);
            *stored =
                ImportUnderWriteLock(*log, *file, options, clock, *fresh, preview.get(), progress);
        },
        [this, fresh, stored](const QString& failure, bool cancelled) {
            // Stored is stored, even when Cancel came too late to stop it.
            if (*stored && failure.isEmpty())
                return finishImport();
            if (cancelled) {
                ui->lblStatus->setText(
                    QStringLiteral("The import was cancelled; nothing was stored."));
                return setStage(Stage::Preview);
            }
            if (!failure.isEmpty()) {
                state_.platform.messages.show(failure, QStringLiteral("Kelmot"),
                                              Messages::Icon::Exclamation);
                return setStage(Stage::Preview);
            }
            // Another program wrote to the log since the preview: show the import as it now
            // stands and ask again.
            plan_ = fresh;
            showPlan();
            ui->lblStatus->setText(
                QStringLiteral("The log changed since this preview, so nothing was stored. "
                               "This is the import as it now stands: press Import to store it."));
            setStage(Stage::Preview);
        });
}

void dlgImport::finishImport()
{
    setStage(Stage::Done);
    Guarded(state_.platform.messages, [this] {
        if (imported_)
            imported_();
    });
    state_.platform.messages.show(
        QStringLiteral("The import stored %1.")
            .arg(Counts(plan_->newVehicles.size(), plan_->newMileage.size(),
                        plan_->newMaintenance.size())),
        QStringLiteral("Kelmot"), Messages::Icon::Information);
    close();
}

void dlgImport::CancelButton_Click()
{
    if (running()) {
        // The step stops at its next progress report; it then stores nothing.
        watcher_.cancel();
        ui->CancelButton->setEnabled(false);
        return;
    }
    close();
}

// Closing while a step runs is Cancel: the window closes, or goes back to the preview, once
// the step has stopped with nothing stored.
void dlgImport::closeEvent(QCloseEvent* event)
{
    if (running()) {
        event->ignore();
        CancelButton_Click();
        return;
    }
    QDialog::closeEvent(event);
}

void dlgImport::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        CancelButton_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void dlgImport::setStage(Stage stage)
{
    stage_ = stage;
    const bool working = stage == Stage::Reading || stage == Stage::Importing;
    const bool preview = stage == Stage::Preview;
    ui->prgProgress->setVisible(working);
    ui->lblProgress->setVisible(working);
    ui->ImportButton->setEnabled(preview && plan_ && !unanswered() && !plan_->needsRegistration() &&
                                 !plan_->addsNothing());
    ui->cmdUseRegistration->setEnabled(preview);
    ui->txtRegistration->setEnabled(preview);
    ui->cmbDateOrder->setEnabled(preview);
    ui->cmbVolumeUnit->setEnabled(preview);
    ui->tblVehicles->setEditTriggers(preview ? QAbstractItemView::DoubleClicked |
                                                   QAbstractItemView::SelectedClicked |
                                                   QAbstractItemView::EditKeyPressed
                                             : QAbstractItemView::NoEditTriggers);
    ui->CancelButton->setEnabled(stage != Stage::Done);
    emit stageChanged(stage);
}

bool dlgImport::running() const
{
    return watcher_.isRunning();
}

void dlgImport::runStep(const QString& caption, Work work, Done done)
{
    ui->lblProgress->setText(caption);
    ui->prgProgress->setRange(0, 0); // busy until the first report
    done_ = std::move(done);
    watcher_.setFuture(QtConcurrent::run([work = std::move(work)](QPromise<QString>& promise) {
        promise.setProgressRange(0, 1000);
        const ExchangeProgress progress = [&promise](qint64 done, qint64 total) {
            // The bar counts in thousandths, whatever the unit of the work.
            if (total > 0)
                promise.setProgressValue(int(qBound(qint64(0), done * 1000 / total, qint64(1000))));
            return !promise.isCanceled();
        };
        QString failure;
        try {
            work(progress);
        } catch (const ExchangeCancelled&) {
            return; // the future was cancelled: nothing stored
        } catch (const ExchangeError& e) {
            failure = e.message();
        } catch (const StoreError& e) {
            failure = QStringLiteral("The log could not be read or written, so nothing was "
                                     "stored. %1")
                          .arg(e.text());
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
        promise.addResult(failure);
    }));
}

void dlgImport::stepFinished()
{
    const bool cancelled = watcher_.isCanceled();
    const QString failure =
        !cancelled && watcher_.future().resultCount() > 0 ? watcher_.result() : QString();
    ui->CancelButton->setEnabled(true);
    const Done done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(failure, cancelled);
}
