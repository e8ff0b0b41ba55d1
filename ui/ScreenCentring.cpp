#include "ui/ScreenCentring.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "ui/XcbAtom.h"

namespace {

#if QT_CONFIG(xcb)
// How long a window manager gets to announce the frame before the window is
// mapped; one that does not answer is left to the check at exposure.
constexpr int kFrameAnswerMs = 200;
constexpr unsigned long kFramePollUs = 2000;

// Whether the running window manager tells a frame before mapping.
bool AnnouncesFrames(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t request) {
    const xcb_atom_t supported = XcbAtom(connection, "_NET_SUPPORTED");
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 1024);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    bool announces = false;
    if (reply != nullptr && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        announces = std::find(atoms, atoms + count, request) != atoms + count;
    }
    std::free(reply);
    return announces;
}

// _NET_FRAME_EXTENTS of `window`: left, right, top, bottom.
std::optional<QMargins> FrameExtents(xcb_connection_t* connection, xcb_window_t window,
                                     xcb_atom_t extents) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::optional<QMargins> frame;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        const auto* side = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        frame = QMargins(static_cast<int>(side[0]), static_cast<int>(side[2]),
                         static_cast<int>(side[1]), static_cast<int>(side[3]));
    }
    std::free(reply);
    return frame;
}

// Asks the window manager for the frame it will give `window`, not yet mapped.
std::optional<QMargins> RequestedFrame(QWidget& window) {
    xcb_connection_t* connection = ApplicationXcbConnection();
    if (connection == nullptr) {
        return std::nullopt;
    }
    const xcb_atom_t request = XcbAtom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = XcbAtom(connection, "_NET_FRAME_EXTENTS");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE ||
        !AnnouncesFrames(connection, root, request)) {
        return std::nullopt;
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    QElapsedTimer waited;
    waited.start();
    do {
        if (std::optional<QMargins> frame = FrameExtents(connection, id, extents)) {
            return frame;
        }
        QThread::usleep(kFramePollUs);
    } while (waited.elapsed() < kFrameAnswerMs);
    return std::nullopt;
}
#endif

// The top left of `window`'s frame, centred on its screen.
QPoint CentredFrame(const QWindow& window, const QMargins& frame) {
    const QRect area = window.screen()->availableGeometry();
    const QSize outer = window.size().grownBy(frame);
    return {area.x() + (area.width() - outer.width()) / 2,
            area.y() + (area.height() - outer.height()) / 2};
}

}  // namespace

void ScreenCentring::Begin(QWidget& window) {
    window.winId();  // the native window the filter watches
#if QT_CONFIG(xcb)
    if (const std::optional<QMargins> frame = RequestedFrame(window)) {
        // Not framed yet: the client's own place, which the frame keeps.
        QWindow* handle = window.windowHandle();
        handle->setPosition(CentredFrame(*handle, *frame) + QPoint(frame->left(), frame->top()));
    }
#endif
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
    const QPoint place = CentredFrame(*handle, handle->frameMargins());
    if (handle->framePosition() != place) {
        handle->setFramePosition(place);
    }
}
