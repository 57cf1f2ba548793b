#include "frmMain.h"

#include <QPaintEvent>
#include <QPainter>

void frmMain::DrawGraphs()
{
}

void frmMain::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (graphImage_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(event->rect(), graphImage_, event->rect());
}
