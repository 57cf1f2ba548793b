#include "dlgImport.h"

#include "SharedState.h"
#include "StoreError.h"
#include "VehicleLog.h"
#include "WindowSupport.h"
#include "ui_dlgImport.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QThread>

namespace {
constexpr int LeftTwips = 1800;
constexpr int TopTwips = 1200;

enum Column
{
    VehicleColumn,
    ReadingsAdded,
    ReadingsPresent,
    MaintenanceAdded,
    MaintenancePresent,
    RefusedColumn,
    ColumnCount
};

QTableWidgetItem* cell(const QString& text, bool number = true)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// "1 reading", "3 readings".
QString Count(qsizetype n, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

QString Counts(qsizetype vehicles, qsizetype readings, qsizetype maintenance)
{
    return QStringLiteral("%1, %2 and %3")
        .arg(Count(vehicles, QStringLiteral("new vehicle"), QStringLiteral("new vehicles")),
             Count(readings, QStringLiteral("reading"), QStringLiteral("readings")),
             Count(maintenance, QStringLiteral("maintenance entry"),
                   QStringLiteral("maintenance entries")));
}

QString refusedLine(const RefusedRow& row)
{
    return QStringLiteral("Line %1 (%2): %3").arg(row.line).arg(row.what, row.reason);
}

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
    progressTimer_.setInterval(100);
    connect(&progressTimer_, &QTimer::timeout, this, &dlgImport::showProgress);
    Form_Load();
}

dlgImport::~dlgImport()
{
    stopWorker();
}

void dlgImport::Form_Load()
{
    ui->lblFile->setText(QFileInfo(filePath_).fileName());
    ui->tblVehicles->setColumnCount(ColumnCount);
    ui->tblVehicles->setHorizontalHeaderLabels(
        {QStringLiteral("Vehicle"), QStringLiteral("Readings to add"),
         QStringLiteral("Readings present"), QStringLiteral("Maintenance to add"),
         QStringLiteral("Maintenance present"), QStringLiteral("Refused")});
    options_.logUnit = state_.DistanceUnit;
    for (QWidget* w : std::initializer_list<QWidget*>{ui->lblRegistration, ui->txtRegistration,
                                                      ui->cmdUseRegistration})
        w->hide();
    setStage(Stage::Reading);

    auto file = std::make_shared<ImportFile>();
    const QString path = filePath_;
    runWorker(
        QStringLiteral("Reading the file..."),
        [this, file, path] {
            *file = ReadImportFile(path, {}, [this](qint64 d, qint64 t) { return progress(d, t); });
        },
        [this, file](const QString& failure, bool cancelled) {
            if (closedAfter(failure, cancelled))
                return;
            file_ = file;
            plan();
        });
}

// Before the preview, a cancelled or failed step ends the dialog (a failure is told first).
bool dlgImport::closedAfter(const QString& failure, bool cancelled)
{
    if (!cancelled && !cancel_ && failure.isEmpty())
        return false;
    if (!cancelled && !cancel_)
        state_.platform.messages.show(failure, QStringLiteral("Kelmot"),
                                      Messages::Icon::Exclamation);
    close();
    return true;
}

// Checks the file's rows against the log as it stands; writes nothing.
void dlgImport::plan()
{
    setStage(Stage::Reading);
    auto result = std::make_shared<ImportPlan>();
    const auto file = file_;
    const ImportOptions options = options_;
    const QString store = storePath_;
    const Clock& clock = state_.platform.clock;
    runWorker(
        QStringLiteral("Checking the rows against the log..."),
        [this, result, file, options, store, &clock] {
            const auto log = VehicleLog::Open(store);
            *result = PlanImport(*log, *file, options, clock,
                                 [this](qint64 d, qint64 t) { return progress(d, t); });
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

    QStringList refused;
    QStringList conversions;
    ui->tblVehicles->setRowCount(int(p.vehicles.size()));
    for (int r = 0; r < p.vehicles.size(); ++r) {
        const VehicleImportSummary& v = p.vehicles[r];
        QString name =
            v.registration.isEmpty() ? QStringLiteral("(no registration)") : v.registration;
        if (v.newVehicle)
            name += QStringLiteral(" (new)");
        ui->tblVehicles->setItem(r, VehicleColumn, cell(name, false));
        ui->tblVehicles->setItem(r, ReadingsAdded, cell(QString::number(v.readingsAdded)));
        ui->tblVehicles->setItem(r, ReadingsPresent, cell(QString::number(v.readingsPresent)));
        ui->tblVehicles->setItem(r, MaintenanceAdded, cell(QString::number(v.maintenanceAdded)));
        ui->tblVehicles->setItem(r, MaintenancePresent,
                                 cell(QString::number(v.maintenancePresent)));
        ui->tblVehicles->setItem(r, RefusedColumn, cell(QString::number(v.refused.size())));
        const QString who =
            v.registration.isEmpty() ? QString() : v.registration + QStringLiteral(": ");
        for (const RefusedRow& row : v.refused)
            refused << who + refusedLine(row);
        for (const QString& c : v.conversions)
            conversions << who + c;
    }
    for (const RefusedRow& row : p.refusedElsewhere)
        refused << refusedLine(row);
    ui->tblVehicles->resizeColumnsToContents();
    ui->lstRefused->clear();
    ui->lstRefused->addItems(refused);
    ui->lblRefused->setText(QStringLiteral("Rows refused: %1").arg(refused.size()));
    ui->lblConversions->setText(conversions.isEmpty() ? QStringLiteral("No unit conversions.")
                                                      : conversions.join(u'\n'));

    // Files that name no vehicle (one vehicle per file) need a registration first.
    unnamedKeys_.clear();
    for (const VehicleImportSummary& v : p.vehicles)
        if (v.registration.isEmpty() || options_.registrationFor.contains(v.key))
            unnamedKeys_ << v.key;
    const bool naming = !unnamedKeys_.isEmpty();
    ui->lblRegistration->setVisible(naming);
    ui->txtRegistration->setVisible(naming);
    ui->cmdUseRegistration->setVisible(naming);
    if (p.needsRegistration())
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
    plan();
}

void dlgImport::ImportButton_Click()
{
    if (stage_ != Stage::Preview || !plan_ || plan_->needsRegistration() || plan_->addsNothing())
        return;
    setStage(Stage::Importing);
    const auto thePlan = plan_;
    const QString store = storePath_;
    runWorker(
        QStringLiteral("Importing..."),
        [this, thePlan, store] {
            const auto log = VehicleLog::Open(store);
            ApplyImport(*log, *thePlan, [this](qint64 d, qint64 t) { return progress(d, t); });
        },
        [this](const QString& failure, bool cancelled) {
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
            finishImport();
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
    if (worker_) {
        // The worker stops at its next progress report; its step then stores nothing.
        cancel_ = 1;
        ui->CancelButton->setEnabled(false);
        return;
    }
    close();
}

// Closing while the worker runs is Cancel: the window closes, or goes back to the preview, once
// the worker has stopped with nothing stored.
void dlgImport::closeEvent(QCloseEvent* event)
{
    if (worker_) {
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
    ui->prgProgress->setVisible(working);
    ui->lblProgress->setVisible(working);
    ui->ImportButton->setEnabled(stage == Stage::Preview && plan_ && !plan_->needsRegistration() &&
                                 !plan_->addsNothing());
    ui->cmdUseRegistration->setEnabled(stage == Stage::Preview);
    ui->txtRegistration->setEnabled(stage == Stage::Preview);
    ui->CancelButton->setEnabled(stage != Stage::Done);
    emit stageChanged(stage);
}

void dlgImport::runWorker(const QString& caption, std::function<void()> work,
                          std::function<void(const QString&, bool)> done)
{
    cancel_ = 0;
    done_ = 0;
    total_ = 0;
    ui->lblProgress->setText(caption);
    ui->prgProgress->setRange(0, 0); // busy until the first report
    progressTimer_.start();
    const int generation = ++generation_;
    worker_ = QThread::create([this, generation, work = std::move(work), done = std::move(done)] {
        QString failure;
        bool cancelled = false;
        try {
            work();
        } catch (const ExchangeCancelled&) {
            cancelled = true;
        } catch (const ExchangeError& e) {
            failure = e.message();
        } catch (const StoreError& e) {
            failure = QStringLiteral("The log could not be read or written, so nothing was "
                                     "stored. %1")
                          .arg(e.text());
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
        // Delivered on the dialog's thread; dropped when the dialog is gone or stopped the worker.
        QMetaObject::invokeMethod(
            this,
            [this, generation, done, failure, cancelled] {
                if (generation != generation_ || !worker_)
                    return;
                worker_->wait();
                delete worker_;
                worker_ = nullptr;
                progressTimer_.stop();
                ui->CancelButton->setEnabled(true);
                done(failure, cancelled);
            },
            Qt::QueuedConnection);
    });
    worker_->start();
}

void dlgImport::stopWorker()
{
    if (!worker_)
        return;
    ++generation_;
    cancel_ = 1;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    progressTimer_.stop();
}

bool dlgImport::progress(qint64 done, qint64 total)
{
    done_ = done;
    total_ = total;
    return !cancel_;
}

void dlgImport::showProgress()
{
    const qint64 total = total_;
    if (total <= 0)
        return;
    // The bar counts in thousandths, whatever the unit of the work.
    ui->prgProgress->setRange(0, 1000);
    ui->prgProgress->setValue(int(qBound(qint64(0), qint64(done_) * 1000 / total, qint64(1000))));
}
