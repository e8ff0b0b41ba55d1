#pragma once

// Resource ids of the dialogs, controls, strings, icon and menu command.
// Plain defines, so a resource compiler can read this header too.
#define IDD_ABOUT 100
#define IDS_ABOUT_MENU 101
#define IDD_METER 102
#define IDI_APP 128

#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#endif
#define IDC_GRID_READINGS 1000
#define IDC_GRID_LOG 1001
#define IDC_IDENTITY 1002
#define IDC_TOTAL_TIME 1003

// System-menu commands keep their low four bits zero.
#define IDM_ABOUT 0x0010
