#pragma once
#include <windows.h>

#include "app/control_layout.h"
#include "window/main_window_handles.h"

// What the window's creation makes and measures. Written while it is created.
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
