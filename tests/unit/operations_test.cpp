// Both operations over the fake drive: what only a fake can make happen
// (faults at any call, pending reads, no memory, sizes no medium has), one row
// a case; then the fault matrix, every call of a run failed in every way.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/fakes/fake_volume.h"
#include "tests/fakes/fake_window.h"
#include "tests/fakes/operation_check.h"
#include "tests/unit/test_support.h"

namespace {

namespace fs = std::filesystem;
constexpr auto kNoFault = Call::Close;  // the one call that cannot go wrong
constexpr int kNoFile = -1;

using Box = Shown;
Box MainBox(const char* caption, const char* text, unsigned style) {
  return {ShownKind::MessageBox, text, 0, caption, BoxOwner::MainWindow, style};
}
Box Error(const char* text) { return MainBox("エラー", text, kBoxIconWarning); }
Box Refusal(const char* text) { return MainBox("エラー", text, kBoxOk); }
const Box kNotSaved = Error("元のデータを dump_bak.img に保存できなかったので、何も書き込んでいません");
const Box kNoImage = Error("イメージファイルを読み込めません。ほかのプログラムが使っていないか確かめてください");
const Box kNoWriteMemory = Error("書込み用のメモリを確保できません");
const Box kNoReadMemory = Refusal("読出し用のメモリを確保できません");
const Box kBadStart = Refusal("開始セクターが範囲外です");
const Box kBadSector = Refusal("このセクターサイズには対応していません");
const Box kStopped31 = Error("書込みが途中で止まりました。書き込めたのは 3 セクター中 1 セクターです");
const Box kStopped30 = Error("書込みが途中で止まりました。書き込めたのは 3 セクター中 0 セクターです");
const Box kDiffers10 = Error("読み戻した内容が書き込んだデータと違います。最初に違うのはセクター 10 です");
const Box kDiffers11 = Error("読み戻した内容が書き込んだデータと違います。最初に違うのはセクター 11 です");

struct Row {
  const char* name;
  bool write = false;
  int32_t start = 10, count = 3;
  Call call = kNoFault;
  int nth = 0;  // which call of its kind goes wrong, from 0
  Fault fault = Fault::Fail;
  uint32_t sector = 512, driveSectors = 64;
  uint64_t imageSize = 0;  // 0: as large as the range
  int answer = kAnswerYes;
  Box box = {};            // the last box after the confirmation; empty: none
  int saved = 3;           // sectors dump.img or dump_bak.img holds from the start
  int written = 0;         // sectors of the image on the drive from the start
  const char* trace = "";  // a line the trace holds
  const char* title = "";  // a progress format every percentage of which the title shows once
  const char* status = "終了";
};

const Row kRows[] = {
    {.name = "ReadStopsAtAFailedFirstRead", .call = Call::ReadAt, .saved = 0, .trace = "nRead=0"},
    {.name = "ReadKeepsWhatCameBeforeAFault", .call = Call::ReadAt, .nth = 1, .saved = 1},
    {.name = "ReadAwaitsAPendingRead", .call = Call::ReadAt, .nth = 1, .fault = Fault::Pending},
    {.name = "ReadLockRefused", .call = Call::Lock,
     .box = MainBox("エラーリターン", "system message 31", kBoxOk),
     .saved = kNoFile, .status = "DRIVE LOCK ERROR"},
    {.name = "ReadWithoutMemory", .call = Call::Allocate, .box = kNoReadMemory, .saved = kNoFile},
    {.name = "ReadOf2GiB", .count = 4194304, .box = kNoReadMemory, .saved = kNoFile},
    {.name = "ReadCountWrappingIn32Bits", .count = 8388609, .box = kNoReadMemory, .saved = kNoFile},
    {.name = "ReadLastAddressableStart", .start = 4194303, .count = 1, .saved = 0},
    {.name = "ReadStartAt2GiB", .start = 4194304, .box = kBadStart, .saved = kNoFile},
    {.name = "Read2048ByteSectors", .sector = 2048, .driveSectors = 16},
    {.name = "Read4096ByteSectors", .sector = 4096, .box = kBadSector, .saved = kNoFile},
    {.name = "ReadProgressPast40MiB", .start = 0, .count = 90000, .driveSectors = 90000,
     .saved = 90000, .title = "Reading DATA..%3d%%"},
    {.name = "WriteBoxClosedWithoutAnswer", .write = true, .answer = 0, .saved = kNoFile, .status = "書き込まず終了"},
    {.name = "WriteLockRefused", .write = true, .call = Call::Lock,
     .box = {ShownKind::MessageBox, "ドライブのロックに失敗しました", 0, "エラー", BoxOwner::None,
             kBoxIconInformation},
     .saved = kNoFile, .status = "DRIVE LOCK ERROR"},
    {.name = "WriteImageDeliversLess", .write = true, .call = Call::ImageRead, .fault = Fault::Short, .box = kNoImage,
     .saved = kNoFile},
    {.name = "WriteWithoutMemoryForTheImage", .write = true, .call = Call::Allocate, .box = kNoWriteMemory,
     .saved = kNoFile},
    {.name = "WriteWithoutMemoryForTheBackup", .write = true, .call = Call::Allocate, .nth = 1,
     .box = kNoWriteMemory, .saved = kNoFile},
    {.name = "WriteImageOf4GiB", .write = true, .imageSize = uint64_t{1} << 32,
     .box = Error("4GB以上のイメージファイルには対応していません"), .saved = kNoFile},
    {.name = "WriteCountWrappingToTheImage", .write = true, .count = 8388609, .imageSize = 512,
     .box = Error("書込みセクター数が範囲外です"), .saved = kNoFile},
    {.name = "Write64KiBSectors", .write = true, .sector = 65536,
     .box = Error("このセクターサイズには対応していません"), .saved = kNoFile},
    {.name = "BackupStopsAtAFailedRead", .write = true, .call = Call::Read, .nth = 1, .box = kNotSaved, .saved = 1},
    {.name = "BackupPositionFails", .write = true, .call = Call::Position, .box = kNotSaved, .saved = 0},
    {.name = "WritePositionFails", .write = true, .call = Call::Position, .nth = 1, .box = kStopped30},
    {.name = "WriteStopsAtASecondFailure", .write = true, .call = Call::Write, .nth = 1, .box = kStopped31,
     .written = 1},
    {.name = "ReadBackPositionFails", .write = true, .call = Call::Position, .nth = 2, .box = kDiffers10,
     .written = 3},
    {.name = "ReadBackFails", .write = true, .call = Call::Read, .nth = 3, .box = kDiffers10, .written = 3},
    {.name = "ReadBackShort", .write = true, .call = Call::Read, .nth = 3, .fault = Fault::Short, .box = kDiffers11,
     .written = 3},
    {.name = "WriteProgressOf300Sectors", .write = true, .start = 0, .count = 300, .driveSectors = 300,
     .saved = 300, .written = 300, .title = "Write DATA ..%3d%%"},
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

// Runs the operation with its trace captured; the first rule it broke, or "".
std::string Checked(bool write, int32_t start, int32_t count, std::string* trace = nullptr) {
  std::string broken;
  const std::string out = CaptureStdout([&] { broken = RunOperationChecked(write, start, count); });
  if (trace) *trace = out;
  return broken;
}

unsigned char ImageByte(uint64_t i) { return static_cast<unsigned char>(i * 13 + i / 512 + 7); }

// A drive of the row's shape with its image, the confirmation answered.
void Arrange(uint32_t sectors, uint32_t sector, uint64_t imageSize, int answer) {
  ResetFakeVolume(sectors, sector);
  ResetFakeWindow();
  g_fakeWindow.answers = {answer};
  g_fakeDrive.imagePath = "C:\\images\\new.img";
  g_fakeDrive.image.resize(imageSize < (1u << 24) ? imageSize : 0);
  for (size_t i = 0; i < g_fakeDrive.image.size(); ++i) g_fakeDrive.image[i] = ImageByte(i);
  g_fakeDrive.imageSizeReported = imageSize;
  fs::remove_all("dump.img"), fs::remove_all("dump_bak.img");
}

// The log index of the `nth` call of its kind in a run without faults; -1 when there is none.
int LogIndex(Call call, int nth, bool write, int32_t start, int32_t count) {
  Checked(write, start, count);
  for (size_t i = 0; i < g_fakeLog.calls.size(); ++i)
    if (g_fakeLog.calls[i] == call && nth-- == 0) return static_cast<int>(i);
  return -1;
}

std::string Bytes(int sectors, uint32_t sector, uint64_t first, bool image) {
  std::string bytes;
  for (uint64_t i = 0; i < uint64_t(sectors) * sector; ++i)
    bytes += static_cast<char>(image ? ImageByte(i) : FakeSectorByte(first + i));
  return bytes;
}

std::vector<std::string> EveryPercentage(const char* format) {
  std::vector<std::string> texts(101, std::string(32, '\0'));
  for (int p = 0; p <= 100; ++p) texts[p].resize(std::snprintf(texts[p].data(), 32, format, p));
  return texts;
}

class Operations : public ::testing::TestWithParam<Row> {};

TEST_P(Operations, DoWhatTheUserAskedAndTellWhatHappened) {
  TestDirectory directory;
  const Row& r = GetParam();
  const uint64_t imageSize = r.imageSize ? r.imageSize : uint64_t(r.count) * r.sector;
  auto arrange = [&] { Arrange(r.driveSectors, r.sector, imageSize, r.answer); };
  arrange();
  const int faultAt = r.call == kNoFault ? -1 : LogIndex(r.call, r.nth, r.write, r.start, r.count);
  ASSERT_TRUE(r.call == kNoFault || faultAt >= 0) << "no such call";
  arrange();
  g_fakeDrive.faultAt = faultAt, g_fakeDrive.fault = r.fault;
  std::string trace;
  EXPECT_EQ(Checked(r.write, r.start, r.count, &trace), "");

  const std::vector<Shown> boxes = ShownOf(ShownKind::MessageBox);
  EXPECT_EQ(boxes.empty() || boxes.back().caption == "確認" ? Box{} : boxes.back(), r.box);
  EXPECT_EQ(ShownTexts(ShownKind::Status).back(), r.status);
  const uint64_t first = uint64_t(r.start) * r.sector;
  const char* file = r.write ? "dump_bak.img" : "dump.img";
  if (r.saved == kNoFile) EXPECT_FALSE(fs::exists(file));
  else EXPECT_EQ(directory.Read(file), Bytes(r.saved, r.sector, first, false));
  if (r.written > 0) {
    const std::string onDrive(g_fakeDrive.sectors.begin() + first,
                              g_fakeDrive.sectors.begin() + first + r.written * r.sector);
    EXPECT_EQ(onDrive, Bytes(r.written, r.sector, 0, true));
  }
  EXPECT_NE(trace.find(r.trace), std::string::npos) << trace;
  if (*r.title) {
    EXPECT_EQ(ShownTexts(ShownKind::Title), EveryPercentage(r.title));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Operations, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The fault matrix. A run of each operation without faults lists the calls it
// makes; each cell makes one of them go wrong in one way (of a run of one call:
// the first, a middle and the last), or stands something in the way of the
// dump file. 3 sectors reach the file at its close, 40 at a write.
struct Cell {
  int at;
  Fault fault;
  const char* obstacle;  // in place of the dump file: "folder", "full disk" or null
};

bool Transfers(Call c) {
  return c == Call::ReadAt || c == Call::Read || c == Call::Write || c == Call::ImageRead;
}

std::vector<Cell> Cells(const std::vector<Call>& calls) {
  std::vector<Cell> cells = {{-1, Fault::Fail, "folder"}};
#ifndef _WIN32
  cells.push_back({-1, Fault::Fail, "full disk"});
#endif
  for (size_t i = 0, first = 0; i < calls.size(); ++i) {
    if (i > 0 && calls[i] != calls[i - 1]) first = i;
    size_t last = i;
    while (last + 1 < calls.size() && calls[last + 1] == calls[i]) ++last;
    if (calls[i] == Call::Close || (i != first && i != last && i != (first + last) / 2)) continue;
    const int at = static_cast<int>(i);
    cells.push_back({at, Fault::Fail, nullptr});
    if (Transfers(calls[i])) cells.push_back({at, Fault::Short, nullptr});
    if (calls[i] == Call::ReadAt) cells.push_back({at, Fault::Pending, nullptr});
  }
  return cells;
}

TEST(FaultMatrix, NoCellLosesDataOrLeavesTheUserUntold) {
  const fs::path figures = fs::current_path() / "fault-matrix.txt";
  TestDirectory directory;
  int tried = 0, held = 0;
  for (const bool write : {false, true}) {
    for (const int32_t count : {3, 40}) {
      Arrange(64, 512, count * 512u, kAnswerYes);
      Checked(write, 10, count);
      for (const Cell& cell : Cells(g_fakeLog.calls)) {
        Arrange(64, 512, count * 512u, kAnswerYes);
        g_fakeDrive.faultAt = cell.at, g_fakeDrive.fault = cell.fault;
        const char* file = write ? "dump_bak.img" : "dump.img";
        const std::string obstacle = cell.obstacle ? cell.obstacle : "";
        if (obstacle == "folder") fs::create_directory(file);
        if (obstacle == "full disk") fs::create_symlink("/dev/full", file);
        const std::string broken = Checked(write, 10, count);
        ++tried, held += broken.empty();
        EXPECT_EQ(broken, "") << (write ? "write" : "read") << " of " << count << " sectors, call "
                              << cell.at << " fault " << int(cell.fault) << " " << obstacle;
      }
    }
  }
  std::ofstream(figures) << "fault matrix: " << tried << " cells tried, " << held << " held\n";
  std::printf("fault matrix: %d cells tried, %d held\n", tried, held);
}

}  // namespace
