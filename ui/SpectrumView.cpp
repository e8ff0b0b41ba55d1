#include "ui/SpectrumView.h"

#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/AmplitudeSpectrum.h"
#include "ui/ChartSetup.h"

namespace {

// Room on the log axis: down to half the lowest density, up to twice the highest.
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
    ChartSetup::Prepare(*plot, false);
    ChartSetup::AddLine(*plot, *density_, 1);
    plot->addSeries(peaks_);
    peaks_->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    peaks_->setMarkerSize(kPeakMarkerSize);
    axisX_->setMinorTickCount(-1);
    ChartSetup::AddAxis(*plot, *axisX_, Qt::AlignBottom, QStringLiteral("Frequency (Hz)"),
                        QStringLiteral("%g"), {density_, peaks_});
    ChartSetup::AddAxis(*plot, *axisY_, Qt::AlignLeft,
                        QStringLiteral("Amplitude density (per \u221aHz)"), QStringLiteral("%.0e"),
                        {density_, peaks_});
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
