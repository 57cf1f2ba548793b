#include "ImageCanvas.h"

#include "TextConversions.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace {

int whole(double value)
{
    return static_cast<int>(RoundHalfEven(value));
}

QRect inclusive(QPoint a, QPoint b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

} // namespace

ImageCanvas::ImageCanvas(QImage& image, QColor background, QColor foreground)
    : image_(image), ratio_(image.devicePixelRatio()), background_(background),
      foreground_(foreground)
{
    image_.setDevicePixelRatio(1);
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setBrush(Qt::NoBrush);
}

ImageCanvas::~ImageCanvas()
{
    painter_.end();
    image_.setDevicePixelRatio(ratio_);
}

int ImageCanvas::device(int logical) const
{
    // The margin keeps a product such as 30 x 1.1 from falling just short of its whole number.
    return static_cast<int>(std::floor(logical * ratio_ + 1e-9));
}

QPoint ImageCanvas::device(QPoint logical) const
{
    return QPoint(device(logical.x()), device(logical.y()));
}

void ImageCanvas::clear()
{
    lastLineEnd_.reset();
    painter_.fillRect(image_.rect(), background_);
}

void ImageCanvas::line(QPointF from, QPointF to, std::optional<QRgb> colour)
{
    const QColor wanted = colour ? QColor(*colour) : foreground_;
    const QPoint a(whole(from.x()), whole(from.y()));
    const QPoint b(whole(to.x()), whole(to.y()));
    // Thousands of readings crowd into a few hundred pixels: a line of one pixel where the line
    // just drawn ended, in its colour, changes nothing.
    if (a == b && lastLineEnd_ == a && lastLineColour_ == wanted)
        return;
    if (painter_.pen().color() != wanted || painter_.pen().widthF() != 0)
        painter_.setPen(QPen(wanted, 0));
    painter_.drawLine(device(a), device(b));
    lastLineEnd_ = b;
    lastLineColour_ = wanted;
}

void ImageCanvas::box(QPoint a, QPoint b, QRgb colour)
{
    lastLineEnd_.reset();
    painter_.setPen(QPen(QColor(colour), 0));
    const QRect r = inclusive(device(a), device(b));
    // A stroked QRect covers one pixel more than its size across and down.
    painter_.drawRect(QRect(r.topLeft(), QSize(r.width() - 1, r.height() - 1)));
}

void ImageCanvas::filledBox(QPoint a, QPoint b, QRgb colour)
{
    lastLineEnd_.reset();
    // The fill covers the whole of its last logical pixel, however many device pixels that is.
    const QRect r = inclusive(a, b);
    painter_.fillRect(
        QRect(device(r.topLeft()), device(r.bottomRight() + QPoint(1, 1)) - QPoint(1, 1)),
        QColor(colour));
}

const QFont& ImageCanvas::qtFont(const CanvasFont& font)
{
    for (const auto& [made, qt] : fonts_)
        if (made == font)
            return qt;
    QFont qt(font.face);
    qt.setStyleHint(QFont::SansSerif);
    qt.setWeight(QFont::Weight(font.weight));
    qt.setPixelSize(font.pixelSize);
    // Qt sizes a font by its em; the canvas sizes it by its cell, ascent plus descent.
    const QFontMetricsF metrics(qt);
    const double cell = metrics.ascent() + metrics.descent();
    if (cell > 0)
        qt.setPixelSize(std::max(1, whole(font.pixelSize * font.pixelSize / cell)));
    fonts_.append({font, qt});
    return fonts_.last().second;
}

void ImageCanvas::text(QPoint at, TextAlign align, const CanvasFont& font, const QString& text)
{
    lastLineEnd_.reset();
    if (font.pixelSize < 1 || text.isEmpty())
        return;
    painter_.save();
    painter_.setFont(qtFont(font));
    painter_.setPen(foreground_);
    // Text is laid out in logical pixels; the painter scales its glyphs to the device's.
    painter_.translate(QPointF(at) * ratio_);
    painter_.scale(ratio_, ratio_);
    painter_.rotate(font.turn);
    const QFontMetricsF metrics(painter_.font(), painter_.device());
    double x = 0;
    if (align == TextAlign::BottomRight)
        x = -metrics.horizontalAdvance(text);
    else if (align == TextAlign::BottomCentre)
        x = -metrics.horizontalAdvance(text) / 2;
    const double y = align == TextAlign::TopLeft ? metrics.ascent() : -metrics.descent();
    painter_.drawText(QPointF(x, y), text);
    painter_.restore();
}
