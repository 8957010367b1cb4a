#include "ops/read_operation.h"

#include <cstdio>
#include <cstring>

#include "ops/locked_volume.h"
#include "ops/progress.h"
#include "output/dump_file.h"
#include "output/hex_dump.h"
#include "output/trace.h"
#include "window/error_box.h"
#include "window/window_conventions.h"

namespace {

// Receives each sector as it arrives; sectors up to this size are supported.
constexpr uint32_t kSectorBufferSize = 2048;
unsigned char g_sectorBuffer[kSectorBufferSize];

// A run of count x BytesPerSector bytes must fit the signed 32-bit budget.
constexpr int64_t kLargestRun = (int64_t{1} << 31) - 1;

// A read that copied fewer sectors than asked for: how many, where it
// stopped and why, and what dump.img holds. A user who took a short image for
// a whole one might throw the failing medium away.
void TellShortRead(int32_t startSector, int32_t count, uint32_t copied, uint32_t readError,
                   bool dumpSaved) {
  char reason[512] = "ボリュームの終わりです";
  if (readError != 0 && readError != kErrorHandleEof)
    FormatSystemReason(readError, reason, sizeof reason);
  char text[256];
  std::snprintf(text, sizeof text,
                "読出しが途中で止まりました。読み出せたのは %d セクター中 %lu セクターです。\r\n"
                "止まったのはセクター %lld です。",
                count, static_cast<unsigned long>(copied),
                static_cast<long long>(startSector) + copied);
  char reasonAndFile[640];
  std::snprintf(reasonAndFile, sizeof reasonAndFile, "%s%s", reason,
                dumpSaved ? "\r\ndump.img には読み出せたセクターだけが入っています。" : "");
  ShowErrorBox(text, reasonAndFile);
}

// Reads the run sector by sector, dumps it, traces it and saves it; tells a
// run that came short and a dump.img that could not be saved.
void ReadSectors(VolumeHandle volume, const DiskGeometry& geometry, int32_t startSector,
                 int32_t count, bool dumpToFile) {
  const uint32_t sectorSize = geometry.BytesPerSector;
  if (sectorSize == 0 || sectorSize > kSectorBufferSize) {
    ShowErrorBox("このセクターサイズには対応していません");
    return;
  }
  if (!StartPositionIsAddressable(startSector, sectorSize)) {
    ShowErrorBox("開始セクターが範囲外です");
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
      ShowErrorBox("読出し用のメモリを確保できません");
      return;
    }
  }

  uint32_t pos = 0;
  uint32_t lastRead = 0, readError = 0;
  Progress progress{"Reading DATA..%3d%%", true, UINT32_MAX};
  for (;;) {
    uint32_t delivered = 0;
    readError =
        ReadVolumeAt(volume, uint64_t{startPosition} + pos, g_sectorBuffer, sectorSize, &delivered);
    lastRead = delivered;
    if (readError != 0 || lastRead == 0) break;
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
  const uint32_t saveError = dumpToFile ? SaveDumpFile("dump.img", data, pos, true) : 0;
  TraceEol();
  ReleaseBuffer(data);
  if (saveError != 0)
    TellSaveFailure("dump.img を保存できませんでした。前からある dump.img は変わっていません。",
                    "dump.img", saveError);
  if (count > 0 && pos < static_cast<uint32_t>(count) * sectorSize)
    TellShortRead(startSector, count, pos / sectorSize, readError, dumpToFile && saveError == 0);
}

}  // namespace

uint32_t ReadOperation(char driveLetter, const char* driveRoot, int32_t startSector,
                       int32_t count, bool dumpToFile) {
  return RunOnLockedVolume(VolumeUse::Read, driveLetter, driveRoot,
                           [&](VolumeHandle volume, const DiskGeometry& geometry) {
                             ReadSectors(volume, geometry, startSector, count, dumpToFile);
                             return Outcome{0, true};
                           });
}
