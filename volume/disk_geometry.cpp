#include "volume/disk_geometry.h"

#include <cstdio>
#include <cstring>

const char* MediaTypeName(uint32_t mediaType) {
  switch (mediaType) {
    case kMediaFixed:
      return "FixedMedia";
    case kMediaFloppy144:
      return "Floppy";
    case kMediaRemovable:
      return "RemovalMedia";
    default:
      return "unknown";
  }
}

bool StartPositionIsAddressable(int32_t startSector, uint32_t bytesPerSector) {
  if (startSector < 0) return false;
  const uint64_t position = static_cast<uint64_t>(startSector) * bytesPerSector;
  return position < (uint64_t{1} << 31);
}

void FormatDevicePath(char driveLetter, char (&path)[kDevicePathSize]) {
  std::memset(path, 0, kDevicePathSize);
  std::snprintf(path, kDevicePathSize, "\\\\.\\%c:", driveLetter);
}
