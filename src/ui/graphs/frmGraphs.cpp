#include "frmGraphs.h"

#include "SharedState.h"
#include "StoredValues.h"
#include "WindowSupport.h"
#include "ui_frmGraphs.h"

#include <QKeyEvent>
#include <QLocale>

frmGraphs::frmGraphs(SharedState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), ui(std::make_unique<Ui::frmGraphs>())
{
    ui->setupUi(this);
    setWindowIcon(ProgramIcon());
    ShowTextsLiterally(this);
    const QString dateForm = QLocale().dateFormat(QLocale::ShortFormat);
    for (QDateEdit* box : {ui->txtFrom, ui->txtTo}) {
        box->setDisplayFormat(dateForm);
        connect(box, &QDateEdit::dateChanged, this,
                [this] { Guarded(state_.platform.messages, [this] { redraw(); }); });
    }
    connect(ui->cmbGraph, &QComboBox::currentIndexChanged, this,
            [this] { Guarded(state_.platform.messages, [this] { redraw(); }); });
    connect(ui->cmdWholeHistory, &QPushButton::clicked, this,
            [this] { Guarded(state_.platform.messages, [this] { cmdWholeHistory_Click(); }); });
    connect(ui->cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

frmGraphs::~frmGraphs() = default;

void frmGraphs::ShowVehicle(const QString& registration)
{
    const auto stamp = state_.LogDatabase->ChangeStamp();
    if (registration == registration_ && stamp == loadedStamp_)
        return;
    const bool anotherVehicle = !StoredValues::SameRegistration(registration, registration_);
    registration_ = registration;
    setWindowTitle(QStringLiteral("Graphs of ") + registration);
    readings_ = state_.LogDatabase->MileageChronological(registration);
    maintenance_ = state_.LogDatabase->MaintenanceByDate(registration);
    loadedStamp_ = stamp;
    if (anotherVehicle)
        cmdWholeHistory_Click();
    else
        redraw();
}

const TrendSeries& frmGraphs::shownSeries() const
{
    return ui->picTrend->series();
}

void frmGraphs::cmdWholeHistory_Click()
{
    const auto [first, last] = EntrySpan(readings_, maintenance_);
    const QDate today = state_.platform.clock.today();
    {
        const QSignalBlocker fromBlocker(ui->txtFrom);
        const QSignalBlocker toBlocker(ui->txtTo);
        ui->txtFrom->setDate(first.isValid() ? first : today);
        ui->txtTo->setDate(last.isValid() ? last : today);
    }
    redraw();
}

void frmGraphs::redraw()
{
    const auto kind = static_cast<TrendKind>(ui->cmbGraph->currentIndex());
    const QDate from = ui->txtFrom->date();
    const QDate to = ui->txtTo->date();
    ui->picTrend->setSeries(
        MakeTrendSeries(kind, readings_, maintenance_, from, to, state_.DistanceUnit), from, to);
}

void frmGraphs::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Entries recorded meanwhile show when the window comes back.
void frmGraphs::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !registration_.isEmpty())
        Guarded(state_.platform.messages, [this] { ShowVehicle(registration_); });
}
