#include "dlgReminders.h"

#include "LogRules.h"
#include "ReminderSettings.h"
#include "ReminderWords.h"
#include "TextConversions.h"
#include "UnitWording.h"
#include "WindowSupport.h"
#include "ui_dlgReminders.h"

#include <QHeaderView>
#include <cmath>

namespace {
const QString InvalidEntry = QStringLiteral("Invalid Entry");

// An optional box: empty is 0, otherwise a number of at least 0 (whole when asked).
std::optional<double> optionalNumber(const QString& text, bool whole)
{
    if (text.trimmed().isEmpty())
        return 0.0;
    if (!IsNumericText(text))
        return std::nullopt;
    const double value = TextToNumber(text);
    if (value < 0 || (whole && (value != std::floor(value) || value > 1200)))
        return std::nullopt;
    return value;
}
} // namespace

dlgReminders::dlgReminders(SharedState& state, std::function<void()> changed, QWidget* parent)
    : QDialog(parent), state_(state), changed_(std::move(changed)),
      ui(std::make_unique<Ui::dlgReminders>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, 1800, 1200);
    ShowTextsLiterally(this);
    ui->tblReminders->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    ui->cmbCategory->addItems(CostCategory::All);
    const QString units = PluralUnit(state_.DistanceUnit);
    ui->lblDueMileage->setText(QStringLiteral("Due at (%1)").arg(units));
    ui->lblEveryMileage->setText(QStringLiteral("Every (%1)").arg(units));
    ui->lblDoneMileage->setText(CurrentUnitsCaption(state_.DistanceUnit));
    const auto guarded = [this](void (dlgReminders::*handler)()) {
        return [this, handler] {
            Guarded(state_.platform.messages, [=, this] { (this->*handler)(); });
        };
    };
    connect(ui->cmdAdd, &QPushButton::clicked, this, guarded(&dlgReminders::cmdAdd_Click));
    connect(ui->cmdEdit, &QPushButton::clicked, this, guarded(&dlgReminders::cmdEdit_Click));
    connect(ui->cmdDelete, &QPushButton::clicked, this, guarded(&dlgReminders::cmdDelete_Click));
    connect(ui->cmdDone, &QPushButton::clicked, this, guarded(&dlgReminders::cmdDone_Click));
    connect(ui->cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->tblReminders, &QTableWidget::itemSelectionChanged, this,
            &dlgReminders::ShowSelected);
    ui->txtDoneDate->setText(DateToText(state_.platform.clock.today()));
    ui->txtDoneCost->setText(QStringLiteral("0.00"));
    ShowVehicle(state_.CurrentRegistration);
    ui->txtTitle->setFocus();
}

dlgReminders::~dlgReminders() = default;

void dlgReminders::ShowVehicle(const QString& registration)
{
    registration_ = registration;
    ui->lblVehicleRegistration->setText(registration);
    Guarded(state_.platform.messages, [this] { FillList(); });
}

void dlgReminders::FillList()
{
    const QVector<VehicleReminder> reminders =
        RemindersOf(*state_.LogDatabase, registration_, state_.platform.clock.today(),
                    StoredReminderThresholds(state_.platform.settings));
    entries_.clear();
    ui->tblReminders->clearContents();
    ui->tblReminders->setRowCount(int(reminders.size()));
    for (int i = 0; i < reminders.size(); ++i) {
        const VehicleReminder& r = reminders[i];
        entries_.append(r.entry);
        const QStringList cells{r.entry.row.Title,
                                DueText(r.entry.row, r.status, state_.DistanceUnit),
                                StateWord(r.status.state)};
        for (int c = 0; c < cells.size(); ++c)
            ui->tblReminders->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    if (const auto latest = state_.LogDatabase->LatestMileage(registration_))
        ui->txtDoneMileage->setText(PlainNumber(latest->CurrentMileage));
}

qint64 dlgReminders::SelectedId() const
{
    const int row = ui->tblReminders->currentRow();
    if (row < 0 || row >= entries_.size() || ui->tblReminders->selectedItems().isEmpty())
        return 0;
    return entries_[row].id;
}

void dlgReminders::ShowSelected()
{
    const int row = ui->tblReminders->currentRow();
    if (SelectedId() == 0)
        return;
    const ReminderRow& r = entries_[row].row;
    const auto number = [](double value) { return value > 0 ? PlainNumber(value) : QString(); };
    ui->txtTitle->setText(r.Title);
    ui->cmbCategory->setCurrentText(r.Category);
    ui->txtDueDate->setText(r.DueDate.isValid() ? DateToText(r.DueDate.date()) : QString());
    ui->txtDueMileage->setText(number(r.DueMileage));
    ui->txtEveryMonths->setText(number(r.EveryMonths));
    ui->txtEveryMileage->setText(number(r.EveryMileage));
}

void dlgReminders::refuse(const QString& text)
{
    state_.platform.messages.show(text, InvalidEntry, Messages::Icon::Exclamation);
}

std::optional<ReminderRow> dlgReminders::TypedReminder()
{
    const auto no = [this](const QString& text) {
        refuse(text);
        return std::optional<ReminderRow>();
    };
    ReminderRow row;
    row.Registration = registration_;
    row.Title = ui->txtTitle->text().trimmed();
    row.Category = ui->cmbCategory->currentText();
    if (row.Title.isEmpty())
        return no(QStringLiteral("Please Enter a Title"));
    const QString dueDate = ui->txtDueDate->text();
    if (!dueDate.trimmed().isEmpty()) {
        if (!IsDateText(dueDate))
            return no(QStringLiteral("The entry for 'Due Date' must be in date format"));
        row.DueDate = AtMidnight(TextToDate(dueDate).date());
    }
    const auto dueMileage = optionalNumber(ui->txtDueMileage->text(), false);
    if (!dueMileage)
        return no(QStringLiteral("The entry for 'Due at' must be a number of 0 or more"));
    row.DueMileage = *dueMileage;
    if (!row.DueDate.isValid() && row.DueMileage <= 0)
        return no(QStringLiteral("Please Enter a Due Date, a Due Reading or both"));
    const auto months = optionalNumber(ui->txtEveryMonths->text(), true);
    if (!months)
        return no(QStringLiteral("The entry for 'Every (months)' must be a whole number"));
    row.EveryMonths = int(*months);
    const auto every = optionalNumber(ui->txtEveryMileage->text(), false);
    if (!every)
        return no(QStringLiteral("The entry for 'Every' must be a number of 0 or more"));
    row.EveryMileage = *every;
    return row;
}

void dlgReminders::afterChange()
{
    FillList();
    if (changed_)
        changed_();
}

void dlgReminders::cmdAdd_Click()
{
    if (const auto row = TypedReminder()) {
        state_.LogDatabase->AddReminder(*row);
        afterChange();
    }
}

void dlgReminders::cmdEdit_Click()
{
    const qint64 id = SelectedId();
    if (id == 0)
        return refuse(QStringLiteral("Please Select a Reminder"));
    if (const auto row = TypedReminder()) {
        state_.LogDatabase->ReplaceReminder(id, *row);
        afterChange();
    }
}

void dlgReminders::cmdDelete_Click()
{
    const qint64 id = SelectedId();
    if (id == 0)
        return refuse(QStringLiteral("Please Select a Reminder"));
    state_.LogDatabase->DeleteReminder(id);
    afterChange();
}

void dlgReminders::cmdDone_Click()
{
    const qint64 id = SelectedId();
    if (id == 0)
        return refuse(QStringLiteral("Please Select a Reminder"));
    const QString dateText = ui->txtDoneDate->text();
    if (!IsDateText(dateText))
        return refuse(QStringLiteral("The entry for 'Date' must be in date format"));
    const QDateTime date = TextToDate(dateText);
    if (LogRules::IsFuture(date, state_.platform.clock.today()))
        return refuse(QStringLiteral("The entry for 'Date' cannot be in the future"));
    const QString readingText = ui->txtDoneMileage->text();
    if (!IsNumericText(readingText) || LogRules::IsBelowZero(TextToNumber(readingText)))
        return refuse(
            QStringLiteral("The entry for '%1' must be numeric").arg(ui->lblDoneMileage->text()));
    const QString costText = ui->txtDoneCost->text();
    if (!IsNumericText(costText))
        return refuse(QStringLiteral("The entry for 'Amount' must be numeric"));
    const double cost = TextToNumber(costText);
    if (!LogRules::IsPositive(cost))
        return refuse(QStringLiteral("The entry for 'Amount' must be a positive Value"));
    state_.LogDatabase->MarkReminderDone(id, date, TextToNumber(readingText), cost);
    afterChange();
}
