#include "Artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// A red jerry can: body with the embossed cross, its handle and the spout.
void drawFuelCan(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QColor red(200, 24, 24);
    const QColor dark(110, 10, 10);
    p.setPen(QPen(dark, 1));
    p.setBrush(red);
    QPainterPath body;
    body.moveTo(4.5, 7.5);
    body.lineTo(9.5, 3.5);
    body.lineTo(18.5, 3.5);
    body.quadTo(20.5, 3.5, 20.5, 5.5);
    body.lineTo(20.5, 21.0);
    body.quadTo(20.5, 22.5, 19.0, 22.5);
    body.lineTo(6.0, 22.5);
    body.quadTo(4.5, 22.5, 4.5, 21.0);
    body.closeSubpath();
    p.drawPath(body);
    // Handle: a slot cut in the top corner.
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(12.5, 5.0, 5.0, 2.5), 1, 1);
    // Spout on the slanted corner.
    p.setBrush(QColor(60, 60, 60));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(2.0, 5.0), QPointF(4.5, 2.5), QPointF(7.5, 5.5),
                             QPointF(5.0, 8.0)}));
    // The embossed cross.
    p.setPen(QPen(dark, 1.2));
    p.drawLine(QPointF(7.5, 10.5), QPointF(17.5, 20.0));
    p.drawLine(QPointF(17.5, 10.5), QPointF(7.5, 20.0));
    p.setPen(QPen(QColor(240, 120, 120), 1));
    p.drawLine(QPointF(6.5, 9.0), QPointF(18.5, 9.0));
}

// 3 x 5 pixel digits, one row of three bits per line, top line first.
constexpr unsigned char DigitRows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

// A five-digit odometer counter: digit wheels in a dark frame, the last wheel in red.
void drawCounter(QPainter& p)
{
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(0, 5, 23, 13);
    const int digits[5] = {0, 4, 5, 2, 7};
    for (int i = 0; i < 5; ++i) {
        const int left = 2 + 4 * i;
        const QColor wheel = i == 4 ? QColor(190, 0, 0) : QColor(20, 20, 20);
        p.fillRect(left - 1, 7, 5, 10, wheel);
        for (int row = 0; row < 5; ++row)
            for (int bit = 0; bit < 3; ++bit)
                if (DigitRows[digits[i]][row] & (4 >> bit))
                    p.fillRect(left + bit, 10 + row, 1, 1, Qt::white);
    }
    // A shine line across the wheels.
    p.fillRect(1, 8, 22, 1, QColor(90, 90, 90));
}

// A car seen from the side: body, cabin with two windows, two wheels.
void drawCar(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QColor body(30, 80, 190);
    const QColor outline(10, 30, 90);
    p.setPen(QPen(outline, 1));
    p.setBrush(body);
    QPainterPath shape;
    shape.moveTo(1.5, 16.5);
    shape.lineTo(1.5, 12.5);
    shape.quadTo(2.0, 11.0, 5.0, 10.5);
    shape.lineTo(8.0, 6.5);
    shape.lineTo(16.0, 6.5);
    shape.lineTo(19.0, 10.5);
    shape.quadTo(22.5, 11.0, 22.5, 13.0);
    shape.lineTo(22.5, 16.5);
    shape.closeSubpath();
    p.drawPath(shape);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(180, 220, 250));
    p.drawPolygon(QPolygonF({QPointF(6.5, 10.5), QPointF(8.7, 7.7), QPointF(11.5, 7.7),
                             QPointF(11.5, 10.5)}));
    p.drawPolygon(QPolygonF({QPointF(12.5, 10.5), QPointF(12.5, 7.7), QPointF(15.5, 7.7),
                             QPointF(17.8, 10.5)}));
    p.setBrush(QColor(255, 230, 120));
    p.drawRect(QRectF(20.5, 12.0, 1.5, 1.5));
    for (const qreal x : {6.5, 17.5}) {
        p.setBrush(QColor(20, 20, 20));
        p.drawEllipse(QPointF(x, 17.0), 3.3, 3.3);
        p.setBrush(QColor(190, 190, 190));
        p.drawEllipse(QPointF(x, 17.0), 1.4, 1.4);
    }
}

} // namespace

QImage ToolbarPicture(int index)
{
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    switch (index) {
    case 0:
        drawFuelCan(painter);
        break;
    case 1:
        drawCounter(painter);
        break;
    case 2:
        drawCar(painter);
        break;
    default:
        break;
    }
    return image;
}
