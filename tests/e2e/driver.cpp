#include "tests/e2e/driver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/control_ids.h"

namespace {

// Limit for one message sent to the program.
constexpr UINT kSendLimitMs = 5000;

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendLimitMs,
                           &answer)) {
    return false;
  }
  result = static_cast<LRESULT>(answer);
  return true;
}

// Sends a message whose lParam points to `size` bytes, with that memory
// inside the program: the bytes of `buffer` are copied there first and back
// afterwards. For messages Wine does not marshal between processes.
bool SendWithRemoteBuffer(RunningProgram& program, HWND window, UINT message, WPARAM wParam,
                          void* buffer, SIZE_T size, LRESULT& result) {
  void* remote = VirtualAllocEx(program.process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
  if (remote == nullptr) return false;
  SIZE_T moved = 0;
  bool ok = WriteProcessMemory(program.process, remote, buffer, size, &moved) && moved == size &&
            Send(window, message, wParam, reinterpret_cast<LPARAM>(remote), result) &&
            ReadProcessMemory(program.process, remote, buffer, size, &moved) && moved == size;
  VirtualFreeEx(program.process, remote, 0, MEM_RELEASE);
  return ok;
}

// The environment block of the test process with `extra` added; a variable
// of the same name (names compare without case, as on Windows) is replaced.
std::string EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& extra) {
  std::string block;
  char* strings = GetEnvironmentStringsA();
  for (const char* entry = strings; entry != nullptr && *entry != '\0';
       entry += std::strlen(entry) + 1) {
    const char* equals = std::strchr(entry + 1, '=');  // "=C:=C:\" entries start with '='
    size_t nameLength = equals ? static_cast<size_t>(equals - entry) : std::strlen(entry);
    bool replaced = false;
    for (const auto& variable : extra) {
      if (variable.first.size() == nameLength &&
          CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, entry, nameLength,
                         variable.first.c_str(), nameLength) == CSTR_EQUAL) {
        replaced = true;
      }
    }
    if (!replaced) block.append(entry).push_back('\0');
  }
  if (strings != nullptr) FreeEnvironmentStringsA(strings);
  for (const auto& variable : extra) {
    block.append(variable.first).append("=").append(variable.second).push_back('\0');
  }
  block.push_back('\0');
  return block;
}

struct MainWindowSearch {
  HWND found = nullptr;
};

BOOL CALLBACK FindVisibleMainWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<MainWindowSearch*>(lParam);
  if (ClassName(window) == kMainWindowClass && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

void CloseHandles(RunningProgram& program) {
  if (program.thread != nullptr) CloseHandle(program.thread);
  if (program.process != nullptr) CloseHandle(program.process);
  program.thread = nullptr;
  program.process = nullptr;
  program.mainWindow = nullptr;
}

struct BoxSearch {
  DWORD threadId;
  std::vector<MessageBoxInfo> boxes;
};

BOOL CALLBACK CollectChildButton(HWND window, LPARAM lParam) {
  auto* buttons = reinterpret_cast<std::vector<DialogButton>*>(lParam);
  if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, ClassName(window).c_str(), -1, "Button",
                     -1) == CSTR_EQUAL) {
    buttons->push_back({window, GetDlgCtrlID(window), WindowText(window)});
  }
  return TRUE;
}

MessageBoxInfo ReadMessageBox(HWND window) {
  MessageBoxInfo box;
  box.window = window;
  box.owner = GetWindow(window, GW_OWNER);
  box.caption = WindowText(window);
  HWND message = GetDlgItem(window, 0xFFFF);
  if (message != nullptr) box.text = WindowText(message);
  EnumChildWindows(window, CollectChildButton, reinterpret_cast<LPARAM>(&box.buttons));
  return box;
}

BOOL CALLBACK CollectMessageBox(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<BoxSearch*>(lParam);
  if (GetWindowThreadProcessId(window, nullptr) == search->threadId &&
      IsWindowVisible(window) && ClassName(window) == "#32770") {
    search->boxes.push_back(ReadMessageBox(window));
  }
  return TRUE;
}

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A window's rectangle in the client coordinates of `reference`.
RECT RectIn(HWND window, HWND reference) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// True while the process has not ended.
bool IsRunning(const RunningProgram& program) {
  return program.process != nullptr && WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT;
}

// Ends the process at once (no effect when it already ended) and releases its handles.
void KillProgram(RunningProgram& program) {
  if (program.process == nullptr) return;
  if (IsRunning(program)) {
    TerminateProcess(program.process, 1);
    WaitForSingleObject(program.process, kWaitLimitMs);
  }
  CloseHandles(program);
}

}  // namespace

// ---------------------------------------------------------------------------

std::string EnvironmentValue(const char* name) {
  DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  if (size == 0) return {};
  std::string value(size, '\0');
  DWORD length = GetEnvironmentVariableA(name, &value[0], size);
  value.resize(length < size ? length : 0);
  return value;
}

std::string WindowsPathFromUnix(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string UnixPathFromWindows(const std::string& windowsPath) {
  std::string path = windowsPath.substr(2);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

bool MakeFolders(const std::string& windowsPath) {
  for (size_t i = 3; i <= windowsPath.size(); ++i) {
    if (i == windowsPath.size() || windowsPath[i] == '\\') {
      CreateDirectoryA(windowsPath.substr(0, i).c_str(), nullptr);
    }
  }
  DWORD attributes = GetFileAttributesA(windowsPath.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadWholeFile(const std::string& windowsPath) {
  std::string contents;
  FILE* file = std::fopen(windowsPath.c_str(), "rb");
  if (file == nullptr) return contents;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) contents.append(chunk, got);
  std::fclose(file);
  return contents;
}

bool WriteWholeFile(const std::string& windowsPath, const std::string& bytes) {
  FILE* file = std::fopen(windowsPath.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::string MakeTestFolder(const std::string& name) {
  const std::string drives = EnvironmentValue("TORVEX_DRIVES");
  if (drives.empty()) return {};
  // Without "..": the file dialog does not open a folder named through it.
  char folder[MAX_PATH];
  const std::string path = WindowsPathFromUnix(drives + "/../e2e-work/" + name);
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof folder, folder, nullptr);
  if (length == 0 || length >= sizeof folder) return {};
  return MakeFolders(folder) ? std::string(folder, length) : std::string();
}

// ---------------------------------------------------------------------------

RunningProgram::~RunningProgram() { KillProgram(*this); }

bool StartProgram(const LaunchOptions& options, RunningProgram& program, std::string& error) {
  KillProgram(program);
  std::string commandLine =
      options.programToken.empty() ? "\"" + options.program + "\"" : options.programToken;
  if (!options.arguments.empty()) commandLine += " " + options.arguments;
  std::string environment = EnvironmentBlock(options.environment);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  HANDLE output = INVALID_HANDLE_VALUE;
  if (!options.stdoutFile.empty()) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    output = CreateFileA(options.stdoutFile.c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
      error = "cannot create " + options.stdoutFile;
      return false;
    }
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output;
    startup.hStdError = nullptr;
  }

  PROCESS_INFORMATION info = {};
  BOOL created = CreateProcessA(
      options.program.c_str(), &commandLine[0], nullptr, nullptr, output != INVALID_HANDLE_VALUE,
      0, &environment[0],
      options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
      &info);
  DWORD createError = GetLastError();
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (!created) {
    error = "CreateProcessA(" + commandLine + ") failed with error " + std::to_string(createError);
    return false;
  }
  program.process = info.hProcess;
  program.thread = info.hThread;
  program.processId = info.dwProcessId;
  program.threadId = info.dwThreadId;

  MainWindowSearch search;
  WaitUntil([&] {
    if (!IsRunning(program)) return true;
    search.found = nullptr;
    EnumThreadWindows(program.threadId, FindVisibleMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  if (search.found == nullptr) {
    DWORD exitCode = 0;
    GetExitCodeProcess(program.process, &exitCode);
    error = IsRunning(program) ? "no visible main window of class IDM_SEC_READ appeared"
                               : "the program ended with code " + std::to_string(exitCode) +
                                     " before showing its main window";
    KillProgram(program);
    return false;
  }
  program.mainWindow = search.found;
  return true;
}

bool CloseProgram(RunningProgram& program, DWORD& exitCode) {
  if (program.process == nullptr) return false;
  PostMessageA(program.mainWindow, WM_CLOSE, 0, 0);
  bool ended = WaitForSingleObject(program.process, kWaitLimitMs) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(program.process, &exitCode);
  KillProgram(program);
  return ended;
}

// ---------------------------------------------------------------------------

std::string WindowText(HWND window) {
  LRESULT length = 0;
  if (!Send(window, WM_GETTEXTLENGTH, 0, 0, length) || length < 0) return {};
  // The length may count in another unit than the bytes delivered; leave room.
  std::string text(static_cast<size_t>(length) * 2 + 16, '\0');
  LRESULT copied = 0;
  if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), copied)) {
    return {};
  }
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::string ClassName(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

bool ControlFont(RunningProgram& program, HWND control, HFONT& font) {
  // The thread's code, for i386: push ebx; mov ebx, [esp+8]; push 0; push 0;
  // push WM_GETFONT; push [ebx+4]; call [ebx]; pop ebx; ret 4. Its parameter
  // points to {SendMessageA, control}; its exit code is the answer.
  static const unsigned char kCode[] = {0x53, 0x8B, 0x5C, 0x24, 0x08, 0x6A, 0x00,
                                        0x6A, 0x00, 0x6A, WM_GETFONT, 0xFF, 0x73, 0x04,
                                        0xFF, 0x13, 0x5B, 0xC2, 0x04, 0x00};
  constexpr SIZE_T kParameterOffset = 32;
  struct Parameter {
    FARPROC sendMessage;
    HWND control;
  };
  const Parameter parameter = {GetProcAddress(GetModuleHandleA("user32.dll"), "SendMessageA"),
                               control};
  if (parameter.sendMessage == nullptr) return false;
  // The system DLLs lie at the same address in every process of the session;
  // make sure before calling there.
  unsigned char local[16], remote[16];
  SIZE_T moved = 0;
  std::memcpy(local, reinterpret_cast<const void*>(parameter.sendMessage), sizeof local);
  if (!ReadProcessMemory(program.process, reinterpret_cast<const void*>(parameter.sendMessage),
                         remote, sizeof remote, &moved) ||
      std::memcmp(local, remote, sizeof local) != 0) {
    return false;
  }

  auto* memory = static_cast<unsigned char*>(VirtualAllocEx(
      program.process, nullptr, 64, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
  if (memory == nullptr) return false;
  bool ok = WriteProcessMemory(program.process, memory, kCode, sizeof kCode, &moved) &&
            WriteProcessMemory(program.process, memory + kParameterOffset, &parameter,
                               sizeof parameter, &moved);
  HANDLE thread = ok ? CreateRemoteThread(program.process, nullptr, 0,
                                          reinterpret_cast<LPTHREAD_START_ROUTINE>(memory),
                                          memory + kParameterOffset, 0, nullptr)
                     : nullptr;
  DWORD answer = 0;
  ok = thread != nullptr && WaitForSingleObject(thread, kWaitLimitMs) == WAIT_OBJECT_0 &&
       GetExitCodeThread(thread, &answer);
  if (thread != nullptr) CloseHandle(thread);
  // Memory of a thread that did not end stays allocated: it may still run there.
  if (ok || thread == nullptr) VirtualFreeEx(program.process, memory, 0, MEM_RELEASE);
  font = reinterpret_cast<HFONT>(static_cast<ULONG_PTR>(answer));
  return ok;
}

ControlInfo ReadControl(RunningProgram& program, HWND control) {
  ControlInfo info;
  info.window = control;
  info.id = static_cast<int>(GetWindowLongA(control, GWL_ID));
  info.className = ClassName(control);
  info.text = WindowText(control);
  info.style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
  info.exStyle = static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE));
  info.rect = RectIn(control, program.mainWindow);
  info.fontKnown = ControlFont(program, control, info.font);
  info.enabled = IsWindowEnabled(control) != FALSE;
  return info;
}

std::vector<ControlInfo> ChildControls(RunningProgram& program) {
  std::vector<ControlInfo> controls;
  for (HWND child = GetWindow(program.mainWindow, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    controls.push_back(ReadControl(program, child));
  }
  return controls;
}

HWND FindControl(HWND mainWindow, int controlId) {
  for (HWND child = GetWindow(mainWindow, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (static_cast<int>(GetWindowLongA(child, GWL_ID)) == controlId) return child;
  }
  return nullptr;
}

bool StatusText(RunningProgram& program, std::string& text) {
  HWND statusBar = FindControl(program.mainWindow, kStatusBar);
  if (statusBar == nullptr) return false;
  LRESULT length = 0;
  // In simple mode the status bar answers its simple text for part 0.
  if (!Send(statusBar, SB_GETTEXTLENGTHA, 0, 0, length)) return false;
  std::vector<char> buffer(LOWORD(length) + 256, '\0');
  LRESULT result = 0;
  if (!SendWithRemoteBuffer(program, statusBar, SB_GETTEXTA, 0, buffer.data(), buffer.size(),
                            result)) {
    return false;
  }
  buffer.back() = '\0';
  text = buffer.data();
  return true;
}

bool WaitForStatusText(RunningProgram& program, const std::string& expected, std::string& seen,
                       DWORD limitMs) {
  return WaitUntil([&] { return StatusText(program, seen) && seen == expected; }, limitMs);
}

bool WaitForOperationEnd(RunningProgram& program, const std::string& finalStatus,
                         std::string& seen, DWORD limitMs) {
  HWND execute = FindControl(program.mainWindow, kExecuteButton);
  return WaitForStatusText(program, finalStatus, seen, limitMs) &&
         WaitUntil([&] { return IsWindowEnabled(execute) != FALSE; }, limitMs);
}

bool SelectDrive(RunningProgram& program, const std::string& root) {
  HWND driveList = FindControl(program.mainWindow, kDriveList);
  std::vector<std::string> items;
  int selected = CB_ERR;
  if (!ComboItems(driveList, items, selected)) return false;
  for (size_t i = 0; i < items.size(); ++i) {
    LRESULT result = 0;
    if (items[i] == root) return Send(driveList, CB_SETCURSEL, i, 0, result) && result == LRESULT(i);
  }
  return false;
}

bool DroppedControlRect(RunningProgram& program, HWND comboBox, RECT& rect) {
  // Wine carries this message's RECT between processes itself.
  LRESULT result = 0;
  if (!Send(comboBox, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rect), result) ||
      result == CB_ERR) {
    return false;
  }
  // The answer is in screen coordinates.
  MapWindowPoints(HWND_DESKTOP, program.mainWindow, reinterpret_cast<POINT*>(&rect), 2);
  return true;
}

bool ComboItems(HWND comboBox, std::vector<std::string>& items, int& selected) {
  items.clear();
  LRESULT count = 0, current = 0;
  if (!Send(comboBox, CB_GETCOUNT, 0, 0, count) || count < 0 ||
      !Send(comboBox, CB_GETCURSEL, 0, 0, current)) {
    return false;
  }
  selected = static_cast<int>(current);
  bool ok = true;
  for (LRESULT i = 0; i < count && ok; ++i) {
    LRESULT result = 0;
    ok = Send(comboBox, CB_SETCURSEL, i, 0, result) && result == i;
    if (ok) items.push_back(WindowText(comboBox));
  }
  LRESULT restored = 0;
  return Send(comboBox, CB_SETCURSEL, static_cast<WPARAM>(current), 0, restored) && ok;
}

// ---------------------------------------------------------------------------

bool SetText(HWND control, const std::string& text) {
  LRESULT result = 0;
  return Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), result) &&
         result == TRUE;
}

bool SetCheck(HWND checkBox, bool checked) {
  LRESULT result = 0;
  return Send(checkBox, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0, result) &&
         CheckState(checkBox) == (checked ? BST_CHECKED : BST_UNCHECKED);
}

int CheckState(HWND checkBox) {
  LRESULT state = 0;
  if (!Send(checkBox, BM_GETCHECK, 0, 0, state)) return -1;
  return static_cast<int>(state);
}

bool PressButton(HWND button) {
  return IsWindowEnabled(button) && PostMessageA(button, BM_CLICK, 0, 0);
}

bool ClickInto(HWND control) {
  const LPARAM point = MAKELPARAM(1, 1);
  return PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, point) &&
         PostMessageA(control, WM_LBUTTONUP, 0, point);
}

bool WaitForPostedMessages(RunningProgram& program) {
  HWND offsetBox = FindControl(program.mainWindow, kOffsetBox);
  LRESULT limit = 0;
  if (offsetBox == nullptr || !Send(offsetBox, EM_GETLIMITTEXT, 0, 0, limit)) return false;
  const LRESULT marker = limit == 1000 ? 1001 : 1000;
  if (!PostMessageA(offsetBox, EM_SETLIMITTEXT, static_cast<WPARAM>(marker), 0)) return false;
  bool reached = WaitUntil([&] {
    LRESULT now = 0;
    return Send(offsetBox, EM_GETLIMITTEXT, 0, 0, now) && now == marker;
  });
  LRESULT ignored = 0;
  return Send(offsetBox, EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0, ignored) && reached;
}

HWND FocusWindow(const RunningProgram& program) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(program.threadId, &info)) return nullptr;
  return info.hwndFocus;
}

// ---------------------------------------------------------------------------

std::vector<MessageBoxInfo> OpenMessageBoxes(const RunningProgram& program) {
  BoxSearch search{program.threadId, {}};
  EnumWindows(CollectMessageBox, reinterpret_cast<LPARAM>(&search));
  return search.boxes;
}

bool WaitForMessageBox(const RunningProgram& program, const std::string& caption,
                       MessageBoxInfo& box, DWORD limitMs) {
  return WaitUntil(
      [&] {
        for (const MessageBoxInfo& open : OpenMessageBoxes(program)) {
          if (open.caption == caption) {
            box = open;
            return true;
          }
        }
        return false;
      },
      limitMs);
}

bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId) {
  for (const DialogButton& button : box.buttons) {
    if (button.id == buttonId) return PressButton(button.window);
  }
  return false;
}

bool WaitForWindowGone(HWND window, DWORD limitMs) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, limitMs);
}

bool OpenImageDialog(const RunningProgram& program, MessageBoxInfo& dialog) {
  return PressButton(FindControl(program.mainWindow, kBrowseButton)) &&
         WaitForMessageBox(program, kImageDialogCaption, dialog);
}

bool ChooseImage(RunningProgram& program, const std::string& windowsPath) {
  // The file-name box: the combo box cmb13 in the Explorer style, the edit
  // box edt1 in the old style.
  constexpr int kFileNameCombo = 0x47c;
  constexpr int kFileNameEdit = 0x480;
  MessageBoxInfo dialog;
  if (!OpenImageDialog(program, dialog)) return false;
  HWND nameBox = GetDlgItem(dialog.window, kFileNameCombo);
  if (nameBox == nullptr) nameBox = GetDlgItem(dialog.window, kFileNameEdit);
  return nameBox != nullptr && SetText(nameBox, windowsPath) && AnswerMessageBox(dialog, IDOK) &&
         WaitForWindowGone(dialog.window) && WaitForPostedMessages(program);
}

// ---------------------------------------------------------------------------

ScreenUnits MeasureScreenUnits() {
  ScreenUnits units = {0, 0};
  HDC screen = GetDC(nullptr);
  TEXTMETRICA metrics = {};
  if (GetTextMetricsA(screen, &metrics)) {
    units.halfAscent = metrics.tmAscent / 2;
    units.aveCharWidth = metrics.tmAveCharWidth;
  }
  ReleaseDC(nullptr, screen);
  return units;
}

bool SaveScreenshot(const RunningProgram& program, const std::string& name) {
  std::string folder = EnvironmentValue("TORVEX_SCREENSHOTS");
  if (folder.empty()) return true;
  if (folder[0] == '/') folder = WindowsPathFromUnix(folder);
  if (!MakeFolders(folder)) return false;

  RECT window = {};
  if (!GetWindowRect(program.mainWindow, &window)) return false;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  // Without a window manager nothing covers the window: the screen shows it as it is.
  BOOL copied = BitBlt(memory, 0, 0, width, height, screen, window.left, window.top, SRCCOPY);
  SelectObject(memory, previous);

  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up rows, as BMP files store them
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  std::string pixels(rowBytes * static_cast<uint32_t>(height), '\0');
  int rows = copied ? GetDIBits(memory, bitmap, 0, height, &pixels[0],
                                reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS)
                    : 0;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;

  std::string file = "BM";
  const uint32_t offset = 14 + sizeof header;
  PutLittleEndian(file, offset + static_cast<uint32_t>(pixels.size()), 4);
  PutLittleEndian(file, 0, 4);
  PutLittleEndian(file, offset, 4);
  header.biSizeImage = static_cast<DWORD>(pixels.size());
  file.append(reinterpret_cast<const char*>(&header), sizeof header);
  file += pixels;

  return WriteWholeFile(folder + "\\" + name, file);
}
