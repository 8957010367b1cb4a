// Operations through the real window, one row per case: what the user does, and the boxes, status,
// title, texts, files, trace and drive sectors that must follow. The end-to-end program takes the
// geometry from TORVEX_GEOMETRY; A: is the image TORVEX_DRIVES/a.img, R: a medium that refuses
// writes, L: one that loses them, Z: cannot be opened; the release program gets no geometry.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <set>
#include "tests/e2e/driver.h"
#include "tests/expected.h"
#include "tests/unit/test_support.h"
namespace {
constexpr int kSector = 512;
constexpr int kNoBackup = -1, kUnsaved = -2;  // Row::backedUp: none; one without the range's bytes
constexpr int kNoDump = -1, kKept = -2;       // Row::dumped: an empty dump box; "stale" kept
const char kE2e[] = "TORVEX_E2E_EXE", kRelease[] = "TORVEX_EXE", kFloppy[] = "80,2,2,18,512";
const char kPrompt[] = "ドライブ指定してください", kUntitled[] = "TORVEX Ver1.0";
const char kWritten[] = "Write DATA ..100%";
// What the user does besides typing, choosing the image (write mode) and pressing Execute.
// dump.img: untick the box, an earlier one there, made read-only, held open. Stale: the geometry
// and dump boxes say "stale". Notifications: Execute's other notifications, then a posted
// BN_CLICKED as the click. PostClicks: while the first box is open, BM_CLICK to Execute and its
// and browse's commands. Dialog: no choice, a cancelled dialog, a path typed into the path box.
// Image: deleted after the choice, held open; a folder named dump_bak.img where the backup goes;
// choosing dump_bak.img.
enum Step : unsigned {
  kUntick = 1, kEarlierDump = 2, kReadOnlyDump = 4, kHoldDump = 8, kStale = 16, kEmptyList = 32,
  kNotifications = 64, kMouse = 128, kMouseWhileRunning = 256, kPostClicks = 512, kNoChoice = 1024,
  kCancel = 2048, kTypePath = 4096, kDeleteImage = 8192, kHoldImage = 16384,
  kBackupIsFolder = 32768, kChooseBackup = 65536};
// The program's current folder: the image's, another, a full disk.
enum Folder { kImage, kOther, kFullDisk };
struct Box {  // text null: the confirmation; owned: by the main window
  const char *caption, *text;
  bool owned = true;
  int answer = IDOK;
};
const Box kYes{"確認", nullptr, false, IDYES}, kNo{"確認", nullptr, false, IDNO};
const Box kGeometryError{"ステータス", "ジオメトリリードエラー"};
Box Error(const char* text, bool owned = true) { return {"エラー", text, owned}; }
struct Row {
  const char* name;
  unsigned steps = 0;
  const char *program = kE2e, *drive = "A:\\", *geometry = kFloppy;  // program: its variable
  int start = 0, count = 2;
  const char *offsetText = nullptr, *countText = nullptr;  // typed instead of the numbers
  int sectors = 64, imageSize = 0;  // of a.img; of the image (0: count sectors, at least two)
  Folder folder = kImage;
  std::vector<Box> boxes = {};
  const char* status = "終了";
  const char* title = nullptr;  // null: the read progress of the sectors copied, or untitled
  int backedUp = kNoBackup, written = 0, dumped = kNoDump;  // sectors (dump_bak.img, dump box)
  const char* trace = nullptr;   // null: the read operation's trace; none in write mode
  const char* report = nullptr;  // the report's media name, "": empty; null: reading A:, Floppy
  const char* screenshot = nullptr;
};
const char kGeometryFailed[] = " ok handel\r\n lock ok \r\nioctl fail\r\n";
const char kInvalidDrive[] = "無効なドライブです", kBadStart[] = "開始セクターが範囲外です";
const char kNotOpened[] = "invalid handelinvalid handel\r\ninvalid handel\r\n";
const Row kReadRows[] = {
    {.name = "OneSectorAtStartShowsReportDumpFileAndTrace", .count = 1, .screenshot = "read-mode.bmp"},
    {.name = "FourSectors", .count = 4},
    {.name = "FiveSectorsDumpFour", .count = 5},
    {.name = "StartTen", .start = 10},
    {.name = "PastTheEnd", .start = 62, .count = 5},
    {.name = "CountZero", .count = 0},
    {.name = "UntickedBoxTouchesNoFile", .steps = kUntick | kEarlierDump},
    {.name = "ReadOnlyDumpFileStaysUnchanged", .steps = kEarlierDump | kReadOnlyDump},
    {.name = "DumpFileHeldByAnotherProgramStaysUnchanged", .steps = kEarlierDump | kHoldDump},
    {.name = "DigitsThenLetters", .start = 12, .count = 1, .offsetText = "12ab"},
    {.name = "LettersOnly", .offsetText = "ab"},
    {.name = "PlusSign", .start = 3, .count = 7, .countText = "+7"},
    {.name = "TenDigits", .start = 1, .offsetText = "0000000012"},
    {.name = "NegativeStart", .offsetText = " -3", .boxes = {Error(kBadStart)}},
    {.name = "CountOfNineDigits", .countText = "1234567890", .boxes = {Error("読出し用のメモリを確保できません")}},
    {.name = "ReleaseGeometryFailure", .steps = kStale | kPostClicks, .program = kRelease, .boxes = {kGeometryError},
     .trace = kGeometryFailed, .report = ""},
    {.name = "DriveThatCannotBeOpened", .program = kRelease, .drive = "Z:\\", .boxes = {Error(kInvalidDrive)},
     .status = kPrompt, .trace = kNotOpened, .report = ""},
    {.name = "EmptyDriveList", .steps = kEmptyList | kStale, .boxes = {Error("ドライブ名が読めんかった")},
     .status = kPrompt, .dumped = kKept, .trace = ""},
    {.name = "OnlyClickNotificationsRunAnOperation", .steps = kNotifications, .start = 5},
    {.name = "MouseClickRunsARead", .steps = kMouse},
    {.name = "MouseClickWhileReadingHasNoEffect", .steps = kMouseWhileRunning, .count = 40000, .sectors = 40000}};
const char kTooLarge[] = "書込み指定サイズが大きすぎます";
const char kFixedDisk[] = "ハードディスクにはやめたほうが無難でしょう";
const char kNotSaved[] = "元のデータを dump_bak.img に保存できなかったので、何も書き込んでいません";
const char kImageInUse[] =
    "イメージファイルを読み込めません。ほかのプログラムが使っていないか確かめてください";
const char kStopped[] = "書込みが途中で止まりました。書き込めたのは 2 セクター中 0 セクターです";
const char kDiffers[] = "読み戻した内容が書き込んだデータと違います。最初に違うのはセクター 3 です";
const char kIsTheBackup[] = "選んだファイルはこれから上書きされる dump_bak.img です。"
                            "別の名前でコピーして、そのコピーを選んでください";
const Row kWriteRows[] = {
    {.name = "CountTwo", .boxes = {kYes}, .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2, .report = "Floppy",
     .screenshot = "write-mode.bmp"},
    {.name = "BackupInTheCurrentFolder", .folder = kOther, .boxes = {kYes}, .title = kWritten, .backedUp = 2,
     .written = 2, .dumped = 2},
    {.name = "CountThree", .count = 3, .boxes = {kYes}, .title = kWritten, .backedUp = 3, .written = 3, .dumped = 3},
    {.name = "ImageLargerThanRange", .imageSize = 5 * kSector + 100, .boxes = {kYes}, .title = kWritten,
     .backedUp = 2, .written = 2, .dumped = 2},
    {.name = "ImageOneByteShort", .imageSize = 2 * kSector - 1, .boxes = {kYes, Error(kTooLarge, false)}, .status = "Read DATA"},
    {.name = "ImageDeletedAfterChoice", .steps = kDeleteImage, .boxes = {kYes, Error(kTooLarge, false)}, .status = "Read DATA"},
    {.name = "CountZero", .count = 0, .boxes = {kYes}, .backedUp = 0, .dumped = 0},
    {.name = "CountFiveDumpsFour", .count = 5, .boxes = {kYes}, .title = kWritten, .backedUp = 5, .written = 5, .dumped = 4},
    {.name = "StartTen", .start = 10, .boxes = {kYes}, .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2},
    {.name = "FixedDisk", .geometry = "80,12,2,18,512", .boxes = {Error(kFixedDisk, false)}, .report = "FixedMedia"},
    {.name = "AnsweredNo", .boxes = {kNo}, .status = "書き込まず終了"},
    {.name = "CountMinusOne", .count = -1, .boxes = {kYes, Error(kTooLarge, false)}, .status = "Read DATA"},
    {.name = "NegativeStart", .start = -1, .boxes = {kYes, Error(kBadStart)}},
    {.name = "StartAt2GiB", .start = 4194304, .boxes = {kYes, Error(kBadStart)}},
    // 8,388,609 × 512 wraps to 512 bytes in 32 bits, which the image covers.
    {.name = "CountWrapsToImageSize", .count = 8388609, .imageSize = kSector, .boxes = {kYes, Error("書込みセクター数が範囲外です")}},
    {.name = "ImageHeldOpen", .steps = kHoldImage, .boxes = {kYes, Error(kImageInUse)}},
    {.name = "BackupBlockedByFolder", .steps = kBackupIsFolder, .boxes = {kYes, Error(kNotSaved)}, .backedUp = kUnsaved},
    {.name = "BackupOnFullDisk", .count = 64, .folder = kFullDisk, .boxes = {kYes, Error(kNotSaved)}, .backedUp = kUnsaved},
    {.name = "RangePastDriveEnd", .start = 62, .count = 4, .boxes = {kYes, Error(kNotSaved)}, .backedUp = 2},  // stops at 2
    {.name = "MediumRefusesWrites", .drive = "R:\\", .boxes = {kYes, Error(kStopped)}, .backedUp = 2, .dumped = 0},
    {.name = "MediumLosesWrites", .drive = "L:\\", .start = 3, .boxes = {kYes, Error(kDiffers)}, .title = kWritten,
     .backedUp = 2, .dumped = 2},
    {.name = "CommandsPostedWhileConfirming", .steps = kPostClicks, .boxes = {kYes}, .title = kWritten, .backedUp = 2,
     .written = 2, .dumped = 2},
    {.name = "ChoosingTheBackupItself", .steps = kChooseBackup, .boxes = {kYes, Error(kIsTheBackup)}, .backedUp = kUnsaved},
    {.name = "ReleaseGeometryFailure", .program = kRelease, .boxes = {kGeometryError}, .trace = "ioctl fail\r\n", .report = ""},
    {.name = "DriveThatCannotBeOpened", .program = kRelease, .drive = "Z:\\", .boxes = {Error(kInvalidDrive)}, .status = kPrompt}};
// The file dialog: Execute knows only its choice, which a cancel keeps, never the path box's text.
const Box kNoFile = Error("ファイルが選択されていません", false);
const Row kDialogRows[] = {
    {.name = "NothingChosen", .steps = kNoChoice | kStale, .boxes = {kNoFile}, .status = kPrompt, .report = ""},
    {.name = "CancelOnFirstUse", .steps = kNoChoice | kCancel, .program = kRelease, .boxes = {kNoFile}, .status = kPrompt},
    {.name = "CancelAfterChoice", .steps = kCancel, .program = kRelease, .boxes = {kGeometryError}, .trace = "ioctl fail\r\n"},
    {.name = "TypedPathIgnored", .steps = kNoChoice | kTypePath, .program = kRelease, .boxes = {kNoFile}, .status = kPrompt}};
// Every byte tells its sector and place; sector 0 starts with the bytes text mode would change.
std::string Pattern(int from, int length) {
  std::string bytes;
  for (int at = from; at < from + length; ++at)
    bytes += at < 8 ? "\r\n\n\x1A\0\x7F\x80\xFF"[at] : char(at / kSector * 5 + at % 249);
  return bytes;
}
std::string ImageBytes(const Row& c) {  // of the image chosen in write mode
  return Pattern(64 * kSector, c.imageSize ? c.imageSize : std::max(c.count, 2) * kSector);
}
std::string Sectors(const std::string& bytes, int start, int count) {
  return bytes.substr(start * kSector, count * kSector);
}
std::string Format(const char* format, int a, int b = 0, int c = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}
// The geometry report of A:; the byte range ends at the total size, less one when reading.
std::string Report(const char* media, bool write) {
  ULARGE_INTEGER total = {};
  GetDiskFreeSpaceExA("A:\\", nullptr, &total, nullptr);
  return "シリンダ数=80\r\n1シリンダ当りのトラック数=2\r\n1トラック当りのセクター数=18\r\n"
         "1セクター当りの容量=512(byte)\r\n総容量=" +
         Format("%u(Mbyte)(0-%#x)(%u)\r\n", total.QuadPart >> 20, total.QuadPart - !write,
                total.QuadPart / 512) + "メディアタイプ=" + media;
}
bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
std::string Contents(const std::string& path) {
  return Exists(path) ? ReadWholeFile(path) : "(none)";
}
bool ClickWithMouse(HWND control) {  // through the system's input queue, as a user's click
  RECT r = {};
  GetWindowRect(control, &r);
  INPUT in[3] = {{INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}};
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;  // to its middle, in 0..65535
  in[0].mi.dx = (r.left + r.right) / 2 * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  in[0].mi.dy = (r.top + r.bottom) / 2 * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  return SendInput(3, in, sizeof(INPUT)) == 3;
}
// As root, Wine's read-only attribute binds nobody: the file is made immutable too (chattr, a
// Unix program Wine starts, whose end cannot be waited for: its effect is) and writable again at
// the end.
struct ReadOnlyFile {
  std::string path, unixPath;  // unixPath "": nothing to undo
  bool Writable() const {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 3, nullptr, OPEN_EXISTING, 0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
  }
  bool Chattr(const char* flag, bool writable) const {
    if (!writable) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    std::string line = "Z:\\usr\\bin\\chattr " + std::string(flag) + " " + unixPath;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION chattr = {};
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &chattr)) {
      CloseHandle(chattr.hThread);
      CloseHandle(chattr.hProcess);
    }
    return WaitUntil([&] {
      const bool attribute = !writable || SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      return attribute && Writable() == writable;
    }, 5000);
  }
  ~ReadOnlyFile() {
    if (!unixPath.empty()) Chattr("-i", true);
  }
};
class Rows : public testing::TestWithParam<Row> {
 protected:
  void Check(bool write) {
    write_ = write;
    ASSERT_NO_FATAL_FAILURE(ArrangeFiles());
    ExpectOutcome();
    ASSERT_NO_FATAL_FAILURE(StartAndFillIn());
    ASSERT_NO_FATAL_FAILURE(AnswerBoxes());
    CheckOutcome();
  }
 private:
  // The row's folder holds the image and the trace, and dump.img and dump_bak.img where the
  // program runs there; a.img is written anew, and leftovers of earlier runs go.
  void ArrangeFiles() {
    const Row& c = GetParam();
    drives_ = EnvironmentValue("TORVEX_DRIVES");
    const std::string fullDisk = EnvironmentValue("TORVEX_FULL_DISK");
    ASSERT_FALSE(drives_.empty() || fullDisk.empty()) << "TORVEX_DRIVES or TORVEX_FULL_DISK unset";
    const std::string name = (write_ ? "write-" : "read-") + std::string(c.name);
    folder_ = "C:\\torvex-e2e\\" + name;
    cwd_ = c.folder == kImage   ? folder_
           : c.folder == kOther ? folder_ + "\\current"
                                : WindowsPathFromUnix(fullDisk);
    image_ = folder_ + (c.steps & kChooseBackup ? "\\dump_bak.img" : "\\image.img");
    dumpFile_ = cwd_ + "\\dump.img";
    backups_ = {cwd_ + "\\dump_bak.img", folder_ + "\\dump_bak.img"};  // or the chosen image's
    ASSERT_TRUE(MakeFolders(folder_ + "\\current"));
    for (const std::string& file : backups_) {
      DeleteFileA(file.c_str());
      RemoveDirectoryA(file.c_str());
      if (c.steps & kBackupIsFolder) {
        ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr));
      }
    }
    SetFileAttributesA(dumpFile_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(dumpFile_.c_str());
    // The dialog opens in the folder of the previous choice, which becomes the current folder.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                     "ComDlg32\\LastVisitedMRU");
    const std::string aImage = WindowsPathFromUnix(drives_ + "/a.img");
    ASSERT_TRUE(WriteWholeFile(aImage, Pattern(0, c.sectors * kSector)));
    if (write_) {
      ASSERT_TRUE(WriteWholeFile(image_, ImageBytes(c)));
    }
    if (c.steps & kEarlierDump) {
      ASSERT_TRUE(WriteWholeFile(dumpFile_, "earlier"));
    }
    if (!(c.steps & kReadOnlyDump)) return;
    readOnly_.path = dumpFile_;
    readOnly_.unixPath = drives_ + "/../drive_c/torvex-e2e/" + name + "/dump.img";
    ASSERT_TRUE(readOnly_.Chattr("+i", false));
  }
  // What must follow: the read operation's own figures where it reaches the drive, else the row's.
  void ExpectOutcome() {
    const Row& c = GetParam();
    const std::string before = Pattern(0, c.sectors * kSector);
    drive_ = c.drive[0] == 'A' ? before : std::string(64 * kSector, '\0');
    const bool reached = !write_ && c.boxes.empty(), ticked = !(c.steps & kUntick);
    const int copied = reached && c.count > 0 ? std::clamp(c.sectors - c.start, 0, c.count) : 0;
    const int last = c.start + copied < c.sectors;  // sectors in the last read: none past the end
    const int dumped = reached ? std::min(copied, 4) : c.dumped;
    std::string after = drive_;
    const int written = c.written * kSector;
    if (written) after.replace(c.start * kSector, written, ImageBytes(c), 0, written);
    aImage_ = c.drive[0] == 'A' ? after : before;
    const std::string saved = reached ? Sectors(drive_, c.start, copied) : "";
    savedDump_ = reached && ticked && !(c.steps & (kReadOnlyDump | kHoldDump)) ? saved
                 : c.steps & kEarlierDump ? "earlier" : "(none)";
    title_ = c.title  ? c.title
             : copied ? Format("Reading DATA..%3d%%", copied * 100 / c.count)
                      : kUntitled;
    dumpBox_ = dumped == kKept ? "stale" : "";
    if (dumped >= 0) dumpBox_ = ExpectedDump(Sectors(after, c.start, dumped), c.start * kSector);
    reportKnown_ = c.report || (!write_ && c.program == kE2e && !(c.steps & kEmptyList));
    report_ = !c.report ? Report("Floppy", false) : *c.report ? Report(c.report, write_) : "";
    std::string read = " ok handel\n lock ok \ncylind= 80\nmediatype=2\nTracksPerCylinder=2\n"
                       "SectorsPerTrack=18\nBytesPerSector=512\n";
    if (reached) {  // the last read's size, the budget left, the bytes echoed
      read += Format("nRead=%d\nnSize=%d\n", last * kSector, (c.count - copied - last) * kSector);
      read += "data=" + (ticked ? saved : "") + "\n";
    }
    trace_ = c.trace ? c.trace : write_ ? "" : AsStandardOutput(read);
  }
  // Starts the program in the row's current folder, its trace going to trace.txt, and does in the
  // window what the row's user does before pressing Execute.
  void StartAndFillIn() {
    const Row& c = GetParam();
    LaunchOptions options;
    options.program = WindowsPathFromUnix(EnvironmentValue(c.program));
    options.arguments = write_ ? "-W" : "";
    options.workingDirectory = cwd_;
    options.stdoutFile = folder_ + "\\trace.txt";
    options.environment = {{"TORVEX_GEOMETRY", c.geometry}};
    std::string error;
    ASSERT_TRUE(StartProgram(options, program_, error)) << error;
    ASSERT_TRUE(SelectDrive(program_, c.drive)) << c.drive << " is not listed";
    const std::string offset = c.offsetText ? c.offsetText : std::to_string(c.start);
    ASSERT_TRUE(SetText(Control(kOffsetBox), offset));
    ASSERT_TRUE(SetText(Control(kCountBox), c.countText ? c.countText : std::to_string(c.count)));
    if (c.steps & kUntick) {
      ASSERT_EQ(Send(Control(kDumpToFileBox), BM_SETCHECK, BST_UNCHECKED), 0);
      ASSERT_EQ(Send(Control(kDumpToFileBox), BM_GETCHECK), BST_UNCHECKED);
    }
    if (write_ && !(c.steps & kNoChoice)) {
      ASSERT_TRUE(ChooseImage(program_, image_));
    }
    MessageBoxInfo dialog;
    if (c.steps & kCancel) {  // the dialog has no owner
      ASSERT_TRUE(OpenImageDialog(program_, dialog) && !dialog.owner);
      ASSERT_TRUE(AnswerMessageBox(dialog, IDCANCEL) && WaitForPostedMessages(program_));
    }
    if (c.steps & kTypePath) {
      ASSERT_TRUE(SetText(Control(kPathBox), image_));
    }
    const bool chosen = (c.steps & (kNoChoice | kTypePath)) != kNoChoice;
    if (write_) {
      EXPECT_EQ(WindowText(Control(kPathBox)), chosen ? image_ : "");
    }
    if (c.steps & kDeleteImage) {
      ASSERT_TRUE(DeleteFileA(image_.c_str()));
    }
    if (c.steps & kEmptyList) {
      ASSERT_TRUE(PostMessageA(Control(kDriveList), CB_RESETCONTENT, 0, 0));
      ASSERT_TRUE(WaitForPostedMessages(program_));
    }
    if (c.steps & kStale) {
      ASSERT_TRUE(SetText(Control(kGeometryBox), "stale"));
      ASSERT_TRUE(SetText(Control(kDumpBox), "stale"));
    }
    if (!(c.steps & kNotifications)) return;
    // Only a click notification of Execute runs an operation.
    ASSERT_TRUE(Command(kExecuteButton, BN_DOUBLECLICKED) && Command(kExecuteButton, BN_SETFOCUS));
    ASSERT_TRUE(WaitForPostedMessages(program_));
    EXPECT_EQ(StatusText(program_), kPrompt);
    EXPECT_EQ(ReadWholeFile(folder_ + "\\trace.txt"), "");
  }
  // Presses Execute as the row's user does, answers the boxes the row expects in turn and waits
  // for the final status with Execute enabled again.
  void AnswerBoxes() {
    const Row& c = GetParam();
    HWND execute = Control(kExecuteButton);
    const std::string& heldFile = c.steps & kHoldDump ? dumpFile_ : image_;
    HANDLE held = nullptr;  // open as another program may hold it, sharing nothing
    if (c.steps & (kHoldDump | kHoldImage))
      held = CreateFileA(heldFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    if (c.steps & kNotifications) {
      ASSERT_TRUE(Command(kExecuteButton, BN_CLICKED));
    } else {
      ASSERT_TRUE(c.steps & kMouse ? ClickWithMouse(execute) : PressButton(execute));
    }
    if (c.steps & kMouseWhileRunning) {
      ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(execute); }));
      ASSERT_TRUE(ClickWithMouse(execute));
    }
    for (size_t i = 0; i < c.boxes.size(); ++i) {
      SCOPED_TRACE("box " + std::to_string(i));
      ASSERT_NO_FATAL_FAILURE(AnswerBox(c.boxes[i], i == 0));
    }
    std::string status;
    const bool ended = WaitUntil([&] {
      return (status = StatusText(program_)) == c.status && IsWindowEnabled(execute);
    }, 60000);
    if (held) CloseHandle(held);
    ASSERT_TRUE(ended && WaitForPostedMessages(program_)) << "status: " << status;
  }
  void AnswerBox(const Box& want, bool first) {
    const Row& c = GetParam();
    MessageBoxInfo box;
    ASSERT_TRUE(WaitForMessageBox(program_, want.caption, box));
    EXPECT_EQ(box.text, want.text ? want.text : c.drive + std::string(" に書込み開始しますよ"));
    EXPECT_EQ(box.owner, want.owned ? program_.mainWindow : nullptr);
    EXPECT_FALSE(IsWindowEnabled(Control(kExecuteButton)));  // Execute is off while it is open
    if (first && (c.steps & kStale)) {  // the boxes were emptied before the operation, if at all
      EXPECT_EQ(WindowText(Control(kDumpBox)), dumpBox_);
      if (reportKnown_) {
        EXPECT_EQ(WindowText(Control(kGeometryBox)), report_);
      }
    }
    if (first && (c.steps & kPostClicks)) {  // nothing starts inside the box's modal loop
      ASSERT_TRUE(PostMessageA(Control(kExecuteButton), BM_CLICK, 0, 0));
      ASSERT_TRUE(Command(kExecuteButton, BN_CLICKED) && Command(kBrowseButton, BN_CLICKED));
      ASSERT_TRUE(WaitForPostedMessages(program_));
      EXPECT_EQ(OpenMessageBoxes(program_).size(), 1u);
    }
    ASSERT_TRUE(AnswerMessageBox(box, want.answer));
  }
  void CheckOutcome() {
    const Row& c = GetParam();
    EXPECT_TRUE(OpenMessageBoxes(program_).empty()) << "a box or dialog is still open";
    EXPECT_EQ(WindowText(program_.mainWindow), title_);
    EXPECT_EQ(WindowText(Control(kDumpBox)), dumpBox_);
    if (reportKnown_) {
      EXPECT_EQ(WindowText(Control(kGeometryBox)), report_);
    }
    EXPECT_EQ(ReadWholeFile(folder_ + "\\trace.txt"), trace_);
    EXPECT_EQ(ReadWholeFile(WindowsPathFromUnix(drives_ + "/a.img")), aImage_);
    EXPECT_EQ(Contents(dumpFile_), savedDump_);
    if (write_) {  // the image is only read
      EXPECT_EQ(Contents(image_), c.steps & kDeleteImage ? "(none)" : ImageBytes(c));
    }
    std::vector<std::string> found;  // dump_bak.img lands in exactly one folder, or none
    for (const std::string& file : backups_) {
      if (Exists(file)) found.push_back(ReadWholeFile(file));
    }
    if (c.backedUp == kUnsaved) {  // any there does not hold the range's bytes
      for (const std::string& backup : found)
        EXPECT_NE(backup, Sectors(drive_, c.start, c.count));
    } else if (c.backedUp == kNoBackup) {
      EXPECT_EQ(found, std::vector<std::string>{});
    } else {
      EXPECT_EQ(found, std::vector<std::string>{Sectors(drive_, c.start, c.backedUp)});
    }
    if (c.screenshot) {
      EXPECT_TRUE(SaveScreenshot(program_, c.screenshot));
    }
  }
  HWND Control(int id) const { return GetDlgItem(program_.mainWindow, id); }
  bool Command(int id, int code) const {  // WM_COMMAND, from Execute's handle
    const LPARAM execute = LPARAM(Control(kExecuteButton));
    return PostMessageA(program_.mainWindow, WM_COMMAND, MAKEWPARAM(id, code), execute);
  }
  bool write_ = false;
  std::string drives_, folder_, cwd_, image_, dumpFile_;
  std::set<std::string> backups_;  // where dump_bak.img may land
  std::string drive_, aImage_, title_, dumpBox_, trace_, savedDump_, report_;  // drive_: before
  bool reportKnown_ = false;
  ReadOnlyFile readOnly_;
  RunningProgram program_;  // ends before readOnly_ makes dump.img writable again
};
class ReadRows : public Rows {};
class WriteRows : public Rows {};
TEST_P(ReadRows, Run) { Check(false); }
TEST_P(WriteRows, Run) { Check(true); }
std::string RowName(const testing::TestParamInfo<Row>& row) { return row.param.name; }
INSTANTIATE_TEST_SUITE_P(Read, ReadRows, testing::ValuesIn(kReadRows), RowName);
INSTANTIATE_TEST_SUITE_P(Write, WriteRows, testing::ValuesIn(kWriteRows), RowName);
INSTANTIATE_TEST_SUITE_P(Dialog, WriteRows, testing::ValuesIn(kDialogRows), RowName);
}  // namespace
