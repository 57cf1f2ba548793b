#pragma once

#include "Canvas.h"
#include "GraphTable.h"

#include <QRectF>
#include <QString>

// Where the two graphs go, taken from the main window: the two frames in pixels of the client
// area and the window's full height, title bar, menu bar and borders included, in twips.
struct GraphGeometry
{
    QRectF detailsFrame;    // frameVehicleDetails: the distance-against-time graph goes below it
    QRectF statisticsFrame; // frmMileageStats: the distance-per-month graph goes below it
    double outerHeightTwips = 0;
};

// One graph's area, in whole pixels: the plot's left edge, the area's top (the frames' bottom
// edge), width and height. Wide integers: no window size overflows them.
struct GraphArea
{
    int PlotLeft = 0;
    int AreaTop = 0;
    int AreaWidth = 0;
    int AreaHeight = 0;

    friend bool operator==(const GraphArea&, const GraphArea&) = default;
};

// The plot rectangle and the four font sizes, worked out the same way by both graphs.
struct PlotFrame
{
    int PlotLeft = 0;
    int PlotWidth = 0;
    int PlotHeight = 0;
    int PlotTop = 0;
    qint64 PlotArea = 0;
    int CaptionSize = 0;
    int SlantSize = 0;
    int TitleSize = 0;
    int ValueSize = 0;

    // False when the window is so short that the area or the plot is empty or negative: then
    // nothing of the graph is drawn.
    bool Drawable() const { return PlotWidth > 0 && PlotHeight > 0; }
    int PlotRight() const { return PlotLeft + PlotWidth; }
    int PlotBottom() const { return PlotTop + PlotHeight; }
};

// The area below frame, reaching down to a twentieth of the outer height.
GraphArea GraphAreaBelow(const QRectF& frame, const QRectF& detailsFrame, double outerHeightTwips);
PlotFrame PlotFrameOf(const GraphArea& area);

QString DateGraphTitle(const QString& distanceUnit);
QString MonthGraphTitle(const QString& distanceUnit, int currentYear);

// Clears the surface and draws the odometer readings of table against their dates.
void DrawDateGraph(Canvas& surface, const GraphArea& area, const GraphTable& table,
                   const QString& distanceUnit, const QString& title);
// Draws one bar per data row of table, on top of what the surface already holds.
void DrawMonthGraph(Canvas& surface, const GraphArea& area, const GraphTable& table,
                    const QString& distanceUnit, const QString& title);

// Both graphs: the readings against time below the details frame, the distance per month of
// currentYear below the statistics frame, from the two tables already loaded.
void DrawGraphs(Canvas& surface, const GraphGeometry& geometry, const QString& distanceUnit,
                int currentYear, const GraphTable& graphPoints, const GraphTable& monthlyTotals);
