#pragma once

#include <QChartView>

struct ReadingHistogram;
class QAreaSeries;
class QLineSeries;
class QValueAxis;

// The readings' histogram as bars, with the normal curve of the same mean and
// standard deviation over them.
class HistogramView : public QChartView {
    Q_OBJECT

public:
    explicit HistogramView(QWidget* parent = nullptr);

    void Show(const ReadingHistogram& histogram);
    void Clear();

    // Bars drawn, and points of the curve.
    int BinCount() const { return bins_; }
    const QLineSeries& Curve() const { return *curve_; }

private:
    QLineSeries* outline_;  // the bars' tops, two points a bin
    QAreaSeries* bars_;
    QLineSeries* curve_;
    QValueAxis* axisX_;
    QValueAxis* axisY_;
    int bins_ = 0;
};
