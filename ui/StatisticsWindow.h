#pragma once

#include <QWidget>

class LatestRun;
class QLabel;
class QPushButton;
class ReadingsPlotView;
class RunRecord;

// Figures and a plot of the latest run's readings, beside the main dialog.
// It reads the readings only while it is shown: after each run, and when it
// is opened on a run it has not shown yet.
class StatisticsWindow : public QWidget {
    Q_OBJECT

public:
    // A window of its own beside `owner`, on the runs `runs` records.
    StatisticsWindow(const LatestRun& runs, QWidget& owner);

    // Reads the latest run again and shows it, or says why it cannot.
    void Refresh();
    // To be called when a run is done with the grid.
    void OnRunFinished();

    QLabel& StatusLabel() const { return *status_; }
    QLabel& CountLabel() const { return *count_; }
    QLabel& MeanLabel() const { return *mean_; }
    QLabel& DeviationLabel() const { return *deviation_; }
    QLabel& MinimumLabel() const { return *minimum_; }
    QLabel& MaximumLabel() const { return *maximum_; }
    ReadingsPlotView& Plot() const { return *plot_; }
    QPushButton& ResetZoomButton() const { return *resetZoom_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool ShowsLatestRun() const;
    void ShowReadings(const RunRecord& record);
    void ShowNothing(const QString& why);

    const LatestRun& runs_;
    QLabel* status_;
    QLabel* count_;
    QLabel* mean_;
    QLabel* deviation_;
    QLabel* minimum_;
    QLabel* maximum_;
    ReadingsPlotView* plot_;
    QPushButton* resetZoom_;
    unsigned long shownSerial_ = 0;
    bool shownComplete_ = false;
    bool everShown_ = false;
};
