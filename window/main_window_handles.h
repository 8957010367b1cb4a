#pragma once
// The two windows every result is shown in, on Win32: the main window stores
// them as it is created; the window conventions read them.
#include <windows.h>

extern HWND g_mainWindow;
extern HWND g_statusBar;
