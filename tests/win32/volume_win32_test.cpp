// The Win32 volume layer where torvex.exe never takes it: one file under other names, buffers
// no 32-bit process gets, a drive and a file that are not there.
#include <windows.h>

#include <gtest/gtest.h>
#include <fstream>

#include "tests/unit/test_support.h"
#include "volume/volume.h"

TEST(VolumeWin32, OneFileUnderOtherNamesAndNoBufferOf4GiB) {
  TestDirectory folder;
  std::ofstream("dump_bak.img") << "backup";
  std::ofstream("other.img") << "other";
  ASSERT_TRUE(CreateHardLinkA("linked.img", "dump_bak.img", nullptr));
  const struct { std::string name; bool same; } rows[] = {
      {.name = folder.path.string() + "\\SUB\\..\\DUMP_BAK.IMG", .same = true},
      {.name = "linked.img", .same = true}, {.name = "other.img", .same = false}};
  for (const auto& row : rows) EXPECT_EQ(IsSameFile(row.name.c_str(), "dump_bak.img"), row.same);
  EXPECT_EQ(AllocateBuffer(uint64_t{1} << 32), nullptr);
  EXPECT_EQ(AllocateBuffer(UINT32_MAX), nullptr);  // more than a 32-bit process can have
  EXPECT_EQ(QueryTotalBytes("Q:\\"), 0u);           // no such drive
  uint64_t size = 1;
  EXPECT_FALSE(QueryImageFileSize("missing.img", &size));
}
