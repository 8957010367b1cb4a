// The demo of scripts/run.sh when there is no display: starts TORVEX and lets
// it do its main job through its window as a user would. Read mode: Execute,
// the window's own start 0 and count 1. Write mode (IMAGE and COUNT given):
// the image chosen in the file dialog, the count typed, Execute and Yes.
// Waits for "終了", saves the window as screenshot.bmp in the folder
// TORVEX_SCREENSHOTS names and prints what the window shows: the status, the
// geometry report, the first lines of the hex dump and any open message box,
// in the program's code page (932). Fails when the operation did not end with
// "終了" and no box open; the files it made are for the caller to check.
#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "window/control_ids.h"

namespace {

constexpr int kDumpLines = 5;  // the header and the first 64 bytes

// A box's name, how many lines its text has (each ends with CR LF, the last
// may not) and the first `most` of them.
void PrintBox(const char* name, const std::string& text, int most) {
  const int lines =
      text.empty() ? 0 : int(std::count(text.begin(), text.end(), '\n') + !text.ends_with('\n'));
  if (lines <= most) std::printf("%s, %d lines:\n", name, lines);
  else std::printf("%s, the first %d of %d lines:\n", name, most, lines);
  for (size_t at = 0; at < text.size() && most-- > 0;) {
    const size_t end = std::min(text.find("\r\n", at), text.size());
    std::printf("%s\n", text.substr(at, end - at).c_str());
    at = end + 2;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 6) {
    std::fprintf(stderr, "usage: demo PROGRAM ARGUMENTS WORKDIR [IMAGE COUNT]\n");
    return 2;
  }
  RunningProgram running;
  if (!StartTorvex(argv[1], argv[2], argv[3], running)) return 1;
  Moments moments;
  const bool ended = argc == 4 ? ReadThroughWindow(running, 1, {}, moments)
                               : WriteThroughWindow(running, argv[4],
                                                    static_cast<uint32_t>(std::stoul(argv[5])),
                                                    {}, moments);
  Sleep(500);  // lets the last texts paint before the picture is taken
  if (!SaveScreenshot(running, "screenshot.bmp")) std::fprintf(stderr, "no screenshot saved\n");
  std::printf("status: %s\n", StatusText(running).c_str());
  PrintBox("geometry report (box 500)", WindowText(GetDlgItem(running.mainWindow, kGeometryBox)),
           100);
  PrintBox("hex dump (box 300)", WindowText(GetDlgItem(running.mainWindow, kDumpBox)), kDumpLines);
  for (const MessageBoxInfo& box : OpenMessageBoxes(running))
    std::printf("message box \"%s\": %s\n", box.caption.c_str(), box.text.c_str());
  std::fflush(stdout);
  DWORD exitCode = 0;
  return ended && CloseProgram(running, exitCode) ? 0 : 1;
}
