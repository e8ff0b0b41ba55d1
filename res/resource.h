#pragma once

// Resource ids the code looks up: the About entry's string and its window-menu
// command. Plain defines, so a resource compiler can read this header too.
#define IDS_ABOUT_MENU 101

// System-menu commands keep their low four bits zero.
#define IDM_ABOUT 0x0010
