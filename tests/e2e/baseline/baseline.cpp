// The baseline of the rows that plant DLLs: TORVEX's load-time imports, a window, nothing else.
#include <windows.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
  return window && GetStockObject(WHITE_BRUSH) && DestroyWindow(window) ? 0 : 1;
}
