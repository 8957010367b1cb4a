#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "app/main_window.h"
#include "app/window_conventions.h"

namespace {

HWND OwnerWindow(BoxOwner owner) { return owner == BoxOwner::MainWindow ? g_mainWindow : nullptr; }

// The simple part of the status bar, with the default sunken border.
constexpr WPARAM kSimplePart = 255;

}  // namespace

void SetStatusText(const char* text) {
  SendMessageA(g_statusBar, SB_SETTEXTA, kSimplePart, reinterpret_cast<LPARAM>(text));
}

void SetMainWindowTitle(const char* text) { SetWindowTextA(g_mainWindow, text); }

void SetControlText(int controlId, const char* text) {
  SetDlgItemTextA(g_mainWindow, controlId, text);
}

int ShowMessageBox(BoxOwner owner, const char* text, const char* caption, unsigned style) {
  return MessageBoxA(OwnerWindow(owner), text, caption, style);
}

int ShowSystemErrorBox(BoxOwner owner, uint32_t errorCode, const char* caption, unsigned style) {
  char* message = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, errorCode, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<char*>(&message), 0, nullptr);
  // Without a system text the user still learns the code.
  char code[16];
  std::snprintf(code, sizeof code, "%lu", static_cast<unsigned long>(errorCode));
  const int answer = ShowMessageBox(owner, message ? message : code, caption, style);
  LocalFree(message);
  return answer;
}
