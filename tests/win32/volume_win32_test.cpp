// The Win32 volume layer against drive X: of the test prefix, whose raw
// volume is the image file TORVEX_DRIVES/x.img (128 sectors of 512 bytes).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/unit/stdout_capture.h"
#include "volume/geometry_query.h"
#include "volume/volume.h"

namespace {

constexpr uint32_t kSector = 512;
constexpr uint32_t kSectors = 128;

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ImagePath() {
  const char* drives = std::getenv("TORVEX_DRIVES");
  return drives ? WindowsPath(std::string(drives) + "/x.img") : std::string();
}

char PatternByte(uint32_t offset) { return static_cast<char>(offset / kSector * 3 + offset % 253); }

std::string ImageBytes(uint32_t offset, uint32_t length) {
  std::ifstream in(ImagePath(), std::ios::binary);
  std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return all.substr(offset, length);
}

std::string Pattern(uint32_t offset, uint32_t length) {
  std::string bytes;
  for (uint32_t i = 0; i < length; ++i) bytes += PatternByte(offset + i);
  return bytes;
}

class VolumeWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ImagePath().empty()) << "TORVEX_DRIVES is not set";
    std::ofstream out(ImagePath(), std::ios::binary | std::ios::trunc);
    out << Pattern(0, kSector * kSectors);
    ASSERT_TRUE(out.good());
  }
  void TearDown() override {
    if (volume_) CloseVolume(volume_);
  }
  VolumeHandle volume_ = nullptr;
};

TEST_F(VolumeWin32Test, PositionedReadsDeliverTheirSectors) {
  volume_ = OpenVolumeForReading('X');
  ASSERT_NE(volume_, nullptr);
  EXPECT_EQ(LockVolume(volume_), 0u);
  for (uint32_t sector : {0u, 10u, kSectors - 1}) {
    char buffer[kSector] = {};
    uint32_t delivered = 0;
    EXPECT_EQ(ReadVolumeAt(volume_, uint64_t{sector} * kSector, buffer, kSector, &delivered), 0u);
    EXPECT_EQ(delivered, kSector);
    EXPECT_EQ(std::string(buffer, kSector), Pattern(sector * kSector, kSector)) << sector;
  }
}

TEST_F(VolumeWin32Test, ReadingAtTheEndDeliversNothing) {
  volume_ = OpenVolumeForReading('X');
  ASSERT_NE(volume_, nullptr);
  char buffer[kSector];
  uint32_t delivered = 99;
  const uint32_t error = ReadVolumeAt(volume_, kSectors * kSector, buffer, kSector, &delivered);
  EXPECT_EQ(delivered, 0u);
  EXPECT_TRUE(error == kErrorHandleEof || error == 0) << error;
  // Past the end as well.
  EXPECT_NE(ReadVolumeAt(volume_, (kSectors + 5) * kSector, buffer, kSector, &delivered), 0u);
  EXPECT_EQ(delivered, 0u);
  SetVolumePosition(volume_, kSectors * kSector);
  EXPECT_EQ(ReadVolume(volume_, buffer, kSector), 0u);
}

TEST_F(VolumeWin32Test, RunningPointerReadsFollowThePosition) {
  volume_ = OpenVolumeForReading('X');
  ASSERT_NE(volume_, nullptr);
  SetVolumePosition(volume_, 7 * kSector);
  char buffer[kSector];
  ASSERT_EQ(ReadVolume(volume_, buffer, kSector), kSector);
  EXPECT_EQ(std::string(buffer, kSector), Pattern(7 * kSector, kSector));
  ASSERT_EQ(ReadVolume(volume_, buffer, kSector), kSector);
  EXPECT_EQ(std::string(buffer, kSector), Pattern(8 * kSector, kSector));
}

TEST_F(VolumeWin32Test, WrittenSectorReadsBackAndReachesTheImage) {
  volume_ = OpenVolumeForWriting('X');
  ASSERT_NE(volume_, nullptr);
  EXPECT_EQ(LockVolume(volume_), 0u);
  const std::string sector(kSector, '\x5A');
  SetVolumePosition(volume_, 3 * kSector);
  EXPECT_EQ(WriteVolume(volume_, sector.data(), kSector), kSector);
  char buffer[kSector] = {};
  uint32_t delivered = 0;
  EXPECT_EQ(ReadVolumeAt(volume_, 3 * kSector, buffer, kSector, &delivered), 0u);
  EXPECT_EQ(std::string(buffer, delivered), sector);
  CloseVolume(volume_);
  volume_ = nullptr;
  EXPECT_EQ(ImageBytes(3 * kSector, kSector), sector);
  EXPECT_EQ(ImageBytes(2 * kSector, kSector), Pattern(2 * kSector, kSector));
  EXPECT_EQ(ImageBytes(4 * kSector, kSector), Pattern(4 * kSector, kSector));
}

TEST_F(VolumeWin32Test, MissingDriveCannotBeOpened) {
  EXPECT_EQ(OpenVolumeForReading('Q'), nullptr);
  EXPECT_EQ(OpenVolumeForWriting('Q'), nullptr);
}

TEST_F(VolumeWin32Test, FreeSpaceQueryReportsTheDriveRoot) {
  EXPECT_GT(QueryTotalBytes("X:\\"), 0u);
  EXPECT_EQ(QueryTotalBytes("Q:\\"), 0u);
}

// Wine has no drive-geometry call for an image-backed drive: the query must
// fail cleanly, leave no record and say so once in the trace.
TEST_F(VolumeWin32Test, FailedGeometryQueryLeavesNoRecord) {
  volume_ = OpenVolumeForReading('X');
  ASSERT_NE(volume_, nullptr);
  DiskGeometry* geometry = reinterpret_cast<DiskGeometry*>(1);
  uint32_t error = 0;
  const std::string trace = CaptureStdout([&] { error = QueryGeometry(volume_, &geometry); });
  EXPECT_NE(error, 0u);
  EXPECT_EQ(geometry, nullptr);
  EXPECT_EQ(trace, "ioctl fail\r\n");
}

TEST_F(VolumeWin32Test, ImageFileCalls) {
  uint64_t size = 0;
  ASSERT_TRUE(QueryImageFileSize(ImagePath().c_str(), &size));
  EXPECT_EQ(size, kSector * kSectors);
  ImageFileHandle file = OpenImageFile(ImagePath().c_str());
  ASSERT_NE(file, nullptr);
  char buffer[100];
  EXPECT_EQ(ReadImageFile(file, buffer, sizeof buffer), sizeof buffer);
  EXPECT_EQ(std::string(buffer, sizeof buffer), Pattern(0, sizeof buffer));
  CloseImageFile(file);
  EXPECT_FALSE(QueryImageFileSize((ImagePath() + ".missing").c_str(), &size));
}

// Whether two names lead to one file: by full path, whatever the case or
// the relative form, and by identity, whatever the name.
struct SameFileCase {
  const char* name;
  const char* path;
  const char* otherPath;
  bool same;
};

void PrintTo(const SameFileCase& c, std::ostream* out) { *out << c.name; }

class SameFile : public ::testing::TestWithParam<SameFileCase> {};

TEST_P(SameFile, ComparesFullPathsAndIdentity) {
  char folder[MAX_PATH];
  ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
  const std::string work = std::string(folder) + "torvex-same-file";
  CreateDirectoryA(work.c_str(), nullptr);
  ASSERT_TRUE(SetCurrentDirectoryA(work.c_str()));
  std::ofstream("dump_bak.img") << "backup";
  std::ofstream("other.img") << "other";
  DeleteFileA("linked.img");
  ASSERT_TRUE(CreateHardLinkA("linked.img", "dump_bak.img", nullptr));
  const SameFileCase& c = GetParam();
  const std::string path = c.path[0] == '*' ? work + (c.path + 1) : c.path;
  EXPECT_EQ(IsSameFile(path.c_str(), c.otherPath), c.same);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SameFile,
    ::testing::Values(SameFileCase{"SameName", "dump_bak.img", "dump_bak.img", true},
                      SameFileCase{"FullAndRelative", "*\\dump_bak.img", "dump_bak.img", true},
                      SameFileCase{"OtherCase", "*\\DUMP_BAK.IMG", "dump_bak.img", true},
                      SameFileCase{"DotSegments", "*\\sub\\..\\dump_bak.img", "dump_bak.img", true},
                      SameFileCase{"HardLink", "linked.img", "dump_bak.img", true},
                      SameFileCase{"OtherFile", "other.img", "dump_bak.img", false},
                      SameFileCase{"MissingFile", "missing.img", "dump_bak.img", false}),
    [](const ::testing::TestParamInfo<SameFileCase>& info) { return info.param.name; });

TEST(Buffers, ComeFromTheSystemUpTo4GiB) {
  void* empty = AllocateBuffer(0);
  EXPECT_NE(empty, nullptr);
  ReleaseBuffer(empty);
  ReleaseBuffer(nullptr);
  EXPECT_EQ(AllocateBuffer(uint64_t{1} << 32), nullptr);
  // A 32-bit process has no room for nearly 4 GiB in one piece.
  EXPECT_EQ(AllocateBuffer(UINT32_MAX), nullptr);
}

}  // namespace
