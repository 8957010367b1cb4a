// The read operation against the fake volume and the recording window.
#include "ops/read_operation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/control_ids.h"
#include "output/hex_dump.h"
#include "tests/fakes/fake_volume.h"
#include "tests/fakes/fake_window.h"
#include "tests/unit/stdout_capture.h"
#include "tests/unit/test_directory.h"

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const std::string kEol = "\r\n";
#else
const std::string kEol = "\n";
#endif

struct ReadRun {
  uint32_t result;
  std::string trace;
};

std::string SectorBytes(uint64_t firstByte, uint64_t length) {
  std::string bytes;
  for (uint64_t i = 0; i < length; ++i) bytes += static_cast<char>(FakeSectorByte(firstByte + i));
  return bytes;
}

std::string ExpectedDump(uint64_t firstByte, uint16_t length, uint32_t base) {
  const std::string bytes = SectorBytes(firstByte, length);
  std::vector<char> text(kHexDumpTextSize);
  FormatHexDump(reinterpret_cast<const unsigned char*>(bytes.data()), length, base, text.data());
  return text.data();
}

class ReadOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFakeVolume(64, 512);
    ResetFakeWindow();
    g_dumpToFile = 1;
  }

  ReadRun Run(int32_t start, int32_t count, char letter = 'E') {
    ReadRun run{};
    run.trace = CaptureStdout([&] { run.result = ReadOperation(letter, "E:\\", start, count); });
    return run;
  }

  std::string DumpImg() { return directory_.Read("dump.img"); }

  TestDirectory directory_;
  const fs::path& workDirectory_ = directory_.path;
};

const std::string kGeometryTrace = "cylind= 80" + kEol + "mediatype=2" + kEol +
                                   "TracksPerCylinder=2" + kEol + "SectorsPerTrack=18" + kEol +
                                   "BytesPerSector=512" + kEol;

TEST_F(ReadOperationTest, OneSectorShowsEverythingInOrder) {
  const ReadRun run = Run(0, 1);
  EXPECT_EQ(run.result, 0u);
  EXPECT_EQ(ShownTexts(ShownKind::Status),
            (std::vector<std::string>{"HANDLE OK", "DRIVE LOCK OK", "Reading GEOMETRY..",
                                      "Reading DATA..", "Reading DATA..100%", "終了"}));
  EXPECT_EQ(ShownTexts(ShownKind::Title), (std::vector<std::string>{"Reading DATA..100%"}));
  EXPECT_TRUE(ShownBoxes().empty());
  EXPECT_EQ(LastControlText(kDumpBox), ExpectedDump(0, 512, 0));
  EXPECT_NE(LastControlText(kGeometryBox).find("メディアタイプ=Floppy"), std::string::npos);
  EXPECT_EQ(DumpImg(), SectorBytes(0, 512));
  EXPECT_EQ(run.trace, " ok handel" + kEol + " lock ok " + kEol + kGeometryTrace + "nRead=512" +
                           kEol + "nSize=-512" + kEol + "data=" + AsStandardOutput(SectorBytes(0, 512)) + kEol);
  // count + 1 reads, each of one whole sector at its own position.
  EXPECT_EQ(g_fakeVolumeLog.readPositions, (std::vector<uint64_t>{0, 512}));
  EXPECT_EQ(g_fakeVolumeLog.readSizes, (std::vector<uint32_t>{512, 512}));
  EXPECT_EQ(g_fakeVolumeLog.pointerMoves, (std::vector<uint32_t>{0}));
  EXPECT_EQ(g_fakeVolumeLog.closes, 1);
}

struct RunShape {
  int32_t start;
  int32_t count;
  uint32_t sectorsSaved;
  uint16_t dumpedBytes;
  std::vector<std::string> progress;
  std::string nSize;
};

class ReadRunShapes : public ReadOperationTest, public ::testing::WithParamInterface<RunShape> {};

TEST_P(ReadRunShapes, SavesDumpsAndCountsTheRun) {
  const RunShape& shape = GetParam();
  const ReadRun run = Run(shape.start, shape.count);
  const uint64_t first = uint64_t(shape.start) * 512;
  EXPECT_EQ(DumpImg(), SectorBytes(first, shape.sectorsSaved * 512));
  EXPECT_EQ(LastControlText(kDumpBox),
            ExpectedDump(first, shape.dumpedBytes, static_cast<uint32_t>(first)));
  EXPECT_EQ(ShownTexts(ShownKind::Title), shape.progress);
  std::vector<std::string> statuses = ShownTexts(ShownKind::Status);
  ASSERT_GE(statuses.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(statuses.begin() + 4, statuses.end() - 1), shape.progress);
  EXPECT_EQ(statuses.back(), "終了");
  EXPECT_NE(run.trace.find("nSize=" + shape.nSize + kEol), std::string::npos) << run.trace;
  EXPECT_EQ(g_fakeVolumeLog.closes, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ReadRunShapes,
    ::testing::Values(
        RunShape{0, 4, 4, 2048,
                 {"Reading DATA.. 25%", "Reading DATA.. 50%", "Reading DATA.. 75%",
                  "Reading DATA..100%"},
                 "-512"},
        // Five sectors are read, saved and counted; only four are dumped.
        RunShape{0, 5, 5, 2048,
                 {"Reading DATA.. 20%", "Reading DATA.. 40%", "Reading DATA.. 60%",
                  "Reading DATA.. 80%", "Reading DATA..100%"},
                 "-512"},
        // Start 10: the dump's first address is 00001400.
        RunShape{10, 2, 2, 1024, {"Reading DATA.. 50%", "Reading DATA..100%"}, "-512"},
        // Past the end of the 64-sector drive: the read at sector 64 ends the run.
        RunShape{62, 5, 2, 1024, {"Reading DATA.. 20%", "Reading DATA.. 40%"}, "1536"},
        // Nothing to copy: one read is issued and discarded, the title stays.
        RunShape{0, 0, 0, 0, {}, "-512"}, RunShape{3, -3, 0, 0, {}, "-2048"}));

TEST_F(ReadOperationTest, StartTenDumpsFromAddress1400) {
  Run(10, 1);
  EXPECT_EQ(g_fakeVolumeLog.readPositions.front(), 5120u);
  EXPECT_EQ(LastControlText(kDumpBox).substr(69, 10), "00001400| ");
}

TEST_F(ReadOperationTest, CountZeroCreatesAnEmptyDumpFileOverALongerOne) {
  std::ofstream(workDirectory_ / "dump.img", std::ios::binary) << std::string(4096, 'x');
  const ReadRun run = Run(0, 0);
  EXPECT_TRUE(fs::exists(workDirectory_ / "dump.img"));
  EXPECT_EQ(DumpImg(), "");
  EXPECT_EQ(g_fakeVolumeLog.readPositions.size(), 1u);
  EXPECT_NE(run.trace.find("nRead=512" + kEol + "nSize=-512" + kEol + "data=" + kEol),
            std::string::npos);
}

TEST_F(ReadOperationTest, UntickedBoxLeavesDumpFileAlone) {
  g_dumpToFile = 0;
  std::ofstream(workDirectory_ / "dump.img", std::ios::binary) << "old";
  const ReadRun run = Run(0, 2);
  EXPECT_EQ(DumpImg(), "old");
  const std::string tail = "data=" + kEol;
  ASSERT_GE(run.trace.size(), tail.size());
  EXPECT_EQ(run.trace.substr(run.trace.size() - tail.size()), tail);
}

struct FaultCase {
  const char* name;
  uint32_t readNumber;
  ReadFault fault;
  uint32_t sectorsSaved;
  std::string nRead;
};

class ReadFaults : public ReadOperationTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ReadFaults, StopAtTheFaultAndKeepWhatWasRead) {
  const FaultCase& c = GetParam();
  g_fakeDrive.readFaults[c.readNumber] = c.fault;
  const ReadRun run = Run(0, 3);
  EXPECT_EQ(run.result, 0u);
  EXPECT_EQ(DumpImg(), SectorBytes(0, c.sectorsSaved * 512));
  EXPECT_EQ(LastControlText(kDumpBox), ExpectedDump(0, c.sectorsSaved * 512, 0));
  EXPECT_NE(run.trace.find("nRead=" + c.nRead + kEol), std::string::npos) << run.trace;
  EXPECT_EQ(ShownTexts(ShownKind::Status).back(), "終了");
  EXPECT_TRUE(ShownBoxes().empty());
  EXPECT_EQ(g_fakeVolumeLog.closes, 1);
}

INSTANTIATE_TEST_SUITE_P(
    AtEachRead, ReadFaults,
    ::testing::Values(FaultCase{"FirstFails", 0, ReadFault::Fail, 0, "0"},
                      FaultCase{"SecondFails", 1, ReadFault::Fail, 1, "0"},
                      FaultCase{"ThirdDeliversNothing", 2, ReadFault::NoBytes, 2, "0"},
                      FaultCase{"LastFails", 3, ReadFault::Fail, 3, "0"},
                      // A pending read is waited for and counts like any other.
                      FaultCase{"SecondPending", 1, ReadFault::Pending, 3, "512"},
                      FaultCase{"ExtraReadPending", 3, ReadFault::Pending, 3, "512"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

TEST_F(ReadOperationTest, PendingReadIsAwaited) {
  g_fakeDrive.readFaults[0] = ReadFault::Pending;
  Run(0, 1);
  EXPECT_TRUE(g_fakeVolumeLog.pendingAwaited);
  EXPECT_EQ(DumpImg(), SectorBytes(0, 512));
}

TEST_F(ReadOperationTest, OpenFailureShowsInvalidDrive) {
  g_fakeDrive.refuseOpen = true;
  const ReadRun run = Run(0, 1);
  EXPECT_EQ(run.result, 1u);
  ASSERT_EQ(ShownBoxes().size(), 1u);
  const Shown box = ShownBoxes()[0];
  EXPECT_EQ(box.text, "無効なドライブです");
  EXPECT_EQ(box.caption, "エラー");
  EXPECT_EQ(box.owner, BoxOwner::MainWindow);
  EXPECT_EQ(box.style, kBoxOk);
  EXPECT_TRUE(ShownTexts(ShownKind::Status).empty());
  EXPECT_EQ(run.trace, "invalid handelinvalid handel" + kEol + "invalid handel" + kEol);
  EXPECT_EQ(g_fakeVolumeLog.closes, 0);
  EXPECT_FALSE(fs::exists(workDirectory_ / "dump.img"));
}

TEST_F(ReadOperationTest, LockFailureShowsTheSystemText) {
  g_fakeDrive.lockError = 33;  // ERROR_LOCK_VIOLATION
  const ReadRun run = Run(0, 1);
  EXPECT_EQ(run.result, 33u);
  ASSERT_EQ(ShownBoxes().size(), 1u);
  EXPECT_EQ(ShownBoxes()[0].text, FakeSystemErrorText(33));
  EXPECT_EQ(ShownBoxes()[0].caption, "エラーリターン");
  EXPECT_EQ(ShownBoxes()[0].owner, BoxOwner::MainWindow);
  EXPECT_EQ(ShownTexts(ShownKind::Status),
            (std::vector<std::string>{"HANDLE OK", "DRIVE LOCK ERROR"}));
  EXPECT_EQ(run.trace, " ok handel" + kEol + " lock error " + kEol);
  EXPECT_EQ(g_fakeVolumeLog.geometryCalls, 0);
  EXPECT_EQ(g_fakeVolumeLog.closes, 1);
}

TEST_F(ReadOperationTest, GeometryFailureEndsWithFinished) {
  g_fakeDrive.geometryError = 50;
  const ReadRun run = Run(0, 1);
  EXPECT_EQ(run.result, 0u);
  ASSERT_EQ(ShownBoxes().size(), 1u);
  EXPECT_EQ(ShownBoxes()[0].text, "ジオメトリリードエラー");
  EXPECT_EQ(ShownBoxes()[0].caption, "ステータス");
  EXPECT_EQ(ShownBoxes()[0].owner, BoxOwner::MainWindow);
  EXPECT_EQ(ShownTexts(ShownKind::Status),
            (std::vector<std::string>{"HANDLE OK", "DRIVE LOCK OK", "ジオメトリリードエラー",
                                      "終了"}));
  EXPECT_EQ(run.trace, " ok handel" + kEol + " lock ok " + kEol + "ioctl fail" + kEol);
  EXPECT_TRUE(g_fakeVolumeLog.readPositions.empty());
  EXPECT_EQ(g_fakeVolumeLog.closes, 1);
}

struct Refusal {
  const char* name;
  int32_t start;
  int32_t count;
  uint32_t bytesPerSector;
  const char* message;
};

class ReadRefusals : public ReadOperationTest, public ::testing::WithParamInterface<Refusal> {};

// Refused runs read nothing, save nothing and still close the volume once.
TEST_P(ReadRefusals, ReadNothing) {
  const Refusal& r = GetParam();
  g_fakeDrive.geometry.BytesPerSector = r.bytesPerSector;
  std::ofstream(workDirectory_ / "dump.img", std::ios::binary) << "old";
  const ReadRun run = Run(r.start, r.count);
  ASSERT_EQ(ShownBoxes().size(), 1u);
  EXPECT_EQ(ShownBoxes()[0].text, r.message);
  EXPECT_EQ(ShownBoxes()[0].caption, "エラー");
  EXPECT_TRUE(g_fakeVolumeLog.readPositions.empty());
  EXPECT_EQ(DumpImg(), "old");
  EXPECT_EQ(ShownTexts(ShownKind::Status).back(), "終了");
  EXPECT_EQ(run.trace.find("nRead="), std::string::npos);
  EXPECT_EQ(g_fakeVolumeLog.closes, 1);
}

INSTANTIATE_TEST_SUITE_P(
    BeforeReading, ReadRefusals,
    ::testing::Values(
        Refusal{"NegativeStart", -1, 1, 512, "開始セクターが範囲外です"},
        Refusal{"StartReaching2GiB", 4194304, 1, 512, "開始セクターが範囲外です"},
        Refusal{"StartWrappingIn32Bits", 8388608, 1, 512, "開始セクターが範囲外です"},
        Refusal{"CountOf2GiB", 0, 4194304, 512, "読出し用のメモリを確保できません"},
        Refusal{"CountWrappingIn32Bits", 0, 8388609, 512, "読出し用のメモリを確保できません"},
        Refusal{"SectorsOver2048Bytes", 0, 1, 4096, "このセクターサイズには対応していません"},
        Refusal{"ZeroByteSectors", 0, 1, 0, "このセクターサイズには対応していません"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST_F(ReadOperationTest, LastAddressableStartIsRead) {
  Run(4194303, 1);
  EXPECT_TRUE(ShownBoxes().empty());
  EXPECT_EQ(g_fakeVolumeLog.readPositions, (std::vector<uint64_t>{4194303ull * 512}));
}

TEST_F(ReadOperationTest, LargestSectorSizeFits) {
  ResetFakeVolume(8, 2048);
  Run(1, 2);
  EXPECT_TRUE(ShownBoxes().empty());
  EXPECT_EQ(DumpImg(), SectorBytes(2048, 4096));
  // The dump shows at most the first 2,048 bytes.
  EXPECT_EQ(LastControlText(kDumpBox), ExpectedDump(2048, 2048, 2048));
}

// Progress is sent only when its text changes, and it keeps counting right
// past 40 MiB, where pos x 100 no longer fits 32 bits.
TEST_F(ReadOperationTest, ProgressIsSentOnChangeAndNeverWraps) {
  const int32_t count = 90000;  // 46,080,000 bytes
  ResetFakeVolume(count, 512);
  Run(0, count);
  const std::vector<std::string> titles = ShownTexts(ShownKind::Title);
  ASSERT_EQ(titles.size(), 101u);  // 0 % to 100 %, each once
  for (size_t i = 0; i < titles.size(); ++i) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "Reading DATA..%3d%%", static_cast<int>(i));
    EXPECT_EQ(titles[i], expected);
  }
  EXPECT_EQ(fs::file_size(workDirectory_ / "dump.img"), uint64_t(count) * 512);
}

}  // namespace
