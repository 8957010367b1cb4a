#include "ops/write_operation.h"

#include <cstdio>
#include <cstring>

#include "ops/locked_volume.h"
#include "ops/progress.h"
#include "output/dump_file.h"
#include "output/hex_dump.h"
#include "window/error_box.h"
#include "window/window_conventions.h"

namespace {

// The sectors' previous contents, in the current directory.
constexpr char kBackupFile[] = "dump_bak.img";
// The transfer loops count sector sizes in 16 bits.
constexpr uint32_t kLargestSectorSize = 65535;
constexpr uint64_t kFourGiB = uint64_t{1} << 32;

// The run of sectors being rewritten, checked: every byte of it lies below
// 4 GiB of transfer and its first byte below 2 GiB into the volume.
struct Range {
  int32_t startSector;
  int32_t count;
  uint32_t sectorSize;
  uint32_t startPos;
  uint32_t byteCount;
};

// Moves the range sector by sector at the volume's running pointer, reading
// it into `buffer` or writing it from there. A call that moves less than a
// whole sector ends the loop and does not count, though a write may have
// changed the sector. Returns the bytes moved in whole sectors.
uint32_t MoveSectors(VolumeHandle volume, const Range& range, unsigned char* buffer, bool write,
                     Progress* progress) {
  // A pointer that did not move would put the sectors somewhere else.
  if (!SetVolumePosition(volume, range.startPos)) return 0;
  // Just before the first sector changes, the file system lets go of the
  // volume: mounted, it would go on from its view of the old sectors, and
  // its own dismount would write that view back, after the check.
  if (write && range.byteCount > 0) DismountVolume(volume);
  const uint32_t s = range.sectorSize;
  uint32_t pos = 0;
  while (pos < range.byteCount) {
    const uint32_t moved =
        write ? WriteVolume(volume, buffer + pos, s) : ReadVolume(volume, buffer + pos, s);
    if (moved != s) break;
    pos += s;
    ShowProgress(progress, pos, range.byteCount);
    KeepWindowResponsive();
  }
  return pos;
}

// Reads `bytes` with `read` in pieces of `piece` bytes, serving the window
// between them: one call for a whole range could keep the window unanswered
// for longer than Windows allows. A read may deliver less than it was asked
// for (a device read cut short by a signal under Wine); the rest is asked for
// again, and only a read that delivers nothing ends it. Returns the bytes read.
uint32_t ReadInPieces(uint32_t (*read)(void*, void*, uint32_t), void* handle,
                      unsigned char* buffer, uint32_t bytes, uint32_t piece) {
  uint32_t done = 0;
  while (done < bytes) {
    const uint32_t asked = bytes - done < piece ? bytes - done : piece;
    const uint32_t delivered = read(handle, buffer + done, asked);
    done += delivered;
    if (delivered == 0) break;
    KeepWindowResponsive();
  }
  return done;
}

// Reads back the `written` bytes into `buffer`: the bytes read.
uint32_t ReadBack(VolumeHandle volume, const Range& range, unsigned char* buffer,
                  uint32_t written) {
  if (!SetVolumePosition(volume, range.startPos)) return 0;
  // The raw volume is read in whole sectors only.
  const uint32_t piece = kPieceBytes - kPieceBytes % range.sectorSize;
  return ReadInPieces(ReadVolume, volume, buffer, written, piece);
}

// Where the read-back first differs from what was written: the index of the
// first differing byte, the end of what came back when it is short, or
// `written` when everything came back unchanged. memcmp first: it checks a
// whole range many times faster than a byte loop.
uint32_t FirstDifference(const unsigned char* readBack, uint32_t readBackBytes,
                         const unsigned char* image, uint32_t written) {
  const uint32_t compared = readBackBytes < written ? readBackBytes : written;
  if (std::memcmp(readBack, image, compared) == 0) return compared;
  uint32_t i = 0;
  while (readBack[i] == image[i]) ++i;
  return i;
}

// Saves the backup to "dump_bak.img"; true when it holds the whole range.
// Otherwise tells why nothing will be written.
bool SaveWholeBackup(const Range& range, const unsigned char* backup, uint32_t backedUp) {
  const char* refusal = "元のデータを dump_bak.img に保存できなかったので、何も書き込んでいません";
  if (backedUp != range.byteCount) {
    char reason[80];
    std::snprintf(reason, sizeof reason, "セクター %lld を読み出せませんでした",
                  static_cast<long long>(range.startSector) + backedUp / range.sectorSize);
    ShowErrorBox(refusal, reason);
    return false;
  }
  const uint32_t saveError = SaveDumpFile(kBackupFile, backup, backedUp, false);
  if (saveError != 0) TellSaveFailure(refusal, kBackupFile, saveError);
  return saveError == 0;
}

// Backs the range up into `backup` and "dump_bak.img", writes the image over
// it only when that backup is whole, then reads back what was written, dumps
// it and checks it against the image.
void BackUpWriteAndCheck(VolumeHandle volume, const Range& range, unsigned char* image,
                         unsigned char* backup) {
  SetStatusText("BackUp Original DATA");
  Progress backupProgress{"BackUp Original DATA ..%3d%%", false, UINT32_MAX};
  const uint32_t backedUp = MoveSectors(volume, range, backup, false, &backupProgress);
  if (!SaveWholeBackup(range, backup, backedUp)) return;

  SetStatusText("Write DATA");
  Progress writeProgress{"Write DATA ..%3d%%", true, UINT32_MAX};
  const uint32_t written = MoveSectors(volume, range, image, true, &writeProgress);
  char text[160];
  if (written != range.byteCount) {
    std::snprintf(text, sizeof text,
                  "書込みが途中で止まりました。書き込めたのは %d セクター中 %lu セクターです",
                  range.count, static_cast<unsigned long>(written / range.sectorSize));
    ShowErrorBox(text);
  }

  const uint32_t readBack = ReadBack(volume, range, backup, written);
  HexDump(backup, SectorDumpLength(range.count, readBack, range.sectorSize), range.startPos);
  const uint32_t difference = FirstDifference(backup, readBack, image, written);
  if (difference != written) {
    std::snprintf(text, sizeof text,
                  "読み戻した内容が書き込んだデータと違います。最初に違うのはセクター %llu です",
                  static_cast<unsigned long long>(range.startSector) +
                      difference / range.sectorSize);
    ShowErrorBox(text);
  }
}

// Loads the whole image file; false unless every byte of it arrived.
bool LoadImage(const char* imagePath, unsigned char* image, uint32_t imageSize) {
  ImageFileHandle file = OpenImageFile(imagePath);
  if (!file) return false;
  const uint32_t delivered = ReadInPieces(ReadImageFile, file, image, imageSize, kPieceBytes);
  CloseImageFile(file);
  return delivered == imageSize;
}

Outcome LoadAndWrite(VolumeHandle volume, const Range& range, const char* imagePath,
                     uint32_t imageSize) {
  auto* image = static_cast<unsigned char*>(AllocateBuffer(uint64_t{imageSize} + 1));
  auto* backup =
      image ? static_cast<unsigned char*>(AllocateBuffer(uint64_t{range.byteCount} + 1)) : nullptr;
  Outcome outcome{1, true};
  if (!backup) {
    ShowErrorBox("書込み用のメモリを確保できません");
  } else if (!LoadImage(imagePath, image, imageSize)) {
    ShowErrorBox("イメージファイルを読み込めません。ほかのプログラムが使っていないか確かめてください");
  } else {
    BackUpWriteAndCheck(volume, range, image, backup);
    outcome.result = 0;
  }
  ReleaseBuffer(backup);
  ReleaseBuffer(image);
  return outcome;
}

// From the geometry on: the fixed-disk refusal, the confirmation, the checks
// of the request and, when all pass, the write itself.
Outcome WriteToVolume(VolumeHandle volume, const DiskGeometry& geometry, const char* driveRoot,
                      int32_t startSector, int32_t count, const char* imagePath) {
  if (geometry.MediaType == kMediaFixed) {
    ShowMessageBox(BoxOwner::None, "ハードディスクにはやめたほうが無難でしょう", "エラー",
                   kBoxIconInformation);
    return {0, true};
  }
  // A write-protected medium is told before its backup replaces the previous
  // one, which may be the only copy of what an earlier write replaced.
  const uint32_t writable = QueryVolumeWritable(volume);
  if (writable == kErrorWriteProtect) {
    ShowErrorBoxForCode("媒体が書込み禁止になっています。何も書き込んでおらず、dump_bak.img も前のままです",
                        writable);
    return {0, true};
  }
  char question[1024];
  std::snprintf(question, sizeof question, "%s に書込み開始しますよ", driveRoot);
  // Only a Yes writes: a box that ends any other way (the program closing
  // under it) is no consent.
  const int answer = ShowMessageBox(BoxOwner::None, question, "確認", kBoxYesNo | kBoxIconQuestion);
  if (answer != kAnswerYes) {
    SetStatusText("書き込まず終了");
    return {1, false};
  }
  SetStatusText("Read DATA");

  const uint32_t s = geometry.BytesPerSector;
  uint64_t imageFileSize = 0;
  if (!QueryImageFileSize(imagePath, &imageFileSize)) imageFileSize = 0;
  const uint32_t imageSize = static_cast<uint32_t>(imageFileSize);
  const uint32_t byteCount = static_cast<uint32_t>(count) * s;
  const int64_t exactBytes = int64_t{count} * s;

  const char* refusal = nullptr;
  if (s == 0 || s > kLargestSectorSize)
    refusal = "このセクターサイズには対応していません";
  else if (!StartPositionIsAddressable(startSector, s))
    refusal = "開始セクターが範囲外です";
  else if (imageFileSize >= kFourGiB)
    refusal = "4GB以上のイメージファイルには対応していません";
  if (refusal) {
    ShowErrorBox(refusal);
    return {1, true};
  }
  if (imageSize < byteCount) {
    ShowMessageBox(BoxOwner::None, "書込み指定サイズが大きすぎます", "エラー",
                   kBoxIconInformation);
    return {1, false};
  }
  // A byte count that wrapped in 32 bits can pass the size test with a small image.
  if (exactBytes < 0 || exactBytes >= static_cast<int64_t>(kFourGiB))
    refusal = "書込みセクター数が範囲外です";
  else if (IsSameFile(imagePath, kBackupFile))
    refusal = "選んだファイルはこれから上書きされる dump_bak.img です。別の名前でコピーして、そのコピーを選んでください";
  if (refusal) {
    ShowErrorBox(refusal);
    return {1, true};
  }
  const Range range{startSector, count, s, static_cast<uint32_t>(startSector) * s, byteCount};
  return LoadAndWrite(volume, range, imagePath, imageSize);
}

}  // namespace

uint32_t WriteOperation(char driveLetter, const char* driveRoot, int32_t startSector,
                        int32_t count, const char* imagePath) {
  return RunOnLockedVolume(VolumeUse::Write, driveLetter, driveRoot,
                           [&](VolumeHandle volume, const DiskGeometry& geometry) {
                             return WriteToVolume(volume, geometry, driveRoot, startSector, count,
                                                  imagePath);
                           });
}
