#include "ui/EmptyCaption.h"

#include <QWidget>

#include "ui/XcbAtom.h"

void KeepCaptionEmpty(QWidget& window) {
    if (!window.windowTitle().isEmpty()) {
        return;
    }
    const auto id = static_cast<unsigned int>(window.winId());
#if QT_CONFIG(xcb)
    // Other platforms show the empty title as it is.
    xcb_connection_t* connection = ApplicationXcbConnection();
    if (connection == nullptr) {
        return;
    }
    const xcb_atom_t name = XcbAtom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = XcbAtom(connection, "UTF8_STRING");
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
