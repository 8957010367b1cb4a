#pragma once
// What the benchmarks and the demo share: clocks and medians, rounds that
// alternate TORVEX with a bare Win32 loop, and TORVEX started and driven
// through its window with the end-to-end driver.
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

constexpr double kMiB = 1024.0 * 1024.0;

// What every benchmark is given: PROGRAM WORKDIR SECTORS, then its own.
struct BenchArguments {
  std::string program;  // Windows path of torvex-e2e.exe
  std::string workDir;  // Windows path of TORVEX's current folder
  uint32_t sectors = 0;  // of 512 bytes
  double mebibytes = 0;
};
constexpr uint32_t kSectorSize = 512;
// False, after printing `usage`, when fewer than `count` arguments were given.
bool ReadArguments(int argc, char** argv, int count, const char* usage, BenchArguments& arguments);

LARGE_INTEGER Now();
double Seconds(LARGE_INTEGER from, LARGE_INTEGER to);
double Median(std::vector<double> values);

// Saves the main window as a 24-bit BMP file in the folder TORVEX_SCREENSHOTS
// names, if any (scripts/run.sh without a display, whose screenshots are the
// README's).
bool SaveScreenshot(const RunningProgram& p, const std::string& name);

// Starts torvex-e2e.exe (Windows path) in `workDir` with the bench drive's
// geometry, its trace redirected to workDir\trace.txt. Says why on failure.
bool StartTorvex(const std::string& program, const std::string& arguments,
                 const std::string& workDir, RunningProgram& running);

// Waits for the end of the operation that Execute started: "終了" in the
// status bar with Execute enabled again. The status is asked only while
// Execute is enabled, so a running operation is asked nothing and the wait
// costs it no time. Stops early when a message box is open, where an
// operation that reports a failure waits; allows a minute and a millisecond a
// sector. True only for "終了" with no box open; `seen` is the last status read.
bool WaitForEnd(const RunningProgram& running, uint32_t sectors, std::string& seen);

// Reads `count` sectors from the start sector through the window of a TORVEX
// in read mode, as a user would: types the count, presses Execute and waits
// for the end. `clicked` is the moment Execute was pressed. Says why on failure.
bool ReadThroughWindow(RunningProgram& running, uint32_t count, LARGE_INTEGER& clicked);

// Rewrites `count` sectors from sector 0 through the window of a TORVEX in
// write mode, as a user would: types the count, chooses `imagePath` (on C:)
// in the file dialog, presses Execute and answers "確認" with Yes, then waits
// for the end. `confirmed` is the moment Yes was pressed. Says why on failure.
bool WriteThroughWindow(RunningProgram& running, const std::string& imagePath, uint32_t count,
                        LARGE_INTEGER& confirmed);

// Lets TORVEX do one operation through its window: sets `from`, the moment
// the timed work starts, and returns when the work has finished; false when
// it failed.
using Operation = std::function<bool(RunningProgram& running, LARGE_INTEGER& from)>;

// One run of the bare loop: its time in seconds, negative when it failed.
using BareRun = std::function<double()>;

// Runs TORVEX (started with `arguments`, driven through one operation by
// `operate`) and the bare loop alternately, five times each, printing a line
// per round; then the medians, the median of the paired ratios beside
// `ratioTarget`, and TORVEX's memory. False (after saying why) when a run failed.
bool CompareWithBareLoop(const std::string& program, const std::string& arguments,
                         const std::string& workDir, double mebibytes, const Operation& operate,
                         const BareRun& bare, const char* ratioTarget);
