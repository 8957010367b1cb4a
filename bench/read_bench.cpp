// Benchmark, run by hand through bench/read-bench.sh: a read of the whole
// image-backed drive A: through TORVEX's window, beside a bare loop of the
// same per-sector positioned reads on the same drive. Prints figures only.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/e2e/driver.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

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
  if (argc < 4) {
    std::fprintf(stderr, "usage: read_bench PROGRAM WORKDIR SECTORS\n");
    return 2;
  }
  const uint32_t sectors = static_cast<uint32_t>(std::stoul(argv[3]));
  const uint32_t sectorSize = 512;
  const double megabytes = double(sectors) * sectorSize / 1e6;

  LaunchOptions options;
  options.program = argv[1];
  options.workingDirectory = argv[2];
  options.environment = {{"TORVEX_GEOMETRY", "80,2,2,18,512"}};
  options.stdoutFile = std::string(argv[2]) + "\\trace.txt";
  RunningProgram program;
  std::string error;
  if (!StartProgram(options, program, error)) {
    std::fprintf(stderr, "cannot start TORVEX: %s\n", error.c_str());
    return 1;
  }
  SetText(FindControl(program.mainWindow, kCountBox), std::to_string(sectors));
  std::string seen;
  const LARGE_INTEGER clicked = Now();
  PressButton(FindControl(program.mainWindow, kExecuteButton));
  if (!WaitForStatusText(program, "終了", seen, 600000)) {
    std::fprintf(stderr, "the read did not finish: status %s\n", seen.c_str());
    return 1;
  }
  const LARGE_INTEGER finished = Now();
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(program.process, &memory, sizeof memory);
  DWORD exitCode = 0;
  CloseProgram(program, exitCode);

  const double torvex = Seconds(clicked, finished);
  const double bare = BareLoopSeconds(sectors, sectorSize);
  std::printf("sectors                 %u of %u bytes (%.1f MB)\n", sectors, sectorSize, megabytes);
  std::printf("TORVEX click to finish  %.2f s  %.1f MB/s\n", torvex, megabytes / torvex);
  std::printf("bare Win32 loop         %.2f s  %.1f MB/s\n", bare, megabytes / bare);
  std::printf("TORVEX / bare rate      %.2f\n", bare / torvex);
  std::printf("TORVEX peak memory      %.1f MB working set, %.1f MB committed\n",
              memory.PeakWorkingSetSize / 1e6, memory.PeakPagefileUsage / 1e6);
  return 0;
}
