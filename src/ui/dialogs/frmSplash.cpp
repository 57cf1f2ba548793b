#include "frmSplash.h"

#include "Artwork.h"
#include "WindowSupport.h"
#include "frmAbout.h"
#include "ui_frmSplash.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <qdrawutil.h>

namespace {

QFont ArialFont(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A label sized to its text; a right-aligned one keeps its right edge where it was designed.
void SizeToText(QLabel* label)
{
    const QRect designed = label->geometry();
    label->adjustSize();
    if (label->alignment() & Qt::AlignRight)
        label->move(designed.right() + 1 - label->width(), designed.top());
}

} // namespace

frmSplash::frmSplash(int milliseconds, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      ui(std::make_unique<Ui::frmSplash>()), timer_(new QTimer(this))
{
    ui->setupUi(this);
    ShowTextsLiterally(this);
    setModal(true);
    setFixedSize(size());
    ui->imgLogo->setPixmap(QPixmap::fromImage(GaugeLogo()));
    ui->lblProductName->setFont(ArialFont(32.25, true));
    ui->lblPlatform->setFont(ArialFont(15.75, true));
    ui->lblVersion->setFont(ArialFont(12, true));
    ui->lblCopyright->setFont(ArialFont(8.25, false));
    ui->lblCompany->setFont(ArialFont(8.25, false));
    SizeToText(ui->lblPlatform);

    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());

    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    Form_Load(milliseconds);
}

frmSplash::~frmSplash() = default;

void frmSplash::Form_Load(int milliseconds)
{
    ui->lblVersion->setText(VersionText());
    SizeToText(ui->lblVersion);
    ui->lblProductName->setText(ProgramTitle());
    SizeToText(ui->lblProductName);
    timer_->start(milliseconds);
}

void frmSplash::Timer1_Timer()
{
    timerFired_ = true;
    accept();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    event->accept(); // no key closes the splash, Escape included
}

void frmSplash::closeEvent(QCloseEvent* event)
{
    if (timerFired_)
        QDialog::closeEvent(event);
    else
        event->ignore(); // it always stays for the full interval
}

void frmSplash::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette()); // the fixed dialog border
}
