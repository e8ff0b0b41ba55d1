// The statistics window beside a dialog that measures the simulated meter.
#include "StatisticsWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <cmath>

#include "DialogOnSimulatedMeter.h"
#include "QtPrinters.h"
#include "ReadingStatistics.h"
#include "ReadingsPlotView.h"

namespace {

class StatisticsWindowTest : public DialogOnSimulatedMeter {
protected:
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
    }

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

}  // namespace
