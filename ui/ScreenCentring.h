#pragma once

#include <QObject>

class QWidget;

// Centres a top-level window on its screen with the frame the window manager
// gives it, which is known only once the window is framed and shown: at its
// first exposure. Qt's own placement guesses the frame, and misses.
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
