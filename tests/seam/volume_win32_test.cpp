// The Win32 volume layer's pause between two lock attempts, which no fake or row can show.
#include <windows.h>
#include <gtest/gtest.h>
#include "volume/volume.h"
namespace {
TEST(Seam, PauseBeforeLockRetryWaitsServingTheWindow) {
  HWND box = CreateWindowA("EDIT", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(PostMessageA(box, EM_SETLIMITTEXT, 7, 0));
  const DWORD start = GetTickCount();
  PauseBeforeLockRetry();
  EXPECT_GE(GetTickCount() - start, 250u);
  EXPECT_EQ(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), 7);  // the posted message was dispatched
}
}  // namespace
