#include "dlgAddVehicleFIRST.h"

#include "Artwork.h"
#include "WindowSupport.h"
#include "ui_dlgAddVehicleFIRST.h"

#include <QPixmap>

dlgAddVehicleFIRST::dlgAddVehicleFIRST(SharedState& state, std::function<void()> onAdded,
                                       QWidget* parent)
    : AddVehicleForm(state, std::move(onAdded), parent),
      ui(std::make_unique<Ui::dlgAddVehicleFIRST>())
{
    ui->setupUi(this);
    ui->imgLogo->setPixmap(QPixmap::fromImage(GaugeLogo()));
    QFont productFont(QStringLiteral("Arial"));
    productFont.setPointSizeF(27.75);
    productFont.setWeight(QFont::Bold);
    ui->lblProductName->setFont(productFont);
    ui->lblProductName->adjustSize();
    ApplyDialogFrame(this, 1230, 780);
    Form_Load(ControlsOf(*ui));
}

dlgAddVehicleFIRST::~dlgAddVehicleFIRST() = default;
