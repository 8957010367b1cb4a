#pragma once
#include <cstdint>

// Writes the first count x BytesPerSector bytes of the image file onto
// `count` sectors from `startSector` of a drive's raw volume. Shows the
// geometry, refuses fixed disks, asks for confirmation, saves the sectors'
// previous contents to "dump_bak.img" and writes only when that backup is
// complete; then reads the sectors back, dumps up to four of them and checks
// them against the image. Returns 1 when the volume cannot be opened, the
// user does not confirm or the request is refused, the lock's error code when
// the lock fails, and 0 otherwise.
uint32_t WriteOperation(char driveLetter, const char* driveRoot, int32_t startSector,
                        int32_t count, const char* imagePath);
