#include "frmMain.h"

#include <QCloseEvent>

frmMain::frmMain(SharedState& state, QWidget* parent) : QMainWindow(parent), state_(state)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kelmot"));
    resize(774, 558);
}

void frmMain::Form_Load()
{
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload()
{
    state_.CloseStore();
}
