// The demo of scripts/run.sh without a display: TORVEX's main job through its window, as a user
// does it: a read with the window's own start 0 and count 1, or a write (IMAGE and COUNT given) of
// the image chosen in the file dialog. Prints the status, the geometry report and any box (code
// page 932), then the window's rectangle, and ends TORVEX once the script has taken its picture
// (WORKDIR\screenshot.taken). Fails unless the operation ended with "終了".
// Usage: demo PROGRAM ARGUMENTS WORKDIR [IMAGE COUNT]; TORVEX's trace goes to WORKDIR\trace.txt.
#include <cstdio>
#include "tests/e2e/driver.h"
int main(int argc, char** argv) {
  if (argc != 4 && argc != 6) return 2;
  const std::string folder = argv[3];
  const bool write = argc == 6;
  RunningProgram p;
  const auto Control = [&](int id) { return GetDlgItem(p.mainWindow, id); };
  MessageBoxInfo yes;
  const bool ran = StartProgram({argv[1], argv[2], "", folder, folder + "\\trace.txt"}, p) &&
                   (!write || (SetText(Control(kCountBox), argv[5]) && ChooseImage(p, argv[4]))) &&
                   PressButton(Control(kExecuteButton)) &&
                   (!write || (WaitForMessageBox(p, "確認", yes) && AnswerMessageBox(yes, IDYES))) &&
                   WaitUntil([&] { return StatusText(p) == "終了"; });
  Sleep(500);  // lets the last texts paint before the picture is taken
  std::printf("status: %s\ngeometry report (box 500):\n%s\n", StatusText(p).c_str(),
              WindowText(Control(kGeometryBox)).c_str());
  for (const MessageBoxInfo& box : OpenMessageBoxes(p))
    std::printf("message box \"%s\": %s\n", box.caption.c_str(), box.text.c_str());
  RECT r = {};
  GetWindowRect(p.mainWindow, &r);
  std::printf("window %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
  std::fflush(stdout);
  WaitUntil([&] { return Exists(folder + "\\screenshot.taken"); });
  return ran ? 0 : 1;
}
