#include "volume/geometry_query.h"

#include <new>

uint32_t QueryGeometry(VolumeHandle volume, DiskGeometry** geometry) {
  *geometry = new (std::nothrow) DiskGeometry();
  if (!*geometry) return kErrorNotEnoughMemory;
  const uint32_t error = ReadDriveGeometry(volume, *geometry);
  if (error != 0) {
    ReleaseGeometry(*geometry);
    *geometry = nullptr;
  }
  return error;
}

void ReleaseGeometry(DiskGeometry* geometry) { delete geometry; }
