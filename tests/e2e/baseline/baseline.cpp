// The baseline of the rows that plant DLLs beside the program: it imports what TORVEX imports at
// load time (kernel32, user32, gdi32, msvcrt), shows a window and ends, so its loader trace shows
// what Wine takes from a program's folder for any such program: its start-up, and what the DLLs
// it took from there load in turn.
#include <windows.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  return window && GetStockObject(WHITE_BRUSH) && DestroyWindow(window) ? 0 : 1;
}
