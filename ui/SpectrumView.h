#pragma once

#include <QChartView>

struct AmplitudeSpectrum;
class QLineSeries;
class QLogValueAxis;
class QScatterSeries;

// The amplitude spectral density on log axes, the listed peaks marked.
class SpectrumView : public QChartView {
    Q_OBJECT

public:
    explicit SpectrumView(QWidget* parent = nullptr);

    void Show(const AmplitudeSpectrum& spectrum);
    void Clear();

    int PointCount() const;
    int MarkedPeakCount() const;

private:
    QLineSeries* density_;
    QScatterSeries* peaks_;
    QLogValueAxis* axisX_;
    QLogValueAxis* axisY_;
};
