#pragma once

#include "Canvas.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QVector>

// A Canvas that paints into an image, which the window copies on every repaint.
class ImageCanvas final : public Canvas
{
public:
    // Paints into image, which must outlive the canvas.
    ImageCanvas(QImage& image, QColor background, QColor foreground);

    void clear() override;
    void line(QPointF from, QPointF to, std::optional<QRgb> colour = std::nullopt) override;
    void box(QPoint a, QPoint b, QRgb colour) override;
    void filledBox(QPoint a, QPoint b, QRgb colour) override;
    void text(QPoint at, TextAlign align, const CanvasFont& font, const QString& text) override;

private:
    const QFont& qtFont(const CanvasFont& font);

    QImage& image_;
    QPainter painter_;
    QColor background_;
    QColor foreground_;
    // Where the last line ended, until anything else is drawn.
    std::optional<QPoint> lastLineEnd_;
    QColor lastLineColour_; // the pen's colour then, without asking the painter for it
    // Each font is made once per canvas, that is once per drawing.
    QVector<std::pair<CanvasFont, QFont>> fonts_;
};
