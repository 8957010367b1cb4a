#pragma once
// End-to-end driver: starts torvex.exe and works its window from outside, through messages, as a
// user would. Every wait is bounded, so a hanging program fails a test instead of the run.
#include <windows.h>
#include <commctrl.h>
#include <fstream>
#include <string>
#include <vector>
#include "app/control_ids.h"
constexpr DWORD kWaitLimitMs = 20000;
template <typename Condition> bool WaitUntil(Condition done, DWORD limitMs = kWaitLimitMs) {
  for (const DWORD start = GetTickCount(); !done(); Sleep(10))
    if (GetTickCount() - start >= limitMs) return done();
  return true;
}
inline LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {  // -1: no answer in 5 s
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &answer) ? LRESULT(answer) : -1;
}
inline std::string EnvironmentValue(const char* name) { char v[1024] = {}; return GetEnvironmentVariableA(name, v, sizeof v) < sizeof v ? v : ""; }
inline std::string WindowsPathFromUnix(std::string path) { for (char& c : path) c = c == '/' ? '\\' : c; return "Z:" + path; }  // Wine's Z: is /
inline std::string ReadWholeFile(const std::string& path) {  // "" when it cannot be read
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
inline bool WriteWholeFile(const std::string& path, const std::string& bytes) { return bool(std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size()).flush()); }
inline bool MakeFolders(const std::string& path) {  // a Windows path and its missing parents
  for (size_t at = path.find('\\', 3); at <= path.size(); at = path.find('\\', at + 1)) CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
inline std::string ClassName(HWND window) { char name[256] = {}; return GetClassNameA(window, name, sizeof name), name; }
inline std::string WindowText(HWND window) {  // the bytes the program stored (code page 932)
  std::string text(Send(window, WM_GETTEXTLENGTH) * 2 + 16, '\0');
  return Send(window, WM_GETTEXT, text.size(), LPARAM(&text[0])), text.c_str();
}
inline BOOL CALLBACK Collect(HWND window, LPARAM to) { return ((std::vector<HWND>*)to)->push_back(window), TRUE; }
inline std::vector<HWND> ThreadWindows(DWORD thread) { std::vector<HWND> found; return EnumThreadWindows(thread, Collect, LPARAM(&found)), found; }
inline HWND FindControl(HWND mainWindow, int id) { return GetDlgItem(mainWindow, id); }
inline bool SetText(HWND control, const std::string& text) { return Send(control, WM_SETTEXT, 0, LPARAM(text.c_str())) == TRUE; }
// Posted, as Execute runs a whole operation, boxes included, inside the click. Wine's disabled
// buttons still answer BM_CLICK, which no user's click can do, so a disabled one is refused.
inline bool PressButton(HWND button) { return IsWindowEnabled(button) && PostMessageA(button, BM_CLICK, 0, 0); }
struct LaunchOptions {
  std::string program, arguments, programToken;  // token: first word, "" the quoted program
  std::string workingDirectory, stdoutFile;      // "": the test's own / not redirected
  std::vector<std::pair<std::string, std::string>> environment;  // variables set for the program
};
struct RunningProgram {  // killed when destroyed, so a failed assertion leaves no program behind
  HANDLE process = nullptr;
  DWORD threadId = 0;
  HWND mainWindow = nullptr;
  ~RunningProgram() {
    if (process && TerminateProcess(process, 1)) WaitForSingleObject(process, kWaitLimitMs);
    if (process) CloseHandle(process);
  }
};
// Starts the program and waits for its visible main window (class IDM_SEC_READ).
inline bool StartProgram(const LaunchOptions& o, RunningProgram& p, std::string& error) {
  for (const auto& variable : o.environment) SetEnvironmentVariableA(variable.first.c_str(), variable.second.c_str());
  std::string line = (o.programToken.empty() ? '"' + o.program + '"' : o.programToken) + ' ' + o.arguments;
  STARTUPINFOA startup = {};
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  startup.cb = sizeof startup, startup.dwFlags = o.stdoutFile.empty() ? 0 : STARTF_USESTDHANDLES;
  if (startup.dwFlags) startup.hStdOutput = CreateFileA(o.stdoutFile.c_str(), GENERIC_WRITE, 3, &inherit, CREATE_ALWAYS, 0, nullptr);
  PROCESS_INFORMATION info = {};
  const bool made = CreateProcessA(o.program.c_str(), &line[0], nullptr, nullptr, startup.dwFlags != 0, 0, nullptr,
                                   o.workingDirectory.empty() ? nullptr : o.workingDirectory.c_str(), &startup, &info);
  if (startup.hStdOutput) CloseHandle(startup.hStdOutput);
  if (!made) return error = "cannot start " + line, false;
  CloseHandle(info.hThread), p.process = info.hProcess, p.threadId = info.dwThreadId;
  WaitUntil([&] {
    for (HWND w : ThreadWindows(p.threadId)) p.mainWindow = ClassName(w) == "IDM_SEC_READ" && IsWindowVisible(w) ? w : p.mainWindow;
    return p.mainWindow || WaitForSingleObject(p.process, 0) == WAIT_OBJECT_0;
  });
  return p.mainWindow || (error = "no main window of " + line, false);
}
// Closes the main window; false when the program does not end in time.
inline bool CloseProgram(RunningProgram& p, DWORD& exitCode) {
  return PostMessageA(p.mainWindow, WM_CLOSE, 0, 0) && WaitForSingleObject(p.process, kWaitLimitMs) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(p.process, &exitCode);
}
// Wine carries neither SB_GETTEXTA's buffer nor WM_GETFONT across processes: the buffer lies in the
// program's memory, and WM_GETFONT is sent by a short thread started inside the program.
inline std::string StatusText(const RunningProgram& p) {
  char text[512] = {};
  void* remote = VirtualAllocEx(p.process, nullptr, sizeof text, MEM_COMMIT, PAGE_READWRITE);
  if (remote && Send(GetDlgItem(p.mainWindow, kStatusBar), SB_GETTEXTA, 0, LPARAM(remote)) != -1)
    ReadProcessMemory(p.process, remote, text, sizeof text - 1, nullptr);
  return remote && VirtualFreeEx(p.process, remote, 0, MEM_RELEASE), text;
}
inline bool WaitForStatusText(const RunningProgram& p, const std::string& expected, std::string& seen, DWORD limitMs = kWaitLimitMs) {
  return WaitUntil([&] { return (seen = StatusText(p)) == expected; }, limitMs);
}
inline bool ControlFont(const RunningProgram& p, HWND control, HFONT& font) {
  // push ebx; mov ebx,[esp+8]; push 0; push 0; push WM_GETFONT; push [ebx+4]; call [ebx]; pop ebx; ret 4
  static const unsigned char kCode[] = {0x53, 0x8B, 0x5C, 0x24, 8, 0x6A, 0, 0x6A, 0, 0x6A, WM_GETFONT, 0xFF, 0x73, 4, 0xFF, 0x13, 0x5B, 0xC2, 4, 0};
  const void* call[2] = {(void*)GetProcAddress(GetModuleHandleA("user32"), "SendMessageA"), control};  // same address there
  auto* code = (char*)VirtualAllocEx(p.process, nullptr, 64, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
  HANDLE thread = code && WriteProcessMemory(p.process, code, kCode, sizeof kCode, nullptr) && WriteProcessMemory(p.process, code + 32, call, 8, nullptr)
                      ? CreateRemoteThread(p.process, nullptr, 0, LPTHREAD_START_ROUTINE(code), code + 32, 0, nullptr) : nullptr;
  DWORD answer = 0;
  const bool ok = thread && WaitForSingleObject(thread, kWaitLimitMs) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &answer);
  if (thread) CloseHandle(thread);
  if (code && (ok || !thread)) VirtualFreeEx(p.process, code, 0, MEM_RELEASE);  // else it may still run there
  return font = HFONT(answer), ok;
}
// A combo box's items, read by selecting each, as Wine's CB_GETLBTEXT across processes keeps only
// the first character; the selection is restored.
inline std::vector<std::string> ComboItems(HWND combo, LRESULT& selected) {
  std::vector<std::string> items;
  selected = Send(combo, CB_GETCURSEL);
  for (LRESULT i = 0; i < Send(combo, CB_GETCOUNT) && Send(combo, CB_SETCURSEL, i) == i; ++i) items.push_back(WindowText(combo));
  return Send(combo, CB_SETCURSEL, selected), items;
}
inline bool SelectDrive(const RunningProgram& p, const std::string& root) {
  LRESULT selected, i = 0;
  for (const std::string& item : ComboItems(GetDlgItem(p.mainWindow, kDriveList), selected)) if (item == root) break; else ++i;
  return Send(GetDlgItem(p.mainWindow, kDriveList), CB_SETCURSEL, i) == i;
}
// Waits until what was posted to the program so far has been handled: a posted EM_SETLIMITTEXT
// to the offset box is the marker behind it; the limit is restored afterwards.
inline bool WaitForPostedMessages(const RunningProgram& p) {
  HWND box = GetDlgItem(p.mainWindow, kOffsetBox);
  const LRESULT limit = Send(box, EM_GETLIMITTEXT), marker = limit == 1000 ? 1001 : 1000;
  const bool seen = PostMessageA(box, EM_SETLIMITTEXT, marker, 0) && WaitUntil([&] { return Send(box, EM_GETLIMITTEXT) == marker; });
  return Send(box, EM_SETLIMITTEXT, limit) != -1 && seen;
}
struct MessageBoxInfo { HWND window, owner; std::string caption, text; };  // text: control 0xFFFF
inline std::vector<MessageBoxInfo> OpenMessageBoxes(const RunningProgram& p) {  // and dialogs
  std::vector<MessageBoxInfo> boxes;
  for (HWND w : ThreadWindows(p.threadId))
    if (IsWindowVisible(w) && ClassName(w) == "#32770") boxes.push_back({w, GetWindow(w, GW_OWNER), WindowText(w), WindowText(GetDlgItem(w, 0xFFFF))});
  return boxes;
}
inline bool WaitForMessageBox(const RunningProgram& p, const std::string& caption, MessageBoxInfo& box) {
  return WaitUntil([&] {
    for (const MessageBoxInfo& open : OpenMessageBoxes(p)) if (open.caption == caption) return box = open, true;
    return false;
  });
}
// Presses the button IDOK, IDYES, ... and waits until the box has gone.
inline bool AnswerMessageBox(const MessageBoxInfo& box, int id) {
  return PressButton(GetDlgItem(box.window, id)) && WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}
inline bool OpenImageDialog(const RunningProgram& p, MessageBoxInfo& dialog) {
  return PressButton(GetDlgItem(p.mainWindow, kBrowseButton)) && WaitForMessageBox(p, "ファイル名の取得", dialog);
}
// Types a full path on C: (the dialog does not resolve Wine's Z:) into the name box and presses OK.
inline bool ChooseImage(const RunningProgram& p, const std::string& windowsPath) {
  MessageBoxInfo d;
  if (!OpenImageDialog(p, d)) return false;
  HWND name = GetDlgItem(d.window, 0x47c) ? GetDlgItem(d.window, 0x47c) : GetDlgItem(d.window, 0x480);  // cmb13, or edt1
  return SetText(name, windowsPath) && AnswerMessageBox(d, IDOK) && WaitForPostedMessages(p);
}
// Saves the main window as a 24-bit BMP file in the folder TORVEX_SCREENSHOTS names, if any.
inline bool SaveScreenshot(const RunningProgram& p, const std::string& name) {
  std::string folder = EnvironmentValue("TORVEX_SCREENSHOTS");
  RECT r = {};
  if (folder.empty() || !GetWindowRect(p.mainWindow, &r)) return folder.empty();
  BITMAPINFOHEADER h = {sizeof h, r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::string pixels((h.biWidth * 3 + 3) / 4 * 4 * h.biHeight, '\0');
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, h.biWidth, h.biHeight);
  HGDIOBJ old = SelectObject(memory, bitmap);  // without a window manager nothing covers the window
  const bool ok = BitBlt(memory, 0, 0, h.biWidth, h.biHeight, screen, r.left, r.top, SRCCOPY) && SelectObject(memory, old) &&
                  GetDIBits(memory, bitmap, 0, h.biHeight, &pixels[0], (BITMAPINFO*)&h, DIB_RGB_COLORS);
  DeleteObject(bitmap), DeleteDC(memory), ReleaseDC(nullptr, screen);
  const BITMAPFILEHEADER f = {0x4D42, DWORD(sizeof f + sizeof h + pixels.size()), 0, 0, sizeof f + sizeof h};
  folder = folder[0] == '/' ? WindowsPathFromUnix(folder) : folder;
  return ok && MakeFolders(folder) && WriteWholeFile(folder + "\\" + name, std::string((char*)&f, sizeof f) + std::string((char*)&h, sizeof h) + pixels);
}
