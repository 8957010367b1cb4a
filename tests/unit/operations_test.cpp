// Both operations over the fakes: the rows whose outcome no rule can judge, then the fault matrix,
// whose every cell must keep every rule of the checked run.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include "tests/fakes/fakes.h"
#include "volume/volume_lock.h"
#include "window/window_conventions.h"
namespace {
namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
const fs::path kFigures = fs::current_path() / "fault-matrix.txt";  // where the test starts
// The fake drive, an image whose bytes differ from the drive's, and a Yes for the confirmation.
void Arrange(int32_t imageSectors, uint32_t sectors = 64, uint32_t sector = 512) {
  ResetFakes(sectors, sector);
  g_drive.image.resize(imageSectors * sector);
  for (size_t i = 0; i < g_drive.image.size(); ++i) g_drive.image[i] = (unsigned char)(i * 13 + 7);
  g_answers = {kAnswerYes};
}
// Every status and title of a small read and write after a busy lock; the refusals (dump_bak.img as
// the image: end to end); four sectors dumped of five; progress past 40 MiB, where 32 bits wrap.
struct Row {
  const char* name;
  bool write = true;
  int32_t start = 10, count = 5;
  const char* box = nullptr;  // the error box's text; null: none
  int dumped = -1;  // sectors in the dump box; -1: none. What a file holds, the rules judge.
  int lockRefusals = 0;
  int32_t imageSectors = 5;
  uint32_t sectors = 64, sector = 512, media = kMediaRemovable, writability = 0;
  Texts statuses = {}, titles = {};  // all of them in order; empty: not checked
};
const Texts kRead = {"Reading DATA.. 33%", "Reading DATA.. 66%", "Reading DATA..100%"};
const Texts kWrite = {"Write DATA .. 33%", "Write DATA .. 66%", "Write DATA ..100%"};
const Row kRows[] = {
    {.name = "ReadOfThreeSectors", .write = false, .count = 3, .dumped = 3, .lockRefusals = 3, .statuses =
     {"HANDLE OK", "DRIVE LOCK OK", "Reading GEOMETRY..", "Reading DATA..", kRead[0], kRead[1], kRead[2], "終了"},
     .titles = kRead},
    {.name = "WriteOfThreeSectors", .count = 3, .dumped = 3, .lockRefusals = 1, .imageSectors = 3,
     .statuses = {"HANDLE OK", "DRIVE LOCK OK", "Reading GEOMETRY..", "Read DATA",
                  "BackUp Original DATA", "BackUp Original DATA .. 33%", "BackUp Original DATA .. 66%",
                  "BackUp Original DATA ..100%", "Write DATA", kWrite[0], kWrite[1], kWrite[2], "終了"},
     .titles = kWrite},
    {.name = "WriteOfFiveSectorsDumpsFour", .dumped = 4, .sector = 128},
    {.name = "ReadStartAt2GiB", .write = false, .start = 4194304, .box = "開始セクターが範囲外です"},
    // 8,388,609 × 512 wraps to 512 bytes in 32 bits, which the image covers.
    {.name = "WriteCountWrappingToTheImage", .count = 8388609, .box = "書込みセクター数が範囲外です", .imageSectors = 1},
    {.name = "WriteToAFixedDisk", .box = "ハードディスクにはやめたほうが無難でしょう", .media = kMediaFixed},
    {.name = "WriteToAProtectedMedium", .box = "媒体が書込み禁止になっています。何も書き込んでおらず、"
     "dump_bak.img も前のままです\r\n理由: system reason 19", .writability = kErrorWriteProtect, .statuses =
     {"HANDLE OK", "DRIVE LOCK OK", "Reading GEOMETRY..", "終了"}},
    {.name = "ReadPast40MiB", .write = false, .start = 0, .count = 90000, .dumped = 4,
     .sectors = 90000}};
class Operations : public ::testing::TestWithParam<Row> {};
TEST_P(Operations, DoWhatWasAskedAndTellIt) {
  const Row& r = GetParam();
  Arrange(r.imageSectors, r.sectors, r.sector);
  g_drive.geometry.MediaType = r.media;
  g_drive.lockRefusals = r.lockRefusals;
  g_drive.writability = r.writability;
  EXPECT_EQ(RunChecked(r.write, r.start, r.count), "");
  EXPECT_EQ(ShownTexts("エラー"), r.box ? Texts{r.box} : Texts{});
  const Texts dumps = ShownTexts("#300");  // a line of 16 bytes after the header
  const auto lines = dumps.empty() ? -1 : std::count(dumps[0].begin(), dumps[0].end(), '\n') - 1;
  EXPECT_EQ(lines, r.dumped < 0 ? -1 : r.dumped * int(r.sector) / 16);
  if (!r.statuses.empty()) {
    EXPECT_EQ(ShownTexts("status"), r.statuses);
    EXPECT_EQ(ShownTexts("title"), r.titles);
  }
}
INSTANTIATE_TEST_SUITE_P(Rows, Operations, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });
// Each operation runs once without faults, 3 sectors and 40; then each call it made fails, each
// transfer comes short, and each obstacle below stands in the way, in runs of their own.
const bool kUnix = fs::exists("/dev/full");  // Wine cannot make a symbolic link
TEST(FaultMatrix, NoCellLosesDataOrLeavesTheUserUntold) {
  int tried = 0, held = 0;
  const auto cell = [&](bool write, int32_t count, int at, Fault fault, std::string obstacle) {
    Arrange(count);
    g_drive.faultAt = at;
    g_drive.fault = fault;
    g_drive.losesWrites = obstacle == "loses writes";
    g_drive.lockRefusals = obstacle == "lock refused" ? kLockAttempts : 0;
    if (obstacle == "write-protected") g_drive.writability = kErrorWriteProtect;
    if (obstacle == "unsupported") g_drive.writability = 50;  // ERROR_NOT_SUPPORTED
    const std::string file = write ? "dump_bak.img" : "dump.img";
    if (obstacle == "folder") fs::create_directory(file);
    std::ofstream("precious") << "a file the user keeps elsewhere";
    if (obstacle == "partial left") std::ofstream(file + ".tmp") << "left by a run that stopped";
    if (obstacle == "partial a folder") fs::create_directory(file + ".tmp");
    if (obstacle == "partial linked") fs::create_symlink(fs::absolute("precious"), file + ".tmp");
    if (obstacle == "partial hard-linked") fs::create_hard_link("precious", file + ".tmp");
    if (obstacle == "created elsewhere") g_drive.created = Created::Elsewhere;
    if (obstacle == "created hard-linked") g_drive.created = Created::HardLinked;
    if (obstacle == "created a reparse point") g_drive.created = Created::ReparsePoint;
    if (obstacle == "answered No") g_answers = {kAnswerNo};
    if (obstacle == "no answer") g_answers = {0};
    if (obstacle == "box closed") g_answers = {2};  // IDCANCEL
    const std::string broken = RunChecked(write, 10, count);
    ++tried;
    held += broken.empty();
    EXPECT_EQ(broken, "") << (write ? "write" : "read") << " of " << count << " sectors, call "
                          << at << " fault " << int(fault) << " " << obstacle;
  };
  for (const bool write : {false, true}) {
    for (const int32_t count : {3, 40}) {
      Arrange(count);
      RunChecked(write, 10, count);
      const std::vector<Logged> calls = g_drive.calls;
      for (std::string obstacle : {"folder", "lock refused", "loses writes", "answered No",
                                   "no answer", "box closed", "write-protected", "unsupported",
                                   "partial left", "partial a folder", "partial hard-linked",
                                   "partial linked", "created elsewhere", "created hard-linked",
                                   "created a reparse point"})
        if (kUnix || obstacle != "partial linked") cell(write, count, -1, Fault::Fail, obstacle);
      for (int at = 0; at < std::ssize(calls); ++at) {
        const Call c = calls[at].call;
        if (c == Call::Close) continue;  // it cannot go wrong
        cell(write, count, at, Fault::Fail, "");
        if (c == Call::ReadAt || c == Call::Read || c == Call::Write || c == Call::ImageRead ||
            c == Call::FileWrite)
          cell(write, count, at, Fault::Short, "");
      }
    }
  }
  std::ofstream(kFigures) << "fault matrix: " << tried << " cells tried, " << held << " held\n";
}
}  // namespace
