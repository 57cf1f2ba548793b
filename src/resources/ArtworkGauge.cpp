#include "Artwork.h"

QImage GaugeLogo()
{
    QImage image(484, 487, QImage::Format_RGB888);
    image.fill(Qt::black);
    return image;
}

QImage GaugeIcon()
{
    return GaugeLogo().scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
