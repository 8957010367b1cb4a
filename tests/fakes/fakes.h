#pragma once
// Fakes of the volume layer and the window, and the rules every operation run must keep.
#include <deque>
#include <string>
#include <vector>
#include "volume/volume.h"
// Every platform call the fake drive logs, in order; any one can go wrong: Fail (null, false, an
// error code or no bytes) or Short (half the bytes asked).
enum class Call { TotalBytes, Open, Lock, Pause, ExtendedAccess, Geometry, Writable, Position,
                  ReadAt, Read, Write, Dismount, Allocate, ImageSize, ImageOpen, ImageRead,
                  FileCreate, FileDescribe, Folder, FileWrite, FileFlush, FileClose, FileDiscard,
                  FileReplace, Close };
enum class Fault { Fail, Short };
// What the system says of the partial file just created: the truth, or that its name led elsewhere.
enum class Created { AsAsked, Elsewhere, HardLinked, ReparsePoint };
struct Logged {  // one platform call, as the fake drive answered it
  Call call;
  int64_t moved = 0;   // sector bytes it moved
  uint32_t error = 0;  // a lock's or a positioned read's system code
};
struct FakeDrive {
  std::vector<unsigned char> sectors, image;  // the volume's bytes and the image file's
  DiskGeometry geometry{80, kMediaRemovable, 2, 18, 512};
  std::string imagePath = "new.img";           // the one image file there is
  uint64_t imageSizeReported = 0;              // nonzero: the size its file status tells
  bool losesWrites = false;                    // writes report success and keep nothing
  uint64_t largestBuffer = uint64_t{1} << 31;  // none this large is had, as in a 32-bit process
  int lockRefusals = 0;                        // attempts refused before the lock is granted
  uint32_t writability = 0;                    // the drive's answer: does it take writes?
  Created created = Created::AsAsked;
  int faultAt = -1;                            // the log index of the call that goes wrong
  Fault fault = Fault::Fail;
  std::vector<Logged> calls;
  int liveBuffers = 0;
  std::pair<uint64_t, uint64_t> gap;           // what a positioned read that came short left out
};
// kind: "status", "title", "#<control id>" or a box's caption; answer: a box's
struct Shown { std::string kind, text; int answer = 0; };
extern FakeDrive g_drive;
extern std::vector<Shown> g_shown;  // what the window showed, in order
extern std::deque<int> g_answers;   // the confirmation's answers; OK once used up
const std::string kPreviousFile = "the previous file";  // a dump file before each checked run
// A drive whose every byte tells its place, nothing shown, and a fresh current directory.
void ResetFakes(uint32_t sectors = 64, uint32_t bytesPerSector = 512);
std::vector<std::string> ShownTexts(const std::string& kind);
std::string ReadFile(const char* name);  // "" when there is none
// Runs the write (write) or read operation on the fake drive, saving dump.img, with kPreviousFile
// in place of any dump file missing; returns the first rule it broke (see fakes.cpp), or "".
std::string RunChecked(bool write, int32_t start, int32_t count);
