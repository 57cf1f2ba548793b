#include "frmAbout.h"

#include "Artwork.h"
#include "WindowSupport.h"
#include "ui_frmAbout.h"

#include <QPainter>

namespace {
// Where the About box opens on the screen, in twips.
constexpr int LeftTwips = 3000;
constexpr int TopTwips = 2100;
} // namespace

QString ProgramTitle()
{
    return QStringLiteral("Kelmot");
}

QString VersionText()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(KELMOT_VERSION_MAJOR)
        .arg(KELMOT_VERSION_MINOR)
        .arg(KELMOT_VERSION_REVISION);
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::frmAbout>())
{
    ui->setupUi(this);
    ApplyDialogFrame(this, LeftTwips, TopTwips);
    ui->picIcon->setPixmap(QPixmap::fromImage(GaugeIcon()));
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    ui->lblVersion->setText(VersionText());
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Line1, the etched separator above OK: a grey line drawn over a white one two pixels wide.
    QPainter painter(this);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(TwipsToPixels(105), TwipsToPixels(2460), TwipsToPixels(5654),
                     TwipsToPixels(2460));
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(TwipsToPixels(90), TwipsToPixels(2445), TwipsToPixels(5654),
                     TwipsToPixels(2445));
}
