#include "app/main_window.h"

#include <commctrl.h>

#include "app/commands.h"
#include "app/system_library.h"
#include "resources/resource_ids.h"
#include "window/control_ids.h"
#include "window/window_conventions.h"

HFONT g_controlFont;
LayoutUnits g_layoutUnits;

namespace {

void CreateControls(HWND window, HINSTANCE instance) {
  for (const ControlSpec& control : kControls) {
    if (!ControlExistsIn(control, g_runMode)) continue;
    const ControlPlace place = PlaceControl(control, g_layoutUnits);
    CreateWindowExA(control.exStyle, control.className, ControlText(control, g_runMode),
                    control.style, place.x, place.y, place.width, place.height, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
  }
}

// Lists every drive root in the system's order, except CD-ROM drives.
void FillDriveList(HWND driveList) {
  char roots[256] = {};
  const DWORD length = GetLogicalDriveStringsA(255, roots);
  if (length == 0 || length > 255) return;
  for (const char* root = roots; *root; root += lstrlenA(root) + 1) {
    if (GetDriveTypeA(root) == DRIVE_CDROM) continue;
    SendMessageA(driveList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root));
  }
  SendMessageA(driveList, CB_SETCURSEL, 0, 0);
}

LRESULT MsgCreate(HWND window) {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  CreateControls(window, instance);
  // The Execute button keeps the system font.
  SendDlgItemMessageA(window, kExecuteButton, WM_SETFONT, 0, TRUE);
  g_controlFont = CreateControlFont();
  for (int id : kControlFontIds)
    SendDlgItemMessageA(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(g_controlFont), TRUE);
  FillDriveList(GetDlgItem(window, kDriveList));
  SendDlgItemMessageA(window, kDumpToFileBox, BM_SETCHECK, BST_CHECKED, 0);
  // Without the common controls there is no status bar: a box has said why, and no window is made.
  if (!CreateStatusBar(window)) return -1;
  SetStatusText("ドライブ指定してください");
  return 0;
}

LRESULT MsgDestroy() {
  DeleteObject(g_controlFont);
  PostQuitMessage(0);
  return 0;
}

// Tab from the window itself goes to the Execute button; there is no other
// keyboard navigation.
LRESULT MsgChar(HWND window, WPARAM character) {
  if (character == '\t' && GetFocus() == window) SetFocus(GetDlgItem(window, kExecuteButton));
  return 0;
}

// Closing destroys the window and ends the program: under a running operation
// that would leave a medium half-written, so the close waits for its end.
LRESULT MsgClose(HWND window) {
  if (DeferCloseWhileOperationRuns()) return 0;
  return DefWindowProcA(window, WM_CLOSE, 0, 0);
}

}  // namespace

int CreateMainWindow(const char* title, const char* className, int x, int y, int width,
                     int height, HINSTANCE instance, DWORD style, WNDPROC windowProcedure,
                     int showCommand) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_BYTEALIGNCLIENT;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  // The program's own icon, so the window shows what the file shows.
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kProgramIconId));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = className;
  if (!RegisterClassA(&windowClass)) return 0;

  HDC screen = GetDC(nullptr);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(screen, &metrics);
  g_layoutUnits = {HalfAscent(metrics.tmAscent), metrics.tmAveCharWidth};
  ReleaseDC(nullptr, screen);

  HWND window = CreateWindowExA(0, className, title, style, x, y, width, height, nullptr, nullptr,
                                instance, nullptr);
  if (!window) return 0;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return 1;
}

LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_mainWindow = window;
  switch (message) {
    case WM_CREATE:
      return MsgCreate(window);
    case WM_CLOSE:
      return MsgClose(window);
    case WM_DESTROY:
      return MsgDestroy();
    case WM_CHAR:
      return MsgChar(window, wParam);
    case WM_COMMAND:
      return DispatchCommand(window, HIWORD(wParam), LOWORD(wParam), lParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HFONT CreateControlFont() {
  return CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN,
                     "ＭＳ ＵＩ Ｇｏｔｈｉｃ");
}

HWND CreateStatusBar(HWND parent) {
  auto* const initCommonControls =
      SystemFunction<decltype(InitCommonControls)>("comctl32.dll", "InitCommonControls");
  auto* const createStatusWindow =
      initCommonControls
          ? SystemFunction<decltype(CreateStatusWindowA)>("comctl32.dll", "CreateStatusWindowA")
          : nullptr;
  if (!createStatusWindow) return nullptr;
  initCommonControls();
  g_statusBar = createStatusWindow(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_BOTTOM, nullptr,
                                   parent, kStatusBar);
  SendMessageA(g_statusBar, SB_SIMPLE, TRUE, 0);
  return g_statusBar;
}
