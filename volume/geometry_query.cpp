#include "volume/geometry_query.h"

#include <new>

#include "output/trace.h"

uint32_t QueryGeometry(VolumeHandle volume, DiskGeometry** geometry) {
  *geometry = new (std::nothrow) DiskGeometry();
  if (!*geometry) return kErrorNotEnoughMemory;
  const uint32_t error = ReadDriveGeometry(volume, *geometry);
  if (error != 0) {
    ReleaseGeometry(*geometry);
    *geometry = nullptr;
    TraceLine("ioctl fail");
  }
  return error;
}

void ReleaseGeometry(DiskGeometry* geometry) { delete geometry; }
