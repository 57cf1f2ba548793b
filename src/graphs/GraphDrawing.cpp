#include "GraphDrawing.h"

#include "TextConversions.h"
#include "UnitWording.h"

#include <cmath>
#include <vector>

namespace {

// Every conversion of a computed number to a whole number: nearest, halves to even.
int whole(double value)
{
    return static_cast<int>(RoundHalfEven(value));
}

// A font size: PlotArea over the divisor, held single-precision, capped, then rounded.
int fontSize(qint64 plotArea, int divisor, int cap)
{
    float size = static_cast<float>(static_cast<double>(plotArea) / divisor);
    if (size > static_cast<float>(cap))
        size = static_cast<float>(cap);
    return whole(size);
}

CanvasFont captionFont(const PlotFrame& plot)
{
    return {QStringLiteral("Arial"), plot.CaptionSize, 800, 0};
}

CanvasFont slantFont(const PlotFrame& plot)
{
    return {QStringLiteral("Arial"), plot.SlantSize, 400, 45};
}

CanvasFont titleFont(const PlotFrame& plot)
{
    return {QStringLiteral("Arial"), plot.TitleSize, 800, 0};
}

CanvasFont valueFont(const PlotFrame& plot)
{
    return {QStringLiteral("Arial"), plot.ValueSize, 400, 0};
}

void drawPlotBox(Canvas& surface, const PlotFrame& plot)
{
    surface.box(QPoint(plot.PlotLeft, plot.PlotTop), QPoint(plot.PlotRight(), plot.PlotBottom()),
                Black);
}

// The vertical caption above the top-left corner, the horizontal one (the table's header of the
// values across) right of the bottom-right corner.
void drawAxisCaptions(Canvas& surface, const PlotFrame& plot, const GraphTable& table,
                      const QString& distanceUnit)
{
    const CanvasFont font = captionFont(plot);
    surface.text(QPoint(plot.PlotLeft, plot.PlotTop - 5), TextAlign::BottomLeft, font,
                 CurrentUnitsCaption(distanceUnit));
    const QString across = table.isEmpty() ? QString() : table[0].XText.trimmed();
    surface.text(QPoint(plot.PlotRight() + 5, plot.PlotBottom()), TextAlign::BottomLeft, font,
                 across);
}

// Centred above the plot, by PlotArea / 3000 without the cap of the title's font size.
void drawTitle(Canvas& surface, const PlotFrame& plot, const QString& title)
{
    const QPoint at(
        whole(plot.PlotWidth / 2.0 + plot.PlotLeft),
        whole(plot.PlotTop - static_cast<double>(plot.PlotHeight) * plot.PlotWidth / 3000));
    surface.text(at, TextAlign::BottomCentre, titleFont(plot), title);
}

// A whole number with one leading space when it is not negative, the place of the sign.
QString signedWhole(double value)
{
    return value < 0 ? PlainNumber(value) : QLatin1Char(' ') + PlainNumber(value);
}

// One counted row of the readings table, read once.
struct DatePoint
{
    qint64 day;     // Julian day of the date; any time of day is dropped
    double reading; // LeadingNumber of the text, 0 when there is none
    bool hasReading;
};

std::vector<DatePoint> readDatePoints(const GraphTable& table)
{
    const qsizetype rows = GraphDataRowCount(table);
    std::vector<DatePoint> points;
    points.reserve(static_cast<size_t>(rows));
    // Readings of one day come together with the same text: it is read once for all of them.
    const QString* lastText = nullptr;
    QDate date;
    for (qsizetype r = 1; r <= rows; ++r) {
        const QString& x = table[r].XText;
        if (!lastText || x != *lastText) {
            date = TextToDate(x).date();
            lastText = &x;
        }
        if (!date.isValid())
            continue; // a text that is no date has no place on the time axis
        const QString& y = table[r].YText;
        points.push_back({date.toJulianDay(), LeadingNumber(y), !y.isEmpty()});
    }
    return points;
}

void drawDateLabels(Canvas& surface, const PlotFrame& plot, qint64 minDay, qint64 daySpan)
{
    const CanvasFont font = slantFont(plot);
    auto label = [&](qint64 days, int x) {
        surface.text(QPoint(x, plot.PlotBottom()), TextAlign::TopLeft, font,
                     DateToText(QDate::fromJulianDay(minDay + days)));
    };
    if (daySpan <= 4) {
        label(0, plot.PlotLeft);
        label(daySpan, plot.PlotRight());
        if (daySpan >= 2)
            label(static_cast<qint64>(RoundHalfEven(daySpan / 2.0)),
                  whole(plot.PlotWidth / 2.0 + plot.PlotLeft));
        return;
    }
    const int steps = daySpan <= 9 ? 5 : 10;
    for (int i = 0; i <= steps; ++i)
        label(static_cast<qint64>(RoundHalfEven(static_cast<double>(daySpan * i) / steps)),
              whole(static_cast<double>(plot.PlotWidth) / steps * i + plot.PlotLeft));
}

void drawReadingLabels(Canvas& surface, const PlotFrame& plot, double minReading, double maxReading)
{
    const CanvasFont font = valueFont(plot);
    const double range = maxReading - minReading;
    auto label = [&](double value, int y) {
        surface.text(QPoint(plot.PlotLeft, y), TextAlign::BottomRight, font, signedWhole(value));
    };
    if (range <= 4) {
        label(minReading, plot.PlotBottom());
        label(maxReading, plot.PlotTop);
        if (range >= 2)
            label(RoundHalfEven(range / 2) + minReading,
                  whole(plot.PlotHeight / 2.0 + plot.PlotTop));
        return;
    }
    const int steps = range <= 9 ? 5 : 10;
    for (int i = 0; i <= steps; ++i)
        label(RoundHalfEven(i * range / steps) + minReading,
              whole(plot.PlotBottom() - static_cast<double>(plot.PlotHeight) / steps * i));
}

} // namespace

GraphArea GraphAreaBelow(const QRectF& frame, const QRectF& detailsFrame, double outerHeightTwips)
{
    GraphArea area;
    area.AreaWidth = whole(frame.width());
    area.AreaTop = whole(detailsFrame.top() + detailsFrame.height());
    area.AreaHeight = whole(outerHeightTwips / 20 - area.AreaTop);
    area.PlotLeft = whole(area.AreaWidth / 12.0 + frame.left());
    return area;
}

PlotFrame PlotFrameOf(const GraphArea& area)
{
    PlotFrame plot;
    plot.PlotLeft = area.PlotLeft;
    plot.PlotWidth = whole(area.AreaWidth * 5 / 6.0);
    plot.PlotHeight = whole(area.AreaHeight * 5 / 6.0);
    plot.PlotTop = whole(plot.PlotHeight / 3.0 + area.AreaTop);
    if (!plot.Drawable())
        return plot; // no area, no fonts: nothing is drawn
    plot.PlotArea = static_cast<qint64>(plot.PlotWidth) * plot.PlotHeight;
    plot.CaptionSize = fontSize(plot.PlotArea, 3500, 18);
    plot.SlantSize = fontSize(plot.PlotArea, 5000, 14);
    plot.TitleSize = fontSize(plot.PlotArea, 3000, 22);
    plot.ValueSize = fontSize(plot.PlotArea, 4250, 16);
    return plot;
}

QString DateGraphTitle(const QString& distanceUnit)
{
    return QStringLiteral("Graph of ") + distanceUnit + QStringLiteral("s Against Time");
}

QString MonthGraphTitle(const QString& distanceUnit, int currentYear)
{
    // The year written with the place of its sign: two spaces stand after "for".
    return QStringLiteral("Graph of ") + distanceUnit + QStringLiteral("s Per Month for  ") +
           QString::number(currentYear);
}

void DrawDateGraph(Canvas& surface, const GraphArea& area, const GraphTable& table,
                   const QString& distanceUnit, const QString& title)
{
    surface.clear();
    const PlotFrame plot = PlotFrameOf(area);
    if (!plot.Drawable())
        return;

    const std::vector<DatePoint> points = readDatePoints(table);
    qint64 minDay = 0, maxDay = 0;
    double minReading = 0, maxReading = 0;
    if (!points.empty()) {
        minDay = maxDay = points.front().day;
        minReading = maxReading = RoundHalfEven(points.front().reading);
    }
    for (const DatePoint& p : points) {
        if (p.day < minDay)
            minDay = p.day;
        else if (p.day > maxDay)
            maxDay = p.day;
        if (!p.hasReading)
            continue;
        if (p.reading < minReading)
            minReading = RoundHalfEven(p.reading);
        else if (p.reading > maxReading)
            maxReading = RoundHalfEven(p.reading);
    }
    const qint64 daySpan = maxDay - minDay;
    const double xScale = daySpan != 0 ? static_cast<double>(plot.PlotWidth) / daySpan : 0;
    const double readingRange = maxReading - minReading;
    const double yScale = readingRange != 0 ? plot.PlotHeight / readingRange : 0;

    drawPlotBox(surface, plot);
    for (int i = 1; i <= 10; ++i) {
        const double x = plot.PlotLeft + plot.PlotWidth / 10.0 * i;
        const double y = plot.PlotTop + plot.PlotHeight / 10.0 * i;
        surface.line(QPointF(x, plot.PlotTop), QPointF(x, plot.PlotBottom()));
        surface.line(QPointF(plot.PlotLeft, y), QPointF(plot.PlotRight(), y));
    }
    drawAxisCaptions(surface, plot, table, distanceUnit);
    if (!points.empty()) {
        drawDateLabels(surface, plot, minDay, daySpan);
        drawReadingLabels(surface, plot, minReading, maxReading);
    }
    drawTitle(surface, plot, title);

    // The red line joins the readings in table order, which is date order.
    auto pointAt = [&](const DatePoint& p) {
        return QPointF(whole((p.day - minDay) * xScale + plot.PlotLeft),
                       whole(plot.PlotBottom() - (p.reading - minReading) * yScale));
    };
    if (points.empty())
        return;
    QPointF from = pointAt(points.front());
    for (size_t i = 1; i < points.size(); ++i) {
        const QPointF to = pointAt(points[i]);
        surface.line(from, to, Red);
        from = to;
    }
}

void DrawMonthGraph(Canvas& surface, const GraphArea& area, const GraphTable& table,
                    const QString& distanceUnit, const QString& title)
{
    const PlotFrame plot = PlotFrameOf(area);
    if (!plot.Drawable())
        return;

    const qsizetype barCount = GraphDataRowCount(table);
    const int barWidth = barCount > 0 ? whole(plot.PlotWidth / (barCount * 1.1)) : 0;
    double maxTotal = barCount > 0 ? RoundHalfEven(LeadingNumber(table[1].YText)) : 0;
    for (qsizetype r = 1; r <= barCount; ++r) {
        if (table[r].YText.isEmpty())
            continue;
        const double v = LeadingNumber(table[r].YText);
        if (v > maxTotal)
            maxTotal = RoundHalfEven(v);
    }
    const double yScale = maxTotal != 0 ? plot.PlotHeight / maxTotal : 0;
    // The width of a month's column and the height of a step of the vertical axis.
    const double column = barCount > 0 ? static_cast<double>(plot.PlotWidth) / barCount : 0;
    const double step = barCount > 0 ? static_cast<double>(plot.PlotHeight) / barCount : 0;

    drawPlotBox(surface, plot);
    for (qsizetype i = 1; i <= barCount; ++i) {
        const double x = plot.PlotLeft + column * i;
        const double y = plot.PlotTop + step * i;
        surface.line(QPointF(x, plot.PlotTop), QPointF(x, plot.PlotBottom()));
        surface.line(QPointF(plot.PlotLeft, y), QPointF(plot.PlotRight(), y));
    }
    drawAxisCaptions(surface, plot, table, distanceUnit);

    const CanvasFont slant = slantFont(plot);
    for (qsizetype i = 1; i <= barCount; ++i)
        surface.text(QPoint(whole(column * i - column * 0.5 + plot.PlotLeft), plot.PlotBottom()),
                     TextAlign::TopLeft, slant, table[i].XText);

    const CanvasFont values = valueFont(plot);
    surface.text(QPoint(plot.PlotLeft, plot.PlotBottom()), TextAlign::BottomRight, values,
                 QStringLiteral("0"));
    for (qsizetype i = 1; i <= barCount; ++i)
        surface.text(QPoint(plot.PlotLeft, whole(plot.PlotBottom() - step * i)),
                     TextAlign::BottomRight, values,
                     PlainNumber(RoundHalfAway(maxTotal / barCount * i)));

    const int bottom = plot.PlotBottom() - 1;
    for (qsizetype i = 1; i <= barCount; ++i) {
        const int left = whole(column * (i - 1) + barWidth * 0.05 + plot.PlotLeft);
        double v = TextToNumber(table[i].YText);
        // A month whose readings fell, or whose text is no number, gets the strip of no distance.
        if (!(v > 0))
            v = 0;
        const int top = whole(bottom - v * yScale + 1);
        surface.filledBox(QPoint(left, bottom), QPoint(left + barWidth, top), Red);
    }
    drawTitle(surface, plot, title);
}

void DrawGraphs(Canvas& surface, const GraphGeometry& geometry, const QString& distanceUnit,
                int currentYear, const GraphTable& graphPoints, const GraphTable& monthlyTotals)
{
    const GraphArea dates =
        GraphAreaBelow(geometry.detailsFrame, geometry.detailsFrame, geometry.outerHeightTwips);
    DrawDateGraph(surface, dates, graphPoints, distanceUnit, DateGraphTitle(distanceUnit));
    const GraphArea months =
        GraphAreaBelow(geometry.statisticsFrame, geometry.detailsFrame, geometry.outerHeightTwips);
    DrawMonthGraph(surface, months, monthlyTotals, distanceUnit,
                   MonthGraphTitle(distanceUnit, currentYear));
}
