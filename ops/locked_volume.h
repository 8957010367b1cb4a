#pragma once
// What the read and the write share around their own work: the drive's raw
// volume opened, locked and asked for its geometry, the report shown, and at
// the end the volume closed, which releases the lock, on every path.
#include <cstdint>
#include <functional>

#include "volume/disk_geometry.h"
#include "volume/volume.h"

// A read opens the volume for reading and traces each step; a write opens it
// for reading and writing and traces nothing of its own.
enum class VolumeUse { Read, Write };

// How an operation's own work ended: its result, and whether the operation
// then ends with "終了".
struct Outcome {
  uint32_t result;
  bool finished;
};

using VolumeWork = std::function<Outcome(VolumeHandle volume, const DiskGeometry& geometry)>;

// Opens the raw volume of `driveLetter`, locks it, reads its geometry, shows
// the report and runs `work`. Returns the work's result, 0 when the drive gave
// no geometry, 1 when the volume cannot be opened, or the lock's error code.
uint32_t RunOnLockedVolume(VolumeUse use, char driveLetter, const char* driveRoot,
                           const VolumeWork& work);
