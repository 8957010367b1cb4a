// The write-mode demo of scripts/run.sh when there is no display: starts
// TORVEX in write mode, writes an image onto drive A: through its window as a
// user would (the image chosen in the file dialog, Execute, Yes), saves the
// window as write-mode.bmp in the folder named by TORVEX_SCREENSHOTS and
// closes the program.
#include <cstdio>
#include <string>

#include "bench/bench_support.h"

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: write_demo PROGRAM ARGUMENTS WORKDIR IMAGE COUNT\n");
    return 2;
  }
  RunningProgram running;
  LARGE_INTEGER confirmed;
  if (!StartTorvex(argv[1], argv[2], argv[3], running) ||
      !WriteThroughWindow(running, argv[4], static_cast<uint32_t>(std::stoul(argv[5])),
                          confirmed)) {
    return 1;
  }
  Sleep(500);  // lets the last texts paint before the picture is taken
  if (!SaveScreenshot(running, "write-mode.bmp")) std::fprintf(stderr, "no screenshot saved\n");
  DWORD exitCode = 0;
  return CloseProgram(running, exitCode) ? 0 : 1;
}
