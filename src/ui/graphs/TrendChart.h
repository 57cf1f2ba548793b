#pragma once

#include "TrendSeries.h"

#include <QWidget>

// Shows one series; painted afresh at the widget's own pixel ratio, so it is sharp on any screen.
class TrendChart final : public QWidget
{
    Q_OBJECT

public:
    explicit TrendChart(QWidget* parent = nullptr);

    void setSeries(TrendSeries series, QDate from, QDate to);
    const TrendSeries& series() const { return series_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TrendSeries series_;
    QDate from_;
    QDate to_;
};
