// Writes the program's desktop icon as a PNG file: kelmot_icon FILE [PIXELS].
#include "Artwork.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelmot_icon FILE [PIXELS]\n");
        return 2;
    }
    // The drawing needs fonts but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pixels = argc > 2 ? QByteArray(argv[2]).toInt() : 128;
    if (pixels < 16 || pixels > 1024) {
        std::fprintf(stderr, "kelmot_icon: PIXELS must be 16 to 1024\n");
        return 2;
    }
    if (!GaugeDesktopIcon(pixels).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "kelmot_icon: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
