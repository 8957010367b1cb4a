// The benchmark's bare program: the work a read or a write of drive A: must do, and no more, with
// the program's own volume and output functions, without a window. A read: one positioned read a
// sector, dump.img saved and echoed to the trace. A write (the volume locked before the go, as
// TORVEX locks it before its confirmation): the image loaded, the backup read and saved, the
// sectors written, read back and compared. Usage: bare read|write SECTORS READY GO DONE [IMAGE],
// with three inherited events: sets READY, waits for GO, works, sets DONE, waits to be ended.
#include <windows.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include "output/dump_file.h"
#include "volume/volume.h"
#include "volume/volume_lock.h"
#include "window/window_conventions.h"
namespace {
constexpr uint32_t kSector = 512;
// Reads `bytes` in pieces of kPieceBytes with `read`, at the handle's running pointer.
bool ReadInPieces(uint32_t (*read)(void*, void*, uint32_t), void* handle, unsigned char* buffer,
                  uint32_t bytes) {
  for (uint32_t done = 0; done < bytes; done += kPieceBytes) {
    const uint32_t piece = std::min(bytes - done, kPieceBytes);
    if (read(handle, buffer + done, piece) != piece) return false;
  }
  return true;
}
bool Read(VolumeHandle volume, uint32_t bytes) {
  auto* data = static_cast<unsigned char*>(AllocateBuffer(bytes));
  bool done = data != nullptr;
  for (uint32_t pos = 0; done && pos < bytes; pos += kSector) {
    uint32_t delivered = 0;
    done = ReadVolumeAt(volume, pos, data + pos, kSector, &delivered) == 0 && delivered == kSector;
  }
  done = done && SaveDumpFile("dump.img", data, bytes, true) == 0;
  ReleaseBuffer(data);
  return done;
}
// Reads the range into `buffer`, or writes it from there after the dismount, a sector a call at
// the running pointer from the start.
bool MoveSectors(VolumeHandle volume, unsigned char* buffer, uint32_t bytes, bool write) {
  if (!SetVolumePosition(volume, 0)) return false;
  if (write) DismountVolume(volume);
  for (uint32_t pos = 0; pos < bytes; pos += kSector) {
    const uint32_t moved = write ? WriteVolume(volume, buffer + pos, kSector)
                                 : ReadVolume(volume, buffer + pos, kSector);
    if (moved != kSector) return false;
  }
  return true;
}
bool Write(VolumeHandle volume, const char* imagePath, uint32_t bytes) {
  auto* image = static_cast<unsigned char*>(AllocateBuffer(bytes));
  auto* backup = static_cast<unsigned char*>(AllocateBuffer(bytes));
  ImageFileHandle file = image && backup ? OpenImageFile(imagePath) : nullptr;
  bool done = file && ReadInPieces(ReadImageFile, file, image, bytes);
  if (file) CloseImageFile(file);
  done = done && MoveSectors(volume, backup, bytes, false) &&
         SaveDumpFile("dump_bak.img", backup, bytes, false) == 0 &&
         MoveSectors(volume, image, bytes, true) && SetVolumePosition(volume, 0) &&
         ReadInPieces(ReadVolume, volume, backup, bytes) && std::memcmp(backup, image, bytes) == 0;
  ReleaseBuffer(backup);
  ReleaseBuffer(image);
  return done;
}
}  // namespace
int main(int argc, char** argv) {
  const bool write = argc > 1 && std::strcmp(argv[1], "write") == 0;
  if (argc != 6 + write) return 2;
  const uint32_t bytes = std::strtoul(argv[2], nullptr, 10) * kSector;
  HANDLE events[3];  // ready, go, done
  for (int i = 0; i < 3; ++i)
    events[i] = reinterpret_cast<HANDLE>(std::strtoull(argv[3 + i], nullptr, 10));
  VolumeHandle volume = nullptr;
  const auto openAndLock = [&] {
    volume = write ? OpenVolumeForWriting('A') : OpenVolumeForReading('A');
    return volume && LockVolumeRetrying(volume) == 0;
  };
  if (write && !openAndLock()) return 1;
  SetEvent(events[0]);
  WaitForSingleObject(events[1], INFINITE);
  if (!write && !openAndLock()) return 1;
  const bool done = write ? Write(volume, argv[6], bytes) : Read(volume, bytes);
  CloseVolume(volume);
  if (!done) return 1;
  SetEvent(events[2]);
  Sleep(INFINITE);
}
