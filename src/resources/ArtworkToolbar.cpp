#include "Artwork.h"

QImage ToolbarPicture(int index)
{
    Q_UNUSED(index);
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}
