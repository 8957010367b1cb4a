// The main window of the running program, checked from outside in both run
// modes: the window itself, every child control, the font, the drive list,
// the initial state, the Tab key, closing, and the run mode chosen by real
// command lines.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/e2e/driver.h"

namespace {

enum class Mode { Read, Write };

const char* ModeName(Mode mode) { return mode == Mode::Read ? "ReadMode" : "WriteMode"; }

// Texts the window shows.
const char kTitle[] = "TORVEX Ver1.0";
const char kPrompt[] = "ドライブ指定してください";
const char kOffsetLabelText[] = "オフセット               (セクター単位)";
const char kReadCountLabel[] = "読出し数                 (セクター単位)";
const char kWriteCountLabel[] = "書出し数                 (セクター単位)";
const char kReadDumpLabel[] = "ダンプ結果:(4ｾｸﾀ以内)";
const char kWriteDumpLabel[] = "ダンプ結果(書込み後):(4ｾｸﾀ以内)";
const char kDumpToFileText[] = "FILE(ﾊﾞｲﾅﾘ形式)に出力(dump.img)";

// The styles a combo box keeps for itself; WS_BORDER and WS_VSCROLL (and the
// extended WS_EX_CLIENTEDGE) go to its list.
constexpr DWORD kComboMovedStyles = WS_BORDER | WS_VSCROLL;

std::string ProgramPath() { return WindowsPathFromUnix(EnvironmentValue("TORVEX_EXE")); }

// ---------------------------------------------------------------------------
// The expected controls, in creation order.

struct ExpectedControl {
  int id;
  const char* className;  // compared without case: the system spells its classes its own way
  std::string text;
  DWORD style;            // as the control reports it
  DWORD exStyle;
  RECT rect;              // client coordinates of the main window
};

RECT Place(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

std::vector<ExpectedControl> ExpectedControls(Mode mode, ScreenUnits units) {
  const int A = units.halfAscent;
  const int W = units.aveCharWidth;
  const bool read = mode == Mode::Read;
  std::vector<ExpectedControl> controls = {
      {kExecuteButton, "Button", "実行", 0x50012300, 0, Place(300, 15, 82, 36)},
      {kNoControlId, "Static", "ドライブ", 0x50000000, 0, Place(20, 17, 8 * W, 2 * A)},
      // The combo box's text is its selected item: the first drive.
      {kDriveList, "ComboBox", "A:\\", 0x50A10003 & ~kComboMovedStyles, 0,
       Place(8 * W + 25, 15, 7 * W, 12 * A)},
      {kOffsetLabel, "Static", kOffsetLabelText, 0x50000000, 0,
       Place(35, 2 * A + 35, 32 * W, 2 * A)},
      {kOffsetBox, "Edit", "0", 0x50010002, WS_EX_CLIENTEDGE,
       Place(10 * W + 23, 2 * A + 32, 9 * W, 2 * A + 5)},
      {kCountLabel, "Static", read ? kReadCountLabel : kWriteCountLabel, 0x50000000, 0,
       Place(35, 4 * A + 38, 32 * W, 2 * A)},
      {kCountBox, "Edit", "1", 0x50010002, WS_EX_CLIENTEDGE,
       Place(10 * W + 23, 4 * A + 35, 9 * W, 2 * A + 5)},
  };
  if (read) {
    controls.push_back({kDumpToFileBox, "Button", kDumpToFileText, 0x50010003, 0,
                        Place(40, 6 * A + 51, 30 * W, 2 * A)});
  } else {
    controls.push_back({kFileLabel, "Static", "ファイル選択", 0x50000000, 0,
                        Place(40, 6 * A + 55, 10 * W, 2 * A)});
    controls.push_back({kPathBox, "Edit", "", 0x50010080, WS_EX_CLIENTEDGE,
                        Place(10 * W + 42, 6 * A + 51, 20 * W, 3 * A)});
    controls.push_back({kBrowseButton, "Button", "..", 0x50010300, 0,
                        Place(30 * W + 42, 6 * A + 51, 3 * W, 3 * A)});
  }
  const std::vector<ExpectedControl> lower = {
      {kGeometryLabel, "Static", "ジオメトリ情報:", 0x50000000, 0, Place(20, 130, 20 * W, 2 * A)},
      {kGeometryBox, "Edit", "", 0x50000804, WS_EX_CLIENTEDGE, Place(20, 145, 360, 10 * A)},
      {kDumpLabel, "Static", read ? kReadDumpLabel : kWriteDumpLabel, 0x50000000, 0,
       Place(20, 235, 25 * W, 2 * A)},
      {kDumpBox, "Edit", "", 0x503018C4, WS_EX_CLIENTEDGE, Place(20, 250, 360, 196)},
  };
  controls.insert(controls.end(), lower.begin(), lower.end());
  return controls;
}

bool SameClass(const std::string& seen, const char* expected) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, seen.c_str(), -1, expected, -1) ==
         CSTR_EQUAL;
}

std::string Describe(const RECT& rect) {
  return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ") - (" +
         std::to_string(rect.right) + ", " + std::to_string(rect.bottom) + ")";
}

std::string Hex(DWORD value) {
  char text[16];
  wsprintfA(text, "0x%08lX", value);
  return text;
}

bool Exists(HWND mainWindow, int controlId) {
  return FindControl(mainWindow, controlId) != nullptr;
}

// The mode the window shows, judged from its controls alone: read mode has the
// dump-to-file box and none of the file controls, write mode the reverse, and
// the count label names the direction. Anything else is "mixed".
std::string ModeShown(HWND mainWindow) {
  const bool dumpToFile = Exists(mainWindow, kDumpToFileBox);
  const int fileControls = Exists(mainWindow, kPathBox) + Exists(mainWindow, kFileLabel) +
                           Exists(mainWindow, kBrowseButton);
  HWND countLabel = FindControl(mainWindow, kCountLabel);
  const std::string label = countLabel ? WindowText(countLabel) : std::string();
  if (dumpToFile && fileControls == 0 && label == kReadCountLabel) return ModeName(Mode::Read);
  if (!dumpToFile && fileControls == 3 && label == kWriteCountLabel) return ModeName(Mode::Write);
  return "mixed (dump-to-file box " + std::string(dumpToFile ? "present" : "absent") + ", " +
         std::to_string(fileControls) + " file controls, count label \"" + label + "\")";
}

// The drive roots the system reports, without CD-ROM drives, in its order.
std::vector<std::string> ListableDriveRoots() {
  char roots[512] = {};
  std::vector<std::string> listable;
  GetLogicalDriveStringsA(sizeof roots - 1, roots);
  for (const char* root = roots; *root; root += lstrlenA(root) + 1) {
    if (GetDriveTypeA(root) != DRIVE_CDROM) listable.push_back(root);
  }
  return listable;
}

BOOL CALLBACK CollectComboList(HWND window, LPARAM lists) {
  if (SameClass(ClassName(window), "ComboLBox"))
    reinterpret_cast<std::vector<HWND>*>(lists)->push_back(window);
  return TRUE;
}

// ---------------------------------------------------------------------------

class MainWindowTest : public ::testing::TestWithParam<Mode> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(EnvironmentValue("TORVEX_EXE").empty()) << "TORVEX_EXE is not set";
    LaunchOptions options;
    options.program = ProgramPath();
    options.arguments = GetParam() == Mode::Write ? "-W" : "";
    std::string error;
    ASSERT_TRUE(StartProgram(options, program_, error)) << error;
  }

  HWND Control(int id) { return FindControl(program_.mainWindow, id); }

  RunningProgram program_;
};

TEST_P(MainWindowTest, IsTheTitledFixedSizeWindowOfItsClass) {
  HWND window = program_.mainWindow;
  EXPECT_EQ(ClassName(window), kMainWindowClass);
  EXPECT_EQ(WindowText(window), kTitle);

  const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  EXPECT_EQ(style & WS_SYSMENU, static_cast<DWORD>(WS_SYSMENU)) << Hex(style);
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION)) << Hex(style);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u) << Hex(style);
  EXPECT_EQ(style & (WS_CHILD | WS_POPUP), 0u) << Hex(style);
  // No extended style of its own; the system adds the window edge of a captioned window.
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  EXPECT_EQ(exStyle & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), 0u) << Hex(exStyle);
  EXPECT_EQ(GetParent(window), nullptr);
  EXPECT_EQ(GetMenu(window), nullptr);

  RECT outer = {};
  ASSERT_TRUE(GetWindowRect(window, &outer));
  EXPECT_EQ(Describe(outer), Describe(Place(64, 33, 408, 510)));
}

TEST_P(MainWindowTest, HasExactlyTheControlsOfItsMode) {
  const ScreenUnits units = MeasureScreenUnits();
  ASSERT_GT(units.halfAscent, 0);
  ASSERT_GT(units.aveCharWidth, 0);
  const std::vector<ExpectedControl> expected = ExpectedControls(GetParam(), units);
  const std::vector<ControlInfo> seen = ChildControls(program_);

  std::vector<int> expectedIds, seenIds;
  for (const ExpectedControl& control : expected) expectedIds.push_back(control.id);
  expectedIds.push_back(kStatusBar);
  for (const ControlInfo& control : seen) seenIds.push_back(control.id);
  // Children keep their creation order; the status bar comes last.
  ASSERT_EQ(seenIds, expectedIds);

  for (size_t i = 0; i < expected.size(); ++i) {
    const ExpectedControl& want = expected[i];
    const ControlInfo& got = seen[i];
    SCOPED_TRACE("control " + std::to_string(want.id));
    EXPECT_TRUE(SameClass(got.className, want.className)) << got.className;
    EXPECT_EQ(got.text, want.text);
    EXPECT_EQ(Hex(got.style), Hex(want.style));
    EXPECT_EQ(Hex(got.exStyle), Hex(want.exStyle));
    EXPECT_TRUE(got.enabled);
    if (want.id == kDriveList) {
      // A drop-down combo box takes its closed height; the height it was
      // created with is that of the box and its dropped list together.
      // Windows reports that whole height as the dropped control rectangle,
      // Wine reports the list's part of it alone.
      EXPECT_EQ(got.rect.left, want.rect.left);
      EXPECT_EQ(got.rect.top, want.rect.top);
      EXPECT_EQ(got.rect.right, want.rect.right);
      RECT dropped = {};
      ASSERT_TRUE(DroppedControlRect(program_, got.window, dropped));
      EXPECT_EQ(dropped.top, want.rect.top);
      const int droppedHeight = dropped.bottom - dropped.top;
      const int closedHeight = got.rect.bottom - got.rect.top;
      const int createdHeight = want.rect.bottom - want.rect.top;
      EXPECT_TRUE(droppedHeight == createdHeight || closedHeight + droppedHeight == createdHeight)
          << "closed " << closedHeight << ", dropped " << droppedHeight << ", expected "
          << createdHeight;
    } else {
      EXPECT_EQ(Describe(got.rect), Describe(want.rect));
    }
  }
  EXPECT_TRUE(SaveScreenshot(program_, std::string("main-window-") +
                                           (GetParam() == Mode::Read ? "read" : "write") + ".bmp"));
}

TEST_P(MainWindowTest, DriveListGivesItsListTheMovedStyles) {
  HWND driveList = Control(kDriveList);
  ASSERT_NE(driveList, nullptr);
  // The list of a drop-down combo box is a top-level window of the same thread.
  std::vector<HWND> lists;
  EnumThreadWindows(program_.threadId, CollectComboList, reinterpret_cast<LPARAM>(&lists));
  ASSERT_EQ(lists.size(), 1u);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(lists[0], GWL_STYLE));
  EXPECT_EQ(style & WS_VSCROLL, static_cast<DWORD>(WS_VSCROLL)) << Hex(style);
  EXPECT_EQ(style & WS_BORDER, static_cast<DWORD>(WS_BORDER)) << Hex(style);
}

TEST_P(MainWindowTest, StatusBarSitsAtTheBottomShowingThePrompt) {
  HWND statusBar = Control(kStatusBar);
  ASSERT_NE(statusBar, nullptr);
  const ControlInfo bar = ReadControl(program_, statusBar);
  EXPECT_TRUE(SameClass(bar.className, STATUSCLASSNAMEA)) << bar.className;
  EXPECT_EQ(Hex(bar.style), Hex(0x50000103));
  EXPECT_EQ(Hex(bar.exStyle), Hex(0));
  RECT client = {};
  ASSERT_TRUE(GetClientRect(program_.mainWindow, &client));
  EXPECT_EQ(bar.rect.left, 0);
  EXPECT_EQ(bar.rect.right, client.right);
  EXPECT_EQ(bar.rect.bottom, client.bottom);
  EXPECT_GT(bar.rect.bottom - bar.rect.top, 0);
  EXPECT_LT(bar.rect.bottom - bar.rect.top, client.bottom / 4);

  std::string status;
  ASSERT_TRUE(StatusText(program_, status));
  EXPECT_EQ(status, kPrompt);
}

TEST_P(MainWindowTest, ControlFontIsSharedByExactlyTheListedControls) {
  HWND dumpBox = Control(kDumpBox);
  ASSERT_NE(dumpBox, nullptr);
  HFONT controlFont = nullptr;
  ASSERT_TRUE(ControlFont(program_, dumpBox, controlFont));
  ASSERT_NE(controlFont, nullptr);

  const std::vector<int> withFont = {kDumpBox,      kDumpLabel,  kGeometryLabel,
                                     kGeometryBox,  kOffsetLabel, kCountLabel,
                                     kDumpToFileBox, kFileLabel,  kPathBox};
  int carriers = 0;
  for (const ControlInfo& control : ChildControls(program_)) {
    SCOPED_TRACE("control " + std::to_string(control.id));
    ASSERT_TRUE(control.fontKnown);
    const bool listed =
        std::find(withFont.begin(), withFont.end(), control.id) != withFont.end();
    if (listed) {
      EXPECT_EQ(control.font, controlFont);
      ++carriers;
    } else if (control.id == kStatusBar) {
      // The status bar answers a default font of its own when none was set.
      EXPECT_NE(control.font, controlFont);
    } else {
      EXPECT_EQ(control.font, nullptr) << "expected the system font";
    }
  }
  EXPECT_EQ(carriers, GetParam() == Mode::Read ? 7 : 8);
}

TEST_P(MainWindowTest, DriveListHoldsTheDrivesWithoutCdRomFirstSelected) {
  ASSERT_EQ(GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_CDROM))
      << "the test prefix should make D: a CD-ROM drive";
  HWND driveList = Control(kDriveList);
  ASSERT_NE(driveList, nullptr);
  std::vector<std::string> items;
  int selected = -2;
  ASSERT_TRUE(ComboItems(driveList, items, selected));
  EXPECT_EQ(selected, 0);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items.front(), "A:\\");
  EXPECT_EQ(std::count(items.begin(), items.end(), "D:\\"), 0);
  EXPECT_EQ(items, ListableDriveRoots());
  // Reading the items put the selection back.
  EXPECT_EQ(WindowText(driveList), "A:\\");
}

TEST_P(MainWindowTest, StartsInItsInitialState) {
  if (GetParam() == Mode::Read) {
    HWND dumpToFile = Control(kDumpToFileBox);
    ASSERT_NE(dumpToFile, nullptr);
    EXPECT_EQ(CheckState(dumpToFile), BST_CHECKED);
  }
  HWND execute = Control(kExecuteButton);
  ASSERT_NE(execute, nullptr);
  EXPECT_TRUE(IsWindowEnabled(execute));
  EXPECT_TRUE(IsWindowVisible(program_.mainWindow));
  // The window is activated as it is shown, and the focus goes to the window itself.
  EXPECT_TRUE(WaitUntil([&] { return FocusWindow(program_) == program_.mainWindow; }))
      << "focus on " << FocusWindow(program_);
}

TEST_P(MainWindowTest, ClosingEndsTheProgramWithExitCodeZero) {
  DWORD exitCode = 1234;
  ASSERT_TRUE(CloseProgram(program_, exitCode)) << "the program did not end after WM_CLOSE";
  EXPECT_EQ(exitCode, 0u);
}

INSTANTIATE_TEST_SUITE_P(BothModes, MainWindowTest, ::testing::Values(Mode::Read, Mode::Write),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                           return std::string(ModeName(info.param));
                         });

// ---------------------------------------------------------------------------
// The Tab key

class TabKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(EnvironmentValue("TORVEX_EXE").empty()) << "TORVEX_EXE is not set";
    LaunchOptions options;
    options.program = ProgramPath();
    std::string error;
    ASSERT_TRUE(StartProgram(options, program_, error)) << error;
  }

  // Posts what a typed Tab key gives the window holding the focus: the key
  // press and release, which the program's message loop translates into WM_CHAR.
  void TypeTabInto(HWND window) {
    const UINT scanCode = MapVirtualKeyA(VK_TAB, MAPVK_VK_TO_VSC);
    ASSERT_TRUE(PostMessageA(window, WM_KEYDOWN, VK_TAB, 1 | (scanCode << 16)));
    ASSERT_TRUE(PostMessageA(window, WM_KEYUP, VK_TAB, 1 | (scanCode << 16) | 0xC0000000));
  }

  RunningProgram program_;
};

TEST_F(TabKeyTest, TabFromTheMainWindowFocusesTheExecuteButton) {
  HWND execute = FindControl(program_.mainWindow, kExecuteButton);
  ASSERT_NE(execute, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return FocusWindow(program_) == program_.mainWindow; }))
      << "the main window should hold the focus right after start";
  ASSERT_TRUE(PostMessageA(program_.mainWindow, WM_CHAR, '\t', 0));
  EXPECT_TRUE(WaitUntil([&] { return FocusWindow(program_) == execute; }));
}

TEST_F(TabKeyTest, TabInTheOffsetBoxLeavesTheFocusThere) {
  HWND offsetBox = FindControl(program_.mainWindow, kOffsetBox);
  ASSERT_NE(offsetBox, nullptr);
  ASSERT_TRUE(ClickInto(offsetBox));
  ASSERT_TRUE(WaitUntil([&] { return FocusWindow(program_) == offsetBox; }))
      << "a click into the offset box should give it the focus";

  TypeTabInto(offsetBox);
  // The translated WM_CHAR is queued behind what was posted so far: wait for it too.
  ASSERT_TRUE(WaitForPostedMessages(program_));
  ASSERT_TRUE(PostMessageA(program_.mainWindow, WM_CHAR, '\t', 0));
  ASSERT_TRUE(WaitForPostedMessages(program_));
  EXPECT_EQ(FocusWindow(program_), offsetBox);
}

// ---------------------------------------------------------------------------
// The run mode chosen by real command lines

struct CommandLineCase {
  const char* name;
  const char* arguments;
  const char* programToken;  // first token of the command line; null: the quoted program path
  bool inToolWFolder;        // run a copy of the program from a folder named tool-W
  Mode expected;
};

class RunModeTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(RunModeTest, CommandLineSelectsTheMode) {
  const CommandLineCase& run = GetParam();
  ASSERT_FALSE(EnvironmentValue("TORVEX_EXE").empty()) << "TORVEX_EXE is not set";
  LaunchOptions options;
  options.program = ProgramPath();
  if (run.inToolWFolder) {
    const std::string folder = MakeTestFolder("tool-W");
    ASSERT_FALSE(folder.empty()) << "no test folder: is TORVEX_DRIVES set?";
    const std::string copy = folder + "\\torvex.exe";
    ASSERT_TRUE(CopyFileA(options.program.c_str(), copy.c_str(), FALSE))
        << copy << ": error " << GetLastError();
    options.program = copy;
  }
  options.arguments = run.arguments;
  if (run.programToken) options.programToken = run.programToken;

  RunningProgram program;
  std::string error;
  ASSERT_TRUE(StartProgram(options, program, error)) << error;
  EXPECT_EQ(ModeShown(program.mainWindow), ModeName(run.expected));
  DWORD exitCode = 1234;
  EXPECT_TRUE(CloseProgram(program, exitCode));
  EXPECT_EQ(exitCode, 0u);
}

const CommandLineCase kCommandLineCases[] = {
    {"NoArguments", "", nullptr, false, Mode::Read},
    {"SwitchW", "-W", nullptr, false, Mode::Write},
    {"SwitchInsideAnArgument", "x-Wy", nullptr, false, Mode::Write},
    {"LowerCaseSwitch", "-w", nullptr, false, Mode::Read},
    {"SwitchTwice", "-W -W", nullptr, false, Mode::Write},
    {"SwitchAmongOtherArguments", "abc -W def", nullptr, false, Mode::Write},
    {"QuotesRemovedAroundTheLetter", "-\"W\"", nullptr, false, Mode::Write},
    {"SwitchSplitBySpace", "- W", nullptr, false, Mode::Read},
    // The program's own path counts as the first argument ...
    {"ProgramInToolWFolder", "", nullptr, true, Mode::Write},
    {"ProgramInToolWFolderCalledWithoutPath", "", "torvex", true, Mode::Write},
    // ... and the command line's first token does not.
    {"FirstTokenWithSwitch", "", "x-W", false, Mode::Read},
};

INSTANTIATE_TEST_SUITE_P(CommandLines, RunModeTest, ::testing::ValuesIn(kCommandLineCases),
                         [](const ::testing::TestParamInfo<CommandLineCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
