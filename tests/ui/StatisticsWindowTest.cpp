// The statistics window beside a dialog that measures the simulated meter.
#include "ui/StatisticsWindow.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <cmath>

#include "DialogOnSimulatedMeter.h"
#include "QtPrinters.h"
#include "analysis/ReadingStatistics.h"
#include "ui/HistogramView.h"
#include "ui/ReadingsPlotView.h"
#include "ui/SpectrumView.h"

namespace {

class StatisticsWindowTest : public DialogOnSimulatedMeter {
protected:
    // The remembered line frequency goes to a folder of the test's own.
    void SetUp() override {
        DialogOnSimulatedMeter::SetUp();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_.path());
    }

    StatisticsWindow& OpenStatistics() {
        dlg_->OnStatisticsAndPlot();
        auto* window = dlg_->findChild<StatisticsWindow*>();
        EXPECT_NE(window, nullptr);
        return *window;
    }

    // The figures of the readings the latest run decoded, with the texts the
    // grid shows for the extremes.
    void ExpectStatisticsOfLatestRun(const StatisticsWindow& window, int rows) const {
        const ReadingStatistics expected = ReadingStatistics::Of(dlg_->Latest().Record().Values());
        ASSERT_EQ(expected.Count(), static_cast<std::size_t>(rows));
        EXPECT_EQ(window.CountLabel().text(), QString::number(rows));
        ExpectFigure(window.MeanLabel(), expected.Mean());
        ExpectFigure(window.DeviationLabel(), expected.StandardDeviation());
        ExpectFigure(window.PeakToPeakLabel(), expected.PeakToPeak());
        const int minRow = static_cast<int>(expected.MinimumIndex()) + 1;
        const int maxRow = static_cast<int>(expected.MaximumIndex()) + 1;
        EXPECT_EQ(window.MinimumLabel().text(),
                  Cell(minRow, 1) + QStringLiteral(" at reading ") + Cell(minRow, 0));
        EXPECT_EQ(window.MaximumLabel().text(),
                  Cell(maxRow, 1) + QStringLiteral(" at reading ") + Cell(maxRow, 0));
        EXPECT_EQ(window.Plot().PointCount(), rows);
        const QRectF full = window.Plot().FullRange();
        EXPECT_DOUBLE_EQ(full.left(), 0.0);
        EXPECT_DOUBLE_EQ(full.right(), rows - 1.0);
        EXPECT_LT(full.top(), expected.Minimum());
        EXPECT_GT(full.bottom(), expected.Maximum());
        EXPECT_TRUE(window.StatusLabel().text().isEmpty())
            << window.StatusLabel().text().toStdString();
        std::size_t binned = 0;
        for (const std::size_t count : window.ShownHistogram().counts) {
            binned += count;
        }
        EXPECT_EQ(binned, static_cast<std::size_t>(rows));
        EXPECT_EQ(window.Histogram().BinCount(),
                  static_cast<int>(window.ShownHistogram().counts.size()));
        EXPECT_EQ(window.Spectrum().PointCount() + 1,
                  static_cast<int>(window.ShownSpectrum().density.size()));
        // The simulated noise alone lists no peak.
        EXPECT_TRUE(window.PeaksLabel().text().startsWith(
            QStringLiteral("No peak stands above the noise floor.\n")))
            << window.PeaksLabel().text().toStdString();
    }

    static int ChooseData(QComboBox& box, int value) {
        box.setCurrentIndex(box.findData(value));
        return box.currentData().toInt();
    }

    static QStringList LinesOf(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir settings_;

    static void ExpectFigure(const QLabel& label, double expected) {
        bool ok = false;
        const double shown = label.text().toDouble(&ok);
        ASSERT_TRUE(ok) << label.objectName().toStdString() << ": " << label.text().toStdString();
        EXPECT_NEAR(shown, expected, std::abs(expected) * 1e-9 + 1e-12)
            << label.objectName().toStdString();
    }
};

TEST_F(StatisticsWindowTest, FollowsEachRun) {
    Run(kFullRun);
    StatisticsWindow& window = OpenStatistics();
    EXPECT_TRUE(window.isVisible());
    ExpectStatisticsOfLatestRun(window, kBurst);

    Run(kShortRun);
    ExpectStatisticsOfLatestRun(window, kShortRunReadings);
    EXPECT_EQ(dlg_->findChildren<StatisticsWindow*>().size(), 1);
}

TEST_F(StatisticsWindowTest, ClosedWindowCatchesUpOnlyWhenShownAgain) {
    Run(kShortRun);
    StatisticsWindow& window = OpenStatistics();
    window.close();
    Run(kFullRun);
    // Nothing was read for a window nobody sees.
    EXPECT_EQ(window.CountLabel().text(), QString::number(kShortRunReadings));
    EXPECT_EQ(window.Plot().PointCount(), kShortRunReadings);

    OpenStatistics();
    ExpectStatisticsOfLatestRun(window, kBurst);
}

TEST_F(StatisticsWindowTest, OpenedDuringAFillWaitsForItsEnd) {
    StatisticsWindow* window = nullptr;
    QString statusDuringFill;
    DuringNextFill(1000, [&] {
        window = &OpenStatistics();
        statusDuringFill = window->StatusLabel().text();
        EXPECT_EQ(window->Plot().PointCount(), 0);
    });
    Run(kFullRun);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(statusDuringFill.contains(QStringLiteral("still filling")))
        << statusDuringFill.toStdString();
    ExpectStatisticsOfLatestRun(*window, kBurst);
}

TEST_F(StatisticsWindowTest, TakesClicksWhileTheDialogIsModal) {
    // The application runs the dialog with exec(); its own windows stay usable.
    dlg_->setWindowModality(Qt::ApplicationModal);
    dlg_->show();
    Run(kShortRun);
    StatisticsWindow& window = OpenStatistics();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ReadingsPlotView& plot = window.Plot();
    plot.ZoomAt(plot.mapFromScene(plot.chart()->mapToScene(plot.chart()->plotArea().center())),
                4.0);
    ASSERT_NE(plot.VisibleRange(), plot.FullRange());
    // Through the window system, where input to blocked windows is dropped.
    QPushButton& reset = window.ResetZoomButton();
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      reset.mapTo(&window, reset.rect().center()));
    EXPECT_EQ(plot.VisibleRange(), plot.FullRange());
}

// The line frequency sets the time between readings, so the frequencies;
// a window opened later starts from the one chosen last.
TEST_F(StatisticsWindowTest, LineFrequencySetsTheTimeScaleAndIsRemembered) {
    Run("dcv,instant,ripple=0.01@1000");
    StatisticsWindow& window = OpenStatistics();
    ASSERT_EQ(window.LineFrequencyBox().currentData().toInt(), 50);
    const AmplitudeSpectrum& spectrum = window.ShownSpectrum();
    ASSERT_FALSE(spectrum.peaks.empty());
    EXPECT_NEAR(spectrum.peaks[0].frequencyHz, 1000.0, spectrum.binWidthHz);
    ASSERT_EQ(spectrum.peaks.size(), 1u);
    EXPECT_EQ(window.Spectrum().MarkedPeakCount(), 1);
    EXPECT_NEAR(window.Plot().TimeAxisMax(), (kBurst - 1) * 0.02, 1e-6);  // ms

    ASSERT_EQ(ChooseData(window.LineFrequencyBox(), 60), 60);
    EXPECT_NEAR(window.ShownSpectrum().peaks.at(0).frequencyHz, 1200.0,
                window.ShownSpectrum().binWidthHz);
    EXPECT_NEAR(window.Plot().TimeAxisMax(), (kBurst - 1) * 0.001 / 60 * 1e3, 1e-6);
    StatisticsWindow later(dlg_->Latest(), *dlg_);
    EXPECT_EQ(later.LineFrequencyBox().currentData().toInt(), 60);
}

TEST_F(StatisticsWindowTest, BinsAndSegmentLengthAreChosenAndSavedAsCsv) {
    Run("dcv,instant,ripple=0.01@1000");
    StatisticsWindow& window = OpenStatistics();
    window.BinsBox().setValue(7);
    EXPECT_EQ(window.Histogram().BinCount(), 7);
    ASSERT_EQ(ChooseData(window.SegmentBox(), 1024), 1024);
    EXPECT_EQ(window.ShownSpectrum().segmentLength, 1024u);
    EXPECT_EQ(window.Spectrum().PointCount(), 512);

    QTemporaryDir folder;
    QString path;
    QStringList reports;
    window.SetPathChooser([&](const QString&, const QString&) { return path; });
    window.SetReporter([&](const QString& text) { reports.append(text); });
    path = folder.filePath(QStringLiteral("histogram.csv"));
    window.SaveHistogramAsCsv();
    const QStringList histogram = LinesOf(path);
    ASSERT_EQ(histogram.size(), 1 + 7);
    EXPECT_EQ(histogram[0], QStringLiteral("bin_low,bin_high,count,normal"));
    path = folder.filePath(QStringLiteral("spectrum.csv"));
    window.SaveSpectrumAsCsv();
    const QStringList spectrum = LinesOf(path);
    // The one peak the window lists and marks, then the density.
    ASSERT_EQ(window.Spectrum().MarkedPeakCount(), 1);
    ASSERT_EQ(spectrum.size(), 1 + 1 + 513);
    EXPECT_TRUE(spectrum[0].startsWith(QStringLiteral("# peak "))) << spectrum[0].toStdString();
    EXPECT_EQ(spectrum[1], QStringLiteral("frequency_hz,density_per_root_hz"));
    EXPECT_TRUE(reports.isEmpty());

    path = folder.filePath(QStringLiteral("missing/spectrum.csv"));
    window.SaveSpectrumAsCsv();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("No such file"))) << reports[0].toStdString();
}

}  // namespace
