// Benchmark, run by hand through bench/read-bench.sh: a read of the whole
// image-backed drive A: through TORVEX's window, alternating with a bare loop
// of the same per-sector positioned reads on the same drive. Prints figures only.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

// The same reads the read operation makes: one sector at a time, each at its
// own position, count + 1 of them.
double BareLoopSeconds(uint32_t sectors, uint32_t sectorSize) {
  HANDLE volume = CreateFileA("\\\\.\\A:", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (volume == INVALID_HANDLE_VALUE) return -1;
  std::vector<char> data(size_t{sectors} * sectorSize + 1);
  char sector[2048];
  const LARGE_INTEGER start = Now();
  for (uint32_t i = 0; i <= sectors; ++i) {
    OVERLAPPED at = {};
    const uint64_t position = uint64_t{i} * sectorSize;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD read = 0;
    if (!ReadFile(volume, sector, sectorSize, &read, &at) || read == 0) break;
    if (i < sectors) memcpy(&data[position], sector, sectorSize);
  }
  const LARGE_INTEGER end = Now();
  CloseHandle(volume);
  return Seconds(start, end);
}

}  // namespace

int main(int argc, char** argv) {
  BenchArguments arguments;
  if (!ReadArguments(argc, argv, 3, "read_bench PROGRAM WORKDIR SECTORS", arguments)) return 2;
  const uint32_t sectors = arguments.sectors;
  std::printf("read of %u sectors of %u bytes (%.0f MiB), TORVEX (click to finish) and the bare "
              "loop alternately\n",
              sectors, kSectorSize, arguments.mebibytes);
  const bool ran = CompareWithBareLoop(
      arguments.program, "", arguments.workDir, arguments.mebibytes,
      [&](RunningProgram& running, LARGE_INTEGER& from) {
        return ReadThroughWindow(running, sectors, from);
      },
      [&] { return BareLoopSeconds(sectors, kSectorSize); }, ">= 0.90");
  return ran ? 0 : 1;
}
