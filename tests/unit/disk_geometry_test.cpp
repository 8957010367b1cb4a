#include "volume/disk_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

namespace {

TEST(MediaTypeName, NamesTheThreeKnownCodesOnly) {
  const struct {
    uint32_t code;
    const char* name;
  } cases[] = {
      {12, "FixedMedia"}, {2, "Floppy"},   {11, "RemovalMedia"}, {3, "unknown"},
      {0, "unknown"},     {1, "unknown"},  {10, "unknown"},      {13, "unknown"},
      {0xFFFFFFFF, "unknown"}, {0x8000000C, "unknown"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(MediaTypeName(c.code), c.name) << "MediaType " << c.code;
  }
}

TEST(DevicePath, IsBackslashesDotBackslashLetterColon) {
  for (char letter : {'A', 'E', 'Z'}) {
    char path[kDevicePathSize];
    std::memset(path, 0x5A, sizeof path);
    FormatDevicePath(letter, path);
    const char expected[7] = {'\\', '\\', '.', '\\', letter, ':', '\0'};
    EXPECT_EQ(std::memcmp(path, expected, sizeof expected), 0) << "drive " << letter;
    EXPECT_EQ(std::strlen(path), 6u);
    // The rest of the buffer is zero-filled before the path is formatted.
    for (size_t i = sizeof expected; i < kDevicePathSize - 1; ++i) {
      EXPECT_EQ(path[i], '\0') << "byte " << i << " of drive " << letter;
    }
  }
}

struct PositionCase {
  int32_t startSector;
  uint32_t bytesPerSector;
  bool addressable;
};

class StartPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(StartPositionTest, StaysBelowTwoGibibytes) {
  const PositionCase& c = GetParam();
  EXPECT_EQ(StartPositionIsAddressable(c.startSector, c.bytesPerSector), c.addressable)
      << "start " << c.startSector << ", " << c.bytesPerSector << " bytes a sector";
}

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    DiskGeometry, StartPositionTest,
    ::testing::Values(
        PositionCase{0, 512, true}, PositionCase{1, 512, true},
        PositionCase{-1, 512, false}, PositionCase{kInt32Min, 512, false},
        // 2^31 / 512 = 4194304 is the first start that reaches 2 GiB.
        PositionCase{4194303, 512, true}, PositionCase{4194304, 512, false},
        PositionCase{524287, 4096, true}, PositionCase{524288, 4096, false},
        PositionCase{1048575, 2048, true}, PositionCase{1048576, 2048, false},
        PositionCase{kInt32Max, 1, true}, PositionCase{kInt32Max, 2, false},
        // Products that wrap around in 32 bits to a small value are still refused.
        PositionCase{8388608, 512, false},   // 2^32: wraps to 0
        PositionCase{8388609, 512, false},   // 2^32 + 512
        PositionCase{16777216, 256, false},  // 2^32
        PositionCase{2, 0x80000000u, false}, PositionCase{1, 0x80000000u, false},
        PositionCase{1, 0x7FFFFFFFu, true}, PositionCase{kInt32Max, 512, false},
        PositionCase{kInt32Max, 0xFFFFFFFFu, false},
        // No sector size: every position is 0.
        PositionCase{0, 0, true}, PositionCase{kInt32Max, 0, true},
        PositionCase{-1, 0, false}));

}  // namespace
