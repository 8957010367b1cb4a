#pragma once
// What the benchmarks and the demo share: clocks and medians, rounds that
// alternate TORVEX with a bare Win32 loop and break both down by phase,
// TORVEX started, driven through its window and watched from outside with the
// end-to-end driver, and the file work both bare loops do as TORVEX does it.
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"

constexpr double kMiB = 1024.0 * 1024.0;
constexpr uint32_t kSectorSize = 512;
// TORVEX loads, saves and reads back in pieces of this size.
constexpr uint32_t kFilePieceBytes = 1 << 20;

// What every benchmark is given: PROGRAM WORKDIR SECTORS, then its own.
struct BenchArguments {
  std::string program;  // Windows path of torvex-e2e.exe
  std::string workDir;  // Windows path of TORVEX's current folder
  std::string bareDir;  // workDir\bare, made by the script: the bare loop's files
  uint32_t sectors = 0;  // of 512 bytes
  double mebibytes = 0;
};
// False, after printing `usage`, when fewer than `count` arguments were given.
bool ReadArguments(int argc, char** argv, int count, const char* usage, BenchArguments& arguments);

LARGE_INTEGER Now();
double Seconds(LARGE_INTEGER from, LARGE_INTEGER to);
double Median(std::vector<double> values);

// The processor time a process has used so far, user and system together, in
// seconds; 0 when it cannot be had.
double ProcessorSeconds(DWORD processId);

// The boundaries between the phases of one run, in order: seconds from the
// moment the run's clock started, and the processor time of the process that
// does the work (the bare loop's own, or TORVEX's) at each.
struct Moments {
  LARGE_INTEGER start = Now();
  DWORD processId = GetCurrentProcessId();
  std::vector<double> seconds;
  std::vector<double> processorSeconds;
  // TORVEX's working set just before Execute is pressed: what the operation's
  // peak is measured from, after the file dialog has loaded its libraries.
  SIZE_T workingSetAtExecute = 0;
  // Takes now as the next boundary.
  void Mark();
};

// A row of the breakdown: the time from boundary `from` to boundary `to`.
struct PhaseRow {
  const char* name;
  size_t from;
  size_t to;
};

// How the runs of a mode are cut into phases, the same for TORVEX and the
// bare loop: every run marks `boundaries` moments; its time, the one its
// rate and ratio come from, runs from boundary `timedFrom` to the last.
struct PhasePlan {
  size_t boundaries;
  size_t timedFrom;
  std::vector<PhaseRow> rows;
};

// Saves the main window as a 24-bit BMP file in the folder TORVEX_SCREENSHOTS
// names, if any (scripts/run.sh without a display, whose screenshots are the
// README's).
bool SaveScreenshot(const RunningProgram& p, const std::string& name);

// Starts torvex-e2e.exe (Windows path) in `workDir` with the bench drive's
// geometry, its trace redirected to workDir\trace.txt. Says why on failure.
bool StartTorvex(const std::string& program, const std::string& arguments,
                 const std::string& workDir, RunningProgram& running);

// Whether TORVEX shows that an operation has reached a stage, looked at from
// outside. The phases are told apart by what TORVEX shows of itself on the
// way: its title, which it sets only in the read and write loops, and the
// dump files it makes, both seen without asking the program anything; and,
// where nothing else tells, its status text, which costs it a message.
using StageSign = std::function<bool()>;
StageSign TitleStartsWith(const RunningProgram& running, const std::string& prefix);
// The status text is answered only when TORVEX next serves its window, at
// most 100 ms into a transfer: a stage seen by it is seen up to that late.
// The next question waits for that answer, so TORVEX is asked at most ten
// times a second, a cost it does not notice.
StageSign StatusStartsWith(const RunningProgram& running, const std::string& prefix);
StageSign FileExists(const std::string& path);
StageSign FileHasSize(const std::string& path, uint64_t bytes);
// The file `path` is no longer the one it was when the sign was made: a
// partial file renamed over it, or a first one made.
StageSign FileReplaced(const std::string& path);

// Reads `count` sectors from the start sector through the window of a TORVEX
// in read mode, as a user would: types the count, presses Execute and waits
// for the end. Marks the click, each of `signs` in turn when it (or a later
// one) is first seen, and the end. Says why on failure.
bool ReadThroughWindow(RunningProgram& running, uint32_t count,
                       const std::vector<StageSign>& signs, Moments& moments);

// Rewrites `count` sectors from sector 0 through the window of a TORVEX in
// write mode, as a user would: types the count, chooses `imagePath` (on C:)
// in the file dialog, presses Execute and answers "確認" with Yes, then waits
// for the end. Marks Execute pressed, Yes pressed, each of `signs` as above,
// and the end. Says why on failure.
bool WriteThroughWindow(RunningProgram& running, const std::string& imagePath, uint32_t count,
                        const std::vector<StageSign>& signs, Moments& moments);

// Lets TORVEX do one operation through its window, marking the plan's
// boundaries; false when it failed.
using Operation = std::function<bool(RunningProgram& running, Moments& moments)>;

// One run of the bare loop, marking the plan's boundaries; false when it failed.
using BareRun = std::function<bool(Moments& moments)>;

// Runs TORVEX (started with `arguments`, driven through one operation by
// `operate`) and the bare loop alternately, five times each, printing a line
// per round; then the medians, the median of the paired ratios beside its
// target, the same for the processor time each side's process used (wall time
// here moves with the disk and the test display), TORVEX's memory and the
// phases of `plan` side by side. False (after
// saying why) when a run failed.
bool CompareWithBareLoop(const std::string& program, const std::string& arguments,
                         const std::string& workDir, double mebibytes, const Operation& operate,
                         const BareRun& bare, const PhasePlan& plan);

// The bare loops' share of TORVEX's work, in plain Win32 calls.

// A buffer of `bytes` and one more, in whole pages straight from the system
// as TORVEX takes its own; null when there is no memory. Any may be released.
unsigned char* AllocatePages(uint32_t bytes);
void ReleasePages(unsigned char* buffer);
// Opens drive A: and locks it, as TORVEX does; null when either is refused.
HANDLE OpenLockedDrive(bool forWriting);
// Reads `bytes` into `buffer` at the handle's pointer in pieces of
// kFilePieceBytes; false unless every byte came.
bool ReadInPieces(HANDLE handle, unsigned char* buffer, uint32_t bytes);
// Saves `length` bytes as `path` as TORVEX saves a dump file: to path.tmp in
// pieces, each echoed to `trace` first unless it is null, flushed to the
// disk, closed and renamed over `path` write-through. Marks the partial file
// made, the pieces written and the rename done.
bool SaveThroughPartialFile(const std::string& path, const unsigned char* bytes, uint32_t length,
                            HANDLE trace, Moments& moments);
