#pragma once

#include <QColor>
#include <QImage>
#include <QVector>
#include <utility>

// The widths in pixels of the runs of colour along row y of the image, from left to right
// between the columns left and right, both included.
inline QVector<int> RunsAlongRow(const QImage& image, int y, int left, int right, QColor colour)
{
    QVector<int> runs;
    for (int x = left, run = 0; x <= right + 1; ++x) {
        if (x <= right && image.pixelColor(x, y) == colour)
            ++run;
        else if (run > 0)
            runs << std::exchange(run, 0);
    }
    return runs;
}
