// The write operation against the fake volume and the recording window: one
// row a case, from its drive, request and faults to everything the user and
// the drive end up with.
#include "ops/write_operation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "output/hex_dump.h"
#include "tests/fakes/fake_volume.h"
#include "tests/fakes/fake_window.h"
#include "tests/unit/stdout_capture.h"
#include "tests/unit/test_directory.h"

namespace fs = std::filesystem;

namespace {

constexpr char kImage[] = "C:\\images\\new.img";
constexpr uint32_t kDriveSectors = 64;

// How far a case gets; each stage shows the statuses of those before it.
enum class Stage {
  NotOpened,
  LockRefused,
  NoGeometry,
  FixedDiskRefused,
  Declined,
  Refused,    // after "Read DATA", before anything is read
  TooSmall,   // the size test: the status stays "Read DATA"
  BackupFailed,
  Written,    // the write phase ran, whatever it managed
};

struct Box {
  std::string caption;
  std::string text;
  BoxOwner owner;
  unsigned style;
  bool operator==(const Box&) const = default;
};

const Box kConfirm{"確認", "E:\\ に書込み開始しますよ", BoxOwner::None, 0x24};
const Box kTooLarge{"エラー", "書込み指定サイズが大きすぎます", BoxOwner::None, 0x40};
Box Error(const std::string& text) { return {"エラー", text, BoxOwner::MainWindow, 0x30}; }
const Box kBackupNotSaved =
    Error("元のデータを dump_bak.img に保存できなかったので、何も書き込んでいません");

std::string Stopped(int count, int written) {
  return "書込みが途中で止まりました。書き込めたのは " + std::to_string(count) + " セクター中 " +
         std::to_string(written) + " セクターです";
}
std::string Differs(int sector) {
  return "読み戻した内容が書き込んだデータと違います。最初に違うのはセクター " +
         std::to_string(sector) + " です";
}

struct Row {
  const char* name;
  int32_t start = 0;
  int32_t count = 2;
  int64_t imageBytes = 1024;  // -1: the chosen file no longer exists
  void (*arrange)() = nullptr;  // geometry and faults of the fake drive
  int answer = kAnswerYes;
  // Expectations.
  Stage stage = Stage::Written;
  int backedUp = 2;  // sectors saved in "dump_bak.img"
  int written = 2;   // sectors written
  int partialBytes = 0;  // bytes of the sector after them that a short write changed
  int readBack = -1;     // bytes read back; -1: all that was written
  std::vector<Box> boxes = {kConfirm};
  uint32_t result = 0;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

unsigned char ImageByte(uint64_t i) { return static_cast<unsigned char>(i * 13 + i / 512 + 7); }

std::string OldBytes(uint64_t first, uint64_t length) {
  std::string bytes;
  for (uint64_t i = first; i < first + length; ++i) bytes += static_cast<char>(FakeSectorByte(i));
  return bytes;
}

// The progress texts of a phase that moved `moved` of `count` sectors: each
// percentage once, in order.
std::vector<std::string> Progress(const char* format, int moved, int count) {
  std::vector<std::string> texts;
  for (int k = 1; k <= moved; ++k) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<int>(int64_t{k} * 100 / count));
    if (texts.empty() || texts.back() != text) texts.push_back(text);
  }
  return texts;
}

std::vector<std::string> ExpectedStatuses(const Row& row) {
  using S = Stage;
  std::vector<std::string> s;
  auto add = [&](const std::vector<std::string>& more) { s.insert(s.end(), more.begin(), more.end()); };
  if (row.stage == S::NotOpened) return s;
  s.push_back("HANDLE OK");
  if (row.stage == S::LockRefused) return {"HANDLE OK", "DRIVE LOCK ERROR"};
  s.push_back("DRIVE LOCK OK");
  if (row.stage == S::NoGeometry) return {"HANDLE OK", "DRIVE LOCK OK", "ジオメトリリードエラー", "終了"};
  s.push_back("Reading GEOMETRY..");
  if (row.stage == S::Declined) s.push_back("書き込まず終了");
  if (row.stage >= S::Refused) s.push_back("Read DATA");
  if (row.stage >= S::BackupFailed) {
    s.push_back("BackUp Original DATA");
    add(Progress("BackUp Original DATA ..%3d%%", row.backedUp, row.count));
  }
  if (row.stage == S::Written) {
    s.push_back("Write DATA");
    add(Progress("Write DATA ..%3d%%", row.written, row.count));
  }
  if (row.stage != S::Declined && row.stage != S::TooSmall) s.push_back("終了");
  return s;
}

class WriteOperationTest : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    ResetFakeVolume(kDriveSectors, 512);
    ResetFakeWindow();
    g_fakeWindow.answers = {GetParam().answer};
    std::ofstream("dump_bak.img") << "earlier backup";
    const Row& row = GetParam();
    if (row.arrange) row.arrange();
    if (row.imageBytes >= 0) {
      if (g_fakeDrive.imagePath.empty()) g_fakeDrive.imagePath = kImage;
      for (int64_t i = 0; i < row.imageBytes; ++i) g_fakeDrive.image.push_back(ImageByte(i));
    }
    before_ = g_fakeDrive.sectors;
  }

  TestDirectory directory_;
  std::vector<unsigned char> before_;
};

TEST_P(WriteOperationTest, DoesWhatTheUserAskedAndTellsWhatHappened) {
  const Row& row = GetParam();
  const char* path = g_fakeDrive.imagePath.empty() ? kImage : g_fakeDrive.imagePath.c_str();
  uint32_t result = 0;
  const std::string trace =
      CaptureStdout([&] { result = WriteOperation('E', "E:\\", row.start, row.count, path); });

  EXPECT_EQ(result, row.result);
  std::vector<Box> boxes;
  for (const Shown& b : ShownBoxes()) boxes.push_back({b.caption, b.text, b.owner, b.style});
  EXPECT_EQ(boxes, row.boxes);
  EXPECT_EQ(ShownTexts(ShownKind::Status), ExpectedStatuses(row));
  EXPECT_EQ(ShownTexts(ShownKind::Title), row.stage == Stage::Written
                                              ? Progress("Write DATA ..%3d%%", row.written, row.count)
                                              : std::vector<std::string>{});
  // Only the geometry call's failure writes a trace line.
  EXPECT_EQ(trace, row.stage == Stage::NoGeometry ? AsStandardOutput("ioctl fail\n") : "");

  // The drive: the image's leading sectors over the range, nothing else.
  const uint32_t s = g_fakeDrive.geometry.BytesPerSector;
  std::vector<unsigned char> expected = before_;
  if (row.stage == Stage::Written && !g_fakeDrive.losesWrites)
    for (uint64_t i = 0; i < uint64_t(row.written) * s + row.partialBytes; ++i)
      expected[uint64_t(row.start) * s + i] = ImageByte(i);
  EXPECT_TRUE(g_fakeDrive.sectors == expected) << "the drive holds other bytes";
  if (row.stage < Stage::Written) {
    EXPECT_EQ(g_fakeVolumeLog.writes, 0);
  }

  // The backup: the old sectors, or the earlier file left alone.
  if (row.stage < Stage::BackupFailed) {
    EXPECT_EQ(directory_.Read("dump_bak.img"), "earlier backup");
  } else if (fs::is_regular_file("dump_bak.img")) {
    EXPECT_EQ(directory_.Read("dump_bak.img"),
              OldBytes(uint64_t(row.start) * s, uint64_t(row.backedUp) * s));
  }

  // The dump: up to four sectors of what came back, from the range's address.
  if (row.stage == Stage::Written) {
    const uint32_t back = row.readBack < 0 ? row.written * s : row.readBack;
    uint32_t shown = row.count > 4 ? std::min(back, 4 * s) : back;
    shown = std::min<uint32_t>(shown, 2048);
    std::vector<char> text(kHexDumpTextSize);
    FormatHexDump(g_fakeDrive.sectors.data() + uint64_t(row.start) * s, static_cast<uint16_t>(shown),
                  row.start * s, text.data());
    EXPECT_EQ(LastControlText(kDumpBox), text.data());
  } else {
    EXPECT_EQ(LastControlText(kDumpBox), "");
  }

  // Every path closes what it opened and releases what it took.
  EXPECT_EQ(g_fakeVolumeLog.closes, row.stage == Stage::NotOpened ? 0 : 1);
  EXPECT_EQ(g_fakeVolumeLog.liveBuffers, 0);
  EXPECT_EQ(g_fakeVolumeLog.imageOpens, g_fakeVolumeLog.imageCloses);
}

using S = Stage;
const Row kRows[] = {
    {.name = "TwoSectorsExactImage"},
    {.name = "ThreeSectors", .count = 3, .imageBytes = 1536, .backedUp = 3, .written = 3},
    {.name = "ImageLargerThanRange", .imageBytes = 5000},
    {.name = "ImageOneByteShort", .imageBytes = 1023, .stage = S::TooSmall,
     .boxes = {kConfirm, kTooLarge}, .result = 1},
    {.name = "ImageNoLongerExists", .count = 1, .imageBytes = -1, .stage = S::TooSmall,
     .boxes = {kConfirm, kTooLarge}, .result = 1},
    {.name = "CountZero", .count = 0, .backedUp = 0, .written = 0},
    {.name = "CountZeroNoImage", .count = 0, .imageBytes = -1, .backedUp = 0, .written = 0},
    {.name = "FourSectors", .count = 4, .imageBytes = 2048, .backedUp = 4, .written = 4},
    {.name = "FiveSectorsDumpFour", .count = 5, .imageBytes = 2560, .backedUp = 5, .written = 5},
    {.name = "StartTen", .start = 10},
    {.name = "LastSectors", .start = 62},
    {.name = "LargeSectorsDumpTheFirst2048Bytes", .count = 4, .imageBytes = 4 * 16384,
     .arrange = [] { ResetFakeVolume(8, 16384); }, .backedUp = 4, .written = 4},
    {.name = "FixedDisk", .arrange = [] { g_fakeDrive.geometry.MediaType = 12; },
     .stage = S::FixedDiskRefused,
     .boxes = {{"エラー", "ハードディスクにはやめたほうが無難でしょう", BoxOwner::None, 0x40}}},
    {.name = "UnknownMediaTypeGoesOn", .arrange = [] { g_fakeDrive.geometry.MediaType = 3; }},
    {.name = "AnswerNo", .answer = kAnswerNo, .stage = S::Declined, .result = 1},
    {.name = "BoxClosedWithoutAnswer", .answer = 0, .stage = S::Declined, .result = 1},
    {.name = "CountMinusOne", .count = -1, .stage = S::TooSmall, .boxes = {kConfirm, kTooLarge},
     .result = 1},
    {.name = "OpenRefused", .arrange = [] { g_fakeDrive.refuseOpen = true; },
     .stage = S::NotOpened, .boxes = {{"エラー", "無効なドライブです", BoxOwner::MainWindow, 0}},
     .result = 1},
    {.name = "LockRefused", .arrange = [] { g_fakeDrive.lockError = 33; },
     .stage = S::LockRefused,
     .boxes = {{"エラー", "ドライブのロックに失敗しました", BoxOwner::None, 0x40}}, .result = 33},
    {.name = "NoGeometry", .arrange = [] { g_fakeDrive.geometryError = 50; },
     .stage = S::NoGeometry,
     .boxes = {{"ステータス", "ジオメトリリードエラー", BoxOwner::MainWindow, 0}}},
    // Refused before anything is read or written.
    {.name = "NegativeStart", .start = -1, .stage = S::Refused,
     .boxes = {kConfirm, Error("開始セクターが範囲外です")}, .result = 1},
    {.name = "StartReaching2GiB", .start = 4194304, .stage = S::Refused,
     .boxes = {kConfirm, Error("開始セクターが範囲外です")}, .result = 1},
    {.name = "CountWrappingToZero", .count = 8388608, .stage = S::Refused,
     .boxes = {kConfirm, Error("書込みセクター数が範囲外です")}, .result = 1},
    {.name = "CountWrappingToTheImage", .count = 8388609, .imageBytes = 512, .stage = S::Refused,
     .boxes = {kConfirm, Error("書込みセクター数が範囲外です")}, .result = 1},
    {.name = "ZeroByteSectors", .arrange = [] { g_fakeDrive.geometry.BytesPerSector = 0; },
     .stage = S::Refused, .boxes = {kConfirm, Error("このセクターサイズには対応していません")},
     .result = 1},
    {.name = "Sectors64KiB", .arrange = [] { g_fakeDrive.geometry.BytesPerSector = 65536; },
     .stage = S::Refused, .boxes = {kConfirm, Error("このセクターサイズには対応していません")},
     .result = 1},
    {.name = "Image4GiB", .arrange = [] { g_fakeDrive.imageSizeReported = (1ull << 32) + 1024; },
     .stage = S::Refused, .boxes = {kConfirm, Error("4GB以上のイメージファイルには対応していません")},
     .result = 1},
    {.name = "NoMemoryForTheImage", .arrange = [] { g_fakeDrive.failAllocation = 0; },
     .stage = S::Refused, .boxes = {kConfirm, Error("書込み用のメモリを確保できません")}, .result = 1},
    {.name = "NoMemoryForTheBackup", .arrange = [] { g_fakeDrive.failAllocation = 1; },
     .stage = S::Refused, .boxes = {kConfirm, Error("書込み用のメモリを確保できません")}, .result = 1},
    {.name = "ImageCannotBeOpened", .arrange = [] { g_fakeDrive.imageOpenFails = true; },
     .stage = S::Refused,
     .boxes = {kConfirm, Error("イメージファイルを読み込めません。ほかのプログラムが使っていないか確かめてください")},
     .result = 1},
    {.name = "ImageDeliversLess", .arrange = [] { g_fakeDrive.imageShortBy = 1; },
     .stage = S::Refused,
     .boxes = {kConfirm, Error("イメージファイルを読み込めません。ほかのプログラムが使っていないか確かめてください")},
     .result = 1},
    {.name = "ImageIsTheBackup", .arrange = [] { g_fakeDrive.imagePath = "dump_bak.img"; },
     .stage = S::Refused,
     .boxes = {kConfirm, Error("選んだファイルはこれから上書きされる dump_bak.img です。別の名前でコピーして、そのコピーを選んでください")},
     .result = 1},
    // No write without a whole, saved backup.
    {.name = "BackupReadFails", .arrange = [] { g_fakeDrive.runningReadFaults[1] = ReadFault::Fail; },
     .stage = S::BackupFailed, .backedUp = 1, .boxes = {kConfirm, kBackupNotSaved}},
    {.name = "BackupReadShort", .arrange = [] { g_fakeDrive.runningReadFaults[0] = ReadFault::Short; },
     .stage = S::BackupFailed, .backedUp = 0, .boxes = {kConfirm, kBackupNotSaved}},
    {.name = "RangePastTheEnd", .start = 63, .stage = S::BackupFailed, .backedUp = 1,
     .boxes = {kConfirm, kBackupNotSaved}},
    {.name = "BackupFileCannotBeCreated",
     .arrange = [] { fs::remove("dump_bak.img"); fs::create_directory("dump_bak.img"); },
     .stage = S::BackupFailed, .boxes = {kConfirm, kBackupNotSaved}},
    // A write that stops is reported, and what was written is read back.
    {.name = "FirstWriteRefused", .arrange = [] { g_fakeDrive.writeFaults[0] = ReadFault::Fail; },
     .written = 0, .boxes = {kConfirm, Error(Stopped(2, 0))}},
    {.name = "SecondWriteRefused", .arrange = [] { g_fakeDrive.writeFaults[1] = ReadFault::Fail; },
     .written = 1, .boxes = {kConfirm, Error(Stopped(2, 1))}},
    {.name = "WriteShort", .count = 3, .imageBytes = 1536,
     .arrange = [] { g_fakeDrive.writeFaults[2] = ReadFault::Short; }, .backedUp = 3, .written = 2,
     .partialBytes = 256, .boxes = {kConfirm, Error(Stopped(3, 2))}},
    // The read-back is checked against the image.
    {.name = "MediumLosesWrites", .start = 5, .arrange = [] { g_fakeDrive.losesWrites = true; },
     .boxes = {kConfirm, Error(Differs(5))}},
    {.name = "ReadBackShort", .start = 7,
     .arrange = [] { g_fakeDrive.runningReadFaults[2] = ReadFault::Short; }, .readBack = 512,
     .boxes = {kConfirm, Error(Differs(8))}},
    {.name = "ReadBackFails", .arrange = [] { g_fakeDrive.runningReadFaults[2] = ReadFault::Fail; },
     .readBack = 0, .boxes = {kConfirm, Error(Differs(0))}},
    // Each percentage from 0 to 100 shows once in each phase.
    {.name = "ProgressOf300Sectors", .count = 300, .imageBytes = 300 * 512,
     .arrange = [] { ResetFakeVolume(300, 512); }, .backedUp = 300, .written = 300},
};

INSTANTIATE_TEST_SUITE_P(Cases, WriteOperationTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
