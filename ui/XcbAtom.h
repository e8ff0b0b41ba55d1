#pragma once

#include <QtGui/qtguiglobal.h>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

// The application's own X connection, or null when it does not run on X11.
xcb_connection_t* ApplicationXcbConnection();

// The atom named `name`, or XCB_ATOM_NONE when the server does not answer.
xcb_atom_t XcbAtom(xcb_connection_t* connection, const char* name);
#endif
