// Benchmark, run by hand through bench/write-bench.sh: a write of an image
// onto the image-backed drive A: through TORVEX's window (backup, write,
// read-back and check), alternating with a bare Win32 loop of the same work on
// the same drive. Then what the write's progress texts cost on this display.
// Prints figures only.
#include "bench/bench_support.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {


// Moves `bytes` sector by sector at the volume's running pointer from its start.
bool MoveSectors(HANDLE volume, unsigned char* buffer, uint32_t bytes, bool write) {
  SetFilePointer(volume, 0, nullptr, FILE_BEGIN);
  for (uint32_t pos = 0; pos < bytes; pos += kSectorSize) {
    DWORD moved = 0;
    const BOOL done = write ? WriteFile(volume, buffer + pos, kSectorSize, &moved, nullptr)
                            : ReadFile(volume, buffer + pos, kSectorSize, &moved, nullptr);
    if (!done || moved != kSectorSize) return false;
  }
  return true;
}

// Reads or writes a whole file in one call.
bool WholeFile(const std::string& path, unsigned char* buffer, uint32_t bytes, bool write) {
  HANDLE file = CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, 0, nullptr,
                            write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD moved = 0;
  const BOOL done = write ? WriteFile(file, buffer, bytes, &moved, nullptr)
                          : ReadFile(file, buffer, bytes, &moved, nullptr);
  return CloseHandle(file) && done && moved == bytes;
}

// The work of a write after its confirmation: the image loaded whole, the
// range backed up sector by sector and saved to a file, the image written
// sector by sector, the range read back in one call and compared.
double BareLoopSeconds(const std::string& imagePath, const std::string& backupPath,
                       uint32_t bytes) {
  HANDLE volume = CreateFileA("\\\\.\\A:", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (volume == INVALID_HANDLE_VALUE) return -1;
  const LARGE_INTEGER start = Now();
  auto* image = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, bytes + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  auto* backup = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, bytes + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  bool done = image && backup && WholeFile(imagePath, image, bytes, false) &&
              MoveSectors(volume, backup, bytes, false) &&
              WholeFile(backupPath, backup, bytes, true) && MoveSectors(volume, image, bytes, true);
  if (done) {
    SetFilePointer(volume, 0, nullptr, FILE_BEGIN);
    DWORD read = 0;
    done = ReadFile(volume, backup, bytes, &read, nullptr) && read == bytes &&
           std::memcmp(backup, image, bytes) == 0;
  }
  const LARGE_INTEGER end = Now();
  if (backup) VirtualFree(backup, 0, MEM_RELEASE);
  if (image) VirtualFree(image, 0, MEM_RELEASE);
  CloseHandle(volume);
  return done ? Seconds(start, end) : -1;
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
      std::snprintf(text, sizeof text, inTitle ? "Write DATA ..%3d%%" : "BackUp Original DATA ..%3d%%",
                    percent);
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
  const std::string imagePath = argv[4];
  const double mebibytes = arguments.mebibytes;
  std::printf("write of %u sectors of %u bytes (%.0f MiB) from %s, TORVEX (Yes to finish) and the "
              "bare loop alternately\n",
              sectors, kSectorSize, mebibytes, imagePath.c_str());
  const bool ran = CompareWithBareLoop(
      arguments.program, "-W", arguments.workDir, mebibytes,
      [&](RunningProgram& running, LARGE_INTEGER& from) {
        return WriteThroughWindow(running, imagePath, sectors, from);
      },
      [&] {
        return BareLoopSeconds(imagePath, arguments.workDir + "\\bare_bak.img",
                               sectors * kSectorSize);
      },
      ">= 0.80");
  if (!ran) return 1;
  std::printf("  peak memory target  <= image + backup + 8 MiB = %.1f MiB\n", 2 * mebibytes + 8);

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
