// Reading sectors through the real window: the end-to-end variant of the
// program, with the geometry of a 1.44 MB floppy given in TORVEX_GEOMETRY,
// reads drive A:, whose raw volume is the image TORVEX_DRIVES/a.img.
// The release program is run for the paths that need no geometry.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/expected.h"
#include "tests/unit/stdout_capture.h"

namespace {

constexpr uint32_t kImageSectors = 64;
const char kFloppyGeometry[] = "80,2,2,18,512";

std::string TraceFor(const std::string& dataEcho, uint32_t nRead, int nSize) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "nRead=%u\r\nnSize=%d\r\n", nRead, nSize);
  return std::string(" ok handel\r\n lock ok \r\ncylind= 80\r\nmediatype=2\r\n") +
         "TracksPerCylinder=2\r\nSectorsPerTrack=18\r\nBytesPerSector=512\r\n" + numbers +
         "data=" + AsStandardOutput(dataEcho) + "\r\n";
}

// A real mouse click at the centre of a control, through the system's input
// queue: it reaches whatever window is under the pointer, as a user's would.
bool ClickWithMouse(HWND control) {
  RECT rect;
  if (!GetWindowRect(control, &rect)) return false;
  const int x = (rect.left + rect.right) / 2;
  const int y = (rect.top + rect.bottom) / 2;
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) input.type = INPUT_MOUSE;
  inputs[0].mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  inputs[0].mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return SendInput(3, inputs, sizeof(INPUT)) == 3;
}

class ReadThroughWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string drives = EnvironmentValue("TORVEX_DRIVES");
    ASSERT_FALSE(drives.empty()) << "TORVEX_DRIVES is not set";
    imagePath_ = WindowsPathFromUnix(drives + "/a.img");
    ASSERT_TRUE(WriteWholeFile(imagePath_, ImageBytes(0, kImageSectors * kSector)));
    work_ = MakeTestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(work_.empty()) << "no test folder";
    SetFileAttributesA(DumpPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(DumpPath().c_str());
  }

  void Start(const std::string& programVariable = "TORVEX_E2E_EXE",
             const std::string& arguments = "") {
    LaunchOptions options;
    options.program = WindowsPathFromUnix(EnvironmentValue(programVariable.c_str()));
    options.arguments = arguments;
    options.workingDirectory = work_;
    options.environment = {{"TORVEX_GEOMETRY", kFloppyGeometry}};
    options.stdoutFile = TracePath();
    std::string error;
    ASSERT_TRUE(StartProgram(options, program_, error)) << error;
  }

  HWND Control(int id) { return FindControl(program_.mainWindow, id); }

  void Type(int id, const std::string& text) { ASSERT_TRUE(SetText(Control(id), text)); }

  // Presses Execute and waits for the operation to end.
  void Execute(const std::string& finalStatus = "終了") {
    ASSERT_TRUE(PressButton(Control(kExecuteButton)));
    AwaitOperationEnd(finalStatus);
  }

  // The operation shows its final status a moment before the command enables
  // Execute again; it has ended only when both are seen.
  void AwaitOperationEnd(const std::string& finalStatus = "終了", DWORD limitMs = kWaitLimitMs) {
    std::string seen;
    ASSERT_TRUE(WaitForOperationEnd(program_, finalStatus, seen, limitMs)) << "status: " << seen;
  }

  // Presses Execute and expects one message box from the operation. While it
  // is open the Execute button stays disabled and `whileOpen` may look at the
  // window; then the box is answered and the button must come back.
  void ExecuteExpectingBox(const char* caption, const char* text, HWND owner,
                           const std::function<void()>& whileOpen = [] {}) {
    ASSERT_TRUE(PressButton(Control(kExecuteButton)));
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBox(program_, caption, box));
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.owner, owner);
    EXPECT_FALSE(IsWindowEnabled(Control(kExecuteButton)));
    whileOpen();
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Control(kExecuteButton)) != FALSE; }));
  }

  std::string Status() {
    std::string status;
    EXPECT_TRUE(StatusText(program_, status));
    return status;
  }

  void Read(int start, int count) {
    Type(kOffsetBox, std::to_string(start));
    Type(kCountBox, std::to_string(count));
    Execute();
  }

  std::string DumpPath() const { return work_ + "\\dump.img"; }
  std::string TracePath() const { return work_ + "\\trace.txt"; }
  std::string Trace() const { return ReadWholeFile(TracePath()); }
  std::string DumpBox() { return WindowText(Control(kDumpBox)); }
  bool DumpFileExists() const {
    return GetFileAttributesA(DumpPath().c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string imagePath_;
  std::string work_;
  RunningProgram program_;
};

TEST_F(ReadThroughWindow, OneSectorAtStartShowsReportDumpFileAndTrace) {
  Start();
  Read(0, 1);
  EXPECT_EQ(WindowText(program_.mainWindow), "Reading DATA..100%");
  EXPECT_EQ(DumpBox(), ExpectedDump(ImageBytes(0, kSector), 0));
  EXPECT_EQ(ReadWholeFile(DumpPath()), ImageBytes(0, kSector));
  EXPECT_EQ(Trace(), TraceFor(ImageBytes(0, kSector), kSector, -512));

  EXPECT_EQ(WindowText(Control(kGeometryBox)), ExpectedFloppyReport("Floppy", false));
  EXPECT_TRUE(SaveScreenshot(program_, "read-mode.bmp"));
}

struct RunCase {
  const char* name;
  int start;
  int count;
  uint32_t savedSectors;
  uint32_t dumpedSectors;
  uint32_t nRead;
  int nSize;
  const char* title;
};

class ReadRuns : public ReadThroughWindow, public ::testing::WithParamInterface<RunCase> {};

TEST_P(ReadRuns, DumpSaveAndTraceMatchTheSectorsRead) {
  const RunCase& c = GetParam();
  Start();
  Read(c.start, c.count);
  const uint32_t first = c.start * kSector;
  EXPECT_EQ(DumpBox(), ExpectedDump(ImageBytes(first, c.dumpedSectors * kSector), first));
  EXPECT_EQ(ReadWholeFile(DumpPath()), ImageBytes(first, c.savedSectors * kSector));
  EXPECT_TRUE(DumpFileExists());
  EXPECT_EQ(Trace(), TraceFor(ImageBytes(first, c.savedSectors * kSector), c.nRead, c.nSize));
  EXPECT_EQ(WindowText(program_.mainWindow), c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ReadRuns,
    ::testing::Values(
        RunCase{"FourSectors", 0, 4, 4, 4, 512, -512, "Reading DATA..100%"},
        RunCase{"FiveSectorsDumpFour", 0, 5, 5, 4, 512, -512, "Reading DATA..100%"},
        RunCase{"StartTen", 10, 2, 2, 2, 512, -512, "Reading DATA..100%"},
        // Past the end of the 64-sector image: the read at its end stops the run.
        RunCase{"PastTheEnd", 62, 5, 2, 2, 0, 1536, "Reading DATA.. 40%"},
        // Count 0: one read, discarded; an empty dump.img; the title stays.
        RunCase{"CountZero", 0, 0, 0, 0, 512, -512, "TORVEX Ver1.0"}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

TEST_F(ReadThroughWindow, StartTenDumpBeginsAtAddress1400) {
  Start();
  Read(10, 1);
  EXPECT_EQ(DumpBox().substr(69, 10), "00001400| ");
}

TEST_F(ReadThroughWindow, UntickedBoxTouchesNoFile) {
  ASSERT_TRUE(WriteWholeFile(DumpPath(), "earlier"));
  Start();
  ASSERT_TRUE(SetCheck(Control(kDumpToFileBox), false));
  Read(0, 2);
  EXPECT_EQ(ReadWholeFile(DumpPath()), "earlier");
  EXPECT_EQ(Trace(), TraceFor("", kSector, -512));
  EXPECT_EQ(DumpBox(), ExpectedDump(ImageBytes(0, 2 * kSector), 0));
}

// A dump.img that cannot be opened for writing keeps its contents; the read
// goes on as if it had been saved, and nothing is reported.
bool IsWritable(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// Wine starts Unix programs too; their end cannot be waited for, so the
// caller waits for the effect.
void RunUnixProgram(std::string commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

// Makes a file read-only for everybody. Wine keeps the read-only attribute
// as the Unix permission bits, which do not bind root, so when the tests run
// as root the file is also made immutable.
bool MakeReadOnly(const std::string& windowsPath, const std::string& unixPath) {
  if (!SetFileAttributesA(windowsPath.c_str(), FILE_ATTRIBUTE_READONLY)) return false;
  if (!IsWritable(windowsPath)) return true;
  RunUnixProgram("Z:\\usr\\bin\\chattr +i " + unixPath);
  return WaitUntil([&] { return !IsWritable(windowsPath); }, 5000);
}

// Makes the file writable again when the test ends, however it ends: an
// immutable file would outlive the build folder's removal.
struct WritableAgainAtEnd {
  std::string windowsPath;
  std::string unixPath;
  ~WritableAgainAtEnd() {
    RunUnixProgram("Z:\\usr\\bin\\chattr -i " + unixPath);
    WaitUntil([&] {
      SetFileAttributesA(windowsPath.c_str(), FILE_ATTRIBUTE_NORMAL);
      return IsWritable(windowsPath);
    }, 5000);
  }
};

TEST_F(ReadThroughWindow, ReadOnlyDumpFileStaysUnchanged) {
  ASSERT_TRUE(WriteWholeFile(DumpPath(), "keep me"));
  const std::string unixPath = UnixPathFromWindows(DumpPath());
  const WritableAgainAtEnd restore{DumpPath(), unixPath};
  ASSERT_TRUE(MakeReadOnly(DumpPath(), unixPath));
  Start();
  Read(0, 1);
  EXPECT_EQ(ReadWholeFile(DumpPath()), "keep me");
  EXPECT_TRUE(OpenMessageBoxes(program_).empty());
  // The bytes are still echoed to the trace.
  EXPECT_EQ(Trace(), TraceFor(ImageBytes(0, kSector), kSector, -512));
}

TEST_F(ReadThroughWindow, DumpFileHeldByAnotherProgramStaysUnchanged) {
  ASSERT_TRUE(WriteWholeFile(DumpPath(), "held"));
  HANDLE holder = CreateFileA(DumpPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  Start();
  Read(0, 1);
  CloseHandle(holder);
  EXPECT_EQ(ReadWholeFile(DumpPath()), "held");
  EXPECT_TRUE(OpenMessageBoxes(program_).empty());
  EXPECT_EQ(Trace(), TraceFor(ImageBytes(0, kSector), kSector, -512));
}

struct TextCase {
  const char* name;
  const char* offsetText;
  const char* countText;
  int start;             // the start the operation must have received
  uint32_t savedSectors;
};

class ControlTexts : public ReadThroughWindow, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ControlTexts, ConvertByTheDecimalRule) {
  const TextCase& c = GetParam();
  Start();
  Type(kOffsetBox, c.offsetText);
  Type(kCountBox, c.countText);
  Execute();
  EXPECT_EQ(ReadWholeFile(DumpPath()), ImageBytes(c.start * kSector, c.savedSectors * kSector));
  char address[16];
  std::snprintf(address, sizeof address, "%08x| ", c.start * kSector);
  EXPECT_EQ(DumpBox().substr(69, 10), address);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ControlTexts,
    ::testing::Values(TextCase{"DigitsThenLetters", "12ab", "1", 12, 1},
                      TextCase{"PlusSign", "3", "+7", 3, 7},
                      TextCase{"LettersOnly", "ab", "2", 0, 2},
                      // Only the first nine characters are read: 000000001.
                      TextCase{"TenDigits", "0000000012", "1", 1, 1}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return info.param.name; });

struct RefusedCase {
  const char* name;
  const char* offsetText;
  const char* countText;
  const char* message;
};

class RefusedTexts : public ReadThroughWindow,
                     public ::testing::WithParamInterface<RefusedCase> {};

// Starts and counts the volume cannot serve are refused before any read,
// with a message, and the operation still ends with "終了".
TEST_P(RefusedTexts, AreRefusedBeforeReading) {
  const RefusedCase& c = GetParam();
  Start();
  Type(kOffsetBox, c.offsetText);
  Type(kCountBox, c.countText);
  ExecuteExpectingBox("エラー", c.message, program_.mainWindow);
  EXPECT_EQ(Status(), "終了");
  EXPECT_FALSE(DumpFileExists());
  EXPECT_EQ(DumpBox(), "");
  EXPECT_EQ(Occurrences(Trace(), "nRead="), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RefusedTexts,
    ::testing::Values(RefusedCase{"NegativeStart", " -3", "1", "開始セクターが範囲外です"},
                      RefusedCase{"CountOfNineDigits", "0", "1234567890",
                                  "読出し用のメモリを確保できません"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

// The release program asks the drive itself, and Wine has no geometry for
// an image-backed drive.
TEST_F(ReadThroughWindow, ReleaseProgramReportsTheGeometryFailure) {
  Start("TORVEX_EXE");
  ASSERT_TRUE(SetText(Control(kGeometryBox), "stale"));
  ExecuteExpectingBox("ステータス", "ジオメトリリードエラー", program_.mainWindow,
                      [&] { EXPECT_EQ(WindowText(Control(kGeometryBox)), ""); });
  EXPECT_EQ(Status(), "終了");
  EXPECT_EQ(Trace(), " ok handel\r\n lock ok \r\nioctl fail\r\n");
  EXPECT_FALSE(DumpFileExists());
  EXPECT_EQ(WindowText(program_.mainWindow), "TORVEX Ver1.0");
}

TEST_F(ReadThroughWindow, DriveThatCannotBeOpenedIsInvalid) {
  Start("TORVEX_EXE");
  // Wine's Z: is the Unix root, which cannot be opened as a raw volume.
  ASSERT_TRUE(SelectDrive(program_, "Z:\\")) << "Z:\\ is not listed";
  ExecuteExpectingBox("エラー", "無効なドライブです", program_.mainWindow);
  EXPECT_EQ(Status(), "ドライブ指定してください");
  EXPECT_EQ(Trace(), "invalid handelinvalid handel\r\ninvalid handel\r\n");
}

TEST_F(ReadThroughWindow, EmptyDriveListIsReported) {
  Start();
  ASSERT_TRUE(PostMessageA(Control(kDriveList), CB_RESETCONTENT, 0, 0));
  ASSERT_TRUE(WaitForPostedMessages(program_));
  ASSERT_TRUE(SetText(Control(kDumpBox), "kept"));
  ExecuteExpectingBox("エラー", "ドライブ名が読めんかった", program_.mainWindow);
  EXPECT_EQ(DumpBox(), "kept");
  EXPECT_EQ(Trace(), "");
}

TEST_F(ReadThroughWindow, WriteModeWithoutAFileReadsNothing) {
  Start("TORVEX_E2E_EXE", "-W");
  ASSERT_TRUE(SetText(Control(kGeometryBox), "old report"));
  ASSERT_TRUE(SetText(Control(kDumpBox), "old dump"));
  ExecuteExpectingBox("エラー", "ファイルが選択されていません", nullptr, [&] {
    EXPECT_EQ(WindowText(Control(kGeometryBox)), "");
    EXPECT_EQ(DumpBox(), "");
  });
  EXPECT_EQ(Status(), "ドライブ指定してください");
  EXPECT_EQ(Trace(), "");
}

// Only a click notification of the Execute button runs an operation; other
// notifications of the same control, and the boxes' own notifications while
// the user types, do nothing.
TEST_F(ReadThroughWindow, OnlyClickNotificationsRunAnOperation) {
  Start();
  HWND execute = Control(kExecuteButton);
  const LPARAM from = reinterpret_cast<LPARAM>(execute);
  ASSERT_TRUE(PostMessageA(program_.mainWindow, WM_COMMAND,
                           MAKEWPARAM(kExecuteButton, BN_DOUBLECLICKED), from));
  ASSERT_TRUE(PostMessageA(program_.mainWindow, WM_COMMAND, MAKEWPARAM(kExecuteButton, BN_SETFOCUS),
                           from));
  Type(kOffsetBox, "5");
  ASSERT_TRUE(WaitForPostedMessages(program_));
  EXPECT_EQ(Status(), "ドライブ指定してください");
  EXPECT_EQ(Trace(), "");

  ASSERT_TRUE(
      PostMessageA(program_.mainWindow, WM_COMMAND, MAKEWPARAM(kExecuteButton, BN_CLICKED), from));
  AwaitOperationEnd();
  EXPECT_EQ(ReadWholeFile(DumpPath()), ImageBytes(5 * kSector, kSector));
}

// While an operation runs the Execute button is disabled, so a user's click
// on it starts nothing, neither then nor once the operation has ended.
TEST_F(ReadThroughWindow, SecondClickWhileReadingHasNoEffect) {
  const uint32_t sectors = 40000;  // long enough to click while it runs
  ASSERT_TRUE(WriteWholeFile(imagePath_, ImageBytes(0, sectors * kSector)));
  Start();
  Type(kCountBox, "1");
  // The mouse click itself works: with the button enabled it runs a read.
  ASSERT_TRUE(ClickWithMouse(Control(kExecuteButton)));
  AwaitOperationEnd();
  ASSERT_EQ(Occurrences(Trace(), " ok handel"), 1);

  Type(kCountBox, std::to_string(sectors));
  ASSERT_TRUE(PressButton(Control(kExecuteButton)));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(Control(kExecuteButton)); }));
  ASSERT_TRUE(ClickWithMouse(Control(kExecuteButton)));
  AwaitOperationEnd("終了", 60000);
  ASSERT_TRUE(WaitForPostedMessages(program_));
  EXPECT_EQ(Occurrences(Trace(), " ok handel"), 2);
  EXPECT_EQ(ReadWholeFile(DumpPath()).size(), size_t{sectors} * kSector);
}

}  // namespace
