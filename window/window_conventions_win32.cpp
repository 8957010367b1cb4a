#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "window/main_window_handles.h"
#include "window/window_conventions.h"

HWND g_mainWindow;
HWND g_statusBar;

namespace {

HWND OwnerWindow(BoxOwner owner) { return owner == BoxOwner::MainWindow ? g_mainWindow : nullptr; }

// The simple part of the status bar, with the default sunken border.
constexpr WPARAM kSimplePart = 255;

// Windows counts a window whose thread has retrieved no message for 5 s as not
// responding. Served a few times a second, it stays well clear of that and
// repaints often enough for the eye, at a cost no transfer notices.
constexpr DWORD kServeEveryMs = 100;
// However many messages other programs post, the operation goes on.
constexpr DWORD kServeAtMostMs = 50;
DWORD g_lastServed;

// Setting the status bar's text paints it at once, and setting the title has
// the caption drawn anew and the window manager told: each costs more than
// reading a sector. While a transfer shows its progress the bar's painting is
// off and the title waits; the window shows the latest of both when it is
// next served, and before any other text or box.
bool g_progressUnpainted = false;
char g_progressTitle[32];  // the title still to be set; empty when none waits

void PaintProgress() {
  if (g_progressTitle[0] != '\0') {
    SetWindowTextA(g_mainWindow, g_progressTitle);
    g_progressTitle[0] = '\0';
  }
  if (!g_progressUnpainted) return;
  g_progressUnpainted = false;
  SendMessageA(g_statusBar, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(g_statusBar, nullptr, TRUE);
}

// Keys and clicks, on the client area or the frame: the user's input, which
// an operation does not take. They are dropped, as the window showed it was busy.
bool IsInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

void SetStatusText(const char* text) {
  PaintProgress();
  SendMessageA(g_statusBar, SB_SETTEXTA, kSimplePart, reinterpret_cast<LPARAM>(text));
}

void ShowProgressText(const char* text, bool inTitle) {
  if (!g_progressUnpainted) SendMessageA(g_statusBar, WM_SETREDRAW, FALSE, 0);
  g_progressUnpainted = true;
  SendMessageA(g_statusBar, SB_SETTEXTA, kSimplePart, reinterpret_cast<LPARAM>(text));
  if (inTitle) lstrcpynA(g_progressTitle, text, sizeof g_progressTitle);
}

void SetControlText(int controlId, const char* text) {
  SetDlgItemTextA(g_mainWindow, controlId, text);
}

// Messages sent by other programs are handled inside PeekMessage itself; the
// main window's procedure keeps them from acting while an operation runs.
void KeepWindowResponsive() {
  const DWORD now = GetTickCount();
  if (now - g_lastServed < kServeEveryMs) return;
  PaintProgress();
  MSG message;
  while (GetTickCount() - now < kServeAtMostMs && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {  // for the message loop, once the operation has ended
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!IsInput(message.message)) DispatchMessageA(&message);
  }
  g_lastServed = GetTickCount();
}

int ShowMessageBox(BoxOwner owner, const char* text, const char* caption, unsigned style) {
  PaintProgress();
  return MessageBoxA(OwnerWindow(owner), text, caption, style);
}

namespace {

// The system's own message text for a code, or null; released with LocalFree.
char* SystemMessage(uint32_t errorCode) {
  char* message = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, errorCode, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<char*>(&message), 0, nullptr);
  return message;
}

}  // namespace

int ShowSystemErrorBox(BoxOwner owner, uint32_t errorCode, const char* caption, unsigned style) {
  char* message = SystemMessage(errorCode);
  // Without a system text the user still learns the code.
  char code[16];
  std::snprintf(code, sizeof code, "%lu", static_cast<unsigned long>(errorCode));
  const int answer = ShowMessageBox(owner, message ? message : code, caption, style);
  LocalFree(message);
  return answer;
}

void FormatSystemReason(uint32_t errorCode, char* text, size_t size) {
  char* message = SystemMessage(errorCode);
  // Without the line end it comes with: the reason may be followed by more.
  for (size_t n = message ? lstrlenA(message) : 0; n > 0 && std::strchr("\r\n ", message[n - 1]);)
    message[--n] = '\0';
  const unsigned long code = errorCode;
  if (message) std::snprintf(text, size, "コード %lu: %s", code, message);
  else std::snprintf(text, size, "コード %lu", code);
  LocalFree(message);
}
