#include "frmHistory.h"

#include "LogRules.h"
#include "MaintenanceModel.h"
#include "ReadingsModel.h"
#include "RemovedModel.h"
#include "SharedState.h"
#include "TableText.h"
#include "TextConversions.h"
#include "WindowSupport.h"
#include "dlgEditMaintenance.h"
#include "dlgEditReading.h"
#include "dlgRemoveLatest.h"
#include "ui_frmHistory.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>
#include <optional>

namespace {

enum Tab
{
    ReadingsTab,
    MaintenanceTab,
    RemovedTab
};

// Which entry replaced this one is not known (an edit by an older Kelmot, or the replacement
// has left the log since): putting it back beside the others may show it twice.
QString putBesideQuestion(const RemovedEntry& shown, const QString& unit)
{
    const bool reading = shown.kind == RemovedEntry::Kind::Reading;
    return QStringLiteral("This %1 was replaced by an edit on %2, and which entry replaced it is "
                          "not known. If that entry is still in the log, putting this one back "
                          "shows the same %3 twice.\n\n%4\n%5\n\nPut it back beside the "
                          "other entries?")
        .arg(reading ? QStringLiteral("reading") : QStringLiteral("maintenance entry"),
             DateToText(shown.RemovedAt),
             reading ? QStringLiteral("fill-up") : QStringLiteral("entry"),
             DateToText(RemovedModel::DateOf(shown)),
             reading ? ReadingDetails(shown.reading, unit) : MaintenanceDetails(shown.maintenance));
}

} // namespace

frmHistory::frmHistory(SharedState& state, Changed changed, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), changed_(std::move(changed)),
      ui(std::make_unique<Ui::frmHistory>()), readings_(new ReadingsModel(this)),
      maintenance_(new MaintenanceModel(this)), removed_(new RemovedModel(this))
{
    ui->setupUi(this);
    setWindowIcon(ProgramIcon());
    ShowTextsLiterally(this);
    const std::pair<QTableView*, HistoryTableModel*> tables[] = {{ui->grdReadings, readings_},
                                                                 {ui->grdMaintenance, maintenance_},
                                                                 {ui->grdRemoved, removed_}};
    for (const auto& [view, model] : tables) {
        view->setModel(model);
        // The model is already in its order: showing the indicator must not sort it again.
        view->horizontalHeader()->setSortIndicator(model->sortColumn(), model->sortOrder());
        view->installEventFilter(this);
        connect(view, &QTableView::doubleClicked, this,
                [this] { Guarded(state_.platform.messages, [this] { cmdEdit_Click(); }); });
    }
    ui->grdReadings->setAccessibleName(QStringLiteral("Readings"));
    ui->grdMaintenance->setAccessibleName(QStringLiteral("Maintenance"));
    ui->grdRemoved->setAccessibleName(QStringLiteral("Removed"));
    // Descriptions are shown whole, line breaks and all; the list is a vehicle's receipts.
    ui->grdMaintenance->setWordWrap(true);

    const auto on = [this](QPushButton* button, void (frmHistory::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] {
            Guarded(state_.platform.messages, [this, handler] { (this->*handler)(); });
        });
    };
    on(ui->cmdAdd, &frmHistory::cmdAdd_Click);
    on(ui->cmdEdit, &frmHistory::cmdEdit_Click);
    on(ui->cmdRemove, &frmHistory::cmdRemove_Click);
    on(ui->cmdPutBack, &frmHistory::cmdPutBack_Click);
    on(ui->cmdClose, &frmHistory::cmdClose_Click);
    connect(ui->tabHistory, &QTabWidget::currentChanged, this, [this] { tabHistory_Change(); });
    tabHistory_Change();

    ui->cmbCategoryFilter->addItem(QStringLiteral("All categories"));
    ui->cmbCategoryFilter->addItems(CostCategory::All);
    connect(ui->cmbCategoryFilter, &QComboBox::currentIndexChanged, this,
            [this] { cmbCategoryFilter_Change(); });
}

frmHistory::~frmHistory() = default;

void frmHistory::ShowVehicle(const QString& registration)
{
    if (registration == registration_ && state_.LogDatabase->ChangeStamp() == loadedStamp_)
        return;
    registration_ = registration;
    load();
}

void frmHistory::load()
{
    VehicleLog& log = *state_.LogDatabase;
    QTableView* const views[] = {ui->grdReadings, ui->grdMaintenance, ui->grdRemoved};
    // The entry each table stood on stays current when the same vehicle is read again.
    std::optional<qint64> current[3];
    if (registration_ == loadedRegistration_)
        for (int i = 0; i < 3; ++i) {
            const auto* model = static_cast<const HistoryTableModel*>(views[i]->model());
            const qsizetype entry = model->entryAt(views[i]->currentIndex().row());
            if (entry >= 0)
                current[i] = model->entryKey(entry);
        }
    loadedRegistration_ = registration_;
    setWindowTitle(QStringLiteral("History of ") + registration_);
    readings_->load(log.MileageEntries(registration_), state_.DistanceUnit);
    ui->lblExactEconomy->setText(readings_->exactEconomyText());
    maintenance_->load(log.MaintenanceEntries(registration_));
    removed_->load(log.RemovedEntries(registration_), state_.DistanceUnit);
    ui->grdMaintenance->resizeRowsToContents();
    ui->grdRemoved->resizeRowsToContents();
    loadedStamp_ = log.ChangeStamp();
    // Columns are fitted to the first rows a table shows; the user's widths stand after that.
    for (int i = 0; i < 3; ++i)
        if (!columnsFitted_[i] && views[i]->model()->rowCount() > 0) {
            views[i]->resizeColumnsToContents();
            columnsFitted_[i] = true;
        }
    for (int i = 0; i < 3; ++i) {
        const auto* model = static_cast<const HistoryTableModel*>(views[i]->model());
        const int row = current[i] ? model->rowOfKey(*current[i]) : -1;
        if (row >= 0 || model->rowCount() > 0)
            views[i]->setCurrentIndex(model->index(std::max(row, 0), 0));
    }
}

void frmHistory::tabHistory_Change()
{
    const bool removed = ui->tabHistory->currentIndex() == RemovedTab;
    ui->cmdAdd->setVisible(!removed);
    ui->cmdEdit->setVisible(!removed);
    ui->cmdRemove->setVisible(!removed);
    ui->cmdPutBack->setVisible(removed);
}

void frmHistory::cmbCategoryFilter_Change()
{
    const int index = ui->cmbCategoryFilter->currentIndex();
    maintenance_->showCategory(index > 0 ? ui->cmbCategoryFilter->currentText() : QString());
    ui->grdMaintenance->resizeRowsToContents();
    if (maintenance_->rowCount() > 0)
        ui->grdMaintenance->setCurrentIndex(maintenance_->index(0, 0));
}

QTableView* frmHistory::shownTable() const
{
    switch (ui->tabHistory->currentIndex()) {
    case MaintenanceTab:
        return ui->grdMaintenance;
    case RemovedTab:
        return ui->grdRemoved;
    default:
        return ui->grdReadings;
    }
}

qsizetype frmHistory::currentEntry() const
{
    const QTableView* view = shownTable();
    const auto* model = static_cast<const HistoryTableModel*>(view->model());
    return model->entryAt(view->currentIndex().row());
}

// Reads the tables again and lets the main window show the log as it now is.
void frmHistory::changedLog()
{
    load();
    if (changed_)
        changed_(registration_);
}

void frmHistory::cmdAdd_Click()
{
    if (editor_)
        return editor_->raise();
    const QString registration = registration_;
    if (ui->tabHistory->currentIndex() == MaintenanceTab) {
        editor_ = new dlgEditMaintenance(
            state_, registration, std::nullopt,
            [this](const MaintenanceRow& row) {
                state_.LogDatabase->AddMaintenance(row);
                changedLog();
            },
            this);
    } else if (ui->tabHistory->currentIndex() == ReadingsTab) {
        editor_ = new dlgEditReading(
            state_, registration, std::nullopt,
            [this](const MileageRow& row) {
                state_.LogDatabase->AddMileage(row);
                changedLog();
            },
            this);
    } else {
        return;
    }
    editor_->setAttribute(Qt::WA_DeleteOnClose);
    editor_->show();
}

void frmHistory::cmdEdit_Click()
{
    if (editor_)
        return editor_->raise();
    const qsizetype entry = currentEntry();
    if (entry < 0)
        return;
    if (ui->tabHistory->currentIndex() == MaintenanceTab) {
        const MaintenanceEntry shown = maintenance_->entries()[entry];
        editor_ = new dlgEditMaintenance(
            state_, registration_, shown,
            [this, id = shown.id](const MaintenanceRow& row) {
                state_.LogDatabase->ReplaceMaintenance(id, row, state_.platform.clock.now());
                changedLog();
            },
            this);
    } else if (ui->tabHistory->currentIndex() == ReadingsTab) {
        const MileageEntry shown = readings_->entries()[entry];
        editor_ = new dlgEditReading(
            state_, registration_, shown,
            [this, id = shown.id](const MileageRow& row) {
                state_.LogDatabase->ReplaceMileage(id, row, state_.platform.clock.now());
                changedLog();
            },
            this);
    } else {
        return;
    }
    editor_->setAttribute(Qt::WA_DeleteOnClose);
    editor_->show();
}

void frmHistory::cmdRemove_Click()
{
    const qsizetype entry = currentEntry();
    if (entry < 0)
        return;
    if (ui->tabHistory->currentIndex() == ReadingsTab)
        removeReading(entry);
    else if (ui->tabHistory->currentIndex() == MaintenanceTab)
        removeMaintenance(entry);
}

void frmHistory::removeReading(qsizetype entry)
{
    const MileageEntry shown = readings_->entries()[entry];
    // Said before the question, as Remove Latest Reading says it.
    if (!LogRules::CanRemoveReading(readings_->entries().size())) {
        state_.platform.messages.show(dlgRemoveLatest::OnlyReadingText(registration_),
                                      QStringLiteral("Kelmot"), Messages::Icon::Information);
        return;
    }
    const QString question = QStringLiteral("Remove this reading of %1?\n\n%2\n%3")
                                 .arg(registration_, DateToText(shown.row.Date),
                                      ReadingDetails(shown.row, state_.DistanceUnit));
    if (!state_.platform.messages.ask(question, QStringLiteral("Remove Reading")))
        return;
    try {
        state_.LogDatabase->RemoveMileage(shown.id, state_.platform.clock.now());
    } catch (const StoreError& e) {
        if (e.code() != StoreError::OnlyReading)
            throw;
        state_.platform.messages.show(dlgRemoveLatest::OnlyReadingText(registration_),
                                      QStringLiteral("Kelmot"), Messages::Icon::Information);
        return;
    }
    changedLog();
}

void frmHistory::removeMaintenance(qsizetype entry)
{
    const MaintenanceEntry shown = maintenance_->entries()[entry];
    const QString question =
        QStringLiteral("Remove this maintenance entry of %1?\n\n%2\n%3")
            .arg(registration_, DateToText(shown.row.Date), MaintenanceDetails(shown.row));
    if (!state_.platform.messages.ask(question, QStringLiteral("Remove Maintenance Entry")))
        return;
    state_.LogDatabase->RemoveMaintenance(shown.id, state_.platform.clock.now());
    changedLog();
}

void frmHistory::cmdPutBack_Click()
{
    if (ui->tabHistory->currentIndex() != RemovedTab)
        return;
    const qsizetype entry = currentEntry();
    if (entry < 0)
        return;
    const RemovedEntry shown = removed_->entries()[entry];
    if (shown.kind == RemovedEntry::Kind::Details) {
        state_.platform.messages.show(
            QStringLiteral("These are the details %1 had when it was merged into %2. They are "
                           "kept here for the record and cannot be put back.")
                .arg(shown.details.Registration, registration_),
            QStringLiteral("Put Back"), Messages::Icon::Information);
        return;
    }
    const auto putBack = [this, &shown](UnknownReplacement unknown) {
        const QDateTime now = state_.platform.clock.now();
        if (shown.kind == RemovedEntry::Kind::Reading)
            state_.LogDatabase->PutBackMileage(shown.id, now, unknown);
        else
            state_.LogDatabase->PutBackMaintenance(shown.id, now, unknown);
    };
    try {
        try {
            putBack(UnknownReplacement::Refuse);
        } catch (const StoreError& e) {
            if (e.code() != StoreError::ReplacementUnknown)
                throw;
            if (!state_.platform.messages.ask(putBesideQuestion(shown, state_.DistanceUnit),
                                              QStringLiteral("Put Back")))
                return;
            putBack(UnknownReplacement::PutBeside);
        }
    } catch (const StoreError& e) {
        if (e.code() != StoreError::OutOfOrder)
            throw;
        // Says why the entry no longer fits; it stays where it is.
        state_.platform.messages.show(e.text(), QStringLiteral("Kelmot"),
                                      Messages::Icon::Exclamation);
        return;
    }
    changedLog();
}

void frmHistory::cmdClose_Click()
{
    close();
}

void frmHistory::CopySelection()
{
    const QTableView* view = shownTable();
    QList<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && view->currentIndex().isValid())
        rows << view->currentIndex().row();
    if (rows.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(RowsAsTabText(*view->model(), rows));
}

bool frmHistory::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !qobject_cast<QTableView*>(watched))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const auto run = [this](void (frmHistory::*handler)()) {
        Guarded(state_.platform.messages, [this, handler] { (this->*handler)(); });
        return true;
    };
    if (key->matches(QKeySequence::Copy))
        return run(&frmHistory::CopySelection);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return QWidget::eventFilter(watched, event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return run(&frmHistory::cmdEdit_Click); // nothing on the Removed tab: no accidents
    case Qt::Key_Delete:
        return run(&frmHistory::cmdRemove_Click);
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frmHistory::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Entries recorded meanwhile (Record Mileage, an import) show when the window comes back.
void frmHistory::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !registration_.isEmpty())
        Guarded(state_.platform.messages, [this] { ShowVehicle(registration_); });
}
