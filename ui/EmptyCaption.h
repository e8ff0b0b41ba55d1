#pragma once

class QWidget;

// Makes the window system show an empty caption for `window`, whose title is
// empty. Qt's X11 windows name an untitled window after the application
// (_NET_WM_NAME), which window managers show; this replaces that name with the
// empty text. Creates the native window; call it before the window is shown.
void KeepCaptionEmpty(QWidget& window);
