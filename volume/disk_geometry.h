#pragma once
#include <cstddef>
#include <cstdint>

// The drive-geometry record as the platform's drive-geometry call fills it in
// (24 bytes, little-endian; the Win32 build checks it against DISK_GEOMETRY).
struct DiskGeometry {
  int64_t Cylinders;
  uint32_t MediaType;
  uint32_t TracksPerCylinder;
  uint32_t SectorsPerTrack;
  uint32_t BytesPerSector;
};
static_assert(sizeof(DiskGeometry) == 24, "DiskGeometry is 24 bytes");
static_assert(offsetof(DiskGeometry, MediaType) == 8, "MediaType at offset 8");
static_assert(offsetof(DiskGeometry, TracksPerCylinder) == 12, "TracksPerCylinder at 12");
static_assert(offsetof(DiskGeometry, SectorsPerTrack) == 16, "SectorsPerTrack at 16");
static_assert(offsetof(DiskGeometry, BytesPerSector) == 20, "BytesPerSector at 20");

// MediaType codes the program names.
constexpr uint32_t kMediaFloppy144 = 2;
constexpr uint32_t kMediaRemovable = 11;
constexpr uint32_t kMediaFixed = 12;

// "FixedMedia", "Floppy", "RemovalMedia" or "unknown".
const char* MediaTypeName(uint32_t mediaType);

// Positions on a volume are 32-bit: true when startSector is not negative and
// startSector * bytesPerSector stays below 2^31. Both operations refuse any
// other start before they touch a sector, so a position never wraps around.
bool StartPositionIsAddressable(int32_t startSector, uint32_t bytesPerSector);

// "\\.\X:" for drive letter X, written into `path` (16 bytes).
constexpr size_t kDevicePathSize = 16;
void FormatDevicePath(char driveLetter, char (&path)[kDevicePathSize]);
