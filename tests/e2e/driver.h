#pragma once
// End-to-end driver: starts torvex.exe as a separate process and looks at and
// operates its window from outside, through window messages only, the way a
// user or an accessibility tool would. Everything here runs on the test's own
// thread; every message sent to the program has a time limit, so a program
// that hangs makes a test fail instead of blocking the run.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// ---------------------------------------------------------------------------
// Environment and paths

// The value of an environment variable of the test process; empty when unset.
std::string EnvironmentValue(const char* name);
// A Unix path as Wine shows it to Windows programs: "Z:" + path, / turned into \.
std::string WindowsPathFromUnix(const std::string& unixPath);
// The Unix path behind a Windows path on Z:, the other way round.
std::string UnixPathFromWindows(const std::string& windowsPath);
// Creates a folder and any missing parents (Windows path). True when it exists afterwards.
bool MakeFolders(const std::string& windowsPath);
// The whole contents of a file (Windows path); empty when it cannot be read.
std::string ReadWholeFile(const std::string& windowsPath);
// Creates or replaces a file (Windows path) with `bytes`. True when all were written.
bool WriteWholeFile(const std::string& windowsPath, const std::string& bytes);
// A folder for one test's files, e2e-work\<name> beside the drive images of
// TORVEX_DRIVES, made if missing, as a full path; empty when it cannot be made.
std::string MakeTestFolder(const std::string& name);

// ---------------------------------------------------------------------------
// Starting and stopping the program

struct LaunchOptions {
  std::string program;           // Windows path of the executable
  std::string arguments;         // appended to the program token on the command line
  std::string programToken;      // first token of the command line; empty: the quoted program path
  std::string workingDirectory;  // Windows path; empty: the test's own current directory
  std::vector<std::pair<std::string, std::string>> environment;  // added or replaced variables
  std::string stdoutFile;        // Windows path; empty: standard output is not redirected
};

// One started program. Destroying it kills the process if it still runs, so a
// failed assertion never leaves a program behind.
struct RunningProgram {
  HANDLE process = nullptr;
  HANDLE thread = nullptr;
  DWORD processId = 0;
  DWORD threadId = 0;
  HWND mainWindow = nullptr;

  RunningProgram() = default;
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram();
};

// The main window's class name.
constexpr const char kMainWindowClass[] = "IDM_SEC_READ";
// How long the driver waits for the program to do something before giving up.
constexpr DWORD kWaitLimitMs = 20000;

// Starts the program and waits until its main window (class "IDM_SEC_READ",
// among the windows of the process's thread) is visible. On failure `error`
// says why and any started process has been killed.
bool StartProgram(const LaunchOptions& options, RunningProgram& program, std::string& error);
// Closes the main window with WM_CLOSE and waits for the process to end.
// Returns true with its exit code when it ended within the limit; otherwise
// kills it and returns false.
bool CloseProgram(RunningProgram& program, DWORD& exitCode);

// ---------------------------------------------------------------------------
// Looking at windows

// The text of a window through WM_GETTEXT: the bytes the program stored (code page 932).
std::string WindowText(HWND window);
std::string ClassName(HWND window);
// The font a control uses (WM_GETFONT); null for the system font. Wine fails
// WM_GETFONT sent from another process, so the message is sent by a short
// thread the driver starts inside the program (CreateRemoteThread), which
// Wine answers like any other thread of the program. False when that fails.
bool ControlFont(RunningProgram& program, HWND control, HFONT& font);

// What the driver can see of one child control.
struct ControlInfo {
  HWND window = nullptr;
  int id = 0;
  std::string className;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect = {};  // in the main window's client coordinates
  bool fontKnown = false;  // whether `font` could be read
  HFONT font = nullptr;
  bool enabled = false;
};

ControlInfo ReadControl(RunningProgram& program, HWND control);
// Every direct child of the main window, in the order the system keeps them
// (for child windows created one after another: creation order).
std::vector<ControlInfo> ChildControls(RunningProgram& program);
// The child with this ControlId; null when there is none.
HWND FindControl(HWND mainWindow, int controlId);

// The status bar's text: SB_GETTEXTA with a buffer inside the program's own
// memory, because Wine does not carry this message's buffer across processes.
// Returns false when the status bar is missing or the message fails.
bool StatusText(RunningProgram& program, std::string& text);
// Waits until the status text equals `expected`; the last text seen is left in `seen`.
bool WaitForStatusText(RunningProgram& program, const std::string& expected, std::string& seen,
                       DWORD limitMs = kWaitLimitMs);
// Waits until an operation started with Execute has ended: the status shows
// `finalStatus` and Execute is enabled again (the command enables it a moment
// after the operation's last status). The last status seen is left in `seen`.
bool WaitForOperationEnd(RunningProgram& program, const std::string& finalStatus,
                         std::string& seen, DWORD limitMs = kWaitLimitMs);

// Selects the drive-list item `root` (such as "Z:\\") with a posted
// CB_SETCURSEL and waits until it is handled. False when it is not listed.
bool SelectDrive(RunningProgram& program, const std::string& root);

// The combo box's dropped-down rectangle as the box reports it
// (CB_GETDROPPEDCONTROLRECT), in the main window's client coordinates. It
// starts at the box's top; Windows makes it as tall as the box and its list
// together, Wine as tall as the list alone.
bool DroppedControlRect(RunningProgram& program, HWND comboBox, RECT& rect);

// The items of a combo box, read by selecting each one and reading the combo
// box's own text (CB_GETLBTEXT loses all but the first character across
// processes under Wine). The selection is restored afterwards.
// `selected` receives the index that was selected (CB_ERR when none).
bool ComboItems(HWND comboBox, std::vector<std::string>& items, int& selected);

// ---------------------------------------------------------------------------
// Operating the window

bool SetText(HWND control, const std::string& text);
// Ticks (true) or unticks a check box with BM_SETCHECK.
bool SetCheck(HWND checkBox, bool checked);
// BM_GETCHECK: BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE; -1 when the message fails.
int CheckState(HWND checkBox);
// Presses a button by posting BM_CLICK to it. Posted, not sent: the Execute
// button runs a whole operation, message boxes included, inside the click, and
// the driver must stay free to watch and answer them. The click goes through
// the button itself, as a user's click would, so the main window receives the
// button's own BN_CLICKED notification. Wine's buttons answer BM_CLICK even
// while disabled, which no user's click can make them do (a disabled window
// gets no mouse input), so a disabled button is refused: nothing is posted and
// the result is false.
bool PressButton(HWND button);
// Gives a control the keyboard focus the way a click does: posts a left
// button press and release at its client point (1, 1).
bool ClickInto(HWND control);
// Waits until every message posted to the program's thread before this call
// has been handled. A posted EM_SETLIMITTEXT to the offset box serves as a
// marker behind them (posted messages are handled in order); the box's limit
// is restored afterwards.
bool WaitForPostedMessages(RunningProgram& program);

// The window holding the keyboard focus on the program's thread (GetGUIThreadInfo).
HWND FocusWindow(const RunningProgram& program);

// ---------------------------------------------------------------------------
// Message boxes

struct DialogButton {
  HWND window = nullptr;
  int id = 0;
  std::string text;
};

struct MessageBoxInfo {
  HWND window = nullptr;
  HWND owner = nullptr;  // GW_OWNER; null for a box without owner
  std::string caption;
  std::string text;      // the message: control 0xFFFF
  std::vector<DialogButton> buttons;
};

// Waits for a visible top-level window of class "#32770" of the program's
// thread whose caption is `caption`, and reads it.
bool WaitForMessageBox(const RunningProgram& program, const std::string& caption,
                       MessageBoxInfo& box, DWORD limitMs = kWaitLimitMs);
// Every visible message box of the program's thread at this moment.
std::vector<MessageBoxInfo> OpenMessageBoxes(const RunningProgram& program);
// Presses the box's button with this id (IDOK, IDYES, IDNO ...) with BM_CLICK.
// False when the box has no such button.
bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId);
// Waits until a window (a message box or dialog) has closed or been hidden.
bool WaitForWindowGone(HWND window, DWORD limitMs = kWaitLimitMs);

// The write mode's open-file dialog, opened with the browse button.
constexpr const char kImageDialogCaption[] = "ファイル名の取得";
// Presses the browse button and waits for the dialog, which has no owner.
bool OpenImageDialog(const RunningProgram& program, MessageBoxInfo& dialog);
// Chooses a file in the dialog as a user would: opens it, types the full path
// (on C:, as the dialog does not resolve Wine's Z: paths) into its name box
// and presses OK; then waits for the program to take the choice.
bool ChooseImage(RunningProgram& program, const std::string& windowsPath);

// ---------------------------------------------------------------------------
// Layout units and screenshots

struct ScreenUnits {
  int halfAscent;    // tmAscent / 2 of the screen's default font
  int aveCharWidth;  // tmAveCharWidth of the same font
};

// Measured the way the program measures them: GetDC(NULL) and GetTextMetricsA.
ScreenUnits MeasureScreenUnits();

// Saves the main window as a 24-bit BMP file named `name` in the folder named
// by TORVEX_SCREENSHOTS. Does nothing (and returns true) when it is unset.
bool SaveScreenshot(const RunningProgram& program, const std::string& name);

// ---------------------------------------------------------------------------
// Waiting

// Calls `condition` every few milliseconds until it returns true or the
// limit passes; returns its last answer.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD limitMs = kWaitLimitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= limitMs) return condition();
    Sleep(10);
  }
}
