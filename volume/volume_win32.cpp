// The volume layer on Win32: raw volumes by drive letter, and the image file.
#include <windows.h>
#include <winioctl.h>

#include "volume/volume.h"
#include "window/window_conventions.h"

namespace {

HANDLE AsHandle(void* handle) { return static_cast<HANDLE>(handle); }

// The code of the call that just failed; never 0, which would mean success.
uint32_t LastError() {
  const DWORD error = GetLastError();
  return error != 0 ? error : ERROR_GEN_FAILURE;
}

VolumeHandle OpenVolume(char driveLetter, DWORD access, DWORD sharing) {
  char path[kDevicePathSize];
  FormatDevicePath(driveLetter, path);
  HANDLE volume =
      CreateFileA(path, access, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return volume == INVALID_HANDLE_VALUE ? nullptr : volume;
}

// A control call without buffers: 0, or the system error code.
uint32_t ControlVolume(VolumeHandle volume, DWORD code) {
  DWORD returned = 0;
  if (DeviceIoControl(AsHandle(volume), code, nullptr, 0, nullptr, 0, &returned, nullptr))
    return 0;
  return LastError();
}

}  // namespace

VolumeHandle OpenVolumeForReading(char driveLetter) {
  return OpenVolume(driveLetter, GENERIC_READ, FILE_SHARE_READ);
}

VolumeHandle OpenVolumeForWriting(char driveLetter) {
  return OpenVolume(driveLetter, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

uint32_t LockVolume(VolumeHandle volume) { return ControlVolume(volume, FSCTL_LOCK_VOLUME); }

void PauseBeforeLockRetry() {
  constexpr DWORD kPauseMs = 250;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < kPauseMs; Sleep(10))
    KeepWindowResponsive();
}

void AllowExtendedAccess(VolumeHandle volume) {
  ControlVolume(volume, FSCTL_ALLOW_EXTENDED_DASD_IO);
}

uint32_t QueryVolumeWritable(VolumeHandle volume) {
  return ControlVolume(volume, IOCTL_DISK_IS_WRITABLE);
}

void DismountVolume(VolumeHandle volume) { ControlVolume(volume, FSCTL_DISMOUNT_VOLUME); }

bool SetVolumePosition(VolumeHandle volume, uint32_t distance) {
  // Distances stay below 2^31, so the failure value 0xFFFFFFFF is never a position.
  return SetFilePointer(AsHandle(volume), static_cast<LONG>(distance), nullptr, FILE_BEGIN) ==
         distance;
}

uint32_t ReadVolumeAt(VolumeHandle volume, uint64_t position, void* buffer, uint32_t bytes,
                      uint32_t* delivered) {
  // The volume is opened without FILE_FLAG_OVERLAPPED, so the OVERLAPPED record only
  // carries the position: the call returns once the read is done.
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(position);
  at.OffsetHigh = static_cast<DWORD>(position >> 32);
  DWORD read = 0;
  const BOOL done = ReadFile(AsHandle(volume), buffer, bytes, &read, &at);
  *delivered = read;
  return done ? 0 : LastError();
}

uint32_t ReadVolume(VolumeHandle volume, void* buffer, uint32_t bytes) {
  DWORD read = 0;
  return ReadFile(AsHandle(volume), buffer, bytes, &read, nullptr) ? read : 0;
}

uint32_t WriteVolume(VolumeHandle volume, const void* buffer, uint32_t bytes) {
  DWORD written = 0;
  return WriteFile(AsHandle(volume), buffer, bytes, &written, nullptr) ? written : 0;
}

void CloseVolume(VolumeHandle volume) { CloseHandle(AsHandle(volume)); }

uint64_t QueryTotalBytes(const char* driveRoot) {
  ULARGE_INTEGER freeToCaller, total, totalFree;
  if (!GetDiskFreeSpaceExA(driveRoot, &freeToCaller, &total, &totalFree)) return 0;
  return total.QuadPart;
}

void* AllocateBuffer(uint64_t bytes) {
  // Whole pages straight from the system: a large buffer does not fragment
  // the heap, goes back at once when released, and is sector-aligned.
  if (bytes > UINT32_MAX) return nullptr;
  return VirtualAlloc(nullptr, static_cast<SIZE_T>(bytes == 0 ? 1 : bytes),
                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void ReleaseBuffer(void* buffer) {
  if (buffer) VirtualFree(buffer, 0, MEM_RELEASE);
}

OutputFileHandle CreateOutputFile(const char* name, uint32_t* error) {
  // CREATE_NEW: a link planted under the name would otherwise be followed,
  // and the file it leads to truncated, by a program with administrator rights.
  HANDLE file = CreateFileA(name, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  *error = file == INVALID_HANDLE_VALUE ? LastError() : 0;
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

namespace {

// The final path of an open file or folder into `path`: 0, or the system error code.
uint32_t FinalPath(HANDLE handle, char* path, size_t size) {
  const DWORD length = GetFinalPathNameByHandleA(handle, path, size, FILE_NAME_NORMALIZED);
  if (length == 0) return LastError();
  return length < size ? 0 : ERROR_FILENAME_EXCED_RANGE;
}

}  // namespace

uint32_t DescribeOutputFile(OutputFileHandle file, OutputFileFacts* facts) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(AsHandle(file), &information)) return LastError();
  facts->links = information.nNumberOfLinks;
  facts->reparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return FinalPath(AsHandle(file), facts->finalPath, sizeof facts->finalPath);
}

uint32_t QueryWorkingFolder(char* path, size_t size) {
  HANDLE folder = CreateFileA(".", 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return LastError();
  const uint32_t error = FinalPath(folder, path, size - 1);
  CloseHandle(folder);
  if (error != 0) return error;
  // Only a drive's root ends with the separator already (C:\). A name's last
  // character may end in a backslash's byte in code page 932, but no character ends in ':'.
  const size_t length = lstrlenA(path);
  if (length < 2 || path[length - 2] != ':' || path[length - 1] != '\\') lstrcatA(path, "\\");
  return 0;
}

uint32_t WriteOutputFile(OutputFileHandle file, const void* buffer, uint32_t bytes) {
  DWORD written = 0;
  if (!WriteFile(AsHandle(file), buffer, bytes, &written, nullptr)) return LastError();
  return written == bytes ? 0 : kErrorDiskFull;
}

uint32_t FlushOutputFile(OutputFileHandle file) {
  return FlushFileBuffers(AsHandle(file)) ? 0 : LastError();
}

uint32_t CloseOutputFile(OutputFileHandle file) {
  return CloseHandle(AsHandle(file)) ? 0 : LastError();
}

void DiscardOutputFile(OutputFileHandle file) {
  FILE_DISPOSITION_INFO dispose = {TRUE};
  SetFileInformationByHandle(AsHandle(file), FileDispositionInfo, &dispose, sizeof dispose);
  CloseHandle(AsHandle(file));
}

uint32_t ReplaceFileWith(const char* to, const char* from) {
  // Write-through: the new name is on the disk before the call returns.
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  return MoveFileExA(from, to, flags) ? 0 : LastError();
}

void RemoveFile(const char* name) { DeleteFileA(name); }

bool QueryImageFileSize(const char* path, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA status;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &status)) return false;
  *size = (uint64_t{status.nFileSizeHigh} << 32) | status.nFileSizeLow;
  return true;
}

namespace {

// The volume and index that identify an existing file however it is named.
bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* identity) {
  HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const BOOL known = GetFileInformationByHandle(file, identity);
  CloseHandle(file);
  return known != FALSE;
}

}  // namespace

bool IsSameFile(const char* path, const char* otherPath) {
  char full[MAX_PATH], otherFull[MAX_PATH];
  const DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  const DWORD otherLength = GetFullPathNameA(otherPath, MAX_PATH, otherFull, nullptr);
  if (length > 0 && length < MAX_PATH && otherLength > 0 && otherLength < MAX_PATH &&
      lstrcmpiA(full, otherFull) == 0)
    return true;
  BY_HANDLE_FILE_INFORMATION identity, otherIdentity;
  return FileIdentity(path, &identity) && FileIdentity(otherPath, &otherIdentity) &&
         identity.dwVolumeSerialNumber == otherIdentity.dwVolumeSerialNumber &&
         identity.nFileIndexHigh == otherIdentity.nFileIndexHigh &&
         identity.nFileIndexLow == otherIdentity.nFileIndexLow;
}

ImageFileHandle OpenImageFile(const char* path) {
  HANDLE file =
      CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  return file;
}

uint32_t ReadImageFile(ImageFileHandle file, void* buffer, uint32_t bytes) {
  DWORD read = 0;
  return ReadFile(AsHandle(file), buffer, bytes, &read, nullptr) ? read : 0;
}

void CloseImageFile(ImageFileHandle file) { CloseHandle(AsHandle(file)); }
