#include "bench/bench_support.h"

#include <algorithm>
#include <cstdio>

#include "window/control_ids.h"

bool ReadArguments(int argc, char** argv, int count, const char* usage, BenchArguments& arguments) {
  if (argc <= count) {
    std::fprintf(stderr, "usage: %s\n", usage);
    return false;
  }
  arguments.program = argv[1];
  arguments.workDir = argv[2];
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

bool WaitForEnd(const RunningProgram& running, uint32_t sectors, std::string& seen) {
  HWND execute = GetDlgItem(running.mainWindow, kExecuteButton);
  // A status asked for just before the operation began can be answered with
  // "終了" as it ends, a moment before Execute is enabled again: Execute is
  // looked at once more after the answer.
  const auto ended = [&] {
    return IsWindowEnabled(execute) && (seen = StatusText(running)) == "終了" &&
           IsWindowEnabled(execute);
  };
  bool boxOpen = false;
  return WaitUntil([&] { return ended() || (boxOpen = !OpenMessageBoxes(running).empty()); },
                   60000 + sectors) &&
         !boxOpen;
}

bool ReadThroughWindow(RunningProgram& running, uint32_t count, LARGE_INTEGER& clicked) {
  SetText(GetDlgItem(running.mainWindow, kCountBox), std::to_string(count));
  std::string seen;
  clicked = Now();
  if (PressButton(GetDlgItem(running.mainWindow, kExecuteButton)) &&
      WaitForEnd(running, count, seen)) {
    return true;
  }
  std::fprintf(stderr, "the read did not end: status %s\n", seen.c_str());
  return false;
}

bool WriteThroughWindow(RunningProgram& running, const std::string& imagePath, uint32_t count,
                        LARGE_INTEGER& confirmed) {
  SetText(GetDlgItem(running.mainWindow, kCountBox), std::to_string(count));
  if (!ChooseImage(running, imagePath)) {
    std::fprintf(stderr, "cannot choose %s in the file dialog\n", imagePath.c_str());
    return false;
  }
  MessageBoxInfo question;
  if (!PressButton(GetDlgItem(running.mainWindow, kExecuteButton)) ||
      !WaitForMessageBox(running, "確認", question)) {
    std::fprintf(stderr, "no confirmation box after Execute\n");
    return false;
  }
  confirmed = Now();
  std::string seen;
  if (!AnswerMessageBox(question, IDYES) || !WaitForEnd(running, count, seen)) {
    std::fprintf(stderr, "the write did not end: status %s\n", seen.c_str());
    return false;
  }
  return true;
}

namespace {

constexpr int kRounds = 5;

PROCESS_MEMORY_COUNTERS Memory(const RunningProgram& running) {
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(running.process, &memory, sizeof memory);
  return memory;
}

// One TORVEX run: the seconds of its operation, its working set just after
// it started and its peak memory just before it was closed.
struct TorvexRun {
  double seconds = 0;
  SIZE_T workingSetAtStart = 0;
  PROCESS_MEMORY_COUNTERS memory = {};
};

struct Rounds {
  std::vector<double> torvex;
  std::vector<double> bare;
  std::vector<double> ratio;  // TORVEX's rate over the bare loop's: bare time / TORVEX time
  SIZE_T workingSetAtStart = 0;  // the highest of the TORVEX runs
  SIZE_T peakWorkingSet = 0;
  SIZE_T peakCommitted = 0;
};

void PrintMedians(const Rounds& rounds, double mebibytes, const char* ratioTarget) {
  const double torvex = Median(rounds.torvex);
  const double bare = Median(rounds.bare);
  std::printf("  median    TORVEX %6.2f s %6.1f MiB/s   bare %6.2f s %6.1f MiB/s\n", torvex,
              mebibytes / torvex, bare, mebibytes / bare);
  std::printf("  median of the paired ratios (TORVEX rate / bare rate)  %.2f   target %s\n",
              Median(rounds.ratio), ratioTarget);
  std::printf("  TORVEX peak memory  %.1f MiB working set, %.1f MiB committed; working set "
              "at start %.1f MiB\n",
              rounds.peakWorkingSet / kMiB, rounds.peakCommitted / kMiB,
              rounds.workingSetAtStart / kMiB);
}

// Starts TORVEX, lets `operate` drive it through one operation, and closes it.
bool TimeTorvex(const std::string& program, const std::string& arguments,
                const std::string& workDir, const Operation& operate, TorvexRun& run) {
  RunningProgram running;
  if (!StartTorvex(program, arguments, workDir, running)) return false;
  run.workingSetAtStart = Memory(running).WorkingSetSize;
  LARGE_INTEGER from = Now();
  if (!operate(running, from)) return false;
  run.seconds = Seconds(from, Now());
  run.memory = Memory(running);
  DWORD exitCode = 0;
  CloseProgram(running, exitCode);
  return true;
}

}  // namespace

bool CompareWithBareLoop(const std::string& program, const std::string& arguments,
                         const std::string& workDir, double mebibytes, const Operation& operate,
                         const BareRun& bare, const char* ratioTarget) {
  Rounds rounds;
  for (int round = 1; round <= kRounds; ++round) {
    TorvexRun run;
    if (!TimeTorvex(program, arguments, workDir, operate, run)) return false;
    const double torvexSeconds = run.seconds;
    const PROCESS_MEMORY_COUNTERS& memory = run.memory;
    const double bareSeconds = bare();
    if (bareSeconds < 0) {
      std::fprintf(stderr, "the bare loop failed (error %lu)\n", GetLastError());
      return false;
    }
    rounds.torvex.push_back(torvexSeconds);
    rounds.bare.push_back(bareSeconds);
    rounds.ratio.push_back(bareSeconds / torvexSeconds);
    rounds.workingSetAtStart = std::max(rounds.workingSetAtStart, run.workingSetAtStart);
    rounds.peakWorkingSet = std::max(rounds.peakWorkingSet, memory.PeakWorkingSetSize);
    rounds.peakCommitted = std::max(rounds.peakCommitted, memory.PeakPagefileUsage);
    std::printf("  round %d   TORVEX %6.2f s %6.1f MiB/s   bare %6.2f s %6.1f MiB/s   ratio %.2f\n",
                round, torvexSeconds, mebibytes / torvexSeconds, bareSeconds,
                mebibytes / bareSeconds, rounds.ratio.back());
    std::fflush(stdout);
  }
  PrintMedians(rounds, mebibytes, ratioTarget);
  return true;
}

bool SaveScreenshot(const RunningProgram& p, const std::string& name) {
  std::string folder = EnvironmentValue("TORVEX_SCREENSHOTS");
  RECT r = {};
  if (folder.empty() || !GetWindowRect(p.mainWindow, &r)) return folder.empty();
  BITMAPINFOHEADER h = {sizeof h, r.right - r.left, r.bottom - r.top, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::string pixels((h.biWidth * 3 + 3) / 4 * 4 * h.biHeight, '\0');  // rows of whole DWORDs
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, h.biWidth, h.biHeight);
  HGDIOBJ old = SelectObject(memory, bitmap);  // without a window manager nothing covers the window
  const bool ok =
      BitBlt(memory, 0, 0, h.biWidth, h.biHeight, screen, r.left, r.top, SRCCOPY) &&
      SelectObject(memory, old) &&  // GetDIBits wants the bitmap selected into no DC
      GetDIBits(memory, bitmap, 0, h.biHeight, &pixels[0], (BITMAPINFO*)&h, DIB_RGB_COLORS);
  DeleteObject(bitmap), DeleteDC(memory), ReleaseDC(nullptr, screen);
  const BITMAPFILEHEADER f = {0x4D42, DWORD(sizeof f + sizeof h + pixels.size()), 0, 0,
                              sizeof f + sizeof h};  // 0x4D42: "BM"
  folder = folder[0] == '/' ? WindowsPathFromUnix(folder) : folder;
  const std::string headers = std::string((char*)&f, sizeof f) + std::string((char*)&h, sizeof h);
  return ok && WriteWholeFile(folder + "\\" + name, headers + pixels);
}
