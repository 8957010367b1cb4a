#pragma once
#include <cstdint>

#include "volume/volume.h"

// Asks the drive for its geometry into a new zero-filled record owned by the
// caller. On failure the record is released, *geometry is null and the system
// code returned.
uint32_t QueryGeometry(VolumeHandle volume, DiskGeometry** geometry);
void ReleaseGeometry(DiskGeometry* geometry);
