#pragma once
// In-memory fake of the volume layer: one drive of any geometry and size, an
// image file, and a fault at any call.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "volume/volume.h"

enum class ReadFault {
  None,
  Fail,       // the call fails with errorCode
  NoBytes,    // the call succeeds and delivers 0 bytes
  Pending,    // the call reports kErrorIoPending; AwaitVolumeRead completes it
  Short,      // the call succeeds with half the bytes asked
};

struct FakeDrive {
  char letter = 'E';
  std::vector<unsigned char> sectors;  // the volume's bytes
  DiskGeometry geometry{80, 2, 2, 18, 512};
  uint64_t totalBytes = 1474560;
  bool refuseOpen = false;
  uint32_t lockError = 0;      // nonzero: the lock fails with this code
  uint32_t geometryError = 0;  // nonzero: the geometry call fails with this code
  // Faults of the positioned reads, the running-pointer reads (the read-back
  // included) and the writes, by call number (from 0). Fail and NoBytes both
  // move nothing at the running pointer.
  std::map<uint32_t, ReadFault> readFaults;
  uint32_t readFaultCode = 31;  // ERROR_GEN_FAILURE
  std::map<uint32_t, ReadFault> runningReadFaults;
  std::map<uint32_t, ReadFault> writeFaults;
  bool losesWrites = false;  // writes report success and keep nothing
  // Image file of the write operation.
  std::string imagePath;
  std::vector<unsigned char> image;
  uint64_t imageSizeReported = 0;  // nonzero: the size the file-status query reports
  bool imageOpenFails = false;
  uint32_t imageShortBy = 0;  // the image delivers this many bytes fewer than asked
  int failAllocation = -1;    // the allocation of this number (from 0) fails
};

struct FakeVolumeLog {
  int opensForReading = 0;
  int opensForWriting = 0;
  int closes = 0;
  int locks = 0;
  int geometryCalls = 0;
  std::vector<uint64_t> readPositions;  // position of every positioned read
  std::vector<uint32_t> readSizes;      // bytes asked by every positioned read
  std::vector<uint32_t> pointerMoves;   // every SetVolumePosition distance
  int runningReads = 0;
  int writes = 0;
  int imageOpens = 0;
  int imageCloses = 0;
  int allocations = 0;
  int liveBuffers = 0;  // allocated and not yet released
  bool pendingAwaited = false;
};

extern FakeDrive g_fakeDrive;
extern FakeVolumeLog g_fakeVolumeLog;

// A fresh drive of `sectorCount` sectors of `bytesPerSector` bytes in which
// every byte tells its sector and place; resets the log.
void ResetFakeVolume(uint32_t sectorCount = 2880, uint32_t bytesPerSector = 512);
// The byte the fresh drive holds at `offset`.
unsigned char FakeSectorByte(uint64_t offset);
