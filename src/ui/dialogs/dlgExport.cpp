#include "dlgExport.h"

#include "WindowSupport.h"
#include "ui_dlgExport.h"

namespace {
constexpr int LeftTwips = 3600;
constexpr int TopTwips = 2400;
} // namespace

dlgExport::dlgExport(Messages& messages, const QString& shownRegistration,
                     std::function<void(bool)> exportChosen, QWidget* parent)
    : QDialog(parent), messages_(messages), exportChosen_(std::move(exportChosen)),
      ui(std::make_unique<Ui::dlgExport>())
{
    ui->setupUi(this);
    ui->optShownVehicle->setText(QStringLiteral("Only %1").arg(shownRegistration));
    ui->optShownVehicle->setEnabled(!shownRegistration.isEmpty());
    ui->optAllVehicles->setChecked(true);
    connect(ui->ExportButton, &QPushButton::clicked, this,
            [this] { Guarded(messages_, [this] { ExportButton_Click(); }); });
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgExport::CancelButton_Click);
    adjustSize();
    ApplyDialogFrame(this, LeftTwips, TopTwips);
}

dlgExport::~dlgExport() = default;

void dlgExport::ExportButton_Click()
{
    exportChosen_(ui->optAllVehicles->isChecked());
    close();
}

void dlgExport::CancelButton_Click()
{
    close();
}
