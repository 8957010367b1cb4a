#pragma once
// Fakes of the volume layer and the window, and the rules every operation run must keep.
#include <deque>
#include <string>
#include <vector>

#include "volume/volume.h"

// Every platform call the fake drive logs, in order; any one of them can go wrong: Fail (null,
// false, an error code or no bytes), Short (half the bytes asked) or, a positioned read,
// Pending (it completes later, in full).
enum class Call { TotalBytes, Open, Lock, Geometry, Position, ReadAt, Read, Write, Allocate,
                  ImageSize, ImageOpen, ImageRead, Close };
enum class Fault { Fail, Short, Pending };
struct FakeDrive {
  std::vector<unsigned char> sectors, image;  // the volume's bytes and the image file's
  DiskGeometry geometry{80, kMediaRemovable, 2, 18, 512};
  std::string imagePath = "new.img";           // the one image file there is
  uint64_t imageSizeReported = 0;              // nonzero: the size its file status tells
  bool losesWrites = false;                    // writes report success and keep nothing
  uint64_t largestBuffer = uint64_t{1} << 31;  // none this large is had, as in a 32-bit process
  int faultAt = -1;                            // the log index of the call that goes wrong
  Fault fault = Fault::Fail;
  std::vector<Call> calls;
  int opens = 0, closes = 0, liveBuffers = 0;
};
struct Shown {  // kind: "status", "title", "#<control id>" or a box's caption
  std::string kind, text;
  int answer = 0;  // a box's
};
extern FakeDrive g_drive;
extern std::vector<Shown> g_shown;  // what the window showed, in order
extern std::deque<int> g_answers;   // the next boxes' answers; OK once used up

// A drive of `sectors` sectors whose every byte tells its place; nothing shown yet.
void ResetFakes(uint32_t sectors = 64, uint32_t bytesPerSector = 512);
std::vector<std::string> ShownTexts(const std::string& kind);

// Runs the write (write) or read operation on the fake drive in the current directory, saving
// dump.img; returns the first rule it broke (see fakes.cpp), or "".
std::string RunChecked(bool write, int32_t start, int32_t count);
