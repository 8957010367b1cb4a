#pragma once
#include <windows.h>

// The main window's WM_COMMAND: a click on Execute runs the operation of the
// run mode, a click on the browse button chooses the image file. Always 0.
int DispatchCommand(HWND window, int notificationCode, int controlId, LPARAM lParam);
void ExecuteCommand(HWND window, char* imagePath);
BOOL ChooseImageFile(HWND owner, char* pathBuffer);
// True when an operation runs, message boxes included: the close request
// is then kept, and the window closes once the operation has ended.
bool DeferCloseWhileOperationRuns();
