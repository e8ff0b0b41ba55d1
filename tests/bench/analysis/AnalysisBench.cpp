// analysis_bench: what the analysis of a full burst costs. One run of 50000
// readings on the simulated meter (ZVISA_SIM, a rippled and noisy dcv signal
// unless set), then, each as the median of several repetitions:
//   spectrum_ms         Welch, 4096-reading segments, the FFT plan made before
//   spectrum_first_ms   the same with the plan made in it (once)
//   histogram_ms        Freedman-Diaconis bins and the counts
//   window_refresh_ms   the statistics window's refresh: figures, plot,
//                       histogram and spectrum computed and handed to their views
//   window_refresh_and_draw_ms  the same, then each of the three views drawn
// Runs offscreen unless told otherwise.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "BenchTiming.h"
#include "analysis/ReadingHistogram.h"
#include "analysis/SampleInterval.h"
#include "analysis/WelchSpectrum.h"
#include "ui/CMeterDlg.h"
#include "ui/HistogramView.h"
#include "ui/ReadingsPlotView.h"
#include "ui/SpectrumView.h"
#include "ui/StatisticsWindow.h"

namespace {

using bench::MedianMilliseconds;
using bench::MillisecondsSince;

constexpr int kRepetitions = 21;
constexpr int kWindowRepetitions = 9;

void Settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("ZVISA_SIM", "dcv,instant,ripple=0.004@50,ripple=0.001@1226.8,noise=0.0005", 0);
    QApplication app(argc, argv);

    CMeterDlg dlg;
    dlg.OnOK();
    const std::vector<float>& values = dlg.Latest().Record().Values();
    if (values.empty()) {
        std::fprintf(stderr, "analysis_bench: the run gave no readings (ZVISA_SIM=%s)\n",
                     std::getenv("ZVISA_SIM"));
        return 1;
    }
    const double interval = SampleInterval::Seconds(SampleInterval::kDefaultLineFrequencyHz);

    const auto firstStart = std::chrono::steady_clock::now();
    WelchSpectrum welch;
    const AmplitudeSpectrum first = welch.Of(values, interval);
    const double spectrumFirstMs = MillisecondsSince(firstStart);
    const double spectrumMs = MedianMilliseconds(kRepetitions, [&] { welch.Of(values, interval); });
    const double histogramMs =
        MedianMilliseconds(kRepetitions, [&] { ReadingHistogram::Of(values); });

    dlg.OnStatisticsAndPlot();
    auto* window = dlg.findChild<StatisticsWindow*>();
    Settle();
    const double refreshMs = MedianMilliseconds(kWindowRepetitions, [&] { window->Refresh(); });
    const double refreshDrawMs = MedianMilliseconds(kWindowRepetitions, [&] {
        window->Refresh();
        window->Plot().grab();
        window->Histogram().grab();
        window->Spectrum().grab();
    });

    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("readings %zu\n", values.size());
    std::printf("segments %zu of %zu\n", first.segmentCount, first.segmentLength);
    std::printf("histogram_bins %zu\n", window->ShownHistogram().counts.size());
    std::printf("spectrum_ms %.3f\n", spectrumMs);
    std::printf("spectrum_first_ms %.3f\n", spectrumFirstMs);
    std::printf("histogram_ms %.3f\n", histogramMs);
    std::printf("window_refresh_ms %.2f\n", refreshMs);
    std::printf("window_refresh_and_draw_ms %.2f\n", refreshDrawMs);
    return 0;
}
