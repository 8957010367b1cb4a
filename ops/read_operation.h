#pragma once
#include <cstdint>

// Reads `count` sectors from `startSector` of a drive's raw volume, showing
// the geometry, the progress, a hex dump of up to four sectors and, with
// dumpToFile, saving them to "dump.img". A run that comes short and a dump.img
// that cannot be saved are told in a box. Returns 0 after a run that got past
// the lock, 1 when the volume cannot be opened, or the lock's error.
uint32_t ReadOperation(char driveLetter, const char* driveRoot, int32_t startSector,
                       int32_t count, bool dumpToFile);
