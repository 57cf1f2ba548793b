#include "Artwork.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

// The dial's scale sweeps 270 degrees clockwise, from bottom left (0) to bottom right (full).
constexpr double StartDegrees = 225;
constexpr double SweepDegrees = 270;
// Where the needle points, as a share of the full scale.
constexpr double NeedleShare = 0.62;

QPointF OnCircle(QPointF centre, double radius, double share)
{
    const double radians = qDegreesToRadians(StartDegrees - SweepDegrees * share);
    return centre + QPointF(radius * qCos(radians), -radius * qSin(radians));
}

// A gauge on black: white dial, black scale, red needle, dark hub. detail = false leaves out the
// minor ticks and the figures, for small sizes.
void DrawGauge(QPainter& p, QPointF centre, double radius, bool detail)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 150, 150));
    p.drawEllipse(centre, radius, radius); // bezel
    p.setBrush(Qt::white);
    const double dial = radius * 0.93;
    p.drawEllipse(centre, dial, dial);

    const int majors = 8;
    const int minorsPerMajor = detail ? 5 : 1;
    for (int i = 0; i <= majors * minorsPerMajor; ++i) {
        const bool major = i % minorsPerMajor == 0;
        const double share = double(i) / (majors * minorsPerMajor);
        const double inner = dial * (major ? 0.78 : 0.86);
        QPen pen(share > 0.8 ? QColor(200, 0, 0) : Qt::black);
        pen.setWidthF(qMax(1.5, radius * (major ? 0.035 : 0.015)));
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.drawLine(OnCircle(centre, inner, share), OnCircle(centre, dial * 0.95, share));
    }

    if (detail) {
        QFont font(QStringLiteral("Arial"));
        font.setBold(true);
        font.setPixelSize(qRound(radius * 0.13));
        p.setFont(font);
        p.setPen(Qt::black);
        for (int i = 0; i <= majors; ++i) {
            const QPointF at = OnCircle(centre, dial * 0.62, double(i) / majors);
            const QRectF box(at.x() - radius * 0.15, at.y() - radius * 0.1, radius * 0.3,
                             radius * 0.2);
            p.drawText(box, Qt::AlignCenter, QString::number(i * 20));
        }
    }

    // The needle: a slim red wedge from a short tail behind the hub to near the scale.
    const QPointF tip = OnCircle(centre, dial * 0.88, NeedleShare);
    const QPointF tail = OnCircle(centre, dial * 0.18, NeedleShare + 0.5);
    const double halfWidth = radius * (detail ? 0.05 : 0.12);
    const QPointF side1 = OnCircle(centre, halfWidth, NeedleShare + 0.25);
    const QPointF side2 = OnCircle(centre, halfWidth, NeedleShare - 0.25);
    QPainterPath needle;
    needle.moveTo(tip);
    needle.lineTo(side1);
    needle.lineTo(tail);
    needle.lineTo(side2);
    needle.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 0, 0));
    p.drawPath(needle);

    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(centre, radius * 0.1, radius * 0.1);
    if (detail) {
        p.setBrush(QColor(120, 120, 120));
        p.drawEllipse(centre, radius * 0.04, radius * 0.04);
    }
}

} // namespace

QImage GaugeLogo()
{
    QImage image(484, 487, QImage::Format_RGB888);
    image.fill(Qt::black);
    QPainter painter(&image);
    DrawGauge(painter, QPointF(242, 243.5), 225, true);
    return image;
}

QImage GaugeIcon()
{
    QImage image(32, 32, QImage::Format_RGB888);
    image.fill(Qt::black);
    QPainter painter(&image);
    DrawGauge(painter, QPointF(16, 16), 15.5, false);
    return image;
}

QImage GaugeDesktopIcon(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const double half = pixels / 2.0;
    DrawGauge(painter, QPointF(half, half), half - 0.5, pixels >= 64);
    return image;
}
