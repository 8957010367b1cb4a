#include "bench/bench_support.h"

#include <winioctl.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "window/control_ids.h"

bool ReadArguments(int argc, char** argv, int count, const char* usage, BenchArguments& arguments) {
  if (argc <= count) {
    std::fprintf(stderr, "usage: %s\n", usage);
    return false;
  }
  arguments.program = argv[1];
  arguments.workDir = argv[2];
  arguments.bareDir = arguments.workDir + "\\bare";
  arguments.sectors = static_cast<uint32_t>(std::stoul(argv[3]));
  arguments.mebibytes = double(arguments.sectors) * kSectorSize / kMiB;
  return true;
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Wine's GetProcessTimes tells only the calling process its processor time (another's is 0);
// the system's list of processes tells every process's, on Windows and under Wine alike.
double ProcessorSeconds(DWORD processId) {
  std::vector<unsigned char> list(1 << 20);
  ULONG length = 0;
  if (NtQuerySystemInformation(SystemProcessInformation, list.data(), list.size(), &length) != 0)
    return 0;
  for (size_t at = 0;;) {
    const auto* process = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(&list[at]);
    if (reinterpret_cast<ULONG_PTR>(process->UniqueProcessId) == processId) {
      // After the creation time: user time, then system time, in units of 100 ns.
      const auto* times = reinterpret_cast<const LARGE_INTEGER*>(&list[at + 32]);
      return double(times[1].QuadPart + times[2].QuadPart) / 1e7;
    }
    if (process->NextEntryOffset == 0) return 0;
    at += process->NextEntryOffset;
  }
}

void Moments::Mark() {
  seconds.push_back(Seconds(start, Now()));
  processorSeconds.push_back(ProcessorSeconds(processId));
}

bool StartTorvex(const std::string& program, const std::string& arguments,
                 const std::string& workDir, RunningProgram& running) {
  LaunchOptions options;
  options.program = program;
  options.arguments = arguments;
  options.workingDirectory = workDir;
  SetEnvironmentVariableA("TORVEX_GEOMETRY", "80,2,2,18,512");
  options.stdoutFile = workDir + "\\trace.txt";
  if (StartProgram(options, running)) return true;
  std::fprintf(stderr, "cannot start TORVEX: %s\n", program.c_str());
  return false;
}

namespace {

// The title of another process's window comes from the window server: the
// program is not asked.
std::string Title(HWND window) {
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

// What a look at a file's name finds, without opening it.
struct FileLook {
  bool exists = false;
  uint64_t size = 0;
  uint64_t lastWritten = 0;
};

FileLook LookAt(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FileLook look;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return look;
  look.exists = true;
  look.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  const FILETIME& written = data.ftLastWriteTime;
  look.lastWritten = (uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime;
  return look;
}

}  // namespace

StageSign TitleStartsWith(const RunningProgram& running, const std::string& prefix) {
  const HWND window = running.mainWindow;
  return [window, prefix] { return Title(window).starts_with(prefix); };
}

namespace {

// Asks TORVEX for its status text without waiting for the answer, so that the
// other signs are looked at meanwhile: TORVEX answers when it next serves its
// window, and the answer is taken at the next look after that.
class StatusAsker {
 public:
  explicit StatusAsker(const RunningProgram& running)
      : process_(running.process),
        statusBar_(GetDlgItem(running.mainWindow, kStatusBar)),
        // Wine does not carry SB_GETTEXTA's buffer across processes: it lies in TORVEX's memory.
        remote_(VirtualAllocEx(running.process, nullptr, kTextSize, MEM_COMMIT, PAGE_READWRITE)) {}
  // An answer still on its way would be handed to a gone asker: it is waited for.
  ~StatusAsker() {
    WaitUntil([this] {
      TakeAnswers();
      return !waiting_;
    });
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
  }
  StatusAsker(const StatusAsker&) = delete;
  StatusAsker& operator=(const StatusAsker&) = delete;

  // The last answer taken; asks again when no question is on its way.
  const std::string& Latest() {
    TakeAnswers();
    if (!waiting_ && remote_) {
      waiting_ = SendMessageCallbackA(statusBar_, SB_GETTEXTA, 0, LPARAM(remote_), Answered,
                                      ULONG_PTR(this));
    }
    return latest_;
  }

 private:
  static constexpr SIZE_T kTextSize = 512;

  static void CALLBACK Answered(HWND, UINT, ULONG_PTR asker, LRESULT) {
    auto* self = reinterpret_cast<StatusAsker*>(asker);
    char text[kTextSize] = {};
    ReadProcessMemory(self->process_, self->remote_, text, kTextSize - 1, nullptr);
    self->latest_ = text;
    self->waiting_ = false;
  }

  // Answers are handed over, to Answered, while this thread looks at its messages.
  static void TakeAnswers() {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  }

  HANDLE process_;
  HWND statusBar_;
  void* remote_;
  bool waiting_ = false;
  std::string latest_;
};

}  // namespace

StageSign StatusStartsWith(const RunningProgram& running, const std::string& prefix) {
  auto asker = std::make_shared<StatusAsker>(running);
  return [asker, prefix] { return asker->Latest().starts_with(prefix); };
}

StageSign FileHasSize(const std::string& path, uint64_t bytes) {
  return [path, bytes] {
    const FileLook look = LookAt(path);
    return look.exists && look.size == bytes;
  };
}

StageSign FileExists(const std::string& path) {
  return [path] { return LookAt(path).exists; };
}

StageSign FileReplaced(const std::string& path) {
  const FileLook before = LookAt(path);
  return [path, before] {
    const FileLook now = LookAt(path);
    return now.exists && (!before.exists || now.lastWritten != before.lastWritten);
  };
}

namespace {

// Waits for the end of the operation that Execute started: "終了" in the
// status bar with Execute enabled again. The status is asked for it only
// while Execute is enabled, so a running operation is not asked when it
// ends. Stops early when a message box is open, where an operation that
// reports a failure waits; allows a minute and a millisecond a sector.
// Meanwhile looks for `signs` every 10 ms and marks each in turn when it or
// a later one is first seen: a boundary is marked at most 10 ms late (up to
// 110 ms by the status, see StatusStartsWith), close enough to give every
// tenth of a second a phase. Those not seen by the end passed too quickly to
// see and are marked with it; then the end is marked. True only for "終了"
// with no box open.
bool WatchToEnd(const RunningProgram& running, uint32_t sectors,
                const std::vector<StageSign>& signs, Moments& moments) {
  HWND execute = GetDlgItem(running.mainWindow, kExecuteButton);
  std::string seen;
  // A status asked for just before the operation began can be answered with
  // "終了" as it ends, a moment before Execute is enabled again: Execute is
  // looked at once more after the answer.
  const auto ended = [&] {
    return IsWindowEnabled(execute) && (seen = StatusText(running)) == "終了" &&
           IsWindowEnabled(execute);
  };
  size_t signsSeen = 0;
  const auto markUpTo = [&](size_t sign) {
    for (; signsSeen < sign; ++signsSeen) moments.Mark();
  };
  // From the last sign back: a stage passed between two looks is marked
  // with the next one seen.
  const auto lookForSigns = [&] {
    for (size_t sign = signs.size(); sign > signsSeen; --sign) {
      if (signs[sign - 1]()) {
        markUpTo(sign);
        return;
      }
    }
  };
  bool boxOpen = false;
  const auto endedOrStopped = [&] {
    lookForSigns();
    return ended() || (boxOpen = !OpenMessageBoxes(running).empty());
  };
  const bool finished = WaitUntil(endedOrStopped, 60000 + sectors) && !boxOpen;
  markUpTo(signs.size());
  moments.Mark();
  if (!finished) std::fprintf(stderr, "the operation did not end: status %s\n", seen.c_str());
  return finished;
}

}  // namespace

namespace {

PROCESS_MEMORY_COUNTERS Memory(const RunningProgram& running) {
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(running.process, &memory, sizeof memory);
  return memory;
}

}  // namespace

bool ReadThroughWindow(RunningProgram& running, uint32_t count,
                       const std::vector<StageSign>& signs, Moments& moments) {
  SetText(GetDlgItem(running.mainWindow, kCountBox), std::to_string(count));
  moments.workingSetAtExecute = Memory(running).WorkingSetSize;
  moments.Mark();
  if (!PressButton(GetDlgItem(running.mainWindow, kExecuteButton))) {
    std::fprintf(stderr, "Execute is not enabled\n");
    return false;
  }
  return WatchToEnd(running, count, signs, moments);
}

bool WriteThroughWindow(RunningProgram& running, const std::string& imagePath, uint32_t count,
                        const std::vector<StageSign>& signs, Moments& moments) {
  SetText(GetDlgItem(running.mainWindow, kCountBox), std::to_string(count));
  if (!ChooseImage(running, imagePath)) {
    std::fprintf(stderr, "cannot choose %s in the file dialog\n", imagePath.c_str());
    return false;
  }
  moments.workingSetAtExecute = Memory(running).WorkingSetSize;
  moments.Mark();
  MessageBoxInfo question;
  if (!PressButton(GetDlgItem(running.mainWindow, kExecuteButton)) ||
      !WaitForMessageBox(running, "確認", question)) {
    std::fprintf(stderr, "no confirmation box after Execute\n");
    return false;
  }
  moments.Mark();
  if (!AnswerMessageBox(question, IDYES)) {
    std::fprintf(stderr, "the confirmation box did not take Yes\n");
    return false;
  }
  return WatchToEnd(running, count, signs, moments);
}

namespace {

constexpr int kRounds = 5;

// One TORVEX run: the boundaries of its operation, its working set just
// before Execute and its peak memory just before it was closed.
struct TorvexRun {
  Moments moments;
  SIZE_T workingSetAtStart = 0;
  PROCESS_MEMORY_COUNTERS memory = {};
};

struct Rounds {
  std::vector<double> torvex;
  std::vector<double> bare;
  std::vector<double> ratio;  // TORVEX's rate over the bare loop's: bare time / TORVEX time
  std::vector<double> torvexProcessor;  // processor seconds, user and system
  std::vector<double> bareProcessor;
  std::vector<double> processorRatio;  // bare processor time / TORVEX processor time
  std::vector<std::vector<double>> torvexBoundaries;
  std::vector<std::vector<double>> bareBoundaries;
  SIZE_T workingSetAtStart = 0;  // the highest of the TORVEX runs
  SIZE_T peakWorkingSet = 0;
  SIZE_T peakCommitted = 0;
};

// The median of the paired ratios TORVEX must reach, in both modes, at the
// two sizes the scripts run by default; other sizes are for trying things out.
const char* RatioTarget(double mebibytes) {
  if (mebibytes == 64) return ">= 0.90";
  if (mebibytes == 256) return ">= 0.95";
  return "0.90 at 64 MiB, 0.95 at 256 MiB";
}

void PrintMedians(const Rounds& rounds, double mebibytes) {
  const double torvex = Median(rounds.torvex);
  const double bare = Median(rounds.bare);
  std::printf("  median    TORVEX %6.2f s %6.1f MiB/s   bare %6.2f s %6.1f MiB/s\n", torvex,
              mebibytes / torvex, bare, mebibytes / bare);
  std::printf("  median of the paired ratios (TORVEX rate / bare rate)  %.2f   target %s\n",
              Median(rounds.ratio), RatioTarget(mebibytes));
  std::printf("  processor time, median    TORVEX %6.2f s   bare %6.2f s   median of the paired "
              "ratios (bare / TORVEX) %.2f\n",
              Median(rounds.torvexProcessor), Median(rounds.bareProcessor),
              Median(rounds.processorRatio));
  std::printf("  TORVEX peak memory  %.1f MiB working set, %.1f MiB committed; working set "
              "just before Execute %.1f MiB\n",
              rounds.peakWorkingSet / kMiB, rounds.peakCommitted / kMiB,
              rounds.workingSetAtStart / kMiB);
}

// The median over the rounds of one row's time.
double MedianOfRow(const std::vector<std::vector<double>>& boundaries, const PhaseRow& row) {
  std::vector<double> times;
  for (const std::vector<double>& round : boundaries)
    times.push_back(round[row.to] - round[row.from]);
  return Median(times);
}

// The phases side by side. Each row is its own median, so the rows need not
// add up to the total's.
void PrintBreakdown(const Rounds& rounds, const PhasePlan& plan) {
  std::printf("  %-54s %8s %8s %10s\n", "phase, median of the rounds", "TORVEX", "bare",
              "difference");
  for (const PhaseRow& row : plan.rows) {
    const double torvex = MedianOfRow(rounds.torvexBoundaries, row);
    const double bare = MedianOfRow(rounds.bareBoundaries, row);
    std::printf("  %-54s %6.2f s %6.2f s %+8.2f s\n", row.name, torvex, bare, torvex - bare);
  }
}

// Has the system write everything the previous run left in its cache to the
// disk (drive A:'s image, which neither TORVEX nor the bare loop flushes, and
// the files replaced), so that no run pays for the one before: Unix's own
// sync, which Wine starts like any program.
void SettleTheDisk() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION sync = {};
  char command[] = "Z:\\bin\\sync";
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &sync)) {
    std::fprintf(stderr, "cannot run sync (error %lu)\n", GetLastError());
    return;
  }
  WaitForSingleObject(sync.hProcess, INFINITE);
  CloseHandle(sync.hThread);
  CloseHandle(sync.hProcess);
}

// The run's time, from the plan's timed boundary to the last: wall or processor seconds.
double TimedSeconds(const std::vector<double>& boundaries, const PhasePlan& plan) {
  return boundaries.back() - boundaries[plan.timedFrom];
}

// Starts TORVEX, lets `operate` drive it through one operation, and closes it.
bool TimeTorvex(const std::string& program, const std::string& arguments,
                const std::string& workDir, const Operation& operate, TorvexRun& run) {
  RunningProgram running;
  if (!StartTorvex(program, arguments, workDir, running)) return false;
  run.moments.processId = GetProcessId(running.process);
  if (!operate(running, run.moments)) return false;
  run.workingSetAtStart = run.moments.workingSetAtExecute;
  run.memory = Memory(running);
  DWORD exitCode = 0;
  CloseProgram(running, exitCode);
  return true;
}

}  // namespace

bool CompareWithBareLoop(const std::string& program, const std::string& arguments,
                         const std::string& workDir, double mebibytes, const Operation& operate,
                         const BareRun& bare, const PhasePlan& plan) {
  Rounds rounds;
  for (int round = 1; round <= kRounds; ++round) {
    TorvexRun run;
    SettleTheDisk();
    if (!TimeTorvex(program, arguments, workDir, operate, run)) return false;
    Moments bareMoments;
    SettleTheDisk();
    if (!bare(bareMoments)) {
      std::fprintf(stderr, "the bare loop failed (error %lu)\n", GetLastError());
      return false;
    }
    if (run.moments.seconds.size() != plan.boundaries ||
        bareMoments.seconds.size() != plan.boundaries) {
      std::fprintf(stderr, "a run marked another number of phases than the plan's\n");
      return false;
    }
    const double torvexSeconds = TimedSeconds(run.moments.seconds, plan);
    const double bareSeconds = TimedSeconds(bareMoments.seconds, plan);
    const double torvexProcessor = TimedSeconds(run.moments.processorSeconds, plan);
    const double bareProcessor = TimedSeconds(bareMoments.processorSeconds, plan);
    const PROCESS_MEMORY_COUNTERS& memory = run.memory;
    rounds.torvex.push_back(torvexSeconds);
    rounds.bare.push_back(bareSeconds);
    rounds.ratio.push_back(bareSeconds / torvexSeconds);
    rounds.torvexProcessor.push_back(torvexProcessor);
    rounds.bareProcessor.push_back(bareProcessor);
    rounds.processorRatio.push_back(bareProcessor / torvexProcessor);
    rounds.torvexBoundaries.push_back(run.moments.seconds);
    rounds.bareBoundaries.push_back(bareMoments.seconds);
    rounds.workingSetAtStart = std::max(rounds.workingSetAtStart, run.workingSetAtStart);
    rounds.peakWorkingSet = std::max(rounds.peakWorkingSet, memory.PeakWorkingSetSize);
    rounds.peakCommitted = std::max(rounds.peakCommitted, memory.PeakPagefileUsage);
    std::printf("  round %d   TORVEX %6.2f s %6.1f MiB/s   bare %6.2f s %6.1f MiB/s   ratio %.2f"
                "   processor TORVEX %5.2f s bare %5.2f s ratio %.2f\n",
                round, torvexSeconds, mebibytes / torvexSeconds, bareSeconds,
                mebibytes / bareSeconds, rounds.ratio.back(), torvexProcessor, bareProcessor,
                rounds.processorRatio.back());
    std::fflush(stdout);
  }
  PrintMedians(rounds, mebibytes);
  PrintBreakdown(rounds, plan);
  return true;
}

unsigned char* AllocatePages(uint32_t bytes) {
  return static_cast<unsigned char*>(
      VirtualAlloc(nullptr, bytes + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

void ReleasePages(unsigned char* buffer) {
  if (buffer) VirtualFree(buffer, 0, MEM_RELEASE);
}

HANDLE OpenLockedDrive(bool forWriting) {
  const DWORD access = forWriting ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  const DWORD sharing = forWriting ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  HANDLE drive = CreateFileA("\\\\.\\A:", access, sharing, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (drive == INVALID_HANDLE_VALUE) return nullptr;
  DWORD returned = 0;
  if (!DeviceIoControl(drive, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr)) {
    CloseHandle(drive);
    return nullptr;
  }
  // TORVEX asks for every sector past the file system's end; the answer does not matter.
  DeviceIoControl(drive, FSCTL_ALLOW_EXTENDED_DASD_IO, nullptr, 0, nullptr, 0, &returned, nullptr);
  return drive;
}

bool ReadInPieces(HANDLE handle, unsigned char* buffer, uint32_t bytes) {
  for (uint32_t done = 0; done < bytes; done += kFilePieceBytes) {
    const DWORD asked = std::min(bytes - done, kFilePieceBytes);
    DWORD read = 0;
    if (!ReadFile(handle, buffer + done, asked, &read, nullptr) || read != asked) return false;
  }
  return true;
}

namespace {

// Echoes bytes as TORVEX's trace does: a carriage return made before every
// line feed, as text mode would, and the piece written in one call.
bool EchoToTrace(HANDLE trace, const unsigned char* bytes, uint32_t length) {
  std::string echoed;
  echoed.reserve(length + length / 16);
  for (uint32_t i = 0; i < length; ++i) {
    if (bytes[i] == '\n') echoed += '\r';
    echoed += static_cast<char>(bytes[i]);
  }
  DWORD written = 0;
  return WriteFile(trace, echoed.data(), echoed.size(), &written, nullptr) &&
         written == echoed.size();
}

// Writes `length` bytes to `file` in pieces, each echoed to `trace` first
// unless it is null.
bool WritePieces(HANDLE file, const unsigned char* bytes, uint32_t length, HANDLE trace) {
  for (uint32_t done = 0; done < length; done += kFilePieceBytes) {
    const DWORD piece = std::min(length - done, kFilePieceBytes);
    if (trace && !EchoToTrace(trace, bytes + done, piece)) return false;
    DWORD written = 0;
    if (!WriteFile(file, bytes + done, piece, &written, nullptr) || written != piece) return false;
  }
  return true;
}

}  // namespace

bool SaveThroughPartialFile(const std::string& path, const unsigned char* bytes, uint32_t length,
                            HANDLE trace, Moments& moments) {
  const std::string partial = path + ".tmp";
  HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  moments.Mark();
  bool saved = WritePieces(file, bytes, length, trace);
  moments.Mark();
  saved = saved && FlushFileBuffers(file);
  saved = CloseHandle(file) && saved;
  saved = saved && MoveFileExA(partial.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  moments.Mark();
  return saved;
}

bool SaveScreenshot(const RunningProgram& p, const std::string& name) {
  std::string folder = EnvironmentValue("TORVEX_SCREENSHOTS");
  RECT r = {};
  if (folder.empty() || !GetWindowRect(p.mainWindow, &r)) return folder.empty();
  BITMAPINFOHEADER h = {sizeof h, r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::string pixels((h.biWidth * 3 + 3) / 4 * 4 * h.biHeight, '\0');  // rows of whole DWORDs
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, h.biWidth, h.biHeight);
  HGDIOBJ old = SelectObject(memory, bitmap);  // without a window manager nothing covers the window
  const bool ok =
      BitBlt(memory, 0, 0, h.biWidth, h.biHeight, screen, r.left, r.top, SRCCOPY) &&
      SelectObject(memory, old) &&  // GetDIBits wants the bitmap selected into no DC
      GetDIBits(memory, bitmap, 0, h.biHeight, &pixels[0], (BITMAPINFO*)&h, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  const BITMAPFILEHEADER f = {0x4D42, DWORD(sizeof f + sizeof h + pixels.size()), 0, 0,
                              sizeof f + sizeof h};  // 0x4D42: "BM"
  folder = folder[0] == '/' ? WindowsPathFromUnix(folder) : folder;
  const std::string headers = std::string((char*)&f, sizeof f) + std::string((char*)&h, sizeof h);
  return ok && WriteWholeFile(folder + "\\" + name, headers + pixels);
}
