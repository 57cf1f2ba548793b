#include "dlgPref.h"

#include "ReminderSettings.h"
#include "TextConversions.h"
#include "UnitWording.h"
#include "WindowSupport.h"
#include "ui_dlgPref.h"

#include <QKeyEvent>
#include <cstdlib>

namespace {
// Where the dialog opens on the screen, in twips.
constexpr int LeftTwips = 3600;
constexpr int TopTwips = 2400;
} // namespace

dlgPref::dlgPref(SharedState& state, std::function<void()> relabel, QWidget* parent,
                 std::function<void()> endProgram)
    : QDialog(parent), state_(state), relabel_(std::move(relabel)),
      endProgram_(std::move(endProgram)), ui(std::make_unique<Ui::dlgPref>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, LeftTwips, TopTwips);
    connect(ui->OKButton, &QPushButton::clicked, this,
            [this] { Guarded(state_.platform.messages, [this] { OKButton_Click(); }); });
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgPref::CancelButton_Click);
    Form_Load();
}

dlgPref::~dlgPref() = default;

void dlgPref::Form_Load()
{
    ui->cmbDistMeas->addItem(QStringLiteral("Mile"));
    ui->cmbDistMeas->addItem(QStringLiteral("Kilometre"));
    // A stored word that is neither entry selects nothing; OK then keeps that word.
    ui->cmbDistMeas->setCurrentIndex(ui->cmbDistMeas->findText(state_.DistanceUnit));
    const ReminderThresholds soon = StoredReminderThresholds(state_.platform.settings);
    ui->txtSoonDays->setText(QString::number(soon.soonDays));
    ui->txtSoonDistance->setText(PlainNumber(soon.soonDistance));
    ui->lblSoonDistance->setText(QStringLiteral("Reminders due soon: ") +
                                 PluralUnit(state_.DistanceUnit));
    ui->chkLeavePurchaseOut->setChecked(ReadLeavePurchaseOut(state_.platform.settings));
    ui->CancelButton->setFocus();
}

void dlgPref::OKButton_Click()
{
    const QString unit =
        ui->cmbDistMeas->currentIndex() >= 0 ? ui->cmbDistMeas->currentText() : state_.DistanceUnit;
    // The thresholds are checked before anything is written: a refusal leaves the dialog open.
    const QString days = ui->txtSoonDays->text().trimmed();
    const QString distance = ui->txtSoonDistance->text().trimmed();
    const auto wholeDays = days.toUInt();
    if (QString::number(wholeDays) != days || wholeDays > 3650 || !IsNumericText(distance) ||
        TextToNumber(distance) < 0) {
        state_.platform.messages.show(
            QStringLiteral("The reminder entries must be a whole number of days and a distance "
                           "of 0 or more"),
            QStringLiteral("Invalid Entry"), Messages::Icon::Exclamation);
        return;
    }
    SettingsStore& settings = state_.platform.settings;
    const bool opened = settings.openForWriting();
    state_.LastCallResult = opened ? 0 : 1;
    if (!opened) {
        state_.platform.messages.show(
            QStringLiteral("Error opening or creating registry key -- aborting."),
            QStringLiteral("Kelmot"), Messages::Icon::None);
        endProgram_();
        return;
    }
    // Written every time, even unchanged; a failure here is not reported.
    state_.LastCallResult =
        settings.setString(QString::fromLatin1(DistanceMeasurementKey), unit) ? 0 : 1;
    // The thresholds are written only when changed; a failure is not reported either.
    const ReminderThresholds before = StoredReminderThresholds(settings);
    if (int(wholeDays) != before.soonDays)
        settings.setString(QString::fromLatin1(ReminderSoonDaysKey), days);
    if (TextToNumber(distance) != before.soonDistance)
        settings.setString(QString::fromLatin1(ReminderSoonDistanceKey),
                           PlainNumber(TextToNumber(distance)));
    // Written only when changed, so that OK writes the unit alone as it always has; the panel
    // shows the new figures the next time a vehicle is shown, as with a new record.
    const bool leavePurchaseOut = ui->chkLeavePurchaseOut->isChecked();
    if (leavePurchaseOut != ReadLeavePurchaseOut(settings))
        settings.setString(QString::fromLatin1(LeavePurchaseOutKey),
                           leavePurchaseOut ? QStringLiteral("true") : QStringLiteral("false"));
    state_.DistanceUnit = unit;
    if (relabel_)
        relabel_();
    close();
}

void dlgPref::CancelButton_Click()
{
    close();
}

void dlgPref::EndProgramAtOnce()
{
    std::_Exit(0);
}

void dlgPref::keyPressEvent(QKeyEvent* event)
{
    // Neither button is bound to Escape (nor, having no default button, to Enter).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
