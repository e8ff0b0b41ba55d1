#include "ui/HistogramView.h"

#include <QAreaSeries>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>

#include "analysis/ReadingHistogram.h"
#include "ui/ChartSetup.h"

namespace {

// Points of the normal curve across the bars: smooth at any bin count.
constexpr int kCurvePoints = 241;
// Room above the tallest bar or the curve's top.
constexpr double kHeadroom = 1.08;

}  // namespace

HistogramView::HistogramView(QWidget* parent)
    : QChartView(new QChart, parent),
      outline_(new QLineSeries(this)),  // an area series does not own its edges
      bars_(new QAreaSeries(outline_)),
      curve_(new QLineSeries),
      axisX_(new QValueAxis),
      axisY_(new QValueAxis) {
    QChart* plot = chart();
    ChartSetup::Prepare(*plot, true);
    bars_->setName(QStringLiteral("Readings"));
    curve_->setName(QStringLiteral("Normal curve, same mean and deviation"));
    plot->addSeries(bars_);
    ChartSetup::AddLine(*plot, *curve_, 2);
    ChartSetup::AddAxis(*plot, *axisX_, Qt::AlignBottom, QStringLiteral("Value"),
                        QStringLiteral("%.7g"), {bars_, curve_});
    ChartSetup::AddAxis(*plot, *axisY_, Qt::AlignLeft, QStringLiteral("Readings a bin"),
                        QStringLiteral("%.0f"), {bars_, curve_});
    Clear();
}

void HistogramView::Show(const ReadingHistogram& histogram) {
    bins_ = static_cast<int>(histogram.counts.size());
    if (bins_ == 0) {
        Clear();
        return;
    }
    QList<QPointF> tops;
    tops.reserve(2 * bins_ + 2);
    tops.append(QPointF(histogram.LeftEdge(0), 0.0));
    double tallest = 1.0;
    for (std::size_t bin = 0; bin < histogram.counts.size(); ++bin) {
        const double count = static_cast<double>(histogram.counts[bin]);
        tops.append(QPointF(histogram.LeftEdge(bin), count));
        tops.append(QPointF(histogram.LeftEdge(bin + 1), count));
        tallest = std::max(tallest, count);
    }
    tops.append(QPointF(histogram.LeftEdge(histogram.counts.size()), 0.0));
    outline_->replace(tops);

    const double low = histogram.LeftEdge(0);
    const double high = histogram.LeftEdge(histogram.counts.size());
    QList<QPointF> curve;
    curve.reserve(kCurvePoints);
    for (int i = 0; i < kCurvePoints; ++i) {
        const double x = low + (high - low) * i / (kCurvePoints - 1);
        curve.append(QPointF(x, histogram.NormalCountAt(x)));
        tallest = std::max(tallest, curve.back().y());
    }
    curve_->replace(curve);
    axisX_->setRange(low, high);
    axisY_->setRange(0.0, tallest * kHeadroom);
    // Ticks on round values; the range grows a little to reach them.
    axisX_->applyNiceNumbers();
    axisY_->applyNiceNumbers();
}

void HistogramView::Clear() {
    bins_ = 0;
    outline_->clear();
    curve_->clear();
    axisX_->setRange(0.0, 1.0);
    axisY_->setRange(0.0, 1.0);
}
