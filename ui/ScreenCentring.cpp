#include "ScreenCentring.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

void ScreenCentring::Begin(QWidget& window) {
    window.winId();  // the native window the filter watches
    new ScreenCentring(window);
}

ScreenCentring::ScreenCentring(QWidget& window) : QObject(&window), window_(window) {
    window_.windowHandle()->installEventFilter(this);
}

bool ScreenCentring::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && window_.windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        Centre();
        deleteLater();
    }
    return QObject::eventFilter(watched, event);
}

void ScreenCentring::Centre() {
    QWindow* handle = window_.windowHandle();
    const QRect area = handle->screen()->availableGeometry();
    const QSize outer = handle->size().grownBy(handle->frameMargins());
    handle->setFramePosition(QPoint(area.x() + (area.width() - outer.width()) / 2,
                                    area.y() + (area.height() - outer.height()) / 2));
}
