#include "ui/ReadingsPlotView.h"

#include <QKeyEvent>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "ui/ChartSetup.h"

namespace {

// One wheel notch (120 eighths of a degree) zooms by 1.25.
constexpr double kZoomPerNotch = 1.25;
constexpr double kEighthsPerNotch = 120.0;
constexpr double kKeyPanPixels = 40.0;
// A right-button press that moves less than this is a click, not a pan.
constexpr int kClickSlopPixels = 3;
// Less than this off after a zoom is not worth another pass over every point.
constexpr double kDriftPixels = 0.5;
// Room above and below the data, as a share of its span.
constexpr double kValueMargin = 0.05;
// Ticks on round numbers, about this many across an axis.
constexpr double kTicksPerAxis = 6.0;
// Room the view may show beyond the data, as a share of its span.
constexpr double kViewMargin = 0.05;
// The narrowest view: one reading across; and a value span this share of the run's.
constexpr double kMinReadingSpan = 1.0;
constexpr double kMinValueShare = 1e-6;

struct TimeUnitChoice {
    double perSecond;
    const char* name;
};

// The largest unit in which the span reads at least 1.
TimeUnitChoice TimeUnitFor(double spanSeconds) {
    if (spanSeconds >= 1.0) {
        return {1.0, "s"};
    }
    if (spanSeconds >= 1e-3) {
        return {1e3, "ms"};
    }
    return {1e6, "\u00b5s"};
}

// [low, high] moved and sized to lie within [limitLow, limitHigh] and span
// at least `minSpan`, about the same centre where it can.
std::pair<double, double> Confine(double low, double high, double limitLow, double limitHigh,
                                  double minSpan) {
    const double widest = limitHigh - limitLow;
    const double span = std::clamp(high - low, std::min(minSpan, widest), widest);
    const double centre = std::isfinite(low + high) ? (low + high) / 2 : (limitLow + limitHigh) / 2;
    low = std::clamp(centre - span / 2, limitLow, limitHigh - span);
    return {low, low + span};
}

// The step of 1, 2 or 5 times a power of ten that cuts `span` into about
// kTicksPerAxis pieces.
double RoundTickStep(double span) {
    if (!(span > 0.0) || !std::isfinite(span)) {
        return 1.0;
    }
    const double rough = span / kTicksPerAxis;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * power >= rough) {
            return multiple * power;
        }
    }
    return 10.0 * power;
}

// Round ticks however far the axis is zoomed or panned.
void KeepTicksRound(QValueAxis* axis) {
    // The interval first: dynamic ticks at the default interval of 0 never end.
    axis->setTickInterval(RoundTickStep(axis->max() - axis->min()));
    axis->setTickAnchor(0.0);
    axis->setTickType(QValueAxis::TicksDynamic);
    QObject::connect(axis, &QValueAxis::rangeChanged, axis, [axis](qreal min, qreal max) {
        axis->setTickInterval(RoundTickStep(max - min));
    });
}

// The chart lays the axis out for each change, before the interval follows
// the range; a wide range at a fine interval would make millions of ticks.
// So whichever change gives fewer ticks goes first.
void SetAxisRange(QValueAxis* axis, double min, double max) {
    const double step = RoundTickStep(max - min);
    if (step < axis->tickInterval()) {
        axis->setRange(min, max);
        axis->setTickInterval(step);
    } else {
        axis->setTickInterval(step);
        axis->setRange(min, max);
    }
}

}  // namespace

ReadingsPlotView::ReadingsPlotView(QWidget* parent)
    // Made with its chart: a view made without one makes a default chart
    // that setChart() would leave behind.
    : QChartView(new QChart, parent),
      series_(new QLineSeries),
      axisX_(new QValueAxis),
      axisY_(new QValueAxis),
      axisTime_(new QValueAxis) {
    QChart* plot = chart();
    ChartSetup::Prepare(*plot, false);
    ChartSetup::AddLine(*plot, *series_, 1);
    KeepTicksRound(axisX_);
    KeepTicksRound(axisY_);
    KeepTicksRound(axisTime_);
    // Time below, where a plot's x axis is looked for; the reading number above.
    ChartSetup::AddAxis(*plot, *axisTime_, Qt::AlignBottom, QString(), QStringLiteral("%g"), {});
    ChartSetup::AddAxis(*plot, *axisX_, Qt::AlignTop, QStringLiteral("Reading number"),
                        QStringLiteral("%g"), {series_});
    ChartSetup::AddAxis(*plot, *axisY_, Qt::AlignLeft, QStringLiteral("Value"),
                        QStringLiteral("%.7g"), {series_});
    connect(axisX_, &QValueAxis::rangeChanged, this, &ReadingsPlotView::FollowTimeAxis);
    axisTime_->hide();
    setRubberBand(QChartView::RectangleRubberBand);
    setFocusPolicy(Qt::StrongFocus);
    Clear();
}

void ReadingsPlotView::SetPoints(const QList<QPointF>& points) {
    series_->replace(points);
    full_ = RangeOf(points);
    ResetZoom();
}

void ReadingsPlotView::SetSampleInterval(double seconds) {
    sampleInterval_ = seconds > 0.0 ? seconds : 0.0;
    axisTime_->setVisible(sampleInterval_ > 0.0);
    FollowTimeAxis();
}

void ReadingsPlotView::FollowTimeAxis() {
    if (!(sampleInterval_ > 0.0)) {
        timeUnit_.clear();
        return;
    }
    const TimeUnitChoice unit = TimeUnitFor((axisX_->max() - axisX_->min()) * sampleInterval_);
    timeUnit_ = QString::fromUtf8(unit.name);
    axisTime_->setTitleText(QStringLiteral("Time (%1)").arg(timeUnit_));
    const double scale = sampleInterval_ * unit.perSecond;
    SetAxisRange(axisTime_, axisX_->min() * scale, axisX_->max() * scale);
}

double ReadingsPlotView::TimeAxisMin() const {
    return axisTime_->min();
}

double ReadingsPlotView::TimeAxisMax() const {
    return axisTime_->max();
}

void ReadingsPlotView::Clear() {
    SetPoints(QList<QPointF>());
}

int ReadingsPlotView::PointCount() const {
    return static_cast<int>(series_->count());
}

QRectF ReadingsPlotView::RangeOf(const QList<QPointF>& points) {
    if (points.isEmpty()) {
        return QRectF(QPointF(0.0, 0.0), QPointF(1.0, 1.0));
    }
    double xMin = points.front().x();
    double xMax = xMin;
    double yMin = points.front().y();
    double yMax = yMin;
    for (const QPointF& p : points) {
        xMin = std::min(xMin, p.x());
        xMax = std::max(xMax, p.x());
        yMin = std::min(yMin, p.y());
        yMax = std::max(yMax, p.y());
    }
    // A single reading or a flat run still needs a span to draw in.
    if (xMax == xMin) {
        xMax = xMin + 1.0;
    }
    const double span = yMax - yMin;
    const double margin = span > 0.0 ? span * kValueMargin : std::max(std::abs(yMin), 1.0) * 0.01;
    return QRectF(QPointF(xMin, yMin - margin), QPointF(xMax, yMax + margin));
}

void ReadingsPlotView::ShowRange(const QRectF& range) {
    SetAxisRange(axisX_, range.left(), range.right());
    SetAxisRange(axisY_, range.top(), range.bottom());
}

void ReadingsPlotView::ResetZoom() {
    ShowRange(full_);
}

QRectF ReadingsPlotView::Limits() const {
    const double dx = full_.width() * kViewMargin;
    const double dy = full_.height() * kViewMargin;
    return full_.adjusted(-dx, -dy, dx, dy);
}

void ReadingsPlotView::KeepWithinData() {
    const QRectF limits = Limits();
    const QRectF view = VisibleRange();
    const auto [left, right] =
        Confine(view.left(), view.right(), limits.left(), limits.right(), kMinReadingSpan);
    const auto [bottom, top] = Confine(view.top(), view.bottom(), limits.top(), limits.bottom(),
                                       full_.height() * kMinValueShare);
    const QRectF confined(QPointF(left, bottom), QPointF(right, top));
    if (confined != view) {
        ShowRange(confined);
    }
}

QRectF ReadingsPlotView::VisibleRange() const {
    return QRectF(QPointF(axisX_->min(), axisY_->min()), QPointF(axisX_->max(), axisY_->max()));
}

QPointF ReadingsPlotView::ValueAt(const QPointF& viewPos) const {
    return chart()->mapToValue(chart()->mapFromScene(mapToScene(viewPos.toPoint())), series_);
}

void ReadingsPlotView::ZoomAt(const QPointF& viewPos, double factor) {
    const QRectF area = chart()->plotArea();
    const QPointF at = chart()->mapFromScene(mapToScene(viewPos.toPoint()));
    if (!(factor > 0.0) || !area.contains(at)) {
        return;
    }
    const QPointF anchor = ValueAt(viewPos);
    // The rectangle that, shown in the whole plot area, leaves `at` where it is.
    QRectF zoomed(0.0, 0.0, area.width() / factor, area.height() / factor);
    zoomed.moveLeft(at.x() - (at.x() - area.left()) / factor);
    zoomed.moveTop(at.y() - (at.y() - area.top()) / factor);
    chart()->zoomIn(zoomed);
    // Tick labels of a new width move the plot area; the value under the
    // pointer has to stay there all the same. One scroll puts it back.
    const QPointF drift = chart()->mapToPosition(anchor, series_) - at;
    if (std::abs(drift.x()) >= kDriftPixels || std::abs(drift.y()) >= kDriftPixels) {
        chart()->scroll(drift.x(), -drift.y());
    }
    KeepWithinData();
}

void ReadingsPlotView::PanBy(const QPointF& viewDelta) {
    // The chart scrolls its contents the other way than the pointer moves.
    chart()->scroll(-viewDelta.x(), viewDelta.y());
    KeepWithinData();
}

void ReadingsPlotView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / kEighthsPerNotch;
    if (notches != 0.0) {
        ZoomAt(event->position(), std::pow(kZoomPerNotch, notches));
    }
    event->accept();
}

bool ReadingsPlotView::IsPanButton(Qt::MouseButton button) {
    return button == Qt::RightButton || button == Qt::MiddleButton;
}

void ReadingsPlotView::mousePressEvent(QMouseEvent* event) {
    if (!IsPanButton(event->button())) {
        QChartView::mousePressEvent(event);
        return;
    }
    panning_ = true;
    panned_ = false;
    panFrom_ = event->position().toPoint();
    event->accept();
}

void ReadingsPlotView::mouseMoveEvent(QMouseEvent* event) {
    if (!panning_) {
        QChartView::mouseMoveEvent(event);
        return;
    }
    const QPoint to = event->position().toPoint();
    if (!panned_ && (to - panFrom_).manhattanLength() < kClickSlopPixels) {
        return;
    }
    panned_ = true;
    PanBy(to - panFrom_);
    panFrom_ = to;
    event->accept();
}

void ReadingsPlotView::mouseReleaseEvent(QMouseEvent* event) {
    if (!panning_ || !IsPanButton(event->button())) {
        QChartView::mouseReleaseEvent(event);
        KeepWithinData();  // after a box zoom
        return;
    }
    panning_ = false;
    if (!panned_ && event->button() == Qt::RightButton) {
        chart()->zoomOut();
        KeepWithinData();
    }
    event->accept();
}

void ReadingsPlotView::keyPressEvent(QKeyEvent* event) {
    const QPointF centre = chart()->mapToScene(chart()->plotArea().center());
    const QPointF centreInView = mapFromScene(centre);
    switch (event->key()) {
        case Qt::Key_Plus:
            ZoomAt(centreInView, kZoomPerNotch);
            break;
        case Qt::Key_Minus:
            ZoomAt(centreInView, 1.0 / kZoomPerNotch);
            break;
        case Qt::Key_Left:
            PanBy(QPointF(kKeyPanPixels, 0.0));
            break;
        case Qt::Key_Right:
            PanBy(QPointF(-kKeyPanPixels, 0.0));
            break;
        case Qt::Key_Up:
            PanBy(QPointF(0.0, kKeyPanPixels));
            break;
        case Qt::Key_Down:
            PanBy(QPointF(0.0, -kKeyPanPixels));
            break;
        default:
            QChartView::keyPressEvent(event);
            return;
    }
    event->accept();
}
