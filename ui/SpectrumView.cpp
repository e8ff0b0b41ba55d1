#include "ui/SpectrumView.h"

#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/AmplitudeSpectrum.h"

namespace {

// A decade below the floor, and a little above the top.
constexpr double kBelowFloor = 0.5;
constexpr double kAboveTop = 2.0;
constexpr qreal kPeakMarkerSize = 9.0;

}  // namespace

SpectrumView::SpectrumView(QWidget* parent)
    : QChartView(new QChart, parent),
      density_(new QLineSeries),
      peaks_(new QScatterSeries),
      axisX_(new QLogValueAxis),
      axisY_(new QLogValueAxis) {
    QChart* plot = chart();
    plot->legend()->hide();
    plot->setAnimationOptions(QChart::NoAnimation);
    density_->setUseOpenGL(false);
    plot->addSeries(density_);
    plot->addSeries(peaks_);
    QPen pen = density_->pen();
    pen.setWidth(1);
    density_->setPen(pen);
    peaks_->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    peaks_->setMarkerSize(kPeakMarkerSize);
    axisX_->setTitleText(QStringLiteral("Frequency (Hz)"));
    axisX_->setLabelFormat(QStringLiteral("%g"));
    axisX_->setMinorTickCount(-1);
    axisY_->setTitleText(QStringLiteral("Amplitude density (per \u221aHz)"));
    axisY_->setLabelFormat(QStringLiteral("%.0e"));
    plot->addAxis(axisX_, Qt::AlignBottom);
    plot->addAxis(axisY_, Qt::AlignLeft);
    for (QAbstractSeries* series :
         {static_cast<QAbstractSeries*>(density_), static_cast<QAbstractSeries*>(peaks_)}) {
        series->attachAxis(axisX_);
        series->attachAxis(axisY_);
    }
    Clear();
}

void SpectrumView::Show(const AmplitudeSpectrum& spectrum) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(spectrum.density.size()));
    double low = std::numeric_limits<double>::infinity();
    double high = 0.0;
    // 0 Hz has no place on a log axis, nor has a density of 0.
    for (std::size_t bin = 1; bin < spectrum.density.size(); ++bin) {
        const double density = spectrum.density[bin];
        if (density > 0.0 && std::isfinite(density)) {
            points.append(QPointF(spectrum.FrequencyOf(bin), density));
            low = std::min(low, density);
            high = std::max(high, density);
        }
    }
    if (points.isEmpty()) {
        Clear();
        return;
    }
    density_->replace(points);
    QList<QPointF> marks;
    for (const SpectrumPeak& peak : spectrum.peaks) {
        // Marked on the curve, where the peak's top bin is.
        const auto bin =
            static_cast<std::size_t>(std::lround(peak.frequencyHz / spectrum.binWidthHz));
        if (bin >= 1 && bin < spectrum.density.size() && spectrum.density[bin] > 0.0) {
            marks.append(QPointF(peak.frequencyHz, spectrum.density[bin]));
        }
    }
    peaks_->replace(marks);
    axisX_->setRange(points.front().x(), points.back().x());
    axisY_->setRange(low * kBelowFloor, high * kAboveTop);
}

void SpectrumView::Clear() {
    density_->clear();
    peaks_->clear();
    axisX_->setRange(1.0, 10.0);
    axisY_->setRange(1.0, 10.0);
}

int SpectrumView::PointCount() const {
    return static_cast<int>(density_->count());
}

int SpectrumView::MarkedPeakCount() const {
    return static_cast<int>(peaks_->count());
}
