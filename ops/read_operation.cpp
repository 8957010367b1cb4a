#include "ops/read_operation.h"

#include <cstring>

#include "app/app_state.h"
#include "ops/progress.h"
#include "output/dump_file.h"
#include "output/hex_dump.h"
#include "output/trace.h"
#include "volume/disk_geometry.h"
#include "volume/geometry_query.h"
#include "volume/geometry_report.h"
#include "volume/volume.h"
#include "window/window_conventions.h"

namespace {

// Receives each sector as it arrives; sectors up to this size are supported.
constexpr uint32_t kSectorBufferSize = 2048;
unsigned char g_sectorBuffer[kSectorBufferSize];

// A run of count x BytesPerSector bytes must fit the signed 32-bit budget.
constexpr int64_t kLargestRun = (int64_t{1} << 31) - 1;

void TraceGeometry(const DiskGeometry& geometry) {
  TraceCylinders(geometry.Cylinders);
  TraceText("mediatype=");
  TraceSigned(static_cast<int32_t>(geometry.MediaType));
  TraceEol();
  TraceText("TracksPerCylinder=");
  TraceUnsigned(geometry.TracksPerCylinder);
  TraceEol();
  TraceText("SectorsPerTrack=");
  TraceUnsigned(geometry.SectorsPerTrack);
  TraceEol();
  TraceText("BytesPerSector=");
  TraceUnsigned(geometry.BytesPerSector);
  TraceEol();
}

void Refuse(const char* text) { ShowMessageBox(BoxOwner::MainWindow, text, "エラー", kBoxOk); }

// Reads the run sector by sector, dumps it, traces it and saves it.
void ReadSectors(VolumeHandle volume, const DiskGeometry& geometry, int32_t startSector,
                 int32_t count) {
  const uint32_t sectorSize = geometry.BytesPerSector;
  if (sectorSize == 0 || sectorSize > kSectorBufferSize) {
    Refuse("このセクターサイズには対応していません");
    return;
  }
  if (!StartPositionIsAddressable(startSector, sectorSize)) {
    Refuse("開始セクターが範囲外です");
    return;
  }
  SetStatusText("Reading DATA..");
  int64_t size = int64_t{count} * sectorSize;
  const uint32_t startPosition = static_cast<uint32_t>(startSector) * sectorSize;
  SetVolumePosition(volume, startPosition);
  // A count of 0 or less copies nothing: the budget goes negative at the first read.
  unsigned char* data = nullptr;
  if (count > 0) {
    if (size <= kLargestRun) data = static_cast<unsigned char*>(AllocateBuffer(size + 1));
    if (!data) {
      Refuse("読出し用のメモリを確保できません");
      return;
    }
  }

  uint32_t pos = 0;
  uint32_t lastRead = 0;
  Progress progress{"Reading DATA..%3d%%", true, UINT32_MAX};
  for (;;) {
    uint32_t delivered = 0;
    uint32_t error =
        ReadVolumeAt(volume, uint64_t{startPosition} + pos, g_sectorBuffer, sectorSize, &delivered);
    if (error == kErrorIoPending) error = AwaitVolumeRead(volume, &delivered);
    lastRead = delivered;
    if (error != 0 || lastRead == 0) break;
    size -= sectorSize;
    if (size < 0) break;
    // A short read counts as a whole sector; its missing tail is zero, not
    // whatever the previous sector left in the buffer.
    if (lastRead < sectorSize) std::memset(g_sectorBuffer + lastRead, 0, sectorSize - lastRead);
    std::memcpy(data + pos, g_sectorBuffer, sectorSize);
    pos += sectorSize;
    ShowProgress(&progress, pos, static_cast<uint32_t>(count) * sectorSize);
    KeepWindowResponsive();
  }

  HexDump(data, SectorDumpLength(count, pos, sectorSize), startPosition);

  TraceText("nRead=");
  TraceUnsigned(lastRead);
  TraceEol();
  TraceText("nSize=");
  TraceSigned(size);
  TraceEol();
  TraceText("data=");
  if (g_dumpToFile) SaveDumpFile("dump.img", data, pos, true);
  TraceEol();
  ReleaseBuffer(data);
}

}  // namespace

uint32_t ReadOperation(char driveLetter, const char* driveRoot, int32_t startSector,
                       int32_t count) {
  const uint64_t totalBytes = QueryTotalBytes(driveRoot);
  VolumeHandle volume = OpenVolumeForReading(driveLetter);
  if (!volume) {
    TraceInvalidHandle();
    ShowMessageBox(BoxOwner::MainWindow, "無効なドライブです", "エラー", kBoxOk);
    return 1;
  }
  TraceLine(" ok handel");
  SetStatusText("HANDLE OK");

  const uint32_t lockError = LockVolume(volume);
  if (lockError != 0) {
    TraceLine(" lock error ");
    ShowSystemErrorBox(BoxOwner::MainWindow, lockError, "エラーリターン", kBoxOk);
    SetStatusText("DRIVE LOCK ERROR");
    CloseVolume(volume);
    return lockError;
  }
  TraceLine(" lock ok ");
  SetStatusText("DRIVE LOCK OK");

  DiskGeometry* geometry = nullptr;
  if (QueryGeometry(volume, &geometry) != 0) {
    ShowGeometryFailure();
  } else {
    SetStatusText("Reading GEOMETRY..");
    TraceGeometry(*geometry);
    ShowGeometryReport(*geometry, totalBytes, RangeEnd::LastByte);
    ReadSectors(volume, *geometry, startSector, count);
  }

  CloseVolume(volume);
  ReleaseGeometry(geometry);
  SetStatusText("終了");
  return 0;
}
