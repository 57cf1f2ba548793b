#include "dlgRenameVehicle.h"

#include "LogRules.h"
#include "SharedState.h"
#include "StoredValues.h"
#include "TextConversions.h"
#include "WindowSupport.h"
#include "ui_dlgRenameVehicle.h"

dlgRenameVehicle::dlgRenameVehicle(SharedState& state, const QString& registration, Renamed renamed,
                                   QWidget* parent)
    : QDialog(parent), state_(state), registration_(registration), renamed_(std::move(renamed)),
      ui(std::make_unique<Ui::dlgRenameVehicle>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, 3075, 1275);
    connect(ui->OKButton, &QPushButton::clicked, this, &dlgRenameVehicle::OKButton_Click);
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgRenameVehicle::CancelButton_Click);
    ui->lblVehicleRegistration->setText(registration_);
    ui->txtNewRegistration->setText(registration_);
    ui->txtNewRegistration->selectAll();
    ui->txtNewRegistration->setFocus();
}

dlgRenameVehicle::~dlgRenameVehicle() = default;

void dlgRenameVehicle::OKButton_Click()
{
    Guarded(state_.platform.messages, [this] { rename(); });
}

void dlgRenameVehicle::CancelButton_Click()
{
    close();
}

namespace {

QString counted(qint64 count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

// What the merge moves, keeps aside and why it may be a mistake, then the question.
QString dlgRenameVehicle::mergeQuestion(const QString& into, const MergePreview& preview) const
{
    const QString& from = registration_;
    QString text =
        QStringLiteral("%1 already exists.\n\nMerging moves %2, %3 and %4 of %5 to %1.")
            .arg(into, counted(preview.readings, "reading", "readings"),
                 counted(preview.maintenance, "maintenance entry", "maintenance entries"),
                 counted(preview.removed, "removed entry", "removed entries"), from);
    if (preview.keptAside.isEmpty())
        text += QStringLiteral("\nNo detail of %1 differs from those of %2.").arg(from, into);
    else
        text += QStringLiteral("\n%1 of %2 that differ from those of %3 (%4) are kept aside in "
                               "Removed; %3 keeps its own.")
                    .arg(counted(preview.keptAside.size(), "detail", "details"), from, into,
                         preview.keptAside.join(QStringLiteral(", ")));
    if (const auto overlap = LogRules::LongMergeOverlap(preview.fromFirst, preview.fromLast,
                                                        preview.intoFirst, preview.intoLast))
        text += QStringLiteral("\n\nWarning: both vehicles have readings from %1 to %2, more "
                               "than a year. They may be two different vehicles.")
                    .arg(DateToText(overlap->from.date()), DateToText(overlap->to.date()));
    return text + QStringLiteral("\n\nMerge the records of %1 into %2?").arg(from, into);
}

void dlgRenameVehicle::rename()
{
    // Blanks around a registration are never part of it, as in Add New Vehicle.
    const QString target = ui->txtNewRegistration->text().trimmed();
    if (target.isEmpty()) {
        state_.platform.messages.show(QStringLiteral("Entry is required in the highlighted fields"),
                                      QStringLiteral("Entry Error"), Messages::Icon::Exclamation);
        return;
    }
    if (target == registration_) {
        close();
        return;
    }
    VehicleLog& log = *state_.LogDatabase;
    const std::optional<VehicleRow> existing = log.FindVehicle(target);
    // The store compares registrations without regard to case: "ab12 cde" is this vehicle, only
    // spelt otherwise, and is a rename.
    if (existing && !StoredValues::SameRegistration(existing->Registration, registration_)) {
        const QString question = mergeQuestion(
            existing->Registration, log.PreviewMerge(registration_, existing->Registration));
        if (!state_.platform.messages.ask(question, QStringLiteral("Rename Vehicle")))
            return;
        log.MergeVehicle(registration_, existing->Registration, state_.platform.clock.now());
        renamed_(existing->Registration);
    } else {
        log.RenameVehicle(registration_, target);
        renamed_(target);
    }
    close();
}
