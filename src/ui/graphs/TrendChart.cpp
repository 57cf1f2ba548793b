#include "TrendChart.h"

#include "TrendDrawing.h"

#include <QPainter>

TrendChart::TrendChart(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
}

void TrendChart::setSeries(TrendSeries series, QDate from, QDate to)
{
    series_ = std::move(series);
    from_ = from;
    to_ = to;
    setAccessibleDescription(series_.Points.isEmpty() ? NoTrendText() : series_.Title);
    update();
}

void TrendChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawTrend(painter, rect(), series_, from_, to_);
}
