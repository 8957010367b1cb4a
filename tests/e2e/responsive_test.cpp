// The window during long transfers, watched from another process: it keeps answering and is never
// "not responding", and a close waits until the operation has ended whole. (That it takes no
// command meanwhile, the operation rows show under a box: the same guard refuses both.) The
// drive is L: (/dev/zero): reads are quick zeros and writes are taken, so a long range costs no
// disk; the image written is a sparse file of zeros, which the read-back then matches.
#include <gtest/gtest.h>
#include <filesystem>
#include <set>
#include "tests/e2e/driver.h"
namespace {
// The close comes at the first progress text: sent during the read, posted during the write.
struct Row { const char* name; bool write; };
const Row kRows[] = {{"ReadEndsBeforeASentClose", false}, {"WriteEndsBeforeAPostedClose", true}};
class Responsive : public testing::TestWithParam<Row> {};
TEST_P(Responsive, WindowAnswersThroughoutAndNothingActsUnderTheTransfer) {
  const Row& row = GetParam();
  const unsigned sectors = row.write ? 262144 : 100000;
  const std::string folder = "C:\\torvex-e2e\\responsive-" + std::string(row.name);
  const std::string image = folder + "\\zeros.img", backup = folder + "\\dump_bak.img";
  std::filesystem::create_directories(folder);
  DeleteFileA(backup.c_str());
  HANDLE file = CreateFileA(image.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_TRUE(SetFilePointer(file, sectors * 512, nullptr, FILE_BEGIN) && SetEndOfFile(file));
  CloseHandle(file);
  RunningProgram p;
  SetEnvironmentVariableA("TORVEX_GEOMETRY", "80,2,2,18,512");
  ASSERT_TRUE(StartProgram({.program = WindowsPathFromUnix(EnvironmentValue("TORVEX_E2E_EXE")),
                            .arguments = row.write ? "-W" : "", .programToken = "",
                            .workingDirectory = folder, .stdoutFile = folder + "\\trace.txt"},
                           p));
  HWND dumpToFile = GetDlgItem(p.mainWindow, kDumpToFileBox);  // no dump.img of the read
  ASSERT_TRUE(SelectDrive(p, "L:\\"));
  ASSERT_TRUE(SetText(GetDlgItem(p.mainWindow, kCountBox), std::to_string(sectors)));
  ASSERT_TRUE(row.write ? ChooseImage(p, image) : Send(dumpToFile, BM_SETCHECK) == 0);
  MessageBoxInfo box;
  ASSERT_TRUE(PressButton(GetDlgItem(p.mainWindow, kExecuteButton)));
  ASSERT_TRUE(!row.write || (WaitForMessageBox(p, "確認", box) && AnswerMessageBox(box, IDYES)));
  // Samples until the end: every status text must be answered within a second.
  std::set<std::string> progress;  // each phase's, as seen
  bool hung = false, boxOpened = false;
  DWORD slowest = 0;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 120000; Sleep(50)) {
    hung |= IsHungAppWindow(p.mainWindow) != FALSE;
    if (WaitForSingleObject(p.process, 0) == WAIT_OBJECT_0) break;
    const DWORD asked = GetTickCount();
    const std::string status = StatusText(p);
    slowest = std::max(slowest, GetTickCount() - asked);
    if (status == "終了") break;
    boxOpened |= !OpenMessageBoxes(p).empty();
    const bool percentage = !status.empty() && status.back() == '%';
    if (!percentage || !progress.insert(status.substr(0, status.size() - 4)).second) continue;
    if (progress.size() > 1) continue;
    if (row.write) PostMessageA(p.mainWindow, WM_CLOSE, 0, 0);
    else Send(p.mainWindow, WM_CLOSE);
  }
  EXPECT_FALSE(hung);
  EXPECT_LT(slowest, 1000u) << "milliseconds before a status text was answered";
  EXPECT_FALSE(boxOpened) << "a box or dialog opened under the transfer";
  using Phases = std::set<std::string>;
  EXPECT_EQ(progress, (row.write ? Phases{"BackUp Original DATA ..", "Write DATA .."}
                                 : Phases{"Reading DATA.."}));
  DWORD exitCode = 1;  // the close is carried out once the operation has ended
  EXPECT_TRUE(WaitForSingleObject(p.process, kWaitLimitMs) == WAIT_OBJECT_0 &&
              GetExitCodeProcess(p.process, &exitCode) && exitCode == 0);
  const std::string trace = ReadWholeFile(folder + "\\trace.txt");
  if (row.write) {  // the backup is whole; the read-back matched, or a box would have opened
    EXPECT_EQ(ReadWholeFile(backup).size(), sectors * 512u);
  } else {  // one read, run to its end
    EXPECT_EQ(trace.find(" ok handel"), trace.rfind(" ok handel"));
    EXPECT_NE(trace.find("nRead=512\r\nnSize=-512\r\ndata=\r\n"), std::string::npos) << trace;
  }
}
INSTANTIATE_TEST_SUITE_P(Transfers, Responsive, testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });
}  // namespace
