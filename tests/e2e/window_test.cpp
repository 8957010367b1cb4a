// The main window from outside, for each command line: the mode it chooses, the window, every
// control with its font, the drive list, the initial state and focus, the Tab key and closing.
#include <gtest/gtest.h>
#include <tuple>
#include "tests/e2e/driver.h"
namespace {
struct Control { int id; const char* className; std::string text; DWORD style, exStyle; RECT rect; bool font; };
// A mode's controls in creation order, placed in units of the screen font. A combo box gives
// WS_BORDER and WS_VSCROLL to its list; the status bar, last, is placed by the system.
std::vector<Control> Controls(bool write) {
  TEXTMETRICA m = {};
  HDC screen = GetDC(nullptr);
  GetTextMetricsA(screen, &m), ReleaseDC(nullptr, screen);
  const int A = m.tmAscent / 2, W = m.tmAveCharWidth, edge = WS_EX_CLIENTEDGE;
  auto at = [](int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; };
  std::vector<Control> c = {
      {kExecuteButton, "Button", "実行", 0x50012300, 0, at(300, 15, 82, 36), false},
      {kNoControlId, "Static", "ドライブ", 0x50000000, 0, at(20, 17, 8 * W, 2 * A), false},
      {kDriveList, "ComboBox", "A:\\", 0x50A10003 & ~(WS_BORDER | WS_VSCROLL), 0, at(8 * W + 25, 15, 7 * W, 12 * A), false},
      {kOffsetLabel, "Static", "オフセット               (セクター単位)", 0x50000000, 0, at(35, 2 * A + 35, 32 * W, 2 * A), true},
      {kOffsetBox, "Edit", "0", 0x50010002, edge, at(10 * W + 23, 2 * A + 32, 9 * W, 2 * A + 5), false},
      {kCountLabel, "Static", write ? "書出し数                 (セクター単位)" : "読出し数                 (セクター単位)", 0x50000000, 0,
       at(35, 4 * A + 38, 32 * W, 2 * A), true},
      {kCountBox, "Edit", "1", 0x50010002, edge, at(10 * W + 23, 4 * A + 35, 9 * W, 2 * A + 5), false}};
  if (write) c.push_back({kFileLabel, "Static", "ファイル選択", 0x50000000, 0, at(40, 6 * A + 55, 10 * W, 2 * A), true});
  if (write) c.push_back({kPathBox, "Edit", "", 0x50010080, edge, at(10 * W + 42, 6 * A + 51, 20 * W, 3 * A), true});
  if (write) c.push_back({kBrowseButton, "Button", "..", 0x50010300, 0, at(30 * W + 42, 6 * A + 51, 3 * W, 3 * A), false});
  if (!write) c.push_back({kDumpToFileBox, "Button", "FILE(ﾊﾞｲﾅﾘ形式)に出力(dump.img)", 0x50010003, 0, at(40, 6 * A + 51, 30 * W, 2 * A), true});
  c.push_back({kGeometryLabel, "Static", "ジオメトリ情報:", 0x50000000, 0, at(20, 130, 20 * W, 2 * A), true});
  c.push_back({kGeometryBox, "Edit", "", 0x50000804, edge, at(20, 145, 360, 10 * A), true});
  c.push_back({kDumpLabel, "Static", write ? "ダンプ結果(書込み後):(4ｾｸﾀ以内)" : "ダンプ結果:(4ｾｸﾀ以内)", 0x50000000, 0, at(20, 235, 25 * W, 2 * A), true});
  c.push_back({kDumpBox, "Edit", "", 0x503018C4, edge, at(20, 250, 360, 196), true});
  return c.push_back({kStatusBar, STATUSCLASSNAMEA, "", 0x50000103, 0, {}, false}), c;
}
bool Same(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }
std::string Text(RECT r) { return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," + std::to_string(r.bottom); }
struct Line { const char* name; const char* arguments; bool write; const char* token = nullptr; bool inToolW = false; const char* screenshot = nullptr; };
class Window : public testing::TestWithParam<Line> {};

TEST_P(Window, ShowsTheModesWindowAndEndsWhenClosed) {
  const Line& run = GetParam();
  LaunchOptions options;
  options.program = WindowsPathFromUnix(EnvironmentValue("TORVEX_EXE")), options.arguments = run.arguments;
  options.programToken = run.token ? run.token : "";
  if (run.inToolW) {  // the program's own path counts as an argument, the first token does not
    ASSERT_TRUE(MakeFolders("C:\\torvex-e2e\\tool-W") && CopyFileA(options.program.c_str(), "C:\\torvex-e2e\\tool-W\\torvex.exe", FALSE));
    options.program = "C:\\torvex-e2e\\tool-W\\torvex.exe";
  }
  RunningProgram p;
  std::string error;
  ASSERT_TRUE(StartProgram(options, p, error)) << error;
  HWND main = p.mainWindow, execute = GetDlgItem(main, kExecuteButton), offset = GetDlgItem(main, kOffsetBox);
  EXPECT_EQ(WindowText(main), "TORVEX Ver1.0");  // a fixed-size top-level window with a caption
  EXPECT_EQ(GetWindowLongA(main, GWL_STYLE) & (WS_SYSMENU | WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD | WS_POPUP), WS_SYSMENU | WS_CAPTION);
  EXPECT_EQ(GetWindowLongA(main, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);  // the system adds the edge
  EXPECT_TRUE(!GetParent(main) && !GetMenu(main));
  RECT outer = {}, client = {}, dropped = {};
  GetWindowRect(main, &outer), GetClientRect(main, &client);
  EXPECT_EQ(Text(outer), "64,33-472,543");
  const std::vector<Control> want = Controls(run.write);
  HFONT shared = nullptr, font = nullptr;
  ASSERT_TRUE(ControlFont(p, GetDlgItem(main, kDumpBox), shared) && shared);
  size_t i = 0;
  for (HWND w = GetWindow(main, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT), ++i) {
    ASSERT_LT(i, want.size());
    const Control& c = want[i];
    SCOPED_TRACE("control " + std::to_string(c.id));
    EXPECT_EQ(std::make_tuple(GetWindowLongA(w, GWL_ID), GetWindowLongA(w, GWL_STYLE), GetWindowLongA(w, GWL_EXSTYLE), IsWindowEnabled(w)),
              std::make_tuple(LONG(c.id), LONG(c.style), LONG(c.exStyle), TRUE));
    EXPECT_TRUE(Same(ClassName(w), c.className)) << ClassName(w);
    RECT r = {};
    ASSERT_TRUE(ControlFont(p, w, font) && GetWindowRect(w, &r) && (MapWindowPoints(HWND_DESKTOP, main, (POINT*)&r, 2), true));
    if (c.id == kStatusBar) {  // at the bottom, all across, with a default font of its own
      EXPECT_TRUE(StatusText(p) == "ドライブ指定してください" && font != shared);
      EXPECT_EQ(Text({r.left, 0, r.right, r.bottom}), Text({0, 0, client.right, client.bottom}));
      EXPECT_TRUE(r.top < r.bottom && r.bottom - r.top < client.bottom / 4);
      continue;
    }
    EXPECT_TRUE(WindowText(w) == c.text && font == (c.font ? shared : nullptr)) << WindowText(w);
    if (c.id == kDriveList) {  // closed; its dropped rect is as tall as the list (Wine) or both
      ASSERT_NE(Send(w, CB_GETDROPPEDCONTROLRECT, 0, LPARAM(&dropped)), CB_ERR);
      MapWindowPoints(HWND_DESKTOP, main, (POINT*)&dropped, 2);
      const LONG full = c.rect.bottom - c.rect.top, list = dropped.bottom - dropped.top;
      EXPECT_TRUE(list == full || r.bottom - r.top + list == full) << list << " " << Text(r);
      EXPECT_EQ(dropped.top, c.rect.top);
      r.bottom = c.rect.bottom;
    }
    EXPECT_EQ(Text(r), Text(c.rect));
  }
  EXPECT_EQ(i, want.size());
  int lists = 0;  // the drive list's list, a top-level window of the thread
  for (HWND w : ThreadWindows(p.threadId)) {
    if (Same(ClassName(w), "ComboLBox") && ++lists) { EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & (WS_BORDER | WS_VSCROLL), WS_BORDER | WS_VSCROLL); }
  }
  EXPECT_EQ(lists, 1);
  char roots[512] = {};  // the drive list: every drive but CD-ROMs (D: is one), A: selected
  std::vector<std::string> drives;
  GetLogicalDriveStringsA(sizeof roots - 1, roots);
  for (const char* root = roots; *root; root += lstrlenA(root) + 1) if (GetDriveTypeA(root) != DRIVE_CDROM) drives.push_back(root);
  LRESULT selected = -2;
  EXPECT_EQ(ComboItems(GetDlgItem(main, kDriveList), selected), drives);
  EXPECT_TRUE(selected == 0 && drives.at(0) == "A:\\" && WindowText(GetDlgItem(main, kDriveList)) == "A:\\");
  EXPECT_EQ(GetDriveTypeA("D:\\"), UINT(DRIVE_CDROM));
  if (!run.write) { EXPECT_EQ(Send(GetDlgItem(main, kDumpToFileBox), BM_GETCHECK), BST_CHECKED); }
  if (run.screenshot) { EXPECT_TRUE(SaveScreenshot(p, run.screenshot)); }
  // The focus: the window itself at start, Execute after a Tab; a Tab in the offset box stays.
  auto focus = [&] { GUITHREADINFO g = {}; return g.cbSize = sizeof g, GetGUIThreadInfo(p.threadId, &g) ? g.hwndFocus : nullptr; };
  EXPECT_TRUE(WaitUntil([&] { return focus() == main; }));
  ASSERT_TRUE(PostMessageA(main, WM_CHAR, '\t', 0));
  EXPECT_TRUE(WaitUntil([&] { return focus() == execute; }));
  ASSERT_TRUE(PostMessageA(offset, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1)) && PostMessageA(offset, WM_LBUTTONUP, 0, MAKELPARAM(1, 1)));
  EXPECT_TRUE(WaitUntil([&] { return focus() == offset; }));
  const LPARAM tab = 1 | MapVirtualKeyA(VK_TAB, MAPVK_VK_TO_VSC) << 16;  // the loop translates it into WM_CHAR
  ASSERT_TRUE(PostMessageA(offset, WM_KEYDOWN, VK_TAB, tab) && PostMessageA(offset, WM_KEYUP, VK_TAB, tab | 0xC0000000) && WaitForPostedMessages(p));
  ASSERT_TRUE(PostMessageA(main, WM_CHAR, '\t', 0) && WaitForPostedMessages(p));
  EXPECT_EQ(focus(), offset);
  DWORD exitCode = 1234;
  EXPECT_TRUE(CloseProgram(p, exitCode) && exitCode == 0) << exitCode;
}
const Line kModes[] = {{"Read", "", false, nullptr, false, "main-window-read.bmp"}, {"Write", "-W", true, nullptr, false, "main-window-write.bmp"}};
INSTANTIATE_TEST_SUITE_P(Modes, Window, testing::ValuesIn(kModes), [](auto& i) { return i.param.name; });
const Line kCommandLines[] = {
    {"SwitchInsideAnArgument", "x-Wy", true}, {"LowerCaseSwitch", "-w", false}, {"SwitchTwice", "-W -W", true},
    {"SwitchAmongOtherArguments", "abc -W def", true}, {"QuotesRemovedAroundTheLetter", "-\"W\"", true}, {"SwitchSplitBySpace", "- W", false},
    {"FirstTokenWithSwitch", "", false, "x-W"}, {"ProgramInToolWFolder", "", true, nullptr, true}, {"ProgramInToolWFolderCalledWithoutPath", "", true, "torvex", true}};
INSTANTIATE_TEST_SUITE_P(CommandLines, Window, testing::ValuesIn(kCommandLines), [](auto& i) { return i.param.name; });
}  // namespace
