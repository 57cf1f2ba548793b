#include "TrendDrawing.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

const QColor GridColour(220, 220, 220);
const QColor LineColour(0, 0, 192);
const QColor BarColour(64, 128, 192);

// A position in logical pixels moved to the middle of the device pixel it falls in, so that a
// one-device-pixel line lands on exactly one row or column of pixels.
double snapped(double at, double ratio)
{
    return (std::floor(at * ratio) + 0.5) / ratio;
}

int decimalsFor(double step)
{
    if (!(step > 0))
        return 0;
    return std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 6);
}

QString valueText(const TrendSeries& series, double value, int decimals)
{
    const QLocale locale;
    if (series.Kind == TrendKind::EconomyPerFill)
        return locale.toString(value, 'f', decimals);
    return locale.toCurrencyString(value, locale.currencySymbol(), decimals);
}

// Where the date axis is labelled: the days and their texts, at most about maxLabels of them.
QVector<std::pair<QDate, QString>> dateLabels(QDate from, QDate to, int maxLabels)
{
    QVector<std::pair<QDate, QString>> labels;
    const QLocale locale;
    const qint64 days = from.daysTo(to);
    maxLabels = std::max(maxLabels, 2);
    if (days > 3 * 365) {
        const int years = to.year() - from.year() + 1;
        const int every = std::max(1, (years + maxLabels - 1) / maxLabels);
        for (int y = from.year() + 1; y <= to.year(); y += every)
            labels.append({QDate(y, 1, 1), QString::number(y)});
    } else if (days > 90) {
        const int months = (to.year() - from.year()) * 12 + to.month() - from.month() + 1;
        const int every = std::max(1, (months + maxLabels - 1) / maxLabels);
        for (QDate m = QDate(from.year(), from.month(), 1).addMonths(1); m <= to;
             m = m.addMonths(every))
            labels.append({m, locale.toString(m, QStringLiteral("MMM yy"))});
    } else {
        const qint64 every = std::max<qint64>(1, (days + maxLabels - 1) / maxLabels);
        for (QDate d = from; d <= to; d = d.addDays(every))
            labels.append({d, locale.toString(d, QStringLiteral("d MMM"))});
    }
    return labels;
}

} // namespace

QString NoTrendText()
{
    return QStringLiteral("Nothing to show in this period.");
}

void DrawTrend(QPainter& painter, const QRectF& area, const TrendSeries& series, QDate from,
               QDate to)
{
    painter.save();
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.fillRect(area, Qt::white);

    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPixelSize(15);
    titleFont.setBold(true);
    QFont labelFont(QStringLiteral("Arial"));
    labelFont.setPixelSize(12);
    const QFontMetricsF labels(labelFont, painter.device());

    painter.setPen(Qt::black);
    painter.setFont(titleFont);
    const QRectF titleBox(area.left(), area.top() + 4, area.width(), 22);
    painter.drawText(titleBox, Qt::AlignCenter, series.Title);

    double low = 0, high = 0;
    bool any = false;
    for (const TrendPoint& p : series.Points) {
        low = any ? std::min(low, p.Value) : p.Value;
        high = any ? std::max(high, p.Value) : p.Value;
        any = true;
    }
    const bool nothing = !any || !from.isValid() || !to.isValid() || from > to ||
                         (series.Bars && high == 0 && low == 0);
    if (nothing) {
        painter.setFont(labelFont);
        painter.drawText(area.adjusted(0, 30, 0, 0), Qt::AlignCenter, NoTrendText());
        painter.restore();
        return;
    }
    if (series.Bars)
        low = std::min(low, 0.0); // bars stand on zero
    const QVector<double> steps = AxisSteps(low, high, 6);
    const double axisLow = steps.front();
    const double axisHigh = steps.back() > axisLow ? steps.back() : axisLow + 1;
    int decimals = steps.size() > 1 ? decimalsFor(steps[1] - steps[0]) : 0;
    if (series.Kind == TrendKind::PricePerLitre)
        decimals = std::max(decimals, 2); // money in pence, as it is paid

    double valueWidth = 0;
    for (const double v : steps)
        valueWidth = std::max(valueWidth, labels.horizontalAdvance(valueText(series, v, decimals)));
    const QRectF plot(area.left() + valueWidth + 14, area.top() + 34,
                      area.width() - valueWidth - 14 - 16, area.height() - 34 - 30);
    if (plot.width() < 20 || plot.height() < 20) {
        painter.restore();
        return;
    }
    const auto yOf = [&](double value) {
        return plot.bottom() - (value - axisLow) / (axisHigh - axisLow) * plot.height();
    };

    // Grid and axes: cosmetic, unsmoothed, on whole device pixels.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(labelFont);
    for (const double v : steps) {
        const double y = snapped(yOf(v), ratio);
        painter.setPen(QPen(GridColour, 0));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y - 8, valueWidth + 8, 16),
                         Qt::AlignRight | Qt::AlignVCenter, valueText(series, v, decimals));
    }
    painter.setPen(QPen(Qt::black, 0));
    const double axisX = snapped(plot.left(), ratio);
    const double axisY = snapped(plot.bottom(), ratio);
    painter.drawLine(QPointF(axisX, plot.top()), QPointF(axisX, axisY));
    painter.drawLine(QPointF(axisX, axisY), QPointF(plot.right(), axisY));

    const int maxLabels = std::max(2, int(plot.width() / 70));
    if (series.Bars) {
        const qsizetype count = series.Points.size();
        const double slot = plot.width() / double(count);
        const int every = int(std::max<qsizetype>(1, (count + maxLabels - 1) / maxLabels));
        for (qsizetype i = 0; i < count; ++i) {
            const TrendPoint& p = series.Points[i];
            const double left = plot.left() + slot * double(i);
            const QRectF bar(QPointF(left + slot * 0.15, yOf(std::max(p.Value, 0.0))),
                             QPointF(left + slot * 0.85, yOf(std::min(p.Value, 0.0))));
            painter.fillRect(bar, BarColour);
            if (i % every == 0)
                painter.drawText(QRectF(left - 40 + slot / 2, plot.bottom() + 4, 80, 16),
                                 Qt::AlignHCenter | Qt::AlignTop,
                                 QLocale().toString(p.Date, QStringLiteral("MMM yy")));
        }
        painter.restore();
        return;
    }

    const double first = double(from.toJulianDay());
    const double span = std::max(1.0, double(to.toJulianDay()) - first);
    const auto xOf = [&](QDate day) {
        return plot.left() + (double(day.toJulianDay()) - first) / span * plot.width();
    };
    for (const auto& [day, text] : dateLabels(from, to, maxLabels)) {
        const double x = snapped(xOf(day), ratio);
        painter.setPen(QPen(GridColour, 0));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, axisY));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x - 40, plot.bottom() + 4, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
                         text);
    }

    // The data, smoothed: lines between the fills and a dot at each.
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    for (qsizetype i = 0; i < series.Points.size(); ++i) {
        const QPointF at(xOf(series.Points[i].Date), yOf(series.Points[i].Value));
        if (i == 0)
            path.moveTo(at);
        else
            path.lineTo(at);
    }
    painter.setPen(QPen(LineColour, 1.5));
    painter.drawPath(path);
    painter.setBrush(LineColour);
    // Dots only while they stand apart; thousands of fills make a line of their own.
    if (double(series.Points.size()) < plot.width() / 6)
        for (const TrendPoint& p : series.Points)
            painter.drawEllipse(QPointF(xOf(p.Date), yOf(p.Value)), 2.5, 2.5);
    painter.restore();
}
