#pragma once

#include <QChartView>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QString>

class QLineSeries;
class QValueAxis;

// Value against reading number for a whole run, with the time of each
// reading on a second axis in s, ms or us as the zoom suggests. Drag a box to
// zoom into it, turn the wheel to zoom about the pointer, drag with the right
// or middle button to pan; a right click without dragging zooms out one step.
// The view stays on the data (with a margin), no narrower than one reading
// and no wider than the whole run.
class ReadingsPlotView : public QChartView {
    Q_OBJECT

public:
    explicit ReadingsPlotView(QWidget* parent = nullptr);

    // Replaces every point at once and shows them all; x is the reading number.
    void SetPoints(const QList<QPointF>& points);
    // Seconds between readings, for the time axis; 0 hides it.
    void SetSampleInterval(double seconds);
    // "s", "ms" or "µs" as the time axis shows it now; empty when hidden.
    QString TimeUnit() const { return timeUnit_; }
    // The time axis's range in its unit.
    double TimeAxisMin() const;
    double TimeAxisMax() const;
    void Clear();
    int PointCount() const;
    // Shows the whole run again after any zoom or pan.
    void ResetZoom();
    // The axes' ranges: x from left to right, y from bottom to top.
    QRectF VisibleRange() const;
    QRectF FullRange() const { return full_; }
    // Where the view may go: the run and a margin round it.
    QRectF Limits() const;

    // Zooms by `factor` (> 1 zooms in) keeping the point under `viewPos` in place.
    void ZoomAt(const QPointF& viewPos, double factor);
    // Moves the view by a drag of `viewDelta` pixels.
    void PanBy(const QPointF& viewDelta);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static bool IsPanButton(Qt::MouseButton button);
    static QRectF RangeOf(const QList<QPointF>& points);
    QPointF ValueAt(const QPointF& viewPos) const;
    void ShowRange(const QRectF& range);
    // Puts the view back within Limits() after a zoom or pan.
    void KeepWithinData();
    void FollowTimeAxis();

    QLineSeries* series_;
    QValueAxis* axisX_;
    QValueAxis* axisY_;
    QValueAxis* axisTime_;
    double sampleInterval_ = 0.0;
    QString timeUnit_;
    QRectF full_;
    bool panning_ = false;
    bool panned_ = false;
    QPoint panFrom_;
};
