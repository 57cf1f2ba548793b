#pragma once

#include "Canvas.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QVector>

// A Canvas that paints into an image, which the window copies on every repaint. Positions are in
// the image's logical pixels; it is painted at its device pixel ratio, logical pixel p starting
// at device pixel p x ratio rounded down. Lines and outlines are one device pixel wide wherever
// they fall, so that at a ratio of 1.5 every grid line has the same width.
class ImageCanvas final : public Canvas
{
public:
    // Paints into image, which must outlive the canvas.
    ImageCanvas(QImage& image, QColor background, QColor foreground);
    ~ImageCanvas() override;

    void clear() override;
    void line(QPointF from, QPointF to, std::optional<QRgb> colour = std::nullopt) override;
    void box(QPoint a, QPoint b, QRgb colour) override;
    void filledBox(QPoint a, QPoint b, QRgb colour) override;
    void text(QPoint at, TextAlign align, const CanvasFont& font, const QString& text) override;

private:
    const QFont& qtFont(const CanvasFont& font);
    // The first device pixel of a logical pixel.
    int device(int logical) const;
    QPoint device(QPoint logical) const;

    QImage& image_;
    // The image's device pixel ratio; while the canvas paints, the image's own is 1, so that the
    // painter works in device pixels.
    qreal ratio_;
    QPainter painter_;
    QColor background_;
    QColor foreground_;
    // Where the last line ended, until anything else is drawn.
    std::optional<QPoint> lastLineEnd_;
    QColor lastLineColour_; // the pen's colour then, without asking the painter for it
    // Each font is made once per canvas, that is once per drawing.
    QVector<std::pair<CanvasFont, QFont>> fonts_;
};
