// Writing sectors through the real window: the end-to-end variant of the
// program in write mode, with the geometry given in TORVEX_GEOMETRY, writes an
// image chosen with the browse button onto drive A: (the image file
// TORVEX_DRIVES/a.img), R: (a medium that refuses every write) or L: (one that
// accepts writes and loses them). The release program runs the paths that need
// no geometry. Every case is a row: what the user does, and the boxes, status,
// title, sectors, backup, dump and trace that must follow.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/expected.h"

namespace {

constexpr uint32_t kDriveSectors = 64;
const char kFloppy[] = "80,2,2,18,512";
const char kFixedDisk[] = "80,12,2,18,512";
const char kUntitled[] = "TORVEX Ver1.0";
const char kWritten[] = "Write DATA ..100%";
const char kBackupName[] = "dump_bak.img";
const char kTooLarge[] = "書込み指定サイズが大きすぎます";
const char kBadStart[] = "開始セクターが範囲外です";
const char kNotSaved[] = "元のデータを dump_bak.img に保存できなかったので、何も書き込んでいません";
const char kGeometryError[] = "ジオメトリリードエラー";

// The chosen image's bytes: the drive's pattern continued past its end, so
// that what is written differs from what it replaces.
std::string ImageFileBytes(uint32_t length) {
  return ImageBytes(kDriveSectors * kSector, length);
}

// What the user does besides typing start and count, choosing the image and
// pressing Execute.
enum class Step {
  kNone,
  kDeleteImage,      // deletes the chosen image before Execute
  kHoldImage,        // holds the image open, sharing nothing, during Execute
  kBackupIsAFolder,  // a folder named dump_bak.img stands where the backup goes
  kPostClicks,       // while the first box is open: Execute and browse commands
  kChooseBackup,     // chooses the very dump_bak.img the backup would replace
};
// The program's current folder: the chosen image's own folder, another
// folder on C:, or the full disk.
enum class Folder { kImage, kOther, kFullDisk };

struct Box {
  const char* caption;
  const char* text;  // null: the confirmation text for the row's drive
  bool ownedByMain;
  int answer;
};
Box Confirm(int answer) { return {"確認", nullptr, false, answer}; }
Box Error(const char* text, bool ownedByMain = true) { return {"エラー", text, ownedByMain, IDOK}; }
const Box kGeometryErrorBox = {"ステータス", kGeometryError, true, IDOK};

constexpr int kNoBackup = -1;  // no dump_bak.img anywhere
constexpr int kUnsaved = -2;   // none holds the whole range
constexpr int kNoDump = -1;    // the dump box stays empty

struct WriteCase {
  const char* name;
  const char* program = "TORVEX_E2E_EXE";  // the variable naming the program
  const char* arguments = "-W";
  const char* drive = "A:\\";
  const char* geometry = kFloppy;
  int start = 0;
  int count = 2;
  uint32_t imageSize = 2 * kSector;
  Step step = Step::kNone;
  Folder folder = Folder::kImage;
  std::vector<Box> boxes = {Confirm(IDYES)};
  const char* status = "終了";
  const char* title = kUntitled;
  int backedUp = kNoBackup;  // sectors dump_bak.img holds
  int written = 0;           // sectors of a.img that received the image
  int dumped = kNoDump;      // sectors the dump box shows
  const char* trace = "";
  const char* report = nullptr;  // the media name the geometry box shows; null: not looked at
  const char* screenshot = nullptr;
};

bool OnDriveA(const WriteCase& c) { return c.drive[0] == 'A'; }

// a.img as each test makes it.
std::string FloppyBytes() { return ImageBytes(0, kDriveSectors * kSector); }

// The drive's bytes before the write; R: and L: read zeros.
std::string DriveBefore(const WriteCase& c) {
  return OnDriveA(c) ? FloppyBytes() : std::string(kDriveSectors * kSector, '\0');
}

// The drive's bytes afterwards: sector k of the range written holds image
// bytes k × 512 to (k + 1) × 512 − 1; nothing beyond the range changes.
std::string DriveAfter(const WriteCase& c) {
  std::string bytes = DriveBefore(c);
  const uint32_t length = c.written * kSector;
  if (OnDriveA(c) && length > 0) bytes.replace(c.start * kSector, length, ImageFileBytes(length));
  return bytes;
}

std::string ConfirmText(const WriteCase& c) { return std::string(c.drive) + " に書込み開始しますよ"; }

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class WriteRows : public ::testing::TestWithParam<WriteCase> {
 protected:
  void SetUp() override {
    const std::string drives = EnvironmentValue("TORVEX_DRIVES");
    const std::string fullDisk = EnvironmentValue("TORVEX_FULL_DISK");
    ASSERT_FALSE(drives.empty() || fullDisk.empty()) << "TORVEX_DRIVES or TORVEX_FULL_DISK unset";
    drive_ = WindowsPathFromUnix(drives + "/a.img");
    ASSERT_TRUE(WriteWholeFile(drive_, FloppyBytes()));
    const std::string name = std::string("write-") + GetParam().name;
    work_ = MakeTestFolder(name);
    imageFolder_ = "C:\\torvex-e2e\\" + name;
    ASSERT_FALSE(work_.empty()) << "no test folder";
    ASSERT_TRUE(MakeFolders(CurrentFolder(Folder::kOther)));
    fullDisk_ = WindowsPathFromUnix(fullDisk);
    // The file dialog opens in the folder of the program's previous choice,
    // which the system remembers here, and makes that the current folder, so
    // the backup would land there. Forgotten, the dialog opens in the
    // current folder and leaves it so.
    RegDeleteKeyA(HKEY_CURRENT_USER,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU");
    for (const Folder folder : {Folder::kImage, Folder::kOther, Folder::kFullDisk}) {
      const std::string backup = CurrentFolder(folder) + "\\" + kBackupName;
      DeleteFileA(backup.c_str());
      RemoveDirectoryA(backup.c_str());
    }
  }

  std::string CurrentFolder(Folder folder) const {
    return folder == Folder::kOther ? imageFolder_ + "\\current"
           : folder == Folder::kImage ? imageFolder_
                                      : fullDisk_;
  }

  // Where "dump_bak.img" may land: the program's current folder, or the
  // chosen image's folder if the file dialog made that the current one.
  std::vector<std::string> BackupPlaces(const WriteCase& c) const {
    std::vector<std::string> places = {CurrentFolder(c.folder) + "\\" + kBackupName};
    if (c.folder != Folder::kImage) places.push_back(imageFolder_ + "\\" + kBackupName);
    return places;
  }

  void Start(const WriteCase& c) {
    LaunchOptions options;
    options.program = WindowsPathFromUnix(EnvironmentValue(c.program));
    options.arguments = c.arguments;
    options.workingDirectory = CurrentFolder(c.folder);
    options.environment = {{"TORVEX_GEOMETRY", c.geometry}};
    options.stdoutFile = work_ + "\\trace.txt";
    std::string error;
    ASSERT_TRUE(StartProgram(options, program_, error)) << error;
  }

  HWND Control(int id) { return FindControl(program_.mainWindow, id); }

  // While a box of the operation is open, Execute is disabled; a click
  // posted to it and the commands of Execute and browse posted to the main
  // window must not start anything: only this one box stays open.
  void PostCommandsDuringBox() {
    HWND execute = Control(kExecuteButton);
    EXPECT_FALSE(IsWindowEnabled(execute));
    ASSERT_TRUE(PostMessageA(execute, BM_CLICK, 0, 0));
    ASSERT_TRUE(PostMessageA(program_.mainWindow, WM_COMMAND,
                             MAKEWPARAM(kExecuteButton, BN_CLICKED), LPARAM(execute)));
    ASSERT_TRUE(PostMessageA(program_.mainWindow, WM_COMMAND, kBrowseButton, 0));
    ASSERT_TRUE(WaitForPostedMessages(program_));
    EXPECT_EQ(OpenMessageBoxes(program_).size(), 1u);
  }

  // Waits for each box of the row in turn, checks and answers it.
  void AnswerBoxes(const WriteCase& c) {
    for (size_t i = 0; i < c.boxes.size(); ++i) {
      const Box& expected = c.boxes[i];
      MessageBoxInfo box;
      ASSERT_TRUE(WaitForMessageBox(program_, expected.caption, box)) << "box " << i;
      EXPECT_EQ(box.text, expected.text ? expected.text : ConfirmText(c)) << "box " << i;
      EXPECT_EQ(box.owner, expected.ownedByMain ? program_.mainWindow : nullptr) << "box " << i;
      if (i == 0 && c.step == Step::kPostClicks) PostCommandsDuringBox();
      ASSERT_TRUE(AnswerMessageBox(box, expected.answer)) << "box " << i;
      ASSERT_TRUE(WaitForWindowGone(box.window));
    }
  }

  std::string drive_;
  std::string work_;
  std::string imageFolder_;
  std::string fullDisk_;
  RunningProgram program_;
};

TEST_P(WriteRows, ShowBoxesAndLeaveSectorsBackupAndDump) {
  const WriteCase& c = GetParam();
  const std::string image =
      imageFolder_ + "\\" + (c.step == Step::kChooseBackup ? kBackupName : "image.img");
  const std::string imageBytes = ImageFileBytes(c.imageSize);
  ASSERT_TRUE(WriteWholeFile(image, imageBytes));
  if (c.step == Step::kBackupIsAFolder) {
    for (const std::string& place : BackupPlaces(c)) {
      ASSERT_TRUE(CreateDirectoryA(place.c_str(), nullptr));
    }
  }
  Start(c);
  ASSERT_TRUE(SelectDrive(program_, c.drive)) << c.drive << " is not listed";
  ASSERT_TRUE(SetText(Control(kOffsetBox), std::to_string(c.start)));
  ASSERT_TRUE(SetText(Control(kCountBox), std::to_string(c.count)));
  if (c.arguments == std::string("-W")) {
    ASSERT_TRUE(ChooseImage(program_, image));
  }
  if (c.step == Step::kDeleteImage) {
    ASSERT_TRUE(DeleteFileA(image.c_str()));
  }
  HANDLE holder = INVALID_HANDLE_VALUE;
  if (c.step == Step::kHoldImage) {
    holder = CreateFileA(image.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  }

  ASSERT_TRUE(PressButton(Control(kExecuteButton)));
  AnswerBoxes(c);
  std::string status;
  const bool ended = WaitForOperationEnd(program_, c.status, status);
  if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
  ASSERT_TRUE(ended) << "status: " << status;
  ASSERT_TRUE(WaitForPostedMessages(program_));
  EXPECT_TRUE(OpenMessageBoxes(program_).empty()) << "a box or dialog is still open";

  EXPECT_EQ(WindowText(program_.mainWindow), c.title);
  EXPECT_EQ(ReadWholeFile(drive_), OnDriveA(c) ? DriveAfter(c) : FloppyBytes());
  const std::string dump = c.dumped == kNoDump ? "" : ExpectedDump(DriveAfter(c).substr(
                                                          c.start * kSector, c.dumped * kSector),
                                                      c.start * kSector);
  EXPECT_EQ(WindowText(Control(kDumpBox)), dump);
  if (c.report) {
    EXPECT_EQ(WindowText(Control(kGeometryBox)),
              *c.report ? ExpectedFloppyReport(c.report, true) : "");
  }
  EXPECT_EQ(ReadWholeFile(work_ + "\\trace.txt"), c.trace);
  // The image is only read; a deleted one is not made again.
  if (c.step == Step::kDeleteImage) {
    EXPECT_FALSE(Exists(image));
  } else {
    EXPECT_EQ(ReadWholeFile(image), imageBytes);
  }

  std::vector<std::string> backups;
  for (const std::string& place : BackupPlaces(c)) {
    if (Exists(place)) backups.push_back(ReadWholeFile(place));
  }
  if (c.backedUp == kNoBackup) {
    EXPECT_TRUE(backups.empty());
  } else if (c.backedUp == kUnsaved) {
    const std::string whole = DriveBefore(c).substr(c.start * kSector, c.count * kSector);
    for (const std::string& backup : backups) {
      EXPECT_NE(backup, whole);
    }
  } else {
    ASSERT_EQ(backups.size(), 1u) << "dump_bak.img must land in exactly one folder";
    EXPECT_EQ(backups[0], DriveBefore(c).substr(c.start * kSector, c.backedUp * kSector));
  }
  if (c.screenshot) {
    EXPECT_TRUE(SaveScreenshot(program_, c.screenshot));
  }
}

const char kHeldText[] = "イメージファイルを読み込めません。ほかのプログラムが使っていないか確かめてください";
const char kChoseBackupText[] =
    "選んだファイルはこれから上書きされる dump_bak.img です。別の名前でコピーして、そのコピーを選んでください";

INSTANTIATE_TEST_SUITE_P(
    Write, WriteRows,
    ::testing::Values(
        WriteCase{.name = "CountTwo", .title = kWritten, .backedUp = 2, .written = 2,
                  .dumped = 2, .report = "Floppy", .screenshot = "write-mode.bmp"},
        // The backup lands in the current folder, not in the image's.
        WriteCase{.name = "BackupInTheCurrentFolder", .folder = Folder::kOther, .title = kWritten,
                  .backedUp = 2, .written = 2, .dumped = 2},
        WriteCase{.name = "CountThree", .count = 3, .imageSize = 3 * kSector, .title = kWritten,
                  .backedUp = 3, .written = 3, .dumped = 3},
        // Only count × 512 bytes of a larger image are written.
        WriteCase{.name = "ImageLargerThanRange", .imageSize = 5 * kSector + 100,
                  .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2},
        WriteCase{.name = "ImageOneByteShort", .imageSize = 2 * kSector - 1,
                  .boxes = {Confirm(IDYES), Error(kTooLarge, false)}, .status = "Read DATA"},
        WriteCase{.name = "ImageDeletedAfterChoice", .step = Step::kDeleteImage,
                  .boxes = {Confirm(IDYES), Error(kTooLarge, false)}, .status = "Read DATA"},
        WriteCase{.name = "CountZero", .count = 0, .backedUp = 0, .dumped = 0},
        WriteCase{.name = "CountFiveDumpsFour", .count = 5, .imageSize = 5 * kSector,
                  .title = kWritten, .backedUp = 5, .written = 5, .dumped = 4},
        WriteCase{.name = "StartTen", .start = 10, .title = kWritten, .backedUp = 2,
                  .written = 2, .dumped = 2},
        WriteCase{.name = "FixedDisk", .geometry = kFixedDisk,
                  .boxes = {Error("ハードディスクにはやめたほうが無難でしょう", false)},
                  .report = "FixedMedia"},
        WriteCase{.name = "AnsweredNo", .boxes = {Confirm(IDNO)}, .status = "書き込まず終了"},
        WriteCase{.name = "CountMinusOne", .count = -1,
                  .boxes = {Confirm(IDYES), Error(kTooLarge, false)}, .status = "Read DATA"},
        WriteCase{.name = "NegativeStart", .start = -1, .boxes = {Confirm(IDYES), Error(kBadStart)}},
        WriteCase{.name = "StartAt2GiB", .start = 4194304,
                  .boxes = {Confirm(IDYES), Error(kBadStart)}},
        // 8,388,609 × 512 wraps to 512 bytes in 32 bits, which the image covers.
        WriteCase{.name = "CountWrapsToImageSize", .count = 8388609, .imageSize = kSector,
                  .boxes = {Confirm(IDYES), Error("書込みセクター数が範囲外です")}},
        WriteCase{.name = "ImageHeldOpen", .step = Step::kHoldImage,
                  .boxes = {Confirm(IDYES), Error(kHeldText)}},
        WriteCase{.name = "BackupBlockedByFolder", .step = Step::kBackupIsAFolder,
                  .boxes = {Confirm(IDYES), Error(kNotSaved)}, .backedUp = kUnsaved},
        WriteCase{.name = "BackupOnFullDisk", .count = 64, .imageSize = 64 * kSector,
                  .folder = Folder::kFullDisk, .boxes = {Confirm(IDYES), Error(kNotSaved)},
                  .backedUp = kUnsaved},
        // Sectors 62 and 63 are the drive's last: the backup stops after two.
        WriteCase{.name = "RangePastDriveEnd", .start = 62, .count = 4, .imageSize = 4 * kSector,
                  .boxes = {Confirm(IDYES), Error(kNotSaved)}, .backedUp = 2},
        WriteCase{.name = "MediumRefusesWrites", .drive = "R:\\",
                  .boxes = {Confirm(IDYES), Error("書込みが途中で止まりました。書き込めたのは 2 "
                                                  "セクター中 0 セクターです")},
                  .backedUp = 2, .dumped = 0},
        WriteCase{.name = "MediumLosesWrites", .drive = "L:\\", .start = 3,
                  .boxes = {Confirm(IDYES), Error("読み戻した内容が書き込んだデータと違います。"
                                                  "最初に違うのはセクター 3 です")},
                  .title = kWritten, .backedUp = 2, .dumped = 2},
        WriteCase{.name = "CommandsPostedWhileConfirming", .step = Step::kPostClicks,
                  .title = kWritten, .backedUp = 2, .written = 2, .dumped = 2},
        // Read mode: the release program's geometry failure keeps its box open.
        WriteCase{.name = "CommandsPostedWhileReading", .program = "TORVEX_EXE", .arguments = "",
                  .step = Step::kPostClicks, .boxes = {kGeometryErrorBox},
                  .trace = " ok handel\r\n lock ok \r\nioctl fail\r\n"},
        WriteCase{.name = "ChoosingTheBackupItself", .step = Step::kChooseBackup,
                  .boxes = {Confirm(IDYES), Error(kChoseBackupText)},
                  .backedUp = kUnsaved},
        WriteCase{.name = "ReleaseGeometryFailure", .program = "TORVEX_EXE",
                  .boxes = {kGeometryErrorBox}, .trace = "ioctl fail\r\n", .report = ""},
        // Wine's Z: is the Unix root, which cannot be opened as a raw volume.
        WriteCase{.name = "DriveThatCannotBeOpened", .program = "TORVEX_EXE", .drive = "Z:\\",
                  .boxes = {Error("無効なドライブです")}, .status = "ドライブ指定してください"}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

}  // namespace
