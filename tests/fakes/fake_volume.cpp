#include "tests/fakes/fake_volume.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

FakeDrive g_fakeDrive;
FakeLog g_fakeLog;

namespace {

int g_token;  // the handle of the volume and of the image file
uint64_t g_pointer = 0;
uint32_t g_pending = 0;
bool g_otherFile = false;
uint64_t g_imageRead = 0;  // where the next image read starts

// Logs the call; true when it is the one that goes wrong.
bool Hit(Call call) {
  g_fakeLog.calls.push_back(call);
  return std::ssize(g_fakeLog.calls) - 1 == g_fakeDrive.faultAt;
}

// The bytes a call asking `bytes` moves: all, half when Short, none when Fail.
uint32_t Granted(bool hit, uint32_t bytes) {
  if (!hit || g_fakeDrive.fault == Fault::Pending) return bytes;
  return g_fakeDrive.fault == Fault::Short ? bytes / 2 : 0;
}

// Moves up to `bytes` between the volume at `position` and `buffer`; the count moved.
uint32_t Move(uint64_t position, void* buffer, uint32_t bytes, bool write) {
  std::vector<unsigned char>& volume = g_fakeDrive.sectors;
  if (position >= volume.size()) return 0;
  const auto n = static_cast<uint32_t>(std::min<uint64_t>(bytes, volume.size() - position));
  if (!write) std::memcpy(buffer, volume.data() + position, n);
  else if (!g_fakeDrive.losesWrites) std::memcpy(volume.data() + position, buffer, n);
  return n;
}

}  // namespace

unsigned char FakeSectorByte(uint64_t offset) {
  return static_cast<unsigned char>(offset % 251 + offset / 512 * 7);
}

void ResetFakeVolume(uint32_t sectorCount, uint32_t bytesPerSector) {
  g_fakeDrive = FakeDrive{};
  g_fakeDrive.geometry.BytesPerSector = bytesPerSector;
  g_fakeDrive.sectors.resize(uint64_t{sectorCount} * bytesPerSector);
  std::vector<unsigned char>& bytes = g_fakeDrive.sectors;
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = FakeSectorByte(i);
  g_fakeDrive.totalBytes = g_fakeDrive.sectors.size();
  g_fakeLog = FakeLog{};
  g_pointer = 0;
}

uint64_t QueryTotalBytes(const char*) { return Hit(Call::TotalBytes) ? 0 : g_fakeDrive.totalBytes; }
VolumeHandle OpenVolumeForWriting(char letter) { return OpenVolumeForReading(letter); }
VolumeHandle OpenVolumeForReading(char letter) {
  if (Hit(Call::Open) || letter != g_fakeDrive.letter) return nullptr;
  return ++g_fakeLog.opens, &g_token;
}
uint32_t LockVolume(VolumeHandle) { return Hit(Call::Lock) ? kFakeErrorCode : 0; }
uint32_t ReadDriveGeometry(VolumeHandle, DiskGeometry* record) {
  if (Hit(Call::Geometry)) return kFakeErrorCode;
  return *record = g_fakeDrive.geometry, 0;
}
bool SetVolumePosition(VolumeHandle, uint32_t distance) {
  if (Hit(Call::Position)) return false;
  return g_pointer = distance, true;
}

uint32_t ReadVolumeAt(VolumeHandle, uint64_t position, void* buffer, uint32_t bytes,
                      uint32_t* delivered) {
  const bool hit = Hit(Call::ReadAt);
  *delivered = 0;
  if (hit && g_fakeDrive.fault == Fault::Fail) return kFakeErrorCode;
  if (position >= g_fakeDrive.sectors.size()) return kErrorHandleEof;
  const uint32_t n = Move(position, buffer, Granted(hit, bytes), false);
  if (hit && g_fakeDrive.fault == Fault::Pending) return g_pending = n, kErrorIoPending;
  return *delivered = n, 0;
}
uint32_t AwaitVolumeRead(VolumeHandle, uint32_t* delivered) { return *delivered = g_pending, 0; }
uint32_t ReadVolume(VolumeHandle, void* buffer, uint32_t bytes) {
  const uint32_t n = Move(g_pointer, buffer, Granted(Hit(Call::Read), bytes), false);
  return g_pointer += n, n;
}
uint32_t WriteVolume(VolumeHandle, const void* buffer, uint32_t bytes) {
  void* source = const_cast<void*>(buffer);
  const uint32_t n = Move(g_pointer, source, Granted(Hit(Call::Write), bytes), true);
  return g_pointer += n, n;
}
void CloseVolume(VolumeHandle) { g_fakeLog.calls.push_back(Call::Close), ++g_fakeLog.closes; }

void* AllocateBuffer(uint64_t bytes) {
  if (Hit(Call::Allocate) || bytes >= g_fakeDrive.largestBuffer) return nullptr;
  void* buffer = std::malloc(static_cast<size_t>(bytes));
  return g_fakeLog.liveBuffers += buffer != nullptr, buffer;
}
void ReleaseBuffer(void* buffer) { g_fakeLog.liveBuffers -= buffer != nullptr, std::free(buffer); }

bool QueryImageFileSize(const char* path, uint64_t* size) {
  if (Hit(Call::ImageSize) || g_fakeDrive.imagePath != path) return false;
  *size = g_fakeDrive.imageSizeReported ? g_fakeDrive.imageSizeReported : g_fakeDrive.image.size();
  return true;
}
bool IsSameFile(const char* path, const char* otherPath) {
  std::error_code error;
  return std::string(path) == otherPath || std::filesystem::equivalent(path, otherPath, error);
}
// Like an open that creates a missing file: any other path opens an empty file.
ImageFileHandle OpenImageFile(const char* path) {
  g_otherFile = g_fakeDrive.imagePath != path, g_imageRead = 0;
  return Hit(Call::ImageOpen) ? nullptr : &g_token;
}
uint32_t ReadImageFile(ImageFileHandle, void* buffer, uint32_t bytes) {
  const auto& image = g_fakeDrive.image;
  const uint64_t left = g_otherFile ? 0 : image.size() - g_imageRead;
  const uint32_t n = Granted(Hit(Call::ImageRead), std::min<uint64_t>(bytes, left));
  if (n) std::memcpy(buffer, image.data() + g_imageRead, n);
  return g_imageRead += n, n;
}
void CloseImageFile(ImageFileHandle) {}
