// Benchmark, run by hand through bench/write-bench.sh: a write of an image
// onto the image-backed drive A: through TORVEX's window (backup, write,
// read-back and check), alternating with a bare Win32 loop of the work such a
// write must do on the same drive; then both broken down by phase, and what
// the write's progress texts cost on this display. Prints figures only.
#include "bench/bench_support.h"

#include <commctrl.h>
#include <winioctl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The boundaries a write marks: TORVEX's Execute pressed, Yes pressed, its
// backup begun, its partial backup file made and whole, dump_bak.img
// replaced, its last title and the end; the bare loop's the same.
const PhasePlan kWritePhases = {8,
                                1,
                                {{"open, lock, geometry to the confirmation (not timed)", 0, 1},
                                 {"image load and backup reads", 1, 3},
                                 {"  of it: image load (its end seen <= 0.1 s late)", 1, 2},
                                 {"  of it: backup reads, one a sector, running pointer", 2, 3},
                                 {"backup save with its flush", 3, 5},
                                 {"  of it: flush, close, rename", 4, 5},
                                 {"dismount and writes, one a sector", 5, 6},
                                 {"read-back and check, to the end", 6, 7},
                                 {"total (Yes to the end)", 1, 7}}};

// Moves `bytes` sector by sector at the drive's running pointer from its
// start. Before the first write the drive is dismounted, as TORVEX does.
bool MoveSectors(HANDLE drive, unsigned char* buffer, uint32_t bytes, bool write) {
  SetFilePointer(drive, 0, nullptr, FILE_BEGIN);
  if (write) {
    DWORD returned = 0;
    DeviceIoControl(drive, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
  }
  for (uint32_t pos = 0; pos < bytes; pos += kSectorSize) {
    DWORD moved = 0;
    const BOOL done = write ? WriteFile(drive, buffer + pos, kSectorSize, &moved, nullptr)
                            : ReadFile(drive, buffer + pos, kSectorSize, &moved, nullptr);
    if (!done || moved != kSectorSize) return false;
  }
  return true;
}

bool LoadImage(const std::string& path, unsigned char* image, uint32_t bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool loaded = ReadInPieces(file, image, bytes);
  return CloseHandle(file) && loaded;
}

// Reads back what was written, in pieces as TORVEX does, and compares.
bool ReadBackSame(HANDLE drive, unsigned char* readBack, const unsigned char* image,
                  uint32_t bytes) {
  SetFilePointer(drive, 0, nullptr, FILE_BEGIN);
  return ReadInPieces(drive, readBack, bytes) && std::memcmp(readBack, image, bytes) == 0;
}

// The work TORVEX must do for a write, and no more: the drive opened and
// locked; then, timed, the image loaded, the range backed up sector by sector
// at the running pointer and saved beside the previous backup through a
// partial file, the image written sector by sector, read back and compared.
bool BareWrite(const std::string& imagePath, const std::string& folder, uint32_t bytes,
               Moments& moments) {
  moments.Mark();
  HANDLE drive = OpenLockedDrive(true);
  moments.Mark();
  unsigned char* image = AllocatePages(bytes);
  unsigned char* backup = AllocatePages(bytes);
  bool done = drive && image && backup && LoadImage(imagePath, image, bytes);
  moments.Mark();
  done = done && MoveSectors(drive, backup, bytes, false);
  const std::string backupPath = folder + "\\dump_bak.img";
  done = done && SaveThroughPartialFile(backupPath, backup, bytes, nullptr, moments);
  done = done && MoveSectors(drive, image, bytes, true);
  moments.Mark();
  done = done && ReadBackSame(drive, backup, image, bytes);
  ReleasePages(backup);
  ReleasePages(image);
  if (drive) CloseHandle(drive);
  moments.Mark();
  return done;
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// The progress texts of a write on a window like TORVEX's, on this display:
// the backup's percentages 0 to 100 in the status bar, then the write's in
// the status bar and the title. With `paintLater` the status bar does not
// paint each text (its redraw is off, as in TORVEX during a transfer) but the
// last one at the end. Returns the milliseconds; `texts` counts them.
double ProgressTextsMilliseconds(bool paintLater, int& updates, int& texts) {
  InitCommonControls();
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = PlainWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "TorvexBenchWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, "bench", WS_OVERLAPPEDWINDOW, 0, 0,
                                640, 480, nullptr, nullptr, windowClass.hInstance, nullptr);
  HWND statusBar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_BOTTOM,
                                       nullptr, window, 600);
  SendMessageA(statusBar, SB_SIMPLE, TRUE, 0);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);

  updates = 0;
  texts = 0;
  char text[32];
  const LARGE_INTEGER start = Now();
  if (paintLater) SendMessageA(statusBar, WM_SETREDRAW, FALSE, 0);
  for (int loop = 0; loop < 2; ++loop) {
    const bool inTitle = loop == 1;
    for (int percent = 0; percent <= 100; ++percent) {
      const char* format = inTitle ? "Write DATA ..%3d%%" : "BackUp Original DATA ..%3d%%";
      std::snprintf(text, sizeof text, format, percent);
      SendMessageA(statusBar, SB_SETTEXTA, 255, reinterpret_cast<LPARAM>(text));
      ++texts;
      if (inTitle) {
        SetWindowTextA(window, text);
        ++texts;
      }
      ++updates;
    }
  }
  if (paintLater) {
    SendMessageA(statusBar, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(statusBar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
  const double milliseconds = Seconds(start, Now()) * 1000;
  DestroyWindow(window);
  return milliseconds;
}

}  // namespace

int main(int argc, char** argv) {
  BenchArguments arguments;
  if (!ReadArguments(argc, argv, 4, "write_bench PROGRAM WORKDIR SECTORS IMAGE", arguments))
    return 2;
  const uint32_t sectors = arguments.sectors;
  const uint32_t bytes = sectors * kSectorSize;
  const std::string imagePath = argv[4];
  const double mebibytes = arguments.mebibytes;
  std::printf("write of %u sectors of %u bytes (%.0f MiB) from %s, TORVEX (Yes to finish) and the "
              "bare loop alternately\n",
              sectors, kSectorSize, mebibytes, imagePath.c_str());
  // In TORVEX's current folder: a full path typed into Wine's file dialog leaves it as it was.
  const std::string backup = arguments.workDir + "\\dump_bak.img";
  const bool ran = CompareWithBareLoop(
      arguments.program, "-W", arguments.workDir, mebibytes,
      [&](RunningProgram& running, Moments& moments) {
        const std::vector<StageSign> signs = {StatusStartsWith(running, "BackUp Original DATA"),
                                              FileExists(backup + ".tmp"),
                                              FileHasSize(backup + ".tmp", bytes),
                                              FileReplaced(backup),
                                              TitleStartsWith(running, "Write DATA ..100%")};
        return WriteThroughWindow(running, imagePath, sectors, signs, moments);
      },
      [&](Moments& moments) { return BareWrite(imagePath, arguments.bareDir, bytes, moments); },
      kWritePhases);
  if (!ran) return 1;
  std::printf("  peak memory target  <= working set just before Execute + image + backup + 8 MiB"
              " (%.1f MiB)\n", 2 * mebibytes + 8);

  for (const bool paintLater : {false, true}) {
    int updates = 0;
    int texts = 0;
    const double milliseconds = ProgressTextsMilliseconds(paintLater, updates, texts);
    std::printf("progress texts, %s: %d updates, %.0f ms (%d texts: status bar for the backup, "
                "status bar and title for the write)\n",
                paintLater ? "status bar painted at the end" : "each painted", updates,
                milliseconds, texts);
  }
  return 0;
}
