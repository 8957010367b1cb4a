#include "volume/geometry_report.h"

#include <cstdio>
#include <cstring>

namespace {

// The report prints every figure as a 32-bit value, signed for %d.
int32_t Signed32(uint64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

void FormatGeometryReport(const DiskGeometry& geometry, uint64_t totalBytes, RangeEnd end,
                          char* text) {
  const uint64_t cylinders = static_cast<uint64_t>(geometry.Cylinders);
  const uint32_t foldedCylinders =
      static_cast<uint32_t>(cylinders) | static_cast<uint32_t>(cylinders >> 32);
  const uint64_t megabytes = totalBytes / 1024 / 1024;
  // totalBytes is 0 when the free-space query failed: every capacity figure then shows 0.
  const uint64_t rangeEnd =
      end == RangeEnd::LastByte && totalBytes > 0 ? totalBytes - 1 : totalBytes;
  // A drive that reports 0-byte sectors has no sector count to show.
  const uint64_t sectorCount =
      geometry.BytesPerSector == 0 ? 0 : totalBytes / geometry.BytesPerSector;

  int length = std::snprintf(
      text, kGeometryReportSize,
      "シリンダ数=%d\r\n1シリンダ当りのトラック数=%d\r\n1トラック当りのセクター数=%d\r\n"
      "1セクター当りの容量=%d(byte)\r\n総容量=%d(Mbyte)",
      Signed32(foldedCylinders), Signed32(geometry.TracksPerCylinder),
      Signed32(geometry.SectorsPerTrack), Signed32(geometry.BytesPerSector), Signed32(megabytes));
  char piece[30];
  std::memset(piece, 0, sizeof piece);
  std::snprintf(piece, sizeof piece, "(0-%#x)", static_cast<uint32_t>(rangeEnd));
  length += std::snprintf(text + length, kGeometryReportSize - length, "%s", piece);
  std::memset(piece, 0, sizeof piece);
  std::snprintf(piece, sizeof piece, "(%d)", Signed32(sectorCount));
  std::snprintf(text + length, kGeometryReportSize - length, "%s\r\nメディアタイプ=%s", piece,
                MediaTypeName(geometry.MediaType));
}
