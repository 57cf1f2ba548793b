#pragma once

#include <QPointF>
#include <QRgb>
#include <QString>

#include <optional>

// Where a text's reference point lies on its cell (the rectangle from the top of the tallest
// character to the bottom of the lowest descender).
enum class TextAlign { TopLeft, BottomLeft, BottomRight, BottomCentre };

// A font made for one drawing. pixelSize is the height of the character cell in pixels; a font
// smaller than one pixel draws nothing. weight is 400 for normal, 800 for extra bold. turn is
// the angle in degrees by which the text runs clockwise from the horizontal; the cell turns
// with it about the reference point.
struct CanvasFont
{
    QString face = QStringLiteral("Arial");
    int pixelSize = 0;
    int weight = 400;
    double turn = 0;

    friend bool operator==(const CanvasFont&, const CanvasFont&) = default;
};

inline constexpr QRgb Black = qRgb(0, 0, 0);
inline constexpr QRgb Red = qRgb(255, 0, 0);

// A drawing surface in pixels, origin at the top-left corner, y growing downwards.
class Canvas
{
public:
    virtual ~Canvas() = default;

    // Erases everything, back to the background colour.
    virtual void clear() = 0;
    // A solid line one pixel wide; no colour means the surface's foreground colour. The
    // coordinates may be fractional: the surface rounds them to whole pixels.
    virtual void line(QPointF from, QPointF to, std::optional<QRgb> colour = std::nullopt) = 0;
    // The one-pixel outline of the rectangle with corners a and b, both corners included.
    virtual void box(QPoint a, QPoint b, QRgb colour) = 0;
    // The rectangle with corners a and b filled with the colour, outline included.
    virtual void filledBox(QPoint a, QPoint b, QRgb colour) = 0;
    // The text in the foreground colour, its background left as it is, with the reference
    // point given by align placed at at.
    virtual void text(QPoint at, TextAlign align, const CanvasFont& font, const QString& text) = 0;
};
