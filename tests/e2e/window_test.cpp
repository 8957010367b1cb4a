// The main window from outside, for each command line: the mode it chooses, the window, every
// control with its font, the drive list, the initial state and focus, the Tab key and closing.
#include <gtest/gtest.h>
#include "tests/e2e/driver.h"
namespace {
struct Line {  // a command line, and whether it must choose write mode
  const char* name;
  const char* arguments;
  bool write;
  const char* token = nullptr;  // the first token instead of the program's quoted path
  bool inToolW = false;         // the program copied into a folder named tool-W
  const char* screenshot = nullptr;
};
const Line kModes[] = {
    {.name = "Read", .arguments = "", .write = false, .screenshot = "main-window-read.bmp"},
    {.name = "Write", .arguments = "-W", .write = true, .screenshot = "main-window-write.bmp"},
};
const Line kCommandLines[] = {
    {.name = "SwitchInsideAnArgument", .arguments = "x-Wy", .write = true},
    {.name = "LowerCaseSwitch", .arguments = "-w", .write = false},
    {.name = "SwitchTwice", .arguments = "-W -W", .write = true},
    {.name = "SwitchAmongOtherArguments", .arguments = "abc -W def", .write = true},
    {.name = "QuotesRemovedAroundTheLetter", .arguments = "-\"W\"", .write = true},
    {.name = "SwitchSplitBySpace", .arguments = "- W", .write = false},
    {.name = "FirstTokenWithSwitch", .arguments = "", .write = false, .token = "x-W"},
    {.name = "ProgramInToolWFolder", .arguments = "", .write = true, .inToolW = true},
    {.name = "ProgramInToolWFolderCalledWithoutPath", .arguments = "", .write = true, .token = "torvex", .inToolW = true},
};
enum Mode { kBoth, kRead, kWrite };
struct Control {
  Mode in;
  int id;
  const char* className;
  std::string text;
  DWORD style, exStyle;
  RECT rect;           // in the main window's client area
  bool font = false;   // the font the program sets, else none
};
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE, kNumber = 0x50010002, kEdge = WS_EX_CLIENTEDGE;
const char kOffset[] = "オフセット               (セクター単位)";
const char kToRead[] = "読出し数                 (セクター単位)";
const char kToWrite[] = "書出し数                 (セクター単位)";
const char kToFile[] = "FILE(ﾊﾞｲﾅﾘ形式)に出力(dump.img)";
const char kGeometryText[] = "ジオメトリ情報:";
const char kFileText[] = "ファイル選択";
const char kReadDump[] = "ダンプ結果:(4ｾｸﾀ以内)", kWriteDump[] = "ダンプ結果(書込み後):(4ｾｸﾀ以内)";
// A mode's controls in creation order, placed in units of the screen font. A combo box gives
// WS_BORDER and WS_VSCROLL to its list; the status bar, last, is placed by the system.
std::vector<Control> Controls(bool write) {
  TEXTMETRICA m = {};
  HDC screen = GetDC(nullptr);
  GetTextMetricsA(screen, &m);
  ReleaseDC(nullptr, screen);
  const int A = m.tmAscent / 2, W = m.tmAveCharWidth;
  const DWORD list = 0x50A10003 & ~(WS_BORDER | WS_VSCROLL);
  const int row3 = 6 * A + 51;  // the third row of inputs, under the count
  auto at = [](int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; };
  const Control all[] = {  // in: the mode that has it
    {kBoth, kExecuteButton, "Button", "実行", 0x50012300, 0, at(300, 15, 82, 36)},
    {kBoth, kNoControlId, "Static", "ドライブ", kLabel, 0, at(20, 17, 8 * W, 2 * A)},
    {kBoth, kDriveList, "ComboBox", "A:\\", list, 0, at(8 * W + 25, 15, 7 * W, 12 * A)},
    {kBoth, kOffsetLabel, "Static", kOffset, kLabel, 0, at(35, 2 * A + 35, 32 * W, 2 * A), true},
    {kBoth, kOffsetBox, "Edit", "0", kNumber, kEdge, at(10 * W + 23, 2 * A + 32, 9 * W, 2 * A + 5)},
    {kRead, kCountLabel, "Static", kToRead, kLabel, 0, at(35, 4 * A + 38, 32 * W, 2 * A), true},
    {kWrite, kCountLabel, "Static", kToWrite, kLabel, 0, at(35, 4 * A + 38, 32 * W, 2 * A), true},
    {kBoth, kCountBox, "Edit", "1", kNumber, kEdge, at(10 * W + 23, 4 * A + 35, 9 * W, 2 * A + 5)},
    {kWrite, kFileLabel, "Static", kFileText, kLabel, 0, at(40, 6 * A + 55, 10 * W, 2 * A), true},
    {kWrite, kPathBox, "Edit", "", 0x50010080, kEdge, at(10 * W + 42, row3, 20 * W, 3 * A), true},
    {kWrite, kBrowseButton, "Button", "..", 0x50010300, 0, at(30 * W + 42, row3, 3 * W, 3 * A)},
    {kRead, kDumpToFileBox, "Button", kToFile, 0x50010003, 0, at(40, row3, 30 * W, 2 * A), true},
    {kBoth, kGeometryLabel, "Static", kGeometryText, kLabel, 0, at(20, 130, 20 * W, 2 * A), true},
    {kBoth, kGeometryBox, "Edit", "", 0x50000804, kEdge, at(20, 145, 360, 10 * A), true},
    {kRead, kDumpLabel, "Static", kReadDump, kLabel, 0, at(20, 235, 25 * W, 2 * A), true},
    {kWrite, kDumpLabel, "Static", kWriteDump, kLabel, 0, at(20, 235, 25 * W, 2 * A), true},
    {kBoth, kDumpBox, "Edit", "", 0x503018C4, kEdge, at(20, 250, 360, 196), true},
    {kBoth, kStatusBar, STATUSCLASSNAMEA, "", 0x50000103, 0, {}}};
  std::vector<Control> mode;
  for (const Control& c : all)
    if (c.in == kBoth || (c.in == kWrite) == write) mode.push_back(c);
  return mode;
}
bool Same(const std::string& a, const std::string& b) {  // as Windows compares class names
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}
std::string Text(RECT r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}
// Each child of the main window against the mode's table, in creation order.
void CheckControls(const RunningProgram& p, bool write) {
  const std::vector<Control> want = Controls(write);
  RECT client = {};
  GetClientRect(p.mainWindow, &client);
  HFONT shared = nullptr, font = nullptr;  // shared: the one font the program sets
  ASSERT_TRUE(ControlFont(p, GetDlgItem(p.mainWindow, kDumpBox), shared) && shared);
  size_t i = 0;
  for (HWND w = GetWindow(p.mainWindow, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT), ++i) {
    ASSERT_LT(i, want.size());
    const Control& c = want[i];
    SCOPED_TRACE("control " + std::to_string(c.id));
    EXPECT_EQ(GetWindowLongA(w, GWL_ID), c.id);
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE), LONG(c.style));
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE), LONG(c.exStyle));
    EXPECT_TRUE(IsWindowEnabled(w));
    EXPECT_TRUE(Same(ClassName(w), c.className)) << ClassName(w);
    RECT r = {};
    ASSERT_TRUE(ControlFont(p, w, font) && GetWindowRect(w, &r));
    MapWindowPoints(HWND_DESKTOP, p.mainWindow, (POINT*)&r, 2);
    if (c.id == kStatusBar) {  // at the bottom, all across, with a default font of its own
      EXPECT_EQ(StatusText(p), "ドライブ指定してください");
      EXPECT_NE(font, shared);
      EXPECT_EQ(Text({r.left, 0, r.right, r.bottom}), Text({0, 0, client.right, client.bottom}));
      EXPECT_TRUE(r.top < r.bottom && r.bottom - r.top < client.bottom / 4);
      continue;
    }
    EXPECT_EQ(WindowText(w), c.text);
    EXPECT_EQ(font, c.font ? shared : nullptr);
    if (c.id == kDriveList) {  // closed; its dropped rect is as tall as the list (Wine) or both
      RECT dropped = {};
      ASSERT_NE(Send(w, CB_GETDROPPEDCONTROLRECT, 0, LPARAM(&dropped)), CB_ERR);
      MapWindowPoints(HWND_DESKTOP, p.mainWindow, (POINT*)&dropped, 2);
      const LONG full = c.rect.bottom - c.rect.top, list = dropped.bottom - dropped.top;
      EXPECT_TRUE(list == full || r.bottom - r.top + list == full) << list << " " << Text(r);
      EXPECT_EQ(dropped.top, c.rect.top);
      r.bottom = c.rect.bottom;
    }
    EXPECT_EQ(Text(r), Text(c.rect));
  }
  EXPECT_EQ(i, want.size());
}
// The drive list holds every drive but CD-ROMs (D: is one), A: selected; its list is a top-level
// window of the thread.
void CheckDriveList(const RunningProgram& p) {
  int lists = 0;
  for (HWND w : ThreadWindows(p.threadId)) {
    if (!Same(ClassName(w), "ComboLBox")) continue;
    ++lists;
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & (WS_BORDER | WS_VSCROLL), WS_BORDER | WS_VSCROLL);
  }
  EXPECT_EQ(lists, 1);
  char roots[512] = {};
  std::vector<std::string> drives;
  GetLogicalDriveStringsA(sizeof roots - 1, roots);
  for (const char* root = roots; *root; root += lstrlenA(root) + 1)
    if (GetDriveTypeA(root) != DRIVE_CDROM) drives.push_back(root);
  LRESULT selected = -2;
  EXPECT_EQ(ComboItems(GetDlgItem(p.mainWindow, kDriveList), selected), drives);
  EXPECT_EQ(selected, 0);
  EXPECT_EQ(drives.at(0), "A:\\");
  EXPECT_EQ(WindowText(GetDlgItem(p.mainWindow, kDriveList)), "A:\\");
  EXPECT_EQ(GetDriveTypeA("D:\\"), UINT(DRIVE_CDROM));
}
// The focus: the window itself at start, Execute after a Tab; a Tab in the offset box stays there,
// as keys (the message loop translates them into WM_CHAR) or as WM_CHAR to the main window.
void CheckFocus(const RunningProgram& p) {
  HWND main = p.mainWindow, offset = GetDlgItem(main, kOffsetBox);
  auto focus = [&] {
    GUITHREADINFO g = {};
    g.cbSize = sizeof g;
    return GetGUIThreadInfo(p.threadId, &g) ? g.hwndFocus : nullptr;
  };
  EXPECT_TRUE(WaitUntil([&] { return focus() == main; }));
  ASSERT_TRUE(PostMessageA(main, WM_CHAR, '\t', 0));
  EXPECT_TRUE(WaitUntil([&] { return focus() == GetDlgItem(main, kExecuteButton); }));
  ASSERT_TRUE(PostMessageA(offset, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1)));
  ASSERT_TRUE(PostMessageA(offset, WM_LBUTTONUP, 0, MAKELPARAM(1, 1)));
  EXPECT_TRUE(WaitUntil([&] { return focus() == offset; }));
  const LPARAM tab = 1 | MapVirtualKeyA(VK_TAB, MAPVK_VK_TO_VSC) << 16;  // one key, its scan code
  ASSERT_TRUE(PostMessageA(offset, WM_KEYDOWN, VK_TAB, tab));
  ASSERT_TRUE(PostMessageA(offset, WM_KEYUP, VK_TAB, tab | 0xC0000000));  // was down, goes up
  ASSERT_TRUE(WaitForPostedMessages(p));
  ASSERT_TRUE(PostMessageA(main, WM_CHAR, '\t', 0));
  ASSERT_TRUE(WaitForPostedMessages(p));
  EXPECT_EQ(focus(), offset);
}
class Window : public testing::TestWithParam<Line> {};
TEST_P(Window, ShowsTheModesWindowAndEndsWhenClosed) {
  const Line& run = GetParam();
  LaunchOptions options;
  options.program = WindowsPathFromUnix(EnvironmentValue("TORVEX_EXE"));
  options.arguments = run.arguments;
  options.programToken = run.token ? run.token : "";
  if (run.inToolW) {  // the program's own path counts as an argument, the first token does not
    const char copy[] = "C:\\torvex-e2e\\tool-W\\torvex.exe";
    ASSERT_TRUE(MakeFolders("C:\\torvex-e2e\\tool-W"));
    ASSERT_TRUE(CopyFileA(options.program.c_str(), copy, FALSE));
    options.program = copy;
  }
  RunningProgram p;
  std::string error;
  ASSERT_TRUE(StartProgram(options, p, error)) << error;
  EXPECT_EQ(WindowText(p.mainWindow), "TORVEX Ver1.0");  // fixed size, top-level, with a caption
  const LONG frame = WS_SYSMENU | WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
  EXPECT_EQ(GetWindowLongA(p.mainWindow, GWL_STYLE) & (frame | WS_CHILD | WS_POPUP),
            WS_SYSMENU | WS_CAPTION);
  EXPECT_EQ(GetWindowLongA(p.mainWindow, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);  // the system's
  EXPECT_TRUE(!GetParent(p.mainWindow) && !GetMenu(p.mainWindow));
  RECT outer = {};
  GetWindowRect(p.mainWindow, &outer);
  EXPECT_EQ(Text(outer), "64,33-472,543");
  ASSERT_NO_FATAL_FAILURE(CheckControls(p, run.write));
  CheckDriveList(p);
  if (!run.write) {
    EXPECT_EQ(Send(GetDlgItem(p.mainWindow, kDumpToFileBox), BM_GETCHECK), BST_CHECKED);
  }
  if (run.screenshot) {
    EXPECT_TRUE(SaveScreenshot(p, run.screenshot));
  }
  ASSERT_NO_FATAL_FAILURE(CheckFocus(p));
  DWORD exitCode = 1234;
  EXPECT_TRUE(CloseProgram(p, exitCode) && exitCode == 0) << exitCode;
}
std::string LineName(const testing::TestParamInfo<Line>& line) { return line.param.name; }
INSTANTIATE_TEST_SUITE_P(Modes, Window, testing::ValuesIn(kModes), LineName);
INSTANTIATE_TEST_SUITE_P(CommandLines, Window, testing::ValuesIn(kCommandLines), LineName);
}  // namespace
