#include "volume/geometry_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "app/control_ids.h"
#include "tests/fakes/fake_window.h"

namespace {

constexpr uint64_t kGiB = 1024ull * 1024 * 1024;

std::string Report(const DiskGeometry& geometry, uint64_t totalBytes, RangeEnd end) {
  char text[kGeometryReportSize];
  std::memset(text, 0x5A, sizeof text);
  FormatGeometryReport(geometry, totalBytes, end, text);
  const void* terminator = std::memchr(text, '\0', sizeof text);
  EXPECT_NE(terminator, nullptr) << "the report is not NUL-ended inside its buffer";
  if (!terminator) return {};
  return text;
}

// The fourth line of the report: the capacity, the byte range and the sector count.
std::string CapacityLine(const std::string& report) {
  const std::string label = "総容量=";
  const size_t start = report.find(label);
  if (start == std::string::npos) return "(no capacity line)";
  const size_t end = report.find("\r\n", start);
  return report.substr(start + label.size(), end - start - label.size());
}

std::string FirstLine(const std::string& report) { return report.substr(0, report.find("\r\n")); }

const DiskGeometry kFixedDisk{243, kMediaFixed, 255, 63, 512};
const DiskGeometry kFloppy{80, kMediaFloppy144, 2, 18, 512};

TEST(GeometryReport, FixedDiskOfTheReadOperation) {
  EXPECT_EQ(Report(kFixedDisk, 2000000000, RangeEnd::LastByte),
            "シリンダ数=243\r\n"
            "1シリンダ当りのトラック数=255\r\n"
            "1トラック当りのセクター数=63\r\n"
            "1セクター当りの容量=512(byte)\r\n"
            "総容量=1907(Mbyte)(0-0x773593ff)(3906250)\r\n"
            "メディアタイプ=FixedMedia");
}

TEST(GeometryReport, FixedDiskOfTheWriteOperationEndsOneHigher) {
  EXPECT_EQ(Report(kFixedDisk, 2000000000, RangeEnd::TotalBytes),
            "シリンダ数=243\r\n"
            "1シリンダ当りのトラック数=255\r\n"
            "1トラック当りのセクター数=63\r\n"
            "1セクター当りの容量=512(byte)\r\n"
            "総容量=1907(Mbyte)(0-0x77359400)(3906250)\r\n"
            "メディアタイプ=FixedMedia");
}

TEST(GeometryReport, FloppyOfOnePointFourFourMegabytes) {
  const std::string report = Report(kFloppy, 1474560, RangeEnd::LastByte);
  EXPECT_EQ(report,
            "シリンダ数=80\r\n"
            "1シリンダ当りのトラック数=2\r\n"
            "1トラック当りのセクター数=18\r\n"
            "1セクター当りの容量=512(byte)\r\n"
            "総容量=1(Mbyte)(0-0x167fff)(2880)\r\n"
            "メディアタイプ=Floppy");
  const std::string lastLine = "\r\nメディアタイプ=Floppy";
  ASSERT_GE(report.size(), lastLine.size());
  EXPECT_EQ(report.substr(report.size() - lastLine.size()), lastLine);
}

TEST(GeometryReport, MediaNameOfEachType) {
  const struct {
    uint32_t mediaType;
    const char* lastLine;
  } cases[] = {
      {kMediaFixed, "\r\nメディアタイプ=FixedMedia"},
      {kMediaFloppy144, "\r\nメディアタイプ=Floppy"},
      {kMediaRemovable, "\r\nメディアタイプ=RemovalMedia"},
      {3, "\r\nメディアタイプ=unknown"},
      {0, "\r\nメディアタイプ=unknown"},
  };
  for (const auto& c : cases) {
    DiskGeometry geometry = kFloppy;
    geometry.MediaType = c.mediaType;
    const std::string report = Report(geometry, 1474560, RangeEnd::LastByte);
    const std::string lastLine = c.lastLine;
    ASSERT_GE(report.size(), lastLine.size());
    EXPECT_EQ(report.substr(report.size() - lastLine.size()), lastLine) << c.mediaType;
  }
}

struct CapacityCase {
  const char* name;
  uint64_t totalBytes;
  uint32_t bytesPerSector;
  RangeEnd end;
  const char* capacityLine;
};

class CapacityTest : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(CapacityTest, ShowsMegabytesRangeAndSectors) {
  const CapacityCase& c = GetParam();
  DiskGeometry geometry = kFixedDisk;
  geometry.BytesPerSector = c.bytesPerSector;
  EXPECT_EQ(CapacityLine(Report(geometry, c.totalBytes, c.end)), c.capacityLine);
}

INSTANTIATE_TEST_SUITE_P(
    GeometryReport, CapacityTest,
    ::testing::Values(
        // 4 GiB: the read end is the last 32-bit value, the write end its low 32 bits, 0.
        CapacityCase{"FourGiBRead", 4 * kGiB, 512, RangeEnd::LastByte,
                     "4096(Mbyte)(0-0xffffffff)(8388608)"},
        CapacityCase{"FourGiBWrite", 4 * kGiB, 512, RangeEnd::TotalBytes,
                     "4096(Mbyte)(0-0)(8388608)"},
        // The sector count shows its low 32 bits, as a signed number.
        CapacityCase{"OneTebibyteRead", 1024 * kGiB, 512, RangeEnd::LastByte,
                     "1048576(Mbyte)(0-0xffffffff)(-2147483648)"},
        CapacityCase{"FiveGiBWrite", 5 * kGiB + 4096, 4096, RangeEnd::TotalBytes,
                     "5120(Mbyte)(0-0x40001000)(1310721)"},
        // Megabytes truncate at each division.
        CapacityCase{"JustBelowOneMegabyte", 1048575, 512, RangeEnd::LastByte,
                     "0(Mbyte)(0-0xffffe)(2047)"},
        CapacityCase{"TwoGiBWrite", 2 * kGiB, 512, RangeEnd::TotalBytes,
                     "2048(Mbyte)(0-0x80000000)(4194304)"},
        // Megabytes of 2^31 and more print negative.
        CapacityCase{"MegabytesAboveSigned", 2048 * 1024 * kGiB, 4096, RangeEnd::LastByte,
                     "-2147483648(Mbyte)(0-0xffffffff)(0)"},
        // No sector size: nothing is divided by it, the sector count shows 0.
        CapacityCase{"ZeroBytesPerSector", 1474560, 0, RangeEnd::LastByte,
                     "1(Mbyte)(0-0x167fff)(0)"},
        // The free-space query failed: every figure shows 0.
        CapacityCase{"NoTotalRead", 0, 512, RangeEnd::LastByte, "0(Mbyte)(0-0)(0)"},
        CapacityCase{"NoTotalWrite", 0, 512, RangeEnd::TotalBytes, "0(Mbyte)(0-0)(0)"}),
    [](const ::testing::TestParamInfo<CapacityCase>& info) { return info.param.name; });

TEST(GeometryReport, CylindersFoldLowAndHighHalvesByOr) {
  const struct {
    int64_t cylinders;
    const char* firstLine;
  } cases[] = {
      {0x0000000500000003ll, "シリンダ数=7"},
      {0x0000000100000000ll, "シリンダ数=1"},
      {0x0000000C00000003ll, "シリンダ数=15"},
      {3000000000ll, "シリンダ数=-1294967296"},
      {-1, "シリンダ数=-1"},
      {0, "シリンダ数=0"},
  };
  for (const auto& c : cases) {
    DiskGeometry geometry = kFixedDisk;
    geometry.Cylinders = c.cylinders;
    EXPECT_EQ(FirstLine(Report(geometry, 2000000000, RangeEnd::LastByte)), c.firstLine)
        << c.cylinders;
  }
}

TEST(GeometryReport, FieldsOfTwoToTheThirtyOneAndMorePrintNegative) {
  const DiskGeometry geometry{80, kMediaFixed, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFE00u};
  const std::string report = Report(geometry, 0x1FFFFFC00ull, RangeEnd::TotalBytes);
  EXPECT_EQ(report,
            "シリンダ数=80\r\n"
            "1シリンダ当りのトラック数=-2147483648\r\n"
            "1トラック当りのセクター数=-1\r\n"
            "1セクター当りの容量=-512(byte)\r\n"
            "総容量=8191(Mbyte)(0-0xfffffc00)(2)\r\n"
            "メディアタイプ=FixedMedia");
}

TEST(GeometryReport, IsShownInTheGeometryBox) {
  ResetFakeWindow();
  ShowGeometryReport(kFixedDisk, 2000000000, RangeEnd::TotalBytes);
  EXPECT_EQ(ShownTexts(ShownKind::ControlText).size(), 1u);
  EXPECT_EQ(LastControlText(kGeometryBox), Report(kFixedDisk, 2000000000, RangeEnd::TotalBytes));
  EXPECT_TRUE(ShownBoxes().empty());
}

}  // namespace
