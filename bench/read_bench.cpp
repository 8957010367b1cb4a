// Benchmark, run by hand through bench/read-bench.sh: a read of the whole
// image-backed drive A: through TORVEX's window, dump.img on and the trace
// redirected, alternating with a bare Win32 loop of the work such a read must
// do on the same drive; then both broken down by phase. Prints figures only.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

// The boundaries a read marks: TORVEX's click, its first title, its last
// title, its partial file made, the file whole, dump.img replaced and the
// end; the bare loop's the same.
const PhasePlan kReadPhases = {7,
                               0,
                               {{"open and lock (click to the first read)", 0, 1},
                                {"reads, one positioned read a sector", 1, 2},
                                {"save with its flush, to the end", 2, 6},
                                {"  of it: dump shown, trace lines, partial file made", 2, 3},
                                {"  of it: pieces written, echoed to the trace", 3, 4},
                                {"  of it: flush, close, rename", 4, 5},
                                {"  of it: drive closed, to the end", 5, 6},
                                {"total", 0, 6}}};

// The same reads the read operation makes: one sector at a time, each at its
// own position, count + 1 of them; the last finds the end of the drive.
bool ReadEverySector(HANDLE drive, unsigned char* data, uint32_t sectors) {
  char sector[2048];
  uint32_t i = 0;
  for (; i <= sectors; ++i) {
    OVERLAPPED at = {};
    const uint64_t position = uint64_t{i} * kSectorSize;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD read = 0;
    if (!ReadFile(drive, sector, kSectorSize, &read, &at) || read == 0) break;
    if (i < sectors) std::memcpy(&data[position], sector, kSectorSize);
  }
  return i >= sectors;
}

// The work TORVEX must do for such a read, and no more: the drive opened and
// locked, the sectors read, dump.img saved beside the previous one through a
// partial file with every byte echoed to a trace of its own.
bool BareRead(const std::string& folder, uint32_t sectors, Moments& moments) {
  // TORVEX's trace is made before it starts, outside its time.
  const std::string tracePath = folder + "\\trace.txt";
  HANDLE trace = CreateFileA(tracePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, CREATE_ALWAYS, 0, nullptr);
  if (trace == INVALID_HANDLE_VALUE) return false;
  const uint32_t bytes = sectors * kSectorSize;
  moments.Mark();
  HANDLE drive = OpenLockedDrive(false);
  unsigned char* data = AllocatePages(bytes);
  moments.Mark();
  bool done = drive && data && ReadEverySector(drive, data, sectors);
  moments.Mark();
  done = done && SaveThroughPartialFile(folder + "\\dump.img", data, bytes, trace, moments);
  ReleasePages(data);
  if (drive) CloseHandle(drive);
  moments.Mark();
  CloseHandle(trace);
  return done;
}

}  // namespace

int main(int argc, char** argv) {
  BenchArguments arguments;
  if (!ReadArguments(argc, argv, 3, "read_bench PROGRAM WORKDIR SECTORS", arguments)) return 2;
  const uint32_t sectors = arguments.sectors;
  const uint64_t bytes = uint64_t{sectors} * kSectorSize;
  std::printf("read of %u sectors of %u bytes (%.0f MiB), TORVEX (click to finish) and the bare "
              "loop alternately\n",
              sectors, kSectorSize, arguments.mebibytes);
  const std::string dump = arguments.workDir + "\\dump.img";
  const bool ran = CompareWithBareLoop(
      arguments.program, "", arguments.workDir, arguments.mebibytes,
      [&](RunningProgram& running, Moments& moments) {
        const std::vector<StageSign> signs = {TitleStartsWith(running, "Reading DATA.."),
                                              TitleStartsWith(running, "Reading DATA..100%"),
                                              FileExists(dump + ".tmp"),
                                              FileHasSize(dump + ".tmp", bytes),
                                              FileReplaced(dump)};
        return ReadThroughWindow(running, sectors, signs, moments);
      },
      [&](Moments& moments) { return BareRead(arguments.bareDir, sectors, moments); },
      kReadPhases);
  return ran ? 0 : 1;
}
