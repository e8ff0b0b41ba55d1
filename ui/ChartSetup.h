#pragma once

#include <QChart>
#include <QString>
#include <initializer_list>

class QAbstractSeries;
class QXYSeries;

// The set-up the statistics window's chart views share: the plot against
// time, the histogram and the spectrum.
namespace ChartSetup {

// No animation, which would replay over every point at each change; the
// legend at the top, or hidden.
void Prepare(QChart& chart, bool showLegend);

// `series` added to `chart`, drawn in software (the same everywhere,
// offscreen included) with a pen `width` pixels wide in the theme's colour:
// a thin line shows the noise of a dense burst and draws faster.
void AddLine(QChart& chart, QXYSeries& series, int width);

// `axis` titled `title`, its labels printed with `labelFormat`, added on
// `side` of `chart` and carrying `series`.
template <typename Axis>
void AddAxis(QChart& chart, Axis& axis, Qt::Alignment side, const QString& title,
             const QString& labelFormat, std::initializer_list<QAbstractSeries*> series) {
    axis.setTitleText(title);
    axis.setLabelFormat(labelFormat);
    chart.addAxis(&axis, side);
    for (QAbstractSeries* each : series) {
        each->attachAxis(&axis);
    }
}

}  // namespace ChartSetup
