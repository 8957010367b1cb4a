#pragma once
// End-to-end driver: starts torvex.exe and works its window from outside, through messages, as a
// user would. Every wait is bounded, so a hanging program fails a test instead of the run.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>
#include "window/control_ids.h"
constexpr DWORD kWaitLimitMs = 20000;
template <typename Condition> bool WaitUntil(Condition done, DWORD limitMs = kWaitLimitMs) {
  for (const DWORD start = GetTickCount(); !done(); Sleep(10))
    if (GetTickCount() - start >= limitMs) return done();
  return true;
}
inline LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR answer = 0;  // -1: no answer within 5 s
  const bool answered =
      SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &answer);
  return answered ? LRESULT(answer) : -1;
}
inline std::string EnvironmentValue(const char* name) {
  char value[1024] = {};
  return GetEnvironmentVariableA(name, value, sizeof value) < sizeof value ? value : "";
}
inline std::string WindowsPathFromUnix(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;  // Wine's Z: is the Unix root
}
inline std::string ReadWholeFile(const std::string& path) {  // "" when it cannot be read
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  return bool(file.write(bytes.data(), bytes.size()).flush());
}
inline std::string ClassName(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}
inline std::string WindowText(HWND window) {  // the bytes the program stored (code page 932)
  std::string text(Send(window, WM_GETTEXTLENGTH) * 2 + 16, '\0');
  Send(window, WM_GETTEXT, text.size(), LPARAM(&text[0]));
  return text.c_str();
}
inline BOOL CALLBACK Collect(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}
inline std::vector<HWND> ThreadWindows(DWORD thread) {
  std::vector<HWND> found;
  EnumThreadWindows(thread, Collect, LPARAM(&found));
  return found;
}
inline bool SetText(HWND control, const std::string& text) {
  return Send(control, WM_SETTEXT, 0, LPARAM(text.c_str())) == TRUE;
}
// Posted, as Execute runs a whole operation, boxes included, inside the click. Wine's disabled
// buttons still answer BM_CLICK, which no user's click can do, so a disabled one is refused.
inline bool PressButton(HWND button) {
  return IsWindowEnabled(button) && PostMessageA(button, BM_CLICK, 0, 0);
}
struct LaunchOptions {  // the program inherits the caller's environment
  std::string program, arguments, programToken;  // token: first word, "" the quoted program
  std::string workingDirectory, stdoutFile;      // "": the test's own / not redirected
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
// Starts the program and, unless told not to, waits for its visible main window (IDM_SEC_READ).
// With o.stdoutFile it inherits the handles marked inheritable too.
inline bool StartProgram(const LaunchOptions& o, RunningProgram& p, bool withWindow = true) {
  std::string line = (o.programToken.empty() ? '"' + o.program + '"' : o.programToken) + ' ';
  line += o.arguments;
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!o.stdoutFile.empty()) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = CreateFileA(o.stdoutFile.c_str(), GENERIC_WRITE, 3, &inherited,
                                     CREATE_ALWAYS, 0, nullptr);
  }
  const char* folder = o.workingDirectory.empty() ? nullptr : o.workingDirectory.c_str();
  PROCESS_INFORMATION info = {};
  const bool made = CreateProcessA(o.program.c_str(), &line[0], nullptr, nullptr,
                                   startup.dwFlags != 0, 0, nullptr, folder, &startup, &info);
  if (startup.hStdOutput) CloseHandle(startup.hStdOutput);
  if (!made) return false;
  CloseHandle(info.hThread);
  p.process = info.hProcess;
  p.threadId = info.dwThreadId;
  return !withWindow || (WaitUntil([&] {
    for (HWND w : ThreadWindows(p.threadId))
      if (ClassName(w) == "IDM_SEC_READ" && IsWindowVisible(w)) p.mainWindow = w;
    return p.mainWindow || WaitForSingleObject(p.process, 0) == WAIT_OBJECT_0;
  }) && p.mainWindow);
}
// Posts the WM_COMMAND of a click on control `id`, from Execute's handle, as any program can.
inline bool PostCommand(const RunningProgram& p, int id) {
  const LPARAM execute = LPARAM(GetDlgItem(p.mainWindow, kExecuteButton));
  return PostMessageA(p.mainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), execute);
}
// Wine does not carry SB_GETTEXTA's buffer across processes: it lies in the program's memory.
inline std::string StatusText(const RunningProgram& p) {
  char text[512] = {};
  void* remote = VirtualAllocEx(p.process, nullptr, sizeof text, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return "";
  if (Send(GetDlgItem(p.mainWindow, kStatusBar), SB_GETTEXTA, 0, LPARAM(remote)) != -1)
    ReadProcessMemory(p.process, remote, text, sizeof text - 1, nullptr);
  VirtualFreeEx(p.process, remote, 0, MEM_RELEASE);
  return text;
}
// Selects a drive by its root. CB_GETLBTEXT across processes under Wine gives only the first
// character of an item, so each item is selected in turn and the combo box's text read.
inline bool SelectDrive(const RunningProgram& p, const std::string& root) {
  HWND list = GetDlgItem(p.mainWindow, kDriveList);
  for (LRESULT i = 0; Send(list, CB_SETCURSEL, i) == i; ++i)
    if (WindowText(list) == root) return true;
  return false;
}
// Waits until what was posted to the program so far has been handled: a posted EM_SETLIMITTEXT
// to the offset box is the marker behind it; the limit is restored afterwards.
inline bool WaitForPostedMessages(const RunningProgram& p) {
  HWND box = GetDlgItem(p.mainWindow, kOffsetBox);
  const LRESULT limit = Send(box, EM_GETLIMITTEXT);
  const LRESULT marker = limit == 1000 ? 1001 : 1000;
  const bool seen = PostMessageA(box, EM_SETLIMITTEXT, marker, 0) &&
                    WaitUntil([&] { return Send(box, EM_GETLIMITTEXT) == marker; });
  return Send(box, EM_SETLIMITTEXT, limit) != -1 && seen;
}
struct MessageBoxInfo {
  HWND window, owner;
  std::string caption, text;  // text: of the box's control 0xFFFF
};
inline std::vector<MessageBoxInfo> OpenMessageBoxes(const RunningProgram& p) {  // and dialogs
  std::vector<MessageBoxInfo> boxes;
  for (HWND w : ThreadWindows(p.threadId)) {
    if (!IsWindowVisible(w) || ClassName(w) != "#32770") continue;
    boxes.push_back({w, GetWindow(w, GW_OWNER), WindowText(w), WindowText(GetDlgItem(w, 0xFFFF))});
  }
  return boxes;
}
inline bool WaitForMessageBox(const RunningProgram& p, const std::string& caption,
                              MessageBoxInfo& box) {
  return WaitUntil([&] {
    const auto boxes = OpenMessageBoxes(p);
    const auto open = std::ranges::find(boxes, caption, &MessageBoxInfo::caption);
    if (open != boxes.end()) box = *open;
    return open != boxes.end();
  });
}
// Presses the button IDOK, IDYES, ... and waits until the box has gone.
inline bool AnswerMessageBox(const MessageBoxInfo& box, int id) {
  return PressButton(GetDlgItem(box.window, id)) &&
         WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}
// Types a full path on C: (the dialog does not resolve Wine's Z:) into the name box and presses OK.
// The dialog would open in the folder of the program's previous choice and make it the current
// one: that choice is forgotten first.
inline bool ChooseImage(const RunningProgram& p, const std::string& windowsPath) {
  RegDeleteKeyA(HKEY_CURRENT_USER,
                "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU");
  MessageBoxInfo d;
  if (!PressButton(GetDlgItem(p.mainWindow, kBrowseButton)) ||
      !WaitForMessageBox(p, "ファイル名の取得", d))
    return false;
  HWND name = GetDlgItem(d.window, cmb13);  // the name box: a combo box, or an edit box
  if (!name) name = GetDlgItem(d.window, edt1);
  return SetText(name, windowsPath) && AnswerMessageBox(d, IDOK) && WaitForPostedMessages(p);
}
