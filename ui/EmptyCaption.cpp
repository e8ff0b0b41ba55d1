#include "EmptyCaption.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace {

#if QT_CONFIG(xcb)
xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (reply == nullptr) {
        return XCB_ATOM_NONE;
    }
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}
#endif

}  // namespace

void KeepCaptionEmpty(QWidget& window) {
    if (!window.windowTitle().isEmpty()) {
        return;
    }
    const auto id = static_cast<unsigned int>(window.winId());
#if QT_CONFIG(xcb)
    // Other platforms show the empty title as it is.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return;
    }
    const xcb_atom_t name = InternAtom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = InternAtom(connection, "UTF8_STRING");
    if (name == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) {
        return;
    }
    // WM_NAME already holds the empty title.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, name, utf8, 8, 0, nullptr);
    xcb_flush(connection);
#else
    static_cast<void>(id);
#endif
}
