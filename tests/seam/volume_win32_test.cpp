// The Win32 side of the volume seam under Wine, for what Wine can show. The program is one
// static file, so each of its kernel32 calls goes through its own import table: pointed at a
// spy, it shows the call.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include "output/dump_file.h"
#include "volume/volume.h"
namespace {
std::vector<std::string> g_calls;
template <auto spy> decltype(spy) g_real;  // the system's function behind a spy
BOOL WINAPI Move(LPCSTR from, LPCSTR to, DWORD flags) {
  g_calls.push_back(std::string("move ") + from + '>' + to + ' ' + std::to_string(flags));
  return g_real<Move>(from, to, flags);
}
// Points the import table's entry that holds `real` at `spy`, which then calls `real` itself.
template <auto spy> bool Divert(decltype(spy) real) {
  g_real<spy> = real;
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + PIMAGE_DOS_HEADER(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY iat = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
  auto* end = reinterpret_cast<decltype(spy)*>(base + iat.VirtualAddress + iat.Size);
  auto* entry = std::find(reinterpret_cast<decltype(spy)*>(base + iat.VirtualAddress), end, real);
  const decltype(spy) spied = spy;
  return entry != end && WriteProcessMemory(GetCurrentProcess(), entry, &spied, sizeof spied, 0);
}
// A saved file's new name is on the disk: written through (its flush, the native rules check).
TEST(Seam, SavedFileIsRenamedWriteThrough) {
  ASSERT_TRUE(Divert<Move>(&MoveFileExA));
  const unsigned char bytes[] = {0, '\r', '\n', 0x1A, 0xFF};
  EXPECT_EQ(SaveDumpFile("seam.img", bytes, sizeof bytes, false), 0u);
  DeleteFileA("seam.img");
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  EXPECT_EQ(g_calls, std::vector{"move seam.img.tmp>seam.img " + std::to_string(flags)});
}
TEST(Seam, PauseBeforeLockRetryWaitsServingTheWindow) {
  HWND box = CreateWindowA("EDIT", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(PostMessageA(box, EM_SETLIMITTEXT, 7, 0));
  const DWORD start = GetTickCount();
  PauseBeforeLockRetry();
  EXPECT_GE(GetTickCount() - start, 250u);
  EXPECT_EQ(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), 7);  // the posted message was dispatched
}
}  // namespace
