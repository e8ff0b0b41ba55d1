#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "analysis/AmplitudeSpectrum.h"
#include "analysis/ReadingHistogram.h"
#include "analysis/WelchSpectrum.h"
#include "ui/CsvSaveFlow.h"

class HistogramView;
class LatestRun;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;
class ReadingsPlotView;
class RunRecord;
class SpectrumView;

// Figures, a plot against time, a histogram and a spectrum of the latest
// run's readings, beside the main dialog. It reads the readings only while
// it is shown: after each run, and when it is opened on a run it has not
// shown yet. The line frequency, which sets the time between readings, is
// remembered from one session to the next.
class StatisticsWindow : public QWidget {
    Q_OBJECT

public:
    // A window of its own beside `owner`, on the runs `runs` records.
    StatisticsWindow(const LatestRun& runs, QWidget& owner);

    // Reads the latest run again and shows it, or says why it cannot.
    void Refresh();
    // To be called when a run is done with the grid.
    void OnRunFinished();

    // Tests choose the path and catch the reports instead of opening dialogs.
    void SetPathChooser(CsvSaveFlow::PathChooser chooser) {
        saving_.SetPathChooser(std::move(chooser));
    }
    void SetReporter(CsvSaveFlow::Reporter reporter) { saving_.SetReporter(std::move(reporter)); }
    void SaveHistogramAsCsv();
    void SaveSpectrumAsCsv();

    QLabel& StatusLabel() const { return *status_; }
    QLabel& CountLabel() const { return *count_; }
    QLabel& MeanLabel() const { return *mean_; }
    QLabel& DeviationLabel() const { return *deviation_; }
    QLabel& PeakToPeakLabel() const { return *peakToPeak_; }
    QLabel& CrestFactorLabel() const { return *crestFactor_; }
    QLabel& MinimumLabel() const { return *minimum_; }
    QLabel& MaximumLabel() const { return *maximum_; }
    QLabel& PeaksLabel() const { return *peaks_; }
    ReadingsPlotView& Plot() const { return *plot_; }
    HistogramView& Histogram() const { return *histogramView_; }
    SpectrumView& Spectrum() const { return *spectrumView_; }
    QPushButton& ResetZoomButton() const { return *resetZoom_; }
    QComboBox& LineFrequencyBox() const { return *lineFrequency_; }
    QSpinBox& BinsBox() const { return *bins_; }
    QComboBox& SegmentBox() const { return *segment_; }
    QTabWidget& Tabs() const { return *tabs_; }

    // What the views show now.
    const ReadingHistogram& ShownHistogram() const { return histogram_; }
    const AmplitudeSpectrum& ShownSpectrum() const { return spectrum_; }
    // Seconds between readings at the chosen line frequency.
    double SecondsPerReading() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* MakeReadingsTab();
    QWidget* MakeHistogramTab();
    QWidget* MakeSpectrumTab();
    bool ShowsLatestRun() const;
    void ShowReadings(const RunRecord& record);
    void ShowNothing(const QString& why);
    void ShowHistogram();
    void ShowSpectrum();
    void OnLineFrequencyChosen();

    const LatestRun& runs_;
    QLabel* status_;
    QLabel* count_;
    QLabel* mean_;
    QLabel* deviation_;
    QLabel* peakToPeak_;
    QLabel* crestFactor_;
    QLabel* minimum_;
    QLabel* maximum_;
    QLabel* peaks_;
    QComboBox* lineFrequency_;
    QTabWidget* tabs_;
    ReadingsPlotView* plot_;
    QPushButton* resetZoom_;
    HistogramView* histogramView_;
    QSpinBox* bins_;
    QPushButton* saveHistogram_;
    SpectrumView* spectrumView_;
    QComboBox* segment_;
    QPushButton* saveSpectrum_;
    CsvSaveFlow saving_;

    std::vector<float> values_;  // the readings shown, for a change of settings
    ReadingHistogram histogram_;
    WelchSpectrum welch_;
    AmplitudeSpectrum spectrum_;
    unsigned long shownSerial_ = 0;
    bool shownComplete_ = false;
    bool everShown_ = false;
};
