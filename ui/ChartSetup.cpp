#include "ui/ChartSetup.h"

#include <QLegend>
#include <QPen>
#include <QXYSeries>

namespace ChartSetup {

void Prepare(QChart& chart, bool showLegend) {
    chart.setAnimationOptions(QChart::NoAnimation);
    if (showLegend) {
        chart.legend()->setAlignment(Qt::AlignTop);
    } else {
        chart.legend()->hide();
    }
}

void AddLine(QChart& chart, QXYSeries& series, int width) {
    series.setUseOpenGL(false);
    chart.addSeries(&series);
    // After addSeries: the chart's theme gives the pen its colour.
    QPen pen = series.pen();
    pen.setWidth(width);
    series.setPen(pen);
}

}  // namespace ChartSetup
