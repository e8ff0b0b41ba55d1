// plot_bench: what the window's export and plot cost for a full burst. One
// run of 50000 readings on the simulated meter (ZVISA_SIM, "dcv,instant"
// unless set), then, each as the median of several repetitions:
//   Save readings as CSV through the readings grid menu, into $TMPDIR or /tmp
//   Copy all readings
//   statistics window refresh (figures, QLineSeries::replace, layout)
//   a full draw of the plot (grab()), the whole run in view
//   a wheel-zoom step and a pan step, each with the draw that follows
// Runs offscreen unless told otherwise. With a file name, it also saves a
// picture of the statistics window there, for review.
#include <QApplication>
#include <QDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "BenchTiming.h"
#include "ui/CMeterDlg.h"
#include "ui/ReadingsGridMenu.h"
#include "ui/ReadingsPlotView.h"
#include "ui/StatisticsWindow.h"

namespace {

constexpr int kRepetitions = 9;
constexpr int kPlotWidth = 800;
constexpr int kPlotHeight = 500;

double MedianMilliseconds(const std::function<void()>& work) {
    return bench::MedianMilliseconds(kRepetitions, work);
}

void Settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
}

QPoint PlotCentre(const ReadingsPlotView& plot) {
    return plot.mapFromScene(plot.chart()->mapToScene(plot.chart()->plotArea().center()));
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("ZVISA_SIM", "dcv,instant", 0);
    QApplication app(argc, argv);

    CMeterDlg dlg;
    auto* menu = dlg.findChild<ReadingsGridMenu*>();
    QStringList reports;
    menu->SetReporter([&](const QString& text) { reports << text; });
    const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("zorvane_plot_bench.csv"));
    menu->SetPathChooser([&](const QString&, const QString&) { return path; });

    dlg.OnOK();
    const std::size_t readings = dlg.Latest().Record().ReadingCount();
    if (readings == 0) {
        std::fprintf(stderr, "plot_bench: the run gave no readings (ZVISA_SIM=%s)\n",
                     std::getenv("ZVISA_SIM"));
        return 1;
    }

    const double saveMs = MedianMilliseconds([&] { menu->SaveReadingsAsCsv(); });
    const double copyMs = MedianMilliseconds([&] { menu->CopyAllReadings(); });
    QFile::remove(path);
    if (!reports.isEmpty()) {
        std::fprintf(stderr, "plot_bench: %s\n", qPrintable(reports.front()));
        return 1;
    }

    dlg.OnStatisticsAndPlot();
    auto* window = dlg.findChild<StatisticsWindow*>();
    ReadingsPlotView& plot = window->Plot();
    plot.setFixedSize(kPlotWidth, kPlotHeight);
    Settle();
    const double refreshMs = MedianMilliseconds([&] {
        window->Refresh();
        Settle();
    });

    const auto firstStart = std::chrono::steady_clock::now();
    plot.grab();
    const double firstDrawMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - firstStart)
            .count();
    const double drawMs = MedianMilliseconds([&] { plot.grab(); });

    plot.ZoomAt(PlotCentre(plot), 4.0);
    const double zoomMs = MedianMilliseconds([&] {
        plot.ZoomAt(PlotCentre(plot), 1.25);
        plot.grab();
    });
    const double panMs = MedianMilliseconds([&] {
        plot.PanBy(QPointF(40.0, 0.0));
        plot.grab();
    });
    plot.ResetZoom();
    if (argc > 1) {
        Settle();
        window->grab().save(QString::fromLocal8Bit(argv[1]));
    }

    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("readings %zu\n", readings);
    std::printf("plot_points %d\n", plot.PointCount());
    std::printf("save_csv_ms %.2f\n", saveMs);
    std::printf("copy_all_ms %.2f\n", copyMs);
    std::printf("statistics_refresh_ms %.2f\n", refreshMs);
    std::printf("plot_first_draw_ms %.2f\n", firstDrawMs);
    std::printf("plot_draw_ms %.2f\n", drawMs);
    std::printf("zoom_step_and_draw_ms %.2f\n", zoomMs);
    std::printf("pan_step_and_draw_ms %.2f\n", panMs);
    return 0;
}
