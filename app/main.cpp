// Entry: the run mode from the command line, the main window, the message loop.
#include <windows.h>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/system_library.h"
#include "resources/version.h"

RunMode g_runMode = RunMode::Read;

namespace {

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

int StartupShowCommand() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  NarrowDllSearch();
  TrustOnlyAdministratorsJunctions();
  char modulePath[256] = {};
  GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
  if (SelectsWriteMode(BuildArgumentVector(modulePath, GetCommandLineA(), IsAnsiLeadByte)))
    g_runMode = RunMode::Write;

  if (!CreateMainWindow("TORVEX Ver" kVersionText, "IDM_SEC_READ", 64, 33, 408, 510, instance,
                        WS_SYSMENU, MainWindowProcedure, StartupShowCommand()))
    return 0;

  MSG message = {};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);  // key presses become WM_CHAR, which Tab needs
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
