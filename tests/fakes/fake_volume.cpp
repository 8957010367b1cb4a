#include "tests/fakes/fake_volume.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

FakeDrive g_fakeDrive;
FakeVolumeLog g_fakeVolumeLog;

namespace {

// The one volume the fake hands out; any non-null value would do.
int g_volumeToken;
int g_imageToken;
VolumeHandle TheVolume() { return &g_volumeToken; }

uint32_t g_runningPointer = 0;
uint32_t g_positionedReads = 0;
uint32_t g_pendingDelivered = 0;
bool g_openedEmptyFile = false;

// Copies up to `bytes` from the volume at `position`; the count copied.
uint32_t CopyOut(uint64_t position, void* buffer, uint32_t bytes) {
  const uint64_t size = g_fakeDrive.sectors.size();
  if (position >= size) return 0;
  const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(bytes, size - position));
  std::memcpy(buffer, g_fakeDrive.sectors.data() + position, n);
  return n;
}

// The fault of call `number` in `faults`, if any.
ReadFault FaultOf(const std::map<uint32_t, ReadFault>& faults, int number) {
  const auto fault = faults.find(static_cast<uint32_t>(number));
  return fault == faults.end() ? ReadFault::None : fault->second;
}

// The bytes a running-pointer call of `bytes` moves under `fault`.
uint32_t BytesUnder(ReadFault fault, uint32_t bytes) {
  if (fault == ReadFault::Fail || fault == ReadFault::NoBytes) return 0;
  return fault == ReadFault::Short ? bytes / 2 : bytes;
}

VolumeHandle Open(char driveLetter) {
  if (g_fakeDrive.refuseOpen || driveLetter != g_fakeDrive.letter) return nullptr;
  return TheVolume();
}

}  // namespace

unsigned char FakeSectorByte(uint64_t offset) {
  return static_cast<unsigned char>(offset % 251 + offset / 512 * 7);
}

void ResetFakeVolume(uint32_t sectorCount, uint32_t bytesPerSector) {
  g_fakeDrive = FakeDrive{};
  g_fakeDrive.geometry.BytesPerSector = bytesPerSector;
  g_fakeDrive.sectors.resize(uint64_t{sectorCount} * bytesPerSector);
  for (size_t i = 0; i < g_fakeDrive.sectors.size(); ++i)
    g_fakeDrive.sectors[i] = FakeSectorByte(i);
  g_fakeDrive.totalBytes = g_fakeDrive.sectors.size();
  g_fakeVolumeLog = FakeVolumeLog{};
  g_runningPointer = 0;
  g_positionedReads = 0;
  g_pendingDelivered = 0;
}

VolumeHandle OpenVolumeForReading(char driveLetter) {
  ++g_fakeVolumeLog.opensForReading;
  return Open(driveLetter);
}

VolumeHandle OpenVolumeForWriting(char driveLetter) {
  ++g_fakeVolumeLog.opensForWriting;
  return Open(driveLetter);
}

uint32_t LockVolume(VolumeHandle) {
  ++g_fakeVolumeLog.locks;
  return g_fakeDrive.lockError;
}

uint32_t ReadDriveGeometry(VolumeHandle, DiskGeometry* record) {
  ++g_fakeVolumeLog.geometryCalls;
  if (g_fakeDrive.geometryError != 0) return g_fakeDrive.geometryError;
  *record = g_fakeDrive.geometry;
  return 0;
}

void SetVolumePosition(VolumeHandle, uint32_t distance) {
  g_fakeVolumeLog.pointerMoves.push_back(distance);
  g_runningPointer = distance;
}

uint32_t ReadVolumeAt(VolumeHandle, uint64_t position, void* buffer, uint32_t bytes,
                      uint32_t* delivered) {
  g_fakeVolumeLog.readPositions.push_back(position);
  g_fakeVolumeLog.readSizes.push_back(bytes);
  const auto fault = g_fakeDrive.readFaults.find(g_positionedReads++);
  *delivered = 0;
  if (fault != g_fakeDrive.readFaults.end()) {
    switch (fault->second) {
      case ReadFault::Fail:
        return g_fakeDrive.readFaultCode;
      case ReadFault::NoBytes:
        return 0;
      case ReadFault::Pending:
        g_pendingDelivered = CopyOut(position, buffer, bytes);
        return kErrorIoPending;
      case ReadFault::Short:
        *delivered = CopyOut(position, buffer, bytes / 2);
        return 0;
      case ReadFault::None:
        break;
    }
  }
  if (position >= g_fakeDrive.sectors.size()) return kErrorHandleEof;
  *delivered = CopyOut(position, buffer, bytes);
  return 0;
}

uint32_t AwaitVolumeRead(VolumeHandle, uint32_t* delivered) {
  g_fakeVolumeLog.pendingAwaited = true;
  *delivered = g_pendingDelivered;
  return 0;
}

uint32_t ReadVolume(VolumeHandle, void* buffer, uint32_t bytes) {
  const ReadFault fault = FaultOf(g_fakeDrive.runningReadFaults, g_fakeVolumeLog.runningReads++);
  const uint32_t n = CopyOut(g_runningPointer, buffer, BytesUnder(fault, bytes));
  g_runningPointer += n;
  return n;
}

uint32_t WriteVolume(VolumeHandle, const void* buffer, uint32_t bytes) {
  const ReadFault fault = FaultOf(g_fakeDrive.writeFaults, g_fakeVolumeLog.writes++);
  const uint64_t size = g_fakeDrive.sectors.size();
  if (g_runningPointer >= size) return 0;
  const uint32_t n = static_cast<uint32_t>(
      std::min<uint64_t>(BytesUnder(fault, bytes), size - g_runningPointer));
  if (!g_fakeDrive.losesWrites) std::memcpy(g_fakeDrive.sectors.data() + g_runningPointer, buffer, n);
  g_runningPointer += n;
  return n;
}

void* AllocateBuffer(uint64_t bytes) {
  // Like a 32-bit process, nothing of 2^31 bytes or more is had.
  if (g_fakeVolumeLog.allocations++ == g_fakeDrive.failAllocation || bytes >= (uint64_t{1} << 31))
    return nullptr;
  void* buffer = std::malloc(static_cast<size_t>(bytes == 0 ? 1 : bytes));
  if (buffer) ++g_fakeVolumeLog.liveBuffers;
  return buffer;
}

void ReleaseBuffer(void* buffer) {
  if (!buffer) return;
  --g_fakeVolumeLog.liveBuffers;
  std::free(buffer);
}

void CloseVolume(VolumeHandle) { ++g_fakeVolumeLog.closes; }

uint64_t QueryTotalBytes(const char*) { return g_fakeDrive.totalBytes; }

bool QueryImageFileSize(const char* path, uint64_t* size) {
  if (g_fakeDrive.imagePath != path) return false;
  *size = g_fakeDrive.imageSizeReported ? g_fakeDrive.imageSizeReported
                                        : g_fakeDrive.image.size();
  return true;
}

bool IsSameFile(const char* path, const char* otherPath) {
  std::error_code error;
  return std::string(path) == otherPath || std::filesystem::equivalent(path, otherPath, error);
}

// Like an open that creates a missing file: a path other than the image's
// opens an empty file.
ImageFileHandle OpenImageFile(const char* path) {
  if (g_fakeDrive.imageOpenFails) return nullptr;
  ++g_fakeVolumeLog.imageOpens;
  g_openedEmptyFile = g_fakeDrive.imagePath != path;
  return &g_imageToken;
}

uint32_t ReadImageFile(ImageFileHandle, void* buffer, uint32_t bytes) {
  if (g_openedEmptyFile) return 0;
  uint32_t n = static_cast<uint32_t>(std::min<size_t>(bytes, g_fakeDrive.image.size()));
  n = n > g_fakeDrive.imageShortBy ? n - g_fakeDrive.imageShortBy : 0;
  if (n) std::memcpy(buffer, g_fakeDrive.image.data(), n);
  return n;
}

void CloseImageFile(ImageFileHandle) { ++g_fakeVolumeLog.imageCloses; }
