#pragma once
// In-memory fake of the volume layer: one drive and one image file. Every
// platform call is logged in order, and any one of them can be made to go wrong.
#include <cstdint>
#include <string>
#include <vector>

#include "volume/volume.h"

// The platform calls the operations make, as the log names them.
enum class Call { TotalBytes, Open, Lock, Geometry, Position, ReadAt, Read, Write,
                  Allocate, ImageSize, ImageOpen, ImageRead, Close };
// How the chosen call goes wrong. Fail: the call fails outright (null, false,
// an error code, no bytes; a position is not moved). Short: it succeeds with
// half the bytes asked. Pending: a positioned read goes on in the background
// and completes in full.
enum class Fault { Fail, Short, Pending };

struct FakeDrive {
  char letter = 'E';
  std::vector<unsigned char> sectors;  // the volume's bytes
  DiskGeometry geometry{80, kMediaRemovable, 2, 18, 512};
  uint64_t totalBytes = 0;
  bool losesWrites = false;  // writes report success and keep nothing
  std::string imagePath;     // the one image file there is
  std::vector<unsigned char> image;
  uint64_t imageSizeReported = 0;  // nonzero: the size the file-status query reports
  int faultAt = -1;                // the log index of the call that goes wrong
  Fault fault = Fault::Fail;
  uint32_t faultCode = 31;         // ERROR_GEN_FAILURE
};

struct FakeLog {
  std::vector<Call> calls;
  std::vector<uint64_t> readPositions;  // every positioned read
  int opens = 0;  // volumes handed out
  int closes = 0;
  int liveBuffers = 0;  // allocated and not yet released
};

extern FakeDrive g_fakeDrive;
extern FakeLog g_fakeLog;

// A fresh drive of `sectorCount` sectors of `bytesPerSector` bytes, each byte
// telling its sector and place (FakeSectorByte), its total size the sectors';
// the log emptied.
void ResetFakeVolume(uint32_t sectorCount = 64, uint32_t bytesPerSector = 512);
unsigned char FakeSectorByte(uint64_t offset);
