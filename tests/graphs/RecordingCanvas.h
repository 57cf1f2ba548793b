#pragma once

#include "Canvas.h"

#include <QPoint>
#include <QVector>

#include <functional>

// One drawing operation, as the canvas was asked to do it.
struct CanvasOp
{
    enum Kind { Clear, Line, Box, FilledBox, Text };
    Kind kind = Clear;
    QPointF a;
    QPointF b;
    std::optional<QRgb> colour; // none: the foreground colour
    TextAlign align = TextAlign::TopLeft;
    CanvasFont font;
    QString text;
};

// A canvas that draws nothing and records every operation in order.
class RecordingCanvas final : public Canvas
{
public:
    void clear() override { ops.append({CanvasOp::Clear, {}, {}, {}, {}, {}, {}}); }
    void line(QPointF from, QPointF to, std::optional<QRgb> colour) override
    {
        ops.append({CanvasOp::Line, from, to, colour, {}, {}, {}});
    }
    void box(QPoint a, QPoint b, QRgb colour) override
    {
        ops.append({CanvasOp::Box, a, b, colour, {}, {}, {}});
    }
    void filledBox(QPoint a, QPoint b, QRgb colour) override
    {
        ops.append({CanvasOp::FilledBox, a, b, colour, {}, {}, {}});
    }
    void text(QPoint at, TextAlign align, const CanvasFont& font, const QString& text) override
    {
        ops.append({CanvasOp::Text, at, {}, {}, align, font, text});
    }

    QVector<CanvasOp> where(const std::function<bool(const CanvasOp&)>& keep) const
    {
        QVector<CanvasOp> kept;
        for (const CanvasOp& op : ops)
            if (keep(op))
                kept.append(op);
        return kept;
    }
    QVector<CanvasOp> ofKind(CanvasOp::Kind kind) const
    {
        return where([kind](const CanvasOp& op) { return op.kind == kind; });
    }
    // Texts in a font of the given weight and turn, in drawing order.
    QVector<CanvasOp> texts(int weight, double turn, TextAlign align) const
    {
        return where([=](const CanvasOp& op) {
            return op.kind == CanvasOp::Text && op.font.weight == weight && op.font.turn == turn &&
                   op.align == align;
        });
    }
    QVector<CanvasOp> redLines() const
    {
        return where([](const CanvasOp& op) { return op.kind == CanvasOp::Line && op.colour == Red; });
    }

    QVector<CanvasOp> ops;
};
