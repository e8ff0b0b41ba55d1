#pragma once

#include <QObject>

class QWidget;

// Centres a top-level window on its screen with the frame the window manager
// gives it. Qt's own placement guesses the frame, and misses. Where the
// window manager tells the frame in advance (_NET_REQUEST_FRAME_EXTENTS), the
// window is mapped in its place; the frame is checked again at the first
// exposure, when every window manager has framed it.
class ScreenCentring : public QObject {
    Q_OBJECT

public:
    // Call before `window` is shown the first time; the centring removes
    // itself once done.
    static void Begin(QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ScreenCentring(QWidget& window);
    void Centre();

    QWidget& window_;
};
