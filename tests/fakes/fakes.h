#pragma once
// Fakes of the volume layer and the window, and the rules every operation run must keep.
// The fake drive logs every platform call in order; any one of them can be made to go wrong.
#include <deque>
#include <string>
#include <vector>

#include "volume/volume.h"

enum class Call { TotalBytes, Open, Lock, Geometry, Position, ReadAt, Read, Write, Allocate,
                  ImageSize, ImageOpen, ImageRead, Close };
// Fail: null, false, an error code or no bytes. Short: half the bytes asked.
// Pending: a positioned read completes later, in full.
enum class Fault { Fail, Short, Pending };

struct FakeDrive {
  std::vector<unsigned char> sectors, image;  // the volume's bytes and the image file's
  DiskGeometry geometry{80, kMediaRemovable, 2, 18, 512};
  std::string imagePath = "new.img";          // the one image file there is
  uint64_t imageSizeReported = 0;             // nonzero: the size the file-status query tells
  bool losesWrites = false;                   // writes report success and keep nothing
  uint64_t largestBuffer = uint64_t{1} << 31;  // none this large is had, as in a 32-bit process
  int faultAt = -1;                           // the log index of the call that goes wrong
  Fault fault = Fault::Fail;
  std::vector<Call> calls;
  int opens = 0, closes = 0, liveBuffers = 0;
};
// What the window showed, in order: kind "status", "title", "#<control id>" or a box's caption.
struct Shown {
  std::string kind, text;
  int answer = 0;  // a box's
};
extern FakeDrive g_drive;
extern std::vector<Shown> g_shown;
extern std::deque<int> g_answers;  // the next boxes' answers; OK once used up

// A drive of `sectors` sectors whose every byte tells its place (SectorByte), nothing shown.
void ResetFakes(uint32_t sectors = 64, uint32_t bytesPerSector = 512);
unsigned char SectorByte(uint64_t offset);
std::vector<std::string> ShownTexts(const std::string& kind);

// Runs the write (write) or read operation on the fake drive, in the current directory,
// saving dump.img and with standard output silenced, and returns the first rule it broke,
// or "": the volume closed once, every buffer released, no byte outside the range changed,
// no write without a Yes and dump_bak.img holding the whole range, a write that did not
// land whole told in an error box, each progress rising, and an end the user is told.
std::string RunChecked(bool write, int32_t start, int32_t count);
