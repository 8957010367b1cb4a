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

// A transfer makes more progress texts than anyone can read, and showing one
// costs more than reading a sector: the status bar paints at once, and a new
// title has the caption drawn anew and the window manager told. So the latest
// waits until the window is served at least half a second after the previous
// one was shown, or until another text or box comes. Twice a second is as
// often as the eye follows a percentage.
constexpr DWORD kProgressEveryMs = 500;
char g_progress[32];  // the progress text waiting to be shown; empty when none
bool g_progressInTitle;
DWORD g_progressShown;

void ShowWaitingProgress() {
  if (g_progress[0] == '\0') return;
  SendMessageA(g_statusBar, SB_SETTEXTA, kSimplePart, reinterpret_cast<LPARAM>(g_progress));
  if (g_progressInTitle) SetWindowTextA(g_mainWindow, g_progress);
  g_progress[0] = '\0';
  g_progressShown = GetTickCount();
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
  ShowWaitingProgress();
  SendMessageA(g_statusBar, SB_SETTEXTA, kSimplePart, reinterpret_cast<LPARAM>(text));
}

void ShowProgressText(const char* text, bool inTitle) {
  lstrcpynA(g_progress, text, sizeof g_progress);
  g_progressInTitle = inTitle;
}

void SetControlText(int controlId, const char* text) {
  SetDlgItemTextA(g_mainWindow, controlId, text);
}

// Messages sent by other programs are handled inside PeekMessage itself; the
// main window's procedure keeps them from acting while an operation runs.
void KeepWindowResponsive() {
  const DWORD now = GetTickCount();
  if (now - g_lastServed < kServeEveryMs) return;
  if (now - g_progressShown >= kProgressEveryMs) ShowWaitingProgress();
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
  ShowWaitingProgress();
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
