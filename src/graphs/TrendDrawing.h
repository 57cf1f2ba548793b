#pragma once

#include "TrendSeries.h"

#include <QDate>
#include <QRectF>

class QPainter;

// Draws series into area (logical pixels) with its title, a value axis, a date axis from `from`
// to `to`, and faint grid lines. Grid lines and axes are one device pixel wide at any pixel
// ratio, placed on whole device pixels so that none is blurred or thicker than the rest.
void DrawTrend(QPainter& painter, const QRectF& area, const TrendSeries& series, QDate from,
               QDate to);

// The text shown instead of a graph when the period holds nothing to draw.
QString NoTrendText();
