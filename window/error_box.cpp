#include "window/error_box.h"

#include <cstdio>

#include "window/window_conventions.h"

void ShowErrorBox(const char* text, const char* reason) {
  char shown[1024];
  std::snprintf(shown, sizeof shown, reason ? "%s\r\n理由: %s" : "%s", text, reason);
  ShowMessageBox(BoxOwner::MainWindow, shown, "エラー", kBoxOk | kBoxIconWarning);
}

void ShowErrorBoxForCode(const char* text, uint32_t errorCode) {
  char reason[512];
  FormatSystemReason(errorCode, reason, sizeof reason);
  ShowErrorBox(text, reason);
}
