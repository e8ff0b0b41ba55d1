// Zoom, pan and reset on the readings plot, driven the ways a user drives it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineSeries>
#include <QMouseEvent>
#include <QTest>
#include <QValueAxis>
#include <QWheelEvent>
#include <cmath>

#include "ui/ReadingsPlotView.h"

namespace {

constexpr int kPoints = 1000;
constexpr double kSampleInterval = 20e-6;  // a burst on 50 Hz mains

class ReadingsPlotViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        QList<QPointF> points;
        for (int k = 0; k < kPoints; ++k) {
            points.append(QPointF(k, std::sin(k / 50.0)));
        }
        plot_.resize(800, 500);
        plot_.SetPoints(points);
        plot_.SetSampleInterval(kSampleInterval);
        plot_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot_));
    }

    QPoint PlotCentre() const {
        const QPointF scene = plot_.chart()->mapToScene(plot_.chart()->plotArea().center());
        return plot_.mapFromScene(scene);
    }
    double Width() const { return plot_.VisibleRange().width(); }

    void Mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at) {
        QMouseEvent event(type, QPointF(at), plot_.viewport()->mapToGlobal(QPointF(at)), button,
                          held, Qt::NoModifier);
        QApplication::sendEvent(plot_.viewport(), &event);
    }
    void Wheel(int eighths, QPoint at) {
        QWheelEvent event(QPointF(at), plot_.viewport()->mapToGlobal(QPointF(at)), QPoint(),
                          QPoint(0, eighths), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(plot_.viewport(), &event);
    }

    ReadingsPlotView plot_;
};

TEST_F(ReadingsPlotViewTest, ShowsEveryPointWithRoomAboveAndBelow) {
    EXPECT_EQ(plot_.PointCount(), kPoints);
    const QRectF full = plot_.FullRange();
    EXPECT_DOUBLE_EQ(full.left(), 0.0);
    EXPECT_DOUBLE_EQ(full.right(), kPoints - 1.0);
    EXPECT_LT(full.top(), -0.99);
    EXPECT_GT(full.bottom(), 0.99);
    EXPECT_EQ(plot_.VisibleRange(), full);
}

TEST_F(ReadingsPlotViewTest, WheelZoomsAboutThePointer) {
    const QPoint at = PlotCentre() + QPoint(150, -60);
    const double before = Width();
    const QPointF underPointer = plot_.chart()->mapToValue(plot_.mapToScene(at));
    Wheel(120, at);
    EXPECT_NEAR(Width(), before / 1.25, before * 1e-3);
    const QPointF stillUnder = plot_.chart()->mapToValue(plot_.mapToScene(at));
    EXPECT_NEAR(stillUnder.x(), underPointer.x(), 1.0);
    EXPECT_NEAR(stillUnder.y(), underPointer.y(), plot_.VisibleRange().height() / 200);
    Wheel(-120, at);
    EXPECT_NEAR(Width(), before, before * 1e-3);
}

TEST_F(ReadingsPlotViewTest, RightDragPansAndRightClickZoomsOut) {
    plot_.ZoomAt(PlotCentre(), 4.0);
    const QRectF zoomed = plot_.VisibleRange();
    const QPoint from = PlotCentre();
    Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, from);
    Mouse(QEvent::MouseMove, Qt::NoButton, Qt::RightButton, from + QPoint(100, 0));
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, from + QPoint(100, 0));
    // Dragging right brings earlier readings into view, at the same zoom.
    EXPECT_LT(plot_.VisibleRange().left(), zoomed.left());
    EXPECT_NEAR(Width(), zoomed.width(), zoomed.width() * 1e-3);

    Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, from);
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, from);
    EXPECT_NEAR(Width(), zoomed.width() * 2.0, zoomed.width() * 1e-3);
}

TEST_F(ReadingsPlotViewTest, KeysPanAndZoom) {
    plot_.ZoomAt(PlotCentre(), 4.0);
    const QRectF zoomed = plot_.VisibleRange();
    QTest::keyClick(&plot_, Qt::Key_Right);
    EXPECT_GT(plot_.VisibleRange().left(), zoomed.left());
    QTest::keyClick(&plot_, Qt::Key_Up);
    EXPECT_GT(plot_.VisibleRange().bottom(), zoomed.bottom());
    QTest::keyClick(&plot_, Qt::Key_Plus);
    EXPECT_NEAR(Width(), zoomed.width() / 1.25, zoomed.width() * 1e-3);
}

TEST_F(ReadingsPlotViewTest, ResetShowsTheWholeRunAfterBoxZoomAndPan) {
    const QPoint centre = PlotCentre();
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, centre);
    Mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, centre + QPoint(60, 40));
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, centre + QPoint(60, 40));
    EXPECT_LT(Width(), plot_.FullRange().width() / 4);
    plot_.PanBy(QPointF(-30, 20));
    plot_.ResetZoom();
    EXPECT_EQ(plot_.VisibleRange(), plot_.FullRange());
}

// Each axis is cut into a handful of pieces at 1, 2 or 5 times a power of ten.
void ExpectRoundTicks(const QChart& chart) {
    for (QAbstractAxis* abstractAxis : chart.axes()) {
        const auto* axis = qobject_cast<const QValueAxis*>(abstractAxis);
        ASSERT_NE(axis, nullptr);
        if (!axis->isVisible()) {
            continue;
        }
        SCOPED_TRACE(axis->titleText().toStdString());
        const double interval = axis->tickInterval();
        const double ticks = (axis->max() - axis->min()) / interval;
        EXPECT_GE(ticks, 2.0);
        EXPECT_LE(ticks, 12.0);
        const double mantissa = interval / std::pow(10.0, std::floor(std::log10(interval)));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                    std::abs(mantissa - 5) < 1e-9)
            << interval;
    }
}

TEST_F(ReadingsPlotViewTest, TicksStayFewAndRoundFromDeepZoomToWholeRun) {
    ExpectRoundTicks(*plot_.chart());
    for (int step = 0; step < 6; ++step) {
        plot_.ZoomAt(PlotCentre(), 8.0);
    }
    ExpectRoundTicks(*plot_.chart());
    // Back from a range a million times narrower in one step.
    plot_.ResetZoom();
    ExpectRoundTicks(*plot_.chart());
    QList<QPointF> wide;
    for (int k = 0; k < 50000; ++k) {
        wide.append(QPointF(k, 1000.0 * k));
    }
    plot_.SetPoints(wide);
    ExpectRoundTicks(*plot_.chart());
}

void ExpectWithin(const QRectF& view, const QRectF& limits) {
    EXPECT_GE(view.left(), limits.left());
    EXPECT_LE(view.right(), limits.right());
    EXPECT_GE(view.top(), limits.top());
    EXPECT_LE(view.bottom(), limits.bottom());
}

// However long the wheel turns and the view is dragged, it stays on the data
// and between one reading's width and the whole run.
TEST_F(ReadingsPlotViewTest, ZoomAndPanStayOnTheData) {
    const QRectF limits = plot_.Limits();
    EXPECT_TRUE(limits.contains(plot_.FullRange()));
    EXPECT_LE(limits.width(), 1.2 * plot_.FullRange().width());
    const QPoint at = PlotCentre() + QPoint(150, -60);
    for (int step = 0; step < 60; ++step) {
        Wheel(120, at);
    }
    EXPECT_GE(Width(), 1.0);
    EXPECT_LT(Width(), 2.0);
    EXPECT_GT(plot_.VisibleRange().height(), 0.0);
    ExpectWithin(plot_.VisibleRange(), limits);
    for (const QPointF drag : {QPointF(-5000, 3000), QPointF(9000, -7000)}) {
        for (int step = 0; step < 20; ++step) {
            plot_.PanBy(drag);
        }
        ExpectWithin(plot_.VisibleRange(), limits);
    }
    for (int step = 0; step < 60; ++step) {
        Wheel(-120, at);
        Mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, at);
        Mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, at);
    }
    EXPECT_EQ(plot_.VisibleRange(), limits);
}

// The time axis reads the same readings in seconds, in the unit the zoom suggests.
TEST_F(ReadingsPlotViewTest, TimeAxisFollowsTheZoom) {
    EXPECT_EQ(plot_.TimeUnit(), QStringLiteral("ms"));
    EXPECT_NEAR(plot_.TimeAxisMax(), (kPoints - 1) * kSampleInterval * 1e3, 1e-9);
    for (int step = 0; step < 3; ++step) {
        plot_.ZoomAt(PlotCentre(), 8.0);
    }
    EXPECT_EQ(plot_.TimeUnit(), QStringLiteral("\u00b5s"));
    const QRectF view = plot_.VisibleRange();
    EXPECT_NEAR(plot_.TimeAxisMin(), view.left() * kSampleInterval * 1e6, 1e-6);
    EXPECT_NEAR(plot_.TimeAxisMax(), view.right() * kSampleInterval * 1e6, 1e-6);
    ExpectRoundTicks(*plot_.chart());

    plot_.SetSampleInterval(0.0);
    EXPECT_EQ(plot_.TimeUnit(), QString());
}

TEST_F(ReadingsPlotViewTest, FlatSingleAndNoReadingsStillHaveARange) {
    struct Case {
        const char* name;
        QList<QPointF> points;
    };
    const Case cases[] = {
        {"none", {}},
        {"one", {QPointF(0, 1.5)}},
        {"flat", {QPointF(0, 0.0), QPointF(1, 0.0), QPointF(2, 0.0)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plot_.SetPoints(c.points);
        const QRectF range = plot_.VisibleRange();
        EXPECT_GT(range.width(), 0.0);
        EXPECT_GT(range.height(), 0.0);
        for (const QPointF& p : c.points) {
            EXPECT_TRUE(range.contains(p));
        }
    }
}

}  // namespace
