// The real program through its window, a row per path a user sees and no fake shows. A: is
// TORVEX_DRIVES/a.img; F: the FUSE medium with the row's faults; L: /dev/zero; Z: cannot be opened.
// Each row runs a copy of its program under 表ソ能, whose characters end in a backslash's byte.
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include "tests/e2e/driver.h"
namespace {
constexpr int kSector = 512;
const char kE2e[] = "TORVEX_E2E_EXE", kRelease[] = "TORVEX_EXE";
const std::string kTopFolder = "C:\\torvex-e2e", kRowsFolder = kTopFolder + "\\表ソ能";
const std::string kSystem = "C:\\windows\\system32";  // the system folder, in either build
const char kPrompt[] = "ドライブ指定してください", kWritten[] = "Write DATA ..100%";
const char kRead[] = "Reading DATA..100%";
// What the user does besides the drive, start, count, image and Execute. PostClicks: under the
// first box, post BM_CLICK to Execute and Execute's and browse's commands. ChooseBackup: choose
// dump_bak.img. WriteBack: then write a copy of it back. Close: at the first progress, send (read)
// or post (write) a WM_CLOSE, which waits for the end. PlantDlls: Wine's system DLLs beside the
// program, which may take from there only what a baseline program with its imports takes.
enum Step : unsigned { kPostClicks = 1, kChooseBackup = 2, kWriteBack = 4, kClose = 8, kPlantDlls = 16 };
const char* const kPlantedDlls[] = {"comctl32.dll", "comdlg32.dll", "shell32.dll", "shlwapi.dll",
    "uxtheme.dll", "ole32.dll", "imm32.dll", "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"};
// The current folder: the image's, the tmpfs, or links\<row>, with a link to links\<row>.target.
enum Folder { kImage, kFullDisk, kLinks };
// text empty: the confirmation, answered Yes; owned: by the main window
struct Box { const char* caption; std::string text; bool owned = true; };
const Box kYes{"確認", "", false};
Box Error(const std::string& text, bool owned = true) { return {"エラー", text, owned}; }
// An error box's text followed by the reason the system gives for `code`, as TORVEX words it.
Box ErrorWithReason(const std::string& text, DWORD code, const std::string& after = "") {
  char message[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                 message, sizeof message, nullptr);
  const std::string reason = "コード " + std::to_string(code) + ": " + message;
  return Error(text + "\r\n理由: " + reason.substr(0, reason.find_last_not_of("\r\n ") + 1) + after);
}
const char kNotSaved[] = "dump.img を保存できませんでした。前からある dump.img は変わっていません。";
const char kNoBackup[] = "元のデータを dump_bak.img に保存できなかったので、何も書き込んでいません";
// A save that finds its partial file's name taken, as TORVEX tells it.
const std::string kTaken = ".tmp がすでにあります。それを消すか、TORVEX を別のフォルダーから起動してください";
const Box kReadTaken = Error(kNotSaved + ("\r\n理由: dump.img" + kTaken));
const Box kBackupTaken = Error(kNoBackup + ("\r\n理由: dump_bak.img" + kTaken));
struct Row {
  const char* name;
  bool write = true;  // the mode the window must show
  unsigned steps = 0;
  const char* command = nullptr;  // the line as typed; null: the program's path, "-W" in write mode
  const char *program = kE2e, *drive = "A:\\";  // program: the variable that names it
  int start = 0, count = 2;
  int previous = 0;  // bytes of an earlier dump file (dump_bak.img in write mode) in the folder
  Folder folder = kImage;
  std::string found = "";  // a name the current folder holds before the run; with "\\", a folder
  std::vector<Box> boxes = {};
  const char *status = "終了", *title = "TORVEX Ver1.0";
  bool backedUp = false;  // the range: whole in dump_bak.img
  int landed = 0;  // sectors of the image on the drive at the end, from the start
  int saved = 0;  // sectors in dump.img, from the start
  const char* faults = "-1 -1 -1";  // of F:, in sectors: unreadable, unwritable, drops writes from
  std::string trace = "";
  const char* disabled = nullptr;  // a DLL Wine will not load for the program; Browse, not Execute
};
// Each match's first group of `pattern` in what a thread wrote to Wine's trace, in order.
std::vector<std::string> Traced(DWORD thread, const char* pattern) {
  char line[16];
  std::snprintf(line, sizeof line, "(?:^|\n)%04lx:", thread);
  const std::regex traced(line + std::string(pattern), std::regex::icase);
  const std::string trace = ReadWholeFile(WindowsPathFromUnix(EnvironmentValue("TORVEX_WINE_ERRORS")));
  std::vector<std::string> found;
  for (std::sregex_iterator i(trace.begin(), trace.end(), traced), end; i != end; ++i)
    found.push_back((*i)[1]);
  return found;
}
// The DLLs a thread took from outside kSystem; the calls of kRelayed it made, as "Name(arguments)".
const char kLoadedElsewhere[] = "trace:loaddll:build_module Loaded L\"(?!C:\\\\\\\\windows\\\\\\\\system32)"
                                "[^\"]*\\\\([^\"\\\\]+\\.dll)\"";
const char kCalled[] = "Call \\w+\\.(\\w+\\(.*\\)) ret=";
const char kRelayed[] = "SetDefaultDllDirectories;SetDllDirectoryA;SetProcessMitigationPolicy;"
                        "LoadLibraryA;LoadLibraryExA;RegisterClassA;CreateWindowExA;MoveFileExA";
// Every byte tells its sector and place; sector 0 starts with the bytes text mode would change.
std::string Pattern(int from, int length) {
  std::string bytes;
  for (int at = from; at < from + length; ++at)
    bytes += at < 8 ? "\r\n\n\x1A\0\x7F\x80\xFF"[at] : char(at / kSector * 5 + at % 249);
  return bytes;
}
// Of reading from `start` of A: with `sectors` copied, in text mode.
std::string ReadTrace(int start, int sectors, int nRead = 512, int nSize = -512) {
  std::string text;
  for (char c : " ok handel\n lock ok \ncylind= 80\nmediatype=2\nTracksPerCylinder=2\n"
                "SectorsPerTrack=18\nBytesPerSector=512\nnRead=" + std::to_string(nRead) +
                    "\nnSize=" + std::to_string(nSize) + "\ndata=" +
                    Pattern(start * kSector, sectors * kSector) + "\n")
    text += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return text;
}
const Row kRows[] = {
    // Started as "x-W": a -W in the first token is no switch, and the controls are read mode's.
    {.name = "OneSectorAtStartShowsReportDumpFileAndTrace", .write = false, .steps = kPlantDlls,
     .command = "x-W", .count = 1, .title = kRead, .saved = 1, .trace = ReadTrace(0, 1)},
    {.name = "ReadOnFullDisk", .write = false, .count = 40, .previous = 4096, .folder = kFullDisk,
     .boxes = {ErrorWithReason(kNotSaved, 112)}, .title = kRead, .trace = ReadTrace(0, 40)},
    {.name = "ReleaseGeometryFailure", .write = false, .steps = kPostClicks, .program = kRelease,
     .boxes = {{"ステータス", "ジオメトリリードエラー"}}, .trace = " ok handel\r\n lock ok \r\nioctl fail\r\n"},
    {.name = "DriveThatCannotBeOpened", .write = false, .program = kRelease, .drive = "Z:\\",
     .boxes = {Error("無効なドライブです")}, .status = kPrompt,
     .trace = "invalid handelinvalid handel\r\ninvalid handel\r\n"},
    {.name = "CountTwo", .steps = kPostClicks | kPlantDlls, .boxes = {kYes}, .title = kWritten,
     .backedUp = true, .landed = 2},
    {.name = "ReadOverAnUnreadableSectorOnFaultyMedium", .write = false, .drive = "F:\\", .start = 1,
     .count = 4, .boxes = {ErrorWithReason("読出しが途中で止まりました。読み出せたのは 4 セクター中 2 "
     "セクターです。\r\n止まったのはセクター 3 です。", 21, "\r\ndump.img には読み出せたセクターだけが入っています。")},
     .title = "Reading DATA.. 50%", .saved = 2, .faults = "3 -1 -1", .trace = ReadTrace(1, 2, 0, 1024)},
    {.name = "WriteOverAnUnreadableSectorOnFaultyMedium", .drive = "F:\\", .count = 4, .previous = 1024,
     .boxes = {kYes, Error(std::string(kNoBackup) + "\r\n理由: セクター 2 を読み出せませんでした")},
     .faults = "2 -1 -1"},
    // dump_bak.img holds the old sectors: written back, it stops where the write stopped, and
    // leaves the medium as it was.
    {.name = "WriteBackOverASectorThatRefusesWritesOnFaultyMedium", .steps = kWriteBack,
     .drive = "F:\\", .count = 4, .boxes = {kYes, Error(
     "書込みが途中で止まりました。書き込めたのは 4 セクター中 2 セクターです")},
     .title = "Write DATA .. 50%", .faults = "-1 2 -1"},
    {.name = "WriteOntoAMediumThatDropsWritesOnFaultyMedium", .drive = "F:\\", .count = 4,
     .boxes = {kYes, Error("読み戻した内容が書き込んだデータと違います。最初に違うのはセクター 2 です")},
     .title = kWritten, .backedUp = true, .landed = 2, .faults = "-1 -1 2"},
    // No save follows or replaces a name it finds in its partial file's place, or removes it.
    {.name = "SymlinkedPartialInARead", .write = false, .count = 1, .previous = 512, .folder = kLinks,
     .found = "dump.img.tmp", .boxes = {kReadTaken}, .title = kRead, .trace = ReadTrace(0, 1)},
    {.name = "HardLinkedPartialInARead", .write = false, .count = 1, .previous = 512, .folder = kLinks,
     .found = "dump.img.tmp", .boxes = {kReadTaken}, .title = kRead, .trace = ReadTrace(0, 1)},
    {.name = "FolderNamedLikeThePartial", .write = false, .count = 1, .previous = 512,
     .found = "dump.img.tmp\\", .boxes = {kReadTaken}, .title = kRead, .trace = ReadTrace(0, 1)},
    {.name = "SymlinkedBackupPartialInAWrite", .previous = 1024, .folder = kLinks,
     .found = "dump_bak.img.tmp", .boxes = {kYes, kBackupTaken}},
    {.name = "PartialLeftBehind", .previous = 1024, .found = "dump_bak.img.tmp", .boxes = {kYes, kBackupTaken}},
    // The dump file itself as a link: the save replaces the link, not the file it leads to.
    {.name = "DumpFileThatIsALink", .write = false, .count = 1, .folder = kLinks, .found = "dump.img",
     .title = kRead, .saved = 1, .trace = ReadTrace(0, 1)},
    {.name = "BackupOnFullDisk", .count = 64, .previous = 8192, .folder = kFullDisk,
     .boxes = {kYes, ErrorWithReason(kNoBackup, 112)}},
    {.name = "ChoosingTheBackupItself", .steps = kChooseBackup, .boxes = {kYes, Error(
     "選んだファイルはこれから上書きされる dump_bak.img です。別の名前でコピーして、そのコピーを選んでください")}},
    {.name = "FileDialogThatCannotBeHad", .boxes = {ErrorWithReason("GetOpenFileNameA を " + kSystem +
     "\\comdlg32.dll から読み込めませんでした", 126)}, .status = kPrompt, .disabled = "comdlg32"},
    {.name = "LongReadEndsBeforeASentClose", .write = false, .steps = kClose, .drive = "L:\\",
     .count = 100000},
    {.name = "LongWriteEndsBeforeAPostedClose", .steps = kClose, .drive = "L:\\", .count = 262144,
     .boxes = {kYes}}};
class Rows : public testing::TestWithParam<Row> {};
TEST_P(Rows, Run) {
  const Row& c = GetParam();
  RunningProgram program;
  const auto Control = [&](int id) { return GetDlgItem(program.mainWindow, id); };
  // The row's folder holds the program, the image, the trace, and the dump files where it runs.
  const std::string drives = EnvironmentValue("TORVEX_DRIVES");
  const std::string fullDisk = EnvironmentValue("TORVEX_FULL_DISK");
  const std::string faulty = EnvironmentValue("TORVEX_FAULTY_MEDIUM");
  const bool onF = c.drive[0] == 'F';
  const std::string needs = c.folder == kFullDisk ? fullDisk : onF ? faulty : "";
  const std::string unavailable = WindowsPathFromUnix(needs + ".unavailable");
  if (!needs.empty() && Exists(unavailable)) GTEST_SKIP() << ReadWholeFile(unavailable);
  const std::string folder = kRowsFolder + "\\" + c.name;
  const std::string driveImage =
      WindowsPathFromUnix(onF ? faulty + "/backing/medium.img" : drives + "/a.img");
  const std::string links = kTopFolder + "\\links\\" + c.name;
  const std::string cwd =
      c.folder == kImage ? folder : c.folder == kLinks ? links : WindowsPathFromUnix(fullDisk);
  const std::string image = folder + (c.steps & kChooseBackup ? "\\dump_bak.img" : "\\image.img");
  const bool onL = c.drive[0] == 'L';
  const std::string imageBytes = onL ? std::string(c.count * kSector, '\0')
                                     : Pattern(64 * kSector, c.count * kSector);
  const std::string backup = cwd + "\\dump_bak.img", dump = cwd + "\\dump.img";
  const std::string previous(c.previous, 'P');
  // std::filesystem would take the names for UTF-8: they are code page 932.
  for (const std::string& made : {kTopFolder, kRowsFolder, folder})
    CreateDirectoryA(made.c_str(), nullptr);
  const std::string found = cwd + "\\" + c.found;
  if (c.folder != kLinks) {  // the links fixture makes the links' folders anew for each run
    DeleteFileA(backup.c_str());
    DeleteFileA(dump.c_str());
    if (!c.found.empty()) RemoveDirectoryA(found.c_str());
  }
  const bool madeHere = !c.found.empty() && c.folder != kLinks;  // the fixture made the links
  ASSERT_TRUE(!madeHere || (c.found.back() == '\\' ? CreateDirectoryA(found.c_str(), nullptr)
                                                   : WriteWholeFile(found, "left by a run that stopped")));
  const std::string foundBefore = ReadWholeFile(found);
  ASSERT_TRUE(!c.previous || WriteWholeFile(c.write ? backup : dump, previous));
  ASSERT_TRUE(WriteWholeFile(driveImage, Pattern(0, 64 * kSector)));
  ASSERT_TRUE(!onF || WriteWholeFile(WindowsPathFromUnix(faulty + "/backing/faults"), c.faults));
  ASSERT_TRUE(!c.write || WriteWholeFile(image, imageBytes));
  const std::string programFile = folder + (c.program == kE2e ? "\\torvex-e2e.exe" : "\\torvex.exe");
  const std::string built = WindowsPathFromUnix(EnvironmentValue(c.program));
  ASSERT_TRUE(CopyFileA(built.c_str(), programFile.c_str(), FALSE)) << programFile;
  const bool planted = c.steps & kPlantDlls;
  for (const std::string dll : kPlantedDlls)
    ASSERT_TRUE(!planted || CopyFileA((kSystem + "\\" + dll).c_str(), (folder + "\\" + dll).c_str(), 0));
  const std::string baselineFile = WindowsPathFromUnix(EnvironmentValue("TORVEX_BASELINE_EXE"));
  ASSERT_TRUE(!planted || CopyFileA(baselineFile.c_str(), (folder + "\\baseline.exe").c_str(), 0));
  if (planted) SetEnvironmentVariableA("WINEDEBUG", "-all,+loaddll,+relay");
  const char kDebug[] = "Software\\Wine\\Debug";
  ASSERT_FALSE(RegSetKeyValueA(HKEY_CURRENT_USER, kDebug, "RelayInclude", REG_SZ, kRelayed, sizeof kRelayed));
  RunningProgram baseline;  // no window: it ends at once
  EXPECT_FALSE(planted && StartProgram({folder + "\\baseline.exe", "", "", folder, ""}, baseline));
  // Wine's overrides for the program, which it reads from the registry when the program starts.
  const char kOverrides[] = "Software\\Wine\\AppDefaults\\torvex-e2e.exe\\DllOverrides";
  RegDeleteKeyA(HKEY_CURRENT_USER, kOverrides);
  ASSERT_TRUE(!c.disabled || !RegSetKeyValueA(HKEY_CURRENT_USER, kOverrides, c.disabled, REG_SZ, "", 1));

  // The program as the row starts it, its trace going to trace.txt: its mode's controls.
  const LaunchOptions options = {programFile,
                                 c.command ? "" : c.write ? "-W" : "", c.command ? c.command : "",
                                 cwd, folder + "\\trace.txt"};
  SetEnvironmentVariableA("TORVEX_GEOMETRY", "80,2,2,18,512");
  ASSERT_TRUE(StartProgram(options, program)) << "no main window of " << options.program;
  EXPECT_EQ(Control(kDumpToFileBox) != nullptr, !c.write);
  EXPECT_EQ(Control(kPathBox) && Control(kBrowseButton), c.write);

  // What the row's user does, each box answered, until the final status with Execute enabled again.
  EXPECT_FALSE(SelectDrive(program, "D:\\")) << "the CD-ROM drive is listed";
  ASSERT_TRUE(SelectDrive(program, c.drive)) << c.drive << " is not listed";
  ASSERT_TRUE(SetText(Control(kOffsetBox), std::to_string(c.start)));
  ASSERT_TRUE(SetText(Control(kCountBox), std::to_string(c.count)));
  bool hung = false, closing = false;
  for (int run = 0; run < (c.steps & kWriteBack ? 2 : 1); ++run) {
    const std::string chosen = run == 0 ? image : folder + "\\restore.img";
    ASSERT_TRUE(run == 0 || CopyFileA(backup.c_str(), chosen.c_str(), FALSE));
    if (c.write && !c.disabled) {
      ASSERT_TRUE(ChooseImage(program, chosen));
      EXPECT_EQ(WindowText(Control(kPathBox)), chosen);
    }
    ASSERT_TRUE(PressButton(Control(c.disabled ? kBrowseButton : kExecuteButton)));
    for (const Box& w : c.boxes) {  // the boxes wanted
      MessageBoxInfo box;
      ASSERT_TRUE(WaitForMessageBox(program, w.caption, box)) << w.caption;
      EXPECT_EQ(box.text, w.text.empty() ? c.drive + std::string(" に書込み開始しますよ") : w.text);
      EXPECT_EQ(box.owner, w.owned ? program.mainWindow : nullptr);
      EXPECT_EQ(IsWindowEnabled(Control(kExecuteButton)) != FALSE, c.disabled != nullptr);
      if (&w == &c.boxes[0] && (c.steps & kPostClicks)) {  // nothing starts inside its modal loop
        ASSERT_TRUE(PostMessageA(Control(kExecuteButton), BM_CLICK, 0, 0));
        ASSERT_TRUE(PostCommand(program, kExecuteButton) && PostCommand(program, kBrowseButton));
        ASSERT_TRUE(WaitForPostedMessages(program));
        EXPECT_EQ(OpenMessageBoxes(program).size(), 1u);
      }
      ASSERT_TRUE(AnswerMessageBox(box, w.text.empty() ? IDYES : IDOK));
    }
    std::string status;
    ASSERT_TRUE(WaitUntil([&] {
      hung |= IsHungAppWindow(program.mainWindow) != FALSE;
      status = StatusText(program);
      if ((c.steps & kClose) && !closing && !status.empty() && status.back() == '%')
        closing = c.write ? PostMessageA(program.mainWindow, WM_CLOSE, 0, 0)
                          : Send(program.mainWindow, WM_CLOSE) == 0;
      if (closing) return WaitForSingleObject(program.process, 0) == WAIT_OBJECT_0;
      return status == c.status && IsWindowEnabled(Control(kExecuteButton));
    }, 120000) && (closing || WaitForPostedMessages(program))) << "status: " << status;
  }
  EXPECT_FALSE(hung) << "the window counted as not responding";
  if (closing) {  // it ended whole, then closed
    DWORD exitCode = 1;
    EXPECT_TRUE(GetExitCodeProcess(program.process, &exitCode) && exitCode == 0) << exitCode;
    EXPECT_EQ(ReadWholeFile(c.write ? backup : dump).size(), c.count * kSector);
    return;
  }

  EXPECT_TRUE(OpenMessageBoxes(program).empty()) << "a box or dialog is still open";
  EXPECT_EQ(WindowText(program.mainWindow), c.title);
  EXPECT_EQ(ReadWholeFile(folder + "\\trace.txt"), c.trace);
  std::string drive = Pattern(0, 64 * kSector);
  drive.replace(0, c.landed * kSector, imageBytes.substr(0, c.landed * kSector));
  EXPECT_EQ(ReadWholeFile(driveImage), drive);
  const std::string range = Pattern(0, c.count * kSector);  // as it was
  // dump.img: the sectors read, or else the earlier file as it was
  const std::string read = Pattern(c.start * kSector, c.saved * kSector);
  const std::string wanted = c.saved ? read : c.previous && !c.write ? previous : "none";
  EXPECT_EQ(Exists(dump) ? ReadWholeFile(dump) : "none", wanted);
  // dump_bak.img: the range as it was, the earlier file or none (a write-back: the medium proves it)
  const std::string backedUp = c.backedUp ? range : c.previous ? previous : "none";
  EXPECT_TRUE(!c.write || backup == image || (c.steps & kWriteBack) ||
              (Exists(backup) ? ReadWholeFile(backup) : "none") == backedUp);
  EXPECT_EQ(ReadWholeFile(image), c.write ? imageBytes : "");  // the image is only read
  // A name found stays, a partial file's as it was; a link's file is as the fixture made it.
  EXPECT_TRUE(c.found.empty() ||
              (Exists(found) && (c.found == "dump.img" || ReadWholeFile(found) == foundBefore)));
  EXPECT_TRUE(c.folder != kLinks || ReadWholeFile(links + ".target") == c.name + std::string("\n"));
  if (planted) {  // traced for both; from the folder, nothing beyond what the baseline took
    const std::vector<std::string> loaded = Traced(program.threadId, kLoadedElsewhere);
    const std::vector<std::string> baseLoaded = Traced(baseline.threadId, kLoadedElsewhere);
    EXPECT_FALSE(loaded.empty() || baseLoaded.empty());
    std::set<std::string> more(loaded.begin(), loaded.end());
    for (const std::string& dll : baseLoaded) more.erase(dll);
    EXPECT_EQ(more, std::set<std::string>{}) << "taken from the program's folder";
    // First thing, before any window or DLL is made or loaded: the DLL search narrowed to the
    // system folder alone, and junctions followed only where an administrator made them. Later,
    // a saved file takes its name in a step that is on the disk when it returns (write-through).
    std::string calls;
    for (const std::string& call : Traced(program.threadId, kCalled)) calls += call + "\n";
    const std::regex wanted("SetDefaultDllDirectories\\(00000800\\)\nSetDllDirectoryA\\(\\w+ \"\"\\)\n"
                            "SetProcessMitigationPolicy\\(00000010,\\w+,00000004\\)\n[\\s\\S]*"
                            "MoveFileExA\\(\\w+ \"(dump(_bak)?\\.img)\\.tmp\",\\w+ \"\\1\",00000009\\)[\\s\\S]*");
    EXPECT_TRUE(std::regex_match(calls, wanted)) << calls;
  }
}
INSTANTIATE_TEST_SUITE_P(All, Rows, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& row) { return row.param.name; });
}  // namespace
