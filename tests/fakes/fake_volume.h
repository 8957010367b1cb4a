#pragma once
// In-memory fake of the volume layer: one drive and one image file. Every
// platform call is logged in order, and any one of them can be made to go wrong.
#include <string>
#include <vector>

#include "volume/volume.h"

enum class Call { TotalBytes, Open, Lock, Geometry, Position, ReadAt, Read, Write, Allocate,
                  ImageSize, ImageOpen, ImageRead, Close };
// Fail: null, false, an error code or no bytes; a position is not moved.
// Short: half the bytes asked. Pending: a positioned read completes later, in full.
enum class Fault { Fail, Short, Pending };
constexpr uint32_t kFakeErrorCode = 31;  // ERROR_GEN_FAILURE

struct FakeDrive {
  char letter = 'E';
  std::vector<unsigned char> sectors, image;  // the volume's bytes and the image file's
  DiskGeometry geometry{80, kMediaRemovable, 2, 18, 512};
  uint64_t totalBytes = 0;
  uint64_t imageSizeReported = 0;  // nonzero: the size the file-status query reports
  std::string imagePath;           // the one image file there is
  bool losesWrites = false;        // writes report success and keep nothing
  uint64_t largestBuffer = uint64_t{1} << 31;  // none this large is had, as in a 32-bit process
  int faultAt = -1;                // the log index of the call that goes wrong
  Fault fault = Fault::Fail;
};
struct FakeLog {
  std::vector<Call> calls;
  int opens = 0, closes = 0, liveBuffers = 0;
};
extern FakeDrive g_fakeDrive;
extern FakeLog g_fakeLog;

// A fresh drive whose every byte tells its sector and place (FakeSectorByte),
// its total size the sectors'; the log emptied.
void ResetFakeVolume(uint32_t sectorCount = 64, uint32_t bytesPerSector = 512);
unsigned char FakeSectorByte(uint64_t offset);
