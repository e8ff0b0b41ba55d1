#pragma once

#include <QChartView>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QRectF>

class QLineSeries;
class QValueAxis;

// Value against reading number for a whole run. Drag a box to zoom into it,
// turn the wheel to zoom about the pointer, drag with the right or middle
// button to pan; a right click without dragging zooms out one step.
class ReadingsPlotView : public QChartView {
    Q_OBJECT

public:
    explicit ReadingsPlotView(QWidget* parent = nullptr);

    // Replaces every point at once and shows them all.
    void SetPoints(const QList<QPointF>& points);
    void Clear();
    int PointCount() const;
    // Shows the whole run again after any zoom or pan.
    void ResetZoom();
    // The axes' ranges: x from left to right, y from bottom to top.
    QRectF VisibleRange() const;
    QRectF FullRange() const { return full_; }

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

    QLineSeries* series_;
    QValueAxis* axisX_;
    QValueAxis* axisY_;
    QRectF full_;
    bool panning_ = false;
    bool panned_ = false;
    QPoint panFrom_;
};
