#include "dlgRemoveLatest.h"

#include "TextConversions.h"
#include "UnitWording.h"
#include "WindowSupport.h"
#include "ui_dlgRemoveLatest.h"

#include <QLocale>

namespace {
constexpr int LeftTwips = 3600;
constexpr int TopTwips = 2400;
} // namespace

dlgRemoveLatest::dlgRemoveLatest(Messages& messages, std::function<void()> remove, QWidget* parent)
    : QDialog(parent), messages_(messages), remove_(std::move(remove)),
      ui(std::make_unique<Ui::dlgRemoveLatest>())
{
    ui->setupUi(this);
    connect(ui->RemoveButton, &QPushButton::clicked, this,
            [this] { Guarded(messages_, [this] { RemoveButton_Click(); }); });
    connect(ui->CancelButton, &QPushButton::clicked, this, &dlgRemoveLatest::CancelButton_Click);
}

dlgRemoveLatest::dlgRemoveLatest(Messages& messages, const MileageRow& reading, const QString& unit,
                                 std::function<void()> remove, QWidget* parent)
    : dlgRemoveLatest(messages, std::move(remove), parent)
{
    setWindowTitle(QStringLiteral("Remove Latest Reading"));
    ui->lblQuestion->setText(
        QStringLiteral("Remove the latest reading of %1?").arg(reading.Registration));
    ui->lblDate->setText(DateToText(reading.Date));
    ui->lblFigureCaption->setText(CurrentUnitsCaption(unit));
    ui->lblFigure->setText(DistanceToText(reading.CurrentMileage));
    ui->lblAmount->setText(QLocale().toCurrencyString(reading.Amount));
    ui->lblPricePer->setText(PlainNumber(reading.PricePer));
    ui->lblDescriptionCaption->hide();
    ui->lblDescription->hide();
    adjustSize();
    ApplyDialogFrame(this, LeftTwips, TopTwips);
    ui->CancelButton->setFocus();
}

dlgRemoveLatest::dlgRemoveLatest(Messages& messages, const MaintenanceRow& entry,
                                 std::function<void()> remove, QWidget* parent)
    : dlgRemoveLatest(messages, std::move(remove), parent)
{
    setWindowTitle(QStringLiteral("Remove Latest Maintenance Entry"));
    ui->lblQuestion->setText(
        QStringLiteral("Remove the latest maintenance entry of %1?").arg(entry.Registration));
    ui->lblDate->setText(DateToText(entry.Date));
    ui->lblFigureCaption->setText(QStringLiteral("Cost"));
    ui->lblFigure->setText(QLocale().toCurrencyString(entry.Cost));
    ui->lblDescription->setText(entry.Description);
    for (QWidget* w :
         {static_cast<QWidget*>(ui->lblAmountCaption), static_cast<QWidget*>(ui->lblAmount),
          static_cast<QWidget*>(ui->lblPricePerCaption), static_cast<QWidget*>(ui->lblPricePer)})
        w->hide();
    adjustSize();
    ApplyDialogFrame(this, LeftTwips, TopTwips);
    ui->CancelButton->setFocus();
}

dlgRemoveLatest::~dlgRemoveLatest() = default;

QString dlgRemoveLatest::OnlyReadingText(const QString& registration)
{
    return QStringLiteral("This is the only reading of %1, and every vehicle keeps at least one, "
                          "so it cannot be removed.")
        .arg(registration);
}

void dlgRemoveLatest::RemoveButton_Click()
{
    remove_();
    close();
}

void dlgRemoveLatest::CancelButton_Click()
{
    close();
}
