// Operations through the real window, one row per case: what the user does, and the boxes, status,
// title, texts, files, trace and drive sectors that must follow. The end-to-end program takes the
// geometry from TORVEX_GEOMETRY; A: is the image TORVEX_DRIVES/a.img, R: a medium that refuses
// writes, L: one that loses them, Z: cannot be opened; the release program gets no geometry.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>
#include "tests/e2e/driver.h"
namespace {
constexpr int kSector = 512, kNoBackup = -1, kUnsaved = -2, kNoDump = -1, kKept = -2;
const char kE2e[] = "TORVEX_E2E_EXE", kRelease[] = "TORVEX_EXE", kFloppy[] = "80,2,2,18,512";
const char kPrompt[] = "ドライブ指定してください", kUntitled[] = "TORVEX Ver1.0", kWritten[] = "Write DATA ..100%";
// What the user does besides typing, choosing the image (write mode) and pressing Execute. dump.img:
// untick the box, an earlier one there, made read-only, held open. Stale: the geometry and dump
// boxes say "stale". Notifications: Execute's other notifications, then a posted BN_CLICKED as the
// click. PostClicks: while the first box is open, BM_CLICK to Execute and its and browse's commands.
// Dialog: no choice, a cancelled dialog, a path typed into the path box. Image: deleted after the
// choice, held open; a folder named dump_bak.img where the backup goes; choosing dump_bak.img.
enum Step : unsigned { kUntick = 1, kEarlierDump = 2, kReadOnlyDump = 4, kHoldDump = 8, kStale = 16, kEmptyList = 32,
  kNotifications = 64, kMouse = 128, kMouseWhileRunning = 256, kPostClicks = 512, kNoChoice = 1024, kCancel = 2048,
  kTypePath = 4096, kDeleteImage = 8192, kHoldImage = 16384, kBackupIsFolder = 32768, kChooseBackup = 65536};
enum Folder { kImage, kOther, kFullDisk };  // the program's current folder: the image's, another, a full disk
struct Box { const char* caption; const char* text; bool owned = true; int answer = IDOK; };  // text null: confirmation
const Box kYes{"確認", nullptr, false, IDYES}, kNo{"確認", nullptr, false, IDNO}, kGeometryError{"ステータス", "ジオメトリリードエラー"};
Box Error(const char* text, bool owned = true) { return {"エラー", text, owned}; }
struct Row {
  const char* name; unsigned steps = 0; const char *program = kE2e, *drive = "A:\\", *geometry = kFloppy;
  int start = 0, count = 2; const char *offsetText = nullptr, *countText = nullptr;  // typed instead of the numbers
  int sectors = 64, imageSize = 0;  // of a.img; of the image (0: count sectors, at least two)
  Folder folder = kImage; std::vector<Box> boxes = {}; const char* status = "終了";
  const char* title = nullptr;  // null: the read progress of the sectors copied, or untitled
  int backedUp = kNoBackup, written = 0, dumped = kNoDump;  // sectors: in dump_bak.img, written, in the dump box
  const char* trace = nullptr;   // null: the read operation's trace; none in write mode
  const char* report = nullptr;  // the geometry report's media name, "": empty; null: reading A:, Floppy
  const char* screenshot = nullptr;
};
// Every byte tells its sector and place; sector 0 starts with the bytes text mode would change.
std::string Pattern(int from, int length) {
  std::string bytes;
  for (int at = from; at < from + length; ++at) bytes += at < 8 ? "\r\n\n\x1A\0\x7F\x80\xFF"[at] : char(at / kSector * 5 + at % 249);
  return bytes;
}
std::string Sectors(const std::string& bytes, int start, int count) { return bytes.substr(start * kSector, count * kSector); }
std::string Format(const char* format, int a, int b = 0, int c = 0) { char text[128]; return std::snprintf(text, sizeof text, format, a, b, c), text; }
// The hex dump: header, then sixteen bytes a line; only the first address when empty.
std::string Dump(const std::string& bytes, int base) {
  std::string text = "\t  +0 +1 +2 +3 +4 +5 +6 +7 +8 +9 +A +B +C +D +E +F 0123456789ABCDEF\r\n" + Format("%08x| ", base);
  for (size_t line = 0; line < bytes.size(); line += 16) {
    text += line ? Format("%08x| ", base + line) : "";
    for (size_t i = line; i < line + 16; ++i) text += Format("%02x ", (unsigned char)bytes[i]);
    for (size_t i = line; i < line + 16; ++i) text += (unsigned char)bytes[i] - 0x20u < 0x60 ? bytes[i] : '.';
    text += "\r\n";
  }
  return text;
}
// The geometry report of A:; the byte range ends at the total size, less one when reading.
std::string Report(const char* media, bool write) {
  ULARGE_INTEGER total = {};
  GetDiskFreeSpaceExA("A:\\", nullptr, &total, nullptr);
  return "シリンダ数=80\r\n1シリンダ当りのトラック数=2\r\n1トラック当りのセクター数=18\r\n1セクター当りの容量=512(byte)\r\n総容量=" +
         Format("%u(Mbyte)(0-%#x)(%u)\r\n", total.QuadPart >> 20, total.QuadPart - !write, total.QuadPart / 512) + "メディアタイプ=" + media;
}
std::string Stdout(const std::string& text) {  // text mode: every 0x0A goes out as 0x0D 0x0A
  std::string out;
  return [&] { for (char c : text) (c == '\n' ? out += '\r' : out) += c; }(), out;
}
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string Contents(const std::string& path) { return Exists(path) ? ReadWholeFile(path) : "(none)"; }
bool ClickWithMouse(HWND control) {  // through the system's input queue, as a user's click
  RECT r = {};
  INPUT in[3] = {{INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}, {INPUT_MOUSE, {}}};
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN, in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  GetWindowRect(control, &r), in[0].mi.dx = (r.left + r.right) / 2 * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  in[0].mi.dy = (r.top + r.bottom) / 2 * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  return SendInput(3, in, sizeof(INPUT)) == 3;
}
// As root, Wine's read-only attribute binds nobody: the file is made immutable too (chattr, a Unix
// program Wine starts, whose end cannot be waited for: its effect is) and writable again at the end.
struct ReadOnlyFile {
  std::string path, unixPath;
  bool Writable() const {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 3, nullptr, OPEN_EXISTING, 0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
  }
  bool Chattr(const char* flag, bool writable) const {
    if (!writable) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    std::string line = "Z:\\usr\\bin\\chattr " + std::string(flag) + " " + unixPath;
    STARTUPINFOA s = {};
    PROCESS_INFORMATION p = {};
    if (s.cb = sizeof s, CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &s, &p)) CloseHandle(p.hThread), CloseHandle(p.hProcess);
    return WaitUntil([&] { return (!writable || SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) && Writable() == writable; }, 5000);
  }
  ~ReadOnlyFile() { if (!unixPath.empty()) Chattr("-i", true); }
};
class Rows : public testing::TestWithParam<Row> { protected: void Check(bool write); };
class ReadRows : public Rows {};
class WriteRows : public Rows {};
TEST_P(ReadRows, Run) { Check(false); }
TEST_P(WriteRows, Run) { Check(true); }

void Rows::Check(bool write) {
  const Row& c = GetParam();
  const std::string drives = EnvironmentValue("TORVEX_DRIVES"), fullDisk = EnvironmentValue("TORVEX_FULL_DISK");
  ASSERT_FALSE(drives.empty() || fullDisk.empty()) << "TORVEX_DRIVES or TORVEX_FULL_DISK unset";
  const std::string name = (write ? "write-" : "read-") + std::string(c.name), folder = "C:\\torvex-e2e\\" + name;
  const std::string cwd = c.folder == kImage ? folder : c.folder == kOther ? folder + "\\current" : WindowsPathFromUnix(fullDisk);
  const std::string image = folder + (c.steps & kChooseBackup ? "\\dump_bak.img" : "\\image.img"), dumpFile = cwd + "\\dump.img";
  const std::set<std::string> backups = {cwd + "\\dump_bak.img", folder + "\\dump_bak.img"};  // or the chosen image's folder
  ASSERT_TRUE(MakeFolders(folder + "\\current"));
  for (const std::string& file : backups) DeleteFileA(file.c_str()), RemoveDirectoryA(file.c_str());
  SetFileAttributesA(dumpFile.c_str(), FILE_ATTRIBUTE_NORMAL), DeleteFileA(dumpFile.c_str());
  // The dialog opens in the folder of the previous choice, which becomes the current folder.
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU");
  const std::string before = Pattern(0, c.sectors * kSector), drive = c.drive[0] == 'A' ? before : std::string(64 * kSector, '\0');
  const std::string imageBytes = Pattern(64 * kSector, c.imageSize ? c.imageSize : std::max(c.count, 2) * kSector);
  ASSERT_TRUE(WriteWholeFile(WindowsPathFromUnix(drives + "/a.img"), before));
  for (const std::string& file : backups) ASSERT_TRUE(!(c.steps & kBackupIsFolder) || CreateDirectoryA(file.c_str(), nullptr));
  ASSERT_TRUE((!write || WriteWholeFile(image, imageBytes)) && (!(c.steps & kEarlierDump) || WriteWholeFile(dumpFile, "earlier")));
  const ReadOnlyFile readOnly{dumpFile, c.steps & kReadOnlyDump ? drives + "/../drive_c/torvex-e2e/" + name + "/dump.img" : ""};
  if (c.steps & kReadOnlyDump) { ASSERT_TRUE(readOnly.Chattr("+i", false)); }
  // What must follow: the read operation's figures or the row's own.
  const bool reached = !write && c.boxes.empty(), ticked = !(c.steps & kUntick);
  const int copied = reached && c.count > 0 ? std::max(0, std::min(c.count, c.sectors - c.start)) : 0;
  const int extra = c.start + copied < c.sectors, dumped = reached ? std::min(copied, 4) : c.dumped;
  const std::string after = c.written ? std::string(drive).replace(c.start * kSector, c.written * kSector, imageBytes, 0, c.written * kSector) : drive;
  const std::string saved = reached ? Sectors(drive, c.start, copied) : "", dumpText = dumped == kKept ? "stale"
      : dumped == kNoDump ? "" : Dump(Sectors(after, c.start, dumped), c.start * kSector);
  const bool checkReport = c.report || (!write && c.program == kE2e && !(c.steps & kEmptyList));
  const std::string report = !c.report ? Report("Floppy", false) : *c.report ? Report(c.report, write) : "";
  const std::string trace = c.trace ? c.trace : write ? "" : Stdout(" ok handel\n lock ok \ncylind= 80\nmediatype=2\n"
      "TracksPerCylinder=2\nSectorsPerTrack=18\nBytesPerSector=512\n" + (reached ? Format("nRead=%d\nnSize=%d\ndata=",
      extra * kSector, (c.count - copied - extra) * kSector) + (ticked ? saved : "") + "\n" : ""));
  RunningProgram p;
  std::string error, status;
  const LaunchOptions options{WindowsPathFromUnix(EnvironmentValue(c.program)), write ? "-W" : "", "", cwd, folder + "\\trace.txt", {{"TORVEX_GEOMETRY", c.geometry}}};
  ASSERT_TRUE(StartProgram(options, p, error)) << error;
  auto control = [&](int id) { return FindControl(p.mainWindow, id); };
  HWND execute = control(kExecuteButton);
  ASSERT_TRUE(SelectDrive(p, c.drive)) << c.drive << " is not listed";
  ASSERT_TRUE(SetText(control(kOffsetBox), c.offsetText ? c.offsetText : std::to_string(c.start)));
  ASSERT_TRUE(SetText(control(kCountBox), c.countText ? c.countText : std::to_string(c.count)));
  if (!ticked) { ASSERT_TRUE(Send(control(kDumpToFileBox), BM_SETCHECK, BST_UNCHECKED) == 0 && Send(control(kDumpToFileBox), BM_GETCHECK) == 0); }
  if (write && !(c.steps & kNoChoice)) { ASSERT_TRUE(ChooseImage(p, image)); }
  MessageBoxInfo box;
  if (c.steps & kCancel) { ASSERT_TRUE(OpenImageDialog(p, box) && !box.owner && AnswerMessageBox(box, IDCANCEL) && WaitForPostedMessages(p)); }
  if (c.steps & kTypePath) { ASSERT_TRUE(SetText(control(kPathBox), image)); }
  if (write) { EXPECT_EQ(WindowText(control(kPathBox)), (c.steps & (kNoChoice | kTypePath)) == kNoChoice ? "" : image); }
  if (c.steps & kDeleteImage) { ASSERT_TRUE(DeleteFileA(image.c_str())); }
  if (c.steps & kEmptyList) { ASSERT_TRUE(PostMessageA(control(kDriveList), CB_RESETCONTENT, 0, 0) && WaitForPostedMessages(p)); }
  if (c.steps & kStale) { ASSERT_TRUE(SetText(control(kGeometryBox), "stale") && SetText(control(kDumpBox), "stale")); }
  auto command = [&](int id, int code) { return PostMessageA(p.mainWindow, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(execute)); };
  if (c.steps & kNotifications) {  // only a click notification of Execute runs an operation
    ASSERT_TRUE(command(kExecuteButton, BN_DOUBLECLICKED) && command(kExecuteButton, BN_SETFOCUS) && WaitForPostedMessages(p));
    EXPECT_TRUE(StatusText(p) == kPrompt && ReadWholeFile(folder + "\\trace.txt").empty());
  }
  const HANDLE held = c.steps & (kHoldDump | kHoldImage) ? CreateFileA((c.steps & kHoldDump ? dumpFile : image).c_str(),
      GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) : nullptr;  // shares nothing
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(c.steps & kNotifications ? command(kExecuteButton, BN_CLICKED) : c.steps & kMouse ? ClickWithMouse(execute) : PressButton(execute));
  if (c.steps & kMouseWhileRunning) { ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(execute); }) && ClickWithMouse(execute)); }
  for (size_t i = 0; i < c.boxes.size(); ++i) {
    const Box& want = c.boxes[i];
    ASSERT_TRUE(WaitForMessageBox(p, want.caption, box)) << "box " << i;
    EXPECT_EQ(std::make_tuple(box.text, box.owner, IsWindowEnabled(execute)),  // Execute is off while it is open
              std::make_tuple(want.text ? want.text : c.drive + std::string(" に書込み開始しますよ"), want.owned ? p.mainWindow : nullptr, FALSE)) << "box " << i;
    if (i == 0 && (c.steps & kStale)) {  // the boxes were emptied before the operation, if at all
      EXPECT_EQ(WindowText(control(kDumpBox)), dumpText);
      if (checkReport) { EXPECT_EQ(WindowText(control(kGeometryBox)), report); }
    }
    if (i == 0 && (c.steps & kPostClicks)) {  // nothing starts inside the box's modal loop
      ASSERT_TRUE(PostMessageA(execute, BM_CLICK, 0, 0) && command(kExecuteButton, BN_CLICKED) && command(kBrowseButton, BN_CLICKED) && WaitForPostedMessages(p));
      EXPECT_EQ(OpenMessageBoxes(p).size(), 1u);
    }
    ASSERT_TRUE(AnswerMessageBox(box, want.answer)) << "box " << i;
  }
  const bool ended = WaitUntil([&] { return (status = StatusText(p)) == c.status && IsWindowEnabled(execute); }, 60000);
  if (held) CloseHandle(held);
  ASSERT_TRUE(ended && WaitForPostedMessages(p)) << "status: " << status;
  EXPECT_TRUE(OpenMessageBoxes(p).empty()) << "a box or dialog is still open";
  EXPECT_EQ(WindowText(p.mainWindow), c.title ? c.title : copied ? Format("Reading DATA..%3d%%", copied * 100 / c.count) : kUntitled);
  EXPECT_EQ(WindowText(control(kDumpBox)), dumpText);
  if (checkReport) { EXPECT_EQ(WindowText(control(kGeometryBox)), report); }
  EXPECT_EQ(ReadWholeFile(folder + "\\trace.txt"), trace);
  EXPECT_EQ(ReadWholeFile(WindowsPathFromUnix(drives + "/a.img")), c.drive[0] == 'A' ? after : before);
  EXPECT_EQ(Contents(dumpFile), reached && ticked && !(c.steps & (kReadOnlyDump | kHoldDump)) ? saved : c.steps & kEarlierDump ? "earlier" : "(none)");
  if (write) { EXPECT_EQ(Contents(image), c.steps & kDeleteImage ? "(none)" : imageBytes); }  // only read
  std::vector<std::string> found;  // dump_bak.img lands in exactly one folder, or none
  for (const std::string& file : backups) if (Exists(file)) found.push_back(ReadWholeFile(file));
  if (c.backedUp != kUnsaved) { EXPECT_EQ(found, c.backedUp < 0 ? std::vector<std::string>{} : std::vector<std::string>{Sectors(drive, c.start, c.backedUp)}); }
  for (const std::string& backup : found) if (c.backedUp == kUnsaved) { EXPECT_NE(backup, Sectors(drive, c.start, c.count)); }
  if (c.screenshot) { EXPECT_TRUE(SaveScreenshot(p, c.screenshot)); }
}
const char kGeometryFailed[] = " ok handel\r\n lock ok \r\nioctl fail\r\n";
const Row kReadRows[] = {
    {.name = "OneSectorAtStartShowsReportDumpFileAndTrace", .count = 1, .screenshot = "read-mode.bmp"},
    {.name = "FourSectors", .count = 4}, {.name = "FiveSectorsDumpFour", .count = 5}, {.name = "StartTen", .start = 10},
    {.name = "PastTheEnd", .start = 62, .count = 5}, {.name = "CountZero", .count = 0},
    {.name = "UntickedBoxTouchesNoFile", .steps = kUntick | kEarlierDump},
    {.name = "ReadOnlyDumpFileStaysUnchanged", .steps = kEarlierDump | kReadOnlyDump},
    {.name = "DumpFileHeldByAnotherProgramStaysUnchanged", .steps = kEarlierDump | kHoldDump},
    {.name = "DigitsThenLetters", .start = 12, .count = 1, .offsetText = "12ab"}, {.name = "LettersOnly", .offsetText = "ab"},
    {.name = "PlusSign", .start = 3, .count = 7, .countText = "+7"}, {.name = "TenDigits", .start = 1, .offsetText = "0000000012"},
    {.name = "NegativeStart", .offsetText = " -3", .boxes = {Error("開始セクターが範囲外です")}},
    {.name = "CountOfNineDigits", .countText = "1234567890", .boxes = {Error("読出し用のメモリを確保できません")}},
    {.name = "ReleaseGeometryFailure", .steps = kStale | kPostClicks, .program = kRelease, .boxes = {kGeometryError}, .trace = kGeometryFailed, .report = ""},
    {.name = "DriveThatCannotBeOpened", .program = kRelease, .drive = "Z:\\", .boxes = {Error("無効なドライブです")}, .status = kPrompt,
     .trace = "invalid handelinvalid handel\r\ninvalid handel\r\n", .report = ""},
    {.name = "EmptyDriveList", .steps = kEmptyList | kStale, .boxes = {Error("ドライブ名が読めんかった")}, .status = kPrompt, .dumped = kKept, .trace = ""},
    {.name = "OnlyClickNotificationsRunAnOperation", .steps = kNotifications, .start = 5},
    {.name = "MouseClickRunsARead", .steps = kMouse},
    {.name = "MouseClickWhileReadingHasNoEffect", .steps = kMouseWhileRunning, .count = 40000, .sectors = 40000}};
INSTANTIATE_TEST_SUITE_P(Read, ReadRows, testing::ValuesIn(kReadRows), [](auto& i) { return i.param.name; });
const char kTooLarge[] = "書込み指定サイズが大きすぎます", kBadStart[] = "開始セクターが範囲外です";
const char kNotSaved[] = "元のデータを dump_bak.img に保存できなかったので、何も書き込んでいません";
const Row kWriteRows[] = {
    {.name = "CountTwo", .boxes = {kYes}, .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2, .report = "Floppy", .screenshot = "write-mode.bmp"},
    {.name = "BackupInTheCurrentFolder", .folder = kOther, .boxes = {kYes}, .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2},
    {.name = "CountThree", .count = 3, .boxes = {kYes}, .title = kWritten, .backedUp = 3, .written = 3, .dumped = 3},
    {.name = "ImageLargerThanRange", .imageSize = 5 * kSector + 100, .boxes = {kYes}, .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2},
    {.name = "ImageOneByteShort", .imageSize = 2 * kSector - 1, .boxes = {kYes, Error(kTooLarge, false)}, .status = "Read DATA"},
    {.name = "ImageDeletedAfterChoice", .steps = kDeleteImage, .boxes = {kYes, Error(kTooLarge, false)}, .status = "Read DATA"},
    {.name = "CountZero", .count = 0, .boxes = {kYes}, .backedUp = 0, .dumped = 0},
    {.name = "CountFiveDumpsFour", .count = 5, .boxes = {kYes}, .title = kWritten, .backedUp = 5, .written = 5, .dumped = 4},
    {.name = "StartTen", .start = 10, .boxes = {kYes}, .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2},
    {.name = "FixedDisk", .geometry = "80,12,2,18,512", .boxes = {Error("ハードディスクにはやめたほうが無難でしょう", false)}, .report = "FixedMedia"},
    {.name = "AnsweredNo", .boxes = {kNo}, .status = "書き込まず終了"},
    {.name = "CountMinusOne", .count = -1, .boxes = {kYes, Error(kTooLarge, false)}, .status = "Read DATA"},
    {.name = "NegativeStart", .start = -1, .boxes = {kYes, Error(kBadStart)}},
    {.name = "StartAt2GiB", .start = 4194304, .boxes = {kYes, Error(kBadStart)}},
    // 8,388,609 × 512 wraps to 512 bytes in 32 bits, which the image covers.
    {.name = "CountWrapsToImageSize", .count = 8388609, .imageSize = kSector, .boxes = {kYes, Error("書込みセクター数が範囲外です")}},
    {.name = "ImageHeldOpen", .steps = kHoldImage, .boxes = {kYes, Error("イメージファイルを読み込めません。ほかのプログラムが使っていないか確かめてください")}},
    {.name = "BackupBlockedByFolder", .steps = kBackupIsFolder, .boxes = {kYes, Error(kNotSaved)}, .backedUp = kUnsaved},
    {.name = "BackupOnFullDisk", .count = 64, .folder = kFullDisk, .boxes = {kYes, Error(kNotSaved)}, .backedUp = kUnsaved},
    {.name = "RangePastDriveEnd", .start = 62, .count = 4, .boxes = {kYes, Error(kNotSaved)}, .backedUp = 2},  // the backup stops after two
    {.name = "MediumRefusesWrites", .drive = "R:\\", .boxes = {kYes, Error("書込みが途中で止まりました。書き込めたのは 2 セクター中 0 セクターです")}, .backedUp = 2, .dumped = 0},
    {.name = "MediumLosesWrites", .drive = "L:\\", .start = 3, .boxes = {kYes, Error("読み戻した内容が書き込んだデータと違います。最初に違うのはセクター 3 です")},
     .title = kWritten, .backedUp = 2, .dumped = 2},
    {.name = "CommandsPostedWhileConfirming", .steps = kPostClicks, .boxes = {kYes}, .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2},
    {.name = "ChoosingTheBackupItself", .steps = kChooseBackup, .boxes = {kYes, Error("選んだファイルはこれから上書きされる dump_bak.img です。別の名前でコピーして、そのコピーを選んでください")},
     .backedUp = kUnsaved},
    {.name = "ReleaseGeometryFailure", .program = kRelease, .boxes = {kGeometryError}, .trace = "ioctl fail\r\n", .report = ""},
    {.name = "DriveThatCannotBeOpened", .program = kRelease, .drive = "Z:\\", .boxes = {Error("無効なドライブです")}, .status = kPrompt}};
INSTANTIATE_TEST_SUITE_P(Write, WriteRows, testing::ValuesIn(kWriteRows), [](auto& i) { return i.param.name; });
// The file dialog: Execute knows only its choice, which a cancel keeps, never the path box's text.
const Box kNoFile = Error("ファイルが選択されていません", false);
const Row kDialogRows[] = {
    {.name = "NothingChosen", .steps = kNoChoice | kStale, .boxes = {kNoFile}, .status = kPrompt, .report = ""},
    {.name = "CancelOnFirstUse", .steps = kNoChoice | kCancel, .program = kRelease, .boxes = {kNoFile}, .status = kPrompt},
    {.name = "CancelAfterChoice", .steps = kCancel, .program = kRelease, .boxes = {kGeometryError}, .trace = "ioctl fail\r\n"},
    {.name = "TypedPathIgnored", .steps = kNoChoice | kTypePath, .program = kRelease, .boxes = {kNoFile}, .status = kPrompt}};
INSTANTIATE_TEST_SUITE_P(Dialog, WriteRows, testing::ValuesIn(kDialogRows), [](auto& i) { return i.param.name; });
}  // namespace
