#pragma once
#include <windows.h>

#include "app/control_layout.h"
#include "window/main_window_handles.h"

// The handles of the main window's controls and what its creation measures,
// used by the commands. All written while the window is created.
extern HWND g_executeButton;
extern HWND g_driveList;
extern HWND g_dumpToFileBox;  // null in write mode
extern HWND g_pathBox;        // null in read mode
extern HFONT g_controlFont;
extern LayoutUnits g_layoutUnits;

// Registers the class, measures the layout units and creates, shows and
// updates the window. 0 when the class cannot be registered or the window
// cannot be created; 1 otherwise.
int CreateMainWindow(const char* title, const char* className, int x, int y, int width,
                     int height, HINSTANCE instance, DWORD style, WNDPROC windowProcedure,
                     int showCommand);
LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HFONT CreateControlFont();
HWND CreateStatusBar(HWND parent);
