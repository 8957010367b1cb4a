#include "app/commands.h"

#include <commdlg.h>

#include "app/app_state.h"
#include "app/decimal.h"
#include "app/main_window.h"
#include "app/system_library.h"
#include "ops/read_operation.h"
#include "ops/write_operation.h"
#include "window/control_ids.h"
#include "window/window_conventions.h"

char g_imagePath[kImagePathSize] = {};

namespace {

// Each text is read into 10 bytes: its first 9 characters and the NUL.
constexpr int kFieldSize = 10;

void ReadControlText(HWND window, int controlId, char (&text)[kFieldSize]) {
  GetWindowTextA(GetDlgItem(window, controlId), text, kFieldSize);
}

// Reads the drive, start and count from the controls and runs the operation
// of the run mode.
void RunOperationFromControls(HWND window, const char* imagePath) {
  char driveRoot[kFieldSize] = {};
  char offsetText[kFieldSize] = {};
  char countText[kFieldSize] = {};
  ReadControlText(window, kDriveList, driveRoot);
  ReadControlText(window, kOffsetBox, offsetText);
  ReadControlText(window, kCountBox, countText);
  if (driveRoot[0] == '\0') {
    ShowMessageBox(BoxOwner::MainWindow, "ドライブ名が読めんかった", "エラー", kBoxOk);
    return;
  }
  const char driveLetter = driveRoot[0];
  const int32_t startSector = ParseDecimal(offsetText);
  const int32_t count = ParseDecimal(countText);
  // Write mode has no such box: it never saves dump.img.
  const bool dumpToFile = IsDlgButtonChecked(window, kDumpToFileBox) == BST_CHECKED;
  SetControlText(kGeometryBox, nullptr);
  SetControlText(kDumpBox, nullptr);

  if (g_runMode == RunMode::Read) {
    ReadOperation(driveLetter, driveRoot, startSector, count, dumpToFile);
  } else if (imagePath[0] == '\0') {
    ShowMessageBox(BoxOwner::None, "ファイルが選択されていません", "エラー", kBoxIconInformation);
  } else {
    WriteOperation(driveLetter, driveRoot, startSector, count, imagePath);
  }
}

// While an operation runs the window takes no input, but the system keeps
// queueing the user's clicks and keys; handled afterwards, a click on the
// re-enabled Execute button would start the operation again. They are
// dropped, as the user saw a window that did not respond.
void DiscardInputQueuedMeanwhile() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  while (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

// True from the start of an Execute to its end. The message boxes of an
// operation keep dispatching the window's messages, and a disabled button
// does not stop them all: a posted BM_CLICK still makes it notify, and any
// program can post the command itself. Two writes interleaved on one volume,
// or an image chosen anew while a write waits for its confirmation, must not
// happen, so both commands look at this instead of trusting the button.
bool g_operationRunning = false;
// A close asked for while an operation ran, to be carried out at its end.
bool g_closeRequested = false;

}  // namespace

bool DeferCloseWhileOperationRuns() {
  if (g_operationRunning) g_closeRequested = true;
  return g_operationRunning;
}

// The Execute button stays disabled until the operation has ended, to show
// that it cannot be pressed again meanwhile.
void ExecuteCommand(HWND window, char* imagePath) {
  if (g_operationRunning) return;
  g_operationRunning = true;
  EnableWindow(GetDlgItem(window, kExecuteButton), FALSE);
  RunOperationFromControls(window, imagePath);
  DiscardInputQueuedMeanwhile();
  EnableWindow(GetDlgItem(window, kExecuteButton), TRUE);
  g_operationRunning = false;
  if (g_closeRequested) {
    g_closeRequested = false;
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
}

int DispatchCommand(HWND window, int notificationCode, int controlId, LPARAM) {
  if (notificationCode != BN_CLICKED) return 0;
  if (controlId == kExecuteButton) {
    ExecuteCommand(window, g_imagePath);
  } else if (controlId == kBrowseButton && !g_operationRunning) {
    ChooseImageFile(nullptr, g_imagePath);
    SetDlgItemTextA(window, kPathBox, g_imagePath);
  }
  return 0;
}

BOOL ChooseImageFile(HWND owner, char* pathBuffer) {
  // Display text and pattern pairs, the list ended by one more NUL.
  static const char kFilter[] = "イメージデータ(*.img)\0*.img\0すべて(*.*)\0*.*\0";
  static_assert(sizeof kFilter == 45, "the filter list is 45 bytes");
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = pathBuffer;
  dialog.nMaxFile = kImagePathSize;
  dialog.lpstrTitle = "ファイル名の取得";
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  dialog.lpstrDefExt = "img";
  auto* const getOpenFileName =
      SystemFunction<decltype(GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
  return getOpenFileName ? getOpenFileName(&dialog) : FALSE;
}
