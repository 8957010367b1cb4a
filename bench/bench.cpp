// The benchmark's driver (bench/bench.sh runs it): one mode at one size, TORVEX (torvex-e2e.exe)
// through its window against the bare program (bench/bare.cpp), ROUNDS rounds in the order ABBA
// (TORVEX first in odd rounds). Prints every round, then the figures in one line, each ratio the
// median of the rounds' bare over TORVEX (1.0: as fast as bare), and the targets, met or not.
// Usage: bench read|write SECTORS ROUNDS TORVEX_EXE TORVEX_DIR BARE_EXE BARE_DIR [IMAGE]
#include "tests/e2e/driver.h"  // and <windows.h>, <algorithm>, <string>, <vector>
#include <psapi.h>
#include <winternl.h>
#include <cstdio>
#include <cstdlib>
namespace {
constexpr double kMiB = 1024.0 * 1024.0;
struct Arguments {
  bool write;
  std::string sectors, torvex, torvexDir, bare, bareDir, image;
};
double WallSeconds() { return GetTickCount64() / 1000.0; }
// User and system time together. Wine's GetProcessTimes tells only the calling process its own
// (another's is 0); the system's list of processes tells every process's.
double ProcessorSeconds(HANDLE process) {
  std::vector<unsigned char> list(1 << 20);
  ULONG length = 0;
  if (NtQuerySystemInformation(SystemProcessInformation, list.data(), list.size(), &length) != 0)
    return 0;
  for (size_t at = 0;;) {
    const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&list[at]);
    if (reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId) == GetProcessId(process)) {
      // After the creation time: user time, then system time, in units of 100 ns.
      const auto* times = reinterpret_cast<const LARGE_INTEGER*>(&list[at + 32]);
      return double(times[1].QuadPart + times[2].QuadPart) / 1e7;
    }
    if (entry->NextEntryOffset == 0) return 0;
    at += entry->NextEntryOffset;
  }
}
PROCESS_MEMORY_COUNTERS Memory(HANDLE process) {
  PROCESS_MEMORY_COUNTERS memory = {};
  GetProcessMemoryInfo(process, &memory, sizeof memory);
  return memory;
}
// What a side's process used from the go to the end of its work.
struct Figures {
  double wall, processor, memory;  // memory: the peak working set over the one at the go
};
// Started at the go; the wall clock is read nearest to the go and to the end.
struct Stopwatch {
  HANDLE process;
  SIZE_T workingSet = Memory(process).WorkingSetSize;
  double processor = ProcessorSeconds(process), wall = WallSeconds();
  Figures End() const {
    const double now = WallSeconds();
    return {now - wall, ProcessorSeconds(process) - processor,
            (Memory(process).PeakWorkingSetSize - workingSet) / kMiB};
  }
};
bool Fail(const char* why) {
  std::fprintf(stderr, "%s\n", why);
  return false;
}
// A minute, and a millisecond a sector.
DWORD LimitMs(const Arguments& a) { return 60000 + std::stoul(a.sectors); }
// Both sides are started by CreateProcess and wait at a ready point (TORVEX: its window shown, the
// count typed, the image chosen; the bare program: its "ready" event), are told to go (the press
// of Execute for a read or of Yes for a write; the bare program's "go" event) and, once measured,
// are ended by TerminateProcess (RunningProgram). Both are watched alike: every 10 ms (WaitUntil)
// a question that the window server or the kernel answers and that sends the side nothing:
// TORVEX's title, Execute's state and its boxes, the bare's "done" event and exit. TORVEX has
// ended once a transfer has set its title and Execute is enabled again; a box is a failure.
bool RunTorvex(const Arguments& a, Figures& figures) {
  RunningProgram p;
  const std::string trace = a.torvexDir + "\\trace.txt";
  if (!StartProgram({a.torvex, a.write ? "-W" : "", "", a.torvexDir, trace}, p) ||
      !SetText(GetDlgItem(p.mainWindow, kCountBox), a.sectors) ||
      (a.write && !ChooseImage(p, a.image)))
    return Fail("TORVEX showed no window, or took no count or no image");
  HWND execute = GetDlgItem(p.mainWindow, kExecuteButton);
  MessageBoxInfo yes;
  if (a.write && !(PressButton(execute) && WaitForMessageBox(p, "確認", yes)))
    return Fail("TORVEX asked for no confirmation");
  const Stopwatch stopwatch{p.process};
  if (!(a.write ? AnswerMessageBox(yes, IDYES) : PressButton(execute))) return Fail("no go");
  char title[64] = "";
  const bool ended = WaitUntil([&] {
    GetWindowTextA(p.mainWindow, title, sizeof title);
    const bool transferred = std::string(title) != "TORVEX Ver1.0";
    return !OpenMessageBoxes(p).empty() || (IsWindowEnabled(execute) && transferred);
  }, LimitMs(a));
  figures = stopwatch.End();
  return (ended && StatusText(p) == "終了") || Fail("TORVEX did not end with 終了 and no box");
}
struct Event {  // one the bare program inherits, not yet set
  Event() {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    handle = CreateEventA(&inherited, TRUE, FALSE, nullptr);
  }
  ~Event() { CloseHandle(handle); }
  HANDLE handle;
};
bool RunBare(const Arguments& a, Figures& figures) {
  const Event ready, go, done;
  std::string arguments = (a.write ? "write " : "read ") + a.sectors;
  for (const Event* event : {&ready, &go, &done})
    arguments.append(" ").append(std::to_string(reinterpret_cast<ULONG_PTR>(event->handle)));
  if (a.write) arguments += " " + a.image;
  RunningProgram p;
  const auto set = [](HANDLE object) { return WaitForSingleObject(object, 0) == WAIT_OBJECT_0; };
  const auto waitFor = [&](const Event& event, DWORD limitMs) {
    return WaitUntil([&] { return set(event.handle) || set(p.process); }, limitMs) &&
           set(event.handle);
  };
  if (!StartProgram({a.bare, arguments, "", a.bareDir, a.bareDir + "\\trace.txt"}, p, false) ||
      !waitFor(ready, kWaitLimitMs))
    return Fail("the bare program did not get ready");
  const Stopwatch stopwatch{p.process};
  if (!SetEvent(go.handle) || !waitFor(done, LimitMs(a))) return Fail("the bare program failed");
  figures = stopwatch.End();
  return true;
}
// Has the system write what the run before left in its cache (drive A:'s image, which neither
// side flushes) to the disk, so that no run pays for another: Unix's sync, started through Wine.
void SettleTheDisk() {
  RunningProgram sync;
  if (StartProgram({"Z:\\bin\\sync", "", "", "", ""}, sync, false))
    WaitForSingleObject(sync.process, INFINITE);
}
double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
}  // namespace
int main(int argc, char** argv) {
  const bool write = argc > 1 && std::string(argv[1]) == "write";
  if (argc != 8 + write) return 2;
  const Arguments a = {write, argv[2], argv[4], argv[5], argv[6], argv[7], write ? argv[8] : ""};
  const double mebibytes = std::stod(a.sectors) * 512 / kMiB;
  std::vector<double> processorRatios, wallRatios;
  double memory = 0;  // the largest of the rounds
  for (int round = 1; round <= std::atoi(argv[3]); ++round) {
    Figures torvex{}, bare{};
    const bool torvexFirst = round % 2 == 1;
    for (const bool torvexTurn : {torvexFirst, !torvexFirst}) {
      SettleTheDisk();
      if (!(torvexTurn ? RunTorvex(a, torvex) : RunBare(a, bare))) return 1;
    }
    processorRatios.push_back(bare.processor / torvex.processor);
    wallRatios.push_back(bare.wall / torvex.wall);
    memory = std::max(memory, torvex.memory);
    std::printf("  round %d, %s first: TORVEX %.2f s, processor %.2f s, +%.1f MiB; bare %.2f s, "
                "processor %.2f s; processor-time ratio %.2f\n", round,
                torvexFirst ? "TORVEX" : "bare", torvex.wall, torvex.processor, torvex.memory,
                bare.wall, bare.processor, processorRatios.back());
    std::fflush(stdout);
  }
  const double processorRatio = Median(processorRatios);
  std::printf("%s %g MiB: processor-time ratio %.2f, wall-time ratio %.2f, TORVEX peak memory "
              "+%.1f MiB\n", argv[1], mebibytes, processorRatio, Median(wallRatios), memory);
  const double target = mebibytes == 256 ? 0.95 : 0.9;  // the sizes with targets: 64 and 256 MiB
  if (mebibytes == 64 || mebibytes == 256)
    std::printf("  target: processor-time ratio >= %.2f, %s\n", target,
                processorRatio >= target ? "met" : "not met");
  if (write && mebibytes == 256)
    std::printf("  target: TORVEX peak memory <= +520 MiB, %s\n", memory <= 520 ? "met" : "not met");
  return 0;
}
