// The Win32 side of the volume seam under Wine. The program is one static file, so each of its
// kernel32 calls goes through its own import table: pointed at spies, it shows those calls.
#include <windows.h>
#include <winioctl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include "output/dump_file.h"
#include "volume/volume_lock.h"
namespace {
std::string Call(std::string name, DWORD value = 0) { return name + ' ' + std::to_string(value); }
std::vector<std::string> g_calls;
DWORD g_refused;  // the control code refused as by a drive whose medium is write-protected
template <auto spy> decltype(spy) g_real;  // the system's function behind a spy
BOOL WINAPI Control(HANDLE v, DWORD code, void* i, DWORD n, void* o, DWORD m, DWORD* r,
                    OVERLAPPED* p) {
  g_calls.push_back(Call("control", code));
  if (code == g_refused) SetLastError(ERROR_WRITE_PROTECT);
  return code != g_refused && g_real<Control>(v, code, i, n, o, m, r, p);
}
BOOL WINAPI Flush(HANDLE file) {
  g_calls.push_back(Call("flush"));
  return g_real<Flush>(file);
}
BOOL WINAPI Move(LPCSTR from, LPCSTR to, DWORD flags) {
  g_calls.push_back(Call(std::string("move ") + from + '>' + to, flags));
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
const std::vector<std::string> kCalls = {
    // SaveDumpFile: flushed to the disk, then renamed write-through (the order with the close
    // is the native rules').
    Call("flush"),
    Call("move seam.img.tmp>seam.img", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH),
    // The raw volume: locked, opened to every sector, asked twice, dismounted; never flushed.
    Call("control", FSCTL_LOCK_VOLUME), Call("control", FSCTL_ALLOW_EXTENDED_DASD_IO),
    Call("control", IOCTL_DISK_IS_WRITABLE), Call("control", IOCTL_DISK_IS_WRITABLE),
    Call("control", FSCTL_DISMOUNT_VOLUME)};
TEST(Seam, SystemCallsBehindTheVolumeSeam) {
  ASSERT_TRUE(Divert<Control>(&DeviceIoControl) && Divert<Flush>(&FlushFileBuffers) &&
              Divert<Move>(&MoveFileExA));
  const std::string bytes("\0\r\n\x1A\xFF", 5);  // raw: no text mode may touch them
  const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
  EXPECT_EQ(SaveDumpFile("seam.img", raw, bytes.size(), false), 0u);
  std::ifstream saved("seam.img", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), bytes);
  const VolumeHandle volume = OpenVolumeForWriting('A');
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(LockVolumeRetrying(volume), 0u);
  EXPECT_EQ(QueryVolumeWritable(volume), ERROR_NOT_SUPPORTED);  // Wine's drives cannot tell
  g_refused = IOCTL_DISK_IS_WRITABLE;
  EXPECT_EQ(QueryVolumeWritable(volume), ERROR_WRITE_PROTECT);
  DismountVolume(volume);
  CloseVolume(volume);
  EXPECT_EQ(g_calls, kCalls);
  saved.close();
  DeleteFileA("seam.img");
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
