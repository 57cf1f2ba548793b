#pragma once

#include <QImage>

// The program's pictures, made by the program itself.

// The product logo: a gauge, white dial on black with a red needle, 484 x 487 pixels.
QImage GaugeLogo();
// The 32 x 32 version of the gauge, used as the program's icon.
QImage GaugeIcon();
// The gauge alone on a transparent square, for the desktop's menus and launchers.
QImage GaugeDesktopIcon(int pixels);
// The three 24 x 24 toolbar pictures, in image-list order: 0 fuel can, 1 counter, 2 car.
QImage ToolbarPicture(int index);
