// The drive-geometry control call. The end-to-end build compiles this file
// with TORVEX_GEOMETRY_FROM_ENVIRONMENT: Wine has no geometry call for an
// image-backed drive, so there a geometry given in TORVEX_GEOMETRY
// ("cylinders,mediaType,tracksPerCylinder,sectorsPerTrack,bytesPerSector")
// answers instead, and without it the drive is asked as usual.
#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "volume/volume.h"

static_assert(sizeof(DiskGeometry) == sizeof(DISK_GEOMETRY), "same size as DISK_GEOMETRY");
static_assert(offsetof(DiskGeometry, Cylinders) == offsetof(DISK_GEOMETRY, Cylinders), "Cylinders");
static_assert(offsetof(DiskGeometry, MediaType) == offsetof(DISK_GEOMETRY, MediaType), "MediaType");
static_assert(offsetof(DiskGeometry, TracksPerCylinder) ==
                  offsetof(DISK_GEOMETRY, TracksPerCylinder),
              "TracksPerCylinder");
static_assert(offsetof(DiskGeometry, SectorsPerTrack) == offsetof(DISK_GEOMETRY, SectorsPerTrack),
              "SectorsPerTrack");
static_assert(offsetof(DiskGeometry, BytesPerSector) == offsetof(DISK_GEOMETRY, BytesPerSector),
              "BytesPerSector");

#ifdef TORVEX_GEOMETRY_FROM_ENVIRONMENT
static bool GeometryFromEnvironment(DiskGeometry* record) {
  const char* preset = std::getenv("TORVEX_GEOMETRY");
  long long cylinders = 0;
  unsigned mediaType = 0, tracks = 0, sectors = 0, bytes = 0;
  if (!preset || std::sscanf(preset, "%lld,%u,%u,%u,%u", &cylinders, &mediaType, &tracks,
                             &sectors, &bytes) != 5)
    return false;
  *record = DiskGeometry{cylinders, mediaType, tracks, sectors, bytes};
  return true;
}
#endif

uint32_t ReadDriveGeometry(VolumeHandle volume, DiskGeometry* record) {
#ifdef TORVEX_GEOMETRY_FROM_ENVIRONMENT
  if (GeometryFromEnvironment(record)) return 0;
#endif
  DWORD returned = 0;
  if (DeviceIoControl(static_cast<HANDLE>(volume), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0,
                      record, sizeof *record, &returned, nullptr))
    return 0;
  return GetLastError();
}
